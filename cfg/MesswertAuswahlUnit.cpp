#include "cfg/MesswertAuswahlUnit.h"

#include "cfg/Fensterart.h"
#include "cfg/Konfiguration.h"
#include "common/Meldungen.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace nuvar {

namespace {

// Draws an item's text after its first tab, 1 pixel right of and below the
// item's top left corner, on the item's background.
class TNurNamen : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool gewaehlt = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, gewaehlt ? option.palette.highlight() : option.palette.base());
        p->setPen(gewaehlt ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Text));
        const QString text = index.data().toString();
        const QString name = text.mid(text.indexOf(QLatin1Char('\t')) + 1);
        p->drawText(option.rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name);
    }
    // As wide as the name (the hidden number takes no room), with air above and below.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QString text = index.data().toString();
        const QFontMetrics fm(option.font);
        return {fm.horizontalAdvance(text.mid(text.indexOf(QLatin1Char('\t')) + 1)) + 8, fm.height() + 5};
    }
};

} // namespace

TMesswertAuswahlForm::TMesswertAuswahlForm(QWidget* parent) : QDialog(parent, kDialogFenster) {
    setWindowTitle(QStringLiteral("Sensor auswählen"));
    ListBox1 = new QListWidget(this);
    ListBox1->setItemDelegate(new TNurNamen(ListBox1));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1->setUniformItemSizes(true);
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
    layout->addWidget(ListBox1);
    layout->addLayout(knoepfe);
    resize(360, 460);
}

bool TMesswertAuswahlForm::SensorAuswaehlen(const QStringList& geberZeilen, const THardwareListeNeu& kopie,
                                            TGeberINIZeile& gewaehlt) {
    ListBox1->clear();
    for (const TSensorAngebot& a : SensorAngebot(geberZeilen, kopie))
        ListBox1->addItem(QString::number(a.Zeile) + QLatin1Char('\t') + a.Name);
    if (ListBox1->count() == 0) {
        Meldungen().Information(QStringLiteral("Die Station hat keine freien Kanäle!"));
        return false;
    }
    ListBox1->setCurrentRow(0);
    OKButton->setFocus();
    if (exec() != QDialog::Accepted || !ListBox1->currentItem()) return false;
    const QString text = ListBox1->currentItem()->text();
    const int zeile = text.left(text.indexOf(QLatin1Char('\t'))).toInt();
    gewaehlt = GeberZeileLesen(geberZeilen[zeile]);
    return true;
}

} // namespace nuvar
