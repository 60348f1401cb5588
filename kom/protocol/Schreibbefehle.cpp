// The commands that change the logger: its clock ("SETTIM"), its station
// parameters ("SETSTA"), its channel table ("SETCCT"), a digital output
// ("SETOUT"), its data memory ("MCDEL ") and its instantaneous stream
// ("STOPMO"). The first three and "SETOUT" send a parameter frame (or
// blocks) once the command frame is acknowledged.
#include "kom/protocol/NUVARWnd.h"

#include "kom/protocol/Parameterabbild.h"

#include <algorithm>
#include <cstdio>

namespace nuvar {

namespace {

// The command frame of a write command, acknowledged with an ACK line.
TBefehl Schreibbefehl(const char* wort, int gaugeMax, TAustauschArt art = TAustauschArt::Bestaetigung) {
    TBefehl b;
    b.befehl.nutzdaten = wort;
    b.befehl.art = art;
    b.befehl.meldung = QStringLiteral("Sende Befehl ") + QLatin1String(wort) + QStringLiteral("...");
    b.gaugeMax = gaugeMax;
    return b;
}

// A parameter frame, confirmed with the OK frame.
TRahmenSchritt Parameterrahmen(const QString& meldung, int hangSekunden) {
    TRahmenSchritt s;
    s.art = TAustauschArt::Bestaetigung;
    s.bestaetigung = TBestaetigung::OkRahmen;
    s.meldung = meldung;
    s.hangSekunden = hangSekunden;
    return s;
}

} // namespace

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
    QByteArray abbild(abbild::kGroesse, '\0');
    int anzahl = std::max<int>(0, s.Kanalanzahl);
    if (anzahl > kMaxKanaele) {
        StatusLine(QStringLiteral("Kanalanzahl %1 auf 64 gekürzt.").arg(anzahl));
        anzahl = kMaxKanaele;
    }
    for (int i = 0; i < anzahl; ++i) {
        const TKanalEintrag& e = kanaele[i];
        if (e.Kanalnummer >= abbild::kSlots) {
            // Its slot would lie past the 96 channel slots.
            StatusLine(QStringLiteral("Kanal %1: Eingang %2 gibt es nicht, nicht gesendet.")
                           .arg(i + 1)
                           .arg(e.Kanalnummer));
            continue;
        }
        const auto roh = e.encode();
        for (int j = 0; j < abbild::kSlotLaenge; ++j) abbild[abbild::kSlotLaenge * e.Kanalnummer + j] = char(roh[1 + j]);
    }
    return abbild;
}

QByteArray TNUVARFenster::ZeitText(const QDateTime& zeit) {
    return zeit.toString(QStringLiteral("yyMMddHHmmss")).toLatin1();
}

bool TNUVARFenster::SetTim(bool pcUhr, const QDateTime& zeit, double versatzTage) {
    TBefehl b = Schreibbefehl("SETTIM", 20);
    TRahmenSchritt z = Parameterrahmen(QString(), 60);
    // The PC time of the moment the frame is built.
    z.baue = [&] { return ZeitText(pcUhr ? Jetzt().addMSecs(qint64(versatzTage * 86400000.0)) : zeit); };
    z.meldungFuer = [](const QByteArray& text) {
        return QStringLiteral("Sende Zeit: ") + QString::fromLatin1(text) + QStringLiteral("...");
    };
    z.zeilen.abgelehnt = QStringLiteral("Fehler - Datenblock fehlerhaft übertragen.");
    b.zweiter = z;
    const TBefehlsErgebnis e = austausch_->Fuehre(b);
    // The result counts the command frame; the clock is set only when the
    // logger took the time.
    if (e.befehl != TRahmenAusgang::Bestaetigt)
        Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Der Logger hat SETTIM nicht angenommen."));
    else if (e.zweiter != TRahmenAusgang::Bestaetigt)
        Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Der Logger hat die Zeit (SETTIM) nicht bestätigt."));
    return e.befehl == TRahmenAusgang::Bestaetigt;
}

bool TNUVARFenster::SetSta(const TStationsParameter& station) {
    TBefehl b = Schreibbefehl("SETSTA", 20);
    TRahmenSchritt z = Parameterrahmen(QStringLiteral("Sende Stationsparameter..."), 60);
    z.nutzdaten = SetStaNutzdaten(station);
    b.zweiter = z;
    b.zweiterNurNachAck = false;  // the parameters go out whatever the command frame got
    const TBefehlsErgebnis e = austausch_->Fuehre(b);
    if (e.zweiter != TRahmenAusgang::Bestaetigt)
        Ausgang.Melde(TFehlerart::NichtBestaetigt,
                      QStringLiteral("Der Logger hat die Stationsparameter (SETSTA) nicht bestätigt."));
    return e.befehl == TRahmenAusgang::Bestaetigt || e.zweiter == TRahmenAusgang::Bestaetigt;
}

bool TNUVARFenster::SetCct(const TStationsParameter& station, const TKanalTabelle& kanaele) {
    TBefehl b = Schreibbefehl("SETCCT", 16, TAustauschArt::BlockUpload);
    b.hochladen = SetCctAbbild(station, kanaele);
    const TBefehlsErgebnis e = austausch_->Fuehre(b);
    if (e.fehlerBlock)
        Ausgang.Melde(TFehlerart::NichtBestaetigt,
                      QStringLiteral("Der Logger hat Block %1 der Kanaltabelle (SETCCT) nicht bestätigt.").arg(e.fehlerBlock));
    return e.befehl == TRahmenAusgang::Bestaetigt && e.bloecke * 1024 == b.hochladen.size();
}

bool TNUVARFenster::SetOut(std::uint8_t kanal, std::uint8_t wert) {
    TBefehl b = Schreibbefehl("SETOUT", 20);
    b.belegtAblehnen = true;
    TRahmenSchritt z = Parameterrahmen(QStringLiteral("Sende Ausgabe-Byte..."), 30);
    char p[16];
    std::snprintf(p, sizeof p, "%.3d%.3d", int(kanal), int(wert));
    z.nutzdaten = p;
    z.zeilen.abgelehnt = z.zeilen.keine;
    b.zweiter = z;
    const TBefehlsErgebnis e = austausch_->Fuehre(b);
    if (e.befehl != TRahmenAusgang::Bestaetigt && !e.abgewiesen)
        Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Der Logger hat SETOUT nicht angenommen."));
    else if (e.befehl == TRahmenAusgang::Bestaetigt && e.zweiter != TRahmenAusgang::Bestaetigt)
        Ausgang.Melde(TFehlerart::NichtBestaetigt,
                      QStringLiteral("Der Logger hat das Ausgabe-Byte (SETOUT) nicht bestätigt."));
    return e.zweiter == TRahmenAusgang::Bestaetigt;
}

bool TNUVARFenster::McDel() {
    TBefehl b;
    b.befehl.nutzdaten = "MCDEL ";  // the command word ends with a blank
    b.befehl.art = TAustauschArt::Daten;
    b.befehl.bestaetigung = TBestaetigung::Antwort;
    b.befehl.meldung = QStringLiteral("Sende Befehl MCDEL_...");
    b.befehl.hangSekunden = 60;
    b.befehl.zeilen.keine.clear();
    b.gaugeMax = 16;
    b.belegtAblehnen = true;
    bool result = false;
    QByteArray antwort;
    const bool abgewiesen = austausch_->Fuehre(b, [&](TBefehlsErgebnis& e) {
        antwort = e.antwort;
        if (e.befehl != TRahmenAusgang::Bestaetigt) return;
        // The engine has acknowledged the reply already.
        result = true;
        if (e.antwort == "OK    ")
            StatusLine(QStringLiteral("Memory Card gelöscht..."));
        else if (e.antwort == "ERR001")
            StatusLine(QStringLiteral("Memory Card fehlt!"));
        ProcessEvents();
    }).abgewiesen;
    // The result counts any reply; the memory is cleared only on "OK".
    if (!abgewiesen) {
        if (antwort == "ERR001")
            Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Memory Card fehlt!"));
        else if (antwort != "OK    ")
            Ausgang.Melde(TFehlerart::NichtBestaetigt, QStringLiteral("Der Logger hat das Löschen (MCDEL) nicht bestätigt."));
    }
    return result;
}

bool TNUVARFenster::StopMo() {
    // In state 0 other lines are ignored and stop the response timer, so
    // only the hang timer bounds the wait.
    const TBefehlsErgebnis e = austausch_->Fuehre(
        Quittungsbefehl("STOPMO", TAustauschArt::Quittung, QStringLiteral("Sende Befehl STOPMO..."), 60, true));
    return !e.abgewiesen && e.befehl == TRahmenAusgang::Bestaetigt;
}

} // namespace nuvar
