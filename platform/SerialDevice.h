#pragma once
// A real serial device through Qt SerialPort: 8N1, no flow control, any rate
// the driver takes (1200 to 9600 for the direct line, higher for modems).
//
// Devices are opened by path (Qt's enumeration lists neither pseudo-terminals
// nor /dev/serial/by-id links). Every open device is locked by the device
// itself (flock on the opened node), so two runs never share a line, whatever
// path each names it by. A real device is also taken exclusively (TIOCEXCL)
// against other programs; a pseudo-terminal is left open to others, so a
// simulator can sit on it. USB adapters are asked for low latency, so a
// block acknowledgement is not held back by the adapter's 16 ms timer.
// Bytes arrive from Qt's event loop (run it with a QtPump).
#include "platform/ByteSource.h"

#include <functional>
#include <memory>

namespace nuvar {

class SerialDevice : public ByteSource {
public:
    // Maps a 1-based port number to a device path (see PortMap).
    using Resolver = std::function<QString(int)>;

    explicit SerialDevice(QString path = {});
    ~SerialDevice() override;

    void setPath(const QString& path);
    QString path() const;
    // With a resolver, setPortNumber(n) picks the device resolver(n);
    // without one, COM<n> is /dev/ttyS<n-1>.
    void setResolver(Resolver r);
    void setPortNumber(int n) override;

    bool open(int baud, QString* reason) override;
    void close() override;
    bool isOpen() const override;
    void setBaudRate(int baud) override;
    void setDtr(bool on) override;
    void write(const QByteArray& bytes) override;

    // State of the carrier detect line (false when closed or unknown).
    bool carrierDetect() const;
    int carrier() const override { return isOpen() ? int(carrierDetect()) : -1; }
    // Whether the open device is taken exclusively (false on a pty).
    bool isExclusive() const;

    // The German reason for a failed open of path, given errno of the open.
    static QString OpenFailureText(const QString& path, int err);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace nuvar
