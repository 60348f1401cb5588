#include "cfg/OptionenFensterUnit.h"

#include "cfg/Fensterart.h"
#include "cfg/Pfade.h"
#include "common/Benutzeraktion.h"
#include "common/Ini.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvar {

namespace {
const QString kGlobal = QStringLiteral("Global");
}

TOptionenForm::TOptionenForm(QWidget* parent) : QDialog(parent, kDialogFenster) {
    setWindowTitle(QStringLiteral("Optionen"));
    NUVARKomPfadEdit = new QLineEdit(this);
    sessioniniedit = new QLineEdit(this);
    NUVARKomSuchenButton = new QPushButton(QStringLiteral("..."), this);
    SessionsSuchenButton = new QPushButton(QStringLiteral("..."), this);
    for (QPushButton* b : {NUVARKomSuchenButton, SessionsSuchenButton}) {
        b->setFixedWidth(32);
        b->setAutoDefault(false);
    }
    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    AbbrechenButton = new QPushButton(QStringLiteral("&Abbrechen"), this);
    OKButton->setDefault(true);

    DateiWaehlen = [this](const QString& titel, const QString& filter, const QString& start) {
        QFileDialog d(this, titel, start, filter);
        d.setFileMode(QFileDialog::ExistingFile);
        return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first() : QString();
    };
    connect(NUVARKomSuchenButton, &QPushButton::clicked, this, Aktionsschutz([this] {
                Suche(NUVARKomPfadEdit, QStringLiteral("NUVARKom - suchen"), QStringLiteral("NUVARKom (NUVARKom)"));
            }));
    connect(SessionsSuchenButton, &QPushButton::clicked, this, Aktionsschutz([this] {
                Suche(sessioniniedit, QStringLiteral("Sessions.ini - suchen"), QStringLiteral("sessions.ini (sessions.ini)"));
            }));
    connect(OKButton, &QPushButton::clicked, this, Aktionsschutz([this] { OKClick(); }));
    connect(AbbrechenButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* g = new QGridLayout;
    g->addWidget(new QLabel(QStringLiteral("Pfad von NUVARKom:"), this), 0, 0, 1, 2);
    g->addWidget(NUVARKomPfadEdit, 1, 0);
    g->addWidget(NUVARKomSuchenButton, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("Pfad der Messprogrammdatei (sessions.ini):"), this), 2, 0, 1, 2);
    g->addWidget(sessioniniedit, 3, 0);
    g->addWidget(SessionsSuchenButton, 3, 1);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(OKButton);
    knoepfe->addWidget(AbbrechenButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(g);
    layout->addStretch();
    layout->addLayout(knoepfe);
    setMinimumWidth(460);
}

int TOptionenForm::Ausfuehren() {
    const TIniFile config(CfgDatei(QStringLiteral("config.ini")));
    NUVARKomPfadEdit->setText(
        config.ReadString(kGlobal, QStringLiteral("NUVARKom"), RelativZu(StandardNUVARKom(), CfgVerzeichnis())));
    sessioniniedit->setText(config.ReadString(kGlobal, QStringLiteral("sessionsini"), QStringLiteral("sessions.ini")));
    return exec();
}

void TOptionenForm::Suche(QLineEdit* feld, const QString& titel, const QString& filter) {
    QString start = QFileInfo(QDir(CfgVerzeichnis()).absoluteFilePath(feld->text())).absolutePath();
    if (!QFileInfo(start).isDir()) start = CfgVerzeichnis();
    const QString datei = DateiWaehlen(titel, filter, start);
    if (!datei.isEmpty()) feld->setText(RelativZu(datei, CfgVerzeichnis()));
}

void TOptionenForm::OKClick() {
    TIniFile config(CfgDatei(QStringLiteral("config.ini")));
    config.WriteString(kGlobal, QStringLiteral("NUVARKom"), NUVARKomPfadEdit->text());
    config.WriteString(kGlobal, QStringLiteral("sessionsini"), sessioniniedit->text());
    accept();
}

} // namespace nuvar
