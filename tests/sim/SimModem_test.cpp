#include "SimTestHilfe.h"

#include <gtest/gtest.h>

using namespace nuvar;
using namespace nuvar::test;

namespace {

SimOptions ModemOptionen() {
    SimOptions o = StandardOptionen();
    o.modem.aktiv = true;
    o.modem.klingelnMs = 3000;
    return o;
}

QByteArray Ergebnis(const char* text) { return QByteArray("\r\n") + text + "\r\n"; }

// Dials and waits for the call to be connected.
void Verbinde(Anlage& a, const char* nummer = "0815") {
    ASSERT_EQ(a.Frage(QByteArray("ATDT") + nummer + "\r", 3500), Ergebnis("CONNECT 9600"));
    ASSERT_TRUE(a.logger->ModemVerbunden());
}

}  // namespace

TEST(SimModem, AnswersCommandsBeforeACall) {
    struct Case { QByteArray zeile; QByteArray antwort; };
    const Case cases[] = {
        {"AT\r", Ergebnis("OK")},
        {"at\r", Ergebnis("OK")},
        {"ATZ\r", Ergebnis("OK")},
        {"AT&FE0V1Q0X4&C1&D2\r", Ergebnis("OK")},
        {"ATS0=0 S7=60\r", Ergebnis("OK")},
        {"ATS12?\r", Ergebnis("050") + Ergebnis("OK")},
        {"ATI\r", Ergebnis("NUVARSIM Modem") + Ergebnis("OK")},
        {"AT%Q\r", Ergebnis("ERROR")},
        {"AT&Z\r", Ergebnis("ERROR")},
        {"ATS7=300\r", Ergebnis("ERROR")},
        {"ATO\r", Ergebnis("NO CARRIER")},  // no call to return to
        {"HELLO\r", ""},                    // no AT: not for the modem
        {"\n\r", ""},
    };
    for (const Case& c : cases) {
        Anlage a(ModemOptionen());
        EXPECT_EQ(a.Frage(c.zeile), c.antwort) << c.zeile.toStdString();
    }
}

TEST(SimModem, LoggerIsUnreachableBeforeACall) {
    Anlage a(ModemOptionen());
    EXPECT_EQ(a.Befehl("STOPMO"), QByteArray());
}

TEST(SimModem, EchoIsOffUntilSwitchedOn) {
    Anlage a(ModemOptionen());
    EXPECT_EQ(a.Frage("ATE1\r"), Ergebnis("OK"));
    EXPECT_EQ(a.Frage("AT\r"), "AT\r" + Ergebnis("OK"));
}

TEST(SimModem, DialConnectsAfterTheRingDelayAndCarriesTheLoggerProtocol) {
    Anlage a(ModemOptionen());
    EXPECT_EQ(a.Frage("ATDP 0815-4711\r", 2999), QByteArray()) << "still ringing";
    EXPECT_EQ(a.Frage({}, 1), Ergebnis("CONNECT 9600"));
    EXPECT_EQ(a.Befehl("STOPMO"), AckZeile());
    EXPECT_EQ(Nutzdaten(a.Befehl("GETTIM")).size(), 12);
}

TEST(SimModem, NumbersOfTheTableFailTheirWay) {
    struct Case { const char* nummer; const char* ergebnis; };
    SimOptions o = ModemOptionen();
    o.modem.nummern["0815"] = ModemErgebnis::Busy;  // configured, overrides "connect"
    const Case cases[] = {
        {"111", "BUSY"}, {"222", "NO ANSWER"}, {"333", "NO DIALTONE"}, {"444", "NO CARRIER"},
        {"0815", "BUSY"}, {"", "NO CARRIER"},
    };
    for (const Case& c : cases) {
        Anlage a(o);
        EXPECT_EQ(a.Frage(QByteArray("ATDT") + c.nummer + "\r", 3500), Ergebnis(c.ergebnis)) << c.nummer;
        EXPECT_FALSE(a.logger->ModemVerbunden());
        EXPECT_EQ(a.Befehl("STOPMO"), QByteArray()) << "no call, no logger";
        EXPECT_EQ(a.Frage("AT\r"), Ergebnis("OK")) << "back in command mode";
    }
}

TEST(SimModem, AKeyDuringDiallingAbandonsTheCall) {
    Anlage a(ModemOptionen());
    a.Frage("ATD0815\r", 1000);
    EXPECT_EQ(a.Frage("\r", 5000), Ergebnis("NO CARRIER"));
    EXPECT_FALSE(a.logger->ModemVerbunden());
}

TEST(SimModem, EscapeWithGuardTimeThenHangUp) {
    Anlage a(ModemOptionen());
    Verbinde(a);
    a.pump.advance(1500);
    EXPECT_EQ(a.Frage("+++", 999), QByteArray()) << "the guard time after the escape has not passed";
    EXPECT_EQ(a.Frage({}, 1), Ergebnis("OK"));
    EXPECT_TRUE(a.logger->ModemVerbunden()) << "the call stays up in online command mode";
    EXPECT_EQ(a.Befehl("STOPMO"), QByteArray()) << "the modem, not the logger, reads the line now";
    EXPECT_EQ(a.Frage("ATO\r"), Ergebnis("CONNECT 9600"));
    EXPECT_EQ(a.Befehl("STOPMO"), AckZeile());
    a.pump.advance(1500);
    a.Frage("+++", 1500);
    EXPECT_EQ(a.Frage("ATH\r"), Ergebnis("OK"));
    EXPECT_FALSE(a.logger->ModemVerbunden());
    EXPECT_EQ(a.Befehl("STOPMO"), QByteArray());
}

TEST(SimModem, PlusesWithoutGuardTimeAreData) {
    Anlage a(ModemOptionen());
    Verbinde(a);
    // Straight after other data the pluses cannot be an escape.
    a.logger->hostWrote("x");
    EXPECT_EQ(a.Frage("+++", 3000), QByteArray());
    EXPECT_TRUE(a.logger->ModemVerbunden());
    EXPECT_EQ(a.Befehl("STOPMO"), AckZeile()) << "still online";
    // An escape followed by data within the guard time is data too.
    a.pump.advance(1500);
    a.Frage("+++", 500);
    EXPECT_EQ(a.Befehl("STOPMO", 3000), AckZeile());
}

TEST(SimModem, HostDroppingDtrOrClosingEndsTheCall) {
    for (bool schliessen : {false, true}) {
        Anlage a(ModemOptionen());
        Verbinde(a);
        a.Befehl("READMO", 100);
        a.rx.clear();
        if (schliessen) {
            a.logger->hostClosed();
        } else {
            a.logger->hostDtr(false);
        }
        a.pump.advance(100);
        EXPECT_EQ(a.rx, Ergebnis("NO CARRIER")) << schliessen;
        EXPECT_FALSE(a.logger->ModemVerbunden());
        EXPECT_FALSE(a.logger->Momentanbetrieb()) << "the logger forgets the exchange of the call";
        EXPECT_EQ(a.Frage("AT\r"), Ergebnis("OK"));
    }
}

TEST(SimModem, LoggerDroppingTheLineIsLostCarrier) {
    SimOptions o = ModemOptionen();
    o.fehler = {{SimFehler::Art::Abbruch, "GETPAR", 1}};
    Anlage a(o);
    Verbinde(a);
    EXPECT_EQ(a.Befehl("GETPAR").size(), AckZeile().size() + kBlockLaenge);
    EXPECT_EQ(a.Frage(AckZeile()), Ergebnis("NO CARRIER"));
    EXPECT_FALSE(a.logger->ModemVerbunden());
    EXPECT_EQ(a.abbrueche, 0) << "the serial line itself stays up";
}
