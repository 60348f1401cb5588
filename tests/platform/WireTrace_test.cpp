#include "platform/PeerLine.h"
#include "platform/TriggerPort.h"
#include "platform/WireTrace.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace nuvar;

namespace {
QByteArray ReadAll(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
struct Echo : WirePeer {
    void hostWrote(const QByteArray&) override {}
};
const QDateTime kStart(QDate(2026, 12, 10), QTime(8, 15, 30, 250));
} // namespace

TEST(WireTrace, LinesShowTimeDirectionHexAndPrintable) {
    const QByteArray frame("\x02\nGETTIM\x03" "013\r");
    EXPECT_EQ(WireTrace::FormatBytes(kStart, "->", frame),
              QByteArray("10.12.2026 08:15:30.250 -> 02 0A 47 45 54 54 49 4D 03 30 31 33 0D          "
                         "|..GETTIM.013.|\r\n"));
    // More than 16 bytes: continuation lines with the same stamp; 8-bit bytes
    // and controls show as dots.
    const QByteArray block = QByteArray("ABCDEFGHIJKLMNOP") + QByteArray("\xff\x00~ ", 4);
    EXPECT_EQ(WireTrace::FormatBytes(kStart.addMSecs(1234), "<-", block),
              QByteArray("10.12.2026 08:15:31.484 <- 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 "
                         "|ABCDEFGHIJKLMNOP|\r\n"
                         "10.12.2026 08:15:31.484 <- FF 00 7E 20                                     "
                         "|..~ |\r\n"));
    EXPECT_TRUE(WireTrace::FormatBytes(kStart, "->", {}).isEmpty());
}

TEST(WireTrace, TheTriggerPortTracesBothDirectionsOnThePumpClock) {
    QTemporaryDir dir;
    const QString name = dir.filePath("NUVARKom.trc");
    VirtualPump pump(70000);
    Echo peer;
    {
        WireTrace trace(pump, name, kStart);
        TriggerPort port(pump, std::make_unique<PeerLine>(pump, peer));
        port.SetTrace(&trace);
        port.SetComNumber(2);
        QString why;
        ASSERT_TRUE(port.Open(&why));
        port.PutString("\x02\nSTOPMO\x03" "017\r");
        pump.advance(250);
        peer.sendToHost(QByteArray("\x02\n\x06\x03\r"));
        pump.processEvents();
        // Written within a second, without waiting for the end.
        pump.advance(1000);
        const QByteArray soFar = ReadAll(name);
        EXPECT_TRUE(soFar.contains("10.12.2026 08:15:30.500 <- 02 0A 06 03 0D")) << soFar.toStdString();
        port.Close();
    }
    const QByteArray all = ReadAll(name);
    const QByteArray expected =
        "10.12.2026 08:15:30.250 == Leitungsprotokoll (-> gesendet, <- empfangen)\r\n"
        "10.12.2026 08:15:30.250 -- COM2 geöffnet, 9600 Baud\r\n"
        "10.12.2026 08:15:30.250 -> 02 0A 53 54 4F 50 4D 4F 03 30 31 37 0D          |..STOPMO.017.|\r\n"
        "10.12.2026 08:15:30.500 <- 02 0A 06 03 0D                                  |.....|\r\n"
        "10.12.2026 08:15:31.500 -- Schnittstelle geschlossen\r\n";
    EXPECT_EQ(all, expected);

    // A second session appends.
    {
        WireTrace again(pump, name, kStart.addDays(1));
        again.Note("zweite Sitzung");
    }
    const QByteArray both = ReadAll(name);
    EXPECT_TRUE(both.startsWith(all));
    EXPECT_TRUE(both.endsWith("11.12.2026 08:15:30.250 -- zweite Sitzung\r\n")) << both.toStdString();
}

TEST(WireTrace, AnUnwritableFileSwitchesTheTraceOffQuietly) {
    VirtualPump pump;
    WireTrace trace(pump, "/nonexistent-dir/NUVARKom.trc", kStart);
    EXPECT_FALSE(trace.IsOpen());
    trace.Sent("x");
    trace.Note("y");
    trace.Flush();
    pump.advance(2000);
}
