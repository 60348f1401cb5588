#pragma once
// What a logger operation really achieved, beyond the drivers' booleans: the
// first failure of an operation, its kind and its cause in German. A
// scheduler's exit status and the one-line cause of a failed sequence command
// are made from it. The kinds say what the logger confirmed: a write whose
// parameter frame or blocks the logger did not acknowledge is NichtBestaetigt
// even where the command's result counts the command frame's ACK alone.
#include <QString>

namespace nuvar {

enum class TFehlerart {
    Keiner,
    Verbindung,       // no link: port, modem call, wake-up, line broke
    Station,          // the station check failed
    Unvollstaendig,   // a read brought less than asked for
    NichtBestaetigt,  // the logger did not confirm a write
    Datei,            // a file could not be read or written
};

struct TAusgang {
    TFehlerart Art = TFehlerart::Keiner;
    QString Grund;

    // Keeps the first failure: what follows it is mostly its consequence.
    void Melde(TFehlerart art, const QString& grund) {
        if (Art != TFehlerart::Keiner) return;
        Art = art;
        Grund = grund;
    }
    bool Fehlgeschlagen() const { return Art != TFehlerart::Keiner; }
};

} // namespace nuvar
