#pragma once
// "Verbindung mit NUVARKom": the small modal window shown while NUVARKom
// runs. It has no close button and ignores Escape; its one-shot timer starts
// the process once the window is up, and the window closes itself when the
// process has ended. The configurator keeps painting meanwhile.
#include "cfg/Transfer.h"

#include <QDialog>

class QLabel;
class QTimer;

namespace nuvar {

class TWrapperForm : public QDialog {
    Q_OBJECT
public:
    TWrapperForm(QString programm, QStringList argumente, QWidget* parent = nullptr);

    // Enables the timer and shows the window modally; the result of
    // ProzessStartenUndWarten.
    bool Ausfuehren();

    // What the timer runs (tests may put something else here).
    TStarter Starter = ProzessStartenUndWarten;

    QLabel* Label1 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override {}

private:
    void Timer1Timer();

    QString programm_;
    QStringList argumente_;
    bool ergebnis_ = false;
    bool fertig_ = false;
};

// The starter the transfers use interactively: the wait window.
TStarter WarteFensterStarter(QWidget* parent);

} // namespace nuvar
