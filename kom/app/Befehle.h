#pragma once
// The table of sequence commands: what one value of Befehl runs on the
// logger and which files it leaves behind. The caller (NUVARKom's start-up)
// ends the program afterwards; a caller learns the outcome only from the files.
#include "kom/app/Sequenz.h"

#include <QString>

namespace nuvar {

class THauptfensterModell;

// Shown for a command the table does not know (and for those this program
// version cannot run yet).
extern const char* const kNichtUnterstuetzt;
// The question after a complete data readout.
extern const char* const kSpeicherLoeschen;

// Runs the command through the operation drivers and report runs of the
// transfer window environment Umgebung(). sequenzdatei names the output
// files (par/dat/mwd, see AusgabeDateiname). "Momentanwerte" runs on the
// main window (haupt): it connects, takes the link over and starts the
// instantaneous mode. Returns false when the program must stay open
// afterwards ("Momentanwerte"), true otherwise, whatever the outcome.
bool FuehreSequenzbefehlAus(const QString& befehl, TSequenz& s, const QString& sequenzdatei,
                            THauptfensterModell* haupt = nullptr);

// The numbered copy of a data readout: rohdatenPfad/Daten<nnn>.<stat>, the
// first number from 000 on that is not taken, 999 when all are.
QString NummerierteDatendatei(const QString& rohdatenPfad, int stationsnummer);

} // namespace nuvar
