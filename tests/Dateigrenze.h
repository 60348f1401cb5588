#pragma once
// Files of this process may grow to a given size only, as on a disk that is
// full: a write beyond fails with the system's reason instead of a signal.
#include <csignal>
#include <sys/resource.h>

namespace nuvar::test {

class Dateigrenze {
public:
    explicit Dateigrenze(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &alt_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit neu = alt_;
        neu.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &neu);
    }
    ~Dateigrenze() {
        setrlimit(RLIMIT_FSIZE, &alt_);
        std::signal(SIGXFSZ, signal_);
    }
    Dateigrenze(const Dateigrenze&) = delete;
    Dateigrenze& operator=(const Dateigrenze&) = delete;

private:
    rlimit alt_{};
    void (*signal_)(int) = nullptr;
};

} // namespace nuvar::test
