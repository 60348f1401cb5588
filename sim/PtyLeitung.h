#pragma once
// The simulated logger on a pseudo-terminal: the program opens the slave as
// its serial port. The master side reads what the program writes and writes
// what the logger sends.
//
// A client that closes the slave makes the master read EIO (and poll HUP)
// until a client opens it again. We do not hold the slave open ourselves,
// because then a closing client could not be seen at all; instead reading
// stops while nobody holds the slave and a short poll notices the next
// client. A closed line ends a modem call like a dropped DTR.
#include "platform/EventPump.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace nuvar {

class SimLogger;

class PtyLeitung {
public:
    PtyLeitung(EventPump& pump, SimLogger& logger);
    ~PtyLeitung();
    PtyLeitung(const PtyLeitung&) = delete;
    PtyLeitung& operator=(const PtyLeitung&) = delete;

    // Creates the pseudo-terminal (raw, 8 bits, no echo). False with a German
    // reason on failure.
    bool Oeffnen(QString* grund);
    QString SlavePfad() const { return slave_; }
    bool ClientDa() const { return client_; }

    std::function<void(const QString&)> meldung;

private:
    void Lesen();
    void Pruefen();
    void Schreiben(const QByteArray& bytes);
    void Ausgeben();
    void ClientWeg();

    EventPump& pump_;
    SimLogger& logger_;
    int master_ = -1;
    QString slave_;
    bool client_ = false;
    bool taub_ = false;  // the logger "dropped the line": hears and says nothing for a while
    std::unique_ptr<QSocketNotifier> lesen_;
    std::unique_ptr<QSocketNotifier> schreiben_;
    QByteArray ausstehend_;
    EventPump::TimerId pruefTimer_ = 0;
    EventPump::TimerId taubTimer_ = 0;
};

}  // namespace nuvar
