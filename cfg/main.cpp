// NuvarCfg, the logger configurator.
#include "cfg/NuvarCfgUnit.h"
#include "common/FunktionenTypen.h"
#include "common/Meldungen.h"
#include "common/gui/Splash.h"
#include "kom/protocol/gui/WidgetMeldungen.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

using namespace nuvar;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NUVARCfg"));
    // Qt's own buttons (Ja, Nein, Abbrechen) in German, like every other text.
    QTranslator qt;
    if (qt.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qt);
    SetzeKanalMeldung(TKanalMeldung::Konfigurator);
    TWidgetMeldungen meldungen;
    SetzeMeldungen(&meldungen);

    {
        TSplashFenster splash(QStringLiteral("Loggerkonfigurator"), QStringLiteral("V2.1"), QStringLiteral("Konfiguration"));
        splash.ZeigeFuer(500);
    }
    int rc = 0;
    {
        TNuvarCfgForm fenster;
        if (fenster.Starte()) {
            // The welcome dialog runs inside the event loop, so that quitting
            // from it ends the program.
            QTimer::singleShot(0, &fenster, [&fenster] { fenster.Willkommensschleife(); });
            rc = QApplication::exec();
        }
    }
    SetzeMeldungen(nullptr);
    return rc;
}
