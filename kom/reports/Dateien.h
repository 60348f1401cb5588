#pragma once
// Writing report files so that a reader never sees half of one: files written
// whole go to a temporary name beside the target and are renamed over it; an
// appended message either lands completely or the file keeps its old length.
#include <QByteArray>
#include <QString>

namespace nuvar {

// Creates or replaces pfad with inhalt. False (the old file untouched) when the
// temporary file cannot be written or renamed.
bool SchreibeDateiGanz(const QString& pfad, const QByteArray& inhalt);

// Appends inhalt to pfad, creating the file when it does not exist. False when
// that fails; the file is then cut back to its old length (a file this call
// created is removed again).
bool HaengeAnDatei(const QString& pfad, const QByteArray& inhalt);

} // namespace nuvar
