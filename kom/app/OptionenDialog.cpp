#include "kom/app/OptionenDialog.h"

#include "common/Benutzeraktion.h"

#include "common/ProgrammVerzeichnis.h"
#include "platform/AtModem.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace nuvar {

const char* const kKeinModemInstalliert = "<Kein Modem im System installiert>";

// ---------------------------------------------------------------------------
// Model

TOptionenModell::TOptionenModell(const TEinstellungen& werte, bool langeForm, const QStringList& modems)
    : Werte(werte), LangeForm(langeForm), rohdatenGelesen_(werte.RohdatenPfad) {
    vorhanden_ = !modems.isEmpty();
    if (vorhanden_) {
        Modemliste = modems;
        // The first device, unless the current modem is in the list.
        ModemIndex = 0;
        const int i = int(modems.indexOf(werte.TAPIModem));
        if (!werte.TAPIModem.isEmpty() && i >= 0) ModemIndex = i;
    } else {
        Modemliste = QStringList{QString::fromUtf8(kKeinModemInstalliert)};
        ModemIndex = 0;
    }
}

QString TOptionenModell::Modemname() const {
    if (ModemIndex < 0 || ModemIndex >= Modemliste.size()) return QString();
    const QString text = Modemliste.at(ModemIndex);
    return text == QString::fromUtf8(kKeinModemInstalliert) ? QString() : text;
}

TEinstellungen TOptionenModell::Ergebnis() const {
    TEinstellungen e = Werte;
    e.TAPIModem = Modemname();
    if (!LangeForm) e.RohdatenPfad = rohdatenGelesen_;
    return e;
}

// ---------------------------------------------------------------------------
// Settings dialog

namespace {

QString T(const char* s) { return QString::fromUtf8(s); }

// A line edit with a "..." button that picks a directory.
QWidget* Verzeichnisfeld(QWidget* parent, QLineEdit*& edit, QToolButton*& knopf) {
    auto* w = new QWidget(parent);
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    edit = new QLineEdit(w);
    knopf = new QToolButton(w);
    knopf->setText(QStringLiteral("..."));
    l->addWidget(edit);
    l->addWidget(knopf);
    QLineEdit* e = edit;
    QObject::connect(knopf, &QToolButton::clicked, w, [e, w] {
        const QString d = QFileDialog::getExistingDirectory(w, QString(), e->text());
        if (!d.isEmpty()) e->setText(QDir::toNativeSeparators(d));
    });
    return w;
}

} // namespace

TOptionenDialog::TOptionenDialog(const TEinstellungen& werte, bool langeForm, TTelefonie* telefonie,
                                 const QString& mdmPfad, QWidget* parent)
    : QDialog(parent), modell_(werte, langeForm, telefonie ? telefonie->Geraetenamen() : QStringList()),
      telefonie_(telefonie) {
    setWindowTitle(QStringLiteral("Programmeinstellungen"));
    setFixedSize(310, 330);
    // A fixed dialog border: only the close box, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // The fixed size was laid out for a small dialog font; with the desktop's
    // larger default the three page tabs and the modem text would not fit.
    QFont klein = font();
    klein.setPointSizeF(std::min(klein.pointSizeF(), 8.0));
    setFont(klein);

    // The stored block belongs to the current modem: without it a confirmed
    // dialog would overwrite NUVARKom.mdm with the device's defaults.
    if (telefonie_ && !werte.TAPIModem.isEmpty() && !mdmPfad.isEmpty()) {
        QFile mdm(mdmPfad);
        if (mdm.open(QIODevice::ReadOnly)) {
            const QByteArray block = mdm.read(1024);
            telefonie_->WaehleGeraet(werte.TAPIModem);
            if (!block.isEmpty() && !telefonie_->Geraetename().isEmpty()) telefonie_->SetzeKonfiguration(block);
        }
    }

    auto* haupt = new QVBoxLayout(this);
    haupt->setContentsMargins(6, 6, 6, 6);
    Seiten = new QTabWidget(this);
    // All three page tabs in the fixed width, without scroll arrows.
    Seiten->setDocumentMode(true);
    Seiten->setUsesScrollButtons(false);
    haupt->addWidget(Seiten);

    // "Allgemein"
    auto* allgemein = new QWidget(Seiten);
    auto* ga = new QGridLayout(allgemein);
    ProtokollCheck = new QCheckBox(QStringLiteral("Protokolldatei &schreiben"), allgemein);
    AnhaengenCheck = new QCheckBox(T("An Protokolldatei anhängen"), allgemein);
    LaengeLabel = new QLabel(T("Protokolllänge:"), allgemein);
    LaengeEdit = new QSpinBox(allgemein);
    LaengeEdit->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    LaengeEdit->setSingleStep(100);
    ZeilenLabel = new QLabel(QStringLiteral("Zeilen"), allgemein);
    RohdatenLabel = new QLabel(QStringLiteral("Rohdatenpfad:"), allgemein);
    QWidget* rohdaten = Verzeichnisfeld(allgemein, RohdatenEdit, RohdatenButton);
    ga->addWidget(ProtokollCheck, 0, 0, 1, 3);
    ga->addWidget(AnhaengenCheck, 1, 0, 1, 3);
    ga->addWidget(LaengeLabel, 2, 0);
    ga->addWidget(LaengeEdit, 2, 1);
    ga->addWidget(ZeilenLabel, 2, 2);
    ga->addWidget(RohdatenLabel, 3, 0, 1, 3);
    ga->addWidget(rohdaten, 4, 0, 1, 3);
    ga->setRowStretch(5, 1);
    Seiten->addTab(allgemein, QStringLiteral("Allgemein"));

    // "Modem"
    auto* modem = new QWidget(Seiten);
    auto* gm = new QVBoxLayout(modem);
    ModemText = new QLabel(T("Wählen Sie aus der Liste das Modem, über das\nNUVARKom Verbindungen herstellen soll.\n"
                             "Nehmen Sie danach die Einstellung der Parameter\ndes ausgewählten Modems vor."),
                           modem);
    ModemText->setWordWrap(true);
    ModemCombo = new QComboBox(modem);
    EigenschaftenButton = new QPushButton(QStringLiteral("&Eigenschaften"), modem);
    gm->addWidget(ModemText);
    gm->addWidget(ModemCombo);
    auto* knopfZeile = new QHBoxLayout;
    knopfZeile->addStretch(1);
    knopfZeile->addWidget(EigenschaftenButton);
    gm->addLayout(knopfZeile);
    gm->addStretch(1);
    Seiten->addTab(modem, QStringLiteral("Modem"));

    // "Momentanwertmodus"
    auto* momentan = new QWidget(Seiten);
    auto* gz = new QGridLayout(momentan);
    MomentanCheck = new QCheckBox(QStringLiteral("Momentanwerte aufzeichnen"), momentan);
    VerzeichnisLabel = new QLabel(QStringLiteral("Momentanwertverzeichnis:"), momentan);
    QWidget* verzeichnis = Verzeichnisfeld(momentan, VerzeichnisEdit, VerzeichnisButton);
    ZeitraumLabel = new QLabel(QStringLiteral("Aufzeichnungszeitraum:"), momentan);
    ZeitraumEdit = new QSpinBox(momentan);
    ZeitraumEdit->setRange(1, 60);
    MinLabel = new QLabel(QStringLiteral("min"), momentan);
    gz->addWidget(MomentanCheck, 0, 0, 1, 3);
    gz->addWidget(VerzeichnisLabel, 1, 0, 1, 3);
    gz->addWidget(verzeichnis, 2, 0, 1, 3);
    gz->addWidget(ZeitraumLabel, 3, 0);
    gz->addWidget(ZeitraumEdit, 3, 1);
    gz->addWidget(MinLabel, 3, 2);
    gz->setRowStretch(4, 1);
    Seiten->addTab(momentan, QStringLiteral("Momentanwertmodus"));

    OkButton = new QPushButton(QStringLiteral("&OK"), this);
    AbbrechenButton = new QPushButton(QStringLiteral("&Abbrechen"), this);
    OkButton->setDefault(true);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(OkButton);
    knoepfe->addWidget(AbbrechenButton);
    haupt->addLayout(knoepfe);

    // Fill from the values read.
    const TEinstellungen& w = modell_.Werte;
    ProtokollCheck->setChecked(w.SchreibeLogDatei);
    AnhaengenCheck->setChecked(w.AnPDAnhaengen);
    LaengeEdit->setValue(w.ProtokollLaenge);
    RohdatenEdit->setText(QDir::toNativeSeparators(w.RohdatenPfad));
    RohdatenLabel->setVisible(modell_.LangeForm);
    rohdaten->setVisible(modell_.LangeForm);
    MomentanCheck->setChecked(w.MomentanwerteAufzeichnen);
    VerzeichnisEdit->setText(w.Momentanwertverzeichnis);
    ZeitraumEdit->setValue(w.MomentanwertZeitraum);
    ModemCombo->addItems(modell_.Modemliste);
    ModemCombo->setCurrentIndex(modell_.ModemIndex);
    ModemCombo->setEnabled(modell_.ModemVorhanden());
    EigenschaftenButton->setEnabled(modell_.ModemVorhanden());
    ProtokollCheckClick();
    MomentanCheckClick();
    Seiten->setCurrentIndex(0);

    connect(ProtokollCheck, &QCheckBox::toggled, this, &TOptionenDialog::ProtokollCheckClick);
    connect(MomentanCheck, &QCheckBox::toggled, this, &TOptionenDialog::MomentanCheckClick);
    connect(EigenschaftenButton, &QPushButton::clicked, this, &TOptionenDialog::EigenschaftenClick);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(AbbrechenButton, &QPushButton::clicked, this, &QDialog::reject);

    BlockBearbeiten = [](QByteArray& block, QWidget* eltern) {
        TModemEigenschaftenDialog d(block, eltern);
        if (d.exec() != QDialog::Accepted) return false;
        block = d.Block();
        return true;
    };
}

void TOptionenDialog::ProtokollCheckClick() {
    modell_.Werte.SchreibeLogDatei = ProtokollCheck->isChecked();
    const bool an = modell_.ProtokollFelderAktiv();
    for (QWidget* w : {static_cast<QWidget*>(AnhaengenCheck), static_cast<QWidget*>(LaengeLabel),
                       static_cast<QWidget*>(LaengeEdit), static_cast<QWidget*>(ZeilenLabel)})
        w->setEnabled(an);
}

void TOptionenDialog::MomentanCheckClick() {
    modell_.Werte.MomentanwerteAufzeichnen = MomentanCheck->isChecked();
    const bool an = modell_.MomentanFelderAktiv();
    for (QWidget* w : {static_cast<QWidget*>(VerzeichnisLabel), static_cast<QWidget*>(VerzeichnisEdit),
                       static_cast<QWidget*>(VerzeichnisButton), static_cast<QWidget*>(ZeitraumLabel),
                       static_cast<QWidget*>(ZeitraumEdit), static_cast<QWidget*>(MinLabel)})
        w->setEnabled(an);
}

void TOptionenDialog::EigenschaftenClick() {
    Benutzeraktion([this] {
        if (!telefonie_ || !modell_.ModemVorhanden()) return;
        telefonie_->WaehleGeraet(ModemCombo->currentText());
        QByteArray block = telefonie_->Konfiguration();
        if (BlockBearbeiten && BlockBearbeiten(block, this)) telefonie_->SetzeKonfiguration(block);
    });
}

void TOptionenDialog::Uebernehmen() {
    TEinstellungen& w = modell_.Werte;
    w.SchreibeLogDatei = ProtokollCheck->isChecked();
    w.AnPDAnhaengen = AnhaengenCheck->isChecked();
    w.ProtokollLaenge = LaengeEdit->value();
    w.RohdatenPfad = QDir::fromNativeSeparators(RohdatenEdit->text());
    w.MomentanwerteAufzeichnen = MomentanCheck->isChecked();
    w.Momentanwertverzeichnis = VerzeichnisEdit->text();
    w.MomentanwertZeitraum = ZeitraumEdit->value();
    modell_.ModemIndex = ModemCombo->currentIndex();
}

TEinstellungen TOptionenDialog::Ergebnis() {
    Uebernehmen();
    return modell_.Ergebnis();
}

// ---------------------------------------------------------------------------
// Modem properties

TModemEigenschaftenDialog::TModemEigenschaftenDialog(const QByteArray& block, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Modemeigenschaften"));
    const AtModem::Einstellungen e = AtModem::Einstellungen::AusBlock(block);
    auto* form = new QFormLayout(this);
    InitEdit = new QLineEdit(e.initialisierung, this);
    WahlCombo = new QComboBox(this);
    WahlCombo->addItems({QStringLiteral("Tonwahl"), QStringLiteral("Pulswahl")});
    WahlCombo->setCurrentIndex(e.tonwahl ? 0 : 1);
    TempoCombo = new QComboBox(this);
    TempoCombo->setEditable(true);
    TempoCombo->setValidator(new QIntValidator(1, 10000000, TempoCombo));
    for (int r : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}) TempoCombo->addItem(QString::number(r));
    TempoCombo->setCurrentText(QString::number(e.geschwindigkeit));
    form->addRow(QStringLiteral("&Initialisierung:"), InitEdit);
    form->addRow(T("&Wahlverfahren:"), WahlCombo);
    form->addRow(QStringLiteral("&Geschwindigkeit:"), TempoCombo);
    auto* knoepfe = new QHBoxLayout;
    OkButton = new QPushButton(QStringLiteral("&OK"), this);
    auto* abbrechen = new QPushButton(QStringLiteral("&Abbrechen"), this);
    OkButton->setDefault(true);
    knoepfe->addStretch(1);
    knoepfe->addWidget(OkButton);
    knoepfe->addWidget(abbrechen);
    form->addRow(knoepfe);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(abbrechen, &QPushButton::clicked, this, &QDialog::reject);
}

QByteArray TModemEigenschaftenDialog::Block() const {
    AtModem::Einstellungen e;
    e.initialisierung = InitEdit->text().trimmed();
    e.tonwahl = WahlCombo->currentIndex() == 0;
    bool ok = false;
    const int rate = TempoCombo->currentText().toInt(&ok);
    if (ok && rate > 0) e.geschwindigkeit = rate;
    return e.Block();
}

// ---------------------------------------------------------------------------

TEinstellungsDialog EinstellungsDialog() {
    return [](TEinstellungen& werte, bool zeigeRohdatenPfad, TTelefonie* telefonie) {
        const QString verzeichnis = Umgebung().verzeichnis.isEmpty() ? ProgrammVerzeichnis() : Umgebung().verzeichnis;
        TOptionenDialog d(werte, zeigeRohdatenPfad, telefonie, QDir(verzeichnis).filePath(QStringLiteral("NUVARKom.mdm")));
        if (d.exec() != QDialog::Accepted) return false;
        werte = d.Ergebnis();
        return true;
    };
}

} // namespace nuvar
