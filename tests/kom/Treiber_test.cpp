// The operation drivers against the simulated logger on the virtual clock:
// kept and own links, the stop and restart of the instantaneous stream, the
// station check that ends an operation, and the settings dialog.
#include "Pruefstand.h"

#include "common/Ini.h"
#include "kom/protocol/Momentanempfang.h"
#include "kom/protocol/Treiber.h"
#include "sim/SimLogger.h"

#include <QFile>
#include <algorithm>
#include <stdexcept>
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
    EXPECT_EQ(TransferWindow()->ExchangeState(), TEmpfangsZustand::Momentan);
    s.pump.advance(25000);
    EXPECT_FALSE(werte.isEmpty());
    for (const QByteArray& w : werte) EXPECT_TRUE(w.endsWith('\0'));

    const QString pfad = s.dir.filePath("Daten1.101");
    EXPECT_TRUE(ReadMeasuredData(pfad, p));
    EXPECT_EQ(s.Befehle(), (QStringList{"STOPMO", "GETSTA", "GETPAR", "READMO", "STOPMO", "GETSTA", "GETPAR",
                                       "READMC", "READMO"}));
    EXPECT_TRUE(QFile::exists(pfad));
    ASSERT_TRUE(TransferWindow());
    EXPECT_EQ(TransferWindow()->ExchangeState(), TEmpfangsZustand::Momentan);
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

namespace {

// A view that reports to a log outliving the window what the window does
// with it, and its own end (the window's).
class TBeobachteteAnsicht : public TAufzeichnendeAnsicht {
public:
    explicit TBeobachteteAnsicht(std::vector<QString>& log) : log_(log) {}
    ~TBeobachteteAnsicht() override { log_.push_back("zerstoert"); }
    void SetzeTitel(const QString& text) override {
        TAufzeichnendeAnsicht::SetzeTitel(text);
        log_.push_back("titel " + text);
    }
    void SetzeGauge(int maximum, int fortschritt) override {
        TAufzeichnendeAnsicht::SetzeGauge(maximum, fortschritt);
        if (fortschritt == 0) log_.push_back("gauge 0");
    }

private:
    std::vector<QString>& log_;
};

void Beobachte(SimStand& s, std::vector<QString>& log) {
    Umgebung().ansicht = [&s, &log] {
        auto a = std::make_unique<TBeobachteteAnsicht>(log);
        s.ansicht = a.get();
        return a;
    };
}

std::ptrdiff_t Stelle(const std::vector<QString>& log, const QString& ereignis, std::ptrdiff_t ab = 0) {
    return std::find(log.begin() + ab, log.end(), ereignis) - log.begin();
}

} // namespace

// The main window's "Trennen" is handled while the handler of an
// instantaneous line waits inside itself: the window goes, but only once
// the handler is done with it.
TEST(Freigabe, TrennenWaehrendEinerMomentanzeileZerstoertDasFensterErstDanach) {
    SimStand s;
    std::vector<QString> log;
    Beobachte(s, log);
    const TVerbParam p = s.Programm();
    TStationsParameter st;
    TKanalTabelle k{};
    bool getrennt = false;
    const auto id = TMomentanEmpfang::Anmelden([] { return QStringLiteral("Momentanwerte Demostation"); },
                                              [&](int, const QByteArray&) {
                                                  if (getrennt) return;
                                                  getrennt = true;
                                                  s.pump.startTimer(100, [&] {
                                                      log.push_back("trennen");
                                                      SchliesseTransferWindow();
                                                  });
                                              });
    ASSERT_TRUE(StartInstantaneousMode(st, k, p));
    s.pump.advance(25000);
    TMomentanEmpfang::Abmelden(id);
    ASSERT_TRUE(getrennt);
    EXPECT_FALSE(TransferWindow());
    const auto trennen = Stelle(log, "trennen");
    const auto zerstoert = Stelle(log, "zerstoert");
    const auto handlerEnde = Stelle(log, "gauge 0", trennen);
    ASSERT_LT(zerstoert, std::ptrdiff_t(log.size())) << "the window was never destroyed";
    EXPECT_LT(trennen, zerstoert);
    EXPECT_LT(handlerEnde, zerstoert) << "destroyed under its running handler";
    EXPECT_EQ(Stelle(log, "titel Verbindung trennen...", trennen), trennen + 1);
}

// A program killed while its logger streamed leaves the logger streaming:
// its frames arrive unasked around the next wake-up, wherever they fall.
TEST(Wecken, LoggerDerNochMomentanwerteSendet) {
    for (int versatz = 0; versatz < 10000; versatz += 250) {
        SimStand s;
        TStationsParameter st;
        TKanalTabelle k{};
        ASSERT_TRUE(StartInstantaneousMode(st, k, s.Programm()));
        TransferWindow().reset();  // killed: no "STOPMO"
        ASSERT_TRUE(s.logger->Momentanbetrieb());
        s.pump.advance(versatz);
        QDateTime uhr;
        double diff = 0;
        EXPECT_TRUE(ReadLoggerTime(s.Programm(), uhr, diff)) << "offset " << versatz;
        EXPECT_FALSE(s.logger->Momentanbetrieb()) << "offset " << versatz;
        EXPECT_EQ(s.Befehle().mid(s.Befehle().size() - 2), (QStringList{"STOPMO", "GETTIM"})) << "offset " << versatz;
    }
}

// An operation that ends by an exception still gives back what it took.
TEST(Verbindungsnutzung, AusnahmeTrenntUndGibtDasEigeneFensterFrei) {
    SimStand s;
    std::vector<QString> log;
    Beobachte(s, log);
    bool verbunden = false;
    try {
        TVerbindungsnutzung n({QStringLiteral("Lese Systemzeit..."), QString(), true});
        verbunden = n.Verbinde(s.Programm());
        throw std::runtime_error("Abbruch");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(verbunden);
    EXPECT_FALSE(TransferWindow());
    const auto trennen = Stelle(log, "titel Verbindung trennen...");
    EXPECT_LT(trennen, Stelle(log, "zerstoert"));
    EXPECT_LT(Stelle(log, "zerstoert"), std::ptrdiff_t(log.size()));
}

TEST(Verbindungsnutzung, AusnahmeSetztDenAngehaltenenStromFortUndBehaeltDenLink) {
    SimStand s;
    const TVerbParam p = s.Programm();
    TStationsParameter st;
    TKanalTabelle k{};
    ASSERT_TRUE(StartInstantaneousMode(st, k, p));
    const TNUVARFenster* vorher = TransferWindow().get();
    try {
        TVerbindungsnutzung n;
        ASSERT_TRUE(n.Verbinde(p));
        n.MomentanAnhalten();
        EXPECT_FALSE(s.logger->Momentanbetrieb());
        throw std::runtime_error("Abbruch");
    } catch (const std::runtime_error&) {
    }
    ASSERT_EQ(TransferWindow().get(), vorher);
    EXPECT_TRUE(s.leitung->isOpen());
    EXPECT_FALSE(s.ansicht->sichtbar);
    EXPECT_EQ(TransferWindow()->ExchangeState(), TEmpfangsZustand::Momentan);
    EXPECT_EQ(TransferWindow()->GaugeMax(), 8 * st.Kanalanzahl + 20);
    EXPECT_TRUE(s.logger->Momentanbetrieb());
    const QStringList b = s.Befehle();
    EXPECT_EQ(b.mid(b.size() - 2), (QStringList{"STOPMO", "READMO"}));
}

// Every operation on a streaming link stops the stream first and restarts
// it afterwards with the count it ran with: a command answered between
// value lines would be lost among them.
TEST(Treiber, JedeOperationHaeltDenMomentanwertstromAn) {
    struct {
        const char* name;
        std::function<bool(const TVerbParam&)> lauf;
        const char* befehl;
    } faelle[] = {
        {"ReadLoggerTime",
         [](const TVerbParam& p) {
             QDateTime uhr;
             double diff = 0;
             return ReadLoggerTime(p, uhr, diff);
         },
         "GETTIM"},
        {"SetLoggerTime", [](const TVerbParam& p) { return SetLoggerTime(true, p, QDateTime()); }, "SETTIM"},
        {"ClearDataMemory", [](const TVerbParam& p) { return ClearDataMemory(p); }, "MCDEL "},
        {"SendDigitalOutput", [](const TVerbParam& p) { return SendDigitalOutput(1, 7, p); }, "SETOUT"},
    };
    for (const auto& f : faelle) {
        SimStand s;
        const TVerbParam p = s.Programm();
        TStationsParameter st;
        TKanalTabelle k{};
        ASSERT_TRUE(StartInstantaneousMode(st, k, p)) << f.name;
        s.pump.advance(1000);
        const int vorher = int(s.Befehle().size());
        EXPECT_TRUE(f.lauf(p)) << f.name;
        const QStringList b = s.Befehle().mid(vorher);
        ASSERT_GE(b.size(), 3) << f.name;
        EXPECT_EQ(b.front(), "STOPMO") << f.name;
        EXPECT_TRUE(b.contains(QString::fromLatin1(f.befehl))) << f.name;
        EXPECT_EQ(b.back(), "READMO") << f.name;
        EXPECT_TRUE(s.logger->Momentanbetrieb()) << f.name;
        ASSERT_TRUE(TransferWindow()) << f.name;
        EXPECT_EQ(TransferWindow()->ExchangeState(), TEmpfangsZustand::Momentan) << f.name;
        EXPECT_EQ(TransferWindow()->GaugeMax(), 8 * st.Kanalanzahl + 20) << f.name;
    }
}
