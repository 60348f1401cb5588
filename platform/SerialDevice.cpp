#include "platform/SerialDevice.h"

#include <QFileInfo>
#include <QSerialPort>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <vector>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace nuvar {

namespace {

QString DefaultPath(int n) { return n < 1 ? QString() : QStringLiteral("/dev/ttyS%1").arg(n - 1); }

// Unix98 pty slaves have majors 136..143; the canonical path tells too.
bool IsPseudoTerminal(int fd, const QString& path) {
    struct stat st{};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)) {
        const unsigned maj = major(st.st_rdev);
        if (maj >= 136 && maj <= 143) return true;
    }
    return QFileInfo(path).canonicalFilePath().startsWith(QStringLiteral("/dev/pts/"));
}

// What stands between the user and the device. The hint to join the
// device's group only where it would help: a user already in the group is
// refused for another reason (the mode), and one who was added but has not
// logged in again only needs to do that.
QString PermissionText(const QString& path) {
    const QString head = QStringLiteral("Keine Berechtigung für das Gerät %1.").arg(path);
    struct stat st{};
    if (::stat(path.toLocal8Bit().constData(), &st) != 0) return head;
    const group* gr = ::getgrgid(st.st_gid);
    const QString gruppe = gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(st.st_gid);
    bool drin = ::getegid() == st.st_gid;
    const int n = ::getgroups(0, nullptr);
    std::vector<gid_t> gruppen(std::size_t(std::max(n, 0)));
    if (n > 0 && ::getgroups(n, gruppen.data()) == n)
        drin = drin || std::find(gruppen.begin(), gruppen.end(), st.st_gid) != gruppen.end();
    if (drin)
        return head + QStringLiteral(" Es gehört der Gruppe %1, in der Sie sind, gibt ihr aber keinen Lese- und "
                                     "Schreibzugriff (Rechte %2).")
                          .arg(gruppe, QString::number(st.st_mode & 07777, 8).rightJustified(4, QLatin1Char('0')));
    bool eingetragen = false;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && gr)
        for (char** m = gr->gr_mem; m && *m && !eingetragen; ++m) eingetragen = std::strcmp(*m, pw->pw_name) == 0;
    if (eingetragen)
        return head + QStringLiteral(" Ihr Benutzerkonto ist in der Gruppe %1 eingetragen; das gilt erst nach einer "
                                     "neuen Anmeldung. Melden Sie sich neu an.")
                          .arg(gruppe);
    return head + QStringLiteral(" Nehmen Sie Ihr Benutzerkonto in die Gruppe %1 auf (sudo usermod -a -G %1 $USER) "
                                 "und melden Sie sich neu an.")
                      .arg(gruppe);
}

} // namespace

struct SerialDevice::Impl {
    QSerialPort port;
    QString path;
    Resolver resolver;
    bool exclusive = false;
    bool failing = false;
};

SerialDevice::SerialDevice(QString path) : d(std::make_unique<Impl>()) {
    d->path = std::move(path);
    QObject::connect(&d->port, &QSerialPort::readyRead, &d->port, [this] {
        const QByteArray bytes = d->port.readAll();
        if (!bytes.isEmpty() && onReceived) onReceived(bytes);
    });
    QObject::connect(&d->port, &QSerialPort::errorOccurred, &d->port, [this](QSerialPort::SerialPortError e) {
        if (!d->port.isOpen() || d->failing) return;
        switch (e) {
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError:
        case QSerialPort::WriteError: break;
        default: return;
        }
        d->failing = true;
        const QString detail = d->port.errorString();
        d->port.clearError();
        d->port.close();
        d->exclusive = false;
        d->failing = false;
        const QString reason =
            QStringLiteral("Die Verbindung über %1 ist abgebrochen (Gerät entfernt?): %2").arg(d->path, detail);
        if (onError) onError(reason);
    });
}

SerialDevice::~SerialDevice() { close(); }

void SerialDevice::setPath(const QString& path) { d->path = path; }
QString SerialDevice::path() const { return d->path; }
void SerialDevice::setResolver(Resolver r) { d->resolver = std::move(r); }

void SerialDevice::setPortNumber(int n) { d->path = d->resolver ? d->resolver(n) : DefaultPath(n); }

QString SerialDevice::OpenFailureText(const QString& path, int err) {
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return QStringLiteral("Das Gerät %1 existiert nicht.").arg(path);
    case EACCES:
    case EPERM: return PermissionText(path);
    case EBUSY: return QStringLiteral("Das Gerät %1 wird bereits von einem anderen Programm benutzt.").arg(path);
    default:
        return QStringLiteral("Das Gerät %1 kann nicht geöffnet werden: %2.")
            .arg(path, QString::fromLocal8Bit(::strerror(err)));
    }
}

bool SerialDevice::open(int baud, QString* reason) {
    if (d->port.isOpen()) return true;
    auto fail = [&](const QString& text) {
        if (reason) *reason = text;
        return false;
    };
    if (d->path.isEmpty()) return fail(QStringLiteral("Für diese Schnittstelle ist kein Gerät eingetragen."));
    // QFileInfo follows symbolic links: a dangling by-id link is a missing device.
    if (!QFileInfo::exists(d->path)) return fail(OpenFailureText(d->path, ENOENT));

    d->port.setPortName(d->path);  // a full path is taken as it is
    d->port.setBaudRate(baud);
    d->port.setDataBits(QSerialPort::Data8);
    d->port.setParity(QSerialPort::NoParity);
    d->port.setStopBits(QSerialPort::OneStop);
    d->port.setFlowControl(QSerialPort::NoFlowControl);
    d->port.setReadBufferSize(0);
    if (!d->port.open(QIODevice::ReadWrite)) {
        const auto e = d->port.error();
        const QString detail = d->port.errorString();
        d->port.clearError();
        if (e == QSerialPort::DeviceNotFoundError) return fail(OpenFailureText(d->path, ENOENT));
        // Tell a missing permission from a line someone else holds.
        if (::euidaccess(d->path.toLocal8Bit().constData(), R_OK | W_OK) != 0 && errno == EACCES)
            return fail(OpenFailureText(d->path, EACCES));
        if (e == QSerialPort::PermissionError) return fail(OpenFailureText(d->path, EBUSY));
        return fail(QStringLiteral("Das Gerät %1 kann nicht geöffnet werden: %2.").arg(d->path, detail));
    }

    const int fd = int(d->port.handle());
    // Two runs may name one device by different paths (a /dev/serial/by-id
    // link and its target, a link and its pty), and Qt's lock file goes by the
    // name: the lock on the open device itself goes by the device. It also
    // binds root, whom TIOCEXCL lets through, and ends with the process.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        d->port.close();
        if (err != EWOULDBLOCK) return fail(OpenFailureText(d->path, err));
        const QString echt = QFileInfo(d->path).canonicalFilePath();
        QString text = OpenFailureText(d->path, EBUSY);
        if (!echt.isEmpty() && echt != d->path) text.chop(1), text += QStringLiteral(" (als %1).").arg(echt);
        return fail(text);
    }
    if (IsPseudoTerminal(fd, d->path)) {
        // Qt takes every line exclusively; a simulator's pty must stay open to it.
        ::ioctl(fd, TIOCNXCL);
        d->exclusive = false;
    } else {
        d->exclusive = ::ioctl(fd, TIOCEXCL) == 0;
        struct serial_struct ss{};
        if (::ioctl(fd, TIOCGSERIAL, &ss) == 0) {
            ss.flags |= ASYNC_LOW_LATENCY;
            ::ioctl(fd, TIOCSSERIAL, &ss);  // not every driver takes it: fine
        }
    }
    d->port.setDataTerminalReady(true);
    return true;
}

void SerialDevice::close() {
    if (!d->port.isOpen()) return;
    d->port.close();
    d->exclusive = false;
}

bool SerialDevice::isOpen() const { return d->port.isOpen(); }

void SerialDevice::setBaudRate(int baud) { d->port.setBaudRate(baud); }

void SerialDevice::setDtr(bool on) {
    if (d->port.isOpen()) d->port.setDataTerminalReady(on);
}

void SerialDevice::write(const QByteArray& bytes) {
    if (d->port.isOpen() && !bytes.isEmpty()) d->port.write(bytes);  // Qt queues; never blocks
}

bool SerialDevice::carrierDetect() const {
    if (!d->port.isOpen()) return false;
    return d->port.pinoutSignals() & QSerialPort::DataCarrierDetectSignal;
}

bool SerialDevice::isExclusive() const {
    if (!d->port.isOpen()) return false;
#ifdef TIOCGEXCL
    int excl = 0;
    if (::ioctl(int(d->port.handle()), TIOCGEXCL, &excl) == 0) return excl != 0;
#endif
    return d->exclusive;
}

} // namespace nuvar
