#pragma once
// The logic of the channel parameter dialog: a channel's value is
// a × signal + b. The dialog shows the same scaling twice and keeps both in
// step: as a and b, and as the ends of the measuring range in the sensor's
// unit (range end = a × upper signal end + b, range start = a × lower signal
// end + b), the signal ends coming from the channel catalogue for the input's
// type. Min and Max are kept inside the measuring range unless the input is a
// counter. The dialog window only shows the texts kept here.
#include "common/FunktionenTypen.h"

#include <QString>
#include <QStringList>

namespace nuvar {

// The six edit fields, as text.
struct TParameterFelder {
    QString OGrenze, UGrenze, a, b, Min, Max;
};

class TParameterRechnung {
public:
    // One run (every run sets everything anew): looks up the type's signal
    // range, fills the fields and labels and runs the limit check.
    // `geberZeilen` and `kanalZeilen` are the raw catalogue lines.
    void Beginne(const QStringList& geberZeilen, const QStringList& kanalZeilen, const TKanalEintrag& eintrag,
                 std::uint8_t kanaltyp);

    // Look-ups in the channel catalogue: the first line of the type.
    // ObereSignalgrenze also takes the line's counter flag. Without a line the
    // ends are unknown (kUnbekannteGrenze) and the unit is empty.
    double ObereSignalgrenze(std::uint8_t typ);
    double UntereSignalgrenze(std::uint8_t typ) const;
    QString Signaleinheit(std::uint8_t typ) const;

    // Leaving (or Enter in) the range fields: a and b become the line through
    // both ends, then the limit check. With an unknown range, or with equal
    // signal ends (no line goes through them), a and b stay and Hinweis says
    // why.
    void BereichGeaendert();
    // Leaving a or b: the range ends follow.
    void abGeaendert();
    // Leaving Min or Max: Min below Max (Min := Max - 0,01 otherwise), then
    // both inside the measuring range, Min still below Max, unless the input
    // is a counter or the range is no range (unknown or a single point).
    void Grenzpruefung();
    // "OK": Min, Max, a and b into the entry. A field that is no number
    // raises its conversion error and changes nothing: the dialog stays open
    // and counts as not confirmed.
    void Uebernehmen();

    TParameterFelder Felder;
    // Labels
    QString SensorText, KanaltypText, MBGrenzenText, ZaehlerText, OGrenzeText, UGrenzeText, EinheitText;
    QString Hinweis;  // why a and b were not computed, or empty

    TKanalEintrag Eintrag;  // the working copy
    bool Ergebnis = false;  // confirmed with OK
    bool Zaehler = false;

private:
    // The fields show three decimals, but a value the user leaves as shown
    // keeps its full precision: a gain of 0,0225 must not become 0,023 because
    // the dialog was opened and confirmed.
    enum Feld { O, U, A, B, Mn, Mx, kFelder };
    QString& Text(Feld f);
    void Setze(Feld f, double wert);
    double Wert(Feld f);
    bool BereichBekannt() const;

    struct Genau {
        QString text;
        double wert = 0;
    };
    Genau genau_[kFelder];

    QStringList kanalZeilen_;
    std::uint8_t typ_ = 0;
    double uo_ = 0, uu_ = 0;
};

} // namespace nuvar
