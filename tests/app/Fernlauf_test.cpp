// End to end: a running NUVARKom (offscreen, no command) takes macros from
// nuvardde and makes the report against nuvarsim on a pseudo-terminal, and
// keeps running.
#include "common/Ini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "app_Fernlauf_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

bool WarteAufZeile(QProcess& p) {
    for (int i = 0; i < 100 && !p.canReadLine(); ++i) p.waitForReadyRead(100);
    return p.canReadLine();
}

class Fernlauf : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        const QString sim = QStringLiteral(NUVAR_BIN "/nuvarsim");
        if (!QFileInfo::exists(sim) || !QFileInfo::exists(QStringLiteral(NUVAR_BIN "/NUVARKom")) ||
            !QFileInfo::exists(QStringLiteral(NUVAR_BIN "/nuvardde")))
            GTEST_SKIP() << "programs not built";
        ASSERT_TRUE(QDir(dir.path()).mkdir("run"));
        QFile::setPermissions(dir.filePath("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner);
        env = QProcessEnvironment::systemEnvironment();
        env.insert("NUVAR_HOME", dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));

        const QString link = dir.filePath("logger");
        nuvarsim.setProgram(sim);
        nuvarsim.setArguments({"--link", link, "--uhr", "2026-03-01 08:00:00", "--nicht-aufzeichnen"});
        nuvarsim.start();
        ASSERT_TRUE(nuvarsim.waitForStarted(5000));
        ASSERT_TRUE(WarteAufZeile(nuvarsim));
        nuvar::TIniFile ini(dir.filePath("NUVARWin.ini"));
        ini.WriteBool("NUVARKom", "Unbeaufsichtigt", true);
        ini.WriteString("Schnittstellen", "COM1", link);

        nuvarkom.setProcessEnvironment(env);
        nuvarkom.setProgram(QStringLiteral(NUVAR_BIN "/NUVARKom"));
        nuvarkom.setStandardInputFile(QProcess::nullDevice());
        nuvarkom.start();
        ASSERT_TRUE(nuvarkom.waitForStarted(5000));
        // The server is up once a harmless macro is acknowledged.
        bool bereit = false;
        for (int i = 0; i < 50 && !bereit; ++i) {
            bereit = Sende({"nichts"}, 2) == 0;
            if (!bereit) QThread::msleep(100);
        }
        ASSERT_TRUE(bereit) << nuvarkom.readAllStandardError().toStdString();
    }
    void TearDown() override {
        for (QProcess* p : {&nuvarkom, &nuvarsim}) {
            if (p->state() == QProcess::NotRunning) continue;
            p->terminate();
            if (!p->waitForFinished(3000)) p->kill();
            p->waitForFinished(3000);
        }
    }
    // nuvardde's exit code.
    int Sende(const QStringList& zeilen, int sekunden = 90) {
        QProcess c;
        c.setProcessEnvironment(env);
        c.setProgram(QStringLiteral(NUVAR_BIN "/nuvardde"));
        c.setArguments(QStringList{"--timeout", QString::number(sekunden)} + zeilen);
        c.start();
        if (!c.waitForStarted(5000) || !c.waitForFinished((sekunden + 10) * 1000)) {
            c.kill();
            c.waitForFinished(3000);
            return -1;
        }
        return c.exitStatus() == QProcess::NormalExit ? c.exitCode() : -1;
    }
    QByteArray Lies(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
    QProcess nuvarsim, nuvarkom;
};

} // namespace

TEST_F(Fernlauf, SynopPerMakroUndDasProgrammLaeuftWeiter) {
    if (IsSkipped()) return;
    QFile seq(dir.filePath("seq0042.seq"));
    ASSERT_TRUE(seq.open(QIODevice::WriteOnly));
    seq.write("[AutoSeq]\r\nBefehl=LeseSYNOP\r\nHaltBeiFehler=0\r\n[Messprogramm]\r\nStatNr=101\r\nMWZeit=10\r\n"
              "[SYNOP]\r\nKennung=QZ042\r\nDatei=" + dir.filePath("synop.txt").toUtf8() + "\r\n");
    seq.close();
    // Macro words are case-insensitive for "auto".
    ASSERT_EQ(Sende({"AUTO," + seq.fileName()}), 0) << nuvarkom.readAllStandardError().toStdString();
    const QByteArray synop = Lies("synop.txt");
    EXPECT_TRUE(synop.contains("QZ042")) << synop.constData();
    // The retrieval's mean-value table goes to the mwd file, and the marker
    // says the report is there.
    EXPECT_TRUE(Lies("mwd0042.dat").startsWith("Zeit\t"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("dde.lck")));
    // A second report appends, and the program is still there for it.
    ASSERT_EQ(Sende({"auto," + seq.fileName()}), 0);
    EXPECT_EQ(Lies("synop.txt").count("QZ042"), 2 * synop.count("QZ042"));
    EXPECT_EQ(Sende({"Minimieren", "Wiederherstellen"}), 0);
    EXPECT_EQ(nuvarkom.state(), QProcess::Running);
    // Another topic is refused with its own exit code.
    QProcess c;
    c.setProcessEnvironment(env);
    c.start(QStringLiteral(NUVAR_BIN "/nuvardde"), {"--topic", "Anderes", "--timeout", "10", "Minimieren"});
    ASSERT_TRUE(c.waitForFinished(20000));
    EXPECT_NE(c.exitCode(), 0);
}
