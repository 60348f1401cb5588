// The channel parameter dialog: both forms of the scaling kept in step, the
// limit check with the counter exception, unknown and degenerate signal
// ranges, the look-ups; then the real dialog driven by keys.
#include "cfg/ParameterBearbeitenUnit.h"
#include "CfgTestHilfe.h"
#include "common/Fehler.h"
#include "common/Meldungen.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace nuvar;
using namespace nuvar::test;

namespace {

// Type 7: 0 to 5 V; 8: the same as a counter; 5: both ends 5 V; 9: unknown.
QStringList Kanaele() {
    QStringList k = Kanal();
    k << Zeilen({"7\t0\t5\tV\t0", "8\t0\t5\tImp\t1"});
    return k;
}

TParameterRechnung Rechnung(float a, float b, std::uint8_t typ, float mn = -1000, float mx = 1000) {
    TParameterRechnung r;
    r.Beginne(Geber(), Kanaele(), Eintrag(0, 1, "t2m", "\xF8" "C", a, b, mn, mx), typ);
    return r;
}

} // namespace

TEST(Parameter, OpeningShowsBothForms) {
    TParameterRechnung r = Rechnung(10, -20, 7, -20, 30);
    EXPECT_EQ(r.Felder.OGrenze, "30,000");
    EXPECT_EQ(r.Felder.UGrenze, "-20,000");
    EXPECT_EQ(r.Felder.a, "10,000");
    EXPECT_EQ(r.Felder.b, "-20,000");
    EXPECT_EQ(r.Felder.Min, "-20,000");
    EXPECT_EQ(r.Felder.Max, "30,000");
    EXPECT_EQ(r.KanaltypText, "7");
    EXPECT_EQ(r.OGrenzeText, "5,00 V");
    EXPECT_EQ(r.UGrenzeText, "0,00 V");
    EXPECT_EQ(r.MBGrenzenText, "0,00 V..5,00 V");
    EXPECT_EQ(r.ZaehlerText, "");
    EXPECT_EQ(r.EinheitText, QString::fromUtf8("°C  "));  // the bytes up to the zero byte
    EXPECT_EQ(r.SensorText, "Lufttemperatur -> (t2m)");
    EXPECT_TRUE(r.Hinweis.isEmpty());
    EXPECT_EQ(Rechnung(1, 0, 8).ZaehlerText, QString::fromUtf8("(Zähler)"));
    EXPECT_EQ(Rechnung(1, 0, 0x1A).KanaltypText, "1A");
}

TEST(Parameter, RangeEndsGiveTheLineThroughBothSignalEnds) {
    struct Fall {
        const char* o;
        const char* u;
        const char* a;
        const char* b;
    } faelle[] = {
        {"100", "0", "20,000", "0,000"},
        {"40", "-10", "10,000", "-10,000"},
        {"30", "-20", "10,000", "-20,000"},
        {"-20", "30", "-10,000", "30,000"},  // a falling characteristic
        {"1.5", "0,5", "0,200", "0,500"},    // a full stop counts as the comma
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.o);
        TParameterRechnung r = Rechnung(10, -20, 7);
        r.Felder.OGrenze = f.o;
        r.Felder.UGrenze = f.u;
        r.BereichGeaendert();
        EXPECT_EQ(r.Felder.a, f.a);
        EXPECT_EQ(r.Felder.b, f.b);
    }
}

TEST(Parameter, ScalingGivesTheRangeEndsWithoutLimitCheck) {
    TParameterRechnung r = Rechnung(10, -20, 7, -20, 30);
    r.Felder.a = "2";
    r.Felder.b = "1";
    r.abGeaendert();
    EXPECT_EQ(r.Felder.OGrenze, "11,000");
    EXPECT_EQ(r.Felder.UGrenze, "1,000");
    EXPECT_EQ(r.Felder.Min, "-20,000");  // now outside the range, left for the next check
    r.Felder.b.clear();
    r.Felder.a = "5";
    r.abGeaendert();  // one field empty: nothing follows
    EXPECT_EQ(r.Felder.OGrenze, "11,000");
}

TEST(Parameter, LimitCheck) {
    struct Fall {
        const char* name;
        std::uint8_t typ;
        float a, b;
        const char* min;
        const char* max;
        const char* sollMin;
        const char* sollMax;
    } faelle[] = {
        {"min not below max", 8, 10, -20, "50", "40", "39,990", "40,000"},
        {"then clamped into the range", 7, 10, -20, "50", "40", "29,990", "30,000"},
        {"outside the range", 7, 10, -20, "-50", "80", "-20,000", "30,000"},
        {"counter keeps them", 8, 10, -20, "-50", "80", "-50,000", "80,000"},
        {"falling characteristic", 7, -10, 30, "-50", "80", "-20,000", "30,000"},
        // No range to clamp into: keeping the limits is the only sound choice
        // (clamping to a*-99999.9+b gave Min = Max = -999999).
        {"unknown range", 9, 10, -20, "-50", "80", "-50,000", "80,000"},
        {"both signal ends equal", 5, 10, -20, "-50", "80", "-50,000", "80,000"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TParameterRechnung r = Rechnung(f.a, f.b, f.typ);
        r.Felder.Min = f.min;
        r.Felder.Max = f.max;
        r.Grenzpruefung();
        EXPECT_EQ(r.Felder.Min, f.sollMin);
        EXPECT_EQ(r.Felder.Max, f.sollMax);
    }
    TParameterRechnung r = Rechnung(10, -20, 7);
    r.Felder.Max.clear();
    r.Felder.Min = "abc";
    EXPECT_NO_THROW(r.Grenzpruefung());  // an empty field: nothing
    r.Felder.Max = "1";
    r.Felder.Min = "0";
    r.Felder.OGrenze.clear();
    EXPECT_THROW(r.Grenzpruefung(), EConvertError);  // reads the range ends even when empty
}

TEST(Parameter, NoLineThroughUnknownOrEqualSignalEnds) {
    struct Fall {
        const char* name;
        std::uint8_t typ;
        const char* label;
    } faelle[] = {
        {"unknown", 9, "-99999,90 "},
        {"equal", 5, "5,00 V"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TParameterRechnung r = Rechnung(10, -20, f.typ);
        EXPECT_EQ(r.OGrenzeText, f.label);
        EXPECT_FALSE(r.Hinweis.isEmpty());
        r.Felder.OGrenze = "100";
        r.Felder.UGrenze = "0";
        r.BereichGeaendert();
        EXPECT_EQ(r.Felder.a, "10,000");
        EXPECT_EQ(r.Felder.b, "-20,000");
    }
    EXPECT_NE(Rechnung(1, 0, 5).Hinweis.indexOf(QStringLiteral("gleich")), -1);
}

TEST(Parameter, LookUpsAndTheCounterFlag) {
    TParameterRechnung r = Rechnung(1, 0, 8);
    EXPECT_TRUE(r.Zaehler);
    EXPECT_DOUBLE_EQ(r.ObereSignalgrenze(2), 20.0);
    EXPECT_DOUBLE_EQ(r.UntereSignalgrenze(2), 4.0);
    EXPECT_EQ(r.Signaleinheit(2), "mA");
    EXPECT_FALSE(r.Zaehler);
    EXPECT_DOUBLE_EQ(r.ObereSignalgrenze(9), kUnbekannteGrenze);
    EXPECT_EQ(r.Signaleinheit(9), "");
    // A type without a catalogue line is no counter, whatever ran before.
    TParameterRechnung s = Rechnung(1, 0, 8);
    s.Beginne(Geber(), Kanaele(), Eintrag(0, 1, "t"), 9);
    EXPECT_FALSE(s.Zaehler);
}

TEST(Parameter, SensorLabelTakesTheLastMatchingLine) {
    TParameterRechnung r;
    r.Beginne(Zeilen({"01\tErste\tt\tC\t1\t0\t0\t1\t1", "01\tZweite\tt\tC\t1\t0\t0\t1\t1", "02\tAndere\tt\tC\t1\t0\t0\t1\t1"}),
              Kanaele(), Eintrag(0, 1, "t2m"), 7);
    EXPECT_EQ(r.SensorText, "Zweite -> (t2m)");
    r.Beginne(Geber(), Kanaele(), Eintrag(0, 0x55, "x"), 7);
    EXPECT_EQ(r.SensorText, "");
}

TEST(Parameter, OkTakesAllFourOrNothing) {
    TParameterRechnung r = Rechnung(10, -20, 7, -20, 30);
    const TKanalEintrag vorher = r.Eintrag;
    r.Felder.Min = "-5";
    r.Felder.Max = "25";
    r.Felder.a = "-";  // a lone minus sign
    EXPECT_THROW(r.Uebernehmen(), EConvertError);
    EXPECT_FALSE(r.Ergebnis);
    EXPECT_TRUE(r.Eintrag == vorher);
    r.Felder.a = "12.5";
    r.Uebernehmen();
    EXPECT_TRUE(r.Ergebnis);
    EXPECT_EQ(r.Eintrag.Min, -5.0f);
    EXPECT_EQ(r.Eintrag.Max, 25.0f);
    EXPECT_EQ(r.Eintrag.a, 12.5f);
    EXPECT_EQ(r.Eintrag.b, -20.0f);
}

TEST(Parameter, UntouchedFieldsKeepTheirFullPrecision) {
    // The fields show three decimals; confirming must not round the stored values.
    TParameterRechnung r;
    r.Beginne(Geber(), Kanaele(), Eintrag(0, 1, "t", "V", 0.00125f, 2.5773f, -0.0004f, 1.23456f), 8);  // counter: no clamping
    EXPECT_EQ(r.Felder.a, "0,001");
    r.Grenzpruefung();
    r.Uebernehmen();
    EXPECT_EQ(r.Eintrag.a, 0.00125f);
    EXPECT_EQ(r.Eintrag.b, 2.5773f);
    EXPECT_EQ(r.Eintrag.Min, -0.0004f);
    EXPECT_EQ(r.Eintrag.Max, 1.23456f);
    // A computed scaling is exact too; a typed value is taken as typed.
    r.Felder.OGrenze = "4,5";
    r.Felder.UGrenze = "0";
    r.BereichGeaendert();
    r.Felder.Max = "1,5";
    r.Uebernehmen();
    EXPECT_EQ(r.Eintrag.a, 0.9f);
    EXPECT_EQ(r.Eintrag.Max, 1.5f);
    EXPECT_EQ(r.Eintrag.Min, -0.0004f);
}

// ---------------------------------------------------------------- the dialog

class ParameterDialog : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        SetzeMeldungen(&meldungen);
    }
    void TearDown() override { SetzeMeldungen(nullptr); }

    // Runs the dialog on entry e (0..5 V) with `tu` as the user.
    bool Lauf(TKanalEintrag& e, std::function<void(TParameterForm*)> tu) {
        TParameterForm f;
        WennOffen<TParameterForm>(std::move(tu));
        return f.ParameterBearbeiten(Geber(), Kanaele(), e, 7);
    }
    TSkriptMeldungen meldungen;
};

TEST_F(ParameterDialog, KeysOfTheSixFields) {
    struct Fall {
        const char* name;
        const char* vorher;
        int caret;
        const char* tasten;
        const char* nachher;
    } faelle[] = {
        {"second comma", "1,5", 3, ",", "1,5"},
        {"full stop and letters", "1", 1, ".a#", "1"},
        {"digits and sign", "", 0, "-12,5", "-12,5"},
        {"second minus", "-1", 2, "-", "-1"},
        {"three decimals at most", "1,", 2, "2345", "1,234"},
        {"digits before the comma stay possible", "1,234", 0, "98", "981,234"},
    };
    TKanalEintrag e = Eintrag(0, 1, "t2m", "V", 10, -20, -20, 30);
    Lauf(e, [&](TParameterForm* f) {
        for (const Fall& fall : faelle) {
            SCOPED_TRACE(fall.name);
            f->aEdit->setFocus();
            f->aEdit->setText(QString::fromUtf8(fall.vorher));
            f->aEdit->setCursorPosition(fall.caret);
            QTest::keyClicks(f->aEdit, QString::fromUtf8(fall.tasten));
            EXPECT_EQ(f->aEdit->text(), QString::fromUtf8(fall.nachher));
        }
        // A comma inside the selection may be typed over.
        f->bEdit->setText("1,5");
        f->bEdit->selectAll();
        QTest::keyClicks(f->bEdit, ",7");
        EXPECT_EQ(f->bEdit->text(), ",7");
        f->AbbrechenButton->click();
    });
}

TEST_F(ParameterDialog, EnterAppliesTheFieldsRuleAndOkReturnsTheEntry) {
    TKanalEintrag e = Eintrag(0, 1, "t2m", "V", 10, -20, -20, 30);
    const bool ok = Lauf(e, [](TParameterForm* f) {
        EXPECT_EQ(f->OGrenzeEdit->text(), "30,000");
        EXPECT_EQ(f->EinheitLabel[0]->text(), "V   ");
        f->OGrenzeEdit->setFocus();
        f->OGrenzeEdit->selectAll();
        QTest::keyClicks(f->OGrenzeEdit, "100");
        f->UGrenzeEdit->selectAll();
        QTest::keyClicks(f->UGrenzeEdit, "0");
        QTest::keyClick(f->UGrenzeEdit, Qt::Key_Return);  // swallowed: no default button closes the dialog
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(f->aEdit->text(), "20,000");
        EXPECT_EQ(f->bEdit->text(), "0,000");
        EXPECT_EQ(f->MinEdit->text(), "0,000");  // clamped into the new range
        f->MaxEdit->setFocus();  // leaving U by focus applies its rule too
        f->MaxEdit->selectAll();
        QTest::keyClicks(f->MaxEdit, "80");
        f->OKButton->setFocus();  // leaving Max: the limit check
        EXPECT_EQ(f->MaxEdit->text(), "80,000");
        f->OKButton->click();
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(e.a, 20.0f);
    EXPECT_EQ(e.b, 0.0f);
    EXPECT_EQ(e.Min, 0.0f);
    EXPECT_EQ(e.Max, 80.0f);
}

TEST_F(ParameterDialog, CancelAndAFailedOkLeaveTheEntry) {
    TKanalEintrag e = Eintrag(0, 1, "t2m", "V", 10, -20, -20, 30);
    const TKanalEintrag vorher = e;
    EXPECT_FALSE(Lauf(e, [](TParameterForm* f) {
        f->aEdit->setText("7");
        f->AbbrechenButton->click();
    }));
    EXPECT_TRUE(e == vorher);
    EXPECT_FALSE(Lauf(e, [](TParameterForm* f) {
        f->MinEdit->setText("-");
        f->OKButton->click();  // reported, the dialog stays
        EXPECT_TRUE(f->isVisible());
        f->AbbrechenButton->click();
    }));
    EXPECT_TRUE(e == vorher);
    ASSERT_FALSE(meldungen.Texte().isEmpty());
    EXPECT_EQ(meldungen.Texte().last(), "'-' ist kein gültiger Gleitkommawert");
}

TEST_F(ParameterDialog, EqualSignalEndsSayWhy) {
    TKanalEintrag e = Eintrag(0, 1, "t2m", "V", 10, -20, -20, 30);
    TParameterForm f;
    WennOffen<TParameterForm>([](TParameterForm* d) {
        EXPECT_TRUE(d->HinweisLabel->isVisible());
        d->OGrenzeEdit->setText("100");
        QTest::keyClick(d->OGrenzeEdit, Qt::Key_Return);
        EXPECT_EQ(d->aEdit->text(), "10,000");
        d->AbbrechenButton->click();
    });
    f.ParameterBearbeiten(Geber(), Kanaele(), e, 5);
}
