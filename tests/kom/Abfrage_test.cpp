// Station queries: the parameter download and its decoding, the station
// block, the logger clock and the station check.
#include "Pruefstand.h"

#include "common/FunktionenTypen.h"

#include <gtest/gtest.h>

using namespace nuvar;
using namespace nuvar::test;

namespace {

struct ParErgebnis {
    bool ok = false;
    TStationsParameter station;
    TKanalTabelle kanaele{};
    THardwareTabelle hardware{};
    QDateTime uhr;
    QByteArray typ;
};

ParErgebnis GetPar(Pruefstand& s) {
    ParErgebnis e;
    e.ok = s.F().GetPar(e.station, e.kanaele, e.hardware, e.uhr, e.typ);
    return e;
}

Parameterabbild Beispiel() {
    Parameterabbild a;
    a.Slot(7, 5, 1, "mm", "Regen");
    a.Slot(0, 0x12, 2, "\xF8" "C", "LT");  // OEM degree sign stays a byte
    a.Slot(3, 5, 0);                       // position 0: unused
    a.Slot(4, 0, 3);                       // sensor code 0: unused
    a.Station(Stationsblock(7, "Hohe Warte", 10, 40000));
    a.Hardware(7, 3);
    a.Hardware(95, 9);
    a.Uhr("990101235958");
    a.Typ("VRX420");
    // CR bytes in the blocks must not end them.
    a.bytes[2950] = '\r';
    return a;
}

} // namespace

TEST(GetPar, DreiBloeckeVollstaendigDecodiert) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.Bloecke("GETPAR", Beispiel().bytes);
    const ParErgebnis e = GetPar(s);
    ASSERT_TRUE(e.ok) << s.Zeilen().join('|').toStdString();
    EXPECT_EQ(e.station.Kanalanzahl, 2);
    // Slot 7 with position 1 fills entry 0.
    EXPECT_EQ(e.kanaele[0].Kanalnummer, 7);
    EXPECT_EQ(e.kanaele[0].Position, 1);
    EXPECT_EQ(e.kanaele[0].Sensorcode, 5);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(e.kanaele[0].Einheit.data()), 5), QByteArray("mm\0\0\0", 5));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(e.kanaele[0].Bezeichnung.data()), 6),
              QByteArray("Regen\0", 6));
    EXPECT_EQ(e.kanaele[0].a, 1.5f);
    EXPECT_EQ(e.kanaele[0].b, -2.0f);
    EXPECT_EQ(e.kanaele[0].Max, 100.0f);
    EXPECT_EQ(e.kanaele[1].Kanalnummer, 0);
    EXPECT_EQ(e.kanaele[1].Einheit[0], 0xF8);
    EXPECT_EQ(e.kanaele[2].Sensorcode, 0);  // untouched
    EXPECT_EQ(e.station.Stationsnummer, 7);
    EXPECT_EQ(e.station.Mittelwertintervall, 10);
    EXPECT_EQ(e.station.Messintervall, 60);
    EXPECT_EQ(e.station.Batteriespannung, 12.5f);
    EXPECT_EQ(e.station.FreieTage, 123);
    EXPECT_EQ(e.station.Speichergroesse, 8);
    EXPECT_EQ(e.station.Datensaetze, 40000);  // five digits, no 16-bit wrap
    EXPECT_EQ(e.hardware[7], 3);
    EXPECT_EQ(e.hardware[95], 9);
    EXPECT_EQ(e.uhr, QDateTime(QDate(1999, 1, 1), QTime(23, 59, 58)));
    EXPECT_EQ(e.typ, "VRX420");
    // The download: command, ACK for each of the three blocks.
    EXPECT_EQ(s.peer.Stuecke(), (QList<QByteArray>{BaueRahmen("GETPAR"), AckZeile(), AckZeile(), AckZeile()}));
    EXPECT_EQ(s.Zeilen(), (QStringList{"Sende Befehl GETPAR...", "Warte auf Antwort...", "Antwort empfangen..."}));
    EXPECT_FALSE(s.F().Busy());
}

TEST(GetPar, AbgebrocheneUebertragungBehaeltDieErstenKanaele) {
    struct {
        const char* name;
        int bloecke;
    } faelle[] = {{"ein Block", 1}, {"zwei Bloecke", 2}};
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        s.Bloecke("GETPAR", Beispiel().bytes, f.bloecke);
        const Millis start = s.pump.now();
        const ParErgebnis e = GetPar(s);
        EXPECT_FALSE(e.ok) << f.name;
        EXPECT_EQ(e.kanaele[0].Kanalnummer, 7) << f.name;
        EXPECT_EQ(s.Zeilen().mid(2), (QStringList{"Befehls-Timeout!", "Antwort empfangen...",
                                                  "Fehler - Antwort kann nicht dekodiert werden."}))
            << f.name;
        EXPECT_LT(s.pump.now() - start, 60000) << f.name;
    }
}

TEST(GetPar, KeinBlockPruefsummenfehler) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    const ParErgebnis e = GetPar(s);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(s.peer.Anzahl("GETPAR"), 3);
    EXPECT_EQ(s.Zeilen().last(), "Fehler - Pruefsummenfehler in der Antwort.");
}

TEST(GetPar, PositionenUeber64UndDoppelteKanaele) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    Parameterabbild a = Beispiel();
    a.Slot(20, 5, 65);  // beyond the table: not taken
    a.Slot(21, 6, 1);   // same position as slot 7: both count, the later fills
    s.Bloecke("GETPAR", a.bytes);
    const ParErgebnis e = GetPar(s);
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.station.Kanalanzahl, 3);
    EXPECT_EQ(e.kanaele[0].Kanalnummer, 21);
    EXPECT_TRUE(s.Zeilen().contains("Kanal an Eingang 20 mit Position 65 übergangen (höchstens 64 Kanäle)."));

    // 96 slots of one position would count 96 channels: cut to the table.
    Pruefstand s2;
    ASSERT_TRUE(s2.Verbinde());
    Parameterabbild b = Beispiel();
    for (int k = 0; k < 96; ++k) b.Slot(k, 5, 1);
    s2.Bloecke("GETPAR", b.bytes);
    const ParErgebnis e2 = GetPar(s2);
    EXPECT_EQ(e2.station.Kanalanzahl, 64);
    EXPECT_TRUE(s2.Zeilen().contains("Kanalanzahl 96 auf 64 gekürzt."));
}

TEST(GetPar, UngueltigeFelder) {
    struct {
        const char* name;
        std::function<void(Parameterabbild&)> aendern;
    } faelle[] = {
        {"Stationsnummer", [](Parameterabbild& a) { a.bytes[2784] = 'x'; }},
        {"Batterie", [](Parameterabbild& a) { a.bytes.replace(2784 + 19, 4, "ab.c"); }},
        {"Datum", [](Parameterabbild& a) { a.Uhr("991301000000"); }},
        {"Uhrzeit", [](Parameterabbild& a) { a.Uhr("990101250000"); }},
    };
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        Parameterabbild a = Beispiel();
        f.aendern(a);
        s.Bloecke("GETPAR", a.bytes);
        EXPECT_FALSE(GetPar(s).ok) << f.name;
        EXPECT_EQ(s.Zeilen().last(), "Fehler - Antwort kann nicht dekodiert werden.") << f.name;
    }
}

TEST(GetPar, BesetztesFensterSendetNichts) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.F().Austausch().Beginne();
    EXPECT_FALSE(GetPar(s).ok);
    TStationsParameter st;
    EXPECT_FALSE(s.F().GetSta(st));
    QDateTime u;
    double d;
    EXPECT_FALSE(s.F().GetTim(u, d));
    s.pump.advance(1000);
    EXPECT_TRUE(s.peer.empfangen.empty());
}

TEST(GetSta, NameMitBlanksUndNullbyte) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.antworten["GETSTA"] = {BaueRahmen(Stationsblock(12, "Feld", 15, 99999))};
    TStationsParameter st;
    st.Kanalanzahl = 5;
    ASSERT_TRUE(s.F().GetSta(st));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(st.Stationsname.data()), 17),
              QByteArray("Feld            \0", 17));
    EXPECT_EQ(st.encodeStationsrecord()[18], 0);
    EXPECT_EQ(st.Stationsnummer, 12);
    EXPECT_EQ(st.Mittelwertintervall, 15);
    EXPECT_EQ(st.Datensaetze, 99999);
    EXPECT_EQ(st.Kanalanzahl, 5);  // not part of the station block
    // The reply was acknowledged.
    s.pump.advance(100);
    EXPECT_EQ(s.peer.Stuecke(), (QList<QByteArray>{BaueRahmen("GETSTA"), AckZeile()}));
}

TEST(GetSta, UnlesbareAntwort) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.antworten["GETSTA"] = {BaueRahmen("zu kurz")};
    TStationsParameter st;
    EXPECT_FALSE(s.F().GetSta(st));
    EXPECT_EQ(s.Zeilen().last(), "Fehler - Antwort kann nicht dekodiert werden.");
}

TEST(Uhrzeit, ZweistelligeJahreImFensterVon90Jahren) {
    struct {
        int heute;
        const char* text;
        int jahr;
    } faelle[] = {{2005, "99", 1999}, {2005, "15", 1915}, {2006, "15", 2015}, {2005, "14", 2014},
                  {2026, "36", 1936}, {2026, "35", 2035}};
    for (const auto& f : faelle) {
        Pruefstand s;
        s.basis = QDateTime(QDate(f.heute, 6, 1), QTime(0, 0));
        const QDateTime t = s.F().LiesZeitText(QByteArray(f.text) + "0203040506");
        EXPECT_EQ(t, QDateTime(QDate(f.jahr, 2, 3), QTime(4, 5, 6))) << f.heute << " " << f.text;
    }
}

TEST(GetTim, DifferenzLoggerMinusPc) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    // The PC clock reads 15.06.2005 12:00 plus the virtual time; the logger
    // runs one hour behind.
    const QDateTime pc = s.basis.addMSecs(s.pump.now());
    const QDateTime logger = pc.addSecs(-3600);
    s.antworten["GETTIM"] = {BaueRahmen(TNUVARFenster::ZeitText(logger))};
    QDateTime uhr;
    double diff = 0;
    ASSERT_TRUE(s.F().GetTim(uhr, diff));
    EXPECT_EQ(uhr, logger.addMSecs(-logger.time().msec()));
    EXPECT_LT(diff, -3600.0 / 86400.0 + 0.0001);
    EXPECT_GT(diff, -3600.0 / 86400.0 - 0.0001);
}

TEST(CheckStation, MeldungenNachArtDesAbbruchs) {
    const QString nummer =
        "Die Stationsnummer des ausgewählten Messprogramms stimmt nicht\nmit der Stationsnummer der verbundenen "
        "Messstation überein!";
    const QString mittel =
        "Die Mittelwertzeit des ausgewählten Messprogramms stimmt nicht\nmit der Mittelwertzeit der verbundenen "
        "Messstation überein!";
    struct {
        const char* name;
        int statNr, mittelwertzeit;
        bool halt;
        bool ok;
        QString text;
        TSkriptMeldungen::Art art;
    } faelle[] = {
        {"passt", 7, 10, true, true, "", TSkriptMeldungen::Art::Fehler},
        {"Nummer modal", 8, 10, true, false, nummer, TSkriptMeldungen::Art::Fehler},
        {"Nummer kurz", 8, 15, false, false, nummer, TSkriptMeldungen::Art::FehlerKurz},
        {"nur Mittelwertzeit", 7, 15, true, false, mittel, TSkriptMeldungen::Art::Fehler},
    };
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        s.antworten["GETSTA"] = {BaueRahmen(Stationsblock(7, "Hohe Warte", 10))};
        TVerbParam p = s.Direkt();
        p.StatNr = f.statNr;
        p.Mittelwertzeit = f.mittelwertzeit;
        p.HaltBeiFehler = f.halt;
        EXPECT_EQ(s.F().CheckStation(p), f.ok) << f.name;
        if (f.ok) {
            EXPECT_TRUE(s.meldungen.gezeigt.empty()) << f.name;
        } else {
            ASSERT_EQ(s.meldungen.gezeigt.size(), 1u) << f.name;
            EXPECT_EQ(s.meldungen.gezeigt[0].text, f.text) << f.name;
            EXPECT_EQ(s.meldungen.gezeigt[0].art, f.art) << f.name;
        }
    }
    // No reply: only the status lines of GETSTA report it.
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    EXPECT_FALSE(s.F().CheckStation(s.Direkt()));
    EXPECT_TRUE(s.meldungen.gezeigt.empty());
}
