#pragma once
// INI files (sessions.ini, sequence files, NUVARWin.ini, config.ini), read and
// written with the rules the Windows-prepared files of our users rely on.
//
// Reading
// - Section and key names are compared without regard to case. Names, keys and
//   values are trimmed of surrounding blanks (space, tab, CR, LF, VT, FF).
// - A line "[name]" opens a section (the name is the text up to the first ']').
//   In a section, a line with '=' is a key; the key is the text before the first
//   '='. Lines starting with ';', lines without '=' and lines before the first
//   section are kept on writing but are no keys.
// - A section that occurs more than once is one section: its keys are looked up
//   through all its occurrences, in file order. The first occurrence of a key
//   wins.
// - A value wholly enclosed in matching quotes (both ' or both ") loses them.
//   Values are read up to 2047 characters.
// - Integers: see StrToInt in Text.h ("0x" or "$" for hexadecimal); a missing
//   key or a value that does not parse gives the caller's default. Booleans are
//   integers: 0 false, anything else true. Floats use the decimal comma.
// - Bytes that are valid UTF-8 are read as UTF-8 (a byte order mark is
//   skipped), anything else as Windows-1252. CRLF and LF line ends both work.
// - Every read looks at the file as it is now, so changes by other programs are
//   seen at once (the parsed file is cached while its bytes stay the same).
// - A missing or unreadable file reads as a file without sections.
//
// Writing
// - A written key reaches the file at once. Every other line stays as it was
//   (comments, unknown keys, order, each line's own line end; a UTF-8 byte
//   order mark is kept). The file is written as UTF-8.
// - An existing key keeps its line and spelling; only its value changes. A new
//   key goes after the last key of its section, a new section to the end.
// - A value that would not read back as written (surrounding blanks, or wholly
//   enclosed in quotes) is written in double quotes. Line breaks inside a value
//   cannot be stored and are written as blanks.
// - The file is replaced through a temporary file in the same directory, so a
//   program that dies mid-write never leaves a truncated file.
// - A file that cannot be written raises EInOutError
//   "Datei <name> kann nicht geschrieben werden". A section name containing ']'
//   or a line break, or a key that is empty or contains '=' or a line break,
//   raises EConvertError; such names could not be read back.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace nuvar {

class TIniFile {
public:
    explicit TIniFile(const QString& fileName);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const QString& FileName() const { return fileName_; }

    QString ReadString(const QString& section, const QString& key, const QString& vorgabe) const;
    int ReadInteger(const QString& section, const QString& key, int vorgabe) const;
    bool ReadBool(const QString& section, const QString& key, bool vorgabe) const;
    double ReadFloat(const QString& section, const QString& key, double vorgabe) const;

    void WriteString(const QString& section, const QString& key, const QString& wert);
    void WriteInteger(const QString& section, const QString& key, int wert);
    void WriteBool(const QString& section, const QString& key, bool wert);  // "1" or "0"
    void WriteFloat(const QString& section, const QString& key, double wert);  // FloatToStr

    // Section names in file order, each once (as first written).
    QStringList ReadSections() const;
    // Key names of a section in file order, each once (as first written).
    QStringList ReadSection(const QString& section) const;
    // "key=value" for every key of a section (values as ReadString gives them).
    QStringList ReadSectionValues(const QString& section) const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

    // Removes every occurrence of the section with all its lines.
    void EraseSection(const QString& section);
    // Removes every line of the key in the section.
    void DeleteKey(const QString& section, const QString& key);

    // Values longer than this are cut on reading.
    static constexpr int kMaxWertLaenge = 2047;

    struct Inhalt;  // parsed file, internal

private:
    const Inhalt& Lade() const;
    void Speichere(const Inhalt& neu);

    QString fileName_;
    mutable std::unique_ptr<Inhalt> cache_;
};

} // namespace nuvar
