// The main window offscreen: its captions, menus, shortcuts, toolbar and
// status panels as the person meets them, the real programme selection
// dialog driven by the test, the receive indicator, the close query and a
// remote-control macro that arrives while the person's operation runs.
#include "kom/app/Hauptfenster.h"

#include "tests/app/SimStand.h"

#include "common/Ini.h"
#include "common/gui/SessionAuswDialog.h"
#include "kom/app/MomWnd.h"
#include "kom/app/StParWnd.h"
#include "kom/app/ZeitStellDlg.h"
#include "kom/protocol/Treiber.h"
#include "platform/Fernsteuerung.h"
#include "platform/PeerLine.h"
#include "sim/SimLogger.h"

#include "tests/GuiAnwendung.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QTemporaryDir& Laufzeit() {
    static QTemporaryDir d;  // the remote control's private socket directory
    return d;
}

void App() {
    test::GuiAnwendung([] { qputenv("XDG_RUNTIME_DIR", Laufzeit().path().toLocal8Bit()); });
}

void Schreibe(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

// Handles Qt events until bis() holds (the bound only keeps a broken build
// from hanging the suite).
bool Warte(const std::function<bool()>& bis) {
    QDeadlineTimer schranke(30000);
    while (!bis()) {
        if (schranke.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Acts on the next modal dialog of type T once it is shown.
template <class T>
void BeiDialog(std::function<void(T&)> tue) {
    auto* t = new QTimer;
    t->setInterval(5);
    QObject::connect(t, &QTimer::timeout, [t, tue] {
        auto* d = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible()) return;
        t->stop();
        t->deleteLater();
        tue(*d);
    });
    t->start();
}

// The main window over the simulated logger on the virtual clock.
struct Fenster : test::SimStand {
    std::unique_ptr<THauptfenster> w;

    Fenster() {
        App();
        SetzeMeldungen(&meldungen);
        Sitzungen("", "[P2]\r\nBezeichnung=Zweite\r\nStatNr=2\r\n");
        w = std::make_unique<THauptfenster>();
    }
    ~Fenster() {
        w.reset();
        SetzeMeldungen(nullptr);
    }
    QToolButton* Knopf(QAction* a) const { return qobject_cast<QToolButton*>(w->ToolBar1->widgetForAction(a)); }
};

TEST(Hauptfenster, CaptionSizeAndMenus) {
    Fenster f;
    THauptfenster& w = *f.w;
    EXPECT_EQ(w.windowTitle(), "Datenkommunikation");
    EXPECT_EQ(w.minimumSize(), QSize(550, 400));
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    ASSERT_NE(w.MDIBereich, nullptr);
    EXPECT_EQ(w.centralWidget(), static_cast<QWidget*>(w.MDIBereich));

    QStringList menues;
    for (QAction* a : w.menuBar()->actions()) menues << a->text();
    EXPECT_EQ(menues, (QStringList{"&Datalogger", "&Verbindung", "&Extras", "&Hilfe"}));
    const struct {
        QAction* a;
        const char* text;
        const char* kurz;
        bool sichtbar;
    } eintraege[] = {
        {w.MenuDatenLesen1, "D&aten lesen...", "Ctrl+D", false},
        {w.MenuDSLoeschen1, "Datenspeicher &löschen...", "Ctrl+L", true},
        {w.MenuStationsparameteranzeigen1, "&Stationsparameter anzeigen...", "Ctrl+S", true},
        {w.MenuMomentanmesswerteanzeigen1, "&Momentanmesswerte anzeigen...", "Ctrl+M", true},
        {w.MenuSZStellen1, "System&zeit stellen...", "Ctrl+Z", true},
        {w.MenuBeenden1, "Programm &beenden", "", true},
        {w.MenuAufbauen1, "&Aufbauen...", "", true},
        {w.MenuTrennen1, "&Trennen", "", true},
        {w.MenuProgrammeinstellungen1, "&Programmeinstellungen...", "", true},
        {w.MenuInfo1, "Inf&o...", "", true},
    };
    for (const auto& e : eintraege) {
        SCOPED_TRACE(e.text);
        ASSERT_NE(e.a, nullptr);
        EXPECT_EQ(e.a->text(), QString::fromUtf8(e.text));
        EXPECT_EQ(e.a->shortcut(), QKeySequence(QString::fromLatin1(e.kurz)));
        EXPECT_EQ(e.a->isVisible(), e.sichtbar);
        // "Trennen" too, until the first connect or disconnect. (A hidden
        // action counts as disabled in Qt; its shortcut is a QShortcut.)
        if (e.sichtbar) {
            EXPECT_TRUE(e.a->isEnabled());
        }
    }
}

TEST(Hauptfenster, ToolbarAndStatusPanels) {
    Fenster f;
    THauptfenster& w = *f.w;
    w.show();
    const struct {
        QAction* a;
        const char* hinweis;
        bool aktiv;
        bool sichtbar;
    } knoepfe[] = {
        {w.TBAufbauen1, "Verbindung aufbauen...", true, true},
        {w.TBTrennen1, "Verbindung trennen", false, true},
        {w.TBDatenLesen1, "Daten Lesen...", true, false},
        {w.TBSZStellen1, "Systemzeit stellen...", true, true},
        {w.TBDSLoeschen1, "Datenspeicher löschen...", true, true},
        {w.TBStationsparameteranzeigen1, "Stationsparameter anzeigen...", true, true},
        {w.TBMomentanmesswerteanzeigen1, "Momentanmesswerte anzeigen...", true, true},
        {w.ToolButton4, "Info...", true, true},
    };
    QList<QAction*> reihe;
    for (const auto& k : knoepfe) {
        SCOPED_TRACE(k.hinweis);
        reihe << k.a;
        EXPECT_EQ(k.a->toolTip(), QString::fromUtf8(k.hinweis));
        if (k.sichtbar) {
            EXPECT_EQ(k.a->isEnabled(), k.aktiv);
        }
        EXPECT_EQ(k.a->isVisible(), k.sichtbar);
        EXPECT_FALSE(k.a->icon().isNull());
        if (k.sichtbar) {
            ASSERT_NE(f.Knopf(k.a), nullptr);
            EXPECT_EQ(f.Knopf(k.a)->size(), QSize(62, 42));
            EXPECT_TRUE(f.Knopf(k.a)->autoRaise());
        }
    }
    EXPECT_EQ(w.ToolBar1->iconSize(), QSize(55, 32));
    // Left to right, with separators after "Trennen" and before "Info...".
    QList<QAction*> ohneTrenner;
    QList<int> trenner;
    const QList<QAction*> alle = w.ToolBar1->actions();
    for (int i = 0; i < alle.size(); ++i) {
        if (alle[i]->isSeparator()) trenner << ohneTrenner.size();
        else ohneTrenner << alle[i];
    }
    EXPECT_EQ(ohneTrenner, reihe);
    EXPECT_EQ(trenner, (QList<int>{2, 7}));
    EXPECT_TRUE(w.TBMomentanmesswerteanzeigen1->isCheckable());
    EXPECT_FALSE(w.MenuMomentanmesswerteanzeigen1->isCheckable());

    EXPECT_EQ(w.Panel1->sizeHint().width(), 300);
    EXPECT_EQ(w.Panel2->sizeHint().width(), 300);
    EXPECT_EQ(w.ReceiveCharStatus1->width(), 19);
    EXPECT_EQ(w.Panel4->sizeHint().width(), 50);
    EXPECT_TRUE(w.Panel1->text().isEmpty() && w.Panel2->text().isEmpty() && w.Panel4->text().isEmpty());
    // The indicator fills its panel, one pixel less in height, green at start.
    EXPECT_FALSE(w.ReceiveCharStatus1->Rot());
    EXPECT_EQ(w.ReceiveCharStatus1->Rechteck(),
              QRect(0, 0, w.ReceiveCharStatus1->width(), w.ReceiveCharStatus1->height() - 1));
    const QImage bild = w.ReceiveCharStatus1->grab().toImage();
    EXPECT_EQ(QColor(bild.pixel(5, 5)), QColor(0, 200, 0));
}

TEST(Hauptfenster, ConnectThroughTheSelectionDialogThenDisconnect) {
    Fenster f;
    THauptfenster& w = *f.w;
    w.show();
    // Nothing is preselected: OK is refused, then the person picks the first row.
    BeiDialog<TSessionAuswDialog1>([&](TSessionAuswDialog1& d) {
        EXPECT_EQ(d.SessionListView1->model()->rowCount(), 2);
        d.OKButton1->click();
        EXPECT_TRUE(d.isVisible());
        const QRect r = d.SessionListView1->visualRect(d.SessionListView1->model()->index(0, 1));
        QTest::mouseClick(d.SessionListView1->viewport(), Qt::LeftButton, {}, r.center());
        d.OKButton1->click();
    });
    w.TBAufbauen1->trigger();
    EXPECT_EQ(f.meldungen.Texte(), QStringList{QString::fromUtf8(kWaehleMessprogramm)});
    EXPECT_EQ(w.Panel2->text(), " Verbunden mit Demostation");
    EXPECT_FALSE(w.MenuAufbauen1->isEnabled());
    EXPECT_FALSE(w.TBAufbauen1->isEnabled());
    EXPECT_TRUE(w.MenuTrennen1->isEnabled());
    EXPECT_TRUE(w.TBTrennen1->isEnabled());
    EXPECT_EQ(TIniFile(f.dir.filePath("sessions.ini")).ReadString("Allgemein", "Aktiv", ""), "P1");
    EXPECT_EQ(f.Befehle(), QStringList{"STOPMO"});

    // Ctrl+D reads data although its menu item is hidden.
    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(f.Befehle().contains("READMC")) << f.Befehle().join(' ').toStdString();

    w.MenuTrennen1->trigger();
    EXPECT_TRUE(w.Panel2->text().isEmpty());
    EXPECT_TRUE(w.TBAufbauen1->isEnabled());
    EXPECT_FALSE(w.MenuTrennen1->isEnabled());
    EXPECT_FALSE(w.TBTrennen1->isEnabled());
    EXPECT_EQ(TransferWindow(), nullptr);
}

TEST(Hauptfenster, ShortcutsWhileDisconnected) {
    Fenster f;
    THauptfenster& w = *f.w;
    w.show();
    QApplication::setActiveWindow(&w);
    // Ctrl+D without a connection: nothing happens.
    QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(f.Befehle().isEmpty());
    EXPECT_TRUE(f.meldungen.gezeigt.empty());
    // Ctrl+L asks first; No ends it before the selection.
    f.meldungen.antworten = {false};
    QTest::keyClick(&w, Qt::Key_L, Qt::ControlModifier);
    ASSERT_EQ(f.meldungen.gezeigt.size(), 1u);
    EXPECT_EQ(f.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Frage);
    EXPECT_TRUE(f.Befehle().isEmpty());
    // Ctrl+S opens the selection; cancelling it ends the command.
    bool gezeigt = false;
    BeiDialog<TSessionAuswDialog1>([&](TSessionAuswDialog1& d) {
        gezeigt = true;
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(gezeigt);
    EXPECT_TRUE(f.Befehle().isEmpty());
}

TEST(Hauptfenster, ReceiveIndicatorMirrorsTheTransferWindow) {
    Fenster f;
    THauptfenster& w = *f.w;
    ASSERT_TRUE(bool(Umgebung().hauptIndikator));
    TNUVARFenster t(Umgebung());
    t.RxIndicatorOn();
    EXPECT_TRUE(w.ReceiveCharStatus1->Rot());
    EXPECT_EQ(QColor(w.ReceiveCharStatus1->grab().toImage().pixel(5, 5)), QColor(Qt::red));
    t.RxIndicatorOff();
    EXPECT_FALSE(w.ReceiveCharStatus1->Rot());
}

TEST(Hauptfenster, InstantaneousButtonShowsTheMode) {
    Fenster f;
    THauptfenster& w = *f.w;
    w.Programmauswahl = [](QString& k) {
        k = QStringLiteral("P1");
        return true;
    };
    w.TBMomentanmesswerteanzeigen1->trigger();
    EXPECT_TRUE(w.TBMomentanmesswerteanzeigen1->isChecked());
    EXPECT_EQ(w.Panel1->text(), "Momentanwertmodus");
    f.meldungen.antworten = {true};
    w.MenuMomentanmesswerteanzeigen1->trigger();
    EXPECT_FALSE(w.TBMomentanmesswerteanzeigen1->isChecked());
    EXPECT_TRUE(w.Panel1->text().isEmpty());
    EXPECT_TRUE(w.Panel2->text().isEmpty());  // the command had connected: it disconnects
}

TEST(Hauptfenster, CloseQueryDisconnectsAndCloses) {
    Fenster f;
    THauptfenster& w = *f.w;
    w.show();
    w.Programmauswahl = [](QString& k) {
        k = QStringLiteral("P1");
        return true;
    };
    w.MenuMomentanmesswerteanzeigen1->trigger();
    ASSERT_TRUE(f.logger->Momentanbetrieb());
    f.meldungen.antworten = {true};
    w.MenuBeenden1->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(f.logger->Momentanbetrieb());  // "Momentanwertmodus beenden?" Yes: told to stop
    EXPECT_EQ(TransferWindow(), nullptr);
}

TEST(Hauptfenster, FirstPaintMinimisesInInstantaneousMode) {
    Fenster f;
    THauptfenster& w = *f.w;
    TVerbParam p;
    p.Baudrate = 3;
    p.StatNr = f.logger->Stationsparameter().Stationsnummer;
    p.Mittelwertzeit = f.logger->Stationsparameter().Mittelwertintervall;
    p.StatName = QStringLiteral("Demostation");
    w.Modell().MomentanwerteAusSequenz(p);
    ASSERT_TRUE(w.Modell().MomentanAktiv);
    w.show();
    EXPECT_TRUE(Warte([&] { return w.isMinimized(); }));
    EXPECT_TRUE(w.Modell().ErsterPaintErledigt);
}

TEST(Hauptfenster, PlainStartIsNotMinimised) {
    Fenster f;
    THauptfenster& w = *f.w;
    w.show();
    EXPECT_TRUE(Warte([&] { return w.Modell().ErsterPaintErledigt; }));
    QTest::qWait(20);
    EXPECT_FALSE(w.isMinimized());
}

// A client that sends one macro without blocking this thread.
struct Klient {
    QLocalSocket s;
    QByteArray antwort;
    Klient(const QString& pfad, const QByteArray& daten) {
        QObject::connect(&s, &QLocalSocket::readyRead, [this] { antwort += s.readAll(); });
        s.connectToServer(pfad);
        s.waitForConnected(5000);
        s.write("NUVARKom/RemoteControl\n" + QByteArray::number(daten.size()) + '\n' + daten);
        s.flush();
    }
};

TEST(Hauptfenster, MacroDuringAnInteractiveOperationWaitsForItsEnd) {
    Fenster f;
    THauptfenster& w = *f.w;
    w.StarteFernsteuerung(f.dir.filePath("NUVARKom"), f.dir.path());
    ASSERT_NE(w.Fernsteuerung(), nullptr);
    const TStationsParameter st = f.logger->Stationsparameter();
    const QString seq = f.dir.filePath("s.seq");
    Schreibe(seq, "[AutoSeq]\nBefehl=LeseSYNOP\n[Messprogramm]\nStatNr=" + QByteArray::number(st.Stationsnummer) +
                      "\nMWZeit=" + QByteArray::number(st.Mittelwertintervall) + "\n[SYNOP]\nDatei=" +
                      QFile::encodeName(f.dir.filePath("synop.txt")) + "\n");
    w.Programmauswahl = [](QString& k) {
        k = QStringLiteral("P1");
        return true;
    };
    std::unique_ptr<Klient> klient;
    int befehleBeiAnkunft = -1;
    bool wartete = false;
    f.logger->onMeldung = [&](const QString& z) {
        if (klient || !z.contains(QStringLiteral("GETPAR"))) return;
        // The macro arrives while the station parameters are read: its
        // request is complete and queued, but it does not run inside.
        befehleBeiAnkunft = int(f.logger->EmpfangeneRahmen().size());
        klient = std::make_unique<Klient>(w.Fernsteuerung()->Pfad(), "AUTO," + QFile::encodeName(seq));
        Warte([&] { return w.Fernsteuerung()->Wartend() == 1; });
        for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        wartete = w.Fernsteuerung()->Wartend() == 1 && klient->antwort.isEmpty();
    };
    w.MenuStationsparameteranzeigen1->trigger();
    f.logger->onMeldung = {};
    ASSERT_TRUE(klient);
    EXPECT_TRUE(wartete);
    const QStringList vorMakro = f.Befehle();
    EXPECT_EQ(vorMakro, (QStringList{"STOPMO", "GETPAR"}));
    // After the operation the macro runs, on a link of its own.
    ASSERT_TRUE(Warte([&] { return klient->antwort.contains('\n'); }));
    EXPECT_EQ(klient->antwort, "ACK\n");
    EXPECT_TRUE(QFile::exists(f.dir.filePath("synop.txt")));
    const QStringList alle = f.Befehle();
    EXPECT_GT(alle.size(), vorMakro.size());
    EXPECT_EQ(alle.mid(0, 2), vorMakro);
    EXPECT_EQ(alle.value(2), "STOPMO");  // the macro's own wake-up, after the operation's end
    EXPECT_EQ(befehleBeiAnkunft, 1);  // it came while the logger took GETPAR
}

} // namespace

// ---- the child windows through the main window ----

template <class T>
QList<T*> Kinder(THauptfenster& w) {
    QList<T*> l;
    for (QMdiSubWindow* s : w.MDIBereich->subWindowList(QMdiArea::CreationOrder))
        if (auto* k = qobject_cast<T*>(s->widget())) l << k;
    return l;
}

namespace {

void WaehleP1(THauptfenster& w) {
    w.Programmauswahl = [](QString& k) {
        k = QStringLiteral("P1");
        return true;
    };
}

TEST(Hauptfenster, StationParameterWindowPerCommand) {
    Fenster f;
    THauptfenster& w = *f.w;
    w.show();
    WaehleP1(w);
    w.MenuStationsparameteranzeigen1->trigger();
    w.TBStationsparameteranzeigen1->trigger();
    const QList<TStatParamFenster*> fenster = Kinder<TStatParamFenster>(w);
    ASSERT_EQ(fenster.size(), 2);
    EXPECT_EQ(fenster[0]->windowTitle(), QString::fromUtf8("Stationsparameter für Versuchsfeld"));
    EXPECT_NE(fenster[0], fenster[1]);
    EXPECT_TRUE(w.Panel2->text().isEmpty());  // the command connected only for its duration
}

TEST(Hauptfenster, InstantaneousWindowStreamsAndClosingItEndsTheMode) {
    Fenster f;
    THauptfenster& w = *f.w;
    w.show();
    WaehleP1(w);
    // A station parameter window whose caption contains the station name
    // is no instantaneous-values window: one is still created.
    Schreibe(f.dir.filePath("sessions.ini"),
             "[Allgemein]\r\nAktiv=P1\r\n[P1]\r\nBezeichnung=Demostation\r\nStatNr=" +
                 QByteArray::number(f.logger->Stationsparameter().Stationsnummer) +
                 "\r\nStatName=Demostation\r\nMittelwertzeit=" +
                 QByteArray::number(f.logger->Stationsparameter().Mittelwertintervall) + "\r\n");
    w.MenuStationsparameteranzeigen1->trigger();
    ASSERT_EQ(Kinder<TStatParamFenster>(w).size(), 1);
    w.MenuMomentanmesswerteanzeigen1->trigger();
    ASSERT_TRUE(w.Modell().MomentanAktiv);
    const QList<TMomentanwertFenster*> mom = Kinder<TMomentanwertFenster>(w);
    ASSERT_EQ(mom.size(), 1);
    EXPECT_EQ(mom[0]->windowTitle(), "Momentanwerte von Demostation");
    // Readings arrive: the window shows header and lines, the recording
    // file beside the program holds the same.
    f.pump.advance(35000);
    QCoreApplication::processEvents();
    const QStringList zeilen = mom[0]->Modell().Zeilen();
    ASSERT_GE(zeilen.size(), 3);
    EXPECT_TRUE(zeilen[0].startsWith("Datum\tZeit\t"));
    EXPECT_TRUE(QFileInfo(f.dir.filePath("momP1.log")).size() > 0);
    // On again (off, on): the open window is reused.
    w.MenuMomentanmesswerteanzeigen1->trigger();
    w.MenuMomentanmesswerteanzeigen1->trigger();
    EXPECT_EQ(Kinder<TMomentanwertFenster>(w).size(), 1);
    // The person closes it: the user message ends the mode and the
    // command's own link.
    f.VergissBefehle();
    mom[0]->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.Modell().MomentanAktiv);
    EXPECT_FALSE(f.logger->Momentanbetrieb());
    EXPECT_EQ(f.Befehle().value(0), "STOPMO");
    EXPECT_FALSE(w.TBMomentanmesswerteanzeigen1->isChecked());
    EXPECT_TRUE(w.Panel2->text().isEmpty());
    EXPECT_TRUE(Kinder<TMomentanwertFenster>(w).isEmpty());
}

TEST(Hauptfenster, SetTheClockThroughTheDialog) {
    struct Fall {
        const char* name;
        bool ausfuehren;
        bool bestaetigt;
        int settim;
    };
    for (const Fall& fall : {Fall{"executed and confirmed", true, true, 1}, Fall{"confirmation refused, then cancelled", true, false, 0},
                             Fall{"cancelled", false, false, 0}}) {
        SCOPED_TRACE(fall.name);
        Fenster f;
        THauptfenster& w = *f.w;
        w.show();
        WaehleP1(w);
        f.meldungen.antworten = {fall.bestaetigt};
        bool gezeigt = false;
        BeiDialog<TZeitStellDialog>([&](TZeitStellDialog& d) {
            gezeigt = true;
            EXPECT_NEAR(d.Abweichung, 1.0 / 24, 2.0 / 86400);  // the logger is an hour fast
            if (fall.ausfuehren) d.AusfuehrenButton1->click();
            if (d.isVisible()) d.AbbrechenButton1->click();
        });
        w.TBSZStellen1->trigger();
        EXPECT_TRUE(gezeigt);
        EXPECT_EQ(f.Anzahl("SETTIM"), fall.settim);
        EXPECT_EQ(f.Anzahl("GETTIM"), 1);
        EXPECT_TRUE(w.Panel2->text().isEmpty());
    }
}

TEST(Hauptfenster, DestroyedWithAnInstantaneousWindowOpenSendsNothing) {
    Fenster f;
    WaehleP1(*f.w);
    f.w->MenuMomentanmesswerteanzeigen1->trigger();
    ASSERT_EQ(Kinder<TMomentanwertFenster>(*f.w).size(), 1);
    f.VergissBefehle();
    f.w.reset();  // the child goes with it, without the user message
    EXPECT_TRUE(f.Befehle().isEmpty());
}

} // namespace
