// The programme selection in both variants: the logic (preselection, close
// check, scroll, path rule) as tables, then the real dialog driven by the
// test the way a person would use it.
#include "common/gui/SessionAuswDialog.h"

#include "common/Ini.h"
#include "common/Meldungen.h"

#include "tests/GuiAnwendung.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QApplication& App() { return test::GuiAnwendung(); }

// sessions.ini with n programmes P1..Pn ("Station k", station number k),
// P3 ended, Allgemein/Aktiv as given.
struct Sitzungen {
    QTemporaryDir dir;
    QString pfad = dir.filePath(QStringLiteral("sessions.ini"));
    explicit Sitzungen(int n, const QString& aktiv = {}) {
        QByteArray b = "[Allgemein]\r\nAktiv=" + aktiv.toUtf8() + "\r\n";
        for (int k = 1; k <= n; ++k) {
            b += "[P" + QByteArray::number(k) + "]\r\nBezeichnung=Station " + QByteArray::number(k) +
                 "\r\nStatNr=" + QByteArray::number(k).rightJustified(3, '0') + "\r\nStatName=Name " +
                 QByteArray::number(k) + "\r\nStandortname=Ort " + QByteArray::number(k) + "\r\n";
            if (k == 3) b += "Beendet=1\r\n";
        }
        QFile f(pfad);
        if (f.open(QIODevice::WriteOnly)) f.write(b);
    }
};

TEST(SessionAuswahl, PreselectionOnOpening) {
    struct Fall {
        const char* name;
        TSessionAuswVariante variante;
        int programme;
        QString kennung;
        int ausgewaehlt;
        int fokus;
    };
    const Fall faelle[] = {
        {"fifth of ten", TSessionAuswVariante::NUVARKom(), 10, "P5", 4, 0},
        {"empty key", TSessionAuswVariante::NUVARKom(), 10, "", -1, 0},
        {"removed programme", TSessionAuswVariante::NUVARKom(), 10, "P11", -1, 0},
        {"keys compare case-sensitively", TSessionAuswVariante::NUVARKom(), 10, "p5", -1, 0},
        {"no programme in the file", TSessionAuswVariante::NUVARKom(), 0, "P1", -1, -1},
        {"configurator: no preselection", TSessionAuswVariante::NuvarCfg(), 10, "P5", 0, 0},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Sitzungen s(f.programme);
        TSessionAuswahl a(f.variante);
        a.Kennung = f.kennung;
        a.Fuellen(TIniFile(s.pfad));
        EXPECT_EQ(int(a.Zeilen().size()), f.programme);
        EXPECT_EQ(a.Ausgewaehlt(), f.ausgewaehlt);
        EXPECT_EQ(a.Fokus(), f.fokus);
    }
}

TEST(SessionAuswahl, CloseCheck) {
    struct Fall {
        const char* name;
        int auswahl;
        bool mitOK;
        bool erlaubt;
        QString kennung;  // afterwards
        bool hinweis;
    };
    const Fall faelle[] = {
        {"OK with a row", 1, true, true, "P2", false},
        {"OK without a row", -1, true, false, "vorher", true},
        {"Cancel without a row", -1, false, true, "vorher", false},
        {"Cancel with a row keeps the key", 1, false, true, "vorher", false},
    };
    Sitzungen s(3);
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TSessionAuswahl a(TSessionAuswVariante::NUVARKom());
        a.Fuellen(TIniFile(s.pfad));
        a.Kennung = QStringLiteral("vorher");
        a.Waehle(f.auswahl);
        TSkriptMeldungen m;
        EXPECT_EQ(a.DarfSchliessen(f.mitOK, m), f.erlaubt);
        EXPECT_EQ(a.Kennung, f.kennung);
        EXPECT_EQ(m.Texte(), f.hinweis ? QStringList{QString::fromUtf8(kWaehleMessprogramm)} : QStringList{});
    }
}

TEST(SessionAuswahl, ScrollOnceAfterOpening) {
    struct Fall {
        int auswahl;
        int fokus;
        int sichtbar;
        int zeilen;
    };
    // 20 rows. The selected row counts first, the focused one without a selection.
    const Fall faelle[] = {
        {0, 0, 6, 0}, {5, 0, 6, 0}, {6, 0, 6, 1}, {17, 0, 6, 12}, {-1, 19, 6, 14}, {-1, -1, 6, 0}, {3, 0, 0, 4},
    };
    Sitzungen s(20);
    for (const Fall& f : faelle) {
        SCOPED_TRACE(testing::Message() << f.auswahl << "/" << f.fokus << "/" << f.sichtbar);
        TSessionAuswahl a(TSessionAuswVariante::NUVARKom());
        a.Fuellen(TIniFile(s.pfad));
        a.SetzeFokus(f.fokus);
        a.Waehle(f.auswahl);
        EXPECT_EQ(a.ScrollZeilen(f.sichtbar), f.zeilen);
    }
}

TEST(SessionAuswahl, ConfiguratorPathRule) {
    const struct {
        const char* eingestellt;
        const char* pfad;
    } faelle[] = {
        {"sessions.ini", "/opt/nuvar/sessions.ini"},
        {"daten/sessions.ini", "/opt/nuvar/daten/sessions.ini"},
        {"/srv/netz/sessions.ini", "/srv/netz/sessions.ini"},
        {"C:\\Netz\\sessions.ini", "C:\\Netz\\sessions.ini"},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(SessionsIniPfad(QString::fromUtf8(f.eingestellt), QStringLiteral("/opt/nuvar")),
                  QString::fromUtf8(f.pfad));
}

// ---- the dialog, driven ----

struct Dialog {
    TSkriptMeldungen meldungen;
    std::unique_ptr<TSessionAuswDialog1> d;
    explicit Dialog(const Sitzungen& s, const QString& kennung,
                    TSessionAuswVariante v = TSessionAuswVariante::NUVARKom()) {
        App();
        d = std::make_unique<TSessionAuswDialog1>(v);
        d->MeldungenDienst = &meldungen;
        d->SessionsPfad = s.pfad;
        d->Kennung = kennung;
    }
    // Runs the dialog; the steps act on it while it is shown modally.
    bool Lauf(std::function<void(TSessionAuswDialog1&)> schritte) {
        bool geschlossen = false;
        QTimer::singleShot(0, d.get(), [&] {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(d.get()));
            QTest::qWait(5);  // the scroll timer
            schritte(*d);
            geschlossen = !d->isVisible();
            if (!geschlossen) d->reject();
        });
        const bool ok = d->Ausfuehren();
        EXPECT_TRUE(geschlossen) << "the steps did not close the dialog";
        return ok;
    }
    QPoint Zeile(int r) const {
        return d->SessionListView1->visualRect(d->SessionListView1->model()->index(r, 1)).center();
    }
    QWidget* Liste() const { return d->SessionListView1->viewport(); }
    // What a person's double click delivers: a click, then the double click.
    void DoppelKlick(const QPoint& p) const {
        QTest::mouseClick(Liste(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(Liste(), Qt::LeftButton, {}, p);
    }
    QPoint UnterDenZeilen() const { return QPoint(50, Liste()->height() - 4); }
};

TEST(SessionAuswDialog, ChoosingAProgramme) {
    struct Fall {
        const char* name;
        QString aktiv;
        std::function<void(Dialog&)> schritte;
        bool ergebnis;
        QString kennung;
        QStringList hinweise;
    };
    const QString hinweis = QString::fromUtf8(kWaehleMessprogramm);
    const Fall faelle[] = {
        {"OK takes the preselected row", "P5", [](Dialog& x) { x.d->OKButton1->click(); }, true, "P5", {}},
        {"Enter presses OK", "P2", [](Dialog& x) { QTest::keyClick(x.d.get(), Qt::Key_Return); }, true, "P2", {}},
        {"a click chooses another row", "P5",
         [](Dialog& x) {
             QTest::mouseClick(x.Liste(), Qt::LeftButton, {}, x.Zeile(1));
             x.d->OKButton1->click();
         },
         true, "P2", {}},
        {"OK without a selection is refused, then a row is clicked", "weg",
         [](Dialog& x) {
             x.d->OKButton1->click();
             EXPECT_TRUE(x.d->isVisible());
             QTest::mouseClick(x.Liste(), Qt::LeftButton, {}, x.Zeile(3));
             x.d->OKButton1->click();
         },
         true, "P4", {hinweis}},
        {"Escape cancels with a row selected", "P5", [](Dialog& x) { QTest::keyClick(x.d.get(), Qt::Key_Escape); },
         false, "P5", {}},
        {"the close box cancels", "", [](Dialog& x) { x.d->close(); }, false, "", {}},
        {"double click on a row", "P1",
         [](Dialog& x) { x.DoppelKlick(x.Zeile(2)); }, true, "P3", {}},
        {"double click on the empty space below the rows", "P2",
         [](Dialog& x) { x.DoppelKlick(x.UnterDenZeilen()); },
         true, "P2", {}},
        {"double click without a selection is refused", "",
         [](Dialog& x) {
             x.DoppelKlick(x.UnterDenZeilen());
             EXPECT_TRUE(x.d->isVisible());
             x.d->reject();
         },
         false, "", {hinweis}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Sitzungen s(5, f.aktiv);
        Dialog x(s, f.aktiv);
        const bool ok = x.Lauf([&](TSessionAuswDialog1&) { f.schritte(x); });
        EXPECT_EQ(ok, f.ergebnis);
        EXPECT_EQ(x.d->Kennung, f.kennung);
        EXPECT_EQ(x.meldungen.Texte(), f.hinweise);
    }
}

TEST(SessionAuswDialog, NoProgrammeOnlyCancel) {
    Sitzungen s(0);
    Dialog x(s, QStringLiteral("P1"));
    const bool ok = x.Lauf([](TSessionAuswDialog1& d) {
        EXPECT_EQ(d.SessionListView1->model()->rowCount(), 0);
        d.OKButton1->click();
        EXPECT_TRUE(d.isVisible());
        d.AbbrechenButton1->click();
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(x.meldungen.Texte(), QStringList{QString::fromUtf8(kWaehleMessprogramm)});
}

TEST(SessionAuswDialog, RowsColumnsAndPictures) {
    Sitzungen s(4, QStringLiteral("P1"));
    Dialog x(s, QStringLiteral("P1"));
    x.d->Fuellen();
    QAbstractItemModel* m = x.d->SessionListView1->model();
    ASSERT_EQ(m->rowCount(), 4);
    QStringList titel;
    for (int c = 0; c < 4; ++c) titel << m->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titel, (QStringList{"Bezeichnung", "Stations-Nr.", "Stationsname", "Standort"}));
    const int breiten[4] = {116, 72, 100, 116};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(x.d->SessionListView1->columnWidth(c), breiten[c]);
    EXPECT_EQ(m->index(1, 0).data().toString(), "Station 2");
    EXPECT_EQ(m->index(1, 1).data().toString(), "002");
    EXPECT_EQ(m->index(1, 2).data().toString(), "Name 2");
    EXPECT_EQ(m->index(1, 3).data().toString(), "Ort 2");
    // P3 has ended: the ticked picture, the others the plain one.
    const auto& bilder = TSessionListenModell::Bilder();
    const auto bild = [&](int r) { return qvariant_cast<QIcon>(m->index(r, 0).data(Qt::DecorationRole)).cacheKey(); };
    EXPECT_EQ(bild(2), bilder[2].cacheKey());
    EXPECT_EQ(bild(0), bilder[0].cacheKey());
    EXPECT_FALSE(bilder[0].pixmap(16, 16).toImage().isNull());
    EXPECT_FALSE(x.d->SessionListView1->header()->sectionsClickable());
}

TEST(SessionAuswDialog, VariantGeometry) {
    Sitzungen s(2);
    Dialog kom(s, {});
    EXPECT_EQ(kom.d->size(), QSize(424, 253));
    EXPECT_EQ(kom.d->minimumSize(), kom.d->maximumSize());
    EXPECT_EQ(kom.d->SessionListView1->geometry(), QRect(8, 56, 408, 150));
    EXPECT_EQ(kom.d->OKButton1->geometry(), QRect(246, 218, 81, 25));
    EXPECT_EQ(kom.d->AbbrechenButton1->geometry(), QRect(335, 218, 81, 25));
    EXPECT_EQ(kom.d->Label2, nullptr);
    EXPECT_EQ(kom.d->windowTitle(), QString::fromUtf8("Messprogramm auswählen"));

    Dialog cfg(s, {}, TSessionAuswVariante::NuvarCfg());
    EXPECT_EQ(cfg.d->size(), QSize(426, 296));
    EXPECT_NE(cfg.d->minimumSize(), cfg.d->maximumSize());
    EXPECT_EQ(cfg.d->OKButton1->pos(), QPoint(128, 256));
    EXPECT_EQ(cfg.d->AbbrechenButton1->pos(), QPoint(216, 256));
    ASSERT_NE(cfg.d->Label2, nullptr);
    EXPECT_TRUE(cfg.d->Label2->text().startsWith(QString::fromUtf8("Wählen Sie durch Anklicken")));
    EXPECT_EQ(cfg.d->Label2->pos(), QPoint(24, 216));
}

TEST(SessionAuswDialog, ConfiguratorReadsTheFileBesideTheProgram) {
    Sitzungen s(3);
    Dialog x(s, QStringLiteral("P3"), TSessionAuswVariante::NuvarCfg());
    x.d->SessionsPfad = QStringLiteral("sessions.ini");
    x.d->ProgrammVerzeichnis = s.dir.path();
    const bool ok = x.Lauf([](TSessionAuswDialog1& d) { d.OKButton1->click(); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(x.d->Kennung, "P1");  // no preselection: the first row
}

TEST(SessionAuswDialog, PreselectedRowBelowTheVisibleRowsIsScrolledIntoView) {
    Sitzungen s(30, QStringLiteral("P25"));
    Dialog x(s, QStringLiteral("P25"));
    x.Lauf([&](TSessionAuswDialog1& d) {
        const QRect r = d.SessionListView1->visualRect(d.SessionListView1->model()->index(24, 0));
        EXPECT_TRUE(d.SessionListView1->viewport()->rect().contains(r)) << r.y();
        EXPECT_GT(d.SessionListView1->verticalScrollBar()->value(), 0);
        d.OKButton1->click();
    });
    EXPECT_EQ(x.d->Kennung, "P25");
}

} // namespace
