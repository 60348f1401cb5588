#include "cfg/Konfiguration.h"

#include "common/Fehler.h"
#include "common/Text.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace nuvar {

const QStringList kMittelwertListe = {"1", "6", "10", "12", "15", "20", "30", "60"};
const QStringList kMessListe = {"3", "5", "10", "20", "30", "60"};
const QStringList kSleepListe = {"Nein", "Ja"};
const QStringList kLaengeListe = {"Ost", "West"};
const QStringList kBreiteListe = {"Nord", QString::fromUtf8("Süd")};

const char* const kKanallisteVoll =
    "Die Kanalliste ist voll: ein Logger hat höchstens 64 Kanäle.\n"
    "Löschen Sie einen Sensor, bevor Sie einen neuen hinzufügen.";

namespace {

QString F4(float x) { return FormatF(x, 4); }

template <std::size_t N>
QString Feld(const std::array<std::uint8_t, N>& f) {
    return LiesTextfeld(std::span<const std::uint8_t>(f.data(), N));
}

template <std::size_t N>
void Schreibe(std::array<std::uint8_t, N>& f, const QString& text) {
    SchreibeTextfeld(std::span<std::uint8_t>(f.data(), N), text);
}

} // namespace

// ------------------------------------------------------------- coordinates

QString KoordinatenText(int hundertstel) {
    return FormatF(std::abs(hundertstel) / 100.0, 2).rightJustified(6, QLatin1Char(' '));
}

std::int16_t KoordinateAusText(const QString& text, bool positiv, bool laenge) {
    const double grad = StrToFloat(text);
    const double grenze = laenge ? 180.0 : 90.0;
    if (grad < 0 || grad > grenze)
        throw ERangeError(QStringLiteral("%1 %2 liegt nicht zwischen 0 und %3 Grad.")
                              .arg(laenge ? QStringLiteral("Geo. Länge:") : QStringLiteral("Geo. Breite:"),
                                   FormatF(grad, 2), FormatF(grenze, 0)));
    return std::int16_t(RundeHalbGerade(grad * 100.0 * (positiv ? 1 : -1)));
}

// ------------------------------------------------------------- table

int TNuvarCfgModell::Datenzeilen() const { return std::max(Datei.ChannelCount(), 1); }

QString TNuvarCfgModell::Zelle(int zeile, int spalte) const {
    if (zeile < 0 || zeile >= Datei.ChannelCount()) return {};
    const TKanalEintrag& e = Datei.Kanalliste()[std::size_t(zeile)];
    switch (spalte) {
    case 0: return QString::number(e.Position);
    case 1: return std::size_t(zeile) < namen_.size() ? namen_[std::size_t(zeile)] : QString();
    case 2: return Feld(e.Bezeichnung);
    case 3: return Feld(e.Einheit);
    case 4: return F4(e.a);
    case 5: return F4(e.b);
    case 6: return F4(e.Min);
    case 7: return F4(e.Max);
    case 8: return QString::number(e.Kanalnummer);
    default: return {};
    }
}

void TNuvarCfgModell::NamenSuchen() {
    namen_.assign(std::size_t(Datei.ChannelCount()), QString());
    std::optional<EFehler> fehler;
    // Each line is parsed once; a line that fails counts as matching nothing.
    std::vector<std::optional<TGeberINIZeile>> zeilen;
    zeilen.reserve(std::size_t(GeberZeilen.size()));
    for (const QString& z : GeberZeilen) {
        try {
            zeilen.push_back(GeberZeileLesen(z));
        } catch (const EFehler& e) {
            zeilen.emplace_back();
            if (!fehler) fehler = e;
        }
    }
    for (int k = 0; k < Datei.ChannelCount(); ++k) {
        const QString code = CodeText(Datei.Kanalliste()[std::size_t(k)].Sensorcode);
        for (const auto& z : zeilen) {
            if (z && z->Code == code) {
                namen_[std::size_t(k)] = OemZuText(RoheBytes(z->Name));
                break;
            }
        }
    }
    if (fehler) throw EConvertError(fehler->Meldung());
}

// ------------------------------------------------------------- groups

TStationsAnzeige TNuvarCfgModell::Station() const {
    const TStationsParameter& p = Datei.Stationsparameter();
    TStationsAnzeige a;
    a.Nummer = QString::number(p.Stationsnummer);
    a.Name = Feld(p.Stationsname);
    a.Batterie = FormatF(p.Batteriespannung, 2) + QStringLiteral(" V");
    a.Mittelwert = int(kMittelwertListe.indexOf(QString::number(p.Mittelwertintervall)));
    a.Mess = int(kMessListe.indexOf(QString::number(p.Messintervall)));
    a.Sleep = (p.Sleepmodus == 0 || p.Sleepmodus == 1) ? p.Sleepmodus : -1;
    a.Ausgelesen = p.Ausgelesen == 0 ? QStringLiteral("Nein") : p.Ausgelesen == 1 ? QStringLiteral("Ja") : QString();
    a.FreieTage = QString::number(p.FreieTage);
    a.Speicher = QString::number(int(p.Speichergroesse) * 32) + QStringLiteral(" KB");
    a.Datensaetze = QString::number(p.Datensaetze);
    a.Laenge = KoordinatenText(p.GeoLaenge);
    a.LaengeSeite = p.GeoLaenge < 0 ? 1 : 0;
    a.Breite = KoordinatenText(p.GeoBreite);
    a.BreiteSeite = p.GeoBreite < 0 ? 1 : 0;
    return a;
}

void TNuvarCfgModell::Kanal(int k, TKanalAnzeige& a) const {
    const TKanalEintrag e = Datei.GetChannel(k);
    a.Sensorcode = CodeText(e.Sensorcode);
    a.Bezeichnung = Feld(e.Bezeichnung);
    a.Einheit = Feld(e.Einheit);
    a.Kanalnummer = QString::number(e.Kanalnummer);
    a.a = F4(e.a);
    a.b = F4(e.b);
    a.Min = F4(e.Min);
    a.Max = F4(e.Max);
    a.Kanaltyp.clear();
    a.Kanaltyp = QString::number(Datei.GetHardware(e.Kanalnummer), 16).toUpper();
}

// ------------------------------------------------------------- write-back

void TNuvarCfgModell::Zurueckschreiben(int k, const TEingaben& ein) {
    if (k < 0) return;
    if (!KeineKanaele()) {
        TKanalEintrag e = Datei.GetChannel(k);
        Schreibe(e.Bezeichnung, ein.Bezeichnung);
        Schreibe(e.Einheit, ein.Einheit);
        Datei.SetChannel(k, e);
    }
    if (KeineKonfiguration) return;
    TStationsParameter& p = Datei.Stationsparameter();
    Schreibe(p.Stationsname, ein.Name);
    p.Mittelwertintervall = std::int16_t(StrToInt(ein.Mittelwert));
    p.Messintervall = std::int16_t(StrToInt(ein.Mess));
    p.Sleepmodus = std::int16_t(ein.Sleep);
    p.GeoLaenge = KoordinateAusText(ein.Laenge, ein.LaengeSeite == 0, true);
    p.GeoBreite = KoordinateAusText(ein.Breite, ein.BreiteSeite == 0, false);
}

// ------------------------------------------------------------- new sensor

THardwareListeNeu TNuvarCfgModell::Arbeitskopie() const {
    THardwareListeNeu kopie = Datei.Hardwareliste();
    for (const TKanalEintrag& e : Datei.Kanalliste())
        if (e.Kanalnummer < kopie.size()) kopie[e.Kanalnummer] = 0;
    return kopie;
}

TKanalEintrag TNuvarCfgModell::NeuerEintrag(const TGeberINIZeile& roh, int eingang) {
    TKanalEintrag e;  // all 30 bytes zero
    e.Kanalnummer = std::uint8_t(eingang);
    e.Sensorcode = std::uint8_t(HexZuInt(roh.Code));
    // Catalogue texts are OEM already: their bytes go in unchanged.
    const auto roheBytes = [](auto& feld, const QString& text) {
        const QByteArray b = RoheBytes(text);
        const std::size_t nutz = feld.size() - 1;
        for (std::size_t i = 0; i < nutz; ++i) feld[i] = i < std::size_t(b.size()) ? std::uint8_t(b[qsizetype(i)]) : ' ';
        feld[nutz] = 0;
    };
    roheBytes(e.Einheit, roh.Einheit);
    roheBytes(e.Bezeichnung, roh.Bezeichnung);
    e.a = roh.a;
    e.b = roh.b;
    e.Min = roh.Min;
    e.Max = roh.Max;
    return e;
}

std::vector<TSensorAngebot> SensorAngebot(const QStringList& geberZeilen, const THardwareListeNeu& kopie) {
    std::vector<TSensorAngebot> angebot;
    for (int i = 0; i < geberZeilen.size(); ++i) {
        const TGeberINIZeile z = GeberZeileLesen(OemZuText(RoheBytes(geberZeilen[i])));
        if (!FreieEingaenge(z.Kanaltyp, kopie).empty()) angebot.push_back({i, z.Name});
    }
    return angebot;
}

std::vector<int> FreieEingaenge(std::uint8_t typ, const THardwareListeNeu& kopie) {
    std::vector<int> frei;
    if (typ == 0) return frei;
    for (std::size_t j = 0; j < kopie.size(); ++j)
        if (kopie[j] == typ) frei.push_back(int(j));
    return frei;
}

void TNuvarCfgModell::SensorHinzufuegen(const TKanalEintrag& e) {
    if (Datei.ChannelCount() >= kMaxKanaele) throw ERangeError(QString::fromUtf8(kKanallisteVoll));
    Datei.AddChannel(e);
}

// ------------------------------------------------------------- files

void TNuvarCfgModell::Laden(const QString& pfad) {
    // A name that does not exist would load nothing and show an empty
    // configuration as if it had been read.
    if (!QFileInfo(pfad).isFile())
        throw EInOutError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(pfad));
    TDATDatei neu;
    neu.LoadFromFile(pfad);
    Datei = std::move(neu);
    KeineKonfiguration = false;
    Geaendert = false;
}

void TNuvarCfgModell::Speichern(const QString& pfad) { Datei.SaveToFile(pfad, false); }

QString TNuvarCfgModell::Dateivorschlag() const {
    const auto& n = Datei.Stationsparameter().Stationsname;
    QByteArray name;
    for (std::uint8_t b : n) {
        if (b == 0) break;
        name += char(b);
    }
    QString text = OemZuText(name);
    text.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QString::number(Datei.Stationsparameter().Stationsnummer) + QLatin1Char('_') + text;
}

// ------------------------------------------------------------- export

QByteArray ExportText(const TExportTexte& t) {
    const QString crlf = QStringLiteral("\r\n");
    QString s;
    const auto zeile = [&](const char* titel, const QString& wert) { s += QString::fromUtf8(titel) + wert + crlf; };
    zeile("Stationsname:\t", t.Name);
    zeile("Stationsnummer:\t", t.Nummer);
    zeile("Datenspeicher:\t", t.Speicher);
    zeile("Gespeicherte Datensätze:\t", t.Datensaetze);
    zeile("Batterie:\t", t.Batterie);
    zeile("Geo. Länge:\t", t.Laenge + t.LaengeSeite);
    zeile("Geo. Breite:\t", t.Breite + t.BreiteSeite);
    zeile("Mittelwertintervall:\t", t.Mittelwert);
    zeile("Messintervall:\t", t.Mess);
    zeile("Sleepmodus:\t", t.Sleep);
    zeile("Datenspeicher ausgelesen:\t", t.Ausgelesen);
    zeile("Freie Tage:\t", t.FreieTage + crlf);
    for (const auto& z : t.Zeilen) s += QStringList(z.begin(), z.end()).join(QLatin1Char('\t')) + crlf;
    return s.toUtf8();
}

void TextExportieren(const TExportTexte& t, const QString& pfad) {
    QSaveFile f(pfad);
    const QByteArray b = ExportText(t);
    if (!f.open(QIODevice::WriteOnly) || f.write(b) != b.size() || !f.commit())
        throw EInOutError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(pfad));
}

} // namespace nuvar
