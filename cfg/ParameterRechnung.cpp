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

    Felder.a = F3(Eintrag.a);
    Felder.b = F3(Eintrag.b);
    Felder.Min = F3(Eintrag.Min);
    Felder.Max = F3(Eintrag.Max);
    Felder.OGrenze = F3(double(Eintrag.a) * uo_ + Eintrag.b);
    Felder.UGrenze = F3(double(Eintrag.a) * uu_ + Eintrag.b);

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
        const double o = Zahl(Felder.OGrenze);
        const double u = Zahl(Felder.UGrenze);
        if (BereichBekannt()) {
            const double nenner = uo_ - uu_;
            Felder.a = F3((o - u) / nenner);
            Felder.b = F3((uo_ * u - o * uu_) / nenner);
        }
    }
    Grenzpruefung();
}

void TParameterRechnung::abGeaendert() {
    if (Felder.a.isEmpty() || Felder.b.isEmpty()) return;
    const double a = Zahl(Felder.a);
    const double b = Zahl(Felder.b);
    Felder.OGrenze = F3(a * uo_ + b);
    Felder.UGrenze = F3(a * uu_ + b);
}

void TParameterRechnung::Grenzpruefung() {
    if (Felder.Min.isEmpty() || Felder.Max.isEmpty()) return;
    double mn = Zahl(Felder.Min);
    double mx = Zahl(Felder.Max);
    if (mn >= mx) mn = mx - 0.01;
    const double o = Zahl(Felder.OGrenze);
    const double u = Zahl(Felder.UGrenze);
    if (!Zaehler && BereichBekannt()) {
        // Both limits into the range (a negative gain turns it round), and
        // Min still below Max: Min 50 and Max 40 on a range up to 30 would
        // otherwise end as Min 39,99 above Max 30.
        const double unten = std::min(o, u), oben = std::max(o, u);
        mn = std::clamp(mn, unten, oben);
        mx = std::clamp(mx, unten, oben);
        if (mn >= mx) mn = mx - 0.01;
    }
    Felder.Min = F3(mn);
    Felder.Max = F3(mx);
}

void TParameterRechnung::Uebernehmen() {
    const double mn = Zahl(Felder.Min);
    const double mx = Zahl(Felder.Max);
    const double a = Zahl(Felder.a);
    const double b = Zahl(Felder.b);
    Eintrag.Min = float(mn);
    Eintrag.Max = float(mx);
    Eintrag.a = float(a);
    Eintrag.b = float(b);
    Ergebnis = true;
}

} // namespace nuvar
