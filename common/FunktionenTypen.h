#pragma once
// The logger configuration: station block, channel entries, hardware list and
// the parameter file (.DAT) that holds them, in its old ("Q&Z") and new ("QZ1")
// layout. The records are plain structs; encode/decode turn them into the packed
// little-endian bytes the logger and the files use. Text fields stay OEM bytes.
#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nuvar {

// Text fields (Stationsname, Einheit, Bezeichnung) are shown and filled with
// LiesTextfeld / SchreibeTextfeld of common/Text.h.

// ---------------------------------------------------------------------------
// Station block, 47 bytes. Bytes 0..42 are the logger's station record.
struct TStationsParameter {
    static constexpr std::size_t kGroesse = 47;
    static constexpr std::size_t kStationsrecordGroesse = 43;

    std::int16_t Stationsnummer = 0;              // 0
    std::array<std::uint8_t, 17> Stationsname{};  // 2, text field
    float Batteriespannung = 0.0f;                // 19
    std::int16_t Mittelwertintervall = 0;         // 23, minutes
    std::int16_t Messintervall = 0;               // 25, seconds
    std::int16_t Sleepmodus = 0;                  // 27
    std::int16_t Ausgelesen = 0;                  // 29
    std::int16_t Reserve = 0;                     // 31, carried unchanged
    std::int16_t FreieTage = 0;                   // 33
    std::int16_t Speichergroesse = 0;             // 35, units of 32 KB
    std::int32_t Datensaetze = 0;                 // 37
    std::int16_t Kanalanzahl = 0;                 // 41
    std::int16_t GeoLaenge = 0;                   // 43, hundredths, negative West
    std::int16_t GeoBreite = 0;                   // 45, hundredths, negative South

    std::array<std::uint8_t, kGroesse> encode() const;
    static TStationsParameter decode(std::span<const std::uint8_t, kGroesse> bytes);

    // The logger's 43-byte station record. Decoding it keeps GeoLaenge and
    // GeoBreite, which the logger knows nothing of.
    std::array<std::uint8_t, kStationsrecordGroesse> encodeStationsrecord() const;
    void decodeStationsrecord(std::span<const std::uint8_t, kStationsrecordGroesse> bytes);

    bool operator==(const TStationsParameter&) const;  // bytewise, floats by bits
};

// ---------------------------------------------------------------------------
// One entry of the channel table, 30 bytes.
struct TKanalEintrag {
    static constexpr std::size_t kGroesse = 30;

    std::uint8_t Kanalnummer = 0;                // 0, logger input, index into the hardware list
    std::uint8_t Sensorcode = 0;                 // 1
    std::array<std::uint8_t, 5> Einheit{};       // 2, text field
    float a = 0.0f;                              // 7, gain
    float b = 0.0f;                              // 11, offset
    float Min = 0.0f;                            // 15
    float Max = 0.0f;                            // 19
    std::array<std::uint8_t, 6> Bezeichnung{};   // 23, text field
    std::uint8_t Position = 0;                   // 29, 1-based position in the table

    std::array<std::uint8_t, kGroesse> encode() const;
    static TKanalEintrag decode(std::span<const std::uint8_t, kGroesse> bytes);

    bool operator==(const TKanalEintrag&) const;  // bytewise, floats by bits
};

// The channel table in its order, and the channel type of every logger input.
using TKanalListeNeu = std::vector<TKanalEintrag>;
using THardwareListeNeu = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------
// The channel range message differs between the programs: the configurator
// writes "außerhalb", the communications program "ausserhalb". Each program
// picks its variant once at start-up; the configurator's is the default.
enum class TKanalMeldung { Konfigurator, Kommunikation };
void SetzeKanalMeldung(TKanalMeldung variante);
TKanalMeldung KanalMeldung();

// ---------------------------------------------------------------------------
// The header and directory exactly as the file holds them.
struct TDateiKopf {
    std::array<char, 3> Kennung{};    // "Q&Z" or "QZ1"
    std::uint32_t Verzeichnisgroesse = 0;
    bool operator==(const TDateiKopf&) const = default;
};

struct TVerzeichnis {
    std::int32_t StationOffset = 0;
    std::int32_t StationGroesse = 0;
    std::int32_t HardwareOffset = 0;
    std::int32_t HardwareAnzahl = 0;
    std::int32_t HardwareGroesse = 0;
    std::int32_t KanalOffset = 0;
    std::int32_t KanalAnzahl = 0;
    std::int32_t KanalGroesse = 0;
    bool operator==(const TVerzeichnis&) const = default;
};

// One logger configuration in memory. A new object is all zero and empty.
//
// Errors: ERangeError for an index outside a list and for a count in a file
// that is negative or larger than the file can hold ("Fehler bei
// Bereichsprüfung"); EConvertError for a file of unknown format; EInOutError
// for a file that cannot be opened or written. A load or save that fails leaves
// the object as it was (except the header copy after an unknown format, which
// holds the bytes read), and a failed save leaves the previous file in place.
class TDATDatei {
public:
    TDATDatei() = default;
    virtual ~TDATDatei() = default;
    TDATDatei(const TDATDatei&) = default;
    TDATDatei& operator=(const TDATDatei&) = default;

    // Reads either layout. A missing file changes nothing. The new layout's
    // parts are found through its directory, wherever and in whatever order
    // they lie; entries declared smaller than ours read into the front of a
    // zeroed entry, entries declared larger skip their surplus bytes.
    virtual void LoadFromFile(const QString& dateiname);
    // alteForm: "Q&Z" (at most 65 entries, sets Kanalanzahl), else "QZ1".
    virtual void SaveToFile(const QString& dateiname, bool alteForm);

    // The exact bytes SaveToFile would write, without touching the object.
    QByteArray Abbild(bool alteForm) const;

    int HardwareCount() const;
    std::uint8_t GetHardware(int index) const;

    int ChannelCount() const;
    TKanalEintrag GetChannel(int index) const;
    void SetChannel(int index, const TKanalEintrag& eintrag);
    void AddChannel(const TKanalEintrag& eintrag);
    void InsertChannel(int index, const TKanalEintrag& eintrag);
    void DeleteChannel(int index);
    // to counts in the list after the entry has been taken out; both indexes
    // are checked before anything moves.
    void MoveChannel(int von, int nach);

    const TDateiKopf& Kopf() const { return kopf_; }
    const TVerzeichnis& Verzeichnis() const { return verzeichnis_; }

    TStationsParameter& Stationsparameter() { return station_; }
    const TStationsParameter& Stationsparameter() const { return station_; }
    // The channel table, read-only: changes go through the operations above,
    // which keep Position consecutive.
    const TKanalListeNeu& Kanalliste() const { return kanaele_; }
    THardwareListeNeu& Hardwareliste() { return hardware_; }
    const THardwareListeNeu& Hardwareliste() const { return hardware_; }

private:
    TDateiKopf kopf_;
    TVerzeichnis verzeichnis_;
    TStationsParameter station_;
    TKanalListeNeu kanaele_;
    THardwareListeNeu hardware_;
};

} // namespace nuvar
