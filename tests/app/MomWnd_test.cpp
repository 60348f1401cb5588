// The instantaneous-values window offscreen: the simulated logger's stream
// into the list box, the recording file and the chart; which window a line
// reaches; what closing it sends and frees.
#include "kom/app/MomWnd.h"

#include "kom/protocol/Momentanempfang.h"
#include "kom/protocol/Treiber.h"
#include "tests/GuiAnwendung.h"
#include "tests/app/SimStand.h"
#include "tests/app/Gebietsschema.h"

#include <QFile>
#include <QFontInfo>
#include <QLineSeries>
#include <QListView>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRegularExpression>
#include <QValueAxis>
#include <gtest/gtest.h>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

using test::Gebietsschema;

QStringList DateiZeilen(const QString& pfad) {
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList l = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    return l;
}

// Runs the deferred deletions of closed windows.
void Aufraeumen() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

TEST(MomentanFenster, TheSimulatedLoggersStreamFillsTableFileAndChart) {
    test::GuiAnwendung();
    Gebietsschema de;
    test::SimStand s;
    const TStationsParameter echt = s.logger->Stationsparameter();
    TVerbParam p;
    p.Baudrate = 3;
    p.StatNr = echt.Stationsnummer;
    p.StatName = QStringLiteral("Demostation");
    p.Mittelwertzeit = echt.Mittelwertintervall;
    TStationsParameter station;
    TKanalTabelle kanaele{};
    ASSERT_TRUE(StartInstantaneousMode(station, kanaele, p));
    ASSERT_EQ(station.Messintervall, 10);

    QMdiArea bereich;
    TMomentanwertOptionen o;
    o.Dateiname = s.dir.filePath("momP1.log");
    o.Zeitraum = 1;
    TMomentanwertFenster* w =
        TMomentanwertFenster::Oeffne(&bereich, QStringLiteral("Momentanwerte von Demostation"), o, station, kanaele);
    // 95 seconds at one frame every 10: more lines than the limit of 7.
    s.pump.advance(95000);

    const QStringList zeilen = DateiZeilen(o.Dateiname);
    ASSERT_EQ(zeilen.size(), 7);
    EXPECT_EQ(zeilen[0], U("Datum\tZeit\tt2m[°C]\trf[%]\tld[hPa]\twr[°]\twg[m/s]\tnied[mm]\ttbn[°C]\tbod5[°C]"
                           "\takku[V]\tgs[W/m2]"));
    const QRegularExpression daten(QStringLiteral("^01\\.03\\.2026\\t08:0\\d:\\d\\d\\t(-?\\d+(,\\d+)?\\t){10}$"));
    for (int i = 1; i < zeilen.size(); ++i) EXPECT_TRUE(daten.match(zeilen[i]).hasMatch()) << zeilen[i].toStdString();
    // Newest last, ten seconds apart.
    EXPECT_LT(zeilen[1].mid(11, 8), zeilen[6].mid(11, 8));

    EXPECT_EQ(w->Modell().Zeilen(), zeilen);
    ASSERT_EQ(w->ListBox1->model()->rowCount(), 7);
    EXPECT_EQ(w->ListBox1->model()->index(6, 0).data().toString(), zeilen[6]);
    // The chart draws the six readings of each channel; at first the
    // temperatures, on one axis.
    for (int k = 0; k < 10; ++k) EXPECT_EQ(w->Diagramm1->Reihe(k)->count(), 6) << k;
    EXPECT_TRUE(w->Diagramm1->Reihe(0)->isVisible());
    EXPECT_FALSE(w->Diagramm1->Reihe(1)->isVisible());
    EXPECT_TRUE(w->Diagramm1->Achse(U("°C"))->isVisible());
    EXPECT_FALSE(w->Diagramm1->Achse(U("hPa"))->isVisible());
    w->KanalListe1->model()->setData(w->KanalListe1->model()->index(2, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_TRUE(w->Diagramm1->Reihe(2)->isVisible());
    EXPECT_TRUE(w->Diagramm1->Achse(U("hPa"))->isVisible());
    const QValueAxis* hPa = w->Diagramm1->Achse(U("hPa"));
    for (const QPointF& pt : w->Diagramm1->Reihe(2)->points()) {
        EXPECT_GE(pt.y(), hPa->min());
        EXPECT_LE(pt.y(), hPa->max());
    }

    ASSERT_TRUE(StopInstantaneousMode(p));
    EXPECT_FALSE(s.logger->Momentanbetrieb());
    TransferWindow().reset();
}

TEST(MomentanFenster, ListBoxInAFixedPitchFontWithLinesOf14Pixels) {
    test::GuiAnwendung();
    TMomentanwertFenster w;
    EXPECT_EQ(w.windowTitle(), U("Momentanwerte"));
    EXPECT_TRUE(QFontInfo(w.ListBox1->font()).fixedPitch());
    EXPECT_EQ(w.ListBox1->font().pointSize(), 8);
    QTemporaryDir dir;
    TMomentanwertOptionen o;
    o.Dateiname = dir.filePath("m.log");
    w.SetzeOptionen(o);
    ASSERT_TRUE(w.Modell().Zeile(QStringLiteral("260301120000;1.5;")));
    w.show();
    EXPECT_EQ(w.ListBox1->visualRect(w.ListBox1->model()->index(1, 0)).height(), 14);
}

TEST(MomentanFenster, ALineReachesTheLastWindowWhoseCaptionHoldsTheStationName) {
    test::GuiAnwendung();
    QTemporaryDir dir;
    QMdiArea bereich;
    const auto fenster = [&](const char* titel, const char* datei) {
        TMomentanwertOptionen o;
        o.Dateiname = dir.filePath(datei);
        return TMomentanwertFenster::Oeffne(&bereich, QString::fromLatin1(titel), o, {}, {});
    };
    TMomentanwertFenster* erstes = fenster("Momentanwerte von Demostation", "a.log");
    TMomentanwertFenster* anderes = fenster("Momentanwerte von Nordfeld", "b.log");
    const auto zeilen = [](TMomentanwertFenster* w) { return int(w->Modell().Zeilen().size()); };
    const QByteArray frame = "260301120000;1.5;";

    EXPECT_TRUE(TMomentanEmpfang::Zustellen(QStringLiteral("Demostation"), frame));
    EXPECT_EQ(zeilen(erstes), 2);
    EXPECT_EQ(zeilen(anderes), 0);
    EXPECT_FALSE(TMomentanEmpfang::Zustellen(QStringLiteral("Suedfeld"), frame));
    // A station without a name: its window is there, but no line reaches
    // it or any other, since an empty name is in no caption.
    TMomentanwertFenster* ohneName = fenster("Momentanwerte von ", "d.log");
    EXPECT_FALSE(TMomentanEmpfang::Zustellen(QString(), frame));
    EXPECT_EQ(zeilen(ohneName), 0);
    EXPECT_EQ(zeilen(erstes), 2);

    TMomentanwertFenster* zweites = fenster("Momentanwerte von Demostation", "c.log");
    EXPECT_TRUE(TMomentanEmpfang::Zustellen(QStringLiteral("Demostation"), frame));
    EXPECT_EQ(zeilen(zweites), 2);
    EXPECT_EQ(zeilen(erstes), 2);
    // Once the last is closed, the first gets the lines again.
    zweites->close();
    Aufraeumen();
    EXPECT_TRUE(TMomentanEmpfang::Zustellen(QStringLiteral("Demostation"), frame));
    EXPECT_EQ(zeilen(erstes), 3);
}

TEST(MomentanFenster, ClosingSendsTheUserMessageOnceAndFreesTheWindowDestroyingSendsNothing) {
    test::GuiAnwendung();
    enum Wie { Rahmen, Fenster, Hauptfenster };
    struct Fall {
        const char* was;
        Wie wie;
        int meldungen;
    };
    for (const Fall& f : {Fall{"the person closes its frame", Rahmen, 1},
                          Fall{"the window is closed", Fenster, 1},
                          Fall{"the main window is destroyed", Hauptfenster, 0}}) {
        SCOPED_TRACE(f.was);
        auto* bereich = new QMdiArea;
        bereich->show();
        QTemporaryDir dir;
        TMomentanwertOptionen o;
        o.Dateiname = dir.filePath("m.log");
        QPointer<TMomentanwertFenster> w =
            TMomentanwertFenster::Oeffne(bereich, QStringLiteral("Momentanwerte von Demostation"), o, {}, {});
        QPointer<QMdiSubWindow> rahmen = qobject_cast<QMdiSubWindow*>(w->parentWidget());
        ASSERT_TRUE(rahmen);
        int gesendet = 0;
        bool lebteNoch = false;
        QObject::connect(w, &TMomentanwertFenster::Geschlossen, [&] {
            ++gesendet;
            // Sent before the window goes: it still receives.
            lebteNoch = TMomentanEmpfang::Zustellen(QStringLiteral("Demostation"), "260301120000;1;");
        });
        switch (f.wie) {
        case Rahmen: rahmen->close(); break;
        case Fenster: w->close(); break;
        case Hauptfenster: delete bereich; bereich = nullptr; break;
        }
        Aufraeumen();
        EXPECT_EQ(gesendet, f.meldungen);
        EXPECT_EQ(lebteNoch, f.meldungen > 0);
        EXPECT_FALSE(w);
        EXPECT_FALSE(rahmen);
        EXPECT_FALSE(TMomentanEmpfang::Zustellen(QStringLiteral("Demostation"), "260301120000;1;"));
        if (bereich) {
            EXPECT_TRUE(bereich->subWindowList().isEmpty());
            delete bereich;
        }
    }
}

} // namespace
