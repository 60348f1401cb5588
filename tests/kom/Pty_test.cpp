// End to end in real time: the drivers talk to nuvarsim over a
// pseudo-terminal, found through the port map and the modem list of
// NUVARWin.ini, on the program's own serial device and modem driver.
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "kom/protocol/Momentanempfang.h"
#include "kom/protocol/Treiber.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace nuvar;

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "NUVARKom";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals may already be gone at exit.
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

// Keeps the status lines beyond the life of a window.
struct MitschreibAnsicht : TAufzeichnendeAnsicht {
    QStringList* ziel = nullptr;
    void StatusZeile(const QString& t) override {
        TAufzeichnendeAnsicht::StatusZeile(t);
        ziel->append(t);
    }
};

class PtyLauf : public ::testing::Test {
protected:
    void Starte(const QStringList& optionen) {
        App();
        const QString sim = QStringLiteral(NUVAR_BIN "/nuvarsim");
        if (!QFileInfo::exists(sim)) GTEST_SKIP() << "nuvarsim not built";
        link = dir.filePath("logger");
        prozess.setProgram(sim);
        prozess.setArguments(QStringList{"--link", link, "--uhr", "2026-03-01 08:00:00", "--nicht-aufzeichnen"} +
                             optionen);
        prozess.setProcessChannelMode(QProcess::SeparateChannels);
        prozess.start();
        ASSERT_TRUE(prozess.waitForStarted(5000));
        for (int i = 0; i < 100 && !prozess.canReadLine(); ++i) prozess.waitForReadyRead(100);
        ASSERT_TRUE(prozess.canReadLine()) << prozess.readAllStandardError().toStdString();
        prozess.readLine();
        for (int i = 0; i < 50 && !QFileInfo::exists(link); ++i) QThread::msleep(20);
        ASSERT_TRUE(QFileInfo::exists(link));

        TIniFile ini(dir.filePath("NUVARWin.ini"));
        ini.WriteString("Schnittstellen", "COM1", link);
        ini.WriteString("Modems", "Simmodem", link);
        ini.WriteString("NUVARKom", "TAPIModem", "Simmodem");
        ini.WriteBool("NUVARKom", "SchreibeLogDatei", true);
        ini.WriteBool("NUVARKom", "Leitungsprotokoll", true);

        TFensterUmgebung u = StandardUmgebung();
        u.verzeichnis = dir.path();
        u.meldungen = &meldungen;
        u.ansicht = [this] {
            auto a = std::make_unique<MitschreibAnsicht>();
            a->ziel = &zeilen;
            return a;
        };
        Umgebung() = u;
    }
    void TearDown() override {
        TransferWindow().reset();
        Umgebung() = StandardUmgebung();
        if (prozess.state() != QProcess::NotRunning) {
            prozess.terminate();
            if (!prozess.waitForFinished(3000)) prozess.kill();
        }
    }
    TVerbParam Direkt() const {
        TVerbParam p;
        p.Verbindung = 0;
        p.Schnittstelle = 0;
        p.Baudrate = 3;
        p.StatNr = 101;
        p.Mittelwertzeit = 10;
        p.StatName = "Demostation";
        return p;
    }
    QByteArray Lies(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString link;
    QProcess prozess;
    TSkriptMeldungen meldungen;
    QStringList zeilen;
};

} // namespace

TEST_F(PtyLauf, DirekteLeitungParameterUndMessdaten) {
    Starte({"--saetze", "20"});
    if (IsSkipped()) return;
    TStationsParameter st;
    TKanalTabelle k{};
    THardwareTabelle h{};
    QDateTime uhr;
    ASSERT_TRUE(ReadStationParameters(st, k, Direkt(), uhr, h)) << zeilen.join('|').toStdString();
    EXPECT_EQ(st.Stationsnummer, 101);
    EXPECT_EQ(st.Kanalanzahl, 10);
    EXPECT_EQ(st.Datensaetze, 20);

    ASSERT_TRUE(ReadMeasuredData(dir.filePath("Daten1.101"), Direkt())) << zeilen.join('|').toStdString();
    EXPECT_EQ(Lies("Daten1.101").size(), 142 + 10 * 30 + 20 * 85);
    EXPECT_TRUE(zeilen.contains("20 Datensätze empfangen..."));
    // Protocol file and wire trace beside it.
    EXPECT_TRUE(Lies("NUVARKom.log").contains("Sende Befehl READMC..."));
    EXPECT_TRUE(Lies("NUVARKom.trc").contains("GETPAR"));
}

TEST_F(PtyLauf, TraegerFaelltMittenImDownload) {
    // Behind the modem the line drops with the carrier after the first block.
    Starte({"--modem", "--klingeln", "300", "--saetze", "40", "--fehler", "abbruch:READMC=1"});
    if (IsSkipped()) return;
    TVerbParam p = Direkt();
    p.Verbindung = 2;
    p.Rufnummer = "0301234";
    const QString pfad = dir.filePath("Daten1.101");
    EXPECT_FALSE(ReadMeasuredData(pfad, p));
    // The first block came and is kept, in the memory image and as records.
    EXPECT_EQ(Lies("$$_mc.tmp").size(), 1024);
    EXPECT_EQ(Lies("Daten1.101").size(), 142 + 10 * 30 + (1024 / 85) * 85);
    EXPECT_TRUE(zeilen.contains("Fehler - Datenübertragung unvollständig.")) << zeilen.join('|').toStdString();
}

TEST_F(PtyLauf, ModemWaehlenZeitLesenAuflegen) {
    Starte({"--modem", "--klingeln", "300"});
    if (IsSkipped()) return;
    TVerbParam p = Direkt();
    p.Verbindung = 2;
    p.Rufnummer = "0301234";
    QDateTime uhr;
    double diff = 0;
    ASSERT_TRUE(ReadLoggerTime(p, uhr, diff)) << zeilen.join('|').toStdString();
    EXPECT_EQ(uhr.date(), QDate(2026, 3, 1));
    EXPECT_TRUE(zeilen.contains("Wähle 0301234..."));
    EXPECT_TRUE(zeilen.contains("Verbindung hergestellt."));
    EXPECT_FALSE(TransferWindow());
}

// The main window ends the instantaneous mode while a line is being handled:
// the logger's ACK must get through the real serial device, which delivers
// nothing new while its delivery of that line has not returned.
TEST_F(PtyLauf, MomentanwertmodusEndetWaehrendEinerZeile) {
    Starte({});
    if (IsSkipped()) return;
    TStationsParameter st;
    TKanalTabelle k{};
    bool beendet = false;
    qsizetype ab = -1;
    const auto id = TMomentanEmpfang::Anmelden([] { return QStringLiteral("Momentanwerte Demostation"); },
                                              [&](int, const QByteArray&) {
                                                  if (ab >= 0) return;
                                                  ab = zeilen.size();
                                                  StopInstantaneousMode(Direkt());
                                                  beendet = true;
                                              });
    ASSERT_TRUE(StartInstantaneousMode(st, k, Direkt())) << zeilen.join('|').toStdString();
    // The demonstration station measures every 10 s.
    Umgebung().pump->waitUntil([&] { return beendet; }, 25000);
    TMomentanEmpfang::Abmelden(id);
    ASSERT_TRUE(beendet) << zeilen.join('|').toStdString();
    const QStringList danach = zeilen.mid(ab);
    EXPECT_EQ(danach, (QStringList{"Sende Befehl STOPMO...", "Warte auf Antwort...", "Antwort empfangen..."}))
        << zeilen.join('|').toStdString();
    ASSERT_TRUE(TransferWindow());
    EXPECT_EQ(TransferWindow()->ExchangeState(), TEmpfangsZustand::Quittung);
}
