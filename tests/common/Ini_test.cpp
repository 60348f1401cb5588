#include "common/Fehler.h"
#include "common/Ini.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class IniTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString pfad = dir.filePath(QStringLiteral("test.ini"));

    void Schreibe(const QByteArray& inhalt) {
        QFile f(pfad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(inhalt);
    }
    QByteArray Lies() {
        QFile f(pfad);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
    }
};

QString U(const char* s) { return QString::fromUtf8(s); }

// One file that exercises the reading rules; the tests read it with either
// line end.
const char* const kLeseDatei =
    "; Kommentar vor allem\n"
    "vorher=1\n"
    "[Allgemein]\n"
    "  Aktiv  =  P1  \n"
    "Zahl=0x1F\n"
    "Hex=$ff\n"
    "Neg=-5\n"
    "Kaputt=12a\n"
    "Leer=\n"
    "Quoted=\"  a b  \"\n"
    "Einfach='x'\n"
    "Gemischt=\"x'\n"
    "Innen=a\"b\"c\n"
    "EinQuote=\"\n"
    "Bool0=0\n"
    "Bool2=2\n"
    "BoolText=true\n"
    "Gleich=a=b\n"
    "Komma=0,5\n"
    ";Auskommentiert=1\n"
    "ohne Gleichheitszeichen\n"
    "=ohne Schluessel\n"
    "[allgemein]\n"
    "Aktiv=zweites\n"
    "Extra=1\n"
    "[ P1 ]\n"
    "x=1\n"
    "[kaputt\n"
    "y=2\n";

} // namespace

TEST_F(IniTest, ReadingRulesWithEitherLineEnd) {
    for (const char* ende : {"\n", "\r\n"}) {
        SCOPED_TRACE(ende[0] == '\r' ? "CRLF" : "LF");
        QByteArray inhalt(kLeseDatei);
        inhalt.replace("\n", ende);
        Schreibe(inhalt);
        TIniFile ini(pfad);

        struct Fall {
            const char* section;
            const char* key;
            const char* wert;  // nullptr: missing
        } faelle[] = {
            {"Allgemein", "Aktiv", "P1"},
            {"ALLGEMEIN", "aktiv", "P1"},          // names without regard to case
            {"Allgemein", "Leer", ""},             // present but empty is not missing
            {"Allgemein", "Quoted", "  a b  "},
            {"Allgemein", "Einfach", "x"},
            {"Allgemein", "Gemischt", "\"x'"},     // quotes must match
            {"Allgemein", "Innen", "a\"b\"c"},
            {"Allgemein", "EinQuote", "\""},
            {"Allgemein", "Gleich", "a=b"},        // the first '=' splits
            {"Allgemein", "Extra", "1"},           // a repeated section is one section
            {"P1", "x", "1"},
            {"kaputt", "y", nullptr},              // "[kaputt" opens no section: y belongs to P1
            {"P1", "y", "2"},
            {"", "vorher", nullptr},               // lines before the first section are no keys
            {"Allgemein", ";Auskommentiert", nullptr},
            {"Allgemein", "ohne Gleichheitszeichen", nullptr},
            {"Fehlt", "Aktiv", nullptr},
        };
        for (const Fall& f : faelle) {
            SCOPED_TRACE(std::string(f.section) + "/" + f.key);
            const QString s = U(f.section), k = U(f.key);
            EXPECT_EQ(ini.ValueExists(s, k), f.wert != nullptr);
            EXPECT_EQ(ini.ReadString(s, k, QStringLiteral("<vorgabe>")), f.wert ? U(f.wert) : QStringLiteral("<vorgabe>"));
        }

        struct Zahl {
            const char* key;
            int wert;
        } zahlen[] = {{"Zahl", 31}, {"Hex", 255}, {"Neg", -5}, {"Kaputt", 77}, {"Leer", 77}, {"Fehlt", 77}, {"Bool2", 2}};
        for (const Zahl& z : zahlen)
            EXPECT_EQ(ini.ReadInteger(QStringLiteral("Allgemein"), U(z.key), 77), z.wert) << z.key;

        EXPECT_FALSE(ini.ReadBool(QStringLiteral("Allgemein"), QStringLiteral("Bool0"), true));
        EXPECT_TRUE(ini.ReadBool(QStringLiteral("Allgemein"), QStringLiteral("Bool2"), false));
        EXPECT_TRUE(ini.ReadBool(QStringLiteral("Allgemein"), QStringLiteral("BoolText"), true));   // no integer: default
        EXPECT_FALSE(ini.ReadBool(QStringLiteral("Allgemein"), QStringLiteral("BoolText"), false));
        EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("Allgemein"), QStringLiteral("Komma"), 9.0), 0.5);
        EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("Allgemein"), QStringLiteral("Kaputt"), 9.0), 9.0);

        EXPECT_EQ(ini.ReadSections(), (QStringList{"Allgemein", "P1"}));
        EXPECT_TRUE(ini.SectionExists(QStringLiteral("p1")));
        EXPECT_FALSE(ini.SectionExists(QStringLiteral("kaputt")));
        EXPECT_EQ(ini.ReadSection(QStringLiteral("allgemein")),
                  (QStringList{"Aktiv", "Zahl", "Hex", "Neg", "Kaputt", "Leer", "Quoted", "Einfach", "Gemischt",
                               "Innen", "EinQuote", "Bool0", "Bool2", "BoolText", "Gleich", "Komma", "Extra"}));
        EXPECT_EQ(ini.ReadSectionValues(QStringLiteral("P1")), (QStringList{"x=1", "y=2"}));
    }
}

TEST_F(IniTest, EncodingsOfWindowsFiles) {
    struct Fall {
        QByteArray inhalt;
        const char* name;
    } faelle[] = {
        {"[S]\r\nName=M\xC3\xBCller \xE2\x82\xAC\r\n", "Müller €"},  // UTF-8
        {"[S]\r\nName=M\xFCller \x80\r\n", "Müller €"},              // Windows-1252
        {"\xEF\xBB\xBF[S]\nName=\xC3\x9F\n", "ß"},                   // UTF-8 with byte order mark
        {"[S]\nName=\x84\x93\x9F", "„“Ÿ"},                            // 1252's own letters, no final line end
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Schreibe(f.inhalt);
        TIniFile ini(pfad);
        EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("Name"), QString()), U(f.name));
    }
}

TEST_F(IniTest, LongValuesAreCutAt2047Characters) {
    Schreibe("[S]\nLang=" + QByteArray(3000, 'x') + "\nKurz=\"" + QByteArray(2047, 'y') + "\"\n");
    TIniFile ini(pfad);
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("Lang"), QString()), QString(2047, QLatin1Char('x')));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("Kurz"), QString()), QString(2047, QLatin1Char('y')));
}

TEST_F(IniTest, MissingFileReadsEmptyAndWritingCreatesIt) {
    TIniFile ini(pfad);
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("Allgemein")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Allgemein"), QStringLiteral("x"), 5), 5);
    ini.EraseSection(QStringLiteral("Allgemein"));  // nothing to do, and no file appears
    ini.DeleteKey(QStringLiteral("Allgemein"), QStringLiteral("x"));
    EXPECT_FALSE(QFileInfo::exists(pfad));
    ini.WriteString(QStringLiteral("Allgemein"), QStringLiteral("Aktiv"), QStringLiteral("P1"));
    EXPECT_EQ(Lies(), QByteArray("[Allgemein]\nAktiv=P1\n"));
}

TEST_F(IniTest, WritingKeepsEveryOtherLine) {
    // CRLF file from Windows with comments, blank lines, an unknown key, spacing
    // around '=' and no line end after the last line.
    const QByteArray vorher =
        "; sessions\r\n"
        "[Allgemein]\r\n"
        "Aktiv = P1\r\n"
        "Unbekannt=1\r\n"
        "; Ende Allgemein\r\n"
        "\r\n"
        "[P1]\r\n"
        "Bezeichnung=Station\r\n"
        "[p1]\r\n"
        "StatNr=1";
    struct Fall {
        const char* name;
        const char* section;
        const char* key;
        const char* wert;
        QByteArray nachher;
    } faelle[] = {
        {"existing key keeps its spelling and spacing", "allgemein", "AKTIV", "P2",
         "; sessions\r\n[Allgemein]\r\nAktiv = P2\r\nUnbekannt=1\r\n; Ende Allgemein\r\n\r\n"
         "[P1]\r\nBezeichnung=Station\r\n[p1]\r\nStatNr=1"},
        {"new key after the last key of the section", "Allgemein", "Neu", "x",
         "; sessions\r\n[Allgemein]\r\nAktiv = P1\r\nUnbekannt=1\r\nNeu=x\r\n; Ende Allgemein\r\n\r\n"
         "[P1]\r\nBezeichnung=Station\r\n[p1]\r\nStatNr=1"},
        {"key of a repeated section where it is", "P1", "StatNr", "2",
         "; sessions\r\n[Allgemein]\r\nAktiv = P1\r\nUnbekannt=1\r\n; Ende Allgemein\r\n\r\n"
         "[P1]\r\nBezeichnung=Station\r\n[p1]\r\nStatNr=2"},
        {"new section at the end", "Neu", "a", "b",
         "; sessions\r\n[Allgemein]\r\nAktiv = P1\r\nUnbekannt=1\r\n; Ende Allgemein\r\n\r\n"
         "[P1]\r\nBezeichnung=Station\r\n[p1]\r\nStatNr=1\r\n\r\n[Neu]\r\na=b\r\n"},
        {"same value: file unchanged", "Allgemein", "Aktiv", "P1", vorher},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Schreibe(vorher);
        TIniFile ini(pfad);
        ini.WriteString(U(f.section), U(f.key), U(f.wert));
        EXPECT_EQ(Lies(), f.nachher);
        EXPECT_EQ(ini.ReadString(U(f.section), U(f.key), QString()), U(f.wert));
    }
}

TEST_F(IniTest, WrittenValuesReadBack) {
    struct Fall {
        const char* wert;
        const char* zeile;     // as it lands in the file
        const char* gelesen;
    } faelle[] = {
        {"P1", "K=P1", "P1"},
        {"", "K=", ""},
        {" a ", "K=\" a \"", " a "},           // blanks would be trimmed away
        {"\"q\"", "K=\"\"q\"\"", "\"q\""},     // quotes would be removed
        {"'x'", "K=\"'x'\"", "'x'"},
        {"a\"b", "K=a\"b", "a\"b"},
        {"a=b;c", "K=a=b;c", "a=b;c"},
        {"Zürich €", "K=Zürich €", "Zürich €"}, // UTF-8
        {"Zeile\r\nzwei", "K=Zeile  zwei", "Zeile  zwei"},  // no line can be injected
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.wert);
        QFile::remove(pfad);
        TIniFile ini(pfad);
        ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), U(f.wert));
        EXPECT_EQ(Lies(), QByteArray("[S]\n") + f.zeile + "\n");
        EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("<vorgabe>")), U(f.gelesen));
        EXPECT_EQ(ini.ReadSections(), QStringList{"S"});
    }

    QFile::remove(pfad);
    TIniFile ini(pfad);
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("I"), -5);
    ini.WriteBool(QStringLiteral("S"), QStringLiteral("B"), true);
    ini.WriteBool(QStringLiteral("S"), QStringLiteral("F"), false);
    ini.WriteFloat(QStringLiteral("S"), QStringLiteral("D"), 0.5);
    EXPECT_EQ(Lies(), QByteArray("[S]\nI=-5\nB=1\nF=0\nD=0,5\n"));
}

TEST_F(IniTest, AWindows1252FileIsRewrittenAsUtf8WithItsText) {
    Schreibe("[S]\r\nName=M\xFCller\r\n");
    TIniFile ini(pfad);
    ini.WriteString(QStringLiteral("S"), QStringLiteral("Ort"), U("Köln"));
    EXPECT_EQ(Lies(), QByteArray("[S]\r\nName=M\xC3\xBCller\r\nOrt=K\xC3\xB6ln\r\n"));
}

TEST_F(IniTest, AByteOrderMarkIsKept) {
    Schreibe("\xEF\xBB\xBF[S]\nA=1\n");
    TIniFile ini(pfad);
    ini.WriteString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("2"));
    EXPECT_EQ(Lies(), QByteArray("\xEF\xBB\xBF[S]\nA=2\n"));
    // Only the first mark is one; a second is text of the first line and
    // survives a write.
    Schreibe("\xEF\xBB\xBF\xEF\xBB\xBFx\n[S]\nA=1\n");
    ini.WriteString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("2"));
    EXPECT_EQ(Lies(), QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\n[S]\nA=2\n"));
}

TEST_F(IniTest, ReadsSeeChangesOfOtherPrograms) {
    Schreibe("[S]\nA=1\n");
    TIniFile ini(pfad);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("A"), 0), 1);
    Schreibe("[S]\nA=2\n");  // same size, written at once
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("A"), 0), 2);
    // A write goes onto the file as it is now, not onto what was read before.
    Schreibe("[S]\nA=2\nB=3\n");
    ini.WriteString(QStringLiteral("S"), QStringLiteral("C"), QStringLiteral("4"));
    EXPECT_EQ(Lies(), QByteArray("[S]\nA=2\nB=3\nC=4\n"));
    QFile::remove(pfad);
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("S"), QStringLiteral("A")));
}

TEST_F(IniTest, EraseSectionAndDeleteKey) {
    const QByteArray vorher =
        "; Kopf\n[A]\nx=1\n; zu A\n\n[B]\ny=1\ny=2\nY=3\nz=1\n[a]\nw=1\n[C]\nc=1\n";
    {
        Schreibe(vorher);
        TIniFile ini(pfad);
        ini.EraseSection(QStringLiteral("a"));  // both occurrences, with their lines
        EXPECT_EQ(Lies(), QByteArray("; Kopf\n[B]\ny=1\ny=2\nY=3\nz=1\n[C]\nc=1\n"));
        EXPECT_EQ(ini.ReadSections(), (QStringList{"B", "C"}));
    }
    {
        Schreibe(vorher);
        TIniFile ini(pfad);
        ini.DeleteKey(QStringLiteral("B"), QStringLiteral("y"));  // every line of it, so no duplicate surfaces
        EXPECT_EQ(Lies(), QByteArray("; Kopf\n[A]\nx=1\n; zu A\n\n[B]\nz=1\n[a]\nw=1\n[C]\nc=1\n"));
        EXPECT_FALSE(ini.ValueExists(QStringLiteral("B"), QStringLiteral("y")));
        ini.DeleteKey(QStringLiteral("B"), QStringLiteral("fehlt"));
        ini.DeleteKey(QStringLiteral("Fehlt"), QStringLiteral("z"));
        EXPECT_EQ(Lies(), QByteArray("; Kopf\n[A]\nx=1\n; zu A\n\n[B]\nz=1\n[a]\nw=1\n[C]\nc=1\n"));
    }
}

TEST_F(IniTest, NamesThatCouldNotBeReadBackAreRefused) {
    TIniFile ini(pfad);
    const std::pair<const char*, const char*> faelle[] = {
        {"A]", "k"}, {"A\nB", "k"}, {"S", ""}, {"S", "a=b"}, {"S", ";k"}, {"S", "[k]"}, {"S", "a\nb"},
    };
    for (const auto& [s, k] : faelle) {
        SCOPED_TRACE(std::string(s) + "/" + k);
        EXPECT_THROW(ini.WriteString(U(s), U(k), QStringLiteral("1")), EConvertError);
    }
    EXPECT_FALSE(QFileInfo::exists(pfad));
}

TEST_F(IniTest, AFileThatCannotBeWrittenRaisesAndStaysAsItWas) {
    const QString unmoeglich = dir.filePath(QStringLiteral("fehlt/test.ini"));
    TIniFile ini(unmoeglich);
    try {
        ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("1"));
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        // With the system's reason after the name.
        const QString anfang = QStringLiteral("Datei %1 kann nicht geschrieben werden: ").arg(unmoeglich);
        EXPECT_TRUE(e.Meldung().startsWith(anfang)) << e.Meldung().toStdString();
        EXPECT_GT(e.Meldung().size(), anfang.size()) << e.Meldung().toStdString();
    }

    // The file is replaced, never written in place: whoever still reads the old
    // file (an open handle) sees it whole, and no temporary is left behind.
    Schreibe("[S]\nK=alt\n");
    QFile alt(pfad);
    ASSERT_TRUE(alt.open(QIODevice::ReadOnly));
    TIniFile(pfad).WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("neu"));
    EXPECT_EQ(alt.readAll(), QByteArray("[S]\nK=alt\n"));
    EXPECT_EQ(Lies(), QByteArray("[S]\nK=neu\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"test.ini"});
}
