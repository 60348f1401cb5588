// The configurator's model: what the table and the groups show, the
// write-back with its formats and failures, the new sensor's entry and the
// inputs it may take, loading and saving with their failures, the save name
// and the text export.
#include "cfg/Konfiguration.h"
#include "CfgTestHilfe.h"
#include "common/Fehler.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>

using namespace nuvar;
using namespace nuvar::test;

namespace {

template <class E, class F>
QString Fehler(F fn) {
    try {
        fn();
    } catch (const E& e) {
        return e.Meldung();
    }
    return QStringLiteral("(kein Fehler)");
}

TEingaben EingabenVon(const TNuvarCfgModell& m, int k) {
    const TStationsAnzeige s = m.Station();
    TKanalAnzeige a;
    if (!m.KeineKanaele()) m.Kanal(k, a);
    TEingaben e;
    e.Bezeichnung = a.Bezeichnung;
    e.Einheit = a.Einheit;
    e.Name = s.Name;
    e.Mittelwert = s.Mittelwert >= 0 ? kMittelwertListe[s.Mittelwert] : QString();
    e.Mess = s.Mess >= 0 ? kMessListe[s.Mess] : QString();
    e.Sleep = s.Sleep;
    e.LaengeSeite = s.LaengeSeite;
    e.BreiteSeite = s.BreiteSeite;
    e.Laenge = s.Laenge;
    e.Breite = s.Breite;
    return e;
}

TNuvarCfgModell Modell(TDATDatei d) {
    TNuvarCfgModell m;
    m.GeberZeilen = Geber();
    m.KanalZeilen = Kanal();
    m.Datei = std::move(d);
    m.KeineKonfiguration = false;
    m.NamenSuchen();
    return m;
}

} // namespace

TEST(Anzeige, StationFields) {
    struct Fall {
        const char* name;
        std::function<void(TStationsParameter&)> setze;
        std::function<void(const TStationsAnzeige&)> pruefe;
    } faelle[] = {
        {"as loaded", [](TStationsParameter&) {},
         [](const TStationsAnzeige& a) {
             EXPECT_EQ(a.Nummer, "12");
             EXPECT_EQ(a.Name, "Mast");
             EXPECT_EQ(a.Batterie, "12,60 V");
             EXPECT_EQ(a.Mittelwert, 2);
             EXPECT_EQ(a.Mess, 2);
             EXPECT_EQ(a.Sleep, 0);
             EXPECT_EQ(a.Ausgelesen, "Ja");
             EXPECT_EQ(a.FreieTage, "33");
             EXPECT_EQ(a.Speicher, "128 KB");
             EXPECT_EQ(a.Datensaetze, "144");
             EXPECT_EQ(a.Laenge, " 13,45");
             EXPECT_EQ(a.LaengeSeite, 0);
             EXPECT_EQ(a.Breite, " 52,52");
             EXPECT_EQ(a.BreiteSeite, 0);
         }},
        {"interval not in the list", [](TStationsParameter& p) { p.Mittelwertintervall = 7; p.Messintervall = 4; },
         [](const TStationsAnzeige& a) { EXPECT_EQ(a.Mittelwert, -1); EXPECT_EQ(a.Mess, -1); }},
        {"sleep mode 2", [](TStationsParameter& p) { p.Sleepmodus = 2; }, [](const TStationsAnzeige& a) { EXPECT_EQ(a.Sleep, -1); }},
        {"read out 0 and 2", [](TStationsParameter& p) { p.Ausgelesen = 2; }, [](const TStationsAnzeige& a) { EXPECT_EQ(a.Ausgelesen, ""); }},
        {"west and south", [](TStationsParameter& p) { p.GeoLaenge = -1234; p.GeoBreite = -5; },
         [](const TStationsAnzeige& a) {
             EXPECT_EQ(a.Laenge, " 12,34");
             EXPECT_EQ(a.LaengeSeite, 1);
             EXPECT_EQ(a.Breite, "  0,05");
             EXPECT_EQ(a.BreiteSeite, 1);
         }},
        {"zero is east and north", [](TStationsParameter& p) { p.GeoLaenge = 0; p.GeoBreite = 0; },
         [](const TStationsAnzeige& a) { EXPECT_EQ(a.Laenge, "  0,00"); EXPECT_EQ(a.LaengeSeite, 0); EXPECT_EQ(a.BreiteSeite, 0); }},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TDATDatei d = Konfig({}, {});
        f.setze(d.Stationsparameter());
        f.pruefe(Modell(d).Station());
    }
}

TEST(Anzeige, TableCellsAndNames) {
    TNuvarCfgModell m = Modell(Konfig({1, 1, 2}, {Eintrag(2, 0x03, "ld", "hPa", 18.75f, 725, 800, 1100),
                                                 Eintrag(0, 0x0A, "klein"), Eintrag(1, 0x77, "frmd")}));
    const char* soll[] = {"1", "Luftdruck", "ld", "hPa", "18,7500", "725,0000", "800,0000", "1100,0000", "2"};
    for (int c = 0; c < kSpalten; ++c) EXPECT_EQ(m.Zelle(0, c), QString::fromUtf8(soll[c])) << c;
    // The catalogue writes 0a; the table compares with 0A and finds nothing.
    EXPECT_EQ(m.Zelle(1, 1), "");
    EXPECT_EQ(m.Zelle(2, 1), "");  // a code the catalogue does not know
    EXPECT_EQ(m.Datenzeilen(), 3);
    EXPECT_EQ(Modell(Konfig({}, {})).Datenzeilen(), 1);  // the empty row
    EXPECT_EQ(Modell(Konfig({}, {})).Zelle(0, 0), "");

    TKanalAnzeige a;
    m.Kanal(0, a);
    EXPECT_EQ(a.Sensorcode, "03");
    EXPECT_EQ(a.Kanalnummer, "2");
    EXPECT_EQ(a.Kanaltyp, "2");
    EXPECT_EQ(a.a, "18,7500");
}

TEST(Anzeige, NamesAreConvertedFromOem) {
    TNuvarCfgModell m = Modell(Konfig({1}, {Eintrag(0, 0x42, "x")}));
    m.GeberZeilen = Zeilen({"42\tWindb\x94" "e\twsp\tm/s\t1\t0\t0\t60\t1"});
    m.NamenSuchen();
    EXPECT_EQ(m.Zelle(0, 1), QString::fromUtf8("Windböe"));
}

TEST(Anzeige, BadCatalogueLineStillFillsTheTableThenReports) {
    TNuvarCfgModell m = Modell(Konfig({1}, {Eintrag(0, 0x06, "nied"), Eintrag(0, 0x01, "t2m")}));
    m.GeberZeilen = Zeilen({"01\tLufttemperatur\tt2m\tC\t1\t0\t0\t1\t1", "05\tKaputt\tx\ty\tkeine Zahl\t0\t0\t1\t1",
                            "06\tNiederschlag\tnied\tmm\t0,1\t0\t0\t100\t3"});
    EXPECT_EQ(Fehler<EConvertError>([&] { m.NamenSuchen(); }), "'keine Zahl' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(m.Zelle(0, 1), "Niederschlag");
    EXPECT_EQ(m.Zelle(1, 1), "Lufttemperatur");
}

TEST(Anzeige, InputBeyondTheHardwareListStillShowsTheRest) {
    TNuvarCfgModell m = Modell(Konfig({1, 1}, {Eintrag(5, 0x01, "t2m")}));
    TKanalAnzeige a;
    a.Kanaltyp = "alt";
    EXPECT_EQ(Fehler<ERangeError>([&] { m.Kanal(0, a); }), QString::fromUtf8("5 liegt außerhalb des Bereichs der Hardwareliste"));
    EXPECT_EQ(a.Bezeichnung, "t2m");
    EXPECT_EQ(a.Kanaltyp, "");
}

TEST(Zurueckschreiben, TextFieldsAndChoices) {
    TNuvarCfgModell m = Modell(Konfig({1}, {Eintrag(0, 1, "t2m", "C")}));
    TEingaben e = EingabenVon(m, 0);
    e.Bezeichnung = "tluft";
    e.Einheit = QString::fromUtf8("°C");
    e.Name = "Mast";
    e.Mittelwert = "30";
    e.Mess = "5";
    e.Sleep = 1;
    m.Zurueckschreiben(0, e);
    const TKanalEintrag k = m.Datei.GetChannel(0);
    EXPECT_EQ(Roh(k.Bezeichnung), QByteArray("tluft\0", 6));
    EXPECT_EQ(Roh(k.Einheit), QByteArray("\xF8" "C  \0", 5));  // OEM degree sign, blanks, zero
    EXPECT_EQ(k.Position, 1);
    const TStationsParameter& p = m.Datei.Stationsparameter();
    EXPECT_EQ(Roh(p.Stationsname), QByteArray("Mast            \0", 17));
    EXPECT_EQ(p.Mittelwertintervall, 30);
    EXPECT_EQ(p.Messintervall, 5);
    EXPECT_EQ(p.Sleepmodus, 1);

    // No sleep choice stores -1.
    TDATDatei d = Konfig({1}, {Eintrag(0, 1, "t2m")});
    d.Stationsparameter().Sleepmodus = 2;
    TNuvarCfgModell n = Modell(d);
    n.Zurueckschreiben(0, EingabenVon(n, 0));
    EXPECT_EQ(n.Datei.Stationsparameter().Sleepmodus, -1);
}

TEST(Zurueckschreiben, Coordinates) {
    struct Fall {
        const char* text;
        int seite;
        int soll;
    } faelle[] = {
        {"12,35", 0, 1235}, {"12,35", 1, -1235}, {" 12,34", 0, 1234}, {"180,00", 0, 18000},
        {"0,01", 1, -1},    {"  0,00", 1, 0},    {"12,", 0, 1200},   {"12", 0, 1200},
        {"0,29", 0, 29},    {"1,15", 0, 115},  // x * 100 lands just off the integer
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text);
        TNuvarCfgModell m = Modell(Konfig({1}, {Eintrag(0, 1, "t2m")}));
        TEingaben e = EingabenVon(m, 0);
        e.Laenge = QString::fromUtf8(f.text);
        e.LaengeSeite = f.seite;
        m.Zurueckschreiben(0, e);
        EXPECT_EQ(m.Datei.Stationsparameter().GeoLaenge, f.soll);
    }
    // A typed text outside the list (no choice) counts as West/South.
    TNuvarCfgModell m = Modell(Konfig({1}, {Eintrag(0, 1, "t2m")}));
    TEingaben e = EingabenVon(m, 0);
    e.BreiteSeite = -1;
    m.Zurueckschreiben(0, e);
    EXPECT_EQ(m.Datei.Stationsparameter().GeoBreite, -5252);
}

TEST(Zurueckschreiben, FailuresStopAtTheirFieldWithTheEarlierFieldsWritten) {
    struct Fall {
        const char* name;
        std::function<void(TEingaben&)> setze;
        const char* meldung;
        std::function<void(const TStationsParameter&)> pruefe;
    } faelle[] = {
        {"no averaging interval", [](TEingaben& e) { e.Name = "Neu"; e.Mittelwert.clear(); e.Mess = "60"; },
         "'' ist kein gültiger Integerwert",
         [](const TStationsParameter& p) {
             EXPECT_EQ(Roh(p.Stationsname).left(3), "Neu");
             EXPECT_EQ(p.Messintervall, 10);  // after the failing field: untouched
         }},
        {"no measuring interval", [](TEingaben& e) { e.Mittelwert = "60"; e.Mess.clear(); }, "'' ist kein gültiger Integerwert",
         [](const TStationsParameter& p) { EXPECT_EQ(p.Mittelwertintervall, 60); }},
        {"longitude not a number", [](TEingaben& e) { e.Sleep = 1; e.Laenge = "   ,  "; }, "'   ,  ' ist kein gültiger Gleitkommawert",
         [](const TStationsParameter& p) { EXPECT_EQ(p.Sleepmodus, 1); EXPECT_EQ(p.GeoLaenge, 1345); }},
        // Beyond the hemisphere the 16-bit field would wrap around (999,99 gave -31073).
        {"longitude beyond 180", [](TEingaben& e) { e.Laenge = "999,99"; }, "Geo. Länge: 999,99 liegt nicht zwischen 0 und 180 Grad.",
         [](const TStationsParameter& p) { EXPECT_EQ(p.GeoLaenge, 1345); }},
        {"latitude beyond 90", [](TEingaben& e) { e.Laenge = "1,00"; e.Breite = "90,01"; },
         "Geo. Breite: 90,01 liegt nicht zwischen 0 und 90 Grad.",
         [](const TStationsParameter& p) { EXPECT_EQ(p.GeoLaenge, 100); EXPECT_EQ(p.GeoBreite, 5252); }},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TNuvarCfgModell m = Modell(Konfig({1}, {Eintrag(0, 1, "t2m")}));
        TEingaben e = EingabenVon(m, 0);
        f.setze(e);
        try {
            m.Zurueckschreiben(0, e);
            ADD_FAILURE() << "no error";
        } catch (const EFehler& x) {
            EXPECT_EQ(x.Meldung(), QString::fromUtf8(f.meldung));
        }
        f.pruefe(m.Datei.Stationsparameter());
    }
}

TEST(Zurueckschreiben, WithoutChannelsOnlyTheStation) {
    TNuvarCfgModell m = Modell(Konfig({1}, {}));
    TEingaben e = EingabenVon(m, 0);
    e.Bezeichnung = "egal";
    e.Name = "Leer";
    m.Zurueckschreiben(0, e);
    EXPECT_EQ(m.Datei.ChannelCount(), 0);
    EXPECT_EQ(LiesTextfeld(m.Datei.Stationsparameter().Stationsname), "Leer");
}

TEST(NeuerSensor, FreeInputsOfTheRightType) {
    // Hardware 1, 1, 2 with a channel on input 0: the type 1 and 2 sensors
    // are offered; a type 1 sensor may take input 1 only.
    TNuvarCfgModell m = Modell(Konfig({1, 1, 2}, {Eintrag(0, 1, "t2m")}));
    const THardwareListeNeu kopie = m.Arbeitskopie();
    EXPECT_EQ(kopie, (THardwareListeNeu{0, 1, 2}));
    const auto angebot = SensorAngebot(m.GeberZeilen, kopie);
    ASSERT_EQ(angebot.size(), 3u);
    EXPECT_EQ(angebot[0].Zeile, 0);
    EXPECT_EQ(angebot[0].Name, "Lufttemperatur");
    EXPECT_EQ(angebot[1].Name, "Luftdruck");
    EXPECT_EQ(angebot[2].Name, "Kleiner Code");
    EXPECT_EQ(FreieEingaenge(1, kopie), std::vector<int>{1});
    EXPECT_EQ(FreieEingaenge(2, kopie), std::vector<int>{2});
    EXPECT_TRUE(FreieEingaenge(3, kopie).empty());
}

TEST(NeuerSensor, NothingOffered) {
    struct Fall {
        const char* name;
        THardwareListeNeu hardware;
        std::vector<TKanalEintrag> kanaele;
    } faelle[] = {
        {"no hardware list", {}, {}},
        {"every input taken", {1, 2}, {Eintrag(0, 1, "a"), Eintrag(1, 3, "b")}},
        {"only types no sensor needs", {9, 9}, {}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TNuvarCfgModell m = Modell(Konfig(f.hardware, f.kanaele));
        EXPECT_TRUE(SensorAngebot(m.GeberZeilen, m.Arbeitskopie()).empty());
    }
    // 0 marks a taken input: a sensor of type 0 would be put on it.
    const QStringList typNull = Zeilen({"0F\tOhne Typ\tx\ty\t1\t0\t0\t1\t0"});
    EXPECT_TRUE(SensorAngebot(typNull, THardwareListeNeu{0, 1}).empty());
    EXPECT_TRUE(FreieEingaenge(0, THardwareListeNeu{0, 1}).empty());
    // An input beyond the list marks nothing (and breaks nothing).
    EXPECT_EQ(Modell(Konfig({1}, {Eintrag(7, 1, "t2m")})).Arbeitskopie(), THardwareListeNeu{1});
}

TEST(NeuerSensor, EntryFromTheCatalogueLine) {
    const TGeberINIZeile z = GeberZeileLesen(RoheZeile("0a\tB\x94" "e\tw\x94rter\t\xF8" "C/min\t0,5\t-1\t-2\t3\t1"));
    const TKanalEintrag e = TNuvarCfgModell::NeuerEintrag(z, 17);
    EXPECT_EQ(e.Kanalnummer, 17);
    EXPECT_EQ(e.Sensorcode, 10);
    // Texts go in as the catalogue's OEM bytes, cut and padded.
    EXPECT_EQ(Roh(e.Einheit), QByteArray("\xF8" "C/m\0", 5));
    EXPECT_EQ(Roh(e.Bezeichnung), QByteArray("w\x94rte\0", 6));
    EXPECT_EQ(e.a, 0.5f);
    EXPECT_EQ(e.b, -1.0f);
    EXPECT_EQ(e.Min, -2.0f);
    EXPECT_EQ(e.Max, 3.0f);
    EXPECT_EQ(e.Position, 0);
    const TGeberINIZeile kurz = GeberZeileLesen(RoheZeile("01\tT\tt\tV\t1\t0\t0\t1\t1"));
    EXPECT_EQ(Roh(TNuvarCfgModell::NeuerEintrag(kurz, 0).Bezeichnung), QByteArray("t    \0", 6));
}

TEST(NeuerSensor, SixtyFifthChannelIsRefused) {
    std::vector<TKanalEintrag> k(64, Eintrag(0, 1, "t"));
    TNuvarCfgModell m = Modell(Konfig({1}, k));
    EXPECT_EQ(Fehler<ERangeError>([&] { m.SensorHinzufuegen(Eintrag(0, 1, "x")); }), QString::fromUtf8(kKanallisteVoll));
    EXPECT_EQ(m.Datei.ChannelCount(), 64);
    m.Datei.DeleteChannel(0);
    m.SensorHinzufuegen(Eintrag(0, 1, "x"));
    EXPECT_EQ(m.Datei.ChannelCount(), 64);
    EXPECT_EQ(m.Datei.GetChannel(63).Position, 64);
}

TEST(Laden, FailuresKeepTheConfigurationShownBefore) {
    CfgVerzeichnisFuerTest d;
    QByteArray negativ = Konfig({1}, {}).Abbild(true);
    negativ[3 + 41] = char(0xFF);  // Kanalanzahl -1
    negativ[3 + 42] = char(0xFF);
    d.Schreibe("negativ.dat", negativ);
    d.Schreibe("fremd.dat", "XYZ1234567");
    QDir().mkpath(d.Pfad("ordner.dat"));
    struct Fall {
        const char* name;
        QString pfad;
        QString meldung;
    } faelle[] = {
        {"missing", d.Pfad("fehlt.dat"), "Datei " + d.Pfad("fehlt.dat") + " kann nicht geöffnet werden"},
        {"a folder", d.Pfad("ordner.dat"), "Datei " + d.Pfad("ordner.dat") + " kann nicht geöffnet werden"},
        {"unknown format", d.Pfad("fremd.dat"), d.Pfad("fremd.dat") + " hat ein unbekanntes Format!"},
        {"negative count", d.Pfad("negativ.dat"), QString::fromUtf8(kBereichsFehler)},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TNuvarCfgModell m = Modell(Konfig({1}, {Eintrag(0, 1, "t2m")}));
        m.Geaendert = true;
        const QByteArray vorher = m.Datei.Abbild(false);
        EXPECT_EQ(Fehler<EFehler>([&] { m.Laden(f.pfad); }), f.meldung);
        EXPECT_EQ(m.Datei.Abbild(false), vorher);
        EXPECT_TRUE(m.Geaendert);
        EXPECT_FALSE(m.KeineKonfiguration);
    }
    // Before any configuration: still none.
    TNuvarCfgModell leer;
    EXPECT_THROW(leer.Laden(d.Pfad("fremd.dat")), EConvertError);
    EXPECT_TRUE(leer.KeineKonfiguration);
}

TEST(Laden, ReplacesAndCountsAsUnchanged) {
    CfgVerzeichnisFuerTest d;
    TDATDatei datei = Konfig({1, 2}, {Eintrag(1, 3, "ld")});
    datei.SaveToFile(d.Pfad("station.dat"), false);
    TNuvarCfgModell m;
    m.Geaendert = true;
    m.Laden(d.Pfad("station.dat"));
    EXPECT_FALSE(m.KeineKonfiguration);
    EXPECT_FALSE(m.Geaendert);
    EXPECT_EQ(m.Datei.Abbild(false), datei.Abbild(false));
}

TEST(Speichern, NewLayoutAndAFailureKeepsTheOldFile) {
    CfgVerzeichnisFuerTest d;
    TNuvarCfgModell m = Modell(Konfig({1, 2}, {Eintrag(0, 1, "t2m"), Eintrag(1, 3, "ld")}));
    const QString pfad = d.Pfad("12_Mast.dat");
    m.Speichern(pfad);
    const QByteArray erst = d.Lies("12_Mast.dat");
    EXPECT_EQ(erst.left(3), "QZ1");
    EXPECT_EQ(erst.size(), 86 + 2 + 30 * 2);

    // A write cut short (here by a file size limit, which binds root as well)
    // must leave the previous file as it was.
    m.Datei.AddChannel(Eintrag(0, 1, "neu"));
    rlimit alt{};
    getrlimit(RLIMIT_FSIZE, &alt);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit knapp = alt;
    knapp.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &knapp);
    EXPECT_THROW(m.Speichern(pfad), EInOutError);
    setrlimit(RLIMIT_FSIZE, &alt);
    EXPECT_EQ(d.Lies("12_Mast.dat"), erst);
}

TEST(Speichern, ProposedName) {
    struct Fall {
        const char* name;
        QByteArray feld;  // 17 bytes
        const char* soll;
    } faelle[] = {
        {"blanks as stored", QByteArray("Mast            \0", 17), "12_Mast            "},
        {"up to the zero byte", QByteArray("Mast\0xxxxxxxxxxxx\0", 17), "12_Mast"},
        {"no zero byte", QByteArray("ABCDEFGHIJKLMNOPQ", 17), "12_ABCDEFGHIJKLMNOPQ"},
        {"OEM letters", QByteArray("M\x81nchen\0", 17).leftJustified(17, '\0'), "12_München"},
        {"a slash names no folder", QByteArray("Nord/Sued\0", 17).leftJustified(17, '\0'), "12_Nord_Sued"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TDATDatei dat = Konfig({}, {});
        std::memcpy(dat.Stationsparameter().Stationsname.data(), f.feld.constData(), 17);
        EXPECT_EQ(Modell(dat).Dateivorschlag(), QString::fromUtf8(f.soll));
    }
}

TEST(Export, TextOfTheWindow) {
    TExportTexte t;
    t.Name = "Mast";
    t.Nummer = "12";
    t.Speicher = "128 KB";
    t.Datensaetze = "144";
    t.Batterie = "12,60 V";
    t.Laenge = " 13,45";
    t.LaengeSeite = "Ost";
    t.Breite = " 52,52";
    t.BreiteSeite = "Nord";
    t.Mittelwert = "10";
    t.Mess = "10";
    t.Sleep = "Nein";
    t.Ausgelesen = "Ja";
    t.FreieTage = "33";
    t.Zeilen.push_back({"", "Sensor", "Bez.", "Einh.", "a", "b", "min", "max", "Kanal"});
    t.Zeilen.push_back({"1", "Lufttemperatur", "t2m", QString::fromUtf8("°C"), "0,0250", "-40,0000", "-40,0000", "60,0000", "0"});
    const QByteArray soll = "Stationsname:\tMast\r\n"
                            "Stationsnummer:\t12\r\n"
                            "Datenspeicher:\t128 KB\r\n"
                            "Gespeicherte Datens\xC3\xA4tze:\t144\r\n"
                            "Batterie:\t12,60 V\r\n"
                            "Geo. L\xC3\xA4nge:\t 13,45Ost\r\n"
                            "Geo. Breite:\t 52,52Nord\r\n"
                            "Mittelwertintervall:\t10\r\n"
                            "Messintervall:\t10\r\n"
                            "Sleepmodus:\tNein\r\n"
                            "Datenspeicher ausgelesen:\tJa\r\n"
                            "Freie Tage:\t33\r\n\r\n"
                            "\tSensor\tBez.\tEinh.\ta\tb\tmin\tmax\tKanal\r\n"  // empty title of column 0: starts with a tab
                            "1\tLufttemperatur\tt2m\t\xC2\xB0" "C\t0,0250\t-40,0000\t-40,0000\t60,0000\t0\r\n";
    EXPECT_EQ(ExportText(t), soll);

    // An empty channel list: the header line and one line of 8 tabs.
    t.Zeilen.pop_back();
    t.Zeilen.push_back({});
    EXPECT_TRUE(ExportText(t).endsWith("\tKanal\r\n\t\t\t\t\t\t\t\t\r\n"));

    CfgVerzeichnisFuerTest d;
    TextExportieren(t, d.Pfad("x.txt"));
    EXPECT_EQ(d.Lies("x.txt"), ExportText(t));
    EXPECT_THROW(TextExportieren(t, d.Pfad("fehlt/x.txt")), EInOutError);
}
