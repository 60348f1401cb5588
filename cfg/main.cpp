// NuvarCfg, the logger configurator.
#include "cfg/NuvarCfgUnit.h"
#include "common/FunktionenTypen.h"
#include "common/Meldungen.h"
#include "common/gui/Splash.h"
#include "common/gui/Uebersetzung.h"
#include "kom/protocol/gui/WidgetMeldungen.h"

#include <QApplication>
#include <QTimer>

using namespace nuvar;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NUVARCfg"));
    LadeQtUebersetzung(app);
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
