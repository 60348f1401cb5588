#pragma once
// "Kanal auswählen": the free inputs of the station that fit the chosen
// sensor's channel type.
#include "cfg/Listenauswahl.h"
#include "common/FunktionenTypen.h"
#include "common/Katalog.h"

class QLabel;

namespace nuvar {

class TKanalAuswahlForm : public TListenauswahl {
    Q_OBJECT
public:
    explicit TKanalAuswahlForm(QWidget* parent = nullptr);

    // True and the chosen input number, or false.
    bool KanalAuswaehlen(const TGeberINIZeile& sensor, const THardwareListeNeu& kopie, int& eingang);

    QLabel* Label1 = nullptr;  // "Freie Kanäle:"
};

} // namespace nuvar
