#pragma once
// The logic of NUVARKom's main window without a widget: the connection state
// (disconnected, connected, instantaneous mode started on an open link or by
// the command itself), the commands of the menu and toolbar, the programme
// selection, the disconnect procedure and the name of a numbered data file.
// The window only shows what this class holds and lends it its dialogs and
// child windows through the hooks of TSicht.
#include "common/FunktionenTypen.h"
#include "kom/protocol/NUVARWnd.h"
#include "kom/protocol/VerbParam.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

namespace nuvar {

class TMeldungen;

// Asked when a command meets a running operation: the link is in use.
extern const char* const kVorgangLaeuft;
extern const char* const kSpeicherLoeschenFrage;   // "Der Datenspeicher ... fortsetzen?"
extern const char* const kMomentanBeendenFrage;    // "Momentanwertmodus beenden?"

// The recording settings an instantaneous-values window gets, in the order
// of the window's options record.
struct TMomentanAufzeichnung {
    bool Aufzeichnen = false;
    QString Dateiname;    // full path of the recording file
    QString Verzeichnis;  // as set (the window does not use it)
    qint32 Zeitraum = 1;  // minutes
};

// What the set-time dialog returns when it was confirmed.
struct TZeitStellung {
    bool PCModus = true;
    double Versatz = 0.0;  // days, PC mode
    QDateTime Vorgabe;     // preset mode
};

class THauptfensterModell {
public:
    // programmVerzeichnis holds sessions.ini and NUVARWin.ini.
    explicit THauptfensterModell(const QString& programmVerzeichnis);
    ~THauptfensterModell();
    THauptfensterModell(const THauptfensterModell&) = delete;
    THauptfensterModell& operator=(const THauptfensterModell&) = delete;

    // What the window lends the model. An empty hook does nothing (a dialog
    // hook then counts as cancelled).
    struct TSicht {
        // The state below changed: redraw panels and enabling.
        std::function<void()> Aktualisiert;
        // The programme selection dialog: in, the key to preselect; out, the
        // chosen one. False when cancelled.
        std::function<bool(QString& kennung)> Programmauswahl;
        // A new station parameter window.
        std::function<void(const QString& bezeichnung, const TStationsParameter&, const TKanalTabelle&)>
            Stationsparameter;
        // The set-time dialog with the deviation (days, logger minus PC);
        // true when confirmed.
        std::function<bool(double abweichung, TZeitStellung& ergebnis)> ZeitStellen;
        // Captions of the open instantaneous-values windows, in child order.
        std::function<QStringList()> Kindfenster;
        // A new instantaneous-values window.
        std::function<void(const QString& titel, const TMomentanAufzeichnung&, const TStationsParameter&,
                           const TKanalTabelle&)>
            Momentanfenster;
        std::function<void()> Minimieren;
        std::function<void()> Info;
        // A remote-control macro is running (its waits pump events, so a
        // command of the person could start inside it).
        std::function<bool()> MakroLaeuft;
    } Sicht;

    // ---- state ----
    bool ErsterPaintErledigt = false;
    bool Verbunden = false;
    bool MomentanAufOffenerVerbindung = false;
    bool MomentanAktiv = false;
    TVerbParam Param;
    // Status panels 1 (mode) and 2 (connection).
    QString Panel1;
    QString Panel2;
    // "Aufbauen" (menu and button), "Trennen" (menu, button), the pressed
    // instantaneous button.
    bool AufbauenAktiv = true;
    bool TrennenMenuAktiv = true;
    bool TrennenKnopfAktiv = false;
    bool MomentanGedrueckt = false;

    const QString& ProgrammVerzeichnis() const { return verzeichnis_; }
    QString SessionsIni() const;

    // ---- commands (menu items and toolbar buttons) ----
    void Aufbauen();
    void Trennen();
    void DatenspeicherLoeschen();
    void StationsparameterAnzeigen();
    void MomentanwerteUmschalten();
    void SystemzeitStellen();
    void DatenLesen();
    void Programmeinstellungen();
    void InfoZeigen();

    // The close query: disconnects, then allows closing. While an operation
    // runs, closing is refused (the operation's window and link are in use).
    bool Schliessen();
    // The instantaneous-values window was closed by the person.
    void MomentanfensterGeschlossen();
    // The window was painted; the first time with the instantaneous mode
    // active (started by a sequence), the application is minimised.
    void Gezeichnet();
    // The sequence command "Momentanwerte": connect with the sequence's
    // parameters, take them over, then the instantaneous-values command.
    void MomentanwerteAusSequenz(const TVerbParam& p);

    // ---- shared procedures ----
    bool WaehleMessprogramm();
    void TrenneVerbindung();
    // The end of the program without a person to ask (a signal to end):
    // a running instantaneous mode is stopped on the logger, the link is
    // closed. Nothing happens without a link.
    void Beenden();
    // The first free raw data directory/Daten<nnn>.<stat>; the directory
    // (RohdatenPfad of the settings) is created when missing.
    QString NaechsterDatenDateiname() const;
    // The recording settings of a new instantaneous-values window for the
    // programme key: an empty directory puts the file in the program directory.
    TMomentanAufzeichnung MomentanAufzeichnung(const QString& kennung) const;

    // An operation of the person uses the link (remote-control macros wait).
    bool Beschaeftigt() const { return laufend_ > 0; }

private:
    class TOperation;
    bool Belegt();  // true (with a notice) when the link is in use
    bool Verbinde();
    void Momentanwerte();
    void Trenne(bool fragen);
    void VerbundenSetzen();
    void MomentanBeendet();
    void Warte(int ms);
    void Melde();
    TMeldungen& Dienst() const;

    QString verzeichnis_;
    int laufend_ = 0;
    bool geschlossenAusstehend_ = false;
    // Timers the model posts hold only a weak reference to this.
    std::shared_ptr<bool> lebt_;
};

} // namespace nuvar
