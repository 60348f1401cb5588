#pragma once
// The serial port as the transfer window sees it: data triggers on a byte
// sequence, timer triggers counted in ticks of 1/18.2 s, available-data
// events, get a byte, write. Runs above any ByteSource and takes its time from
// the event pump.
#include "platform/ByteSource.h"
#include "platform/EventPump.h"

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
    bool Open(QString* reason);
    void Close();
    bool IsOpen() const;
    void SetDtr(bool on);
    ByteSource& Source();

    // --- triggers ---
    Handle AddDataTrigger(const QByteArray& sequence);  // case-sensitive
    void RemoveTrigger(Handle h);
    void RemoveAllTriggers();  // data and timer triggers
    Handle AddTimerTrigger();
    void SetTimerTrigger(Handle h, int ticks, bool activate);

    // --- data ---
    int InBuffUsed() const;
    // Next received byte; -1 when none is buffered.
    int GetChar();
    QByteArray GetBlock(int count);
    void PutString(const QByteArray& bytes);
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
