// The sequence commands against the simulated logger on the virtual clock:
// the files each one leaves on success and on failure, the numbered copy
// and its question, and the configurations SendeParameter refuses to send.
#include "kom/app/Befehle.h"

#include "common/Ini.h"
#include "kom/protocol/Treiber.h"
#include "platform/PeerLine.h"
#include "sim/SimLogger.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cstring>
#include <gtest/gtest.h>

using namespace nuvar;

namespace {

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Schreibe(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

template <std::size_t N>
QByteArray Roh(const std::array<std::uint8_t, N>& a) {
    return QByteArray(reinterpret_cast<const char*>(a.data()), qsizetype(N));
}

// The demonstration station (ten channels) at 08:03 on 1 March 2026, and a
// sequence file in the test directory.
struct Lauf {
    VirtualPump pump{0};
    std::unique_ptr<SimLogger> logger;
    TSkriptMeldungen meldungen;
    QTemporaryDir dir;
    TSequenz seq;
    QString seqPfad;
    QStringList zeilen;  // status lines of every window

    struct Ansicht : TAufzeichnendeAnsicht {
        QStringList* ziel = nullptr;
        void StatusZeile(const QString& t) override { ziel->append(t); }
    };

    explicit Lauf(SimOptions o = {}) {
        o.uhrStart = QDateTime(QDate(2026, 3, 1), QTime(8, 3, 0), QTimeZone::utc());
        o.aufzeichnen = false;
        logger = std::make_unique<SimLogger>(pump, o);
        TFensterUmgebung& u = Umgebung();
        u = TFensterUmgebung{};
        u.pump = &pump;
        u.leitung = [this](const QString&) { return std::make_unique<PeerLine>(pump, *logger); };
        u.ansicht = [this] {
            auto a = std::make_unique<Ansicht>();
            a->ziel = &zeilen;
            return a;
        };
        u.meldungen = &meldungen;
        u.verzeichnis = dir.path();
        u.uhr = [this] { return logger->Uhr(); };
        const TStationsParameter st = logger->Stationsparameter();
        seq.Param.StatNr = st.Stationsnummer;
        seq.Param.Mittelwertzeit = st.Mittelwertintervall;
        seq.Param.StatName = QStringLiteral("Demostation");
        seq.Param.Baudrate = 3;
        seq.Param.HaltBeiFehler = false;
        seq.RohdatenPfad = dir.filePath("Daten");
        seqPfad = dir.filePath("seq9999.seq");
    }
    ~Lauf() {
        TransferWindow().reset();
        Umgebung() = TFensterUmgebung{};
    }
    QString Pfad(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    bool Ausfuehren(const char* befehl) { return Ergebnis(befehl).Beenden; }
    TSequenzErgebnis Ergebnis(const char* befehl) {
        return FuehreSequenzbefehlAus(QString::fromUtf8(befehl), seq, seqPfad);
    }
    QStringList Befehle() const {
        QStringList l;
        for (const QByteArray& b : logger->EmpfangeneRahmen()) l << QString::fromLatin1(b);
        return l;
    }
    int Anzahl(const char* befehl) const { return int(Befehle().count(QString::fromLatin1(befehl))); }
    // The old-layout par file of what the logger holds now.
    QByteArray ErwarteteParameterdatei() const {
        const TStationsParameter st = logger->Stationsparameter();
        QByteArray b = "Q&Z" + Roh(st.encodeStationsrecord()) + logger->Station().hardware;
        for (const TKanalEintrag& e : logger->Kanaele()) b += Roh(e.encode());
        return b;
    }
};

} // namespace

TEST(LadeParameter, WritesTheOldLayoutOfWhatTheLoggerHolds) {
    Lauf l;
    Schreibe(l.Pfad("par9999.dat"), "alter Inhalt");
    EXPECT_TRUE(l.Ausfuehren("LadeParameter"));
    const QByteArray par = Inhalt(l.Pfad("par9999.dat"));
    EXPECT_EQ(par.size(), 3 + 43 + 96 + 30 * 10);
    EXPECT_EQ(par, l.ErwarteteParameterdatei());
    EXPECT_EQ(l.Befehle(), (QStringList{"STOPMO", "GETPAR"}));
    EXPECT_EQ(TransferWindow(), nullptr);
    // The file loads back as the logger's configuration.
    TDATDatei d;
    d.LoadFromFile(l.Pfad("par9999.dat"));
    EXPECT_EQ(d.ChannelCount(), 10);
    EXPECT_EQ(d.Stationsparameter().Stationsnummer, l.logger->Stationsparameter().Stationsnummer);
}

TEST(LadeParameter, FailureDeletesAnEarlierFile) {
    SimOptions o;
    o.fehler = {{SimFehler::Art::Schweigen, "", 1000}};
    Lauf l(o);
    Schreibe(l.Pfad("par9999.dat"), "aus einem frueheren Lauf");
    EXPECT_TRUE(l.Ausfuehren("LadeParameter"));
    EXPECT_FALSE(QFile::exists(l.Pfad("par9999.dat")));
    EXPECT_EQ(TransferWindow(), nullptr);
}

TEST(LeseDaten, NumberedCopyAndTheQuestion) {
    struct Fall {
        const char* name;
        bool ja;
    };
    for (const Fall f : {Fall{"No keeps the memory", false}, Fall{"Yes clears it on the same link", true}}) {
        Lauf l;
        l.meldungen.antworten = {f.ja};
        const int saetze = l.logger->Datensaetze();
        ASSERT_GT(saetze, 0);
        EXPECT_TRUE(l.Ausfuehren("LeseDaten"));
        const QByteArray dat = Inhalt(l.Pfad("dat9999.dat"));
        ASSERT_FALSE(dat.isEmpty()) << f.name;
        // The raw data file starts with the station's header in the par layout.
        EXPECT_TRUE(dat.startsWith(l.ErwarteteParameterdatei().left(3 + 19))) << f.name;
        const QString kopie = QDir(l.seq.RohdatenPfad)
                                  .filePath(QString::asprintf("Daten000.%03d", int(l.seq.Param.StatNr)));
        EXPECT_EQ(Inhalt(kopie), dat) << f.name;  // the directory is made when missing
        ASSERT_EQ(l.meldungen.gezeigt.size(), 1u) << f.name;
        EXPECT_EQ(l.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Frage);
        EXPECT_EQ(l.meldungen.gezeigt[0].text, QString::fromUtf8(kSpeicherLoeschen));
        EXPECT_EQ(l.Anzahl("MCDEL "), f.ja ? 1 : 0) << f.name;
        EXPECT_EQ(l.logger->Datensaetze(), f.ja ? 0 : saetze) << f.name;
        EXPECT_EQ(l.Anzahl("STOPMO"), 1) << f.name;  // one wake-up for readout and clearing
        EXPECT_EQ(TransferWindow(), nullptr);
    }
}

TEST(LeseDaten, FailureDeletesTheDatFileAndAsksNothing) {
    SimOptions o;
    o.gemeldeteStationsnummer = 999;
    Lauf l(o);
    Schreibe(l.Pfad("dat9999.dat"), "alt");
    EXPECT_TRUE(l.Ausfuehren("LeseDaten"));
    EXPECT_FALSE(QFile::exists(l.Pfad("dat9999.dat")));
    EXPECT_FALSE(QDir(l.seq.RohdatenPfad).exists());
    for (const auto& m : l.meldungen.gezeigt) EXPECT_NE(m.art, TSkriptMeldungen::Art::Frage);
    EXPECT_EQ(l.Anzahl("READMC"), 0);
}

TEST(LeseDaten, CopyThatCannotBeWrittenIsReportedAndTheMemoryNotOffered) {
    Lauf l;
    Schreibe(l.Pfad("keinVerzeichnis"), "eine Datei, kein Verzeichnis");
    l.seq.RohdatenPfad = l.Pfad("keinVerzeichnis");
    l.meldungen.antworten = {true};
    EXPECT_TRUE(l.Ausfuehren("LeseDaten"));
    EXPECT_TRUE(QFile::exists(l.Pfad("dat9999.dat")));  // the data are not lost
    ASSERT_EQ(l.meldungen.gezeigt.size(), 1u);
    EXPECT_EQ(l.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Fehler);
    EXPECT_TRUE(l.meldungen.gezeigt[0].text.contains(QStringLiteral("kann nicht geschrieben werden")));
    EXPECT_EQ(l.Anzahl("MCDEL "), 0);
}

TEST(LeseDaten, NumberedNames) {
    QTemporaryDir dir;
    const QString d = dir.path();
    EXPECT_EQ(NummerierteDatendatei(d, 12), d + "/Daten000.012");
    for (int n = 0; n <= 4; ++n) Schreibe(d + QString::asprintf("/Daten%03d.007", n), "x");
    EXPECT_EQ(NummerierteDatendatei(d, 7), d + "/Daten005.007");
    EXPECT_EQ(NummerierteDatendatei(d, 8), d + "/Daten000.008");  // other stations do not count
    EXPECT_EQ(NummerierteDatendatei(d + "/", 7), d + "/Daten005.007");
    EXPECT_EQ(NummerierteDatendatei(d, 1234), d + "/Daten000.1234");
    for (int n = 0; n <= 999; ++n) Schreibe(d + QString::asprintf("/Daten%03d.003", n), "x");
    EXPECT_EQ(NummerierteDatendatei(d, 3), QString());  // all taken: none, an earlier download stays
}

// With Daten000 to Daten999 taken, the readout keeps its dat file, names the
// reason, replaces no earlier copy and does not offer to clear the memory.
TEST(LeseDaten, NoFreeNumberKeepsEveryFile) {
    Lauf l;
    l.meldungen.antworten = {true};
    QDir().mkpath(l.seq.RohdatenPfad);
    const QString endung = QString::asprintf(".%03d", int(l.seq.Param.StatNr));
    for (int n = 0; n <= 999; ++n)
        Schreibe(QDir(l.seq.RohdatenPfad).filePath(QString::asprintf("Daten%03d", n) + endung), "frueher");
    const TSequenzErgebnis e = l.Ergebnis("LeseDaten");
    EXPECT_FALSE(Inhalt(l.Pfad("dat9999.dat")).isEmpty());
    EXPECT_EQ(Inhalt(QDir(l.seq.RohdatenPfad).filePath("Daten999" + endung)), "frueher");
    ASSERT_EQ(l.meldungen.gezeigt.size(), 1u);
    EXPECT_EQ(l.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Fehler);
    EXPECT_TRUE(l.meldungen.gezeigt[0].text.contains(QStringLiteral("keine Nummer mehr frei")))
        << l.meldungen.gezeigt[0].text.toStdString();
    EXPECT_EQ(l.Anzahl("MCDEL "), 0);
    EXPECT_EQ(e.Exitcode, kExitDatei);
    EXPECT_EQ(e.Grund, l.meldungen.gezeigt[0].text);
}

TEST(SendeParameter, SendsTheParFileEntriesInOrder) {
    Lauf l;
    TDATDatei d;
    d.Stationsparameter() = l.logger->Stationsparameter();
    d.Hardwareliste() = THardwareListeNeu(96, 0);
    const std::vector<TKanalEintrag> vorher = l.logger->Kanaele();
    for (int i : {4, 1, 7}) d.AddChannel(vorher[std::size_t(i)]);
    d.SaveToFile(l.Pfad("par9999.dat"), true);

    EXPECT_TRUE(l.Ausfuehren("SendeParameter"));
    EXPECT_EQ(l.Befehle().mid(1, 1), QStringList{"SETSTA"});
    EXPECT_EQ(l.Anzahl("SETCCT"), 1);
    EXPECT_EQ(l.Anzahl("SETTIM"), 1);
    const std::vector<TKanalEintrag> nachher = l.logger->Kanaele();
    ASSERT_EQ(nachher.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(nachher[std::size_t(i)].Sensorcode, d.GetChannel(i).Sensorcode) << i;
        EXPECT_EQ(Roh(nachher[std::size_t(i)].encode()), Roh(d.GetChannel(i).encode())) << i;
    }
    EXPECT_TRUE(l.meldungen.gezeigt.empty());
}

TEST(SendeParameter, RefusesWhatWouldSendAnEmptyOrCutConfiguration) {
    struct Fall {
        const char* name;
        std::function<void(const QString& par, const Lauf& l)> anlegen;
        const char* grund;
    };
    const Fall faelle[] = {
        {"missing", [](const QString&, const Lauf&) {}, "nicht vorhanden"},
        {"unknown format", [](const QString& p, const Lauf&) { Schreibe(p, "XYZ kein Parameterformat"); },
         "kann nicht gelesen werden"},
        {"empty file", [](const QString& p, const Lauf&) { Schreibe(p, ""); }, "kann nicht gelesen werden"},
        {"65 entries",
         [](const QString& p, const Lauf& l) {
             TDATDatei d;
             d.Stationsparameter() = l.logger->Stationsparameter();
             for (int i = 0; i < 65; ++i) d.AddChannel(l.logger->Kanaele()[std::size_t(i % 10)]);
             d.SaveToFile(p, true);
         },
         "65 Kanäle"},
        {"old layout cut at 412 of 442 bytes",
         [](const QString& p, const Lauf& l) {
             TDATDatei d;
             d.Stationsparameter() = l.logger->Stationsparameter();
             for (const TKanalEintrag& e : l.logger->Kanaele()) d.AddChannel(e);
             d.SaveToFile(p, true);
             QFile f(p);
             ASSERT_EQ(f.size(), 442);
             ASSERT_TRUE(f.resize(412));
         },
         "unvollständig: sie ist 412 Bytes lang, ihre Einträge reichen bis Byte 442"},
        {"new layout without its last entry",
         [](const QString& p, const Lauf& l) {
             TDATDatei d;
             d.Stationsparameter() = l.logger->Stationsparameter();
             d.Hardwareliste() = THardwareListeNeu(96, 1);
             for (const TKanalEintrag& e : l.logger->Kanaele()) d.AddChannel(e);
             d.SaveToFile(p, false);
             QFile f(p);
             ASSERT_TRUE(f.resize(f.size() - 30));
         },
         "unvollständig"},
    };
    for (const Fall& f : faelle) {
        Lauf l;
        f.anlegen(l.Pfad("par9999.dat"), l);
        const std::vector<TKanalEintrag> vorher = l.logger->Kanaele();
        EXPECT_TRUE(l.Ausfuehren("SendeParameter")) << f.name;
        EXPECT_TRUE(l.Befehle().isEmpty()) << f.name << ": " << l.Befehle().join(',').toStdString();
        EXPECT_EQ(l.logger->Kanaele().size(), vorher.size()) << f.name;
        ASSERT_EQ(l.meldungen.gezeigt.size(), 1u) << f.name;
        EXPECT_EQ(l.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Fehler) << f.name;
        EXPECT_TRUE(l.meldungen.gezeigt[0].text.contains(QString::fromUtf8(f.grund)))
            << f.name << ": " << l.meldungen.gezeigt[0].text.toStdString();
        // The same reason as a status line.
        ASSERT_FALSE(l.zeilen.isEmpty()) << f.name;
        EXPECT_TRUE(l.zeilen.last().contains(QString::fromUtf8(f.grund))) << f.name;
        EXPECT_EQ(TransferWindow(), nullptr);
        EXPECT_EQ(l.Ergebnis("SendeParameter").Exitcode, kExitDatei) << f.name;
    }
}

// The channel table goes out as the file lists it: a file saved in the new
// layout keeps the station block's count of an older configuration, and an
// empty table clears the logger's.
TEST(SendeParameter, SendsTheLoadedChannelListWhateverTheStoredCount) {
    struct Fall {
        const char* name;
        int kanaele;
        bool alteForm;
        std::int16_t gespeicherteAnzahl;
    };
    for (const Fall f : {Fall{"new layout, count of an older save", 10, false, 4},
                         Fall{"old layout", 10, true, 10}, Fall{"no channels", 0, true, 0},
                         Fall{"no channels, new layout with a stale count", 0, false, 6}}) {
        Lauf l;
        TDATDatei d;
        d.Stationsparameter() = l.logger->Stationsparameter();
        d.Hardwareliste() = THardwareListeNeu(96, 0);
        const std::vector<TKanalEintrag> vorher = l.logger->Kanaele();
        ASSERT_EQ(vorher.size(), 10u);
        for (int i = 0; i < f.kanaele; ++i) d.AddChannel(vorher[std::size_t(9 - i)]);
        d.Stationsparameter().Kanalanzahl = f.gespeicherteAnzahl;
        d.SaveToFile(l.Pfad("par9999.dat"), f.alteForm);

        const TSequenzErgebnis e = l.Ergebnis("SendeParameter");
        EXPECT_EQ(e.Exitcode, kExitErfolg) << f.name << ": " << e.Grund.toStdString();
        EXPECT_EQ(l.Anzahl("SETCCT"), 1) << f.name;
        const std::vector<TKanalEintrag> nachher = l.logger->Kanaele();
        ASSERT_EQ(int(nachher.size()), f.kanaele) << f.name;
        for (int i = 0; i < f.kanaele; ++i)
            EXPECT_EQ(Roh(nachher[std::size_t(i)].encode()), Roh(d.GetChannel(i).encode())) << f.name << " " << i;
        EXPECT_EQ(l.zeilen.join('|').contains(QStringLiteral("wird leer gesendet")), f.kanaele == 0) << f.name;
        EXPECT_TRUE(l.meldungen.gezeigt.empty()) << f.name;
    }
}

// What a failed command reports: the kind of failure as the opt-in exit
// code, and the cause in one line. A write counts only when the logger
// confirmed it.
TEST(Sequenzbefehle, OutcomeNamesTheFirstFailure) {
    struct Fall {
        const char* name;
        std::function<void(SimOptions&)> logger;
        const char* befehl;
        bool ja;  // the answer to the question after a readout
        int exitcode;
        const char* grund;  // part of the cause
    };
    const Fall faelle[] = {
        {"complete read", [](SimOptions&) {}, "LeseDaten", false, kExitErfolg, ""},
        {"silent logger",
         [](SimOptions& o) { o.fehler = {{SimFehler::Art::Schweigen, "", 1000}}; },
         "LadeParameter", false, kExitVerbindung, "Aufweckbefehl"},
        {"another station", [](SimOptions& o) { o.gemeldeteStationsnummer = 999; }, "LeseDaten", false,
         kExitStation, "Stationsnummer"},
        {"checksum errors that stay",
         [](SimOptions& o) { o.fehler = {{SimFehler::Art::Pruefsumme, "READMC", 1000}}; }, "LeseDaten", false,
         kExitUnvollstaendig, "Prüfsummenfehler"},
        {"fewer records than announced", [](SimOptions& o) { o.mehrGemeldet = 5; }, "LeseDaten", false,
         kExitUnvollstaendig, "gemeldeten Datensätzen empfangen"},
        {"no memory card", [](SimOptions& o) { o.speicherkarte = false; }, "LeseDaten", true,
         kExitNichtBestaetigt, "Memory Card fehlt!"},
        {"clock not taken",
         [](SimOptions& o) { o.fehler = {{SimFehler::Art::Schweigen, "SETTIM", 1000}}; }, "SendeParameter", false,
         kExitNichtBestaetigt, "SETTIM"},
        {"nothing sent", [](SimOptions&) {}, "SendeZeit", false, kExitNichtUnterstuetzt, "SendeZeit"},
        {"unknown command", [](SimOptions&) {}, "Unbekannt", false, kExitNichtUnterstuetzt, "Unbekannt"},
    };
    for (const Fall& f : faelle) {
        SimOptions o;
        f.logger(o);
        Lauf l(o);
        l.meldungen.antworten = {f.ja};
        if (QLatin1String(f.befehl) == QLatin1String("SendeParameter")) {
            TDATDatei d;
            d.Stationsparameter() = l.logger->Stationsparameter();
            for (const TKanalEintrag& e : l.logger->Kanaele()) d.AddChannel(e);
            d.SaveToFile(l.Pfad("par9999.dat"), true);
        }
        const TSequenzErgebnis e = l.Ergebnis(f.befehl);
        EXPECT_TRUE(e.Beenden) << f.name;
        EXPECT_EQ(e.Exitcode, f.exitcode) << f.name << ": " << e.Grund.toStdString();
        EXPECT_TRUE(e.Grund.contains(QString::fromUtf8(f.grund))) << f.name << ": " << e.Grund.toStdString();
        EXPECT_FALSE(e.Grund.contains(QLatin1Char('\n'))) << f.name;
        EXPECT_EQ(e.Grund.isEmpty(), f.exitcode == kExitErfolg) << f.name;
    }
}

TEST(Sequenzbefehle, TheSmallerCommands) {
    {
        Lauf l;
        l.seq.DigiKanal = 2;
        l.seq.DigiByte = 0xA5;
        EXPECT_TRUE(l.Ausfuehren("SendeDigitalAusgabe"));
        EXPECT_EQ(l.logger->Ausgaenge().value(2, -1), 0xA5);
        EXPECT_TRUE(l.meldungen.gezeigt.empty());
    }
    {
        Lauf l;
        EXPECT_TRUE(l.Ausfuehren("LeseZeit"));
        EXPECT_EQ(l.Befehle(), (QStringList{"STOPMO", "GETTIM"}));
        EXPECT_EQ(QDir(l.dir.path()).entryList(QDir::Files), QStringList{});
    }
    // Boxes without any logger traffic. Befehl is compared case-sensitively.
    const struct {
        const char* befehl;
        const char* text;
    } boxen[] = {
        {"SendeZeit", "SendeZeit"},
        {"Momentanwerte", kNichtUnterstuetzt},  // without a main window to run it on
        {"ladeparameter", kNichtUnterstuetzt},
        {"Unbekannt", kNichtUnterstuetzt},
    };
    for (const auto& b : boxen) {
        Lauf l;
        EXPECT_TRUE(l.Ausfuehren(b.befehl)) << b.befehl;
        EXPECT_TRUE(l.Befehle().isEmpty()) << b.befehl;
        ASSERT_EQ(l.meldungen.gezeigt.size(), 1u) << b.befehl;
        EXPECT_EQ(l.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Information) << b.befehl;
        EXPECT_EQ(l.meldungen.gezeigt[0].text, QString::fromUtf8(b.text)) << b.befehl;
        EXPECT_FALSE(QFile::exists(l.Pfad("par9999.dat")));
    }
}

TEST(Sequenzbefehle, ReportCommandsWriteTheirFiles) {
    {
        Lauf l;
        l.seq.Synop = SynopVorgaben();
        l.seq.Synop.Datei = l.Pfad("synop.txt");
        l.seq.Param.Dateiname = l.Pfad("nicht.benutzt");
        EXPECT_TRUE(l.Ausfuehren("LeseSYNOP"));
        EXPECT_TRUE(Inhalt(l.seq.Synop.Datei).startsWith("SXSX QZ000 "));
        EXPECT_FALSE(QFile::exists(l.Pfad("mwd9999.dat")));
        EXPECT_FALSE(QFile::exists(l.Pfad("nicht.benutzt")));
    }
    for (const char* befehl : {"LeseHTML", "LeseSYNOP&HTML"}) {
        Lauf l;
        const bool beide = std::strcmp(befehl, "LeseHTML") != 0;
        l.seq.Synop = SynopVorgaben();
        l.seq.Synop.Datei = l.Pfad("synop.txt");
        l.seq.Html = SynopVorgaben();
        l.seq.Html.Datei = l.Pfad("wetter.htm");
        Schreibe(l.seq.Html.Datei, "<p><!-- T2M --></p>\n");
        EXPECT_TRUE(l.Ausfuehren(befehl));
        const QByteArray seite = Inhalt(l.Pfad("wetter.html"));
        EXPECT_TRUE(seite.startsWith("<p>") && !seite.contains("<!--")) << befehl << ": " << seite.constData();
        EXPECT_EQ(QFile::exists(l.seq.Synop.Datei), beide) << befehl;
        EXPECT_EQ(l.Anzahl("STOPMO"), 1) << befehl;  // one retrieval for both
    }
    {
        Lauf l;
        EXPECT_TRUE(l.Ausfuehren("LeseMittelwerte"));
        EXPECT_FALSE(Inhalt(l.Pfad("mwd9999.dat")).isEmpty());
    }
    {
        SimOptions o;
        o.gemeldetesIntervall = 99;
        Lauf l(o);
        Schreibe(l.Pfad("mwd9999.dat"), "von gestern");
        EXPECT_TRUE(l.Ausfuehren("LeseMittelwerte"));
        EXPECT_FALSE(QFile::exists(l.Pfad("mwd9999.dat")));  // no stale table
    }
}
