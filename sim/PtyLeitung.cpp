#include "sim/PtyLeitung.h"

#include "sim/SimLogger.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace nuvar {

namespace {
constexpr Millis kPruefMs = 50;
constexpr Millis kTaubMs = 5000;
}  // namespace

PtyLeitung::PtyLeitung(EventPump& pump, SimLogger& logger) : pump_(pump), logger_(logger) {}

PtyLeitung::~PtyLeitung() {
    if (pruefTimer_) pump_.cancelTimer(pruefTimer_);
    if (taubTimer_) pump_.cancelTimer(taubTimer_);
    logger_.sendToHost = nullptr;
    logger_.dropLine = nullptr;
    lesen_.reset();
    schreiben_.reset();
    if (master_ >= 0) ::close(master_);
}

bool PtyLeitung::Oeffnen(QString* grund) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        if (grund) *grund = QStringLiteral("Pseudo-Terminal kann nicht angelegt werden: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const char* name = ::ptsname(master_);
    if (!name) {
        if (grund) *grund = QStringLiteral("Name des Pseudo-Terminals unbekannt");
        return false;
    }
    slave_ = QString::fromLocal8Bit(name);
    // Raw mode once on the slave: the setting stays with the terminal while
    // the master lives, so a client that does not set it (a plain open())
    // gets neither echo nor CR/LF translation.
    const int s = ::open(name, O_RDWR | O_NOCTTY);
    if (s < 0) {
        if (grund) *grund = QStringLiteral("%1 kann nicht geöffnet werden: %2").arg(slave_, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    termios t{};
    ::tcgetattr(s, &t);
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(s, TCSANOW, &t);
    ::close(s);  // from now on the master reports HUP until a client opens the slave

    lesen_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    lesen_->setEnabled(false);
    QObject::connect(lesen_.get(), &QSocketNotifier::activated, [this] { Lesen(); });
    schreiben_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Write);
    schreiben_->setEnabled(false);
    QObject::connect(schreiben_.get(), &QSocketNotifier::activated, [this] { Ausgeben(); });

    logger_.sendToHost = [this](const QByteArray& b) { Schreiben(b); };
    logger_.dropLine = [this] {
        // A pty has no carrier to drop: the logger goes deaf and mute until
        // the client closes the line or a few seconds have passed.
        if (meldung) meldung(QStringLiteral("Leitung unterbrochen (Logger schweigt)"));
        taub_ = true;
        ausstehend_.clear();
        if (taubTimer_) pump_.cancelTimer(taubTimer_);
        taubTimer_ = pump_.startTimer(kTaubMs, [this] {
            taubTimer_ = 0;
            taub_ = false;
        });
    };
    Pruefen();
    return true;
}

void PtyLeitung::Pruefen() {
    pruefTimer_ = pump_.startTimer(kPruefMs, [this] { Pruefen(); });
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) return;
    const bool hup = (p.revents & POLLHUP) != 0;
    if (client_ && hup) {
        ClientWeg();
    } else if (!client_ && !hup) {
        client_ = true;
        if (meldung) meldung(QStringLiteral("Client hat %1 geöffnet").arg(slave_));
        lesen_->setEnabled(true);
        logger_.hostOpened(logger_.Optionen().baud);
    }
}

void PtyLeitung::ClientWeg() {
    if (!client_) return;
    client_ = false;
    lesen_->setEnabled(false);
    schreiben_->setEnabled(false);
    ausstehend_.clear();
    taub_ = false;
    if (taubTimer_) pump_.cancelTimer(taubTimer_);
    taubTimer_ = 0;
    if (meldung) meldung(QStringLiteral("Client hat %1 geschlossen").arg(slave_));
    logger_.hostClosed();
}

void PtyLeitung::Lesen() {
    char puffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, puffer, sizeof puffer);
        if (n > 0) {
            if (!taub_) logger_.hostWrote(QByteArray(puffer, int(n)));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        // EIO: nobody holds the slave any more.
        ClientWeg();
        return;
    }
}

void PtyLeitung::Schreiben(const QByteArray& bytes) {
    if (!client_ || taub_) return;  // nobody listening: the bytes are lost on the line
    ausstehend_ += bytes;
    Ausgeben();
}

void PtyLeitung::Ausgeben() {
    while (!ausstehend_.isEmpty()) {
        const ssize_t n = ::write(master_, ausstehend_.constData(), size_t(ausstehend_.size()));
        if (n > 0) {
            ausstehend_.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EAGAIN: wait until the terminal takes more
    }
    schreiben_->setEnabled(!ausstehend_.isEmpty() && client_);
}

}  // namespace nuvar
