// The exchange engine on the virtual clock: frames, checks, repeats and
// timeouts, block reception, the instantaneous stream, line errors.
#include "Pruefstand.h"

#include "kom/protocol/Momentanempfang.h"
#include "platform/TriggerPort.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace nuvar;
using namespace nuvar::test;

namespace {

QByteArray B(const char* s) { return QByteArray(s); }

QByteArray Block(char fuellung, char ende = 0x03) {
    QByteArray d(1024, fuellung);
    return BaueBlock(d, ende);
}

} // namespace

TEST(Befehlsrahmen, JederBefehlswortMitSeinenPruefziffern) {
    struct {
        const char* wort;
        const char* ziffern;
    } faelle[] = {{"GETPAR", "030"}, {"GETSTA", "027"}, {"GETTIM", "013"}, {"GETMDX", "012"},
                  {"GETMED", "017"}, {"GETGMD", "019"}, {"READMC", "023"}, {"READMO", "027"},
                  {"STOPMO", "017"}, {"SETSTA", "015"}, {"SETCCT", "029"}, {"SETTIM", "025"},
                  {"SETOUT", "007"}, {"MCDEL ", "104"}};
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.antworten.clear();
    s.weckenBeantworten = false;
    for (const auto& f : faelle) {
        s.peer.empfangen.clear();
        s.F().SendCommand(f.wort, 0, 2);
        s.pump.advance(100);
        ASSERT_EQ(s.peer.empfangen.size(), 1u) << f.wort;
        EXPECT_EQ(s.peer.empfangen[0].bytes, B("\x02\n") + f.wort + '\x03' + f.ziffern + '\r') << f.wort;
    }
}

TEST(CheckFrame, PruefungUndNutzdaten) {
    const QByteArray ab("\x02\nAB\x03");
    const int x = XorSumme(ab);
    char z[8];
    std::snprintf(z, sizeof z, "%.3d", x + 256);
    struct {
        const char* name;
        QByteArray rahmen;
        QByteArray erwartet;
    } faelle[] = {
        {"gueltig", ab + PruefZiffern(x), "AB"},
        {"falsche Ziffern", ab + PruefZiffern(x + 1), ""},
        {"Ziffern modulo 256", ab + z, "AB"},
        {"leere Nutzdaten", QByteArray("\x02\n\x03") + PruefZiffern(0x02 ^ 0x0A ^ 0x03), ""},
        {"zu kurz", QByteArray("\x02\n"), ""},
        {"nur Ziffern", QByteArray("000"), ""},
    };
    for (const auto& f : faelle) EXPECT_EQ(TNUVARFenster::CheckFrame(f.rahmen), f.erwartet) << f.name;

    // XOR 15 passes with the digit field 271; a field of letters counts 0, so
    // a frame whose XOR is 0 passes with it.
    const QByteArray x15("\x02\n\x04\x03");
    ASSERT_EQ(XorSumme(x15), 15);
    EXPECT_EQ(TNUVARFenster::CheckFrame(x15 + "271"), "\x04");
    const QByteArray x0("\x02\n\x0B\x03");
    ASSERT_EQ(XorSumme(x0), 0);
    EXPECT_EQ(TNUVARFenster::CheckFrame(x0 + "abc"), "\x0B");
    EXPECT_EQ(TNUVARFenster::CheckFrame(x0 + "001"), "");
}

TEST(Antwortzeit, OhneAntwortDreimalGesendetDannTimeout) {
    struct {
        int art;
        int ticks;
    } faelle[] = {{0, 91}, {1, 36}, {2, 91}, {3, 91}, {4, 91}, {5, 91}};
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        s.weckenBeantworten = false;
        auto& w = s.F();
        s.ansicht->zeilen.clear();
        w.Austausch().Beginne();
        w.SendCommand("GETSTA", f.art, 2);
        s.pump.waitUntil([&] { return !w.Busy(); }, 60000);
        EXPECT_FALSE(w.Busy());
        const auto zeiten = s.peer.Zeiten(BaueRahmen("GETSTA"));
        ASSERT_EQ(zeiten.size(), 3u) << "kind " << f.art;
        EXPECT_EQ(zeiten[1] - zeiten[0], TicksToMs(f.ticks)) << "kind " << f.art;
        EXPECT_EQ(zeiten[2] - zeiten[1], TicksToMs(f.ticks)) << "kind " << f.art;
        EXPECT_EQ(s.Zeilen(), QStringList{"Befehls-Timeout!"});
        EXPECT_TRUE(w.Reply().isEmpty());
    }
}

TEST(Antwortzeit, WeckbefehlOhneAntwort) {
    Pruefstand s;
    s.weckenBeantworten = false;
    s.antworten["STOPMO"] = {QByteArray()};
    EXPECT_FALSE(s.F().Connect(s.Direkt()));
    EXPECT_EQ(s.peer.Anzahl("STOPMO"), 3);
    const QStringList z = s.Zeilen();
    ASSERT_GE(z.size(), 2);
    EXPECT_EQ(z[z.size() - 2], "Befehls-Timeout!");
    EXPECT_EQ(z.last(), "Fehler - Keine Antwort empfangen.");
}

TEST(Datenantwort, NakDesLoggersWiederholtDenBefehl) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.antworten["GETSTA"] = {NakZeile()};
    TStationsParameter st;
    EXPECT_FALSE(s.F().GetSta(st));
    EXPECT_EQ(s.peer.Anzahl("GETSTA"), 3);
    EXPECT_TRUE(s.Zeilen().contains("Fehler - Pruefsummenfehler in der Antwort."));
}

TEST(Datenantwort, FalschePruefsummeZweiNakDannAck) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    QByteArray kaputt = BaueRahmen("123456789012");
    kaputt[kaputt.size() - 2] = kaputt[kaputt.size() - 2] == '9' ? '8' : '9';
    s.peer.beiZeile = [&](const QByteArray& z) {
        // The logger repeats its bad reply on every NAK.
        if (z == BaueRahmen("GETTIM") || z == NakZeile()) s.peer.Sende(kaputt);
    };
    QDateTime uhr;
    double diff = 0;
    EXPECT_FALSE(s.F().GetTim(uhr, diff));
    const QList<QByteArray> erwartet{BaueRahmen("GETTIM"), NakZeile(), NakZeile(), AckZeile()};
    EXPECT_EQ(s.peer.Stuecke(), erwartet);
    EXPECT_FALSE(s.F().Busy());
}

TEST(Datenantwort, AckOhneDatenEndetDurchDenHangTimer) {
    // An ACK line alone stops the response timer; the wait must still end.
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.antworten["GETSTA"] = {AckZeile()};
    const Millis start = s.pump.now();
    TStationsParameter st;
    EXPECT_FALSE(s.F().GetSta(st));
    EXPECT_GE(s.pump.now() - start, 60000);
    EXPECT_LT(s.pump.now() - start, 62000);
    EXPECT_EQ(s.peer.Anzahl("GETSTA"), 1);
}

TEST(Datenantwort, Art5OhneAckUndOhneNak) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    const QByteArray gut = BaueRahmen("050615120000;   12.5;");
    QByteArray kaputt = gut;
    kaputt[3] = 'X';
    TStationsParameter st;
    st.Kanalanzahl = 1;

    s.antworten["GETMED"] = {gut};
    QString zeile = "alt";
    EXPECT_TRUE(s.F().GetMed(zeile, st));
    EXPECT_EQ(zeile, "050615120000;   12.5;");
    EXPECT_EQ(s.peer.Stuecke(), QList<QByteArray>{BaueRahmen("GETMED")});

    // A bad reply is not answered; the wait ends by the hang timer and the
    // caller's line stays.
    s.peer.empfangen.clear();
    s.antworten["GETMED"] = {kaputt};
    zeile = "alt";
    EXPECT_FALSE(s.F().GetMed(zeile, st));
    EXPECT_EQ(zeile, "alt");
    EXPECT_EQ(s.peer.Stuecke(), QList<QByteArray>{BaueRahmen("GETMED")});
}

TEST(Bestaetigung, Zustand3UnterscheidetAckNakOkUndAnderes) {
    struct {
        const char* name;
        QByteArray zeile;
        bool ack, nak, ok, busy;
    } faelle[] = {
        {"ACK", AckZeile(), true, false, false, true},
        {"NAK", NakZeile(), false, true, false, true},
        {"OK", OkRahmen(), false, false, true, true},
        {"OK mit drei Blanks", BaueRahmen("OK   "), false, false, false, false},
        {"Fremdes", BaueRahmen("HALLO!"), false, false, false, false},
    };
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        auto& w = s.F();
        w.Austausch().Beginne();
        w.SendCommand("SETTIM", 3, 2);
        s.peer.Sende(f.zeile);
        s.pump.advance(200);
        EXPECT_EQ(w.AckSeen(), f.ack) << f.name;
        EXPECT_EQ(w.NakSeen(), f.nak) << f.name;
        EXPECT_EQ(w.OkSeen(), f.ok) << f.name;
        EXPECT_EQ(w.Busy(), f.busy) << f.name;
    }
}

TEST(Blockempfang, CrImBlockUndEtbTrotzPruefsummenfehler) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    auto& w = s.F();
    w.Austausch().Beginne();
    w.SendCommand("READMC", 2, 2);
    // A block of CR bytes: only the count of 1031 ends it.
    s.peer.Sende(AckZeile() + Block('\r'));
    s.pump.waitUntil([&] { return !w.Busy(); }, 10000);
    s.pump.advance(50);
    EXPECT_EQ(w.Reply(), QByteArray(1024, '\r'));
    EXPECT_FALSE(w.LastBlockSeen());
    EXPECT_EQ(s.peer.Stuecke().last(), AckZeile());

    // Last block with a broken checksum: ETB is seen all the same, NAK goes out.
    w.Austausch().Beginne();
    QByteArray kaputt = Block('a', 0x17);
    kaputt[5] = 'b';
    s.peer.Sende(kaputt);
    s.pump.advance(2000);
    EXPECT_TRUE(w.LastBlockSeen());
    EXPECT_TRUE(w.Busy());
    EXPECT_EQ(s.peer.Stuecke().last(), NakZeile());
    // After the NAKs are used up the exchange ends without a reply.
    s.peer.Sende(kaputt);
    s.pump.advance(2000);
    s.peer.Sende(kaputt);
    s.pump.advance(2000);
    EXPECT_FALSE(w.Busy());
    EXPECT_TRUE(w.Reply().isEmpty());
}

TEST(Momentanwerte, GueltigeZeilenGehenAnDenEmpfaengerDerStation) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    auto& w = s.F();
    TVerbParam verbindung;
    verbindung.StatName = "Hohe Warte";
    w.SetLinkParams(verbindung);
    QList<QByteArray> andere, empfangen;
    const auto id1 = TMomentanEmpfang::Anmelden([] { return QStringLiteral("Momentanwerte Hohe Warte"); },
                                               [&](int, const QByteArray& d) { andere << d; });
    const auto id2 = TMomentanEmpfang::Anmelden([] { return QStringLiteral("Momentanwerte Hohe Warte (2)"); },
                                               [&](int kennung, const QByteArray& d) {
                                                   EXPECT_EQ(kennung, 0);
                                                   empfangen << d;
                                               });
    const auto id3 = TMomentanEmpfang::Anmelden([] { return QStringLiteral("Momentanwerte Zugspitze"); },
                                               [&](int, const QByteArray& d) { andere << d; });
    s.antworten["READMO"] = {AckZeile()};
    EXPECT_TRUE(w.ReadMo(2));
    EXPECT_EQ(w.ExchangeState(), TEmpfangsZustand::Momentan);
    EXPECT_EQ(w.GaugeMax(), 36);
    QByteArray kaputt = BaueRahmen("050615120010;    1.0;    2.0;");
    kaputt[4] = '9';
    s.peer.Sende(BaueRahmen("050615120000;    1.0;    2.0;"));
    s.peer.Sende(kaputt, 3000);
    s.pump.advance(5000);
    EXPECT_EQ(empfangen, QList<QByteArray>{QByteArray("050615120000;    1.0;    2.0;\0", 30)});
    EXPECT_TRUE(andere.isEmpty());
    // The next command ends the stream.
    w.SendCommand("STOPMO", 0, 2);
    EXPECT_EQ(w.ExchangeState(), TEmpfangsZustand::Quittung);
    TMomentanEmpfang::Abmelden(id1);
    TMomentanEmpfang::Abmelden(id2);
    TMomentanEmpfang::Abmelden(id3);
}

// A station without a name: every caption "contains" the empty text, but no
// window is meant, so its lines are dropped.
TEST(Momentanwerte, LeererStationsnameErreichtKeinFenster) {
    int zugestellt = 0;
    const auto id = TMomentanEmpfang::Anmelden([] { return QStringLiteral("Momentanwerte Hohe Warte"); },
                                              [&](int, const QByteArray&) { ++zugestellt; });
    EXPECT_FALSE(TMomentanEmpfang::Zustellen(QString(), "050615120000;    1.0;"));
    EXPECT_TRUE(TMomentanEmpfang::Zustellen(QStringLiteral("Hohe Warte"), "050615120000;    1.0;"));
    EXPECT_EQ(zugestellt, 1);
    TMomentanEmpfang::Abmelden(id);
}

TEST(Leitung, FehlerBeendetDasWartenSofort) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    s.antworten["GETPAR"] = {AckZeile()};
    // The line drops a second after the logger started the download.
    s.pump.startTimer(1000, [&] {
        if (s.peer.dropLine) s.peer.dropLine();
    });
    const Millis start = s.pump.now();
    TStationsParameter st;
    TKanalTabelle k{};
    THardwareTabelle h{};
    QDateTime uhr;
    QByteArray typ;
    EXPECT_FALSE(s.F().GetPar(st, k, h, uhr, typ));
    EXPECT_LT(s.pump.now() - start, 5000);
    bool gemeldet = false;
    for (const QString& z : s.Zeilen()) gemeldet |= z.startsWith("Fehler - Verbindung unterbrochen");
    EXPECT_TRUE(gemeldet) << s.Zeilen().join('|').toStdString();
}

TEST(Empfangsanzeige, RotMitDenBytesGruenNachEinemTick) {
    // Declared before the bench: the window's destructor still reports to it.
    std::vector<std::pair<Millis, bool>> haupt;
    Pruefstand s;
    s.umgebung.hauptIndikator = [&](bool rot) { haupt.emplace_back(s.pump.now(), rot); };
    ASSERT_TRUE(s.Verbinde());
    haupt.clear();
    s.peer.Sende(BaueRahmen("X"), 100);
    s.pump.advance(90);
    EXPECT_FALSE(s.ansicht->empfangRot);
    s.pump.advance(20);
    EXPECT_TRUE(s.ansicht->empfangRot);
    s.pump.advance(200);
    EXPECT_FALSE(s.ansicht->empfangRot);
    // The main window's indicator follows: red, then green again.
    ASSERT_GE(haupt.size(), 2u);
    EXPECT_TRUE(haupt.front().second);
    EXPECT_FALSE(haupt.back().second);
    EXPECT_GE(haupt.back().first - haupt.front().first, TicksToMs(1));
}
