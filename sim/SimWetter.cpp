#include "sim/SimWetter.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nuvar {

namespace {
constexpr double kPi = std::numbers::pi;

quint64 Mische(quint64 x) {
    // splitmix64: cheap, well spread, the same everywhere
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double TagesStunde(qint64 t) {
    const qint64 s = ((t % 86400) + 86400) % 86400;
    return s / 3600.0;
}

int Jahrestag(qint64 t) {
    return QDateTime::fromSecsSinceEpoch(t, QTimeZone::utc()).date().dayOfYear();
}
}  // namespace

SimGroesse GroesseAusBezeichnung(const QByteArray& bezeichnung) {
    QByteArray b = bezeichnung;
    const int null = b.indexOf('\0');
    if (null >= 0) b.truncate(null);
    b = b.trimmed().toLower();
    if (b == "t2m") return SimGroesse::Temperatur;
    if (b == "rf") return SimGroesse::Feuchte;
    if (b == "ld") return SimGroesse::Luftdruck;
    if (b == "wr") return SimGroesse::Windrichtung;
    if (b == "wg") return SimGroesse::Windgeschw;
    if (b == "nied") return SimGroesse::Niederschlag;
    if (b == "tbn") return SimGroesse::Bodennah;
    if (b.startsWith("bod")) return SimGroesse::Boden;
    if (b == "akku") return SimGroesse::Akku;
    if (b == "gs") return SimGroesse::Strahlung;
    return SimGroesse::Allgemein;
}

double SimWetter::Rauschen(int kanal, qint64 knoten) const {
    const quint64 h = Mische((quint64(saat_) << 40) ^ (quint64(kanal) << 56) ^ quint64(knoten));
    return double(h >> 11) / double(1ull << 53) * 2.0 - 1.0;
}

double SimWetter::Glatt(int kanal, double t, double periodeS) const {
    const double x = t / periodeS;
    const qint64 k = qint64(std::floor(x));
    const double f = x - double(k);
    const double w = (1 - std::cos(f * kPi)) / 2;  // cosine interpolation
    return Rauschen(kanal, k) * (1 - w) + Rauschen(kanal, k + 1) * w;
}

double SimWetter::Tagesmittel(qint64 t) const {
    // Coldest in mid-January, warmest in mid-July; weather systems of a few days on top.
    const double jahr = -std::cos(2 * kPi * (Jahrestag(t) - 15) / 365.0);
    return 9.0 + 9.0 * jahr + 3.0 * Glatt(1, double(t), 3 * 86400.0);
}

double SimWetter::Temperatur(qint64 t) const {
    const double h = TagesStunde(t);
    const double tag = std::cos(2 * kPi * (h - 15.0) / 24.0);  // warmest at 15 h
    return Tagesmittel(t) + 5.0 * tag + 0.6 * Glatt(2, double(t), 1800.0);
}

double SimWetter::Regen(qint64 t) const {
    // Showers: an hour in about eight is wet, with a smooth intensity.
    const qint64 stunde = t / 3600;
    const double los = (Rauschen(20, stunde) + 1) / 2;
    if (los < 0.88) return 0.0;
    return std::max(0.0, 0.4 + 2.5 * Glatt(21, double(t), 900.0));
}

double SimWetter::Momentan(SimGroesse g, qint64 t, double unten, double oben) const {
    const double h = TagesStunde(t);
    const double sonne = std::max(0.0, std::sin(kPi * (h - 6.0) / 12.0));  // 6 h to 18 h
    const double wolken = (Glatt(30, double(t), 5400.0) + 1) / 2;         // 0 clear .. 1 overcast
    switch (g) {
    case SimGroesse::Temperatur: return Temperatur(t);
    case SimGroesse::Feuchte: {
        const double rf = 72.0 - 3.5 * (Temperatur(t) - Tagesmittel(t)) + 8.0 * Glatt(3, double(t), 7200.0) +
                          (Regen(t) > 0 ? 15.0 : 0.0);
        return std::clamp(rf, 18.0, 100.0);
    }
    case SimGroesse::Luftdruck:
        return 1013.0 + 12.0 * Glatt(4, double(t), 2.5 * 86400.0) + 0.8 * std::sin(4 * kPi * h / 24.0);
    case SimGroesse::Windrichtung: {
        double r = 240.0 + 90.0 * Glatt(5, double(t), 4 * 3600.0) + 25.0 * Rauschen(6, t / 10);
        r = std::fmod(r, 360.0);
        return r < 0 ? r + 360.0 : r;
    }
    case SimGroesse::Windgeschw: {
        const double grund = std::max(0.3, 3.5 + 2.5 * Glatt(7, double(t), 3 * 3600.0) + 1.5 * sonne);
        // Gusts: every few seconds the wind picks up or drops.
        const double boe = Rauschen(8, t / 3);
        return std::max(0.0, grund * (1.0 + 0.45 * boe));
    }
    case SimGroesse::Niederschlag: return Regen(t);
    case SimGroesse::Bodennah: {
        // Near the ground it is colder at night and warmer in the sun.
        return Temperatur(t) - 2.5 * (1 - sonne) + 3.0 * sonne * (1 - wolken);
    }
    case SimGroesse::Boden:
        return Tagesmittel(t) + 1.0 + 1.5 * std::cos(2 * kPi * (h - 18.0) / 24.0);
    case SimGroesse::Akku:
        return 12.4 + 1.2 * sonne * (1 - 0.6 * wolken) + 0.05 * Glatt(9, double(t), 600.0);
    case SimGroesse::Strahlung:
        return std::max(0.0, 850.0 * sonne * (1 - 0.75 * wolken) + 20.0 * Rauschen(10, t / 10) * sonne);
    case SimGroesse::Allgemein: {
        if (!(oben > unten)) { unten = 0; oben = 100; }
        const double mitte = (unten + oben) / 2, halb = (oben - unten) / 2;
        return mitte + 0.6 * halb * Glatt(11, double(t), 6 * 3600.0);
    }
    }
    return 0;
}

SimStatistik SimWetter::Intervall(SimGroesse g, qint64 ende, qint64 laengeS, double unten,
                                  double oben) const {
    laengeS = std::max<qint64>(laengeS, 1);
    const int proben = int(std::min<qint64>(laengeS, 30));
    SimStatistik s;
    double summe = 0;
    for (int i = 0; i < proben; ++i) {
        const qint64 t = ende - laengeS + (laengeS * (i + 1)) / proben;
        const double v = Momentan(g, t, unten, oben);
        if (i == 0 || v < s.min) s.min = v;
        if (i == 0 || v > s.max) s.max = v;
        summe += v;
    }
    s.mittel = summe / proben;
    if (g == SimGroesse::Niederschlag) {
        // mm per hour sampled over the interval -> millimetres fallen in it
        s.mittel = std::round(s.mittel * laengeS / 3600.0 * 10) / 10;
        s.min = 0;
        s.max = s.mittel;
    }
    return s;
}

}  // namespace nuvar
