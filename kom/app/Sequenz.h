#pragma once
// The auto-sequence file (.seq): the one logger operation a scheduler or the
// configurator asks NUVARKom to run without a person at the screen.
#include "kom/protocol/VerbParam.h"
#include "kom/reports/SynopDS.h"

#include <QString>
#include <cstdint>

namespace nuvar {

struct TSequenz {
    // Verbindung, Baudrate, Schnittstelle, Rufnummer, Kennung, StatNr,
    // StatName, Mittelwertzeit and HaltBeiFehler come from the file;
    // Dateiname is set by the command that needs it.
    TVerbParam Param;
    TSYNOPParam Synop;
    TSYNOPParam Html;
    QString RohdatenPfad;
    std::uint8_t DigiKanal = 0;
    std::uint8_t DigiByte = 0;
    QString Befehl;
};

// Reads a sequence file. A file that does not exist leaves every value in its
// initial state (zero, empty, HaltBeiFehler false, baud-rate index 0): the
// defaults of the keys apply only to a file that is there. RohdatenPfad
// defaults to programmVerzeichnis followed by "Daten".
TSequenz LiesSequenz(const QString& datei, const QString& programmVerzeichnis);

} // namespace nuvar
