#pragma once
// Where a program keeps its own files (NUVARWin.ini, sessions.ini, catalogues):
// $NUVAR_HOME when it is set and not empty, otherwise the directory of the
// running executable.
#include <QString>

namespace nuvar {

// The program directory, without a trailing separator (except for the root).
QString ProgrammVerzeichnis();
// The program directory joined with a file name by the platform's separator.
QString ProgrammDatei(const QString& name);

} // namespace nuvar
