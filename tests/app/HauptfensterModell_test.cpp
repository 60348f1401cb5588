// The main window's logic against the simulated logger on the virtual clock:
// every row of the connection state table, the edge cases of the commands,
// the programme selection and the files the window names. The window's
// dialogs and child windows are the hooks; the tests answer them.
#include "kom/app/HauptfensterModell.h"

#include "tests/app/SimStand.h"

#include "common/Ini.h"
#include "kom/app/Befehle.h"
#include "kom/protocol/Treiber.h"
#include "platform/PeerLine.h"
#include "sim/SimLogger.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <optional>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

void Schreibe(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

// The simulated demonstration station and a sessions.ini whose P1 is that
// station; P2 names another station number (its station check fails); P3
// has a channel list that cannot be read.
struct Stand : test::SimStand {
    std::unique_ptr<THauptfensterModell> m;

    // What the hooks saw and answer.
    std::vector<QString> auswahl;  // keys chosen in turn; an empty one cancels
    QStringList voreinstellungen;  // the preselection of each dialog
    struct Stationsfenster {
        QString bezeichnung;
        TStationsParameter station;
        int kanaele;
    };
    std::vector<Stationsfenster> stationsfenster;
    QStringList kinder;  // captions of the open child windows
    std::vector<TMomentanAufzeichnung> momentanfenster;
    std::optional<TZeitStellung> zeitAntwort;  // none: the set-time dialog is cancelled
    std::vector<double> abweichungen;
    int minimiert = 0;
    bool makroLaeuft = false;
    std::vector<bool> verbundenVerlauf;  // the connected flag at each redraw
    bool jeVerbunden = false;

    explicit Stand(SimOptions o = {}) : SimStand(o) {
        const TStationsParameter st = logger->Stationsparameter();
        Sitzungen("P1", "[P2]\r\nBezeichnung=Fremd\r\nStatNr=999\r\nStatName=Fremdstation\r\nMittelwertzeit=" +
                            QByteArray::number(st.Mittelwertintervall) +
                            "\r\n"
                            "[P3]\r\nBezeichnung=Kaputt\r\nStatName=Kaputt\r\nMW1=T,C\r\n");
        m = std::make_unique<THauptfensterModell>(dir.path());
        auto& s = m->Sicht;
        s.Aktualisiert = [this] {
            verbundenVerlauf.push_back(m->Verbunden);
            jeVerbunden = jeVerbunden || m->Verbunden;
        };
        s.Programmauswahl = [this](QString& kennung) {
            voreinstellungen << kennung;
            if (auswahl.empty()) return false;
            const QString k = auswahl.front();
            auswahl.erase(auswahl.begin());
            if (k.isEmpty()) return false;
            kennung = k;
            return true;
        };
        s.Stationsparameter = [this](const QString& b, const TStationsParameter& st, const TKanalTabelle&) {
            stationsfenster.push_back({b, st, st.Kanalanzahl});
        };
        s.ZeitStellen = [this](double abweichung, TZeitStellung& z) {
            abweichungen.push_back(abweichung);
            if (!zeitAntwort) return false;
            z = *zeitAntwort;
            return true;
        };
        s.Kindfenster = [this] { return kinder; };
        s.Momentanfenster = [this](const QString& titel, const TMomentanAufzeichnung& a, const TStationsParameter&,
                                   const TKanalTabelle&) {
            kinder << titel;
            momentanfenster.push_back(a);
        };
        s.Minimieren = [this] { ++minimiert; };
        s.MakroLaeuft = [this] { return makroLaeuft; };
    }
    ~Stand() { m.reset(); }

    void Vergiss() {
        verbundenVerlauf.clear();
        meldungen.gezeigt.clear();
        voreinstellungen.clear();
        VergissBefehle();
    }

    // The states of the table, reached the way a person reaches them.
    void Verbinde() {
        auswahl = {QStringLiteral("P1")};
        m->Aufbauen();
        ASSERT_TRUE(m->Verbunden);
    }
    void MomentanAufOffenerVerbindung() {
        Verbinde();
        m->MomentanwerteUmschalten();
        ASSERT_TRUE(m->MomentanAktiv);
    }
    void MomentanDurchBefehl() {
        auswahl = {QStringLiteral("P1")};
        m->MomentanwerteUmschalten();
        ASSERT_TRUE(m->MomentanAktiv);
    }
};

enum class Z { Getrennt, Verbunden, MomentanOffen, MomentanBefehl };

const char* Name(Z z) {
    switch (z) {
    case Z::Getrennt: return "disconnected";
    case Z::Verbunden: return "connected";
    case Z::MomentanOffen: return "instantaneous, started on the open link";
    case Z::MomentanBefehl: return "instantaneous, started by the command";
    }
    return "?";
}

// The state the model is in, with everything that must agree with it.
Z Zustand(const Stand& s) {
    const THauptfensterModell& m = *s.m;
    const bool momentan = m.MomentanAktiv;
    EXPECT_EQ(TransferWindow() != nullptr, m.Verbunden);
    EXPECT_EQ(m.Panel2, m.Verbunden ? QStringLiteral(" Verbunden mit ") + m.Param.StatName : QString());
    EXPECT_EQ(m.AufbauenAktiv, !m.Verbunden);
    EXPECT_EQ(m.TrennenKnopfAktiv, m.Verbunden);
    // The menu item starts enabled and follows the state from the first
    // connect or disconnect on.
    EXPECT_EQ(m.TrennenMenuAktiv, m.Verbunden || !s.jeVerbunden);
    EXPECT_EQ(m.MomentanGedrueckt, momentan);
    EXPECT_EQ(m.Panel1, momentan ? QStringLiteral("Momentanwertmodus") : QString());
    EXPECT_EQ(s.logger->Momentanbetrieb(), momentan);
    if (!m.Verbunden) return Z::Getrennt;
    if (!momentan) return Z::Verbunden;
    return m.MomentanAufOffenerVerbindung ? Z::MomentanOffen : Z::MomentanBefehl;
}

void Herstellen(Stand& s, Z z) {
    switch (z) {
    case Z::Getrennt: break;
    case Z::Verbunden: s.Verbinde(); break;
    case Z::MomentanOffen: s.MomentanAufOffenerVerbindung(); break;
    case Z::MomentanBefehl: s.MomentanDurchBefehl(); break;
    }
    s.Vergiss();
}

TEST(HauptfensterModell, TransitionTable) {
    struct Zeile {
        Z von;
        const char* ereignis;
        std::function<void(Stand&)> tue;
        Z nach;
        bool zwischendurchVerbunden;  // connected for the duration of the command
        QStringList befehle;          // logger commands of the event
    };
    const auto aufbauen = [](Stand& s) {
        s.auswahl = {QStringLiteral("P1")};
        s.m->Aufbauen();
    };
    const auto loeschen = [](Stand& s) {
        s.meldungen.antworten = {true};
        s.auswahl = {QStringLiteral("P1")};
        s.m->DatenspeicherLoeschen();
    };
    const auto stationsparameter = [](Stand& s) {
        s.auswahl = {QStringLiteral("P1")};
        s.m->StationsparameterAnzeigen();
        ASSERT_EQ(s.stationsfenster.size(), 1u);
    };
    const auto momentan = [](Stand& s) {
        s.auswahl = {QStringLiteral("P1")};
        s.m->MomentanwerteUmschalten();
    };
    const auto trennen = [](Stand& s) {
        s.meldungen.antworten = {true};
        s.m->Trennen();
    };
    const Zeile tabelle[] = {
        {Z::Getrennt, "Aufbauen succeeds", aufbauen, Z::Verbunden, true, {"STOPMO"}},
        {Z::Getrennt, "clear memory", loeschen, Z::Getrennt, true, {"STOPMO", "MCDEL "}},
        {Z::Getrennt, "show station parameters", stationsparameter, Z::Getrennt, true, {"STOPMO", "GETPAR"}},
        {Z::Getrennt, "instantaneous on, all steps succeed", momentan, Z::MomentanBefehl, true,
         {"STOPMO", "GETSTA", "GETPAR", "READMO"}},
        {Z::Verbunden, "instantaneous on succeeds", momentan, Z::MomentanOffen, true, {"GETSTA", "GETPAR", "READMO"}},
        {Z::MomentanOffen, "instantaneous off", momentan, Z::Verbunden, true, {"STOPMO"}},
        {Z::MomentanBefehl, "instantaneous off", momentan, Z::Getrennt, true, {"STOPMO"}},
        {Z::Verbunden, "Trennen", trennen, Z::Getrennt, true, {}},
        {Z::MomentanOffen, "Trennen", trennen, Z::Getrennt, true, {"STOPMO"}},
        {Z::MomentanBefehl, "Trennen", trennen, Z::Getrennt, true, {"STOPMO"}},
    };
    for (const Zeile& z : tabelle) {
        SCOPED_TRACE(testing::Message() << Name(z.von) << " + " << z.ereignis);
        Stand s;
        Herstellen(s, z.von);
        ASSERT_EQ(Zustand(s), z.von);
        z.tue(s);
        EXPECT_EQ(Zustand(s), z.nach) << Name(Zustand(s));
        const bool warVerbunden =
            std::find(s.verbundenVerlauf.begin(), s.verbundenVerlauf.end(), true) != s.verbundenVerlauf.end();
        EXPECT_EQ(warVerbunden || z.von != Z::Getrennt, z.zwischendurchVerbunden);
        EXPECT_EQ(s.Befehle(), z.befehle);
    }
}

TEST(HauptfensterModell, InitialEnabling) {
    Stand s;
    // "Trennen" starts enabled in the menu and disabled on the toolbar.
    EXPECT_TRUE(s.m->TrennenMenuAktiv);
    EXPECT_FALSE(s.m->TrennenKnopfAktiv);
    EXPECT_TRUE(s.m->AufbauenAktiv);
    EXPECT_FALSE(s.m->Verbunden || s.m->MomentanAktiv || s.m->MomentanAufOffenerVerbindung ||
                 s.m->ErsterPaintErledigt);
}

TEST(HauptfensterModell, CommandsThatDoNothing) {
    struct Fall {
        const char* name;
        std::function<void(Stand&)> tue;
    };
    const Fall faelle[] = {
        {"Trennen while disconnected, no transfer window", [](Stand& s) { s.m->Trennen(); }},
        {"clear memory answered No", [](Stand& s) {
             s.meldungen.antworten = {false};
             s.auswahl = {QStringLiteral("P1")};
             s.m->DatenspeicherLoeschen();
             EXPECT_EQ(s.meldungen.Texte(), QStringList{U(kSpeicherLoeschenFrage)});
         }},
        {"Ctrl+D while disconnected", [](Stand& s) { s.m->DatenLesen(); }},
        {"Aufbauen, selection cancelled", [](Stand& s) {
             s.auswahl = {QString()};
             s.m->Aufbauen();
             EXPECT_EQ(s.voreinstellungen, QStringList{"P1"});
         }},
        {"station parameters, selection cancelled", [](Stand& s) {
             s.auswahl = {QString()};
             s.m->StationsparameterAnzeigen();
         }},
        {"instantaneous on, selection cancelled", [](Stand& s) {
             s.auswahl = {QString()};
             s.m->MomentanwerteUmschalten();
         }},
        {"set the clock, selection cancelled", [](Stand& s) {
             s.auswahl = {QString()};
             s.m->SystemzeitStellen();
         }},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Stand s;
        f.tue(s);
        EXPECT_EQ(Zustand(s), Z::Getrennt);
        EXPECT_TRUE(s.Befehle().isEmpty());
        EXPECT_TRUE(s.stationsfenster.empty());
        EXPECT_TRUE(s.momentanfenster.empty());
        // Nothing was disconnected either: the menu item keeps its first state.
        EXPECT_TRUE(s.m->TrennenMenuAktiv);
        EXPECT_EQ(TransferWindow(), nullptr);
        // A cancelled selection leaves Aktiv as it was.
        EXPECT_EQ(TIniFile(s.m->SessionsIni()).ReadString("Allgemein", "Aktiv", ""), "P1");
    }
}

TEST(HauptfensterModell, FailuresKeepTheStateConsistent) {
    struct Fall {
        const char* name;
        SimOptions o;
        std::function<void(Stand&)> tue;
        Z nach;
        bool verbundenGewesen;
    };
    SimOptions stumm;
    stumm.fehler = {{SimFehler::Art::Schweigen, "", 1000}};
    SimOptions getparStumm;
    getparStumm.fehler = {{SimFehler::Art::Schweigen, "GETPAR", 1000}};
    const Fall faelle[] = {
        {"a failed connect leaves it disconnected", stumm,
         [](Stand& s) {
             s.auswahl = {QStringLiteral("P1")};
             s.m->Aufbauen();
         },
         Z::Getrennt, false},
        {"a failed instantaneous start after the command connected disconnects again", {},
         [](Stand& s) {
             s.auswahl = {QStringLiteral("P2")};  // the station check fails
             s.m->MomentanwerteUmschalten();
             EXPECT_EQ(s.Anzahl("READMO"), 0);
             EXPECT_TRUE(s.momentanfenster.empty());
         },
         Z::Getrennt, true},
        {"a failed instantaneous start on the open link keeps the link", {},
         [](Stand& s) {
             s.auswahl = {QStringLiteral("P2")};
             s.m->Aufbauen();
             s.m->MomentanwerteUmschalten();
             EXPECT_EQ(s.Anzahl("READMO"), 0);
         },
         Z::Verbunden, true},
        {"a failed read of station parameters opens no window", getparStumm,
         [](Stand& s) {
             s.auswahl = {QStringLiteral("P1")};
             s.m->StationsparameterAnzeigen();
             EXPECT_TRUE(s.stationsfenster.empty());
         },
         Z::Getrennt, true},
        {"a programme that cannot be read starts nothing", {},
         [](Stand& s) {
             s.auswahl = {QStringLiteral("P3")};
             s.m->Aufbauen();
             ASSERT_EQ(s.meldungen.gezeigt.size(), 1u);
             EXPECT_EQ(s.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Fehler);
             EXPECT_TRUE(s.Befehle().isEmpty());
             // Aktiv was updated all the same.
             EXPECT_EQ(TIniFile(s.m->SessionsIni()).ReadString("Allgemein", "Aktiv", ""), "P3");
         },
         Z::Getrennt, false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Stand s(f.o);
        f.tue(s);
        EXPECT_EQ(Zustand(s), f.nach) << Name(Zustand(s));
        const bool warVerbunden =
            std::find(s.verbundenVerlauf.begin(), s.verbundenVerlauf.end(), true) != s.verbundenVerlauf.end();
        EXPECT_EQ(warVerbunden, f.verbundenGewesen);
    }
}

TEST(HauptfensterModell, TrennenInInstantaneousModeAnsweredNo) {
    Stand s;
    s.MomentanAufOffenerVerbindung();
    s.Vergiss();
    s.meldungen.antworten = {false};
    s.m->Trennen();
    EXPECT_EQ(s.meldungen.Texte(), QStringList{U(kMomentanBeendenFrage)});
    EXPECT_EQ(s.Anzahl("STOPMO"), 0);  // the logger is not told
    EXPECT_FALSE(s.m->MomentanAktiv);
    EXPECT_FALSE(s.m->Verbunden);
    EXPECT_EQ(TransferWindow(), nullptr);
    EXPECT_TRUE(s.m->Panel1.isEmpty());
}

TEST(HauptfensterModell, SelectionTakesOverTheProgramme) {
    Stand s;
    s.auswahl = {QStringLiteral("P2")};
    ASSERT_TRUE(s.m->WaehleMessprogramm());
    EXPECT_EQ(s.voreinstellungen, QStringList{"P1"});
    EXPECT_EQ(TIniFile(s.m->SessionsIni()).ReadString("Allgemein", "Aktiv", ""), "P2");
    const TVerbParam& p = s.m->Param;
    EXPECT_EQ(p.Kennung, "P2");
    EXPECT_EQ(p.Bezeichnung, "Fremd");
    EXPECT_EQ(p.StatNr, 999);
    EXPECT_EQ(p.StatName, "Fremdstation");
    EXPECT_EQ(p.Baudrate, 3);  // the programme's default
    EXPECT_FALSE(p.HaltBeiFehler);
    // The next dialog preselects the programme just chosen.
    s.auswahl = {QString()};
    EXPECT_FALSE(s.m->WaehleMessprogramm());
    EXPECT_EQ(s.voreinstellungen, (QStringList{"P1", "P2"}));
    EXPECT_EQ(s.m->Param.Kennung, "P2");  // a cancelled dialog changes nothing
}

TEST(HauptfensterModell, StationParameterWindowsOnePerCommand) {
    Stand s;
    s.Verbinde();
    s.m->StationsparameterAnzeigen();
    s.m->StationsparameterAnzeigen();
    ASSERT_EQ(s.stationsfenster.size(), 2u);
    EXPECT_EQ(s.stationsfenster[0].bezeichnung, "Versuchsfeld");
    EXPECT_EQ(s.stationsfenster[0].station.Stationsnummer, s.logger->Stationsparameter().Stationsnummer);
    EXPECT_EQ(s.stationsfenster[0].kanaele, 10);
    EXPECT_TRUE(s.m->Verbunden);  // the kept link stays
}

TEST(HauptfensterModell, InstantaneousWindowCreatedOnceAndFed) {
    Stand s;
    s.MomentanAufOffenerVerbindung();
    ASSERT_EQ(s.momentanfenster.size(), 1u);
    EXPECT_EQ(s.kinder, QStringList{"Momentanwerte von Demostation"});
    EXPECT_EQ(s.momentanfenster[0].Dateiname, QDir(s.dir.path()).filePath("momP1.log"));
    s.m->MomentanwerteUmschalten();
    s.m->MomentanwerteUmschalten();  // on again: the open window is reused
    EXPECT_EQ(s.momentanfenster.size(), 1u);
    EXPECT_TRUE(s.m->MomentanAktiv);
}

TEST(HauptfensterModell, ClosingTheInstantaneousWindowEndsTheMode) {
    struct Fall {
        const char* name;
        Z von;
        Z nach;
    };
    for (const Fall& f : {Fall{"started by the command", Z::MomentanBefehl, Z::Getrennt},
                          Fall{"started on the open link", Z::MomentanOffen, Z::Verbunden}}) {
        SCOPED_TRACE(f.name);
        Stand s;
        Herstellen(s, f.von);
        s.m->MomentanfensterGeschlossen();
        EXPECT_EQ(s.Anzahl("STOPMO"), 1);  // the logger is told to stop
        EXPECT_EQ(Zustand(s), f.nach);
    }
    // Without the mode, closing the window changes nothing.
    Stand s;
    s.Verbinde();
    s.Vergiss();
    s.m->MomentanfensterGeschlossen();
    EXPECT_TRUE(s.Befehle().isEmpty());
    EXPECT_EQ(Zustand(s), Z::Verbunden);
}

TEST(HauptfensterModell, EmptyStationNameIsInNoCaption) {
    Stand s;
    Schreibe(s.m->SessionsIni(), "[Allgemein]\r\nAktiv=\r\n[P1]\r\nStatName=\r\nStatNr=" +
                                     QByteArray::number(s.logger->Stationsparameter().Stationsnummer) +
                                     "\r\nMittelwertzeit=" +
                                     QByteArray::number(s.logger->Stationsparameter().Mittelwertintervall) + "\r\n");
    s.kinder = {QStringLiteral("Stationsparameter für irgendwas")};
    s.auswahl = {QStringLiteral("P1")};
    s.m->Aufbauen();
    s.m->MomentanwerteUmschalten();
    ASSERT_TRUE(s.m->MomentanAktiv);
    EXPECT_EQ(s.momentanfenster.size(), 1u);  // a window is created all the same
    EXPECT_EQ(s.kinder.last(), "Momentanwerte von ");
}

TEST(HauptfensterModell, SetTheClockWhileDisconnected) {
    Stand s;
    s.auswahl = {QStringLiteral("P1")};
    s.zeitAntwort = TZeitStellung{true, 0.0, {}};
    s.m->SystemzeitStellen();
    EXPECT_EQ(s.voreinstellungen, QStringList{"P1"});  // the selection comes first
    ASSERT_EQ(s.abweichungen.size(), 1u);
    EXPECT_NEAR(s.abweichungen[0], 1.0 / 24, 2.0 / 86400);  // the logger is an hour fast
    // Read and set each open and close their own link; the state never shows a connection.
    const QStringList befehle = s.Befehle();
    EXPECT_EQ(befehle.mid(0, 4), (QStringList{"STOPMO", "GETTIM", "STOPMO", "SETTIM"}));
    EXPECT_EQ(befehle.size(), 5);  // and the time frame
    EXPECT_EQ(std::count(s.verbundenVerlauf.begin(), s.verbundenVerlauf.end(), true), 0);
    EXPECT_EQ(Zustand(s), Z::Getrennt);
    // Set to the PC clock: the logger now agrees with it.
    EXPECT_LE(std::abs(s.logger->Uhr().secsTo(Umgebung().uhr())), 2);
}

TEST(HauptfensterModell, SetTheClockModes) {
    struct Fall {
        const char* name;
        std::optional<TZeitStellung> antwort;
        qint64 sollAbweichungS;  // logger minus PC afterwards (-1: unchanged)
    };
    const QDateTime vorgabe(QDate(2030, 7, 1), QTime(10, 0, 0));
    const Fall faelle[] = {
        {"cancelled: nothing is set", std::nullopt, 3600},
        {"PC time plus two hours", TZeitStellung{true, 2.0 / 24, {}}, 7200},
        {"PC time minus a day", TZeitStellung{true, -1.0, {}}, -86400},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Stand s;
        s.Verbinde();
        s.Vergiss();
        s.zeitAntwort = f.antwort;
        s.m->SystemzeitStellen();
        EXPECT_EQ(s.Anzahl("SETTIM"), f.antwort ? 1 : 0);
        EXPECT_NEAR(double(Umgebung().uhr().secsTo(s.logger->Uhr())), double(f.sollAbweichungS), 2.0);
        EXPECT_TRUE(s.m->Verbunden);  // on the kept link
        EXPECT_EQ(s.Anzahl("STOPMO"), 0);
    }
    Stand s;
    s.Verbinde();
    s.zeitAntwort = TZeitStellung{false, 0.0, vorgabe};
    s.m->SystemzeitStellen();
    EXPECT_LE(std::abs(s.logger->Uhr().toUTC().secsTo(QDateTime(vorgabe.date(), vorgabe.time(), QTimeZone::utc()))),
              2);
}

TEST(HauptfensterModell, ReadDataIntoTheNextNumberedFile) {
    Stand s;
    const QString roh = s.dir.filePath("Rohdaten");
    TIniFile(s.dir.filePath("NUVARWin.ini")).WriteString("NUVARWin", "RohdatenPfad", roh);
    const int nr = s.logger->Stationsparameter().Stationsnummer;
    QDir().mkpath(roh);
    for (int n = 0; n <= 4; ++n) Schreibe(QDir(roh).filePath(QString::asprintf("Daten%03d.%03d", n, nr)), "alt");
    s.Verbinde();
    s.m->DatenLesen();
    const QString datei = QDir(roh).filePath(QString::asprintf("Daten005.%03d", nr));
    EXPECT_TRUE(QFileInfo(datei).size() > 100) << datei.toStdString();
    EXPECT_EQ(s.Anzahl("READMC"), 1);
    EXPECT_TRUE(s.m->Verbunden);
}

TEST(HauptfensterModell, NumberedFileAndRecordingFileDirectories) {
    Stand s;
    s.m->Param.StatNr = 7;
    // Without a setting: the program directory's "Daten", made when missing.
    const QString standard = s.m->NaechsterDatenDateiname();
    EXPECT_EQ(standard, QDir(s.dir.filePath("Daten")).filePath("Daten000.007"));
    EXPECT_TRUE(QFileInfo(QFileInfo(standard).path()).isDir());

    struct Fall {
        QByteArray verzeichnis;
        QString datei;
    };
    const Fall faelle[] = {
        {"", QDir(s.dir.path()).filePath("momST1.log")},
        {s.dir.filePath("mom").toUtf8(), QDir(s.dir.filePath("mom")).filePath("momST1.log")},
    };
    for (const Fall& f : faelle) {
        Schreibe(s.dir.filePath("NUVARWin.ini"),
                 "[NUVARKom]\r\nMomentanwerteAufzeichnen=1\r\nMomentanwertZeitraum=5\r\nMomentanwertverzeichnis=" +
                     f.verzeichnis + "\r\n");
        const TMomentanAufzeichnung a = s.m->MomentanAufzeichnung(QStringLiteral("ST1"));
        EXPECT_EQ(a.Dateiname, f.datei);
        EXPECT_TRUE(a.Aufzeichnen);
        EXPECT_EQ(a.Zeitraum, 5);
        EXPECT_EQ(a.Verzeichnis, QString::fromUtf8(f.verzeichnis));
    }
}

TEST(HauptfensterModell, FirstPaintMinimisesOnlyInInstantaneousMode) {
    struct Fall {
        const char* name;
        bool momentan;
        int minimiert;
    };
    for (const Fall& f : {Fall{"plain start", false, 0}, Fall{"after a sequence started the mode", true, 1}}) {
        SCOPED_TRACE(f.name);
        Stand s;
        if (f.momentan) s.MomentanDurchBefehl();
        s.m->Gezeichnet();
        s.m->Gezeichnet();  // later paints do nothing
        EXPECT_EQ(s.minimiert, f.minimiert);
        EXPECT_TRUE(s.m->ErsterPaintErledigt);
    }
    // The mode started after the first paint does not minimise.
    Stand s;
    s.m->Gezeichnet();
    s.MomentanDurchBefehl();
    s.m->Gezeichnet();
    EXPECT_EQ(s.minimiert, 0);
}

TEST(HauptfensterModell, SequenceCommandMomentanwerte) {
    // Connected with the sequence's parameters: the mode runs on that link.
    {
        Stand s;
        TSequenz seq;
        TVerbParam& p = seq.Param;
        p.Baudrate = 3;
        p.StatNr = s.logger->Stationsparameter().Stationsnummer;
        p.Mittelwertzeit = s.logger->Stationsparameter().Mittelwertintervall;
        p.StatName = QStringLiteral("Demostation");
        p.Kennung = QStringLiteral("SEQ");
        // The program stays open after this command.
        EXPECT_FALSE(
            FuehreSequenzbefehlAus(QStringLiteral("Momentanwerte"), seq, s.dir.filePath("seq1.seq"), s.m.get()).Beenden);
        EXPECT_EQ(Zustand(s), Z::MomentanOffen);
        EXPECT_TRUE(s.voreinstellungen.isEmpty());  // no selection asked
        EXPECT_EQ(s.m->Param.Kennung, "SEQ");
        ASSERT_EQ(s.momentanfenster.size(), 1u);
        EXPECT_EQ(s.momentanfenster[0].Dateiname, QDir(s.dir.path()).filePath("momSEQ.log"));
        s.m->Gezeichnet();
        EXPECT_EQ(s.minimiert, 1);
        // Ending the mode keeps the link.
        s.m->MomentanwerteUmschalten();
        EXPECT_EQ(Zustand(s), Z::Verbunden);
    }
    // A failed connect asks for a programme, as from the disconnected state.
    {
        SimOptions o;
        o.fehler = {{SimFehler::Art::Schweigen, "", 4}};  // the sequence's wake-up gets no answer
        Stand s(o);
        s.auswahl = {QString()};
        TVerbParam p;
        p.StatName = QStringLiteral("Demostation");
        s.m->MomentanwerteAusSequenz(p);
        EXPECT_EQ(s.voreinstellungen, QStringList{"P1"});
        EXPECT_EQ(Zustand(s), Z::Getrennt);
    }
}

TEST(HauptfensterModell, CommandsWaitForARunningOperation) {
    // A macro runs (its waits pump events): the person's commands do not start
    // inside it, and the window cannot be closed under it.
    struct Fall {
        const char* name;
        std::function<void(Stand&)> tue;
    };
    const Fall faelle[] = {
        {"Aufbauen", [](Stand& s) { s.m->Aufbauen(); }},
        {"Trennen", [](Stand& s) { s.m->Trennen(); }},
        {"clear memory", [](Stand& s) { s.m->DatenspeicherLoeschen(); }},
        {"station parameters", [](Stand& s) { s.m->StationsparameterAnzeigen(); }},
        {"instantaneous values", [](Stand& s) { s.m->MomentanwerteUmschalten(); }},
        {"set the clock", [](Stand& s) { s.m->SystemzeitStellen(); }},
        {"read data", [](Stand& s) { s.m->DatenLesen(); }},
        {"close", [](Stand& s) { EXPECT_FALSE(s.m->Schliessen()); }},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Stand s;
        s.Verbinde();
        s.Vergiss();
        s.auswahl = {QStringLiteral("P1")};
        s.meldungen.antworten = {true};
        s.makroLaeuft = true;
        f.tue(s);
        EXPECT_EQ(s.meldungen.Texte(), QStringList{U(kVorgangLaeuft)});
        EXPECT_TRUE(s.Befehle().isEmpty());
        EXPECT_EQ(Zustand(s), Z::Verbunden);
        EXPECT_TRUE(s.voreinstellungen.isEmpty());
    }
}

TEST(HauptfensterModell, OwnOperationIsBusyAndRefusesASecondOne) {
    Stand s;
    s.auswahl = {QStringLiteral("P1")};
    bool beschaeftigtBeimLesen = false;
    bool zweiterAbgewiesen = false;
    s.logger->onMeldung = [&](const QString& z) {
        if (!z.contains(QStringLiteral("GETPAR")) || beschaeftigtBeimLesen) return;
        beschaeftigtBeimLesen = s.m->Beschaeftigt();
        // The person clicks "Trennen" while the parameters are read.
        s.m->Trennen();
        zweiterAbgewiesen = s.meldungen.Texte().contains(U(kVorgangLaeuft));
    };
    s.m->StationsparameterAnzeigen();
    s.logger->onMeldung = {};
    EXPECT_TRUE(beschaeftigtBeimLesen);
    EXPECT_TRUE(zweiterAbgewiesen);
    EXPECT_EQ(s.stationsfenster.size(), 1u);  // the first one ran to its end
    EXPECT_FALSE(s.m->Beschaeftigt());
}

TEST(HauptfensterModell, InstantaneousWindowClosedDuringAnOperationEndsTheModeAfterIt) {
    Stand s;
    s.MomentanAufOffenerVerbindung();
    s.Vergiss();
    bool geschlossen = false;
    s.logger->onMeldung = [&](const QString& z) {
        if (geschlossen || !z.contains(QStringLiteral("GETPAR"))) return;
        geschlossen = true;
        s.m->MomentanfensterGeschlossen();  // the person closes it meanwhile
        EXPECT_TRUE(s.m->MomentanAktiv);
    };
    s.m->StationsparameterAnzeigen();
    s.logger->onMeldung = {};
    ASSERT_TRUE(geschlossen);
    EXPECT_TRUE(s.m->MomentanAktiv);  // the read restarted the stream
    s.pump.advance(1000);
    EXPECT_FALSE(s.m->MomentanAktiv);
    EXPECT_EQ(Zustand(s), Z::Verbunden);
}

TEST(HauptfensterModell, CloseQueryDisconnects) {
    Stand s;
    s.MomentanDurchBefehl();
    s.Vergiss();
    s.meldungen.antworten = {true};
    EXPECT_TRUE(s.m->Schliessen());
    EXPECT_EQ(s.Anzahl("STOPMO"), 1);
    EXPECT_EQ(Zustand(s), Z::Getrennt);
    Stand t;  // disconnected: closing is allowed at once
    EXPECT_TRUE(t.m->Schliessen());
    EXPECT_TRUE(t.meldungen.gezeigt.empty());
}

TEST(HauptfensterModell, EndingWithoutAPersonStopsTheLogger) {
    for (const Z von : {Z::MomentanOffen, Z::MomentanBefehl, Z::Verbunden, Z::Getrennt}) {
        SCOPED_TRACE(Name(von));
        Stand s;
        Herstellen(s, von);
        s.m->Beenden();
        EXPECT_TRUE(s.meldungen.gezeigt.empty());  // nobody is asked
        EXPECT_EQ(s.Anzahl("STOPMO"), von == Z::MomentanOffen || von == Z::MomentanBefehl ? 1 : 0);
        EXPECT_EQ(Zustand(s), Z::Getrennt);
    }
}

} // namespace
