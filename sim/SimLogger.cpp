#include "sim/SimLogger.h"

#include "common/Rahmen.h"
#include "sim/SimLeitung.h"
#include "sim/SimModem.h"

#include <QTimeZone>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace nuvar {

using namespace Steuerzeichen;

namespace {

const std::array<QByteArray, 14> kBefehle = {
    "GETPAR", "GETSTA", "GETTIM", "GETMDX", "GETMED", "GETGMD", "READMC",
    "READMO", "STOPMO", "SETSTA", "SETCCT", "SETTIM", "SETOUT", "MCDEL ",
};

bool IstBefehl(const QByteArray& p) { return std::find(kBefehle.begin(), kBefehle.end(), p) != kBefehle.end(); }

bool NurZiffern(const QByteArray& s) {
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The logger's wall clock has no time zone: keep it as UTC so that arithmetic
// never meets a daylight-saving gap.
QDateTime Naiv(const QDateTime& t) { return QDateTime(t.date(), t.time(), QTimeZone::utc()); }

QDateTime Grenze(const QDateTime& t, int intervallMin) {
    const qint64 iv = qint64(std::max(intervallMin, 1)) * 60;
    const qint64 s = t.toSecsSinceEpoch();
    return QDateTime::fromSecsSinceEpoch(s - ((s % iv) + iv) % iv, QTimeZone::utc());
}

QByteArray Wert7(double v) {
    v = std::clamp(v, -99999.9, 999999.9);
    if (std::fabs(v) < 0.05) v = 0.0;  // no "-0.0"
    return QByteArray::number(v, 'f', 1).rightJustified(7, ' ');
}

void SetzeLE16(QByteArray& b, int pos, int v) {
    v = std::clamp(v, -32768, 32767);
    b[pos] = char(v & 0xFF);
    b[pos + 1] = char((v >> 8) & 0xFF);
}

void SetzeLE32(QByteArray& b, int pos, quint32 v) {
    for (int i = 0; i < 4; ++i) b[pos + i] = char((v >> (8 * i)) & 0xFF);
}

}  // namespace

SimLogger::SimLogger(EventPump& pump, SimOptions optionen)
    : pump_(pump), opt_(std::move(optionen)), wetter_(0) {
    station_ = opt_.stationsdatei.isEmpty() ? SimStation::Demo() : SimStation::AusDatei(opt_.stationsdatei);
    station_.SetzeLoggertyp(opt_.loggertyp);
    wetter_ = SimWetter(opt_.saat * 2654435761u + quint32(station_.stationsnummer));
    rauschSaat_ = opt_.saat ^ 0x5EED;

    const QDateTime start = opt_.uhrStart.isValid() ? opt_.uhrStart : QDateTime::currentDateTime();
    basis_ = Naiv(start).addSecs(opt_.uhrVersatzS);
    basisPump_ = pump_.now();

    // The stored records end at the last averaging interval before the clock.
    const int ivs = station_.mittelwertintervall * 60;
    const QDateTime letzter = Grenze(basis_, station_.mittelwertintervall);
    const int n = std::clamp(opt_.datensaetze, 0, station_.Kapazitaet());
    for (int i = 0; i < n; ++i) speicher_ += Satz(letzter.addSecs(-qint64(n - 1 - i) * ivs));
    saetze_ = n;
    naechsterSatz_ = letzter.addSecs(ivs);

    fehlerZaehler_.assign(opt_.fehler.size(), 0);
    abbruchErledigt_.assign(opt_.fehler.size(), false);

    leitung_ = std::make_unique<SimLeitung>(pump_, opt_.baud, opt_.takt);
    leitung_->ausgabe = [this](const QByteArray& b) {
        if (sendToHost) sendToHost(b);
    };
    if (opt_.modem.aktiv) {
        modem_ = std::make_unique<SimModem>(pump_, opt_.modem, opt_.baud);
        modem_->zumHost = [this](const QByteArray& b) { leitung_->Schreibe(b); };
        modem_->zumLogger = [this](const QByteArray& b) { Eingang(b); };
        modem_->aufgelegt = [this] { Ruecksetzen(); };
        modem_->meldung = [this](const QString& m) { Melde(m); };
    }
}

SimLogger::~SimLogger() {
    Ruecksetzen();
}

// ---------------------------------------------------------------- line events

void SimLogger::hostWrote(const QByteArray& bytes) {
    if (modem_) {
        modem_->VomHost(bytes);
        return;
    }
    if (hostBaud_ > 0 && hostBaud_ != opt_.baud) {
        // At the wrong rate the logger sees only framing errors.
        Melde(QStringLiteral("Baudrate %1 statt %2: %3 Bytes unlesbar").arg(hostBaud_).arg(opt_.baud).arg(bytes.size()));
        return;
    }
    Eingang(bytes);
}

void SimLogger::hostOpened(int baud) { hostBaud_ = baud; }

void SimLogger::hostClosed() {
    eingang_.clear();
    if (modem_) modem_->HostWeg();
}

void SimLogger::hostBaudRate(int baud) { hostBaud_ = baud; }

void SimLogger::hostDtr(bool on) {
    if (!on && modem_) modem_->HostWeg();
}

bool SimLogger::ModemVerbunden() const { return modem_ && modem_->Verbunden(); }

// ---------------------------------------------------------------- reception

void SimLogger::Eingang(const QByteArray& bytes) {
    eingang_ += bytes;
    for (;;) {
        if (zustand_ == Zustand::Upload) {
            const int stx = eingang_.indexOf(STX);
            if (stx < 0) {
                eingang_.clear();
                break;
            }
            eingang_.remove(0, stx);
            // A program that gave up on the upload sends commands again; a
            // command frame is 13 bytes with its CR where no block has one.
            if (eingang_.size() >= 13 && eingang_[12] == CR && IstBefehl(PruefeRahmen(eingang_.left(12)))) {
                Melde(QStringLiteral("SETCCT abgebrochen: neuer Befehl"));
                zustand_ = Zustand::Bereit;
                upload_.clear();
                if (uploadTimer_) pump_.cancelTimer(uploadTimer_);
                uploadTimer_ = 0;
                continue;
            }
            if (eingang_.size() < kBlockLaenge) break;
            const QByteArray block = eingang_.left(kBlockLaenge);
            eingang_.remove(0, kBlockLaenge);
            UploadBlock(block);
            continue;
        }
        const int cr = eingang_.indexOf(CR);
        if (cr < 0) {
            if (eingang_.size() > 4096) eingang_.clear();  // endless noise
            break;
        }
        const QByteArray zeile = eingang_.left(cr);
        eingang_.remove(0, cr + 1);
        Zeile(zeile);
    }
    if (zustand_ == Zustand::Upload) {
        // A channel table that stops coming is given up after a while.
        if (uploadTimer_) pump_.cancelTimer(uploadTimer_);
        uploadTimer_ = pump_.startTimer(10000, [this] {
            uploadTimer_ = 0;
            Melde(QStringLiteral("SETCCT: keine weiteren Blöcke, abgebrochen"));
            zustand_ = Zustand::Bereit;
            eingang_.clear();
            upload_.clear();
        });
    }
}

void SimLogger::Zeile(const QByteArray& roh) {
    const int start = roh.indexOf(QByteArray{"\x02\x0a"});
    if (start < 0) {
        if (!roh.isEmpty()) Melde(QStringLiteral("<- ignoriert: ") + Lesbar(roh + CR));
        return;
    }
    const QByteArray zeile = roh.mid(start);
    Aufzeichnen(true, zeile + CR);
    if (zeile == AckZeile().chopped(1)) return Quittung(true);
    if (zeile == NakZeile().chopped(1)) return Quittung(false);

    // Every frame of the program ends a running instantaneous stream.
    StoppeMomentan();
    const QByteArray payload = PruefeRahmen(zeile);
    if (payload.isEmpty()) {
        Melde(QStringLiteral("Prüfsummenfehler oder leerer Rahmen"));
        SendeNak();
        return;
    }
    empfangen_.push_back(payload);
    if (zustand_ == Zustand::WarteParameter && !IstBefehl(payload)) return Parameter(payload);
    Befehl(payload);
}

void SimLogger::Quittung(bool ack) {
    if (zustand_ == Zustand::Download) {
        if (ack) {
            ++blockNr_;
            if (blockNr_ >= bloecke_.size()) {
                Melde(QStringLiteral("%1: alle %2 Blöcke quittiert").arg(QString::fromLatin1(downloadBefehl_)).arg(bloecke_.size()));
                if (downloadBefehl_ == "READMC") station_.ausgelesen = 1;
                zustand_ = Zustand::Bereit;
                bloecke_.clear();
                return;
            }
        }
        SendeBlock();
        return;
    }
    if (!letzteAntwort_.isEmpty()) {
        if (ack) {
            letzteAntwort_.clear();
        } else if (wiederholungen_ < 10) {
            ++wiederholungen_;
            const int w = wiederholungen_;
            SendeRahmen(letzteAntwort_, letzteAntwortBefehl_, true);
            wiederholungen_ = w;
        }
    }
}

void SimLogger::Befehl(const QByteArray& wort) {
    if (!IstBefehl(wort)) {
        Melde(QStringLiteral("Unbekannter Befehl"));
        SendeNak();
        return;
    }
    // A new command ends whatever exchange was still open.
    zustand_ = Zustand::Bereit;
    letzteAntwort_.clear();
    bloecke_.clear();
    upload_.clear();
    if (FehlerTrifft(SimFehler::Art::Schweigen, wort)) {
        Melde(QStringLiteral("Fehler: schweigt auf ") + QString::fromLatin1(wort));
        return;
    }
    if (FehlerTrifft(SimFehler::Art::Nak, wort)) {
        Melde(QStringLiteral("Fehler: NAK auf ") + QString::fromLatin1(wort));
        SendeNak();
        return;
    }

    const QByteArray typ = station_.loggertyp;
    const bool mdx = typ == "VRX410" || typ == "VRX420" || typ == "VRX430";
    if (wort == "STOPMO") {
        SendeAck(wort);
    } else if (wort == "GETSTA") {
        SpeicherNachfuehren();
        SendeRahmen(GemeldeterBlock(), wort, true);
    } else if (wort == "GETTIM") {
        SendeRahmen(UhrText(Uhr()), wort, true);
    } else if (wort == "GETPAR") {
        SendeAck(wort);
        StarteDownload(wort, Parameterabbild());
    } else if (wort == "READMC") {
        SendeAck(wort);
        StarteDownload(wort, Speicherabbild());
    } else if (wort == "GETMED") {
        SendeRahmen(Werte(1), wort, true);
    } else if (wort == "GETMDX") {
        if (mdx) SendeRahmen(Werte(3), wort, true);
        else SendeNak();
    } else if (wort == "GETGMD") {
        if (typ == "VRX430") SendeRahmen(Werte(4), wort, true);
        else SendeNak();
    } else if (wort == "READMO") {
        SendeAck(wort);
        const int ms = std::max(station_.messintervall, 1) * 1000;
        momentanTimer_ = pump_.startTimer(ms, [this] { Momentanwert(); });
    } else if (wort == "SETSTA" || wort == "SETTIM" || wort == "SETOUT") {
        SendeAck(wort);
        zustand_ = Zustand::WarteParameter;
        warteBefehl_ = wort;
    } else if (wort == "SETCCT") {
        SendeAck(wort);
        zustand_ = Zustand::Upload;
        upload_.clear();
    } else if (wort == "MCDEL ") {
        if (opt_.speicherkarte) {
            SpeicherLoeschen();
            SendeRahmen("OK    ", wort, true);
        } else {
            SendeRahmen("ERR001", wort, true);
        }
    }
}

void SimLogger::Parameter(const QByteArray& p) {
    const QByteArray befehl = warteBefehl_;
    zustand_ = Zustand::Bereit;
    warteBefehl_.clear();
    bool gut = false;
    if (befehl == "SETSTA") {
        if (p.size() == 42 && NurZiffern(p.left(3)) && NurZiffern(p.mid(23, 6))) {
            const int mw = p.mid(23, 2).toInt();
            const int mi = p.mid(25, 3).toInt();
            if (mw > 0 && mi > 0) {
                SpeicherNachfuehren();
                station_.stationsnummer = p.left(3).toInt();
                station_.name = p.mid(3, 16);
                station_.sleepmodus = p.mid(28, 1).toInt();
                station_.messintervall = mi;
                if (mw != station_.mittelwertintervall) {
                    station_.mittelwertintervall = mw;
                    naechsterSatz_ = Grenze(Uhr(), mw).addSecs(qint64(mw) * 60);
                }
                gut = true;
            }
        }
    } else if (befehl == "SETTIM") {
        if (p.size() == 12 && NurZiffern(p)) {
            const int yy = p.left(2).toInt();
            const QDate d(yy < 90 ? 2000 + yy : 1900 + yy, p.mid(2, 2).toInt(), p.mid(4, 2).toInt());
            const QTime t(p.mid(6, 2).toInt(), p.mid(8, 2).toInt(), p.mid(10, 2).toInt());
            if (d.isValid() && t.isValid()) {
                SpeicherNachfuehren();
                basis_ = QDateTime(d, t, QTimeZone::utc());
                basisPump_ = pump_.now();
                naechsterSatz_ = Grenze(basis_, station_.mittelwertintervall).addSecs(qint64(station_.mittelwertintervall) * 60);
                gut = true;
            }
        }
    } else if (befehl == "SETOUT") {
        if (p.size() == 6 && NurZiffern(p) && p.left(3).toInt() <= 255 && p.mid(3, 3).toInt() <= 255) {
            ausgaenge_[p.left(3).toInt()] = p.mid(3, 3).toInt();
            gut = true;
        }
    }
    if (!gut) {
        Melde(QStringLiteral("%1: Parameter ungültig").arg(QString::fromLatin1(befehl)));
        SendeNak();
        return;
    }
    SendeRahmen("OK    ", befehl, true);
}

void SimLogger::UploadBlock(const QByteArray& block) {
    Aufzeichnen(true, block);
    const QByteArray daten = PruefeRahmen(block.left(kBlockLaenge - 1));
    if (daten.size() != kBlockDaten) {
        Melde(QStringLiteral("SETCCT: Block %1 fehlerhaft").arg(upload_.size() / kBlockDaten + 1));
        SendeNak();
        return;
    }
    upload_ += daten;
    SendeAck("SETCCT");
    if (upload_.size() < 3 * kBlockDaten) return;
    // The new channel table changes the layout of a stored record, so the
    // old records could no longer be read: the memory is cleared with it.
    SpeicherNachfuehren();
    station_.kanalslots = upload_.left(kSlotAnzahl * kSlotGroesse);
    SpeicherLoeschen();
    upload_.clear();
    zustand_ = Zustand::Bereit;
    if (uploadTimer_) pump_.cancelTimer(uploadTimer_);
    uploadTimer_ = 0;
    Melde(QStringLiteral("SETCCT: neue Kanaltabelle mit %1 Kanälen").arg(station_.Kanalanzahl()));
}

// ---------------------------------------------------------------- sending

void SimLogger::Sende(const QByteArray& bytes, const QByteArray& befehl, bool antwort) {
    QByteArray aus = bytes;
    if (antwort && FehlerTrifft(SimFehler::Art::Rauschen, befehl)) {
        QByteArray rauschen;
        for (int i = 0; i < 8; ++i) {
            rauschSaat_ = rauschSaat_ * 1103515245u + 12345u;
            char c = char((rauschSaat_ >> 16) & 0xFF);
            if (c == CR || c == STX) c = '?';  // noise, not a line end or frame start
            rauschen += c;
        }
        aus = rauschen + aus;
    }
    Aufzeichnen(false, aus);
    // The logger takes a moment before it answers; replies keep their order.
    auto laeuft = std::make_shared<EventPump::TimerId>(0);
    *laeuft = pump_.startTimer(opt_.antwortMs, [this, aus, laeuft] {
        std::erase(antwortTimer_, *laeuft);
        if (modem_) modem_->VomLogger(aus);
        else leitung_->Schreibe(aus);
    });
    antwortTimer_.push_back(*laeuft);
}

void SimLogger::SendeRahmen(const QByteArray& payload, const QByteArray& befehl, bool merken) {
    QByteArray rahmen = BaueRahmen(payload);
    if (FehlerTrifft(SimFehler::Art::Pruefsumme, befehl)) {
        const std::uint8_t falsch = std::uint8_t(XorSumme(rahmen.left(rahmen.size() - 4)) + 1);
        rahmen.replace(rahmen.size() - 4, 3, PruefZiffern(falsch));
    }
    if (merken) {
        letzteAntwort_ = payload;
        letzteAntwortBefehl_ = befehl;
        wiederholungen_ = 0;
    }
    Sende(rahmen, befehl, true);
}

void SimLogger::SendeAck(const QByteArray& befehl) { Sende(AckZeile(), befehl, true); }

void SimLogger::SendeNak() { Sende(NakZeile(), {}, false); }

void SimLogger::StarteDownload(const QByteArray& befehl, const QByteArray& abbild) {
    bloecke_.clear();
    for (int i = 0; i < abbild.size(); i += kBlockDaten) bloecke_.push_back(abbild.mid(i, kBlockDaten));
    downloadBefehl_ = befehl;
    blockNr_ = 0;
    zustand_ = Zustand::Download;
    SendeBlock();
}

void SimLogger::SendeBlock() {
    for (size_t i = 0; i < opt_.fehler.size(); ++i) {
        const SimFehler& f = opt_.fehler[i];
        if (f.art != SimFehler::Art::Abbruch || abbruchErledigt_[i]) continue;
        if (!f.befehl.isEmpty() && f.befehl.trimmed() != downloadBefehl_.trimmed()) continue;
        if (size_t(std::max(f.anzahl, 0)) != blockNr_ || blockNr_ >= bloecke_.size()) continue;
        abbruchErledigt_[i] = true;
        Melde(QStringLiteral("Fehler: Leitung nach %1 Blöcken getrennt").arg(blockNr_));
        LeitungWeg();
        return;
    }
    const bool letzter = blockNr_ + 1 == bloecke_.size();
    QByteArray block = BaueBlock(bloecke_[blockNr_], letzter ? ETB : ETX);
    if (FehlerTrifft(SimFehler::Art::Pruefsumme, downloadBefehl_)) {
        const std::uint8_t falsch = std::uint8_t(XorSumme(block.left(kBlockLaenge - 4)) + 1);
        block.replace(kBlockLaenge - 4, 3, PruefZiffern(falsch));
    }
    Sende(block, downloadBefehl_, true);
}

void SimLogger::StoppeMomentan() {
    if (momentanTimer_) pump_.cancelTimer(momentanTimer_);
    momentanTimer_ = 0;
}

void SimLogger::Momentanwert() {
    momentanTimer_ = pump_.startTimer(std::max(station_.messintervall, 1) * 1000, [this] { Momentanwert(); });
    SendeRahmen(Werte(0), "READMO", false);
}

void SimLogger::LeitungWeg() {
    // What was already answered still goes out; then the line drops.
    zustand_ = Zustand::Bereit;
    bloecke_.clear();
    letzteAntwort_.clear();
    if (abbruchTimer_) return;
    abbruchTimer_ = pump_.startTimer(1, [this] {
        abbruchTimer_ = 0;
        if (!antwortTimer_.empty() || !leitung_->Leer()) return LeitungWeg();
        Ruecksetzen();
        if (modem_) {
            modem_->TraegerWeg();
        } else if (dropLine) {
            dropLine();
        }
    });
}

void SimLogger::Ruecksetzen() {
    zustand_ = Zustand::Bereit;
    eingang_.clear();
    letzteAntwort_.clear();
    bloecke_.clear();
    upload_.clear();
    warteBefehl_.clear();
    StoppeMomentan();
    if (uploadTimer_) pump_.cancelTimer(uploadTimer_);
    uploadTimer_ = 0;
    for (EventPump::TimerId id : antwortTimer_) pump_.cancelTimer(id);
    antwortTimer_.clear();
    if (abbruchTimer_) pump_.cancelTimer(abbruchTimer_);
    abbruchTimer_ = 0;
}

bool SimLogger::FehlerTrifft(SimFehler::Art art, const QByteArray& befehl, int* index) {
    for (size_t i = 0; i < opt_.fehler.size(); ++i) {
        const SimFehler& f = opt_.fehler[i];
        if (f.art != art) continue;
        if (!f.befehl.isEmpty() && f.befehl.trimmed() != befehl.trimmed()) continue;
        if (fehlerZaehler_[i] >= f.anzahl) continue;
        ++fehlerZaehler_[i];
        if (index) *index = int(i);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- state

QDateTime SimLogger::Uhr() const { return basis_.addMSecs(pump_.now() - basisPump_); }

void SimLogger::SpeicherNachfuehren() const {
    if (!opt_.aufzeichnen) return;
    const QDateTime jetzt = Uhr();
    const qint64 ivs = qint64(std::max(station_.mittelwertintervall, 1)) * 60;
    if (naechsterSatz_ > jetzt) return;
    const qint64 faellig = naechsterSatz_.secsTo(jetzt) / ivs + 1;
    const qint64 platz = std::max(station_.Kapazitaet() - saetze_, 0);
    // Intervals the memory could not hold anyway are skipped at once.
    if (faellig > platz) naechsterSatz_ = naechsterSatz_.addSecs((faellig - platz) * ivs);
    while (naechsterSatz_ <= jetzt) {
        speicher_ += Satz(naechsterSatz_);
        ++saetze_;
        naechsterSatz_ = naechsterSatz_.addSecs(ivs);
    }
}

void SimLogger::SpeicherLoeschen() {
    speicher_.clear();
    saetze_ = 0;
    station_.ausgelesen = 0;
}

int SimLogger::Datensaetze() const {
    SpeicherNachfuehren();
    return saetze_;
}

QByteArray SimLogger::Speicher() const {
    SpeicherNachfuehren();
    return speicher_;
}

QByteArray SimLogger::Speicherabbild() const {
    QByteArray abbild = Speicher();
    const qsizetype bloecke = std::max<qsizetype>(1, (abbild.size() + kBlockDaten - 1) / kBlockDaten);
    abbild.append(bloecke * kBlockDaten - abbild.size(), char(0xFF));  // erased memory
    return abbild;
}

int SimLogger::FreieTage() const {
    const qint64 frei = std::max(station_.Kapazitaet() - saetze_, 0);
    return int(frei * station_.mittelwertintervall / 1440);
}

double SimLogger::Batterie() const {
    return wetter_.Momentan(SimGroesse::Akku, Uhr().toSecsSinceEpoch());
}

QByteArray SimLogger::GemeldeterBlock() const {
    SpeicherNachfuehren();
    return station_.Stationsblock(opt_.gemeldeteStationsnummer.value_or(station_.stationsnummer), Batterie(),
                                  opt_.gemeldetesIntervall.value_or(station_.mittelwertintervall), FreieTage(),
                                  saetze_ + opt_.mehrGemeldet);
}

TStationsParameter SimLogger::Stationsparameter() const {
    SpeicherNachfuehren();
    return station_.Stationsparameter(Batterie(), FreieTage(), saetze_);
}

QByteArray SimLogger::Parameterabbild() const {
    QByteArray abbild = station_.kanalslots;
    abbild += GemeldeterBlock();
    abbild += station_.hardware;
    abbild += UhrText(Uhr());
    abbild += station_.loggertyp;
    abbild.append(3 * kBlockDaten - abbild.size(), '\0');
    return abbild;
}

QByteArray SimLogger::Werte(int proKanal) const {
    const QDateTime jetzt = Uhr();
    const qint64 t = jetzt.toSecsSinceEpoch();
    // Averaged values belong to the last completed averaging interval;
    // an instantaneous frame carries the moment of measurement.
    const QDateTime stempel = proKanal == 0 ? jetzt : Grenze(jetzt, station_.mittelwertintervall);
    const qint64 ende = stempel.toSecsSinceEpoch();
    const qint64 ivs = qint64(station_.mittelwertintervall) * 60;
    QByteArray z = UhrText(stempel) + ';';
    for (const TKanalEintrag& e : station_.Kanaele()) {
        const SimGroesse g =
            GroesseAusBezeichnung(QByteArray(reinterpret_cast<const char*>(e.Bezeichnung.data()), 6));
        if (proKanal == 0) {
            z += Wert7(wetter_.Momentan(g, t, e.Min, e.Max)) + ';';
            continue;
        }
        const SimStatistik s = wetter_.Intervall(g, ende, ivs, e.Min, e.Max);
        if (proKanal == 1) {
            z += Wert7(s.mittel) + ';';
        } else {
            z += Wert7(s.min) + ';' + Wert7(s.mittel) + ';' + Wert7(s.max) + ';';
            if (proKanal == 4) z += Wert7(wetter_.Momentan(g, t, e.Min, e.Max)) + ';';
        }
    }
    return z;
}

QByteArray SimLogger::Satz(const QDateTime& zeit) const {
    const std::vector<TKanalEintrag> kanaele = station_.Kanaele();
    QByteArray s(5 + 8 * int(kanaele.size()), '\0');
    const QDate d = zeit.date();
    const QTime u = zeit.time();
    s[0] = char(d.year() % 100);
    s[1] = char(d.month());
    s[2] = char(d.day());
    s[3] = char(u.hour());
    s[4] = char(u.minute());
    const qint64 ende = zeit.toSecsSinceEpoch();
    const qint64 ivs = qint64(station_.mittelwertintervall) * 60;
    int pos = 5;
    // Per channel: the mean as a single, then minimum and maximum in tenths
    // as 16-bit integers, all little-endian.
    for (const TKanalEintrag& e : kanaele) {
        const SimGroesse g =
            GroesseAusBezeichnung(QByteArray(reinterpret_cast<const char*>(e.Bezeichnung.data()), 6));
        const SimStatistik st = wetter_.Intervall(g, ende, ivs, e.Min, e.Max);
        SetzeLE32(s, pos, std::bit_cast<quint32>(float(st.mittel)));
        SetzeLE16(s, pos + 4, int(std::lround(st.min * 10)));
        SetzeLE16(s, pos + 6, int(std::lround(st.max * 10)));
        pos += 8;
    }
    return s;
}

// ---------------------------------------------------------------- log

void SimLogger::Melde(const QString& text) {
    if (onMeldung) onMeldung(text);
}

void SimLogger::Aufzeichnen(bool empfangen, const QByteArray& bytes) {
    if (protokoll_.size() >= 20000) protokoll_.erase(protokoll_.begin(), protokoll_.begin() + 10000);
    protokoll_.push_back({pump_.now(), empfangen, bytes});
    Melde((empfangen ? QStringLiteral("<- ") : QStringLiteral("-> ")) + Lesbar(bytes));
}

QString SimLogger::Lesbar(const QByteArray& bytes) {
    auto zeichen = [](char c) -> QString {
        switch (c) {
        case STX: return QStringLiteral("<STX>");
        case LF: return QStringLiteral("<LF>");
        case ETX: return QStringLiteral("<ETX>");
        case ETB: return QStringLiteral("<ETB>");
        case ACK: return QStringLiteral("<ACK>");
        case NAK: return QStringLiteral("<NAK>");
        case CR: return QStringLiteral("<CR>");
        default: break;
        }
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F) return QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0'));
        return QString(QLatin1Char(c));
    };
    QString s;
    if (bytes.size() > 120) {
        for (char c : bytes.left(12)) s += zeichen(c);
        s += QStringLiteral("[%1 Bytes]").arg(bytes.size() - 17);
        for (char c : bytes.right(5)) s += zeichen(c);
        return s;
    }
    for (char c : bytes) s += zeichen(c);
    return s;
}

}  // namespace nuvar
