// The report runs against the simulated logger on the virtual clock: the
// command per logger type, the files and the marker, the link kept or ended,
// and the failures that must leave no marker.
#include "kom/reports/Berichte.h"

#include "kom/protocol/Treiber.h"
#include "kom/reports/HtmlSeite.h"
#include "kom/reports/Mittelwertdatei.h"
#include "kom/reports/Synop.h"
#include "platform/PeerLine.h"
#include "sim/SimLogger.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace nuvar {
namespace {

// The demonstration station (t2m, rf, ld, wr, wg, nied, tbn, bod5, akku, gs)
// at 08:03 on 1 March 2026: its current values carry the stamp 08:00.
struct SimStand {
    VirtualPump pump{0};
    std::unique_ptr<SimLogger> logger;
    TSkriptMeldungen meldungen;
    QTemporaryDir dir;
    PeerLine* leitung = nullptr;
    TAufzeichnendeAnsicht* ansicht = nullptr;
    QStringList berichtMeldungen;
    TBerichtMeldung melde = [this](const QString& m) { berichtMeldungen << m; };

    explicit SimStand(const QByteArray& typ = "VRX420", std::vector<SimFehler> fehler = {}) {
        SimOptions o;
        o.uhrStart = QDateTime(QDate(2026, 3, 1), QTime(8, 3, 0), QTimeZone::utc());
        o.aufzeichnen = false;
        o.loggertyp = typ;
        o.fehler = std::move(fehler);
        logger = std::make_unique<SimLogger>(pump, o);
        TFensterUmgebung& u = Umgebung();
        u = TFensterUmgebung{};
        u.pump = &pump;
        u.leitung = [this](const QString&) {
            auto l = std::make_unique<PeerLine>(pump, *logger);
            leitung = l.get();
            return l;
        };
        u.ansicht = [this] {
            auto a = std::make_unique<TAufzeichnendeAnsicht>();
            ansicht = a.get();
            return a;
        };
        u.meldungen = &meldungen;
        u.verzeichnis = dir.path();
        u.uhr = [this] { return logger->Uhr().addMSecs(0); };
    }
    ~SimStand() {
        TransferWindow().reset();
        Umgebung() = TFensterUmgebung{};
    }
    TVerbParam Programm() const {
        TVerbParam p;
        const TStationsParameter st = logger->Stationsparameter();
        p.StatNr = st.Stationsnummer;
        p.Mittelwertzeit = st.Mittelwertintervall;
        p.StatName = QStringLiteral("Demostation");
        p.Baudrate = 3;
        return p;
    }
    QStringList Befehle() const {
        QStringList l;
        for (const QByteArray& b : logger->EmpfangeneRahmen())
            l << QString::fromLatin1(b);
        return l;
    }
    int Anzahl(const char* befehl) const { return int(Befehle().count(QString::fromLatin1(befehl))); }
    QString Pfad(const char* name) const { return dir.filePath(QLatin1String(name)); }
    bool Marke() const { return QFile::exists(Pfad("dde.lck")); }

    // What the logger answers now, and the data set a report makes of it.
    QString Antwort(int proKanal) const { return QString::fromLatin1(logger->Werte(proKanal)); }
    std::vector<TKanalEintrag> Kanaele() const { return logger->Kanaele(); }
    TSynopDS Datensatz(int proKanal, const TSYNOPParam& param, TCodeSatz satz) const {
        const auto kanaele = Kanaele();
        TSynopDS ds;
        FuelleSynopDS(ds, Antwort(proKanal), kanaele, int(kanaele.size()), logger->Optionen().loggertyp, satz);
        EXPECT_TRUE(BereiteSynopVor(ds, param, Antwort(proKanal), {}));
        return ds;
    }
};

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
}

void SchreibeInhalt(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

TSYNOPParam Synop(const SimStand& s) {
    TSYNOPParam p = SynopVorgaben();
    p.Datei = s.Pfad("synop.txt");
    return p;
}

TEST(ErstelleSYNOP, BefehlUndWerteJeLoggertyp) {
    const struct {
        const char* typ;
        const char* befehl;
        int proKanal;
    } faelle[] = {
        {"VRX410", "GETMDX", 3}, {"VRX420", "GETMDX", 3}, {"VRX430", "GETGMD", 4}, {"ALT100", "GETMED", 1},
    };
    for (const auto& f : faelle) {
        SimStand s(f.typ);
        const TSYNOPParam param = Synop(s);
        ASSERT_TRUE(ErstelleSYNOP(param, s.Programm(), s.melde)) << f.typ;
        EXPECT_EQ(s.Anzahl("GETPAR"), 1) << f.typ;
        EXPECT_EQ(s.Anzahl(f.befehl), 1) << f.typ;
        EXPECT_EQ(s.Anzahl("GETMDX") + s.Anzahl("GETGMD") + s.Anzahl("GETMED"), 1) << f.typ;

        const QByteArray nachricht = Inhalt(param.Datei);
        EXPECT_TRUE(nachricht.startsWith("SXSX QZ000 01081 99000 10000 ")) << nachricht.constData();
        EXPECT_TRUE(nachricht.contains(" 90800 333 ")) << nachricht.constData();
        EXPECT_EQ(nachricht, SynopNachricht(s.Datensatz(f.proKanal, param, TCodeSatz::Synop)).toUtf8()) << f.typ;
        // Section 3 needs the minima and maxima only loggers with several values give.
        EXPECT_EQ(nachricht.contains(" 333 555"), f.proKanal == 1) << nachricht.constData();

        EXPECT_TRUE(s.Marke());
        EXPECT_TRUE(s.berichtMeldungen.isEmpty());
        EXPECT_EQ(TransferWindow(), nullptr);  // own link: ended, window and port released
    }
}

TEST(ErstelleSYNOP, ZweiterLaufHaengtAn) {
    SimStand s;
    const TSYNOPParam param = Synop(s);
    ASSERT_TRUE(ErstelleSYNOP(param, s.Programm(), s.melde));
    ASSERT_TRUE(ErstelleSYNOP(param, s.Programm(), s.melde));
    const QByteArray eine = SynopNachricht(s.Datensatz(3, param, TCodeSatz::Synop)).toUtf8();
    EXPECT_EQ(Inhalt(param.Datei), eine + eine);
}

TEST(ErstelleSYNOP, FehlschlaegeSchreibenNichts) {
    struct Fall {
        const char* name;
        std::vector<SimFehler> fehler;
        std::function<void(TVerbParam&, TSYNOPParam&)> aendere;
        bool loggerGerufen;
        QStringList meldungen;
    };
    const Fall faelle[] = {
        {"andere Station", {}, [](TVerbParam& p, TSYNOPParam&) { p.StatNr += 1; }, true, {}},
        {"anderes Intervall", {}, [](TVerbParam& p, TSYNOPParam&) { p.Mittelwertzeit += 5; }, true, {}},
        {"Werte bleiben aus", {{SimFehler::Art::Schweigen, "GETMDX", 10}}, [](TVerbParam&, TSYNOPParam&) {},
         true, {}},
        {"GETPAR bleibt aus", {{SimFehler::Art::Schweigen, "GETPAR", 10}}, [](TVerbParam&, TSYNOPParam&) {},
         true, {}},
        {"Breite keine Zahl", {}, [](TVerbParam&, TSYNOPParam& q) { q.Breite = QStringLiteral("N52,5"); }, false,
         {QStringLiteral("Ungültige geographische Breite für SYNOP: \"N52,5\"")}},
        {"Laenge keine Zahl", {}, [](TVerbParam&, TSYNOPParam& q) { q.Laenge = QStringLiteral("13.4 Ost"); },
         false, {QStringLiteral("Ungültige geographische Länge für SYNOP: \"13.4 Ost\"")}},
    };
    for (const auto& f : faelle) {
        SimStand s("VRX420", f.fehler);
        TVerbParam p = s.Programm();
        TSYNOPParam param = Synop(s);
        f.aendere(p, param);
        EXPECT_FALSE(ErstelleSYNOP(param, p, s.melde)) << f.name;
        EXPECT_FALSE(QFile::exists(param.Datei)) << f.name;
        EXPECT_FALSE(s.Marke()) << f.name;
        EXPECT_EQ(s.berichtMeldungen, f.meldungen) << f.name;
        EXPECT_EQ(!s.Befehle().isEmpty(), f.loggerGerufen) << f.name;
        EXPECT_EQ(TransferWindow(), nullptr) << f.name;
    }
}

TEST(ErstelleSYNOP, OhneSenkeGehtDieMeldungAnDenDienst) {
    SimStand s;
    TSYNOPParam param = Synop(s);
    param.Datei = s.Pfad("fehlt/synop.txt");
    EXPECT_FALSE(ErstelleSYNOP(param, s.Programm()));
    EXPECT_EQ(s.meldungen.Texte(),
              QStringList{QStringLiteral("Die SYNOP-Datei %1 kann nicht geschrieben werden!").arg(param.Datei)});
    EXPECT_FALSE(s.Marke());
}

TEST(ErstelleSYNOP, GehaltenerLinkBleibtOffen) {
    SimStand s;
    ASSERT_TRUE(OpenLink(s.Programm()));
    ASSERT_TRUE(ErstelleSYNOP(Synop(s), s.Programm(), s.melde));
    ASSERT_NE(TransferWindow(), nullptr);
    EXPECT_TRUE(s.leitung->isOpen());
    EXPECT_FALSE(s.ansicht->sichtbar);
    EXPECT_TRUE(s.ansicht->zeilen.contains(QStringLiteral("Auto-Datenabruf...")));
    EXPECT_TRUE(s.Marke());
}

TEST(ErstelleSYNOP, MomentanbetriebLaeuftDanachWeiter) {
    SimStand s;
    TStationsParameter st;
    TKanalTabelle k{};
    ASSERT_TRUE(StartInstantaneousMode(st, k, s.Programm()));
    ASSERT_TRUE(s.logger->Momentanbetrieb());
    const int vorher = int(s.Befehle().size());
    ASSERT_TRUE(ErstelleSYNOP(Synop(s), s.Programm(), s.melde));
    const QStringList danach = s.Befehle().mid(vorher);
    ASSERT_FALSE(danach.isEmpty());
    EXPECT_EQ(danach.front(), QStringLiteral("STOPMO"));
    EXPECT_TRUE(danach.back().startsWith(QStringLiteral("READMO")));
    EXPECT_TRUE(s.logger->Momentanbetrieb());
    ASSERT_NE(TransferWindow(), nullptr);
    EXPECT_EQ(TransferWindow()->ExchangeState(), TEmpfangsZustand::Momentan);
}

TEST(HoleAktuelleWerte, MittelwertdateiUndAntwort) {
    SimStand s;
    TVerbParam p = s.Programm();
    p.Dateiname = s.Pfad("mwd9999.seq");
    QString antwort;
    TStationsParameter st;
    TKanalTabelle k{};
    QByteArray typ;
    ASSERT_TRUE(HoleAktuelleWerte(antwort, st, k, p, typ));
    EXPECT_EQ(antwort, s.Antwort(3));
    EXPECT_EQ(typ, QByteArray("VRX420"));
    EXPECT_EQ(st.Kanalanzahl, 10);
    EXPECT_EQ(KanalName(k[0]), QByteArray("t2m  "));
    const auto tabelle = MittelwertTabelle(antwort, k, 10, typ);
    ASSERT_TRUE(tabelle);
    EXPECT_EQ(Inhalt(p.Dateiname), *tabelle);
    EXPECT_TRUE(Inhalt(p.Dateiname).startsWith("Zeit\tt2m___Min [\xC2\xB0" "C  ]\tt2m___Med ["));
    EXPECT_TRUE(Inhalt(p.Dateiname).contains("\r\n01.03.2026 08:00:00\t"));
    EXPECT_FALSE(s.Marke());  // the retrieval alone is no report
}

TEST(HoleAktuelleWerte, FehlschlagLaesstDieAntwortStehen) {
    SimStand s("VRX420", {{SimFehler::Art::Schweigen, "GETMDX", 10}});
    TVerbParam p = s.Programm();
    p.Dateiname = s.Pfad("mwd.txt");
    QString antwort = QStringLiteral("vorher");
    TStationsParameter st;
    TKanalTabelle k{};
    QByteArray typ;
    EXPECT_FALSE(HoleAktuelleWerte(antwort, st, k, p, typ));
    EXPECT_EQ(antwort, QStringLiteral("vorher"));
    EXPECT_FALSE(QFile::exists(p.Dateiname));
    EXPECT_EQ(TransferWindow(), nullptr);
}

TEST(HoleAktuelleWerte, MittelwertdateiNichtSchreibbarIstEinFehler) {
    SimStand s;
    ASSERT_TRUE(OpenLink(s.Programm()));
    TVerbParam p = s.Programm();
    p.Dateiname = s.Pfad("fehlt/mwd.txt");
    QString antwort;
    TStationsParameter st;
    TKanalTabelle k{};
    QByteArray typ;
    EXPECT_FALSE(HoleAktuelleWerte(antwort, st, k, p, typ));
    EXPECT_TRUE(s.ansicht->zeilen.contains(
        QStringLiteral("Die Mittelwertdatei %1 kann nicht geschrieben werden!").arg(p.Dateiname)));
    EXPECT_TRUE(s.leitung->isOpen());
}

const QByteArray kVorlage = "<p><!-- DATUM --> <!-- ZEIT --></p>\n<p><!-- T2M --> <!-- akku --> <!-- SD --></p>\n";

TEST(ErstelleHTML, SeiteAusDerVorlage) {
    SimStand s("VRX430");
    TSYNOPParam param;
    param.Datei = s.Pfad("wetter.htm");
    SchreibeInhalt(param.Datei, kVorlage);
    ASSERT_TRUE(ErstelleHTML(param, s.Programm(), s.melde));
    const auto kanaele = s.Kanaele();
    TSynopDS ds;
    FuelleSynopDS(ds, s.Antwort(4), kanaele, int(kanaele.size()), "VRX430", TCodeSatz::Alle);
    ASSERT_TRUE(IstGueltig(ds.t2m));
    ASSERT_TRUE(IstGueltig(ds.akku));
    const QByteArray seite = Inhalt(s.Pfad("wetter.html"));
    EXPECT_EQ(seite, FuelleSeite(kVorlage, ds, s.Antwort(4), kanaele, int(kanaele.size())));
    EXPECT_TRUE(seite.startsWith("<p>01.03.26 08:00</p>\n<p>")) << seite.constData();
    EXPECT_TRUE(seite.contains(" &deg;C ")) << seite.constData();
    // the demonstration station has no channel sd: its marker stays
    EXPECT_TRUE(seite.endsWith(" V <!-- SD --></p>\n")) << seite.constData();
    EXPECT_EQ(Inhalt(param.Datei), kVorlage);
    EXPECT_TRUE(s.Marke());
    EXPECT_EQ(s.Anzahl("GETGMD"), 1);
}

TEST(ErstelleHTML, VorlageFehlt) {
    SimStand s;
    TSYNOPParam param;
    param.Datei = s.Pfad("wetter.htm");
    EXPECT_FALSE(ErstelleHTML(param, s.Programm(), s.melde));
    EXPECT_EQ(s.berichtMeldungen,
              QStringList{QStringLiteral("Die HTML-Vorlage %1 kann nicht gelesen werden!").arg(param.Datei)});
    EXPECT_FALSE(QFile::exists(s.Pfad("wetter.html")));
    EXPECT_FALSE(s.Marke());
    EXPECT_EQ(TransferWindow(), nullptr);
}

TEST(ErstelleSYNOPundHTML, EinAbrufBeideDateien) {
    SimStand s;
    const TSYNOPParam synop = Synop(s);
    TSYNOPParam html;
    html.Datei = s.Pfad("wetter.htm");
    SchreibeInhalt(html.Datei, kVorlage);
    ASSERT_TRUE(ErstelleSYNOPundHTML(synop, html, s.Programm(), s.melde));
    EXPECT_EQ(s.Anzahl("GETPAR"), 1);
    EXPECT_EQ(s.Anzahl("GETMDX"), 1);
    // The combined report fills all seventeen codes; the message is the same.
    const TSynopDS ds = s.Datensatz(3, synop, TCodeSatz::Alle);
    EXPECT_EQ(Inhalt(synop.Datei), SynopNachricht(ds).toUtf8());
    const auto kanaele = s.Kanaele();
    EXPECT_EQ(Inhalt(s.Pfad("wetter.html")), FuelleSeite(kVorlage, ds, s.Antwort(3), kanaele, int(kanaele.size())));
    EXPECT_TRUE(s.Marke());
}

TEST(ErstelleSYNOPundHTML, OhneVorlageBleibtDieNachrichtAberKeineMarke) {
    SimStand s;
    const TSYNOPParam synop = Synop(s);
    TSYNOPParam html;
    html.Datei = s.Pfad("wetter.htm");
    EXPECT_FALSE(ErstelleSYNOPundHTML(synop, html, s.Programm(), s.melde));
    EXPECT_TRUE(Inhalt(synop.Datei).startsWith("SXSX QZ000 01081 "));
    EXPECT_FALSE(QFile::exists(s.Pfad("wetter.html")));
    EXPECT_FALSE(s.Marke());
    EXPECT_EQ(s.berichtMeldungen.size(), 1);
}

} // namespace
} // namespace nuvar
