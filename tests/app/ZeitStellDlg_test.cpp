// The set-time dialog: the deviation text, the clocks it shows on a clock
// the test moves, the enabling of both modes, and the dialog driven to each
// of its results, with the confirmation answered by the test.
#include "kom/app/ZeitStellDlg.h"

#include "common/Meldungen.h"
#include "tests/GuiAnwendung.h"
#include "tests/app/Gebietsschema.h"

#include <QDateEdit>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QTimeZone>
#include <QTimer>
#include <gtest/gtest.h>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

using test::Gebietsschema;

const QDateTime kPC(QDate(2005, 6, 15), QTime(12, 0, 0), QTimeZone::utc());

TEST(ZeitStellen, DeviationText) {
    struct Fall {
        const char* was;
        double tage;
        const char* text;
    };
    for (const Fall& f : {
             Fall{"none: the minus form", 0.0, " - 0 Tag(e) 00h00min00sec"},
             Fall{"minus 1.5 hours", -1.5 / 24, " - 0 Tag(e) 01h30min00sec"},
             Fall{"plus 2 days 3 hours", 2.0 + 3.0 / 24, " + 2 Tag(e) 03h00min00sec"},
             Fall{"plus 1 second", 1.0 / 86400, " + 0 Tag(e) 00h00min01sec"},
             Fall{"one hour, not exact in binary", 1.0 / 24, " + 0 Tag(e) 01h00min00sec"},
             Fall{"a millisecond short of a day", 1.0 - 0.4 / 86400000, " + 1 Tag(e) 00h00min00sec"},
             Fall{"minus 10 days 23:59:59", -(10.0 + 86399.0 / 86400), " - 10 Tag(e) 23h59min59sec"},
             Fall{"a trace above 0 is positive", 1e-12, " + 0 Tag(e) 00h00min00sec"},
             Fall{"not a number", std::nan(""), " - 0 Tag(e) 00h00min00sec"},
         }) {
        SCOPED_TRACE(f.was);
        EXPECT_EQ(TZeitStellModell::AbweichungText(f.tage), U(f.text));
    }
}

TEST(ZeitStellen, TheLoggerClockIsThePcClockPlusTheDeviation) {
    struct Fall {
        const char* was;
        QLocale locale;
        double abweichung;
        const char* logger;
        const char* pc;
    };
    const QLocale de(QLocale::German, QLocale::Germany), en(QLocale::English, QLocale::UnitedKingdom);
    for (const Fall& f : {
             Fall{"German, 1.5 hours ahead", de, 1.5 / 24, " 15.06.2005 13:30:00", " 15.06.2005 12:00:00"},
             Fall{"German, 2 days behind", de, -2.0, " 13.06.2005 12:00:00", " 15.06.2005 12:00:00"},
             Fall{"British English", en, 1.5 / 24, " 15/06/2005 13:30:00", " 15/06/2005 12:00:00"},
         }) {
        SCOPED_TRACE(f.was);
        Gebietsschema g(f.locale);
        TZeitStellModell m([] { return kPC; });
        m.Abweichung = f.abweichung;
        EXPECT_EQ(m.LoggerZeitText(), U(f.logger));
        EXPECT_EQ(m.PCZeitText(), U(f.pc));
    }
}

// The dialog on a clock the test moves, with scripted confirmations.
struct Stand {
    QApplication& app = test::GuiAnwendung();
    Gebietsschema de;
    QDateTime uhr = kPC;
    TSkriptMeldungen meldungen;
    TZeitStellDialog d{nullptr, [this] { return uhr; }};
    Stand() { d.MeldungenDienst = &meldungen; }
    // Runs the dialog; bedienen acts on it once it is shown.
    bool Ausfuehren(double abweichung, const std::function<void()>& bedienen) {
        d.Abweichung = abweichung;
        QTimer::singleShot(0, &d, [this, bedienen] {
            bedienen();
            // A dialog the case left open is cancelled, so the test goes on.
            if (d.isVisible()) d.AbbrechenButton1->click();
        });
        return d.Ausfuehren();
    }
};

bool Warte(const std::function<bool()>& bis) {
    QDeadlineTimer schranke(10000);
    while (!bis()) {
        if (schranke.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

TEST(ZeitStellen, OnOpeningThePcModeIsChosenAndTheFieldsShowTheClocks) {
    Stand s;
    s.uhr = QDateTime(QDate(2005, 6, 15), QTime(12, 34, 56), QTimeZone::utc());
    s.Ausfuehren(2.0 + 3.0 / 24, [&] {
        EXPECT_EQ(s.d.windowTitle(), U("Systemzeit stellen"));
        EXPECT_EQ(s.d.size(), QSize(344, 268));
        EXPECT_TRUE(s.d.PCZeitRadio1->isChecked());
        EXPECT_EQ(s.d.DatumEdit1->date(), QDate(2005, 6, 15));
        EXPECT_EQ(s.d.ZeitEdit1->time(), QTime(12, 34, 56));
        EXPECT_EQ(s.d.StundenEdit1->value(), 0);
        EXPECT_EQ(s.d.StundenEdit1->minimum(), -24);
        EXPECT_EQ(s.d.StundenEdit1->maximum(), 24);
        EXPECT_TRUE(s.d.PCZeitEdit1->isReadOnly());
        EXPECT_TRUE(s.d.DatumEdit1->calendarPopup());
        EXPECT_TRUE(s.d.AusfuehrenButton1->isDefault());
        EXPECT_EQ(s.d.SystemzeitPanel1->text(), U(" 17.06.2005 15:34:56"));
        EXPECT_EQ(s.d.PCZeitEdit1->text(), U(" 15.06.2005 12:34:56"));
        EXPECT_EQ(s.d.AbweichungPanel1->text(), U(" + 2 Tag(e) 03h00min00sec"));

        // Every 100 ms the panels follow the clock.
        EXPECT_EQ(s.d.Timer1->interval(), 100);
        EXPECT_TRUE(s.d.Timer1->isActive());
        s.uhr = s.uhr.addSecs(3600);
        EXPECT_TRUE(Warte([&] { return s.d.PCZeitEdit1->text() == U(" 15.06.2005 13:34:56"); }));
        EXPECT_EQ(s.d.SystemzeitPanel1->text(), U(" 17.06.2005 16:34:56"));
    });
    EXPECT_FALSE(s.d.Timer1->isActive());
}

TEST(ZeitStellen, EachModeEnablesItsOwnControls) {
    Stand s;
    const auto pcFelder = [&] {
        return std::vector<bool>{s.d.PCZeitEdit1->isEnabled(), s.d.PlusLabel1->isEnabled(),
                                 s.d.StundenEdit1->isEnabled(), s.d.StundenLabel1->isEnabled()};
    };
    const auto vorgabeFelder = [&] { return std::vector<bool>{s.d.DatumEdit1->isEnabled(), s.d.ZeitEdit1->isEnabled()}; };
    s.Ausfuehren(0.0, [&] {
        EXPECT_EQ(pcFelder(), std::vector<bool>(4, true));
        EXPECT_EQ(vorgabeFelder(), std::vector<bool>(2, false));
        s.d.VorgabeRadio1->click();
        EXPECT_EQ(pcFelder(), std::vector<bool>(4, false));
        EXPECT_EQ(vorgabeFelder(), std::vector<bool>(2, true));
        s.d.PCZeitRadio1->click();
        EXPECT_EQ(pcFelder(), std::vector<bool>(4, true));
        EXPECT_EQ(vorgabeFelder(), std::vector<bool>(2, false));
    });
}

TEST(ZeitStellen, TheDateIsChosenNotTyped) {
    Stand s;
    s.Ausfuehren(0.0, [&] {
        s.d.VorgabeRadio1->click();
        s.d.DatumEdit1->setFocus();
        QTest::keyClicks(s.d.DatumEdit1, QStringLiteral("01"));
        QTest::keyClick(s.d.DatumEdit1, Qt::Key_Backspace);
        EXPECT_EQ(s.d.DatumEdit1->date(), QDate(2005, 6, 15));
        // Stepping is not typing.
        QTest::keyClick(s.d.DatumEdit1, Qt::Key_Up);
        EXPECT_NE(s.d.DatumEdit1->date(), QDate(2005, 6, 15));
    });
}

TEST(ZeitStellen, TheDialogDrivenToEachResult) {
    struct Fall {
        const char* was;
        std::function<void(TZeitStellDialog&)> bedienen;
        std::vector<bool> antworten;
        bool bestaetigt;
        int fragen;
        bool pcModus;
        double abweichung;  // on exit
        QDateTime vorgabe;
    };
    const double rein = 0.25;  // the deviation on entry
    const QDateTime weihnachten(QDate(2025, 12, 24), QTime(18, 30, 15), QTimeZone::utc());
    const std::vector<Fall> faelle = {
        {"PC time plus 2 hours", [](TZeitStellDialog& d) { d.StundenEdit1->setValue(2); d.AusfuehrenButton1->click(); },
         {true}, true, 1, true, 2.0 / 24, {}},
        {"PC time as it is", [](TZeitStellDialog& d) { d.AusfuehrenButton1->click(); }, {true}, true, 1, true, 0.0, {}},
        {"hour field at -24", [](TZeitStellDialog& d) { d.StundenEdit1->setValue(-24); d.AusfuehrenButton1->click(); },
         {true}, true, 1, true, -1.0, {}},
        {"hour field beyond its range", [](TZeitStellDialog& d) { d.StundenEdit1->setValue(30); d.AusfuehrenButton1->click(); },
         {true}, true, 1, true, 1.0, {}},
        {"preset date and time",
         [&](TZeitStellDialog& d) {
             d.VorgabeRadio1->click();
             d.DatumEdit1->setDate(weihnachten.date());
             d.ZeitEdit1->setTime(weihnachten.time());
             d.AusfuehrenButton1->click();
         },
         {true}, true, 1, false, rein, weihnachten},
        {"No keeps the dialog open, Abbrechen then cancels",
         [](TZeitStellDialog& d) {
             d.AusfuehrenButton1->click();
             EXPECT_TRUE(d.isVisible());
             d.AbbrechenButton1->click();
         },
         {false}, false, 1, true, rein, {}},
        {"No, then Yes", [](TZeitStellDialog& d) { d.StundenEdit1->setValue(-3); d.AusfuehrenButton1->click(); d.AusfuehrenButton1->click(); },
         {false, true}, true, 2, true, -3.0 / 24, {}},
        {"Abbrechen asks nothing", [](TZeitStellDialog& d) { d.AbbrechenButton1->click(); }, {}, false, 0, true, rein, {}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Stand s;
        s.meldungen.antworten = f.antworten;
        const bool ok = s.Ausfuehren(rein, [&] { f.bedienen(s.d); });
        EXPECT_EQ(ok, f.bestaetigt);
        ASSERT_EQ(int(s.meldungen.gezeigt.size()), f.fragen);
        for (const auto& g : s.meldungen.gezeigt) {
            EXPECT_EQ(g.art, TSkriptMeldungen::Art::Frage);
            EXPECT_EQ(g.text, U("Mit dem Stellen der Systemzeit wird der Datenspeicher\ndes Dataloggers "
                                "unwiederbringlich gelöscht!\nWollen Sie den Vorgang fortsetzen?"));
        }
        if (!ok) continue;
        EXPECT_EQ(s.d.PCModus, f.pcModus);
        EXPECT_DOUBLE_EQ(s.d.Abweichung, f.abweichung);
        if (!f.pcModus) {
            EXPECT_EQ(s.d.Vorgabe, f.vorgabe);
        }
    }
}

} // namespace
