#pragma once
// What both programs do before their windows: answer "--version" and say
// why they cannot start when their program directory is unusable.
#include "common/ProgrammVerzeichnis.h"
#include "common/gui/InfoDialog.h"

#include <QString>
#include <cstdio>

namespace nuvar {

// Title, version and module, the build number, the program directory and the
// rule that chose it; "Fehler: " + the message when it cannot be used.
QString Versionstext(const TProgrammInfo& info, const TProgrammVerzeichnis& verzeichnis);

// Prints Versionstext for the running process to the stream without creating
// anything (no application object is needed). The exit code: 0, or
// kExitProgrammVerzeichnis when the directory cannot be used.
int ZeigeVersion(const TProgrammInfo& info, std::FILE* strom = stdout);

// The program cannot start: the text goes to stderr, prefixed with the
// program's name, and into an error box when the program runs on a display
// (not on the offscreen or minimal platform, where nobody could close it).
void MeldeStartfehler(const QString& programm, const QString& text);

} // namespace nuvar
