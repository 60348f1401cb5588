#include "kom/protocol/Momentanempfang.h"

#include <vector>

namespace nuvar {

namespace {
struct Eintrag {
    TMomentanEmpfang::Id id;
    TMomentanEmpfang::Titel titel;
    TMomentanEmpfang::Empfaenger empfaenger;
};
std::vector<Eintrag>& Liste() {
    static std::vector<Eintrag> l;
    return l;
}
TMomentanEmpfang::Id gNaechste = 1;
} // namespace

TMomentanEmpfang::Id TMomentanEmpfang::Anmelden(Titel titel, Empfaenger empfaenger) {
    const Id id = gNaechste++;
    Liste().push_back({id, std::move(titel), std::move(empfaenger)});
    return id;
}

void TMomentanEmpfang::Abmelden(Id id) {
    auto& l = Liste();
    for (auto it = l.begin(); it != l.end(); ++it)
        if (it->id == id) {
            l.erase(it);
            return;
        }
}

bool TMomentanEmpfang::Zustellen(const QString& statName, const QByteArray& nutzdaten) {
    // An empty name is contained in no caption (QString::contains would say
    // every caption contains it): such a station's lines reach no window.
    if (statName.isEmpty()) return false;
    const auto& l = Liste();
    for (auto it = l.rbegin(); it != l.rend(); ++it) {
        if (!it->titel().contains(statName)) continue;
        // Copy: a receiver may unregister itself while it handles the frame.
        Empfaenger e = it->empfaenger;
        QByteArray daten = nutzdaten;
        daten.append('\0');
        e(0, daten);
        return true;
    }
    return false;
}

} // namespace nuvar
