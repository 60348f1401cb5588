// The auto-sequence file: every key with its default, the values kept in
// eight bits, the initial state without a file, and how the command line and
// the file combine.
#include "kom/app/Befehlszeile.h"
#include "kom/app/Sequenz.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace nuvar;

namespace {

QString Schreibe(const QTemporaryDir& dir, const char* name, const QByteArray& inhalt) {
    const QString pfad = dir.filePath(QString::fromUtf8(name));
    QFile f(pfad);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
    return pfad;
}

} // namespace

TEST(Sequenz, MissingFileKeepsInitialValuesNotTheKeyDefaults) {
    const TSequenz s = LiesSequenz(QStringLiteral("/nicht/da/seq9999.seq"), QStringLiteral("/opt/nuvar"));
    EXPECT_EQ(s.Param.Verbindung, 0);
    EXPECT_EQ(s.Param.Baudrate, 0);  // 1200 baud, not the key's default 3
    EXPECT_EQ(s.Param.Schnittstelle, 0);
    EXPECT_EQ(s.Param.StatNr, 0);
    EXPECT_FALSE(s.Param.HaltBeiFehler);  // the key's default would be true
    EXPECT_TRUE(s.RohdatenPfad.isEmpty());
    EXPECT_TRUE(s.Synop.Kennung.isEmpty());
    EXPECT_TRUE(s.Befehl.isEmpty());
    EXPECT_EQ(LiesSequenz(QString(), QStringLiteral("/opt/nuvar")).Param.Baudrate, 0);
}

TEST(Sequenz, EmptyFileGivesEveryKeyDefault) {
    QTemporaryDir dir;
    const TSequenz s = LiesSequenz(Schreibe(dir, "leer.seq", ""), QStringLiteral("/opt/nuvar"));
    EXPECT_EQ(s.Param.Verbindung, 0);
    EXPECT_EQ(s.Param.Schnittstelle, 0);
    EXPECT_EQ(s.Param.Baudrate, 3);
    EXPECT_TRUE(s.Param.Rufnummer.isEmpty());
    EXPECT_TRUE(s.Befehl.isEmpty());
    EXPECT_EQ(s.RohdatenPfad, QStringLiteral("/opt/nuvar/Daten"));
    EXPECT_TRUE(s.Param.HaltBeiFehler);
    EXPECT_EQ(s.Param.StatNr, 0);
    EXPECT_TRUE(s.Param.StatName.isEmpty());
    EXPECT_EQ(s.Param.Mittelwertzeit, 0);
    EXPECT_TRUE(s.Param.Kennung.isEmpty());
    for (const TSYNOPParam* p : {&s.Synop, &s.Html}) {
        EXPECT_EQ(p->Laenge, QStringLiteral("00,00 Ost"));
        EXPECT_EQ(p->Breite, QStringLiteral("00,00 Nord"));
        EXPECT_EQ(p->Kennung, QStringLiteral("QZ000"));
    }
    EXPECT_EQ(s.Synop.Datei, QStringLiteral("synop.txt"));
    EXPECT_TRUE(s.Html.Datei.isEmpty());  // the HTML template has no default
    EXPECT_EQ(s.DigiKanal, 0);
    EXPECT_EQ(s.DigiByte, 0);
    // Modemname and Bezeichnung are never read, Dateiname is the command's.
    EXPECT_TRUE(s.Param.Modemname.isEmpty());
    EXPECT_TRUE(s.Param.Bezeichnung.isEmpty());
    EXPECT_TRUE(s.Param.Dateiname.isEmpty());
}

TEST(Sequenz, EveryKeyIsReadCaseInsensitively) {
    QTemporaryDir dir;
    const QString pfad = Schreibe(dir, "seq9999.seq",
                                  "[autoseq]\r\nVERBINDUNG=2\r\nschnittstelle=1\r\nBaudrate=1\r\nRufnummer=0815 4711\r\n"
                                  "Befehl=LeseDaten\r\nRohdatenPfad=/var/daten\r\nHaltBeiFehler=0\r\n"
                                  "ExitNUVARKom=0\r\nComPort=COM7\r\nModemname=Nicht gelesen\r\n"
                                  "[Messprogramm]\r\nStatNr=12\r\nStatName=\"  Zugspitze \"\r\nMWZeit=10\r\n"
                                  "Kennung=ZSP\r\n"
                                  "[SYNOP]\r\nLaenge=10,98 Ost\r\nBreite=47,42 Nord\r\nKennung=10961\r\nDatei=/r/s.txt\r\n"
                                  "[HTML]\r\nLaenge=1\r\nBreite=2\r\nKennung=3\r\nDatei=/r/vorlage.htm\r\n"
                                  "[DigiAusg]\r\nKanal=3\r\nAusgabeByte=165\r\n");
    const TSequenz s = LiesSequenz(pfad, QStringLiteral("/opt/nuvar"));
    EXPECT_EQ(s.Param.Verbindung, 2);
    EXPECT_EQ(s.Param.Schnittstelle, 1);
    EXPECT_EQ(s.Param.Baudrate, 1);
    EXPECT_EQ(s.Param.Rufnummer, QStringLiteral("0815 4711"));
    EXPECT_EQ(s.Befehl, QStringLiteral("LeseDaten"));
    EXPECT_EQ(s.RohdatenPfad, QStringLiteral("/var/daten"));
    EXPECT_FALSE(s.Param.HaltBeiFehler);
    EXPECT_EQ(s.Param.StatNr, 12);
    EXPECT_EQ(s.Param.StatName, QStringLiteral("  Zugspitze "));  // quotes keep the blanks
    EXPECT_EQ(s.Param.Mittelwertzeit, 10);
    EXPECT_EQ(s.Param.Kennung, QStringLiteral("ZSP"));
    EXPECT_EQ(s.Synop.Laenge, QStringLiteral("10,98 Ost"));
    EXPECT_EQ(s.Synop.Breite, QStringLiteral("47,42 Nord"));
    EXPECT_EQ(s.Synop.Kennung, QStringLiteral("10961"));
    EXPECT_EQ(s.Synop.Datei, QStringLiteral("/r/s.txt"));
    EXPECT_EQ(s.Html.Laenge, QStringLiteral("1"));
    EXPECT_EQ(s.Html.Breite, QStringLiteral("2"));
    EXPECT_EQ(s.Html.Kennung, QStringLiteral("3"));
    EXPECT_EQ(s.Html.Datei, QStringLiteral("/r/vorlage.htm"));
    EXPECT_EQ(s.DigiKanal, 3);
    EXPECT_EQ(s.DigiByte, 165);
    EXPECT_TRUE(s.Param.Modemname.isEmpty());
}

TEST(Sequenz, IntegersEightBitsAndBooleans) {
    struct Fall {
        const char* zeile;  // in [AutoSeq]
        int verbindung, baudrate;
        bool halt;
    };
    const Fall faelle[] = {
        {"Baudrate=259", 0, 3, true},         // low eight bits of 0x103
        {"Baudrate=-1", 0, 255, true},        // -1 kept in eight bits
        {"Verbindung=258", 2, 3, true},
        {"Baudrate=schnell", 0, 3, true},     // no integer: the default
        {"Baudrate=", 0, 3, true},
        {"Verbindung=1.5", 0, 3, true},
        {"HaltBeiFehler=7", 0, 3, true},      // any value other than 0 is true
        {"HaltBeiFehler=0", 0, 3, false},
        {"HaltBeiFehler=nein", 0, 3, true},   // no integer: the default true
    };
    QTemporaryDir dir;
    for (const Fall& f : faelle) {
        const QString pfad = Schreibe(dir, "f.seq", QByteArray("[AutoSeq]\n") + f.zeile + "\n[DigiAusg]\nKanal=300\n");
        const TSequenz s = LiesSequenz(pfad, QStringLiteral("/p"));
        EXPECT_EQ(s.Param.Verbindung, f.verbindung) << f.zeile;
        EXPECT_EQ(s.Param.Baudrate, f.baudrate) << f.zeile;
        EXPECT_EQ(s.Param.HaltBeiFehler, f.halt) << f.zeile;
        EXPECT_EQ(s.DigiKanal, 300 & 0xFF) << f.zeile;
    }
}

// What the program runs for a command line, combined with the file: the
// command line's command wins over Befehl, the connection values still come
// from the file.
TEST(Sequenz, CommandLineAndFileTogether) {
    QTemporaryDir dir;
    const QString seq =
        Schreibe(dir, "s.seq", "[AutoSeq]\nBefehl=LeseDaten\nSchnittstelle=4\nBaudrate=2\n[Messprogramm]\nStatNr=7\n");
    const QString programm = dir.filePath("NUVARKom");
    struct Fall {
        const char* name;
        QStringList argumente;
        const char* befehl;  // empty: nothing runs
        int schnittstelle, baudrate, statnr;
    };
    const Fall faelle[] = {
        {"file names the command", {"/auto," + seq}, "LeseDaten", 4, 2, 7},
        {"config wins, values from the file", {"/auto," + seq, "/config"}, "Konfiguration", 4, 2, 7},
        {"momentan without a file beside the program: COM1, 1200 baud, station 0", {"/momentan"},
         "Momentanwerte", 0, 0, 0},
        {"foo ends the processing", {"/auto," + seq, "foo"}, "", 0, 0, 0},
        {"upper case is no keyword", {"/AUTO," + seq}, "", 0, 0, 0},
        {"file without Befehl: nothing runs", {"/auto," + dir.filePath("fehlt.seq")}, "", 0, 0, 0},
    };
    for (const Fall& f : faelle) {
        const TBefehlszeile z = AuswerteBefehlszeile(f.argumente, programm);
        QString befehl;
        TSequenz s;
        if (z.Auswerten) {
            s = LiesSequenz(z.Sequenzdatei, dir.path());
            befehl = z.Befehl.isEmpty() ? s.Befehl : z.Befehl;
        }
        EXPECT_EQ(befehl, QString::fromUtf8(f.befehl)) << f.name;
        EXPECT_EQ(s.Param.Schnittstelle, f.schnittstelle) << f.name;
        EXPECT_EQ(s.Param.Baudrate, f.baudrate) << f.name;
        EXPECT_EQ(s.Param.StatNr, f.statnr) << f.name;
    }
}
