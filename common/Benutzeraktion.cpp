#include "common/Benutzeraktion.h"

#include "common/Fehler.h"

#include <QDebug>
#include <new>

namespace nuvar {

QString FehlerText(std::exception_ptr fehler) {
    try {
        if (fehler) std::rethrow_exception(fehler);
    } catch (const EFehler& e) {
        return e.Meldung();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Nicht genügend Arbeitsspeicher.");
    } catch (const std::exception& e) {
        return QStringLiteral("Interner Fehler: ") + QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    return QStringLiteral("Unbekannter interner Fehler.");
}

bool Benutzeraktion(const std::function<void()>& tue, TMeldungen* dienst) {
    try {
        tue();
        return true;
    } catch (...) {
        const QString text = FehlerText(std::current_exception());
        // Reporting must not throw out of the boundary either (an
        // unattended service writes the protocol file).
        try {
            (dienst ? *dienst : Meldungen()).Fehler(text);
        } catch (...) {
            qWarning().noquote() << text;
        }
    }
    return false;
}

} // namespace nuvar
