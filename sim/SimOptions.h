#pragma once
// Everything that shapes one simulated logger: its station, its clock, its
// line, the faults it shows on request and the modem in front of it.
#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <optional>
#include <vector>

namespace nuvar {

// A fault shown for the first `anzahl` occasions of a command (or of every
// command when `befehl` is empty). Command words are compared without
// trailing blanks, so "MCDEL" names "MCDEL ".
struct SimFehler {
    enum class Art {
        Schweigen,   // the first k command frames get no answer at all
        Nak,         // the first k command frames are answered with a NAK line
        Pruefsumme,  // the first k data replies or blocks carry wrong checksum digits
        Rauschen,    // the first k replies are preceded by noise bytes
        Abbruch,     // a download drops the line after k blocks (once)
    };
    Art art = Art::Schweigen;
    QByteArray befehl;  // empty: every command
    int anzahl = 1;
};

// Results a dialled number gets from the modem (anything not in the table
// connects).
enum class ModemErgebnis { Connect, Busy, NoAnswer, NoDialtone, NoCarrier };
QByteArray ModemErgebnisText(ModemErgebnis e);

struct SimModemOptionen {
    bool aktiv = false;
    int klingelnMs = 3000;    // ring delay before the call result
    int schutzzeitMs = 1000;  // guard time around "+++" (S12 = 50)
    bool echo = false;        // ATE0 is the state after power-up here
    // Number (digits only, dial modifiers removed) -> result. The defaults
    // are documented in sim/README.md.
    QMap<QByteArray, ModemErgebnis> nummern = StandardNummern();
    static QMap<QByteArray, ModemErgebnis> StandardNummern();
};

struct SimOptions {
    // Station: a parameter file of either layout, or the demonstration
    // station when empty.
    QString stationsdatei;
    QByteArray loggertyp = "VRX420";  // six characters on the wire, padded with blanks
    int datensaetze = 144;            // stored records at start
    bool speicherkarte = true;        // false: "MCDEL " answers "ERR001"
    bool aufzeichnen = true;          // store a new record at every averaging interval
    quint32 saat = 1;                 // seed of the weather, mixed with the station number

    // Clock: start (invalid: the PC clock at construction) plus the time of
    // the event pump plus an offset.
    QDateTime uhrStart;
    qint64 uhrVersatzS = 0;

    // Line
    int baud = 9600;
    bool takt = true;       // false: replies leave at once instead of at the baud rate
    int antwortMs = 20;     // time the logger takes before it answers

    // Faults
    std::vector<SimFehler> fehler;
    std::optional<int> gemeldeteStationsnummer;  // reported instead of the real one
    std::optional<int> gemeldetesIntervall;      // reported averaging interval
    int mehrGemeldet = 0;                        // records reported on top of those sent

    SimModemOptionen modem;
};

}  // namespace nuvar
