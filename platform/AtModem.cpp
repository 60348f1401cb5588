#include "platform/AtModem.h"

#include "common/Ini.h"
#include "platform/SerialDevice.h"
#include "platform/WireTrace.h"

#include <QRegularExpression>
#include <set>

namespace nuvar {

// ---- configuration block ---------------------------------------------------

QByteArray AtModem::Einstellungen::Block() const {
    QByteArray b;
    b += "Initialisierung=" + initialisierung.toLatin1() + "\r\n";
    b += QByteArray("Wahlverfahren=") + (tonwahl ? "Ton" : "Puls") + "\r\n";
    b += "Geschwindigkeit=" + QByteArray::number(geschwindigkeit) + "\r\n";
    return b.left(kMaxKonfiguration);
}

AtModem::Einstellungen AtModem::Einstellungen::AusBlock(const QByteArray& block) {
    Einstellungen e;
    const QByteArray text = block.left(kMaxKonfiguration);
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QByteArray key = line.left(eq).trimmed().toLower();
        const QString value = QString::fromLatin1(line.mid(eq + 1).trimmed());
        if (key == "initialisierung") {
            e.initialisierung = value;
        } else if (key == "wahlverfahren") {
            const QString v = value.toLower();
            if (v == QLatin1String("ton") || v == QLatin1String("t")) e.tonwahl = true;
            if (v == QLatin1String("puls") || v == QLatin1String("p")) e.tonwahl = false;
        } else if (key == "geschwindigkeit") {
            bool ok = false;
            const int rate = value.toInt(&ok);
            if (ok && rate > 0) e.geschwindigkeit = rate;
        }
    }
    return e;
}

// ---- driver ----------------------------------------------------------------

namespace {
enum class Phase { Idle, Init, Dialing, Connected, Failed, HangingUp };
constexpr qsizetype kMaxLine = 256;
} // namespace

struct AtModem::Impl {
    Impl(AtModem& o, EventPump& p, const TIniFile& i, DeviceFactory f)
        : owner(o), pump(p), ini(i), factory(std::move(f)), line(*this) {}

    class CallLine : public ByteSource {
    public:
        explicit CallLine(Impl& m) : m_(m) {}
        bool open(int, QString* reason) override {
            if (m_.phase != Phase::Connected) {
                if (reason) *reason = QStringLiteral("Es besteht keine Modemverbindung.");
                return false;
            }
            open_ = true;
            return true;
        }
        void close() override { open_ = false; }
        bool isOpen() const override { return open_ && m_.phase == Phase::Connected; }
        void setBaudRate(int) override {}  // the rate to the modem stays as configured
        void setDtr(bool on) override {
            if (m_.dev && m_.dev->isOpen()) m_.dev->setDtr(on);
        }
        void write(const QByteArray& bytes) override {
            if (isOpen()) m_.writeRaw(bytes);
        }
        int carrier() const override { return m_.dev ? m_.dev->carrier() : -1; }
        bool attached() const { return open_; }
        void attach() { open_ = true; }
        void detach() { open_ = false; }

    private:
        Impl& m_;
        bool open_ = false;
    };

    AtModem& owner;
    EventPump& pump;
    const TIniFile& ini;
    DeviceFactory factory;
    CallLine line;
    WireTrace* trace = nullptr;

    QString selected;
    Einstellungen cfg;
    std::unique_ptr<ByteSource> dev;
    Phase phase = Phase::Idle;
    std::uint32_t callState = kIdle;
    QString number;
    int rate = 0;
    QString error;

    QByteArray lineBuf;
    bool skipLf = false;       // LF that may follow the CR of CONNECT
    QByteArray dataTail;       // end of the data seen, for NO CARRIER
    bool proceeding = false;
    bool dcdSeen = false;
    bool wasCall = false;      // hanging up a call attempt or a call
    bool awaitHangupOk = false;
    int initTry = 0;
    Millis lastWrite = 0;

    PumpTimers timers{pump};  // every callback below holds this Impl
    EventPump::TimerId phaseTimer = 0;  // init timeout or a hang-up step
    EventPump::TimerId pollTimer = 0;

    EventPump::TimerId later(Millis ms, std::function<void()> cb) { return timers.start(ms, std::move(cb)); }
    void cancel(EventPump::TimerId& id) { timers.cancel(id); }

    void status(std::uint32_t state, std::uint32_t mode) {
        callState = state;
        later(0, [this, state, mode] {
            if (owner.OnStatus) owner.OnStatus(kLineCallState, state, mode);
        });
    }

    void writeRaw(const QByteArray& bytes) {
        if (!dev || !dev->isOpen()) return;
        dev->write(bytes);
        lastWrite = pump.now();
    }
    void command(const QByteArray& text) {
        if (trace && phase != Phase::Connected) trace->Sent(text + '\r');
        writeRaw(text + '\r');
    }

    void fail(std::uint32_t mode, const QString& text) {
        cancel(phaseTimer);
        cancel(pollTimer);
        phase = dev && dev->isOpen() ? Phase::Failed : Phase::Idle;
        error = text;
        status(kDisconnected, mode);
        later(0, [this] {
            if (owner.OnFail) owner.OnFail();
        });
    }

    void carrierLost(const QString& reason) {
        cancel(pollTimer);
        phase = dev && dev->isOpen() ? Phase::Failed : Phase::Idle;
        status(kDisconnected, kModeNormal);
        if (line.attached()) {
            line.detach();
            later(0, [this, reason] {
                if (line.onError) line.onError(reason);
            });
        }
    }

    void attachDevice() {
        dev->onReceived = [this](const QByteArray& b) { received(b); };
        dev->onError = [this](const QString& reason) {
            if (trace) trace->Note(QStringLiteral("Modem: ") + reason);
            switch (phase) {
            case Phase::Connected: carrierLost(reason); break;
            case Phase::Init:
            case Phase::Dialing: fail(kModeUnknown, reason); break;
            case Phase::HangingUp: finishHangup(); break;
            default: break;
            }
            if (dev && !dev->isOpen() && phase == Phase::Failed) phase = Phase::Idle;
        };
    }

    void received(const QByteArray& bytes) {
        if (phase == Phase::Connected) {
            data(bytes);
            return;
        }
        if (trace) trace->Received(bytes);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (skipLf && c == '\n') {
                skipLf = false;
                continue;
            }
            skipLf = false;
            if (c != '\r' && c != '\n') {
                if (lineBuf.size() >= kMaxLine) lineBuf.clear();  // no modem says this much
                lineBuf += c;
                continue;
            }
            if (lineBuf.isEmpty()) continue;
            const QByteArray l = lineBuf;
            lineBuf.clear();
            resultLine(l);
            if (phase == Phase::Connected) {
                QByteArray rest = bytes.mid(i + 1);
                if (c == '\r') {
                    if (rest.startsWith('\n')) rest.remove(0, 1);
                    else if (rest.isEmpty()) skipLf = true;
                }
                if (!rest.isEmpty()) data(rest);
                return;
            }
        }
    }

    void data(QByteArray bytes) {
        if (skipLf) {
            skipLf = false;
            if (bytes.startsWith('\n')) bytes.remove(0, 1);
            if (bytes.isEmpty()) return;
        }
        if (line.attached() && line.onReceived) line.onReceived(bytes);
        if (phase != Phase::Connected) return;  // the handler hung up
        // The modem reports a lost carrier as a result line inside the data.
        dataTail += bytes;
        static const QRegularExpression noCarrier(QStringLiteral("[\\r\\n]NO CARRIER[\\r\\n]"));
        if (QString::fromLatin1(dataTail).contains(noCarrier)) {
            dataTail.clear();
            if (trace) trace->Note(QStringLiteral("Modem: NO CARRIER"));
            carrierLost(QStringLiteral("Die Modemverbindung wurde getrennt (NO CARRIER)."));
            return;
        }
        if (dataTail.size() > 16) dataTail = dataTail.right(16);
    }

    static int RateOf(const QByteArray& upper) {
        static const QRegularExpression num(QStringLiteral("(\\d+)"));
        const auto m = num.match(QString::fromLatin1(upper.mid(7)));
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    }

    void resultLine(const QByteArray& raw) {
        const QByteArray r = raw.trimmed().toUpper();
        switch (phase) {
        case Phase::Init:
            if (r == "OK") {
                cancel(phaseTimer);
                dial();
            } else if (r == "ERROR") {
                fail(kModeUnknown, QStringLiteral("Das Modem hat die Initialisierung abgelehnt (ERROR)."));
            }
            break;
        case Phase::Dialing:
            if (r.startsWith("ATD") || r == "RINGING" || r == "RING BACK" || r == "RINGBACK") {
                if (!proceeding) {
                    proceeding = true;
                    status(kProceeding, 0);
                }
            } else if (r.startsWith("CONNECT")) {
                const int n = RateOf(r);
                rate = n > 0 ? n : cfg.geschwindigkeit;
                phase = Phase::Connected;
                line.attach();  // the call's line is open from the connect on
                dataTail = "\n";  // a NO CARRIER right away is a line of its own too
                dcdSeen = false;
                status(kConnected, 0);
                later(0, [this] {
                    if (owner.OnConnect) owner.OnConnect();
                });
                pollCarrier();
            } else if (r == "BUSY") {
                fail(kModeBusy, {});
            } else if (r == "NO ANSWER") {
                fail(kModeNoAnswer, {});
            } else if (r == "NO DIALTONE" || r == "NO DIAL TONE") {
                fail(kModeNoDialtone, {});
            } else if (r == "NO CARRIER") {
                fail(kModeNormal, {});
            } else if (r.startsWith("BLACKLISTED") || r.startsWith("DELAYED")) {
                fail(kModeUnavail, {});
            } else if (r == "ERROR") {
                fail(kModeUnknown, QStringLiteral("Das Modem hat den Wählbefehl abgelehnt (ERROR)."));
            }
            break;
        case Phase::HangingUp:
            if (r == "OK" && awaitHangupOk) {
                awaitHangupOk = false;
                cancel(phaseTimer);
                dropDtr();
            }
            break;
        default: break;
        }
    }

    void pollCarrier() {
        pollTimer = later(kCarrierPollMs, [this] {
            pollTimer = 0;
            if (phase != Phase::Connected || !dev) return;
            const int c = dev->carrier();
            if (c == 1) dcdSeen = true;
            if (c == 0 && dcdSeen) {
                if (trace) trace->Note(QStringLiteral("Modem: Trägersignal (DCD) verloren"));
                carrierLost(QStringLiteral("Die Modemverbindung wurde getrennt (Trägersignal verloren)."));
                return;
            }
            pollCarrier();
        });
    }

    void sendInit() {
        command(cfg.initialisierung.toLatin1());
        phaseTimer = later(kInitTimeoutMs, [this] {
            phaseTimer = 0;
            if (phase != Phase::Init) return;
            if (++initTry <= kInitTries) {
                sendInit();
                return;
            }
            fail(kModeUnknown, QStringLiteral("Das Modem antwortet nicht auf die Initialisierung."));
        });
    }

    void dial() {
        phase = Phase::Dialing;
        command(QByteArray("ATD") + (cfg.tonwahl ? "T" : "P") + number.toLatin1());
    }

    void dropDtr() {
        if (dev && dev->isOpen()) dev->setDtr(false);
        phaseTimer = later(kDtrDropMs, [this] {
            phaseTimer = 0;
            finishHangup();
        });
    }

    void finishHangup() {
        cancel(phaseTimer);
        if (dev && dev->isOpen()) dev->close();
        if (trace) trace->Note(QStringLiteral("Modem aufgelegt"));
        phase = Phase::Idle;
        if (wasCall) status(kDisconnected, kModeNormal);
        callState = kIdle;
        wasCall = false;
    }

    QString devicePath() const {
        if (selected.isEmpty()) return {};
        const QString v = ini.ReadString(QStringLiteral("Modems"), selected, {});
        if (v.isEmpty() || v.contains(QLatin1Char('/'))) return v;
        return QStringLiteral("/dev/") + v;
    }
};

AtModem::AtModem(EventPump& pump, const TIniFile& ini, DeviceFactory factory)
    : d(std::make_unique<Impl>(*this, pump, ini, std::move(factory))) {
    if (!d->factory) d->factory = [](const QString& path) { return std::make_unique<SerialDevice>(path); };
}

AtModem::~AtModem() {
    d->timers.cancelAll();
    if (d->dev && d->dev->isOpen()) {
        d->dev->setDtr(false);  // with &D2 the modem hangs up
        d->dev->close();
    }
    if (d->dev) {
        d->dev->onReceived = nullptr;
        d->dev->onError = nullptr;
    }
}

QStringList AtModem::Geraetenamen() const { return d->ini.ReadSection(QStringLiteral("Modems")); }

void AtModem::WaehleGeraet(const QString& name) {
    d->selected.clear();
    for (const QString& n : Geraetenamen())
        if (n.compare(name, Qt::CaseInsensitive) == 0) d->selected = n;
}

QString AtModem::Geraetename() const { return d->selected; }
QString AtModem::Geraetepfad() const { return d->devicePath(); }

QByteArray AtModem::Konfiguration() const { return d->cfg.Block(); }
void AtModem::SetzeKonfiguration(const QByteArray& block) { d->cfg = Einstellungen::AusBlock(block); }
const AtModem::Einstellungen& AtModem::Konfig() const { return d->cfg; }

void AtModem::Waehlen(const QString& nummer) {
    if (d->phase != Phase::Idle && d->phase != Phase::Failed) {
        d->error = QStringLiteral("Das Modem ist noch belegt.");
        d->later(0, [this] {
            if (OnFail) OnFail();
        });
        return;
    }
    d->number = nummer.trimmed();
    d->rate = 0;
    d->error.clear();
    d->proceeding = false;
    d->lineBuf.clear();
    d->skipLf = false;
    d->status(kDialing, 0);
    d->phase = Phase::Init;
    const QString path = d->devicePath();
    if (path.isEmpty()) {
        d->fail(kModeUnknown, QStringLiteral("Es ist kein Modem ausgewählt."));
        return;
    }
    if (!d->dev || !d->dev->isOpen()) {
        d->dev = d->factory(path);
        d->attachDevice();
        QString why;
        if (!d->dev->open(d->cfg.geschwindigkeit, &why)) {
            d->fail(kModeUnknown, why);
            return;
        }
        if (d->trace) d->trace->Note(QStringLiteral("Modem %1 geöffnet, %2 Baud").arg(path).arg(d->cfg.geschwindigkeit));
    } else {
        d->dev->setBaudRate(d->cfg.geschwindigkeit);
        d->dev->setDtr(true);
    }
    d->initTry = 1;
    if (d->cfg.initialisierung.trimmed().isEmpty()) d->dial();
    else d->sendInit();
}

QString AtModem::GewaehlteNummer() const { return d->number; }
bool AtModem::Verbunden() const { return d->phase == Phase::Connected; }
std::uint32_t AtModem::Anrufzustand() const { return d->callState; }
int AtModem::Verbindungsrate() const { return d->rate; }
bool AtModem::Bereit() const { return d->phase == Phase::Idle || d->phase == Phase::Failed; }
QString AtModem::Fehlertext() const { return d->error; }
ByteSource& AtModem::Leitung() { return d->line; }
void AtModem::SetTrace(WireTrace* trace) { d->trace = trace; }

void AtModem::Abbrechen() {
    if (d->phase == Phase::HangingUp) return;
    if (!d->dev || !d->dev->isOpen()) {
        d->phase = Phase::Idle;
        d->callState = kIdle;
        return;
    }
    d->wasCall = d->phase == Phase::Connected || d->phase == Phase::Dialing || d->phase == Phase::Init;
    d->phase = Phase::HangingUp;
    d->cancel(d->phaseTimer);
    d->cancel(d->pollTimer);
    d->line.detach();
    d->lineBuf.clear();
    d->awaitHangupOk = false;
    // Guard time, escape, guard time: the modem takes "+++" only with silence
    // on both sides of it.
    d->phaseTimer = d->later(kGuardMs, [this] {
        if (d->trace) d->trace->Sent("+++");
        d->writeRaw("+++");
        d->phaseTimer = d->later(kGuardMs, [this] {
            d->awaitHangupOk = true;
            d->command("ATH");
            d->phaseTimer = d->later(kHangupOkMs, [this] {
                d->phaseTimer = 0;
                d->awaitHangupOk = false;
                d->dropDtr();
            });
        });
    });
}

} // namespace nuvar
