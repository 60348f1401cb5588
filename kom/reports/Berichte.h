#pragma once
// The report runs on the logger link: fetch the current values through the
// shared transfer window, then write the SYNOP message, the HTML page or both,
// and the completion marker. Each run opens and ends its own link unless a
// link was kept (by the main window or a running instantaneous mode).
#include "kom/protocol/NUVARWnd.h"
#include "kom/protocol/VerbParam.h"
#include "kom/reports/SynopDS.h"

#include <QByteArray>
#include <QString>

namespace nuvar {

// Connects, checks the station against p.StatNr and p.Mittelwertzeit, reads
// the station parameters and the channel table, and fetches the current
// values with the command of the logger type (GETMDX for VRX410/VRX420,
// GETGMD for VRX430, GETMED otherwise). With p.Dateiname set it also writes
// the mean-value table there. True when all of that succeeded; antwort then
// holds the reply line as received (it is left alone otherwise). A
// mean-value file that cannot be written gives a status line and false.
bool HoleAktuelleWerte(QString& antwort, TStationsParameter& station, TKanalTabelle& kanaele,
                       TVerbParam p, QByteArray& loggertyp);

// Where the runs report a failure of their own (a coordinate that is no
// number, a file that cannot be read or written). Empty: the message service's
// self-closing error box, which an unattended run logs.
//
// Every run returns true only when everything was written; the marker
// "dde.lck" (in the directory of the transfer window's environment, or the
// program directory) is written after a success only.

// Appends the SYNOP message to param.Datei. Coordinates are checked before
// the logger is called.
bool ErstelleSYNOP(const TSYNOPParam& param, const TVerbParam& p, const TBerichtMeldung& meldung = {});

// Fills the template param.Datei into the page beside it (extension .html).
bool ErstelleHTML(const TSYNOPParam& param, const TVerbParam& p, const TBerichtMeldung& meldung = {});

// Both from one retrieval: the message first, then the page, the marker once.
// A message that cannot be written does not keep the page from being made,
// but the run fails and writes no marker.
bool ErstelleSYNOPundHTML(const TSYNOPParam& synop, const TSYNOPParam& html, const TVerbParam& p,
                          const TBerichtMeldung& meldung = {});

} // namespace nuvar
