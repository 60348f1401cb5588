#include "kom/app/SignalEnde.h"

#include <QSocketNotifier>

#include <array>
#include <cstdint>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nuvar {

namespace {

constexpr std::array<int, 3> kSignale{SIGTERM, SIGINT, SIGHUP};
int gPaar[2] = {-1, -1};
struct sigaction gVorher[kSignale.size()];

void Handler(int signal) {
    const char c = char(signal);
    // Only async-signal-safe calls here; a full pipe already carries a byte.
    [[maybe_unused]] const ssize_t n = ::write(gPaar[1], &c, 1);
}

} // namespace

TSignalEnde::TSignalEnde(std::function<void()> beiSignal, QObject* parent)
    : QObject(parent), beiSignal_(std::move(beiSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPaar) != 0) return;
    ::fcntl(gPaar[1], F_SETFL, ::fcntl(gPaar[1], F_GETFL) | O_NONBLOCK);
    melder_ = new QSocketNotifier(gPaar[0], QSocketNotifier::Read, this);
    connect(melder_, &QSocketNotifier::activated, this, &TSignalEnde::Lies);
    struct sigaction sa {};
    sa.sa_handler = Handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignale.size(); ++i) ::sigaction(kSignale[i], &sa, &gVorher[i]);
}

TSignalEnde::~TSignalEnde() {
    if (!melder_) return;
    for (std::size_t i = 0; i < kSignale.size(); ++i) ::sigaction(kSignale[i], &gVorher[i], nullptr);
    delete melder_;
    ::close(gPaar[0]);
    ::close(gPaar[1]);
    gPaar[0] = gPaar[1] = -1;
}

void TSignalEnde::Lies() {
    char puffer[16];
    const ssize_t n = ::read(gPaar[0], puffer, sizeof puffer);
    if (empfangen_) return;
    empfangen_ = true;
    signal_ = n > 0 ? int(std::uint8_t(puffer[0])) : SIGTERM;
    // A second signal, while the program is ending, ends it at once: the
    // usual way out when an ending hangs.
    for (std::size_t i = 0; i < kSignale.size(); ++i) ::sigaction(kSignale[i], &gVorher[i], nullptr);
    if (beiSignal_) beiSignal_();
}

} // namespace nuvar
