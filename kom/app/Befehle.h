#pragma once
// The table of sequence commands: what one value of Befehl runs on the
// logger and which files it leaves behind. The caller (NUVARKom's start-up)
// ends the program afterwards. By default a caller learns the outcome only
// from the files; the outcome returned here serves the cause line of a failed
// command and the opt-in exit status for schedulers.
#include "kom/app/Sequenz.h"
#include "kom/protocol/Ausgang.h"
#include "kom/protocol/Treiber.h"

#include <QString>

namespace nuvar {

class THauptfensterModell;

// One transfer window for a whole command: the drivers reuse it, so the
// follow-up of a readout (clearing the memory) runs on the same link, the
// command's own status lines land in the same window and protocol file, and
// the window's outcome (Ausgang) is this command's. Closes the link and
// releases the window at the end unless it existed before (a kept link stays
// kept).
class TSequenzFenster {
public:
    TSequenzFenster();

    TNUVARFenster& F();
    void Statuszeile(const QString& text);
    // A failure of the command itself: a status line, and the cause unless
    // the logger exchange already gave one.
    void Fehler(TFehlerart art, const QString& text);

private:
    TVerbindungsnutzung nutzung_;
};

// Shown for a command the table does not know (and for those this program
// version cannot run yet).
extern const char* const kNichtUnterstuetzt;
// The question after a complete data readout.
extern const char* const kSpeicherLoeschen;

// Exit codes of a sequence run when NUVARWin.ini says [NUVARKom] Exitcode=1
// (0 in every case otherwise). 78, an unusable program directory, is
// kExitProgrammVerzeichnis and independent of the setting.
enum TExitcode : int {
    kExitErfolg = 0,
    kExitNichtUnterstuetzt = 64,  // a command this version does not carry out
    kExitStation = 65,            // the station check failed
    kExitSequenzdatei = 66,       // sequence file missing, unreadable, not INI, no command
    kExitVerbindung = 69,         // no link
    kExitIntern = 70,             // an unexpected error ended the command
    kExitDatei = 74,              // a file could not be read or written
    kExitUnvollstaendig = 75,     // a read brought less than asked for
    kExitNichtBestaetigt = 76,    // the logger did not confirm a write
};
int ExitcodeFuer(TFehlerart art);

// What a sequence command achieved.
struct TSequenzErgebnis {
    // False when the program must stay open afterwards ("Momentanwerte").
    bool Beenden = true;
    int Exitcode = kExitErfolg;
    // The cause of a failure in German, one line; empty on success.
    QString Grund;
    bool Fehlgeschlagen() const { return Exitcode != kExitErfolg; }
};

// Runs the command through the operation drivers and report runs of the
// transfer window environment Umgebung(). sequenzdatei names the output
// files (par/dat/mwd, see AusgabeDateiname). "Momentanwerte" runs on the
// main window (haupt): it connects, takes the link over and starts the
// instantaneous mode.
TSequenzErgebnis FuehreSequenzbefehlAus(const QString& befehl, TSequenz& s, const QString& sequenzdatei,
                                        THauptfensterModell* haupt = nullptr);

// The numbered copy of a data readout: rohdatenPfad/Daten<nnn>.<stat>, the
// first number from 000 on that is not taken; empty when 000 to 999 all are
// (an earlier download is never overwritten).
QString NummerierteDatendatei(const QString& rohdatenPfad, int stationsnummer);

} // namespace nuvar
