#pragma once
// File permissions do not bind root, and CI runs the suite as root. A test
// about a file the user may not write therefore runs its body as a user
// without privileges: under root, NUVAR_OHNE_RECHTE() runs this test program
// again for the current test only, as the user "nobody", takes that run's
// verdict and returns; under any other user the body simply runs.
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace nuvar::test {

enum class TOhneRechte { Selbst, Erledigt, Unmoeglich };

inline TOhneRechte OhneRechteAusfuehren(std::string& grund) {
    if (geteuid() != 0) return TOhneRechte::Selbst;
    const passwd* pw = getpwnam("nobody");
    if (!pw) {
        grund = "kein Benutzer \"nobody\" auf diesem System: Dateirechte lassen sich als root nicht prüfen";
        return TOhneRechte::Unmoeglich;
    }
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;
    const testing::TestInfo* t = testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = QStringLiteral("--gtest_filter=%1.%2").arg(t->test_suite_name(), t->name());
    // A home and temporary directory the user may write.
    QTemporaryDir heim;
    if (!heim.isValid() || chown(QFile::encodeName(heim.path()).constData(), uid, gid) != 0) {
        grund = "kein Verzeichnis für den Benutzer \"nobody\"";
        return TOhneRechte::Unmoeglich;
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), heim.path());
    env.insert(QStringLiteral("TMPDIR"), heim.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), heim.path());
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setChildProcessModifier([uid, gid] {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(126);
    });
    char selbst[4096];
    const ssize_t n = readlink("/proc/self/exe", selbst, sizeof selbst - 1);
    if (n <= 0) {
        grund = "das Testprogramm findet sich selbst nicht";
        return TOhneRechte::Unmoeglich;
    }
    selbst[n] = 0;
    p.start(QString::fromLocal8Bit(selbst), {filter});
    if (!p.waitForStarted(30000) || !p.waitForFinished(300000)) {
        ADD_FAILURE() << "der Lauf als \"nobody\" endete nicht";
        return TOhneRechte::Erledigt;
    }
    const QByteArray ausgabe = p.readAll();
    if (p.exitCode() == 126 || (ausgabe.contains("Permission denied") && !ausgabe.contains("[ RUN"))) {
        grund = "das Testprogramm lässt sich als \"nobody\" nicht starten: " + ausgabe.toStdString();
        return TOhneRechte::Unmoeglich;
    }
    EXPECT_EQ(p.exitCode(), 0) << ausgabe.toStdString();
    EXPECT_TRUE(ausgabe.contains("[  PASSED  ] 1 test")) << ausgabe.toStdString();
    return TOhneRechte::Erledigt;
}

} // namespace nuvar::test

#define NUVAR_OHNE_RECHTE()                                                                      \
    do {                                                                                         \
        std::string nuvar_grund_;                                                                \
        switch (nuvar::test::OhneRechteAusfuehren(nuvar_grund_)) {                               \
        case nuvar::test::TOhneRechte::Selbst: break;                                            \
        case nuvar::test::TOhneRechte::Erledigt: return;                                         \
        case nuvar::test::TOhneRechte::Unmoeglich: GTEST_SKIP() << nuvar_grund_;                 \
        }                                                                                        \
    } while (0)
