#include "common/gui/Programmstart.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace nuvar {

QString Versionstext(const TProgrammInfo& info, const TProgrammVerzeichnis& v) {
    QString text = info.Titel + QLatin1Char(' ') + info.Version + QLatin1Char(' ') + info.Modul + QLatin1Char('\n');
    text += QStringLiteral("Build-Nr.: ") + BuildNummer() + QLatin1Char('\n');
    if (!v.Fehler.isEmpty()) return text + QStringLiteral("Fehler: ") + v.Fehler + QLatin1Char('\n');
    text += QStringLiteral("Programmverzeichnis: ") + v.Pfad + QLatin1Char('\n');
    text += QStringLiteral("Regel: ") + RegelText(v.Regel);
    if (v.Regel == TVerzeichnisRegel::Benutzer) {
        text += QStringLiteral(", Vorlagen in ") + v.Vorlagen;
        if (!QFileInfo(v.Pfad).isDir()) text += QStringLiteral(" (wird beim ersten Start angelegt)");
    }
    return text + QLatin1Char('\n');
}

int ZeigeVersion(const TProgrammInfo& info, std::FILE* strom) {
    const TProgrammVerzeichnis v = BestimmeProgrammVerzeichnis(AktuelleLage());
    std::fputs(Versionstext(info, v).toLocal8Bit().constData(), strom);
    std::fflush(strom);
    return v.Fehler.isEmpty() ? 0 : kExitProgrammVerzeichnis;
}

void MeldeStartfehler(const QString& programm, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", programm.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    std::fflush(stderr);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    const QString plattform = QGuiApplication::platformName();
    if (plattform == QLatin1String("offscreen") || plattform == QLatin1String("minimal")) return;
    QMessageBox box(QMessageBox::Critical, programm, text, QMessageBox::Ok);
    box.exec();
}

} // namespace nuvar
