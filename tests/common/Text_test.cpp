#include "common/Fehler.h"
#include "common/Text.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

using namespace nuvar;

// Readable failure output for Qt strings.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QByteArray B(const char* s, int n) { return QByteArray(s, n); }

} // namespace

// ---------------------------------------------------------------- OEM

TEST(Oem, GermanLettersOfCodepage850) {
    struct Fall {
        const char* oem;
        const char* text;  // UTF-8
    } faelle[] = {
        {"Temp", "Temp"},
        {"\x81\x84\x94\xE1", "üäöß"},
        {"\x9A\x8E\x99", "ÜÄÖ"},
        {"M\x81nchen 5\xF8", "München 5°"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(OemZuText(QByteArray(f.oem)), QString::fromUtf8(f.text));
        EXPECT_EQ(TextZuOem(QString::fromUtf8(f.text)), QByteArray(f.oem));
    }
}

TEST(Oem, EveryByteSurvivesTheRoundTrip) {
    // A byte that does not come back unchanged would corrupt a record that is
    // shown, edited and written back.
    for (int b = 0; b < 256; ++b) {
        const QByteArray eins(1, static_cast<char>(b));
        const QString t = OemZuText(eins);
        ASSERT_EQ(t.size(), 1) << b;
        EXPECT_EQ(TextZuOem(t), eins) << b;
    }
}

TEST(Oem, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(TextZuOem(QString::fromUtf8("5 €")), QByteArray("5 ?"));
    // A character outside the BMP is one character, so one '?'.
    EXPECT_EQ(TextZuOem(QString::fromUtf8("a\xF0\x9F\x98\x80" "b")), QByteArray("a?b"));
    // A lone surrogate is no character of any code page.
    QString lone = QStringLiteral("x");
    lone.append(QChar(0xD800));
    EXPECT_EQ(TextZuOem(lone), QByteArray("x?"));
}

TEST(Oem, CodepageCanBeChanged) {
    ASSERT_EQ(OemCodepage(), QStringLiteral("IBM850"));
    const QByteArray b("\x9B", 1);
    EXPECT_EQ(OemZuText(b), QString::fromUtf8("ø"));
    ASSERT_TRUE(SetzeOemCodepage(QStringLiteral("IBM437")));
    EXPECT_EQ(OemZuText(b), QString::fromUtf8("¢"));
    EXPECT_EQ(TextZuOem(QString::fromUtf8("ø")), QByteArray("?"));
    // Unknown and multi-byte code pages are refused and change nothing.
    EXPECT_FALSE(SetzeOemCodepage(QStringLiteral("kein-codepage")));
    EXPECT_FALSE(SetzeOemCodepage(QStringLiteral("UTF-8")));
    EXPECT_FALSE(SetzeOemCodepage(QString()));
    EXPECT_EQ(OemCodepage(), QStringLiteral("IBM437"));
    ASSERT_TRUE(SetzeOemCodepage(QStringLiteral("IBM850")));
    EXPECT_EQ(OemZuText(b), QString::fromUtf8("ø"));
}

TEST(Textfeld, Read) {
    struct Fall {
        QByteArray feld;
        const char* text;
    } faelle[] = {
        {B("Abc\0xyz", 7), "Abc"},           // stops at the first zero byte
        {B("Abc  ", 5), "Abc"},              // no zero byte: all w bytes, blanks cut
        {B("Ab \0\0", 5), "Ab"},
        {B("Ab\0 \0", 5), "Ab"},
        {B("     ", 5), ""},
        {B("\0\0\0", 3), ""},
        {B(" a b \0", 6), " a b"},           // leading and inner blanks stay
        {B("M\x81nchen\0", 8), "München"},
        {B("ABCDE", 5), "ABCDE"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text);
        const auto* p = reinterpret_cast<const std::uint8_t*>(f.feld.constData());
        EXPECT_EQ(LiesTextfeld({p, static_cast<std::size_t>(f.feld.size())}), QString::fromUtf8(f.text));
    }
}

TEST(Textfeld, Write) {
    struct Fall {
        const char* text;
        QByteArray erwartet;  // width = size
    } faelle[] = {
        {"Temp", B("Temp \0", 6)},
        {"Temperatur", B("Tempe\0", 6)},     // at most w - 1 characters
        {"", B("     \0", 6)},
        {"M\xC3\xBCll", B("M\x81ll\0", 5)},
        {"x", B("\0", 1)},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text);
        std::array<std::uint8_t, 8> puffer;
        puffer.fill(0xAA);
        const std::size_t w = static_cast<std::size_t>(f.erwartet.size());
        SchreibeTextfeld({puffer.data(), w}, QString::fromUtf8(f.text));
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(puffer.data()), static_cast<qsizetype>(w)), f.erwartet);
        EXPECT_EQ(puffer[w], 0xAA) << "wrote past the field";
    }
    // A field of width 0 is not touched.
    std::uint8_t nichts = 0xAA;
    SchreibeTextfeld({&nichts, 0}, QStringLiteral("abc"));
    EXPECT_EQ(nichts, 0xAA);
}

// ---------------------------------------------------------------- numbers

TEST(Zahlen, FormatF) {
    struct Fall {
        double wert;
        int stellen;
        const char* text;
    } faelle[] = {
        {0.0, 2, "0,00"},
        {1.5, 2, "1,50"},
        {-1.5, 2, "-1,50"},
        {0.125, 2, "0,13"},            // half away from zero
        {-0.125, 2, "-0,13"},
        {1.005, 2, "1,01"},            // binary 1.00499..., decimal 1,005
        {2.675, 2, "2,68"},
        {9.995, 2, "10,00"},           // carry into the whole part
        {-0.001, 2, "0,00"},           // no "-0,00"
        {-0.0, 2, "0,00"},
        {1234567.891, 2, "1234567,89"},
        {1e20, 2, "100000000000000000000,00"},
        {0.000123, 2, "0,00"},
        {0.5, 0, "1"},
        {2.5, 0, "3"},
        {3.14159, 4, "3,1416"},
        {0.1, 1, "0,1"},
        {std::numeric_limits<double>::quiet_NaN(), 2, "NAN"},
        {std::numeric_limits<double>::infinity(), 2, "INF"},
        {-std::numeric_limits<double>::infinity(), 2, "-INF"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(FormatF(f.wert, f.stellen), QString::fromUtf8(f.text));
    }
    EXPECT_EQ(FormatF(7.0), QStringLiteral("7,00"));  // two decimals by default
}

TEST(Zahlen, FloatToStrReadsBack) {
    struct Fall {
        double wert;
        const char* text;
    } faelle[] = {
        {0.174, "0,174"}, {12.0, "12"}, {-0.5, "-0,5"}, {1e20, "1E20"}, {1e-7, "1E-7"}, {0.0, "0"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(FloatToStr(f.wert), QString::fromUtf8(f.text));
        EXPECT_EQ(StrToFloat(FloatToStr(f.wert)), f.wert);
    }
}

TEST(Zahlen, RundeHalbGerade) {
    struct Fall {
        double wert;
        long long ganz;
    } faelle[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {2.4999, 2}, {2.5000001, 3}, {-7.6, -8}, {1e15 + 0.5, 1000000000000000LL},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(RundeHalbGerade(f.wert), f.ganz) << f.wert;
    for (double schlecht : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                            1e19, -1e19, 9223372036854775808.0}) {
        try {
            RundeHalbGerade(schlecht);
            ADD_FAILURE() << "no error for " << schlecht;
        } catch (const ERangeError& e) {
            EXPECT_EQ(e.Meldung(), QString::fromUtf8("Fehler bei Bereichsprüfung"));
        }
    }
}

TEST(Zahlen, StrToInt) {
    struct Fall {
        const char* text;
        int wert;
    } gut[] = {
        {"0", 0}, {"-12", -12}, {"+7", 7}, {"$FF", 255}, {"$ff", 255}, {"0x1f", 31}, {"0X1F", 31},
        {"0XFFFFFFFF", -1}, {"$80000000", std::numeric_limits<int>::min()}, {"-$10", -16},
        {"2147483647", 2147483647}, {"-2147483648", std::numeric_limits<int>::min()},
        {" 12 ", 12}, {"\t-3", -3}, {"007", 7},
    };
    for (const Fall& f : gut) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(StrToInt(QString::fromUtf8(f.text)), f.wert);
        EXPECT_EQ(StrToIntDef(QString::fromUtf8(f.text), 99), f.wert);
    }
    const char* schlecht[] = {"", " ", "-", "2147483648", "-2147483649", "$", "0x", "12a", "1 2", "1,5",
                              "$100000000", "--1", "0x-1", "x10", "١٢"};
    for (const char* s : schlecht) {
        SCOPED_TRACE(s);
        const QString text = QString::fromUtf8(s);
        EXPECT_EQ(StrToIntDef(text, 99), 99);
        try {
            StrToInt(text);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Meldung(), QString::fromUtf8("'%1' ist kein gültiger Integerwert").arg(text));
        }
    }
}

TEST(Zahlen, StrToFloat) {
    struct Fall {
        const char* text;
        double wert;
    } gut[] = {
        {"0,174", 0.174}, {"1", 1.0}, {"-2,5", -2.5}, {"+2,5", 2.5}, {",5", 0.5}, {"5,", 5.0},
        {"1,5E3", 1500.0}, {"1e-2", 0.01}, {" 3,25 ", 3.25}, {"0", 0.0},
    };
    for (const Fall& f : gut) {
        SCOPED_TRACE(f.text);
        EXPECT_DOUBLE_EQ(StrToFloat(QString::fromUtf8(f.text)), f.wert);
    }
    const char* schlecht[] = {"0.174", "", ",", "1,2,3", "abc", "1E", "1e400", "nan", "inf", "1 000", "-", "e5"};
    for (const char* s : schlecht) {
        SCOPED_TRACE(s);
        const QString text = QString::fromUtf8(s);
        EXPECT_EQ(StrToFloatDef(text, -99.0), -99.0);
        try {
            StrToFloat(text);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Meldung(), QString::fromUtf8("'%1' ist kein gültiger Gleitkommawert").arg(text));
        }
    }
}

// ---------------------------------------------------------------- texts

TEST(ErsetzeZeichen, Cases) {
    struct Fall {
        const char* text;
        const char* alt;
        const char* neu;
        const char* ergebnis;
    } faelle[] = {
        {"1.5", ".", ",", "1,5"},
        {"a.b.c.", ".", ",", "a,b,c,"},
        {"a b", " ", "_", "a_b"},
        {"abc", ".", ",", "abc"},
        {"1.5", ".", ".", "1.5"},        // alt = neu
        {"1.5", "", ",", "1.5"},         // nothing to look for: must not hang
        {"1.5", ".", "", "1.5"},         // no replacement character
        {"aaa", "aa", "ab", "aaa"},      // same first character: would never end
        {"xabxab", "ab", "cd", "xcbxcb"}, // only the first character is replaced
        {"aab", "ab", "b", "bbb"},       // a replacement that makes a new occurrence
        {"", ".", ",", ""},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text);
        QString t = QString::fromUtf8(f.text);
        ErsetzeZeichen(t, QString::fromUtf8(f.alt), QString::fromUtf8(f.neu));
        EXPECT_EQ(t, QString::fromUtf8(f.ergebnis));
    }
}

TEST(KommaText, Split) {
    struct Fall {
        const char* text;
        QStringList items;
    } faelle[] = {
        {"", {}},
        {"   ", {}},
        {"a", {"a"}},
        {"a,b", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"a\tb", {"a", "b"}},
        {" a , b ", {"a", "b"}},
        {"a,,b", {"a", "", "b"}},
        {",a", {"", "a"}},
        {"a,", {"a"}},
        {",", {""}},
        {",,", {"", ""}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"\"0,174\",\"0,185\"", {"0,174", "0,185"}},
        {"\"a \"\"x\"\" b\"", {"a \"x\" b"}},
        {"\"\"", {""}},
        {"\"\",x", {"", "x"}},
        {"\"abc", {"abc"}},              // unterminated: the rest of the text
        {"\"ab\"cd", {"ab", "cd"}},
        {"\"ab\" , cd", {"ab", "cd"}},
        {"a\"b", {"a\"b"}},              // a quote inside an unquoted item is kept
        {"a;b", {"a;b"}},
        {"T1,\xC2\xB0" "C,x,y,1,2,\"1,5\",0,0,0", {"T1", "°C", "x", "y", "1", "2", "1,5", "0", "0", "0"}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(KommaTextTeilen(QString::fromUtf8(f.text)), f.items);
    }
}

TEST(KommaText, JoinQuotesWhatSplittingWouldChange) {
    struct Fall {
        QStringList items;
        const char* text;
    } faelle[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"a", ""}, "a,\"\""},           // a trailing empty item must not get lost
        {{"a b", "x\"y", ",", "plain"}, "\"a b\",\"x\"\"y\",\",\",plain"},
        {{"0,174", "12"}, "\"0,174\",12"},
        {{"tab\there"}, "\"tab\there\""},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(KommaTextVerbinden(f.items), QString::fromUtf8(f.text));
        EXPECT_EQ(KommaTextTeilen(KommaTextVerbinden(f.items)), f.items);
    }
}
