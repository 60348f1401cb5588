#include "cfg/KanalTabelle.h"

#include "cfg/Konfiguration.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace nuvar {

namespace {

bool FesteSpalte(int spalte) { return spalte == 0; }

// Every cell: its background first, then its text in a rectangle 2 pixels
// smaller on each side, cut off with an ellipsis when it does not fit.
class TZellen : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QPalette& pal = option.palette;
        const bool aktiv = option.state & QStyle::State_Enabled;
        const bool gewaehlt = option.state & QStyle::State_Selected;
        const QPalette::ColorGroup gruppe = aktiv ? QPalette::Normal : QPalette::Disabled;
        QColor grund = pal.color(gruppe, QPalette::Base);
        QColor schrift = pal.color(gruppe, QPalette::Text);
        if (FesteSpalte(index.column())) {
            grund = pal.color(gruppe, QPalette::Button);
            schrift = pal.color(gruppe, QPalette::ButtonText);
        } else if (gewaehlt && aktiv) {
            grund = pal.color(gruppe, QPalette::Highlight);
            schrift = pal.color(gruppe, QPalette::HighlightedText);
        }
        p->fillRect(option.rect, grund);
        QFont f = option.font;
        f.setBold(FesteSpalte(index.column()));
        p->setFont(f);
        p->setPen(schrift);
        const QRect r = option.rect.adjusted(2, 2, -2, -2);
        const QString text = QFontMetrics(f).elidedText(index.data().toString(), Qt::ElideRight, r.width());
        p->drawText(r, int(index.data(Qt::TextAlignmentRole).toInt()) | Qt::TextSingleLine, text);
    }
};

} // namespace

TKanalTabellenModell::TKanalTabellenModell(const TNuvarCfgModell& modell, QObject* parent)
    : QAbstractTableModel(parent), m_(modell), zeilen_(modell.Datenzeilen()) {}

int TKanalTabellenModell::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : zeilen_; }
int TKanalTabellenModell::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kSpalten; }

QVariant TKanalTabellenModell::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_.Zelle(index.row(), index.column());
    case Qt::TextAlignmentRole:
        if (FesteSpalte(index.column())) return int(Qt::AlignCenter);
        return int((index.column() <= 2 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TKanalTabellenModell::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return section < Titel.size() ? Titel[section] : QString();
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

void TKanalTabellenModell::Neu() {
    const int neu = m_.Datenzeilen();
    if (neu != zeilen_) {
        beginResetModel();
        zeilen_ = neu;
        endResetModel();
    } else {
        emit dataChanged(index(0, 0), index(zeilen_ - 1, kSpalten - 1));
    }
    emit headerDataChanged(Qt::Horizontal, 0, kSpalten - 1);
}

TKanalTabelle::TKanalTabelle(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new TZellen(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->setMinimumSectionSize(20);
    QHeaderView* kopf = horizontalHeader();
    kopf->setFixedHeight(30);
    kopf->setSectionResizeMode(QHeaderView::Interactive);
    kopf->setSectionsClickable(false);
    kopf->setHighlightSections(false);
    kopf->setTextElideMode(Qt::ElideRight);
    kopf->setMinimumSectionSize(10);
    QFont fett = kopf->font();
    fett.setBold(true);
    kopf->setFont(fett);
    setCornerButtonEnabled(false);
}

void TKanalTabelle::mousePressEvent(QMouseEvent* e) {
    const QModelIndex i = indexAt(e->position().toPoint());
    zieht_ = false;
    ziehtVon_ = (ZeilenVerschiebbar && e->button() == Qt::LeftButton && i.isValid() && FesteSpalte(i.column())) ? i.row() : -1;
    start_ = e->position().toPoint();
    QTableView::mousePressEvent(e);
}

void TKanalTabelle::mouseMoveEvent(QMouseEvent* e) {
    if (ziehtVon_ < 0) return QTableView::mouseMoveEvent(e);
    if (!zieht_ && (e->position().toPoint() - start_).manhattanLength() < QApplication::startDragDistance()) return;
    zieht_ = true;
    const int zeile = rowAt(int(e->position().y()));
    ziel_ = zeile >= 0 ? zeile : (e->position().y() < 0 ? 0 : model()->rowCount() - 1);
    viewport()->update();
}

void TKanalTabelle::mouseReleaseEvent(QMouseEvent* e) {
    const int von = ziehtVon_, nach = ziel_;
    const bool gezogen = zieht_;
    ziehtVon_ = ziel_ = -1;
    zieht_ = false;
    viewport()->update();
    QTableView::mouseReleaseEvent(e);
    if (gezogen && von >= 0 && nach >= 0 && von != nach) emit ZeileVerschoben(von, nach);
}

void TKanalTabelle::paintEvent(QPaintEvent* e) {
    QTableView::paintEvent(e);
    if (!zieht_ || ziel_ < 0) return;
    // Where the row will land: the moved row takes the target row's place,
    // so the line marks the target's far edge (below it when dragging down).
    QPainter p(viewport());
    p.setPen(QPen(palette().color(QPalette::Highlight).darker(130), 2));
    const int y = ziel_ > ziehtVon_ ? rowViewportPosition(ziel_) + rowHeight(ziel_) - 1 : rowViewportPosition(ziel_);
    p.drawLine(0, y, viewport()->width(), y);
}

} // namespace nuvar
