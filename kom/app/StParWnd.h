#pragma once
// The station parameter window, a child of the main window: the station
// record and the channel table read from a logger, read-only. Each showing
// opens a new one; a closed one frees itself. Its logic is TStatParamModell.
#include "kom/app/StParWndModell.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QMdiArea;
class QPushButton;
class QTreeView;

namespace nuvar {

class TStatParamFenster : public QWidget {
    Q_OBJECT
public:
    explicit TStatParamFenster(QWidget* parent = nullptr);

    // The programme description (caption), station record and channel
    // table; the controls take them on the first paint.
    void SetzeDaten(const QString& bezeichnung, const TStationsParameter& station, const TKanalTabelle& kanaele);
    TStatParamModell& Modell() { return modell_; }

    // Creates the window with its data as a child of the area and shows it.
    static TStatParamFenster* Oeffne(QMdiArea* bereich, const QString& bezeichnung,
                                     const TStationsParameter& station, const TKanalTabelle& kanaele);

    QLineEdit* StationsnummerEdit1 = nullptr;
    QLineEdit* StationsnameEdit1 = nullptr;
    QLineEdit* SystemspannungEdit1 = nullptr;
    QLineEdit* MittelwertzeitEdit1 = nullptr;
    QLineEdit* MessintervallEdit1 = nullptr;
    QLineEdit* FreierSpeicherEdit1 = nullptr;
    QLineEdit* SpeichergroesseEdit1 = nullptr;
    QLineEdit* DatensaetzeEdit1 = nullptr;
    QTreeView* KanalLV1 = nullptr;
    QPushButton* OKButton1 = nullptr;
    QPushButton* ExportierenButton1 = nullptr;
    QPushButton* DruckenButton1 = nullptr;

protected:
    void paintEvent(QPaintEvent* e) override;  // FormPaint
    void closeEvent(QCloseEvent* e) override;

private:
    void Fuelle();

    TStatParamModell modell_;
};

} // namespace nuvar
