#include "kom/reports/Mittelwertdatei.h"

#include "common/Text.h"
#include "kom/reports/Dateien.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>

namespace nuvar {

namespace {

// Leading and trailing blanks and control characters off.
QString Beschnitten(const QString& s) {
    qsizetype anfang = 0, ende = s.size();
    while (anfang < ende && s[anfang].unicode() <= u' ')
        ++anfang;
    while (ende > anfang && s[ende - 1].unicode() <= u' ')
        --ende;
    return s.mid(anfang, ende - anfang);
}

void Melde(const TBerichtMeldung& meldung, const QString& text) {
    if (meldung)
        meldung(text);
}

}  // namespace

QString MittelwertKopfzeile(std::span<const TKanalEintrag> kanaele, int n, const QByteArray& loggertyp) {
    static const char* const kDrei[] = {"_Min [", "_Med [", "_Max ["};
    static const char* const kVier[] = {"_Min [", "_Med [", "_Max [", "_Mom ["};
    static const char* const kEins[] = {"_Med ["};
    std::span<const char* const> titel;
    switch (WerteProKanal(loggertyp)) {
    case 3: titel = kDrei; break;
    case 4: titel = kVier; break;
    default: titel = kEins; break;
    }

    QString zeile = QStringLiteral("Zeit\t");
    const int anzahl = NutzbareKanaele(kanaele, n);
    for (int i = 0; i < anzahl; ++i) {
        const auto& k = kanaele[static_cast<std::size_t>(i)];
        QString name = OemZuText(KanalName(k));
        name.replace(QLatin1Char(' '), QLatin1Char('_'));
        const QString einheit = OemZuText(KanalEinheit(k));
        for (const char* t : titel)
            zeile += name + QLatin1String(t) + einheit + QStringLiteral("]\t");
    }
    return Beschnitten(zeile);
}

std::optional<QString> MittelwertDatenzeile(const QString& antwort, int maxWerte) {
    const auto zeit = LiesZeitstempel(antwort);
    if (!zeit)
        return std::nullopt;
    const QDate datum(2000 + zeit->Jahr, zeit->Monat, zeit->Tag);
    const QTime uhrzeit(zeit->Stunde, zeit->Minute, zeit->Sekunde);
    if (!datum.isValid() || !uhrzeit.isValid())
        return std::nullopt;

    QString werte = antwort;
    const qsizetype semikolon = werte.indexOf(QLatin1Char(';'));
    if (semikolon >= 0)
        werte.remove(0, semikolon + 1);
    werte.remove(QLatin1Char(' '));
    werte.replace(QLatin1Char(';'), QLatin1Char('\t'));
    werte.replace(QLatin1Char('.'), QLatin1Char(','));
    werte = Beschnitten(werte);
    if (maxWerte >= 0) {
        QStringList teile = werte.split(QLatin1Char('\t'));
        if (teile.size() > maxWerte) {
            teile.resize(maxWerte);
            werte = Beschnitten(teile.join(QLatin1Char('\t')));
        }
    }
    return QDateTime(datum, uhrzeit).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) +
           QLatin1Char('\t') + werte;
}

std::optional<QByteArray> MittelwertTabelle(const QString& antwort, std::span<const TKanalEintrag> kanaele,
                                            int n, const QByteArray& loggertyp) {
    const int maxWerte =
        n > static_cast<int>(kanaele.size()) ? WerteProKanal(loggertyp) * static_cast<int>(kanaele.size()) : -1;
    const auto daten = MittelwertDatenzeile(antwort, maxWerte);
    if (!daten)
        return std::nullopt;
    return (MittelwertKopfzeile(kanaele, n, loggertyp) + QStringLiteral("\r\n") + *daten +
            QStringLiteral("\r\n"))
        .toUtf8();
}

bool SchreibeMittelwertDatei(const QString& pfad, const QString& antwort,
                             std::span<const TKanalEintrag> kanaele, int n, const QByteArray& loggertyp,
                             const TBerichtMeldung& meldung) {
    const auto inhalt = MittelwertTabelle(antwort, kanaele, n, loggertyp);
    if (!inhalt) {
        Melde(meldung, QStringLiteral("Ungültiger Zeitstempel in den aktuellen Werten: %1")
                           .arg(antwort.left(12)));
        return false;
    }
    if (!SchreibeDateiGanz(pfad, *inhalt)) {
        Melde(meldung, QStringLiteral("Die Mittelwertdatei %1 kann nicht geschrieben werden!").arg(pfad));
        return false;
    }
    return true;
}

} // namespace nuvar
