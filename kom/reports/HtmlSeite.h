#pragma once
// The HTML page: a copy of the user's template in which the markers
// "<!-- DATUM -->", "<!-- ZEIT -->" and "<!-- NAME -->" (NAME a channel's name)
// are replaced by the reply's date, time and the channel's value. The template
// is taken as bytes; nothing but the markers changes.
#include "common/FunktionenTypen.h"
#include "kom/reports/SynopDS.h"

#include <QByteArray>
#include <QString>

#include <span>

namespace nuvar {

// The page's path: the template's with its extension replaced by ".html", or
// ".html" appended when it has none (wetter.htm -> wetter.html).
QString SeitenName(const QString& vorlage);

// Fills the page. Markers are found without regard to case; per channel
// position one date and one time marker are replaced, and every marker of the
// channel's name (upper-cased, cut at its first blank). A channel stored
// exactly under one of the codes t2m, bod5, tbn, rf, QFN, ld, nied, wr, wg,
// akku, gs with a valid value puts "21,4 unit" there (the unit's OEM degree
// sign as "&deg;", cut at its first blank); other markers of a channel vanish.
QByteArray FuelleSeite(QByteArray vorlage, const TSynopDS& ds, const QString& antwort,
                       std::span<const TKanalEintrag> kanaele, int n);

// Reads the template whole, fills it and writes the page (temporary name,
// then renamed). False, with the reason reported, when the template cannot be
// read (no page is then made) or the page cannot be written.
bool ErzeugeSeite(const QString& vorlage, const TSynopDS& ds, const QString& antwort,
                  std::span<const TKanalEintrag> kanaele, int n, const TBerichtMeldung& meldung);

} // namespace nuvar
