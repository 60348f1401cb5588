#include "common/Katalog.h"

#include "common/Fehler.h"
#include "common/Text.h"

#include <cmath>

namespace nuvar {

namespace {

// The text before the next tab, removed from s together with the tab. Without
// a tab the field is empty and s stays as it is.
QString NaechstesFeld(QString& s) {
    const int tab = int(s.indexOf(QLatin1Char('\t')));
    if (tab < 0) return {};
    const QString feld = s.left(tab);
    s.remove(0, tab + 1);
    return feld;
}

float Zahl(QString text) {
    const int punkt = int(text.indexOf(QLatin1Char('.')));
    if (punkt >= 0) text[punkt] = QLatin1Char(',');
    return float(StrToFloat(text));
}

} // namespace

bool GrenzeUnbekannt(double grenze) { return std::fabs(grenze - kUnbekannteGrenze) < 0.01; }

int HexZuInt(const QString& text) {
    quint32 wert = 0;
    quint32 stelle = 1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text[i];
        quint32 ziffer;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ziffer = c.unicode() - '0';
        else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            ziffer = c.unicode() - 'a' + 10;
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            ziffer = c.unicode() - 'A' + 10;
        else
            throw EConvertError(text + QStringLiteral(" ist keine gültige Hexzahl!"));
        wert += ziffer * stelle;
        stelle *= 16;
    }
    return int(wert);
}

TGeberINIZeile GeberZeileLesen(const QString& zeile) {
    QString s = zeile;
    TGeberINIZeile z;
    z.Code = NaechstesFeld(s);
    z.Name = NaechstesFeld(s);
    z.Bezeichnung = NaechstesFeld(s);
    z.Einheit = NaechstesFeld(s);
    z.a = Zahl(NaechstesFeld(s));
    z.b = Zahl(NaechstesFeld(s));
    z.Min = Zahl(NaechstesFeld(s));
    z.Max = Zahl(NaechstesFeld(s));
    const int tab = int(s.indexOf(QLatin1Char('\t')));
    z.Kanaltyp = std::uint8_t(HexZuInt(tab >= 0 ? s.left(tab) : s));
    z.Rest = tab >= 0 ? s.mid(tab + 1) : s;
    return z;
}

TKanalINIZeile KanalZeileLesen(const QString& zeile) {
    QString s = zeile;
    TKanalINIZeile z;
    z.Kanaltyp = std::uint8_t(HexZuInt(NaechstesFeld(s)));
    const QString unten = NaechstesFeld(s);
    // The upper end may close the line: then there is no unit and no counter.
    int tab = int(s.indexOf(QLatin1Char('\t')));
    const QString oben = tab >= 0 ? s.left(tab) : s;
    double u = 0, o = 0;
    if (TryStrToFloat(unten, u) && TryStrToFloat(oben, o)) {
        z.UntereGrenze = u;
        z.ObereGrenze = o;
    }
    if (tab < 0) return z;
    s.remove(0, tab + 1);
    tab = int(s.indexOf(QLatin1Char('\t')));
    z.Einheit = tab >= 0 ? s.left(tab) : s;
    z.Zaehler = tab >= 0 && s.mid(tab + 1) == QLatin1String("1");
    return z;
}

QStringList RoheZeilen(const QByteArray& inhalt) {
    QStringList zeilen;
    for (QByteArray z : inhalt.split('\n')) {
        if (z.endsWith('\r')) z.chop(1);
        if (z.trimmed().isEmpty()) continue;
        zeilen << RoheZeile(z);
    }
    return zeilen;
}

QString CodeText(std::uint8_t sensorcode) {
    return QStringLiteral("%1").arg(sensorcode, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace nuvar
