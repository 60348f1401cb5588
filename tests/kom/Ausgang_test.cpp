// What an operation really achieved: the first failure, its kind and its
// cause, also where the command's boolean result says success (a write whose
// parameter frame the logger never confirmed, "Memory Card fehlt").
#include "Pruefstand.h"

#include <gtest/gtest.h>

using namespace nuvar;
using namespace nuvar::test;

namespace {

// `anzahl` records of two channels, then erased memory up to whole blocks.
QByteArray Speicher(int anzahl, int bloecke) {
    QByteArray s;
    for (int i = 0; i < anzahl; ++i) {
        s += QByteArray("\x05\x06\x0f\x0c", 4) + char(i % 60);
        s += QByteArray(16, char('A' + i % 26));
    }
    s += QByteArray(1024 * bloecke - s.size(), char(0xFF));
    return s;
}

TStationsParameter Station() {
    TStationsParameter s;
    s.Stationsnummer = 7;
    s.Mittelwertintervall = 10;
    s.Messintervall = 60;
    return s;
}

struct Fall {
    const char* name;
    // Scripts the logger (after the wake-up) and runs the command; returns
    // the command's own result.
    std::function<bool(Pruefstand&)> lauf;
    bool ergebnis;
    TFehlerart art;
    const char* grund;  // the cause, or nullptr for none
};

} // namespace

TEST(Ausgang, ErsterFehlerMitArtUndGrund) {
    const Fall faelle[] = {
        {"Prüfsummenfehler bleiben",
         [](Pruefstand& s) {
             s.Bloecke("GETPAR", ParameterMitKanaelen(2, 3));
             // Every copy of the first memory block arrives damaged.
             s.peer.beiZeile = [&s, vorher = s.peer.beiZeile](const QByteArray& z) {
                 QByteArray b = BaueBlock(Speicher(3, 1), '\x17');
                 b[100] = char(b[100] ^ 1);
                 if (z == BaueRahmen("READMC"))
                     s.peer.Sende(AckZeile() + b);
                 else if (z == NakZeile())
                     s.peer.Sende(b);
                 else
                     vorher(z);
             };
             TStationsParameter st;
             return s.F().ReadData(s.dir.filePath("roh"), st) == kLeseVollstaendig;
         },
         false, TFehlerart::Unvollstaendig, "Fehler - Datenblock 1 auch nach Wiederholung mit Prüfsummenfehler."},
        {"weniger Datensätze als gemeldet",
         [](Pruefstand& s) {
             s.Bloecke("GETPAR", ParameterMitKanaelen(2, 13));
             s.Bloecke("READMC", Speicher(10, 1));
             TStationsParameter st;
             return s.F().ReadData(s.dir.filePath("roh"), st) == kLeseVollstaendig;
         },
         false, TFehlerart::Unvollstaendig, "10 von 13 gemeldeten Datensätzen empfangen."},
        {"mehr Datensätze als gemeldet",
         [](Pruefstand& s) {
             s.Bloecke("GETPAR", ParameterMitKanaelen(2, 10));
             s.Bloecke("READMC", Speicher(12, 1));
             TStationsParameter st;
             return s.F().ReadData(s.dir.filePath("roh"), st) == kLeseVollstaendig;
         },
         true, TFehlerart::Keiner, nullptr},
        {"Stationsparameter ohne Bestätigung",
         [](Pruefstand& s) {
             s.antworten["SETSTA"] = {AckZeile()};  // the parameter frame stays unanswered
             return s.F().SetSta(Station());
         },
         true, TFehlerart::NichtBestaetigt, "Der Logger hat die Stationsparameter (SETSTA) nicht bestätigt."},
        {"Zeit ohne Bestätigung",
         [](Pruefstand& s) {
             s.antworten["SETTIM"] = {AckZeile()};
             return s.F().SetTim(false, QDateTime(QDate(2005, 12, 24), QTime(18, 30, 0)));
         },
         true, TFehlerart::NichtBestaetigt, "Der Logger hat die Zeit (SETTIM) nicht bestätigt."},
        {"Kanaltabelle: zweiter Block abgelehnt",
         [](Pruefstand& s) {
             int block = 0;
             s.peer.beiZeile = [&s, block](const QByteArray& z) mutable {
                 if (z == BaueRahmen("SETCCT")) {
                     s.peer.blocksErwartet = 3;
                     s.peer.Sende(AckZeile());
                 } else if (z.size() == kBlockLaenge) {
                     s.peer.Sende(++block == 2 ? NakZeile() : AckZeile());
                 }
             };
             TKanalTabelle k{};
             return s.F().SetCct(Station(), k);
         },
         false, TFehlerart::NichtBestaetigt, "Der Logger hat Block 2 der Kanaltabelle (SETCCT) nicht bestätigt."},
        {"Memory Card fehlt",
         [](Pruefstand& s) {
             s.antworten["MCDEL "] = {BaueRahmen("ERR001")};
             return s.F().McDel();
         },
         true, TFehlerart::NichtBestaetigt, "Memory Card fehlt!"},
        {"Memory Card gelöscht",
         [](Pruefstand& s) {
             s.antworten["MCDEL "] = {BaueRahmen("OK    ")};
             return s.F().McDel();
         },
         true, TFehlerart::Keiner, nullptr},
        {"falsche Station",
         [](Pruefstand& s) {
             s.antworten["GETSTA"] = {BaueRahmen(Stationsblock(8, "Anderswo", 10))};
             TVerbParam p = s.Direkt();
             p.StatNr = 7;
             p.Mittelwertzeit = 10;
             return s.F().CheckStation(p);
         },
         false, TFehlerart::Station,
         "Die Stationsnummer des ausgewählten Messprogramms stimmt nicht mit der Stationsnummer der verbundenen "
         "Messstation überein!"},
    };
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde()) << f.name;
        EXPECT_EQ(f.lauf(s), f.ergebnis) << f.name;
        EXPECT_EQ(s.F().Ausgang.Art, f.art) << f.name;
        EXPECT_EQ(s.F().Ausgang.Grund, f.grund ? QString::fromUtf8(f.grund) : QString()) << f.name;
    }
}

// The wake-up unanswered: no link, and what follows it does not replace the cause.
TEST(Ausgang, OhneWeckantwortKeineVerbindung) {
    Pruefstand s;
    s.weckenBeantworten = false;
    EXPECT_FALSE(s.F().Connect(s.Direkt()));
    EXPECT_EQ(s.F().Ausgang.Art, TFehlerart::Verbindung);
    EXPECT_EQ(s.F().Ausgang.Grund, "Der Logger antwortet nicht auf den Aufweckbefehl.");
    s.F().McDel();
    EXPECT_EQ(s.F().Ausgang.Art, TFehlerart::Verbindung);
}
