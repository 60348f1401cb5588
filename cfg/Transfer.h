#pragma once
// Transfers through NUVARKom. The configurator never talks to a logger: it
// writes the sequence file seq9999.seq into its directory D (for sending also
// par9999.dat in the old layout), starts NUVARKom with "/auto,<D>/seq9999.seq"
// and waits for it to end; after a read it loads the par9999.dat that
// NUVARKom left in D. Only files cross between the two programs.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace nuvar {

class TDATDatei;

extern const QStringList kVerbindungsarten;  // "Direkt", "MemCard", "Modem", "Funk", "IP"
extern const QStringList kBaudraten;         // "1200" ... "57600"
inline constexpr int kModem = 2;

// The shared error text of the three commands.
extern const char* const kTransferFehler;

// One transfer's connection.
struct TVerbindung {
    std::uint8_t Verbindung = 0;  // index in kVerbindungsarten
    // Written as Schnittstelle: NUVARKom's port index, 0 = COM1; 255 when no
    // port was available.
    std::uint8_t Schnittstelle = 0;
    std::uint8_t Baudrate = 0;    // index in kBaudraten
    QString Rufnummer;
    // Written as ComPort by a read: the port's own number ("3" for COM3), or
    // empty when there was no port.
    QString ComPort;
};

// The two sequence files. Keys are written one by one (each reaches the file
// at once); other keys of earlier transfers stay.
void SchreibeLeseSequenz(const QString& seq, const TVerbindung& v);
void SchreibeSendeSequenz(const QString& seq, const TVerbindung& v);

// The files of a transfer in D.
QString SequenzDatei();   // D/seq9999.seq
QString ParDatei();       // D/par9999.dat
// The one argument NUVARKom gets: "/auto," + the sequence file's full path.
QStringList NUVARKomArgumente();

// Starts the program with the arguments in D and waits for it to end, in
// 10-ms steps while the configurator's events are processed. False when it
// could not be started, crashed, or ended with an exit code other than 0: a
// NUVARKom that gave up on an unusable program directory (78), or one whose
// settings ask for the outcome as exit code, must not pass for a transfer
// that worked. By default NUVARKom ends every sequence command with 0.
bool ProzessStartenUndWarten(const QString& programm, const QStringList& argumente);

// How a transfer starts NUVARKom and waits: the wait window, or in tests
// ProzessStartenUndWarten directly.
using TStarter = std::function<bool(const QString& programm, const QStringList& argumente)>;

// Writes the read sequence, removes an old par9999.dat, runs NUVARKom and,
// when it left a par9999.dat, loads it into `ziel`. True only then; a file
// that does not load raises its error and leaves `ziel` unchanged.
bool ParameterLesen(TDATDatei& ziel, const TVerbindung& v, const QString& programm, const TStarter& starter);
// Writes the send sequence and the configuration as par9999.dat (old
// layout, which sets its Kanalanzahl as every old-layout save does), runs
// NUVARKom. True when it could be started.
bool ParameterSenden(TDATDatei& quelle, const TVerbindung& v, const QString& programm, const TStarter& starter);

} // namespace nuvar
