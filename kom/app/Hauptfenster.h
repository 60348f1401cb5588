#pragma once
// NUVARKom's main window, as far as this program version has it: the
// frame a sequence run creates without showing it, and a window with the
// settings and the end of the program when started without a command.
#include "common/gui/InfoDialog.h"

#include <QMainWindow>
#include <memory>

class QLabel;

namespace nuvar {

// Title, version text and module name of the splash and the about dialog.
TProgrammInfo NUVARKomInfo();

class TFernMakros;
class TFernsteuerung;

class THauptfenster : public QMainWindow {
    Q_OBJECT
public:
    explicit THauptfenster(QWidget* parent = nullptr);
    ~THauptfenster() override;

    // Offers the remote control ("RemoteControl" on the service named after
    // the program file). A second running program already offering it is no
    // error for this one: the reason goes to the log, the program goes on.
    void StarteFernsteuerung(const QString& programmDatei, const QString& verzeichnis);
    // Set while the program runs a logger operation of its own (a sequence
    // command): macros wait for its end instead of sharing the link.
    bool EigeneOperation = false;
    // Cleared after a sequence command: the window is never shown then.
    bool ShowMainForm = true;
    QLabel* VerbindungsStatus = nullptr;

public slots:
    void MenuProgrammeinstellungen1Click();

private:
    std::unique_ptr<TFernMakros> makros_;
    std::unique_ptr<TFernsteuerung> fern_;
};

} // namespace nuvar
