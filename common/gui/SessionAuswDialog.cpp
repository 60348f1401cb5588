#include "common/gui/SessionAuswDialog.h"

#include "common/Benutzeraktion.h"
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "common/ProgrammVerzeichnis.h"
#include "common/gui/Bilder.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

namespace nuvar {

namespace {

constexpr int kSpaltenBreite[4] = {116, 72, 100, 116};

} // namespace

// ---- the list model ----

TSessionListenModell::TSessionListenModell(const TSessionAuswahl& auswahl, QObject* parent)
    : QAbstractTableModel(parent), auswahl_(auswahl) {}

const std::array<QIcon, 3>& TSessionListenModell::Bilder() {
    static const std::array<QIcon, 3> bilder{
        SvgIcon(QStringLiteral(":/common/bilder/programm.svg"), {QSize(16, 16), QSize(32, 32)}),
        SvgIcon(QStringLiteral(":/common/bilder/programm_gesperrt.svg"), {QSize(16, 16), QSize(32, 32)}),
        SvgIcon(QStringLiteral(":/common/bilder/programm_beendet.svg"), {QSize(16, 16), QSize(32, 32)}),
    };
    return bilder;
}

int TSessionListenModell::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(auswahl_.Zeilen().size());
}

int TSessionListenModell::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant TSessionListenModell::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TMessprogrammZeile& z = auswahl_.Zeilen()[std::size_t(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0: return z.Bezeichnung;
        case 1: return z.StatNr;
        case 2: return z.StatName;
        case 3: return z.Standortname;
        }
    }
    if (role == Qt::DecorationRole && index.column() == 0) return Bilder()[std::size_t(z.Bild())];
    return {};
}

QVariant TSessionListenModell::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titel[4] = {"Bezeichnung", "Stations-Nr.", "Stationsname", "Standort"};
    return section >= 0 && section < 4 ? QVariant(QString::fromUtf8(titel[section])) : QVariant();
}

void TSessionListenModell::Neu() {
    beginResetModel();
    endResetModel();
}

// ---- the dialog ----

TSessionAuswDialog1::TSessionAuswDialog1(const TSessionAuswVariante& variante, QWidget* parent)
    : QDialog(parent), auswahl_(variante) {
    setWindowTitle(QString::fromUtf8("Messprogramm auswählen"));
    const TSessionAuswVariante& v = auswahl_.Variante();
    // A dialog border: a close box, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   (v.FesteGroesse ? Qt::MSWindowsFixedSizeDialogHint : Qt::WindowFlags()));
    setSizeGripEnabled(false);
    if (v.FesteGroesse) setFixedSize(v.Client);
    else resize(v.Client);

    Bild1 = new QLabel(this);
    Bild1->setPixmap(SvgBild(QStringLiteral(":/common/bilder/messprogramme.svg"), QSize(32, 32)));
    Bild1->setGeometry(8, 8, 32, 32);
    Label1 = new QLabel(QString::fromUtf8("Die folgenden Messprogramme sind auf diesem Computer eingerichtet:"), this);
    Label1->setWordWrap(true);
    Label1->setGeometry(48, 8, v.Client.width() - 56, 44);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    liste_ = new TSessionListenModell(auswahl_, this);
    SessionListView1 = new QTreeView(this);
    SessionListView1->setObjectName(QStringLiteral("SessionListView1"));
    SessionListView1->setModel(liste_);
    SessionListView1->setRootIsDecorated(false);
    SessionListView1->setItemsExpandable(false);
    SessionListView1->setUniformRowHeights(true);
    SessionListView1->setAllColumnsShowFocus(true);
    SessionListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    SessionListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    SessionListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SessionListView1->setSortingEnabled(false);
    SessionListView1->setIconSize(QSize(16, 16));
    SessionListView1->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    SessionListView1->header()->setSectionsClickable(false);
    SessionListView1->header()->setSectionsMovable(false);
    SessionListView1->header()->setStretchLastSection(false);
    for (int c = 0; c < 4; ++c) SessionListView1->setColumnWidth(c, kSpaltenBreite[c]);
    // A selected row stays marked when the list does not have the focus.
    QPalette pal = SessionListView1->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    SessionListView1->setPalette(pal);
    SessionListView1->setGeometry(v.Liste);
    SessionListView1->viewport()->installEventFilter(this);
    connect(SessionListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, Aktionsschutz([this] {
                const QModelIndexList rows = SessionListView1->selectionModel()->selectedRows();
                auswahl_.Waehle(rows.isEmpty() ? -1 : rows.first().row());
            }));
    connect(SessionListView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            Aktionsschutz([this](const QModelIndex& i, const QModelIndex&) { auswahl_.SetzeFokus(i.isValid() ? i.row() : -1); }));

    if (!v.Hinweis.isEmpty()) {
        Label2 = new QLabel(v.Hinweis, this);
        Label2->move(v.HinweisPos);
        Label2->adjustSize();
    }

    OKButton1 = new QPushButton(QStringLiteral("&OK"), this);
    OKButton1->setGeometry(QRect(v.OKPos, v.Knopf));
    OKButton1->setDefault(true);
    AbbrechenButton1 = new QPushButton(QStringLiteral("&Abbrechen"), this);
    AbbrechenButton1->setGeometry(QRect(v.AbbrechenPos, v.Knopf));
    connect(OKButton1, &QPushButton::clicked, this, &QDialog::accept);
    connect(AbbrechenButton1, &QPushButton::clicked, this, &QDialog::reject);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1);
    Timer1->setSingleShot(false);
    connect(Timer1, &QTimer::timeout, this, Aktionsschutz([this] { Timer1Timer(); }));

    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
}

TSessionAuswDialog1::~TSessionAuswDialog1() = default;

void TSessionAuswDialog1::Fuellen() {
    auswahl_.Kennung = Kennung;
    const TSessionAuswVariante& v = auswahl_.Variante();
    const QString pfad =
        v.PfadRelativZumProgramm
            ? SessionsIniPfad(SessionsPfad, ProgrammVerzeichnis.isEmpty() ? nuvar::ProgrammVerzeichnis()
                                                                          : ProgrammVerzeichnis)
            : SessionsPfad;
    const TIniFile ini(pfad);
    auswahl_.Fuellen(ini);
    liste_->Neu();
    ZeigeAuswahl();
    SessionListView1->setFocus();
}

void TSessionAuswDialog1::ZeigeAuswahl() {
    QItemSelectionModel* sel = SessionListView1->selectionModel();
    const QSignalBlocker sperre(sel);
    sel->clearSelection();
    if (auswahl_.Fokus() >= 0)
        sel->setCurrentIndex(liste_->index(auswahl_.Fokus(), 0), QItemSelectionModel::NoUpdate);
    if (auswahl_.Ausgewaehlt() >= 0)
        sel->select(liste_->index(auswahl_.Ausgewaehlt(), 0),
                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool TSessionAuswDialog1::Ausfuehren() {
    Fuellen();
    if (exec() != QDialog::Accepted) return false;
    Kennung = auswahl_.Kennung;
    return true;
}

void TSessionAuswDialog1::done(int r) {
    TMeldungen& m = MeldungenDienst ? *MeldungenDienst : Meldungen();
    bool erlaubt = false;
    // Cancel always closes, even if the notice could not be shown.
    if (!Benutzeraktion([&] { erlaubt = auswahl_.DarfSchliessen(r != QDialog::Rejected, m); }, MeldungenDienst))
        erlaubt = r == QDialog::Rejected;
    if (!erlaubt) return;
    if (r != QDialog::Rejected) Kennung = auswahl_.Kennung;
    QDialog::done(r);
}

void TSessionAuswDialog1::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Timer1->start();
}

void TSessionAuswDialog1::Timer1Timer() {
    Timer1->stop();
    const int hoehe = SessionListView1->sizeHintForRow(0);
    if (hoehe <= 0) return;
    const int sichtbar = SessionListView1->viewport()->height() / hoehe;
    const int n = auswahl_.ScrollZeilen(sichtbar);
    if (n > 0) SessionListView1->verticalScrollBar()->setValue(SessionListView1->verticalScrollBar()->value() + n);
    QApplication::processEvents();
}

bool TSessionAuswDialog1::eventFilter(QObject* o, QEvent* e) {
    if (o == SessionListView1->viewport()) {
        // Anywhere in the list, on a row or on the empty space below the rows.
        if (e->type() == QEvent::MouseButtonDblClick) {
            SessionListView1DblClick();
            return true;
        }
        // A click beside the rows keeps the selected row: a double click
        // there still takes it.
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease) {
            const auto* m = static_cast<QMouseEvent*>(e);
            if (!SessionListView1->indexAt(m->position().toPoint()).isValid()) return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

void TSessionAuswDialog1::SessionListView1DblClick() {
    auswahl_.DoppelKlick();
    done(QDialog::Accepted);
}

} // namespace nuvar
