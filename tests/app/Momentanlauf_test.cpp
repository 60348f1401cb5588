// End to end: the real NUVARKom runs the sequence command "Momentanwerte"
// against nuvarsim on a pseudo-terminal. It keeps running while the logger
// streams, the recording file keeps its header and the newest lines within
// the limit, and SIGTERM ends it cleanly: the logger is told to stop and
// the exit code is 0.
#include "common/Ini.h"
#include "common/Text.h"
#include "platform/EventPump.h"
#include "sim/SimLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "app_Momentanlauf_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

QList<QByteArray> Zeilen(const QString& pfad) {
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> z = f.readAll().split('\n');
    if (!z.isEmpty() && z.last().isEmpty()) z.removeLast();
    return z;
}

// A header for the demonstration station's channels (the window keeps the
// first line of a file as it finds it).
QByteArray Kopf() {
    nuvar::VirtualPump pump;
    nuvar::SimLogger logger(pump, {});
    QByteArray k = "Datum\tZeit";
    const nuvar::TStationsParameter st = logger.Stationsparameter();
    const auto kanaele = logger.Kanaele();
    for (int i = 0; i < st.Kanalanzahl; ++i) {
        const nuvar::TKanalEintrag& e = kanaele[std::size_t(i)];
        k += '\t' + nuvar::LiesTextfeld(e.Bezeichnung).toUtf8() + '[' + nuvar::LiesTextfeld(e.Einheit).toUtf8() + ']';
    }
    return k;
}

TEST(Momentanlauf, KeepsRunningRecordsWithinTheLimitAndEndsOnSigterm) {
    App();
    const QString sim = QStringLiteral(NUVAR_BIN "/nuvarsim");
    if (!QFileInfo::exists(sim) || !QFileInfo::exists(QStringLiteral(NUVAR_BIN "/NUVARKom")))
        GTEST_SKIP() << "programs not built";
    QTemporaryDir dir;
    const QString link = dir.filePath("logger");
    QProcess nuvarsim;
    nuvarsim.setProgram(sim);
    nuvarsim.setArguments({"--link", link, "--uhr", "2026-03-01 08:00:00", "--nicht-aufzeichnen", "--log",
                           dir.filePath("nuvarsim.log")});
    nuvarsim.start();
    ASSERT_TRUE(nuvarsim.waitForStarted(5000));
    for (int i = 0; i < 100 && !nuvarsim.canReadLine(); ++i) nuvarsim.waitForReadyRead(100);
    ASSERT_TRUE(QFileInfo::exists(link));

    // Unattended, COM1 = the simulator, recording for one minute: with the
    // station's 10-second interval the file holds the header and 6 lines.
    ASSERT_TRUE(QDir(dir.path()).mkdir("mom"));
    {
        nuvar::TIniFile ini(dir.filePath("NUVARWin.ini"));
        ini.WriteBool("NUVARKom", "Unbeaufsichtigt", true);
        ini.WriteString("Schnittstellen", "COM1", link);
        ini.WriteBool("NUVARKom", "MomentanwerteAufzeichnen", true);
        ini.WriteString("NUVARKom", "Momentanwertverzeichnis", dir.filePath("mom"));
        ini.WriteInteger("NUVARKom", "MomentanwertZeitraum", 1);
    }
    // A recording of an earlier run, already at the limit.
    const QString aufzeichnung = dir.filePath("mom/momE2E.log");
    QByteArray alt = Kopf() + "\r\n";
    for (int i = 0; i < 6; ++i) alt += QByteArray("28.02.2026\t23:59:0") + char('0' + i) + "\t1,0\t\r\n";
    {
        QFile f(aufzeichnung);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(alt);
    }
    const QString seq = dir.filePath("seq0001.seq");
    {
        QFile f(seq);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[AutoSeq]\r\nBefehl=Momentanwerte\r\nBaudrate=3\r\nHaltBeiFehler=0\r\n"
                "[Messprogramm]\r\nStatNr=101\r\nStatName=Demostation\r\nMWZeit=10\r\nKennung=E2E\r\n");
    }

    QProcess kom;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NUVAR_HOME", dir.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", dir.path());
    kom.setProcessEnvironment(env);
    kom.setProgram(QStringLiteral(NUVAR_BIN "/NUVARKom"));
    kom.setArguments({"/auto," + seq});
    kom.setStandardInputFile(QProcess::nullDevice());
    kom.start();
    ASSERT_TRUE(kom.waitForStarted(5000));

    // Two readings of today push the two oldest lines out.
    QElapsedTimer t;
    t.start();
    auto neue = [&] {
        int n = 0;
        for (const QByteArray& z : Zeilen(aufzeichnung)) n += z.startsWith("01.03.2026\t");
        return n;
    };
    while (neue() < 2 && t.elapsed() < 90000 && kom.state() == QProcess::Running) kom.waitForFinished(200);
    ASSERT_EQ(kom.state(), QProcess::Running) << kom.readAllStandardError().toStdString();
    ASSERT_GE(neue(), 2) << kom.readAllStandardError().toStdString();
    const QList<QByteArray> z = Zeilen(aufzeichnung);
    ASSERT_EQ(z.size(), 7);
    EXPECT_EQ(z[0], Kopf() + "\r");
    const int n = neue();
    const QList<QByteArray> altZeilen = alt.split('\n');
    for (int i = 1; i < 7 - n; ++i) EXPECT_EQ(z[i] + '\n', altZeilen[i + n] + '\n') << i;  // the newest old ones
    for (int i = 7 - n; i < 7; ++i) {
        EXPECT_TRUE(z[i].startsWith("01.03.2026\t08:")) << z[i].constData();
        EXPECT_TRUE(z[i].endsWith("\t\r")) << z[i].constData();  // every value followed by a TAB, CR LF
    }

    kom.terminate();
    ASSERT_TRUE(kom.waitForFinished(30000));
    EXPECT_EQ(kom.exitStatus(), QProcess::NormalExit) << kom.readAllStandardError().toStdString();
    EXPECT_EQ(kom.exitCode(), 0);
    // The logger was told to stop after the stream had started.
    QFile log(dir.filePath("nuvarsim.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray protokoll = log.readAll();
    const qsizetype readmo = protokoll.indexOf("READMO");
    ASSERT_GE(readmo, 0);
    EXPECT_GE(protokoll.indexOf("STOPMO", readmo), 0);
    nuvarsim.terminate();
    nuvarsim.waitForFinished(5000);
}

} // namespace
