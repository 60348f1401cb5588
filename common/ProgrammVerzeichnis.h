#pragma once
// Where a program keeps its own files (NUVARWin.ini, sessions.ini, NUVARKom.log,
// NUVARKom.mdm, dde.lck, config.ini, the catalogues). Three rules, the first
// that applies wins:
//
// 1. $NUVAR_HOME, when it is set and not empty. A scheduler or a system service
//    sets it. A NUVAR_HOME that names no directory is an error: falling back
//    to another directory would read other settings and leave the files where
//    nobody looks for them.
// 2. An installed program (the executable lies in <prefix>/bin beside
//    <prefix>/share/nuvar, the shipped files): a directory of the user,
//    $XDG_DATA_HOME/nuvar or ~/.local/share/nuvar. The installed program's own
//    directory is shared by every user and not writable for them. The layout is
//    recognised relative to the executable, so a tree unpacked anywhere (a
//    package extracted into a temporary root) counts as installed too.
// 3. Otherwise (a build tree): the executable's own directory.
//
// A program calls RichteProgrammVerzeichnisEin() once at start: it creates
// the user's directory and copies the shipped files into it that it does not
// hold yet; a file that is there is never overwritten.
#include <QString>
#include <QStringList>

namespace nuvar {

enum class TVerzeichnisRegel {
    Umgebung,  // $NUVAR_HOME
    Benutzer,  // installed: the user's data directory
    Programm,  // build tree: the executable's directory
};

// What the rules look at; AktuelleLage() takes it from the running process.
struct TVerzeichnisLage {
    QString NuvarHome;       // value of NUVAR_HOME, empty when unset
    QString ProgrammOrdner;  // directory of the executable
    QString XdgDataHome;     // value of XDG_DATA_HOME, empty when unset
    QString Home;            // the user's home directory
};

struct TProgrammVerzeichnis {
    QString Pfad;  // without a trailing separator (except for the root)
    TVerzeichnisRegel Regel = TVerzeichnisRegel::Programm;
    QString Vorlagen;     // installed: the directory of the shipped files
    QString Fehler;       // German message when the directory cannot be used
    QStringList Kopiert;  // files RichteProgrammVerzeichnisEin copied in
    bool Angelegt = false;  // RichteProgrammVerzeichnisEin created the directory
};

// Path of the shipped files relative to the executable's directory
// ("../share/nuvar" for the GNU layout).
QString VorlagenRelativ();

TVerzeichnisLage AktuelleLage();

// The rules, without touching the file system beyond looking.
TProgrammVerzeichnis BestimmeProgrammVerzeichnis(const TVerzeichnisLage& lage);

// The rules, then for an installed program: create the directory and copy
// each shipped file it lacks. Fehler says what went wrong.
TProgrammVerzeichnis RichteProgrammVerzeichnisEin(const TVerzeichnisLage& lage);
TProgrammVerzeichnis RichteProgrammVerzeichnisEin();

// Which rule applies, for the version output and the about dialog.
QString RegelText(TVerzeichnisRegel regel);

// The program directory of the running process. Raises EInOutError with the
// message of BestimmeProgrammVerzeichnis when NUVAR_HOME names no directory.
QString ProgrammVerzeichnis();
// The program directory joined with a file name by the platform's separator.
QString ProgrammDatei(const QString& name);

// Exit code of a program that cannot use its program directory at start
// (EX_CONFIG of sysexits.h, which systemd shows as "CONFIG").
inline constexpr int kExitProgrammVerzeichnis = 78;

} // namespace nuvar
