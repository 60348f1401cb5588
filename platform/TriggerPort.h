#pragma once
// The serial port as the transfer window sees it: data triggers on a byte
// sequence, timer triggers counted in ticks of 1/18.2 s, available-data
// events, get a byte, write. Runs above any ByteSource and takes its time from
// the event pump.
//
// Delivery: received bytes go into an input buffer and are announced with
// OnTriggerAvail(count), count being the bytes of that announcement; take them
// with GetChar/GetBlock (bytes left there stay buffered, in order). Where a
// data trigger's sequence starts, the bytes before it are announced first,
// then OnTriggerData(handle) fires for every trigger matching there (in the
// order they were added), and the matched bytes come with the next
// OnTriggerAvail. A sequence may be split across deliveries; a tail that may
// be the start of a longer sequence is held back for at most one tick, then
// handed out anyway (a later completion still fires, after its first bytes).
// A trigger sees only bytes not yet announced when it is added. Each trigger
// matches without overlapping itself. Handlers may add/remove triggers, read
// and pump events (a nested pump delivers further bytes from inside them).
//
// The input buffer is nominally 4096 bytes but grows as needed, so a slow
// engine loses nothing; only beyond 1 MiB unread (a stalled reader) are the
// oldest bytes dropped, reported once through OnLineError.
//
// Events come only from the pump: PutString never calls back. Line errors of
// the source (device unplugged, peer dropped) reach OnLineError at once.
//
// Modem links: the port normally runs over the source given at construction;
// SetLine(&modem.Leitung()) makes it run over a connected call's line instead
// (borrowed, not owned), SetLine(nullptr) switches back. Switching closes
// what the port had open before. The modem's line is open from CONNECT on,
// and Open on it succeeds while the call is connected.
#include "platform/ByteSource.h"
#include "platform/EventPump.h"
#include "platform/WireTrace.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace nuvar {

// Ticks of 1/18.2 s to milliseconds (1 tick ~ 55 ms, 91 ticks ~ 5 s).
Millis TicksToMs(int ticks);

class TriggerPort {
public:
    using Handle = int;

    TriggerPort(EventPump& pump, std::unique_ptr<ByteSource> source);
    ~TriggerPort();

    // --- opening (applied before open) ---
    void SetComNumber(int n);  // 1-based
    int ComNumber() const;
    void SetBaud(int baud);
    int Baud() const;
    // Opening starts with an empty input buffer; triggers stay registered.
    bool Open(QString* reason);
    // Disarms the timer triggers; the triggers themselves stay registered.
    void Close();
    bool IsOpen() const;
    void SetDtr(bool on);
    // The source the port runs over now (the line while one is set).
    ByteSource& Source();
    void SetLine(ByteSource* line);
    ByteSource* Line() const;

    // Bytes sent and received, opening, closing and line errors go to the
    // trace while one is set (borrowed; nullptr switches it off).
    void SetTrace(WireTrace* trace);

    // --- triggers ---
    Handle AddDataTrigger(const QByteArray& sequence);  // case-sensitive; empty: 0, no trigger
    void RemoveTrigger(Handle h);
    void RemoveAllTriggers();  // data and timer triggers
    Handle AddTimerTrigger();
    // Unknown handles are ignored. Re-arming restarts the count.
    void SetTimerTrigger(Handle h, int ticks, bool activate);
    bool TimerArmed(Handle h) const;

    // --- data ---
    int InBuffUsed() const;
    // Next received byte; -1 when none is buffered.
    int GetChar();
    QByteArray GetBlock(int count);
    void PutString(const QByteArray& bytes);
    // Drops every received byte not yet taken, announced or not.
    void FlushInBuffer();

    // Event handlers, called from the pump. Bytes received before a matched
    // trigger sequence are announced through OnTriggerAvail first; the matched
    // bytes follow in a later OnTriggerAvail, after OnTriggerData.
    std::function<void(int count)> OnTriggerAvail;
    std::function<void(Handle)> OnTriggerData;
    std::function<void(Handle)> OnTriggerTimer;
    std::function<void(const QString& reason)> OnLineError;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace nuvar
