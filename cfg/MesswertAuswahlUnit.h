#pragma once
// "Sensor auswählen": the sensors of the catalogue that fit a free input of
// the station. The list shows names only; each item carries its catalogue
// line number in front of a tab, which the list does not draw.
#include "cfg/Listenauswahl.h"
#include "common/FunktionenTypen.h"
#include "common/Katalog.h"

namespace nuvar {

class TMesswertAuswahlForm : public TListenauswahl {
    Q_OBJECT
public:
    explicit TMesswertAuswahlForm(QWidget* parent = nullptr);

    // Offers the fitting sensors and lets the user choose. True and the chosen
    // line, parsed without conversion (its texts stay OEM, as a channel entry
    // needs them), or false. Without a fitting sensor it says "Die Station hat
    // keine freien Kanäle!" and returns false.
    bool SensorAuswaehlen(const QStringList& geberZeilen, const THardwareListeNeu& kopie, TGeberINIZeile& gewaehlt);
};

} // namespace nuvar
