#pragma once
// The configurator's state and rules without a widget: the configuration being
// edited, the two catalogues, the texts the channel table and the two groups
// show, the write-back of what the user typed, the entry a new sensor gets,
// loading with its failure rule, the save name and the text export. The main
// window only shows what this gives and hands it what the user did.
#include "common/FunktionenTypen.h"
#include "common/Katalog.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace nuvar {

// The choices of the station group.
extern const QStringList kMittelwertListe;  // "1", "6", "10", "12", "15", "20", "30", "60"
extern const QStringList kMessListe;        // "3", "5", "10", "20", "30", "60"
extern const QStringList kSleepListe;       // "Nein", "Ja"
extern const QStringList kLaengeListe;      // "Ost", "West"
extern const QStringList kBreiteListe;      // "Nord", "Süd"

// The logger has 64 channel positions; NUVARKom refuses a larger table.
inline constexpr int kMaxKanaele = 64;
extern const char* const kKanallisteVoll;

inline constexpr int kSpalten = 9;

// What the station group shows.
struct TStationsAnzeige {
    QString Nummer, Name, Batterie, Ausgelesen, FreieTage, Speicher, Datensaetze;
    int Mittelwert = -1;  // index in kMittelwertListe, -1: none
    int Mess = -1;        // index in kMessListe
    int Sleep = -1;       // index in kSleepListe
    QString Laenge, Breite;  // fixed form "999,99" (blank padded)
    int LaengeSeite = 0;     // 0 Ost, 1 West
    int BreiteSeite = 0;     // 0 Nord, 1 Süd
};

// What the channel group shows for one entry.
struct TKanalAnzeige {
    QString Sensorcode, Bezeichnung, Einheit, Kanalnummer, a, b, Min, Max, Kanaltyp;
};

// What the user has in the edit controls when they are written back.
struct TEingaben {
    QString Bezeichnung, Einheit;   // channel group
    QString Name;                   // station name
    QString Mittelwert, Mess;       // the texts the two lists show ("" without a choice)
    int Sleep = -1;                 // chosen entry
    int LaengeSeite = -1;           // chosen entry of the hemisphere lists
    int BreiteSeite = -1;
    QString Laenge, Breite;         // texts of the two coordinate fields
};

// The texts the window shows, for the text export.
struct TExportTexte {
    QString Name, Nummer, Speicher, Datensaetze, Batterie;
    QString Laenge, LaengeSeite, Breite, BreiteSeite;
    QString Mittelwert, Mess, Sleep, Ausgelesen, FreieTage;
    std::vector<std::array<QString, kSpalten>> Zeilen;  // header row first
};

// A sensor the selection offers: its catalogue line (counted from 0) and
// its name as shown.
struct TSensorAngebot {
    int Zeile = 0;
    QString Name;
};
// The sensors of the catalogue whose channel type some free input of the
// working copy has, in catalogue order. Lines are read converted from OEM;
// one that does not parse raises its error. Type 0 marks an occupied input
// in the copy, so a sensor of type 0 is never offered.
std::vector<TSensorAngebot> SensorAngebot(const QStringList& geberZeilen, const THardwareListeNeu& kopie);
// The inputs of the copy whose type is `typ`, in order (none for type 0).
std::vector<int> FreieEingaenge(std::uint8_t typ, const THardwareListeNeu& kopie);

// A coordinate in hundredths as the fixed-form field shows it, and back.
QString KoordinatenText(int hundertstel);
// The field's text times 100 with the sign, halves to even. Raises the
// runtime's conversion message for a text that is no number, and a range
// message for a value beyond 180 (longitude) or 90 degrees (latitude), which
// would otherwise wrap around in the 16-bit field.
std::int16_t KoordinateAusText(const QString& text, bool positiv, bool laenge);

class TNuvarCfgModell {
public:
    // Catalogue lines, raw (see common/Katalog.h).
    QStringList GeberZeilen;
    QStringList KanalZeilen;

    TDATDatei Datei;
    bool KeineKonfiguration = true;
    bool Geaendert = false;

    bool KeineKanaele() const { return Datei.ChannelCount() <= 0; }

    // Rows of the channel table without the header row: ChannelCount, at
    // least 1 (an empty row when there is no channel or no configuration).
    int Datenzeilen() const;
    // Text of data row `zeile` (0 = first entry), column 0..8. Empty for the
    // empty row. Sensor names come from the last NamenSuchen.
    QString Zelle(int zeile, int spalte) const;
    // Finds every entry's sensor name in the catalogue. A catalogue line
    // that does not parse is skipped so the table is still filled; its
    // error is raised afterwards for the user to see.
    void NamenSuchen();

    TStationsAnzeige Station() const;
    // Channel k's details. An input number beyond the hardware list leaves
    // Kanaltyp empty and raises the hardware range error after the rest is
    // filled (into `anzeige`).
    void Kanal(int k, TKanalAnzeige& anzeige) const;

    // Writes the edit controls into the configuration: channel k's
    // designation and unit (when channels exist), then the station fields in
    // their order. A field that fails stops it; the fields before stay
    // written.
    void Zurueckschreiben(int k, const TEingaben& e);

    // The hardware list with every input that an entry uses set to 0. An
    // entry whose input lies beyond the list marks nothing.
    THardwareListeNeu Arbeitskopie() const;
    // The entry a catalogue line (parsed raw, so texts stay OEM) gets on input
    // `eingang`.
    static TKanalEintrag NeuerEintrag(const TGeberINIZeile& roh, int eingang);
    // Appends it; refuses a 65th channel with kKanallisteVoll (ERangeError).
    void SensorHinzufuegen(const TKanalEintrag& e);

    // A fresh configuration from a file. On any failure (the file is missing
    // or cannot be opened, an unknown format, a count the file cannot hold)
    // the error is raised and the current configuration stays as it was;
    // on success it replaces the current one and Geaendert becomes false.
    void Laden(const QString& pfad);
    // Saves in the new layout; the previous file survives a failure.
    void Speichern(const QString& pfad);

    // Station number, "_", the station name's bytes up to its zero byte (as
    // stored, trailing blanks included). A '/' would name a folder and
    // becomes '_'.
    QString Dateivorschlag() const;

private:
    std::vector<QString> namen_;
};

// The text export: CR LF lines, UTF-8, written whole through a temporary
// file. Raises EInOutError when the file cannot be written.
QByteArray ExportText(const TExportTexte& t);
void TextExportieren(const TExportTexte& t, const QString& pfad);

} // namespace nuvar
