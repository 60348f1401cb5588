#include "kom/app/Sequenz.h"

#include "common/Ini.h"

#include <QDir>
#include <QFileInfo>

namespace nuvar {

namespace {

TSYNOPParam LiesBericht(const TIniFile& ini, const QString& abschnitt, const QString& dateiVorgabe) {
    const TSYNOPParam v = SynopVorgaben();
    TSYNOPParam p;
    p.Laenge = ini.ReadString(abschnitt, QStringLiteral("Laenge"), v.Laenge);
    p.Breite = ini.ReadString(abschnitt, QStringLiteral("Breite"), v.Breite);
    p.Kennung = ini.ReadString(abschnitt, QStringLiteral("Kennung"), v.Kennung);
    p.Datei = ini.ReadString(abschnitt, QStringLiteral("Datei"), dateiVorgabe);
    return p;
}

// Values kept in eight bits take the low byte of the integer.
std::uint8_t Byte(int wert) { return std::uint8_t(unsigned(wert) & 0xFFu); }

} // namespace

TSequenz LiesSequenz(const QString& datei, const QString& programmVerzeichnis) {
    TSequenz s;
    if (datei.isEmpty() || !QFileInfo(datei).isFile()) return s;

    const TIniFile ini(datei);
    const QString auto_ = QStringLiteral("AutoSeq");
    const QString prog = QStringLiteral("Messprogramm");
    TVerbParam& p = s.Param;
    p.Verbindung = Byte(ini.ReadInteger(auto_, QStringLiteral("Verbindung"), 0));
    p.Schnittstelle = Byte(ini.ReadInteger(auto_, QStringLiteral("Schnittstelle"), 0));
    p.Baudrate = Byte(ini.ReadInteger(auto_, QStringLiteral("Baudrate"), 3));
    p.Rufnummer = ini.ReadString(auto_, QStringLiteral("Rufnummer"), QString());
    s.Befehl = ini.ReadString(auto_, QStringLiteral("Befehl"), QString());
    QString verzeichnis = programmVerzeichnis;
    if (!verzeichnis.isEmpty() && !verzeichnis.endsWith(QLatin1Char('/'))) verzeichnis += QLatin1Char('/');
    s.RohdatenPfad = ini.ReadString(auto_, QStringLiteral("RohdatenPfad"), verzeichnis + QStringLiteral("Daten"));
    p.HaltBeiFehler = ini.ReadBool(auto_, QStringLiteral("HaltBeiFehler"), true);

    p.StatNr = ini.ReadInteger(prog, QStringLiteral("StatNr"), 0);
    p.StatName = ini.ReadString(prog, QStringLiteral("StatName"), QString());
    p.Mittelwertzeit = ini.ReadInteger(prog, QStringLiteral("MWZeit"), 0);
    p.Kennung = ini.ReadString(prog, QStringLiteral("Kennung"), QString());

    s.Synop = LiesBericht(ini, QStringLiteral("SYNOP"), SynopVorgaben().Datei);
    s.Html = LiesBericht(ini, QStringLiteral("HTML"), QString());

    s.DigiKanal = Byte(ini.ReadInteger(QStringLiteral("DigiAusg"), QStringLiteral("Kanal"), 0));
    s.DigiByte = Byte(ini.ReadInteger(QStringLiteral("DigiAusg"), QStringLiteral("AusgabeByte"), 0));
    return s;
}

} // namespace nuvar
