#pragma once
// The transfer window: owns the link to one logger, frames commands, receives
// and checks the logger's lines and blocks, and runs every logger command.
// Everything runs on one thread; each command routine waits in the event pump
// while the serial, timer and telephony handlers below do the work.
#include "common/FunktionenTypen.h"
#include "common/Meldungen.h"
#include "kom/protocol/Ausgang.h"
#include "kom/protocol/Austausch.h"
#include "kom/protocol/Optionen.h"
#include "kom/protocol/Telefonie.h"
#include "kom/protocol/TransferAnsicht.h"
#include "kom/protocol/VerbParam.h"
#include "platform/ByteSource.h"
#include "platform/EventPump.h"
#include "platform/TriggerPort.h"
#include "platform/WireTrace.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QTemporaryFile>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace nuvar {

// The caller's channel table (positions 1 to 64) and the 96 logger inputs.
inline constexpr int kMaxKanaele = 64;
inline constexpr int kEingaenge = 96;
using TKanalTabelle = std::array<TKanalEintrag, kMaxKanaele>;
using THardwareTabelle = std::array<std::uint8_t, kEingaenge>;

// The settings dialog: edits the values in place and returns true when the
// user confirmed it. zeigeRohdatenPfad selects the long form.
using TEinstellungsDialog =
    std::function<bool(TEinstellungen& werte, bool zeigeRohdatenPfad, TTelefonie* telefonie)>;

// What a transfer window needs from the program around it.
struct TFensterUmgebung {
    EventPump* pump = nullptr;
    // The direct line of a new window (resolves COM<n> at open); gets the
    // program directory.
    std::function<std::unique_ptr<ByteSource>(const QString& verzeichnis)> leitung;
    // The telephony device; empty when the program has none.
    std::function<std::unique_ptr<TTelefonie>(EventPump& pump, const QString& verzeichnis)> telefonie;
    // The visible parts; empty gives a view without widgets.
    std::function<std::unique_ptr<TTransferAnsicht>()> ansicht;
    TMeldungen* meldungen = nullptr;  // empty: Meldungen()
    // Directory of NUVARWin.ini, NUVARKom.log, NUVARKom.mdm and $$_mc.tmp.
    QString verzeichnis;
    // The PC clock.
    std::function<QDateTime()> uhr;
    TEinstellungsDialog einstellungsDialog;
    // The main window's receive indicator, mirrored (true = red).
    std::function<void(bool rot)> hauptIndikator;
};

// The program's own: Qt's event loop, the serial devices of the port map in
// NUVARWin.ini, the AT modems named there, the program directory.
TFensterUmgebung StandardUmgebung();
// The environment new windows are made with (drivers, main window); starts
// as StandardUmgebung().
TFensterUmgebung& Umgebung();

// Result codes of ReadData.
enum TLeseErgebnis : int {
    kLeseVollstaendig = 0,
    kLeseAnzahlAbweichend = 1,
    kLeseZeitFehler = 2,
    kLeseFehlgeschlagen = 3,
};

// The transfer window: the link to one logger and every logger command, on
// the exchange engine (TAustausch). Its routines are spread over files by
// concern: NUVARWnd.cpp (window and handlers), Verbindung.cpp (link and
// modem), Stationsabfragen.cpp, Speicherauslesen.cpp, Schreibbefehle.cpp.
class TNUVARFenster : public TAustauschUmfeld {
public:
    // FormCreate. configOnly: the window only hosts the settings dialog.
    explicit TNUVARFenster(const TFensterUmgebung& umgebung, bool configOnly = false);
    // FormDestroy: closes the protocol file, the port and the call.
    ~TNUVARFenster() override;
    TNUVARFenster(const TNUVARFenster&) = delete;
    TNUVARFenster& operator=(const TNUVARFenster&) = delete;

    // ---- window ----
    void Show();  // the first show runs FormActivate
    void Hide();
    void FormActivate();  // first activation: opens the protocol file
    void FormClose();     // closing the window closes the link
    void Button1Click();  // "&Abbrechen": hides the window and closes the link
    void SetTitle(const QString& text);  // StatusRxLabel1

    // ---- the engine's routines, as the commands and tests call them ----
    // kind 0..5 as TAustauschArt; another value leaves the kind's settings.
    void SendCommand(const QByteArray& payload, int kind, int retries);
    void SendBlock(const QByteArray& daten);
    static QByteArray CheckFrame(const QByteArray& s);
    void SendAck();
    void SendNak();
    void ResendLast();
    void StatusLine(const QString& text) override;
    void StartHangTimer(int seconds);
    void StopHangTimer();
    void RxIndicatorOn();
    void RxIndicatorOff();
    void ForwardInstantaneous(const QByteArray& payload) override;

    // Serial, timer and telephony event handlers (the names of the serial
    // port component's events).
    void ApdComPort1TriggerAvail(int count);                // new bytes arrived
    void ApdComPort1TriggerData(TriggerPort::Handle handle);  // a CR arrived: one line
    void ApdComPort1TriggerTimer(TriggerPort::Handle handle); // response or indicator timer
    void ApdComPort1LineError(const QString& reason);        // the line broke
    void SystemHangsTimer1Timer();                           // the hang timer fired
    void ApdTapiDevice1TapiStatus(std::uint32_t meldung, std::uint32_t zustand, std::uint32_t modus);  // call state
    void ApdTapiDevice1TapiConnect();                        // the call is up
    void ApdTapiDevice1TapiFail();                           // the call failed

    // ---- link ----
    bool Connect(const TVerbParam& p);
    void Disconnect();
    bool WakeUp();
    void ShowLinkLabels(const QString& station, const QString& verbindung, const QString& nummer);
    bool SelectModem();
    bool EditSettings(bool zeigeRohdatenPfad, QString& modemname);

    // ---- station queries ----
    bool GetPar(TStationsParameter& station, TKanalTabelle& kanaele, THardwareTabelle& hardware,
                QDateTime& uhr, QByteArray& typ);
    bool GetSta(TStationsParameter& station);
    bool GetTim(QDateTime& uhr, double& differenzTage);
    bool CheckStation(const TVerbParam& p);

    // ---- data readout ----
    bool GetMdx(QString& zeile, const TStationsParameter& station);
    bool GetMed(QString& zeile, const TStationsParameter& station);
    bool GetGmd(QString& zeile, const TStationsParameter& station);
    // vollstaendig (optional): false when the download broke off before the
    // last block, whatever the result.
    bool ReadMc(const QString& pfad, const TStationsParameter& station, bool* vollstaendig = nullptr);
    int ReadData(const QString& pfad, TStationsParameter& station);
    bool ReadMo(int kanaele);

    // ---- write commands ----
    bool SetTim(bool pcUhr, const QDateTime& zeit, double versatzTage = 0.0);
    bool SetSta(const TStationsParameter& station);
    bool SetCct(const TStationsParameter& station, const TKanalTabelle& kanaele);
    bool SetOut(std::uint8_t kanal, std::uint8_t wert);
    bool McDel();
    bool StopMo();

    // Payloads of the parameter frames and the channel-table image.
    static QByteArray SetStaNutzdaten(const TStationsParameter& station);
    static QByteArray ZeitText(const QDateTime& zeit);  // "yymmddhhnnss"
    QByteArray SetCctAbbild(const TStationsParameter& station, const TKanalTabelle& kanaele);
    // The two-digit year window: base year .. base + 99, base = now - 90.
    QDateTime LiesZeitText(const QByteArray& text) const;  // invalid on error

    // ---- state ----
    TAustausch& Austausch() { return *austausch_; }
    const TAustausch& Austausch() const { return *austausch_; }
    bool Busy() const { return austausch_->Busy(); }
    const QByteArray& Reply() const { return austausch_->Reply(); }
    TEmpfangsZustand ExchangeState() const { return austausch_->ExchangeState(); }
    bool AckSeen() const { return austausch_->AckSeen(); }
    bool NakSeen() const { return austausch_->NakSeen(); }
    bool OkSeen() const { return austausch_->OkSeen(); }
    bool LastBlockSeen() const { return austausch_->LastBlockSeen(); }
    bool HangTimeout() const { return austausch_->HangTimeout(); }
    bool LinkDown() const { return austausch_->LinkDown(); }
    bool ConfigOnly() const { return configOnly_; }
    // The link parameters of a running instantaneous mode: its frames go to
    // the window of this station.
    const TVerbParam& LinkParams() const { return linkParams_; }
    void SetLinkParams(const TVerbParam& p) { linkParams_ = p; }
    // The first failure since it was last cleared, with its cause; the
    // commands record it besides their status lines and results.
    TAusgang Ausgang;

    int GaugeMax() const { return gaugeMax_; }
    int GaugeProgress() const override { return gauge_; }
    void SetGaugeMax(int m) override;
    void SetGaugeProgress(int p) override;

    TriggerPort& ApdComPort1() { return *port_; }  // the serial port
    TTelefonie* ApdTapiDevice1() { return telefonie_.get(); }  // the telephony device
    TTransferAnsicht& Ansicht() { return *ansicht_; }
    TOptionen& Optionen() { return *optionen_; }
    EventPump& Pump() { return *pump_; }
    const QString& Verzeichnis() const { return verzeichnis_; }
    QDateTime Jetzt() const;

    // ---- lifetime ----
    // A handler of this window, or an operation holding it, is running. The
    // instantaneous handler pauses inside itself, so a window released from
    // there (the main window's "Trennen") would be destroyed under it.
    bool ImEmpfang() const { return benutzung_ > 0; }
    class TBenutzung {
    public:
        explicit TBenutzung(TNUVARFenster& w) : w_(w) { ++w_.benutzung_; }
        ~TBenutzung() { w_.BenutzungEnde(); }
        TBenutzung(const TBenutzung&) = delete;
        TBenutzung& operator=(const TBenutzung&) = delete;

    private:
        TNUVARFenster& w_;
    };
    // Destroys the window now, or, while it is in use, as soon as the last
    // use has ended (from the event loop, outside every handler).
    static void Freigeben(std::unique_ptr<TNUVARFenster> w);

private:
    void Empfangsanzeige(bool rot) override;
    void MeldeFehler(TFehlerart art, const QString& grund) override { Ausgang.Melde(art, grund); }
    void AlsHandler(const std::function<void()>& lauf) override {
        TBenutzung b(*this);
        lauf();
    }
    void ProcessEvents();
    void Delay(int ms);
    void Warte(const std::function<bool()>& ende) { austausch_->Warte(ende); }
    void BenutzungEnde();
    bool DecodiereStation(const QByteArray& block, TStationsParameter& station);
    bool GetAktuell(const char* befehl, const QString& statuszeile, int gaugeMax, QString& zeile);
    bool LiesSpeicher(QFile& datei, const TStationsParameter& station, bool* vollstaendig, QString* fehler);
    int SchreibeRohdaten(const QString& pfad, QFile& bild, const TStationsParameter& station,
                         const TKanalTabelle& kanaele, const THardwareTabelle& hardware, bool gelesen,
                         bool vollstaendig);
    void ZeigeSpeicherabbild(QTemporaryFile& bild, const QString& sichtbar);
    static QString DateiFehler(const QString& was, const QFileDevice& datei);
    QString MdmPfad() const;

    TFensterUmgebung umgebung_;
    EventPump* pump_;
    TMeldungen* meldungen_;
    QString verzeichnis_;
    bool configOnly_;
    TVerbParam linkParams_;
    bool tapiConnected_ = false;
    bool tapiFailed_ = false;
    std::unique_ptr<TOptionen> optionen_;
    std::unique_ptr<TTransferAnsicht> ansicht_;
    std::unique_ptr<WireTrace> trace_;  // before the port: it outlives it
    std::unique_ptr<TriggerPort> port_;
    std::unique_ptr<TTelefonie> telefonie_;
    std::unique_ptr<TAustausch> austausch_;  // after the port: goes before it
    bool aktiviert_ = false;
    int gaugeMax_ = 100;
    int gauge_ = 0;
    int benutzung_ = 0;
    EventPump::TimerId entsorgung_ = 0;  // the planned destruction
    // Set while the window waits to be destroyed after its last use.
    std::unique_ptr<TNUVARFenster> selbst_;
};

} // namespace nuvar
