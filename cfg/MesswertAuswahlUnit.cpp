#include "cfg/MesswertAuswahlUnit.h"

#include "cfg/Konfiguration.h"
#include "common/Meldungen.h"

#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>

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

TMesswertAuswahlForm::TMesswertAuswahlForm(QWidget* parent)
    : TListenauswahl(QStringLiteral("Sensor auswählen"), parent) {
    ListBox1->setItemDelegate(new TNurNamen(ListBox1));
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1->setUniformItemSizes(true);
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
    const std::optional<QString> text = Waehle();
    if (!text) return false;
    const int zeile = text->left(text->indexOf(QLatin1Char('\t'))).toInt();
    gewaehlt = GeberZeileLesen(geberZeilen[zeile]);
    return true;
}

} // namespace nuvar
