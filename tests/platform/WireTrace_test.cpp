#include "platform/PeerLine.h"
#include "platform/TriggerPort.h"
#include "platform/WireTrace.h"

#include <QFile>
#include <QFileInfo>
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

// A trace kept on for years stays within its limit plus one predecessor;
// no line is lost at a turn-over, and a second program tracing into the
// same file follows to the new one.
TEST(WireTrace, AFullFileIsTurnedOverKeepingOnePredecessor) {
    QTemporaryDir dir;
    const QString name = dir.filePath("NUVARKom.trc");
    VirtualPump pump;
    const qint64 max = 4096;
    WireTrace a(pump, name, kStart, max);
    WireTrace b(pump, name, kStart, max);
    b.Flush();
    for (int i = 0; i < 400; ++i) {
        a.Note(QStringLiteral("Zeile %1").arg(i));
        if (i % 10 == 9) a.Flush();
    }
    const QByteArray jetzt = ReadAll(name), vorher = ReadAll(name + ".1");
    EXPECT_LE(jetzt.size(), max);
    EXPECT_LE(vorher.size(), max);
    EXPECT_GT(vorher.size(), max / 2);
    EXPECT_FALSE(QFileInfo::exists(name + ".2"));
    EXPECT_FALSE(QFileInfo::exists(name + ".lck"));
    EXPECT_TRUE(jetzt.contains("Leitungsprotokoll, Fortsetzung (die Zeilen davor stehen in NUVARKom.trc.1)"));
    // The lines run on from the predecessor into the file, none missing.
    const auto nummern = [](const QByteArray& text) {
        std::vector<int> n;
        for (const QByteArray& z : text.split('\n'))
            if (const int i = int(z.indexOf("-- Zeile ")); i >= 0) n.push_back(z.mid(i + 9).trimmed().toInt());
        return n;
    };
    std::vector<int> alle = nummern(vorher);
    const std::vector<int> neu = nummern(jetzt);
    alle.insert(alle.end(), neu.begin(), neu.end());
    ASSERT_FALSE(alle.empty());
    EXPECT_EQ(alle.back(), 399);
    for (std::size_t i = 1; i < alle.size(); ++i) EXPECT_EQ(alle[i], alle[i - 1] + 1) << i;
    EXPECT_GT(alle.front(), 0);  // the oldest lines went with the second turn-over
    // The other program writes into the file under the name, not into the
    // predecessor it still held open.
    b.Note(QStringLiteral("vom zweiten Programm"));
    b.Flush();
    EXPECT_TRUE(ReadAll(name).contains("vom zweiten Programm"));
    EXPECT_FALSE(ReadAll(name + ".1").contains("vom zweiten Programm"));
}
