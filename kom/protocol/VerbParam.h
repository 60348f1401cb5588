#pragma once
// The link parameters of one operation, passed by value to every driver.
#include <QString>
#include <cstdint>

namespace nuvar {

struct TVerbParam {
    // 0 Direkt, 1 MemCard, 2 Modem, 3 Funk, 4 IP; only 0 and 2 can connect.
    std::uint8_t Verbindung = 0;
    // Direct line: 0 = 1200, 1 = 2400, 2 = 4800, 3 = 9600.
    std::uint8_t Baudrate = 0;
    // 0 = COM1, 1 = COM2, ...
    std::uint8_t Schnittstelle = 0;
    QString Rufnummer;
    QString Modemname;
    QString Kennung;
    QString Bezeichnung;
    QString Dateiname;
    std::int32_t StatNr = 0;
    QString StatName;
    std::int32_t Mittelwertzeit = 0;
    // Station check mismatches: modal box (true) or a box that closes itself.
    bool HaltBeiFehler = false;
};

} // namespace nuvar
