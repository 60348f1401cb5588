#include "kom/app/HauptfensterModell.h"

#include "common/Fehler.h"
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "common/MessProg.h"
#include "kom/app/Befehle.h"
#include "kom/protocol/Optionen.h"
#include "kom/protocol/Treiber.h"

#include <QDir>
#include <memory>

namespace nuvar {

const char* const kVorgangLaeuft =
    "Ein Vorgang mit dem Datenlogger läuft noch.\nBitte warten Sie, bis er beendet ist.";
const char* const kSpeicherLoeschenFrage =
    "Der Datenspeicher des Datenloggers wird unwiederbringlich gelöscht!\nWollen Sie den Vorgang fortsetzen?";
const char* const kMomentanBeendenFrage = "Momentanwertmodus beenden?";

namespace {

QString Q(const char* s) { return QString::fromUtf8(s); }

EventPump& Pumpe() { return Umgebung().pump ? *Umgebung().pump : *StandardUmgebung().pump; }

} // namespace

// One operation of the person, from the command to its end: while one runs,
// macros wait and no second command starts inside its waits.
class THauptfensterModell::TOperation {
public:
    explicit TOperation(THauptfensterModell& m) : m_(m) { ++m_.laufend_; }
    ~TOperation() { --m_.laufend_; }
    TOperation(const TOperation&) = delete;
    TOperation& operator=(const TOperation&) = delete;

private:
    THauptfensterModell& m_;
};

THauptfensterModell::THauptfensterModell(const QString& programmVerzeichnis)
    : verzeichnis_(programmVerzeichnis), lebt_(std::make_shared<bool>(true)) {}

THauptfensterModell::~THauptfensterModell() = default;

QString THauptfensterModell::SessionsIni() const { return QDir(verzeichnis_).filePath(QStringLiteral("sessions.ini")); }

TMeldungen& THauptfensterModell::Dienst() const {
    return Umgebung().meldungen ? *Umgebung().meldungen : Meldungen();
}

void THauptfensterModell::Melde() {
    if (Sicht.Aktualisiert) Sicht.Aktualisiert();
}

void THauptfensterModell::Warte(int ms) { Pumpe().Delay(ms); }

bool THauptfensterModell::Belegt() {
    if (laufend_ == 0 && !(Sicht.MakroLaeuft && Sicht.MakroLaeuft())) return false;
    Dienst().Information(Q(kVorgangLaeuft));
    return true;
}

// ---- shared procedures ----

bool THauptfensterModell::WaehleMessprogramm() {
    TIniFile ini(SessionsIni());
    QString kennung = ini.ReadString(QStringLiteral("Allgemein"), QStringLiteral("Aktiv"), QString());
    if (!Sicht.Programmauswahl || !Sicht.Programmauswahl(kennung)) return false;
    try {
        ini.WriteString(QStringLiteral("Allgemein"), QStringLiteral("Aktiv"), kennung);
    } catch (const EFehler& e) {
        // Only the next preselection suffers; the choice itself stands.
        Dienst().Fehler(e.Meldung());
    }
    // Read by the chosen key, not through Aktiv: a sessions.ini that cannot
    // be written must not make us read the programme chosen last time.
    TMessProg mp;
    mp.Kennung = kennung;
    try {
        LiesMessprogramm(mp, ini);
    } catch (const EFehler& e) {
        Dienst().Fehler(e.Meldung());
        return false;
    }
    Param.Verbindung = mp.Verbindung;
    Param.Baudrate = mp.Baudrate;
    Param.Schnittstelle = mp.Schnittstelle;
    Param.Rufnummer = mp.Rufnummer;
    Param.Bezeichnung = mp.Bezeichnung;
    Param.StatNr = mp.StatNr;
    Param.StatName = mp.StatName.left(16);
    Param.Mittelwertzeit = mp.Mittelwertzeit;
    Param.Kennung = kennung;
    Param.HaltBeiFehler = false;
    return true;
}

bool THauptfensterModell::Verbinde() { return OpenLink(Param); }

void THauptfensterModell::VerbundenSetzen() {
    Verbunden = true;
    Panel2 = QStringLiteral(" Verbunden mit ") + Param.StatName;
    AufbauenAktiv = false;
    TrennenMenuAktiv = true;
    TrennenKnopfAktiv = true;
    Melde();
}

void THauptfensterModell::MomentanBeendet() {
    MomentanAktiv = false;
    MomentanGedrueckt = false;
    Panel1.clear();
    Melde();
    Warte(500);
}

void THauptfensterModell::TrenneVerbindung() { Trenne(true); }

void THauptfensterModell::Beenden() {
    TOperation op(*this);
    Trenne(false);
}

void THauptfensterModell::Trenne(bool fragen) {
    if (!TransferWindow()) return;
    TransferWindow()->Show();
    if (MomentanAktiv) {
        // The answer only decides whether the logger is told to stop first.
        if (!fragen || Dienst().Frage(Q(kMomentanBeendenFrage))) StopInstantaneousMode(Param);
        MomentanBeendet();
    }
    if (TransferWindow()) {
        TransferWindow()->Disconnect();
        Warte(500);
        // Not destroyed under a handler of its own that is still running.
        TNUVARFenster::Freigeben(std::move(TransferWindow()));
    }
    Panel2.clear();
    AufbauenAktiv = true;
    TrennenMenuAktiv = false;
    TrennenKnopfAktiv = false;
    Verbunden = false;
    Melde();
}

QString THauptfensterModell::NaechsterDatenDateiname() const {
    const QString pfad = TOptionen(verzeichnis_).Lies().RohdatenPfad;
    QDir().mkpath(pfad);
    return NummerierteDatendatei(pfad, Param.StatNr);
}

TMomentanAufzeichnung THauptfensterModell::MomentanAufzeichnung(const QString& kennung) const {
    const TEinstellungen e = TOptionen(verzeichnis_).Lies();
    TMomentanAufzeichnung a;
    a.Aufzeichnen = e.MomentanwerteAufzeichnen;
    a.Verzeichnis = e.Momentanwertverzeichnis;
    a.Zeitraum = e.MomentanwertZeitraum;
    const QString dir = e.Momentanwertverzeichnis.isEmpty() ? verzeichnis_ : e.Momentanwertverzeichnis;
    a.Dateiname = QDir(dir).filePath(QStringLiteral("mom") + kennung + QStringLiteral(".log"));
    return a;
}

// ---- commands ----

void THauptfensterModell::Aufbauen() {
    if (Belegt() || Verbunden) return;
    TOperation op(*this);
    if (WaehleMessprogramm() && Verbinde()) VerbundenSetzen();
    Melde();
}

void THauptfensterModell::Trennen() {
    if (Belegt()) return;
    TOperation op(*this);
    TrenneVerbindung();
}

void THauptfensterModell::DatenspeicherLoeschen() {
    if (Belegt()) return;
    TOperation op(*this);
    if (!Dienst().Frage(Q(kSpeicherLoeschenFrage))) return;
    if (Verbunden) {
        ClearDataMemory(Param);
        return;
    }
    if (!WaehleMessprogramm() || !Verbinde()) return;
    VerbundenSetzen();
    ClearDataMemory(Param);
    TrenneVerbindung();
}

void THauptfensterModell::StationsparameterAnzeigen() {
    if (Belegt()) return;
    TOperation op(*this);
    TStationsParameter station;
    TKanalTabelle kanaele{};
    THardwareTabelle hardware{};
    QDateTime uhr;
    bool gelesen = false;
    if (Verbunden) {
        gelesen = ReadStationParameters(station, kanaele, Param, uhr, hardware);
    } else {
        if (!WaehleMessprogramm() || !Verbinde()) return;
        VerbundenSetzen();
        gelesen = ReadStationParameters(station, kanaele, Param, uhr, hardware);
        TrenneVerbindung();
    }
    if (gelesen && Sicht.Stationsparameter) Sicht.Stationsparameter(Param.Bezeichnung, station, kanaele);
}

void THauptfensterModell::MomentanwerteUmschalten() {
    if (Belegt()) {
        Melde();  // the button pressed by the click shows the state again
        return;
    }
    TOperation op(*this);
    Momentanwerte();
}

void THauptfensterModell::Momentanwerte() {
    if (Verbunden && MomentanAktiv) {
        MomentanAktiv = false;
        StopInstantaneousMode(Param);
        MomentanBeendet();
        if (!MomentanAufOffenerVerbindung) TrenneVerbindung();
        return;
    }
    TStationsParameter station;
    TKanalTabelle kanaele{};
    bool gestartet = false;
    if (Verbunden) {
        gestartet = StartInstantaneousMode(station, kanaele, Param);
        MomentanAufOffenerVerbindung = true;
    } else {
        MomentanAufOffenerVerbindung = false;
        if (!WaehleMessprogramm() || !Verbinde()) {
            Melde();
            return;
        }
        VerbundenSetzen();
        gestartet = StartInstantaneousMode(station, kanaele, Param);
        if (!gestartet) TrenneVerbindung();
    }
    if (!gestartet) {
        MomentanAktiv = false;
        Melde();
        return;
    }
    MomentanAktiv = true;
    MomentanGedrueckt = true;
    Panel1 = QStringLiteral("Momentanwertmodus");
    Melde();
    // An empty station name is contained in no caption.
    bool vorhanden = false;
    if (!Param.StatName.isEmpty() && Sicht.Kindfenster)
        for (const QString& titel : Sicht.Kindfenster()) vorhanden = vorhanden || titel.contains(Param.StatName);
    if (!vorhanden && Sicht.Momentanfenster)
        Sicht.Momentanfenster(QStringLiteral("Momentanwerte von ") + Param.StatName, MomentanAufzeichnung(Param.Kennung),
                              station, kanaele);
}

void THauptfensterModell::SystemzeitStellen() {
    if (Belegt()) return;
    TOperation op(*this);
    if (!Verbunden && !WaehleMessprogramm()) return;
    QDateTime uhr;
    double abweichung = 0.0;
    if (!ReadLoggerTime(Param, uhr, abweichung)) return;
    TZeitStellung z;
    if (!Sicht.ZeitStellen || !Sicht.ZeitStellen(abweichung, z)) return;
    if (z.PCModus)
        SetLoggerTime(true, Param, QDateTime(), z.Versatz);
    else
        SetLoggerTime(false, Param, z.Vorgabe);
}

void THauptfensterModell::DatenLesen() {
    if (!Verbunden || Belegt()) return;
    TOperation op(*this);
    ReadMeasuredData(NaechsterDatenDateiname(), Param);
}

void THauptfensterModell::Programmeinstellungen() { ConfigureProgram(false); }

void THauptfensterModell::InfoZeigen() {
    if (Sicht.Info) Sicht.Info();
}

bool THauptfensterModell::Schliessen() {
    if (Belegt()) return false;
    TOperation op(*this);
    TrenneVerbindung();
    return true;
}

void THauptfensterModell::MomentanfensterGeschlossen() {
    if (laufend_ > 0 || (Sicht.MakroLaeuft && Sicht.MakroLaeuft())) {
        // The link is in use: end the mode once it is free again.
        if (!geschlossenAusstehend_) {
            geschlossenAusstehend_ = true;
            const std::weak_ptr<bool> lebt = lebt_;
            Pumpe().startTimer(200, [lebt, this] {
                if (lebt.expired()) return;
                geschlossenAusstehend_ = false;
                MomentanfensterGeschlossen();
            });
        }
        return;
    }
    if (!MomentanAktiv) return;
    TOperation op(*this);
    Momentanwerte();
}

void THauptfensterModell::Gezeichnet() {
    if (ErsterPaintErledigt) return;
    ErsterPaintErledigt = true;
    if (MomentanAktiv && Sicht.Minimieren) Sicht.Minimieren();
}

void THauptfensterModell::MomentanwerteAusSequenz(const TVerbParam& p) {
    TOperation op(*this);
    if (OpenLink(p)) {
        Param = p;
        VerbundenSetzen();
    }
    Momentanwerte();
}

} // namespace nuvar
