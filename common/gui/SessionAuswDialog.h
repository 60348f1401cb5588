#pragma once
// "Messprogramm auswählen": the list of all programmes of a sessions.ini and
// the choice of one. Both programs use this dialog; TSessionAuswVariante
// carries what differs between them (size, second label, preselection, path
// rule). The logic is TSessionAuswahl; the dialog only shows it.
#include "common/SessionAuswahl.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QIcon>
#include <array>

class QLabel;
class QPushButton;
class QTimer;
class QTreeView;

namespace nuvar {

class TMeldungen;

// The rows of a TSessionAuswahl for a view: four columns, the programme
// pictures in the first.
class TSessionListenModell : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TSessionListenModell(const TSessionAuswahl& auswahl, QObject* parent = nullptr);
    // The three 16 x 16 pictures: 0 programme, 1 crossed out (unused), 2 ended.
    static const std::array<QIcon, 3>& Bilder();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    // After the selection's rows changed.
    void Neu();

private:
    const TSessionAuswahl& auswahl_;
};

class TSessionAuswDialog1 : public QDialog {
    Q_OBJECT
public:
    explicit TSessionAuswDialog1(const TSessionAuswVariante& variante, QWidget* parent = nullptr);
    ~TSessionAuswDialog1() override;

    // In: the key to preselect (variants with preselection). Out, after
    // Ausfuehren returned true: the chosen programme's key.
    QString Kennung;
    // The programme file. Used as given, or by the variant's path rule
    // (SessionsIniPfad with ProgrammVerzeichnis).
    QString SessionsPfad;
    QString ProgrammVerzeichnis;
    // Where the close check's notice goes; empty: Meldungen().
    TMeldungen* MeldungenDienst = nullptr;

    // Fills the list, shows the dialog modally; true with Kennung set after
    // OK, false after Cancel.
    bool Ausfuehren();
    // Fills the list and applies the preselection without showing the
    // dialog (Ausfuehren does it first).
    void Fuellen();

    TSessionAuswahl& Modell() { return auswahl_; }

    QLabel* Bild1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;  // the variant's second label, or none
    QTreeView* SessionListView1 = nullptr;
    QPushButton* OKButton1 = nullptr;
    QPushButton* AbbrechenButton1 = nullptr;
    QTimer* Timer1 = nullptr;

    void done(int r) override;  // FormCloseQuery

protected:
    void showEvent(QShowEvent* e) override;  // FormActivate
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Timer1Timer();
    void SessionListView1DblClick();
    void ZeigeAuswahl();

    TSessionAuswahl auswahl_;
    TSessionListenModell* liste_ = nullptr;
};

} // namespace nuvar
