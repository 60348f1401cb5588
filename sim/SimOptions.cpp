#include "sim/SimOptions.h"

namespace nuvar {

QByteArray ModemErgebnisText(ModemErgebnis e) {
    switch (e) {
    case ModemErgebnis::Connect: return "CONNECT";
    case ModemErgebnis::Busy: return "BUSY";
    case ModemErgebnis::NoAnswer: return "NO ANSWER";
    case ModemErgebnis::NoDialtone: return "NO DIALTONE";
    case ModemErgebnis::NoCarrier: return "NO CARRIER";
    }
    return "NO CARRIER";
}

QMap<QByteArray, ModemErgebnis> SimModemOptionen::StandardNummern() {
    return {
        {"111", ModemErgebnis::Busy},
        {"222", ModemErgebnis::NoAnswer},
        {"333", ModemErgebnis::NoDialtone},
        {"444", ModemErgebnis::NoCarrier},
    };
}

}  // namespace nuvar
