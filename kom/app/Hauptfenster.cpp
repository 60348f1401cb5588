#include "kom/app/Hauptfenster.h"

#include "kom/fern/Fernmakro.h"
#include "kom/protocol/Treiber.h"
#include "platform/Fernsteuerung.h"

#include <QAction>
#include <QDebug>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace nuvar {

TProgrammInfo NUVARKomInfo() {
    return {QStringLiteral("NUVARKom"), QStringLiteral("V2.1"), QStringLiteral("Datenkommunikation"), {}};
}

THauptfenster::THauptfenster(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("NUVARKom"));
    resize(640, 420);
    QMenu* datei = menuBar()->addMenu(QStringLiteral("&Datei"));
    QAction* einstellungen = datei->addAction(QStringLiteral("&Programmeinstellungen..."));
    datei->addSeparator();
    QAction* beenden = datei->addAction(QStringLiteral("&Beenden"));
    connect(einstellungen, &QAction::triggered, this, &THauptfenster::MenuProgrammeinstellungen1Click);
    connect(beenden, &QAction::triggered, this, &QWidget::close);
    VerbindungsStatus = new QLabel(QStringLiteral(" Nicht verbunden"), this);
    statusBar()->addWidget(VerbindungsStatus, 1);
}

THauptfenster::~THauptfenster() = default;

void THauptfenster::StarteFernsteuerung(const QString& programmDatei, const QString& verzeichnis) {
    makros_ = std::make_unique<TFernMakros>();
    makros_->Wiederherstellen = [this] { showNormal(); };
    makros_->Minimieren = [this] { showMinimized(); };
    makros_->ProgrammDatei = programmDatei;
    makros_->ProgrammVerzeichnis = verzeichnis;
    fern_ = std::make_unique<TFernsteuerung>(
        FernDienstname(programmDatei), [this](const QStringList& z) { makros_->RemoteControlExecuteMacro(z); });
    fern_->Beschaeftigt = [this] { return EigeneOperation; };
    QString fehler;
    if (!fern_->Starte(&fehler)) {
        qWarning().noquote() << fehler;
        fern_.reset();
    }
}

void THauptfenster::MenuProgrammeinstellungen1Click() { ConfigureProgram(false); }

} // namespace nuvar
