#pragma once
// The one owner of time. Everything runs on one thread: a wait is a loop that
// pumps events until a flag flips, and the handlers (bytes arrived, a timer
// fired, a macro came in) run inside that loop. The real pump is Qt's event
// loop; the virtual pump is a queue of timed callbacks whose clock only moves
// when somebody waits, so protocol tests are fast and exact.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace nuvar {

using Millis = std::int64_t;

class EventPump {
public:
    using TimerId = std::uint64_t;
    using Callback = std::function<void()>;

    virtual ~EventPump() = default;

    // Milliseconds since an arbitrary start.
    virtual Millis now() const = 0;
    // Runs every event and timer that is due, without blocking.
    virtual void processEvents() = 0;
    // Blocks until at least one event has been handled or maxMs have passed
    // (whichever comes first); handles what is due. Never spins.
    virtual void waitForEvents(Millis maxMs) = 0;
    // One-shot timer: cb runs from the pump delayMs after now.
    virtual TimerId startTimer(Millis delayMs, Callback cb) = 0;
    virtual void cancelTimer(TimerId id) = 0;
    // Resolution of now(): a clock that counts whole milliseconds may read a
    // start up to one of them late, so Delay adds it to never end early.
    virtual Millis resolution() const { return 0; }
    // Runs cb at the next processEvents (a zero-delay timer).
    TimerId post(Callback cb) { return startTimer(0, std::move(cb)); }

    // Waits ms milliseconds in 10-ms rounds, handling events in each round;
    // below 10 ms it returns at once.
    void Delay(int ms);
    // Handles events until pred() holds or maxMs have passed (maxMs < 0: no
    // limit). Returns pred().
    bool waitUntil(const std::function<bool()>& pred, Millis maxMs = -1);
};

// The one handle an object keeps for its timers and posted callbacks. They
// capture the owner's `this`, and the pump outlives the owner: a callback
// still queued when the owner goes would run on a destroyed object. Every
// timer started through the handle is cancelled with it (the handle is a
// member, so the owner's destructor does it), and each one forgets itself
// when it runs. A callback may destroy its owner, handle included.
class PumpTimers {
public:
    explicit PumpTimers(EventPump& pump) : pump_(pump) {}
    ~PumpTimers() { cancelAll(); }
    PumpTimers(const PumpTimers&) = delete;
    PumpTimers& operator=(const PumpTimers&) = delete;

    EventPump& pump() const { return pump_; }
    // One-shot timer, as EventPump::startTimer.
    EventPump::TimerId start(Millis delayMs, EventPump::Callback cb);
    // Runs cb at the next processEvents.
    EventPump::TimerId post(EventPump::Callback cb) { return start(0, std::move(cb)); }
    // Cancels the timer if it is still pending and sets id to 0.
    void cancel(EventPump::TimerId& id);
    void cancelAll();
    bool pending(EventPump::TimerId id) const { return pending_.count(id) != 0; }
    bool empty() const { return pending_.empty(); }

private:
    EventPump& pump_;
    std::set<EventPump::TimerId> pending_;
};

// Test pump: time stands still until a wait advances it to the next timer.
class VirtualPump : public EventPump {
public:
    explicit VirtualPump(Millis start = 0) : now_(start) {}
    Millis now() const override { return now_; }
    void processEvents() override;
    void waitForEvents(Millis maxMs) override;
    TimerId startTimer(Millis delayMs, Callback cb) override;
    void cancelTimer(TimerId id) override;

    // Moves the clock forward by ms, running every timer on its due time.
    void advance(Millis ms);
    bool hasPending() const { return !queue_.empty(); }
    // Due time of the earliest timer, or -1.
    Millis nextDue() const;

private:
    bool runOneDue();
    struct Key {
        Millis due;
        std::uint64_t seq;
        bool operator<(const Key& o) const { return due != o.due ? due < o.due : seq < o.seq; }
    };
    Millis now_;
    std::uint64_t seq_ = 0;
    std::map<Key, std::pair<TimerId, Callback>> queue_;
    std::map<TimerId, Key> index_;
    TimerId nextId_ = 1;
};

// Real pump on Qt's event loop. Needs a QCoreApplication.
class QtPump : public EventPump {
public:
    QtPump();
    ~QtPump() override;
    Millis now() const override;
    Millis resolution() const override { return 1; }
    void processEvents() override;
    void waitForEvents(Millis maxMs) override;
    TimerId startTimer(Millis delayMs, Callback cb) override;
    void cancelTimer(TimerId id) override;
    // Timer objects alive: pending ones, and fired ones until events are
    // next processed.
    std::size_t Zeitgeberobjekte() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace nuvar
