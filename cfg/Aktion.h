#pragma once
// The boundary of every user action of the configurator: an error that
// escapes a slot would end the program (Qt's event loop does not carry
// exceptions), so each slot runs through Aktion, which shows the German
// message and lets the program go on.
#include "common/Fehler.h"
#include "common/Meldungen.h"

#include <exception>
#include <utility>

namespace nuvar {

template <class F>
void Aktion(F&& f) {
    try {
        std::forward<F>(f)();
    } catch (const EFehler& e) {
        Meldungen().Fehler(e.Meldung());
    } catch (const std::exception& e) {
        Meldungen().Fehler(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace nuvar
