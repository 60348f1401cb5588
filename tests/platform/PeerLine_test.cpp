#include "platform/PeerLine.h"

#include <gtest/gtest.h>
#include <vector>

using namespace nuvar;

namespace {
struct Recorder : WirePeer {
    VirtualPump* pump = nullptr;
    std::vector<std::pair<Millis, QByteArray>> arrivals;
    std::vector<std::string> events;
    void hostWrote(const QByteArray& b) override { arrivals.emplace_back(pump->now(), b); }
    void hostOpened(int baud) override { events.push_back("open " + std::to_string(baud)); }
    void hostClosed() override { events.push_back("close"); }
    void hostBaudRate(int baud) override { events.push_back("baud " + std::to_string(baud)); }
    void hostDtr(bool on) override { events.push_back(on ? "dtr on" : "dtr off"); }

    QByteArray allBy(Millis t) const {
        QByteArray all;
        for (const auto& [when, b] : arrivals)
            if (when <= t) all += b;
        return all;
    }
};
} // namespace

TEST(PeerLine, HostBytesReachThePeerAtWireSpeed) {
    // 10 bits a byte: at 1200 baud a byte takes 8.333 ms, the eleven-byte
    // frame 91.7 ms; at 9600 a 1031-byte block takes 1074 ms.
    struct Case { int baud; int bytes; Millis lastByteAt; };
    for (Case c : {Case{1200, 11, 92}, Case{2400, 11, 46}, Case{9600, 11, 12}, Case{9600, 1031, 1074}}) {
        VirtualPump pump(500);
        Recorder peer;
        peer.pump = &pump;
        PeerLine line(pump, peer);
        QString why;
        ASSERT_TRUE(line.open(c.baud, &why));
        const QByteArray frame(c.bytes, 'x');
        line.write(frame);
        pump.advance(c.lastByteAt - 1);
        EXPECT_LT(peer.allBy(pump.now()).size(), c.bytes) << c.baud;
        pump.advance(1);
        EXPECT_EQ(peer.allBy(pump.now()), frame) << c.baud << " " << c.bytes;
        // The first byte is there after one byte time, not with the last.
        ASSERT_FALSE(peer.arrivals.empty());
        EXPECT_EQ(peer.arrivals.front().first, 500 + (PeerLine::byteTimeUs(c.baud) + 999) / 1000) << c.baud;
    }
}

TEST(PeerLine, WritesQueueBehindEachOtherAndFollowTheRate) {
    VirtualPump pump;
    Recorder peer;
    peer.pump = &pump;
    PeerLine line(pump, peer);
    QString why;
    ASSERT_TRUE(line.open(1200, &why));
    line.write("ab");          // 0 .. 16.7 ms
    line.write("c");           // queued behind: ends at 25 ms
    pump.advance(24);
    EXPECT_EQ(peer.allBy(24), QByteArray("ab"));
    pump.advance(1);
    EXPECT_EQ(peer.allBy(25), QByteArray("abc"));
    line.setBaudRate(9600);
    line.write("d");
    pump.advance(2);
    EXPECT_EQ(peer.allBy(27), QByteArray("abcd"));
    line.setDtr(false);
    line.close();
    line.write("lost");
    pump.advance(100);
    EXPECT_EQ(peer.allBy(1000), QByteArray("abcd"));
    EXPECT_EQ(peer.events, (std::vector<std::string>{"open 1200", "baud 9600", "dtr off", "close"}));
}

TEST(PeerLine, PeerOutputArrivesThroughThePumpAndADropIsALineError) {
    VirtualPump pump;
    Recorder peer;
    peer.pump = &pump;
    PeerLine line(pump, peer);
    QByteArray got;
    QString error;
    line.onReceived = [&](const QByteArray& b) { got += b; };
    line.onError = [&](const QString& r) { error = r; };
    peer.sendToHost("before open");
    QString why;
    ASSERT_TRUE(line.open(9600, &why));
    peer.sendToHost("hello");
    EXPECT_TRUE(got.isEmpty());  // never synchronously
    pump.processEvents();
    EXPECT_EQ(got, QByteArray("hello"));
    peer.dropLine();
    peer.sendToHost("after drop");
    pump.processEvents();
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(got, QByteArray("hello"));
}
