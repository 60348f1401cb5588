// The macros: which line counts, how the sequence file is found and read, the
// mwd file, the dispatch on Befehl, and the reports run against the simulated
// logger on the virtual clock.
#include "kom/fern/Fernmakro.h"

#include "common/Meldungen.h"
#include "kom/protocol/NUVARWnd.h"
#include "kom/protocol/TransferAnsicht.h"
#include "kom/protocol/Treiber.h"
#include "platform/PeerLine.h"
#include "sim/SimLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace nuvar {
namespace {

void SchreibeDatei(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ErmittleMakro, NurDieErsteZeileZaehlt) {
    const QString prog = QStringLiteral("/opt/nuvar/NUVARKom");
    const QString lang = QStringLiteral("/x/") + QString(300, QLatin1Char('a'));
    const struct {
        QStringList zeilen;
        TMakroArt art;
        QString datei;  // sequence file
        QString mwd;
    } faelle[] = {
        {{}, TMakroArt::Nichts, {}, {}},
        {{""}, TMakroArt::Nichts, {}, {}},
        {{"", "Minimieren"}, TMakroArt::Nichts, {}, {}},
        {{"Minimieren"}, TMakroArt::Minimieren, {}, {}},
        {{"Minimieren", "Wiederherstellen"}, TMakroArt::Minimieren, {}, {}},
        {{"minimieren"}, TMakroArt::Nichts, {}, {}},
        {{"Minimieren "}, TMakroArt::Nichts, {}, {}},
        {{"Wiederherstellen"}, TMakroArt::Wiederherstellen, {}, {}},
        {{"WIEDERHERSTELLEN"}, TMakroArt::Nichts, {}, {}},
        {{"Abfrage"}, TMakroArt::Nichts, {}, {}},
        {{"AUTO,/x/s.seq"}, TMakroArt::Sequenz, "/x/s.seq", "/x/mwdat"},
        {{"/auto,/x/seq9999.seq"}, TMakroArt::Sequenz, "/x/seq9999.seq", "/x/mwd9999.dat"},
        {{"-AuTo,/x/a,b.seq"}, TMakroArt::Sequenz, "/x/a,b.seq", "/x/mwd.dat"},  // "a,b.dat" less three
        {{"auto"}, TMakroArt::Sequenz, "/opt/nuvar/NUVARKom.seq", "/opt/nuvar/mwdARKom.dat"},
        {{"Autostart"}, TMakroArt::Sequenz, "/opt/nuvar/NUVARKom.seq", "/opt/nuvar/mwdARKom.dat"},
        {{"auto," + lang}, TMakroArt::Sequenz, lang.left(256), {}},
        {{"auto,/x/s.seq", "Minimieren"}, TMakroArt::Sequenz, "/x/s.seq", "/x/mwdat"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.zeilen.join(QLatin1Char('|')).left(60).toStdString());
        const TMakroAuftrag a = ErmittleMakro(f.zeilen, prog, QStringLiteral("/opt/nuvar"));
        EXPECT_EQ(a.Art, f.art);
        EXPECT_EQ(a.Sequenzdatei, f.datei);
        if (!f.mwd.isEmpty()) {
            EXPECT_EQ(a.Werte.Param.Dateiname, f.mwd);
        }
        // No file is there: everything else stays in its initial state.
        EXPECT_TRUE(a.Werte.Befehl.isEmpty());
        EXPECT_EQ(a.Werte.Param.Baudrate, 0);
        EXPECT_FALSE(a.Werte.Param.HaltBeiFehler);
    }
}

// The one sequence file, read once for a macro and once as a command-line
// sequence: only the documented keys differ.
TEST(LiesMakroSequenz, UnterschiedeZurBefehlszeile) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray inhalt;
        QString htmlDatei;
    } faelle[] = {
        {"HTML Datei given",
         "[AutoSeq]\nVerbindung=2\nBaudrate=1\nSchnittstelle=3\nRufnummer=0301234\nBefehl=LeseHTML\n"
         "RohdatenPfad=/daten\nHaltBeiFehler=0\n"
         "[Messprogramm]\nStatNr=4711\nStatName=Brocken\nMWZeit=10\nKennung=BRO01\n"
         "[SYNOP]\nLaenge=10,62 Ost\nBreite=51,80 Nord\nKennung=10453\nDatei=/w/synop.txt\n"
         "[HTML]\nDatei=/w/vorlage.htm\n"
         "[DigiAusg]\nKanal=2\nAusgabeByte=255\n",
         "/w/vorlage.htm"},
        {"HTML Datei missing", "[AutoSeq]\nBefehl=LeseHTML\n[Messprogramm]\nKennung=BRO01\n[HTML]\nKennung=X\n",
         "synop.txt"},
        {"no HTML section", "[AutoSeq]\nBefehl=LeseHTML\n", "synop.txt"},
        {"HTML Datei empty", "[AutoSeq]\nBefehl=LeseHTML\n[html]\ndatei=\n", ""},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        const QString datei = dir.filePath(QStringLiteral("s.seq"));
        SchreibeDatei(datei, f.inhalt);
        const TSequenz m = LiesMakroSequenz(datei, QStringLiteral("/opt/nuvar"));
        const TSequenz b = LiesSequenz(datei, QStringLiteral("/opt/nuvar"));

        EXPECT_TRUE(m.Param.Kennung.isEmpty());
        EXPECT_EQ(m.DigiKanal, 0);
        EXPECT_EQ(m.DigiByte, 0);
        EXPECT_EQ(m.Html.Datei, f.htmlDatei);

        EXPECT_EQ(m.Befehl, b.Befehl);
        EXPECT_EQ(m.Param.Verbindung, b.Param.Verbindung);
        EXPECT_EQ(m.Param.Baudrate, b.Param.Baudrate);
        EXPECT_EQ(m.Param.Schnittstelle, b.Param.Schnittstelle);
        EXPECT_EQ(m.Param.Rufnummer, b.Param.Rufnummer);
        EXPECT_EQ(m.Param.StatNr, b.Param.StatNr);
        EXPECT_EQ(m.Param.StatName, b.Param.StatName);
        EXPECT_EQ(m.Param.Mittelwertzeit, b.Param.Mittelwertzeit);
        EXPECT_EQ(m.Param.HaltBeiFehler, b.Param.HaltBeiFehler);
        EXPECT_EQ(m.Synop.Laenge, b.Synop.Laenge);
        EXPECT_EQ(m.Synop.Breite, b.Synop.Breite);
        EXPECT_EQ(m.Synop.Kennung, b.Synop.Kennung);
        EXPECT_EQ(m.Synop.Datei, b.Synop.Datei);
        EXPECT_EQ(m.Html.Laenge, b.Html.Laenge);
        EXPECT_EQ(m.Html.Kennung, b.Html.Kennung);
    }
    // The full file: the values really arrive.
    SchreibeDatei(dir.filePath(QStringLiteral("s.seq")), faelle[0].inhalt);
    const TSequenz m = LiesMakroSequenz(dir.filePath(QStringLiteral("s.seq")), QStringLiteral("/opt/nuvar"));
    EXPECT_EQ(m.Param.Verbindung, 2);
    EXPECT_EQ(m.Param.StatNr, 4711);
    EXPECT_EQ(m.Synop.Kennung, QStringLiteral("10453"));
}

TEST(RemoteControlExecuteMacro, FensterHaken) {
    const struct {
        QStringList zeilen;
        int wieder, mini;
    } faelle[] = {
        {{"Wiederherstellen"}, 1, 0},
        {{"Minimieren"}, 0, 1},
        {{"minimieren"}, 0, 0},
        {{"Minimieren", "Wiederherstellen"}, 0, 1},
        {{}, 0, 0},
    };
    for (const auto& f : faelle) {
        int wieder = 0, mini = 0;
        TFernMakros m;
        m.Wiederherstellen = [&] { ++wieder; };
        m.Minimieren = [&] { ++mini; };
        EXPECT_EQ(m.RemoteControlExecuteMacro(f.zeilen), TMakroBericht::Keiner);
        EXPECT_EQ(wieder, f.wieder) << f.zeilen.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(mini, f.mini) << f.zeilen.join(QLatin1Char('|')).toStdString();
    }
    // Without hooks (no main window) the macros do nothing, and do not fail.
    TFernMakros ohne;
    EXPECT_EQ(ohne.RemoteControlExecuteMacro({QStringLiteral("Minimieren")}), TMakroBericht::Keiner);
    EXPECT_EQ(ohne.RemoteControlExecuteMacro({QStringLiteral("Wiederherstellen")}), TMakroBericht::Keiner);
}

// The demonstration station of the simulator, reached through the transfer
// window environment, with the program in a temporary directory.
struct Station {
    VirtualPump pump{0};
    std::unique_ptr<SimLogger> logger;
    TSkriptMeldungen meldungen;
    QTemporaryDir dir;
    TFernMakros makros;

    Station() {
        SimOptions o;
        o.uhrStart = QDateTime(QDate(2026, 3, 1), QTime(8, 3, 0), QTimeZone::utc());
        o.aufzeichnen = false;
        o.loggertyp = "VRX420";
        logger = std::make_unique<SimLogger>(pump, o);
        TFensterUmgebung& u = Umgebung();
        u = TFensterUmgebung{};
        u.pump = &pump;
        u.leitung = [this](const QString&) { return std::make_unique<PeerLine>(pump, *logger); };
        u.ansicht = [] { return std::make_unique<TAufzeichnendeAnsicht>(); };
        u.meldungen = &meldungen;
        u.verzeichnis = dir.path();
        u.uhr = [this] { return logger->Uhr(); };
        makros.ProgrammDatei = Pfad("NUVARKom");
        makros.ProgrammVerzeichnis = dir.path();
    }
    ~Station() {
        TransferWindow().reset();
        Umgebung() = TFensterUmgebung{};
    }
    QString Pfad(const QString& name) const { return dir.filePath(name); }
    // A sequence file for this station; extra lines are added as given.
    void Sequenz(const QString& name, const QByteArray& befehl, const QByteArray& mehr = {}) const {
        const TStationsParameter st = logger->Stationsparameter();
        SchreibeDatei(Pfad(name), "[AutoSeq]\nBefehl=" + befehl + "\n[Messprogramm]\nStatNr=" +
                                      QByteArray::number(st.Stationsnummer) +
                                      "\nMWZeit=" + QByteArray::number(st.Mittelwertintervall) + "\n" + mehr);
    }
    int Befehle() const { return int(logger->EmpfangeneRahmen().size()); }
    QStringList Dateien() const {
        QStringList l = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        l.removeAll(QStringLiteral("NUVARKom.log"));
        l.removeAll(QStringLiteral("NUVARWin.ini"));
        l.removeIf([](const QString& n) { return n.startsWith(QLatin1String("mwd")); });  // see MwdDatei below
        return l;
    }
};

// Each command the table knows makes its report and the mwd file; every other
// one makes nothing, asks the logger nothing and says nothing.
TEST(RemoteControlExecuteMacro, BerichteGegenDenSimulator) {
    const QByteArray vorlage = "<p><!-- DATUM --> <!-- ZEIT -->: <!-- T2M --></p>\n";
    const struct {
        const char* name;
        QByteArray befehl;
        QByteArray mehr;
        TMakroBericht bericht;
        QStringList dateien;  // besides the sequence file and the template
    } faelle[] = {
        {"SYNOP", "LeseSYNOP", "[SYNOP]\nDatei=__/synop.txt\n", TMakroBericht::SYNOP,
         {"dde.lck", "synop.txt"}},
        {"HTML", "LeseHTML", "[HTML]\nDatei=__/wetter.htm\n", TMakroBericht::HTML,
         {"dde.lck", "wetter.html"}},
        {"both", "LeseSYNOP&HTML", "[SYNOP]\nDatei=__/synop.txt\n[HTML]\nDatei=__/wetter.htm\n",
         TMakroBericht::SYNOPundHTML, {"dde.lck", "synop.txt", "wetter.html"}},
        {"command-line only command", "LeseDaten", "", TMakroBericht::Keiner, {}},
        {"LeseMittelwerte is no macro", "LeseMittelwerte", "", TMakroBericht::Keiner, {}},
        {"case matters", "lesesynop", "", TMakroBericht::Keiner, {}},
        {"empty", "", "", TMakroBericht::Keiner, {}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        Station st;
        const QByteArray d = QFile::encodeName(st.dir.path());
        st.Sequenz(QStringLiteral("s.seq"), f.befehl, QByteArray(f.mehr).replace("__", d));
        SchreibeDatei(st.Pfad(QStringLiteral("wetter.htm")), vorlage);
        EXPECT_EQ(st.makros.RemoteControlExecuteMacro({QStringLiteral("AUTO,") + st.Pfad(QStringLiteral("s.seq"))}),
                  f.bericht);
        QStringList erwartet = f.dateien;
        erwartet << QStringLiteral("s.seq") << QStringLiteral("wetter.htm");
        erwartet.sort();
        EXPECT_EQ(st.Dateien(), erwartet) << st.Dateien().join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(st.Befehle() > 0, f.bericht != TMakroBericht::Keiner);
        EXPECT_TRUE(st.meldungen.Texte().isEmpty()) << st.meldungen.Texte().join(QLatin1Char('|')).toStdString();
        if (f.bericht != TMakroBericht::Keiner) {
            EXPECT_EQ(TransferWindow(), nullptr);  // its own link, ended again
        }
        if (f.bericht == TMakroBericht::HTML || f.bericht == TMakroBericht::SYNOPundHTML) {
            const QByteArray seite = Inhalt(st.Pfad(QStringLiteral("wetter.html")));
            EXPECT_EQ(seite, "<p>01.03.26 08:00: 1,4 &deg;C</p>\n");
        }
    }
}

TEST(RemoteControlExecuteMacro, OhneSequenzdateiNebenDemProgrammGeschiehtNichts) {
    Station st;
    EXPECT_EQ(st.makros.RemoteControlExecuteMacro({QStringLiteral("auto")}), TMakroBericht::Keiner);
    EXPECT_EQ(st.Befehle(), 0);
    EXPECT_TRUE(st.Dateien().isEmpty());
    EXPECT_TRUE(st.meldungen.Texte().isEmpty());
    // With one there, "auto" alone reads it.
    st.Sequenz(QStringLiteral("NUVARKom.seq"), "LeseSYNOP",
               "[SYNOP]\nDatei=" + QFile::encodeName(st.Pfad(QStringLiteral("synop.txt"))) + "\n");
    EXPECT_EQ(st.makros.RemoteControlExecuteMacro({QStringLiteral("auto")}), TMakroBericht::SYNOP);
    EXPECT_TRUE(QFileInfo::exists(st.Pfad(QStringLiteral("synop.txt"))));
}

// Without ProgrammDatei the macro looks beside the running program, in the
// program directory the command line uses too.
TEST(RemoteControlExecuteMacro, OhneAngabenDieDateiNebenDemLaufendenProgramm) {
    static int argc = 1;
    static char name[] = "fern_Fernmakro_test";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Station st;
    const QByteArray vorher = qgetenv("NUVAR_HOME");
    qputenv("NUVAR_HOME", st.dir.path().toLocal8Bit());
    const QString programm = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    st.Sequenz(programm + QStringLiteral(".seq"), "LeseSYNOP",
               "[SYNOP]\nDatei=" + QFile::encodeName(st.Pfad(QStringLiteral("synop.txt"))) + "\n");
    TFernMakros m;
    EXPECT_EQ(m.RemoteControlExecuteMacro({QStringLiteral("auto")}), TMakroBericht::SYNOP);
    EXPECT_TRUE(QFileInfo::exists(st.Pfad(QStringLiteral("synop.txt"))));
    qputenv("NUVAR_HOME", vorher);
}

// Without HTML/Datei the page is filled from "synop.txt", the SYNOP report's
// default file, in the current directory, and written beside it.
TEST(RemoteControlExecuteMacro, HtmlOhneDateiNimmtSynopTxt) {
    Station st;
    const QString vorher = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(st.dir.path()));
    SchreibeDatei(st.Pfad(QStringLiteral("synop.txt")), "<b><!-- WR --></b>\n");
    st.Sequenz(QStringLiteral("s.seq"), "LeseHTML");
    const TMakroBericht b = st.makros.RemoteControlExecuteMacro({"auto," + st.Pfad(QStringLiteral("s.seq"))});
    QDir::setCurrent(vorher);
    EXPECT_EQ(b, TMakroBericht::HTML);
    const QByteArray seite = Inhalt(st.Pfad(QStringLiteral("synop.html")));
    EXPECT_TRUE(seite.startsWith("<b>")) << seite.constData();
    EXPECT_FALSE(seite.contains("<!--")) << seite.constData();
}

// A macro's report also writes the mean-value table of its retrieval to the
// mwd file named after the sequence file, each macro its own (sequence
// commands clear the name before they call a report; a macro must not).
TEST(RemoteControlExecuteMacro, MwdDateiJeMakro) {
    for (const QByteArray befehl : {"LeseSYNOP", "LeseHTML", "LeseSYNOP&HTML"}) {
        SCOPED_TRACE(befehl.constData());
        Station st;
        const QByteArray d = QFile::encodeName(st.dir.path());
        const QByteArray dateien = "[SYNOP]\nDatei=" + d + "/synop.txt\n[HTML]\nDatei=" + d + "/wetter.htm\n";
        SchreibeDatei(st.Pfad(QStringLiteral("wetter.htm")), "<!-- T2M -->");
        st.Sequenz(QStringLiteral("seq0001.seq"), befehl, dateien);
        st.Sequenz(QStringLiteral("seq0002.seq"), befehl, dateien);
        st.makros.RemoteControlExecuteMacro({"auto," + st.Pfad(QStringLiteral("seq0001.seq"))});
        st.makros.RemoteControlExecuteMacro({"auto," + st.Pfad(QStringLiteral("seq0002.seq"))});
        const QByteArray eins = Inhalt(st.Pfad(QStringLiteral("mwd0001.dat")));
        EXPECT_TRUE(eins.endsWith("\r\n")) << eins.constData();
        EXPECT_EQ(Inhalt(st.Pfad(QStringLiteral("mwd0002.dat"))), eins);
    }
}

// A macro whose file names another station: the check fails, the report
// writes nothing, and the next macro runs normally.
TEST(RemoteControlExecuteMacro, FehlgeschlagenerBerichtHaeltNichtsAuf) {
    Station st;
    const QByteArray synop = "[SYNOP]\nDatei=" + QFile::encodeName(st.Pfad(QStringLiteral("synop.txt"))) + "\n";
    SchreibeDatei(st.Pfad(QStringLiteral("fremd.seq")),
                  "[AutoSeq]\nBefehl=LeseSYNOP\nHaltBeiFehler=0\n[Messprogramm]\nStatNr=1\n" + synop);
    st.Sequenz(QStringLiteral("s.seq"), "LeseSYNOP", synop);
    EXPECT_EQ(st.makros.RemoteControlExecuteMacro({"auto," + st.Pfad(QStringLiteral("fremd.seq"))}),
              TMakroBericht::SYNOP);
    EXPECT_FALSE(QFileInfo::exists(st.Pfad(QStringLiteral("synop.txt"))));
    EXPECT_EQ(TransferWindow(), nullptr);
    EXPECT_EQ(st.makros.RemoteControlExecuteMacro({"auto," + st.Pfad(QStringLiteral("s.seq"))}),
              TMakroBericht::SYNOP);
    EXPECT_TRUE(QFileInfo::exists(st.Pfad(QStringLiteral("synop.txt"))));
}

// What the client is told after the acknowledgement: carried out, not a
// macro, no such sequence file, or the report's first cause of failure.
TEST(RemoteControlExecuteMacro, AusgangFuerDenKlienten) {
    struct Fall {
        const char* name;
        std::function<QString(Station&)> makro;  // writes what it needs, returns the line
        TMakroAusgang ausgang;
        const char* zeile;  // start of AusgangZeile()
    };
    const Fall faelle[] = {
        {"window macro", [](Station&) { return QStringLiteral("Minimieren"); }, TMakroAusgang::Ok, "OK"},
        {"unknown", [](Station&) { return QStringLiteral("Unsinn"); }, TMakroAusgang::Unbekannt,
         "UNBEKANNT Unbekanntes Makro \"Unsinn\"."},
        {"empty", [](Station&) { return QString(); }, TMakroAusgang::Unbekannt, "UNBEKANNT Leeres Makro."},
        {"missing file", [](Station& st) { return "auto," + st.Pfad(QStringLiteral("fehlt.seq")); },
         TMakroAusgang::Datei, "DATEI Die Sequenzdatei "},
        {"no report",
         [](Station& st) {
             st.Sequenz(QStringLiteral("s.seq"), "LeseDaten");
             return "auto," + st.Pfad(QStringLiteral("s.seq"));
         },
         TMakroAusgang::Unbekannt, "UNBEKANNT Die Sequenzdatei "},
        {"report made",
         [](Station& st) {
             st.Sequenz(QStringLiteral("s.seq"), "LeseSYNOP",
                        "[SYNOP]\nDatei=" + QFile::encodeName(st.Pfad(QStringLiteral("synop.txt"))) + "\n");
             return "auto," + st.Pfad(QStringLiteral("s.seq"));
         },
         TMakroAusgang::Ok, "OK"},
        {"report failed",
         [](Station& st) {
             SchreibeDatei(st.Pfad(QStringLiteral("fremd.seq")),
                           "[AutoSeq]\nBefehl=LeseSYNOP\nHaltBeiFehler=0\n[Messprogramm]\nStatNr=1\n[SYNOP]\nDatei=" +
                               QFile::encodeName(st.Pfad(QStringLiteral("synop.txt"))) + "\n");
             return "auto," + st.Pfad(QStringLiteral("fremd.seq"));
         },
         TMakroAusgang::Fehler, "FEHLER Die Stationsnummer des ausgewählten Messprogramms"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Station st;
        const QString zeile = f.makro(st);
        st.makros.RemoteControlExecuteMacro(zeile.isEmpty() ? QStringList{} : QStringList{zeile});
        EXPECT_EQ(st.makros.Ausgang, f.ausgang);
        const QByteArray a = st.makros.AusgangZeile();
        EXPECT_TRUE(a.startsWith(f.zeile)) << a.constData();
        EXPECT_FALSE(a.contains('\n')) << a.constData();
        EXPECT_EQ(TransferWindow(), nullptr);
    }
}

} // namespace
} // namespace nuvar
