#pragma once
// A raw byte stream under the serial trigger layer: a real device through Qt
// SerialPort, or an in-process peer (the simulated logger) on the virtual pump.
// The trigger logic above it is written once, so a test exercises the code
// that talks to a real logger.
#include <QByteArray>
#include <QString>
#include <functional>

namespace nuvar {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // On failure returns false and puts a German line a Linux user can act on
    // into *reason (device missing, permission denied / dialout, in use).
    virtual bool open(int baud, QString* reason) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void setBaudRate(int baud) = 0;
    virtual void setDtr(bool on) = 0;
    // Queues bytes for sending; never waits.
    virtual void write(const QByteArray& bytes) = 0;
    // The 1-based port number the owner chose (COM<n>); a source that maps
    // numbers to devices resolves it at the next open. Others ignore it.
    virtual void setPortNumber(int /*n*/) {}
    // Carrier detect: 1 on, 0 off, -1 when the source cannot tell.
    virtual int carrier() const { return -1; }

    // Set by the owner. Called from the event pump.
    std::function<void(const QByteArray&)> onReceived;
    // The line broke while open (device unplugged, peer closed).
    std::function<void(const QString& reason)> onError;
};

// The far end of an in-process line: the simulated logger implements this.
class WirePeer {
public:
    virtual ~WirePeer() = default;
    // Bytes the host sent, delivered when they would have arrived on the wire.
    virtual void hostWrote(const QByteArray& bytes) = 0;
    virtual void hostOpened(int /*baud*/) {}
    virtual void hostClosed() {}
    virtual void hostBaudRate(int /*baud*/) {}
    virtual void hostDtr(bool /*on*/) {}

    // Set by the line; the peer calls it when its bytes arrive at the host
    // (the peer paces its own output on the pump).
    std::function<void(const QByteArray&)> sendToHost;
    // The peer drops the line (for fault tests).
    std::function<void()> dropLine;
};

} // namespace nuvar
