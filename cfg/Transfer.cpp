#include "cfg/Transfer.h"

#include "cfg/Pfade.h"
#include "common/Fehler.h"
#include "common/FunktionenTypen.h"
#include "common/Ini.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

namespace nuvar {

const QStringList kVerbindungsarten = {"Direkt", "MemCard", "Modem", "Funk", "IP"};
const QStringList kBaudraten = {"1200", "2400", "4800", "9600", "19200", "38400", "57600"};

const char* const kTransferFehler = "Beim Ausführen von NUVARKom oder \nbeim Lesen der Daten ist ein Fehler aufgetreten!";

namespace {

const QString kAuto = QStringLiteral("AutoSeq");

void Gemeinsam(TIniFile& ini, const TVerbindung& v) {
    ini.WriteInteger(kAuto, QStringLiteral("Verbindung"), v.Verbindung);
    ini.WriteInteger(kAuto, QStringLiteral("Schnittstelle"), v.Schnittstelle);
    ini.WriteInteger(kAuto, QStringLiteral("Baudrate"), v.Baudrate);
    ini.WriteString(kAuto, QStringLiteral("Rufnummer"), v.Rufnummer);
}

} // namespace

void SchreibeLeseSequenz(const QString& seq, const TVerbindung& v) {
    TIniFile ini(seq);
    Gemeinsam(ini, v);
    ini.WriteString(kAuto, QStringLiteral("Befehl"), QStringLiteral("LadeParameter"));
    ini.WriteInteger(kAuto, QStringLiteral("ExitNUVARKom"), 0);
    ini.WriteInteger(kAuto, QStringLiteral("HaltBeiFehler"), 1);
    ini.WriteString(kAuto, QStringLiteral("ComPort"), v.ComPort);
}

void SchreibeSendeSequenz(const QString& seq, const TVerbindung& v) {
    TIniFile ini(seq);
    Gemeinsam(ini, v);
    ini.WriteString(kAuto, QStringLiteral("Befehl"), QStringLiteral("SendeParameter"));
    ini.WriteInteger(kAuto, QStringLiteral("ExitNUVARKom"), 1);
    ini.WriteInteger(kAuto, QStringLiteral("HaltBeiFehler"), 0);
}

// NUVARKom derives its par file from the sequence file's name (par + the name
// less its first three characters), so the two names must stay in step.
QString SequenzDatei() { return CfgDatei(QStringLiteral("seq9999.seq")); }
QString ParDatei() { return CfgDatei(QStringLiteral("par9999.dat")); }

QStringList NUVARKomArgumente() { return {QStringLiteral("/auto,") + SequenzDatei()}; }

bool ProzessStartenUndWarten(const QString& programm, const QStringList& argumente) {
    QProcess p;
    p.setWorkingDirectory(CfgVerzeichnis());
    // NUVARKom's status lines go where ours go; nothing waits on a full pipe.
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(programm, argumente);
    if (!p.waitForStarted(-1)) return false;
    while (!p.waitForFinished(10)) {
        if (p.state() == QProcess::NotRunning) break;
        QCoreApplication::processEvents();
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool ParameterLesen(TDATDatei& ziel, const TVerbindung& v, const QString& programm, const TStarter& starter) {
    SchreibeLeseSequenz(SequenzDatei(), v);
    // A file left from an earlier run must not pass for this run's result.
    const QString alt = ParDatei();
    if (QFile::exists(alt) && !QFile::remove(alt))
        throw EInOutError(QStringLiteral("Datei %1 kann nicht gelöscht werden").arg(alt));
    if (!starter(programm, NUVARKomArgumente())) return false;
    const QString par = ParDatei();
    if (!QFile::exists(par)) return false;
    TDATDatei neu;
    neu.LoadFromFile(par);
    ziel = neu;
    return true;
}

bool ParameterSenden(TDATDatei& quelle, const TVerbindung& v, const QString& programm, const TStarter& starter) {
    SchreibeSendeSequenz(SequenzDatei(), v);
    quelle.SaveToFile(ParDatei(), true);
    return starter(programm, NUVARKomArgumente());
}

} // namespace nuvar
