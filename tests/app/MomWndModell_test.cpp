// The instantaneous-values window's logic: each logger line to a line of the
// recording file, the file as a rolling log of the recording period, the
// failures reported once per cause, and the readings the chart draws.
#include "kom/app/MomWndModell.h"

#include "common/Meldungen.h"
#include "common/Text.h"
#include "tests/OhneRechte.h"
#include "tests/app/Gebietsschema.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

using test::Gebietsschema;

TKanalEintrag Kanal(const QByteArray& bez, const QByteArray& einheit) {
    TKanalEintrag e;
    // Raw OEM bytes, as the logger stores them.
    for (int i = 0; i < bez.size(); ++i) e.Bezeichnung[std::size_t(i)] = std::uint8_t(bez[i]);
    for (int i = 0; i < einheit.size(); ++i) e.Einheit[std::size_t(i)] = std::uint8_t(einheit[i]);
    return e;
}

// A station with T, RH and P (the degree sign in OEM code page 850).
struct Stand {
    Gebietsschema de;
    QTemporaryDir dir;
    TSkriptMeldungen meldungen;
    TMomentanwertModell m;
    TStationsParameter station;
    TKanalTabelle kanaele{};

    explicit Stand(int intervall = 10, int zeitraum = 1) {
        station.Messintervall = std::int16_t(intervall);
        station.Kanalanzahl = 3;
        kanaele[0] = Kanal("T", "\xF8" "C");
        kanaele[1] = Kanal("RH", "%");
        kanaele[2] = Kanal("P", "hPa");
        m.SetzeStation(station, kanaele);
        TMomentanwertOptionen o;
        o.Dateiname = Datei();
        o.Zeitraum = zeitraum;
        m.SetzeOptionen(o);
        m.MeldungenDienst = &meldungen;
    }
    QString Datei() const { return dir.filePath("momST1.log"); }
    QByteArray Inhalt() const {
        QFile f(Datei());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
    }
    void Schreibe(const QByteArray& b) const {
        QFile f(Datei());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b);
    }
    // A line of the logger at 12:00:<s> on 1 March 2026.
    static QString Zeile(int s, const char* werte = "  12.5;   80;1013.2;") {
        return QStringLiteral("2603011200%1;").arg(s, 2, 10, QLatin1Char('0')) + QString::fromLatin1(werte);
    }
    QStringList Zeilen() const { return TextZeilen(Inhalt()); }
    static QStringList TextZeilen(const QByteArray& b) {
        QStringList l = QString::fromUtf8(b).split(QStringLiteral("\r\n"));
        if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
        return l;
    }
};

const char* const kKopf = "Datum\tZeit\tT[°C]\tRH[%]\tP[hPa]";

// ---------------------------------------------------------------- header

TEST(MomentanKopf, NamesAndUnitsOfEveryChannelFromTheOemCodePage) {
    struct Fall {
        const char* was;
        int kanalanzahl;
        std::vector<std::pair<QByteArray, QByteArray>> kanaele;
        const char* kopf;
    };
    const std::vector<Fall> faelle = {
        {"T, RH, P", 3, {{"T", "\xF8" "C"}, {"RH", "%"}, {"P", "hPa"}}, kKopf},
        {"no channels", 0, {}, "Datum\tZeit"},
        {"negative count", -2, {{"T", "C"}}, "Datum\tZeit"},
        // Full-width fields without their zero byte, blank-padded fields.
        {"full width and padded", 2, {{"abcdef", "mm/hh"}, {"ld   ", "hPa  "}}, "Datum\tZeit\tabcdef[mm/hh]\tld[hPa]"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        TMomentanwertModell m;
        TStationsParameter st;
        st.Kanalanzahl = std::int16_t(f.kanalanzahl);
        TKanalTabelle k{};
        for (std::size_t i = 0; i < f.kanaele.size(); ++i) {
            k[i] = Kanal(f.kanaele[i].first.left(6), f.kanaele[i].second.left(5));
        }
        m.SetzeStation(st, k);
        EXPECT_EQ(m.Kopfzeile(), U(f.kopf));
    }
}

TEST(MomentanKopf, MoreChannelsThanTheTableHoldsStopAt64) {
    TMomentanwertModell m;
    TStationsParameter st;
    st.Kanalanzahl = 70;
    TKanalTabelle k{};
    for (auto& e : k) e = Kanal("x", "u");
    m.SetzeStation(st, k);
    EXPECT_EQ(m.Kopfzeile().count(QStringLiteral("x[u]")), 64);
}

// ---------------------------------------------------------------- lines

TEST(MomentanZeile, LoggerLineToDataLine) {
    struct Fall {
        const char* was;
        QString eingang;
        const char* zeile;  // nullptr: not a valid line
        QLocale locale = QLocale(QLocale::German, QLocale::Germany);
    };
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const std::vector<Fall> faelle = {
        {"31 January 2024 23:59:59", "240131235959;12.5;80;1013.2;", "31.01.2024\t23:59:59\t12,5\t80\t1013,2\t"},
        {"values padded as the logger sends them", "240131235959;   12.5;     80; 1013.2;",
         "31.01.2024\t23:59:59\t12,5\t80\t1013,2\t"},
        {"blanks and control characters around it", "\r\n 240131235959;  -3.0;\r\n\x03",
         "31.01.2024\t23:59:59\t-3,0\t"},
        {"locale with a decimal point", "240131235959;12.5;80;", "31.01.2024\t23:59:59\t12.5\t80\t", en},
        {"quoted item keeps its blank", "240131235959;\"1 2\";3.5;", "31.01.2024\t23:59:59\t1 2\t3,5\t"},
        // The last character is taken as the closing ';', whatever it is.
        {"no closing semicolon", "240131235959;12.5;80", "31.01.2024\t23:59:59\t12,5\t8\t"},
        {"time stamp only", "240131235959;", "31.01.2024\t23:59:59\t"},
        {"29 February of a leap year", "240229000000;1;", "29.02.2024\t00:00:00\t1\t"},
        {"year 2099", "991231235959;1;", "31.12.2099\t23:59:59\t1\t"},
        {"month 13", "241301000000;1;", nullptr},
        {"month 0", "240001000000;1;", nullptr},
        {"day 32", "240132000000;1;", nullptr},
        {"29 February otherwise", "230229000000;1;", nullptr},
        {"hour 24", "240131240000;1;", nullptr},
        {"minute 60", "240131236000;1;", nullptr},
        {"second 60", "240131235960;1;", nullptr},
        {"a letter", "2401312359x9;1;", nullptr},
        {"a sign", "24013123+959;1;", nullptr},
        {"a blank inside", "2401 1235959;1;", nullptr},
        {"too short", "2401312359;", nullptr},
        {"empty", "", nullptr},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Stand s;
        QLocale::setDefault(f.locale);
        const bool ok = s.m.Zeile(f.eingang);
        EXPECT_EQ(ok, f.zeile != nullptr);
        if (f.zeile) {
            EXPECT_EQ(s.Zeilen(), (QStringList{U(kKopf), U(f.zeile)}));
            EXPECT_EQ(s.m.Zeilen(), s.Zeilen());
            EXPECT_TRUE(s.meldungen.gezeigt.empty());
        } else {
            // Neither recorded nor shown; reported.
            EXPECT_FALSE(QFile::exists(s.Datei()));
            EXPECT_TRUE(s.m.Zeilen().isEmpty());
            ASSERT_EQ(s.meldungen.gezeigt.size(), 1u);
            EXPECT_EQ(s.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Fehler);
            EXPECT_TRUE(s.meldungen.gezeigt[0].text.contains(U("keinen gültigen Zeitstempel")));
        }
    }
}

TEST(MomentanZeile, DeliveryTakesTheTextUpToItsZeroByteAndAtMost1024Characters) {
    Stand s;
    s.m.Empfange(0, QByteArray("260301120000;1.5;2.5;") + '\0' + "260301120001;9.9;");
    EXPECT_EQ(s.Zeilen().value(1), U("01.03.2026\t12:00:00\t1,5\t2,5\t"));

    // 13 characters of time stamp, then fields of 8: 126 whole values fit in
    // 1024 characters; the rest of the frame is not used.
    QByteArray lang = "260301120002;";
    for (int i = 0; i < 200; ++i) lang += "    1.5;";
    s.m.Empfange(0, lang + '\0');
    const QStringList felder = s.Zeilen().value(2).split(QLatin1Char('\t'));
    EXPECT_EQ(felder.size(), 2 + 126 + 1);  // date, time, values, the empty end after the last TAB
    EXPECT_EQ(felder.value(2 + 125), U("1,5"));
}

// ---------------------------------------------------------------- the file

TEST(MomentanDatei, ANewFileStartsWithTheHeaderInUtf8WithCrLf) {
    Stand s;
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(0)));
    EXPECT_EQ(s.Inhalt(), QByteArray("Datum\tZeit\tT[\xC2\xB0" "C]\tRH[%]\tP[hPa]\r\n"
                                     "01.03.2026\t12:00:00\t12,5\t80\t1013,2\t\r\n"));
}

TEST(MomentanDatei, AFileDeletedWhileRecordingIsStartedAgainWithTheHeader) {
    Stand s;
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(0)));
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(10)));
    ASSERT_TRUE(QFile::remove(s.Datei()));
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(20)));
    EXPECT_EQ(s.Zeilen(), (QStringList{U(kKopf), U("01.03.2026\t12:00:20\t12,5\t80\t1013,2\t")}));
}

TEST(MomentanDatei, AnEmptyFileGetsNoHeader) {
    Stand s;
    s.Schreibe("");
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(0)));
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(10)));
    EXPECT_EQ(s.Zeilen(), (QStringList{U("01.03.2026\t12:00:00\t12,5\t80\t1013,2\t"),
                                       U("01.03.2026\t12:00:10\t12,5\t80\t1013,2\t")}));
}

TEST(MomentanDatei, LineLimitOfPeriodAndInterval) {
    struct Fall {
        const char* was;
        int zeitraum, intervall;
        qint64 grenze;
    };
    for (const Fall& f : {
             Fall{"1 min every 10 s", 1, 10, 7},
             Fall{"1 min every 7 s (integer division)", 1, 7, 9},
             Fall{"60 min every 60 s", 60, 60, 61},
             Fall{"a day every second", 1440, 1, 86401},
             // No interval in the station record: one line a second.
             Fall{"interval 0", 1, 0, 61},
             Fall{"negative interval", 2, -5, 121},
             // No period: the header and the newest line.
             Fall{"period 0", 0, 10, 1},
             Fall{"negative period", -3, 10, 1},
             Fall{"the largest period", 2147483647, 1, 2147483647LL * 60 + 1},
         }) {
        SCOPED_TRACE(f.was);
        Stand s(f.intervall, f.zeitraum);
        EXPECT_EQ(s.m.Zeilengrenze(), f.grenze);
    }
}

TEST(MomentanDatei, TheFileKeepsTheHeaderAndTheNewestLinesWithinTheLimit) {
    // 1 minute every 10 seconds: the header and the last 6 readings.
    Stand s(10, 1);
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(s.m.Zeile(Stand::Zeile(i * 5)));
    QStringList erwartet{U(kKopf)};
    for (int i = 4; i < 10; ++i) erwartet << U("01.03.2026\t12:00:%1\t12,5\t80\t1013,2\t").arg(i * 5, 2, 10, QLatin1Char('0'));
    EXPECT_EQ(s.Zeilen(), erwartet);
    EXPECT_EQ(s.m.Zeilen(), erwartet);
}

TEST(MomentanDatei, EdgesOfTheRollingLog) {
    struct Fall {
        const char* was;
        int intervall, zeitraum;
        QByteArray vorher;  // the file before; "-" none
        int neue;           // lines received, one a second from 12:00:00
        int zeilen;         // lines of the file after
        const char* erste;  // its first line
    };
    const QByteArray elf = [] {
        QByteArray b = QByteArray(kKopf) + "\r\n";
        for (int i = 0; i < 10; ++i) b += "01.01.2026\t00:00:0" + QByteArray::number(i) + "\t1\t\r\n";
        return b;
    }();
    const char* const ersteDaten = "01.03.2026\t12:00:00\t1\t";
    for (const Fall& f : {
             // A file longer than the limit (the period was shortened) keeps
             // its length: one line out per line in.
             Fall{"file above the limit", 10, 1, elf, 3, 11, kKopf},
             // Once an empty file started without a header, its first data
             // line stays while the later ones roll.
             Fall{"empty file at the limit", 10, 1, "", 9, 7, ersteDaten},
             Fall{"period 0", 10, 0, "-", 3, 2, kKopf},
             Fall{"period 0, empty file", 10, 0, "", 3, 2, ersteDaten},
             Fall{"interval 0", 0, 1, "-", 70, 61, kKopf},
         }) {
        SCOPED_TRACE(f.was);
        Stand s(f.intervall, f.zeitraum);
        if (f.vorher != "-") s.Schreibe(f.vorher);
        const auto zeit = [](int i) { return QTime(12, 0, 0).addSecs(i); };
        for (int i = 0; i < f.neue; ++i)
            ASSERT_TRUE(s.m.Zeile(QStringLiteral("260301%1;1;").arg(zeit(i).toString(QStringLiteral("hhmmss"))))) << i;
        const QStringList l = s.Zeilen();
        EXPECT_EQ(l.size(), f.zeilen);
        EXPECT_EQ(l.value(0), U(f.erste));
        EXPECT_EQ(l.value(l.size() - 1),
                  QStringLiteral("01.03.2026\t%1\t1\t").arg(zeit(f.neue - 1).toString(QStringLiteral("hh:mm:ss"))));
        EXPECT_EQ(s.m.Zeilen(), l);
    }
}

TEST(MomentanDatei, FilesFromElsewhereAreReadWithTheirLineEndsAndCodePage) {
    struct Fall {
        const char* was;
        QByteArray vorher;
    };
    for (const Fall& f : {
             Fall{"LF only", "Datum\tZeit\tT[\xC2\xB0" "C]\n01.03.2026\t11:59:50\t1\t\n"},
             Fall{"CR only, no end", "Datum\tZeit\tT[\xC2\xB0" "C]\r01.03.2026\t11:59:50\t1\t"},
             Fall{"Windows-1252", "Datum\tZeit\tT[\xB0" "C]\r\n01.03.2026\t11:59:50\t1\t\r\n"},
         }) {
        SCOPED_TRACE(f.was);
        Stand s;
        s.Schreibe(f.vorher);
        ASSERT_TRUE(s.m.Zeile(Stand::Zeile(0)));
        EXPECT_EQ(s.Zeilen(), (QStringList{U("Datum\tZeit\tT[°C]"), U("01.03.2026\t11:59:50\t1\t"),
                                           U("01.03.2026\t12:00:00\t12,5\t80\t1013,2\t")}));
    }
}

TEST(MomentanDatei, AMissingDirectoryIsCreated) {
    Stand s;
    TMomentanwertOptionen o = s.m.Optionen();
    o.Dateiname = s.dir.filePath("mom/werte/momST1.log");
    s.m.SetzeOptionen(o);
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(0)));
    EXPECT_TRUE(QFile::exists(o.Dateiname));
}

// ---------------------------------------------------------------- failures

TEST(MomentanFehler, EachCauseIsReportedOnceUntilALineSucceeds) {
    Stand s;
    const QString gut = Stand::Zeile(0), schlecht = QStringLiteral("26030112xx00;1;");
    // A recording file that cannot be written: its directory is a file.
    {
        QFile f(s.dir.filePath("kein_verzeichnis"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString gesperrt = s.dir.filePath("kein_verzeichnis/momST1.log");
    // One that exists but cannot be read: a directory of that name.
    ASSERT_TRUE(QDir(s.dir.path()).mkdir("verzeichnis.log"));
    const QString unlesbar = s.dir.filePath("verzeichnis.log");

    struct Schritt {
        const char* was;
        QString datei;  // empty: the normal one
        QString zeile;
        bool gezeigt;
        int meldungen;  // reports so far
    };
    const std::vector<Schritt> schritte = {
        {"a good line", {}, gut, true, 0},
        {"bad time stamp", {}, schlecht, false, 1},
        {"again", {}, schlecht, false, 1},
        {"and again", {}, schlecht, false, 1},
        {"file cannot be written", gesperrt, gut, false, 2},
        {"still not", gesperrt, gut, false, 2},
        {"bad time stamp meanwhile: already reported", gesperrt, schlecht, false, 2},
        {"file cannot be read", unlesbar, gut, false, 3},
        {"still not", unlesbar, gut, false, 3},
        {"writable again", {}, Stand::Zeile(10), true, 3},
        // A cause that comes back after a good line is reported again.
        {"bad time stamp after the good line", {}, schlecht, false, 4},
        {"not writable after it", gesperrt, gut, false, 5},
    };
    int shown = 1;
    for (const Schritt& st : schritte) {
        SCOPED_TRACE(st.was);
        TMomentanwertOptionen o = s.m.Optionen();
        o.Dateiname = st.datei.isEmpty() ? s.Datei() : st.datei;
        s.m.SetzeOptionen(o);
        const QStringList vorher = s.m.Zeilen();
        EXPECT_EQ(s.m.Zeile(st.zeile), st.gezeigt);
        EXPECT_EQ(int(s.meldungen.gezeigt.size()), st.meldungen);
        if (st.gezeigt) {
            ++shown;
            EXPECT_EQ(s.m.Zeilen().size(), shown);
        } else {
            EXPECT_EQ(s.m.Zeilen(), vorher);  // the table does not change
        }
    }
    const QStringList t = s.meldungen.Texte();
    EXPECT_TRUE(t.value(1).contains(U("kann nicht geschrieben werden")) && t.value(1).contains(gesperrt)) << t.value(1).toStdString();
    EXPECT_TRUE(t.value(2).contains(U("kann nicht gelesen werden")) && t.value(2).contains(U("nicht überschrieben")));
    EXPECT_EQ(s.m.Gemeldet(TMomentanFehler::Zeitstempel), 2);
    EXPECT_EQ(s.m.Gemeldet(TMomentanFehler::Schreiben), 2);
    EXPECT_EQ(s.m.Gemeldet(TMomentanFehler::Lesen), 1);
    // The file the window could not read is left as it was.
    EXPECT_TRUE(QFileInfo(unlesbar).isDir());
    EXPECT_EQ(s.Zeilen().size(), 3);
}

TEST(MomentanFehler, FilesTheUserMayNotWriteOrRead) {
    NUVAR_OHNE_RECHTE();
    Stand s;
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(0)));
    const QByteArray vorher = s.Inhalt();
    // A directory the user may not write: the file is kept as it was.
    QFile::setPermissions(s.dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(s.m.Zeile(Stand::Zeile(10)));
    QFile::setPermissions(s.dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(s.Inhalt(), vorher);
    ASSERT_EQ(s.meldungen.Texte().size(), 1);
    EXPECT_TRUE(s.meldungen.Texte()[0].contains(U("kann nicht geschrieben werden")));
    EXPECT_TRUE(s.meldungen.Texte()[0].contains(QStringLiteral("Permission denied"))) << s.meldungen.Texte()[0].toStdString();
    // A file the user may not read is not started anew over its lines.
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(20)));
    const QByteArray drei = s.Inhalt();
    QFile::setPermissions(s.Datei(), QFileDevice::WriteOwner);
    EXPECT_FALSE(s.m.Zeile(Stand::Zeile(30)));
    QFile::setPermissions(s.Datei(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(s.Inhalt(), drei);
    ASSERT_EQ(s.meldungen.Texte().size(), 2);
    EXPECT_TRUE(s.meldungen.Texte()[1].contains(U("kann nicht gelesen werden")));
    EXPECT_EQ(s.m.Zeilen(), Stand::TextZeilen(drei));
}

TEST(MomentanFehler, AReportOpenWhileFurtherLinesArriveIsNotRepeated) {
    // An interactive box handles events while it is open, and the stream
    // goes on inside it.
    struct Verschachtelt : TSkriptMeldungen {
        std::function<void()> beimZeigen;
        void Fehler(const QString& text) override {
            TSkriptMeldungen::Fehler(text);
            if (beimZeigen) std::exchange(beimZeigen, {})();
        }
    } meldungen;
    Stand s;
    s.m.MeldungenDienst = &meldungen;
    meldungen.beimZeigen = [&] {
        EXPECT_FALSE(s.m.Zeile(QStringLiteral("xx;")));
        EXPECT_TRUE(s.m.Zeile(Stand::Zeile(1)));
    };
    EXPECT_FALSE(s.m.Zeile(QStringLiteral("yy;")));
    EXPECT_EQ(meldungen.gezeigt.size(), 1u);
    EXPECT_EQ(s.Zeilen().size(), 2);
}

TEST(MomentanFehler, UnattendedTheReportGoesToTheLogOnce) {
    QStringList protokoll;
    TUnbeaufsichtigteMeldungen ohnePerson([&](const QString& t) { protokoll << t; });
    Stand s;
    s.m.MeldungenDienst = &ohnePerson;
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(s.m.Zeile(QStringLiteral("2603011200;")));
    ASSERT_EQ(protokoll.size(), 1);
    EXPECT_TRUE(protokoll[0].contains(U("keinen gültigen Zeitstempel")));
}

// ---------------------------------------------------------------- chart

TEST(MomentanVerlauf, ReadingsPerChannelOverTheRecordingPeriod) {
    Stand s(10, 2);
    s.Schreibe(QByteArray(kKopf) + "\r\n01.03.2026\t11:59:50\t10,0\t70\t1000,0\t\r\n");
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(0, "12.5;-----;1013.2;")));
    ASSERT_TRUE(s.m.Zeile(Stand::Zeile(10, "-1.5;80;1013.4;")));
    const qint64 t0 = QDateTime(QDate(2026, 3, 1), QTime(11, 59, 50)).toMSecsSinceEpoch();
    EXPECT_EQ(s.m.Verlauf(0), (QList<QPointF>{{double(t0), 10.0}, {double(t0 + 10000), 12.5}, {double(t0 + 20000), -1.5}}));
    // An item that is no number is left out.
    EXPECT_EQ(s.m.Verlauf(1), (QList<QPointF>{{double(t0), 70.0}, {double(t0 + 20000), 80.0}}));
    EXPECT_EQ(s.m.Verlauf(2).size(), 3);
    EXPECT_TRUE(s.m.Verlauf(3).isEmpty());
    EXPECT_EQ(s.m.AnzeigeBis(), QDateTime(QDate(2026, 3, 1), QTime(12, 0, 10)));
    EXPECT_EQ(s.m.AnzeigeVon(), QDateTime(QDate(2026, 3, 1), QTime(11, 58, 10)));
}

TEST(MomentanVerlauf, AtFirstTheChannelsOfTheFirstUnitAreDrawn) {
    TMomentanwertModell m;
    TStationsParameter st;
    st.Kanalanzahl = 4;
    TKanalTabelle k{};
    k[0] = Kanal("t2m", "\xF8" "C");
    k[1] = Kanal("rf", "%");
    k[2] = Kanal("tbn", "\xF8" "C");
    k[3] = Kanal("ld", "hPa");
    m.SetzeStation(st, k);
    EXPECT_EQ((std::vector<bool>{m.KanalSichtbar(0), m.KanalSichtbar(1), m.KanalSichtbar(2), m.KanalSichtbar(3)}),
              (std::vector<bool>{true, false, true, false}));
    int neu = 0;
    QObject::connect(&m, &TMomentanwertModell::VerlaufGeaendert, [&] { ++neu; });
    m.SetzeKanalSichtbar(3, true);
    m.SetzeKanalSichtbar(3, true);
    EXPECT_TRUE(m.KanalSichtbar(3));
    EXPECT_EQ(neu, 1);
}

} // namespace
