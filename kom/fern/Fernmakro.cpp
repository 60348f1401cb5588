#include "kom/fern/Fernmakro.h"

#include "common/Benutzeraktion.h"

#include "common/Fehler.h"
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "common/ProgrammVerzeichnis.h"
#include "kom/app/Befehle.h"
#include "kom/app/Befehlszeile.h"
#include "kom/protocol/NUVARWnd.h"
#include "kom/reports/Berichte.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace nuvar {

namespace {

// The file name after the first comma is cut like a command-line argument.
constexpr int kMaxPfadLaenge = 256;

TMeldungen& Dienst() { return Umgebung().meldungen ? *Umgebung().meldungen : Meldungen(); }

} // namespace

TSequenz LiesMakroSequenz(const QString& datei, const QString& programmVerzeichnis) {
    TSequenz s = LiesSequenz(datei, programmVerzeichnis);
    if (datei.isEmpty() || !QFileInfo(datei).isFile()) return s;
    // A macro names no measurement programme and switches no output.
    s.Param.Kennung.clear();
    s.DigiKanal = 0;
    s.DigiByte = 0;
    const TIniFile ini(datei);
    if (!ini.ValueExists(QStringLiteral("HTML"), QStringLiteral("Datei"))) s.Html.Datei = SynopVorgaben().Datei;
    return s;
}

TMakroAuftrag ErmittleMakro(const QStringList& zeilen, const QString& programmDatei,
                            const QString& programmVerzeichnis) {
    TMakroAuftrag a;
    if (zeilen.isEmpty()) return a;
    const QString& zeile = zeilen.first();
    if (zeile == QLatin1String("Wiederherstellen")) {
        a.Art = TMakroArt::Wiederherstellen;
    } else if (zeile == QLatin1String("Minimieren")) {
        a.Art = TMakroArt::Minimieren;
    } else if (zeile.toLower().contains(QLatin1String("auto"))) {
        a.Art = TMakroArt::Sequenz;
        const qsizetype komma = zeile.indexOf(QLatin1Char(','));
        a.Sequenzdatei = komma < 0 ? ErsetzeEndung(programmDatei, QStringLiteral(".seq"))
                                   : zeile.mid(komma + 1, kMaxPfadLaenge);
        a.Werte = LiesMakroSequenz(a.Sequenzdatei, programmVerzeichnis);
        a.Werte.Param.Dateiname = AusgabeDateiname(a.Sequenzdatei, QStringLiteral("mwd"));
    }
    return a;
}

QByteArray TFernMakros::AusgangZeile() const {
    switch (Ausgang) {
    case TMakroAusgang::Ok: return QByteArrayLiteral("OK");
    case TMakroAusgang::Unbekannt: return "UNBEKANNT " + Grund.toUtf8();
    case TMakroAusgang::Datei: return "DATEI " + Grund.toUtf8();
    case TMakroAusgang::Fehler: return "FEHLER " + Grund.toUtf8();
    }
    return QByteArrayLiteral("OK");
}

TMakroBericht TFernMakros::RemoteControlExecuteMacro(const QStringList& zeilen) {
    // Unset, the running program's own file and directory.
    const QString verzeichnis = ProgrammVerzeichnis.isEmpty() ? nuvar::ProgrammVerzeichnis() : ProgrammVerzeichnis;
    QString datei = ProgrammDatei;
    if (datei.isEmpty() && QCoreApplication::instance())
        datei = QDir(verzeichnis).filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    const TMakroAuftrag a = ErmittleMakro(zeilen, datei, verzeichnis);
    Ausgang = TMakroAusgang::Ok;
    Grund.clear();
    switch (a.Art) {
    case TMakroArt::Nichts:
        Ausgang = TMakroAusgang::Unbekannt;
        Grund = zeilen.isEmpty() || zeilen.first().isEmpty()
                    ? QStringLiteral("Leeres Makro.")
                    : QStringLiteral("Unbekanntes Makro \"%1\".").arg(zeilen.first());
        return TMakroBericht::Keiner;
    case TMakroArt::Wiederherstellen:
        if (Wiederherstellen) Wiederherstellen();
        return TMakroBericht::Keiner;
    case TMakroArt::Minimieren:
        if (Minimieren) Minimieren();
        return TMakroBericht::Keiner;
    case TMakroArt::Sequenz:
        break;
    }
    // A fresh record per macro: the main window's own link parameters and
    // its connection state stay as they are.
    const TSequenz& s = a.Werte;
    TMakroBericht bericht = TMakroBericht::Keiner;
    if (s.Befehl == QLatin1String("LeseSYNOP"))
        bericht = TMakroBericht::SYNOP;
    else if (s.Befehl == QLatin1String("LeseHTML"))
        bericht = TMakroBericht::HTML;
    else if (s.Befehl == QLatin1String("LeseSYNOP&HTML"))
        bericht = TMakroBericht::SYNOPundHTML;
    const QString name = QDir::toNativeSeparators(a.Sequenzdatei);
    if (!QFileInfo(a.Sequenzdatei).isFile()) {
        Ausgang = TMakroAusgang::Datei;
        Grund = QStringLiteral("Die Sequenzdatei %1 ist nicht vorhanden.").arg(name);
        return bericht;
    }
    if (bericht == TMakroBericht::Keiner) {
        // Any other command: nothing, and no message.
        Ausgang = TMakroAusgang::Unbekannt;
        Grund = QStringLiteral("Die Sequenzdatei %1 nennt keinen Bericht (Befehl \"%2\").").arg(name, s.Befehl);
        return bericht;
    }
    try {
        // The report's own failures (a file, a coordinate) go to the box as
        // before and become the reason; a failed exchange leaves its cause
        // in the transfer window, held for the whole report.
        TSequenzFenster fenster;
        QString eigenerGrund;
        const TBerichtMeldung meldung = [&eigenerGrund](const QString& text) {
            if (eigenerGrund.isEmpty()) eigenerGrund = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
            Dienst().FehlerKurz(text);
        };
        bool ok = false;
        switch (bericht) {
        case TMakroBericht::Keiner:
            break;
        case TMakroBericht::SYNOP:
            ok = ErstelleSYNOP(s.Synop, s.Param, meldung);
            break;
        case TMakroBericht::HTML:
            ok = ErstelleHTML(s.Html, s.Param, meldung);
            break;
        case TMakroBericht::SYNOPundHTML:
            ok = ErstelleSYNOPundHTML(s.Synop, s.Html, s.Param, meldung);
            break;
        }
        const TAusgang& aus = fenster.F().Ausgang;
        if (!ok || aus.Fehlgeschlagen()) {
            Ausgang = TMakroAusgang::Fehler;
            Grund = aus.Fehlgeschlagen() ? aus.Grund
                    : !eigenerGrund.isEmpty() ? eigenerGrund
                                              : QStringLiteral("Der Bericht \"%1\" ist fehlgeschlagen.").arg(s.Befehl);
        }
    } catch (...) {
        // Ends this macro only; the program and the next macro go on.
        const QString text = FehlerText(std::current_exception());
        Ausgang = TMakroAusgang::Fehler;
        Grund = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
        Dienst().Fehler(text);
    }
    return bericht;
}

} // namespace nuvar
