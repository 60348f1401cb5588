// The station parameter window: every field and column in the format the
// person reads, the controls filled once on the first paint, the window as
// it stands in the main window's area.
#include "kom/app/StParWnd.h"

#include "tests/GuiAnwendung.h"
#include "tests/app/Gebietsschema.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

const QLocale kDeutsch(QLocale::German, QLocale::Germany);
const QLocale kEnglisch(QLocale::English, QLocale::UnitedStates);

using test::Gebietsschema;

template <std::size_t N>
void Roh(std::array<std::uint8_t, N>& feld, const QByteArray& oem) {
    feld.fill(0);
    for (int i = 0; i < oem.size() && std::size_t(i) < N; ++i) feld[std::size_t(i)] = std::uint8_t(oem[i]);
}

TStationsParameter Station() {
    TStationsParameter s;
    s.Stationsnummer = 42;
    Roh(s.Stationsname, "Versuchsfeld    ");
    s.Batteriespannung = 12.46f;
    s.Mittelwertintervall = 10;
    s.Messintervall = 60;
    s.FreieTage = 123;
    s.Speichergroesse = 4;
    s.Datensaetze = 99999;
    s.Kanalanzahl = 2;
    return s;
}

TKanalEintrag Eintrag(std::uint8_t kanal, std::uint8_t code, const QByteArray& einheit, const QByteArray& bez,
                      float a, float b, float min, float max) {
    TKanalEintrag e;
    e.Kanalnummer = kanal;
    e.Sensorcode = code;
    Roh(e.Einheit, einheit);
    Roh(e.Bezeichnung, bez);
    e.a = a;
    e.b = b;
    e.Min = min;
    e.Max = max;
    return e;
}

TKanalTabelle Kanaele() {
    TKanalTabelle k{};
    k[0] = Eintrag(3, 10, "\xF8" "C", "t2m", 0.025f, -40.0f, -40.0f, 60.0f);
    k[1] = Eintrag(95, 255, "hPa", "ld", 0.075f, 800.0f, 800.0f, 1100.0f);
    return k;
}

std::vector<QString> Texte(const TStatParamFelder& f) {
    return {f.Stationsnummer, f.Stationsname,  f.Systemspannung,  f.Mittelwertzeit,
            f.Messintervall,  f.FreierSpeicher, f.Speichergroesse, f.Datensaetze};
}

TEST(Stationsparameter, FieldsOfTheStationRecord) {
    struct Fall {
        const char* was;
        std::function<void(TStationsParameter&)> aendern;
        QLocale locale;
        std::vector<QString> felder;
    };
    const std::vector<Fall> faelle = {
        {"the station", {}, kDeutsch,
         {"42", "Versuchsfeld", "12,5 Volt", "10 min", "60 sec", "123 Tage", "128 KB", "99999"}},
        {"a locale with a decimal point", {}, kEnglisch,
         {"42", "Versuchsfeld", "12.5 Volt", "10 min", "60 sec", "123 Tage", "128 KB", "99999"}},
        {"OEM name, low battery, no memory",
         [](TStationsParameter& s) {
             Roh(s.Stationsname, "M\x81hlenberg\0");
             s.Batteriespannung = 9.95f;  // a float just below 9,95
             s.FreieTage = 0;
             s.Speichergroesse = 0;
             s.Datensaetze = 0;
         },
         kDeutsch, {"42", U("Mühlenberg"), "9,9 Volt", "10 min", "60 sec", "0 Tage", "0 KB", "0"}},
        {"extremes",
         [](TStationsParameter& s) {
             s.Stationsnummer = -1;
             Roh(s.Stationsname, "ABCDEFGHIJKLMNOPQ");  // 17 bytes, no zero byte
             s.Speichergroesse = 32767;
             s.Datensaetze = 2147483647;
             s.FreieTage = -5;
         },
         kDeutsch, {"-1", "ABCDEFGHIJKLMNOPQ", "12,5 Volt", "10 min", "60 sec", "-5 Tage", "1048544 KB", "2147483647"}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Gebietsschema g(f.locale);
        TStationsParameter s = Station();
        if (f.aendern) f.aendern(s);
        EXPECT_EQ(Texte(TStatParamModell::Felder(s)), f.felder);
    }
}

TEST(Stationsparameter, RowsOfTheChannelList) {
    struct Fall {
        const char* was;
        TKanalEintrag e;
        QLocale locale;
        QStringList zeile;
    };
    const std::vector<Fall> faelle = {
        {"temperature", Eintrag(3, 10, "\xF8" "C", "t2m", 0.025f, -40.0f, -40.0f, 60.0f), kDeutsch,
         {"1", "t2m", U("°C"), "3", "0A", "<Sensortyp>", "0,03", "-40,00", "-40,00", "60,00"}},
        {"decimal point locale", Eintrag(3, 10, "\xF8" "C", "t2m", 0.025f, -40.0f, -40.0f, 60.0f), kEnglisch,
         {"1", "t2m", U("°C"), "3", "0A", "<Sensortyp>", "0.03", "-40.00", "-40.00", "60.00"}},
        {"code 255, full-width texts", Eintrag(95, 255, "mm/hh", "abcdef", 1.005f, -0.004f, 0.0f, 1600.0f), kDeutsch,
         {"1", "abcdef", "mm/hh", "95", "FF", "<Sensortyp>", "1,00", "0,00", "0,00", "1600,00"}},
        {"code 0, empty texts", Eintrag(0, 0, "", "", 1.0f, 0.0f, 0.0f, 0.0f), kDeutsch,
         {"1", "", "", "0", "00", "<Sensortyp>", "1,00", "0,00", "0,00", "0,00"}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Gebietsschema g(f.locale);
        EXPECT_EQ(TKanallisteModell::Zeile(1, f.e), f.zeile);
    }
}

TEST(Stationsparameter, OneRowPerChannelUpToTheTablesSize) {
    for (const auto& [anzahl, zeilen] : std::vector<std::pair<int, int>>{{0, 0}, {2, 2}, {64, 64}, {70, 64}, {-3, 0}}) {
        SCOPED_TRACE(anzahl);
        TStationsParameter s = Station();
        s.Kanalanzahl = std::int16_t(anzahl);
        TStatParamModell m;
        m.SetzeDaten(QStringLiteral("X"), s, Kanaele());
        EXPECT_EQ(m.Kanalliste().rowCount(), 0);  // before the first paint
        ASSERT_TRUE(m.ErsterPaint());
        EXPECT_EQ(m.Kanalliste().rowCount(), zeilen);
        if (zeilen > 1) {
            EXPECT_EQ(m.Kanalliste().index(1, 0).data().toString(), QStringLiteral("2"));
        }
    }
}

TEST(Stationsparameter, TheControlsAreFilledOnTheFirstPaintOnly) {
    test::GuiAnwendung();
    Gebietsschema g;
    TStatParamFenster w;
    EXPECT_EQ(w.windowTitle(), U("Stationsparameter"));
    w.SetzeDaten(QStringLiteral("Versuchsfeld"), Station(), Kanaele());
    EXPECT_EQ(w.windowTitle(), U("Stationsparameter für Versuchsfeld"));
    EXPECT_TRUE(w.SystemspannungEdit1->text().isEmpty());
    EXPECT_EQ(w.KanalLV1->model()->rowCount(), 0);

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.repaint();
    EXPECT_EQ(w.StationsnummerEdit1->text(), QStringLiteral("42"));
    EXPECT_EQ(w.SpeichergroesseEdit1->text(), QStringLiteral("128 KB"));
    EXPECT_EQ(w.DatensaetzeEdit1->text(), QStringLiteral("99999"));
    EXPECT_EQ(w.KanalLV1->model()->rowCount(), 2);
    EXPECT_EQ(w.KanalLV1->model()->index(0, 2).data().toString(), U("°C"));

    // Data set after the first paint changes nothing painted.
    TStationsParameter anders = Station();
    anders.Stationsnummer = 7;
    anders.Kanalanzahl = 0;
    w.Modell().SetzeDaten(QStringLiteral("Y"), anders, {});
    w.repaint();
    EXPECT_EQ(w.StationsnummerEdit1->text(), QStringLiteral("42"));
    EXPECT_EQ(w.KanalLV1->model()->rowCount(), 2);
}

TEST(Stationsparameter, TheWindowInTheArea) {
    test::GuiAnwendung();
    QMdiArea bereich;
    bereich.resize(900, 700);
    bereich.show();
    QPointer<TStatParamFenster> w = TStatParamFenster::Oeffne(&bereich, QStringLiteral("Versuchsfeld"), Station(), Kanaele());
    TStatParamFenster::Oeffne(&bereich, QStringLiteral("Versuchsfeld"), Station(), Kanaele());
    ASSERT_EQ(bereich.subWindowList().size(), 2);  // each showing opens a new one
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bereich));
    w->repaint();
    ASSERT_EQ(w->KanalLV1->model()->rowCount(), 2);

    EXPECT_EQ(w->size(), QSize(665, 397));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    QMdiSubWindow* rahmen = bereich.subWindowList().first();
    EXPECT_TRUE(rahmen->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(rahmen->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(rahmen->windowTitle(), U("Stationsparameter für Versuchsfeld"));

    for (QLineEdit* e : {w->StationsnummerEdit1, w->StationsnameEdit1, w->SystemspannungEdit1, w->MittelwertzeitEdit1,
                         w->MessintervallEdit1, w->FreierSpeicherEdit1, w->SpeichergroesseEdit1, w->DatensaetzeEdit1})
        EXPECT_TRUE(e->isReadOnly());
    EXPECT_EQ(w->ExportierenButton1->text(), U("&Exportieren..."));
    EXPECT_EQ(w->DruckenButton1->text(), U("&Drucken..."));
    EXPECT_FALSE(w->ExportierenButton1->isEnabled());
    EXPECT_FALSE(w->DruckenButton1->isEnabled());
    EXPECT_TRUE(w->OKButton1->isEnabled());

    // Report layout without sorting; the columns with their headings, widths
    // and alignment.
    const QHeaderView* kopf = w->KanalLV1->header();
    EXPECT_FALSE(kopf->sectionsClickable());
    EXPECT_FALSE(w->KanalLV1->isSortingEnabled());
    const QStringList titel = {"Nr.", "Bez.", "Einh.", "Kanal", "Code", "Sensortyp", "a", "b", "Min.", "Max."};
    const std::vector<int> breiten = {40, 45, 45, 40, 40, 200, 55, 55, 55, 55};
    const std::vector<bool> rechts = {false, false, false, true, true, false, true, true, true, true};
    for (int s = 0; s < 10; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(w->KanalLV1->model()->headerData(s, Qt::Horizontal).toString(), titel[std::size_t(s)]);
        EXPECT_EQ(kopf->sectionSize(s), breiten[std::size_t(s)]);
        const auto ausrichtung = w->KanalLV1->model()->index(0, s).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_EQ(bool(ausrichtung & Qt::AlignRight), rechts[std::size_t(s)]);
    }

    // "&OK" closes it, and it frees itself and its frame.
    w->OKButton1->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
    EXPECT_EQ(bereich.subWindowList().size(), 1);
}

} // namespace
