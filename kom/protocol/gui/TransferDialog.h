#pragma once
// The transfer window on screen: a fixed 322 x 380 dialog that stays on top
// and opens centred on the desktop.
#include "kom/protocol/TransferAnsicht.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPlainTextEdit;
class QPushButton;
class QFrame;

namespace nuvar {

class TTransferDialog : public QDialog, public TTransferAnsicht {
    Q_OBJECT
public:
    explicit TTransferDialog(QWidget* parent = nullptr);

    void SetzeTitel(const QString& text) override;
    void SetzeVerbindung(const QString& station, const QString& verbindung, const QString& rufnummer,
                         bool rufnummerAktiv) override;
    void StatusZeile(const QString& text) override;
    void SetzeGauge(int maximum, int fortschritt) override;
    void SetzeEmpfang(bool rot) override;
    void Zeigen() override;
    void Verbergen() override;

    QLabel* StatusRxLabel1 = nullptr;      // the large title of the running operation
    QLabel* StationsLabel1 = nullptr;      // "Verbinden mit:" the station
    QLabel* VerbindungLabel1 = nullptr;    // "Verbindung:" the line or the modem
    QLabel* RufnummerLabel1 = nullptr;     // "Rufnummer:" the number dialled
    QPushButton* Button1 = nullptr;        // "&Abbrechen": ends the running wait and closes the link
    QFrame* ReceiveCharStatus1 = nullptr;  // receive indicator: red while bytes arrive
    QProgressBar* Gauge1 = nullptr;        // progress of the running command
    QPlainTextEdit* StatusMemo1 = nullptr; // the status lines

protected:
    void reject() override;  // Escape and the close box act as "&Abbrechen"
};

} // namespace nuvar
