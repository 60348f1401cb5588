#pragma once
// The ports the connection dialog offers. NUVARKom opens COM<n> through the
// port map of its NUVARWin.ini ([Schnittstellen] COM<n>=device, without a key
// /dev/ttyS<n-1>), so the list is built from exactly that rule: every COM
// name that resolves to a device that exists, each shown with its device.
// The configurator then writes Schnittstelle = n - 1 and ComPort = n, and
// NUVARKom opens the port the user chose.
//
// A serial device that no COM name reaches (a USB adapter under
// /dev/serial/by-id/) is offered too, under the next free COM number; when
// the user connects through it, that number is written into the port map.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace nuvar {

class TIniFile;

struct TPortEintrag {
    int Com = 0;      // COM<n>
    QString Geraet;   // the device it opens
    bool Neu = false; // not in the port map yet: entered when chosen
    // "COM3  (/dev/ttyUSB0)"; a new one says so.
    QString Anzeige() const;
};

// Where serial devices are looked for; tests point it elsewhere.
struct TPortSuche {
    // System paths of the serial ports that have hardware behind them
    // (default: Qt's enumeration, which leaves out /dev/ttyS nodes without a
    // UART).
    std::function<QStringList()> Geraete;
    QString ByIdVerzeichnis = QStringLiteral("/dev/serial/by-id");
    static TPortSuche System();
};

// The list for the direct kinds ("Direkt", "MemCard", "Funk"), sorted by COM
// number: the port map's entries whose device exists, the default ttyS ports
// that exist and are not mapped elsewhere, then devices without a COM name.
std::vector<TPortEintrag> SerielleSchnittstellen(const TIniFile& nuvarwin, const TPortSuche& suche);
// The list for "IP": only the port map's own entries whose device exists. A
// network serial-port redirector (socat, ser2net clients) gives a
// pseudo-terminal that is entered there like any other port.
std::vector<TPortEintrag> NetzSchnittstellen(const TIniFile& nuvarwin);

// Writes a new entry's COM name into the port map (raises EInOutError when
// the file cannot be written) and returns the notice for the user.
QString TrageEin(TIniFile& nuvarwin, const TPortEintrag& e);

} // namespace nuvar
