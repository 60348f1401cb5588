// What a logger knows about itself: "GETPAR" (parameter memory), "GETSTA"
// (station block), "GETTIM" (clock), and the check that the logger is the
// station the measurement programme names.
#include "kom/protocol/NUVARWnd.h"

#include "common/Fehler.h"
#include "common/Text.h"
#include "kom/protocol/Parameterabbild.h"

namespace nuvar {

namespace {

const QString kPruefsummenfehler = QStringLiteral("Fehler - Pruefsummenfehler in der Antwort.");
const QString kNichtDekodiert = QStringLiteral("Fehler - Antwort kann nicht dekodiert werden.");

// A query with one data reply, answered with ACK.
TBefehl Datenabfrage(const char* wort, int gaugeMax) {
    TBefehl b;
    b.befehl.nutzdaten = wort;
    b.befehl.art = TAustauschArt::Daten;
    b.befehl.bestaetigung = TBestaetigung::Antwort;
    b.befehl.meldung = QStringLiteral("Sende Befehl ") + QLatin1String(wort) + QStringLiteral("...");
    b.befehl.hangSekunden = 60;
    b.befehl.zeilen.keine = kPruefsummenfehler;
    b.gaugeMax = gaugeMax;
    b.belegtAblehnen = true;
    return b;
}

QByteArray Feld(const QByteArray& block, abbild::TFeld f) { return block.mid(f.von, f.laenge); }

} // namespace

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

bool TNUVARFenster::DecodiereStation(const QByteArray& block, TStationsParameter& s) {
    using namespace abbild;
    if (block.size() < kStationsblockLaenge) return false;
    auto zahl = [&](TFeld f) { return StrToInt(QString::fromLatin1(Feld(block, f))); };
    try {
        const int nummer = zahl(kStationsnummer);
        QString batt = QString::fromLatin1(Feld(block, kBatteriespannung));
        batt.replace(QLatin1Char('.'), QLatin1Char(','));
        const double spannung = StrToFloat(batt);
        const int mittel = zahl(kMittelwertintervall), mess = zahl(kMessintervall), sleep = zahl(kSleepmodus),
                  ausgelesen = zahl(kAusgelesen), reserve = zahl(kReserve), frei = zahl(kFreieTage),
                  speicher = zahl(kSpeichergroesse), saetze = zahl(kDatensaetze);
        s.Stationsnummer = std::int16_t(nummer);
        for (int i = 0; i < kStationsname.laenge; ++i) s.Stationsname[i] = std::uint8_t(block[kStationsname.von + i]);
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
    using namespace abbild;
    QByteArray bild;
    TBefehl b;
    b.befehl.nutzdaten = "GETPAR";
    b.befehl.art = TAustauschArt::Bloecke;
    b.befehl.meldung = QStringLiteral("Sende Befehl GETPAR...");
    b.gaugeMax = 3094;
    b.belegtAblehnen = true;
    TBlockEmpfang d;
    d.hoechstens = 3;
    d.hangJeBlock = false;  // the 60 s cover the whole download
    d.nimm = [&bild](const QByteArray& block) {
        bild += block;
        return true;
    };
    d.zeilen.keine = kPruefsummenfehler;
    b.download = d;
    bool result = false;
    austausch_->Fuehre(b, [&](TBefehlsErgebnis& e) {
        if (e.bloecke == 0) return;
        bool ok = true;
        station.Kanalanzahl = 0;
        int kanalanzahl = 0;
        for (int k = 0; k < kSlots && ok; ++k) {
            if (bild.size() < kSlotLaenge * (k + 1)) {
                ok = false;
                break;
            }
            const QByteArray slot = bild.mid(kSlotLaenge * k, kSlotLaenge);
            const std::uint8_t code = std::uint8_t(slot[kSlotSensorcode]);
            const std::uint8_t pos = std::uint8_t(slot[kSlotPosition]);
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
            for (int i = 0; i < kSlotLaenge; ++i) roh[1 + i] = std::uint8_t(slot[i]);
            TKanalEintrag eintrag = TKanalEintrag::decode(roh);
            eintrag.Kanalnummer = std::uint8_t(k);
            eintrag.Position = pos;
            kanaele[pos - 1] = eintrag;
            ++kanalanzahl;
        }
        if (kanalanzahl > kMaxKanaele) {
            StatusLine(QStringLiteral("Kanalanzahl %1 auf 64 gekürzt.").arg(kanalanzahl));
            kanalanzahl = kMaxKanaele;
        }
        station.Kanalanzahl = std::int16_t(kanalanzahl);
        if (ok && bild.size() >= kBenutzt) {
            ok = DecodiereStation(bild.mid(kStationsblock, kStationsblockLaenge), station);
            if (ok) {
                for (int i = 0; i < kEingaenge; ++i) hardware[i] = std::uint8_t(bild[kHardware + i]);
                const QDateTime t = LiesZeitText(bild.mid(kUhr, kUhrLaenge));
                if (!t.isValid())
                    ok = false;
                else
                    uhr = t;
            }
            if (ok) typ = bild.mid(kTyp, kTypLaenge);
        } else {
            ok = false;
        }
        result = ok;
        if (!ok) {
            StatusLine(kNichtDekodiert);
            ProcessEvents();
        }
    });
    if (!result)
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("Die Stationsparameter (GETPAR) kamen nicht vollständig und gültig an."));
    return result;
}

bool TNUVARFenster::GetSta(TStationsParameter& station) {
    bool result = false;
    austausch_->Fuehre(Datenabfrage("GETSTA", 52), [&](TBefehlsErgebnis& e) {
        if (e.befehl != TRahmenAusgang::Bestaetigt) return;
        result = DecodiereStation(e.antwort, station);
        if (!result) StatusLine(kNichtDekodiert);
    });
    return result;
}

bool TNUVARFenster::GetTim(QDateTime& uhr, double& differenzTage) {
    bool result = false;
    TBefehl b = Datenabfrage("GETTIM", 22);
    // Received means decoded here: the line follows the conversion.
    b.befehl.zeilen.bestaetigt.clear();
    austausch_->Fuehre(b, [&](TBefehlsErgebnis& e) {
        if (e.befehl != TRahmenAusgang::Bestaetigt) return;
        const QDateTime t = LiesZeitText(e.antwort.left(12));
        if (!t.isValid()) {
            StatusLine(kNichtDekodiert);
            return;
        }
        uhr = t;
        differenzTage = double(Jetzt().msecsTo(t)) / 86400000.0;
        result = true;
        StatusLine(QStringLiteral("Antwort empfangen..."));
        ProcessEvents();
    });
    if (!result) Ausgang.Melde(TFehlerart::Unvollstaendig, QStringLiteral("Die Loggerzeit (GETTIM) kam nicht gültig an."));
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

} // namespace nuvar
