#include "kom/protocol/Treiber.h"

#include "common/Benutzeraktion.h"

#include <exception>

namespace nuvar {

std::unique_ptr<TNUVARFenster>& TransferWindow() {
    static std::unique_ptr<TNUVARFenster> w;
    return w;
}

namespace {

TNUVARFenster& HoleFenster(bool& vorhanden) {
    vorhanden = TransferWindow() != nullptr;
    if (!vorhanden) TransferWindow() = std::make_unique<TNUVARFenster>(Umgebung());
    return *TransferWindow();
}

// The boundary of every driver. An exception inside one (a settings file
// that cannot be written when Connect asks for a modem, a full disk) would
// leave the window up with its port open and reach the event loop, which
// ends the program. Instead the operation ends as a failed one: its German
// message goes to the status lines and the person, and the window goes as
// after any failure (hidden when it was there before, else released), so
// the next operation starts clean.
bool Abgebrochen(std::exception_ptr fehler, bool vorhanden) {
    const QString text = FehlerText(fehler);
    if (TNUVARFenster* w = TransferWindow().get()) {
        try {
            w->StatusLine(text);
            if (vorhanden) w->Hide();
            else w->Disconnect();
        } catch (...) {
            // Already on the way out: the window goes all the same.
        }
        if (!vorhanden) TransferWindow().reset();
    }
    TMeldungen& m = Umgebung().meldungen ? *Umgebung().meldungen : Meldungen();
    try {
        m.Fehler(text);
    } catch (...) {
    }
    return false;
}

// The common frame: get the window, connect, run the commands, then keep or
// close the link. nachher runs after the closing pause, before the window is
// hidden or released (the restart of an instantaneous stream).
bool Ablauf(const QString& titel, const TVerbParam& p, const std::function<bool(TNUVARFenster&)>& befehle,
            const std::function<void(TNUVARFenster&)>& nachher = {}) {
    bool result = true;
    bool vorhanden = TransferWindow() != nullptr;
    try {
        TNUVARFenster& w = HoleFenster(vorhanden);
        if (!titel.isEmpty()) w.SetTitle(titel);
        w.Show();
        w.Pump().processEvents();
        if (!w.Connect(p))
            result = false;
        else if (!befehle(w))
            result = false;
        w.Pump().Delay(500);
        if (nachher) nachher(w);
        if (vorhanden) {
            w.Hide();
        } else {
            w.Disconnect();
            TransferWindow().reset();
        }
    } catch (...) {
        return Abgebrochen(std::current_exception(), vorhanden);
    }
    return result;
}

// Stops a running instantaneous stream before another operation.
void MomentanAnhalten(TNUVARFenster& w) {
    if (w.ExchangeState != 6) return;
    w.StopMo();
    w.InstantaneousWasActive = true;
    w.Pump().Delay(500);
}

void MomentanFortsetzen(TNUVARFenster& w, int kanaele) {
    if (!w.InstantaneousWasActive) return;
    w.ReadMo(kanaele);
    w.InstantaneousWasActive = false;
    w.Pump().Delay(500);
}

} // namespace

void ConfigureProgram(bool zeigeRohdatenPfad) {
    // Its own window (not the shared one) goes with the unwinding; the
    // settings that could not be written are reported here.
    try {
        TNUVARFenster w(Umgebung(), true);
        QString name =
            w.Optionen().Ini().ReadString(QStringLiteral("NUVARKom"), QStringLiteral("TAPIModem"), QString());
        w.EditSettings(zeigeRohdatenPfad, name);
    } catch (...) {
        Abgebrochen(std::current_exception(), true);
    }
}

bool OpenLink(const TVerbParam& p) {
    bool vorhanden = TransferWindow() != nullptr;
    try {
        TNUVARFenster& w = HoleFenster(vorhanden);
        w.SetTitle(QStringLiteral("Verbindung aufbauen..."));
        w.Show();
        w.Pump().processEvents();
        if (w.Connect(p)) {
            w.Hide();
            return true;
        }
        // Releasing the window closes its port.
        TransferWindow().reset();
        return false;
    } catch (...) {
        return Abgebrochen(std::current_exception(), vorhanden);
    }
}

bool ReadLoggerTime(const TVerbParam& p, QDateTime& uhr, double& differenzTage) {
    return Ablauf(QStringLiteral("Lese Systemzeit..."), p,
                  [&](TNUVARFenster& w) { return w.GetTim(uhr, differenzTage); });
}

bool SetLoggerTime(bool pcUhr, const TVerbParam& p, const QDateTime& zeit, double versatzTage) {
    return Ablauf(QString(), p, [&](TNUVARFenster& w) { return w.SetTim(pcUhr, zeit, versatzTage); });
}

bool ReadStationParameters(TStationsParameter& station, TKanalTabelle& kanaele, const TVerbParam& p,
                           QDateTime& uhr, THardwareTabelle& hardware) {
    return Ablauf(
        QStringLiteral("Lese Stationsparameter..."), p,
        [&](TNUVARFenster& w) {
            MomentanAnhalten(w);
            QByteArray typ;
            return w.GetPar(station, kanaele, hardware, uhr, typ);
        },
        [&](TNUVARFenster& w) { MomentanFortsetzen(w, station.Kanalanzahl); });
}

bool SendParameters(const TStationsParameter& station, const TKanalTabelle& kanaele, const TVerbParam& p,
                    const QDateTime& zeit, bool pcUhr) {
    return Ablauf(QString(), p, [&](TNUVARFenster& w) {
        // All three run, whatever the earlier ones gave.
        const bool sta = w.SetSta(station);
        w.Pump().Delay(500);
        w.SetCct(station, kanaele);
        w.Pump().Delay(500);
        const bool tim = w.SetTim(pcUhr, zeit);
        return sta && tim;
    });
}

bool ReadMeasuredData(const QString& pfad, const TVerbParam& p) {
    TStationsParameter station;
    return Ablauf(
        QStringLiteral("Lese Messdaten..."), p,
        [&](TNUVARFenster& w) {
            MomentanAnhalten(w);
            bool ok = w.CheckStation(p);
            w.Pump().Delay(500);
            if (ok && w.ReadData(pfad, station) != kLeseVollstaendig) ok = false;
            return ok;
        },
        [&](TNUVARFenster& w) { MomentanFortsetzen(w, station.Kanalanzahl); });
}

namespace {
bool MomentanStarten(TStationsParameter& station, TKanalTabelle& kanaele, const TVerbParam& p, bool& vorhanden);
} // namespace

bool StartInstantaneousMode(TStationsParameter& station, TKanalTabelle& kanaele, const TVerbParam& p) {
    bool vorhanden = TransferWindow() != nullptr;
    try {
        return MomentanStarten(station, kanaele, p, vorhanden);
    } catch (...) {
        return Abgebrochen(std::current_exception(), vorhanden);
    }
}

namespace {
bool MomentanStarten(TStationsParameter& station, TKanalTabelle& kanaele, const TVerbParam& p, bool& vorhanden) {
    TNUVARFenster& w = HoleFenster(vorhanden);
    w.LinkParams = p;
    w.SetTitle(QStringLiteral("Momentanwertmodus..."));
    w.Show();
    w.Pump().processEvents();
    bool result = w.Connect(p);
    if (result) {
        if (!w.CheckStation(p)) result = false;
        w.Pump().Delay(500);
        if (result) {
            THardwareTabelle hardware{};
            QDateTime uhr;
            QByteArray typ;
            if (!w.GetPar(station, kanaele, hardware, uhr, typ)) result = false;
            w.Pump().Delay(500);
        }
        if (result && !w.ReadMo(station.Kanalanzahl)) result = false;
    }
    // The window and the link stay, with the logger streaming.
    w.Hide();
    return result;
}
} // namespace

bool StopInstantaneousMode(const TVerbParam&) {
    // Only meaningful while an instantaneous mode runs on the shared window.
    if (!TransferWindow()) return true;
    try {
        TNUVARFenster& w = *TransferWindow();
        w.Show();
        w.StopMo();
        w.Pump().Delay(500);
        w.Hide();
    } catch (...) {
        Abgebrochen(std::current_exception(), true);
    }
    return true;
}

bool ClearDataMemory(const TVerbParam& p) {
    return Ablauf(QString(), p, [&](TNUVARFenster& w) { return w.McDel(); });
}

bool SendDigitalOutput(std::uint8_t kanal, std::uint8_t wert, const TVerbParam& p) {
    return Ablauf(QString(), p, [&](TNUVARFenster& w) { return w.SetOut(kanal, wert); });
}

} // namespace nuvar
