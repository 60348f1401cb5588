// End to end: the real NUVARKom program, started as a scheduler starts it
// (NUVAR_HOME, unattended, offscreen, "/auto,<file>"), against nuvarsim on a
// pseudo-terminal that the port map of NUVARWin.ini names as COM1.
#include "common/FunktionenTypen.h"
#include "common/Ini.h"
#include "sim/SimLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>
#include <gtest/gtest.h>

using namespace nuvar;

namespace {

const char* const kUhr = "2026-03-01 08:00:00";

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "app_NUVARKom_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

template <std::size_t N>
QByteArray Roh(const std::array<std::uint8_t, N>& a) {
    return QByteArray(reinterpret_cast<const char*>(a.data()), qsizetype(N));
}

class Zeitplanlauf : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        const QString sim = QStringLiteral(NUVAR_BIN "/nuvarsim");
        programm = QStringLiteral(NUVAR_BIN "/NUVARKom");
        if (!QFileInfo::exists(sim) || !QFileInfo::exists(programm)) GTEST_SKIP() << "programs not built";
        link = dir.filePath("logger");
        nuvarsim.setProgram(sim);
        nuvarsim.setArguments(
            {"--link", link, "--uhr", kUhr, "--nicht-aufzeichnen", "--saetze", QString::number(Saetze())});
        nuvarsim.start();
        ASSERT_TRUE(nuvarsim.waitForStarted(5000));
        for (int i = 0; i < 100 && !nuvarsim.canReadLine(); ++i) nuvarsim.waitForReadyRead(100);
        ASSERT_TRUE(nuvarsim.canReadLine()) << nuvarsim.readAllStandardError().toStdString();
        for (int i = 0; i < 50 && !QFileInfo::exists(link); ++i) QThread::msleep(20);
        ASSERT_TRUE(QFileInfo::exists(link));

        TIniFile ini(dir.filePath("NUVARWin.ini"));
        ini.WriteBool("NUVARKom", "Unbeaufsichtigt", true);
        ini.WriteBool("NUVARKom", "SchreibeLogDatei", true);
        ini.WriteBool("NUVARKom", "AnPDAnhaengen", true);
        ini.WriteString("Schnittstellen", "COM1", link);
    }
    virtual int Saetze() const { return 20; }
    void TearDown() override {
        if (nuvarsim.state() != QProcess::NotRunning) {
            nuvarsim.terminate();
            if (!nuvarsim.waitForFinished(3000)) nuvarsim.kill();
        }
    }

    // Writes the sequence file and runs the program on it; the exit code.
    int Starte(const QString& seqName, const QByteArray& befehl, int schnittstelle = 0, int statnr = 101) {
        SchreibeSequenz(seqName, befehl, schnittstelle, statnr);
        return StarteMit({"/auto," + dir.filePath(seqName)});
    }
    void SchreibeSequenz(const QString& seqName, const QByteArray& befehl, int schnittstelle = 0, int statnr = 101) {
        const QString seq = dir.filePath(seqName);
        QFile f(seq);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[AutoSeq]\r\nVerbindung=0\r\nSchnittstelle=" + QByteArray::number(schnittstelle) +
                "\r\nBaudrate=3\r\nBefehl=" + befehl + "\r\nRohdatenPfad=" + dir.filePath("Rohdaten").toUtf8() +
                "\r\nHaltBeiFehler=1\r\nExitNUVARKom=0\r\n[Messprogramm]\r\nStatNr=" + QByteArray::number(statnr) +
                "\r\nMWZeit=10\r\n"
                "StatName=Demostation\r\n");
    }
    void Vorbereite(QProcess& p, const QStringList& argumente) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NUVAR_HOME", dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.setProgram(programm);
        p.setArguments(argumente);
        p.setStandardInputFile(QProcess::nullDevice());
    }
    // Runs the program with these arguments; the exit code.
    int StarteMit(const QStringList& argumente) {
        QProcess p;
        Vorbereite(p, argumente);
        p.start();
        EXPECT_TRUE(p.waitForStarted(5000));
        // Bounded: a program that hangs fails the test instead of blocking it.
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished(3000);
            ADD_FAILURE() << "NUVARKom did not end";
            return -1;
        }
        ausgabe = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QByteArray Lies(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The station image the simulator holds, as a par file in the old layout.
    static QByteArray Abbild(const SimLogger& s) {
        QByteArray b = "Q&Z" + Roh(s.Stationsparameter().encodeStationsrecord()) + s.Station().hardware;
        for (const TKanalEintrag& e : s.Kanaele()) b += Roh(e.encode());
        return b;
    }
    // Equal byte for byte, except the battery voltage that the logger
    // measures anew (bytes 19 to 22 of the station record).
    static void GleichBisAufBatterie(const QByteArray& ist, const QByteArray& soll) {
        ASSERT_EQ(ist.size(), soll.size());
        EXPECT_EQ(ist.left(3 + 19), soll.left(3 + 19));
        EXPECT_EQ(ist.mid(3 + 23), soll.mid(3 + 23));
    }

    QTemporaryDir dir;
    QString link, programm;
    QProcess nuvarsim;
    QByteArray ausgabe;
};

} // namespace

TEST_F(Zeitplanlauf, ParametersDataAndSendingBack) {
    if (IsSkipped()) return;
    VirtualPump pumpe;
    SimOptions o;
    o.uhrStart = QDateTime::fromString(kUhr, "yyyy-MM-dd HH:mm:ss");
    o.aufzeichnen = false;
    o.datensaetze = 20;
    const SimLogger vorbild(pumpe, o);

    // LadeParameter: the par file is the simulator's station image.
    ASSERT_EQ(Starte("seq0001.seq", "LadeParameter"), 0);
    const QByteArray par = Lies("par0001.dat");
    ASSERT_FALSE(par.isEmpty()) << ausgabe.constData();
    GleichBisAufBatterie(par, Abbild(vorbild));

    // LeseDaten: the dat file carries the same station header, then the
    // records; the numbered copy lies under the raw data path; the question
    // is answered No, so the memory stays.
    ASSERT_EQ(Starte("seq0002.seq", "LeseDaten"), 0);
    const QByteArray dat = Lies("dat0002.dat");
    ASSERT_EQ(dat.size(), par.size() + 20 * (5 + 8 * 10)) << ausgabe.constData();
    GleichBisAufBatterie(dat.left(par.size()), par);
    EXPECT_EQ(dat.mid(par.size()), vorbild.Speicher());
    EXPECT_EQ(Lies("Rohdaten/Daten000.101"), dat);
    EXPECT_TRUE(ausgabe.contains("Soll der Datenspeicher"));
    EXPECT_TRUE(Lies("NUVARKom.log").contains(" - Die Daten wurden vollst"));

    // SendeParameter: three entries of another order and a new name go to
    // the logger; reading them back gives exactly what was sent.
    TDATDatei d;
    d.LoadFromFile(dir.filePath("par0001.dat"));
    TDATDatei neu;
    neu.Stationsparameter() = d.Stationsparameter();
    const char name[] = "Neuer Name      ";
    std::memcpy(neu.Stationsparameter().Stationsname.data(), name, 16);
    neu.Hardwareliste() = d.Hardwareliste();
    for (int i : {2, 0, 5}) neu.AddChannel(d.GetChannel(i));
    neu.SaveToFile(dir.filePath("par0003.dat"), true);
    ASSERT_EQ(Starte("seq0003.seq", "SendeParameter"), 0);
    ASSERT_EQ(Starte("seq0004.seq", "LadeParameter"), 0);
    TDATDatei zurueck;
    zurueck.LoadFromFile(dir.filePath("par0004.dat"));
    ASSERT_EQ(zurueck.ChannelCount(), 3) << ausgabe.constData();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Roh(zurueck.GetChannel(i).encode()), Roh(neu.GetChannel(i).encode())) << i;
    EXPECT_EQ(Roh(zurueck.Stationsparameter().Stationsname), Roh(neu.Stationsparameter().Stationsname));
}

TEST_F(Zeitplanlauf, FailuresLeaveNoFileAndStillExitZero) {
    if (IsSkipped()) return;
    QFile alt(dir.filePath("par0005.dat"));
    ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
    alt.write("frueher");
    alt.close();
    // COM2 is not in the port map.
    EXPECT_EQ(Starte("seq0005.seq", "LadeParameter", 1), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("par0005.dat")));
    // Another station: the mismatch box (HaltBeiFehler=1) does not wait for
    // anyone, and the dat file is gone.
    EXPECT_EQ(Starte("seq0008.seq", "LeseDaten", 0, 102), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("dat0008.dat")));
    EXPECT_TRUE(ausgabe.contains("Stationsnummer")) << ausgabe.constData();
    // Nothing to send: refused, the logger hears nothing.
    // Drain the frame log of the earlier runs (bounded: at most 50 rounds).
    for (int i = 0; i < 50 && nuvarsim.waitForReadyRead(200); ++i) nuvarsim.readAllStandardError();
    nuvarsim.readAllStandardError();
    EXPECT_EQ(Starte("seq0006.seq", "SendeParameter"), 0);
    nuvarsim.waitForReadyRead(200);
    const QByteArray rahmen = nuvarsim.readAllStandardError();
    EXPECT_FALSE(rahmen.contains("<-")) << rahmen.constData();
    EXPECT_TRUE(ausgabe.contains("par0006.dat ist nicht vorhanden")) << ausgabe.constData();
    EXPECT_EQ(Starte("seq0007.seq", "Konfiguration"), 0);
    EXPECT_TRUE(ausgabe.contains("nicht angezeigt")) << ausgabe.constData();
}

// Unattended, a start that names something to run but leads to no command
// ends at once with the reason, instead of waiting for a person; the
// opt-in exit status says so.
TEST_F(Zeitplanlauf, UnattendedStartsWithoutACommandEndWithTheReason) {
    if (IsSkipped()) return;
    TIniFile(dir.filePath("NUVARWin.ini")).WriteBool("NUVARKom", "Exitcode", true);
    QFile kein(dir.filePath("kein.seq"));
    ASSERT_TRUE(kein.open(QIODevice::WriteOnly));
    kein.write(QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0", 10));
    kein.close();
    QFile ohne(dir.filePath("ohne.seq"));
    ASSERT_TRUE(ohne.open(QIODevice::WriteOnly));
    ohne.write("[AutoSeq]\r\nVerbindung=0\r\n");
    ohne.close();
    QDir(dir.path()).mkdir("ordner.seq");
    struct Fall {
        QStringList argumente;
        const char* grund;
    };
    const Fall faelle[] = {
        {{"/auto," + dir.filePath("fehlt.seq")}, "fehlt.seq ist nicht vorhanden."},
        {{"/auto," + dir.filePath("kein.seq")}, "kein.seq ist keine INI-Datei."},
        {{"/auto," + dir.filePath("ohne.seq")}, "ohne.seq nennt keinen Befehl"},
        {{"/auto," + dir.filePath("ordner.seq")}, "ordner.seq ist ein Verzeichnis."},
        {{"/auto," + dir.filePath("ohne.seq"), "foo"}, "nennt keine Sequenzdatei"},
    };
    for (const Fall& f : faelle) {
        EXPECT_EQ(StarteMit(f.argumente), 66) << f.grund;
        EXPECT_TRUE(ausgabe.contains(f.grund)) << ausgabe.constData();
        EXPECT_TRUE(Lies("NUVARKom.log").contains(f.grund)) << f.grund;
    }
    // Without the setting the exit status stays 0.
    TIniFile(dir.filePath("NUVARWin.ini")).WriteBool("NUVARKom", "Exitcode", false);
    EXPECT_EQ(StarteMit({"/auto," + dir.filePath("fehlt.seq")}), 0);
    EXPECT_TRUE(ausgabe.contains("fehlt.seq ist nicht vorhanden.")) << ausgabe.constData();
}

// With Exitcode=1 a failed command ends with the code of its kind of failure
// and one line naming the cause, on stderr and in the protocol file.
TEST_F(Zeitplanlauf, OptInExitStatusNamesTheKindOfFailure) {
    if (IsSkipped()) return;
    TIniFile(dir.filePath("NUVARWin.ini")).WriteBool("NUVARKom", "Exitcode", true);
    struct Fall {
        const char* seq;
        const char* befehl;
        int schnittstelle, statnr, code;
        const char* ursache;
    };
    const Fall faelle[] = {
        {"seq0011.seq", "LeseZeit", 0, 101, 0, nullptr},
        {"seq0012.seq", "LadeParameter", 1, 101, 69, "\"LadeParameter\" fehlgeschlagen: "},
        {"seq0013.seq", "LeseDaten", 0, 102, 65, "\"LeseDaten\" fehlgeschlagen: Die Stationsnummer"},
        {"seq0014.seq", "SendeParameter", 0, 101, 74, "\"SendeParameter\" fehlgeschlagen: Die Parameterdatei"},
    };
    for (const Fall& f : faelle) {
        EXPECT_EQ(Starte(f.seq, f.befehl, f.schnittstelle, f.statnr), f.code) << f.seq << ausgabe.constData();
        if (!f.ursache) {
            EXPECT_FALSE(ausgabe.contains("fehlgeschlagen")) << ausgabe.constData();
            continue;
        }
        const QByteArray zeile = QByteArray("NUVARKom: ") + f.ursache;
        EXPECT_EQ(ausgabe.count(QByteArray("NUVARKom: \"") + f.befehl + "\" fehlgeschlagen"), 1) << ausgabe.constData();
        EXPECT_TRUE(ausgabe.contains(zeile)) << ausgabe.constData();
        EXPECT_TRUE(Lies("NUVARKom.log").contains(f.ursache)) << f.seq;
    }
}

// A long readout, long enough to be interrupted.
class LangerZeitplanlauf : public Zeitplanlauf {
protected:
    int Saetze() const override { return 3000; }
};

// SIGTERM during a readout (a systemd timeout) ends it as "Abbrechen" does:
// no dat file that could pass for a result, the line is free again for the
// next run, and the program ends by itself.
TEST_F(LangerZeitplanlauf, SigtermEndsTheReadoutInOrder) {
    if (IsSkipped()) return;
    TIniFile(dir.filePath("NUVARWin.ini")).WriteBool("NUVARKom", "Exitcode", true);
    SchreibeSequenz("seq0021.seq", "LeseDaten");
    QProcess p;
    Vorbereite(p, {"/auto," + dir.filePath("seq0021.seq")});
    p.start();
    ASSERT_TRUE(p.waitForStarted(5000));
    QByteArray fehler;
    for (int i = 0; i < 300 && !fehler.contains("Sende Befehl READMC"); ++i) {
        p.waitForReadyRead(100);
        fehler += p.readAllStandardError();
    }
    ASSERT_TRUE(fehler.contains("Sende Befehl READMC")) << fehler.constData();
    QThread::msleep(500);
    p.terminate();
    const bool beendet = p.waitForFinished(15000);
    if (!beendet) p.kill();
    ASSERT_TRUE(beendet) << "NUVARKom did not end after SIGTERM";
    fehler += p.readAllStandardError();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 128 + 15) << fehler.constData();
    EXPECT_TRUE(fehler.contains("\"LeseDaten\" fehlgeschlagen: Abgebrochen durch das Signal SIGTERM.")) << fehler.constData();
    EXPECT_FALSE(QFile::exists(dir.filePath("dat0021.dat")));
    EXPECT_FALSE(QFile::exists(dir.filePath("Rohdaten/Daten000.101")));
    // The line is free: the next run reads the clock.
    EXPECT_EQ(Starte("seq0022.seq", "LeseZeit"), 0) << ausgabe.constData();
}
