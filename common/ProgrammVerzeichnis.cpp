#include "common/ProgrammVerzeichnis.h"

#include "common/Fehler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifndef NUVAR_VORLAGEN_RELATIV
#define NUVAR_VORLAGEN_RELATIV "../share/nuvar"
#endif

namespace nuvar {

namespace {

QString Sauber(const QString& pfad) {
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(pfad).absolutePath()));
}

QString BenutzerDaten(const TVerzeichnisLage& lage) {
    // Only an absolute XDG_DATA_HOME counts; a relative one is to be ignored.
    if (!lage.XdgDataHome.isEmpty() && QDir::isAbsolutePath(lage.XdgDataHome))
        return QDir(lage.XdgDataHome).filePath(QStringLiteral("nuvar"));
    return QDir(lage.Home).filePath(QStringLiteral(".local/share/nuvar"));
}

} // namespace

QString VorlagenRelativ() { return QStringLiteral(NUVAR_VORLAGEN_RELATIV); }

TVerzeichnisLage AktuelleLage() {
    TVerzeichnisLage lage;
    lage.NuvarHome = qEnvironmentVariable("NUVAR_HOME");
    if (QCoreApplication::instance())
        lage.ProgrammOrdner = QCoreApplication::applicationDirPath();
    else
        lage.ProgrammOrdner = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
    lage.XdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    lage.Home = QDir::homePath();
    return lage;
}

TProgrammVerzeichnis BestimmeProgrammVerzeichnis(const TVerzeichnisLage& lage) {
    TProgrammVerzeichnis v;
    if (!lage.NuvarHome.isEmpty()) {
        v.Regel = TVerzeichnisRegel::Umgebung;
        v.Pfad = Sauber(lage.NuvarHome);
        const QFileInfo fi(v.Pfad);
        if (!fi.exists())
            v.Fehler = QStringLiteral("Das Programmverzeichnis %1 (NUVAR_HOME) existiert nicht. "
                                      "Legen Sie es an oder setzen Sie NUVAR_HOME auf ein vorhandenes Verzeichnis.")
                           .arg(v.Pfad);
        else if (!fi.isDir())
            v.Fehler = QStringLiteral("NUVAR_HOME nennt %1, das ist kein Verzeichnis.").arg(v.Pfad);
        return v;
    }
    const QString vorlagen = QDir(lage.ProgrammOrdner).filePath(VorlagenRelativ());
    if (QFileInfo(vorlagen).isDir()) {
        v.Regel = TVerzeichnisRegel::Benutzer;
        v.Vorlagen = Sauber(vorlagen);
        v.Pfad = Sauber(BenutzerDaten(lage));
        return v;
    }
    v.Regel = TVerzeichnisRegel::Programm;
    v.Pfad = Sauber(lage.ProgrammOrdner);
    return v;
}

TProgrammVerzeichnis RichteProgrammVerzeichnisEin(const TVerzeichnisLage& lage) {
    TProgrammVerzeichnis v = BestimmeProgrammVerzeichnis(lage);
    if (!v.Fehler.isEmpty() || v.Regel != TVerzeichnisRegel::Benutzer) return v;

    const QFileInfo ziel(v.Pfad);
    if (ziel.exists() && !ziel.isDir()) {
        v.Fehler = QStringLiteral("Das Programmverzeichnis %1 kann nicht angelegt werden: "
                                  "dort liegt eine Datei.")
                       .arg(v.Pfad);
        return v;
    }
    if (!ziel.exists()) {
        errno = 0;
        if (!QDir().mkpath(v.Pfad)) {
            v.Fehler = QStringLiteral("Das Programmverzeichnis %1 kann nicht angelegt werden (%2).")
                           .arg(v.Pfad, QString::fromLocal8Bit(std::strerror(errno)));
            return v;
        }
        v.Angelegt = true;
    }
    // Copy what is missing on every start, not only when the directory is new:
    // a file that a later version ships (or that the user deleted to get the
    // original back) arrives, and nothing the user changed is touched.
    const QDir quelle(v.Vorlagen);
    const QFileInfoList dateien = quelle.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& datei : dateien) {
        const QString nach = QDir(v.Pfad).filePath(datei.fileName());
        if (QFileInfo::exists(nach) || QFileInfo(nach).isSymLink()) continue;
        // QFile::copy writes through a temporary file and never replaces an
        // existing one, so a second program starting at the same moment
        // cannot leave a half-copied file.
        if (!QFile::copy(datei.filePath(), nach)) {
            if (QFileInfo::exists(nach)) continue;  // the other program was quicker
            v.Fehler = QStringLiteral("Die Datei %1 kann nicht nach %2 kopiert werden.")
                           .arg(QDir::toNativeSeparators(datei.filePath()), v.Pfad);
            return v;
        }
        // Shipped files are read-only for everybody; the user's copy is theirs to edit.
        QFile(nach).setPermissions(QFile(nach).permissions() | QFile::WriteOwner);
        v.Kopiert << datei.fileName();
    }
    return v;
}

TProgrammVerzeichnis RichteProgrammVerzeichnisEin() { return RichteProgrammVerzeichnisEin(AktuelleLage()); }

QString RegelText(TVerzeichnisRegel regel) {
    switch (regel) {
    case TVerzeichnisRegel::Umgebung:
        return QStringLiteral("aus NUVAR_HOME");
    case TVerzeichnisRegel::Benutzer:
        return QStringLiteral("persönliches Verzeichnis des installierten Programms");
    case TVerzeichnisRegel::Programm:
        return QStringLiteral("Verzeichnis des Programms");
    }
    return {};
}

QString ProgrammVerzeichnis() {
    const TProgrammVerzeichnis v = BestimmeProgrammVerzeichnis(AktuelleLage());
    if (!v.Fehler.isEmpty()) throw EInOutError(v.Fehler);
    return v.Pfad;
}

QString ProgrammDatei(const QString& name) {
    const QString dir = ProgrammVerzeichnis();
    if (dir.endsWith(QDir::separator()))
        return dir + name;
    return dir + QDir::separator() + name;
}

} // namespace nuvar
