#include "kom/reports/Synop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace nuvar {
namespace {

// A data set with no valid value, Kennung QZ000, the 1st at 12:30, at 0/0.
TSynopDS Leer() {
    TSynopDS ds;
    ds.Kennung = QStringLiteral("QZ000");
    ds.Tag = 1;
    ds.Stunde = 12;
    ds.Minute = 30;
    for (const auto& e : kSynopEintraege) {
        TSynopMesswert& m = ds.*e.member;
        m.Code = QLatin1String(e.code);
        m.Index = -1;
        m.Wert = kKeinWert;
    }
    return ds;
}

void Setze(TSynopMesswert& m, double wert) {
    m.Index = 0;
    m.Wert = wert;
    m.Gueltig = true;
}

struct GruppenFall {
    const char* name;
    std::function<void(TSynopDS&)> setze;
    const char* zeile;  // the message without its two line ends
};

TEST(SynopNachricht, JedeGruppe) {
    const GruppenFall faelle[] = {
        {"kein Wert", [](TSynopDS&) {}, "SXSX QZ000 01121 99000 10000 36/// 91230 333 555"},
        // header
        {"Koordinaten", [](TSynopDS& d) { d.Breite = 52.52; d.Laenge = 13.41; },
         "SXSX QZ000 01121 99525 10134 36/// 91230 333 555"},
        {"Tag und Stunde zweistellig", [](TSynopDS& d) { d.Tag = 9; d.Stunde = 5; d.Minute = 7; },
         "SXSX QZ000 09051 99000 10000 36/// 90507 333 555"},
        {"Breite halb", [](TSynopDS& d) { d.Breite = 0.25; d.Laenge = 0.35; },
         "SXSX QZ000 01121 99002 10004 36/// 91230 333 555"},
        {"Kennung", [](TSynopDS& d) { d.Kennung = QStringLiteral("10384"); },
         "SXSX 10384 01121 99000 10000 36/// 91230 333 555"},
        // a negative coordinate codes its quadrant instead of a minus sign
        {"Sued Ost", [](TSynopDS& d) { d.Breite = -33.9; d.Laenge = 18.42; },
         "SXSX QZ000 01121 99339 30184 36/// 91230 333 555"},
        {"Sued West", [](TSynopDS& d) { d.Breite = -34.6; d.Laenge = -58.38; },
         "SXSX QZ000 01121 99346 50584 36/// 91230 333 555"},
        {"Nord West", [](TSynopDS& d) { d.Breite = 40.7; d.Laenge = -74.0; },
         "SXSX QZ000 01121 99407 70740 36/// 91230 333 555"},
        // wind
        {"Wind", [](TSynopDS& d) { Setze(d.wg, 3.4); Setze(d.wr, 275); },
         "SXSX QZ000 01121 99000 10000 36/// /2803 91230 333 555"},
        {"Wind halbe auf gerade", [](TSynopDS& d) { Setze(d.wg, 2.5); Setze(d.wr, 125); },
         "SXSX QZ000 01121 99000 10000 36/// /1202 91230 333 555"},
        {"Wind Richtung 4", [](TSynopDS& d) { Setze(d.wg, 6.0); Setze(d.wr, 4); },
         "SXSX QZ000 01121 99000 10000 36/// /0006 91230 333 555"},
        {"Windstille 0.5", [](TSynopDS& d) { Setze(d.wg, 0.5); Setze(d.wr, 180); },
         "SXSX QZ000 01121 99000 10000 36/// /0000 91230 333 555"},
        {"Windstille 0", [](TSynopDS& d) { Setze(d.wg, 0.0); Setze(d.wr, 0); },
         "SXSX QZ000 01121 99000 10000 36/// /0000 91230 333 555"},
        {"knapp ueber Windstille", [](TSynopDS& d) { Setze(d.wg, 0.51); Setze(d.wr, 90); },
         "SXSX QZ000 01121 99000 10000 36/// /0901 91230 333 555"},
        {"Richtung fehlt", [](TSynopDS& d) { Setze(d.wg, 5.0); },
         "SXSX QZ000 01121 99000 10000 36/// ///05 91230 333 555"},
        {"Richtung fehlt, Windstille", [](TSynopDS& d) { Setze(d.wg, 0.2); },
         "SXSX QZ000 01121 99000 10000 36/// ///00 91230 333 555"},
        {"Geschwindigkeit fehlt", [](TSynopDS& d) { Setze(d.wr, 270); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555"},
        {"Orkan ab 99", [](TSynopDS& d) { Setze(d.wg, 120.0); Setze(d.wr, 270); },
         "SXSX QZ000 01121 99000 10000 36/// /2799 00120 91230 333 555"},
        // temperature
        {"t2m -0.04", [](TSynopDS& d) { Setze(d.t2m, -0.04); },
         "SXSX QZ000 01121 99000 10000 36/// 11000 91230 333 555"},
        {"t2m 12.25", [](TSynopDS& d) { Setze(d.t2m, 12.25); },
         "SXSX QZ000 01121 99000 10000 36/// 10122 91230 333 555"},
        {"t2m 12.75", [](TSynopDS& d) { Setze(d.t2m, 12.75); },
         "SXSX QZ000 01121 99000 10000 36/// 10128 91230 333 555"},
        {"t2m -12.25", [](TSynopDS& d) { Setze(d.t2m, -12.25); },
         "SXSX QZ000 01121 99000 10000 36/// 11122 91230 333 555"},
        {"t2m 0", [](TSynopDS& d) { Setze(d.t2m, 0.0); },
         "SXSX QZ000 01121 99000 10000 36/// 10000 91230 333 555"},
        // humidity and pressure
        {"rf", [](TSynopDS& d) { Setze(d.rf, 64.5); },
         "SXSX QZ000 01121 99000 10000 36/// 29064 91230 333 555"},
        {"rf 100", [](TSynopDS& d) { Setze(d.rf, 100); },
         "SXSX QZ000 01121 99000 10000 36/// 29100 91230 333 555"},
        {"ld 1013.2 ohne rf", [](TSynopDS& d) { Setze(d.ld, 1013.2); },
         "SXSX QZ000 01121 99000 10000 36/// 3013/ 4//// 5//// 91230 333 555"},
        {"ld 986.4", [](TSynopDS& d) { Setze(d.ld, 986.4); },
         "SXSX QZ000 01121 99000 10000 36/// 3986/ 4//// 5//// 91230 333 555"},
        {"ld 1000.5", [](TSynopDS& d) { Setze(d.ld, 1000.5); },
         "SXSX QZ000 01121 99000 10000 36/// 3000/ 4//// 5//// 91230 333 555"},
        // precipitation
        {"nied 0.3", [](TSynopDS& d) { Setze(d.nied, 0.3); },
         "SXSX QZ000 01121 99000 10000 16/// 69935 91230 333 555"},
        {"nied 2.6", [](TSynopDS& d) { Setze(d.nied, 2.6); },
         "SXSX QZ000 01121 99000 10000 16/// 60035 91230 333 555"},
        {"nied 2.5", [](TSynopDS& d) { Setze(d.nied, 2.5); },
         "SXSX QZ000 01121 99000 10000 16/// 60025 91230 333 555"},
        {"nied Spur 0.04", [](TSynopDS& d) { Setze(d.nied, 0.04); },
         "SXSX QZ000 01121 99000 10000 16/// 69905 91230 333 555"},
        {"nied 0.96 ist 1 mm", [](TSynopDS& d) { Setze(d.nied, 0.96); },
         "SXSX QZ000 01121 99000 10000 16/// 60015 91230 333 555"},
        {"nied 0", [](TSynopDS& d) { Setze(d.nied, 0.0); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555"},
        {"nied negativ", [](TSynopDS& d) { Setze(d.nied, -0.1); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555"},
        {"nied ab 989 mm", [](TSynopDS& d) { Setze(d.nied, 995.0); },
         "SXSX QZ000 01121 99000 10000 16/// 69895 91230 333 555"},
        // section 3
        {"t2mMax", [](TSynopDS& d) { Setze(d.t2mMax, 25.3); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 10253 555"},
        {"t2mMax negativ", [](TSynopDS& d) { Setze(d.t2mMax, -1.5); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 11015 555"},
        {"t2mMin", [](TSynopDS& d) { Setze(d.t2mMin, 3.0); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 20030 555"},
        {"t2mMin negativ", [](TSynopDS& d) { Setze(d.t2mMin, -5.25); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 21052 555"},
        {"tbnMin -3.4", [](TSynopDS& d) { Setze(d.tbnMin, -3.4); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 3/103 555"},
        {"tbnMin 2.5", [](TSynopDS& d) { Setze(d.tbnMin, 2.5); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 3/002 555"},
        {"tbnMin -0.3", [](TSynopDS& d) { Setze(d.tbnMin, -0.3); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 3/100 555"},
        // section 5
        {"tbn negativ", [](TSynopDS& d) { Setze(d.tbn, -0.6); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555 01006"},
        {"tbn", [](TSynopDS& d) { Setze(d.tbn, 4.5); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555 00045"},
        {"Boe 12.5", [](TSynopDS& d) { Setze(d.wgMax, 12.5); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555"},
        {"Boe 12.6", [](TSynopDS& d) { Setze(d.wgMax, 12.6); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555 91113"},
        {"Boe 17.8", [](TSynopDS& d) { Setze(d.wgMax, 17.8); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555 91118"},
        {"Boe ab 99", [](TSynopDS& d) { Setze(d.wgMax, 104.0); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555 91199 00104"},
        {"bod5 -1.5", [](TSynopDS& d) { Setze(d.bod5, -1.5); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555 BOT 11015"},
        {"bod5 8", [](TSynopDS& d) { Setze(d.bod5, 8.0); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555 BOT 10080"},
        // values the SYNOP never codes
        {"nicht codiert", [](TSynopDS& d) { Setze(d.sd, 5); Setze(d.gs, 300); Setze(d.akku, 12.6);
                                             Setze(d.QFN, 1020); Setze(d.nied2, 4); },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555"},
        // an entry counts only with an index and Gueltig
        {"Gueltig ohne Index", [](TSynopDS& d) { Setze(d.t2m, 5); d.t2m.Index = -1; },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555"},
        {"Index ohne Gueltig", [](TSynopDS& d) { Setze(d.t2m, 5); d.t2m.Gueltig = false; },
         "SXSX QZ000 01121 99000 10000 36/// 91230 333 555"},
        // every group at once, in message order
        {"alle", [](TSynopDS& d) {
             d.Breite = 52.52; d.Laenge = 13.41;
             Setze(d.wr, 275); Setze(d.wg, 3.4); Setze(d.t2m, -2.3); Setze(d.rf, 87); Setze(d.ld, 1013.2);
             Setze(d.nied, 0.3); Setze(d.t2mMax, 1.2); Setze(d.t2mMin, -4.6); Setze(d.tbnMin, -6.2);
             Setze(d.tbn, -5.1); Setze(d.wgMax, 14.2); Setze(d.bod5, 2.1);
         },
         "SXSX QZ000 01121 99525 10134 16/// /2803 11023 29087 3013/ 4//// 5//// 69935 91230"
         " 333 10012 21046 3/106 555 01051 91114 BOT 10021"},
    };
    for (const auto& f : faelle) {
        TSynopDS ds = Leer();
        f.setze(ds);
        EXPECT_EQ(SynopNachricht(ds), QString::fromLatin1(f.zeile) + QStringLiteral("\r\n\r\n")) << f.name;
    }
}

TEST(LiesKoordinate, ZahlVorDemErstenBlank) {
    struct {
        const char* text;
        std::optional<double> wert;
    } faelle[] = {
        {"52,52 Nord", 52.52}, {"00,00 Ost", 0.0}, {"33,90 Süd", 33.9}, {"-33,90 Süd", -33.9},
        {"13,41", 13.41},  // no hemisphere word: the number alone
        {"52,52  Nord", 52.52},
        {"13.41 Ost", std::nullopt}, {"Nord", std::nullopt}, {"", std::nullopt},
        {" 52,52 Nord", std::nullopt}, {"52,5x Nord", std::nullopt},
    };
    for (const auto& f : faelle) {
        const auto wert = LiesKoordinate(QString::fromUtf8(f.text));
        ASSERT_EQ(wert.has_value(), f.wert.has_value()) << f.text;
        if (wert) {
            EXPECT_DOUBLE_EQ(*wert, *f.wert) << f.text;
        }
    }
}

TEST(BereiteSynopVor, UebernimmtParameterUndZeit) {
    TSynopDS ds = Leer();
    TSYNOPParam p = SynopVorgaben();
    p.Breite = QStringLiteral("52,52 Nord");
    p.Laenge = QStringLiteral("13,41 Ost");
    p.Kennung = QStringLiteral("10384");
    QStringList meldungen;
    ASSERT_TRUE(BereiteSynopVor(ds, p, QStringLiteral("241231235900;"),
                                [&](const QString& m) { meldungen << m; }));
    EXPECT_TRUE(meldungen.isEmpty());
    EXPECT_EQ(ds.Kennung, QStringLiteral("10384"));
    EXPECT_DOUBLE_EQ(ds.Breite, 52.52);
    EXPECT_DOUBLE_EQ(ds.Laenge, 13.41);
    EXPECT_EQ(ds.Jahr, 24);
    EXPECT_EQ(ds.Monat, 12);
    EXPECT_EQ(ds.Tag, 31);
    EXPECT_EQ(ds.Stunde, 23);
    EXPECT_EQ(ds.Minute, 59);
}

TEST(BereiteSynopVor, FehlerGebenEineMeldung) {
    struct {
        const char* breite;
        const char* laenge;
        const char* antwort;
        const char* meldung;
    } faelle[] = {
        {"52.52 Nord", "13,41 Ost", "240701123000;", "Ungültige geographische Breite für SYNOP: \"52.52 Nord\""},
        {"52,52 Nord", "Ost", "240701123000;", "Ungültige geographische Länge für SYNOP: \"Ost\""},
        {"52,52 Nord", "13,41 Ost", "2407011230", "Ungültiger Zeitstempel in den aktuellen Werten: 2407011230"},
    };
    for (const auto& f : faelle) {
        TSynopDS ds = Leer();
        TSYNOPParam p = SynopVorgaben();
        p.Breite = QString::fromUtf8(f.breite);
        p.Laenge = QString::fromUtf8(f.laenge);
        QStringList meldungen;
        EXPECT_FALSE(BereiteSynopVor(ds, p, QString::fromLatin1(f.antwort),
                                     [&](const QString& m) { meldungen << m; }));
        EXPECT_EQ(meldungen, QStringList{QString::fromUtf8(f.meldung)});
    }
}

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
}

void SchreibeInhalt(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

TEST(HaengeSynopAn, ErzeugtUndHaengtAn) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath(QStringLiteral("synop.txt"));
    TSynopDS ds = Leer();
    ASSERT_TRUE(HaengeSynopAn(pfad, ds, {}));
    ds.Minute = 40;
    ASSERT_TRUE(HaengeSynopAn(pfad, ds, {}));
    EXPECT_EQ(Inhalt(pfad), QByteArray("SXSX QZ000 01121 99000 10000 36/// 91230 333 555\r\n\r\n"
                                       "SXSX QZ000 01121 99000 10000 36/// 91240 333 555\r\n\r\n"));
}

TEST(HaengeSynopAn, OhneVerzeichnisEineMeldung) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath(QStringLiteral("fehlt/synop.txt"));
    QStringList meldungen;
    EXPECT_FALSE(HaengeSynopAn(pfad, Leer(), [&](const QString& m) { meldungen << m; }));
    EXPECT_EQ(meldungen, QStringList{QStringLiteral("Die SYNOP-Datei %1 kann nicht geschrieben werden!").arg(pfad)});
    EXPECT_FALSE(QFile::exists(pfad));
}

TEST(HaengeSynopAn, UncodierbarerWertLaesstDieDateiUnberuehrt) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath(QStringLiteral("synop.txt"));
    SchreibeInhalt(pfad, "alt\r\n");
    TSynopDS ds = Leer();
    Setze(ds.t2m, 1e300);
    QStringList meldungen;
    EXPECT_FALSE(HaengeSynopAn(pfad, ds, [&](const QString& m) { meldungen << m; }));
    EXPECT_EQ(meldungen, QStringList{QStringLiteral("Fehler bei Bereichsprüfung")});
    EXPECT_EQ(Inhalt(pfad), QByteArray("alt\r\n"));
}

// A write that stops half-way (here: the file size limit) must not leave half a
// message behind.
TEST(HaengeSynopAn, AbgebrochenesSchreibenNimmtDenTeilZurueck) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath(QStringLiteral("synop.txt"));
    const QByteArray alt = "SXSX QZ000 01121 99000 10000 36/// 91230 333 555\r\n\r\n";
    SchreibeInhalt(pfad, alt);

    rlimit vorher{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &vorher), 0);
    auto* alterHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit eng = vorher;
    eng.rlim_cur = static_cast<rlim_t>(alt.size() + 10);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &eng), 0);
    QStringList meldungen;
    const bool ok = HaengeSynopAn(pfad, Leer(), [&](const QString& m) { meldungen << m; });
    setrlimit(RLIMIT_FSIZE, &vorher);
    std::signal(SIGXFSZ, alterHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(meldungen.size(), 1);
    EXPECT_EQ(Inhalt(pfad), alt);
}

TEST(SchreibeFertigMarke, LeereDatei) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath(QStringLiteral("dde.lck"));
    ASSERT_TRUE(SchreibeFertigMarke(dir.path(), {}));
    EXPECT_EQ(Inhalt(pfad), QByteArray());
    SchreibeInhalt(pfad, "alt");
    ASSERT_TRUE(SchreibeFertigMarke(dir.path(), {}));
    EXPECT_EQ(Inhalt(pfad), QByteArray());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("dde.lck")});
}

TEST(SchreibeFertigMarke, OhneVerzeichnisEineMeldung) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath(QStringLiteral("fehlt"));
    QStringList meldungen;
    EXPECT_FALSE(SchreibeFertigMarke(ziel, [&](const QString& m) { meldungen << m; }));
    EXPECT_EQ(meldungen,
              QStringList{QStringLiteral("Die Fertigmeldung %1/dde.lck kann nicht geschrieben werden!").arg(ziel)});
}

} // namespace
} // namespace nuvar
