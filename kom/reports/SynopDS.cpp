#include "kom/reports/SynopDS.h"

#include "common/Text.h"

#include <algorithm>

namespace nuvar {

namespace {

// The bytes of a text field up to its terminating zero (all of it if none).
template <std::size_t N>
QByteArray BisNull(const std::array<std::uint8_t, N>& feld) {
    std::size_t laenge = 0;
    while (laenge < N && feld[laenge] != 0)
        ++laenge;
    return QByteArray(reinterpret_cast<const char*>(feld.data()), static_cast<qsizetype>(laenge));
}

// Offset of value k in the reply: character 14 + 8k, counted from 1.
constexpr qsizetype kErsterWert = 13;
constexpr qsizetype kWertAbstand = 8;
constexpr qsizetype kWertBreite = 7;

}  // namespace

TSYNOPParam SynopVorgaben() {
    TSYNOPParam p;
    p.Laenge = QStringLiteral("00,00 Ost");
    p.Breite = QStringLiteral("00,00 Nord");
    p.Kennung = QStringLiteral("QZ000");
    p.Datei = QStringLiteral("synop.txt");
    return p;
}

int WerteProKanal(const QByteArray& loggertyp) {
    if (loggertyp == "VRX410" || loggertyp == "VRX420")
        return 3;
    if (loggertyp == "VRX430")
        return 4;
    return 1;
}

int NutzbareKanaele(std::span<const TKanalEintrag> kanaele, int n) {
    return std::clamp(n, 0, static_cast<int>(kanaele.size()));
}

QByteArray KanalName(const TKanalEintrag& k) { return BisNull(k.Bezeichnung); }
QByteArray KanalEinheit(const TKanalEintrag& k) { return BisNull(k.Einheit); }

void SucheWertIndex(TSynopMesswert& m, std::span<const TKanalEintrag> kanaele, int n,
                    const QByteArray& loggertyp) {
    m.Index = -1;
    const int anzahl = NutzbareKanaele(kanaele, n);
    const int proKanal = WerteProKanal(loggertyp);
    const QByteArray code = m.Code.toLatin1();

    if (proKanal == 1) {
        for (int i = 0; i < anzahl; ++i)
            if (KanalName(kanaele[static_cast<std::size_t>(i)]) == code)
                m.Index = i;
        return;
    }

    // Minimum, mean, maximum lead every channel's group of values; with four
    // per channel the instantaneous value follows them and no code takes it.
    const QByteArray name = code.left(5);
    const QByteArray zusatz = code.mid(5, 3);
    for (int i = 0; i < anzahl; ++i) {
        if (KanalName(kanaele[static_cast<std::size_t>(i)]) != name)
            continue;
        if (zusatz.isEmpty())
            m.Index = proKanal * i + 1;
        else if (zusatz == "Min")
            m.Index = proKanal * i;
        else if (zusatz == "Max")
            m.Index = proKanal * i + 2;
    }
}

void LiesWert(TSynopMesswert& m, const QString& antwort) {
    if (m.Index == -1) {
        m.Wert = kKeinWert;
    } else {
        double wert = 0.0;
        QString text;
        if (m.Index >= 0)
            text = antwort.mid(kErsterWert + kWertAbstand * static_cast<qsizetype>(m.Index), kWertBreite);
        text.replace(QLatin1Char('.'), QLatin1Char(','));
        if (!text.isEmpty() && TryStrToFloat(text, wert)) {
            m.Wert = wert;
            m.Gueltig = true;
        } else {
            m.Wert = kKeinWert;
        }
    }
    if (m.Wert >= -999.9 && m.Wert < -999.0)
        m.Gueltig = false;
}

void FuelleSynopDS(TSynopDS& ds, const QString& antwort, std::span<const TKanalEintrag> kanaele,
                   int n, const QByteArray& loggertyp, TCodeSatz satz) {
    const std::size_t anzahl = satz == TCodeSatz::Synop ? 15 : kSynopEintraege.size();
    for (const auto& e : kSynopEintraege)
        ds.*e.member = TSynopMesswert{};
    for (std::size_t i = 0; i < anzahl; ++i)
        (ds.*kSynopEintraege[i].member).Code = QString::fromLatin1(kSynopEintraege[i].code);
    for (std::size_t i = 0; i < anzahl; ++i)
        SucheWertIndex(ds.*kSynopEintraege[i].member, kanaele, n, loggertyp);
    for (std::size_t i = 0; i < anzahl; ++i)
        LiesWert(ds.*kSynopEintraege[i].member, antwort);
}

std::optional<TZeitstempel> LiesZeitstempel(const QString& antwort) {
    int teile[6];
    for (int i = 0; i < 6; ++i) {
        const QString paar = antwort.mid(2 * i, 2);
        if (paar.size() != 2)
            return std::nullopt;
        const char16_t z = paar[0].unicode(), e = paar[1].unicode();
        if (z < u'0' || z > u'9' || e < u'0' || e > u'9')
            return std::nullopt;
        teile[i] = (z - u'0') * 10 + (e - u'0');
    }
    return TZeitstempel{teile[0], teile[1], teile[2], teile[3], teile[4], teile[5]};
}

} // namespace nuvar
