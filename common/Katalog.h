#pragma once
// The configurator's two catalogues: "geber.ini" (one sensor type a line) and
// "kanal.ini" (one logger channel type a line). Both are plain text in the OEM
// code page with tab-separated fields and no comment lines. Lines are kept as
// read and parsed only when needed.
//
// Lines are held "raw": every OEM byte as the character of the same code
// (Latin-1 decoding, see RoheZeile), so parsing without conversion gives the
// bytes a channel entry needs, and OemZuText(feld.toLatin1()) gives display
// text.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace nuvar {

// Both ends of a channel type's signal range when the catalogue does not
// give them; a signal end within 0.01 of it counts as unknown.
inline constexpr double kUnbekannteGrenze = -99999.9;
bool GrenzeUnbekannt(double grenze);

// Hexadecimal digits (0-9, a-f, A-F) to a number; the empty text gives 0.
// Anything else raises EConvertError "<text> ist keine gültige Hexzahl!".
// More than eight digits wrap around in 32 bits; a byte field that receives
// the result keeps the low 8 bits.
int HexZuInt(const QString& text);

// One parsed line of "geber.ini".
struct TGeberINIZeile {
    QString Code;         // as written: two upper-case hexadecimal digits
    QString Name;         // shown to the user
    QString Bezeichnung;  // default channel designation (first 5 characters used)
    QString Einheit;      // unit (first 4 characters used)
    float a = 0.0f;
    float b = 0.0f;
    float Min = 0.0f;
    float Max = 0.0f;
    std::uint8_t Kanaltyp = 0;  // type of logger input the sensor needs
    QString Rest;               // the rest of the line; nothing uses it
};

// Fields: Code, Name, Bezeichnung, Einheit, a, b, Min, Max (decimal numbers;
// a full stop counts as the decimal comma), Kanaltyp (hexadecimal), Rest.
// A missing field is empty, so a short line fails at its first number with
// "'' ist kein gültiger Gleitkommawert"; a bad Kanaltyp raises the HexZuInt
// error.
TGeberINIZeile GeberZeileLesen(const QString& zeile);

// One parsed line of "kanal.ini".
struct TKanalINIZeile {
    std::uint8_t Kanaltyp = 0;
    double UntereGrenze = kUnbekannteGrenze;  // lower end of the input signal
    double ObereGrenze = kUnbekannteGrenze;   // upper end
    QString Einheit;                          // unit of the input signal
    bool Zaehler = false;                     // counter input
};

// Fields: Kanaltyp (hexadecimal), lower and upper end (decimal comma), unit,
// "1" for a counter. An end that does not read as a number makes both ends
// unknown; it raises nothing. A bad Kanaltyp raises the HexZuInt error.
TKanalINIZeile KanalZeileLesen(const QString& zeile);

// A file's bytes as raw lines: split at LF, a CR before it dropped. Lines
// that are empty or hold only blanks are left out: an editor's stray empty
// line would otherwise make every later sensor unreadable.
QStringList RoheZeilen(const QByteArray& inhalt);
// Raw line <-> the OEM bytes it stands for.
inline QString RoheZeile(const QByteArray& oem) { return QString::fromLatin1(oem); }
inline QByteArray RoheBytes(const QString& roh) { return roh.toLatin1(); }

// A sensor code as the catalogue writes it: two upper-case hexadecimal digits.
QString CodeText(std::uint8_t sensorcode);

} // namespace nuvar
