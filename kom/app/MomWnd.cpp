#include "kom/app/MomWnd.h"

#include "common/Benutzeraktion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTimeAxis>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineSeries>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace nuvar {

namespace {

QString Q(const char* s) { return QString::fromUtf8(s); }

// "Courier New", 8 points; where it is not installed, a fixed-pitch font
// of that size, the one with its metrics first.
QFont Listenschrift() {
    QFont f(QStringLiteral("Courier New"));
    f.setPointSize(8);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    if (QFontInfo(f).fixedPitch()) return f;
    QStringList familien = {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                            QStringLiteral("Noto Mono"), QStringLiteral("Nimbus Mono PS")};
    familien += QFontDatabase::families();
    for (const QString& familie : std::as_const(familien))
        if (QFontDatabase::hasFamily(familie) && QFontDatabase::isFixedPitch(familie)) {
            f.setFamily(familie);
            return f;
        }
    return f;
}

// Draws a list line with its TABs expanded to fixed stops, 14 pixels high.
class TTabZeilen : public QStyledItemDelegate {
public:
    TTabZeilen(int tabulator, QObject* parent) : QStyledItemDelegate(parent), tab_(tabulator) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem o(option);
        initStyleOption(&o, index);
        const QString text = o.text;
        o.text.clear();
        const QWidget* w = o.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
        p->save();
        p->setFont(o.font);
        p->setPen(o.palette.color(o.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        QTextOption to(Qt::AlignLeft | Qt::AlignVCenter);
        to.setTabStopDistance(tab_);
        to.setWrapMode(QTextOption::NoWrap);
        p->drawText(QRectF(o.rect.adjusted(2, 0, 0, 0)), text, to);
        p->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QString text = index.data().toString();
        int tabs[1] = {tab_};
        const int breite = option.fontMetrics.size(Qt::TextExpandTabs | Qt::TextSingleLine, text, 1, tabs).width();
        return QSize(breite + 6, 14);
    }

private:
    int tab_;
};

// The channel list beside the chart: name and unit in the series colour,
// checked when the chart draws it.
class TKanalAuswahl : public QAbstractListModel {
public:
    TKanalAuswahl(TMomentanwertModell& m, QObject* parent) : QAbstractListModel(parent), m_(m) {
        connect(&m_, &TMomentanwertModell::KanaeleGeaendert, this, [this] {
            beginResetModel();
            endResetModel();
        });
    }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : m_.Kanalanzahl(); }
    QVariant data(const QModelIndex& i, int role) const override {
        if (!i.isValid()) return {};
        switch (role) {
        case Qt::DisplayRole:
            return m_.KanalName(i.row()) + QStringLiteral(" [") + m_.KanalEinheit(i.row()) + QLatin1Char(']');
        case Qt::DecorationRole:
            return TMomentanDiagramm::Farbe(i.row());
        case Qt::CheckStateRole:
            return m_.KanalSichtbar(i.row()) ? Qt::Checked : Qt::Unchecked;
        default:
            return {};
        }
    }
    bool setData(const QModelIndex& i, const QVariant& v, int role) override {
        if (!i.isValid() || role != Qt::CheckStateRole) return false;
        Benutzeraktion([&] { m_.SetzeKanalSichtbar(i.row(), v.toInt() == Qt::Checked); });
        emit dataChanged(i, i, {Qt::CheckStateRole});
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex& i) const override {
        return QAbstractListModel::flags(i) | Qt::ItemIsUserCheckable;
    }

private:
    TMomentanwertModell& m_;
};

} // namespace

// ---- chart ----

TMomentanDiagramm::TMomentanDiagramm(TMomentanwertModell& modell, QWidget* parent)
    : QChartView(parent), modell_(modell) {
    auto* c = new QChart;
    c->legend()->hide();
    c->setLocalizeNumbers(true);
    c->setMargins(QMargins(4, 4, 4, 4));
    c->setBackgroundRoundness(0);
    setChart(c);
    setRenderHint(QPainter::Antialiasing);
    // Redrawn whole once a reading arrives, so no marker of a moved point stays behind.
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    setMinimumHeight(160);
    zeit_ = new QDateTimeAxis;
    zeit_->setFormat(QStringLiteral("hh:mm:ss"));
    zeit_->setTickCount(7);
    c->addAxis(zeit_, Qt::AlignBottom);
    connect(&modell_, &TMomentanwertModell::KanaeleGeaendert, this, Aktionsschutz([this] { Neu(); }));
    connect(&modell_, &TMomentanwertModell::VerlaufGeaendert, this, Aktionsschutz([this] { Aktualisiere(); }));
    Neu();
}

QColor TMomentanDiagramm::Farbe(int kanal) {
    static const QColor farben[] = {
        QColor(0xd6, 0x27, 0x28), QColor(0x1f, 0x77, 0xb4), QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
        QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b), QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f),
        QColor(0xbc, 0xbd, 0x22), QColor(0x17, 0xbe, 0xcf)};
    return farben[std::size_t(kanal < 0 ? 0 : kanal) % std::size(farben)];
}

QLineSeries* TMomentanDiagramm::Reihe(int kanal) const {
    return kanal >= 0 && std::size_t(kanal) < reihen_.size() ? reihen_[std::size_t(kanal)] : nullptr;
}

QValueAxis* TMomentanDiagramm::Achse(const QString& einheit) const {
    for (const auto& [e, a] : achsen_)
        if (e == einheit) return a;
    return nullptr;
}

void TMomentanDiagramm::Neu() {
    QChart* c = chart();
    for (QLineSeries* r : reihen_) {
        c->removeSeries(r);
        delete r;
    }
    reihen_.clear();
    for (auto& [e, a] : achsen_) {
        c->removeAxis(a);
        delete a;
    }
    achsen_.clear();
    const int n = modell_.Kanalanzahl();
    for (int k = 0; k < n; ++k) {
        const QString einheit = modell_.KanalEinheit(k);
        QValueAxis* achse = Achse(einheit);
        if (!achse) {
            achse = new QValueAxis;
            achse->setTitleText(einheit.isEmpty() ? Q("Wert") : einheit);
            achse->setLabelFormat(QStringLiteral("%.1f"));
            // Units alternate between the left and the right side.
            c->addAxis(achse, achsen_.size() % 2 ? Qt::AlignRight : Qt::AlignLeft);
            achsen_.emplace_back(einheit, achse);
        }
        auto* r = new QLineSeries;
        r->setName(modell_.KanalName(k));
        QPen stift(Farbe(k));
        stift.setWidthF(1.8);
        r->setPen(stift);
        r->setPointsVisible(true);
        c->addSeries(r);
        r->attachAxis(zeit_);
        r->attachAxis(achse);
        reihen_.push_back(r);
    }
    kanaele_ = n;
    Aktualisiere();
}

void TMomentanDiagramm::Aktualisiere() {
    if (kanaele_ != modell_.Kanalanzahl()) return Neu();
    const QDateTime von = modell_.AnzeigeVon(), bis = modell_.AnzeigeBis();
    const bool daten = bis.isValid();
    if (daten) {
        // Ticks on round times of the clock: at most eight steps over the
        // period, the newest reading in the last of them.
        static const qint64 schritte[] = {10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};
        const qint64 spanne = std::max<qint64>(1, von.secsTo(bis));
        qint64 schritt = 86400 * ((spanne + 8 * 86400 - 1) / (8 * 86400));
        for (qint64 k : schritte)
            if (spanne <= 8 * k) {
                schritt = k;
                break;
            }
        const qint64 versatz = bis.offsetFromUtc();
        const qint64 ende = ((bis.toSecsSinceEpoch() + versatz + schritt - 1) / schritt) * schritt - versatz;
        const qint64 n = (spanne + schritt - 1) / schritt;
        zeit_->setRange(QDateTime::fromSecsSinceEpoch(ende - n * schritt), QDateTime::fromSecsSinceEpoch(ende));
        zeit_->setTickCount(int(n) + 1);
        zeit_->setFormat(schritt < 60       ? QStringLiteral("hh:mm:ss")
                         : spanne > 86400 ? QStringLiteral("dd.MM. hh:mm")
                                          : QStringLiteral("hh:mm"));
        chart()->setTitle(modell_.Optionen().Zeitraum > 0
                              ? Q("Verlauf der letzten %1 min").arg(modell_.Optionen().Zeitraum)
                              : Q("Verlauf"));
    } else {
        const QDateTime jetzt = QDateTime::currentDateTime();
        zeit_->setRange(jetzt.addSecs(-60), jetzt);
        chart()->setTitle(Q("Warte auf Momentanwerte..."));
    }
    const double ab = daten ? double(von.toMSecsSinceEpoch()) : 0.0;
    for (auto& [einheit, achse] : achsen_) {
        bool sichtbar = false, werte = false;
        double lo = 0.0, hi = 0.0;
        for (int k = 0; k < int(reihen_.size()); ++k) {
            if (modell_.KanalEinheit(k) != einheit || !modell_.KanalSichtbar(k)) continue;
            sichtbar = true;
            for (const QPointF& p : modell_.Verlauf(k)) {
                if (p.x() < ab) continue;
                if (!werte) lo = hi = p.y();
                lo = std::min(lo, p.y());
                hi = std::max(hi, p.y());
                werte = true;
            }
        }
        achse->setVisible(sichtbar);
        if (!werte) {
            achse->setRange(0.0, 1.0);
            continue;
        }
        const double rand = hi > lo ? (hi - lo) * 0.08 : std::max(1.0, std::abs(hi) * 0.02);
        achse->setRange(lo - rand, hi + rand);
        achse->applyNiceNumbers();
    }
    for (int k = 0; k < int(reihen_.size()); ++k) {
        QLineSeries* r = reihen_[std::size_t(k)];
        r->setVisible(modell_.KanalSichtbar(k));
        r->replace(modell_.Verlauf(k));
    }
}

// ---- window ----

TMomentanwertFenster::TMomentanwertFenster(QWidget* parent)
    : QWidget(parent), modell_(new TMomentanwertModell(this)) {
    setWindowTitle(Q("Momentanwerte"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(820, 560);

    ListBox1 = new QListView;
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFont(Listenschrift());
    ListBox1->setModel(modell_);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setItemDelegate(new TTabZeilen(Tabulator(), ListBox1));
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    Diagramm1 = new TMomentanDiagramm(*modell_);
    KanalLabel1 = new QLabel(Q("Kanäle im Diagramm:"));
    KanalListe1 = new QListView;
    KanalListe1->setObjectName(QStringLiteral("KanalListe1"));
    KanalListe1->setModel(new TKanalAuswahl(*modell_, KanalListe1));
    KanalListe1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    KanalListe1->setFixedWidth(150);
    KanalListe1->setIconSize(QSize(12, 12));

    auto* seite = new QWidget;
    auto* rechts = new QVBoxLayout;
    rechts->setContentsMargins(0, 0, 0, 0);
    rechts->addWidget(KanalLabel1);
    rechts->addWidget(KanalListe1, 1);
    auto* unten = new QHBoxLayout(seite);
    unten->setContentsMargins(0, 0, 0, 0);
    unten->addWidget(Diagramm1, 1);
    unten->addLayout(rechts);

    Teiler1 = new QSplitter(Qt::Vertical);
    Teiler1->addWidget(ListBox1);
    Teiler1->addWidget(seite);
    Teiler1->setStretchFactor(0, 2);
    Teiler1->setStretchFactor(1, 3);
    Teiler1->setChildrenCollapsible(false);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(Teiler1);

    // Before each new set of lines: follow the newest line while the view is
    // at the end.
    connect(modell_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        const QScrollBar* s = ListBox1->verticalScrollBar();
        amEnde_ = s->value() >= s->maximum();
    });
    connect(modell_, &QAbstractItemModel::modelReset, this, Aktionsschutz([this] { NachZeilen(); }));

    empfang_ = TMomentanEmpfang::Anmelden([this] { return windowTitle(); },
                                          [this](int kennung, const QByteArray& daten) {
                                              modell_->Empfange(kennung, daten);
                                          });
}

TMomentanwertFenster::~TMomentanwertFenster() {
    if (empfang_) TMomentanEmpfang::Abmelden(empfang_);
}

int TMomentanwertFenster::Tabulator() const {
    return std::max(1, 55 * QFontMetrics(ListBox1->font()).averageCharWidth() / 4);
}

void TMomentanwertFenster::SetzeStation(const TStationsParameter& station, const TKanalTabelle& kanaele) {
    modell_->SetzeStation(station, kanaele);
}

void TMomentanwertFenster::NachZeilen() {
    if (amEnde_) ListBox1->scrollToBottom();
}

TMomentanwertFenster* TMomentanwertFenster::Oeffne(QMdiArea* bereich, const QString& titel,
                                                   const TMomentanwertOptionen& o, const TStationsParameter& station,
                                                   const TKanalTabelle& kanaele) {
    auto* w = new TMomentanwertFenster;
    w->setWindowTitle(titel);
    w->SetzeOptionen(o);
    w->SetzeStation(station, kanaele);
    QMdiSubWindow* sub = bereich->addSubWindow(w);
    sub->setWindowIcon(bereich->window()->windowIcon());
    sub->show();
    return w;
}

void TMomentanwertFenster::closeEvent(QCloseEvent* e) {
    e->accept();
    if (geschlossen_) return;
    geschlossen_ = true;
    // The main window ends the instantaneous mode before the window goes.
    Benutzeraktion([this] { emit Geschlossen(); });
    TMomentanEmpfang::Abmelden(empfang_);
    empfang_ = 0;
    // Closed by itself rather than through its frame: the frame goes too.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->close();
}

} // namespace nuvar
