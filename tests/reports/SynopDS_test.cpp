#include "kom/reports/SynopDS.h"

#include "tests/reports/Kanaele.h"

#include <gtest/gtest.h>

namespace nuvar {
namespace {

using test::Kanaele;

struct IndexFall {
    const char* typ;
    const char* code;
    int erwartet;
};

// Channels t2m, rf, wg: where each code finds its value for each logger type.
TEST(SucheWertIndex, NachLoggertypUndZusatz) {
    const auto tabelle = Kanaele({{"t2m", ""}, {"rf", ""}, {"wg", ""}});
    const IndexFall faelle[] = {
        // one value per channel: the whole code must be the name
        {"VRX400", "t2m  ", 0},   {"VRX400", "rf   ", 1},    {"VRX400", "wg   ", 2},
        {"VRX400", "t2m  Max", -1}, {"VRX400", "t2m  Min", -1}, {"", "rf   ", 1},
        {"vrx410", "t2m  Max", -1},  // type names are exact: this one has one value
        // three values per channel
        {"VRX410", "t2m  ", 1},   {"VRX410", "t2m  Max", 2}, {"VRX410", "t2m  Min", 0},
        {"VRX410", "rf   ", 4},   {"VRX420", "wg   Max", 8}, {"VRX420", "wg   Min", 6},
        {"VRX410", "t2m  Xyz", -1},
        // four values per channel: min 4i, mean 4i+1, max 4i+2
        {"VRX430", "t2m  ", 1},   {"VRX430", "t2m  Min", 0}, {"VRX430", "t2m  Max", 2},
        {"VRX430", "rf   ", 5},   {"VRX430", "wg   ", 9},    {"VRX430", "wg   Max", 10},
        // no such channel
        {"VRX400", "ld   ", -1},  {"VRX410", "ld   ", -1},   {"VRX430", "ld   Max", -1},
        // names compare exactly: case and blanks count
        {"VRX400", "T2M  ", -1},  {"VRX400", "t2m", -1},     {"VRX410", "t2m Max", -1},
    };
    for (const auto& f : faelle) {
        TSynopMesswert m;
        m.Code = QString::fromLatin1(f.code);
        SucheWertIndex(m, tabelle, 3, f.typ);
        EXPECT_EQ(m.Index, f.erwartet) << f.typ << " '" << f.code << "'";
    }
}

TEST(SucheWertIndex, SpaeterKanalGewinntUndNurNKanaeleZaehlen) {
    const auto doppelt = Kanaele({{"t2m", ""}, {"rf", ""}, {"t2m", ""}});
    struct {
        const char* typ;
        const char* code;
        int n;
        int erwartet;
    } faelle[] = {
        {"X", "t2m  ", 3, 2}, {"VRX410", "t2m  Max", 3, 8}, {"VRX430", "t2m  ", 3, 9},
        {"X", "t2m  ", 2, 0},  // the third channel lies beyond n
        {"X", "t2m  ", 0, -1}, {"X", "t2m  ", -5, -1},
        {"X", "t2m  ", 500, 2},  // a count beyond the table stops at its end
    };
    for (const auto& f : faelle) {
        TSynopMesswert m;
        m.Code = QString::fromLatin1(f.code);
        SucheWertIndex(m, doppelt, f.n, f.typ);
        EXPECT_EQ(m.Index, f.erwartet) << f.typ << " " << f.code << " n=" << f.n;
    }
}

TEST(SucheWertIndex, NameMitNullenStattBlanksPasstNicht) {
    // A name field padded with zero bytes holds "t2m", not "t2m  ".
    auto tabelle = Kanaele({});
    tabelle[0].Bezeichnung = {'t', '2', 'm', 0, 0, 0};
    TSynopMesswert m;
    m.Code = QStringLiteral("t2m  ");
    SucheWertIndex(m, tabelle, 1, "X");
    EXPECT_EQ(m.Index, -1);
}

struct WertFall {
    const char* antwort;
    int index;
    bool gueltigVorher;
    double wert;
    bool gueltig;
};

TEST(LiesWert, UmwandlungUndFehlwertRegel) {
    const char* const zwei = "240701123000;   21.4;   65.0;";
    const WertFall faelle[] = {
        {zwei, 0, false, 21.4, true},
        {zwei, 1, false, 65.0, true},
        {"240701123000;  -12.5;", 0, false, -12.5, true},
        {"240701123000;    0.0;", 0, false, 0.0, true},
        {"240701123000; -999.9;", 0, true, -999.9, false},   // exactly -999.9 is missing
        {"240701123000; -999.5;", 0, true, -999.5, false},
        {"240701123000;-999.01;", 0, true, -999.01, false},
        {"240701123000; -999.0;", 0, false, -999.0, true},   // -999.0 is a measurement
        {"240701123000;-999.91;", 0, false, -999.91, true},  // below the missing range
        {"240701123000; ------;", 0, false, -999.2, false},  // dashes: no number
        {"240701123000; ------;", 0, true, -999.2, false},   // becomes missing even if valid before
        {"240701123000;  1.2.3;", 0, false, -999.2, false},  // two decimal points
        {zwei, 2, false, -999.2, false},                    // beyond the line: empty text
        {zwei, -1, false, -999.2, false},
        {zwei, -1, true, -999.2, false},
        {"", 0, false, -999.2, false},
    };
    for (const auto& f : faelle) {
        TSynopMesswert m;
        m.Index = f.index;
        m.Gueltig = f.gueltigVorher;
        LiesWert(m, QString::fromLatin1(f.antwort));
        EXPECT_DOUBLE_EQ(m.Wert, f.wert) << f.antwort << " #" << f.index;
        EXPECT_EQ(m.Gueltig, f.gueltig) << f.antwort << " #" << f.index;
    }
}

TEST(FuelleSynopDS, AndererTypZweiKanaele) {
    const auto tabelle = Kanaele({{"t2m", "\xF8" "C"}, {"rf", "%"}});
    TSynopDS ds;
    ds.t2m.Wert = 99;  // must be reset
    FuelleSynopDS(ds, QStringLiteral("240701123000;   21.4;   65.0;"), tabelle, 2, "VRX400", TCodeSatz::Synop);
    EXPECT_EQ(ds.t2m.Code, QStringLiteral("t2m  "));
    EXPECT_EQ(ds.t2m.Index, 0);
    EXPECT_DOUBLE_EQ(ds.t2m.Wert, 21.4);
    EXPECT_TRUE(IstGueltig(ds.t2m));
    EXPECT_EQ(ds.rf.Index, 1);
    EXPECT_DOUBLE_EQ(ds.rf.Wert, 65.0);
    EXPECT_TRUE(IstGueltig(ds.rf));
    EXPECT_EQ(ds.t2mMax.Code, QStringLiteral("t2m  Max"));
    EXPECT_EQ(ds.t2mMax.Index, -1);
    EXPECT_DOUBLE_EQ(ds.t2mMax.Wert, -999.2);
    EXPECT_FALSE(IstGueltig(ds.t2mMax));
    // outside the SYNOP's fifteen codes: untouched initial state
    for (const TSynopMesswert* m : {&ds.akku, &ds.QFN}) {
        EXPECT_TRUE(m->Code.isEmpty());
        EXPECT_EQ(m->Index, 0);
        EXPECT_FALSE(m->Gueltig);
        EXPECT_FALSE(IstGueltig(*m));
    }
}

TEST(FuelleSynopDS, AlleCodesUndVRX430) {
    const auto tabelle = Kanaele({{"akku", "V"}, {"QFN", "hPa"}, {"nied", "mm"}});
    const QString antwort = QStringLiteral(
        "240701123000;   12.1;   12.5;   12.9;   12.4;"
        " 1001.0; 1002.0; 1003.0; 1002.5;"
        "    0.0;    0.3;    0.6;    0.1;");
    TSynopDS ds;
    FuelleSynopDS(ds, antwort, tabelle, 3, "VRX430", TCodeSatz::Alle);
    int gesetzt = 0;
    for (const auto& e : kSynopEintraege)
        gesetzt += (ds.*e.member).Code == QLatin1String(e.code);
    EXPECT_EQ(gesetzt, 17);
    EXPECT_DOUBLE_EQ(ds.akku.Wert, 12.5);
    EXPECT_DOUBLE_EQ(ds.QFN.Wert, 1002.0);
    EXPECT_DOUBLE_EQ(ds.nied.Wert, 0.3);
    EXPECT_DOUBLE_EQ(ds.nied2.Wert, 0.3);
    EXPECT_TRUE(IstGueltig(ds.nied2));
    EXPECT_FALSE(IstGueltig(ds.t2m));
}

TEST(LiesZeitstempel, Ziffernpaare) {
    const auto z = LiesZeitstempel(QStringLiteral("240701123059;"));
    ASSERT_TRUE(z);
    EXPECT_EQ(z->Jahr, 24);
    EXPECT_EQ(z->Monat, 7);
    EXPECT_EQ(z->Tag, 1);
    EXPECT_EQ(z->Stunde, 12);
    EXPECT_EQ(z->Minute, 30);
    EXPECT_EQ(z->Sekunde, 59);
    for (const char* falsch : {"", "24070112300", "2407011230x0;", "24-701123000;", " 40701123000;"})
        EXPECT_FALSE(LiesZeitstempel(QString::fromLatin1(falsch))) << falsch;
}

} // namespace
} // namespace nuvar
