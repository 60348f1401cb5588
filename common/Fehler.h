#pragma once
// The two kinds of error the programs tell apart. Both carry a German message
// that ends up in a message box when no caller handles it.
#include <QString>
#include <stdexcept>

namespace nuvar {

class EFehler : public std::runtime_error {
public:
    explicit EFehler(const QString& meldung)
        : std::runtime_error(meldung.toStdString()), meldung_(meldung) {}
    const QString& Meldung() const { return meldung_; }

private:
    QString meldung_;
};

// An index outside a list, a negative count: "Fehler bei Bereichsprüfung" and friends.
class ERangeError : public EFehler {
public:
    using EFehler::EFehler;
};

// Text that is no number, a file of unknown format, a file that cannot be opened.
class EConvertError : public EFehler {
public:
    using EFehler::EFehler;
};

// File that cannot be opened or created ("Datei %s kann nicht geöffnet werden").
class EInOutError : public EFehler {
public:
    using EFehler::EFehler;
};

inline const char* const kBereichsFehler = "Fehler bei Bereichsprüfung";

} // namespace nuvar
