#include "kom/app/ZeitStellDlg.h"

#include "common/Meldungen.h"
#include "common/Benutzeraktion.h"
#include "kom/protocol/NUVARWnd.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace nuvar {

namespace {

QString Q(const char* s) { return QString::fromUtf8(s); }

QLabel* Panel() {
    auto* p = new QLabel;
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setMinimumHeight(21);
    return p;
}

} // namespace

TZeitStellDialog::TZeitStellDialog(QWidget* parent, std::function<QDateTime()> uhr)
    : QDialog(parent), modell_(std::move(uhr)) {
    setWindowTitle(Q("Systemzeit stellen"));
    setFixedSize(344, 268);
    // A fixed dialog border: only the close box, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // The clocks and the deviation fit the fixed size in 8 points.
    QFont klein = font();
    if (klein.pointSizeF() > 8) klein.setPointSizeF(8);
    setFont(klein);

    LoggerGruppe1 = new QGroupBox(Q("Datalogger"));
    SystemzeitPanel1 = Panel();
    AbweichungPanel1 = Panel();
    auto* g1 = new QGridLayout(LoggerGruppe1);
    g1->addWidget(new QLabel(Q("Aktuelle Systemzeit:")), 0, 0);
    g1->addWidget(SystemzeitPanel1, 0, 1);
    g1->addWidget(new QLabel(Q("Abweichung zur PC-Zeit:")), 1, 0);
    g1->addWidget(AbweichungPanel1, 1, 1);
    g1->setColumnStretch(1, 1);

    KorrekturGruppe1 = new QGroupBox(Q("Korrektur"));
    PCZeitRadio1 = new QRadioButton(Q("&PC-Zeit:"));
    PCZeitRadio1->setChecked(true);
    PCZeitEdit1 = new QLineEdit;
    PCZeitEdit1->setReadOnly(true);
    PlusLabel1 = new QLabel(QStringLiteral("+"));
    StundenEdit1 = new QSpinBox;
    StundenEdit1->setRange(-24, 24);
    StundenEdit1->setValue(0);
    StundenLabel1 = new QLabel(QStringLiteral("h"));
    VorgabeRadio1 = new QRadioButton(Q("&Vorgabe:"));
    DatumEdit1 = new QDateEdit;
    DatumEdit1->setCalendarPopup(true);
    DatumEdit1->setDisplayFormat(TZeitStellModell::DatumFormat());
    // The date is chosen in the calendar, not typed.
    DatumEdit1->installEventFilter(this);
    ZeitEdit1 = new QTimeEdit;
    ZeitEdit1->setDisplayFormat(TZeitStellModell::ZeitFormat());

    auto* g2 = new QGridLayout(KorrekturGruppe1);
    auto* pcZeile = new QHBoxLayout;
    pcZeile->addWidget(PCZeitEdit1, 1);
    pcZeile->addWidget(PlusLabel1);
    pcZeile->addWidget(StundenEdit1);
    pcZeile->addWidget(StundenLabel1);
    auto* vorgabeZeile = new QHBoxLayout;
    vorgabeZeile->addWidget(DatumEdit1, 1);
    vorgabeZeile->addWidget(ZeitEdit1, 1);
    g2->addWidget(PCZeitRadio1, 0, 0);
    g2->addLayout(pcZeile, 0, 1);
    g2->addWidget(VorgabeRadio1, 1, 0);
    g2->addLayout(vorgabeZeile, 1, 1);
    g2->setColumnStretch(1, 1);

    AusfuehrenButton1 = new QPushButton(Q("A&usführen"));
    AusfuehrenButton1->setDefault(true);
    AbbrechenButton1 = new QPushButton(Q("&Abbrechen"));
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(AusfuehrenButton1);
    knoepfe->addWidget(AbbrechenButton1);

    auto* l = new QVBoxLayout(this);
    l->addWidget(LoggerGruppe1);
    l->addWidget(KorrekturGruppe1);
    l->addStretch(1);
    l->addLayout(knoepfe);

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TZeitStellDialog::Timer1Timer);
    connect(PCZeitRadio1, &QRadioButton::toggled, this, Aktionsschutz([this] { Freigaben(); }));
    connect(StundenEdit1, &QSpinBox::valueChanged, this, Aktionsschutz([this](int h) { modell_.SetzeStunden(h); }));
    connect(AusfuehrenButton1, &QPushButton::clicked, this, Aktionsschutz([this] { AusfuehrenClick(); }));
    connect(AbbrechenButton1, &QPushButton::clicked, this, &QDialog::reject);
}

TMeldungen& TZeitStellDialog::Dienst() const {
    if (MeldungenDienst) return *MeldungenDienst;
    return Umgebung().meldungen ? *Umgebung().meldungen : Meldungen();
}

void TZeitStellDialog::Freigaben() {
    modell_.PCModus = PCZeitRadio1->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{PCZeitEdit1, PlusLabel1, StundenEdit1, StundenLabel1})
        w->setEnabled(modell_.PCFelderAktiv());
    for (QWidget* w : std::initializer_list<QWidget*>{DatumEdit1, ZeitEdit1}) w->setEnabled(modell_.VorgabeFelderAktiv());
}

void TZeitStellDialog::Timer1Timer() {
    Benutzeraktion([this] {
        SystemzeitPanel1->setText(modell_.LoggerZeitText());
        PCZeitEdit1->setText(modell_.PCZeitText());
        PCZeitEdit1->setCursorPosition(0);
        AbweichungPanel1->setText(modell_.AbweichungText());
    });
}

void TZeitStellDialog::AusfuehrenClick() {
    modell_.PCModus = PCZeitRadio1->isChecked();
    modell_.SetzeStunden(StundenEdit1->value());
    modell_.VorgabeDatum = DatumEdit1->date();
    modell_.VorgabeZeit = ZeitEdit1->time();
    if (modell_.Ausfuehren(Dienst())) accept();
}

bool TZeitStellDialog::Ausfuehren() {
    modell_.Abweichung = Abweichung;
    modell_.Oeffnen();
    DatumEdit1->setDate(modell_.VorgabeDatum);
    ZeitEdit1->setTime(modell_.VorgabeZeit);
    Freigaben();
    Timer1Timer();
    Timer1->start();
    const bool ok = exec() == QDialog::Accepted;
    Timer1->stop();
    if (!ok) return false;
    PCModus = modell_.PCModus;
    Abweichung = modell_.Abweichung;
    Vorgabe = modell_.Vorgabe;
    return true;
}

bool TZeitStellDialog::eventFilter(QObject* o, QEvent* e) {
    if (o == DatumEdit1 && e->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(e);
        // Typed characters and erasing keys are swallowed; the arrow keys
        // still step the date, the calendar opens with Alt+Down.
        if (!k->text().isEmpty() && k->text()[0].isPrint()) return true;
        if (k->key() == Qt::Key_Backspace || k->key() == Qt::Key_Delete) return true;
    }
    return QDialog::eventFilter(o, e);
}

} // namespace nuvar
