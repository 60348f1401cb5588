#pragma once
// The about dialog ("Info über ...") and what it shows of the program file:
// the build number the build stamped in and the file's modification time.
#include <QDateTime>
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace nuvar {

struct TProgrammInfo {
    QString Titel;    // the application title, "NUVARKom", "Loggerkonfigurator"
    QString Version;  // version text beside the title, "V2.1"
    QString Modul;    // module name, "Datenkommunikation"
    // The address block; empty: the project's own.
    QString Adresse = {};
    // The program's picture (an SVG resource); empty: the shared one.
    QString Bild = {};
};

// major.minor.release.build of this build.
QString BuildNummer();
// Date and time of the program file (the running executable unless a path
// is given); invalid when it cannot be read.
QDateTime ProgrammDateiDatum(const QString& programmDatei = {});

class TInfoDialog : public QDialog {
    Q_OBJECT
public:
    // programmDatei: whose date is shown; empty: the running executable.
    explicit TInfoDialog(const TProgrammInfo& info, QWidget* parent = nullptr,
                         const QString& programmDatei = {});

    QLabel* TitelLabel = nullptr;   // title and version text
    QLabel* ModulLabel = nullptr;
    QLabel* DatumLabel = nullptr;   // "Erstellt am: ..."
    QLabel* BuildLabel = nullptr;   // "Build-Nr.: ..."
    QLabel* VerzeichnisLabel = nullptr;  // "Programmverzeichnis: ..." and the rule that chose it
    QLabel* AdressLabel = nullptr;
    QPushButton* OKButton = nullptr;
};

// Shows the about dialog modally and releases it.
void ZeigeInfo(const TProgrammInfo& info, QWidget* parent = nullptr);

} // namespace nuvar
