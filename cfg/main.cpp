// NuvarCfg, the logger configurator.
#include "cfg/NuvarCfgUnit.h"
#include "common/FunktionenTypen.h"
#include "common/Meldungen.h"
#include "common/ProgrammVerzeichnis.h"
#include "common/gui/Programmstart.h"
#include "common/gui/Splash.h"
#include "common/gui/Uebersetzung.h"
#include "kom/protocol/gui/WidgetMeldungen.h"

#include <QApplication>
#include <QTimer>

#include <cstring>

using namespace nuvar;

int main(int argc, char** argv) {
    const TProgrammInfo info = NuvarCfgInfo();
    // Before the application object: works without a display.
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) return ZeigeVersion(info);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NUVARCfg"));
    LadeQtUebersetzung(app);
    SetzeKanalMeldung(TKanalMeldung::Konfigurator);

    // config.ini, the catalogues and the transfer files live there; an
    // installed program gets the shipped catalogues copied in at the first start.
    const TProgrammVerzeichnis verzeichnis = RichteProgrammVerzeichnisEin();
    if (!verzeichnis.Fehler.isEmpty()) {
        MeldeStartfehler(info.Titel, verzeichnis.Fehler);
        return kExitProgrammVerzeichnis;
    }
    TWidgetMeldungen meldungen;
    SetzeMeldungen(&meldungen);

    {
        TSplashFenster splash(info.Titel, info.Version, info.Modul);
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
