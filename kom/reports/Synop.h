#pragma once
// The SYNOP message: one line of groups in the layout of FM 12 SYNOP with a
// header of our own, appended to a text file, and the completion marker
// "dde.lck" that every successful report run leaves.
#include "kom/reports/SynopDS.h"

#include <QIODevice>
#include <QString>

#include <optional>

namespace nuvar {

inline constexpr const char* kFertigMarke = "dde.lck";

// A coordinate text: the number with decimal comma before the first blank (the
// hemisphere word after it is ignored; a text without a blank is the number
// alone). Empty when that part is no number.
std::optional<double> LiesKoordinate(const QString& text);

// Reads both coordinates of the parameters. False, with the reason reported,
// when one of them is no number.
bool PruefeKoordinaten(const TSYNOPParam& param, double& breite, double& laenge, const TBerichtMeldung& meldung);

// Sets Kennung, Breite, Laenge and the time members of a data set whose values
// are filled already. False, with the reason reported, when a coordinate is no
// number or the reply's time stamp is not one; the message cannot be built.
bool BereiteSynopVor(TSynopDS& ds, const TSYNOPParam& param, const QString& antwort,
                     const TBerichtMeldung& meldung);

// The message: the groups in order, CR LF, then the empty line (CR LF).
// Raises ERangeError for a value too large to round.
QString SynopNachricht(const TSynopDS& ds);

// Writes the message to an open file (UTF-8). False when not all of it could
// be written.
bool SchreibeSYNOP(QIODevice& datei, const TSynopDS& ds);

// Appends the message to the file, creating it when it does not exist. On
// failure the file keeps its old contents, the reason is reported and the
// result is false.
bool HaengeSynopAn(const QString& datei, const TSynopDS& ds, const TBerichtMeldung& meldung);

// Creates "dde.lck" in verzeichnis, empty; an existing one is emptied. False,
// with the reason reported, when it cannot be written.
bool SchreibeFertigMarke(const QString& verzeichnis, const TBerichtMeldung& meldung);

} // namespace nuvar
