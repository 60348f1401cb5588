#pragma once
// The logic of the station parameter window without a widget: the texts of
// its fields and the rows of its channel list, each in the format the person
// reads (numbers with a fraction in the locale's decimal separator, texts
// from the logger's OEM code page). The window fills its controls once, on
// its first paint, from what was set by then.
#include "common/FunktionenTypen.h"
#include "kom/protocol/NUVARWnd.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

namespace nuvar {

// The texts of the station record's fields.
struct TStatParamFelder {
    QString Stationsnummer;
    QString Stationsname;
    QString Systemspannung;   // "12,5 Volt"
    QString Mittelwertzeit;   // "10 min"
    QString Messintervall;    // "60 sec"
    QString FreierSpeicher;   // "123 Tage"
    QString Speichergroesse;  // "128 KB"
    QString Datensaetze;
};

// The channel list: one row per channel 1 to Kanalanzahl, read-only.
class TKanallisteModell : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Spalte { Nr, Bez, Einh, Kanal, Code, Sensortyp, A, B, Min, Max, kSpalten };

    using QAbstractTableModel::QAbstractTableModel;
    void Fuelle(const TStationsParameter& station, const TKanalTabelle& kanaele);

    // The cell texts of a row, in column order.
    static QStringList Zeile(int nummer, const TKanalEintrag& e);
    static QString Ueberschrift(int spalte);
    // Pixels.
    static int Breite(int spalte);
    static Qt::Alignment Ausrichtung(int spalte);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;

private:
    std::vector<QStringList> zeilen_;
};

class TStatParamModell {
public:
    // Set by the main window right after it created the window.
    void SetzeDaten(const QString& bezeichnung, const TStationsParameter& station, const TKanalTabelle& kanaele);

    const QString& Bezeichnung() const { return bezeichnung_; }
    const TStationsParameter& Station() const { return station_; }
    // "Stationsparameter für " + the programme description.
    QString Titel() const;
    TStatParamFelder Felder() const;
    static TStatParamFelder Felder(const TStationsParameter& station);

    // True once, on the first paint: the window fills its controls (and the
    // channel list is filled). Later paints change nothing.
    bool Gemalt() const { return gemalt_; }
    bool ErsterPaint();

    TKanallisteModell& Kanalliste() { return kanalliste_; }

private:
    bool gemalt_ = false;
    QString bezeichnung_;
    TStationsParameter station_;
    TKanalTabelle kanaele_{};
    TKanallisteModell kanalliste_;
};

// "%.<stellen>f" with the locale's decimal separator.
QString Festkomma(double wert, int stellen);

} // namespace nuvar
