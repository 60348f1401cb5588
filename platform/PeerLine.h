#pragma once
// An in-process serial line: the host end is a ByteSource, the far end a
// WirePeer (the simulated logger, or a scripted modem in a test). Bytes the
// host writes reach the peer at the times a real line of the set baud rate
// would deliver them (10 bits a byte: start, 8 data, stop), so tests see wire
// timing on the virtual clock. The peer paces its own output; what it hands
// to sendToHost reaches the host from the pump as one delivery.
#include "platform/ByteSource.h"
#include "platform/EventPump.h"

#include <deque>

namespace nuvar {

class PeerLine : public ByteSource {
public:
    // The peer must outlive the line (or be detached by destroying the line first).
    PeerLine(EventPump& pump, WirePeer& peer);
    ~PeerLine() override;

    bool open(int baud, QString* reason) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void setBaudRate(int baud) override;
    void setDtr(bool on) override;
    void write(const QByteArray& bytes) override;
    void setPortNumber(int n) override { port_ = n; }

    // Makes the next opens fail with this reason (empty: open normally), as a
    // missing or busy device would.
    void refuseOpen(const QString& reason) { refuse_ = reason; }
    int baudRate() const { return baud_; }
    bool dtr() const { return dtr_; }
    int portNumber() const { return port_; }
    // Microseconds one byte occupies the line at a rate (rounded).
    static qint64 byteTimeUs(int baud);

private:
    void armDelivery();
    void deliverDue();

    EventPump& pump_;
    PumpTimers timers_;  // deliveries, the dropped line, the delivery timer
    WirePeer& peer_;
    bool open_ = false;
    bool dtr_ = false;
    int baud_ = 9600;
    int port_ = 0;
    QString refuse_;
    // Host-to-peer bytes in flight, each with the time (ps) its stop bit ends.
    std::deque<std::pair<qint64, char>> inFlight_;
    qint64 lineFreePs_ = 0;
    EventPump::TimerId deliveryTimer_ = 0;
};

} // namespace nuvar
