#include "common/Fehler.h"
#include "common/Ini.h"
#include "common/MessProg.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// sessions.ini as prepared on Windows: CRLF, Windows-1252, a full programme P1
// and a programme P2 that names nothing but Beendet.
const QString kSessions = QStringLiteral(NUVAR_FIXTURES "/sessions/sessions.ini");

class Datei {
public:
    explicit Datei(const QByteArray& inhalt) {
        QFile f(pfad_);
        if (f.open(QIODevice::WriteOnly))
            f.write(inhalt);
    }
    const QString& Pfad() const { return pfad_; }

private:
    QTemporaryDir dir_;
    QString pfad_ = dir_.filePath(QStringLiteral("sessions.ini"));
};

TMessProg Lies(const TIniFile& ini, const QString& kennung) {
    TMessProg mp;
    mp.Kennung = kennung;
    LiesMessprogramm(mp, ini);
    return mp;
}

} // namespace

TEST(LiesMessprogramm, AFullProgramme) {
    TIniFile ini(kSessions);
    const TMessProg mp = Lies(ini, QStringLiteral("P1"));
    EXPECT_EQ(mp.Kennung, QStringLiteral("P1"));
    EXPECT_EQ(mp.Bezeichnung, QStringLiteral("Versuchsfeld Nord"));
    EXPECT_EQ(mp.Verbindung, 2);  // 258: the low 8 bits
    EXPECT_EQ(mp.Schnittstelle, 1);
    EXPECT_EQ(mp.Baudrate, 5);
    EXPECT_EQ(mp.Rufnummer, QStringLiteral("03023125999"));
    EXPECT_EQ(mp.StatNr, 42);
    EXPECT_EQ(mp.StatName, QStringLiteral("Wetterstation No"));  // 20 characters, 16 kept
    EXPECT_EQ(mp.Standort.Standortname, U("München"));
    EXPECT_EQ(mp.Standort.Laenge, QStringLiteral("11,58 Ost"));
    EXPECT_EQ(mp.Standort.Breite, QStringLiteral("48,14 Nord"));
    EXPECT_EQ(mp.Standort.Zeitzone, 1);
    EXPECT_EQ(mp.Standort.Haude, 3);
    EXPECT_EQ(mp.Standort.Hoehe, 519);
    EXPECT_EQ(mp.Bemerkung, QStringLiteral("Testprogramm"));
    EXPECT_EQ(mp.Mittelwertzeit, 10);
    EXPECT_EQ(mp.Datenbank.DBPfad, QStringLiteral("C:\\Daten\\Station.db"));
    EXPECT_EQ(mp.Datenbank.DLAA, 7);
    EXPECT_EQ(mp.Auswertungsdatenbank.DBPfad, QStringLiteral("C:\\Daten\\Stationaus.db"));
    EXPECT_EQ(mp.Auswertungsdatenbank.DLAA, 0);
    EXPECT_TRUE(mp.SynopAuswahl);

    // MW1..MW3; MW4 is missing, so MW5 is never read. MW3's items 11 and 12
    // are ignored.
    ASSERT_EQ(mp.Kanaele.size(), 3u);
    EXPECT_EQ(mp.Kanaele[0].first, QStringLiteral("T2m"));
    EXPECT_EQ(mp.Kanaele[0].second, (TMesskanal{"T2m", U("°C"), "Temperatur 2 m", "Luft", 1, -2, -30.5f, 50, 0, 0.25f}));
    EXPECT_EQ(mp.Kanaele[1].first, QStringLiteral("Relat"));  // name and unit are cut
    EXPECT_EQ(mp.Kanaele[1].second, (TMesskanal{"Relat", "%rF", "Feuchte", "Luft", 3, 4, 0, 100, 1.5f, 2}));
    EXPECT_EQ(mp.Kanaele[2].second, (TMesskanal{"Extra", "Einh", "a", "b", 5, 6, 1, 2, 3, 4}));

    TExportformat e;
    e.Feld1 = 2;  // 258
    e.Feld2 = 1;
    e.Flags = {true, true, true, true};  // 60
    e.Dezimalzeichen = ',';
    e.Zeitzeichen = '.';
    e.Trennzeichen = ';';
    e.Feld8 = 1;
    e.Feld9 = 3;
    e.Feld10 = 1;
    e.Textzeichen = '\'';
    e.Fehlwert = QStringLiteral("k. A.");
    e.Feld13 = 5;
    EXPECT_EQ(mp.Exportformat, e);

    // 13 items: the thirteenth is ignored.
    EXPECT_EQ(mp.Angstroem_A, (TMonatswerte{0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 1.1, 1.2}));
    // Present but empty: the defaults.
    EXPECT_EQ(mp.Haude_RA, (TMonatswerte{0.20, 0.20, 0.22, 0.24, 0.29, 0.29, 0.28, 0.26, 0.23, 0.20, 0.20, 0.20}));
}

TEST(LiesMessprogramm, EveryDefault) {
    // P2 has only Beendet; an empty Kennung is taken from Allgemein/Aktiv (P2).
    TIniFile ini(kSessions);
    TMessProg mp;
    mp.Kanaele.emplace_back(QStringLiteral("alt"), TMesskanal{});  // must not survive a new read
    LiesMessprogramm(mp, ini);
    EXPECT_EQ(mp.Kennung, QStringLiteral("P2"));
    EXPECT_EQ(mp.Bezeichnung, QStringLiteral("<keine Bezeichnung>"));
    EXPECT_EQ(mp.Verbindung, 0);
    EXPECT_EQ(mp.Schnittstelle, 0);
    EXPECT_EQ(mp.Baudrate, 3);
    EXPECT_EQ(mp.Rufnummer, QString::fromLatin1(kStandardRufnummer));
    EXPECT_EQ(mp.StatNr, 0);
    EXPECT_EQ(mp.StatName, QStringLiteral("<kein Name>"));
    EXPECT_EQ(mp.Standort.Standortname, QStringLiteral("<kein Standort>"));
    EXPECT_EQ(mp.Standort.Laenge, QStringLiteral("00,00 Ost"));
    EXPECT_EQ(mp.Standort.Breite, QStringLiteral("00,00 Nord"));
    EXPECT_EQ(mp.Standort.Zeitzone, 0);
    EXPECT_EQ(mp.Standort.Haude, 0);
    EXPECT_EQ(mp.Standort.Hoehe, 10);
    EXPECT_EQ(mp.Bemerkung, QString());
    EXPECT_EQ(mp.Mittelwertzeit, 0);
    EXPECT_EQ(mp.Datenbank.DBPfad, QStringLiteral("<keine Datenbank>"));
    EXPECT_EQ(mp.Datenbank.DLAA, 0);
    EXPECT_EQ(mp.Auswertungsdatenbank.DBPfad, QStringLiteral("<keine Datenbank>aus.db"));
    EXPECT_TRUE(mp.Kanaele.empty());
    EXPECT_FALSE(mp.SynopAuswahl);

    TExportformat e;
    e.Feld1 = 1;
    e.Flags = {false, true, false, false};
    e.Dezimalzeichen = 46;
    e.Zeitzeichen = 58;
    e.Trennzeichen = 9;
    e.Feld9 = 2;
    e.Textzeichen = 34;
    e.Fehlwert = QStringLiteral("#NV");
    EXPECT_EQ(mp.Exportformat, e);

    // One value of every monthly table, each from another month, so that a
    // table in the wrong row or a shifted month shows.
    struct Stichprobe {
        TMonatswerte TMessProg::*tabelle;
        int monat;  // 0 = January
        double wert;
    } proben[] = {
        {&TMessProg::Angstroem_A, 0, 0.174},  {&TMessProg::Angstroem_B, 9, 0.53},
        {&TMessProg::Haude_FW, 1, 0.04},      {&TMessProg::Haude_BW, 11, 0.00},
        {&TMessProg::Haude_RA, 2, 0.22},      {&TMessProg::Haude_WI, 9, 0.22},
        {&TMessProg::Haude_MA, 7, 0.26},      {&TMessProg::Haude_ZR, 6, 0.37},
        {&TMessProg::Haude_WW, 5, 0.41},      {&TMessProg::Haude_WG, 4, 0.37},
        {&TMessProg::Haude_HA, 6, 0.45},      {&TMessProg::Haude_RO, 3, 0.23},
        {&TMessProg::Verhaeltnis_N, 11, 0.16},
    };
    for (const Stichprobe& p : proben)
        EXPECT_EQ((mp.*(p.tabelle))[p.monat], p.wert) << p.monat;
}

TEST(LiesMessprogramm, MissingFileGivesDefaults) {
    TIniFile ini(QStringLiteral("/nonexistent/sessions.ini"));
    const TMessProg mp = Lies(ini, QString());
    EXPECT_EQ(mp.Kennung, QString());
    EXPECT_EQ(mp.Bezeichnung, QStringLiteral("<keine Bezeichnung>"));
    EXPECT_EQ(mp.Baudrate, 3);
    EXPECT_EQ(mp.Angstroem_B[0], 0.526);
}

TEST(LiesMessprogramm, ExportformatFlags) {
    struct Fall {
        const char* item4;
        std::array<bool, 4> flags;
    } faelle[] = {
        {"60", {true, true, true, true}},
        {"3", {false, false, false, false}},
        {"8", {false, true, false, false}},
        {"4", {true, false, false, false}},
        {"32", {false, false, false, true}},
        {"-1", {true, true, true, true}},
        {"64", {false, false, false, false}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.item4);
        Datei d("[P]\nExportformat=1,0,0," + QByteArray(f.item4) + ",46,58,9,0,2,0,34,#NV,0\n");
        EXPECT_EQ(Lies(TIniFile(d.Pfad()), QStringLiteral("P")).Exportformat.Flags, f.flags);
    }
}

TEST(LiesMessprogramm, DerivedDatabasePath) {
    struct Fall {
        const char* dbPfad;
        const char* auswertung;
    } faelle[] = {
        {"C:\\Daten\\Station.db", "C:\\Daten\\Stationaus.db"},
        {"station", "stationaus.db"},
        {"C:\\Da.ten\\Station", "C:\\Da.ten\\Stationaus.db"},  // a dot of a directory is no extension
        {"/daten/st.alt.db", "/daten/st.altaus.db"},
        {"", "aus.db"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.dbPfad);
        EXPECT_EQ(Auswertungspfad(U(f.dbPfad)), U(f.auswertung));
    }
}

TEST(LiesMessprogramm, MalformedListsStopReadingAndLeaveTheProgrammeAlone) {
    const QByteArray gutesMW = "MW1=T,C,a,b,1,2,0,0,0,0\n";
    struct Fall {
        QByteArray zeilen;
        const char* meldung;
    } faelle[] = {
        {"MW1=T,C,a,b,1,2,0,0,0\n", "Die Liste MW1 im Abschnitt [P] hat 9 Einträge, nötig sind mindestens 10."},
        {gutesMW + "MW2=T,C\n", "Die Liste MW2 im Abschnitt [P] hat 2 Einträge, nötig sind mindestens 10."},
        {"Angstroem_A=1,2,3,4,5,6,7,8,9,10,11\n",
         "Die Liste Angstroem_A im Abschnitt [P] hat 11 Einträge, nötig sind mindestens 12."},
        {"Haude_RA=,\n", "Die Liste Haude_RA im Abschnitt [P] hat 1 Einträge, nötig sind mindestens 12."},
        {"Exportformat=1,0,0,8,46,58,9,0,2,0,34,#NV\n",
         "Die Liste Exportformat im Abschnitt [P] hat 12 Einträge, nötig sind mindestens 13."},
        {"MW1=T,C,a,b,x,2,0,0,0,0\n", "Eintrag 5 der Liste MW1 im Abschnitt [P]: 'x' ist kein gültiger Integerwert"},
        {"MW1=T,C,a,b,1,2,0.5,0,0,0\n",
         "Eintrag 7 der Liste MW1 im Abschnitt [P]: '0.5' ist kein gültiger Gleitkommawert"},
        {"MW1=T,C,a,b,1,2,0,0,0,1E39\n",  // too large for the channel's 32-bit value
         "Eintrag 10 der Liste MW1 im Abschnitt [P]: '1E39' ist kein gültiger Gleitkommawert"},
        {"Exportformat=1,0,0,acht,46,58,9,0,2,0,34,#NV,0\n",
         "Eintrag 4 der Liste Exportformat im Abschnitt [P]: 'acht' ist kein gültiger Integerwert"},
        {"Haude_WW=1,2,abc,4,5,6,7,8,9,10,11,12\n",
         "Eintrag 3 der Liste Haude_WW im Abschnitt [P]: 'abc' ist kein gültiger Gleitkommawert"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.zeilen.constData());
        Datei d("[Allgemein]\nAktiv=P\n[P]\nBezeichnung=Neu\n" + f.zeilen);
        TIniFile ini(d.Pfad());
        TMessProg mp;
        mp.Bezeichnung = QStringLiteral("vorher");
        try {
            LiesMessprogramm(mp, ini);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Meldung(), U(f.meldung));
        }
        EXPECT_EQ(mp.Kennung, QString());
        EXPECT_EQ(mp.Bezeichnung, QStringLiteral("vorher"));
    }
}

TEST(Messprogrammliste, RowsOfTheFixture) {
    TIniFile ini(kSessions);
    const auto zeilen = FuelleMessprogrammliste(ini);
    ASSERT_EQ(zeilen.size(), 2u);
    const TMessprogrammZeile& p1 = zeilen[0];
    EXPECT_EQ(p1.Bezeichnung, QStringLiteral("Versuchsfeld Nord"));
    EXPECT_EQ(p1.StatNr, QStringLiteral("0042"));  // as written
    EXPECT_EQ(p1.StatName, QStringLiteral("Wetterstation Nord 1"));  // not cut
    EXPECT_EQ(p1.Standortname, U("München"));
    EXPECT_EQ(p1.Element.Kennung, QStringLiteral("P1"));
    EXPECT_FALSE(p1.Element.Beendet);
    EXPECT_EQ(p1.Bild(), 0);
    const TMessprogrammZeile& p2 = zeilen[1];
    EXPECT_EQ(p2.Bezeichnung, QStringLiteral("<keine Bezeichnung>"));
    EXPECT_EQ(p2.StatNr, QStringLiteral("000"));
    EXPECT_EQ(p2.StatName, QStringLiteral("<kein Name>"));
    EXPECT_EQ(p2.Standortname, QStringLiteral("<kein Standort>"));
    EXPECT_EQ(p2.Element.Kennung, QStringLiteral("P2"));
    EXPECT_TRUE(p2.Element.Beendet);
    EXPECT_EQ(p2.Bild(), 2);
}

TEST(Messprogrammliste, WhichSectionsArePrograms) {
    struct Fall {
        const char* name;
        QByteArray inhalt;
        QStringList kennungen;
    } faelle[] = {
        {"missing file", QByteArray(), {}},
        {"only Allgemein", "[Allgemein]\nAktiv=P1\n", {}},
        {"only one programme", "[P1]\nBezeichnung=x\n", {}},
        {"Allgemein in any case, in the middle", "[B]\n[allgemein]\n[A]\n[B]\nx=1\n", {"B", "A"}},
        {"no Allgemein: every section", "[P1]\n[P2]\n", {"P1", "P2"}},
        {"file order, keys as written", "[Allgemein]\n[zz]\n[P10]\n[p2]\n", {"zz", "P10", "p2"}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        QTemporaryDir dir;
        const QString pfad = dir.filePath(QStringLiteral("sessions.ini"));
        if (!f.inhalt.isNull()) {
            QFile d(pfad);
            ASSERT_TRUE(d.open(QIODevice::WriteOnly));
            d.write(f.inhalt);
        }
        QStringList kennungen;
        for (const TMessprogrammZeile& z : FuelleMessprogrammliste(TIniFile(pfad)))
            kennungen.append(z.Element.Kennung);
        EXPECT_EQ(kennungen, f.kennungen);
    }
}

TEST(Messprogrammliste, FindeMessprogrammIsExactAndTakesTheFirst) {
    std::vector<TMessprogrammZeile> zeilen(4);
    const char* kennungen[] = {"P1", "P2", "P 3", "P2"};
    for (int i = 0; i < 4; ++i)
        zeilen[i].Element.Kennung = QString::fromUtf8(kennungen[i]);
    zeilen[3].Bezeichnung = QStringLiteral("zweites P2");
    struct Fall {
        const char* kennung;
        int index;
    } faelle[] = {{"P1", 0}, {"p1", -1}, {"P2", 1}, {"P 3", 2}, {"P3", -1}, {"", -1}, {"P1 ", -1}};
    for (const Fall& f : faelle)
        EXPECT_EQ(FindeMessprogramm(U(f.kennung), zeilen), f.index) << f.kennung;
    EXPECT_EQ(FindeMessprogramm(QStringLiteral("P1"), {}), -1);
}
