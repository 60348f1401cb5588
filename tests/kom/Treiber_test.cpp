// The operation drivers against the simulated logger on the virtual clock:
// kept and own links, the stop and restart of the instantaneous stream, the
// station check that ends an operation, and the settings dialog.
#include "Pruefstand.h"

#include "common/Ini.h"
#include "kom/protocol/Momentanempfang.h"
#include "kom/protocol/Treiber.h"
#include "sim/SimLogger.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace nuvar;
using namespace nuvar::test;

namespace {

struct SimStand {
    VirtualPump pump{0};
    std::unique_ptr<SimLogger> logger;
    TSkriptMeldungen meldungen;
    QTemporaryDir dir;
    PeerLine* leitung = nullptr;
    TAufzeichnendeAnsicht* ansicht = nullptr;
    int fenster = 0;
    QDateTime basis{QDate(2026, 3, 1), QTime(8, 0, 0)};

    explicit SimStand(SimOptions o = {}) {
        o.uhrStart = basis;
        o.aufzeichnen = false;
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
            ++fenster;
            return a;
        };
        u.meldungen = &meldungen;
        u.verzeichnis = dir.path();
        u.uhr = [this] { return basis.addMSecs(pump.now()); };
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
        p.StatName = "Demostation";
        p.Baudrate = 3;
        return p;
    }
    // The payloads the logger received, as text.
    QStringList Befehle() const {
        QStringList l;
        for (const QByteArray& b : logger->EmpfangeneRahmen()) l << QString::fromLatin1(b);
        return l;
    }
    int Anzahl(const char* befehl) const { return int(Befehle().count(QString::fromLatin1(befehl))); }
};

} // namespace

TEST(Treiber, EigeneVerbindungWirdGetrenntUndFreigegeben) {
    SimStand s;
    QDateTime uhr;
    double diff = 99;
    EXPECT_TRUE(ReadLoggerTime(s.Programm(), uhr, diff));
    EXPECT_EQ(s.Befehle(), (QStringList{"STOPMO", "GETTIM"}));
    EXPECT_FALSE(TransferWindow());
    EXPECT_LT(std::abs(diff), 2.0 / 86400.0);
    EXPECT_EQ(uhr.date(), s.basis.date());
}

TEST(Treiber, GehaltenerLinkOhneNeuesWecken) {
    SimStand s;
    ASSERT_TRUE(OpenLink(s.Programm()));
    ASSERT_TRUE(TransferWindow());
    EXPECT_FALSE(s.ansicht->sichtbar);
    EXPECT_EQ(s.ansicht->titel, "Verbindung aufbauen...");
    QDateTime uhr;
    double diff = 0;
    EXPECT_TRUE(ReadLoggerTime(s.Programm(), uhr, diff));
    EXPECT_EQ(s.Befehle(), (QStringList{"STOPMO", "GETTIM"}));
    ASSERT_TRUE(TransferWindow());
    EXPECT_TRUE(s.leitung->isOpen());
    EXPECT_FALSE(s.ansicht->sichtbar);
    EXPECT_EQ(s.ansicht->titel, "Lese Systemzeit...");
    EXPECT_EQ(s.fenster, 1);
}

TEST(Treiber, OpenLinkScheitertUndGibtFrei) {
    SimStand s;
    TVerbParam p = s.Programm();
    p.Verbindung = 4;
    EXPECT_FALSE(OpenLink(p));
    EXPECT_FALSE(TransferWindow());
}

TEST(Treiber, StationsparameterWieDerLoggerSieHat) {
    SimStand s;
    TStationsParameter st;
    TKanalTabelle k{};
    THardwareTabelle h{};
    QDateTime uhr;
    ASSERT_TRUE(ReadStationParameters(st, k, s.Programm(), uhr, h));
    const TStationsParameter soll = s.logger->Stationsparameter();
    EXPECT_EQ(st.Stationsnummer, soll.Stationsnummer);
    EXPECT_EQ(st.Stationsname, soll.Stationsname);
    EXPECT_EQ(st.Mittelwertintervall, soll.Mittelwertintervall);
    EXPECT_EQ(st.Datensaetze, soll.Datensaetze);
    const auto kanaele = s.logger->Kanaele();
    ASSERT_EQ(st.Kanalanzahl, int(kanaele.size()));
    for (size_t i = 0; i < kanaele.size(); ++i) EXPECT_EQ(k[i], kanaele[i]) << i;
    EXPECT_EQ(uhr.date(), s.basis.date());
}

TEST(Treiber, MessdatenWaehrendDesMomentanwertmodus) {
    SimStand s;
    const TVerbParam p = s.Programm();
    TStationsParameter st;
    TKanalTabelle k{};
    QList<QByteArray> werte;
    const auto id = TMomentanEmpfang::Anmelden([] { return QStringLiteral("Momentanwerte Demostation"); },
                                              [&](int, const QByteArray& d) { werte << d; });
    ASSERT_TRUE(StartInstantaneousMode(st, k, p));
    ASSERT_TRUE(TransferWindow());
    EXPECT_EQ(TransferWindow()->ExchangeState, 6);
    s.pump.advance(25000);
    EXPECT_FALSE(werte.isEmpty());
    for (const QByteArray& w : werte) EXPECT_TRUE(w.endsWith('\0'));

    const QString pfad = s.dir.filePath("Daten1.101");
    EXPECT_TRUE(ReadMeasuredData(pfad, p));
    EXPECT_EQ(s.Befehle(), (QStringList{"STOPMO", "GETSTA", "GETPAR", "READMO", "STOPMO", "GETSTA", "GETPAR",
                                       "READMC", "READMO"}));
    EXPECT_TRUE(QFile::exists(pfad));
    ASSERT_TRUE(TransferWindow());
    EXPECT_EQ(TransferWindow()->ExchangeState, 6);
    EXPECT_TRUE(s.logger->Momentanbetrieb());
    EXPECT_EQ(TransferWindow()->GaugeMax(), 8 * st.Kanalanzahl + 20);

    EXPECT_TRUE(StopInstantaneousMode(p));
    EXPECT_FALSE(s.logger->Momentanbetrieb());
    TMomentanEmpfang::Abmelden(id);
}

TEST(Treiber, FalscheMittelwertzeitBeendetNachDerPruefung) {
    SimStand s;
    TVerbParam p = s.Programm();
    p.Mittelwertzeit += 5;
    EXPECT_FALSE(ReadMeasuredData(s.dir.filePath("Daten1.101"), p));
    EXPECT_EQ(s.Befehle(), (QStringList{"STOPMO", "GETSTA"}));
    ASSERT_EQ(s.meldungen.gezeigt.size(), 1u);
    EXPECT_EQ(s.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::FehlerKurz);
    EXPECT_FALSE(TransferWindow());
}

TEST(Treiber, MomentanwertmodusMitFalscherStationBleibtVerbunden) {
    SimStand s;
    TVerbParam p = s.Programm();
    p.StatNr += 1;
    TStationsParameter st;
    TKanalTabelle k{};
    EXPECT_FALSE(StartInstantaneousMode(st, k, p));
    ASSERT_TRUE(TransferWindow());
    EXPECT_FALSE(s.ansicht->sichtbar);
    EXPECT_TRUE(s.leitung->isOpen());
    EXPECT_EQ(s.Befehle(), (QStringList{"STOPMO", "GETSTA"}));
    EXPECT_FALSE(s.logger->Momentanbetrieb());
}

TEST(Treiber, ParameterSendenAuchNachFehlgeschlagenemSetsta) {
    SimOptions o;
    o.fehler.push_back({SimFehler::Art::Schweigen, "SETSTA", 10});
    SimStand s(o);
    const TStationsParameter st = s.logger->Stationsparameter();
    TKanalTabelle k{};
    const auto kanaele = s.logger->Kanaele();
    for (size_t i = 0; i < kanaele.size(); ++i) k[i] = kanaele[i];
    EXPECT_FALSE(SendParameters(st, k, s.Programm(), QDateTime(), true));
    EXPECT_EQ(s.Anzahl("SETCCT"), 1);
    EXPECT_EQ(s.Anzahl("SETTIM"), 1);
}

TEST(Treiber, SpeicherLoeschenUndAusgang) {
    SimStand s;
    EXPECT_TRUE(ClearDataMemory(s.Programm()));
    EXPECT_EQ(s.logger->Datensaetze(), 0);
    EXPECT_TRUE(SendDigitalOutput(2, 255, s.Programm()));
    EXPECT_EQ(s.logger->Ausgaenge().value(2), 255);
    EXPECT_FALSE(TransferWindow());
}

TEST(Einstellungen, KurzformSchreibtAlleAchtSchluessel) {
    SimStand s;
    ASSERT_TRUE(OpenLink(s.Programm()));
    bool gezeigt = false;
    Umgebung().einstellungsDialog = [&](TEinstellungen& e, bool lang, TTelefonie* t) {
        gezeigt = true;
        EXPECT_FALSE(lang);
        EXPECT_EQ(t, nullptr);
        e.SchreibeLogDatei = true;
        e.ProtokollLaenge = 300;
        return true;
    };
    ConfigureProgram(false);
    EXPECT_TRUE(gezeigt);
    TIniFile ini(s.dir.filePath("NUVARWin.ini"));
    EXPECT_EQ(ini.ReadSection("NUVARKom").size(), 7);
    EXPECT_TRUE(ini.ValueExists("NUVARKom", "TAPIModem"));
    EXPECT_EQ(ini.ReadString("NUVARKom", "TAPIModem", "x"), "");
    EXPECT_EQ(ini.ReadInteger("NUVARKom", "ProtokollLaenge", 0), 300);
    EXPECT_EQ(ini.ReadString("NUVARWin", "RohdatenPfad", ""), s.dir.path() + "/Daten");
    EXPECT_FALSE(QFile::exists(s.dir.filePath("NUVARKom.mdm")));
    // The kept link is untouched.
    ASSERT_TRUE(TransferWindow());
    EXPECT_TRUE(s.leitung->isOpen());

    // Cancelled: nothing is written.
    Umgebung().einstellungsDialog = [&](TEinstellungen& e, bool, TTelefonie*) {
        e.ProtokollLaenge = 5;
        return false;
    };
    ConfigureProgram(false);
    EXPECT_EQ(ini.ReadInteger("NUVARKom", "ProtokollLaenge", 0), 300);
}
