#include "kom/protocol/Austausch.h"

#include "common/Rahmen.h"

namespace nuvar {

namespace {

using namespace Steuerzeichen;

// Received lines are compared without their CR.
QByteArray OhneCR(const QByteArray& zeile) { return zeile.left(zeile.size() - 1); }
const QByteArray& AckOhneCR() {
    static const QByteArray z = OhneCR(AckZeile());
    return z;
}
const QByteArray& NakOhneCR() {
    static const QByteArray z = OhneCR(NakZeile());
    return z;
}
const QByteArray& OkOhneCR() {
    static const QByteArray z = OhneCR(OkRahmen());
    return z;
}

const QString kWarte = QStringLiteral("Warte auf Antwort...");

} // namespace

TAustausch::TAustausch(EventPump& pump, TriggerPort& port, TAustauschUmfeld& umfeld)
    : pump_(pump), port_(port), u_(umfeld), spaeter_(pump) {}

TAustausch::~TAustausch() { StopHangTimer(); }

// ===========================================================================
// One whole command

TBefehlsErgebnis TAustausch::Fuehre(const TBefehl& b, const std::function<void(TBefehlsErgebnis&)>& auswerten) {
    TBefehlsErgebnis e;
    if (b.belegtAblehnen && busy_) {
        e.abgewiesen = true;
        return e;
    }
    if (b.gaugeMax >= 0) u_.SetGaugeMax(b.gaugeMax);
    const QByteArray nutzdaten = b.befehl.baue ? b.befehl.baue() : b.befehl.nutzdaten;
    Zeile(b.befehl.meldungFuer ? b.befehl.meldungFuer(nutzdaten) : b.befehl.meldung);
    // What keeps the command from going out comes after its own line.
    if (b.vorbereiten && !b.vorbereiten()) {
        e.abgewiesen = true;
        return e;
    }
    Sende(nutzdaten, b.befehl.art, b.wiederholungen);
    if (b.download)
        Herunterladen(*b.download, e);
    else
        e.befehl = Erwarte(b.befehl, e);
    if (b.zweiter) {
        if (!b.zweiterNurNachAck || e.befehl == TRahmenAusgang::Bestaetigt) {
            Delay(500);
            const TRahmenSchritt& z = *b.zweiter;
            const QByteArray daten = z.baue ? z.baue() : z.nutzdaten;
            Zeile(z.meldungFuer ? z.meldungFuer(daten) : z.meldung);
            Sende(daten, z.art, b.wiederholungen);
            e.zweiter = Erwarte(z, e);
            Delay(500);
            Zeile(QStringLiteral("Sende Bestätigung..."));
            SendAck();
        } else {
            Zeile(b.ohneAck);
        }
    }
    if (!b.hochladen.isEmpty()) Hochladen(b.hochladen, e);
    if (auswerten) auswerten(e);
    // Each uploaded block already ends with its pause.
    if (b.hochladen.isEmpty()) Delay(500);
    u_.SetGaugeProgress(0);
    ProcessEvents();
    busy_ = false;
    return e;
}

void TAustausch::Sende(const QByteArray& nutzdaten, TAustauschArt art, int wiederholungen) {
    Beginne();
    SendCommand(nutzdaten, art, wiederholungen);
    Zeile(kWarte);
}

// The wait for what confirms a frame, and the line for the outcome.
TRahmenAusgang TAustausch::Erwarte(const TRahmenSchritt& s, TBefehlsErgebnis& e) {
    const bool hang = s.hangSekunden > 0;
    if (hang) StartHangTimer(s.hangSekunden);
    TRahmenAusgang a = TRahmenAusgang::Keine;
    switch (s.bestaetigung) {
    case TBestaetigung::AckZeile:
        Warte([this, hang] { return ackSeen_ || nakSeen_ || !busy_ || (hang && hangTimeout_); });
        a = ackSeen_ ? TRahmenAusgang::Bestaetigt : nakSeen_ ? TRahmenAusgang::Abgelehnt : TRahmenAusgang::Keine;
        break;
    case TBestaetigung::Antwort:
        // An ACK line alone, a reply of a kind that is neither answered nor
        // repeated, or a NAK of ours the logger ignores stop the response
        // timer: only the hang timer is left to end such a wait.
        Warte([this, hang] { return !busy_ || (hang && hangTimeout_); });
        a = reply_.isEmpty() ? TRahmenAusgang::Keine : TRahmenAusgang::Bestaetigt;
        if (a == TRahmenAusgang::Bestaetigt) e.antwort = reply_;
        break;
    case TBestaetigung::OkRahmen:
        Warte([this, hang] { return okSeen_ || (hang && hangTimeout_); });
        a = okSeen_ ? TRahmenAusgang::Bestaetigt : nakSeen_ ? TRahmenAusgang::Abgelehnt : TRahmenAusgang::Keine;
        break;
    }
    if (hang) BeendeWarten();
    Zeile(a == TRahmenAusgang::Bestaetigt ? s.zeilen.bestaetigt
          : a == TRahmenAusgang::Abgelehnt ? s.zeilen.abgelehnt
                                      : s.zeilen.keine);
    return a;
}

// The blocks after the ACK line: each is taken, then the logger is asked
// for the next one (it sends it after our ACK line).
void TAustausch::Herunterladen(const TBlockEmpfang& d, TBefehlsErgebnis& e) {
    if (!d.hangJeBlock) StartHangTimer(d.hangSekunden);
    while (d.hoechstens < 0 ? !letzterBlock_ : e.bloecke < d.hoechstens) {
        if (d.hangJeBlock) StartHangTimer(d.hangSekunden);
        Warte([this] { return !busy_ || hangTimeout_; });
        if (d.hangJeBlock) StopHangTimer();
        if (hangTimeout_) {
            e.hangTimeout = true;
            break;
        }
        if (reply_.isEmpty()) {
            e.ohneBlock = true;
            break;
        }
        if (d.nimm && !d.nimm(reply_)) {
            e.genommenAbgelehnt = true;
            break;
        }
        reply_.clear();
        ++e.bloecke;
        AntwortTimerNeu();
        busy_ = true;
    }
    BeendeWarten();
    e.befehl = e.bloecke > 0 ? TRahmenAusgang::Bestaetigt : TRahmenAusgang::Keine;
    Zeile(e.bloecke > 0 ? d.zeilen.bestaetigt : d.zeilen.keine);
}

void TAustausch::Hochladen(const QByteArray& abbild, TBefehlsErgebnis& e) {
    Zeile(QStringLiteral("Sende Datenblöcke..."));
    // One hang timeout for all blocks.
    StartHangTimer(60);
    const int anzahl = int((abbild.size() + kBlockDaten - 1) / kBlockDaten);
    for (int n = 1; n <= anzahl; ++n) {
        ackSeen_ = false;
        nakSeen_ = false;
        SendBlock(abbild.mid(qsizetype(kBlockDaten) * (n - 1), kBlockDaten));
        Warte([this] { return ackSeen_ || hangTimeout_; });
        if (ackSeen_) {
            ++e.bloecke;
            Zeile(QStringLiteral("Datenblock ") + QString::number(n) + QStringLiteral(" gesendet..."));
        } else {
            if (!e.fehlerBlock) e.fehlerBlock = n;
            Zeile(nakSeen_ ? QStringLiteral("Fehler - Datenblock fehlerhaft übertragen.")
                           : QStringLiteral("Fehler - Keine Antwort empfangen."));
        }
        Delay(500);
        if (hangTimeout_ || linkDown_) break;
    }
    StopHangTimer();
}

void TAustausch::Zeile(const QString& text) {
    if (text.isEmpty()) return;
    u_.StatusLine(text);
    ProcessEvents();
}

void TAustausch::Beginne() {
    busy_ = true;
    ackSeen_ = false;
    nakSeen_ = false;
    okSeen_ = false;
    letzterBlock_ = false;
}

// ===========================================================================
// Frames

void TAustausch::SendCommand(const QByteArray& payload, TAustauschArt art, int retries) {
    const QByteArray frame = BaueRahmen(payload);
    // Only the newest line trigger is ever evaluated; dropping the previous
    // one keeps a long-kept link from piling up triggers.
    if (zeilenTrigger_) port_.RemoveTrigger(zeilenTrigger_);
    zeilenTrigger_ = port_.AddDataTrigger(QByteArray(1, CR));
    blockModus_ = false;
    bloeckeAngenommen_ = 0;
    switch (art) {
    case TAustauschArt::Quittung: ackAntworten_ = false; zustand_ = TEmpfangsZustand::Quittung; responseTicks_ = 91; break;
    case TAustauschArt::Daten: ackAntworten_ = true; zustand_ = TEmpfangsZustand::Daten; responseTicks_ = 36; break;
    case TAustauschArt::Bloecke: ackAntworten_ = true; zustand_ = TEmpfangsZustand::Bloecke; responseTicks_ = 91; break;
    case TAustauschArt::Bestaetigung: ackAntworten_ = true; zustand_ = TEmpfangsZustand::Bestaetigung; responseTicks_ = 91; break;
    case TAustauschArt::BlockUpload: ackAntworten_ = true; zustand_ = TEmpfangsZustand::BlockUpload; responseTicks_ = 91; break;
    case TAustauschArt::DatenOhneQuittung: ackAntworten_ = false; zustand_ = TEmpfangsZustand::Daten; responseTicks_ = 91; break;
    default: break;  // an unknown kind leaves them as they were
    }
    // The wake-up's leniency lasts for its one exchange.
    wecken_ = weckenAngefordert_ && zustand_ == TEmpfangsZustand::Bestaetigung;
    weckenAngefordert_ = false;
    if (!antwortTimer_) antwortTimer_ = port_.AddTimerTrigger();
    port_.SetTimerTrigger(antwortTimer_, responseTicks_, true);
    nakRest_ = nakAnfang_ = wiederholRest_ = retries;
    reply_.clear();
    nakSeen_ = false;
    letzterRahmen_ = frame;
    Schreibe(frame);
    naechstesVerwerfen_ = false;
}

void TAustausch::SendBlock(const QByteArray& daten) {
    QByteArray d = daten.left(kBlockDaten);
    if (d.size() < kBlockDaten) d.append(QByteArray(kBlockDaten - d.size(), '\0'));
    Schreibe(BaueBlock(d, ETX));
}

void TAustausch::SendAck() { Schreibe(AckZeile()); }

void TAustausch::SendNak() { Schreibe(NakZeile()); }

void TAustausch::ResendLast() {
    rx_.clear();
    Schreibe(letzterRahmen_);
    AntwortTimerNeu();
}

void TAustausch::Schreibe(const QByteArray& bytes) { port_.PutString(bytes); }

void TAustausch::AntwortTimerAus() {
    if (antwortTimer_) port_.SetTimerTrigger(antwortTimer_, 0, false);
}

void TAustausch::AntwortTimerNeu() {
    if (antwortTimer_) port_.SetTimerTrigger(antwortTimer_, responseTicks_, true);
}

// ===========================================================================
// Timers

void TAustausch::StartHangTimer(int seconds) {
    hangTimeout_ = false;
    StopHangTimer();
    hangTimer_ = pump_.startTimer(Millis(seconds) * 1000, [this] {
        hangTimer_ = 0;
        HangTimerAbgelaufen();
    });
}

void TAustausch::HangTimerAbgelaufen() {
    hangTimeout_ = true;
    StopHangTimer();
}

void TAustausch::StopHangTimer() {
    if (hangTimer_) pump_.cancelTimer(hangTimer_);
    hangTimer_ = 0;
}

void TAustausch::BeendeWarten() {
    // A wait the hang timer ended leaves no repeat behind.
    StopHangTimer();
    AntwortTimerAus();
}

void TAustausch::RxIndicatorOn() {
    if (anzeigeTimer_) port_.SetTimerTrigger(anzeigeTimer_, 1, true);
    u_.Empfangsanzeige(true);
}

void TAustausch::RxIndicatorOff() { u_.Empfangsanzeige(false); }

void TAustausch::ErzeugeAnzeigeTimer() { anzeigeTimer_ = port_.AddTimerTrigger(); }

// ===========================================================================
// Reception

void TAustausch::BytesAngekommen(int count) {
    RxIndicatorOn();
    int n = count;
    if (naechstesVerwerfen_ && n > 0) {
        port_.GetChar();
        naechstesVerwerfen_ = false;
        --n;
    }
    if (n > 0) {
        const QByteArray b = port_.GetBlock(n);
        rx_ += b;
        u_.SetGaugeProgress(u_.GaugeProgress() + int(b.size()));
    }
    if (blockModus_) BlockEmpfang();
}

void TAustausch::BlockEmpfang() {
    if (rx_.size() < kBlockLaenge) return;
    AntwortTimerAus();
    // The logger waits for our answer after each block, so the block is the
    // first 1031 bytes; its CR is not part of the check.
    const QByteArray block = rx_.left(kBlockLaenge - 1);
    const int laenge = int(rx_.size());
    rx_.clear();
    if (EndeByte(block) == ETB) letzterBlock_ = true;
    reply_ = PruefeRahmen(block);
    if (!reply_.isEmpty()) {
        SendAck();
        busy_ = false;
        nakRest_ = nakAnfang_;
        ++bloeckeAngenommen_;
    } else if (nakRest_ > 0) {
        SendNak();
        u_.SetGaugeProgress(u_.GaugeProgress() - laenge);
        --nakRest_;
    } else {
        const QString text = QStringLiteral("Fehler - Datenblock %1 auch nach Wiederholung mit Prüfsummenfehler.")
                                 .arg(bloeckeAngenommen_ + 1);
        u_.StatusLine(text);
        u_.MeldeFehler(TFehlerart::Unvollstaendig, text);
        busy_ = false;
    }
}

void TAustausch::ZeileAngekommen(TriggerPort::Handle handle) {
    if (handle == 0 || handle != zeilenTrigger_) return;
    naechstesVerwerfen_ = true;
    // Taken out before it is evaluated: the instantaneous handler pumps events,
    // and the next line may begin to arrive meanwhile.
    const QByteArray zeile = rx_;
    rx_.clear();
    if (wecken_ && zustand_ == TEmpfangsZustand::Bestaetigung && zeile != AckOhneCR() && zeile != NakOhneCR()) {
        // What a logger streamed before it saw the wake-up is no answer to
        // it: the wait and its response timer go on.
        return;
    }
    AntwortTimerAus();
    switch (zustand_) {
    case TEmpfangsZustand::Daten:
    case TEmpfangsZustand::Bloecke:
        if (zeile == AckOhneCR()) {
            if (zustand_ == TEmpfangsZustand::Bloecke) {
                // The blocks may contain CR: from now on only the count ends one.
                port_.RemoveTrigger(zeilenTrigger_);
                zeilenTrigger_ = 0;
                blockModus_ = true;
                AntwortTimerNeu();
            }
        } else if (zeile == NakOhneCR()) {
            if (wiederholRest_ > 0) {
                --wiederholRest_;
                ResendLast();
            } else {
                reply_.clear();
                busy_ = false;
            }
        } else {
            reply_ = PruefeRahmen(zeile);
            if (!reply_.isEmpty()) {
                if (ackAntworten_) {
                    ackAntworten_ = false;
                    SendAck();
                }
                busy_ = false;
            } else if (ackAntworten_) {
                if (nakRest_ > 0) {
                    SendNak();
                    --nakRest_;
                } else {
                    ackAntworten_ = false;
                    SendAck();
                    busy_ = false;
                }
            }
        }
        break;
    case TEmpfangsZustand::Bestaetigung:
    case TEmpfangsZustand::BlockUpload:
        if (zeile == AckOhneCR()) {
            ackSeen_ = true;
            wecken_ = false;
        } else if (zeile == NakOhneCR()) {
            nakSeen_ = true;
            wecken_ = false;
        } else if (zeile == OkOhneCR()) {
            okSeen_ = true;
        } else {
            busy_ = false;
        }
        break;
    case TEmpfangsZustand::Quittung:
        if (zeile == AckOhneCR())
            ackSeen_ = true;
        else if (zeile == NakOhneCR())
            nakSeen_ = true;
        break;
    case TEmpfangsZustand::Momentan:
        // Evaluated from the event loop, not inside the serial layer's
        // delivery: a serial port delivers nothing new until that delivery
        // has returned, so the pause below would hold back every byte that
        // arrives meanwhile, the reply to a command started in it included
        // (the main window stopping the mode, or reading the clock).
        spaeter_.post([this, zeile] { u_.AlsHandler([this, &zeile] { Momentanzeile(zeile); }); });
        break;
    }
}

void TAustausch::Momentanzeile(const QByteArray& zeile) {
    reply_ = PruefeRahmen(zeile);
    if (!reply_.isEmpty()) u_.ForwardInstantaneous(reply_);
    Delay(500);
    u_.SetGaugeProgress(0);
}

void TAustausch::TimerAbgelaufen(TriggerPort::Handle handle) {
    if (handle != 0 && handle == antwortTimer_) {
        if (blockModus_ && bloeckeAngenommen_ > 0) {
            // Repeating the command now would restart the download and bring
            // the first blocks again behind those already taken: end it, and
            // keep what came.
            u_.StatusLine(QStringLiteral("Befehls-Timeout!"));
            u_.MeldeFehler(TFehlerart::Unvollstaendig,
                           QStringLiteral("Nach %1 Datenblöcken blieb der nächste aus.").arg(bloeckeAngenommen_));
            ProcessEvents();
            reply_.clear();
            busy_ = false;
        } else if (wiederholRest_ > 0) {
            if (blockModus_) {
                // Nothing taken yet: the logger starts over with its ACK line,
                // which only the line trigger recognises.
                blockModus_ = false;
                naechstesVerwerfen_ = false;
                zeilenTrigger_ = port_.AddDataTrigger(QByteArray(1, CR));
            }
            --wiederholRest_;
            ResendLast();
        } else {
            u_.StatusLine(QStringLiteral("Befehls-Timeout!"));
            ProcessEvents();
            busy_ = false;
        }
    } else {
        RxIndicatorOff();
    }
}

void TAustausch::LeitungVerloren(const QString& reason) {
    // An unplugged adapter or a dropped line: nothing more will come, so the
    // running wait ends now instead of after its timeouts.
    u_.StatusLine(QStringLiteral("Fehler - Verbindung unterbrochen: ") + reason);
    u_.MeldeFehler(TFehlerart::Verbindung, QStringLiteral("Verbindung unterbrochen: ") + reason);
    linkDown_ = true;
    busy_ = false;
    AntwortTimerAus();
}

// ===========================================================================
// Link and stream

void TAustausch::LeitungDa() { linkDown_ = false; }

void TAustausch::Trennen() {
    busy_ = false;
    linkDown_ = true;
    wecken_ = weckenAngefordert_ = false;
    port_.RemoveAllTriggers();
    zeilenTrigger_ = antwortTimer_ = anzeigeTimer_ = 0;
    blockModus_ = false;
}

void TAustausch::VorDemWecken() {
    port_.FlushInBuffer();
    rx_.clear();
    naechstesVerwerfen_ = false;
    weckenAngefordert_ = true;
}

void TAustausch::BeginneMomentanempfang(int kanaele) {
    zustand_ = TEmpfangsZustand::Momentan;
    momentanKanaele_ = kanaele;
}

// ===========================================================================
// Waiting

void TAustausch::ProcessEvents() { pump_.processEvents(); }

void TAustausch::Delay(int ms) { pump_.Delay(ms); }

void TAustausch::Warte(const std::function<bool()>& ende) {
    ProcessEvents();
    while (!ende() && !linkDown_) pump_.waitForEvents(1000);
}

} // namespace nuvar
