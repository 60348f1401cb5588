#pragma once
// The mean-value table file: a header line with one column title per value of
// the reply and a data line with the reply's time stamp and values, tab
// separated, each line ended by CR LF. Text is written as UTF-8.
#include "common/FunktionenTypen.h"
#include "kom/reports/SynopDS.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>

namespace nuvar {

// "Zeit", then per channel the titles of the logger type (name_Min [unit],
// name_Med [unit], name_Max [unit], with VRX430 also name_Mom [unit]; other
// types only name_Med [unit]), tab separated. Blanks of the name become "_",
// the unit keeps them; both come from the OEM code page.
QString MittelwertKopfzeile(std::span<const TKanalEintrag> kanaele, int n, const QByteArray& loggertyp);

// "dd.mm.yyyy hh:nn:ss", a tab, then the reply's values with decimal commas,
// tab separated. Empty when the time stamp is no valid date and time.
// maxWerte >= 0 keeps only that many values (for a logger counting more
// channels than the table holds, so the columns still line up).
std::optional<QString> MittelwertDatenzeile(const QString& antwort, int maxWerte = -1);

// Both lines, CR LF after each, as the file holds them. Empty as above.
std::optional<QByteArray> MittelwertTabelle(const QString& antwort, std::span<const TKanalEintrag> kanaele,
                                            int n, const QByteArray& loggertyp);

// Creates or replaces the file. On failure the reason goes to meldung and the
// result is false.
bool SchreibeMittelwertDatei(const QString& pfad, const QString& antwort,
                             std::span<const TKanalEintrag> kanaele, int n, const QByteArray& loggertyp,
                             const TBerichtMeldung& meldung);

} // namespace nuvar
