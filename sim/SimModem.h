#pragma once
// A Hayes modem in front of the simulated logger, on the same line. Before a
// call it answers AT commands; ATD<number> rings for a while and then
// connects or fails according to the number table; during a call it carries
// the logger protocol until "+++" (with guard time) and ATH, until the host
// drops DTR or closes the line, or until the logger side goes away.
#include "platform/EventPump.h"
#include "sim/SimOptions.h"

#include <QByteArray>

#include <functional>

namespace nuvar {

class SimModem {
public:
    enum class Zustand { Befehl, Waehlen, Online, OnlineBefehl };

    SimModem(EventPump& pump, const SimModemOptionen& optionen, int rate);
    ~SimModem();
    SimModem(const SimModem&) = delete;
    SimModem& operator=(const SimModem&) = delete;

    // Bytes from the host.
    void VomHost(const QByteArray& bytes);
    // Bytes from the logger: reach the host only while online.
    void VomLogger(const QByteArray& bytes);
    // The host dropped DTR or closed the line: an active call ends.
    void HostWeg();
    // The far end went away (the logger dropped the line): NO CARRIER.
    void TraegerWeg();

    Zustand ZustandJetzt() const { return zustand_; }
    bool Verbunden() const { return zustand_ == Zustand::Online || zustand_ == Zustand::OnlineBefehl; }
    QByteArray GewaehlteNummer() const { return nummer_; }

    std::function<void(const QByteArray&)> zumHost;    // result lines, echo, data
    std::function<void(const QByteArray&)> zumLogger;  // data during a call
    std::function<void()> verbunden;                    // a call was connected
    std::function<void()> aufgelegt;                    // a call ended
    std::function<void(const QString&)> meldung;        // human-readable log

private:
    void Ergebnis(const QByteArray& text);
    void Befehlszeile(const QByteArray& zeile);
    void Waehle(const QByteArray& wahl);
    void Auflegen(bool melden);
    void Zuruecksetzen();
    void OnlineByte(char c, Millis t);
    void FluchtAbbrechen();

    EventPump& pump_;
    SimModemOptionen opt_;
    int rate_;
    Zustand zustand_ = Zustand::Befehl;
    bool echo_;
    QByteArray zeile_;
    QByteArray nummer_;
    QMap<int, int> sRegister_;
    EventPump::TimerId waehlTimer_ = 0;
    // Escape detection: "+++" with silence of the guard time before and after.
    Millis letztesByte_ = 0;
    int plus_ = 0;
    EventPump::TimerId fluchtTimer_ = 0;
};

}  // namespace nuvar
