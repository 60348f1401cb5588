#include "cfg/Listenauswahl.h"

#include "cfg/Fensterart.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvar {

TListenauswahl::TListenauswahl(const QString& titel, QWidget* parent) : QDialog(parent, kDialogFenster) {
    setWindowTitle(titel);
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
    Anordnung = new QVBoxLayout(this);
    Anordnung->addWidget(ListBox1);
    Anordnung->addLayout(knoepfe);
}

std::optional<QString> TListenauswahl::Waehle() {
    if (ListBox1->count() == 0) return std::nullopt;
    ListBox1->setCurrentRow(0);
    OKButton->setFocus();
    if (exec() != QDialog::Accepted || !ListBox1->currentItem()) return std::nullopt;
    return ListBox1->currentItem()->text();
}

} // namespace nuvar
