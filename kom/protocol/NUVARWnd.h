#pragma once
// The transfer window: owns the link to one logger, frames commands, receives
// and checks the logger's lines and blocks, and runs every logger command.
// Everything runs on one thread; each command routine waits in the event pump
// while the serial, timer and telephony handlers below do the work.
#include "common/FunktionenTypen.h"
#include "common/Meldungen.h"
#include "kom/protocol/Ausgang.h"
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

class TNUVARFenster {
public:
    // FormCreate. configOnly: the window only hosts the settings dialog.
    explicit TNUVARFenster(const TFensterUmgebung& umgebung, bool configOnly = false);
    // FormDestroy: closes the protocol file, the port and the call.
    ~TNUVARFenster();
    TNUVARFenster(const TNUVARFenster&) = delete;
    TNUVARFenster& operator=(const TNUVARFenster&) = delete;

    // ---- window ----
    void Show();  // the first show runs FormActivate
    void Hide();
    void FormActivate();
    void FormClose();
    void Button1Click();
    void SetTitle(const QString& text);  // StatusRxLabel1

    // ---- exchange engine ----
    void SendCommand(const QByteArray& payload, int kind, int retries);
    void SendBlock(const QByteArray& daten);
    static QByteArray CheckFrame(const QByteArray& s);
    void SendAck();
    void SendNak();
    void ResendLast();
    void StatusLine(const QString& text);
    void StartHangTimer(int seconds);
    void StopHangTimer();
    void RxIndicatorOn();
    void RxIndicatorOff();
    void ForwardInstantaneous(const QByteArray& payload);

    // Serial, timer and telephony event handlers.
    void ApdComPort1TriggerAvail(int count);
    void ApdComPort1TriggerData(TriggerPort::Handle handle);
    void ApdComPort1TriggerTimer(TriggerPort::Handle handle);
    void ApdComPort1LineError(const QString& reason);
    void SystemHangsTimer1Timer();
    void ApdTapiDevice1TapiStatus(std::uint32_t meldung, std::uint32_t zustand, std::uint32_t modus);
    void ApdTapiDevice1TapiConnect();
    void ApdTapiDevice1TapiFail();

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

    // ---- state (members the drivers and tests look at) ----
    QByteArray RxBuffer;
    QByteArray LastFrame;
    QByteArray Reply;
    std::uint8_t ExchangeState = 0;
    bool AckReplies = false;
    std::int32_t NakRetries = 0;
    std::int32_t NakRetriesInitial = 0;
    std::int32_t ResendRetries = 0;
    std::int32_t ResponseTicks = 36;
    TriggerPort::Handle LineTrigger = 0;
    TriggerPort::Handle ResponseTimer = 0;
    TriggerPort::Handle IndicatorTimer = 0;
    bool DropNextByte = false;
    bool Busy = false;
    bool AckSeen = false;
    bool NakSeen = false;
    bool OkSeen = false;
    bool LastBlockSeen = false;
    bool HangTimeout = false;
    bool TapiConnected = false;
    bool TapiFailed = false;
    bool InstantaneousWasActive = false;
    bool ConfigOnly = false;
    TVerbParam LinkParams;
    // The line broke or was closed: every wait ends at once.
    bool LinkDown = false;
    // The first failure since it was last cleared, with its cause; the
    // commands record it besides their status lines and results.
    TAusgang Ausgang;

    int GaugeMax() const { return gaugeMax_; }
    int GaugeProgress() const { return gauge_; }
    void SetGaugeMax(int m);
    void SetGaugeProgress(int p);

    TriggerPort& ApdComPort1() { return *port_; }
    TTelefonie* ApdTapiDevice1() { return telefonie_.get(); }
    TTransferAnsicht& Ansicht() { return *ansicht_; }
    TOptionen& Optionen() { return *optionen_; }
    EventPump& Pump() { return *pump_; }
    const QString& Verzeichnis() const { return verzeichnis_; }
    QDateTime Jetzt() const;

private:
    void ProcessEvents();
    void Delay(int ms);
    // Pumps events until ende() holds or the link went down.
    void Warte(const std::function<bool()>& ende);
    void BeendeWarten();
    bool QuittierterBefehl(const QByteArray& payload, int kind, const QString& meldung, bool hangTimer);
    bool SendeUndWarteAufQuittung(const QByteArray& payload, int kind, const QString& meldung, bool hangTimer);
    void Schreibe(const QByteArray& bytes);
    void BlockEmpfang();
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
    std::unique_ptr<TOptionen> optionen_;
    std::unique_ptr<TTransferAnsicht> ansicht_;
    std::unique_ptr<WireTrace> trace_;  // before the port: it outlives it
    std::unique_ptr<TriggerPort> port_;
    std::unique_ptr<TTelefonie> telefonie_;
    EventPump::TimerId hangTimer_ = 0;
    bool aktiviert_ = false;
    bool blockModus_ = false;
    int bloeckeAngenommen_ = 0;  // blocks of the running download taken
    int gaugeMax_ = 100;
    int gauge_ = 0;
};

} // namespace nuvar
