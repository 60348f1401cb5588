#include "platform/PeerLine.h"

#include <algorithm>

namespace nuvar {

PeerLine::PeerLine(EventPump& pump, WirePeer& peer) : pump_(pump), timers_(pump), peer_(peer) {
    peer_.sendToHost = [this](const QByteArray& bytes) {
        if (!open_ || bytes.isEmpty()) return;
        // Always through the pump, so a peer answering from inside hostWrote
        // never calls the host back re-entrantly.
        timers_.post([this, bytes] {
            if (open_ && onReceived) onReceived(bytes);
        });
    };
    peer_.dropLine = [this] {
        if (!open_) return;
        const QString reason = QStringLiteral("Die Verbindung wurde von der Gegenstelle getrennt.");
        timers_.post([this, reason] {
            if (!open_) return;
            // A dropped line is gone: nothing sent or received any more.
            open_ = false;
            inFlight_.clear();
            timers_.cancel(deliveryTimer_);
            if (onError) onError(reason);
        });
    };
}

PeerLine::~PeerLine() {
    timers_.cancelAll();
    peer_.sendToHost = nullptr;
    peer_.dropLine = nullptr;
}

qint64 PeerLine::byteTimeUs(int baud) { return baud > 0 ? (10LL * 1000000LL + baud / 2) / baud : 0; }

namespace {
// Line time is kept in picoseconds so that long blocks do not gather rounding.
constexpr qint64 kPsPerMs = 1000000000LL;
qint64 BytePs(int baud) { return baud > 0 ? 10LL * 1000000000000LL / baud : 0; }
} // namespace

bool PeerLine::open(int baud, QString* reason) {
    if (!refuse_.isEmpty()) {
        if (reason) *reason = refuse_;
        return false;
    }
    if (open_) return true;
    open_ = true;
    baud_ = baud;
    dtr_ = true;
    lineFreePs_ = pump_.now() * kPsPerMs;
    peer_.hostOpened(baud);
    return true;
}

void PeerLine::close() {
    if (!open_) return;
    open_ = false;
    inFlight_.clear();
    // Deliveries still queued belong to the closed line.
    timers_.cancelAll();
    deliveryTimer_ = 0;
    dtr_ = false;
    peer_.hostClosed();
}

void PeerLine::setBaudRate(int baud) {
    baud_ = baud;
    if (open_) peer_.hostBaudRate(baud);
}

void PeerLine::setDtr(bool on) {
    dtr_ = on;
    if (open_) peer_.hostDtr(on);
}

void PeerLine::write(const QByteArray& bytes) {
    if (!open_ || bytes.isEmpty()) return;
    const qint64 perByte = BytePs(baud_);
    qint64 t = std::max<qint64>(lineFreePs_, pump_.now() * kPsPerMs);
    for (char c : bytes) {
        t += perByte;
        inFlight_.emplace_back(t, c);
    }
    lineFreePs_ = t;
    armDelivery();
}

void PeerLine::armDelivery() {
    if (deliveryTimer_ || inFlight_.empty()) return;
    const qint64 dueMs = (inFlight_.front().first + kPsPerMs - 1) / kPsPerMs;
    deliveryTimer_ = timers_.start(std::max<Millis>(0, dueMs - pump_.now()), [this] {
        deliveryTimer_ = 0;
        deliverDue();
    });
}

void PeerLine::deliverDue() {
    const qint64 nowPs = pump_.now() * kPsPerMs;
    QByteArray arrived;
    while (!inFlight_.empty() && inFlight_.front().first <= nowPs) {
        arrived.append(inFlight_.front().second);
        inFlight_.pop_front();
    }
    armDelivery();
    if (!arrived.isEmpty()) peer_.hostWrote(arrived);
}

} // namespace nuvar
