#include "platform/EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <vector>

using namespace nuvar;

TEST(VirtualPump, TimersRunInDueOrderAndOnlyWhenTimeReachesThem) {
    VirtualPump pump;
    std::vector<int> order;
    pump.startTimer(30, [&] { order.push_back(3); });
    pump.startTimer(10, [&] { order.push_back(1); });
    auto cancelled = pump.startTimer(20, [&] { order.push_back(2); });
    pump.startTimer(10, [&] { order.push_back(11); });  // same due time: first come first
    pump.cancelTimer(cancelled);
    pump.processEvents();
    EXPECT_TRUE(order.empty());
    pump.advance(10);
    EXPECT_EQ(order, (std::vector<int>{1, 11}));
    pump.advance(100);
    EXPECT_EQ(order, (std::vector<int>{1, 11, 3}));
    EXPECT_EQ(pump.now(), 110);
}

TEST(VirtualPump, DelayWaitsWholeTenMillisecondRoundsAndHandlesEvents) {
    struct Case { int ms; Millis waited; };
    for (Case c : {Case{9, 0}, Case{0, 0}, Case{-5, 0}, Case{10, 10}, Case{500, 500}, Case{505, 500}}) {
        VirtualPump pump(1000);
        int fired = 0;
        pump.startTimer(5, [&] { ++fired; });
        pump.Delay(c.ms);
        EXPECT_EQ(pump.now() - 1000, c.waited) << c.ms;
        EXPECT_EQ(fired, c.waited > 0 ? 1 : 0) << c.ms;
    }
}

TEST(VirtualPump, WaitUntilStopsAtTheFlagOrTheLimit) {
    VirtualPump pump;
    bool flag = false;
    pump.startTimer(250, [&] { flag = true; });
    EXPECT_TRUE(pump.waitUntil([&] { return flag; }));
    EXPECT_EQ(pump.now(), 250);
    EXPECT_FALSE(pump.waitUntil([] { return false; }, 1000));
    EXPECT_EQ(pump.now(), 1250);
}

TEST(VirtualPump, CallbackMayStartAndCancelTimers) {
    VirtualPump pump;
    int n = 0;
    std::function<void()> tick = [&] { if (++n < 5) pump.startTimer(55, tick); };
    pump.startTimer(55, tick);
    pump.advance(1000);
    EXPECT_EQ(n, 5);
    EXPECT_FALSE(pump.hasPending());
}

TEST(QtPump, DelayTakesRealTimeAndTimersFire) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QtPump pump;
    bool fired = false;
    pump.startTimer(20, [&] { fired = true; });
    QElapsedTimer t;
    t.start();
    pump.Delay(100);
    EXPECT_GE(t.elapsed(), 100);
    EXPECT_TRUE(fired);
    auto id = pump.startTimer(10, [&] { fired = false; });
    pump.cancelTimer(id);
    pump.Delay(30);
    EXPECT_TRUE(fired);
}

// A sequence command runs before any event loop does: the timers it cancels
// (a hang timer per downloaded block) and those that fired must not stay
// behind for the rest of the run.
TEST(QtPump, TimersLeaveNoObjectBehindBeforeTheEventLoopRuns) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QtPump pump;
    for (int i = 0; i < 100; ++i) pump.cancelTimer(pump.startTimer(60000, [] {}));
    pump.processEvents();
    EXPECT_EQ(pump.Zeitgeberobjekte(), 0u);

    // Fired, and one cancelled from inside another's callback.
    int ran = 0;
    EventPump::TimerId spaet = pump.startTimer(60000, [&] { ran += 100; });
    for (int i = 0; i < 10; ++i) pump.post([&] { ++ran; });
    pump.post([&] { pump.cancelTimer(spaet); });
    ASSERT_TRUE(pump.waitUntil([&] { return ran == 10 && pump.Zeitgeberobjekte() <= 11; }, 5000));
    pump.processEvents();
    EXPECT_EQ(ran, 10);
    EXPECT_EQ(pump.Zeitgeberobjekte(), 0u);
}

TEST(PumpTimers, EachRunsOnceAndWhatIsPendingGoesWithTheHandle) {
    VirtualPump pump;
    std::vector<int> ran;
    auto timers = std::make_unique<PumpTimers>(pump);
    EventPump::TimerId a = timers->start(10, [&] { ran.push_back(1); });
    EventPump::TimerId b = timers->post([&] { ran.push_back(2); });
    timers->start(30, [&] { ran.push_back(3); });
    EXPECT_TRUE(timers->pending(a) && timers->pending(b));
    pump.processEvents();
    EXPECT_EQ(ran, std::vector<int>{2});
    EXPECT_FALSE(timers->pending(b));  // a timer that ran is forgotten
    timers->cancel(a);
    EXPECT_EQ(a, 0u);
    timers->cancel(b);  // already run: nothing to cancel, nothing breaks
    pump.advance(20);
    EXPECT_EQ(ran, std::vector<int>{2});
    // Destroying the handle takes the timer still pending with it.
    timers.reset();
    EXPECT_FALSE(pump.hasPending());
    pump.advance(100);
    EXPECT_EQ(ran, std::vector<int>{2});
}

TEST(PumpTimers, ACallbackMayDestroyItsOwnerAndTheOwnersOtherTimers) {
    VirtualPump pump;
    std::vector<int> ran;
    auto timers = std::make_unique<PumpTimers>(pump);
    timers->post([&] {
        ran.push_back(1);
        timers.reset();
    });
    timers->post([&] { ran.push_back(2); });
    pump.processEvents();
    EXPECT_EQ(ran, std::vector<int>{1});
    EXPECT_FALSE(pump.hasPending());
}
