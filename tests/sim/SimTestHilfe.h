#pragma once
// A simulated logger on the virtual pump with the host side captured.
#include "common/Rahmen.h"
#include "platform/EventPump.h"
#include "sim/SimLogger.h"

#include <QDateTime>

#include <memory>
#include <utility>
#include <vector>

namespace nuvar::test {

inline SimOptions StandardOptionen() {
    SimOptions o;
    o.uhrStart = QDateTime(QDate(2024, 7, 1), QTime(12, 34, 56));
    o.datensaetze = 3;
    o.takt = false;
    return o;
}

struct Anlage {
    VirtualPump pump{0};
    std::unique_ptr<SimLogger> logger;
    QByteArray rx;                                       // everything the host received
    std::vector<std::pair<Millis, QByteArray>> lieferungen;  // with arrival times
    int abbrueche = 0;                                   // dropLine calls

    explicit Anlage(SimOptions o = StandardOptionen()) {
        logger = std::make_unique<SimLogger>(pump, std::move(o));
        logger->sendToHost = [this](const QByteArray& b) {
            rx += b;
            lieferungen.emplace_back(pump.now(), b);
        };
        logger->dropLine = [this] { ++abbrueche; };
    }
    // Writes bytes to the logger and returns what arrives within ms.
    QByteArray Frage(const QByteArray& bytes, Millis ms = 1000) {
        rx.clear();
        lieferungen.clear();
        logger->hostWrote(bytes);
        pump.advance(ms);
        return rx;
    }
    QByteArray Befehl(const char* wort, Millis ms = 1000) { return Frage(BaueRahmen(wort), ms); }
};

// The payload of a reply consisting of exactly one valid data frame, else "".
inline QByteArray Nutzdaten(const QByteArray& antwort) {
    if (!antwort.endsWith('\r')) return {};
    return PruefeRahmen(antwort.chopped(1));
}

}  // namespace nuvar::test
