#pragma once
// Measurement programmes: one weather station as the user's network knows it,
// one section of sessions.ini each. The file is prepared outside the system;
// we read it as we find it and only ever write Allgemein/Aktiv.
#include <QString>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace nuvar {

class TIniFile;

// Dialled when a programme names no number of its own (a number of the range
// set aside for fiction, so nobody real is ever called by mistake).
inline constexpr const char* kStandardRufnummer = "03023125000";

struct TStandort {
    QString Standortname;
    QString Laenge;  // "00,00 Ost": decimal degrees, decimal comma, hemisphere word
    QString Breite;  // "00,00 Nord"
    std::int32_t Zeitzone = 0;
    std::int32_t Hoehe = 0;
    std::int32_t Haude = 0;
};

struct TMessProgDB {
    QString DBPfad;
    std::int32_t DLAA = 0;
};

// The export settings; stored as read, not interpreted by this system.
struct TExportformat {
    std::uint8_t Feld1 = 0;
    std::uint8_t Feld2 = 0;
    std::uint8_t Feld3 = 0;
    // From the item's bit mask: bit 2 is flag 0, bit 3 flag 1, bit 4 flag 2,
    // bit 5 flag 3.
    std::array<bool, 4> Flags{};
    std::uint8_t Dezimalzeichen = 0;  // character code, '.' by default
    std::uint8_t Zeitzeichen = 0;     // ':'
    std::uint8_t Trennzeichen = 0;    // tab
    std::uint8_t Feld8 = 0;
    std::uint8_t Feld9 = 0;
    std::uint8_t Feld10 = 0;
    std::uint8_t Textzeichen = 0;     // '"'
    QString Fehlwert;                 // "#NV"
    std::uint8_t Feld13 = 0;

    // The record used when a programme has no Exportformat key.
    static TExportformat Vorgabe();
    bool operator==(const TExportformat&) const = default;
};

// One channel of a programme (a list MW1, MW2, ...).
struct TMesskanal {
    QString Bezeichnung;  // at most 5 characters, like a logger channel's
    QString Einheit;      // at most 4 characters
    QString Text3;
    QString Text4;
    std::int32_t Zahl5 = 0;
    std::int32_t Zahl6 = 0;
    float Wert7 = 0;
    float Wert8 = 0;
    float Wert9 = 0;
    float Wert10 = 0;
    bool operator==(const TMesskanal&) const = default;
};

using TMonatswerte = std::array<double, 12>;  // January first

class TMessProg {
public:
    QString Kennung;  // section name
    QString Bezeichnung;
    std::int32_t StatNr = 0;
    QString StatName;  // at most 16 characters
    TStandort Standort;
    std::uint8_t Verbindung = 0;
    std::uint8_t Schnittstelle = 0;  // 0 = COM1
    std::uint8_t Baudrate = 0;
    QString Rufnummer;
    QString Bemerkung;
    std::int32_t Mittelwertzeit = 0;  // minutes
    // (channel name, channel) in file order; duplicates allowed.
    std::vector<std::pair<QString, TMesskanal>> Kanaele;
    TMessProgDB Datenbank;
    TMessProgDB Auswertungsdatenbank;  // path derived from DBPfad
    TExportformat Exportformat;
    bool SynopAuswahl = false;
    TMonatswerte Angstroem_A{};
    TMonatswerte Angstroem_B{};
    TMonatswerte Haude_FW{};
    TMonatswerte Haude_BW{};
    TMonatswerte Haude_RA{};
    TMonatswerte Haude_WI{};
    TMonatswerte Haude_MA{};
    TMonatswerte Haude_ZR{};
    TMonatswerte Haude_WW{};
    TMonatswerte Haude_WG{};
    TMonatswerte Haude_HA{};
    TMonatswerte Haude_RO{};
    TMonatswerte Verhaeltnis_N{};
};

// The thirteen monthly tables: key, member, defaults when the key is absent.
struct TMonatstabelle {
    const char* key;
    TMonatswerte TMessProg::*member;
    TMonatswerte vorgabe;
};
const std::array<TMonatstabelle, 13>& Monatstabellen();

// Fills the programme from its section of sessions.ini. An empty Kennung is
// first taken from Allgemein/Aktiv. Missing keys and integers that do not parse
// take their defaults. A list that is too short, or an item that does not
// convert, raises EConvertError naming the key and the section; the programme
// is then left exactly as it was before the call.
void LiesMessprogramm(TMessProg& mp, const TIniFile& ini);

// DBPfad without its file extension, followed by "aus.db".
QString Auswertungspfad(const QString& dbPfad);

// The data attached to one row of a programme list.
struct TSessionElement {
    QString Kennung;
    bool Beendet = false;
};

// One row of the programme list: what a list control shows, nothing more.
struct TMessprogrammZeile {
    QString Bezeichnung;   // caption
    QString StatNr;        // as written in the file
    QString StatName;      // not cut
    QString Standortname;
    TSessionElement Element;
    // Picture of the list's set: 2 (ticked) for an ended programme, else 0.
    int Bild() const { return Element.Beendet ? 2 : 0; }
};

// One row per programme section, in file order. A file with fewer than two
// sections gives no rows; Allgemein (any case) is no programme. When no section
// is named Allgemein, every section is a programme.
std::vector<TMessprogrammZeile> FuelleMessprogrammliste(const TIniFile& ini);

// Index of the first row whose key equals kennung exactly (case-sensitive),
// or -1.
int FindeMessprogramm(const QString& kennung, const std::vector<TMessprogrammZeile>& zeilen);

} // namespace nuvar
