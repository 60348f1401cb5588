#pragma once
// The boundary of a user action. Qt's event loop does not carry exceptions:
// one that leaves a slot, an event handler or a timer callback ends the
// program, and a station PC that runs for years must not lose its session
// to a full disk or a settings file it may not write. So every slot, event
// handler and callback that starts work on behalf of the person (or a
// scheduler, or a remote-control client) runs that work through
// Benutzeraktion: whatever the work throws ends the work, not the program,
// and its German message reaches the person through the message service
// (a box interactively; stderr and the protocol file when unattended).
//
//   void TFenster::MenuSpeichern1Click() { Benutzeraktion([this] { modell_.Speichern(); }); }
//   connect(knopf, &QPushButton::clicked, this, Aktionsschutz([this] { Uebernehmen(); }));
//   if (!Benutzeraktion([&] { datei.LoadFromFile(name); })) return;  // false: ended by an error
//
// Clean-up belongs in destructors (scoped objects), because the action is
// left by unwinding; the boundary only reports.
#include "common/Meldungen.h"

#include <QString>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

namespace nuvar {

// Runs tue. Returns true when it ended normally, false when it threw; the
// message then went to dienst (empty: Meldungen()) as an error box.
bool Benutzeraktion(const std::function<void()>& tue, TMeldungen* dienst = nullptr);

// The German text for an exception: the message of the programs' own
// errors (EFehler: range, conversion, input/output), "Nicht genügend
// Arbeitsspeicher." for an exhausted memory, "Interner Fehler: " and the
// text of any other standard exception, and "Unbekannter interner Fehler."
// for anything else.
QString FehlerText(std::exception_ptr fehler);

// Wraps a callable for connect(): the slot runs through Benutzeraktion and
// passes the signal's arguments on when the callable takes them.
template <class F>
auto Aktionsschutz(F f) {
    return [f = std::move(f)](auto&&... argumente) {
        Benutzeraktion([&] {
            if constexpr (std::is_invocable_v<const F&, decltype(argumente)...>)
                f(std::forward<decltype(argumente)>(argumente)...);
            else
                f();
        });
    };
}

} // namespace nuvar
