#include "kom/app/Unbeaufsichtigt.h"

#include "common/Ini.h"
#include "kom/protocol/LogFile.h"
#include "kom/protocol/Optionen.h"
#include "kom/protocol/Treiber.h"

#include <QDir>

namespace nuvar {

namespace {

void Zeile(std::FILE* strom, const QString& prefix, const QString& text) {
    if (!strom) return;
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    const QByteArray b = (prefix + t).toLocal8Bit() + '\n';
    std::fwrite(b.constData(), 1, std::size_t(b.size()), strom);
    std::fflush(strom);
}

} // namespace

bool Unbeaufsichtigt(const QString& verzeichnis) {
    const TIniFile ini(QDir(verzeichnis).filePath(QStringLiteral("NUVARWin.ini")));
    return ini.ReadBool(QStringLiteral("NUVARKom"), QStringLiteral("Unbeaufsichtigt"), false);
}

TUnbeaufsichtigterDienst::TUnbeaufsichtigterDienst(const QString& verzeichnis, std::FILE* strom)
    : TUnbeaufsichtigteMeldungen([verzeichnis, strom](const QString& text) { Ausgeben(verzeichnis, strom, text); }) {}

void TUnbeaufsichtigterDienst::Ausgeben(const QString& verzeichnis, std::FILE* strom, const QString& text) {
    Zeile(strom, QStringLiteral("NUVARKom: "), text);
    try {
        const TOptionen optionen(verzeichnis);
        const TEinstellungen e = optionen.Lies();
        if (!e.SchreibeLogDatei) return;
        QString zeile = text;
        zeile.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
        const auto& w = TransferWindow();
        if (w && w->Optionen().Protokoll) {
            w->Optionen().Protokoll->Schreibe(zeile);
            return;
        }
        TLogFile datei(QDir(verzeichnis).filePath(QStringLiteral("NUVARKom.log")), true, e.ProtokollLaenge,
                       Umgebung().uhr);
        datei.Schreibe(zeile);
    } catch (...) {
        // A box text that cannot be logged is still on the stream.
    }
}

void MeldeUrsache(const QString& verzeichnis, const QString& text, std::FILE* strom) {
    TUnbeaufsichtigterDienst::Ausgeben(verzeichnis, strom, text);
}

bool TUnbeaufsichtigterDienst::Frage(const QString& text) {
    return TUnbeaufsichtigteMeldungen::Frage(text + QStringLiteral(" - Antwort: Nein (unbeaufsichtigt)"));
}

void TKonsolenAnsicht::StatusZeile(const QString& text) { Zeile(strom_, QString(), text); }

} // namespace nuvar
