#pragma once
// The user-action boundary of the child windows: an error an action raises
// ends that action with its message; the window and the program go on.
#include "common/Fehler.h"
#include "common/Meldungen.h"

#include <exception>
#include <functional>

namespace nuvar {

inline void KindfensterAktion(const std::function<void()>& tue) {
    try {
        tue();
    } catch (const EFehler& e) {
        Meldungen().Fehler(e.Meldung());
    } catch (const std::exception& e) {
        Meldungen().Fehler(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace nuvar
