#include "platform/SerialDevice.h"

#include <QFileInfo>
#include <QSerialPort>

#include <cerrno>
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
    case EPERM:
        return QStringLiteral("Keine Berechtigung für das Gerät %1. Nehmen Sie Ihr Benutzerkonto in die Gruppe "
                              "dialout auf (sudo usermod -a -G dialout $USER) und melden Sie sich neu an.")
            .arg(path);
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
