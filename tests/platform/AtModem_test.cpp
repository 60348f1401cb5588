#include "platform/AtModem.h"
#include "platform/PeerLine.h"
#include "platform/TriggerPort.h"

#include "common/Ini.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

using namespace nuvar;

namespace {

// A Hayes modem as the host sees it: answers command lines from a script; in
// data mode it passes bytes to a "logger" that answers every CR-ended line
// with an ACK line, and leaves data mode on "+++".
struct ScriptModem : WirePeer {
    VirtualPump& pump;
    explicit ScriptModem(VirtualPump& p) : pump(p) {}

    bool echo = false;
    std::map<std::string, std::pair<Millis, QByteArray>> script;  // command prefix -> (delay, reply)
    bool dataMode = false;
    QByteArray cmd, dataLine;
    int plus = 0;
    std::vector<std::pair<Millis, std::string>> log;

    void later(Millis ms, const QByteArray& b) {
        pump.startTimer(ms, [this, b] {
            if (sendToHost) sendToHost(b);
        });
    }
    void hostOpened(int baud) override { log.emplace_back(pump.now(), "open " + std::to_string(baud)); }
    void hostClosed() override { log.emplace_back(pump.now(), "close"); }
    void hostDtr(bool on) override { log.emplace_back(pump.now(), on ? "dtr on" : "dtr off"); }
    void hostWrote(const QByteArray& bytes) override {
        for (char c : bytes) {
            if (dataMode) {
                plus = c == '+' ? plus + 1 : 0;
                if (plus == 3) {
                    log.emplace_back(pump.now(), "+++");
                    dataMode = false;
                    plus = 0;
                    later(0, "\r\nOK\r\n");
                    continue;
                }
                if (c == '+') continue;
                dataLine += c;
                if (c == '\r') {
                    log.emplace_back(pump.now(), "data " + dataLine.trimmed().toStdString());
                    dataLine.clear();
                    later(5, "\x02\n\x06\x03\r");
                }
                continue;
            }
            if (c != '\r') {
                cmd += c;
                continue;
            }
            const std::string line = cmd.toStdString();
            cmd.clear();
            log.emplace_back(pump.now(), "cmd " + line);
            if (echo) later(0, QByteArray::fromStdString(line) + "\r");
            for (const auto& [prefix, reply] : script) {
                if (line.rfind(prefix, 0) != 0) continue;
                later(reply.first, reply.second);
                if (reply.second.startsWith("\r\nCONNECT")) pump.startTimer(reply.first, [this] { dataMode = true; });
            }
        }
    }
    bool sawCommand(const std::string& c) const {
        for (const auto& [t, e] : log)
            if (e == "cmd " + c) return true;
        return false;
    }
    Millis timeOf(const std::string& e) const {
        for (const auto& [t, what] : log)
            if (what == e) return t;
        return -1;
    }
};

struct Rig {
    QTemporaryDir dir;
    VirtualPump pump;
    ScriptModem peer{pump};
    std::unique_ptr<TIniFile> ini;
    std::unique_ptr<AtModem> modem;
    PeerLine* device = nullptr;
    QString refuse;
    std::vector<std::string> events;
    std::vector<Millis> failTimes;

    Rig() {
        const QString name = dir.filePath("NUVARWin.ini");
        QFile f(name);
        f.open(QIODevice::WriteOnly);
        f.write("[Modems]\r\nTestmodem=/dev/ttyACM0\r\nZweites Modem=ttyUSB3\r\n");
        f.close();
        ini = std::make_unique<TIniFile>(name);
        modem = std::make_unique<AtModem>(pump, *ini, [this](const QString& path) {
            auto l = std::make_unique<PeerLine>(pump, peer);
            device = l.get();
            if (!refuse.isEmpty()) l->refuseOpen(refuse);
            EXPECT_EQ(path, QStringLiteral("/dev/ttyACM0"));
            return l;
        });
        modem->OnStatus = [this](std::uint32_t msg, std::uint32_t state, std::uint32_t mode) {
            char buf[48];
            std::snprintf(buf, sizeof buf, "S%u %x %x", msg, state, mode);
            events.push_back(buf);
        };
        modem->OnConnect = [this] { events.push_back("connect " + std::to_string(modem->Verbindungsrate())); };
        modem->OnFail = [this] {
            events.push_back("fail");
            failTimes.push_back(pump.now());
        };
        modem->WaehleGeraet("testmodem");
        peer.script["AT&F"] = {50, "\r\nOK\r\n"};
    }
    void dialResult(const QByteArray& result, Millis after = 2000) {
        peer.script["ATD"] = {after, "\r\n" + result + "\r\n"};
    }
};

using Events = std::vector<std::string>;

} // namespace

TEST(AtModem, ResultCodesDriveCallStatesAndDisconnectModes) {
    struct Case { QByteArray result; Events events; int rate; };
    const std::vector<Case> cases = {
        {"CONNECT 9600", {"S2 10 0", "S2 100 0", "connect 9600"}, 9600},
        {"CONNECT 14400/ARQ/V42BIS", {"S2 10 0", "S2 100 0", "connect 14400"}, 14400},
        {"CONNECT", {"S2 10 0", "S2 100 0", "connect 9600"}, 9600},  // no rate: the line speed
        {"BUSY", {"S2 10 0", "S2 4000 20", "fail"}, 0},
        {"NO ANSWER", {"S2 10 0", "S2 4000 40", "fail"}, 0},
        {"NO DIALTONE", {"S2 10 0", "S2 4000 1000", "fail"}, 0},
        {"NO DIAL TONE", {"S2 10 0", "S2 4000 1000", "fail"}, 0},
        {"NO CARRIER", {"S2 10 0", "S2 4000 1", "fail"}, 0},
        {"BLACKLISTED", {"S2 10 0", "S2 4000 800", "fail"}, 0},
        {"DELAYED 30 MIN", {"S2 10 0", "S2 4000 800", "fail"}, 0},
        {"ERROR", {"S2 10 0", "S2 4000 2", "fail"}, 0},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.dialResult(c.result);
        rig.modem->Waehlen(" 0301234 ");
        EXPECT_EQ(rig.modem->Anrufzustand(), AtModem::kDialing);
        rig.pump.advance(10000);
        EXPECT_EQ(rig.events, c.events) << c.result.toStdString();
        EXPECT_TRUE(rig.peer.sawCommand("AT&FE0V1X4&C1&D2")) << c.result.toStdString();
        EXPECT_TRUE(rig.peer.sawCommand("ATDT0301234")) << c.result.toStdString();
        EXPECT_EQ(rig.modem->Verbunden(), c.rate > 0) << c.result.toStdString();
        EXPECT_EQ(rig.modem->Verbindungsrate(), c.rate) << c.result.toStdString();
        EXPECT_EQ(rig.modem->GewaehlteNummer(), QStringLiteral("0301234"));
        EXPECT_EQ(rig.modem->Fehlertext().isEmpty(), c.result != "ERROR") << c.result.toStdString();
    }
}

TEST(AtModem, InitialisationThatFailsEndsTheCallAttempt) {
    {   // silent modem: two tries, 3 s each, then the fail event
        Rig rig;
        rig.peer.script.clear();
        rig.modem->Waehlen("123");
        rig.pump.advance(20000);
        EXPECT_EQ(rig.events, (Events{"S2 10 0", "S2 4000 2", "fail"}));
        EXPECT_EQ(rig.failTimes, (std::vector<Millis>{2 * AtModem::kInitTimeoutMs}));
        EXPECT_EQ(rig.modem->Fehlertext(), QStringLiteral("Das Modem antwortet nicht auf die Initialisierung."));
        EXPECT_FALSE(rig.peer.sawCommand("ATDT123"));
        EXPECT_TRUE(rig.modem->Bereit());
    }
    {   // ERROR to the initialisation string
        Rig rig;
        rig.peer.script["AT&F"] = {50, "\r\nERROR\r\n"};
        rig.modem->Waehlen("123");
        rig.pump.advance(20000);
        EXPECT_EQ(rig.events, (Events{"S2 10 0", "S2 4000 2", "fail"}));
        EXPECT_EQ(rig.modem->Fehlertext(), QStringLiteral("Das Modem hat die Initialisierung abgelehnt (ERROR)."));
    }
    {   // the device cannot be opened
        Rig rig;
        rig.refuse = QStringLiteral("Das Gerät /dev/ttyACM0 existiert nicht.");
        rig.modem->Waehlen("123");
        rig.pump.advance(100);
        EXPECT_EQ(rig.events, (Events{"S2 10 0", "S2 4000 2", "fail"}));
        EXPECT_EQ(rig.modem->Fehlertext(), rig.refuse);
    }
    {   // no device selected
        Rig rig;
        rig.modem->WaehleGeraet("gibt es nicht");
        rig.modem->Waehlen("123");
        rig.pump.advance(100);
        EXPECT_EQ(rig.events, (Events{"S2 10 0", "S2 4000 2", "fail"}));
        EXPECT_EQ(rig.modem->Fehlertext(), QStringLiteral("Es ist kein Modem ausgewählt."));
    }
}

TEST(AtModem, ConfigurationChoosesDiallingLineSpeedAndInitialisation) {
    Rig rig;
    rig.modem->SetzeKonfiguration("Initialisierung=ATZ\r\nWahlverfahren=Puls\r\nGeschwindigkeit=2400\r\n");
    rig.peer.script.clear();
    rig.peer.script["ATZ"] = {50, "\r\nOK\r\n"};
    rig.peer.echo = true;  // the echo of the dial command shows it was taken
    rig.dialResult("CONNECT");
    rig.modem->Waehlen("0,0301234");
    rig.pump.advance(10000);
    EXPECT_EQ(rig.peer.log.front().second, "open 2400");
    EXPECT_TRUE(rig.peer.sawCommand("ATDP0,0301234"));
    EXPECT_EQ(rig.events, (Events{"S2 10 0", "S2 200 0", "S2 100 0", "connect 2400"}));
}

TEST(AtModem, TheConfigurationBlockIsOurOwnTextOfAtMost1024Bytes) {
    using E = AtModem::Einstellungen;
    const E def;
    EXPECT_EQ(def.Block(), QByteArray("Initialisierung=AT&FE0V1X4&C1&D2\r\nWahlverfahren=Ton\r\nGeschwindigkeit=9600\r\n"));

    struct Case { QByteArray block; QString init; bool ton; int rate; };
    const QByteArray pad(1100, ';');
    for (const Case& c : {
             Case{"", def.initialisierung, true, 9600},
             Case{"\x01\x02garbage\xff", def.initialisierung, true, 9600},  // a foreign block
             Case{"initialisierung = ATZ \nWAHLVERFAHREN=p\nGeschwindigkeit=19200", "ATZ", false, 19200},
             Case{"Geschwindigkeit=schnell\r\nWahlverfahren=Morse\r\n", def.initialisierung, true, 9600},
             Case{"Geschwindigkeit=-5\r\n", def.initialisierung, true, 9600},
             Case{"Wahlverfahren=Puls\r\n" + pad + "\r\nGeschwindigkeit=2400\r\n", def.initialisierung, false, 9600},
         }) {
        const E e = E::AusBlock(c.block);
        EXPECT_EQ(e.initialisierung, c.init) << c.block.left(40).toStdString();
        EXPECT_EQ(e.tonwahl, c.ton) << c.block.left(40).toStdString();
        EXPECT_EQ(e.geschwindigkeit, c.rate) << c.block.left(40).toStdString();
    }

    Rig rig;
    const QByteArray block("Initialisierung=AT&F&C1&D2S7=90\r\nWahlverfahren=Puls\r\nGeschwindigkeit=57600\r\n");
    rig.modem->SetzeKonfiguration(block);
    EXPECT_EQ(rig.modem->Konfiguration(), block);  // what is stored comes back byte for byte
}

TEST(AtModem, DevicesAreTheModemsOfTheIni) {
    Rig rig;
    EXPECT_EQ(rig.modem->Geraetenamen(), (QStringList{"Testmodem", "Zweites Modem"}));
    EXPECT_EQ(rig.modem->Geraetename(), QStringLiteral("Testmodem"));
    EXPECT_EQ(rig.modem->Geraetepfad(), QStringLiteral("/dev/ttyACM0"));
    rig.modem->WaehleGeraet("ZWEITES MODEM");
    EXPECT_EQ(rig.modem->Geraetename(), QStringLiteral("Zweites Modem"));
    EXPECT_EQ(rig.modem->Geraetepfad(), QStringLiteral("/dev/ttyUSB3"));
    rig.modem->WaehleGeraet("Unbekannt");
    EXPECT_TRUE(rig.modem->Geraetename().isEmpty());
}

TEST(AtModem, TheCallCarriesTheLoggerProtocolAndCancelHangsUp) {
    Rig rig;
    rig.dialResult("CONNECT 9600");
    rig.modem->Waehlen("0301234");
    rig.pump.advance(5000);
    ASSERT_TRUE(rig.modem->Verbunden());

    ScriptModem unused(rig.pump);  // the port's own line, idle while the call carries it
    TriggerPort port(rig.pump, std::make_unique<PeerLine>(rig.pump, unused));
    port.SetLine(&rig.modem->Leitung());
    QString why;
    ASSERT_TRUE(port.Open(&why)) << why.toStdString();
    std::vector<std::string> seen;
    const auto cr = port.AddDataTrigger("\r");
    port.OnTriggerAvail = [&](int n) { seen.push_back("A:" + port.GetBlock(n).toStdString()); };
    port.OnTriggerData = [&](TriggerPort::Handle h) { seen.push_back(h == cr ? "T" : "?"); };
    port.PutString("\x02\nGETTIM\x03" "013\r");
    rig.pump.advance(1000);
    EXPECT_TRUE(rig.peer.timeOf("data \x02\nGETTIM\x03" "013") > 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"A:\x02\n\x06\x03", "T", "A:\r"}));

    const Millis t0 = rig.pump.now();
    const size_t before = rig.events.size();
    rig.modem->Abbrechen();
    port.Close();
    EXPECT_FALSE(rig.modem->Bereit());
    rig.pump.advance(10000);
    // Guard time, "+++" (three bytes at 9600 baud: the last arrives after
    // 3.1 ms), guard time, "ATH\r" (4.2 ms), its OK, DTR low for half a
    // second, closed.
    EXPECT_EQ(rig.peer.timeOf("+++"), t0 + AtModem::kGuardMs + 4);
    const Millis ath = rig.peer.timeOf("cmd ATH");
    EXPECT_EQ(ath, t0 + 2 * AtModem::kGuardMs + 5);
    const Millis dtrOff = rig.peer.timeOf("dtr off");
    EXPECT_GT(dtrOff, ath);
    EXPECT_EQ(rig.peer.timeOf("close"), dtrOff + AtModem::kDtrDropMs);
    EXPECT_EQ(Events(rig.events.begin() + before, rig.events.end()), (Events{"S2 4000 1"}));
    EXPECT_TRUE(rig.modem->Bereit());
    EXPECT_FALSE(rig.modem->Verbunden());
    EXPECT_EQ(rig.modem->Anrufzustand(), AtModem::kIdle);
}

TEST(AtModem, CarrierLossWhileConnectedEndsTheCallAtOnce) {
    // The modem's NO CARRIER inside the data stream, whole or split.
    for (const std::vector<QByteArray>& parts :
         {std::vector<QByteArray>{"\x02\n\x06\x03\r\r\nNO CARRIER\r\n"},
          std::vector<QByteArray>{"\x02\nab\r\nNO CAR", "RIER", "\r\n"}}) {
        Rig rig;
        ScriptModem unused(rig.pump);  // the port's own line, idle while the call carries it
        TriggerPort port(rig.pump, std::make_unique<PeerLine>(rig.pump, unused));
        // Set before dialling: the port is open as soon as the call is.
        port.SetLine(&rig.modem->Leitung());
        EXPECT_FALSE(port.IsOpen());
        rig.dialResult("CONNECT 2400");
        rig.modem->Waehlen("1");
        rig.pump.advance(5000);
        ASSERT_TRUE(rig.modem->Verbunden());
        EXPECT_TRUE(port.IsOpen());
        std::vector<QString> lineErrors;
        port.OnLineError = [&](const QString& r) { lineErrors.push_back(r); };
        const size_t before = rig.events.size();
        for (const QByteArray& p : parts) {
            rig.peer.sendToHost(p);
            rig.pump.processEvents();
        }
        EXPECT_EQ(Events(rig.events.begin() + before, rig.events.end()), (Events{"S2 4000 1"}));
        ASSERT_EQ(lineErrors.size(), 1u);
        EXPECT_FALSE(rig.modem->Verbunden());
        EXPECT_FALSE(port.IsOpen());
    }
    {   // "NO CARRIER" as ordinary text inside a line is data, not a result
        Rig rig;
        rig.dialResult("CONNECT 2400");
        rig.modem->Waehlen("1");
        rig.pump.advance(5000);
        rig.peer.sendToHost("xNO CARRIER\r");
        rig.pump.processEvents();
        EXPECT_TRUE(rig.modem->Verbunden());
    }
}

TEST(AtModem, DialWhileBusyFailsWithoutTouchingTheCall) {
    Rig rig;
    rig.dialResult("CONNECT 9600");
    rig.modem->Waehlen("1");
    rig.pump.advance(5000);
    rig.events.clear();
    rig.modem->Waehlen("2");
    rig.pump.processEvents();
    EXPECT_EQ(rig.events, (Events{"fail"}));
    EXPECT_TRUE(rig.modem->Verbunden());
    EXPECT_EQ(rig.modem->GewaehlteNummer(), QStringLiteral("1"));
}
