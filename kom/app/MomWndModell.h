#pragma once
// The logic of the instantaneous-values window without a widget. Each line
// the logger streams becomes a line of the recording file, a rolling log
// that keeps the readings of the recording period; the file is the store of
// the table, and this class holds its lines for the list box (a list model)
// and the readings per channel for the chart.
#include "common/FunktionenTypen.h"
#include "kom/protocol/NUVARWnd.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QTime>
#include <vector>

namespace nuvar {

class TMeldungen;

// The recording options of the window, in this order.
struct TMomentanwertOptionen {
    // Read and kept; the table is recorded in the file either way.
    bool Aufzeichnen = false;
    QString Dateiname;    // the recording file, full path
    QString Verzeichnis;  // as set; the window does not use it
    qint32 Zeitraum = 1;  // minutes
};

// A logger line that cannot be read (time stamp) or a recording file that
// cannot be read or written: each is reported once until a line succeeds.
enum class TMomentanFehler { Zeitstempel, Lesen, Schreiben };

class TMomentanwertModell : public QAbstractListModel {
    Q_OBJECT
public:
    // Lines the window uses of one received frame.
    static constexpr int kMaxZeichen = 1024;

    explicit TMomentanwertModell(QObject* parent = nullptr);

    void SetzeOptionen(const TMomentanwertOptionen& o) { optionen_ = o; }
    const TMomentanwertOptionen& Optionen() const { return optionen_; }
    // The station record (Messintervall, Kanalanzahl) and channel table
    // (Bezeichnung, Einheit) as the logger gave them.
    void SetzeStation(const TStationsParameter& station, const TKanalTabelle& kanaele);
    const TStationsParameter& Station() const { return station_; }

    // Where failures are reported; empty: the one of the transfer window
    // environment, else the program's.
    TMeldungen* MeldungenDienst = nullptr;

    // The transfer window's delivery: the line followed by a zero byte. At
    // most kMaxZeichen characters of it are used. Never throws: a failure
    // ends with a report and the line dropped.
    void Empfange(int kennung, const QByteArray& daten);
    // One line of the logger: shown and recorded (true), or dropped with a
    // report (false).
    bool Zeile(const QString& text);

    // "Datum<TAB>Zeit", then TAB, Bezeichnung[Einheit] for every channel.
    QString Kopfzeile() const;
    // How many lines the file may reach (header included) before each new
    // line pushes the oldest data line out: period * 60 / interval + 1.
    qint64 Zeilengrenze() const;
    // The lines of the list box: those of the recording file.
    const QStringList& Zeilen() const { return zeilen_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // ---- chart ----
    int Kanalanzahl() const;
    QString KanalName(int kanal) const;     // kanal from 0: Bezeichnung
    QString KanalEinheit(int kanal) const;  // Einheit
    // The readings of a channel over the lines held: x = the time stamp in
    // ms since the epoch (local time), y = the value. Items that are no
    // number are left out.
    const QList<QPointF>& Verlauf(int kanal) const;
    // The time span the chart shows: the recording period up to the newest
    // reading (both invalid while there is none).
    QDateTime AnzeigeVon() const;
    QDateTime AnzeigeBis() const;
    // Channels drawn in the chart; at first those of the first channel's unit.
    bool KanalSichtbar(int kanal) const;
    void SetzeKanalSichtbar(int kanal, bool sichtbar);

    // How often each cause was reported (tests and the log).
    int Gemeldet(TMomentanFehler f) const { return gemeldetZahl_[int(f)]; }

signals:
    // The station's channels changed (SetzeStation).
    void KanaeleGeaendert();
    // The readings or the channels drawn changed: redraw the chart.
    void VerlaufGeaendert();

private:
    enum class TLaden { Gelesen, Fehlt, Fehler };
    TLaden Lade(QStringList& liste, QString& fehler) const;
    bool Speichere(const QStringList& liste, QString& fehler) const;
    void Melde(TMomentanFehler f, const QString& text);
    void VerlaufNeu();
    TMeldungen& Dienst() const;

    TMomentanwertOptionen optionen_;
    TStationsParameter station_;
    TKanalTabelle kanaele_{};
    QStringList zeilen_;
    std::vector<QList<QPointF>> verlauf_;
    std::vector<bool> sichtbar_;
    qint64 neueste_ = 0;
    bool gemeldet_[3] = {false, false, false};
    int gemeldetZahl_[3] = {0, 0, 0};
};

// A line of the logger split as the window reads it: blanks and control
// characters trimmed, the last character (the closing ";") dropped, the time
// stamp "yymmddhhnnss" of its first 12 characters and the items after it.
// False when the time stamp is not six two-digit numbers forming a valid
// date and time.
bool LiesMomentanzeile(const QString& text, QDate& datum, QTime& zeit, QStringList& werte);

} // namespace nuvar
