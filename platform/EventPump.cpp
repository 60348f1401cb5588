#include "platform/EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <unordered_map>

namespace nuvar {

void EventPump::Delay(int ms) {
    const int rounds = ms / 10;
    if (rounds <= 0) return;
    // One deadline for all rounds, so handlers that take time inside a round
    // do not stretch the whole delay, and it never ends early.
    const Millis end = now() + Millis(rounds) * 10 + resolution();
    for (int i = 0; i < rounds; ++i) {
        const Millis roundEnd = end - Millis(rounds - 1 - i) * 10;
        while (now() < roundEnd) waitForEvents(roundEnd - now());
        processEvents();
    }
}

bool EventPump::waitUntil(const std::function<bool()>& pred, Millis maxMs) {
    const Millis end = maxMs < 0 ? -1 : now() + maxMs;
    processEvents();
    while (!pred()) {
        if (end >= 0) {
            const Millis left = end - now();
            if (left <= 0) return pred();
            waitForEvents(left);
        } else {
            waitForEvents(1000);
        }
    }
    return true;
}

// ---- PumpTimers ------------------------------------------------------------

EventPump::TimerId PumpTimers::start(Millis delayMs, EventPump::Callback cb) {
    // The pump gives the id only after the timer exists; neither pump runs a
    // callback from inside startTimer, so the holder is filled in time.
    auto id = std::make_shared<EventPump::TimerId>(0);
    *id = pump_.startTimer(delayMs, [this, id, cb = std::move(cb)] {
        pending_.erase(*id);
        cb();  // may destroy this handle: nothing of it is touched afterwards
    });
    pending_.insert(*id);
    return *id;
}

void PumpTimers::cancel(EventPump::TimerId& id) {
    if (id == 0) return;
    if (pending_.erase(id)) pump_.cancelTimer(id);
    id = 0;
}

void PumpTimers::cancelAll() {
    for (EventPump::TimerId id : pending_) pump_.cancelTimer(id);
    pending_.clear();
}

// ---- VirtualPump -----------------------------------------------------------

bool VirtualPump::runOneDue() {
    if (queue_.empty()) return false;
    auto it = queue_.begin();
    if (it->first.due > now_) return false;
    Callback cb = std::move(it->second.second);
    index_.erase(it->second.first);
    queue_.erase(it);
    cb();
    return true;
}

void VirtualPump::processEvents() {
    while (runOneDue()) {
    }
}

void VirtualPump::waitForEvents(Millis maxMs) {
    if (runOneDue()) {
        processEvents();
        return;
    }
    Millis target = now_ + (maxMs < 0 ? 0 : maxMs);
    if (!queue_.empty() && queue_.begin()->first.due < target) target = queue_.begin()->first.due;
    if (target > now_) now_ = target;
    processEvents();
}

EventPump::TimerId VirtualPump::startTimer(Millis delayMs, Callback cb) {
    const TimerId id = nextId_++;
    const Key key{now_ + (delayMs < 0 ? 0 : delayMs), seq_++};
    queue_.emplace(key, std::make_pair(id, std::move(cb)));
    index_.emplace(id, key);
    return id;
}

void VirtualPump::cancelTimer(TimerId id) {
    auto it = index_.find(id);
    if (it == index_.end()) return;
    queue_.erase(it->second);
    index_.erase(it);
}

void VirtualPump::advance(Millis ms) {
    const Millis end = now_ + ms;
    while (!queue_.empty() && queue_.begin()->first.due <= end) {
        if (queue_.begin()->first.due > now_) now_ = queue_.begin()->first.due;
        runOneDue();
    }
    now_ = end;
}

Millis VirtualPump::nextDue() const { return queue_.empty() ? -1 : queue_.begin()->first.due; }

// ---- QtPump ----------------------------------------------------------------

struct QtPump::Impl {
    QElapsedTimer clock;
    // Parent of every timer object, so a count shows when one is left behind.
    QObject besitzer;
    std::unordered_map<TimerId, QTimer*> timers;
    TimerId nextId = 1;
};

QtPump::QtPump() : d(std::make_unique<Impl>()) { d->clock.start(); }

QtPump::~QtPump() {
    for (auto& [id, t] : d->timers) delete t;
}

Millis QtPump::now() const { return d->clock.elapsed(); }

void QtPump::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtPump::waitForEvents(Millis maxMs) {
    // Block in the event loop: a waiting program uses no CPU. The guard timer
    // bounds the wait; any other event also wakes us.
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(int(maxMs < 0 ? 0 : (maxMs > 1000000 ? 1000000 : maxMs)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    processEvents();
}

EventPump::TimerId QtPump::startTimer(Millis delayMs, Callback cb) {
    const TimerId id = d->nextId++;
    auto* t = new QTimer(&d->besitzer);
    t->setSingleShot(true);
    t->setTimerType(Qt::PreciseTimer);
    QObject::connect(t, &QTimer::timeout, t, [this, id, cb = std::move(cb)]() {
        auto it = d->timers.find(id);
        if (it == d->timers.end()) return;
        QTimer* self = it->second;
        d->timers.erase(it);
        self->deleteLater();
        cb();
    });
    d->timers.emplace(id, t);
    t->start(int(delayMs < 0 ? 0 : delayMs));
    return id;
}

void QtPump::cancelTimer(TimerId id) {
    auto it = d->timers.find(id);
    if (it == d->timers.end()) return;
    // Deleted at once: deleteLater from outside every event handler (a
    // sequence command runs before the event loop does) would wait for an
    // event loop that never runs, and the object and its event would pile up
    // for the whole run. A timer still in the map is never inside its own
    // timeout (that removes it first), so nothing on the stack uses it.
    QTimer* t = it->second;
    d->timers.erase(it);
    delete t;
}

std::size_t QtPump::Zeitgeberobjekte() const { return std::size_t(d->besitzer.children().size()); }

} // namespace nuvar
