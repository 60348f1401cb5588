// Complete reports from a station and its reply line, compared byte for byte
// with the files they must give. Each case directory holds station.txt (logger
// type, SYNOP parameters, channels as name;unit), antwort.txt (the reply line)
// and vorlage.htm (the template), and the expected synop.txt, vorlage.html and
// mittelwerte.txt. A missing expected file is written as <name>.neu for review
// and the case fails.
#include "kom/reports/HtmlSeite.h"
#include "kom/reports/Mittelwertdatei.h"
#include "kom/reports/Synop.h"

#include "common/Text.h"
#include "tests/reports/Kanaele.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace nuvar {
namespace {

QByteArray Lies(const QString& pfad) {
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<fehlt: ") + pfad.toUtf8() + '>';
    return f.readAll();
}

struct Fall {
    QByteArray typ;
    TSYNOPParam synop = SynopVorgaben();
    test::Tabelle kanaele{};
    int n = 0;
    QString antwort;
};

Fall LiesFall(const QString& dir) {
    Fall f;
    for (const QString& zeile : QString::fromUtf8(Lies(dir + "/station.txt")).split(QLatin1Char('\n'))) {
        const qsizetype gleich = zeile.indexOf(QLatin1Char('='));
        if (gleich < 0)
            continue;
        const QString schluessel = zeile.left(gleich), wert = zeile.mid(gleich + 1);
        if (schluessel == QLatin1String("Loggertyp"))
            f.typ = wert.toLatin1();
        else if (schluessel == QLatin1String("Kennung"))
            f.synop.Kennung = wert;
        else if (schluessel == QLatin1String("Breite"))
            f.synop.Breite = wert;
        else if (schluessel == QLatin1String("Laenge"))
            f.synop.Laenge = wert;
        else if (schluessel == QLatin1String("Kanal")) {
            const QStringList teile = wert.split(QLatin1Char(';'));
            f.kanaele[static_cast<std::size_t>(f.n++)] = test::Kanal(TextZuOem(teile.value(0)), TextZuOem(teile.value(1)));
        }
    }
    f.antwort = QString::fromLatin1(Lies(dir + "/antwort.txt")).trimmed();
    return f;
}

void Vergleiche(const QString& erwartetPfad, const QByteArray& ist) {
    if (!QFile::exists(erwartetPfad)) {
        QFile neu(erwartetPfad + ".neu");
        ASSERT_TRUE(neu.open(QIODevice::WriteOnly));
        neu.write(ist);
        FAIL() << "kein erwartetes Ergebnis, geschrieben: " << erwartetPfad.toStdString() << ".neu";
    }
    EXPECT_EQ(ist, Lies(erwartetPfad)) << erwartetPfad.toStdString();
}

class Golden : public testing::TestWithParam<const char*> {};

TEST_P(Golden, Bericht) {
    const QString dir = QStringLiteral(NUVAR_FIXTURES "/reports/") + QLatin1String(GetParam());
    const Fall f = LiesFall(dir);
    ASSERT_FALSE(f.antwort.isEmpty());
    ASSERT_GT(f.n, 0);

    QTemporaryDir tmp;
    TSynopDS ds;
    FuelleSynopDS(ds, f.antwort, f.kanaele, f.n, f.typ, TCodeSatz::Alle);
    QStringList meldungen;
    const TBerichtMeldung melde = [&](const QString& m) { meldungen << m; };
    ASSERT_TRUE(BereiteSynopVor(ds, f.synop, f.antwort, melde));

    const QString synop = tmp.filePath(QStringLiteral("synop.txt"));
    ASSERT_TRUE(HaengeSynopAn(synop, ds, melde));
    Vergleiche(dir + "/synop.txt", Lies(synop));

    const QString vorlage = tmp.filePath(QStringLiteral("vorlage.htm"));
    ASSERT_TRUE(QFile::copy(dir + "/vorlage.htm", vorlage));
    ASSERT_TRUE(ErzeugeSeite(vorlage, ds, f.antwort, f.kanaele, f.n, melde));
    Vergleiche(dir + "/vorlage.html", Lies(tmp.filePath(QStringLiteral("vorlage.html"))));

    const QString mwd = tmp.filePath(QStringLiteral("mittelwerte.txt"));
    ASSERT_TRUE(SchreibeMittelwertDatei(mwd, f.antwort, f.kanaele, f.n, f.typ, melde));
    Vergleiche(dir + "/mittelwerte.txt", Lies(mwd));
    EXPECT_TRUE(meldungen.isEmpty()) << meldungen.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Faelle, Golden,
                         testing::Values("vrx410_winter", "vrx430_sommer", "anderer_fehlwerte"));

} // namespace
} // namespace nuvar
