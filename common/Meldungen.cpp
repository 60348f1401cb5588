#include "common/Meldungen.h"

#include <QDebug>

namespace nuvar {

TUnbeaufsichtigteMeldungen::TUnbeaufsichtigteMeldungen(Senke senke) : senke_(std::move(senke)) {}

static void Ausgeben(const TUnbeaufsichtigteMeldungen::Senke& senke, const QString& text) {
    if (senke)
        senke(text);
    else
        qWarning().noquote() << text;
}

void TUnbeaufsichtigteMeldungen::Information(const QString& text) { Ausgeben(senke_, text); }
void TUnbeaufsichtigteMeldungen::Fehler(const QString& text) { Ausgeben(senke_, text); }
bool TUnbeaufsichtigteMeldungen::Frage(const QString& text) {
    Ausgeben(senke_, text);
    return false;
}
void TUnbeaufsichtigteMeldungen::FehlerKurz(const QString& text) { Ausgeben(senke_, text); }

void TSkriptMeldungen::Information(const QString& text) { gezeigt.push_back({Art::Information, text}); }
void TSkriptMeldungen::Fehler(const QString& text) { gezeigt.push_back({Art::Fehler, text}); }
bool TSkriptMeldungen::Frage(const QString& text) {
    gezeigt.push_back({Art::Frage, text});
    return naechste_ < antworten.size() ? antworten[naechste_++] : false;
}
void TSkriptMeldungen::FehlerKurz(const QString& text) { gezeigt.push_back({Art::FehlerKurz, text}); }

QStringList TSkriptMeldungen::Texte() const {
    QStringList l;
    for (const auto& e : gezeigt) l << e.text;
    return l;
}

static TMeldungen* gDienst = nullptr;

TMeldungen& Meldungen() {
    static TUnbeaufsichtigteMeldungen standard;
    return gDienst ? *gDienst : standard;
}

void SetzeMeldungen(TMeldungen* dienst) { gDienst = dienst; }

} // namespace nuvar
