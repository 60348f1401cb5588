#include "sim/SimLeitung.h"

#include <algorithm>

namespace nuvar {

SimLeitung::SimLeitung(EventPump& pump, int baud, bool takt)
    : pump_(pump), baud_(baud > 0 ? baud : 9600), takt_(takt) {}

SimLeitung::~SimLeitung() {
    if (timer_) pump_.cancelTimer(timer_);
}

Millis SimLeitung::Ankunft(qint64 n) const {
    // Rounded up: a byte never arrives before its stop bit could have.
    const qint64 bits = (n + 1) * 10 * 1000;
    return start_ + (bits + baud_ - 1) / baud_;
}

void SimLeitung::Schreibe(const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    if (!timer_) {
        // The line was idle: a new burst starts now.
        start_ = pump_.now();
        gesendet_ = 0;
    }
    warteschlange_ += bytes;
    if (!timer_) {
        const qint64 proStueck = std::max(1, baud_ / 1000);
        const qint64 letztes = std::min<qint64>(proStueck, warteschlange_.size()) - 1;
        const Millis bis = takt_ ? Ankunft(letztes) - pump_.now() : 0;
        timer_ = pump_.startTimer(bis, [this] { Weiter(); });
    }
}

void SimLeitung::Verwerfen() {
    warteschlange_.clear();
    if (timer_) pump_.cancelTimer(timer_);
    timer_ = 0;
}

void SimLeitung::Weiter() {
    timer_ = 0;
    QByteArray stueck;
    if (!takt_) {
        stueck.swap(warteschlange_);
    } else {
        // Everything whose stop bit has gone out by now, at most about ten
        // milliseconds' worth since the last hand-over.
        const Millis jetzt = pump_.now();
        qint64 n = 0;
        while (n < warteschlange_.size() && Ankunft(gesendet_ + n) <= jetzt) ++n;
        n = std::max<qint64>(n, 1);
        stueck = warteschlange_.left(n);
        warteschlange_.remove(0, n);
        gesendet_ += n;
    }
    if (!warteschlange_.isEmpty()) {
        // The next hand-over carries up to ten milliseconds of bytes.
        const qint64 proStueck = std::max(1, baud_ / 1000);
        const qint64 letztes = gesendet_ + std::min<qint64>(proStueck, warteschlange_.size()) - 1;
        timer_ = pump_.startTimer(std::max<Millis>(0, Ankunft(letztes) - pump_.now()), [this] { Weiter(); });
    }
    if (ausgabe) ausgabe(stueck);
}

}  // namespace nuvar
