#include "kom/protocol/gui/TransferDialog.h"

#include "common/Benutzeraktion.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace nuvar {

namespace {
void Farbe(QFrame* f, bool rot) {
    f->setStyleSheet(rot ? QStringLiteral("background-color: red; border: 1px solid black;")
                         : QStringLiteral("background-color: lime; border: 1px solid black;"));
}
} // namespace

TTransferDialog::TTransferDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("NUVARKom V2.0 dev."));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setFixedSize(322, 380);

    auto* haupt = new QVBoxLayout(this);
    StatusRxLabel1 = new QLabel(QStringLiteral("NUVARKom V2.0 dev"));
    QFont gross = StatusRxLabel1->font();
    gross.setPointSize(gross.pointSize() + 6);
    gross.setBold(true);
    StatusRxLabel1->setFont(gross);
    haupt->addWidget(StatusRxLabel1);

    auto* raster = new QGridLayout;
    StationsLabel1 = new QLabel;
    VerbindungLabel1 = new QLabel;
    RufnummerLabel1 = new QLabel;
    raster->addWidget(new QLabel(QStringLiteral("Verbinden mit:")), 0, 0);
    raster->addWidget(StationsLabel1, 0, 1);
    raster->addWidget(new QLabel(QStringLiteral("Verbindung:")), 1, 0);
    raster->addWidget(VerbindungLabel1, 1, 1);
    raster->addWidget(new QLabel(QStringLiteral("Rufnummer:")), 2, 0);
    raster->addWidget(RufnummerLabel1, 2, 1);
    raster->setColumnStretch(1, 1);
    haupt->addLayout(raster);

    auto* zeile = new QHBoxLayout;
    ReceiveCharStatus1 = new QFrame;
    ReceiveCharStatus1->setFixedSize(16, 10);
    Farbe(ReceiveCharStatus1, false);
    Gauge1 = new QProgressBar;
    Gauge1->setTextVisible(false);
    Gauge1->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: blue; }"));
    zeile->addWidget(ReceiveCharStatus1);
    zeile->addWidget(Gauge1, 1);
    haupt->addLayout(zeile);

    haupt->addWidget(new QLabel(QStringLiteral("Status:")));
    StatusMemo1 = new QPlainTextEdit;
    StatusMemo1->setReadOnly(true);
    StatusMemo1->setMaximumBlockCount(kStatusMemoZeilen);
    haupt->addWidget(StatusMemo1, 1);

    Button1 = new QPushButton(QStringLiteral("&Abbrechen"));
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    auto* knopf = new QHBoxLayout;
    knopf->addStretch();
    knopf->addWidget(Button1);
    knopf->addStretch();
    haupt->addLayout(knopf);
    connect(Button1, &QPushButton::clicked, this, Aktionsschutz([this] {
        if (Abbrechen) Abbrechen();
    }));
}

void TTransferDialog::SetzeTitel(const QString& text) { StatusRxLabel1->setText(text); }

void TTransferDialog::SetzeVerbindung(const QString& station, const QString& verbindung, const QString& rufnummer,
                                      bool rufnummerAktiv) {
    StationsLabel1->setText(station);
    VerbindungLabel1->setText(verbindung);
    RufnummerLabel1->setText(rufnummer);
    RufnummerLabel1->setEnabled(rufnummerAktiv);
}

void TTransferDialog::StatusZeile(const QString& text) { StatusMemo1->appendPlainText(text); }

void TTransferDialog::SetzeGauge(int maximum, int fortschritt) {
    Gauge1->setMaximum(std::max(0, maximum));
    Gauge1->setValue(std::clamp(fortschritt, 0, std::max(0, maximum)));
}

void TTransferDialog::SetzeEmpfang(bool rot) { Farbe(ReceiveCharStatus1, rot); }

void TTransferDialog::Zeigen() {
    if (!isVisible()) {
        if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
    }
    show();
    raise();
}

void TTransferDialog::Verbergen() { hide(); }

void TTransferDialog::reject() {
    if (Abbrechen) Abbrechen();
}

} // namespace nuvar
