#pragma once
// Writes that tell whether the bytes reached the file. A buffered QFile
// (QSaveFile too) can report a short write on a full disk as success and
// commit a truncated file, so files whose loss would cost data are opened
// unbuffered and written through these.
#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace nuvar {

// Writes all of bytes to an open device, continuing after partial writes.
// False as soon as the device takes nothing more; its errorString() then
// holds the system's reason.
bool SchreibeGanz(QFileDevice& datei, const QByteArray& bytes);

// Replaces pfad whole with bytes, through a temporary file beside it that is
// renamed into place. On failure the old file stays as it was and grund
// (optional) receives the system's reason.
bool ErsetzeDatei(const QString& pfad, const QByteArray& bytes, QString* grund = nullptr);

} // namespace nuvar
