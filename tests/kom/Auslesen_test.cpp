// Data readout: current values, the memory download with $$_mc.tmp and the
// raw data file, and the instantaneous mode.
#include "Pruefstand.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cstring>
#ifdef Q_OS_UNIX
#include "tests/Dateigrenze.h"
#endif

using namespace nuvar;
using namespace nuvar::test;

namespace {

QByteArray Lies(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Datensatz(int kanaele, std::uint8_t j, std::uint8_t m, std::uint8_t t, std::uint8_t h, std::uint8_t mi,
                     char fuellung = 'x') {
    QByteArray r;
    r += char(j);
    r += char(m);
    r += char(t);
    r += char(h);
    r += char(mi);
    r += QByteArray(8 * kanaele, fuellung);
    return r;
}

// `anzahl` valid records, then erased memory up to whole blocks.
QByteArray Speicher(int kanaele, int anzahl, int bloecke) {
    QByteArray s;
    for (int i = 0; i < anzahl; ++i) s += Datensatz(kanaele, 5, 6, 15, 12, std::uint8_t(i % 60), char('A' + i % 26));
    s += QByteArray(1024 * bloecke - s.size(), char(0xFF));
    return s;
}

struct Auslese {
    Pruefstand s;
    QString pfad;
    int ergebnis = -1;
    TStationsParameter station;
    Auslese() { pfad = s.dir.filePath("Daten1.007"); }
    void Lauf(const QByteArray& parameter, const QByteArray& speicher, int bloecke = -1) {
        ASSERT_TRUE(s.Verbinde());
        s.Bloecke("GETPAR", parameter);
        s.Bloecke("READMC", speicher, bloecke);
        ergebnis = s.F().ReadData(pfad, station);
    }
    QByteArray Tmp() const { return Lies(s.dir.filePath("$$_mc.tmp")); }
    QByteArray Roh() const { return Lies(pfad); }
};

} // namespace

TEST(ReadData, VollstaendigMitKopfUndGanzenDatensaetzen) {
    Auslese a;
    // 3 blocks hold 44 records of 69 bytes and a partial one.
    QByteArray speicher;
    for (int i = 0; i < 45; ++i) speicher += Datensatz(8, 5, 6, 15, 12, std::uint8_t(i), char('a' + i % 26));
    speicher = speicher.left(3072);
    a.Lauf(ParameterMitKanaelen(8, 44), speicher);
    EXPECT_EQ(a.ergebnis, kLeseVollstaendig) << a.s.Zeilen().join('|').toStdString();
    EXPECT_EQ(a.Tmp(), speicher);
    const QByteArray roh = a.Roh();
    ASSERT_EQ(roh.size(), 3 + 43 + 96 + 8 * 30 + 44 * 69);
    EXPECT_EQ(roh.left(3), "Q&Z");
    const auto rec = a.station.encodeStationsrecord();
    EXPECT_EQ(roh.mid(3, 43), QByteArray(reinterpret_cast<const char*>(rec.data()), 43));
    EXPECT_EQ(roh.at(3 + 41), 8);  // Kanalanzahl in the record
    // Channel entry 1: input 0, code 5, position 1.
    EXPECT_EQ(roh.at(142), 0);
    EXPECT_EQ(roh.at(143), 5);
    EXPECT_EQ(roh.at(142 + 29), 1);
    EXPECT_EQ(roh.at(142 + 7 * 30 + 29), 8);
    EXPECT_EQ(roh.mid(142 + 240), speicher.left(44 * 69));
    EXPECT_TRUE(a.s.Zeilen().contains("44 Datensätze empfangen..."));
    EXPECT_EQ(a.s.peer.Anzahl("READMC"), 1);
}

TEST(ReadData, LeererSpeicherNurKopf) {
    Auslese a;
    a.Lauf(ParameterMitKanaelen(2, 0), QByteArray(1024, char(0xFF)));
    EXPECT_EQ(a.ergebnis, kLeseVollstaendig);
    EXPECT_EQ(a.Roh().size(), 3 + 43 + 96 + 2 * 30);
    EXPECT_TRUE(a.s.Zeilen().contains("0 Datensätze empfangen..."));
}

TEST(ReadData, UnmoeglicheZeitenUndAbweichendeAnzahl) {
    struct Kopf {
        std::uint8_t j, m, t, h, mi;
    };
    struct {
        const char* name;
        std::vector<Kopf> schlecht;
        int saetzeGemeldet;  // records the station reports, besides the 10 good ones
        int erwartet;
    } faelle[] = {
        {"drei schlechte", {{5, 0, 1, 0, 0}, {100, 1, 1, 0, 0}, {5, 13, 1, 0, 0}}, 0, kLeseVollstaendig},
        {"vier schlechte", {{5, 0, 1, 0, 0}, {5, 1, 0, 0, 0}, {5, 1, 32, 0, 0}, {5, 1, 1, 24, 0}},
         0, kLeseZeitFehler},
        {"Minute 60 dazu", {{5, 0, 1, 0, 0}, {5, 1, 0, 0, 0}, {5, 1, 32, 0, 0}, {5, 1, 1, 1, 60}},
         0, kLeseZeitFehler},
        {"Grenzwerte gueltig", {{99, 12, 31, 23, 59}, {0, 1, 1, 0, 0}}, 0, kLeseVollstaendig},
        {"Anzahl abweichend", {}, 3, kLeseAnzahlAbweichend},
        {"Anzahl ersetzt Zeitfehler", {{5, 0, 1, 0, 0}, {5, 1, 0, 0, 0}, {5, 1, 32, 0, 0}, {5, 1, 1, 24, 0}},
         1, kLeseAnzahlAbweichend},
    };
    for (const auto& f : faelle) {
        Auslese a;
        QByteArray speicher;
        for (int i = 0; i < 10; ++i) speicher += Datensatz(2, 5, 6, 15, 12, std::uint8_t(i));
        for (const Kopf& k : f.schlecht) speicher += Datensatz(2, k.j, k.m, k.t, k.h, k.mi);
        const int anzahl = 10 + int(f.schlecht.size());
        speicher += QByteArray(2048 - speicher.size(), char(0xFF));
        a.Lauf(ParameterMitKanaelen(2, anzahl + f.saetzeGemeldet), speicher);
        EXPECT_EQ(a.ergebnis, f.erwartet) << f.name;
        // Valid and invalid records alike reach the file.
        EXPECT_EQ(a.Roh().size(), 3 + 43 + 96 + 60 + anzahl * 21) << f.name;
    }
}

TEST(ReadData, AbbruchBehaeltAllesEmpfangene) {
    Auslese a;
    const QByteArray speicher = Speicher(8, 44, 3);
    a.Lauf(ParameterMitKanaelen(8, 44), speicher, 2);  // the logger falls silent after two blocks
    EXPECT_EQ(a.ergebnis, kLeseAnzahlAbweichend);
    EXPECT_EQ(a.Tmp(), speicher.left(2048));
    // 2048 bytes hold 29 whole records of 69 bytes.
    EXPECT_EQ(a.Roh().size(), 3 + 43 + 96 + 240 + 29 * 69);
    EXPECT_EQ(a.Roh().mid(142 + 240), speicher.left(29 * 69));
    EXPECT_TRUE(a.s.Zeilen().contains("29 Datensätze empfangen..."));
    EXPECT_EQ(a.s.Zeilen().last(), "Fehler - Datenübertragung unvollständig.");
}

TEST(ReadData, OhneParameterOderOhneSpeicher) {
    {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        TStationsParameter st;
        EXPECT_EQ(s.F().ReadData(s.dir.filePath("roh.dat"), st), kLeseFehlgeschlagen);
        EXPECT_EQ(s.peer.Anzahl("READMC"), 0);
        EXPECT_FALSE(QFile::exists(s.dir.filePath("roh.dat")));
    }
    {
        Auslese a;
        a.Lauf(ParameterMitKanaelen(2, 5), Speicher(2, 5, 1), 0);  // READMC gets the ACK line only
        EXPECT_EQ(a.ergebnis, kLeseFehlgeschlagen);
        EXPECT_FALSE(QFile::exists(a.pfad));
    }
}

TEST(ReadMc, BlockWiederholungNachNak) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    const QByteArray speicher = Speicher(2, 3, 1);
    int gesendet = 0;
    s.peer.beiZeile = [&](const QByteArray& z) {
        QByteArray b = BaueBlock(speicher, '\x17');
        if (z == BaueRahmen("READMC")) {
            b[100] = char(b[100] ^ 1);  // the first copy is damaged on the line
            s.peer.Sende(AckZeile() + b);
        } else if (z == NakZeile()) {
            s.peer.Sende(b);
        }
        ++gesendet;
    };
    TStationsParameter st;
    st.Kanalanzahl = 2;
    st.Datensaetze = 3;
    bool voll = false;
    EXPECT_TRUE(s.F().ReadMc(s.dir.filePath("mc"), st, &voll));
    EXPECT_TRUE(voll);
    EXPECT_EQ(Lies(s.dir.filePath("mc")), speicher);
    s.pump.advance(100);
    EXPECT_EQ(s.peer.Stuecke(), (QList<QByteArray>{BaueRahmen("READMC"), NakZeile(), AckZeile()}));
}

TEST(Aktuell, BefehleUndStatuszeilen) {
    struct {
        const char* befehl;
        const char* zeile;
        bool (TNUVARFenster::*routine)(QString&, const TStationsParameter&);
    } faelle[] = {
        {"GETMDX", "Sende Befehl GETMDX...", &TNUVARFenster::GetMdx},
        {"GETMED", "Sende Befehl GETMED...", &TNUVARFenster::GetMed},
        {"GETGMD", "Sende Befehl GETMDX...", &TNUVARFenster::GetGmd},
    };
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        const QByteArray antwort = "050615120000;   12.5;    3.0;";
        s.antworten[f.befehl] = {BaueRahmen(antwort)};
        TStationsParameter st;
        st.Kanalanzahl = 2;
        QString zeile;
        EXPECT_TRUE((s.F().*f.routine)(zeile, st)) << f.befehl;
        EXPECT_EQ(zeile, QString::fromLatin1(antwort)) << f.befehl;
        EXPECT_EQ(zeile.size(), 29);
        EXPECT_EQ(s.Zeilen(), (QStringList{f.zeile, "Warte auf Antwort...", "Antwort empfangen..."})) << f.befehl;
        EXPECT_EQ(s.peer.Stuecke(), QList<QByteArray>{BaueRahmen(f.befehl)}) << f.befehl;
    }
}

TEST(ReadMo, UnbestaetigtTrotzdemImMomentanzustand) {
    struct {
        const char* name;
        QByteArray antwort;
        bool ok;
        const char* zeile;
    } faelle[] = {
        {"ACK", AckZeile(), true, "Antwort empfangen..."},
        {"NAK", NakZeile(), false, "Fehler - Befehl nicht erkannt."},
        {"still", QByteArray(), false, "Fehler - Keine Antwort empfangen."},
    };
    for (const auto& f : faelle) {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        s.antworten["READMO"] = {f.antwort};
        EXPECT_EQ(s.F().ReadMo(4), f.ok) << f.name;
        EXPECT_EQ(s.Zeilen().last(), f.zeile) << f.name;
        EXPECT_EQ(s.F().ExchangeState(), TEmpfangsZustand::Momentan) << f.name;
        EXPECT_EQ(s.F().GaugeMax(), 52) << f.name;
    }
}

TEST(ReadMc, ZeitueberschreitungImDownload) {
    // After a block was taken, repeating READMC would restart the download:
    // the exchange ends instead, keeping the block.
    {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        s.Bloecke("READMC", Speicher(2, 60, 2), 1);
        TStationsParameter st;
        st.Kanalanzahl = 2;
        st.Datensaetze = 60;
        bool voll = true;
        EXPECT_FALSE(s.F().ReadMc(s.dir.filePath("mc"), st, &voll));
        EXPECT_FALSE(voll);
        EXPECT_EQ(s.peer.Anzahl("READMC"), 1);
        EXPECT_EQ(Lies(s.dir.filePath("mc")), Speicher(2, 60, 2).left(1024));
        EXPECT_EQ(s.Zeilen().count("Befehls-Timeout!"), 1);
        const auto ack = s.peer.Zeiten(AckZeile());
        ASSERT_EQ(ack.size(), 1u);
    }
    // The first block never came: READMC again, and the logger's new ACK line
    // is recognised as such.
    {
        Pruefstand s;
        ASSERT_TRUE(s.Verbinde());
        const QByteArray speicher = Speicher(2, 3, 1);
        int befehle = 0;
        s.peer.beiZeile = [&](const QByteArray& z) {
            if (z == BaueRahmen("READMC"))
                s.peer.Sende(++befehle == 1 ? AckZeile() : AckZeile() + BaueBlock(speicher, '\x17'));
        };
        TStationsParameter st;
        st.Kanalanzahl = 2;
        st.Datensaetze = 3;
        bool voll = false;
        EXPECT_TRUE(s.F().ReadMc(s.dir.filePath("mc"), st, &voll));
        EXPECT_TRUE(voll);
        EXPECT_EQ(befehle, 2);
        EXPECT_EQ(Lies(s.dir.filePath("mc")), speicher);
    }
}

// The logger keeps measuring while it is read: records stored after GETSTA
// counted arrive behind the announced ones. All announced records whole is a
// complete read; fewer stays a failed one.
TEST(ReadData, MehrDatensaetzeAlsGemeldet) {
    struct {
        const char* name;
        int gemeldet;
        int gespeichert;
        int erwartet;
        const char* zeile;  // expected among the status lines, or nullptr
    } faelle[] = {
        {"zwei dazu", 10, 12, kLeseVollstaendig, "2 Datensätze mehr als gemeldet (während des Auslesens gespeichert)."},
        {"einer dazu", 0, 1, kLeseVollstaendig, "1 Datensätze mehr als gemeldet (während des Auslesens gespeichert)."},
        {"genau", 12, 12, kLeseVollstaendig, nullptr},
        {"einer fehlt", 13, 12, kLeseAnzahlAbweichend, nullptr},
    };
    for (const auto& f : faelle) {
        Auslese a;
        const QByteArray speicher = Speicher(2, f.gespeichert, 1);
        a.Lauf(ParameterMitKanaelen(2, f.gemeldet), speicher);
        EXPECT_EQ(a.ergebnis, f.erwartet) << f.name;
        // Every record that came is in the file.
        EXPECT_EQ(a.Roh().mid(142 + 60), speicher.left(f.gespeichert * 21)) << f.name;
        if (f.zeile) {
            EXPECT_TRUE(a.s.Zeilen().contains(QString::fromUtf8(f.zeile))) << f.name;
        } else {
            EXPECT_FALSE(a.s.Zeilen().join('|').contains("mehr als gemeldet")) << f.name;
        }
    }
    // More records than announced do not excuse impossible times.
    Auslese a;
    QByteArray speicher;
    for (int i = 0; i < 4; ++i) speicher += Datensatz(2, 5, 0, 1, 0, 0);
    speicher += Datensatz(2, 5, 6, 15, 12, 0);
    speicher += QByteArray(1024 - speicher.size(), char(0xFF));
    a.Lauf(ParameterMitKanaelen(2, 4), speicher);
    EXPECT_EQ(a.ergebnis, kLeseZeitFehler);
}

// Each readout downloads into an image of its own and only then shows it as
// $$_mc.tmp: another run in the same directory that writes $$_mc.tmp while
// this one downloads cannot mix its records into this one's file.
TEST(ReadData, EigenesSpeicherabbildJeLauf) {
    Auslese a;
    const QByteArray speicher = Speicher(2, 120, 3);
    const QString sichtbar = a.s.dir.filePath("$$_mc.tmp");
    int bloecke = 0;
    ASSERT_TRUE(a.s.Verbinde());
    a.s.Bloecke("GETPAR", ParameterMitKanaelen(2, 120));
    a.s.Bloecke("READMC", speicher);
    auto weiter = a.s.peer.beiZeile;
    a.s.peer.beiZeile = [&](const QByteArray& z) {
        // After each block this run acknowledged, the other run (re)writes
        // the shared name, as a second NUVARKom would.
        if (z == AckZeile() && ++bloecke >= 2) {
            QFile f(sichtbar);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray(1024, 'Z'));
        }
        weiter(z);
    };
    a.ergebnis = a.s.F().ReadData(a.pfad, a.station);
    EXPECT_EQ(a.ergebnis, kLeseVollstaendig) << a.s.Zeilen().join('|').toStdString();
    EXPECT_EQ(a.Roh().mid(142 + 60), speicher.left(120 * 21));
    // The visible image is this run's, whole, and nothing else is left behind.
    EXPECT_EQ(a.Tmp(), speicher);
    EXPECT_EQ(QDir(a.s.dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"$$_mc.tmp", "Daten1.007"}));
}

#ifdef Q_OS_UNIX
// A full disk: the memory image or the raw data file cannot be written whole.
// That is a failed read with the reason, and no raw data file is left that
// could pass for a result.
TEST(ReadData, VolleFestplatteIstFehlgeschlageneAuslesung) {
    struct {
        const char* name;
        rlim_t grenze;
    } faelle[] = {
        {"Abbild", 2000},   // the second of three blocks does not fit
        {"Rohdaten", 3100}, // the image (3072) fits, the raw file (3418) not
    };
    for (const auto& f : faelle) {
        Auslese a;
        ASSERT_TRUE(a.s.Verbinde());
        a.s.Bloecke("GETPAR", ParameterMitKanaelen(8, 44));
        a.s.Bloecke("READMC", Speicher(8, 44, 3));
        {
            Dateigrenze grenze(f.grenze);
            a.ergebnis = a.s.F().ReadData(a.pfad, a.station);
        }
        EXPECT_EQ(a.ergebnis, kLeseFehlgeschlagen) << f.name;
        EXPECT_FALSE(QFile::exists(a.pfad)) << f.name;
        const QString zeilen = a.s.Zeilen().join('|');
        EXPECT_TRUE(zeilen.contains("kann nicht geschrieben werden: " + QString::fromLocal8Bit(std::strerror(EFBIG))))
            << f.name << ": " << zeilen.toStdString();
    }
}
#endif
