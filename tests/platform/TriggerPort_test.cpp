#include "platform/PeerLine.h"
#include "platform/TriggerPort.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

using namespace nuvar;

namespace {

// The far end: records what the host wrote; the test pushes bytes with send().
struct Wire : WirePeer {
    QByteArray got;
    std::function<void(const QByteArray&)> answer;
    void hostWrote(const QByteArray& b) override {
        got += b;
        if (answer) answer(b);
    }
};

// A port on the virtual clock whose handlers write what they see into a log:
// "A:<bytes read>" for an announcement, "T:<name>" for a data trigger.
struct Rig {
    VirtualPump pump;
    Wire wire;
    PeerLine* line = nullptr;
    TriggerPort port{pump, [this] {
                         auto l = std::make_unique<PeerLine>(pump, wire);
                         line = l.get();
                         return l;
                     }()};
    std::vector<std::string> log;
    std::map<TriggerPort::Handle, std::string> names;
    bool readInHandler = true;

    Rig() {
        port.OnTriggerAvail = [this](int count) {
            if (!readInHandler) return;
            std::string s;
            for (int i = 0; i < count; ++i) s += char(port.GetChar());
            log.push_back("A:" + s);
        };
        port.OnTriggerData = [this](TriggerPort::Handle h) { log.push_back("T:" + names[h]); };
        QString why;
        EXPECT_TRUE(port.Open(&why)) << why.toStdString();
    }
    TriggerPort::Handle trigger(const QByteArray& seq, const std::string& name) {
        const auto h = port.AddDataTrigger(seq);
        names[h] = name;
        return h;
    }
    void send(const QByteArray& b) {
        wire.sendToHost(b);
        pump.processEvents();
    }
};

using Log = std::vector<std::string>;

} // namespace

TEST(TriggerPort, TicksAreOneEighteenPointTwoOfASecond) {
    struct Case { int ticks; Millis ms; };
    for (Case c : {Case{0, 0}, Case{-3, 0}, Case{1, 55}, Case{36, 1978}, Case{91, 5000}, Case{182, 10000}})
        EXPECT_EQ(TicksToMs(c.ticks), c.ms) << c.ticks;
}

TEST(TriggerPort, BytesBeforeAMatchComeFirstThenTheTriggerThenTheMatch) {
    struct Case {
        const char* what;
        std::vector<std::pair<QByteArray, std::string>> triggers;
        std::vector<QByteArray> deliveries;
        Log expected;
    };
    const std::vector<Case> cases = {
        {"CR split from its line",
         {{"\r", "cr"}},
         {"\x02\nAB", "C\r", "\x06"},
         {"A:\x02\nAB", "A:C", "T:cr", "A:\r", "A:\x06"}},
        {"several CRs in one delivery",
         {{"\r", "cr"}},
         {"L1\rL2\rL3"},
         {"A:L1", "T:cr", "A:\rL2", "T:cr", "A:\rL3"}},
        {"CR as first byte and CR CR",
         {{"\r", "cr"}},
         {"\r\rx"},
         {"T:cr", "A:\r", "T:cr", "A:\rx"}},
        {"sequence split across deliveries is held back until complete",
         {{"CONNECT", "con"}},
         {"xxCON", "NE", "CT 9600"},
         {"A:xx", "T:con", "A:CONNECT 9600"}},
        {"a prefix that turns out to be no match is handed on",
         {{"CONNECT", "con"}},
         {"xxCON", "Ny"},
         {"A:xx", "A:CONNy"}},
        {"two triggers matching at one place fire in the order added",
         {{"\r", "cr"}, {"\r\n", "crlf"}},
         {"a\r\nb"},
         {"A:a", "T:cr", "T:crlf", "A:\r\nb"}},
        {"overlapping sequences of different triggers each fire",
         {{"OK\r", "ok"}, {"\r", "cr"}},
         {"OK\rZ"},
         {"T:ok", "A:OK", "T:cr", "A:\rZ"}},
        {"a trigger does not overlap itself",
         {{"aa", "aa"}},
         {"aaa", "a"},
         {"T:aa", "A:aa", "T:aa", "A:aa"}},
        {"no trigger: every delivery announced whole",
         {},
         {"abc", "\r\n"},
         {"A:abc", "A:\r\n"}},
    };
    for (const Case& c : cases) {
        Rig rig;
        for (const auto& [seq, name] : c.triggers) rig.trigger(seq, name);
        for (const QByteArray& d : c.deliveries) rig.send(d);
        EXPECT_EQ(rig.log, c.expected) << c.what;
        EXPECT_EQ(rig.port.InBuffUsed(), 0) << c.what;
    }
}

TEST(TriggerPort, HeldBackPrefixIsReleasedAfterOneTickAndALateCompletionStillFires) {
    Rig rig;
    rig.trigger("CONNECT", "con");
    rig.send("abCO");
    EXPECT_EQ(rig.log, (Log{"A:ab"}));
    rig.pump.advance(TicksToMs(1) - 1);
    EXPECT_EQ(rig.log, (Log{"A:ab"}));
    rig.pump.advance(1);
    EXPECT_EQ(rig.log, (Log{"A:ab", "A:CO"}));
    rig.send("NNECT!");
    EXPECT_EQ(rig.log, (Log{"A:ab", "A:CO", "T:con", "A:NNECT!"}));
}

TEST(TriggerPort, TriggerAddedMidStreamSeesOnlyBytesStillToCome) {
    Rig rig;
    std::vector<TriggerPort::Handle> added;
    const auto first = rig.trigger("\r", "first");
    // Like the engine: every new exchange adds another CR trigger, here from
    // inside the handler of the match that ends the previous line.
    rig.port.OnTriggerData = [&](TriggerPort::Handle h) {
        rig.log.push_back("T:" + rig.names[h]);
        if (h == first && added.empty()) added.push_back(rig.trigger("\r", "second"));
    };
    rig.send("x\ry\r");
    EXPECT_EQ(rig.log, (Log{"A:x", "T:first", "A:\ry", "T:first", "T:second", "A:\r"}));

    // Added after bytes were announced: those bytes never match it.
    Rig late;
    late.readInHandler = false;
    late.send("p\rq");
    late.trigger("\r", "cr");
    late.send("\r");
    EXPECT_EQ(late.port.GetBlock(100), QByteArray("p\rq\r"));
    EXPECT_EQ(late.log, (Log{"T:cr"}));
}

TEST(TriggerPort, RemovedTriggersStopFiring) {
    Rig rig;
    const auto cr = rig.trigger("\r", "cr");
    const auto lf = rig.trigger("\n", "lf");
    const auto tm = rig.port.AddTimerTrigger();
    int timerFired = 0;
    rig.port.OnTriggerTimer = [&](TriggerPort::Handle) { ++timerFired; };
    rig.port.SetTimerTrigger(tm, 2, true);
    rig.port.RemoveTrigger(cr);
    rig.send("a\rb\nc");
    EXPECT_EQ(rig.log, (Log{"A:a\rb", "T:lf", "A:\nc"}));
    rig.port.RemoveAllTriggers();
    rig.send("\n");
    rig.pump.advance(1000);
    EXPECT_EQ(rig.log, (Log{"A:a\rb", "T:lf", "A:\nc", "A:\n"}));
    EXPECT_EQ(timerFired, 0);
    (void)lf;
}

TEST(TriggerPort, TimerTriggersFireOncePerArmingExactlyOnTime) {
    Rig rig;
    std::vector<std::pair<TriggerPort::Handle, Millis>> fired;
    rig.port.OnTriggerTimer = [&](TriggerPort::Handle h) { fired.emplace_back(h, rig.pump.now()); };
    const auto response = rig.port.AddTimerTrigger();
    const auto indicator = rig.port.AddTimerTrigger();
    const auto disarmed = rig.port.AddTimerTrigger();
    EXPECT_NE(response, indicator);

    rig.port.SetTimerTrigger(response, 91, true);
    rig.port.SetTimerTrigger(indicator, 1, true);
    rig.port.SetTimerTrigger(disarmed, 10, true);
    rig.port.SetTimerTrigger(disarmed, 10, false);
    rig.port.SetTimerTrigger(9999, 1, true);  // unknown handle: ignored
    EXPECT_TRUE(rig.port.TimerArmed(response));
    EXPECT_FALSE(rig.port.TimerArmed(disarmed));

    rig.pump.advance(4999);
    EXPECT_EQ(fired, (std::vector<std::pair<TriggerPort::Handle, Millis>>{{indicator, 55}}));
    rig.pump.advance(1);
    EXPECT_EQ(fired.back(), std::make_pair(response, Millis(5000)));
    EXPECT_FALSE(rig.port.TimerArmed(response));
    rig.pump.advance(60000);
    EXPECT_EQ(fired.size(), 2u);

    // Re-arming restarts the count from now.
    rig.port.SetTimerTrigger(response, 36, true);
    rig.pump.advance(1000);
    rig.port.SetTimerTrigger(response, 36, true);
    rig.pump.advance(1977);
    EXPECT_EQ(fired.size(), 2u);
    rig.pump.advance(1);
    EXPECT_EQ(fired.back(), std::make_pair(response, Millis(65000 + 1000 + 1978)));

    // Closing the port disarms, reopening does not re-arm.
    rig.port.SetTimerTrigger(response, 5, true);
    rig.port.Close();
    QString why;
    ASSERT_TRUE(rig.port.Open(&why));
    rig.pump.advance(10000);
    EXPECT_EQ(fired.size(), 3u);
}

TEST(TriggerPort, PutStringNeverCallsBackAndAnswersArriveFromThePump) {
    Rig rig;
    rig.trigger("\r", "cr");
    rig.wire.answer = [&](const QByteArray&) {
        if (rig.wire.got.endsWith('\r')) rig.wire.sendToHost("\x02\n\x06\x03\r");
    };
    rig.port.PutString("STOPMO\r");
    EXPECT_TRUE(rig.log.empty());
    rig.pump.advance(1000);
    EXPECT_EQ(rig.wire.got, QByteArray("STOPMO\r"));
    EXPECT_EQ(rig.log, (Log{"A:\x02\n\x06\x03", "T:cr", "A:\r"}));
}

TEST(TriggerPort, SlowReaderLosesNothingAndFlushDropsWhatIsUnread) {
    Rig rig;
    rig.readInHandler = false;
    QByteArray all;
    for (int i = 0; i < 10000; ++i) all.append(char(i * 7));
    for (int off = 0; off < all.size(); off += 1000) rig.send(all.mid(off, 1000));
    EXPECT_EQ(rig.port.InBuffUsed(), 10000);
    EXPECT_EQ(rig.port.GetBlock(3), all.left(3));
    EXPECT_EQ(rig.port.GetChar(), static_cast<unsigned char>(all[3]));
    EXPECT_EQ(rig.port.GetBlock(20000), all.mid(4));
    EXPECT_EQ(rig.port.GetChar(), -1);

    rig.send("junk");
    rig.port.FlushInBuffer();
    EXPECT_EQ(rig.port.InBuffUsed(), 0);
    rig.send("ok");
    EXPECT_EQ(rig.port.GetBlock(10), QByteArray("ok"));
}

TEST(TriggerPort, AStalledReaderOverflowsOnceReportedKeepingTheNewestBytes) {
    Rig rig;
    rig.readInHandler = false;
    std::vector<QString> errors;
    rig.port.OnLineError = [&](const QString& r) { errors.push_back(r); };
    const QByteArray chunk(256 * 1024, 'a');
    for (int i = 0; i < 4; ++i) rig.send(chunk);
    EXPECT_TRUE(errors.empty());
    rig.send("tail");
    rig.send("more");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Eingangspuffer übergelaufen"))) << errors[0].toStdString();
    EXPECT_EQ(rig.port.InBuffUsed(), 1 << 20);
    EXPECT_TRUE(rig.port.GetBlock(1 << 20).endsWith("tailmore"));
}

TEST(TriggerPort, HandlerThatPumpsEventsSeesLaterLinesInOrderOnce) {
    // The instantaneous-stream handler waits 500 ms inside the trigger event;
    // lines arriving meanwhile are delivered from within that wait.
    Rig rig;
    const auto cr = rig.trigger("\r", "cr");
    int depth = 0, maxDepth = 0;
    rig.port.OnTriggerData = [&](TriggerPort::Handle h) {
        rig.log.push_back("T:" + rig.names[h]);
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        rig.pump.Delay(500);
        --depth;
    };
    rig.pump.startTimer(100, [&] { rig.wire.sendToHost("L2\r"); });
    rig.wire.sendToHost("L1\r");
    rig.pump.advance(2000);
    EXPECT_EQ(rig.log, (Log{"A:L1", "T:cr", "A:\rL2", "T:cr", "A:\r"}));
    EXPECT_EQ(maxDepth, 2);
    (void)cr;
}

TEST(TriggerPort, LineErrorsAndOpenFailuresReachTheEngine) {
    Rig rig;
    std::vector<QString> errors;
    rig.port.OnLineError = [&](const QString& r) { errors.push_back(r); };
    rig.wire.dropLine();
    rig.pump.processEvents();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_FALSE(rig.port.IsOpen());
    rig.port.PutString("ignored");  // a dead line takes nothing, and does not crash
    rig.pump.advance(100);
    EXPECT_TRUE(rig.wire.got.isEmpty());

    rig.line->refuseOpen(QStringLiteral("Das Gerät /dev/ttyUSB0 existiert nicht."));
    QString why;
    EXPECT_FALSE(rig.port.Open(&why));
    EXPECT_EQ(why, QStringLiteral("Das Gerät /dev/ttyUSB0 existiert nicht."));
}

TEST(TriggerPort, PortSettingsReachTheLine) {
    Rig rig;
    rig.port.SetComNumber(3);
    rig.port.SetBaud(2400);
    EXPECT_EQ(rig.line->portNumber(), 3);
    EXPECT_EQ(rig.line->baudRate(), 2400);
    rig.port.SetDtr(false);
    EXPECT_FALSE(rig.line->dtr());
    EXPECT_EQ(rig.port.ComNumber(), 3);
    EXPECT_EQ(rig.port.Baud(), 2400);
}

TEST(TriggerPort, RunsOverABorrowedLineAndBack) {
    Rig rig;
    Wire other;
    PeerLine call(rig.pump, other);
    QString why;
    ASSERT_TRUE(call.open(9600, &why));
    rig.port.SetLine(&call);
    EXPECT_EQ(&rig.port.Source(), &call);
    ASSERT_TRUE(rig.port.Open(&why));
    rig.trigger("\r", "cr");
    other.sendToHost("via call\r");
    rig.wire.sendToHost("not seen\r");
    rig.pump.processEvents();
    EXPECT_EQ(rig.log, (Log{"A:via call", "T:cr", "A:\r"}));
    rig.port.PutString("up");
    rig.pump.advance(100);
    EXPECT_EQ(other.got, QByteArray("up"));
    rig.port.SetLine(nullptr);
    EXPECT_FALSE(call.isOpen());
    EXPECT_EQ(&rig.port.Source(), rig.line);
}

// An owner that goes while its callbacks are queued leaves none of them on
// the pump: each holds the owner's `this`. The port is destroyed by a
// callback queued just before the work that queues more (a line overflow
// report, a held-back prefix, an armed timer trigger, bytes in flight).
TEST(TriggerPort, NothingOfADestroyedPortIsLeftOnThePump) {
    struct Case {
        const char* name;
        std::function<void(TriggerPort&, Wire&)> work;
    };
    const Case cases[] = {
        {"overflow report", [](TriggerPort&, Wire& w) { w.sendToHost(QByteArray((1 << 20) + 16, 'a')); }},
        {"held-back prefix",
         [](TriggerPort& p, Wire& w) {
             p.AddDataTrigger("\x02\n");
             w.sendToHost("abc\x02");
         }},
        {"timer trigger", [](TriggerPort& p, Wire&) { p.SetTimerTrigger(p.AddTimerTrigger(), 91, true); }},
        {"bytes to the peer", [](TriggerPort& p, Wire&) { p.PutString("STOPMO"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualPump pump;
        Wire wire;
        auto port = std::make_unique<TriggerPort>(pump, std::make_unique<PeerLine>(pump, wire));
        int errors = 0;
        port->OnLineError = [&](const QString&) { ++errors; };
        port->OnTriggerAvail = [](int) {};  // a reader that stalls
        QString why;
        ASSERT_TRUE(port->Open(&why));
        c.work(*port, wire);
        bool leftOver = true;
        pump.post([&] {
            port.reset();
            leftOver = pump.hasPending();
        });
        pump.advance(10000);
        EXPECT_FALSE(leftOver);
        EXPECT_EQ(errors, 0);
        EXPECT_FALSE(pump.hasPending());
    }
}
