#include "cfg/ParameterRechnung.h"

#include "common/Katalog.h"
#include "common/Text.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace nuvar {

namespace {

QString F3(double x) { return FormatF(x, 3); }

// Numbers typed in the dialog; a full stop counts as the decimal comma.
double Zahl(QString text) {
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return StrToFloat(text);
}

std::optional<TKanalINIZeile> Zeile(const QStringList& zeilen, std::uint8_t typ) {
    for (const QString& z : zeilen) {
        const TKanalINIZeile k = KanalZeileLesen(z);
        if (k.Kanaltyp == typ) return k;
    }
    return std::nullopt;
}

QString SignalText(double wert, const QString& einheit) { return FormatF(wert, 2) + QLatin1Char(' ') + einheit; }

} // namespace

double TParameterRechnung::ObereSignalgrenze(std::uint8_t typ) {
    const auto z = Zeile(kanalZeilen_, typ);
    if (!z) return kUnbekannteGrenze;
    Zaehler = z->Zaehler;
    return z->ObereGrenze;
}

double TParameterRechnung::UntereSignalgrenze(std::uint8_t typ) const {
    const auto z = Zeile(kanalZeilen_, typ);
    return z ? z->UntereGrenze : kUnbekannteGrenze;
}

QString TParameterRechnung::Signaleinheit(std::uint8_t typ) const {
    const auto z = Zeile(kanalZeilen_, typ);
    return z ? z->Einheit : QString();
}

QString& TParameterRechnung::Text(Feld f) {
    switch (f) {
    case O: return Felder.OGrenze;
    case U: return Felder.UGrenze;
    case A: return Felder.a;
    case B: return Felder.b;
    case Mn: return Felder.Min;
    default: return Felder.Max;
    }
}

void TParameterRechnung::Setze(Feld f, double wert) {
    Text(f) = F3(wert);
    genau_[f] = {Text(f), wert};
}

double TParameterRechnung::Wert(Feld f) {
    const QString& t = Text(f);
    return t == genau_[f].text ? genau_[f].wert : Zahl(t);
}

bool TParameterRechnung::BereichBekannt() const {
    return !GrenzeUnbekannt(uo_) && !GrenzeUnbekannt(uu_) && uo_ != uu_;
}

void TParameterRechnung::Beginne(const QStringList& geberZeilen, const QStringList& kanalZeilen,
                                 const TKanalEintrag& eintrag, std::uint8_t kanaltyp) {
    Ergebnis = false;
    Eintrag = eintrag;
    kanalZeilen_ = kanalZeilen;
    typ_ = kanaltyp;
    Hinweis.clear();
    // A type the catalogue does not know is no counter: its limits are kept
    // in whatever range the user gives.
    Zaehler = false;
    uo_ = ObereSignalgrenze(typ_);
    uu_ = UntereSignalgrenze(typ_);
    const QString einheit = OemZuText(RoheBytes(Signaleinheit(typ_)));
    ZaehlerText = Zaehler ? QStringLiteral("(Zähler)") : QString();

    Setze(A, Eintrag.a);
    Setze(B, Eintrag.b);
    Setze(Mn, Eintrag.Min);
    Setze(Mx, Eintrag.Max);
    Setze(O, double(Eintrag.a) * uo_ + Eintrag.b);
    Setze(U, double(Eintrag.a) * uu_ + Eintrag.b);

    KanaltypText = QString::number(typ_, 16).toUpper();
    OGrenzeText = SignalText(uo_, einheit);
    UGrenzeText = SignalText(uu_, einheit);
    MBGrenzenText = SignalText(uu_, einheit) + QStringLiteral("..") + SignalText(uo_, einheit);
    if (GrenzeUnbekannt(uo_) || GrenzeUnbekannt(uu_))
        Hinweis = QStringLiteral("Der Signalbereich dieses Kanaltyps ist unbekannt: a und b werden nicht aus den "
                                 "Messbereichsgrenzen berechnet.");
    else if (uo_ == uu_)
        Hinweis = QStringLiteral("Beide Signalgrenzen dieses Kanaltyps sind gleich: a und b lassen sich nicht aus "
                                 "den Messbereichsgrenzen berechnen und bleiben, wie sie sind.");

    Grenzpruefung();

    const QByteArray einheitRoh(reinterpret_cast<const char*>(Eintrag.Einheit.data()), qsizetype(Eintrag.Einheit.size()));
    EinheitText = OemZuText(einheitRoh.left(einheitRoh.indexOf('\0') < 0 ? einheitRoh.size() : einheitRoh.indexOf('\0')));

    SensorText.clear();
    const QString code = CodeText(Eintrag.Sensorcode);
    for (const QString& z : geberZeilen) {
        const TGeberINIZeile g = GeberZeileLesen(z);
        if (g.Code == code)
            SensorText = QStringLiteral("%1 -> (%2)").arg(
                OemZuText(RoheBytes(g.Name)),
                LiesTextfeld(std::span<const std::uint8_t>(Eintrag.Bezeichnung.data(), Eintrag.Bezeichnung.size())));
    }
}

void TParameterRechnung::BereichGeaendert() {
    if (!Felder.OGrenze.isEmpty() && !Felder.UGrenze.isEmpty()) {
        const double o = Wert(O);
        const double u = Wert(U);
        if (BereichBekannt()) {
            const double nenner = uo_ - uu_;
            Setze(A, (o - u) / nenner);
            Setze(B, (uo_ * u - o * uu_) / nenner);
        }
    }
    Grenzpruefung();
}

void TParameterRechnung::abGeaendert() {
    if (Felder.a.isEmpty() || Felder.b.isEmpty()) return;
    const double a = Wert(A);
    const double b = Wert(B);
    Setze(O, a * uo_ + b);
    Setze(U, a * uu_ + b);
}

void TParameterRechnung::Grenzpruefung() {
    if (Felder.Min.isEmpty() || Felder.Max.isEmpty()) return;
    double mn = Wert(Mn);
    double mx = Wert(Mx);
    if (mn >= mx) mn = mx - 0.01;
    const double o = Wert(O);
    const double u = Wert(U);
    if (!Zaehler && BereichBekannt()) {
        // Both limits into the range (a negative gain turns it round), and
        // Min still below Max: Min 50 and Max 40 on a range up to 30 would
        // otherwise end as Min 39,99 above Max 30.
        const double unten = std::min(o, u), oben = std::max(o, u);
        mn = std::clamp(mn, unten, oben);
        mx = std::clamp(mx, unten, oben);
        if (mn >= mx) mn = mx - 0.01;
    }
    Setze(Mn, mn);
    Setze(Mx, mx);
}

void TParameterRechnung::Uebernehmen() {
    const double mn = Wert(Mn);
    const double mx = Wert(Mx);
    const double a = Wert(A);
    const double b = Wert(B);
    Eintrag.Min = float(mn);
    Eintrag.Max = float(mx);
    Eintrag.a = float(a);
    Eintrag.b = float(b);
    Ergebnis = true;
}

} // namespace nuvar
