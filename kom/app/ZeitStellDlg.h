#pragma once
// The set-time dialog "Systemzeit stellen": the logger's clock against the
// PC clock, and the new logger time as the PC time shifted by whole hours
// or as a preset date and time. Modal, for one call. Its logic is
// TZeitStellModell.
#include "kom/app/ZeitStellDlgModell.h"

#include <QDialog>
#include <functional>

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;
class QTimer;

namespace nuvar {

class TMeldungen;

class TZeitStellDialog : public QDialog {
    Q_OBJECT
public:
    // uhr: the PC clock (empty: the one of the transfer window environment).
    explicit TZeitStellDialog(QWidget* parent = nullptr, std::function<QDateTime()> uhr = {});

    // In: the logger time minus the PC time, in days. Out, when confirmed in
    // PC mode: the chosen offset in days.
    double Abweichung = 0.0;
    // Out, when confirmed: the mode, and in preset mode the time.
    bool PCModus = true;
    QDateTime Vorgabe;
    // The confirmation's service; empty: the environment's, else the program's.
    TMeldungen* MeldungenDienst = nullptr;

    // Shows the dialog modally; true when it was confirmed.
    bool Ausfuehren();
    TZeitStellModell& Modell() { return modell_; }

    QGroupBox* LoggerGruppe1 = nullptr;
    QLabel* SystemzeitPanel1 = nullptr;
    QLabel* AbweichungPanel1 = nullptr;
    QGroupBox* KorrekturGruppe1 = nullptr;
    QRadioButton* PCZeitRadio1 = nullptr;
    QLineEdit* PCZeitEdit1 = nullptr;
    QLabel* PlusLabel1 = nullptr;
    QSpinBox* StundenEdit1 = nullptr;
    QLabel* StundenLabel1 = nullptr;
    QRadioButton* VorgabeRadio1 = nullptr;
    QDateEdit* DatumEdit1 = nullptr;
    QTimeEdit* ZeitEdit1 = nullptr;
    QPushButton* AusfuehrenButton1 = nullptr;
    QPushButton* AbbrechenButton1 = nullptr;
    QTimer* Timer1 = nullptr;

public slots:
    void Timer1Timer();  // the 100-ms tick

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Freigaben();
    void AusfuehrenClick();
    TMeldungen& Dienst() const;

    TZeitStellModell modell_;
};

} // namespace nuvar
