#pragma once
// The logger's transmitter: bytes leave at the pace of the baud rate (10 bits
// a byte: start, 8 data, stop) and are handed on when their stop bit has gone
// out. Time comes only from the event pump.
#include "platform/EventPump.h"

#include <QByteArray>

#include <functional>

namespace nuvar {

class SimLeitung {
public:
    SimLeitung(EventPump& pump, int baud, bool takt);
    ~SimLeitung();
    SimLeitung(const SimLeitung&) = delete;
    SimLeitung& operator=(const SimLeitung&) = delete;

    // Queues bytes; they follow what is still being sent.
    void Schreibe(const QByteArray& bytes);
    // Forgets what has not gone out yet (the line dropped).
    void Verwerfen();
    void SetzeBaud(int baud) { baud_ = baud > 0 ? baud : 9600; }
    int Baud() const { return baud_; }
    bool Leer() const { return warteschlange_.isEmpty(); }

    // Receives the bytes when they have arrived at the far end.
    std::function<void(const QByteArray&)> ausgabe;

private:
    Millis Ankunft(qint64 bytenummer) const;  // arrival of byte n (0-based) since start_
    void Weiter();

    EventPump& pump_;
    int baud_;
    bool takt_;
    QByteArray warteschlange_;
    Millis start_ = 0;      // start of the current burst
    qint64 gesendet_ = 0;   // bytes of this burst already handed on
    EventPump::TimerId timer_ = 0;
};

}  // namespace nuvar
