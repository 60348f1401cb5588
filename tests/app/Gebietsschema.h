#pragma once
// Numbers and dates shown to the person follow the locale: a test sets the
// one it means (German unless it says otherwise) for its own duration.
#include <QLocale>

namespace nuvar::test {

class Gebietsschema {
public:
    explicit Gebietsschema(const QLocale& l = QLocale(QLocale::German, QLocale::Germany)) { QLocale::setDefault(l); }
    ~Gebietsschema() { QLocale::setDefault(QLocale::c()); }
    Gebietsschema(const Gebietsschema&) = delete;
    Gebietsschema& operator=(const Gebietsschema&) = delete;
};

} // namespace nuvar::test
