// The link: the direct line or the modem call, the wake-up, the teardown,
// the telephony events and the choice of the modem.
#include "kom/protocol/NUVARWnd.h"

#include "common/DateiSchreiben.h"
#include "common/Fehler.h"
#include "common/Ini.h"

#include <QFile>

namespace nuvar {

namespace {

const char* const kKeinModem =
    "Es wurde bisher kein Modem ausgewählt oder das ausgwählte\nModem wurde von Ihrem System entfernt!\n"
    "Wählen Sie im folgenden Dialog ein Modem aus.";
const char* const kKeinModemKonfiguriert =
    "Es wurde kein Modem ausgewählt und konfiguriert!\nBevor Sie mit NUVARKom Daten über DFÜ-Verbindungen\n"
    "übertragen können, müssen Sie an dieser Stelle ein\nModem auswählen.";

QString Q(const char* s) { return QString::fromUtf8(s); }


} // namespace

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
            austausch_->LeitungDa();
            austausch_->ErzeugeAnzeigeTimer();
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
        tapiConnected_ = false;
        tapiFailed_ = false;
        austausch_->LeitungDa();
        StartHangTimer(60);
        telefonie_->Waehlen(p.Rufnummer);
        Warte([this] { return tapiConnected_ || tapiFailed_ || HangTimeout(); });
        if (tapiFailed_ || HangTimeout() || !tapiConnected_) {
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
                austausch_->LeitungDa();
                // Also on a modem line, so the indicator goes green again
                // after each burst.
                austausch_->ErzeugeAnzeigeTimer();
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
    // A logger whose last program was killed while it streamed instantaneous
    // values is still streaming: the wake-up passes over its frames.
    austausch_->VorDemWecken();
    const TBefehlsErgebnis e =
        austausch_->Fuehre(Quittungsbefehl("STOPMO", TAustauschArt::Bestaetigung, QStringLiteral("Sende Aufweckbefehl...")));
    return e.befehl == TRahmenAusgang::Bestaetigt;
}

void TNUVARFenster::Disconnect() {
    SetTitle(QStringLiteral("Verbindung trennen..."));
    ProcessEvents();
    // Ends any running wait and drops every trigger.
    austausch_->Trennen();
    if (telefonie_) telefonie_->Abbrechen();
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
    tapiConnected_ = true;
}

void TNUVARFenster::ApdTapiDevice1TapiFail() { tapiFailed_ = true; }

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

} // namespace nuvar
