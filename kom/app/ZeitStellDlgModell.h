#pragma once
// The logic of the set-time dialog without a widget: the logger's clock and
// its deviation from the PC clock as the dialog shows them, which controls
// each mode enables, the confirmation before the clock is set (setting it
// clears the logger's memory) and the result the main window passes on.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <functional>

namespace nuvar {

class TMeldungen;

extern const char* const kZeitStellenFrage;  // "Mit dem Stellen der Systemzeit ... fortsetzen?"

class TZeitStellModell {
public:
    // uhr: the PC clock; empty: the one of the transfer window environment,
    // else the system's.
    explicit TZeitStellModell(std::function<QDateTime()> uhr = {});

    // In: logger time minus PC time, in days. Out, when confirmed in PC
    // mode: the chosen offset in days.
    double Abweichung = 0.0;
    // "&PC-Zeit:" (true) or "&Vorgabe:".
    bool PCModus = true;
    // The hour field, -24 to +24.
    int Stunden = 0;
    QDate VorgabeDatum;
    QTime VorgabeZeit;
    // Out, when confirmed in preset mode.
    QDateTime Vorgabe;

    // Opening: the preset fields take the PC date and time.
    void Oeffnen();
    QDateTime Jetzt() const;

    // What each timer tick shows.
    QString LoggerZeitText() const;   // " " + PC time + deviation
    QString PCZeitText() const;       // " " + PC time
    QString AbweichungText() const;   // " + 2 Tag(e) 03h00min00sec"
    static QString AbweichungText(double tage);
    // The locale's short date and long time, as the dialog shows a date-time.
    static QString DatumZeit(const QDateTime& t);
    // Their formats: the short date with a four-digit year, the long time
    // without a time zone.
    static QString DatumFormat();
    static QString ZeitFormat();

    // The PC time field, "+", the hour field and "h" in PC mode; the date
    // field and the time picker in preset mode.
    bool PCFelderAktiv() const { return PCModus; }
    bool VorgabeFelderAktiv() const { return !PCModus; }
    void SetzeStunden(int stunden);

    // "A&usführen": asks first; Yes takes the result and is true, No keeps
    // the dialog open.
    bool Ausfuehren(TMeldungen& meldungen);

private:
    std::function<QDateTime()> uhr_;
};

} // namespace nuvar
