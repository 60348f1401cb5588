#include "kom/app/Start.h"

#include "common/Benutzeraktion.h"
#include "common/Fehler.h"
#include "common/FunktionenTypen.h"
#include "common/Meldungen.h"
#include "common/ProgrammVerzeichnis.h"
#include "common/gui/Programmstart.h"
#include "common/gui/Splash.h"
#include "common/gui/Uebersetzung.h"
#include "kom/app/Befehle.h"
#include "kom/app/Befehlszeile.h"
#include "kom/app/Hauptfenster.h"
#include "kom/app/OptionenDialog.h"
#include "kom/app/Sequenz.h"
#include "kom/app/SignalEnde.h"
#include "kom/app/Unbeaufsichtigt.h"
#include "kom/protocol/Treiber.h"
#include "kom/protocol/gui/TransferDialog.h"
#include "kom/protocol/gui/WidgetMeldungen.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstring>
#include <exception>
#include <memory>

namespace nuvar {

namespace {

// Runs the sequence command; true when the program ends afterwards.
bool Sequenzlauf(const QStringList& argumente, const QString& programmDatei, const QString& verzeichnis,
                 THauptfenster& haupt) {
    const TBefehlszeile zeile = AuswerteBefehlszeile(argumente, programmDatei);
    if (!zeile.Auswerten) return false;
    TSequenz s = LiesSequenz(zeile.Sequenzdatei, verzeichnis);
    const QString befehl = zeile.Befehl.isEmpty() ? s.Befehl : zeile.Befehl;
    if (befehl.isEmpty()) return false;
    bool ende = true;
    Benutzeraktion([&] { ende = FuehreSequenzbefehlAus(befehl, s, zeile.Sequenzdatei, &haupt.Modell()); });
    return ende;
}

} // namespace

int NUVARKomStart(int argc, char** argv) {
    const TProgrammInfo info = NUVARKomInfo();
    // Before the application object: works without a display.
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) return ZeigeVersion(info);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NUVARKom"));
    LadeQtUebersetzung(app);
    SetzeKanalMeldung(TKanalMeldung::Kommunikation);

    // Settings, protocol and sequence defaults all live in the program
    // directory; without it nothing can run as configured.
    const TProgrammVerzeichnis programmVerzeichnis = RichteProgrammVerzeichnisEin();
    if (!programmVerzeichnis.Fehler.isEmpty()) {
        MeldeStartfehler(info.Titel, programmVerzeichnis.Fehler);
        return kExitProgrammVerzeichnis;
    }
    const QString verzeichnis = programmVerzeichnis.Pfad;
    const bool unbeaufsichtigt = Unbeaufsichtigt(verzeichnis);
    TWidgetMeldungen interaktiv;
    TUnbeaufsichtigterDienst ohnePerson(verzeichnis);
    SetzeMeldungen(unbeaufsichtigt ? static_cast<TMeldungen*>(&ohnePerson) : &interaktiv);

    TFensterUmgebung& u = Umgebung();
    u.verzeichnis = verzeichnis;
    if (unbeaufsichtigt) {
        u.ansicht = [] { return std::make_unique<TKonsolenAnsicht>(); };
        // Nobody could answer the dialog: it counts as cancelled.
        u.einstellungsDialog = [](TEinstellungen&, bool, TTelefonie*) {
            Meldungen().Information(QStringLiteral(
                "Die Programmeinstellungen werden im unbeaufsichtigten Betrieb nicht angezeigt."));
            return false;
        };
    } else {
        u.ansicht = [] { return std::make_unique<TTransferDialog>(); };
        u.einstellungsDialog = EinstellungsDialog();
    }

    auto splash = std::make_unique<TSplashFenster>(info.Titel, info.Version, info.Modul, nullptr, info.Bild);
    splash->ZeigeSofort();
    auto haupt = std::make_unique<THauptfenster>();
    // SIGTERM and friends end the program in order, also during a command.
    TSignalEnde signalEnde([&haupt] {
        if (haupt) haupt->BeendeAufSignal();
    });
    // Half a second from when it appeared: creating the main window counts
    // towards it, so a scheduled run waits for the splash no longer than that.
    splash->HalteSeitAnzeige(500);
    splash->hide();
    splash.reset();

    // Without a comma the sequence file lies beside the program, in the
    // program directory the other files use too.
    const QString programmDatei = QDir(verzeichnis).filePath(QFileInfo(QApplication::applicationFilePath()).fileName());
    haupt->StarteFernsteuerung(programmDatei, verzeichnis);
    haupt->EigeneOperation = true;
    const bool ende = Sequenzlauf(QApplication::arguments().mid(1), programmDatei, verzeichnis, *haupt);
    haupt->EigeneOperation = false;
    if (ende) {
        haupt->ShowMainForm = false;
    } else if (signalEnde.Empfangen()) {
        haupt->ShowMainForm = false;
    } else {
        haupt->show();
        QApplication::exec();
    }
    // Ended by a signal: a running instantaneous mode is stopped on the
    // logger and the link closed, outside every handler.
    if (signalEnde.Empfangen()) haupt->Beenden();
    TransferWindow().reset();
    haupt.reset();
    SetzeMeldungen(nullptr);
    Umgebung() = TFensterUmgebung{};
    return 0;
}

} // namespace nuvar
