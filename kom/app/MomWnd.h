#pragma once
// The instantaneous-values window, a child of the main window: the lines of
// the recording file in a list box with a fixed-pitch font and tab stops,
// and below it a chart of the readings over the recording period with a
// channel list to choose what it draws. It receives the logger's lines
// through the receiver registry while its caption contains the station
// name. Its logic is TMomentanwertModell.
#include "kom/app/MomWndModell.h"
#include "kom/protocol/Momentanempfang.h"

#include <QChartView>
#include <QWidget>

class QListView;
class QMdiArea;
class QSplitter;
class QLabel;
class QValueAxis;
class QDateTimeAxis;
class QLineSeries;

namespace nuvar {

// The chart: one series per channel, one value axis per unit of the
// channels drawn, time along the recording period.
class TMomentanDiagramm : public QChartView {
    Q_OBJECT
public:
    explicit TMomentanDiagramm(TMomentanwertModell& modell, QWidget* parent = nullptr);
    // The series colour of a channel (also shown in the channel list).
    static QColor Farbe(int kanal);
    QLineSeries* Reihe(int kanal) const;
    QValueAxis* Achse(const QString& einheit) const;
    QDateTimeAxis* Zeitachse() const { return zeit_; }

public slots:
    void Neu();  // the channels changed
    void Aktualisiere();

private:
    TMomentanwertModell& modell_;
    QDateTimeAxis* zeit_ = nullptr;
    std::vector<QLineSeries*> reihen_;
    std::vector<std::pair<QString, QValueAxis*>> achsen_;
    int kanaele_ = -1;
};

class TMomentanwertFenster : public QWidget {
    Q_OBJECT
public:
    explicit TMomentanwertFenster(QWidget* parent = nullptr);
    ~TMomentanwertFenster() override;

    void SetzeOptionen(const TMomentanwertOptionen& o) { modell_->SetzeOptionen(o); }
    void SetzeStation(const TStationsParameter& station, const TKanalTabelle& kanaele);
    TMomentanwertModell& Modell() { return *modell_; }

    // Creates the window with its caption, options, station record and
    // channel table as a child of the area and shows it.
    static TMomentanwertFenster* Oeffne(QMdiArea* bereich, const QString& titel, const TMomentanwertOptionen& o,
                                        const TStationsParameter& station, const TKanalTabelle& kanaele);

    QSplitter* Teiler1 = nullptr;
    QListView* ListBox1 = nullptr;
    TMomentanDiagramm* Diagramm1 = nullptr;
    QListView* KanalListe1 = nullptr;
    QLabel* KanalLabel1 = nullptr;

    // The list box's tab stops: every 55 dialog units of its font.
    int Tabulator() const;

signals:
    // The person closed the window: sent before it frees itself and handled
    // at once (connect it directly). Not sent when the window is destroyed
    // with the main window.
    void Geschlossen();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void NachZeilen();

    TMomentanwertModell* modell_;
    TMomentanEmpfang::Id empfang_ = 0;
    bool geschlossen_ = false;
    bool amEnde_ = true;
};

} // namespace nuvar
