#include "kom/protocol/Treiber.h"

#include "common/Benutzeraktion.h"
#include "common/Fehler.h"

#include <exception>

namespace nuvar {

std::unique_ptr<TNUVARFenster>& TransferWindow() {
    static std::unique_ptr<TNUVARFenster> w;
    return w;
}

void SchliesseTransferWindow() {
    if (!TransferWindow()) return;
    TransferWindow()->Disconnect();
    TNUVARFenster::Freigeben(std::move(TransferWindow()));
}

// ===========================================================================
// One use of the window

TVerbindungsnutzung::TVerbindungsnutzung() : TVerbindungsnutzung(TAnzeige{}) {}

TVerbindungsnutzung::TVerbindungsnutzung(const TAnzeige& anzeige) : eigenes_(!TransferWindow()) {
    if (eigenes_) TransferWindow() = std::make_unique<TNUVARFenster>(Umgebung());
    w_ = TransferWindow().get();
    benutzung_.emplace(*w_);
    try {
        if (!anzeige.titel.isEmpty()) w_->SetTitle(anzeige.titel);
        if (!anzeige.statuszeile.isEmpty()) w_->StatusLine(anzeige.statuszeile);
        if (anzeige.zeigen) {
            w_->Show();
            w_->Pump().processEvents();
        }
    } catch (...) {
        // No destructor runs for a use that never began: give back here.
        benutzung_.reset();
        if (eigenes_ && TransferWindow().get() == w_) TNUVARFenster::Freigeben(std::move(TransferWindow()));
        throw;
    }
}

TVerbindungsnutzung::~TVerbindungsnutzung() {
    if (angehalten_ && TransferWindow().get() == w_ && !verwerfen_) {
        // The operation broke off before it restarted the stream.
        try {
            MomentanFortsetzen(w_->Austausch().MomentanKanaele());
        } catch (...) {
        }
    }
    benutzung_.reset();
    const bool nochDa = TransferWindow().get() == w_;
    // Released meanwhile (the main window closed the link): it goes by itself.
    if (!nochDa) return;
    if (verwerfen_) {
        TNUVARFenster::Freigeben(std::move(TransferWindow()));
    } else if (eigenes_ && !behalten_) {
        try {
            w_->Disconnect();
        } catch (...) {
        }
        TNUVARFenster::Freigeben(std::move(TransferWindow()));
    } else {
        w_->Hide();
    }
}

void TVerbindungsnutzung::MomentanAnhalten() {
    if (w_->ExchangeState() != TEmpfangsZustand::Momentan) return;
    w_->StopMo();
    angehalten_ = true;
    Pause(500);
}

void TVerbindungsnutzung::MomentanFortsetzen(int kanaele) {
    if (!angehalten_) return;
    angehalten_ = false;
    w_->ReadMo(kanaele);
    Pause(500);
}

// ===========================================================================
// The drivers

namespace {

// The boundary of every driver. An exception inside one (a settings file
// that cannot be written when Connect asks for a modem, a full disk) would
// leave the window up with its port open and reach the event loop, which
// ends the program. Instead the operation ends as a failed one: its German
// message goes to the status lines (while the window is still there) and
// then to the person, and the scoped use leaves the window as after any
// failure (hidden when it was there before, else disconnected and released),
// so the next operation starts clean.
void ZeigeAbbruch(std::exception_ptr fehler) {
    TMeldungen& m = Umgebung().meldungen ? *Umgebung().meldungen : Meldungen();
    try {
        m.Fehler(FehlerText(fehler));
    } catch (...) {
    }
}

// The common frame: connect, stop a running instantaneous stream, run the
// commands, pause, restart the stream, then keep or close the link. Every
// operation stops the stream first: a logger that streams answers a command
// between its value lines, which the reception would take for them.
// kanaele gives the channel count of the restart (the freshly read one);
// without it the stream restarts with the count it ran with.
bool Ablauf(const QString& titel, const TVerbParam& p, const std::function<bool(TVerbindungsnutzung&)>& befehle,
            const std::function<int()>& kanaele = {}) {
    return MitTreibergrenze({titel, QString(), true}, [&](TVerbindungsnutzung& n) {
        bool result = n.Verbinde(p);
        if (result) {
            n.MomentanAnhalten();
            result = befehle(n);
        }
        n.Pause(500);
        n.MomentanFortsetzen(kanaele ? kanaele() : n.F().Austausch().MomentanKanaele());
        return result;
    });
}

} // namespace

bool MitTreibergrenze(const TVerbindungsnutzung::TAnzeige& anzeige,
                      const std::function<bool(TVerbindungsnutzung&)>& lauf) {
    std::exception_ptr fehler;
    bool result = false;
    try {
        TVerbindungsnutzung n(anzeige);
        try {
            result = lauf(n);
        } catch (...) {
            fehler = std::current_exception();
            const QString text = FehlerText(fehler);
            // The cause of the failure, for the cause line and the exit
            // status: a file that could not be written or read, else the
            // link that failed.
            TFehlerart art = TFehlerart::Verbindung;
            try {
                std::rethrow_exception(fehler);
            } catch (const EInOutError&) {
                art = TFehlerart::Datei;
            } catch (...) {
            }
            n.F().Ausgang.Melde(art, text);
            try {
                n.F().StatusLine(text);
            } catch (...) {
            }
        }
    } catch (...) {
        // Making the window failed, or giving it back did.
        if (!fehler) fehler = std::current_exception();
    }
    if (!fehler) return result;
    ZeigeAbbruch(fehler);
    return false;
}

void ConfigureProgram(bool zeigeRohdatenPfad) {
    // Its own window (not the shared one) goes with the unwinding; the
    // settings that could not be written are reported here.
    try {
        TNUVARFenster w(Umgebung(), true);
        QString name =
            w.Optionen().Ini().ReadString(QStringLiteral("NUVARKom"), QStringLiteral("TAPIModem"), QString());
        w.EditSettings(zeigeRohdatenPfad, name);
    } catch (...) {
        const std::exception_ptr fehler = std::current_exception();
        if (TNUVARFenster* w = TransferWindow().get()) {
            try {
                w->StatusLine(FehlerText(fehler));
                w->Hide();
            } catch (...) {
            }
        }
        ZeigeAbbruch(fehler);
    }
}

bool OpenLink(const TVerbParam& p) {
    return MitTreibergrenze({QStringLiteral("Verbindung aufbauen..."), QString(), true}, [&](TVerbindungsnutzung& n) {
        if (n.Verbinde(p)) {
            n.Behalten();
            return true;
        }
        n.Verwerfen();
        return false;
    });
}

bool ReadLoggerTime(const TVerbParam& p, QDateTime& uhr, double& differenzTage) {
    return Ablauf(QStringLiteral("Lese Systemzeit..."), p,
                  [&](TVerbindungsnutzung& n) { return n.F().GetTim(uhr, differenzTage); });
}

bool SetLoggerTime(bool pcUhr, const TVerbParam& p, const QDateTime& zeit, double versatzTage) {
    return Ablauf(QString(), p, [&](TVerbindungsnutzung& n) { return n.F().SetTim(pcUhr, zeit, versatzTage); });
}

bool ReadStationParameters(TStationsParameter& station, TKanalTabelle& kanaele, const TVerbParam& p,
                           QDateTime& uhr, THardwareTabelle& hardware) {
    return Ablauf(
        QStringLiteral("Lese Stationsparameter..."), p,
        [&](TVerbindungsnutzung& n) {
            QByteArray typ;
            return n.F().GetPar(station, kanaele, hardware, uhr, typ);
        },
        [&] { return int(station.Kanalanzahl); });
}

bool SendParameters(const TStationsParameter& station, const TKanalTabelle& kanaele, const TVerbParam& p,
                    const QDateTime& zeit, bool pcUhr) {
    return Ablauf(QString(), p, [&](TVerbindungsnutzung& n) {
        // All three run, whatever the earlier ones gave.
        const bool sta = n.F().SetSta(station);
        n.Pause(500);
        n.F().SetCct(station, kanaele);
        n.Pause(500);
        const bool tim = n.F().SetTim(pcUhr, zeit);
        return sta && tim;
    });
}

bool ReadMeasuredData(const QString& pfad, const TVerbParam& p) {
    TStationsParameter station;
    return Ablauf(
        QStringLiteral("Lese Messdaten..."), p,
        [&](TVerbindungsnutzung& n) {
            bool ok = n.F().CheckStation(p);
            n.Pause(500);
            if (ok && n.F().ReadData(pfad, station) != kLeseVollstaendig) ok = false;
            return ok;
        },
        [&] { return int(station.Kanalanzahl); });
}

bool StartInstantaneousMode(TStationsParameter& station, TKanalTabelle& kanaele, const TVerbParam& p) {
    return MitTreibergrenze({QStringLiteral("Momentanwertmodus..."), QString(), false}, [&](TVerbindungsnutzung& n) {
        TNUVARFenster& w = n.F();
        w.SetLinkParams(p);
        w.Show();
        w.Pump().processEvents();
        bool result = n.Verbinde(p);
        if (result) {
            if (!w.CheckStation(p)) result = false;
            n.Pause(500);
            if (result) {
                THardwareTabelle hardware{};
                QDateTime uhr;
                QByteArray typ;
                if (!w.GetPar(station, kanaele, hardware, uhr, typ)) result = false;
                n.Pause(500);
            }
            if (result && !w.ReadMo(station.Kanalanzahl)) result = false;
        }
        // The window and the link stay, with the logger streaming, in every
        // case but an exception.
        n.Behalten();
        return result;
    });
}

bool StopInstantaneousMode(const TVerbParam&) {
    // Only meaningful while an instantaneous mode runs on the shared window.
    if (!TransferWindow()) return true;
    TNUVARFenster& w = *TransferWindow();
    TNUVARFenster::TBenutzung benutzung(w);
    try {
        w.Show();
        w.StopMo();
        w.Pump().Delay(500);
        w.Hide();
    } catch (...) {
        const std::exception_ptr fehler = std::current_exception();
        try {
            w.StatusLine(FehlerText(fehler));
            w.Hide();
        } catch (...) {
        }
        ZeigeAbbruch(fehler);
    }
    return true;
}

bool ClearDataMemory(const TVerbParam& p) {
    return Ablauf(QString(), p, [&](TVerbindungsnutzung& n) { return n.F().McDel(); });
}

bool SendDigitalOutput(std::uint8_t kanal, std::uint8_t wert, const TVerbParam& p) {
    return Ablauf(QString(), p, [&](TVerbindungsnutzung& n) { return n.F().SetOut(kanal, wert); });
}

} // namespace nuvar
