// The catalogue lines of geber.ini and kanal.ini: the hexadecimal rule, both
// line formats with their failures, and reading a file into lines.
#include "common/Fehler.h"
#include "common/Katalog.h"
#include "common/Text.h"

#include <gtest/gtest.h>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// Expects fn to raise EConvertError with exactly this message.
template <class F>
void Meldet(F fn, const QString& meldung) {
    try {
        fn();
        ADD_FAILURE() << "no error, expected " << meldung.toStdString();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Meldung(), meldung);
    }
}

QString Tab(std::initializer_list<const char*> felder) {
    QStringList l;
    for (const char* f : felder) l << QString::fromUtf8(f);
    return l.join(QLatin1Char('\t'));
}

} // namespace

TEST(HexZuInt, DigitsOfBothCases) {
    struct Fall {
        const char* text;
        int wert;
    } faelle[] = {{"", 0}, {"0", 0}, {"FF", 255}, {"ff", 255}, {"fF", 255}, {"1000", 4096}, {"0a", 10},
                  {"7FFFFFFF", 0x7FFFFFFF}, {"FFFFFFFF", -1}};
    for (const Fall& f : faelle) EXPECT_EQ(HexZuInt(QString::fromUtf8(f.text)), f.wert) << f.text;
}

TEST(HexZuInt, AnythingElseNamesTheWholeText) {
    for (const char* t : {"1G", "G1", " 1", "1 ", "-1", "0x1", "1,5"})
        Meldet([&] { HexZuInt(QString::fromUtf8(t)); }, QString::fromUtf8(t) + QStringLiteral(" ist keine gültige Hexzahl!"));
}

TEST(GeberZeile, FieldsInOrder) {
    const TGeberINIZeile z =
        GeberZeileLesen(Tab({"0C", "Erdoberfl\x84" "che", "tob", "\xF8" "C", "2,5773", "-256.98", "-30", "70", "4", "Pt100", "4-Leiter"}));
    EXPECT_EQ(z.Code, "0C");
    EXPECT_EQ(z.Name, QString::fromUtf8("Erdoberfl\x84" "che"));
    EXPECT_EQ(z.Bezeichnung, "tob");
    EXPECT_EQ(z.Einheit, QString::fromUtf8("\xF8" "C"));
    EXPECT_FLOAT_EQ(z.a, 2.5773f);
    EXPECT_FLOAT_EQ(z.b, -256.98f);  // a full stop counts as the comma
    EXPECT_FLOAT_EQ(z.Min, -30.0f);
    EXPECT_FLOAT_EQ(z.Max, 70.0f);
    EXPECT_EQ(z.Kanaltyp, 4);
    EXPECT_EQ(z.Rest, "Pt100\t4-Leiter");  // tabs included
}

TEST(GeberZeile, EdgesOfTheLastFields) {
    struct Fall {
        const char* name;
        QString zeile;
        int typ;
        const char* rest;
    } faelle[] = {
        // Without a rest the type is all that is left, and the rest is the same text.
        {"no rest", Tab({"01", "T", "t", "C", "1", "0", "0", "1", "3"}), 3, "3"},
        {"empty rest", Tab({"01", "T", "t", "C", "1", "0", "0", "1", "3", ""}), 3, ""},
        {"type kept in 8 bits", Tab({"01", "T", "t", "C", "1", "0", "0", "1", "1FF", "x"}), 0xFF, "x"},
        {"empty type", Tab({"01", "T", "t", "C", "1", "0", "0", "1", "", "x"}), 0, "x"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        const TGeberINIZeile z = GeberZeileLesen(f.zeile);
        EXPECT_EQ(z.Kanaltyp, f.typ);
        EXPECT_EQ(z.Rest, QString::fromUtf8(f.rest));
    }
}

TEST(GeberZeile, PointAndCommaGiveTheSameNumber) {
    const TGeberINIZeile punkt = GeberZeileLesen(Tab({"01", "T", "t", "C", "0.5", "0", "0", "1", "1"}));
    const TGeberINIZeile komma = GeberZeileLesen(Tab({"01", "T", "t", "C", "0,5", "0", "0", "1", "1"}));
    EXPECT_FLOAT_EQ(punkt.a, 0.5f);
    EXPECT_EQ(punkt.a, komma.a);
}

TEST(GeberZeile, MalformedLinesFailAtTheirFirstBadField) {
    struct Fall {
        const char* name;
        QString zeile;
        const char* meldung;
    } faelle[] = {
        {"blank line", QString(), "'' ist kein gültiger Gleitkommawert"},
        {"seven fields", Tab({"01", "T", "t", "C", "1", "0", "0"}), "'' ist kein gültiger Gleitkommawert"},
        {"letter in a number", Tab({"01", "T", "t", "C", "1", "x", "0", "1", "1"}), "'x' ist kein gültiger Gleitkommawert"},
        {"two points", Tab({"01", "T", "t", "C", "1.5.1", "0", "0", "1", "1"}), "'1,5.1' ist kein gültiger Gleitkommawert"},
        {"bad type", Tab({"01", "T", "t", "C", "1", "0", "0", "1", "1G", "x"}), "1G ist keine gültige Hexzahl!"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Meldet([&] { GeberZeileLesen(f.zeile); }, QString::fromUtf8(f.meldung));
    }
}

TEST(KanalZeile, RangeUnitAndCounter) {
    struct Fall {
        const char* name;
        QString zeile;
        int typ;
        double unten, oben;
        const char* einheit;
        bool zaehler;
    } faelle[] = {
        {"counter", Tab({"3", "0", "5", "V", "1"}), 3, 0, 5, "V", true},
        {"decimal comma", Tab({"4", "80,31", "138,51", "Ohm", "0"}), 4, 80.31, 138.51, "Ohm", false},
        {"counter flag must be exactly 1", Tab({"3", "0", "5", "V", "1 "}), 3, 0, 5, "V", false},
        {"no counter field", Tab({"3", "0", "5", "V"}), 3, 0, 5, "V", false},
        {"range closes the line", Tab({"6", "0", "10"}), 6, 0, 10, "", false},
        {"point is no comma here", Tab({"1", "0.5", "5", "V", "0"}), 1, kUnbekannteGrenze, kUnbekannteGrenze, "V", false},
        {"upper end not a number", Tab({"1", "0", "x", "V", "0"}), 1, kUnbekannteGrenze, kUnbekannteGrenze, "V", false},
        {"no tab at all: no field", QStringLiteral("A"), 0, kUnbekannteGrenze, kUnbekannteGrenze, "", false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        const TKanalINIZeile z = KanalZeileLesen(f.zeile);
        EXPECT_EQ(z.Kanaltyp, f.typ);
        EXPECT_DOUBLE_EQ(z.UntereGrenze, f.unten);
        EXPECT_DOUBLE_EQ(z.ObereGrenze, f.oben);
        EXPECT_EQ(z.Einheit, QString::fromUtf8(f.einheit));
        EXPECT_EQ(z.Zaehler, f.zaehler);
    }
    Meldet([] { KanalZeileLesen(Tab({"Z", "0", "5"})); }, QStringLiteral("Z ist keine gültige Hexzahl!"));
}

TEST(KatalogDatei, LinesAsReadWithoutEmptyOnes) {
    // CR LF or LF, a stray empty line, blanks only, no line end at the end;
    // every OEM byte stays the character of its code.
    const QStringList z = RoheZeilen(QByteArray("a\tb\r\n\r\n  \r\nc\xF8\nd"));
    ASSERT_EQ(z.size(), 3);
    EXPECT_EQ(z[0], "a\tb");
    EXPECT_EQ(RoheBytes(z[1]), QByteArray("c\xF8"));
    EXPECT_EQ(z[2], "d");
    EXPECT_EQ(OemZuText(RoheBytes(z[1])), QString::fromUtf8("c°"));
    EXPECT_EQ(CodeText(10), "0A");
    EXPECT_EQ(CodeText(255), "FF");
}
