#include "kom/reports/Synop.h"

#include "common/Fehler.h"
#include "common/Text.h"
#include "kom/reports/Dateien.h"

#include <QBuffer>
#include <QDir>

#include <cmath>
#include <cstdlib>

namespace nuvar {

namespace {

long long Runde(double wert) { return RundeHalbGerade(wert); }

// printf's "%.<stellen>d": at least that many digits, a minus sign before them.
QString Ziffern(long long wert, int stellen) { return QString::asprintf("%.*lld", stellen, wert); }

void Melde(const TBerichtMeldung& meldung, const QString& text) {
    if (meldung)
        meldung(text);
}

// The sign digit and tenths of a temperature group: the sign is the value's,
// so -0.04 gives "1" and 000.
QString Temperatur(const char* positiv, const char* negativ, double wert) {
    return QLatin1String(wert >= 0 ? positiv : negativ) + Ziffern(Runde(std::abs(wert * 10)), 3);
}

// Wind speed ff in whole metres per second. From 99 up the group carries 99 and
// the speed follows in its own group 00fff, so a gale never makes a group
// longer than five figures.
QString Geschwindigkeit(double speed, QString& zusatz) {
    const long long ff = Runde(speed);
    if (ff >= 99) {
        zusatz = QStringLiteral(" 00") + Ziffern(ff, 3);
        return QStringLiteral("99");
    }
    return Ziffern(ff, 2);
}

// Precipitation RRR in whole millimetres, with the tenths code figures 990..999
// below 1 mm. An amount below 1 mm whose tenths round up to 10 is 1 mm; 989
// stands for 989 mm and more, since 990..999 would read as tenths.
QString Niederschlag(double wert) {
    if (wert < 1) {
        const long long zehntel = Runde(wert * 10);
        if (zehntel < 10)
            return QStringLiteral("99") + Ziffern(zehntel, 1);
        return QStringLiteral("001");
    }
    const long long mm = Runde(wert);
    return Ziffern(mm > 989 ? 989 : mm, 3);
}

}  // namespace

std::optional<double> LiesKoordinate(const QString& text) {
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    const QString zahl = blank < 0 ? text : text.left(blank);
    double wert = 0.0;
    if (zahl.isEmpty() || !TryStrToFloat(zahl, wert))
        return std::nullopt;
    return wert;
}

bool PruefeKoordinaten(const TSYNOPParam& param, double& breite, double& laenge, const TBerichtMeldung& meldung) {
    const auto b = LiesKoordinate(param.Breite);
    if (!b) {
        Melde(meldung, QStringLiteral("Ungültige geographische Breite für SYNOP: \"%1\"").arg(param.Breite));
        return false;
    }
    const auto l = LiesKoordinate(param.Laenge);
    if (!l) {
        Melde(meldung, QStringLiteral("Ungültige geographische Länge für SYNOP: \"%1\"").arg(param.Laenge));
        return false;
    }
    breite = *b;
    laenge = *l;
    return true;
}

bool BereiteSynopVor(TSynopDS& ds, const TSYNOPParam& param, const QString& antwort,
                     const TBerichtMeldung& meldung) {
    double breite = 0.0, laenge = 0.0;
    if (!PruefeKoordinaten(param, breite, laenge, meldung))
        return false;
    const auto zeit = LiesZeitstempel(antwort);
    if (!zeit) {
        Melde(meldung, QStringLiteral("Ungültiger Zeitstempel in den aktuellen Werten: %1").arg(antwort.left(12)));
        return false;
    }
    ds.Kennung = param.Kennung;
    ds.Breite = breite;
    ds.Laenge = laenge;
    ds.Jahr = static_cast<std::uint8_t>(zeit->Jahr);
    ds.Monat = static_cast<std::uint8_t>(zeit->Monat);
    ds.Tag = static_cast<std::uint8_t>(zeit->Tag);
    ds.Stunde = static_cast<std::uint8_t>(zeit->Stunde);
    ds.Minute = static_cast<std::uint8_t>(zeit->Minute);
    return true;
}

QString SynopNachricht(const TSynopDS& ds) {
    QString s;

    // Header. The quadrant is north/east unless a coordinate is negative; the
    // figures are then those of its absolute value.
    long long breite = Runde(ds.Breite * 10);
    long long laenge = Runde(ds.Laenge * 10);
    int quadrant = 1;
    if (breite < 0 || laenge < 0) {
        quadrant = breite < 0 ? (laenge < 0 ? 5 : 3) : 7;
        breite = std::llabs(breite);
        laenge = std::llabs(laenge);
    }
    s += QStringLiteral("SXSX ") + ds.Kennung + QLatin1Char(' ') + Ziffern(ds.Tag, 2) + Ziffern(ds.Stunde, 2) +
         QStringLiteral("1 99") + Ziffern(breite, 3) + QLatin1Char(' ') + QString::number(quadrant) +
         Ziffern(laenge, 4);

    const bool mitNiederschlag = IstGueltig(ds.nied) && ds.nied.Wert > 0;
    s += mitNiederschlag ? QStringLiteral(" 16///") : QStringLiteral(" 36///");

    if (IstGueltig(ds.wg)) {
        QString zusatz;
        const double speed = ds.wg.Wert;
        if (!IstGueltig(ds.wr))
            s += QStringLiteral(" ///") + Geschwindigkeit(speed, zusatz);
        else if (speed > 0.5)
            s += QStringLiteral(" /") + Ziffern(Runde(ds.wr.Wert / 10), 2) + Geschwindigkeit(speed, zusatz);
        else
            s += QStringLiteral(" /00") + Ziffern(Runde(speed), 2);
        s += zusatz;
    }
    if (IstGueltig(ds.t2m))
        s += Temperatur(" 10", " 11", ds.t2m.Wert);
    if (IstGueltig(ds.rf))
        s += QStringLiteral(" 29") + Ziffern(Runde(ds.rf.Wert), 3);
    if (IstGueltig(ds.ld))
        s += QStringLiteral(" 3") + Ziffern(std::llabs(Runde(ds.ld.Wert)) % 1000, 3) +
             QStringLiteral("/ 4//// 5////");
    if (mitNiederschlag)
        s += QStringLiteral(" 6") + Niederschlag(ds.nied.Wert) + QLatin1Char('5');
    s += QStringLiteral(" 9") + Ziffern(ds.Stunde, 2) + Ziffern(ds.Minute, 2);

    s += QStringLiteral(" 333");
    if (IstGueltig(ds.t2mMax))
        s += Temperatur(" 10", " 11", ds.t2mMax.Wert);
    if (IstGueltig(ds.t2mMin))
        s += Temperatur(" 20", " 21", ds.t2mMin.Wert);
    if (IstGueltig(ds.tbnMin))
        s += QLatin1String(ds.tbnMin.Wert >= 0 ? " 3/0" : " 3/1") + Ziffern(Runde(std::abs(ds.tbnMin.Wert)), 2);

    s += QStringLiteral(" 555");
    if (IstGueltig(ds.tbn))
        s += Temperatur(" 00", " 01", ds.tbn.Wert);
    if (IstGueltig(ds.wgMax) && ds.wgMax.Wert > 12.5) {
        QString zusatz;
        s += QStringLiteral(" 911") + Geschwindigkeit(ds.wgMax.Wert, zusatz) + zusatz;
    }
    if (IstGueltig(ds.bod5))
        s += Temperatur(" BOT 10", " BOT 11", ds.bod5.Wert);

    s += QStringLiteral("\r\n\r\n");
    return s;
}

bool SchreibeSYNOP(QIODevice& datei, const TSynopDS& ds) {
    const QByteArray bytes = SynopNachricht(ds).toUtf8();
    return datei.write(bytes) == bytes.size();
}

bool HaengeSynopAn(const QString& datei, const TSynopDS& ds, const TBerichtMeldung& meldung) {
    // The whole message is built before the file is touched, so a value that
    // cannot be coded leaves the file as it was.
    QByteArray nachricht;
    QBuffer puffer(&nachricht);
    puffer.open(QIODevice::WriteOnly);
    try {
        SchreibeSYNOP(puffer, ds);
    } catch (const EFehler& e) {
        Melde(meldung, e.Meldung());
        return false;
    }
    if (!HaengeAnDatei(datei, nachricht)) {
        Melde(meldung, QStringLiteral("Die SYNOP-Datei %1 kann nicht geschrieben werden!").arg(datei));
        return false;
    }
    return true;
}

bool SchreibeFertigMarke(const QString& verzeichnis, const TBerichtMeldung& meldung) {
    const QString pfad = QDir(verzeichnis).filePath(QLatin1String(kFertigMarke));
    if (!SchreibeDateiGanz(pfad, QByteArray())) {
        Melde(meldung, QStringLiteral("Die Fertigmeldung %1 kann nicht geschrieben werden!").arg(pfad));
        return false;
    }
    return true;
}

} // namespace nuvar
