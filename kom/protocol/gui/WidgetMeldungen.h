#pragma once
// The interactive message boxes.
#include "common/Meldungen.h"

namespace nuvar {

class TWidgetMeldungen : public TMeldungen {
public:
    void Information(const QString& text) override;
    void Fehler(const QString& text) override;
    bool Frage(const QString& text) override;
    // Shown for KurzMs while the event loop runs, then closed.
    void FehlerKurz(const QString& text) override;

    int KurzMs = 2000;
};

} // namespace nuvar
