#pragma once
// The settings object of a transfer window over NUVARWin.ini. Values are read
// from the file whenever they are needed, never cached.
#include "common/Ini.h"
#include "kom/protocol/LogFile.h"

#include <QString>
#include <memory>

namespace nuvar {

// The eight settings the settings dialog edits.
struct TEinstellungen {
    bool SchreibeLogDatei = false;
    bool AnPDAnhaengen = false;
    qint32 ProtokollLaenge = 1000;
    QString RohdatenPfad;
    bool MomentanwerteAufzeichnen = false;
    QString Momentanwertverzeichnis;
    qint32 MomentanwertZeitraum = 1;
    QString TAPIModem;
};

class TOptionen {
public:
    // programmVerzeichnis holds NUVARWin.ini; RohdatenPfad defaults to it
    // followed by "Daten".
    explicit TOptionen(const QString& programmVerzeichnis);

    TIniFile& Ini() { return ini_; }
    const QString& Verzeichnis() const { return verzeichnis_; }

    // Read from the file at this moment, with the defaults of the program.
    bool SchreibeLogDateiAktuell() const;
    TEinstellungen Lies() const;
    // Writes all eight keys, TAPIModem first.
    void Schreibe(const TEinstellungen& werte);

    // Present only while a protocol is being written.
    std::unique_ptr<TLogFile> Protokoll;

    // Working copy used by the settings dialog.
    bool SchreibeLogDatei = false;
    bool AnPDAnhaengen = false;
    qint32 ProtokollLaenge = 1000;
    QString RohdatenPfad;

private:
    QString verzeichnis_;
    TIniFile ini_;
};

} // namespace nuvar
