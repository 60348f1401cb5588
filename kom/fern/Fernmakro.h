#pragma once
// The macros other programs send to a running NUVARKom: restore or minimise
// its windows, or make a weather report from an auto-sequence file while the
// program keeps running.
#include "kom/app/Sequenz.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace nuvar {

// What one macro asks for. Only its first line counts.
enum class TMakroArt {
    Nichts,
    Wiederherstellen,
    Minimieren,
    Sequenz,  // "auto": the report named by Befehl in the sequence file
};

struct TMakroAuftrag {
    TMakroArt Art = TMakroArt::Nichts;
    // For Sequenz: the file, what was read from it, and the mwd file that
    // Param.Dateiname names in every case.
    QString Sequenzdatei;
    TSequenz Werte;
};

// Decides a macro without running it. programmDatei is the program's own
// file path: "auto" without a comma reads that path with ".seq".
TMakroAuftrag ErmittleMakro(const QStringList& zeilen, const QString& programmDatei,
                            const QString& programmVerzeichnis);

// A sequence file read for a macro: as a command-line sequence, except that
// Messprogramm/Kennung and DigiAusg are not read and HTML/Datei defaults to
// "synop.txt". A file that is not there leaves everything empty.
TSequenz LiesMakroSequenz(const QString& datei, const QString& programmVerzeichnis);

// Which report a macro ran.
enum class TMakroBericht { Keiner, SYNOP, HTML, SYNOPundHTML };

// What came of a macro, for the remote-control client: carried out, not a
// macro this program knows (or a sequence file naming no report), a sequence
// file that is not there, or a report that failed.
enum class TMakroAusgang { Ok, Unbekannt, Datei, Fehler };

// The handler the remote-control server calls. The hooks are the main
// window's; an empty hook does nothing.
class TFernMakros {
public:
    std::function<void()> Wiederherstellen;
    std::function<void()> Minimieren;
    // The program's file path and directory (sequence file beside the
    // program, raw-data directory default). Empty: the program directory
    // (NUVAR_HOME or the executable's) and the executable's name in it, as
    // the command line uses them.
    QString ProgrammDatei;
    QString ProgrammVerzeichnis;

    // Runs one macro to its end; the program keeps running whatever the
    // report did. Failures of a report are shown where the report shows
    // them (status lines, protocol file); an error raised inside goes to
    // the message service. Returns the report that ran, for the caller's log.
    TMakroBericht RemoteControlExecuteMacro(const QStringList& zeilen);

    // The outcome of the last macro and its German reason (empty for Ok).
    TMakroAusgang Ausgang = TMakroAusgang::Ok;
    QString Grund;
    // Both as the server's line after the acknowledgement: "OK", or
    // "UNBEKANNT", "DATEI", "FEHLER" followed by a blank and the reason.
    QByteArray AusgangZeile() const;
};

} // namespace nuvar
