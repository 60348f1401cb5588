#include "kom/protocol/NUVARWnd.h"

#include "common/ProgrammVerzeichnis.h"
#include "common/Rahmen.h"
#include "common/Ini.h"
#include "kom/protocol/AtTelefonie.h"
#include "kom/protocol/Momentanempfang.h"
#include "platform/PortMap.h"
#include "platform/SerialDevice.h"

#include <QDir>

namespace nuvar {

namespace {

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
    : umgebung_(umgebung), configOnly_(configOnly) {
    pump_ = umgebung_.pump ? umgebung_.pump : StandardUmgebung().pump;
    meldungen_ = umgebung_.meldungen ? umgebung_.meldungen : &Meldungen();
    verzeichnis_ = umgebung_.verzeichnis.isEmpty() ? ProgrammVerzeichnis() : umgebung_.verzeichnis;
    optionen_ = std::make_unique<TOptionen>(verzeichnis_);
    ansicht_ = umgebung_.ansicht ? umgebung_.ansicht() : nullptr;
    if (!ansicht_) ansicht_ = std::make_unique<TNullAnsicht>();
    ansicht_->Abbrechen = [this] { Button1Click(); };
    // A window that only hosts the settings dialog never connects.
    std::unique_ptr<ByteSource> leitung =
        umgebung_.leitung && !configOnly_ ? umgebung_.leitung(verzeichnis_) : nullptr;
    if (!leitung) leitung = std::make_unique<TKeineLeitung>();
    port_ = std::make_unique<TriggerPort>(*pump_, std::move(leitung));
    port_->SetBaud(9600);
    port_->OnTriggerAvail = [this](int n) { ApdComPort1TriggerAvail(n); };
    port_->OnTriggerData = [this](TriggerPort::Handle h) { ApdComPort1TriggerData(h); };
    port_->OnTriggerTimer = [this](TriggerPort::Handle h) { ApdComPort1TriggerTimer(h); };
    port_->OnLineError = [this](const QString& r) { ApdComPort1LineError(r); };
    austausch_ = std::make_unique<TAustausch>(*pump_, *port_, *this);
    if (umgebung_.telefonie) telefonie_ = umgebung_.telefonie(*pump_, verzeichnis_);
    // The wire trace for fault reports, beside the protocol file.
    if (!configOnly_ &&
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
    if (!configOnly_ && optionen_->Protokoll && optionen_->SchreibeLogDateiAktuell()) {
        try {
            optionen_->Protokoll->Schreibe(QStringLiteral("*** Protokolldatei geschlossen ***"));
        } catch (...) {
        }
    }
    optionen_->Protokoll.reset();
    if (entsorgung_) pump_->cancelTimer(entsorgung_);
    austausch_->StopHangTimer();
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
    austausch_->SetResponseTicks(36);
    if (configOnly_) return;
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

// ===========================================================================
// The engine's routines

void TNUVARFenster::SendCommand(const QByteArray& payload, int kind, int retries) {
    austausch_->SendCommand(payload, static_cast<TAustauschArt>(kind), retries);
}

void TNUVARFenster::SendBlock(const QByteArray& daten) { austausch_->SendBlock(daten); }

QByteArray TNUVARFenster::CheckFrame(const QByteArray& s) {
    // The digit field modulo 256 (0 when it is no number) against the XOR of
    // STX through the end byte; an empty payload counts as no reply.
    return PruefeRahmen(s);
}

void TNUVARFenster::SendAck() { austausch_->SendAck(); }

void TNUVARFenster::SendNak() { austausch_->SendNak(); }

void TNUVARFenster::ResendLast() { austausch_->ResendLast(); }

void TNUVARFenster::StatusLine(const QString& text) {
    ansicht_->StatusZeile(text);
    try {
        if (optionen_->Protokoll && optionen_->SchreibeLogDateiAktuell()) optionen_->Protokoll->Schreibe(text);
    } catch (...) {
        // The work goes on without a protocol.
    }
}

void TNUVARFenster::StartHangTimer(int seconds) { austausch_->StartHangTimer(seconds); }

void TNUVARFenster::StopHangTimer() { austausch_->StopHangTimer(); }

void TNUVARFenster::RxIndicatorOn() { austausch_->RxIndicatorOn(); }

void TNUVARFenster::RxIndicatorOff() { austausch_->RxIndicatorOff(); }

void TNUVARFenster::Empfangsanzeige(bool rot) {
    ansicht_->SetzeEmpfang(rot);
    if (umgebung_.hauptIndikator) umgebung_.hauptIndikator(rot);
}

void TNUVARFenster::ForwardInstantaneous(const QByteArray& payload) {
    TMomentanEmpfang::Zustellen(linkParams_.StatName, payload);
}

// ===========================================================================
// Event handlers: each holds the window while it runs (see ImEmpfang).

void TNUVARFenster::ApdComPort1TriggerAvail(int count) {
    TBenutzung b(*this);
    austausch_->BytesAngekommen(count);
}

void TNUVARFenster::ApdComPort1TriggerData(TriggerPort::Handle handle) {
    TBenutzung b(*this);
    austausch_->ZeileAngekommen(handle);
}

void TNUVARFenster::ApdComPort1TriggerTimer(TriggerPort::Handle handle) {
    TBenutzung b(*this);
    austausch_->TimerAbgelaufen(handle);
}

void TNUVARFenster::ApdComPort1LineError(const QString& reason) {
    TBenutzung b(*this);
    austausch_->LeitungVerloren(reason);
}

void TNUVARFenster::SystemHangsTimer1Timer() { austausch_->HangTimerAbgelaufen(); }

// ===========================================================================
// Lifetime

void TNUVARFenster::Freigeben(std::unique_ptr<TNUVARFenster> w) {
    if (!w || !w->ImEmpfang()) return;  // destroyed here
    TNUVARFenster* roh = w.get();
    roh->selbst_ = std::move(w);
}

void TNUVARFenster::BenutzungEnde() {
    if (--benutzung_ > 0 || !selbst_ || entsorgung_) return;
    // Not here: the serial layer that called the last handler is still on
    // the stack. The event loop destroys the window once it is back.
    entsorgung_ = pump_->post([this] {
        entsorgung_ = 0;
        if (benutzung_ > 0) return;  // in use again: its end plans anew
        std::unique_ptr<TNUVARFenster> weg = std::move(selbst_);
    });
}

QString TNUVARFenster::MdmPfad() const { return QDir(verzeichnis_).filePath(QStringLiteral("NUVARKom.mdm")); }

} // namespace nuvar
