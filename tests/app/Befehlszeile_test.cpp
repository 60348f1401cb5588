#include "kom/app/Befehlszeile.h"

#include <gtest/gtest.h>

using namespace nuvar;

namespace {
const QString kProgramm = QStringLiteral("/opt/nuvar/NUVARKom");

struct ZeileFall {
    const char* name;
    QStringList argumente;
    bool auswerten;
    QString datei;
    QString befehl;
};
} // namespace

TEST(Befehlszeile, KeywordsSubstringsOrderAndLastWins) {
    const ZeileFall faelle[] = {
        {"slash", {"/auto,/d/seq9999.seq"}, true, "/d/seq9999.seq", ""},
        {"dash", {"-auto,/d/seq9999.seq"}, true, "/d/seq9999.seq", ""},
        {"bare", {"auto,/d/seq9999.seq"}, true, "/d/seq9999.seq", ""},
        {"upper case is not a keyword", {"/AUTO,/d/x.seq"}, false, "", ""},
        {"no comma: beside the program", {"/auto"}, true, "/opt/nuvar/NUVARKom.seq", ""},
        {"only the first comma splits", {"/auto,/d/a,b.seq"}, true, "/d/a,b.seq", ""},
        {"config wins over Befehl, file still read", {"/auto,/d/s.seq", "/config"}, true, "/d/s.seq",
         "Konfiguration"},
        {"unknown argument ends everything", {"/auto,x.seq", "foo"}, false, "x.seq", ""},
        {"unknown first argument", {"foo", "/auto,x.seq"}, false, "", ""},
        {"auto and momentan in one argument counts as auto", {"/automomentan,/d/m.seq"}, true, "/d/m.seq", ""},
        {"momentan sets the file too", {"/momentan"}, true, "/opt/nuvar/NUVARKom.seq", "Momentanwerte"},
        {"last file wins", {"/auto,/a.seq", "/auto,/b.seq"}, true, "/b.seq", ""},
        {"last command wins", {"/momentan,/m.seq", "/config"}, true, "/m.seq", "Konfiguration"},
        {"no arguments", {}, true, "", ""},
    };
    for (const auto& f : faelle) {
        const TBefehlszeile e = AuswerteBefehlszeile(f.argumente, kProgramm);
        EXPECT_EQ(e.Auswerten, f.auswerten) << f.name;
        if (f.auswerten) {
            EXPECT_EQ(e.Sequenzdatei, f.datei) << f.name;
            EXPECT_EQ(e.Befehl, f.befehl) << f.name;
        }
    }
}

TEST(Befehlszeile, PathAfterCommaIsCutAt256Characters) {
    const QString lang = QStringLiteral("/") + QString(300, QLatin1Char('x'));
    const TBefehlszeile e = AuswerteBefehlszeile({QStringLiteral("/auto,") + lang}, kProgramm);
    EXPECT_EQ(e.Sequenzdatei, lang.left(256));
}

TEST(Befehlszeile, OutputNamesDropThreeCharactersWhateverTheName) {
    struct Fall { const char* seq; const char* praefix; const char* erwartet; };
    const Fall faelle[] = {
        {"/d/seq9999.seq", "par", "/d/par9999.dat"},
        {"/d/seq9999.seq", "dat", "/d/dat9999.dat"},
        {"/d/seq9999.seq", "mwd", "/d/mwd9999.dat"},
        {"/d/ab.seq", "par", "/d/pardat"},
        {"/d/ab.seq", "mwd", "/d/mwddat"},
        {"/d.x/seq1", "par", "/d.x/par1.dat"},
        {"seq42.seq", "dat", "dat42.dat"},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(AusgabeDateiname(QString::fromUtf8(f.seq), QString::fromUtf8(f.praefix)),
                  QString::fromUtf8(f.erwartet)) << f.seq;
}
