#pragma once
// What the simulated logger holds about itself: the station record, its 96
// channel kanalslots of 29 bytes, the hardware list and the logger type, in the
// form the logger keeps them. The station block text of GETSTA and the
// parameter image of GETPAR are built from here.
#include "common/FunktionenTypen.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

namespace nuvar {

inline constexpr int kSlotAnzahl = 96;
inline constexpr int kSlotGroesse = 29;

struct SimStation {
    int stationsnummer = 0;
    QByteArray name = QByteArray(16, ' ');  // exactly 16 OEM bytes
    int mittelwertintervall = 10;           // minutes
    int messintervall = 10;                 // seconds
    int sleepmodus = 0;
    int ausgelesen = 0;
    int reserve = 0;
    int speichergroesse = 4;                // units of 32 KB
    QByteArray kanalslots = QByteArray(kSlotAnzahl * kSlotGroesse, '\0');
    QByteArray hardware = QByteArray(kSlotAnzahl, '\0');
    QByteArray loggertyp = "VRX420";        // exactly 6 characters

    // A plausible weather station with ten channels on inputs 0 to 9.
    static SimStation Demo();
    // From a parameter file of either layout. Entries whose input number lies
    // outside the 96 kanalslots are left out. Throws what TDATDatei throws, and
    // EInOutError when the file does not exist.
    static SimStation AusDatei(const QString& pfad);
    static SimStation AusKonfiguration(const TDATDatei& datei);

    // Sets the type, padded with blanks or cut to six characters.
    void SetzeLoggertyp(const QByteArray& typ);

    // The channel list in position order (positions 1..n), as the program
    // reads it from the kanalslots: every slot whose sensor code and position are
    // not 0, Kanalnummer = slot number.
    std::vector<TKanalEintrag> Kanaele() const;
    int Kanalanzahl() const { return int(Kanaele().size()); }
    // Bytes of one stored record: 5 time bytes and 8 per channel.
    int Satzgroesse() const { return 5 + 8 * Kanalanzahl(); }
    // Records the memory can hold.
    int Kapazitaet() const;

    // The 42-character station block with the values to report.
    QByteArray Stationsblock(int gemeldeteNummer, double batterie, int gemeldetesIntervall, int freieTage,
                             int datensaetze) const;
    // The station record the program decodes from this station's block.
    TStationsParameter Stationsparameter(double batterie, int freieTage, int datensaetze) const;

    // What the logger holds, as text for scripts and tests (nuvarsim
    // --abbild): "Schluessel=Wert" lines with the station's fields in decimal,
    // the name, the hardware list and every used slot (sensor code and
    // position not 0) as hexadecimal bytes, "Kanal<slot>=" in slot order.
    QByteArray Abbildtext() const;

    // One slot from an entry and back.
    static QByteArray SlotAusEintrag(const TKanalEintrag& e);
    static TKanalEintrag EintragAusSlot(const QByteArray& slot, int nummer);
};

// Digits with leading zeros in a field of `breite`, the value clamped to fit.
QByteArray Ziffern(long long wert, int breite);
// "yymmddhhnnss"
QByteArray UhrText(const QDateTime& zeit);

}  // namespace nuvar
