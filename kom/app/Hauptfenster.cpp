#include "kom/app/Hauptfenster.h"

#include "kom/protocol/Treiber.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace nuvar {

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

void THauptfenster::MenuProgrammeinstellungen1Click() { ConfigureProgram(false); }

} // namespace nuvar
