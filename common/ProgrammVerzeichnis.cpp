#include "common/ProgrammVerzeichnis.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace nuvar {

QString ProgrammVerzeichnis() {
    QString dir = qEnvironmentVariable("NUVAR_HOME");
    if (dir.isEmpty()) {
        if (QCoreApplication::instance())
            dir = QCoreApplication::applicationDirPath();
        else
            dir = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
    }
    dir = QDir::cleanPath(dir);  // drops a trailing separator
    return QDir::toNativeSeparators(dir);
}

QString ProgrammDatei(const QString& name) {
    const QString dir = ProgrammVerzeichnis();
    if (dir.endsWith(QDir::separator()))
        return dir + name;
    return dir + QDir::separator() + name;
}

} // namespace nuvar
