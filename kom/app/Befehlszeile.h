#pragma once
// NUVARKom's command line and the names of the files a sequence command writes.
#include <QString>
#include <QStringList>

namespace nuvar {

struct TBefehlszeile {
    // Path of the sequence file to read; empty when no argument named one.
    QString Sequenzdatei;
    // Command set by the command line ("Konfiguration", "Momentanwerte"), else empty.
    QString Befehl;
    // False when an argument was not recognised: then nothing is read and
    // nothing runs, whatever earlier arguments said.
    bool Auswerten = true;
};

// Examines the arguments (without the program name) in order. Keywords are
// case-sensitive substrings found anywhere in an argument, tested in the order
// "auto", "config", "momentan"; the first unrecognised argument ends the
// processing. programmDatei is the program's own file path: without a comma the
// sequence file is that path with its extension replaced by ".seq".
TBefehlszeile AuswerteBefehlszeile(const QStringList& argumente, const QString& programmDatei);

// Replaces the extension of the file name part (from its last dot) by ext, or
// appends ext when the name has none.
QString ErsetzeEndung(const QString& pfad, const QString& ext);

// Output file of a sequence command: the sequence file's directory, then the
// prefix ("par", "dat", "mwd"), then the file name with extension ".dat" less
// its first three characters. "seq9999.seq" gives "par9999.dat".
QString AusgabeDateiname(const QString& sequenzdatei, const QString& praefix);

} // namespace nuvar
