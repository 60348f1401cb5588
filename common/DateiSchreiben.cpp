#include "common/DateiSchreiben.h"

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace nuvar {

bool SchreibeGanz(QFileDevice& datei, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qint64 rest = bytes.size();
    while (rest > 0) {
        // The write after a partial one fails and sets the reason.
        const qint64 n = datei.write(p, rest);
        if (n <= 0) return false;
        p += n;
        rest -= n;
    }
    return true;
}

bool ErsetzeDatei(const QString& pfad, const QByteArray& bytes, QString* grund) {
    QSaveFile f(pfad);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // Qt words a file without write permission in its own way (and
        // repeats the name): give the system's text for it.
        const QFileInfo info(pfad);
        if (grund)
            *grund = info.exists() && !info.isWritable() ? QString::fromLocal8Bit(std::strerror(EACCES))
                                                         : f.errorString();
        return false;
    }
    if (!SchreibeGanz(f, bytes)) {
        // commit() would forget the reason.
        if (grund) *grund = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (grund) *grund = f.errorString();
        return false;
    }
    return true;
}

} // namespace nuvar
