#pragma once
// Weather for the simulated logger: plausible values that change over time
// like real weather (daily and yearly temperature cycle, humidity against
// temperature, slow pressure changes, veering wind with gusts, occasional
// rain, sunshine by day) and that are the same for the same seed and time.
#include <QByteArray>
#include <QtGlobal>

namespace nuvar {

// What a channel measures, chosen by its designation.
enum class SimGroesse {
    Temperatur,  // "t2m"
    Feuchte,     // "rf"
    Luftdruck,   // "ld"
    Windrichtung,  // "wr"
    Windgeschw,  // "wg"
    Niederschlag,  // "nied" (sum over the interval)
    Bodennah,    // "tbn"
    Boden,       // "bod5" and other "bod" channels
    Akku,        // "akku"
    Strahlung,   // "gs"
    Allgemein,   // anything else: a slow wave between the channel limits
};

// The quantity of a channel designation (the OEM text field, blanks allowed).
SimGroesse GroesseAusBezeichnung(const QByteArray& bezeichnung);

struct SimStatistik {
    double min = 0;
    double mittel = 0;
    double max = 0;
};

class SimWetter {
public:
    explicit SimWetter(quint32 saat) : saat_(saat) {}

    // The instantaneous value at t (seconds on the logger clock, since 1970).
    // unten/oben are the channel's limits, used by SimGroesse::Allgemein.
    double Momentan(SimGroesse g, qint64 t, double unten = 0, double oben = 100) const;
    // Minimum, mean and maximum over the interval (ende - laengeS, ende]; for
    // precipitation the mean is the sum over the interval.
    SimStatistik Intervall(SimGroesse g, qint64 ende, qint64 laengeS, double unten = 0,
                           double oben = 100) const;

private:
    double Rauschen(int kanal, qint64 knoten) const;             // -1..1 at a knot
    double Glatt(int kanal, double t, double periodeS) const;    // smooth -1..1
    double Tagesmittel(qint64 t) const;
    double Temperatur(qint64 t) const;
    double Regen(qint64 t) const;  // mm per hour at t
    quint32 saat_;
};

}  // namespace nuvar
