// The command line of nuvarsim, and the real program on a pseudo-terminal.
#include "common/Rahmen.h"
#include "sim/Befehlszeile.h"
#include "sim/SimStation.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace nuvar;

TEST(Befehlszeile, OptionsReachTheSimulator) {
    SimProgrammOptionen po;
    QString fehler;
    ASSERT_TRUE(LiesBefehlszeile({"--station", "a.dat", "--typ", "VRX430", "--saetze=500", "--uhr",
                                  "2024-07-01 12:00:00", "--versatz", "-90", "--baud", "2400", "--ohne-takt",
                                  "--link", "/tmp/x", "--log", "l.txt", "--abbild", "s.txt", "--fehler", "pruefsumme:getpar=2",
                                  "--fehler", "schweigen", "--stationsnummer", "7", "--intervall", "15",
                                  "--mehr-saetze", "3", "--keine-karte", "--modem", "--klingeln", "100",
                                  "--nummer", "0815=no answer", "--echo"},
                                 po, &fehler))
        << fehler.toStdString();
    const SimOptions& o = po.sim;
    EXPECT_EQ(o.stationsdatei, "a.dat");
    EXPECT_EQ(o.loggertyp, QByteArray("VRX430"));
    EXPECT_EQ(o.datensaetze, 500);
    EXPECT_EQ(o.uhrStart, QDateTime(QDate(2024, 7, 1), QTime(12, 0)));
    EXPECT_EQ(o.uhrVersatzS, -90);
    EXPECT_EQ(o.baud, 2400);
    EXPECT_FALSE(o.takt);
    EXPECT_EQ(po.link, "/tmp/x");
    EXPECT_EQ(po.logdatei, "l.txt");
    EXPECT_EQ(po.abbild, "s.txt");
    ASSERT_EQ(o.fehler.size(), 2u);
    EXPECT_EQ(o.fehler[0].art, SimFehler::Art::Pruefsumme);
    EXPECT_EQ(o.fehler[0].befehl, QByteArray("GETPAR"));
    EXPECT_EQ(o.fehler[0].anzahl, 2);
    EXPECT_EQ(o.fehler[1].art, SimFehler::Art::Schweigen);
    EXPECT_TRUE(o.fehler[1].befehl.isEmpty());
    EXPECT_EQ(o.fehler[1].anzahl, 1);
    EXPECT_EQ(o.gemeldeteStationsnummer, 7);
    EXPECT_EQ(o.gemeldetesIntervall, 15);
    EXPECT_EQ(o.mehrGemeldet, 3);
    EXPECT_FALSE(o.speicherkarte);
    EXPECT_TRUE(o.modem.aktiv && o.modem.echo);
    EXPECT_EQ(o.modem.klingelnMs, 100);
    EXPECT_EQ(o.modem.nummern.value("0815"), ModemErgebnis::NoAnswer);
    EXPECT_EQ(o.modem.nummern.value("111"), ModemErgebnis::Busy) << "the defaults stay";
}

TEST(Befehlszeile, BadOptionsAreRefusedWithAMessage) {
    const QStringList faelle[] = {
        {"--gibtsnicht"}, {"--saetze"}, {"--saetze", "viele"}, {"--saetze", "-1"}, {"--baud", "0"},
        {"--uhr", "gestern"}, {"--typ", "VRX4300"}, {"--fehler", "kaputt"}, {"--fehler", "nak=x"},
        {"--nummer", "0815"}, {"--nummer", "0815=MAYBE"}, {"--modem=1"}, {"--stationsnummer", "1000"},
    };
    for (const QStringList& args : faelle) {
        SimProgrammOptionen po;
        QString fehler;
        EXPECT_FALSE(LiesBefehlszeile(args, po, &fehler)) << args.join(' ').toStdString();
        EXPECT_FALSE(fehler.isEmpty()) << args.join(' ').toStdString();
    }
}

namespace {

// Reads from fd until `bis` bytes arrived or the bounded number of polls ran out.
QByteArray Lies(int fd, int bis) {
    QByteArray r;
    for (int runde = 0; runde < 100 && r.size() < bis; ++runde) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char puffer[256];
        const ssize_t n = ::read(fd, puffer, sizeof puffer);
        if (n > 0) r.append(puffer, int(n));
    }
    return r;
}

int OeffneRoh(const QString& pfad) {
    const int fd = ::open(pfad.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0) return fd;
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    return fd;
}

}  // namespace

TEST(Nuvarsim, RunsOnAPseudoTerminalAndAnswersTheWakeUp) {
    QTemporaryDir dir;
    const QString link = dir.filePath("logger");
    QProcess sim;
    sim.start(QStringLiteral(NUVAR_BIN "/nuvarsim"),
              {"--link", link, "--log", dir.filePath("sim.log"), "--abbild", dir.filePath("station.txt")});
    ASSERT_TRUE(sim.waitForStarted(10000));
    QByteArray erste;
    for (int i = 0; i < 100 && !sim.canReadLine(); ++i) sim.waitForReadyRead(100);
    erste = sim.readLine().trimmed();
    ASSERT_TRUE(erste.startsWith("/dev/")) << erste.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), QString::fromLocal8Bit(erste));

    // Opened by its path, closed, then opened again through the link: the
    // second client is heard as well as the first.
    for (const QString& pfad : {QString::fromLocal8Bit(erste), link}) {
        const int fd = OeffneRoh(pfad);
        ASSERT_GE(fd, 0) << pfad.toStdString();
        const QByteArray stopmo = BaueRahmen("STOPMO");
        ASSERT_EQ(::write(fd, stopmo.constData(), size_t(stopmo.size())), stopmo.size());
        EXPECT_EQ(Lies(fd, 5), AckZeile()) << pfad.toStdString();
        ::close(fd);
        ::usleep(200 * 1000);  // let the simulator notice the closed line
    }

    sim.terminate();  // SIGTERM
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "the link is removed at exit";
    QFile log(dir.filePath("sim.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("<- <STX><LF>STOPMO<ETX>017<CR>"));
    // --abbild: what the logger held at the end.
    QFile abbild(dir.filePath("station.txt"));
    ASSERT_TRUE(abbild.open(QIODevice::ReadOnly));
    const QByteArray text = abbild.readAll();
    EXPECT_TRUE(text.startsWith(SimStation::Demo().Abbildtext())) << text.left(400).toStdString();
    // Last the memory: its records, as many as it says it holds.
    const int d = int(text.indexOf("\nDatensaetze=")), s = int(text.indexOf("\nSpeicher="));
    ASSERT_TRUE(d > 0 && s > d);
    const int saetze = text.mid(d + 13, s - d - 13).toInt();
    EXPECT_GE(saetze, 144);
    EXPECT_EQ(QByteArray::fromHex(text.mid(s + 10).trimmed()).size(), saetze * (5 + 8 * 10));
    EXPECT_TRUE(text.contains("\nStationsnummer=101\n"));
    EXPECT_TRUE(text.contains("\nKanal9=" + SimStation::SlotAusEintrag(SimStation::Demo().Kanaele()[9]).toHex() + "\n"));
    EXPECT_FALSE(text.contains("Kanal10="));
}

TEST(Nuvarsim, BadOptionsEndWithExitCodeTwoAndHelpIsGerman) {
    QProcess p;
    p.start(QStringLiteral(NUVAR_BIN "/nuvarsim"), {"--gibtsnicht"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("Unbekannte Option"));

    p.start(QStringLiteral(NUVAR_BIN "/nuvarsim"), {"--help"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardOutput()).contains(QStringLiteral("Aufruf: nuvarsim")));
}
