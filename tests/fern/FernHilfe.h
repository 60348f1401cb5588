#pragma once
// Shared by the remote-control tests: one Qt application per test program,
// a private socket directory of its own (so a NUVARKom the developer runs is
// never reached), and waiting on Qt's event loop until something holds.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <functional>

namespace nuvar::test {

inline QTemporaryDir& Laufzeitverzeichnis() {
    static QTemporaryDir dir;  // made with mode 0700
    return dir;
}

inline void Anwendung() {
    static int argc = 1;
    static char name[] = "fern_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        qputenv("XDG_RUNTIME_DIR", Laufzeitverzeichnis().path().toLocal8Bit());
        return new QCoreApplication(argc, argv);
    }();
    (void)app;
}

// Handles Qt events until bis() holds. The bound only keeps a broken build
// from hanging the suite; no test depends on how long anything takes.
inline bool Warte(const std::function<bool()>& bis) {
    QDeadlineTimer schranke(60000);
    while (!bis()) {
        if (schranke.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// A client that speaks the wire format by hand, without blocking the thread
// the server runs on.
struct RohKlient {
    QLocalSocket s;
    QByteArray antwort;
    bool getrennt = false;
    explicit RohKlient(const QString& pfad) {
        QObject::connect(&s, &QLocalSocket::readyRead, [this] { antwort += s.readAll(); });
        QObject::connect(&s, &QLocalSocket::disconnected, [this] {
            antwort += s.readAll();
            getrennt = true;
        });
        s.connectToServer(pfad);
        s.waitForConnected(5000);
    }
    void Sende(const QByteArray& b) {
        s.write(b);
        s.flush();
    }
    bool WarteAufAntwort() { return Warte([this] { return antwort.contains('\n') || getrennt; }); }
};

inline QByteArray Anfrage(const QByteArray& kopf, const QByteArray& daten) {
    return kopf + '\n' + QByteArray::number(daten.size()) + '\n' + daten;
}

} // namespace nuvar::test
