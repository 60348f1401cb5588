#pragma once
// Receivers of instantaneous frames. A window that shows a station's
// instantaneous values registers here with its caption; the transfer window
// delivers each checked frame to the last registered receiver whose caption
// contains the station name, synchronously.
#include <QByteArray>
#include <QString>
#include <functional>

namespace nuvar {

class TMomentanEmpfang {
public:
    using Id = int;
    using Titel = std::function<QString()>;
    // daten: the payload followed by a zero byte (length = payload + 1).
    using Empfaenger = std::function<void(int kennung, const QByteArray& daten)>;

    static Id Anmelden(Titel titel, Empfaenger empfaenger);
    static void Abmelden(Id id);
    // False when no caption contains statName (an empty name is contained in
    // none): the payload is dropped.
    static bool Zustellen(const QString& statName, const QByteArray& nutzdaten);
};

} // namespace nuvar
