// A signal to end reaches the program through its event loop, once; the
// handlers that were there before come back afterwards.
#include "kom/app/SignalEnde.h"

#include <QCoreApplication>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "app_SignalEnde_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

void (*Handler(int signal))(int) {
    struct sigaction sa {};
    sigaction(signal, nullptr, &sa);
    return sa.sa_handler;
}

TEST(SignalEnde, SignalRunsTheCallbackFromTheEventLoopOnce) {
    App();
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        std::signal(signal, SIG_IGN);  // what was there before
        int aufrufe = 0;
        {
            nuvar::TSignalEnde ende([&] { ++aufrufe; });
            EXPECT_NE(Handler(signal), SIG_IGN);
            std::raise(signal);
            EXPECT_EQ(aufrufe, 0);  // not inside the handler
            for (int i = 0; i < 20 && aufrufe == 0; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            EXPECT_EQ(aufrufe, 1);
            EXPECT_TRUE(ende.Empfangen());
            // After the first signal the previous handling is back.
            EXPECT_EQ(Handler(signal), SIG_IGN);
        }
        EXPECT_EQ(Handler(signal), SIG_IGN);
        std::signal(signal, SIG_DFL);
    }
}

} // namespace
