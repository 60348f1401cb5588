#include "common/gui/Uebersetzung.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace nuvar {

bool LadeQtUebersetzung(QCoreApplication& app) {
    auto* t = new QTranslator(&app);
    if (!t->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    return QCoreApplication::installTranslator(t);
}

} // namespace nuvar
