#pragma once
// "Kanal auswählen": the free inputs of the station that fit the chosen
// sensor's channel type.
#include "common/Katalog.h"
#include "common/FunktionenTypen.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace nuvar {

class TKanalAuswahlForm : public QDialog {
    Q_OBJECT
public:
    explicit TKanalAuswahlForm(QWidget* parent = nullptr);

    // True and the chosen input number, or false.
    bool KanalAuswaehlen(const TGeberINIZeile& sensor, const THardwareListeNeu& kopie, int& eingang);

    QLabel* Label1 = nullptr;  // "Freie Kanäle:"
    QListWidget* ListBox1 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* AbbrechenButton = nullptr;
};

} // namespace nuvar
