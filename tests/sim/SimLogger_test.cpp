#include "SimTestHilfe.h"

#include "common/Fehler.h"
#include "common/FunktionenTypen.h"
#include "platform/PeerLine.h"

#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

using namespace nuvar;
using namespace nuvar::test;

namespace {

const QByteArray kAck = AckZeile();
const QByteArray kNak = NakZeile();

float LeseFloat(const QByteArray& b, int pos) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i) v |= quint32(quint8(b[pos + i])) << (8 * i);
    return std::bit_cast<float>(v);
}
QByteArray Kopf(int jj, int mm, int tt, int hh, int nn) {
    const char k[5] = {char(jj), char(mm), char(tt), char(hh), char(nn)};
    return QByteArray(k, 5);
}
int LeseI16(const QByteArray& b, int pos) { return qint16(quint8(b[pos]) | (quint8(b[pos + 1]) << 8)); }

// Splits a download answer: an ACK line followed by one block frame.
struct Block {
    QByteArray daten;
    char ende = 0;
    bool gueltig = false;
};
Block BlockAus(const QByteArray& frame) {
    Block b;
    if (frame.size() != kBlockLaenge || frame[1030] != '\r') return b;
    b.ende = frame[1026];
    b.daten = PruefeRahmen(frame.left(1030));
    b.gueltig = b.daten.size() == kBlockDaten;
    if (!b.gueltig) b.daten = frame.mid(2, kBlockDaten);
    return b;
}

// Runs a whole download: ACK after each block; returns the joined data.
QByteArray LadeAlles(Anlage& a, const char* befehl, std::vector<char>* enden = nullptr) {
    QByteArray r = a.Befehl(befehl);
    EXPECT_TRUE(r.startsWith(kAck));
    r.remove(0, kAck.size());
    QByteArray alles;
    for (int i = 0; i < 1000 && !r.isEmpty(); ++i) {
        const Block b = BlockAus(r);
        EXPECT_TRUE(b.gueltig);
        alles += b.daten;
        if (enden) enden->push_back(b.ende);
        r = a.Frage(kAck);
    }
    return alles;
}

QByteArray StationsblockDemo(const QByteArray& batterie, int saetze, int freieTage) {
    return "101Demostation Nord" + batterie + "10010000" + QByteArray::number(freieTage).rightJustified(4, '0') +
           "04" + QByteArray::number(saetze).rightJustified(5, '0');
}

}  // namespace

// ---------------------------------------------------------------- simple replies

TEST(SimLogger, StopmoIsAnsweredWithTheAckLine) {
    Anlage a;
    EXPECT_EQ(a.Befehl("STOPMO"), kAck);
    EXPECT_EQ(a.logger->EmpfangeneRahmen().back(), QByteArray("STOPMO"));
}

TEST(SimLogger, GetstaAnswersTheStationBlockInOneCheckedFrame) {
    Anlage a;
    const QByteArray r = a.Befehl("GETSTA");
    const QByteArray p = Nutzdaten(r);
    ASSERT_EQ(p.size(), 42) << r.toStdString();
    const QByteArray batterie = p.mid(19, 4);
    EXPECT_TRUE(batterie[2] == '.' && batterie.toDouble() > 11 && batterie.toDouble() < 15) << batterie.toStdString();
    // 3 records of 85 bytes in 4 x 32 KB: 1539 free records of 10 minutes = 10 days.
    EXPECT_EQ(r, BaueRahmen(StationsblockDemo(batterie, 3, 10)));
    const TStationsParameter sp = a.logger->Stationsparameter();
    EXPECT_EQ(sp.Stationsnummer, 101);
    EXPECT_EQ(sp.Mittelwertintervall, 10);
    EXPECT_EQ(sp.Datensaetze, 3);
    EXPECT_EQ(sp.Kanalanzahl, 10);
}

TEST(SimLogger, GettimReportsTheRunningClock) {
    Anlage a;
    EXPECT_EQ(a.Befehl("GETTIM"), BaueRahmen("240701123456"));
    a.pump.advance(64000);
    EXPECT_EQ(Nutzdaten(a.Befehl("GETTIM")), QByteArray("240701123601"));

    SimOptions o = StandardOptionen();
    o.uhrVersatzS = -3600;
    Anlage spaet(o);
    EXPECT_EQ(Nutzdaten(spaet.Befehl("GETTIM")), QByteArray("240701113456"));
}

TEST(SimLogger, CurrentValueRepliesHaveTheirValuesPerChannelByLoggerType) {
    struct Case { const char* typ; const char* befehl; int proKanal; };  // 0: NAK
    const Case cases[] = {
        {"VRX420", "GETMED", 1}, {"VRX420", "GETMDX", 3}, {"VRX420", "GETGMD", 0},
        {"VRX410", "GETMDX", 3}, {"VRX410", "GETGMD", 0},
        {"VRX430", "GETGMD", 4}, {"VRX430", "GETMDX", 3}, {"VRX430", "GETMED", 1},
        {"ABC", "GETMED", 1},    {"ABC", "GETMDX", 0},    {"ABC", "GETGMD", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typ) + " " + c.befehl);
        SimOptions o = StandardOptionen();
        o.loggertyp = c.typ;
        Anlage a(o);
        const QByteArray r = a.Befehl(c.befehl);
        if (c.proKanal == 0) {
            EXPECT_EQ(r, kNak);
            continue;
        }
        const QByteArray p = Nutzdaten(r);
        ASSERT_EQ(p.size(), 13 + 8 * 10 * c.proKanal);
        EXPECT_EQ(p.left(13), QByteArray("240701123000;"));  // end of the last averaging interval
        for (int k = 0; k < 10 * c.proKanal; ++k) {
            const QByteArray feld = p.mid(13 + 8 * k, 7);
            bool ok = false;
            feld.trimmed().toDouble(&ok);
            EXPECT_TRUE(ok && p[20 + 8 * k] == ';' && feld[0] == ' ') << k << " " << feld.toStdString();
        }
        if (c.proKanal >= 3) {
            for (int ch = 0; ch < 10; ++ch) {
                const int k = ch * c.proKanal;
                const double mn = p.mid(13 + 8 * k, 7).toDouble(), mi = p.mid(21 + 8 * k, 7).toDouble(),
                             mx = p.mid(29 + 8 * k, 7).toDouble();
                EXPECT_TRUE(mn <= mi && mi <= mx) << ch;
            }
        }
    }
}

TEST(SimLogger, ValuesBehaveLikeWeather) {
    Anlage a;
    // Over a day the temperature swings by several degrees, warmest in the
    // afternoon; the humidity moves against it; the pressure stays plausible.
    double tMin = 1e9, tMax = -1e9, tNacht = 0, tMittag = 0;
    for (int h = 0; h < 24; ++h) {
        const QByteArray p = a.logger->Werte(1);
        const double t = p.mid(13, 7).toDouble(), rf = p.mid(21, 7).toDouble(), ld = p.mid(29, 7).toDouble();
        EXPECT_TRUE(rf >= 0 && rf <= 100 && ld > 950 && ld < 1060) << h;
        tMin = std::min(tMin, t);
        tMax = std::max(tMax, t);
        const int stunde = a.logger->Uhr().time().hour();
        if (stunde == 4) tNacht = t;
        if (stunde == 15) tMittag = t;
        a.pump.advance(3600 * 1000);
    }
    EXPECT_GT(tMax - tMin, 5.0);
    EXPECT_GT(tMittag, tNacht);
    EXPECT_TRUE(tMin > -40 && tMax < 45);
}

// ---------------------------------------------------------------- downloads

TEST(SimLogger, GetparSendsThreeBlocksEachWaitingForAckAndAgainOnNak) {
    Anlage a;
    QByteArray r = a.Befehl("GETPAR");
    ASSERT_EQ(r.size(), kAck.size() + kBlockLaenge);
    EXPECT_TRUE(r.startsWith(kAck));
    const QByteArray block1 = r.mid(kAck.size());
    EXPECT_EQ(BlockAus(block1).ende, Steuerzeichen::ETX);
    EXPECT_TRUE(BlockAus(block1).gueltig);

    EXPECT_EQ(a.Frage({}, 10000), QByteArray()) << "no second block before the ACK line";
    EXPECT_EQ(a.Frage(kNak), block1) << "a NAK line gets the same block again";
    const QByteArray block2 = a.Frage(kAck);
    EXPECT_EQ(BlockAus(block2).ende, Steuerzeichen::ETX);
    const QByteArray block3 = a.Frage(kAck);
    EXPECT_EQ(BlockAus(block3).ende, Steuerzeichen::ETB);
    EXPECT_TRUE(BlockAus(block3).gueltig);
    EXPECT_EQ(a.Frage(kAck, 10000), QByteArray()) << "the download ends after the last block";

    const QByteArray bild = BlockAus(block1).daten + BlockAus(block2).daten + BlockAus(block3).daten;
    ASSERT_EQ(bild.size(), 3072);
    // Slot 0: the temperature channel, on input 0, position 1.
    const QByteArray slot0 = bild.left(29);
    EXPECT_EQ(slot0[0], char(0x01));
    EXPECT_EQ(slot0.mid(1, 5), QByteArray("\xF8" "C  \0", 5));
    EXPECT_FLOAT_EQ(LeseFloat(slot0, 6), 0.025f);
    EXPECT_FLOAT_EQ(LeseFloat(slot0, 10), -40.0f);
    EXPECT_FLOAT_EQ(LeseFloat(slot0, 14), -40.0f);
    EXPECT_FLOAT_EQ(LeseFloat(slot0, 18), 60.0f);
    EXPECT_EQ(slot0.mid(22, 6), QByteArray("t2m  \0", 6));
    EXPECT_EQ(slot0[28], char(1));
    EXPECT_EQ(bild.mid(29 * 9 + 22, 6), QByteArray("gs   \0", 6));
    EXPECT_EQ(bild[29 * 9 + 28], char(10));
    EXPECT_EQ(bild.mid(29 * 10, 29 * 86), QByteArray(29 * 86, '\0')) << "unused slots are zero";
    const QByteArray block = bild.mid(2784, 42);
    EXPECT_EQ(block, StationsblockDemo(block.mid(19, 4), 3, 10));
    for (int i = 0; i < 96; ++i) EXPECT_EQ(bild[2826 + i], char(1 + i / 16)) << i;
    EXPECT_EQ(bild.mid(2922, 12), QByteArray("240701123456"));
    EXPECT_EQ(bild.mid(2934, 6), QByteArray("VRX420"));
    EXPECT_EQ(bild.mid(2940), QByteArray(132, '\0'));
}

TEST(SimLogger, ReadmcSendsTheRecordsThenErasedMemory) {
    Anlage a;
    std::vector<char> enden;
    const QByteArray bild = LadeAlles(a, "READMC", &enden);
    ASSERT_EQ(bild.size(), 1024);
    EXPECT_EQ(enden, std::vector<char>{Steuerzeichen::ETB});
    // Three records of 5 + 8 x 10 bytes at the averaging interval, ending at
    // the last interval before the clock (12:34:56 -> 12:30).
    const int minuten[] = {10, 20, 30};
    for (int i = 0; i < 3; ++i) {
        const QByteArray satz = bild.mid(85 * i, 85);
        EXPECT_EQ(satz.left(5), Kopf(24, 7, 1, 12, minuten[i])) << i;
        // temperature: mean as a single, min and max in tenths
        const float mittel = LeseFloat(satz, 5);
        EXPECT_TRUE(mittel > -40 && mittel < 60);
        EXPECT_LE(LeseI16(satz, 9), std::lround(mittel * 10));
        EXPECT_GE(LeseI16(satz, 11), std::lround(mittel * 10));
    }
    EXPECT_EQ(bild.mid(255), QByteArray(1024 - 255, char(0xFF)));
    EXPECT_EQ(bild.left(255), a.logger->Speicher());
    EXPECT_EQ(a.logger->Station().ausgelesen, 1) << "a complete readout marks the memory as read";

    // The same station and time give the same bytes; another seed other weather.
    Anlage gleich;
    EXPECT_EQ(gleich.logger->Speicher(), a.logger->Speicher());
    SimOptions o = StandardOptionen();
    o.saat = 2;
    Anlage anders(o);
    EXPECT_EQ(anders.logger->Speicher().left(5), a.logger->Speicher().left(5));
    EXPECT_NE(anders.logger->Speicher(), a.logger->Speicher());
}

TEST(SimLogger, ReadmcOfManyRecordsSpansBlocksAndOnlyTheLastEndsWithEtb) {
    SimOptions o = StandardOptionen();
    o.datensaetze = 30;  // 2550 bytes: three blocks
    Anlage a(o);
    std::vector<char> enden;
    const QByteArray bild = LadeAlles(a, "READMC", &enden);
    EXPECT_EQ(enden, (std::vector<char>{Steuerzeichen::ETX, Steuerzeichen::ETX, Steuerzeichen::ETB}));
    ASSERT_EQ(bild.size(), 3072);
    EXPECT_EQ(bild.left(5), Kopf(24, 7, 1, 7, 40));  // 12:30 - 29 x 10 min
    EXPECT_EQ(bild.mid(85 * 29, 5), Kopf(24, 7, 1, 12, 30));
    EXPECT_EQ(bild.mid(2550), QByteArray(3072 - 2550, char(0xFF)));
}

TEST(SimLogger, MemoryGrowsWithTheClockButIsNotBackfilledAfterSettingIt) {
    Anlage a;
    a.pump.advance(10 * 60 * 1000);
    EXPECT_EQ(a.logger->Datensaetze(), 4);
    EXPECT_EQ(a.logger->Speicher().mid(85 * 3, 5), Kopf(24, 7, 1, 12, 40));

    a.Befehl("SETTIM");
    a.Frage(BaueRahmen("240702120000"));  // a day ahead
    EXPECT_EQ(a.logger->Datensaetze(), 4);
    a.pump.advance(10 * 60 * 1000);
    EXPECT_EQ(a.logger->Datensaetze(), 5);

    SimOptions o = StandardOptionen();
    o.aufzeichnen = false;
    Anlage fest(o);
    fest.pump.advance(60 * 60 * 1000);
    EXPECT_EQ(fest.logger->Datensaetze(), 3);
}

// ---------------------------------------------------------------- instantaneous mode

TEST(SimLogger, ReadmoStreamsOneFrameEveryMeasuringIntervalUntilTheNextCommand) {
    Anlage a;
    EXPECT_EQ(a.Befehl("READMO", 100), kAck);
    EXPECT_TRUE(a.logger->Momentanbetrieb());
    const QByteArray r = a.Frage({}, 10000);
    const QByteArray p = Nutzdaten(r);
    ASSERT_EQ(p.size(), 13 + 8 * 10) << r.toStdString();
    EXPECT_EQ(p.left(13), QByteArray("240701123506;"));
    a.Frage({}, 20000);
    EXPECT_EQ(a.lieferungen.size(), 2u);

    EXPECT_EQ(a.Befehl("STOPMO", 60000), kAck) << "STOPMO ends the stream";
    EXPECT_FALSE(a.logger->Momentanbetrieb());

    a.Befehl("READMO", 100);
    EXPECT_EQ(Nutzdaten(a.Befehl("GETTIM", 60000)).size(), 12) << "any command ends the stream and is answered";
}

// ---------------------------------------------------------------- writes

TEST(SimLogger, SetstaChangesTheStationBlock) {
    Anlage a;
    EXPECT_EQ(a.Befehl("SETSTA"), kAck);
    const QByteArray param = "007            Test00001506010000000000000";
    ASSERT_EQ(param.size(), 42);
    EXPECT_EQ(a.Frage(BaueRahmen(param)), OkRahmen());
    EXPECT_EQ(a.Frage(kAck, 5000), QByteArray()) << "the program's closing ACK line ends the exchange";
    const QByteArray p = Nutzdaten(a.Befehl("GETSTA"));
    EXPECT_EQ(p.left(19), QByteArray("007            Test"));
    EXPECT_EQ(p.mid(23, 6), QByteArray("150601"));
    EXPECT_EQ(a.logger->Stationsparameter().Stationsnummer, 7);
    a.Frage(kAck);
    EXPECT_EQ(LadeAlles(a, "GETPAR").mid(2784, 19), QByteArray("007            Test"));
}

TEST(SimLogger, WriteParametersThatAreNoValidValuesAreRefusedWithNak) {
    struct Case { const char* befehl; QByteArray param; };
    const Case cases[] = {
        {"SETSTA", "007            Test0000150601000000000000"},  // 41 characters
        {"SETSTA", "0x7            Test00001506010000000000000"},
        {"SETSTA", "007            Test00000006010000000000000"},  // averaging interval 0
        {"SETTIM", "241301000000"},                                // month 13
        {"SETTIM", "2407011234"},
        {"SETOUT", "256000"},
        {"SETOUT", "0020x5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.param.toStdString());
        Anlage a;
        const QByteArray vorher = a.logger->Station().name;
        EXPECT_EQ(a.Befehl(c.befehl), kAck);
        EXPECT_EQ(a.Frage(BaueRahmen(c.param)), kNak);
        EXPECT_EQ(a.logger->Station().name, vorher);
        EXPECT_EQ(a.logger->Stationsparameter().Mittelwertintervall, 10);
        EXPECT_TRUE(a.logger->Ausgaenge().isEmpty());
        EXPECT_EQ(Nutzdaten(a.Befehl("GETTIM")).left(8), QByteArray("24070112"));
    }
}

TEST(SimLogger, SettimSetsTheClockWhichThenRunsOn) {
    Anlage a;
    EXPECT_EQ(a.Befehl("SETTIM"), kAck);
    EXPECT_EQ(a.Frage(BaueRahmen("991231235950")), OkRahmen());  // set at this moment
    a.Frage(kAck);
    a.pump.advance(13000);  // 1 + 1 + 13 seconds
    EXPECT_EQ(a.logger->Uhr(), QDateTime(QDate(2000, 1, 1), QTime(0, 0, 5), QTimeZone::utc()));
    EXPECT_EQ(Nutzdaten(a.Befehl("GETTIM")), QByteArray("000101000005"));
}

TEST(SimLogger, SetoutSetsTheOutput) {
    Anlage a;
    EXPECT_EQ(a.Befehl("SETOUT"), kAck);
    EXPECT_EQ(a.Frage(BaueRahmen("002255")), OkRahmen());
    EXPECT_EQ(a.logger->Ausgaenge().value(2, -1), 255);
}

TEST(SimLogger, ParameterFrameWithWrongChecksumIsAnsweredWithNakAndMayComeAgain) {
    Anlage a;
    a.Befehl("SETOUT");
    QByteArray falsch = BaueRahmen("002255");
    falsch[falsch.size() - 2] = falsch[falsch.size() - 2] == '0' ? '1' : '0';
    EXPECT_EQ(a.Frage(falsch), kNak);
    EXPECT_EQ(a.Frage(BaueRahmen("002255")), OkRahmen());
}

TEST(SimLogger, SetcctTakesThreeBlocksAndNaksABadOne) {
    Anlage a;
    TKanalEintrag e;
    e.Kanalnummer = 95;
    e.Sensorcode = 0x11;
    e.Einheit = {'K', ' ', ' ', ' ', 0};
    e.Min = -5;
    e.Max = 5;
    e.Bezeichnung = {'t', 'x', ' ', ' ', ' ', 0};
    e.Position = 1;
    QByteArray bild(3072, '\0');
    const auto bytes = e.encode();
    bild.replace(2755, 29, QByteArray(reinterpret_cast<const char*>(bytes.data()) + 1, 29));

    EXPECT_EQ(a.Befehl("SETCCT"), kAck);
    EXPECT_EQ(a.Frage(BaueBlock(bild.mid(0, 1024))), kAck);
    QByteArray kaputt = BaueBlock(bild.mid(1024, 1024));
    kaputt[500] = 'x';
    EXPECT_EQ(a.Frage(kaputt), kNak);
    EXPECT_EQ(a.Frage(BaueBlock(bild.mid(1024, 1024))), kAck) << "the rejected block may come again";
    // The last block arrives in pieces, as a serial line delivers it.
    const QByteArray letzter = BaueBlock(bild.mid(2048, 1024));
    a.rx.clear();
    for (int i = 0; i < letzter.size(); i += 100) {
        a.logger->hostWrote(letzter.mid(i, 100));
        a.pump.advance(5);
    }
    a.pump.advance(1000);
    EXPECT_EQ(a.rx, kAck);

    const std::vector<TKanalEintrag> k = a.logger->Kanaele();
    ASSERT_EQ(k.size(), 1u);
    EXPECT_EQ(k[0], e);
    EXPECT_EQ(a.logger->Datensaetze(), 0) << "a new channel table clears the records of the old one";
    const QByteArray par = LadeAlles(a, "GETPAR");
    EXPECT_EQ(par.left(2784), bild.left(2784));
    EXPECT_EQ(Nutzdaten(a.Befehl("GETMED")).size(), 13 + 8);
}

TEST(SimLogger, AnAbandonedUploadDoesNotSwallowTheNextCommand) {
    Anlage a;
    EXPECT_EQ(a.Befehl("SETCCT"), kAck);
    EXPECT_EQ(a.Befehl("STOPMO"), kAck);
    EXPECT_EQ(a.logger->Kanaele().size(), 10u);
    // An upload that stops half-way is given up after a while.
    a.Befehl("SETCCT");
    a.Frage(BaueBlock(QByteArray(1024, '\0')).left(700), 11000);
    EXPECT_EQ(Nutzdaten(a.Befehl("GETTIM")).size(), 12);
}

TEST(SimLogger, McdelEmptiesTheMemoryOrReportsTheMissingCard) {
    for (bool karte : {true, false}) {
        SCOPED_TRACE(karte);
        SimOptions o = StandardOptionen();
        o.speicherkarte = karte;
        Anlage a(o);
        const QByteArray r = a.Befehl("MCDEL ");
        EXPECT_EQ(r, BaueRahmen(karte ? "OK    " : "ERR001"));
        EXPECT_EQ(a.Frage(kAck), QByteArray());
        EXPECT_EQ(a.logger->Datensaetze(), karte ? 0 : 3);
        EXPECT_EQ(Nutzdaten(a.Befehl("GETSTA")).right(5), karte ? QByteArray("00000") : QByteArray("00003"));
        if (karte) {
            a.Frage(kAck);
            EXPECT_EQ(LadeAlles(a, "READMC"), QByteArray(1024, char(0xFF)));
        }
    }
}

// ---------------------------------------------------------------- errors of the program

TEST(SimLogger, BadFramesAndUnknownCommands) {
    QByteArray falsch = BaueRahmen("GETSTA");
    falsch[9] = '8';
    struct Case { const char* name; QByteArray eingabe; QByteArray antwort; };
    const Case cases[] = {
        {"wrong checksum", falsch, kNak},
        {"unknown command word", BaueRahmen("GETFOO"), kNak},
        {"empty payload", BaueRahmen(""), kNak},
        {"a line without frame start is noise", "hello\r", ""},
        {"noise before the frame is skipped", "\x7f\x13xx" + BaueRahmen("STOPMO"), kAck},
        {"ACK line outside an exchange", kAck, ""},
        {"NAK line outside an exchange", kNak, ""},
    };
    for (const Case& c : cases) {
        Anlage a;
        EXPECT_EQ(a.Frage(c.eingabe), c.antwort) << c.name;
    }
}

TEST(SimLogger, ReplyAnsweredWithNakIsSentAgainAndAFrameSplitIntoBytesIsUnderstood) {
    Anlage a;
    const QByteArray antwort = a.Befehl("GETSTA");
    EXPECT_EQ(a.Frage(kNak), antwort);
    EXPECT_EQ(a.Frage(kAck), QByteArray());
    a.rx.clear();
    for (char c : BaueRahmen("GETTIM")) {
        a.logger->hostWrote(QByteArray(1, c));
        a.pump.advance(1);
    }
    a.pump.advance(1000);
    EXPECT_EQ(Nutzdaten(a.rx).size(), 12);
}

// ---------------------------------------------------------------- line timing

TEST(SimLogger, BytesLeaveAtTheBaudRateAtTenBitsAByte) {
    for (int baud : {9600, 2400, 1200}) {
        SCOPED_TRACE(baud);
        SimOptions o = StandardOptionen();
        o.takt = true;
        o.baud = baud;
        Anlage a(o);
        const QByteArray r = a.Befehl("GETPAR", 20000);
        ASSERT_EQ(r.size(), kAck.size() + kBlockLaenge);
        const Millis start = o.antwortMs;  // the logger's moment of thought
        const double soll = r.size() * 10.0 * 1000.0 / baud;
        const double dauer = double(a.lieferungen.back().first - start);
        EXPECT_NEAR(dauer, soll, soll * 0.02);
        // No byte arrives before its stop bit could have left.
        qint64 bisher = 0;
        for (const auto& [zeit, stueck] : a.lieferungen) {
            bisher += stueck.size();
            EXPECT_GE(double(zeit - start) + 1e-9, bisher * 10.0 * 1000.0 / baud - 1.0);
        }
    }
    Anlage schnell;  // pacing off: the whole reply at once
    schnell.Befehl("GETPAR");
    ASSERT_EQ(schnell.lieferungen.size(), 1u);
    EXPECT_EQ(schnell.lieferungen[0].first, StandardOptionen().antwortMs);
}

// ---------------------------------------------------------------- faults

TEST(SimLogger, FaultsOnCommandFrames) {
    enum Art { Nichts, Ack, Nak, Rahmen };
    auto art = [](const QByteArray& r) {
        if (r.isEmpty()) return Nichts;
        if (r == kAck) return Ack;
        if (r == kNak) return Nak;
        return Nutzdaten(r).isEmpty() ? Nichts : Rahmen;
    };
    struct Case {
        const char* name;
        SimFehler fehler;
        std::vector<const char*> befehle;
        std::vector<Art> antworten;
    };
    const Case cases[] = {
        {"silent on the first two wake-ups", {SimFehler::Art::Schweigen, "STOPMO", 2},
         {"STOPMO", "STOPMO", "STOPMO"}, {Nichts, Nichts, Ack}},
        {"silence counts only its command", {SimFehler::Art::Schweigen, "STOPMO", 1},
         {"GETTIM", "STOPMO", "STOPMO"}, {Rahmen, Nichts, Ack}},
        {"silent on the first frame of any command", {SimFehler::Art::Schweigen, "", 1},
         {"GETTIM", "GETSTA"}, {Nichts, Rahmen}},
        {"NAK on the first GETSTA", {SimFehler::Art::Nak, "GETSTA", 1}, {"GETSTA", "GETSTA"}, {Nak, Rahmen}},
        {"NAK on MCDEL named without its blank", {SimFehler::Art::Nak, "MCDEL", 1}, {"MCDEL ", "MCDEL "},
         {Nak, Rahmen}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimOptions o = StandardOptionen();
        o.fehler = {c.fehler};
        Anlage a(o);
        for (size_t i = 0; i < c.befehle.size(); ++i) {
            const QByteArray r = a.Befehl(c.befehle[i], 6000);
            EXPECT_EQ(art(r), c.antworten[i]) << i;
            if (art(r) == Rahmen) a.Frage(kAck);
        }
    }
}

TEST(SimLogger, CorruptedChecksumOnTheFirstRepliesThenGoodOnesAfterNak) {
    SimOptions o = StandardOptionen();
    o.fehler = {{SimFehler::Art::Pruefsumme, "GETSTA", 1}};
    Anlage a(o);
    const QByteArray r = a.Befehl("GETSTA");
    ASSERT_EQ(r.size(), 49);
    EXPECT_EQ(Nutzdaten(r), QByteArray()) << "the first reply fails the check";
    const QByteArray zweite = a.Frage(kNak);
    EXPECT_EQ(Nutzdaten(zweite).size(), 42);
    EXPECT_EQ(zweite.left(45), r.left(45)) << "only the digits differ";
}

TEST(SimLogger, CorruptedChecksumOnDownloadBlocks) {
    SimOptions o = StandardOptionen();
    o.fehler = {{SimFehler::Art::Pruefsumme, "GETPAR", 2}};
    Anlage a(o);
    const QByteArray r = a.Befehl("GETPAR");
    EXPECT_FALSE(BlockAus(r.mid(kAck.size())).gueltig);
    EXPECT_FALSE(BlockAus(a.Frage(kNak)).gueltig);
    const Block gut = BlockAus(a.Frage(kNak));
    EXPECT_TRUE(gut.gueltig);
    EXPECT_EQ(gut.daten, BlockAus(r.mid(kAck.size())).daten);
}

TEST(SimLogger, NoiseBeforeTheFirstReplies) {
    SimOptions o = StandardOptionen();
    o.fehler = {{SimFehler::Art::Rauschen, "GETTIM", 1}};
    Anlage a(o);
    const QByteArray r = a.Befehl("GETTIM");
    ASSERT_EQ(r.size(), 8 + 19);
    const QByteArray rauschen = r.left(8);
    EXPECT_FALSE(rauschen.contains('\r') || rauschen.contains('\x02'));
    EXPECT_EQ(r.mid(8), BaueRahmen("240701123456"));
    a.Frage(kAck);
    EXPECT_EQ(a.Befehl("GETTIM").size(), 19) << "only the first reply is noisy";
}

TEST(SimLogger, DropsTheLineInTheMiddleOfADownloadOnce) {
    struct Case { const char* befehl; int nachBloecken; int datensaetze; };
    for (const Case& c : {Case{"READMC", 1, 30}, Case{"GETPAR", 0, 3}, Case{"GETPAR", 2, 3}}) {
        SCOPED_TRACE(std::string(c.befehl) + " " + std::to_string(c.nachBloecken));
        SimOptions o = StandardOptionen();
        o.datensaetze = c.datensaetze;
        o.fehler = {{SimFehler::Art::Abbruch, c.befehl, c.nachBloecken}};
        Anlage a(o);
        QByteArray r = a.Befehl(c.befehl);
        EXPECT_TRUE(r.startsWith(kAck));
        for (int i = 0; i < c.nachBloecken; ++i) {
            EXPECT_EQ(a.abbrueche, 0);
            EXPECT_EQ(r.size() - (i == 0 ? kAck.size() : 0), kBlockLaenge) << i;
            r = a.Frage(kAck);
        }
        if (c.nachBloecken == 0) {
            EXPECT_EQ(r, kAck);
        } else {
            EXPECT_TRUE(r.isEmpty());
        }
        EXPECT_EQ(a.abbrueche, 1);
        EXPECT_EQ(a.Frage(kAck, 10000), QByteArray());
        std::vector<char> enden;
        LadeAlles(a, c.befehl, &enden);
        EXPECT_EQ(enden.size(), 3u) << "the next download is complete";
    }
}

TEST(SimLogger, MisreportedStationNumberIntervalAndRecordCount) {
    SimOptions o = StandardOptionen();
    o.gemeldeteStationsnummer = 202;
    o.gemeldetesIntervall = 15;
    o.mehrGemeldet = 5;
    Anlage a(o);
    const QByteArray p = Nutzdaten(a.Befehl("GETSTA"));
    EXPECT_EQ(p.left(3), QByteArray("202"));
    EXPECT_EQ(p.mid(23, 2), QByteArray("15"));
    EXPECT_EQ(p.right(5), QByteArray("00008"));
    a.Frage(kAck);
    EXPECT_EQ(LadeAlles(a, "GETPAR").mid(2784, 3), QByteArray("202"));
    const QByteArray mc = LadeAlles(a, "READMC");
    EXPECT_EQ(mc.size(), 1024);
    EXPECT_EQ(mc.mid(255, 3), QByteArray(3, char(0xFF))) << "three records are sent, eight reported";
    const TStationsParameter wahr = a.logger->Stationsparameter();
    EXPECT_EQ(wahr.Stationsnummer, 101);
    EXPECT_EQ(wahr.Mittelwertintervall, 10);
    EXPECT_EQ(wahr.Datensaetze, 3);
}

// ---------------------------------------------------------------- station from a file

TEST(SimLogger, StationFromAParameterFileOfEitherLayout) {
    QTemporaryDir dir;
    TDATDatei datei;
    TStationsParameter& sp = datei.Stationsparameter();
    sp.Stationsnummer = 42;
    const char name[] = "Testfeld        ";
    std::memcpy(sp.Stationsname.data(), name, 16);
    sp.Mittelwertintervall = 15;
    sp.Messintervall = 30;
    sp.Speichergroesse = 2;
    datei.Hardwareliste().assign(96, 3);
    auto kanal = [](int eingang, const char* bez) {
        TKanalEintrag e;
        e.Kanalnummer = std::uint8_t(eingang);
        e.Sensorcode = 1;
        e.Einheit = {'%', ' ', ' ', ' ', 0};
        e.Max = 100;
        for (int i = 0; i < 5; ++i) e.Bezeichnung[i] = std::uint8_t(i < int(std::strlen(bez)) ? bez[i] : ' ');
        return e;
    };
    datei.AddChannel(kanal(3, "t2m"));
    datei.AddChannel(kanal(7, "rf"));
    for (bool alt : {true, false}) {
        SCOPED_TRACE(alt ? "Q&Z" : "QZ1");
        const QString pfad = dir.filePath(alt ? "alt.dat" : "neu.dat");
        datei.SaveToFile(pfad, alt);
        SimOptions o = StandardOptionen();
        o.stationsdatei = pfad;
        o.loggertyp = "XY";
        Anlage a(o);
        const QByteArray p = Nutzdaten(a.Befehl("GETSTA"));
        EXPECT_EQ(p.left(19), QByteArray("042Testfeld        "));
        EXPECT_EQ(p.mid(23, 6), QByteArray("150300"));
        const auto k = a.logger->Kanaele();
        ASSERT_EQ(k.size(), 2u);
        EXPECT_EQ(k[0].Kanalnummer, 3);
        EXPECT_EQ(k[1].Kanalnummer, 7);
        EXPECT_EQ(k[1].Position, 2);
        a.Frage(kAck);
        EXPECT_EQ(Nutzdaten(a.Befehl("GETMED")).size(), 29) << "two channels: 13 + 2 x 8 characters";
        const QByteArray par = LadeAlles(a, "GETPAR");
        EXPECT_EQ(par.mid(2826, 96), QByteArray(96, char(3)));
        EXPECT_EQ(par.mid(2934, 6), QByteArray("XY    "));
    }
    QFile fremd(dir.filePath("fremd.dat"));
    ASSERT_TRUE(fremd.open(QIODevice::WriteOnly));
    fremd.write("XYZ1234567");
    fremd.close();
    SimOptions o = StandardOptionen();
    o.stationsdatei = fremd.fileName();
    VirtualPump pump;
    EXPECT_THROW((SimLogger{pump, o}), EConvertError);
    o.stationsdatei = dir.filePath("fehlt.dat");
    EXPECT_THROW((SimLogger{pump, o}), EInOutError);
}

// ---------------------------------------------------------------- on the in-process line

TEST(SimLogger, WorksAsThePeerOfTheInProcessLine) {
    VirtualPump pump;
    SimOptions o = StandardOptionen();
    o.takt = true;
    o.fehler = {{SimFehler::Art::Abbruch, "GETPAR", 1}};
    SimLogger logger(pump, o);
    PeerLine line(pump, logger);
    QByteArray rx;
    QString fehler;
    line.onReceived = [&](const QByteArray& b) { rx += b; };
    line.onError = [&](const QString& grund) { fehler = grund; };
    ASSERT_TRUE(line.open(9600, nullptr));
    line.write(BaueRahmen("STOPMO"));
    pump.waitUntil([&] { return rx.size() >= 5; }, 1000);
    EXPECT_EQ(rx, kAck);

    rx.clear();
    line.write(BaueRahmen("GETPAR"));
    pump.waitUntil([&] { return rx.size() >= kAck.size() + kBlockLaenge; }, 5000);
    EXPECT_EQ(rx.size(), kAck.size() + kBlockLaenge);
    line.write(kAck);
    pump.waitUntil([&] { return !fehler.isEmpty(); }, 5000);
    EXPECT_FALSE(fehler.isEmpty()) << "the dropped line reaches the host";
    EXPECT_FALSE(line.isOpen());
}
