#include "kom/app/StParWnd.h"

#include "common/Benutzeraktion.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace nuvar {

namespace {
QString Q(const char* s) { return QString::fromUtf8(s); }
} // namespace

TStatParamFenster::TStatParamFenster(QWidget* parent) : QWidget(parent) {
    setWindowTitle(Q("Stationsparameter"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(665, 397);

    auto* felder = new QGridLayout;
    felder->setHorizontalSpacing(8);
    felder->setVerticalSpacing(6);
    const auto feld = [&](const char* text, int zeile, int spalte) {
        auto* e = new QLineEdit;
        e->setReadOnly(true);
        auto* l = new QLabel(Q(text));
        l->setBuddy(e);
        felder->addWidget(l, zeile, 2 * spalte);
        felder->addWidget(e, zeile, 2 * spalte + 1);
        return e;
    };
    StationsnummerEdit1 = feld("Stationsnummer:", 0, 0);
    StationsnameEdit1 = feld("Stationsname:", 1, 0);
    SystemspannungEdit1 = feld("Systemspannung:", 2, 0);
    MittelwertzeitEdit1 = feld("Mittelwertzeit:", 3, 0);
    MessintervallEdit1 = feld("Messintervall:", 0, 1);
    FreierSpeicherEdit1 = feld("Freier Speicher:", 1, 1);
    SpeichergroesseEdit1 = feld("Speichergröße:", 2, 1);
    DatensaetzeEdit1 = feld("Gespeicherte Datensätze:", 3, 1);
    felder->setColumnStretch(1, 1);
    felder->setColumnStretch(3, 1);
    felder->setColumnMinimumWidth(2, 150);

    KanalLV1 = new QTreeView;
    KanalLV1->setObjectName(QStringLiteral("KanalLV1"));
    KanalLV1->setModel(&modell_.Kanalliste());
    KanalLV1->setRootIsDecorated(false);
    KanalLV1->setItemsExpandable(false);
    KanalLV1->setUniformRowHeights(true);
    KanalLV1->setSortingEnabled(false);
    KanalLV1->setAllColumnsShowFocus(true);
    KanalLV1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Numbers up to "1600,00" fit their columns in 8 points.
    QFont klein = KanalLV1->font();
    if (klein.pointSizeF() > 8) klein.setPointSizeF(8);
    KanalLV1->setFont(klein);
    KanalLV1->header()->setSectionsClickable(false);
    KanalLV1->header()->setSectionsMovable(false);
    KanalLV1->header()->setStretchLastSection(false);
    for (int s = 0; s < TKanallisteModell::kSpalten; ++s) KanalLV1->setColumnWidth(s, TKanallisteModell::Breite(s));
    auto* kanalLabel = new QLabel(Q("Messkanäle:"));
    kanalLabel->setBuddy(KanalLV1);

    OKButton1 = new QPushButton(Q("&OK"));
    OKButton1->setDefault(true);
    ExportierenButton1 = new QPushButton(Q("&Exportieren..."));
    DruckenButton1 = new QPushButton(Q("&Drucken..."));
    // Present, but there is nothing behind them yet.
    ExportierenButton1->setEnabled(false);
    DruckenButton1->setEnabled(false);
    connect(OKButton1, &QPushButton::clicked, this, Aktionsschutz([this] { close(); }));

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(OKButton1);
    knoepfe->addWidget(ExportierenButton1);
    knoepfe->addWidget(DruckenButton1);

    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(10, 10, 10, 10);
    l->addLayout(felder);
    l->addSpacing(6);
    l->addWidget(kanalLabel);
    l->addWidget(KanalLV1, 1);
    l->addLayout(knoepfe);
}

void TStatParamFenster::SetzeDaten(const QString& bezeichnung, const TStationsParameter& station,
                                   const TKanalTabelle& kanaele) {
    modell_.SetzeDaten(bezeichnung, station, kanaele);
    setWindowTitle(modell_.Titel());
}

void TStatParamFenster::Fuelle() {
    const TStatParamFelder f = modell_.Felder();
    StationsnummerEdit1->setText(f.Stationsnummer);
    StationsnameEdit1->setText(f.Stationsname);
    SystemspannungEdit1->setText(f.Systemspannung);
    MittelwertzeitEdit1->setText(f.Mittelwertzeit);
    MessintervallEdit1->setText(f.Messintervall);
    FreierSpeicherEdit1->setText(f.FreierSpeicher);
    SpeichergroesseEdit1->setText(f.Speichergroesse);
    DatensaetzeEdit1->setText(f.Datensaetze);
    for (QLineEdit* e : {StationsnummerEdit1, StationsnameEdit1, SystemspannungEdit1, MittelwertzeitEdit1,
                         MessintervallEdit1, FreierSpeicherEdit1, SpeichergroesseEdit1, DatensaetzeEdit1})
        e->setCursorPosition(0);
}

void TStatParamFenster::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    Benutzeraktion([this] {
        if (modell_.ErsterPaint()) Fuelle();
    });
}

void TStatParamFenster::closeEvent(QCloseEvent* e) {
    e->accept();
    // Closed by its button rather than through its frame: the frame goes too.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
}

TStatParamFenster* TStatParamFenster::Oeffne(QMdiArea* bereich, const QString& bezeichnung,
                                             const TStationsParameter& station, const TKanalTabelle& kanaele) {
    auto* w = new TStatParamFenster;
    w->SetzeDaten(bezeichnung, station, kanaele);
    // Fixed size: it can be minimised, not maximised.
    QMdiSubWindow* sub = bereich->addSubWindow(w, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                      Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    sub->setWindowIcon(bereich->window()->windowIcon());
    sub->show();
    return w;
}

} // namespace nuvar
