#include "cfg/VerbindungsFormUnit.h"

#include "cfg/Fensterart.h"
#include "common/Benutzeraktion.h"
#include "common/Ini.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvar {

TDirektForm::TDirektForm(const QString& nuvarwinIni, TPortSuche suche, QWidget* parent)
    : QDialog(parent, kDialogFenster), nuvarwinIni_(nuvarwinIni), suche_(std::move(suche)) {
    setWindowTitle(QStringLiteral("Mit Logger vebinden"));
    VerbindungCombo = new QComboBox(this);
    VerbindungCombo->addItems(kVerbindungsarten);
    PortCombo = new QComboBox(this);
    PortCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    PortCombo->setMinimumContentsLength(24);
    BaudCombo = new QComboBox(this);
    BaudCombo->addItems(kBaudraten);
    RufnummerEdit = new QLineEdit(this);
    PortLabel = new QLabel(QStringLiteral("&Schnittstelle:"), this);
    PortLabel->setBuddy(PortCombo);
    RufnummerLabel = new QLabel(QStringLiteral("&Rufnummer:"), this);
    RufnummerLabel->setBuddy(RufnummerEdit);
    VerbindungCombo->setCurrentIndex(0);
    BaudCombo->setCurrentIndex(0);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Ver&bindungsart:"), VerbindungCombo);
    form->addRow(PortLabel, PortCombo);
    form->addRow(QStringLiteral("Baud&rate:"), BaudCombo);
    form->addRow(RufnummerLabel, RufnummerEdit);

    VerbindenButton = new QPushButton(QStringLiteral("&Verbinden"), this);
    AbbrechenButton = new QPushButton(QStringLiteral("&Abbrechen"), this);
    VerbindenButton->setDefault(true);
    connect(VerbindenButton, &QPushButton::clicked, this, Aktionsschutz([this] { VerbindenClick(); }));
    connect(AbbrechenButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(VerbindungCombo, &QComboBox::activated, this, Aktionsschutz([this](int art) { VerbindungGeaendert(art); }));

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(VerbindenButton);
    knoepfe->addWidget(AbbrechenButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(knoepfe);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TDirektForm::showEvent(QShowEvent* e) {
    BaudCombo->setCurrentIndex(3);  // 9600 each time the dialog comes up
    QDialog::showEvent(e);
}

void TDirektForm::FuellePorts(bool netz) {
    const TIniFile ini(nuvarwinIni_);
    ports_ = netz ? NetzSchnittstellen(ini) : SerielleSchnittstellen(ini, suche_);
    PortCombo->clear();
    for (const TPortEintrag& p : ports_) PortCombo->addItem(p.Anzeige());
    PortCombo->setCurrentIndex(ports_.empty() ? -1 : 0);
}

void TDirektForm::VerbindungGeaendert(int art) {
    const bool modem = art == kModem;
    PortCombo->setEnabled(!modem);
    PortLabel->setEnabled(!modem);
    RufnummerEdit->setEnabled(modem);
    RufnummerLabel->setEnabled(modem);
    if (!modem) FuellePorts(art == 4);
}

int TDirektForm::Ausfuehren() {
    FuellePorts(false);
    VerbindungCombo->setCurrentIndex(0);
    PortCombo->setEnabled(true);
    PortLabel->setEnabled(true);
    RufnummerEdit->setEnabled(false);
    RufnummerLabel->setEnabled(false);
    return exec() == QDialog::Accepted ? 1 : 0;
}

void TDirektForm::VerbindenClick() {
    TVerbindung v;
    v.Verbindung = std::uint8_t(VerbindungCombo->currentIndex());
    v.Baudrate = std::uint8_t(BaudCombo->currentIndex());
    v.Rufnummer = RufnummerEdit->text();
    const int i = PortCombo->currentIndex();
    if (i >= 0 && i < int(ports_.size())) {
        TPortEintrag& p = ports_[std::size_t(i)];
        if (p.Neu && v.Verbindung != kModem) {
            TIniFile ini(nuvarwinIni_);
            const QString hinweis = TrageEin(ini, p);  // raises when NUVARWin.ini cannot be written
            p.Neu = false;
            PortCombo->setItemText(i, p.Anzeige());
            Meldungen().Information(hinweis);
        }
        v.Schnittstelle = std::uint8_t(p.Com - 1);
        v.ComPort = QString::number(p.Com);
    } else {
        v.Schnittstelle = 255;  // no port: NUVARKom's port 256 does not exist
    }
    verbindung_ = v;
    accept();
}

} // namespace nuvar
