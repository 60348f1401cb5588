#include "platform/TriggerPort.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace nuvar {

Millis TicksToMs(int ticks) {
    if (ticks <= 0) return 0;
    // 18.2 ticks a second: 91 ticks are exactly 5000 ms.
    return Millis(std::llround(double(ticks) * 10000.0 / 182.0));
}

namespace {
constexpr qint64 kNone = std::numeric_limits<qint64>::max();
}

struct TriggerPort::Impl {
    explicit Impl(EventPump& p, std::unique_ptr<ByteSource> s) : pump(p), timers(p), owned(std::move(s)) {}

    EventPump& pump;
    PumpTimers timers;  // every callback below holds this Impl
    std::unique_ptr<ByteSource> owned;
    ByteSource* line = nullptr;  // borrowed line of a telephone call
    int com = 1;
    int baud = 9600;
    bool overflowReported = false;
    WireTrace* trace = nullptr;

    struct DataTrig {
        Handle h;
        QByteArray seq;
        qint64 resume;  // absolute stream offset where the next match may start
    };
    struct TimerTrig {
        EventPump::TimerId id = 0;
        bool armed = false;
    };
    std::vector<DataTrig> dataTrigs;  // registration order
    std::map<Handle, TimerTrig> timerTrigs;
    Handle nextHandle = 1;

    // Received stream. buf holds the bytes from absolute offset bufBase on:
    // a short look-behind of delivered bytes (so a sequence that started in
    // an earlier delivery is still found) followed by the undelivered bytes.
    QByteArray buf;
    qint64 bufBase = 0;
    qint64 delivered = 0;       // everything before this went through OnTriggerAvail
    qint64 firedAt = -1;        // start of the last match that fired
    qint64 releasedUpTo = 0;    // held-back prefixes before this are given up
    EventPump::TimerId holdTimer = 0;
    EventPump::TimerId retryTimer = 0;  // re-scan after triggers were removed

    // Delivered bytes not yet taken by GetChar/GetBlock.
    QByteArray in;
    qsizetype inHead = 0;

    TriggerPort* owner = nullptr;

    ByteSource& src() { return line ? *line : *owned; }

    qint64 end() const { return bufBase + buf.size(); }

    int maxSeqLen() const {
        int m = 1;
        for (const auto& t : dataTrigs) m = std::max<int>(m, int(t.seq.size()));
        return m;
    }

    qint64 newTriggerStart() const {
        // A trigger added while the match at firedAt is being handled must not
        // see that same match again.
        return std::max(delivered, firedAt == delivered ? firedAt + 1 : delivered);
    }

    void trimLookBehind() {
        const qint64 keepFrom = std::max(bufBase, delivered - qint64(maxSeqLen() - 1));
        if (keepFrom > bufBase) {
            buf.remove(0, qsizetype(keepFrom - bufBase));
            bufBase = keepFrom;
        }
    }

    void appendIn(const QByteArray& bytes) {
        if (inHead > 0 && inHead >= in.size() / 2) {
            in.remove(0, inHead);
            inHead = 0;
        }
        in.append(bytes);
        const qsizetype used = in.size() - inHead;
        if (used > kInBufferLimit) {
            const qsizetype drop = used - kInBufferLimit;
            inHead += drop;
            if (!overflowReported) {
                overflowReported = true;
                const QString reason = QStringLiteral("Eingangspuffer übergelaufen: %1 Bytes verworfen.").arg(drop);
                timers.post([this, reason] {
                    if (owner->OnLineError) owner->OnLineError(reason);
                });
            }
        } else if (used < kInBufferLimit / 2) {
            overflowReported = false;
        }
    }

    void received(const QByteArray& bytes) {
        if (bytes.isEmpty()) return;
        if (trace) trace->Received(bytes);
        buf.append(bytes);
        process();
    }

    // Hands out the undelivered bytes in order: bytes before a match through
    // OnTriggerAvail, then OnTriggerData for every trigger matching there, then
    // the matched bytes onwards. The state is updated before each callback and
    // recomputed afterwards, so a handler may add or remove triggers, read,
    // flush, or pump events (and so re-enter here) at will.
    void process() {
        for (;;) {
            const qint64 e = end();
            if (delivered >= e) return;

            qint64 best = kNone;
            for (const auto& t : dataTrigs) {
                const qint64 from = std::max(t.resume, bufBase);
                const qsizetype idx = buf.indexOf(t.seq, qsizetype(from - bufBase));
                if (idx < 0) continue;
                best = std::min(best, std::max(bufBase + idx, delivered));
            }

            // A tail that may be the start of a longer sequence is held back
            // for a moment, so that the bytes before the match and the match
            // itself reach the engine in the promised order.
            qint64 hold = kNone;
            const qint64 holdFrom = std::max(std::max(delivered, releasedUpTo), e - qint64(maxSeqLen() - 1));
            for (qint64 p = holdFrom; p < e && hold == kNone; ++p) {
                const QByteArray rest = buf.mid(qsizetype(p - bufBase));
                for (const auto& t : dataTrigs) {
                    if (t.seq.size() > rest.size() && p >= t.resume && t.seq.startsWith(rest)) {
                        hold = p;
                        break;
                    }
                }
            }

            const qint64 limit = std::min({best, hold, e});
            if (limit > delivered) {
                const QByteArray seg = buf.mid(qsizetype(delivered - bufBase), qsizetype(limit - delivered));
                delivered = limit;
                appendIn(seg);
                trimLookBehind();
                if (owner->OnTriggerAvail) owner->OnTriggerAvail(int(seg.size()));
                continue;
            }
            if (best == delivered) {
                std::vector<Handle> fire;
                bool startsHere = false;
                for (auto& t : dataTrigs) {
                    const qint64 from = std::max(t.resume, bufBase);
                    const qsizetype idx = buf.indexOf(t.seq, qsizetype(from - bufBase));
                    if (idx < 0) continue;
                    const qint64 s = bufBase + idx;
                    if (std::max(s, delivered) != delivered) continue;
                    t.resume = s + t.seq.size();
                    if (s == delivered) startsHere = true;
                    fire.push_back(t.h);
                }
                if (startsHere) firedAt = delivered;
                for (Handle h : fire) {
                    const bool stillThere = std::any_of(dataTrigs.begin(), dataTrigs.end(),
                                                        [h](const DataTrig& t) { return t.h == h; });
                    if (stillThere && owner->OnTriggerData) owner->OnTriggerData(h);
                }
                continue;
            }
            // Only a held-back prefix is left: give it one tick to complete.
            if (hold != kNone && holdTimer == 0) {
                holdTimer = timers.start(TicksToMs(1), [this] {
                    holdTimer = 0;
                    releasedUpTo = end();
                    process();
                });
            }
            return;
        }
    }

    void resetStream() {
        buf.clear();
        bufBase = delivered = end();
        releasedUpTo = delivered;
        in.clear();
        inHead = 0;
        overflowReported = false;
        timers.cancel(holdTimer);
        for (auto& t : dataTrigs) t.resume = std::max(t.resume, delivered);
    }

    void attach(ByteSource& s) {
        s.onReceived = [this](const QByteArray& b) { received(b); };
        s.onError = [this](const QString& reason) {
            if (trace) trace->Note(QStringLiteral("Leitungsfehler: ") + reason);
            if (owner->OnLineError) owner->OnLineError(reason);
        };
    }
    static void detach(ByteSource& s) {
        s.onReceived = nullptr;
        s.onError = nullptr;
    }

    void disarm(TimerTrig& t) {
        timers.cancel(t.id);
        t.armed = false;
    }

    void rescanLater() {
        if (delivered >= end() || retryTimer) return;
        retryTimer = timers.post([this] {
            retryTimer = 0;
            process();
        });
    }

    static constexpr qsizetype kInBufferLimit = 1 << 20;
};

TriggerPort::TriggerPort(EventPump& pump, std::unique_ptr<ByteSource> source)
    : d(std::make_unique<Impl>(pump, std::move(source))) {
    d->owner = this;
    d->attach(*d->owned);
}

TriggerPort::~TriggerPort() {
    d->timers.cancelAll();
    if (d->src().isOpen()) d->src().close();
    Impl::detach(d->src());
}

void TriggerPort::SetComNumber(int n) {
    d->com = n;
    d->owned->setPortNumber(n);
}
int TriggerPort::ComNumber() const { return d->com; }

void TriggerPort::SetBaud(int baud) {
    d->baud = baud;
    if (d->src().isOpen()) {
        d->src().setBaudRate(baud);
        if (d->trace) d->trace->Note(QStringLiteral("%1 Baud").arg(baud));
    }
}
int TriggerPort::Baud() const { return d->baud; }

bool TriggerPort::Open(QString* reason) {
    if (d->src().isOpen()) return true;
    d->resetStream();
    QString why;
    if (!d->src().open(d->baud, &why)) {
        if (d->trace) d->trace->Note(QStringLiteral("Öffnen von COM%1 fehlgeschlagen: %2").arg(d->com).arg(why));
        if (reason) *reason = why;
        return false;
    }
    if (d->trace)
        d->trace->Note(d->line ? QStringLiteral("Leitung der Modemverbindung geöffnet, %1 Baud").arg(d->baud)
                               : QStringLiteral("COM%1 geöffnet, %2 Baud").arg(d->com).arg(d->baud));
    return true;
}

void TriggerPort::Close() {
    for (auto& [h, t] : d->timerTrigs) d->disarm(t);
    if (d->src().isOpen()) {
        d->src().close();
        if (d->trace) d->trace->Note(QStringLiteral("Schnittstelle geschlossen"));
    }
    d->resetStream();
}

bool TriggerPort::IsOpen() const { return d->src().isOpen(); }

void TriggerPort::SetDtr(bool on) {
    if (!d->src().isOpen()) return;
    d->src().setDtr(on);
    if (d->trace) d->trace->Note(on ? QStringLiteral("DTR an") : QStringLiteral("DTR aus"));
}

void TriggerPort::SetTrace(WireTrace* trace) { d->trace = trace; }

ByteSource& TriggerPort::Source() { return d->src(); }

void TriggerPort::SetLine(ByteSource* line) {
    if (line == d->line) return;
    if (d->src().isOpen()) Close();
    Impl::detach(d->src());
    d->line = line;
    d->attach(d->src());
    d->resetStream();
}

ByteSource* TriggerPort::Line() const { return d->line; }

TriggerPort::Handle TriggerPort::AddDataTrigger(const QByteArray& sequence) {
    if (sequence.isEmpty()) return 0;
    const Handle h = d->nextHandle++;
    d->dataTrigs.push_back({h, sequence, d->newTriggerStart()});
    return h;
}

void TriggerPort::RemoveTrigger(Handle h) {
    auto& v = d->dataTrigs;
    v.erase(std::remove_if(v.begin(), v.end(), [h](const Impl::DataTrig& t) { return t.h == h; }), v.end());
    auto it = d->timerTrigs.find(h);
    if (it != d->timerTrigs.end()) {
        d->disarm(it->second);
        d->timerTrigs.erase(it);
    }
    // A held-back prefix may belong to the removed sequence.
    d->rescanLater();
}

void TriggerPort::RemoveAllTriggers() {
    d->dataTrigs.clear();
    for (auto& [h, t] : d->timerTrigs) d->disarm(t);
    d->timerTrigs.clear();
    d->rescanLater();
}

TriggerPort::Handle TriggerPort::AddTimerTrigger() {
    const Handle h = d->nextHandle++;
    d->timerTrigs.emplace(h, Impl::TimerTrig{});
    return h;
}

void TriggerPort::SetTimerTrigger(Handle h, int ticks, bool activate) {
    auto it = d->timerTrigs.find(h);
    if (it == d->timerTrigs.end()) return;
    d->disarm(it->second);
    if (!activate) return;
    it->second.armed = true;
    it->second.id = d->timers.start(TicksToMs(ticks), [this, h] {
        auto t = d->timerTrigs.find(h);
        if (t == d->timerTrigs.end()) return;
        t->second.armed = false;
        t->second.id = 0;
        if (OnTriggerTimer) OnTriggerTimer(h);
    });
}

bool TriggerPort::TimerArmed(Handle h) const {
    auto it = d->timerTrigs.find(h);
    return it != d->timerTrigs.end() && it->second.armed;
}

int TriggerPort::InBuffUsed() const { return int(d->in.size() - d->inHead); }

int TriggerPort::GetChar() {
    if (d->inHead >= d->in.size()) return -1;
    return static_cast<unsigned char>(d->in[d->inHead++]);
}

QByteArray TriggerPort::GetBlock(int count) {
    const qsizetype n = std::min<qsizetype>(std::max(count, 0), d->in.size() - d->inHead);
    QByteArray out = d->in.mid(d->inHead, n);
    d->inHead += n;
    return out;
}

void TriggerPort::PutString(const QByteArray& bytes) {
    if (bytes.isEmpty() || !d->src().isOpen()) return;
    if (d->trace) d->trace->Sent(bytes);
    d->src().write(bytes);
}

void TriggerPort::FlushInBuffer() {
    d->in.clear();
    d->inHead = 0;
    d->delivered = d->end();
    d->releasedUpTo = d->delivered;
    for (auto& t : d->dataTrigs) t.resume = std::max(t.resume, d->delivered);
    d->trimLookBehind();
    d->timers.cancel(d->holdTimer);
}

} // namespace nuvar
