#include "kom/app/Befehlszeile.h"

#include <QDir>

namespace nuvar {

namespace {

constexpr int kMaxPfadLaenge = 256;

QString SequenzdateiAus(const QString& argument, const QString& programmDatei) {
    const int komma = argument.indexOf(QLatin1Char(','));
    if (komma < 0) return ErsetzeEndung(programmDatei, QStringLiteral(".seq"));
    return argument.mid(komma + 1, kMaxPfadLaenge);
}

// Index where the file name part of a path starts (after the last separator).
int NamensAnfang(const QString& pfad) {
    int i = pfad.size();
    while (i > 0 && pfad[i - 1] != QLatin1Char('/') && pfad[i - 1] != QDir::separator()) --i;
    return i;
}

} // namespace

TBefehlszeile AuswerteBefehlszeile(const QStringList& argumente, const QString& programmDatei) {
    TBefehlszeile e;
    for (const QString& arg : argumente) {
        if (arg.contains(QLatin1String("auto"))) {
            e.Sequenzdatei = SequenzdateiAus(arg, programmDatei);
        } else if (arg.contains(QLatin1String("config"))) {
            e.Befehl = QStringLiteral("Konfiguration");
        } else if (arg.contains(QLatin1String("momentan"))) {
            e.Befehl = QStringLiteral("Momentanwerte");
            e.Sequenzdatei = SequenzdateiAus(arg, programmDatei);
        } else {
            e.Auswerten = false;
            break;
        }
    }
    return e;
}

QString ErsetzeEndung(const QString& pfad, const QString& ext) {
    const int anfang = NamensAnfang(pfad);
    const int punkt = pfad.lastIndexOf(QLatin1Char('.'));
    if (punkt >= anfang) return pfad.left(punkt) + ext;
    return pfad + ext;
}

QString AusgabeDateiname(const QString& sequenzdatei, const QString& praefix) {
    const int anfang = NamensAnfang(sequenzdatei);
    const QString name = ErsetzeEndung(sequenzdatei.mid(anfang), QStringLiteral(".dat"));
    return sequenzdatei.left(anfang) + praefix + name.mid(3);
}

} // namespace nuvar
