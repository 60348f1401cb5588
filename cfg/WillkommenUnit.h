#pragma once
// "Willkommen": offered while no configuration has been obtained. Three large
// buttons choose how to get one; "&Beenden" ends the program.
#include <QDialog>

class QLabel;
class QPushButton;

namespace nuvar {

class TWillkommenForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kOnline = 3333;
    static constexpr int kMessprogramm = 2222;
    static constexpr int kDatei = 1111;
    static constexpr int kBeenden = 9999;

    explicit TWillkommenForm(QWidget* parent = nullptr);

    // Shows the dialog; the code of the button pressed, 9999 when it was
    // closed any other way.
    int Ausfuehren();
    int Ergebnis = kBeenden;
    // "&Beenden" was pressed (not merely the window closed).
    bool BeendenGedrueckt = false;

    QLabel* TitelLabel = nullptr;
    QPushButton* OnlineButton = nullptr;
    QPushButton* MessprogrammButton = nullptr;
    QPushButton* DateiButton = nullptr;
    QPushButton* BeendenButton = nullptr;
};

} // namespace nuvar
