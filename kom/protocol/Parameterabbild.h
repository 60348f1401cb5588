#pragma once
// The logger's parameter memory as "GETPAR" brings it and "SETCCT" writes
// its channel part: 3 blocks of 1024 bytes. Every offset into it is named
// here once; the station block inside it is the "GETSTA" reply and the
// "SETSTA" parameter frame as well.
namespace nuvar::abbild {

inline constexpr int kGroesse = 3 * 1024;  // the three blocks
inline constexpr int kSlotLaenge = 29;     // one channel slot
inline constexpr int kSlots = 96;          // one per logger input
// In a slot: sensor code (0 = unused) first, list position (0 = unused) last.
inline constexpr int kSlotSensorcode = 0;
inline constexpr int kSlotPosition = 28;
inline constexpr int kStationsblock = kSlots * kSlotLaenge;  // 2784
inline constexpr int kStationsblockLaenge = 42;
inline constexpr int kHardware = kStationsblock + kStationsblockLaenge;  // 2826, one byte per input
inline constexpr int kUhr = kHardware + kSlots;                          // 2922, "yymmddhhnnss"
inline constexpr int kUhrLaenge = 12;
inline constexpr int kTyp = kUhr + kUhrLaenge;  // 2934, six characters
inline constexpr int kTypLaenge = 6;
inline constexpr int kBenutzt = kTyp + kTypLaenge;  // 2940; the rest is unused

static_assert(kStationsblock == 2784 && kHardware == 2826 && kUhr == 2922 && kTyp == 2934 && kBenutzt == 2940);

// The text fields of the station block: offset and width.
struct TFeld {
    int von, laenge;
};
inline constexpr TFeld kStationsnummer{0, 3};
inline constexpr TFeld kStationsname{3, 16};
inline constexpr TFeld kBatteriespannung{19, 4};
inline constexpr TFeld kMittelwertintervall{23, 2};
inline constexpr TFeld kMessintervall{25, 3};
inline constexpr TFeld kSleepmodus{28, 1};
inline constexpr TFeld kAusgelesen{29, 1};
inline constexpr TFeld kReserve{30, 1};
inline constexpr TFeld kFreieTage{31, 4};
inline constexpr TFeld kSpeichergroesse{35, 2};
inline constexpr TFeld kDatensaetze{37, 5};
static_assert(kDatensaetze.von + kDatensaetze.laenge == kStationsblockLaenge);

} // namespace nuvar::abbild
