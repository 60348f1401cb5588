#pragma once
// Where the configurator finds its files and the programs it starts.
//
// Its own directory D holds config.ini, the catalogues geber.ini and
// kanal.ini, and the files it exchanges with NUVARKom (seq9999.seq,
// par9999.dat); it is the common program directory ($NUVAR_HOME, else the
// directory of the executable). File names from Windows installations differ
// in case ("Config.ini", "Seq9999.seq"); each such name names one file here.
#include <QString>

namespace nuvar {

class TIniFile;

// D, without a trailing separator.
QString CfgVerzeichnis();
// The file `name` in `verzeichnis`: an existing file whose name equals it
// without regard to case, else the name as given.
QString DateiOhneGrossKlein(const QString& verzeichnis, const QString& name);
// DateiOhneGrossKlein(CfgVerzeichnis(), name).
QString CfgDatei(const QString& name);

// A catalogue or default file shipped with the program: in D, else among the
// installed program's shipped files (<prefix>/share/nuvar), else beside the
// executable (where the build puts them). Empty when none exists.
QString MitgelieferteDatei(const QString& name);

// The configured NUVARKom: Global/NUVARKom of config.ini. Without the key,
// the NUVARKom beside the configurator's own executable. A relative path is
// taken from D; backslashes of Windows paths count as separators, and a
// name ending in ".exe" that does not exist is tried without it.
QString NUVARKomPfad(const TIniFile& config);
// The same rule for Global/sessionsini (default "sessions.ini").
QString SessionsPfad(const TIniFile& config);
// The NUVARKom beside the configurator's own executable.
QString StandardNUVARKom();

// NUVARKom's settings file, whose port map decides which device a COM
// number opens: in NUVARKom's program directory, found by NUVARKom's own
// rule for the given NUVARKom ($NUVAR_HOME, which it inherits; the user's
// directory when it is installed; else its own directory).
QString NUVARWinIni(const QString& nuvarkomPfad);

// A chosen file as the options dialog writes it: relative to D ("..", then
// folders down, then the name). A file whose path shares nothing with D but
// the root (the counterpart of another drive) keeps its absolute path.
QString RelativZu(const QString& datei, const QString& basis);

} // namespace nuvar
