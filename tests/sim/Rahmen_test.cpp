#include "common/Fehler.h"
#include "common/Rahmen.h"

#include <gtest/gtest.h>

using namespace nuvar;

namespace {
QByteArray Bytes(std::initializer_list<int> v) {
    QByteArray b;
    for (int c : v) b += char(c);
    return b;
}
}  // namespace

TEST(Rahmen, EveryCommandWordGetsTheChecksumDigitsOfTheTable) {
    struct Case { const char* wort; const char* ziffern; };
    const Case cases[] = {
        {"GETPAR", "030"}, {"GETSTA", "027"}, {"GETTIM", "013"}, {"GETMDX", "012"},
        {"GETMED", "017"}, {"GETGMD", "019"}, {"READMC", "023"}, {"READMO", "027"},
        {"STOPMO", "017"}, {"SETSTA", "015"}, {"SETCCT", "029"}, {"SETTIM", "025"},
        {"SETOUT", "007"}, {"MCDEL ", "104"}, {"OK    ", "015"},
    };
    for (const Case& c : cases) {
        const QByteArray f = BaueRahmen(c.wort);
        ASSERT_EQ(f.size(), 13) << c.wort;
        EXPECT_EQ(f, QByteArray("\x02\x0a") + c.wort + "\x03" + c.ziffern + "\r") << c.wort;
    }
}

TEST(Rahmen, LinesAndOkFrameAreExactBytes) {
    EXPECT_EQ(AckZeile(), Bytes({0x02, 0x0a, 0x06, 0x03, 0x0d}));
    EXPECT_EQ(NakZeile(), Bytes({0x02, 0x0a, 0x15, 0x03, 0x0d}));
    EXPECT_EQ(OkRahmen(), QByteArray("\x02\x0aOK    \x03" "015\r"));
}

TEST(Rahmen, BlockFrameIs1031BytesWithEndByteAndChecksumOverIt) {
    QByteArray daten(kBlockDaten, '\0');
    for (int i = 0; i < kBlockDaten; ++i) daten[i] = char(i * 7);
    daten[10] = '\r';  // a CR inside the data is just data
    for (char ende : {Steuerzeichen::ETX, Steuerzeichen::ETB}) {
        const QByteArray b = BaueBlock(daten, ende);
        ASSERT_EQ(b.size(), kBlockLaenge);
        EXPECT_EQ(b.left(2), QByteArray("\x02\x0a"));
        EXPECT_EQ(b.mid(2, kBlockDaten), daten);
        EXPECT_EQ(b[1026], ende);
        EXPECT_EQ(b.mid(1027, 3), PruefZiffern(XorSumme(b.left(1027))));
        EXPECT_EQ(b[1030], '\r');
        EXPECT_EQ(PruefeRahmen(b.left(1030)), daten);
        EXPECT_EQ(EndeByte(b.left(1030)), ende);
    }
    EXPECT_THROW(BaueBlock(QByteArray(1023, 'x')), ERangeError);
}

TEST(Rahmen, CheckingReceivedFrames) {
    // XOR of STX LF "A" ETX is 0x02^0x0a^0x41^0x03 = 0x4a = 74.
    const QByteArray kopf = Bytes({0x02, 0x0a, 'A', 0x03});
    struct Case { const char* name; QByteArray rahmen; QByteArray payload; };
    const Case cases[] = {
        {"valid", kopf + "074", "A"},
        {"wrong digits", kopf + "075", ""},
        {"digits compared modulo 256", kopf + "330", "A"},
        {"empty payload is no reply", Bytes({0x02, 0x0a, 0x03}) + "011", ""},
        {"letters count as 0 and fail a nonzero sum", kopf + "abc", ""},
        // XOR of STX LF "JA" ETX = 0x0b ^ 0x4a ^ 0x41 = 0
        {"letters count as 0 and pass a zero sum", Bytes({0x02, 0x0a, 'J', 'A', 0x03}) + "x?z", "JA"},
        {"too short", QByteArray("\x02\x0a"), ""},
        {"empty", QByteArray(), ""},
        {"ACK line without CR", AckZeile().chopped(1), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(PruefeRahmen(c.rahmen), c.payload) << c.name;
}
