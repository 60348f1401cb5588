#pragma once
// The start-up splash: borderless, on top, centred on the desktop, with the
// application title, the version text and the module name.
#include <QElapsedTimer>
#include <QWidget>

class QLabel;

namespace nuvar {

class TSplashFenster : public QWidget {
    Q_OBJECT
public:
    // bild: the program's picture (an SVG resource); empty: the shared one.
    TSplashFenster(const QString& titel, const QString& version, const QString& modul, QWidget* parent = nullptr,
                   const QString& bild = {});
    QLabel* TitelLabel = nullptr;
    QLabel* VersionLabel = nullptr;
    QLabel* ModulLabel = nullptr;

    // Shows the splash and paints it at once (the program then goes on
    // with its start-up while it is up).
    void ZeigeSofort();
    // Shows it for about ms milliseconds while handling events, then hides
    // it: a splash that closes itself before the program goes on.
    void ZeigeFuer(int ms);
    // Keeps it up for ms milliseconds while the event loop runs (it repaints,
    // the program's other windows and sockets are served), then returns.
    void Halte(int ms);
    // Keeps it up until ms milliseconds after ZeigeSofort, the same way:
    // what the program did meanwhile counts towards the time it stays.
    // Past that moment, pending events are handled once.
    void HalteSeitAnzeige(int ms);

private:
    QElapsedTimer gezeigt_;
};

} // namespace nuvar
