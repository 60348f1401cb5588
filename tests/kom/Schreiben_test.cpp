// Write commands: clock, station parameters, channel table, digital output,
// clearing the memory and ending the instantaneous stream.
#include "Pruefstand.h"

#include <gtest/gtest.h>

using namespace nuvar;
using namespace nuvar::test;

namespace {

TStationsParameter Station(int nummer, const QByteArray& name, int mittel, int mess, int sleep) {
    TStationsParameter s;
    s.Stationsnummer = std::int16_t(nummer);
    for (int i = 0; i < name.size(); ++i) s.Stationsname[i] = std::uint8_t(name[i]);
    s.Mittelwertintervall = std::int16_t(mittel);
    s.Messintervall = std::int16_t(mess);
    s.Sleepmodus = std::int16_t(sleep);
    s.Batteriespannung = 12.5f;
    s.Datensaetze = 500;
    return s;
}

} // namespace

TEST(SetSta, NutzdatenImLayoutDesStationsblocks) {
    const QByteArray p = TNUVARFenster::SetStaNutzdaten(Station(7, "Feld", 10, 60, 0));
    EXPECT_EQ(p, QByteArray("007") + QByteArray(12, ' ') + "Feld" + "0000" + "10" + "060" + "0" + "0000000000000");
    EXPECT_EQ(p.size(), 42);
    // A name of 16 characters fills the field.
    EXPECT_EQ(TNUVARFenster::SetStaNutzdaten(Station(123, "ABCDEFGHIJKLMNOP", 5, 1, 1)),
              QByteArray("123ABCDEFGHIJKLMNOP") + "0000" + "05" + "001" + "1" + QByteArray(13, '0'));
}

TEST(SetSta, ZweiRahmenUndAbschliessendesAck) {
    struct {
        const char* name;
        QByteArray befehlsantwort;
        bool ok;
        QStringList zeilen;
    } faelle[] = {
        {"bestaetigt", AckZeile(), true,
         {"Sende Befehl SETSTA...", "Warte auf Antwort...", "Antwort empfangen...", "Sende Stationsparameter...",
          "Warte auf Antwort...", "Antwort empfangen...", "Sende Bestätigung..."}},
        {"NAK, Parameter trotzdem", NakZeile(), true,
         {"Sende Befehl SETSTA...", "Warte auf Antwort...", "Fehler - Befehl nicht erkannt.",
          "Sende Stationsparameter...", "Warte auf Antwort...", "Antwort empfangen...", "Sende Bestätigung..."}},
    };
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        const TStationsParameter st = Station(7, "Feld", 10, 60, 0);
        const QByteArray nutz = TNUVARFenster::SetStaNutzdaten(st);
        s.antworten["SETSTA"] = {f.befehlsantwort};
        s.antworten[nutz] = {OkRahmen()};
        EXPECT_EQ(s.F().SetSta(st), f.ok) << f.name;
        EXPECT_EQ(s.Zeilen(), f.zeilen) << f.name;
        s.pump.advance(100);
        EXPECT_EQ(s.peer.Stuecke(), (QList<QByteArray>{BaueRahmen("SETSTA"), BaueRahmen(nutz), AckZeile()}))
            << f.name;
        EXPECT_FALSE(s.F().Busy());
    }
}

TEST(SetSta, OhneBestaetigungNach60Sekunden) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    const TStationsParameter st = Station(7, "Feld", 10, 60, 0);
    s.antworten["SETSTA"] = {AckZeile()};
    const Millis start = s.pump.now();
    EXPECT_TRUE(s.F().SetSta(st));  // the command frame was acknowledged
    EXPECT_GE(s.pump.now() - start, 60000);
    const QStringList z = s.Zeilen();
    EXPECT_EQ(z.mid(z.size() - 3),
              (QStringList{"Befehls-Timeout!", "Fehler - Keine Antwort empfangen.", "Sende Bestätigung..."}));
    EXPECT_EQ(s.peer.Anzahl(TNUVARFenster::SetStaNutzdaten(st)), 3);
    EXPECT_EQ(s.peer.Stuecke().last(), AckZeile());
}

TEST(SetTim, PcZeitDesAugenblicksDesParameterrahmens) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    Millis gesendet = -1;
    QByteArray zeit;
    s.peer.beiZeile = [&](const QByteArray& z) {
        if (z == BaueRahmen("SETTIM")) {
            s.peer.Sende(AckZeile(), 1500);  // a slow logger
        } else if (z != AckZeile()) {
            zeit = TNUVARFenster::CheckFrame(OhneCR(z));
            gesendet = s.pump.now();
            s.peer.Sende(OkRahmen());
        }
    };
    const Millis start = s.pump.now();
    EXPECT_TRUE(s.F().SetTim(true, QDateTime(), 0.0));
    ASSERT_GE(gesendet, start + 2000);
    // The frame carries the clock when it was built (on the wire for ~17 ms).
    const QDateTime gebaut = s.basis.addMSecs(gesendet);
    EXPECT_EQ(zeit, TNUVARFenster::ZeitText(gebaut.addMSecs(-20)));
    EXPECT_TRUE(s.Zeilen().contains("Sende Zeit: " + QString::fromLatin1(zeit) + "..."));
    s.pump.advance(100);
    EXPECT_EQ(s.peer.Stuecke().last(), AckZeile());

    // A given time goes out as it is.
    s.peer.empfangen.clear();
    s.antworten["SETTIM"] = {AckZeile()};
    s.antworten["051224183000"] = {OkRahmen()};
    s.peer.beiZeile = [&](const QByteArray& z) { s.Antworte(z); };
    EXPECT_TRUE(s.F().SetTim(false, QDateTime(QDate(2005, 12, 24), QTime(18, 30, 0))));
    EXPECT_EQ(s.peer.Anzahl("051224183000"), 1);
}

TEST(SetTim, NakAufDenBefehlBeendet) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.antworten["SETTIM"] = {NakZeile()};
    EXPECT_FALSE(s.F().SetTim(true, QDateTime()));
    EXPECT_EQ(s.Zeilen().mid(2), (QStringList{"Fehler - Befehl nicht erkannt.", "Fehler - Befehl nicht erkannt!"}));
    s.pump.advance(100);
    EXPECT_EQ(s.peer.Stuecke(), QList<QByteArray>{BaueRahmen("SETTIM")});
}

TEST(SetCct, AbbildUndDreiBloecke) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    TKanalTabelle k{};
    k[0].Kanalnummer = 95;
    k[0].Sensorcode = 0x21;
    k[0].Einheit = {'m', '/', 's', 0, 0};
    k[0].a = 2.0f;
    k[0].Position = 1;
    k[1].Kanalnummer = 3;
    k[1].Sensorcode = 7;
    k[1].Position = 2;
    k[2].Kanalnummer = 200;  // no such input: refused
    k[2].Sensorcode = 9;
    k[2].Position = 3;
    TStationsParameter st;
    st.Kanalanzahl = 3;
    const QByteArray abbild = s.F().SetCctAbbild(st, k);
    ASSERT_EQ(abbild.size(), 3072);
    const auto e = k[0].encode();
    EXPECT_EQ(abbild.mid(2755, 29), QByteArray(reinterpret_cast<const char*>(e.data()) + 1, 29));
    EXPECT_EQ(abbild.at(29 * 3), 7);
    EXPECT_EQ(abbild.at(29 * 3 + 28), 2);
    EXPECT_EQ(abbild.mid(2784), QByteArray(288, '\0'));
    EXPECT_EQ(abbild.count(char(9)), 0);
    EXPECT_EQ(s.Zeilen().last(), "Kanal 3: Eingang 200 gibt es nicht, nicht gesendet.");

    s.ansicht->zeilen.clear();
    s.antworten["SETCCT"] = {AckZeile()};
    s.peer.beiZeile = [&](const QByteArray& z) {
        if (z == BaueRahmen("SETCCT")) s.peer.blocksErwartet = 3;
        if (z.size() == kBlockLaenge || z == BaueRahmen("SETCCT")) s.peer.Sende(AckZeile());
    };
    EXPECT_TRUE(s.F().SetCct(st, k));
    const QList<QByteArray> stuecke = s.peer.Stuecke();
    ASSERT_EQ(stuecke.size(), 4);
    for (int n = 0; n < 3; ++n) EXPECT_EQ(stuecke[1 + n], BaueBlock(abbild.mid(1024 * n, 1024), '\x03'));
    EXPECT_TRUE(s.Zeilen().contains("Datenblock 1 gesendet..."));
    EXPECT_TRUE(s.Zeilen().contains("Datenblock 3 gesendet..."));
}

TEST(SetCct, KeineKanaeleUndAbgelehnterBlock) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    TKanalTabelle k{};
    TStationsParameter st;
    int block = 0;
    s.peer.beiZeile = [&](const QByteArray& z) {
        if (z == BaueRahmen("SETCCT")) {
            s.peer.blocksErwartet = 3;
            s.peer.Sende(AckZeile());
        } else if (z.size() == kBlockLaenge) {
            // The second block is rejected and not sent again.
            s.peer.Sende(++block == 2 ? NakZeile() : AckZeile());
        }
    };
    const Millis start = s.pump.now();
    s.F().SetCct(st, k);
    const QList<QByteArray> stuecke = s.peer.Stuecke();
    ASSERT_EQ(stuecke.size(), 3);  // the third block is never sent: the 60 s ran out
    EXPECT_EQ(stuecke[1], BaueBlock(QByteArray(1024, '\0'), '\x03'));
    EXPECT_GE(s.pump.now() - start, 60000);
    EXPECT_EQ(s.Zeilen().mid(s.Zeilen().size() - 1), QStringList{"Fehler - Datenblock fehlerhaft übertragen."});
}

TEST(SetOut, NutzdatenUnd30SekundenGrenze) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.antworten["SETOUT"] = {AckZeile()};
    s.antworten["002255"] = {OkRahmen()};
    EXPECT_TRUE(s.F().SetOut(2, 255));
    s.pump.advance(100);
    EXPECT_EQ(s.peer.Stuecke(), (QList<QByteArray>{BaueRahmen("SETOUT"), BaueRahmen("002255"), AckZeile()}));

    s.peer.empfangen.clear();
    s.antworten["002255"] = {BaueRahmen("XXXXXX")};  // clears Busy, never confirms
    const Millis start = s.pump.now();
    EXPECT_FALSE(s.F().SetOut(2, 255));
    EXPECT_GE(s.pump.now() - start, 30000);
    EXPECT_LT(s.pump.now() - start, 35000);

    s.F().Austausch().Beginne();
    EXPECT_FALSE(s.F().SetOut(1, 1));
}

TEST(McDel, AntwortenUndStatuszeilen) {
    struct {
        QByteArray antwort;
        QStringList zusatz;
    } faelle[] = {
        {"OK    ", {"Antwort empfangen...", "Memory Card gelöscht..."}},
        {"ERR001", {"Antwort empfangen...", "Memory Card fehlt!"}},
        {"ERR002", {"Antwort empfangen..."}},
    };
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        s.antworten["MCDEL "] = {BaueRahmen(f.antwort)};
        EXPECT_TRUE(s.F().McDel());
        EXPECT_EQ(s.Zeilen(), QStringList({"Sende Befehl MCDEL_...", "Warte auf Antwort..."}) + f.zusatz);
    }
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    EXPECT_FALSE(s.F().McDel());
    EXPECT_EQ(s.peer.Anzahl("MCDEL "), 3);
}

TEST(StopMo, BeendetDenMomentanzustand) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.antworten["READMO"] = {AckZeile()};
    ASSERT_TRUE(s.F().ReadMo(2));
    s.antworten["STOPMO"] = {AckZeile()};
    EXPECT_TRUE(s.F().StopMo());
    EXPECT_EQ(s.F().ExchangeState(), TEmpfangsZustand::Quittung);
    EXPECT_EQ(s.Zeilen().mid(s.Zeilen().size() - 3),
              (QStringList{"Sende Befehl STOPMO...", "Warte auf Antwort...", "Antwort empfangen..."}));
}
