// A short soak: the real NUVARKom, run after run as a scheduler starts it,
// against nuvarsim with faults (bench/Soak.cpp holds the checks). The seed
// gives a parameter read without a fault, a report with noise and a line
// dropped at a block boundary, a data read with a checksum error and a
// mean-value read through persistent checksum errors and a silence.
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

TEST(Dauerlauf, FourRunsWithFaultsLoseNothingAndLeaveNothing) {
    const QString soak = QStringLiteral(NUVAR_BIN "/soak");
    if (!QFileInfo::exists(soak)) GTEST_SKIP() << "soak not built (NUVAR_BENCH=OFF)";
    int argc = 1;
    char name[] = "app_Dauerlauf_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(soak, {"--runs", "4", "--seed", "7", "--grenze", "90"});
    ASSERT_TRUE(p.waitForStarted(5000));
    const bool fertig = p.waitForFinished(400000);
    if (!fertig) p.kill();
    ASSERT_TRUE(fertig);
    const QByteArray aus = p.readAll();
    EXPECT_TRUE(aus.trimmed().endsWith("runs=4 lost=0 hung=0 stray=0")) << aus.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << aus.toStdString();
}
