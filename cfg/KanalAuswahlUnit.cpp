#include "cfg/KanalAuswahlUnit.h"

#include "cfg/Fensterart.h"
#include "cfg/Konfiguration.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvar {

TKanalAuswahlForm::TKanalAuswahlForm(QWidget* parent) : QDialog(parent, kDialogFenster) {
    setWindowTitle(QStringLiteral("Kanal auswählen"));
    Label1 = new QLabel(QStringLiteral("Freie Kanäle:"), this);
    ListBox1 = new QListWidget(this);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    AbbrechenButton = new QPushButton(QStringLiteral("&Abbrechen"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(AbbrechenButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(OKButton);
    knoepfe->addWidget(AbbrechenButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ListBox1);
    layout->addLayout(knoepfe);
    resize(240, 320);
}

bool TKanalAuswahlForm::KanalAuswaehlen(const TGeberINIZeile& sensor, const THardwareListeNeu& kopie, int& eingang) {
    ListBox1->clear();
    for (int j : FreieEingaenge(sensor.Kanaltyp, kopie)) ListBox1->addItem(QString::number(j));
    if (ListBox1->count() == 0) return false;
    ListBox1->setCurrentRow(0);
    OKButton->setFocus();
    if (exec() != QDialog::Accepted || !ListBox1->currentItem()) return false;
    eingang = ListBox1->currentItem()->text().toInt();
    return true;
}

} // namespace nuvar
