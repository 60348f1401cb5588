#include "kom/app/Start.h"

#include "common/Benutzeraktion.h"
#include "common/Fehler.h"
#include "common/FunktionenTypen.h"
#include "common/Ini.h"
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
#include <csignal>
#include <cstring>
#include <exception>
#include <memory>

namespace nuvar {

namespace {

// Why a sequence file cannot drive a run, or empty when it can.
QString SequenzdateiFehler(const QString& datei, const QString& befehl) {
    const QString name = QDir::toNativeSeparators(datei);
    if (datei.isEmpty() || !QFileInfo::exists(datei))
        return QStringLiteral("Die Sequenzdatei %1 ist nicht vorhanden.").arg(name);
    if (QFileInfo(datei).isDir()) return QStringLiteral("Die Sequenzdatei %1 ist ein Verzeichnis.").arg(name);
    QFile f(datei);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("Die Sequenzdatei %1 kann nicht gelesen werden: %2").arg(name, f.errorString());
    // A file without a single section header is no INI file: nothing in it
    // could have been meant for this program.
    bool abschnitt = false;
    while (!f.atEnd() && !abschnitt) {
        const QByteArray zeile = f.readLine(4096).trimmed();
        abschnitt = zeile.startsWith('[') && zeile.contains(']');
    }
    if (!abschnitt) return QStringLiteral("Die Sequenzdatei %1 ist keine INI-Datei.").arg(name);
    if (befehl.isEmpty()) return QStringLiteral("Die Sequenzdatei %1 nennt keinen Befehl ([AutoSeq] Befehl=).").arg(name);
    return QString();
}

struct TLauf {
    bool Beenden = false;  // the program ends after the sequence part
    TSequenzErgebnis Ergebnis;
    QString Befehl;
};

// Runs the sequence command. Unattended, a start with arguments that leads to
// no command ends with the reason instead of waiting for a person.
TLauf Sequenzlauf(const QStringList& argumente, const QString& programmDatei, const QString& verzeichnis,
                  THauptfenster& haupt, bool unbeaufsichtigt) {
    TLauf lauf;
    const TBefehlszeile zeile = AuswerteBefehlszeile(argumente, programmDatei);
    TSequenz s = zeile.Auswerten ? LiesSequenz(zeile.Sequenzdatei, verzeichnis) : TSequenz{};
    lauf.Befehl = zeile.Befehl.isEmpty() ? s.Befehl : zeile.Befehl;
    if (!zeile.Auswerten || lauf.Befehl.isEmpty()) {
        if (!unbeaufsichtigt || argumente.isEmpty()) return lauf;
        lauf.Beenden = true;
        lauf.Ergebnis.Exitcode = kExitSequenzdatei;
        lauf.Ergebnis.Grund =
            zeile.Auswerten ? SequenzdateiFehler(zeile.Sequenzdatei, lauf.Befehl)
                            : QStringLiteral("Die Befehlszeile \"%1\" nennt keine Sequenzdatei (/auto,DATEI).")
                                  .arg(argumente.join(QLatin1Char(' ')));
        return lauf;
    }
    lauf.Beenden = true;
    const bool ohneFehler = Benutzeraktion([&] {
        lauf.Ergebnis = FuehreSequenzbefehlAus(lauf.Befehl, s, zeile.Sequenzdatei, &haupt.Modell());
    });
    if (!ohneFehler) {
        lauf.Ergebnis.Exitcode = kExitIntern;
        lauf.Ergebnis.Grund = QStringLiteral("Der Befehl wurde durch einen Fehler beendet (siehe Meldung).");
    }
    lauf.Beenden = lauf.Ergebnis.Beenden;
    return lauf;
}

bool ExitcodeGewuenscht(const QString& verzeichnis) {
    const TIniFile ini(QDir(verzeichnis).filePath(QStringLiteral("NUVARWin.ini")));
    return ini.ReadBool(QStringLiteral("NUVARKom"), QStringLiteral("Exitcode"), false);
}

const char* SignalName(int signal) {
    switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return "?";
    }
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
    // A signal during the start-up ends the program before any command; a
    // scheduler that asked for one learns that it did not run.
    TLauf lauf;
    const QStringList argumente = QApplication::arguments().mid(1);
    if (!signalEnde.Empfangen()) {
        lauf = Sequenzlauf(argumente, programmDatei, verzeichnis, *haupt, unbeaufsichtigt);
    } else if (!argumente.isEmpty()) {
        lauf.Beenden = true;
        lauf.Ergebnis.Exitcode = kExitIntern;  // replaced by the signal's code below
    }
    haupt->EigeneOperation = false;
    if (lauf.Beenden && lauf.Ergebnis.Fehlgeschlagen() && signalEnde.Empfangen()) {
        // Ended like "Abbrechen": the signal is the cause of what failed.
        lauf.Ergebnis.Exitcode = 128 + signalEnde.Signal();
        lauf.Ergebnis.Grund = QStringLiteral("Abgebrochen durch das Signal %1%2.")
                                  .arg(QLatin1String(SignalName(signalEnde.Signal())),
                                       lauf.Befehl.isEmpty() ? QStringLiteral(" vor dem Befehl") : QString());
    }
    if (lauf.Beenden && lauf.Ergebnis.Fehlgeschlagen()) {
        // One line that names the cause, for the scheduler's journal and the
        // protocol file.
        const QString text = lauf.Befehl.isEmpty()
                                 ? lauf.Ergebnis.Grund
                                 : QStringLiteral("\"%1\" fehlgeschlagen: %2").arg(lauf.Befehl, lauf.Ergebnis.Grund);
        MeldeUrsache(verzeichnis, text);
    }
    if (lauf.Beenden) {
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
    // By default 0 whatever happened: the configurator and existing scripts
    // rely on that; schedulers ask for the truth in NUVARWin.ini.
    if (!lauf.Beenden || !ExitcodeGewuenscht(verzeichnis)) return 0;
    return lauf.Ergebnis.Exitcode;
}

} // namespace nuvar
