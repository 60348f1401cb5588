#include "kom/reports/HtmlSeite.h"

#include "tests/reports/Kanaele.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace nuvar {
namespace {

using test::Kanaele;

const QString kAntwort = QStringLiteral("240701123000;   21.43;");

// A data set whose entries are all missing except those set.
TSynopDS Leer() {
    TSynopDS ds;
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

struct SeitenFall {
    const char* name;
    test::Tabelle kanaele;
    int n;
    std::function<void(TSynopDS&)> setze;
    QByteArray vorlage;
    QByteArray seite;
};

TEST(FuelleSeite, Marken) {
    const auto t2m = Kanaele({{"t2m", "\xF8" "C"}});
    const auto zwei = Kanaele({{"t2m", "\xF8" "C"}, {"rf", "%"}});
    auto keine = [](TSynopDS&) {};
    auto warm = [](TSynopDS& d) { Setze(d.t2m, 21.43); };
    const SeitenFall faelle[] = {
        {"Datum und Zeit klein geschrieben", t2m, 1, keine,
         "<p><!-- Datum --> <!-- zeit --></p>", "<p>01.07.24 12:30</p>"},
        {"dritte Datumsmarke bei zwei Kanaelen", zwei, 2, keine,
         "<!-- DATUM -->|<!-- DATUM -->|<!-- DATUM -->", "01.07.24|01.07.24|<!-- DATUM -->"},
        {"ohne Kanaele bleibt alles", t2m, 0, warm,
         "<!-- DATUM --> <!-- T2M -->", "<!-- DATUM --> <!-- T2M -->"},
        {"Wert mit Gradzeichen", t2m, 1, warm,
         "Temperatur: <!-- T2M -->", "Temperatur: 21,4 &deg;C"},
        {"Marke klein geschrieben, jede Marke", t2m, 1, warm,
         "<!-- t2m --> / <!-- T2m -->", "21,4 &deg;C / 21,4 &deg;C"},
        {"fehlender Wert", t2m, 1, keine, "Temperatur: <!-- T2M -->", "Temperatur: "},
        {"Rundung wie %f", t2m, 1, [](TSynopDS& d) { Setze(d.t2m, 21.45); }, "<!-- T2M -->", "21,5 &deg;C"},
        {"negativ", t2m, 1, [](TSynopDS& d) { Setze(d.t2m, -3.06); }, "<!-- T2M -->", "-3,1 &deg;C"},
        {"sd wird nur entfernt", Kanaele({{"sd", "h"}}), 1, [](TSynopDS& d) { Setze(d.sd, 5); },
         "Sonne: <!-- SD -->.", "Sonne: ."},
        {"fremder Name bleibt", t2m, 1, warm, "<!-- LD --> <!-- T2MX -->", "<!-- LD --> <!-- T2MX -->"},
        {"zwei Blanks: keine Marke", t2m, 1, warm, "<!--  T2M -->|<!-- T2M  -->", "<!--  T2M -->|<!-- T2M  -->"},
        {"gs mit Einheit des Kanals", Kanaele({{"gs", "W/m2"}}), 1, [](TSynopDS& d) { Setze(d.gs, 512.0); },
         "<!-- GS -->", "512,0 W/m2"},
        {"QFN und akku", Kanaele({{"QFN", "hPa"}, {"akku", "V"}}), 2,
         [](TSynopDS& d) { Setze(d.QFN, 1018.44); Setze(d.akku, 12.71); },
         "<!-- qfn -->;<!-- AKKU -->", "1018,4 hPa;12,7 V"},
        // the value goes only to a channel stored exactly under its code
        {"Name gross gespeichert", Kanaele({{"T2M", "C"}}), 1, warm, "[<!-- T2M -->]", "[]"},
        {"Einheit bis zum ersten Blank", Kanaele({{"wg", "m s"}}), 1, [](TSynopDS& d) { Setze(d.wg, 3.0); },
         "<!-- WG -->", "3,0 m"},
        {"nur das erste Gradzeichen", Kanaele({{"wr", "\xF8\xF8"}}), 1, [](TSynopDS& d) { Setze(d.wr, 270); },
         "<!-- WR -->", "270,0 &deg;\xF8"},
        {"leere Einheit", Kanaele({{"rf", ""}}), 1, [](TSynopDS& d) { Setze(d.rf, 55); },
         "<!-- RF -->|", "55,0 |"},
        // nothing but the markers changes, whatever the bytes
        {"andere Bytes bleiben", t2m, 1, warm,
         "\xC3\xA4 \xE4\r\n<!-- T2M -->\n\0x"_qba, "\xC3\xA4 \xE4\r\n21,4 &deg;C\n\0x"_qba},
        {"Kanal ohne Namen", Kanaele({{"", "C"}}), 1, keine, "<!--  -->", "<!--  -->"},
    };
    for (const auto& f : faelle) {
        TSynopDS ds = Leer();
        f.setze(ds);
        EXPECT_EQ(FuelleSeite(f.vorlage, ds, kAntwort, f.kanaele, f.n), f.seite) << f.name;
    }
}

TEST(SeitenName, EndungHtml) {
    const std::pair<const char*, const char*> faelle[] = {
        {"wetter.htm", "wetter.html"},     {"wetter", "wetter.html"},
        {"bericht.html", "bericht.html"},  {"/srv/web.d/wetter", "/srv/web.d/wetter.html"},
        {"x.tar.gz", "x.tar.html"},        {"wetter.", "wetter.html"},
        {"C:\\web.d\\wetter", "C:\\web.d\\wetter.html"},
    };
    for (const auto& [vorlage, seite] : faelle)
        EXPECT_EQ(SeitenName(QString::fromLatin1(vorlage)), QString::fromLatin1(seite)) << vorlage;
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

TEST(ErzeugeSeite, VorlageUndSeite) {
    QTemporaryDir dir;
    const auto kanaele = Kanaele({{"t2m", "\xF8" "C"}});
    TSynopDS ds = Leer();
    Setze(ds.t2m, 21.43);
    struct {
        const char* vorlage;
        QByteArray text;
        const char* seite;
        QByteArray erwartet;
    } faelle[] = {
        {"wetter.htm", "T: <!-- T2M -->\r\n", "wetter.html", "T: 21,4 &deg;C\r\n"},
        {"bericht.html", "<!-- ZEIT -->", "bericht.html", "12:30"},  // the page replaces its template
        {"leer.htm", "", "leer.html", ""},
    };
    for (const auto& f : faelle) {
        const QString vorlage = dir.filePath(QLatin1String(f.vorlage));
        SchreibeInhalt(vorlage, f.text);
        QStringList meldungen;
        ASSERT_TRUE(ErzeugeSeite(vorlage, ds, kAntwort, kanaele, 1, [&](const QString& m) { meldungen << m; }))
            << f.vorlage;
        EXPECT_TRUE(meldungen.isEmpty());
        EXPECT_EQ(Inhalt(dir.filePath(QLatin1String(f.seite))), f.erwartet) << f.vorlage;
    }
    EXPECT_EQ(Inhalt(dir.filePath(QStringLiteral("wetter.htm"))), QByteArray("T: <!-- T2M -->\r\n"));
    // no temporary file stays behind
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5);
}

TEST(ErzeugeSeite, FehlerGebenEineMeldungUndKeineSeite) {
    QTemporaryDir dir;
    const auto kanaele = Kanaele({{"t2m", "C"}});
    const QString fehlt = dir.filePath(QStringLiteral("fehlt.htm"));
    QStringList meldungen;
    EXPECT_FALSE(ErzeugeSeite(fehlt, Leer(), kAntwort, kanaele, 1, [&](const QString& m) { meldungen << m; }));
    EXPECT_EQ(meldungen, QStringList{QStringLiteral("Die HTML-Vorlage %1 kann nicht gelesen werden!").arg(fehlt)});
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("fehlt.html"))));

    // A directory where the page should go: the page cannot be written.
    const QString vorlage = dir.filePath(QStringLiteral("wetter.htm"));
    SchreibeInhalt(vorlage, "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("wetter.html")));
    meldungen.clear();
    EXPECT_FALSE(ErzeugeSeite(vorlage, Leer(), kAntwort, kanaele, 1, [&](const QString& m) { meldungen << m; }));
    EXPECT_EQ(meldungen, QStringList{QStringLiteral("Die HTML-Seite %1 kann nicht geschrieben werden!")
                                         .arg(dir.filePath(QStringLiteral("wetter.html")))});
    EXPECT_EQ(Inhalt(vorlage), QByteArray("x"));
}

} // namespace
} // namespace nuvar
