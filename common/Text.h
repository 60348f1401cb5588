#pragma once
// Text and number rules shared by both programs: the OEM (DOS) code page of the
// logger and the catalogues, fixed-width text fields, numbers with the decimal
// comma, the runtime's conversions with their German error texts, and the
// comma-text lists used inside INI values.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>

namespace nuvar {

// ---------------------------------------------------------------- OEM code page

// The code page that OEM bytes are in; "IBM850" until changed.
QString OemCodepage();
// Chooses the OEM code page by name ("IBM850", "IBM437", ...). Only single-byte
// code pages are accepted. Returns false, and keeps the current one, when the
// name is unknown or not a single-byte code page.
bool SetzeOemCodepage(const QString& name);

// OEM bytes to display text, byte by byte (every byte gives one character).
QString OemZuText(const QByteArray& oem);
// Display text to OEM bytes, one byte per character. A character the code page
// cannot hold becomes '?'.
QByteArray TextZuOem(const QString& text);

// Fixed-width text fields of logger records: width w bytes, at most w - 1
// characters, then blanks, then a zero byte.
//
// Reading: the bytes up to the first zero byte (all w bytes if there is none),
// trailing blanks and zero bytes removed, converted from OEM to display text.
QString LiesTextfeld(std::span<const std::uint8_t> feld);
// Writing: the first w - 1 characters of text as OEM bytes, the remaining
// positions blank, the last byte zero. A field of width 0 is left alone.
void SchreibeTextfeld(std::span<std::uint8_t> feld, const QString& text);

// ---------------------------------------------------------------- numbers

// Delphi-style "%f": fixed notation with `stellen` decimals (two unless told
// otherwise) and a decimal comma, no thousands separator. The value is first
// taken to 15 significant digits, then rounded half away from zero, so 1,005
// gives "1,01" as the user expects from the decimal text. A value that rounds
// to zero has no minus sign. NaN and infinities give "NAN", "INF", "-INF".
QString FormatF(double wert, int stellen = 2);
// Shortest general notation with up to 15 significant digits and a decimal
// comma ("0,174", "12", "1E20"); StrToFloat reads it back.
QString FloatToStr(double wert);

// Rounds to the nearest whole number, halves to the even neighbour
// (2,5 -> 2, 3,5 -> 4, -2,5 -> -2). NaN or a value outside the range of
// long long raises ERangeError "Fehler bei Bereichsprüfung".
long long RundeHalbGerade(double wert);

// Integer text: optional blanks around it, an optional sign, then decimal
// digits, or hexadecimal digits after "$" or "0x"/"0X". A decimal value must
// fit in 32 bits signed; a hexadecimal one may use all 32 bits and is taken as
// two's complement ("$FFFFFFFF" is -1). Anything else raises EConvertError
// "'<text>' ist kein gültiger Integerwert".
int StrToInt(const QString& s);
bool TryStrToInt(const QString& s, int& wert);
int StrToIntDef(const QString& s, int vorgabe);

// Number with a decimal comma: optional blanks around it, an optional sign,
// digits with at most one decimal comma (at least one digit in all), and an
// optional exponent "E" or "e" with an optional sign and digits. A decimal
// point is not accepted. A value too large for a double raises the error too.
// Errors raise EConvertError "'<text>' ist kein gültiger Gleitkommawert".
double StrToFloat(const QString& s);
bool TryStrToFloat(const QString& s, double& wert);
double StrToFloatDef(const QString& s, double vorgabe);

// ---------------------------------------------------------------- texts

// Replaces, in place, every occurrence of the text alt by putting the first
// character of neu in place of alt's first character, as long as alt still
// occurs; with one-character texts it replaces every character alt by neu.
// Nothing happens when alt equals neu, when alt or neu is empty, or when both
// begin with the same character (where the replacement could never end).
void ErsetzeZeichen(QString& text, const QString& alt, const QString& neu);

// Splits a comma text into its items, as the lists inside INI values are read:
// - items are separated by commas; blanks (every character up to ' ', control
//   characters included) outside quotes also separate items and are otherwise
//   skipped;
// - an item beginning with a double quote runs to the next single double
//   quote; a doubled quote inside it stands for one quote, and commas and
//   blanks are part of it;
// - text right after a closing quote starts a new item ("ab"cd gives ab, cd);
// - an unterminated quoted item takes the rest of the text;
// - an empty text or one of blanks only gives no item at all; two commas in a
//   row enclose an empty item ("a,,b" gives a, "", b; ",a" gives "", a);
//   one comma at the end adds nothing ("a," gives a).
QStringList KommaTextTeilen(const QString& text);
// The reverse: items joined by commas, an item quoted (quotes doubled) when it
// is empty or holds a blank, a control character, a comma or a double quote, so
// that KommaTextTeilen gives the same items back.
QString KommaTextVerbinden(const QStringList& items);

} // namespace nuvar
