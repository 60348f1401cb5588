#pragma once
// Telephony over a Hayes AT-command modem on a serial device.
//
// Devices: the modems named in NUVARWin.ini, section "Modems" (key = modem
// name, value = device path; a bare name means that name under /dev).
//
// Configuration block (what the transfer window keeps in NUVARKom.mdm, at
// most 1024 bytes, opaque to it): our own small text, one "key=value" a line:
//   Initialisierung=AT&FE0V1X4&C1&D2   command sent before dialling
//   Wahlverfahren=Ton                  Ton (ATDT) or Puls (ATDP)
//   Geschwindigkeit=9600               rate between computer and modem
// Unknown keys and lines are ignored, missing ones keep their defaults, so an
// empty or foreign block yields a working default configuration.
//
// Dialling (Waehlen): opens the device at the line speed, sends the
// initialisation and waits for OK (two tries of 3 s each), then sends
// ATD T|P + number. Events, always from the pump, with the call-state message
// kLineCallState:
//   start of dialling          status DIALING
//   echo of the dial command,
//   or RINGING                 status PROCEEDING (only with echo on / such a modem)
//   CONNECT [rate]             status CONNECTED, then OnConnect; the rate is
//                              the first number after CONNECT, else the line speed
//   BUSY                       DISCONNECTED/BUSY       then OnFail
//   NO ANSWER                  DISCONNECTED/NOANSWER   then OnFail
//   NO DIALTONE, NO DIAL TONE  DISCONNECTED/NODIALTONE then OnFail
//   NO CARRIER                 DISCONNECTED/NORMAL     then OnFail
//   BLACKLISTED, DELAYED       DISCONNECTED/UNAVAIL    then OnFail
//   ERROR, no answer to the
//   initialisation, device
//   cannot be opened           DISCONNECTED/UNKNOWN    then OnFail
// Fehlertext() gives a German line for the last failure (empty for the plain
// result codes, whose status events already say it all).
// Only verbose result codes (V1) are understood; the default initialisation
// sets V1.
//
// Data: after CONNECT every byte of the device belongs to the call. The
// transfer window's TriggerPort runs over it through SetLine(&Leitung()),
// set before or after dialling: the line is open from CONNECT on (Open on it
// also succeeds while connected), its close only detaches, never hangs up. A carrier loss while connected (NO CARRIER from the modem, or DCD
// dropping once it had been seen high) gives status DISCONNECTED/NORMAL and a
// line error on Leitung(), so a running wait ends at once.
//
// Abbrechen hangs up in the background: one guard time (1.1 s) without data,
// "+++", another guard time, "ATH", up to 2 s for its OK, DTR off for 0.5 s,
// device closed. A call that was connected reports DISCONNECTED/NORMAL at the
// end. Bereit() tells when the modem can dial again. Destroying the modem
// mid-way drops DTR and closes the device at once.
#include "platform/ByteSource.h"
#include "platform/EventPump.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

namespace nuvar {

class TIniFile;
class WireTrace;

class AtModem {
public:
    static constexpr std::uint32_t kLineCallState = 2;
    static constexpr std::uint32_t kIdle = 0x1;
    static constexpr std::uint32_t kDialing = 0x10;
    static constexpr std::uint32_t kConnected = 0x100;
    static constexpr std::uint32_t kProceeding = 0x200;
    static constexpr std::uint32_t kDisconnected = 0x4000;
    static constexpr std::uint32_t kModeNormal = 0x1;
    static constexpr std::uint32_t kModeUnknown = 0x2;
    static constexpr std::uint32_t kModeBusy = 0x20;
    static constexpr std::uint32_t kModeNoAnswer = 0x40;
    static constexpr std::uint32_t kModeUnavail = 0x800;
    static constexpr std::uint32_t kModeNoDialtone = 0x1000;

    static constexpr int kMaxKonfiguration = 1024;
    static constexpr Millis kInitTimeoutMs = 3000;
    static constexpr int kInitTries = 2;
    static constexpr Millis kGuardMs = 1100;
    static constexpr Millis kHangupOkMs = 2000;
    static constexpr Millis kDtrDropMs = 500;
    static constexpr Millis kCarrierPollMs = 500;

    struct Einstellungen {
        QString initialisierung = QStringLiteral("AT&FE0V1X4&C1&D2");
        bool tonwahl = true;
        int geschwindigkeit = 9600;
        QByteArray Block() const;
        static Einstellungen AusBlock(const QByteArray& block);
    };

    // Makes the byte source for a device path; by default a SerialDevice.
    using DeviceFactory = std::function<std::unique_ptr<ByteSource>(const QString& path)>;

    // The ini file must outlive the modem.
    AtModem(EventPump& pump, const TIniFile& ini, DeviceFactory factory = {});
    ~AtModem();
    AtModem(const AtModem&) = delete;
    AtModem& operator=(const AtModem&) = delete;

    QStringList Geraetenamen() const;
    // Selects a device named in the ini (compared without case); an unknown
    // name leaves none selected.
    void WaehleGeraet(const QString& name);
    QString Geraetename() const;
    QString Geraetepfad() const;

    QByteArray Konfiguration() const;
    void SetzeKonfiguration(const QByteArray& block);  // cut to 1024 bytes
    const Einstellungen& Konfig() const;

    void Waehlen(const QString& nummer);
    QString GewaehlteNummer() const;
    bool Verbunden() const;
    std::uint32_t Anrufzustand() const;
    int Verbindungsrate() const;
    void Abbrechen();
    bool Bereit() const;
    QString Fehlertext() const;

    ByteSource& Leitung();

    // Modem dialogue (not the data of a call: the port traces that) is written
    // to the trace while one is set (borrowed).
    void SetTrace(WireTrace* trace);

    std::function<void(std::uint32_t meldung, std::uint32_t zustand, std::uint32_t modus)> OnStatus;
    std::function<void()> OnConnect;
    std::function<void()> OnFail;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace nuvar
