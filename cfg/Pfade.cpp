#include "cfg/Pfade.h"

#include "common/Ini.h"
#include "common/ProgrammVerzeichnis.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace nuvar {

namespace {

QString Programmordner() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

// A configured path: Windows separators become ours, a relative one lies in D.
QString Aufgeloest(QString pfad) {
    pfad.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString voll = QDir::cleanPath(QDir(CfgVerzeichnis()).absoluteFilePath(pfad));
    const QFileInfo info(voll);
    const QString gefunden = DateiOhneGrossKlein(info.absolutePath(), info.fileName());
    if (QFileInfo::exists(gefunden)) return gefunden;
    if (info.fileName().endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) {
        const QString ohne = DateiOhneGrossKlein(info.absolutePath(), info.completeBaseName());
        if (QFileInfo::exists(ohne)) return ohne;
    }
    return voll;
}

} // namespace

QString CfgVerzeichnis() { return ProgrammVerzeichnis(); }

QString DateiOhneGrossKlein(const QString& verzeichnis, const QString& name) {
    const QDir dir(verzeichnis);
    if (!dir.exists(name)) {
        for (const QString& t : dir.entryList(QDir::Files | QDir::Hidden))
            if (t.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(t);
    }
    return dir.filePath(name);
}

QString CfgDatei(const QString& name) { return DateiOhneGrossKlein(CfgVerzeichnis(), name); }

QString MitgelieferteDatei(const QString& name) {
    for (const QString& ordner : {CfgVerzeichnis(), QDir(Programmordner()).filePath(VorlagenRelativ()), Programmordner()}) {
        const QString datei = DateiOhneGrossKlein(ordner, name);
        if (QFileInfo::exists(datei)) return datei;
    }
    return {};
}

QString StandardNUVARKom() { return QDir(Programmordner()).filePath(QStringLiteral("NUVARKom")); }

QString NUVARKomPfad(const TIniFile& config) {
    const QString pfad = config.ReadString(QStringLiteral("Global"), QStringLiteral("NUVARKom"), {});
    if (pfad.isEmpty()) return StandardNUVARKom();
    return Aufgeloest(pfad);
}

QString SessionsPfad(const TIniFile& config) {
    return Aufgeloest(config.ReadString(QStringLiteral("Global"), QStringLiteral("sessionsini"), QStringLiteral("sessions.ini")));
}

QString NUVARWinIni(const QString& nuvarkomPfad) {
    // NUVARKom's own rule, applied to where that NUVARKom lies.
    TVerzeichnisLage lage = AktuelleLage();
    lage.ProgrammOrdner = QFileInfo(nuvarkomPfad).absolutePath();
    return QDir(BestimmeProgrammVerzeichnis(lage).Pfad).filePath(QStringLiteral("NUVARWin.ini"));
}

QString RelativZu(const QString& datei, const QString& basis) {
    const QString voll = QDir::cleanPath(QFileInfo(datei).absoluteFilePath());
    const QString von = QDir::cleanPath(QFileInfo(basis).absoluteFilePath());
    const QStringList a = voll.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList b = von.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    int gemeinsam = 0;
    while (gemeinsam < a.size() - 1 && gemeinsam < b.size() && a[gemeinsam] == b[gemeinsam]) ++gemeinsam;
    if (gemeinsam == 0) return voll;
    return QDir(von).relativeFilePath(voll);
}

} // namespace nuvar
