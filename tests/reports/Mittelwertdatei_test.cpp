#include "kom/reports/Mittelwertdatei.h"

#include "tests/reports/Kanaele.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace nuvar {
namespace {

using test::Kanaele;

TEST(MittelwertKopfzeile, TitelJeLoggertyp) {
    const auto zwei = Kanaele({{"t2m", "\xF8" "C"}, {"rf", "%"}});
    const auto drei = Kanaele({{"t2m", "C"}, {"rf", "%"}, {"ld", "hPa"}});
    const auto lueckig = Kanaele({{"t 2 m", "m/s"}});
    struct {
        const char* name;
        const test::Tabelle* tabelle;
        int n;
        const char* typ;
        const char* zeile;  // UTF-8
    } faelle[] = {
        // the unit keeps its blanks up to the field's zero, the name's become "_"
        {"ein Wert", &zwei, 2, "VRX400", "Zeit\tt2m___Med [°C  ]\trf____Med [%   ]"},
        {"drei Werte", &zwei, 2, "VRX410",
         "Zeit\tt2m___Min [°C  ]\tt2m___Med [°C  ]\tt2m___Max [°C  ]"
         "\trf____Min [%   ]\trf____Med [%   ]\trf____Max [%   ]"},
        {"VRX420", &zwei, 1, "VRX420", "Zeit\tt2m___Min [°C  ]\tt2m___Med [°C  ]\tt2m___Max [°C  ]"},
        {"vier Werte", &drei, 3, "VRX430",
         "Zeit\tt2m___Min [C   ]\tt2m___Med [C   ]\tt2m___Max [C   ]\tt2m___Mom [C   ]"
         "\trf____Min [%   ]\trf____Med [%   ]\trf____Max [%   ]\trf____Mom [%   ]"
         "\tld____Min [hPa ]\tld____Med [hPa ]\tld____Max [hPa ]\tld____Mom [hPa ]"},
        {"Blanks im Namen", &lueckig, 1, "X", "Zeit\tt_2_m_Med [m/s ]"},
        {"keine Kanaele", &zwei, 0, "VRX410", "Zeit"},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(MittelwertKopfzeile(*f.tabelle, f.n, f.typ), QString::fromUtf8(f.zeile)) << f.name;
}

TEST(MittelwertDatenzeile, ZeitUndWerte) {
    struct {
        const char* antwort;
        int maxWerte;
        std::optional<QString> zeile;
    } faelle[] = {
        {"240701123000;   21.4;   65.0;", -1, QStringLiteral("01.07.2024 12:30:00\t21,4\t65,0")},
        {"991231235959;  -12.5;", -1, QStringLiteral("31.12.2099 23:59:59\t-12,5")},
        {"240701123000;", -1, QStringLiteral("01.07.2024 12:30:00\t")},
        {"240701123000;    1.0;    2.0;    3.0;", 2, QStringLiteral("01.07.2024 12:30:00\t1,0\t2,0")},
        {"240701123000;    1.0;    2.0;", 5, QStringLiteral("01.07.2024 12:30:00\t1,0\t2,0")},
        // a time stamp that is no date and time
        {"241301123000;   21.4;", -1, std::nullopt},
        {"240230123000;   21.4;", -1, std::nullopt},
        {"240701250000;   21.4;", -1, std::nullopt},
        {"2407011230", -1, std::nullopt},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(MittelwertDatenzeile(QString::fromLatin1(f.antwort), f.maxWerte), f.zeile) << f.antwort;
}

TEST(MittelwertTabelle, MehrKanaeleAlsDieTabelleFasst) {
    // A logger counting 65 channels: the header has the table's 64, and the data
    // line keeps as many values so the columns stay aligned.
    test::Tabelle tabelle{};
    for (auto& k : tabelle)
        k = test::Kanal("k", "");
    QString antwort = QStringLiteral("240701123000;");
    for (int i = 0; i < 65; ++i)
        antwort += QStringLiteral("%1;").arg(i, 7);
    const auto inhalt = MittelwertTabelle(antwort, tabelle, 65, "X");
    ASSERT_TRUE(inhalt);
    const QList<QByteArray> zeilen = inhalt->split('\n');
    ASSERT_EQ(zeilen.size(), 3);
    EXPECT_EQ(zeilen[0].count('\t'), 64);
    EXPECT_EQ(zeilen[1].count('\t'), 64);
    EXPECT_TRUE(zeilen[1].endsWith("\t63\r"));
}

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
}

TEST(SchreibeMittelwertDatei, ZweiZeilenMitCrLf) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath(QStringLiteral("mwd9999.seq"));
    {
        QFile alt(pfad);
        ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
        alt.write("eine alte, laengere Tabelle\r\n\r\n\r\n");
    }
    const auto tabelle = Kanaele({{"t2m", "\xF8" "C"}, {"rf", "%"}});
    const QString antwort = QStringLiteral("240701123000;   21.4;   65.0;");
    ASSERT_TRUE(SchreibeMittelwertDatei(pfad, antwort, tabelle, 2, "VRX400", {}));
    EXPECT_EQ(Inhalt(pfad), QByteArray("Zeit\tt2m___Med [\xC2\xB0" "C  ]\trf____Med [%   ]\r\n"
                                       "01.07.2024 12:30:00\t21,4\t65,0\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("mwd9999.seq")});
}

TEST(SchreibeMittelwertDatei, FehlerGebenEineMeldungUndKeineDatei) {
    QTemporaryDir dir;
    const auto tabelle = Kanaele({{"t2m", "C"}});
    struct {
        QString pfad;
        const char* antwort;
        QString meldung;
    } faelle[] = {
        {dir.filePath(QStringLiteral("fehlt/mwd.txt")), "240701123000;   21.4;",
         QStringLiteral("Die Mittelwertdatei %1 kann nicht geschrieben werden!")
             .arg(dir.filePath(QStringLiteral("fehlt/mwd.txt")))},
        {dir.filePath(QStringLiteral("mwd.txt")), "249999123000;   21.4;",
         QStringLiteral("Ungültiger Zeitstempel in den aktuellen Werten: 249999123000")},
    };
    for (const auto& f : faelle) {
        QStringList meldungen;
        EXPECT_FALSE(SchreibeMittelwertDatei(f.pfad, QString::fromLatin1(f.antwort), tabelle, 1, "X",
                                             [&](const QString& m) { meldungen << m; }));
        EXPECT_EQ(meldungen, QStringList{f.meldung});
        EXPECT_FALSE(QFile::exists(f.pfad));
    }
}

} // namespace
} // namespace nuvar
