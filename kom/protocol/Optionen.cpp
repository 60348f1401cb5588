#include "kom/protocol/Optionen.h"

#include <QDir>

namespace nuvar {

namespace {
const QString kKom = QStringLiteral("NUVARKom");
const QString kWin = QStringLiteral("NUVARWin");
}

TOptionen::TOptionen(const QString& programmVerzeichnis)
    : verzeichnis_(programmVerzeichnis),
      ini_(QDir(programmVerzeichnis).filePath(QStringLiteral("NUVARWin.ini"))) {}

bool TOptionen::SchreibeLogDateiAktuell() const {
    return ini_.ReadBool(kKom, QStringLiteral("SchreibeLogDatei"), false);
}

TEinstellungen TOptionen::Lies() const {
    TEinstellungen e;
    e.SchreibeLogDatei = ini_.ReadBool(kKom, QStringLiteral("SchreibeLogDatei"), false);
    e.AnPDAnhaengen = ini_.ReadBool(kKom, QStringLiteral("AnPDAnhaengen"), false);
    e.ProtokollLaenge = ini_.ReadInteger(kKom, QStringLiteral("ProtokollLaenge"), 1000);
    QString vorgabe = verzeichnis_;
    if (!vorgabe.endsWith(QLatin1Char('/'))) vorgabe += QLatin1Char('/');
    e.RohdatenPfad = ini_.ReadString(kWin, QStringLiteral("RohdatenPfad"), vorgabe + QStringLiteral("Daten"));
    e.MomentanwerteAufzeichnen = ini_.ReadBool(kKom, QStringLiteral("MomentanwerteAufzeichnen"), false);
    e.Momentanwertverzeichnis = ini_.ReadString(kKom, QStringLiteral("Momentanwertverzeichnis"), QString());
    e.MomentanwertZeitraum = ini_.ReadInteger(kKom, QStringLiteral("MomentanwertZeitraum"), 1);
    e.TAPIModem = ini_.ReadString(kKom, QStringLiteral("TAPIModem"), QString());
    return e;
}

void TOptionen::Schreibe(const TEinstellungen& e) {
    ini_.WriteString(kKom, QStringLiteral("TAPIModem"), e.TAPIModem);
    ini_.WriteBool(kKom, QStringLiteral("SchreibeLogDatei"), e.SchreibeLogDatei);
    ini_.WriteBool(kKom, QStringLiteral("AnPDAnhaengen"), e.AnPDAnhaengen);
    ini_.WriteInteger(kKom, QStringLiteral("ProtokollLaenge"), e.ProtokollLaenge);
    ini_.WriteString(kWin, QStringLiteral("RohdatenPfad"), e.RohdatenPfad);
    ini_.WriteBool(kKom, QStringLiteral("MomentanwerteAufzeichnen"), e.MomentanwerteAufzeichnen);
    ini_.WriteString(kKom, QStringLiteral("Momentanwertverzeichnis"), e.Momentanwertverzeichnis);
    ini_.WriteInteger(kKom, QStringLiteral("MomentanwertZeitraum"), e.MomentanwertZeitraum);
}

} // namespace nuvar
