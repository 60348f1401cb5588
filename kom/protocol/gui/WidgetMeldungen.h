#pragma once
// The interactive message boxes.
#include "common/Meldungen.h"

namespace nuvar {

class TWidgetMeldungen : public TMeldungen {
public:
    void Information(const QString& text) override;
    void Fehler(const QString& text) override;
    bool Frage(const QString& text) override;
    // Shown, events handled once, then two seconds in which the program does
    // not respond, then closed.
    void FehlerKurz(const QString& text) override;
};

} // namespace nuvar
