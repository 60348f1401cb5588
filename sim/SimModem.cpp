#include "sim/SimModem.h"

#include <QString>

namespace nuvar {

SimModem::SimModem(EventPump& pump, const SimModemOptionen& optionen, int rate)
    : pump_(pump), opt_(optionen), rate_(rate), echo_(optionen.echo) {
    Zuruecksetzen();
}

SimModem::~SimModem() {
    if (waehlTimer_) pump_.cancelTimer(waehlTimer_);
    if (fluchtTimer_) pump_.cancelTimer(fluchtTimer_);
}

void SimModem::Zuruecksetzen() {
    echo_ = opt_.echo;
    sRegister_.clear();
    sRegister_[0] = 0;
    sRegister_[2] = '+';
    sRegister_[3] = 13;
    sRegister_[4] = 10;
    sRegister_[7] = 50;
    sRegister_[12] = (opt_.schutzzeitMs + 10) / 20;  // fiftieths of a second
}

void SimModem::Ergebnis(const QByteArray& text) {
    if (meldung) meldung(QStringLiteral("Modem: ") + QString::fromLatin1(text));
    if (zumHost) zumHost("\r\n" + text + "\r\n");
}

void SimModem::VomHost(const QByteArray& bytes) {
    const Millis t = pump_.now();
    for (char c : bytes) {
        switch (zustand_) {
        case Zustand::Online:
            OnlineByte(c, t);
            break;
        case Zustand::Waehlen:
            // Any character ends a call attempt, as on a real modem.
            Auflegen(false);
            Ergebnis("NO CARRIER");
            break;
        case Zustand::Befehl:
        case Zustand::OnlineBefehl:
            if (echo_ && zumHost) zumHost(QByteArray(1, c));
            if (c == '\r') {
                const QByteArray z = zeile_;
                zeile_.clear();
                Befehlszeile(z);
            } else if (c == '\b' || c == 0x7f) {
                zeile_.chop(1);
            } else if (c != '\n' && zeile_.size() < 256) {
                zeile_ += c;
            }
            break;
        }
    }
}

void SimModem::OnlineByte(char c, Millis t) {
    const Millis schutz = Millis(sRegister_.value(12, 50)) * 20;
    const char fluchtzeichen = char(sRegister_.value(2, '+'));
    if (plus_ > 0) {
        if (c == fluchtzeichen && plus_ < 3 && t - letztesByte_ < schutz) {
            ++plus_;
            letztesByte_ = t;
            if (plus_ == 3) {
                fluchtTimer_ = pump_.startTimer(schutz, [this] {
                    fluchtTimer_ = 0;
                    plus_ = 0;
                    zustand_ = Zustand::OnlineBefehl;
                    zeile_.clear();
                    Ergebnis("OK");
                });
            }
            return;
        }
        FluchtAbbrechen();  // the pluses were data after all
    }
    if (c == fluchtzeichen && t - letztesByte_ >= schutz) {
        plus_ = 1;
        letztesByte_ = t;
        return;
    }
    letztesByte_ = t;
    if (zumLogger) zumLogger(QByteArray(1, c));
}

void SimModem::FluchtAbbrechen() {
    if (fluchtTimer_) pump_.cancelTimer(fluchtTimer_);
    fluchtTimer_ = 0;
    const QByteArray daten(plus_, char(sRegister_.value(2, '+')));
    plus_ = 0;
    if (zumLogger && !daten.isEmpty()) zumLogger(daten);
}

void SimModem::VomLogger(const QByteArray& bytes) {
    if (zustand_ == Zustand::Online && zumHost) zumHost(bytes);
}

void SimModem::HostWeg() {
    zeile_.clear();
    if (zustand_ == Zustand::Befehl) return;
    const bool warVerbunden = Verbunden();
    Auflegen(warVerbunden);
    Ergebnis("NO CARRIER");
}

void SimModem::TraegerWeg() {
    if (!Verbunden()) return;
    Auflegen(true);
    Ergebnis("NO CARRIER");
}

void SimModem::Auflegen(bool melden) {
    if (waehlTimer_) pump_.cancelTimer(waehlTimer_);
    waehlTimer_ = 0;
    if (fluchtTimer_) pump_.cancelTimer(fluchtTimer_);
    fluchtTimer_ = 0;
    plus_ = 0;
    const bool warVerbunden = Verbunden();
    zustand_ = Zustand::Befehl;
    if (melden && warVerbunden && aufgelegt) aufgelegt();
}

void SimModem::Befehlszeile(const QByteArray& roh) {
    const QByteArray zeile = roh.trimmed().toUpper();
    if (zeile.isEmpty()) return;
    if (meldung) meldung(QStringLiteral("Modem empfängt: ") + QString::fromLatin1(roh.trimmed()));
    if (!zeile.startsWith("AT")) return;  // not for the modem: ignored like line noise
    int i = 2;
    auto zahl = [&](int vorgabe) {
        if (i >= zeile.size() || zeile[i] < '0' || zeile[i] > '9') return vorgabe;
        int v = 0;
        while (i < zeile.size() && zeile[i] >= '0' && zeile[i] <= '9') v = v * 10 + (zeile[i++] - '0');
        return v;
    };
    QByteArray info;
    while (i < zeile.size()) {
        const char c = zeile[i++];
        switch (c) {
        case ' ': break;
        case 'D':
            if (zustand_ == Zustand::OnlineBefehl) { Ergebnis("ERROR"); return; }
            Waehle(zeile.mid(i));
            return;
        case 'H':
            zahl(0);
            if (Verbunden()) Auflegen(true);
            break;
        case 'O':
            zahl(0);
            if (zustand_ == Zustand::OnlineBefehl) {
                zustand_ = Zustand::Online;
                letztesByte_ = pump_.now();
                Ergebnis("CONNECT " + QByteArray::number(rate_));
            } else {
                Ergebnis("NO CARRIER");
            }
            return;
        case 'Z':
            zahl(0);
            if (Verbunden()) Auflegen(true);
            Zuruecksetzen();
            break;
        case 'E':
            echo_ = zahl(0) != 0;
            break;
        case 'I':
            zahl(0);
            info = "NUVARSIM Modem";
            break;
        case 'V': case 'Q': case 'X': case 'M': case 'L': case 'B': case 'N': case 'W': case 'Y':
        case 'P': case 'T':
            zahl(0);
            break;
        case '&': {
            if (i >= zeile.size()) { Ergebnis("ERROR"); return; }
            const char a = zeile[i++];
            if (!QByteArray("CDFKSVWQY").contains(a)) { Ergebnis("ERROR"); return; }
            zahl(0);
            if (a == 'F') Zuruecksetzen();
            break;
        }
        case 'S': {
            const int reg = zahl(-1);
            if (reg < 0 || i >= zeile.size()) { Ergebnis("ERROR"); return; }
            if (zeile[i] == '=') {
                ++i;
                const int wert = zahl(-1);
                if (wert < 0 || wert > 255) { Ergebnis("ERROR"); return; }
                sRegister_[reg] = wert;
            } else if (zeile[i] == '?') {
                ++i;
                info = QByteArray::number(sRegister_.value(reg, 0)).rightJustified(3, '0');
            } else {
                Ergebnis("ERROR");
                return;
            }
            break;
        }
        default:
            Ergebnis("ERROR");
            return;
        }
    }
    if (!info.isEmpty() && zumHost) zumHost("\r\n" + info + "\r\n");
    Ergebnis("OK");
}

void SimModem::Waehle(const QByteArray& wahl) {
    // Dial modifiers (T tone, P pulse, W wait, "," pause, blanks and
    // separators) are not part of the number.
    QByteArray nummer;
    for (char c : wahl)
        if ((c >= '0' && c <= '9') || c == '*' || c == '#') nummer += c;
    if (wahl.endsWith(';')) {
        Ergebnis("OK");  // dial and stay in command mode: nothing to connect to
        return;
    }
    nummer_ = nummer;
    ModemErgebnis e = opt_.nummern.value(nummer, ModemErgebnis::Connect);
    if (nummer.isEmpty()) e = ModemErgebnis::NoCarrier;
    zustand_ = Zustand::Waehlen;
    if (meldung) meldung(QStringLiteral("Modem wählt ") + QString::fromLatin1(nummer));
    waehlTimer_ = pump_.startTimer(opt_.klingelnMs, [this, e] {
        waehlTimer_ = 0;
        if (e == ModemErgebnis::Connect) {
            zustand_ = Zustand::Online;
            letztesByte_ = pump_.now();
            plus_ = 0;
            Ergebnis("CONNECT " + QByteArray::number(rate_));
            if (verbunden) verbunden();
        } else {
            zustand_ = Zustand::Befehl;
            Ergebnis(ModemErgebnisText(e));
        }
    });
}

}  // namespace nuvar

