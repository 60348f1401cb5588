#pragma once
// The data set of one weather report: which value of the logger's current-values
// reply each sensor code takes, and how a value text becomes a number. Pure
// functions over the reply line, the channel table and the logger type; the
// link itself is driven elsewhere.
#include "common/FunktionenTypen.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace nuvar {

// Receives the German text of a failure the caller turns into a status line.
using TBerichtMeldung = std::function<void(const QString&)>;

// The value a failed lookup or conversion leaves in Wert.
inline constexpr double kKeinWert = -999.2;

// One looked-up value.
struct TSynopMesswert {
    QString Code;         // five-character channel name, optional "Min"/"Max"
    std::int32_t Index = 0;  // number of the value in the reply, -1: none found
    double Wert = 0.0;
    bool Gueltig = false;
};

// The data set of one report, in the order the reports know it.
struct TSynopDS {
    QString Kennung;
    double Breite = 0.0;
    double Laenge = 0.0;
    TSynopMesswert wr, wg, t2m, rf, ld;
    TSynopMesswert nied;
    std::uint8_t Jahr = 0, Monat = 0, Tag = 0, Stunde = 0, Minute = 0;
    TSynopMesswert t2mMax, t2mMin, tbnMin, sd, gs;
    TSynopMesswert tbn, nied2;
    TSynopMesswert wgMax, bod5, akku, QFN;
};

// The parameters of the SYNOP and the HTML report. Laenge and Breite: a number
// with decimal comma, a blank, a hemisphere word. Datei: the SYNOP file, or the
// HTML template.
struct TSYNOPParam {
    QString Laenge;
    QString Breite;
    QString Kennung;
    QString Datei;
};
// What the callers use for keys that are not given: "00,00 Ost", "00,00 Nord",
// "QZ000", "synop.txt".
TSYNOPParam SynopVorgaben();

// Every entry of TSynopDS with its fixed code, in declaration order. The SYNOP
// report uses the first fifteen (wr .. bod5), the HTML report all of them.
struct TSynopEintrag {
    TSynopMesswert TSynopDS::*member;
    const char* code;
};
inline constexpr std::array<TSynopEintrag, 17> kSynopEintraege{{
    {&TSynopDS::wr, "wr   "},       {&TSynopDS::wg, "wg   "},
    {&TSynopDS::t2m, "t2m  "},      {&TSynopDS::rf, "rf   "},
    {&TSynopDS::ld, "ld   "},       {&TSynopDS::nied, "nied "},
    {&TSynopDS::t2mMax, "t2m  Max"}, {&TSynopDS::t2mMin, "t2m  Min"},
    {&TSynopDS::tbnMin, "tbn  Min"}, {&TSynopDS::sd, "sd   "},
    {&TSynopDS::gs, "gs   "},       {&TSynopDS::tbn, "tbn  "},
    {&TSynopDS::nied2, "nied "},    {&TSynopDS::wgMax, "wg   Max"},
    {&TSynopDS::bod5, "bod5 "},     {&TSynopDS::akku, "akku "},
    {&TSynopDS::QFN, "QFN  "},
}};

enum class TCodeSatz {
    Synop,  // the fifteen codes wr .. bod5
    Alle,   // all seventeen (HTML and the combined report)
};

// How many values a logger of this type delivers per channel: 3 for "VRX410"
// and "VRX420", 4 for "VRX430", 1 for every other type.
int WerteProKanal(const QByteArray& loggertyp);

// The number of channel positions the lookups use: n cut to 0 .. table size
// (a logger that counts more channels than the table holds keeps the first 64).
int NutzbareKanaele(std::span<const TKanalEintrag> kanaele, int n);

// A channel's name and unit as the reports compare them: the field's OEM bytes
// up to the terminating zero, blanks included.
QByteArray KanalName(const TKanalEintrag& k);
QByteArray KanalEinheit(const TKanalEintrag& k);

// Sets m.Index from m.Code. Three values per channel (VRX410/420): the name
// matches the code's first five characters; no suffix takes the mean 3i+1,
// "Min" 3i, "Max" 3i+2. Four values (VRX430): the same codes take minimum 4i,
// mean 4i+1, maximum 4i+2; the instantaneous value 4i+3 is no code's. One
// value (other types): the name must equal the whole code, Index i. Later
// channels win; no match leaves -1.
void SucheWertIndex(TSynopMesswert& m, std::span<const TKanalEintrag> kanaele, int n,
                    const QByteArray& loggertyp);

// Sets m.Wert (and m.Gueltig) from the 7 characters of value m.Index. A
// missing index or a text that is no number gives -999.2 and leaves Gueltig
// alone; a value from -999.9 up to (not including) -999.0 marks a missing
// measurement and clears Gueltig.
void LiesWert(TSynopMesswert& m, const QString& antwort);

// Valid: a value was found and it is a measurement.
inline bool IstGueltig(const TSynopMesswert& m) { return m.Index != -1 && m.Gueltig; }

// Resets every entry, assigns the codes of the set, looks them up and reads
// them. Entries outside the set keep Index 0, Gueltig false.
void FuelleSynopDS(TSynopDS& ds, const QString& antwort, std::span<const TKanalEintrag> kanaele,
                   int n, const QByteArray& loggertyp, TCodeSatz satz);

// The reply's time stamp (characters 1-12, "yymmddhhnnss") as numbers, each
// pair read as a decimal number from 0 to 99; empty when a pair is not one.
struct TZeitstempel {
    int Jahr = 0, Monat = 0, Tag = 0, Stunde = 0, Minute = 0, Sekunde = 0;  // Jahr: yy
};
std::optional<TZeitstempel> LiesZeitstempel(const QString& antwort);

} // namespace nuvar
