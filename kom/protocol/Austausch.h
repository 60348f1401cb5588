#pragma once
// The exchange engine of the transfer window: frames a command, sends it,
// recognises the logger's reply lines and data blocks, checks them, answers
// them with ACK or NAK, repeats a command when the logger stays silent, and
// runs one whole command (its status lines, its waits and pauses) from a
// descriptor. Everything runs on one thread: the waits pump events while the
// line, block and timer handlers below do the work.
#include "kom/protocol/Ausgang.h"
#include "platform/EventPump.h"
#include "platform/TriggerPort.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace nuvar {

// How the replies of one exchange are treated. The values are the kinds the
// command routines have always passed (0 to 5).
enum class TAustauschArt : std::uint8_t {
    Quittung = 0,           // an ACK or NAK line only ("READMO", "STOPMO" as a stop command)
    Daten = 1,              // one data reply, answered with ACK ("GETSTA", "GETTIM", "MCDEL ")
    Bloecke = 2,            // ACK line, then 1031-byte blocks ("GETPAR", "READMC")
    Bestaetigung = 3,       // ACK, NAK or OK lines (wake-up, "SETSTA", "SETTIM", "SETOUT")
    BlockUpload = 4,        // as Bestaetigung, for "SETCCT" and its blocks
    DatenOhneQuittung = 5,  // one data reply, never answered ("GETMDX", "GETMED", "GETGMD")
};

// What the engine does with the next line it receives.
enum class TEmpfangsZustand : std::uint8_t {
    Quittung = 0,
    Daten = 1,
    Bloecke = 2,
    Bestaetigung = 3,
    BlockUpload = 4,
    Momentan = 6,  // the instantaneous stream after "READMO"
};

// What the engine shows and hands on; the transfer window implements it.
class TAustauschUmfeld {
public:
    virtual ~TAustauschUmfeld() = default;
    virtual void StatusLine(const QString& text) = 0;
    virtual void SetGaugeMax(int m) = 0;
    virtual void SetGaugeProgress(int p) = 0;
    virtual int GaugeProgress() const = 0;
    // The receive indicators (the window's and the main window's): red or green.
    virtual void Empfangsanzeige(bool rot) = 0;
    // A checked frame of the instantaneous stream.
    virtual void ForwardInstantaneous(const QByteArray& payload) = 0;
    // A failure of the running operation, with its kind and cause.
    virtual void MeldeFehler(TFehlerart art, const QString& grund) = 0;
    // Runs a handler that the engine starts from the event loop itself.
    virtual void AlsHandler(const std::function<void()>& lauf) { lauf(); }
};

// What confirms one frame, and so what ends the wait for it.
enum class TBestaetigung : std::uint8_t {
    AckZeile,  // the ACK line; a NAK line or the end of the exchange ends the wait too
    Antwort,   // a checked data reply: the wait ends with the exchange
    OkRahmen,  // the logger's OK frame; otherwise only the hang timer ends the wait
};

// How a frame fared.
enum class TRahmenAusgang : std::uint8_t { Bestaetigt, Abgelehnt, Keine };

// The status lines for the outcome of one frame; an empty text writes none.
struct TAusgangsZeilen {
    QString bestaetigt = QStringLiteral("Antwort empfangen...");
    QString abgelehnt = QStringLiteral("Fehler - Befehl nicht erkannt.");
    QString keine = QStringLiteral("Fehler - Keine Antwort empfangen.");
};

// One frame of a command and how its answer is awaited.
struct TRahmenSchritt {
    QByteArray nutzdaten;
    // Builds the payload at the moment it is sent (the PC time of "SETTIM");
    // takes the place of nutzdaten.
    std::function<QByteArray()> baue;
    TAustauschArt art = TAustauschArt::Bestaetigung;
    TBestaetigung bestaetigung = TBestaetigung::AckZeile;
    // The line before sending; meldungFuer (given the payload) takes its place.
    QString meldung;
    std::function<QString(const QByteArray&)> meldungFuer;
    // Seconds of the hang timer that bound the wait; 0: none. Waits that
    // nothing else ends (a reply the engine neither answers nor repeats)
    // need one.
    int hangSekunden = 0;
    TAusgangsZeilen zeilen;
};

// A download of 1024-byte blocks after the command frame's ACK line.
struct TBlockEmpfang {
    int hoechstens = -1;      // blocks to take at most; -1: up to the one that ends with ETB
    bool hangJeBlock = true;  // the hang timer bounds each block, or the whole download
    int hangSekunden = 60;
    // Takes one block; false stops the download (the block could not be kept).
    std::function<bool(const QByteArray&)> nimm;
    // The lines after the download: bestaetigt when a block came, keine otherwise.
    TAusgangsZeilen zeilen;
};

// One logger command: its frames, waits, lines and pauses.
struct TBefehl {
    TRahmenSchritt befehl;
    int wiederholungen = 2;
    int gaugeMax = -1;          // -1: leave the gauge's maximum
    bool belegtAblehnen = false;  // refuse, without sending, while an exchange is under way
    // Runs after the command's first line; false ends the command before
    // anything is sent (the output file cannot be created).
    std::function<bool()> vorbereiten;
    std::optional<TBlockEmpfang> download;
    // A parameter frame after the command frame, closed with our own ACK line.
    std::optional<TRahmenSchritt> zweiter;
    bool zweiterNurNachAck = true;
    QString ohneAck = QStringLiteral("Fehler - Befehl nicht erkannt!");  // when it is not sent
    // Blocks sent after the command frame, each awaiting its ACK line; one
    // hang timer of 60 s covers them all.
    QByteArray hochladen;
};

struct TBefehlsErgebnis {
    bool abgewiesen = false;   // busy, or vorbereiten failed: nothing was sent
    TRahmenAusgang befehl = TRahmenAusgang::Keine;
    std::optional<TRahmenAusgang> zweiter;
    int bloecke = 0;           // blocks taken or sent and acknowledged
    int fehlerBlock = 0;       // the first uploaded block not acknowledged (from 1); 0: none
    bool hangTimeout = false;  // the download ended by the hang timer
    bool ohneBlock = false;    // the download ended without a valid block where one was awaited
    bool genommenAbgelehnt = false;  // nimm refused a block
    QByteArray antwort;        // the checked data reply
};

// A command the logger answers with an ACK or a NAK line and nothing else:
// the wake-up and the switching of the instantaneous stream.
inline TBefehl Quittungsbefehl(const QByteArray& nutzdaten, TAustauschArt art, const QString& meldung,
                               int hangSekunden = 0, bool belegtAblehnen = false) {
    TBefehl b;
    b.befehl.nutzdaten = nutzdaten;
    b.befehl.art = art;
    b.befehl.meldung = meldung;
    b.befehl.hangSekunden = hangSekunden;
    b.gaugeMax = 4;
    b.belegtAblehnen = belegtAblehnen;
    return b;
}

class TAustausch {
public:
    TAustausch(EventPump& pump, TriggerPort& port, TAustauschUmfeld& umfeld);
    ~TAustausch();
    TAustausch(const TAustausch&) = delete;
    TAustausch& operator=(const TAustausch&) = delete;

    // ---- one whole command ----
    // Runs the command as the descriptor says; auswerten (optional) sees the
    // outcome after its lines and before the closing pause.
    TBefehlsErgebnis Fuehre(const TBefehl& b, const std::function<void(TBefehlsErgebnis&)>& auswerten = {});

    // ---- the frames ----
    // Starts an exchange: frames payload, arms the response timer, sends.
    // Leaves Busy and the indications to the caller.
    void SendCommand(const QByteArray& payload, TAustauschArt art, int retries);
    void SendBlock(const QByteArray& daten);
    void SendAck();
    void SendNak();
    void ResendLast();

    // ---- timers ----
    void StartHangTimer(int seconds);
    void StopHangTimer();
    // The hang timer fired: HangTimeout ends the waits that use it.
    void HangTimerAbgelaufen();
    // The receive indicator: red now, green again one tick after the last byte.
    void RxIndicatorOn();
    void RxIndicatorOff();
    // The timer that turns the indicator green, made when a link comes up.
    void ErzeugeAnzeigeTimer();

    // ---- what the serial layer reports ----
    void BytesAngekommen(int count);
    void ZeileAngekommen(TriggerPort::Handle handle);
    void TimerAbgelaufen(TriggerPort::Handle handle);
    void LeitungVerloren(const QString& reason);

    // ---- the link ----
    // A link came up: waits run again.
    void LeitungDa();
    // The link is closed: every wait ends, all triggers go.
    void Trennen();
    // Before waking a logger up: bytes still in the input (a stream the
    // logger kept sending while no program listened) are dropped, and until
    // the wake-up's ACK or NAK line every other line is passed over.
    void VorDemWecken();

    // ---- the instantaneous stream ----
    // From now on every checked line goes to ForwardInstantaneous.
    void BeginneMomentanempfang(int kanaele);
    int MomentanKanaele() const { return momentanKanaele_; }

    // ---- waiting ----
    void ProcessEvents();
    void Delay(int ms);
    // Pumps events until ende() holds or the link went down.
    void Warte(const std::function<bool()>& ende);
    // An exchange is under way from here (Busy), the indications cleared.
    void Beginne();

    // ---- state, for the routines and the tests ----
    bool Busy() const { return busy_; }
    const QByteArray& Reply() const { return reply_; }
    TEmpfangsZustand ExchangeState() const { return zustand_; }
    bool AckSeen() const { return ackSeen_; }
    bool NakSeen() const { return nakSeen_; }
    bool OkSeen() const { return okSeen_; }
    bool LastBlockSeen() const { return letzterBlock_; }
    bool HangTimeout() const { return hangTimeout_; }
    bool LinkDown() const { return linkDown_; }
    int ResponseTicks() const { return responseTicks_; }
    void SetResponseTicks(int t) { responseTicks_ = t; }
    const QByteArray& LastFrame() const { return letzterRahmen_; }

private:
    void Sende(const QByteArray& nutzdaten, TAustauschArt art, int wiederholungen);
    TRahmenAusgang Erwarte(const TRahmenSchritt& s, TBefehlsErgebnis& e);
    void Herunterladen(const TBlockEmpfang& d, TBefehlsErgebnis& e);
    void Hochladen(const QByteArray& abbild, TBefehlsErgebnis& e);
    void Zeile(const QString& text);
    void Schreibe(const QByteArray& bytes);
    void AntwortTimerAus();
    void AntwortTimerNeu();
    void BeendeWarten();
    void BlockEmpfang();
    void Momentanzeile(const QByteArray& zeile);

    EventPump& pump_;
    TriggerPort& port_;
    TAustauschUmfeld& u_;

    QByteArray rx_;             // bytes since the last evaluated line or block
    QByteArray letzterRahmen_;  // for repeats
    QByteArray reply_;          // the checked payload; empty: no valid reply
    TEmpfangsZustand zustand_ = TEmpfangsZustand::Quittung;
    bool ackAntworten_ = false;  // valid data replies get an ACK line
    int nakRest_ = 0;            // NAK lines we may still send for bad replies
    int nakAnfang_ = 0;
    int wiederholRest_ = 0;      // repeats of the last frame left
    int responseTicks_ = 36;
    TriggerPort::Handle zeilenTrigger_ = 0;
    TriggerPort::Handle antwortTimer_ = 0;
    TriggerPort::Handle anzeigeTimer_ = 0;
    bool naechstesVerwerfen_ = false;  // the CR after an evaluated line
    bool busy_ = false;
    bool ackSeen_ = false;
    bool nakSeen_ = false;
    bool okSeen_ = false;
    bool letzterBlock_ = false;
    bool hangTimeout_ = false;
    bool linkDown_ = false;
    bool blockModus_ = false;
    bool wecken_ = false;  // this exchange wakes the logger up
    bool weckenAngefordert_ = false;
    int bloeckeAngenommen_ = 0;  // blocks of the running download taken
    int momentanKanaele_ = 0;
    EventPump::TimerId hangTimer_ = 0;
    PumpTimers spaeter_;  // stream lines waiting for their evaluation
};

} // namespace nuvar
