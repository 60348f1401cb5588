#include "kom/reports/HtmlSeite.h"

#include "common/Text.h"
#include "kom/reports/Dateien.h"

#include <QFile>

#include <algorithm>

namespace nuvar {

namespace {

// Upper-casing that keeps every byte where it is: only a-z change, so UTF-8 or
// any single-byte template stays aligned with its copy character by character.
QByteArray Gross(QByteArray s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The entries a page can show, by the code a channel must be stored under.
struct TSeitenWert {
    TSynopMesswert TSynopDS::*member;
    const char* code;
};
constexpr TSeitenWert kSeitenWerte[] = {
    {&TSynopDS::t2m, "t2m  "}, {&TSynopDS::bod5, "bod5 "}, {&TSynopDS::tbn, "tbn  "},
    {&TSynopDS::rf, "rf   "},  {&TSynopDS::QFN, "QFN  "},  {&TSynopDS::ld, "ld   "},
    {&TSynopDS::nied, "nied "}, {&TSynopDS::wr, "wr   "},  {&TSynopDS::wg, "wg   "},
    {&TSynopDS::akku, "akku "}, {&TSynopDS::gs, "gs   "},
};

// Replaces the first occurrence of marke (upper case) in t/u by text.
void ErsetzeErstes(QByteArray& t, QByteArray& u, const QByteArray& marke, const QByteArray& text) {
    const qsizetype p = u.indexOf(marke);
    if (p < 0)
        return;
    t.remove(p, marke.size()).insert(p, text);
    u.remove(p, marke.size()).insert(p, Gross(text));
}

QByteArray Einheitstext(const TKanalEintrag& k) {
    QByteArray einheit = KanalEinheit(k);
    const qsizetype grad = einheit.indexOf('\xF8');
    if (grad >= 0)
        einheit.replace(grad, 1, "&deg;");
    const qsizetype blank = einheit.indexOf(' ');
    return blank < 0 ? einheit : einheit.left(blank);
}

// The value text of a channel, or nothing when it has no value to show.
QByteArray Werttext(const TKanalEintrag& k, const TSynopDS& ds) {
    const QByteArray name = KanalName(k);
    for (const auto& w : kSeitenWerte) {
        if (name != w.code)
            continue;
        const TSynopMesswert& m = ds.*w.member;
        if (!IstGueltig(m))
            return {};
        return FormatF(m.Wert, 1).toLatin1() + ' ' + Einheitstext(k);
    }
    return {};
}

void Melde(const TBerichtMeldung& meldung, const QString& text) {
    if (meldung)
        meldung(text);
}

}  // namespace

QString SeitenName(const QString& vorlage) {
    const qsizetype trenner = std::max(vorlage.lastIndexOf(QLatin1Char('/')), vorlage.lastIndexOf(QLatin1Char('\\')));
    const qsizetype punkt = vorlage.lastIndexOf(QLatin1Char('.'));
    const QString stamm = punkt > trenner ? vorlage.left(punkt) : vorlage;
    return stamm + QStringLiteral(".html");
}

QByteArray FuelleSeite(QByteArray vorlage, const TSynopDS& ds, const QString& antwort,
                       std::span<const TKanalEintrag> kanaele, int n) {
    QByteArray& t = vorlage;
    QByteArray u = Gross(t);
    const QByteArray datum = (antwort.mid(4, 2) + QLatin1Char('.') + antwort.mid(2, 2) + QLatin1Char('.') +
                              antwort.mid(0, 2)).toLatin1();
    const QByteArray zeit = (antwort.mid(6, 2) + QLatin1Char(':') + antwort.mid(8, 2)).toLatin1();

    const int anzahl = NutzbareKanaele(kanaele, n);
    for (int i = 0; i < anzahl; ++i) {
        const TKanalEintrag& k = kanaele[static_cast<std::size_t>(i)];
        ErsetzeErstes(t, u, "<!-- DATUM -->", datum);
        ErsetzeErstes(t, u, "<!-- ZEIT -->", zeit);

        QByteArray name = Gross(KanalName(k));
        const qsizetype blank = name.indexOf(' ');
        if (blank >= 0)
            name.truncate(blank);
        // A channel without a name has no marker: "<!--  -->" is no marker.
        if (name.isEmpty())
            continue;
        const QByteArray marke = "<!-- " + name + " -->";
        const QByteArray wert = Werttext(k, ds);
        const QByteArray wertGross = Gross(wert);

        // Every change happens at p, so the next first occurrence cannot start
        // earlier than a marker's length before it.
        qsizetype ab = 0;
        for (;;) {
            const qsizetype p = u.indexOf(marke, ab);
            if (p < 0)
                break;
            t.remove(p, marke.size()).insert(p, wert);
            u.remove(p, marke.size()).insert(p, wertGross);
            ab = std::max<qsizetype>(0, p - marke.size() + 1);
        }
    }
    return vorlage;
}

bool ErzeugeSeite(const QString& vorlage, const TSynopDS& ds, const QString& antwort,
                  std::span<const TKanalEintrag> kanaele, int n, const TBerichtMeldung& meldung) {
    QFile datei(vorlage);
    QByteArray text;
    bool gelesen = datei.open(QIODevice::ReadOnly);
    if (gelesen) {
        text = datei.readAll();
        gelesen = datei.error() == QFileDevice::NoError;
        datei.close();
    }
    if (!gelesen) {
        Melde(meldung, QStringLiteral("Die HTML-Vorlage %1 kann nicht gelesen werden!").arg(vorlage));
        return false;
    }
    const QString seite = SeitenName(vorlage);
    if (!SchreibeDateiGanz(seite, FuelleSeite(text, ds, antwort, kanaele, n))) {
        Melde(meldung, QStringLiteral("Die HTML-Seite %1 kann nicht geschrieben werden!").arg(seite));
        return false;
    }
    return true;
}

} // namespace nuvar
