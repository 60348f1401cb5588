#include "kom/protocol/NUVARWnd.h"

#include "common/DateiSchreiben.h"
#include "common/Fehler.h"
#include "common/ProgrammVerzeichnis.h"
#include "common/Rahmen.h"
#include "common/Text.h"
#include "common/Ini.h"
#include "kom/protocol/AtTelefonie.h"
#include "kom/protocol/Momentanempfang.h"
#include "platform/PortMap.h"
#include "platform/SerialDevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace nuvar {

namespace {

constexpr char STX = 0x02, LF = 0x0A, ETX = 0x03, ETB = 0x17, ACK = 0x06, NAK = 0x15, CR = 0x0D;

const QByteArray& AckOhneCR() {
    static const QByteArray z{QByteArray() + STX + LF + ACK + ETX};
    return z;
}
const QByteArray& NakOhneCR() {
    static const QByteArray z{QByteArray() + STX + LF + NAK + ETX};
    return z;
}
const QByteArray& OkOhneCR() {
    static const QByteArray z = OkRahmen().left(OkRahmen().size() - 1);
    return z;
}

// A line that never opens: the program was started without a serial layer.
class TKeineLeitung : public ByteSource {
public:
    bool open(int, QString* reason) override {
        if (reason) *reason = QStringLiteral("Keine serielle Schnittstelle verfügbar.");
        return false;
    }
    void close() override {}
    bool isOpen() const override { return false; }
    void setBaudRate(int) override {}
    void setDtr(bool) override {}
    void write(const QByteArray&) override {}
};

const char* const kKeinModem =
    "Es wurde bisher kein Modem ausgewählt oder das ausgwählte\nModem wurde von Ihrem System entfernt!\n"
    "Wählen Sie im folgenden Dialog ein Modem aus.";
const char* const kKeinModemKonfiguriert =
    "Es wurde kein Modem ausgewählt und konfiguriert!\nBevor Sie mit NUVARKom Daten über DFÜ-Verbindungen\n"
    "übertragen können, müssen Sie an dieser Stelle ein\nModem auswählen.";

QString Q(const char* s) { return QString::fromUtf8(s); }

} // namespace

TFensterUmgebung StandardUmgebung() {
    static QtPump pumpe;
    TFensterUmgebung u;
    u.pump = &pumpe;
    u.verzeichnis = ProgrammVerzeichnis();
    u.leitung = [](const QString& verzeichnis) {
        auto d = std::make_unique<SerialDevice>();
        const QString ini = QDir(verzeichnis).filePath(QStringLiteral("NUVARWin.ini"));
        // The map is read at every open, so an edited file applies at once.
        d->setResolver([ini](int n) {
            TIniFile datei(ini);
            return PortMap(datei).DevicePath(n);
        });
        return d;
    };
    u.telefonie = [](EventPump& pump, const QString& verzeichnis) -> std::unique_ptr<TTelefonie> {
        return std::make_unique<TAtTelefonie>(pump, QDir(verzeichnis).filePath(QStringLiteral("NUVARWin.ini")));
    };
    return u;
}

TFensterUmgebung& Umgebung() {
    static TFensterUmgebung u = StandardUmgebung();
    return u;
}

// ===========================================================================
// Window lifecycle

TNUVARFenster::TNUVARFenster(const TFensterUmgebung& umgebung, bool configOnly)
    : ConfigOnly(configOnly), umgebung_(umgebung) {
    pump_ = umgebung_.pump ? umgebung_.pump : StandardUmgebung().pump;
    meldungen_ = umgebung_.meldungen ? umgebung_.meldungen : &Meldungen();
    verzeichnis_ = umgebung_.verzeichnis.isEmpty() ? ProgrammVerzeichnis() : umgebung_.verzeichnis;
    optionen_ = std::make_unique<TOptionen>(verzeichnis_);
    ansicht_ = umgebung_.ansicht ? umgebung_.ansicht() : nullptr;
    if (!ansicht_) ansicht_ = std::make_unique<TNullAnsicht>();
    ansicht_->Abbrechen = [this] { Button1Click(); };
    // A window that only hosts the settings dialog never connects.
    std::unique_ptr<ByteSource> leitung =
        umgebung_.leitung && !ConfigOnly ? umgebung_.leitung(verzeichnis_) : nullptr;
    if (!leitung) leitung = std::make_unique<TKeineLeitung>();
    port_ = std::make_unique<TriggerPort>(*pump_, std::move(leitung));
    port_->SetBaud(9600);
    port_->OnTriggerAvail = [this](int n) { ApdComPort1TriggerAvail(n); };
    port_->OnTriggerData = [this](TriggerPort::Handle h) { ApdComPort1TriggerData(h); };
    port_->OnTriggerTimer = [this](TriggerPort::Handle h) { ApdComPort1TriggerTimer(h); };
    port_->OnLineError = [this](const QString& r) { ApdComPort1LineError(r); };
    if (umgebung_.telefonie) telefonie_ = umgebung_.telefonie(*pump_, verzeichnis_);
    // The wire trace for fault reports, beside the protocol file.
    if (!ConfigOnly &&
        optionen_->Ini().ReadBool(QStringLiteral("NUVARKom"), QStringLiteral("Leitungsprotokoll"), false)) {
        trace_ = std::make_unique<WireTrace>(*pump_, QDir(verzeichnis_).filePath(QStringLiteral("NUVARKom.trc")),
                                             Jetzt());
        port_->SetTrace(trace_.get());
        if (telefonie_) telefonie_->SetTrace(trace_.get());
    }
    if (telefonie_) {
        telefonie_->OnStatus = [this](std::uint32_t m, std::uint32_t z, std::uint32_t mo) {
            ApdTapiDevice1TapiStatus(m, z, mo);
        };
        telefonie_->OnConnect = [this] { ApdTapiDevice1TapiConnect(); };
        telefonie_->OnFail = [this] { ApdTapiDevice1TapiFail(); };
    }
}

TNUVARFenster::~TNUVARFenster() {
    if (!ConfigOnly && optionen_->Protokoll && optionen_->SchreibeLogDateiAktuell()) {
        try {
            optionen_->Protokoll->Schreibe(QStringLiteral("*** Protokolldatei geschlossen ***"));
        } catch (...) {
        }
    }
    optionen_->Protokoll.reset();
    StopHangTimer();
    if (telefonie_) {
        telefonie_->OnStatus = nullptr;
        telefonie_->OnConnect = nullptr;
        telefonie_->OnFail = nullptr;
        if (telefonie_->Verbunden()) telefonie_->Abbrechen();
    }
    port_->OnTriggerAvail = nullptr;
    port_->OnTriggerData = nullptr;
    port_->OnTriggerTimer = nullptr;
    port_->OnLineError = nullptr;
    port_->RemoveAllTriggers();
    port_->Close();
    if (port_->Line()) port_->SetLine(nullptr);
    port_->SetTrace(nullptr);
    if (telefonie_) telefonie_->SetTrace(nullptr);
    if (umgebung_.hauptIndikator) umgebung_.hauptIndikator(false);
}

void TNUVARFenster::Show() {
    ansicht_->Zeigen();
    if (!aktiviert_) FormActivate();
}

void TNUVARFenster::Hide() { ansicht_->Verbergen(); }

void TNUVARFenster::FormActivate() {
    if (aktiviert_) return;
    aktiviert_ = true;
    ResponseTicks = 36;
    if (ConfigOnly) return;
    const TEinstellungen e = optionen_->Lies();
    if (!e.SchreibeLogDatei) return;
    optionen_->Protokoll = std::make_unique<TLogFile>(
        QDir(verzeichnis_).filePath(QStringLiteral("NUVARKom.log")), e.AnPDAnhaengen, e.ProtokollLaenge,
        umgebung_.uhr);
    try {
        optionen_->Protokoll->Schreibe(QStringLiteral("*** Protokolldatei geoeffnet ***"));
    } catch (...) {
    }
}

void TNUVARFenster::FormClose() { Disconnect(); }

void TNUVARFenster::Button1Click() {
    Hide();
    FormClose();
}

void TNUVARFenster::SetTitle(const QString& text) { ansicht_->SetzeTitel(text); }

QDateTime TNUVARFenster::Jetzt() const {
    return umgebung_.uhr ? umgebung_.uhr() : QDateTime::currentDateTime();
}

void TNUVARFenster::SetGaugeMax(int m) {
    gaugeMax_ = m;
    ansicht_->SetzeGauge(gaugeMax_, gauge_);
}

void TNUVARFenster::SetGaugeProgress(int p) {
    gauge_ = p;
    ansicht_->SetzeGauge(gaugeMax_, gauge_);
}

void TNUVARFenster::ProcessEvents() { pump_->processEvents(); }

void TNUVARFenster::Delay(int ms) { pump_->Delay(ms); }

void TNUVARFenster::Warte(const std::function<bool()>& ende) {
    ProcessEvents();
    while (!ende() && !LinkDown) pump_->waitForEvents(1000);
}

void TNUVARFenster::Schreibe(const QByteArray& bytes) { port_->PutString(bytes); }

QString TNUVARFenster::MdmPfad() const { return QDir(verzeichnis_).filePath(QStringLiteral("NUVARKom.mdm")); }

// ===========================================================================
// Exchange engine

void TNUVARFenster::SendCommand(const QByteArray& payload, int kind, int retries) {
    const QByteArray frame = BaueRahmen(payload);
    // Only the newest line trigger is ever evaluated; dropping the previous
    // one keeps a long-kept link from piling up triggers.
    if (LineTrigger) port_->RemoveTrigger(LineTrigger);
    LineTrigger = port_->AddDataTrigger(QByteArray(1, CR));
    blockModus_ = false;
    bloeckeAngenommen_ = 0;
    switch (kind) {
    case 0: AckReplies = false; ExchangeState = 0; ResponseTicks = 91; break;
    case 1: AckReplies = true; ExchangeState = 1; ResponseTicks = 36; break;
    case 2: AckReplies = true; ExchangeState = 2; ResponseTicks = 91; break;
    case 3: AckReplies = true; ExchangeState = 3; ResponseTicks = 91; break;
    case 4: AckReplies = true; ExchangeState = 4; ResponseTicks = 91; break;
    case 5: AckReplies = false; ExchangeState = 1; ResponseTicks = 91; break;
    default: break;
    }
    if (!ResponseTimer) ResponseTimer = port_->AddTimerTrigger();
    port_->SetTimerTrigger(ResponseTimer, ResponseTicks, true);
    NakRetries = NakRetriesInitial = ResendRetries = retries;
    Reply.clear();
    NakSeen = false;
    LastFrame = frame;
    Schreibe(frame);
    DropNextByte = false;
}

void TNUVARFenster::SendBlock(const QByteArray& daten) {
    QByteArray d = daten.left(kBlockDaten);
    if (d.size() < kBlockDaten) d.append(QByteArray(kBlockDaten - d.size(), '\0'));
    Schreibe(BaueBlock(d, ETX));
}

QByteArray TNUVARFenster::CheckFrame(const QByteArray& s) {
    // The digit field modulo 256 (0 when it is no number) against the XOR of
    // STX through the end byte; an empty payload counts as no reply.
    return PruefeRahmen(s);
}

void TNUVARFenster::SendAck() { Schreibe(AckZeile()); }

void TNUVARFenster::SendNak() { Schreibe(NakZeile()); }

void TNUVARFenster::ResendLast() {
    RxBuffer.clear();
    Schreibe(LastFrame);
    if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, ResponseTicks, true);
}

void TNUVARFenster::StatusLine(const QString& text) {
    ansicht_->StatusZeile(text);
    try {
        if (optionen_->Protokoll && optionen_->SchreibeLogDateiAktuell()) optionen_->Protokoll->Schreibe(text);
    } catch (...) {
        // The work goes on without a protocol.
    }
}

void TNUVARFenster::StartHangTimer(int seconds) {
    HangTimeout = false;
    StopHangTimer();
    hangTimer_ = pump_->startTimer(Millis(seconds) * 1000, [this] {
        hangTimer_ = 0;
        SystemHangsTimer1Timer();
    });
}

void TNUVARFenster::StopHangTimer() {
    if (hangTimer_) pump_->cancelTimer(hangTimer_);
    hangTimer_ = 0;
}

void TNUVARFenster::BeendeWarten() {
    // A wait the hang timer ended leaves no repeat behind.
    StopHangTimer();
    if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, 0, false);
}

void TNUVARFenster::SystemHangsTimer1Timer() {
    HangTimeout = true;
    StopHangTimer();
}

void TNUVARFenster::RxIndicatorOn() {
    if (IndicatorTimer) port_->SetTimerTrigger(IndicatorTimer, 1, true);
    ansicht_->SetzeEmpfang(true);
    if (umgebung_.hauptIndikator) umgebung_.hauptIndikator(true);
}

void TNUVARFenster::RxIndicatorOff() {
    ansicht_->SetzeEmpfang(false);
    if (umgebung_.hauptIndikator) umgebung_.hauptIndikator(false);
}

void TNUVARFenster::ForwardInstantaneous(const QByteArray& payload) {
    TMomentanEmpfang::Zustellen(LinkParams.StatName, payload);
}

void TNUVARFenster::ApdComPort1TriggerAvail(int count) {
    RxIndicatorOn();
    int n = count;
    if (DropNextByte && n > 0) {
        port_->GetChar();
        DropNextByte = false;
        --n;
    }
    if (n > 0) {
        const QByteArray b = port_->GetBlock(n);
        RxBuffer += b;
        SetGaugeProgress(gauge_ + int(b.size()));
    }
    if (blockModus_) BlockEmpfang();
}

void TNUVARFenster::BlockEmpfang() {
    if (RxBuffer.size() < kBlockLaenge) return;
    if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, 0, false);
    // The logger waits for our answer after each block, so the block is the
    // first 1031 bytes; its CR is not part of the check.
    const QByteArray block = RxBuffer.left(kBlockLaenge - 1);
    const int laenge = int(RxBuffer.size());
    RxBuffer.clear();
    if (block[1026] == ETB) LastBlockSeen = true;
    Reply = CheckFrame(block);
    if (!Reply.isEmpty()) {
        SendAck();
        Busy = false;
        NakRetries = NakRetriesInitial;
        ++bloeckeAngenommen_;
    } else if (NakRetries > 0) {
        SendNak();
        SetGaugeProgress(gauge_ - laenge);
        --NakRetries;
    } else {
        const QString text = QStringLiteral("Fehler - Datenblock %1 auch nach Wiederholung mit Prüfsummenfehler.")
                                 .arg(bloeckeAngenommen_ + 1);
        StatusLine(text);
        Ausgang.Melde(TFehlerart::Unvollstaendig, text);
        Busy = false;
    }
}

void TNUVARFenster::ApdComPort1TriggerData(TriggerPort::Handle handle) {
    if (handle == 0 || handle != LineTrigger) return;
    DropNextByte = true;
    if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, 0, false);
    // Taken out before it is evaluated: the instantaneous handler pumps events,
    // and the next line may begin to arrive meanwhile.
    const QByteArray zeile = RxBuffer;
    RxBuffer.clear();
    switch (ExchangeState) {
    case 1:
    case 2:
        if (zeile == AckOhneCR()) {
            if (ExchangeState == 2) {
                // The blocks may contain CR: from now on only the count ends one.
                port_->RemoveTrigger(LineTrigger);
                LineTrigger = 0;
                blockModus_ = true;
                if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, ResponseTicks, true);
            }
        } else if (zeile == NakOhneCR()) {
            if (ResendRetries > 0) {
                --ResendRetries;
                ResendLast();
            } else {
                Reply.clear();
                Busy = false;
            }
        } else {
            Reply = CheckFrame(zeile);
            if (!Reply.isEmpty()) {
                if (AckReplies) {
                    AckReplies = false;
                    SendAck();
                }
                Busy = false;
            } else if (AckReplies) {
                if (NakRetries > 0) {
                    SendNak();
                    --NakRetries;
                } else {
                    AckReplies = false;
                    SendAck();
                    Busy = false;
                }
            }
        }
        break;
    case 3:
    case 4:
        if (zeile == AckOhneCR())
            AckSeen = true;
        else if (zeile == NakOhneCR())
            NakSeen = true;
        else if (zeile == OkOhneCR())
            OkSeen = true;
        else
            Busy = false;
        break;
    case 0:
        if (zeile == AckOhneCR())
            AckSeen = true;
        else if (zeile == NakOhneCR())
            NakSeen = true;
        break;
    case 6:
        Reply = CheckFrame(zeile);
        if (!Reply.isEmpty()) ForwardInstantaneous(Reply);
        Delay(500);
        SetGaugeProgress(0);
        break;
    default:
        break;
    }
}

void TNUVARFenster::ApdComPort1TriggerTimer(TriggerPort::Handle handle) {
    if (handle != 0 && handle == ResponseTimer) {
        if (blockModus_ && bloeckeAngenommen_ > 0) {
            // Repeating the command now would restart the download and bring
            // the first blocks again behind those already taken: end it, and
            // keep what came.
            StatusLine(QStringLiteral("Befehls-Timeout!"));
            Ausgang.Melde(TFehlerart::Unvollstaendig,
                          QStringLiteral("Nach %1 Datenblöcken blieb der nächste aus.").arg(bloeckeAngenommen_));
            ProcessEvents();
            Reply.clear();
            Busy = false;
        } else if (ResendRetries > 0) {
            if (blockModus_) {
                // Nothing taken yet: the logger starts over with its ACK line,
                // which only the line trigger recognises.
                blockModus_ = false;
                DropNextByte = false;
                LineTrigger = port_->AddDataTrigger(QByteArray(1, CR));
            }
            --ResendRetries;
            ResendLast();
        } else {
            StatusLine(QStringLiteral("Befehls-Timeout!"));
            ProcessEvents();
            Busy = false;
        }
    } else {
        RxIndicatorOff();
    }
}

void TNUVARFenster::ApdComPort1LineError(const QString& reason) {
    // An unplugged adapter or a dropped line: nothing more will come, so the
    // running wait ends now instead of after its timeouts.
    StatusLine(QStringLiteral("Fehler - Verbindung unterbrochen: ") + reason);
    Ausgang.Melde(TFehlerart::Verbindung, QStringLiteral("Verbindung unterbrochen: ") + reason);
    LinkDown = true;
    Busy = false;
    if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, 0, false);
}

// ===========================================================================
// Link

void TNUVARFenster::ShowLinkLabels(const QString& station, const QString& verbindung, const QString& nummer) {
    ansicht_->SetzeVerbindung(station, verbindung, nummer, !nummer.isEmpty());
    ProcessEvents();
}

bool TNUVARFenster::Connect(const TVerbParam& p) {
    bool result = true;
    if (p.Verbindung == 0) {
        if (port_->IsOpen()) {
            ShowLinkLabels(p.StatName, QStringLiteral("Direkte Datenleitung an COM") + QString::number(port_->ComNumber()),
                           QString());
            return true;
        }
        if (port_->Line()) port_->SetLine(nullptr);
        port_->SetComNumber(p.Schnittstelle + 1);
        static const int kRaten[] = {1200, 2400, 4800, 9600};
        if (p.Baudrate <= 3) port_->SetBaud(kRaten[p.Baudrate]);
        const QString com = QStringLiteral("COM") + QString::number(port_->ComNumber());
        ShowLinkLabels(p.StatName, QStringLiteral("Direkte Datenleitung an ") + com, QString());
        StatusLine(QStringLiteral("Initialisiere ") + com + QStringLiteral("..."));
        QString grund;
        if (!port_->Open(&grund)) {
            StatusLine(QStringLiteral("Fehler beim Öffnen von ") + com + QStringLiteral("."));
            if (!grund.isEmpty()) StatusLine(grund);
            Ausgang.Melde(TFehlerart::Verbindung,
                          grund.isEmpty() ? QStringLiteral("%1 kann nicht geöffnet werden.").arg(com) : grund);
            result = false;
        }
        ProcessEvents();
        if (result) {
            LinkDown = false;
            IndicatorTimer = port_->AddTimerTrigger();
        }
    } else if (p.Verbindung == 2) {
        if (telefonie_ && telefonie_->Verbunden()) {
            ShowLinkLabels(p.StatName, telefonie_->Geraetename(), telefonie_->GewaehlteNummer());
            return true;
        }
        if (!SelectModem()) {
            Ausgang.Melde(TFehlerart::Verbindung, Q(kKeinModemKonfiguriert));
            return false;
        }
        ShowLinkLabels(p.StatName, telefonie_->Geraetename(), p.Rufnummer);
        TapiConnected = false;
        TapiFailed = false;
        LinkDown = false;
        StartHangTimer(60);
        telefonie_->Waehlen(p.Rufnummer);
        Warte([this] { return TapiConnected || TapiFailed || HangTimeout; });
        if (TapiFailed || HangTimeout || !TapiConnected) {
            Ausgang.Melde(TFehlerart::Verbindung,
                          QStringLiteral("Die Modemverbindung zu %1 kam nicht zustande.").arg(p.Rufnummer));
            result = false;
        } else {
            // The port now runs over the call.
            port_->SetLine(telefonie_->Leitung());
            QString grund;
            if (!port_->Open(&grund)) {
                if (!grund.isEmpty()) StatusLine(grund);
                Ausgang.Melde(TFehlerart::Verbindung, grund);
                result = false;
            } else {
                LinkDown = false;
                // Also on a modem line, so the indicator goes green again
                // after each burst.
                IndicatorTimer = port_->AddTimerTrigger();
            }
        }
    } else {
        StatusLine(QStringLiteral("Ausgewählte Verbindungsart wird nicht unterstützt."));
        Ausgang.Melde(TFehlerart::Verbindung, QStringLiteral("Ausgewählte Verbindungsart wird nicht unterstützt."));
        ProcessEvents();
        result = false;
    }
    Delay(500);
    if (result) {
        result = WakeUp();
        if (!result)
            Ausgang.Melde(TFehlerart::Verbindung, QStringLiteral("Der Logger antwortet nicht auf den Aufweckbefehl."));
    }
    Delay(500);
    StopHangTimer();
    return result;
}

bool TNUVARFenster::WakeUp() {
    return QuittierterBefehl("STOPMO", 3, QStringLiteral("Sende Aufweckbefehl..."), false);
}

// The exchanges the logger answers with an ACK or a NAK line and nothing
// else: the wake-up and the switching of the instantaneous stream.
bool TNUVARFenster::QuittierterBefehl(const QByteArray& payload, int kind, const QString& meldung,
                                      bool hangTimer) {
    SetGaugeMax(4);
    const bool result = SendeUndWarteAufQuittung(payload, kind, meldung, hangTimer);
    Delay(500);
    SetGaugeProgress(0);
    Busy = false;
    return result;
}

// The command frame of a confirmation exchange: sends it, waits for the
// logger's ACK or NAK line and writes the outcome. Leaves Busy set.
bool TNUVARFenster::SendeUndWarteAufQuittung(const QByteArray& payload, int kind, const QString& meldung,
                                             bool hangTimer) {
    AckSeen = false;
    Busy = true;
    StatusLine(meldung);
    ProcessEvents();
    SendCommand(payload, kind, 2);
    StatusLine(QStringLiteral("Warte auf Antwort..."));
    ProcessEvents();
    if (hangTimer) {
        // In state 0 other lines are ignored and stop the response timer, so
        // only the hang timer bounds the wait.
        StartHangTimer(60);
        Warte([this] { return AckSeen || NakSeen || !Busy || HangTimeout; });
        BeendeWarten();
    } else {
        Warte([this] { return AckSeen || NakSeen || !Busy; });
    }
    if (AckSeen)
        StatusLine(QStringLiteral("Antwort empfangen..."));
    else if (NakSeen)
        StatusLine(QStringLiteral("Fehler - Befehl nicht erkannt."));
    else
        StatusLine(QStringLiteral("Fehler - Keine Antwort empfangen."));
    ProcessEvents();
    return AckSeen;
}

void TNUVARFenster::Disconnect() {
    SetTitle(QStringLiteral("Verbindung trennen..."));
    ProcessEvents();
    Busy = false;
    LinkDown = true;
    if (telefonie_) telefonie_->Abbrechen();
    port_->RemoveAllTriggers();
    LineTrigger = ResponseTimer = IndicatorTimer = 0;
    blockModus_ = false;
    port_->Close();
    if (port_->Line()) port_->SetLine(nullptr);
    RxIndicatorOff();
}

void TNUVARFenster::ApdTapiDevice1TapiStatus(std::uint32_t meldung, std::uint32_t zustand, std::uint32_t modus) {
    using namespace tapi;
    if (meldung == LINE_CALLSTATE) {
        switch (zustand) {
        case LINECALLSTATE_DIALING:
            StatusLine(QStringLiteral("Wähle ") + (telefonie_ ? telefonie_->GewaehlteNummer() : QString()) +
                       QStringLiteral("..."));
            break;
        case LINECALLSTATE_CONNECTED: StatusLine(QStringLiteral("Verbindung hergestellt.")); break;
        case LINECALLSTATE_PROCEEDING: StatusLine(QStringLiteral("Verbindungsaufbau....")); break;
        case LINECALLSTATE_DISCONNECTED:
            switch (modus) {
            case LINEDISCONNECTMODE_NORMAL: StatusLine(QStringLiteral("Verbindung wurde getrennt.")); break;
            case LINEDISCONNECTMODE_BUSY: StatusLine(QStringLiteral("Anschluß besetzt.")); break;
            case LINEDISCONNECTMODE_NOANSWER: StatusLine(QStringLiteral("Gerufenes Modem antwortet nicht.")); break;
            case LINEDISCONNECTMODE_UNAVAIL: StatusLine(QStringLiteral("Wahlsperre.")); break;
            case LINEDISCONNECTMODE_NODIALTONE: StatusLine(QStringLiteral("Kein Freizeichen.")); break;
            default: break;
            }
            break;
        default: break;
        }
    }
    ProcessEvents();
}

void TNUVARFenster::ApdTapiDevice1TapiConnect() {
    StatusLine(QStringLiteral("Verbunden mit ") + QString::number(telefonie_ ? telefonie_->Verbindungsrate() : 0) +
               QStringLiteral(" Baud."));
    ProcessEvents();
    TapiConnected = true;
}

void TNUVARFenster::ApdTapiDevice1TapiFail() { TapiFailed = true; }

bool TNUVARFenster::SelectModem() {
    QString name = optionen_->Ini().ReadString(QStringLiteral("NUVARKom"), QStringLiteral("TAPIModem"), QString());
    const QStringList geraete = telefonie_ ? telefonie_->Geraetenamen() : QStringList();
    if (name.isEmpty() || !geraete.contains(name)) {
        meldungen_->Information(Q(kKeinModem));
        if (!EditSettings(true, name)) {
            meldungen_->Fehler(Q(kKeinModemKonfiguriert));
            return false;
        }
    }
    if (name.isEmpty() || !telefonie_) {
        meldungen_->Fehler(Q(kKeinModemKonfiguriert));
        return false;
    }
    telefonie_->WaehleGeraet(name);
    // Without a stored block the device keeps the configuration it has.
    QFile mdm(MdmPfad());
    if (mdm.open(QIODevice::ReadOnly)) {
        const QByteArray block = mdm.read(1024);
        if (!block.isEmpty()) telefonie_->SetzeKonfiguration(block);
    }
    return true;
}

bool TNUVARFenster::EditSettings(bool zeigeRohdatenPfad, QString& modemname) {
    TEinstellungen werte = optionen_->Lies();
    const QString rohdatenGelesen = werte.RohdatenPfad;
    werte.TAPIModem = modemname;
    // A program without the dialog behaves as if the user cancelled it.
    if (!umgebung_.einstellungsDialog) return false;
    if (!umgebung_.einstellungsDialog(werte, zeigeRohdatenPfad, telefonie_.get())) return false;
    if (!zeigeRohdatenPfad) werte.RohdatenPfad = rohdatenGelesen;
    modemname = werte.TAPIModem;
    optionen_->Ini().WriteString(QStringLiteral("NUVARKom"), QStringLiteral("TAPIModem"), modemname);
    if (!modemname.isEmpty() && telefonie_) {
        telefonie_->WaehleGeraet(modemname);
        // Like the settings file: a block that cannot be stored is said, not
        // lost without a word.
        QString grund;
        if (!ErsetzeDatei(MdmPfad(), telefonie_->Konfiguration(), &grund))
            throw EInOutError(QStringLiteral("Datei %1 kann nicht geschrieben werden: %2").arg(MdmPfad(), grund));
    }
    optionen_->Schreibe(werte);
    return true;
}

// ===========================================================================
// Station queries

QDateTime TNUVARFenster::LiesZeitText(const QByteArray& text) const {
    if (text.size() < 12) return {};
    int w[6];
    for (int i = 0; i < 6; ++i)
        if (!TryStrToInt(QString::fromLatin1(text.mid(2 * i, 2)), w[i])) return {};
    // Two-digit years fall into the hundred years from 90 years ago on.
    const int basis = Jetzt().date().year() - 90;
    int jahr = (basis / 100) * 100 + w[0];
    if (jahr < basis) jahr += 100;
    const QDate d(jahr, w[1], w[2]);
    const QTime t(w[3], w[4], w[5]);
    if (w[0] < 0 || !d.isValid() || !t.isValid()) return {};
    return QDateTime(d, t);
}

QByteArray TNUVARFenster::ZeitText(const QDateTime& zeit) {
    return zeit.toString(QStringLiteral("yyMMddHHmmss")).toLatin1();
}

bool TNUVARFenster::DecodiereStation(const QByteArray& block, TStationsParameter& s) {
    if (block.size() < 42) return false;
    auto zahl = [&](int von, int laenge) { return StrToInt(QString::fromLatin1(block.mid(von, laenge))); };
    try {
        const int nummer = zahl(0, 3);
        QString batt = QString::fromLatin1(block.mid(19, 4));
        batt.replace(QLatin1Char('.'), QLatin1Char(','));
        const double spannung = StrToFloat(batt);
        const int mittel = zahl(23, 2), mess = zahl(25, 3), sleep = zahl(28, 1), ausgelesen = zahl(29, 1),
                  reserve = zahl(30, 1), frei = zahl(31, 4), speicher = zahl(35, 2), saetze = zahl(37, 5);
        s.Stationsnummer = std::int16_t(nummer);
        for (int i = 0; i < 16; ++i) s.Stationsname[i] = std::uint8_t(block[3 + i]);
        s.Stationsname[16] = 0;
        s.Batteriespannung = float(spannung);
        s.Mittelwertintervall = std::int16_t(mittel);
        s.Messintervall = std::int16_t(mess);
        s.Sleepmodus = std::int16_t(sleep);
        s.Ausgelesen = std::int16_t(ausgelesen);
        s.Reserve = std::int16_t(reserve);
        s.FreieTage = std::int16_t(frei);
        s.Speichergroesse = std::int16_t(speicher);
        // All five digits: record counts above 32767 are common on big cards.
        s.Datensaetze = saetze;
    } catch (const EFehler&) {
        return false;
    }
    return true;
}

bool TNUVARFenster::GetPar(TStationsParameter& station, TKanalTabelle& kanaele, THardwareTabelle& hardware,
                           QDateTime& uhr, QByteArray& typ) {
    if (Busy) return false;
    bool result = false;
    SetGaugeMax(3094);
    StatusLine(QStringLiteral("Sende Befehl GETPAR..."));
    ProcessEvents();
    QByteArray abbild;
    Busy = true;
    SendCommand("GETPAR", 2, 2);
    StartHangTimer(60);
    StatusLine(QStringLiteral("Warte auf Antwort..."));
    ProcessEvents();
    LastBlockSeen = false;
    bool blockDa = false;
    for (int i = 0; i < 3; ++i) {
        Warte([this] { return !Busy || HangTimeout; });
        if (HangTimeout || Reply.isEmpty()) break;
        abbild += Reply;
        Reply.clear();
        blockDa = true;
        if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, ResponseTicks, true);
        Busy = true;
    }
    if (blockDa) {
        StatusLine(QStringLiteral("Antwort empfangen..."));
        ProcessEvents();
        bool ok = true;
        station.Kanalanzahl = 0;
        int kanalanzahl = 0;
        for (int k = 0; k < kEingaenge && ok; ++k) {
            if (abbild.size() < 29 * (k + 1)) {
                ok = false;
                break;
            }
            const QByteArray slot = abbild.mid(29 * k, 29);
            const std::uint8_t code = std::uint8_t(slot[0]);
            const std::uint8_t pos = std::uint8_t(slot[28]);
            if (code == 0 || pos == 0) continue;
            if (pos > kMaxKanaele) {
                // The table holds 64 channels: such a slot is not taken.
                StatusLine(QStringLiteral("Kanal an Eingang %1 mit Position %2 übergangen (höchstens 64 Kanäle).")
                               .arg(k)
                               .arg(pos));
                continue;
            }
            std::array<std::uint8_t, TKanalEintrag::kGroesse> roh{};
            roh[0] = std::uint8_t(k);
            for (int i = 0; i < 29; ++i) roh[1 + i] = std::uint8_t(slot[i]);
            TKanalEintrag e = TKanalEintrag::decode(roh);
            e.Kanalnummer = std::uint8_t(k);
            e.Position = pos;
            kanaele[pos - 1] = e;
            ++kanalanzahl;
        }
        if (kanalanzahl > kMaxKanaele) {
            StatusLine(QStringLiteral("Kanalanzahl %1 auf 64 gekürzt.").arg(kanalanzahl));
            kanalanzahl = kMaxKanaele;
        }
        station.Kanalanzahl = std::int16_t(kanalanzahl);
        if (ok && abbild.size() >= 2940) {
            ok = DecodiereStation(abbild.mid(2784, 42), station);
            if (ok) {
                for (int i = 0; i < kEingaenge; ++i) hardware[i] = std::uint8_t(abbild[2826 + i]);
                const QDateTime t = LiesZeitText(abbild.mid(2922, 12));
                if (!t.isValid())
                    ok = false;
                else
                    uhr = t;
            }
            if (ok) typ = abbild.mid(2934, 6);
        } else {
            ok = false;
        }
        result = ok;
        if (!ok) {
            StatusLine(QStringLiteral("Fehler - Antwort kann nicht dekodiert werden."));
            ProcessEvents();
        }
    } else {
        StatusLine(QStringLiteral("Fehler - Pruefsummenfehler in der Antwort."));
    }
    if (!result)
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("Die Stationsparameter (GETPAR) kamen nicht vollständig und gültig an."));
    if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, 0, false);
    StopHangTimer();
    Delay(500);
    SetGaugeProgress(0);
    Busy = false;
    return result;
}

bool TNUVARFenster::GetSta(TStationsParameter& station) {
    if (Busy) return false;
    bool result = false;
    SetGaugeMax(52);
    StatusLine(QStringLiteral("Sende Befehl GETSTA..."));
    ProcessEvents();
    Busy = true;
    SendCommand("GETSTA", 1, 2);
    StatusLine(QStringLiteral("Warte auf Antwort..."));
    ProcessEvents();
    // An ACK line alone, or a NAK of ours that the logger ignores, stops the
    // response timer: the hang timer bounds the wait.
    StartHangTimer(60);
    Warte([this] { return !Busy || HangTimeout; });
    BeendeWarten();
    if (!Reply.isEmpty()) {
        result = true;
        StatusLine(QStringLiteral("Antwort empfangen..."));
        ProcessEvents();
        if (!DecodiereStation(Reply, station)) {
            result = false;
            StatusLine(QStringLiteral("Fehler - Antwort kann nicht dekodiert werden."));
        }
    } else {
        StatusLine(QStringLiteral("Fehler - Pruefsummenfehler in der Antwort."));
        ProcessEvents();
    }
    Delay(500);
    SetGaugeProgress(0);
    Busy = false;
    return result;
}

bool TNUVARFenster::GetTim(QDateTime& uhr, double& differenzTage) {
    if (Busy) return false;
    bool result = false;
    SetGaugeMax(22);
    StatusLine(QStringLiteral("Sende Befehl GETTIM..."));
    ProcessEvents();
    Busy = true;
    SendCommand("GETTIM", 1, 2);
    StatusLine(QStringLiteral("Warte auf Antwort..."));
    ProcessEvents();
    StartHangTimer(60);
    Warte([this] { return !Busy || HangTimeout; });
    BeendeWarten();
    if (!Reply.isEmpty()) {
        const QDateTime t = LiesZeitText(Reply.left(12));
        if (t.isValid()) {
            uhr = t;
            differenzTage = double(Jetzt().msecsTo(t)) / 86400000.0;
            result = true;
            StatusLine(QStringLiteral("Antwort empfangen..."));
            ProcessEvents();
        } else {
            StatusLine(QStringLiteral("Fehler - Antwort kann nicht dekodiert werden."));
        }
    } else {
        StatusLine(QStringLiteral("Fehler - Pruefsummenfehler in der Antwort."));
        ProcessEvents();
    }
    if (!result)
        Ausgang.Melde(TFehlerart::Unvollstaendig, QStringLiteral("Die Loggerzeit (GETTIM) kam nicht gültig an."));
    Delay(500);
    SetGaugeProgress(0);
    Busy = false;
    return result;
}

bool TNUVARFenster::CheckStation(const TVerbParam& p) {
    TStationsParameter s;
    if (!GetSta(s)) {
        Ausgang.Melde(TFehlerart::Station, QStringLiteral("Die Station beantwortet GETSTA nicht gültig."));
        return false;
    }
    QString text;
    if (s.Stationsnummer != p.StatNr)
        text = QStringLiteral("Die Stationsnummer des ausgewählten Messprogramms stimmt nicht\nmit der "
                              "Stationsnummer der verbundenen Messstation überein!");
    else if (s.Mittelwertintervall != p.Mittelwertzeit)
        text = QStringLiteral("Die Mittelwertzeit des ausgewählten Messprogramms stimmt nicht\nmit der "
                              "Mittelwertzeit der verbundenen Messstation überein!");
    else
        return true;
    Ausgang.Melde(TFehlerart::Station, QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    if (p.HaltBeiFehler)
        meldungen_->Fehler(text);
    else
        meldungen_->FehlerKurz(text);
    return false;
}

// ===========================================================================
// Data readout

bool TNUVARFenster::GetAktuell(const char* befehl, const QString& statuszeile, int gaugeMax, QString& zeile) {
    bool result = false;
    SetGaugeMax(gaugeMax);
    StatusLine(statuszeile);
    ProcessEvents();
    Busy = true;
    SendCommand(befehl, 5, 2);
    StatusLine(QStringLiteral("Warte auf Antwort..."));
    ProcessEvents();
    // A reply with a wrong checksum is neither answered nor repeated here and
    // stops the response timer: the hang timer bounds the wait.
    StartHangTimer(60);
    Warte([this] { return !Busy || HangTimeout; });
    BeendeWarten();
    Busy = false;
    if (!Reply.isEmpty()) {
        zeile = QString::fromLatin1(Reply);
        StatusLine(QStringLiteral("Antwort empfangen..."));
        result = true;
    } else {
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("Auf %1 kam keine gültige Antwort.").arg(QLatin1String(befehl)));
    }
    Delay(500);
    SetGaugeProgress(0);
    ProcessEvents();
    return result;
}

bool TNUVARFenster::GetMdx(QString& zeile, const TStationsParameter& s) {
    return GetAktuell("GETMDX", QStringLiteral("Sende Befehl GETMDX..."), 24 * s.Kanalanzahl + 22, zeile);
}

bool TNUVARFenster::GetMed(QString& zeile, const TStationsParameter& s) {
    return GetAktuell("GETMED", QStringLiteral("Sende Befehl GETMED..."), 8 * s.Kanalanzahl + 24, zeile);
}

bool TNUVARFenster::GetGmd(QString& zeile, const TStationsParameter& s) {
    return GetAktuell("GETGMD", QStringLiteral("Sende Befehl GETMDX..."), 32 * s.Kanalanzahl + 22, zeile);
}

bool TNUVARFenster::ReadMc(const QString& pfad, const TStationsParameter& station, bool* vollstaendig) {
    QFile datei(pfad);
    return LiesSpeicher(datei, station, vollstaendig, nullptr);
}

// Downloads the memory into datei (created or replaced). fehler (optional)
// receives the reason when the file could not be written; the download then
// stops, because what follows could not be kept.
bool TNUVARFenster::LiesSpeicher(QFile& datei, const TStationsParameter& station, bool* vollstaendig,
                                 QString* fehler) {
    bool result = true;
    if (vollstaendig) *vollstaendig = false;
    const qint64 satz = 8LL * station.Kanalanzahl + 5;
    const qint64 bytes = satz * qint64(std::max<std::int32_t>(0, station.Datensaetze));
    SetGaugeMax(int((bytes + 1023) / 1024 * 1030 + 4));
    StatusLine(QStringLiteral("Sende Befehl READMC..."));
    ProcessEvents();
    // Every block goes to the file as it arrives, so a download that breaks
    // off keeps what came.
    if (!datei.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        const QString text = DateiFehler(QStringLiteral("kann nicht geöffnet werden"), datei);
        StatusLine(text);
        Ausgang.Melde(TFehlerart::Datei, text);
        if (fehler) *fehler = text;
        return false;
    }
    Busy = true;
    SendCommand("READMC", 2, 2);
    StatusLine(QStringLiteral("Warte auf Antwort..."));
    ProcessEvents();
    LastBlockSeen = false;
    while (!LastBlockSeen) {
        StartHangTimer(60);
        Warte([this] { return !Busy || HangTimeout; });
        StopHangTimer();
        if (HangTimeout) break;
        if (Reply.isEmpty() || LinkDown) {
            result = false;
            break;
        }
        // A short write (a full disk) would leave a gap in the image that no
        // later block fills: stop here.
        if (!SchreibeGanz(datei, Reply)) {
            const QString text = DateiFehler(QStringLiteral("kann nicht geschrieben werden"), datei);
            StatusLine(text);
            Ausgang.Melde(TFehlerart::Datei, text);
            if (fehler) *fehler = text;
            result = false;
            break;
        }
        Reply.clear();
        result = true;
        if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, ResponseTicks, true);
        Busy = true;
    }
    if (vollstaendig) *vollstaendig = LastBlockSeen && result && !HangTimeout;
    if (HangTimeout && !LastBlockSeen)
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("Zeitüberschreitung beim Auslesen nach %1 Datenblöcken.").arg(bloeckeAngenommen_));
    else if (!result)
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("Die Speicherauslesung brach nach %1 Datenblöcken ab.").arg(bloeckeAngenommen_));
    if (ResponseTimer) port_->SetTimerTrigger(ResponseTimer, 0, false);
    StatusLine(QStringLiteral("Antwort empfangen..."));
    Delay(500);
    SetGaugeProgress(0);
    ProcessEvents();
    Busy = false;
    datei.close();
    return result;
}

// "Datei <name> <was>: <the system's reason>".
QString TNUVARFenster::DateiFehler(const QString& was, const QFileDevice& datei) {
    return QStringLiteral("Fehler - Datei %1 %2: %3")
        .arg(QDir::toNativeSeparators(datei.fileName()), was, datei.errorString());
}

int TNUVARFenster::ReadData(const QString& pfad, TStationsParameter& station) {
    TKanalTabelle kanaele{};
    THardwareTabelle hardware{};
    QDateTime uhr;
    QByteArray typ;
    if (!GetPar(station, kanaele, hardware, uhr, typ)) return kLeseFehlgeschlagen;
    Delay(500);
    // Each readout downloads into an image of its own: several runs may read
    // their stations at the same time from one program directory. The image
    // replaces $$_mc.tmp only once this run is done with it.
    const QString sichtbar = QDir(verzeichnis_).filePath(QStringLiteral("$$_mc.tmp"));
    QTemporaryFile name(sichtbar + QStringLiteral(".XXXXXX"));
    if (!name.open()) {
        StatusLine(DateiFehler(QStringLiteral("kann nicht erstellt werden"), name));
        Ausgang.Melde(TFehlerart::Datei, DateiFehler(QStringLiteral("kann nicht erstellt werden"), name));
        return kLeseFehlgeschlagen;
    }
    name.close();  // the name stays reserved, and goes with `name` on any error
    QFile bild(name.fileName());
    bool vollstaendig = false;
    QString fehler;
    const bool gelesen = LiesSpeicher(bild, station, &vollstaendig, &fehler);
    int result = kLeseFehlgeschlagen;
    if (fehler.isEmpty()) result = SchreibeRohdaten(pfad, bild, station, kanaele, hardware, gelesen, vollstaendig);
    ZeigeSpeicherabbild(name, sichtbar);
    return result;
}

// Steps 5 to 9 of the readout: the raw data file from the memory image.
int TNUVARFenster::SchreibeRohdaten(const QString& pfad, QFile& ein, const TStationsParameter& station,
                                    const TKanalTabelle& kanaele, const THardwareTabelle& hardware, bool gelesen,
                                    bool vollstaendig) {
    if (!ein.open(QIODevice::ReadOnly)) {
        StatusLine(DateiFehler(QStringLiteral("kann nicht geöffnet werden"), ein));
        Ausgang.Melde(TFehlerart::Datei, DateiFehler(QStringLiteral("kann nicht geöffnet werden"), ein));
        return kLeseFehlgeschlagen;
    }
    // A failed download still yields every record that came; only a download
    // that brought nothing at all counts as not read.
    if (!gelesen && ein.size() == 0) return kLeseFehlgeschlagen;
    int result = kLeseVollstaendig;
    QSaveFile aus(pfad);
    if (!aus.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        StatusLine(DateiFehler(QStringLiteral("kann nicht erstellt werden"), aus));
        Ausgang.Melde(TFehlerart::Datei, DateiFehler(QStringLiteral("kann nicht erstellt werden"), aus));
        return kLeseFehlgeschlagen;
    }
    SetGaugeMax(station.Datensaetze);
    const int kanalanzahl = std::clamp<int>(station.Kanalanzahl, 0, kMaxKanaele);
    QByteArray stueck("Q&Z");
    const auto rec = station.encodeStationsrecord();
    stueck.append(reinterpret_cast<const char*>(rec.data()), qsizetype(rec.size()));
    stueck.append(reinterpret_cast<const char*>(hardware.data()), qsizetype(hardware.size()));
    for (int i = 0; i < kanalanzahl; ++i) {
        const auto e = kanaele[i].encode();
        stueck.append(reinterpret_cast<const char*>(e.data()), qsizetype(e.size()));
    }
    // Written in pieces of some records, each write checked.
    bool geschrieben = true;
    const qint64 satz = 8LL * kanalanzahl + 5;
    int n = 0, schlecht = 0;
    while (geschrieben) {
        const QByteArray r = ein.read(satz);
        if (r.size() < satz) break;
        if (std::uint8_t(r[0]) == 0xFF && std::uint8_t(r[1]) == 0xFF && std::uint8_t(r[2]) == 0xFF) break;
        const auto b = [&](int i) { return std::uint8_t(r[i]); };
        if (b(0) > 99 || b(1) < 1 || b(1) > 12 || b(2) < 1 || b(2) > 31 || b(3) > 23 || b(4) > 59) {
            ++schlecht;
            if (schlecht > 3) result = kLeseZeitFehler;
        }
        stueck += r;
        if (stueck.size() >= 65536) {
            geschrieben = SchreibeGanz(aus, stueck);
            stueck.clear();
        }
        ++n;
        SetGaugeProgress(n);
    }
    if (geschrieben) geschrieben = SchreibeGanz(aus, stueck);
    // commit() would forget why a write failed.
    const QString schreibfehler = geschrieben ? QString() : aus.errorString();
    StatusLine(QString::number(n) + QStringLiteral(" Datensätze empfangen..."));
    Delay(500);
    SetGaugeProgress(0);
    ProcessEvents();
    ein.close();
    if (!geschrieben) aus.cancelWriting();
    if (!geschrieben || !aus.commit()) {
        const QString text = QStringLiteral("Fehler - Datei %1 kann nicht geschrieben werden: %2")
                                 .arg(QDir::toNativeSeparators(pfad), geschrieben ? aus.errorString() : schreibfehler);
        StatusLine(text);
        Ausgang.Melde(TFehlerart::Datei, text);
        return kLeseFehlgeschlagen;
    }
    // The logger keeps measuring while it is read: records it stored after
    // counting them arrive behind the announced ones. Only fewer records
    // than announced leave the read incomplete.
    if (n < station.Datensaetze) {
        result = kLeseAnzahlAbweichend;
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("%1 von %2 gemeldeten Datensätzen empfangen.").arg(n).arg(station.Datensaetze));
    } else if (n > station.Datensaetze) {
        StatusLine(QStringLiteral("%1 Datensätze mehr als gemeldet (während des Auslesens gespeichert).")
                       .arg(n - std::max<std::int32_t>(0, station.Datensaetze)));
    }
    if (!vollstaendig) {
        StatusLine(QStringLiteral("Fehler - Datenübertragung unvollständig."));
        Ausgang.Melde(TFehlerart::Unvollstaendig, QStringLiteral("Datenübertragung unvollständig."));
        result = kLeseAnzahlAbweichend;
    }
    if (result == kLeseZeitFehler)
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("%1 Datensätze mit ungültiger Zeit empfangen.").arg(schlecht));
    return result;
}

// Puts this run's memory image in place as $$_mc.tmp, replacing the previous
// one whole; the temporary name is gone afterwards.
void TNUVARFenster::ZeigeSpeicherabbild(QTemporaryFile& bild, const QString& sichtbar) {
    bild.close();
    std::error_code fehler;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(bild.fileName()).toStdString()),
                            std::filesystem::path(QFile::encodeName(sichtbar).toStdString()), fehler);
    if (fehler) {
        StatusLine(QStringLiteral("Fehler - Datei %1 kann nicht ersetzt werden: %2")
                       .arg(QDir::toNativeSeparators(sichtbar), QString::fromLocal8Bit(fehler.message())));
        return;
    }
    bild.setAutoRemove(false);
}

bool TNUVARFenster::ReadMo(int kanaele) {
    if (Busy) return false;
    const bool result = QuittierterBefehl("READMO", 0, QStringLiteral("Sende Befehl READMO..."), true);
    ExchangeState = 6;
    SetGaugeMax(8 * kanaele + 20);
    return result;
}

// ===========================================================================
// Write commands

QByteArray TNUVARFenster::SetStaNutzdaten(const TStationsParameter& s) {
    QByteArray name;
    for (int i = 0; i < 16 && s.Stationsname[i] != 0; ++i) name.append(char(s.Stationsname[i]));
    char zahl[16];
    QByteArray p;
    std::snprintf(zahl, sizeof zahl, "%.3d", int(s.Stationsnummer));
    p += zahl;
    p += QByteArray(16 - name.size(), ' ') + name;
    p += "0000";
    std::snprintf(zahl, sizeof zahl, "%.2d", int(s.Mittelwertintervall));
    p += zahl;
    std::snprintf(zahl, sizeof zahl, "%.3d", int(s.Messintervall));
    p += zahl;
    std::snprintf(zahl, sizeof zahl, "%.1d", int(s.Sleepmodus));
    p += zahl;
    p += "0000000000000";
    return p;
}

QByteArray TNUVARFenster::SetCctAbbild(const TStationsParameter& s, const TKanalTabelle& kanaele) {
    QByteArray abbild(3072, '\0');
    int anzahl = std::max<int>(0, s.Kanalanzahl);
    if (anzahl > kMaxKanaele) {
        StatusLine(QStringLiteral("Kanalanzahl %1 auf 64 gekürzt.").arg(anzahl));
        anzahl = kMaxKanaele;
    }
    for (int i = 0; i < anzahl; ++i) {
        const TKanalEintrag& e = kanaele[i];
        if (e.Kanalnummer >= kEingaenge) {
            // Its slot would lie past the 96 channel slots.
            StatusLine(QStringLiteral("Kanal %1: Eingang %2 gibt es nicht, nicht gesendet.")
                           .arg(i + 1)
                           .arg(e.Kanalnummer));
            continue;
        }
        const auto roh = e.encode();
        for (int j = 0; j < 29; ++j) abbild[29 * e.Kanalnummer + j] = char(roh[1 + j]);
    }
    return abbild;
}

bool TNUVARFenster::SetTim(bool pcUhr, const QDateTime& zeit, double versatzTage) {
    SetGaugeMax(20);
    bool result = SendeUndWarteAufQuittung("SETTIM", 3, QStringLiteral("Sende Befehl SETTIM..."), false);
    if (AckSeen) {
        Delay(500);
        OkSeen = false;
        // The PC time of the moment the frame is built.
        const QDateTime t = pcUhr ? Jetzt().addMSecs(qint64(versatzTage * 86400000.0)) : zeit;
        const QByteArray text = ZeitText(t);
        StatusLine(QStringLiteral("Sende Zeit: ") + QString::fromLatin1(text) + QStringLiteral("..."));
        ProcessEvents();
        SendCommand(text, 3, 2);
        StartHangTimer(60);
        StatusLine(QStringLiteral("Warte auf Antwort..."));
        ProcessEvents();
        Warte([this] { return OkSeen || HangTimeout; });
        if (OkSeen)
            StatusLine(QStringLiteral("Antwort empfangen..."));
        else if (NakSeen)
            StatusLine(QStringLiteral("Fehler - Datenblock fehlerhaft übertragen."));
        else
            StatusLine(QStringLiteral("Fehler - Keine Antwort empfangen."));
        // The result counts the command frame; the clock is set only when
        // the logger took the time.
        if (!OkSeen)
            Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Der Logger hat die Zeit (SETTIM) nicht bestätigt."));
        ProcessEvents();
        Delay(500);
        StatusLine(QStringLiteral("Sende Bestätigung..."));
        ProcessEvents();
        SendAck();
    } else {
        StatusLine(QStringLiteral("Fehler - Befehl nicht erkannt!"));
        Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Der Logger hat SETTIM nicht angenommen."));
        ProcessEvents();
    }
    Delay(500);
    SetGaugeProgress(0);
    Busy = false;
    return result;
}

bool TNUVARFenster::SetSta(const TStationsParameter& station) {
    SetGaugeMax(20);
    bool result = SendeUndWarteAufQuittung("SETSTA", 3, QStringLiteral("Sende Befehl SETSTA..."), false);
    Delay(500);
    OkSeen = false;
    StatusLine(QStringLiteral("Sende Stationsparameter..."));
    ProcessEvents();
    SendCommand(SetStaNutzdaten(station), 3, 2);
    StartHangTimer(60);
    StatusLine(QStringLiteral("Warte auf Antwort..."));
    ProcessEvents();
    Warte([this] { return OkSeen || HangTimeout; });
    if (OkSeen) {
        result = true;
        StatusLine(QStringLiteral("Antwort empfangen..."));
    } else if (NakSeen) {
        StatusLine(QStringLiteral("Fehler - Befehl nicht erkannt."));
    } else {
        StatusLine(QStringLiteral("Fehler - Keine Antwort empfangen."));
    }
    if (!OkSeen)
        Ausgang.Melde(TFehlerart::NichtBestaetigt,
                      QStringLiteral("Der Logger hat die Stationsparameter (SETSTA) nicht bestätigt."));
    ProcessEvents();
    Delay(500);
    StatusLine(QStringLiteral("Sende Bestätigung..."));
    ProcessEvents();
    SendAck();
    Delay(500);
    SetGaugeProgress(0);
    Busy = false;
    return result;
}

bool TNUVARFenster::SetCct(const TStationsParameter& station, const TKanalTabelle& kanaele) {
    SetGaugeMax(16);
    const QByteArray abbild = SetCctAbbild(station, kanaele);
    bool result = SendeUndWarteAufQuittung("SETCCT", 4, QStringLiteral("Sende Befehl SETCCT..."), false);
    StatusLine(QStringLiteral("Sende Datenblöcke..."));
    ProcessEvents();
    StartHangTimer(60);
    for (int n = 1; n <= 3; ++n) {
        AckSeen = false;
        NakSeen = false;
        SendBlock(abbild.mid(1024 * (n - 1), 1024));
        Warte([this] { return AckSeen || HangTimeout; });
        if (AckSeen) {
            StatusLine(QStringLiteral("Datenblock ") + QString::number(n) + QStringLiteral(" gesendet..."));
        } else {
            result = false;
            if (NakSeen)
                StatusLine(QStringLiteral("Fehler - Datenblock fehlerhaft übertragen."));
            else
                StatusLine(QStringLiteral("Fehler - Keine Antwort empfangen."));
            Ausgang.Melde(TFehlerart::NichtBestaetigt,
                          QStringLiteral("Der Logger hat Block %1 der Kanaltabelle (SETCCT) nicht bestätigt.").arg(n));
        }
        ProcessEvents();
        Delay(500);
        if (HangTimeout || LinkDown) break;
    }
    SetGaugeProgress(0);
    Busy = false;
    return result;
}

bool TNUVARFenster::SetOut(std::uint8_t kanal, std::uint8_t wert) {
    if (Busy) return false;
    bool result = false;
    SetGaugeMax(20);
    StatusLine(QStringLiteral("Sende Befehl SETOUT..."));
    ProcessEvents();
    AckSeen = false;
    Busy = true;
    SendCommand("SETOUT", 3, 2);
    StatusLine(QStringLiteral("Warte auf Antwort..."));
    ProcessEvents();
    Warte([this] { return AckSeen || NakSeen || !Busy; });
    if (AckSeen) {
        Delay(500);
        OkSeen = false;
        StatusLine(QStringLiteral("Sende Ausgabe-Byte..."));
        ProcessEvents();
        char p[16];
        std::snprintf(p, sizeof p, "%.3d%.3d", int(kanal), int(wert));
        SendCommand(p, 3, 2);
        StartHangTimer(30);
        StatusLine(QStringLiteral("Warte auf Antwort..."));
        ProcessEvents();
        Warte([this] { return OkSeen || HangTimeout; });
        if (OkSeen) {
            result = true;
            StatusLine(QStringLiteral("Antwort empfangen..."));
        } else {
            StatusLine(QStringLiteral("Fehler - Keine Antwort empfangen."));
            Ausgang.Melde(TFehlerart::NichtBestaetigt,
                          QStringLiteral("Der Logger hat das Ausgabe-Byte (SETOUT) nicht bestätigt."));
        }
        ProcessEvents();
        Delay(500);
        StatusLine(QStringLiteral("Sende Bestätigung..."));
        ProcessEvents();
        SendAck();
    } else {
        StatusLine(QStringLiteral("Fehler - Befehl nicht erkannt!"));
        Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Der Logger hat SETOUT nicht angenommen."));
        ProcessEvents();
    }
    Delay(500);
    SetGaugeProgress(0);
    Busy = false;
    return result;
}

bool TNUVARFenster::McDel() {
    if (Busy) return false;
    bool result = false;
    SetGaugeMax(16);
    StatusLine(QStringLiteral("Sende Befehl MCDEL_..."));
    ProcessEvents();
    Busy = true;
    SendCommand("MCDEL ", 1, 2);
    StatusLine(QStringLiteral("Warte auf Antwort..."));
    ProcessEvents();
    StartHangTimer(60);
    Warte([this] { return !Busy || HangTimeout; });
    BeendeWarten();
    if (!Reply.isEmpty()) {
        result = true;
        StatusLine(QStringLiteral("Antwort empfangen..."));
        if (Reply == "OK    ")
            StatusLine(QStringLiteral("Memory Card gelöscht..."));
        else if (Reply == "ERR001")
            StatusLine(QStringLiteral("Memory Card fehlt!"));
        ProcessEvents();
    }
    // The result counts any reply; the memory is cleared only on "OK".
    if (Reply == "ERR001")
        Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Memory Card fehlt!"));
    else if (Reply != "OK    ")
        Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Der Logger hat das Löschen (MCDEL) nicht bestätigt."));
    Delay(500);
    SetGaugeProgress(0);
    Busy = false;
    return result;
}

bool TNUVARFenster::StopMo() {
    if (Busy) return false;
    return QuittierterBefehl("STOPMO", 0, QStringLiteral("Sende Befehl STOPMO..."), true);
}

} // namespace nuvar
