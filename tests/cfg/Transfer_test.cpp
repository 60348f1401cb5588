// Transfers through NUVARKom without NUVARKom: the sequence files, the files
// that cross, the process start and wait, the paths the configurator uses and
// the port list that must agree with NUVARKom's port map.
#include "cfg/Pfade.h"
#include "cfg/Schnittstellen.h"
#include "cfg/Transfer.h"
#include "CfgTestHilfe.h"
#include "common/Fehler.h"
#include "common/Ini.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

using namespace nuvar;
using namespace nuvar::test;

namespace {

QString Wert(const QString& datei, const char* key) {
    return TIniFile(datei).ReadString(QStringLiteral("AutoSeq"), QString::fromLatin1(key), QStringLiteral("<fehlt>"));
}

TVerbindung Verbindung(int art, int port, int baud, const char* nummer = "") {
    TVerbindung v;
    v.Verbindung = std::uint8_t(art);
    v.Schnittstelle = std::uint8_t(port - 1);
    v.ComPort = QString::number(port);
    v.Baudrate = std::uint8_t(baud);
    v.Rufnummer = QString::fromLatin1(nummer);
    return v;
}

// A starter that plays NUVARKom: checks the call and leaves (or not) a par file.
struct Nachgemacht {
    QStringList argumente;
    QString programm;
    bool parVorher = true;
    std::function<void()> tut = [] {};
    bool gestartet = true;
    TStarter Starter() {
        return [this](const QString& p, const QStringList& a) {
            programm = p;
            argumente = a;
            parVorher = QFile::exists(ParDatei());
            if (gestartet) tut();
            return gestartet;
        };
    }
};

} // namespace

TEST(Sequenz, KeysOfReadAndSend) {
    CfgVerzeichnisFuerTest d;
    d.Schreibe("seq9999.seq", "[AutoSeq]\r\nRohdatenPfad=/var/daten\r\n[Messprogramm]\r\nStatNr=7\r\n");
    SchreibeLeseSequenz(SequenzDatei(), Verbindung(2, 3, 3, "0815"));
    const QString seq = d.Pfad("seq9999.seq");
    const std::pair<const char*, const char*> lesen[] = {
        {"Verbindung", "2"}, {"Schnittstelle", "2"}, {"Baudrate", "3"}, {"Rufnummer", "0815"},
        {"Befehl", "LadeParameter"}, {"ExitNUVARKom", "0"}, {"HaltBeiFehler", "1"}, {"ComPort", "3"},
        {"RohdatenPfad", "/var/daten"},  // earlier keys stay
    };
    for (const auto& [k, v] : lesen) EXPECT_EQ(Wert(seq, k), QString::fromLatin1(v)) << k;
    EXPECT_EQ(TIniFile(seq).ReadInteger("Messprogramm", "StatNr", 0), 7);

    // A send after the read: its own keys, and the read's ComPort stays.
    SchreibeSendeSequenz(SequenzDatei(), Verbindung(0, 1, 6));
    const std::pair<const char*, const char*> senden[] = {
        {"Verbindung", "0"}, {"Schnittstelle", "0"}, {"Baudrate", "6"}, {"Rufnummer", ""},
        {"Befehl", "SendeParameter"}, {"ExitNUVARKom", "1"}, {"HaltBeiFehler", "0"}, {"ComPort", "3"},
    };
    for (const auto& [k, v] : senden) EXPECT_EQ(Wert(seq, k), QString::fromLatin1(v)) << k;
}

TEST(Sequenz, OneFileWhateverItsCase) {
    CfgVerzeichnisFuerTest d;
    d.Schreibe("Seq9999.seq", "[AutoSeq]\r\nAlt=1\r\n");
    SchreibeLeseSequenz(SequenzDatei(), Verbindung(0, 1, 3));
    EXPECT_EQ(QDir(d.dir.path()).entryList(QDir::Files), QStringList{"Seq9999.seq"});
    EXPECT_EQ(Wert(d.Pfad("Seq9999.seq"), "Alt"), "1");
    EXPECT_EQ(NUVARKomArgumente(), QStringList{"/auto," + d.Pfad("Seq9999.seq")});
}

TEST(Lesen, LoadsWhatNUVARKomLeft) {
    CfgVerzeichnisFuerTest d;
    d.Schreibe("par9999.dat", "vom letzten Mal");
    const TDATDatei station = Konfig({1, 2}, {Eintrag(0, 1, "t2m"), Eintrag(1, 3, "ld")});
    Nachgemacht n;
    n.tut = [&] { TDATDatei(station).SaveToFile(ParDatei(), true); };
    TDATDatei ziel;
    EXPECT_TRUE(ParameterLesen(ziel, Verbindung(0, 1, 3), QStringLiteral("/opt/NUVARKom"), n.Starter()));
    EXPECT_FALSE(n.parVorher);  // the old file was gone before NUVARKom started
    EXPECT_EQ(n.programm, "/opt/NUVARKom");
    EXPECT_EQ(n.argumente, QStringList{"/auto," + d.Pfad("seq9999.seq")});
    EXPECT_EQ(ziel.ChannelCount(), 2);
    EXPECT_EQ(Roh(ziel.GetChannel(1).encode()), Roh(station.GetChannel(1).encode()));
    EXPECT_EQ(Wert(d.Pfad("seq9999.seq"), "Befehl"), "LadeParameter");
}

TEST(Lesen, FailuresLeaveTheTargetAlone) {
    struct Fall {
        const char* name;
        bool gestartet;
        QByteArray hinterlassen;  // empty: no par file
        bool wirft;
    } faelle[] = {
        {"NUVARKom not started", false, {}, false},
        {"no par file left", true, {}, false},
        {"a par file of unknown format", true, "kaputt", true},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        CfgVerzeichnisFuerTest d;
        Nachgemacht n;
        n.gestartet = f.gestartet;
        n.tut = [&] {
            if (!f.hinterlassen.isEmpty()) d.Schreibe("par9999.dat", f.hinterlassen);
        };
        TDATDatei ziel = Konfig({1}, {Eintrag(0, 1, "alt")});
        const QByteArray vorher = ziel.Abbild(false);
        if (f.wirft)
            EXPECT_THROW(ParameterLesen(ziel, Verbindung(0, 1, 3), "x", n.Starter()), EConvertError);
        else
            EXPECT_FALSE(ParameterLesen(ziel, Verbindung(0, 1, 3), "x", n.Starter()));
        EXPECT_EQ(ziel.Abbild(false), vorher);
    }
    // An old file that cannot be removed must not pass for the result.
    CfgVerzeichnisFuerTest d;
    QDir().mkpath(d.Pfad("par9999.dat/x"));
    Nachgemacht n;
    TDATDatei ziel;
    EXPECT_THROW(ParameterLesen(ziel, Verbindung(0, 1, 3), "x", n.Starter()), EInOutError);
    EXPECT_TRUE(n.argumente.isEmpty());  // not started
}

TEST(Lesen, AnOldFileOfOtherCaseIsRemovedToo) {
    CfgVerzeichnisFuerTest d;
    d.Schreibe("PAR9999.DAT", "alt");
    Nachgemacht n;
    TDATDatei ziel;
    EXPECT_FALSE(ParameterLesen(ziel, Verbindung(0, 1, 3), "x", n.Starter()));
    EXPECT_FALSE(n.parVorher);
}

TEST(Senden, OldLayoutParFileAndTheSequence) {
    CfgVerzeichnisFuerTest d;
    std::vector<TKanalEintrag> siebzig;
    for (int i = 0; i < 70; ++i) siebzig.push_back(Eintrag(i % 96, 1, "t"));
    TDATDatei datei = Konfig(std::vector<std::uint8_t>(96, 1), siebzig);
    Nachgemacht n;
    QByteArray gesehen;
    n.tut = [&] { gesehen = d.Lies("par9999.dat"); };
    EXPECT_TRUE(ParameterSenden(datei, Verbindung(0, 2, 3), "x", n.Starter()));
    // The file existed when NUVARKom started: the first 65 entries, old layout.
    EXPECT_EQ(gesehen.left(3), "Q&Z");
    EXPECT_EQ(gesehen.size(), 142 + 30 * 65);
    EXPECT_EQ(datei.Stationsparameter().Kanalanzahl, 65);
    EXPECT_EQ(datei.ChannelCount(), 70);  // the configuration keeps all
    EXPECT_EQ(Wert(d.Pfad("seq9999.seq"), "Befehl"), "SendeParameter");
    n.gestartet = false;
    EXPECT_FALSE(ParameterSenden(datei, Verbindung(0, 2, 3), "x", n.Starter()));
}

TEST(Prozess, StartsInTheDirectoryAndWaitsWhileEventsRun) {
    App();
    CfgVerzeichnisFuerTest d;
    const QString skript = d.Pfad("nuvarkom.sh");
    d.Schreibe("nuvarkom.sh", "#!/bin/sh\npwd > lauf.txt\nprintf '%s|' \"$@\" >> lauf.txt\nsleep 0.3\necho fertig >> lauf.txt\n");
    QFile::setPermissions(skript, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    int ticks = 0;
    QTimer uhr;
    QObject::connect(&uhr, &QTimer::timeout, [&] { ++ticks; });
    uhr.start(20);
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(ProzessStartenUndWarten(skript, {"/auto,/a b/seq9999.seq"}));
    EXPECT_GE(t.elapsed(), 250);
    EXPECT_GE(ticks, 5);  // the configurator kept handling its events
    // One argument, blanks and all; the working directory is D; it has ended.
    EXPECT_EQ(d.Lies("lauf.txt"), QDir(d.dir.path()).canonicalPath().toUtf8() + "\n/auto,/a b/seq9999.seq|fertig\n");
    EXPECT_FALSE(ProzessStartenUndWarten(d.Pfad("gibt-es-nicht"), {}));
}

TEST(Prozess, ANUVARKomThatFailedIsNoSuccess) {
    App();
    CfgVerzeichnisFuerTest d;
    const struct {
        const char* name;
        const char* skript;
        bool erfolg;
    } faelle[] = {
        {"exit 0", "exit 0", true},
        {"unusable program directory", "echo 'existiert nicht' >&2; exit 78", false},
        {"outcome as exit code", "exit 75", false},
        {"crashed", "kill -SEGV $$", false},
    };
    for (const auto& f : faelle) {
        d.Schreibe("nuvarkom.sh", QByteArray("#!/bin/sh\n") + f.skript + "\n");
        QFile::setPermissions(d.Pfad("nuvarkom.sh"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(ProzessStartenUndWarten(d.Pfad("nuvarkom.sh"), {}), f.erfolg) << f.name;
    }
}

TEST(Pfade, NUVARKomAndItsSettings) {
    App();
    CfgVerzeichnisFuerTest d;
    const QString nebenan = QDir(QCoreApplication::applicationDirPath()).filePath("NUVARKom");
    d.Schreibe("NUVARKom", "#!/bin/sh\n");
    QDir().mkpath(d.Pfad("bin"));
    struct Fall {
        const char* name;
        const char* wert;  // nullptr: no key
        QString soll;
    } faelle[] = {
        {"no key: beside the configurator's own program", nullptr, nebenan},
        {"relative: from D", "bin/NUVARKom", d.Pfad("bin/NUVARKom")},
        {"a Windows default", ".\\NUVARKom.exe", d.Pfad("NUVARKom")},
        {"other case of the name", "nuvarkom.exe", d.Pfad("NUVARKom")},
        {"absolute", "/opt/nuvar/NUVARKom", "/opt/nuvar/NUVARKom"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        QFile::remove(d.Pfad("config.ini"));
        TIniFile config(d.Pfad("config.ini"));
        if (f.wert) config.WriteString("Global", "NUVARKom", QString::fromLatin1(f.wert));
        EXPECT_EQ(NUVARKomPfad(config), f.soll);
    }
    // NUVARKom looks for NUVARWin.ini in $NUVAR_HOME first, else beside itself.
    EXPECT_EQ(NUVARWinIni("/opt/nuvar/NUVARKom"), d.Pfad("NUVARWin.ini"));
    qunsetenv("NUVAR_HOME");
    EXPECT_EQ(NUVARWinIni("/opt/nuvar/NUVARKom"), "/opt/nuvar/NUVARWin.ini");
    qputenv("NUVAR_HOME", d.dir.path().toLocal8Bit());
}

TEST(Pfade, CaseOfFileNamesAndRelativePaths) {
    CfgVerzeichnisFuerTest d;
    d.Schreibe("Config.ini", "[Global]\r\n");
    EXPECT_EQ(CfgDatei("config.ini"), d.Pfad("Config.ini"));
    EXPECT_EQ(CfgDatei("CONFIG.INI"), d.Pfad("Config.ini"));
    EXPECT_EQ(CfgDatei("kanal.ini"), d.Pfad("kanal.ini"));  // none yet: as given

    struct Fall {
        const char* datei;
        const char* basis;
        const char* soll;
    } faelle[] = {
        {"/home/wetter/nuvar/NUVARKom", "/home/wetter/nuvar", "NUVARKom"},
        {"/home/wetter/bin/NUVARKom", "/home/wetter/nuvar", "../bin/NUVARKom"},
        {"/home/wetter/nuvar/sub/sessions.ini", "/home/wetter/nuvar", "sub/sessions.ini"},
        {"/usr/bin/NUVARKom", "/home/wetter/nuvar", "/usr/bin/NUVARKom"},  // nothing shared but the root
    };
    for (const Fall& f : faelle) EXPECT_EQ(RelativZu(f.datei, f.basis), f.soll) << f.datei;
}

// ---------------------------------------------------------------- ports

class Ports : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Geraet(const char* name) {
        const QString p = dir.filePath(name);
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        return p;
    }
    QString Link(const char* name, const QString& ziel) {
        QDir().mkpath(dir.filePath("by-id"));
        const QString p = dir.filePath(QStringLiteral("by-id/") + name);
        QFile::link(ziel, p);
        return p;
    }
    TIniFile Karte(std::initializer_list<std::pair<const char*, QString>> eintraege) {
        QFile::remove(dir.filePath("NUVARWin.ini"));
        TIniFile ini(dir.filePath("NUVARWin.ini"));
        for (const auto& [k, v] : eintraege) ini.WriteString("Schnittstellen", k, v);
        return TIniFile(dir.filePath("NUVARWin.ini"));
    }
    TPortSuche Suche(QStringList geraete) {
        TPortSuche s;
        s.Geraete = [geraete] { return geraete; };
        s.ByIdVerzeichnis = dir.filePath("by-id");
        return s;
    }
    static QStringList Namen(const std::vector<TPortEintrag>& l) {
        QStringList n;
        for (const TPortEintrag& e : l) n << QStringLiteral("COM%1=%2%3").arg(e.Com).arg(QFileInfo(e.Geraet).fileName(), e.Neu ? "*" : "");
        return n;
    }
};

TEST_F(Ports, TheComNamesNUVARKomResolves) {
    const QString a = Geraet("pts-a"), b = Geraet("pts-b"), c = Geraet("pts-c");
    {
        const TIniFile ini = Karte({{"COM1", a}, {"COM3", b}, {"COM10", c}, {"COM2", dir.filePath("weg")}, {"Modem", a},
                                    {"COM300", c}});
        // COM2's device is missing; COM10 stays COM10 and sorts after COM3;
        // COM300 cannot be handed on as an 8-bit port index.
        EXPECT_EQ(Namen(SerielleSchnittstellen(ini, Suche({}))), (QStringList{"COM1=pts-a", "COM3=pts-b", "COM10=pts-c"}));
    }
    {
        // Without a key, COM<n> is /dev/ttyS<n-1>, if that port has hardware;
        // a key for the same number wins.
        const TIniFile ini = Karte({{"COM1", a}});
        EXPECT_EQ(Namen(SerielleSchnittstellen(ini, Suche({"/dev/ttyS0", "/dev/ttyS4"}))),
                  (QStringList{"COM1=pts-a", "COM5=ttyS4"}));
    }
    {
        const TIniFile ini = Karte({{"com4", a}});  // keys compare without case
        const auto l = SerielleSchnittstellen(ini, Suche({}));
        ASSERT_EQ(l.size(), 1u);
        EXPECT_EQ(l[0].Com, 4);
        EXPECT_EQ(l[0].Anzeige(), "COM4  (" + a + ")");
    }
}

TEST_F(Ports, AdaptersWithoutAComNameGetTheNextFreeOne) {
    const QString usb0 = Geraet("ttyUSB0"), usb1 = Geraet("ttyUSB1"), acm = Geraet("ttyACM0"), pts = Geraet("pts");
    const QString ftdi = Link("usb-FTDI_A1-if00-port0", usb0);
    Link("usb-Prolific_B2-if00-port0", usb1);
    // COM1 is taken by a link, COM2 by a missing device (still the user's
    // entry), COM3 by ttyS2; usb1 is mapped already under its kernel name.
    const TIniFile ini = Karte({{"COM1", pts}, {"COM2", dir.filePath("weg")}, {"COM6", usb1}});
    const auto l = SerielleSchnittstellen(ini, Suche({"/dev/ttyS2", usb0, usb1, acm}));
    // The adapter appears once, under its stable name.
    EXPECT_EQ(Namen(l), (QStringList{"COM1=pts", "COM3=ttyS2", "COM4=usb-FTDI_A1-if00-port0*", "COM5=ttyACM0*",
                                    "COM6=ttyUSB1"}));
    EXPECT_TRUE(l[2].Anzeige().endsWith(" - neu"));

    // Chosen: it goes into the port map, and the next list has it as known.
    TIniFile schreib(dir.filePath("NUVARWin.ini"));
    const QString hinweis = TrageEin(schreib, l[2]);
    EXPECT_EQ(schreib.ReadString("Schnittstellen", "COM4", {}), ftdi);
    EXPECT_TRUE(hinweis.contains("COM4")) << hinweis.toStdString();
    const auto danach = SerielleSchnittstellen(TIniFile(dir.filePath("NUVARWin.ini")), Suche({"/dev/ttyS2", usb0, usb1, acm}));
    EXPECT_EQ(Namen(danach), (QStringList{"COM1=pts", "COM3=ttyS2", "COM4=usb-FTDI_A1-if00-port0", "COM5=ttyACM0*",
                                         "COM6=ttyUSB1"}));
}

TEST_F(Ports, NetworkKindListsOnlyThePortMap) {
    const QString a = Geraet("ttyNET0");
    const TIniFile ini = Karte({{"COM7", a}});
    EXPECT_EQ(Namen(NetzSchnittstellen(ini)), QStringList{"COM7=ttyNET0"});
    EXPECT_TRUE(NetzSchnittstellen(Karte({})).empty());
}
