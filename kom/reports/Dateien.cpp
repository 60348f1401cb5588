#include "kom/reports/Dateien.h"

#include <QFile>
#include <QSaveFile>

namespace nuvar {

bool SchreibeDateiGanz(const QString& pfad, const QByteArray& inhalt) {
    QSaveFile datei(pfad);
    if (!datei.open(QIODevice::WriteOnly))
        return false;
    if (datei.write(inhalt) != inhalt.size()) {
        datei.cancelWriting();
        return false;
    }
    return datei.commit();
}

bool HaengeAnDatei(const QString& pfad, const QByteArray& inhalt) {
    const bool gabEs = QFile::exists(pfad);
    QFile datei(pfad);
    // Unbuffered: a write that fails half-way says so at once, and nothing of
    // it is left waiting in a buffer that would be flushed later.
    if (!datei.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const qint64 alteLaenge = datei.size();
    const bool ok = datei.write(inhalt) == inhalt.size() && datei.flush();
    if (ok) {
        datei.close();
        return datei.error() == QFileDevice::NoError;
    }
    // Take back whatever part of the message reached the file.
    datei.close();
    if (!gabEs)
        QFile::remove(pfad);
    else
        QFile::resize(pfad, alteLaenge);
    return false;
}

} // namespace nuvar
