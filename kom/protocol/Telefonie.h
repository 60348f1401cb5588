#pragma once
// The telephony device as the transfer window sees it: a list of modems,
// their opaque configuration block, dialling with call-state events, and the
// line the call carries once connected.
#include "platform/ByteSource.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

namespace nuvar {

class WireTrace;

// Call states and disconnect modes the status lines are chosen by.
namespace tapi {
constexpr std::uint32_t LINE_CALLSTATE = 2;
constexpr std::uint32_t LINECALLSTATE_DIALING = 0x10;
constexpr std::uint32_t LINECALLSTATE_CONNECTED = 0x100;
constexpr std::uint32_t LINECALLSTATE_PROCEEDING = 0x200;
constexpr std::uint32_t LINECALLSTATE_DISCONNECTED = 0x4000;
constexpr std::uint32_t LINEDISCONNECTMODE_NORMAL = 0x1;
constexpr std::uint32_t LINEDISCONNECTMODE_BUSY = 0x20;
constexpr std::uint32_t LINEDISCONNECTMODE_NOANSWER = 0x40;
constexpr std::uint32_t LINEDISCONNECTMODE_UNAVAIL = 0x800;
constexpr std::uint32_t LINEDISCONNECTMODE_NODIALTONE = 0x1000;
} // namespace tapi

class TTelefonie {
public:
    virtual ~TTelefonie() = default;
    virtual QStringList Geraetenamen() const = 0;
    virtual void WaehleGeraet(const QString& name) = 0;
    virtual QString Geraetename() const = 0;
    // The "comm/datamodem" block of the selected device, at most 1024 bytes.
    virtual QByteArray Konfiguration() const = 0;
    virtual void SetzeKonfiguration(const QByteArray& block) = 0;
    virtual void Waehlen(const QString& nummer) = 0;
    virtual QString GewaehlteNummer() const = 0;
    virtual bool Verbunden() const = 0;
    virtual int Verbindungsrate() const = 0;
    // Hangs up, or abandons a call attempt.
    virtual void Abbrechen() = 0;
    // The line of a connected call; the window's port runs over it.
    virtual ByteSource* Leitung() = 0;
    // The modem dialogue goes to the wire trace while one is set (borrowed).
    virtual void SetTrace(WireTrace*) {}

    // Events, called from the event pump.
    std::function<void(std::uint32_t meldung, std::uint32_t zustand, std::uint32_t modus)> OnStatus;
    std::function<void()> OnConnect;
    std::function<void()> OnFail;
};

} // namespace nuvar
