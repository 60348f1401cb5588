#include "platform/EventPump.h"
#include "platform/SerialDevice.h"
#include "platform/TriggerPort.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace nuvar;

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "SerialDevice_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// A pseudo-terminal the test owns; the device under test opens its slave.
struct Pty {
    int master = -1;
    QString slave;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        slave = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Pty() {
        if (master >= 0) ::close(master);
    }
    void closeMaster() {
        ::close(master);
        master = -1;
    }
    QByteArray readAvailable(int waitMs) {
        QByteArray out;
        pollfd p{master, POLLIN, 0};
        while (::poll(&p, 1, waitMs) > 0 && (p.revents & POLLIN)) {
            char buf[256];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, n);
            waitMs = 50;
        }
        return out;
    }
};

// Generous bound, only so that a broken build fails instead of hanging.
constexpr Millis kGuard = 5000;

} // namespace

TEST(SerialDevice, OpensAPtyByPathOrLinkAndCarriesBytesBothWays) {
    App();
    QtPump pump;
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    QTemporaryDir dir;
    const QString link = dir.filePath("by-id-logger");
    ASSERT_TRUE(QFile::link(pty.slave, link));

    for (const QString& path : {pty.slave, link}) {
        SerialDevice dev(path);
        QByteArray got;
        dev.onReceived = [&](const QByteArray& b) { got += b; };
        QString why;
        ASSERT_TRUE(dev.open(9600, &why)) << why.toStdString();
        // A simulator must be able to share its pty: no exclusive lock there.
        EXPECT_FALSE(dev.isExclusive()) << path.toStdString();

        ASSERT_EQ(::write(pty.master, "\x02\nOK    \x03" "015\r", 13), 13);
        EXPECT_TRUE(pump.waitUntil([&] { return got.size() >= 13; }, kGuard));
        EXPECT_EQ(got, QByteArray("\x02\nOK    \x03" "015\r"));

        // Raw 8-bit data: no CR/LF translation, no echo, 0xFF and 0x00 intact.
        const QByteArray raw("\x02\n\r\n\xff\x00\x11\x13" "GETTIM\r", 15);
        dev.write(raw);
        QByteArray out;
        pump.waitUntil(
            [&] {
                out += pty.readAvailable(10);
                return out.size() >= raw.size();
            },
            kGuard);
        EXPECT_EQ(out, raw);
        dev.close();
        EXPECT_FALSE(dev.isOpen());
    }
}

TEST(SerialDevice, AskingAPtyForItsCarrierIsNoLineError) {
    // The modem driver polls DCD; a pty has no modem lines at all.
    App();
    QtPump pump;
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    SerialDevice dev(pty.slave);
    QString error;
    dev.onError = [&](const QString& r) { error = r; };
    QString why;
    ASSERT_TRUE(dev.open(9600, &why)) << why.toStdString();
    EXPECT_NE(dev.carrier(), 1);
    pump.processEvents();
    EXPECT_TRUE(dev.isOpen());
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
}

TEST(SerialDevice, TheTriggerPortRunsOverARealLine) {
    App();
    QtPump pump;
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    auto dev = std::make_unique<SerialDevice>();
    dev->setResolver([&](int) { return pty.slave; });
    TriggerPort port(pump, std::move(dev));
    port.SetComNumber(1);
    QString why;
    ASSERT_TRUE(port.Open(&why)) << why.toStdString();
    std::vector<std::string> log;
    port.AddDataTrigger("\r");
    port.OnTriggerAvail = [&](int n) { log.push_back("A:" + port.GetBlock(n).toStdString()); };
    port.OnTriggerData = [&](TriggerPort::Handle) { log.push_back("T"); };
    ASSERT_EQ(::write(pty.master, "\x02\n\x06\x03\rX", 6), 6);
    EXPECT_TRUE(pump.waitUntil([&] { return log.size() >= 3; }, kGuard));
    EXPECT_EQ(log, (std::vector<std::string>{"A:\x02\n\x06\x03", "T", "A:\rX"}));
    port.PutString("\x02\n\x15\x03\r");
    QByteArray out;
    pump.waitUntil(
        [&] {
            out += pty.readAvailable(10);
            return out.size() >= 5;
        },
        kGuard);
    EXPECT_EQ(out, QByteArray("\x02\n\x15\x03\r"));
}

TEST(SerialDevice, OpenFailuresSayWhatTheUserCanDo) {
    App();
    QTemporaryDir dir;
    const QString dangling = dir.filePath("serial-by-id-gone");
    ASSERT_TRUE(QFile::link(dir.filePath("nothing-here"), dangling));
    struct Case { QString path; QString reason; };
    for (const Case& c : {Case{"/dev/ttyUSB97", "Das Gerät /dev/ttyUSB97 existiert nicht."},
                          Case{dangling, QStringLiteral("Das Gerät %1 existiert nicht.").arg(dangling)},
                          Case{"", "Für diese Schnittstelle ist kein Gerät eingetragen."}}) {
        SerialDevice dev(c.path);
        QString why;
        EXPECT_FALSE(dev.open(9600, &why));
        EXPECT_EQ(why, c.reason);
    }
}

TEST(SerialDevice, PermissionDeniedPointsToTheDialoutGroup) {
    App();
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    const QByteArray slave = pty.slave.toLocal8Bit();
    ASSERT_EQ(::chmod(slave.constData(), 0600), 0);
    // Root passes every permission check: open as an ordinary user instead.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::setegid(65534), 0);
        ASSERT_EQ(::seteuid(65534), 0);
    } else {
        ASSERT_EQ(::chmod(slave.constData(), 0), 0);
    }
    SerialDevice dev(pty.slave);
    QString why;
    const bool opened = dev.open(9600, &why);
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
        ASSERT_EQ(::setegid(0), 0);
    }
    EXPECT_FALSE(opened);
    EXPECT_TRUE(why.contains(QStringLiteral("Keine Berechtigung für das Gerät ") + pty.slave)) << why.toStdString();
    // The user is not in the device's group: the hint names that group.
    struct stat st{};
    ASSERT_EQ(::stat(slave.constData(), &st), 0);
    const group* gr = ::getgrgid(st.st_gid);
    ASSERT_NE(gr, nullptr);
    EXPECT_TRUE(why.contains(QStringLiteral("Nehmen Sie Ihr Benutzerkonto in die Gruppe %1 auf")
                                 .arg(QString::fromLocal8Bit(gr->gr_name))))
        << why.toStdString();
}

// A user who is in the device's group and still refused would gain nothing
// from joining it: no such hint then, but what does refuse.
TEST(SerialDevice, PermissionDeniedInTheDevicesGroupGivesNoGroupHint) {
    App();
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the device to the group of another user";
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    const QByteArray slave = pty.slave.toLocal8Bit();
    ASSERT_EQ(::chown(slave.constData(), 0, 65534), 0);
    ASSERT_EQ(::chmod(slave.constData(), 0600), 0);
    ASSERT_EQ(::setegid(65534), 0);
    ASSERT_EQ(::seteuid(65534), 0);
    SerialDevice dev(pty.slave);
    QString why;
    const bool opened = dev.open(9600, &why);
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_EQ(::setegid(0), 0);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(why.startsWith(QStringLiteral("Keine Berechtigung für das Gerät ") + pty.slave)) << why.toStdString();
    EXPECT_FALSE(why.contains(QStringLiteral("Nehmen Sie"))) << why.toStdString();
    EXPECT_TRUE(why.contains(QStringLiteral("in der Sie sind"))) << why.toStdString();
    EXPECT_TRUE(why.contains(QStringLiteral("Rechte 0600"))) << why.toStdString();
}

// One device named by two paths (a by-id link and its target, a link and
// its pty) is still one line: the second open is refused whichever name it
// uses, and the line is free again once the first is closed.
TEST(SerialDevice, TheLockGoesByTheDeviceNotItsName) {
    App();
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    QTemporaryDir dir;
    const QString link = dir.filePath("usb-Logger_if00");
    ASSERT_TRUE(QFile::link(pty.slave, link));
    struct Case { QString first, second; };
    for (const Case& c : {Case{link, pty.slave}, Case{pty.slave, link}}) {
        SerialDevice first(c.first), second(c.second);
        QString why;
        ASSERT_TRUE(first.open(9600, &why)) << why.toStdString();
        EXPECT_FALSE(second.open(9600, &why)) << c.second.toStdString();
        EXPECT_TRUE(why.startsWith(QStringLiteral("Das Gerät %1 wird bereits von einem anderen Programm benutzt")
                                       .arg(c.second)))
            << why.toStdString();
        first.close();
        EXPECT_TRUE(second.open(9600, &why)) << why.toStdString();
    }
}

TEST(SerialDevice, ASecondOpenOfTheSameLineIsRefusedAsInUse) {
    App();
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    SerialDevice first(pty.slave), second(pty.slave);
    QString why;
    ASSERT_TRUE(first.open(9600, &why)) << why.toStdString();
    ASSERT_FALSE(second.open(9600, &why));
    EXPECT_EQ(why, QStringLiteral("Das Gerät %1 wird bereits von einem anderen Programm benutzt.").arg(pty.slave));
}

TEST(SerialDevice, ALineThatGoesAwayWhileOpenIsReportedAtOnce) {
    App();
    QtPump pump;
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    SerialDevice dev(pty.slave);
    QString error;
    dev.onError = [&](const QString& r) { error = r; };
    QString why;
    ASSERT_TRUE(dev.open(9600, &why)) << why.toStdString();
    pty.closeMaster();  // like an unplugged adapter: reads fail with EIO
    EXPECT_TRUE(pump.waitUntil([&] { return !error.isEmpty(); }, kGuard));
    EXPECT_TRUE(error.contains(pty.slave)) << error.toStdString();
    EXPECT_FALSE(dev.isOpen());
}

TEST(SerialDevice, ARealLineIsTakenExclusively) {
    // Needs a real serial device: NUVAR_TEST_SERIAL, else /dev/ttyS0 if this
    // machine has one that opens (a UART without hardware may refuse).
    App();
    const QByteArray env = qgetenv("NUVAR_TEST_SERIAL");
    const QString path = env.isEmpty() ? QStringLiteral("/dev/ttyS0") : QString::fromLocal8Bit(env);
    SerialDevice dev(path);
    QString why;
    if (!dev.open(9600, &why)) GTEST_SKIP() << "no real serial device here: " << why.toStdString();
    EXPECT_TRUE(dev.isExclusive());
    dev.close();
}

TEST(SerialDevice, OpenFailureTextsForEachErrno) {
    struct Case { int err; const char* starts; };
    for (Case c : {Case{ENOENT, "Das Gerät /dev/ttyS0 existiert nicht."},
                   Case{ENODEV, "Das Gerät /dev/ttyS0 existiert nicht."},
                   Case{EACCES, "Keine Berechtigung für das Gerät /dev/ttyS0."},
                   Case{EBUSY, "Das Gerät /dev/ttyS0 wird bereits von einem anderen Programm benutzt."},
                   Case{EIO, "Das Gerät /dev/ttyS0 kann nicht geöffnet werden: "}})
        EXPECT_TRUE(SerialDevice::OpenFailureText("/dev/ttyS0", c.err).startsWith(QString::fromUtf8(c.starts)))
            << c.err;
}
