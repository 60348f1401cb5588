#pragma once
// SIGTERM, SIGINT and SIGHUP end NUVARKom in order instead of killing it in
// the middle of a write: the signal handler only writes a byte into a pipe,
// and the callback runs from the event loop, where every wait of a logger
// operation pumps events too.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace nuvar {

class TSignalEnde : public QObject {
    Q_OBJECT
public:
    // One object at a time. After the first signal, and when the object is
    // destroyed, the previous handlers are back (a second signal then acts as
    // without this object).
    explicit TSignalEnde(std::function<void()> beiSignal, QObject* parent = nullptr);
    ~TSignalEnde() override;
    TSignalEnde(const TSignalEnde&) = delete;
    TSignalEnde& operator=(const TSignalEnde&) = delete;

    // A signal has arrived (the callback ran, or runs at the next event).
    bool Empfangen() const { return empfangen_; }
    // The first signal that arrived (SIGTERM, SIGINT or SIGHUP), 0 before.
    int Signal() const { return signal_; }

private:
    void Lies();

    std::function<void()> beiSignal_;
    QSocketNotifier* melder_ = nullptr;
    bool empfangen_ = false;
    int signal_ = 0;
};

} // namespace nuvar
