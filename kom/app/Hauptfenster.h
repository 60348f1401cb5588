#pragma once
// NUVARKom's main window, as far as this program version has it: the
// frame a sequence run creates without showing it, and a window with the
// settings and the end of the program when started without a command.
#include <QMainWindow>

class QLabel;

namespace nuvar {

class THauptfenster : public QMainWindow {
    Q_OBJECT
public:
    explicit THauptfenster(QWidget* parent = nullptr);
    // Cleared after a sequence command: the window is never shown then.
    bool ShowMainForm = true;
    QLabel* VerbindungsStatus = nullptr;

public slots:
    void MenuProgrammeinstellungen1Click();
};

} // namespace nuvar
