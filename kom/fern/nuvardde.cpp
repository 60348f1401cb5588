// nuvardde: sends one macro to a running NUVARKom and waits until it has been
// carried out. Exit codes: 0 acknowledged, 1 wrong command line, 2 no program
// offers the service, 3 the program refused (unknown topic), 4 no
// acknowledgement within --timeout, 5 connection ended without one; with
// --streng also 6 unknown macro, 7 missing sequence file, 8 failed report.
#include "platform/Fernsteuerung.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace nuvar;

namespace {

const char* const kHilfe =
    "Aufruf: nuvardde [--streng] [--service NAME] [--topic THEMA] [--timeout SEKUNDEN] MAKROZEILE...\n"
    "\n"
    "Sendet ein Makro an ein laufendes NUVARKom und wartet, bis es ausgeführt ist.\n"
    "Die Makrozeilen werden mit CR LF verbunden; nur die erste Zeile zählt:\n"
    "  Wiederherstellen       die Fenster wiederherstellen\n"
    "  Minimieren             die Fenster minimieren\n"
    "  auto,DATEI.seq         den Bericht aus der Sequenzdatei erstellen\n"
    "\n"
    "  --service NAME         Dienst (Vorgabe: NUVARKom)\n"
    "  --topic THEMA          Thema (Vorgabe: RemoteControl)\n"
    "  --timeout SEKUNDEN     höchstens so lange auf die Bestätigung warten\n"
    "                         (Vorgabe: ohne Zeitgrenze)\n"
    "  --streng               auch ein unbekanntes Makro, eine fehlende Sequenzdatei und\n"
    "                         einen fehlgeschlagenen Bericht als Fehler melden\n"
    "  --help                 diese Hilfe\n"
    "  --                     alles Weitere sind Makrozeilen\n"
    "\n"
    "Rückgabewerte: 0 bestätigt, 1 falscher Aufruf, 2 kein Programm bietet den Dienst an,\n"
    "3 abgewiesen (z. B. unbekanntes Thema), 4 keine Bestätigung in der Zeit,\n"
    "5 Verbindung ohne Bestätigung beendet; mit --streng auch 6 unbekanntes Makro,\n"
    "7 Sequenzdatei fehlt, 8 Bericht fehlgeschlagen.\n";

// Exit codes of --streng, after the acknowledgement.
constexpr int kUnbekannt = 6;
constexpr int kSequenzdatei = 7;
constexpr int kBerichtFehler = 8;

void Schreibe(FILE* f, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), f);
    std::fputc('\n', f);
}

int Aufruffehler(const QString& text) {
    Schreibe(stderr, QStringLiteral("nuvardde: ") + text);
    Schreibe(stderr, QStringLiteral("Hilfe mit: nuvardde --help"));
    return int(TFernErgebnis::Aufruf);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    QString dienst = QStringLiteral("NUVARKom");
    QString thema = QLatin1String(kFernThema);
    int timeoutMs = -1;
    bool streng = false;
    QStringList zeilen;
    bool nurZeilen = false;
    for (int i = 0; i < args.size(); ++i) {
        QString a = args[i];
        if (nurZeilen || !a.startsWith(QLatin1String("--"))) {
            zeilen << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            nurZeilen = true;
            continue;
        }
        if (a == QLatin1String("--help")) {
            std::fputs(kHilfe, stdout);
            return 0;
        }
        if (a == QLatin1String("--streng")) {
            streng = true;
            continue;
        }
        QString name = a;
        QString wert;
        bool hatWert = false;
        const qsizetype gleich = a.indexOf(QLatin1Char('='));
        if (gleich >= 0) {
            name = a.left(gleich);
            wert = a.mid(gleich + 1);
            hatWert = true;
        }
        if (name != QLatin1String("--service") && name != QLatin1String("--topic") &&
            name != QLatin1String("--timeout"))
            return Aufruffehler(QStringLiteral("Unbekannte Option %1.").arg(name));
        if (!hatWert) {
            if (i + 1 >= args.size()) return Aufruffehler(QStringLiteral("Nach %1 fehlt der Wert.").arg(name));
            wert = args[++i];
        }
        if (name == QLatin1String("--service")) {
            dienst = wert;
        } else if (name == QLatin1String("--topic")) {
            thema = wert;
        } else {
            bool ok = false;
            const double sekunden = QString(wert).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
            if (!ok || !(sekunden > 0) || sekunden > 2'000'000)
                return Aufruffehler(QStringLiteral("\"%1\" ist keine gültige Zeit in Sekunden.").arg(wert));
            timeoutMs = int(sekunden * 1000.0 + 0.5);
        }
    }
    if (zeilen.isEmpty()) return Aufruffehler(QStringLiteral("Es fehlt die Makrozeile."));

    QString meldung;
    TFernAusgang ausgang;
    const TFernErgebnis e =
        SendeMakro(dienst, thema, zeilen.join(QStringLiteral("\r\n")).toUtf8(), timeoutMs, &meldung, &ausgang);
    if (e != TFernErgebnis::Bestaetigt) {
        Schreibe(stderr, QStringLiteral("nuvardde: ") + meldung);
        return int(e);
    }
    if (!streng) return 0;
    // A program that sends no outcome acknowledges as it always did.
    int code = 0;
    if (ausgang.Wort == QLatin1String("UNBEKANNT"))
        code = kUnbekannt;
    else if (ausgang.Wort == QLatin1String("DATEI"))
        code = kSequenzdatei;
    else if (ausgang.Wort == QLatin1String("FEHLER"))
        code = kBerichtFehler;
    if (code != 0) Schreibe(stderr, QStringLiteral("nuvardde: ") + ausgang.Text);
    return code;
}
