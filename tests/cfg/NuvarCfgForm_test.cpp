// The configurator's main window offscreen, driven as an operator drives it:
// start and welcome loop, the three states, editing with its key rules and
// write-back, moving rows, adding, deleting and editing sensors, saving,
// exporting, closing, and the three transfers with NUVARKom played by the
// test.
#include "cfg/KanalAuswahlUnit.h"
#include "cfg/KanalTabelle.h"
#include "cfg/MesswertAuswahlUnit.h"
#include "cfg/NuvarCfgUnit.h"
#include "cfg/OptionenFensterUnit.h"
#include "cfg/ParameterBearbeitenUnit.h"
#include "cfg/VerbindungsFormUnit.h"
#include "cfg/WillkommenUnit.h"
#include "CfgTestHilfe.h"
#include "common/Fehler.h"
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "common/gui/SessionAuswDialog.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using namespace nuvar;
using namespace nuvar::test;

namespace {

QByteArray Katalog(const QStringList& zeilen) {
    QByteArray b;
    for (const QString& z : zeilen) b += RoheBytes(z) + "\r\n";
    return b;
}

class Fenster : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        SetzeMeldungen(&meldungen);
        d.Schreibe("geber.ini", Katalog(Geber()));
        d.Schreibe("kanal.ini", Katalog(Kanal()));
        d.Schreibe("config.ini", "[KanalTabelle]\r\nKopf1=Sensor\r\nKopf8=Kanal\r\nBreite1=200\r\n");
    }
    void TearDown() override {
        f.reset();
        SetzeMeldungen(nullptr);
    }
    void Starte() {
        f = std::make_unique<TNuvarCfgForm>();
        ASSERT_TRUE(f->Starte());
        f->DreiWegeFrage = [](const QString&) { return TNuvarCfgForm::Antwort::Nein; };
        f->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.get(), 2000));
    }
    // Loads the configuration through the open command.
    void Lade(const TDATDatei& datei, const char* name = "station.dat") {
        const QString pfad = d.Pfad(QString::fromLatin1(name));
        TDATDatei(datei).SaveToFile(pfad, false);
        f->OeffnenDialog = [pfad] { return pfad; };
        f->Loggerkonfigurationladen1Click();
    }
    QString Zelle(int r, int c) const { return f->Tabellenmodell->index(r, c).data().toString(); }
    TDATDatei& Datei() { return f->Modell().Datei; }
    // Clicks into a control, as a person moves the focus.
    static void Klick(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2)); }
    QPoint ZellMitte(int r, int c) const {
        return f->KanalTabelle->visualRect(f->Tabellenmodell->index(r, c)).center();
    }

    CfgVerzeichnisFuerTest d;
    TSkriptMeldungen meldungen;
    std::unique_ptr<TNuvarCfgForm> f;
};

TDATDatei Drei() {
    return Konfig({1, 1, 2, 3}, {Eintrag(0, 0x01, "t2m", "\xF8" "C", 0.025f, -40, -40, 60), Eintrag(2, 0x03, "ld", "hPa"),
                                 Eintrag(3, 0x06, "nied", "mm")});
}

} // namespace

TEST_F(Fenster, MissingCatalogueEndsTheStart) {
    for (const char* name : {"geber.ini", "kanal.ini"}) {
        SCOPED_TRACE(name);
        CfgVerzeichnisFuerTest leer;
        leer.Schreibe("geber.ini", Katalog(Geber()));
        if (QByteArray(name) == "geber.ini") QFile::remove(leer.Pfad("geber.ini"));
        meldungen.gezeigt.clear();
        TNuvarCfgForm fenster;
        EXPECT_FALSE(fenster.Starte());
        EXPECT_EQ(meldungen.Texte(), QStringList{QString::fromLatin1(name).toUpper() + " konnte nicht geladen werden!"});
    }
}

TEST_F(Fenster, StartReadsTheSettingsAndShowsNoConfiguration) {
    Starte();
    EXPECT_EQ(TIniFile(d.Pfad("config.ini")).ReadString("Global", "NUVARCfg", {}), "1");
    QHeaderView* kopf = f->KanalTabelle->horizontalHeader();
    EXPECT_EQ(kopf->sectionSize(1), 200);
    EXPECT_EQ(kopf->sectionSize(0), 80);  // the default
    EXPECT_EQ(kopf->height(), 30);
    EXPECT_EQ(f->KanalTabelle->rowHeight(0), 20);
    EXPECT_EQ(f->Tabellenmodell->headerData(8, Qt::Horizontal, Qt::DisplayRole).toString(), "Kanal");
    EXPECT_EQ(f->Tabellenmodell->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "");
    EXPECT_EQ(f->Tabellenmodell->rowCount(), 1);
    EXPECT_FALSE(f->KanalTabelle->isEnabled());
    EXPECT_FALSE(f->StationGruppe->isEnabled());
    for (QAction* a : {f->MenuSpeichern, f->KnopfSpeichern, f->MenuSenden, f->KnopfSenden, f->NeuerSensor1, f->KnopfNeu,
                       f->SensorLoeschen1, f->KnopfLoeschen})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(f->MenuVomLogger->isEnabled());
    EXPECT_EQ(f->MittelwertCombo->currentIndex(), -1);
}

TEST_F(Fenster, WelcomeLoopUntilAConfigurationOrTheEnd) {
    Starte();
    TDATDatei(Drei()).SaveToFile(d.Pfad("gut.dat"), false);
    d.Schreibe("kaputt.dat", "nicht das Format");
    QStringList dateien = {d.Pfad("kaputt.dat"), d.Pfad("gut.dat")};
    f->OeffnenDialog = [&] { return dateien.takeFirst(); };
    int gezeigt = 0;
    // First a file of unknown format (the dialog comes again), then one that loads.
    std::function<void(TWillkommenForm*)> waehle = [&](TWillkommenForm* w) {
        EXPECT_EQ(w->windowTitle(), "Willkommen");
        EXPECT_EQ(w->TitelLabel->text(), "Willkommen bei NUVARCfg");
        if (++gezeigt < 2) WennOffen<TWillkommenForm>(waehle);
        w->DateiButton->click();
    };
    WennOffen<TWillkommenForm>(waehle);
    f->Willkommensschleife();
    EXPECT_EQ(gezeigt, 2);
    EXPECT_EQ(meldungen.Texte(), QStringList{d.Pfad("kaputt.dat") + " hat ein unbekanntes Format!"});
    EXPECT_FALSE(f->Modell().KeineKonfiguration);
    EXPECT_EQ(Zelle(2, 2), "nied");
    EXPECT_TRUE(f->isVisible());
}

TEST_F(Fenster, WelcomeQuitAndClosingTheDialogEndTheProgram) {
    for (bool knopf : {true, false}) {
        SCOPED_TRACE(knopf);
        Starte();
        WennOffen<TWillkommenForm>([knopf](TWillkommenForm* w) {
            if (knopf)
                w->BeendenButton->click();
            else
                w->reject();  // the window's close box
        });
        f->Willkommensschleife();
        EXPECT_FALSE(f->isVisible());
        EXPECT_EQ(TIniFile(d.Pfad("config.ini")).ReadString("Global", "NUVARCfg", {}), knopf ? "0" : "1");
    }
}

TEST_F(Fenster, LoadedConfigurationAndTheThreeStates) {
    Starte();
    Lade(Drei());
    EXPECT_FALSE(f->Modell().Geaendert);
    EXPECT_EQ(f->Tabellenmodell->rowCount(), 3);
    const char* erste[] = {"1", "Lufttemperatur", "t2m", "°C", "0,0250", "-40,0000", "-40,0000", "60,0000", "0"};
    for (int c = 0; c < kSpalten; ++c) EXPECT_EQ(Zelle(0, c), QString::fromUtf8(erste[c])) << c;
    EXPECT_EQ(f->Zeile(), 1);
    EXPECT_EQ(f->SensorLabel->text(), "01");
    EXPECT_EQ(f->BezeichnungEdit->text(), "t2m");
    EXPECT_EQ(f->KanaltypLabel->text(), "1");
    EXPECT_EQ(f->NummerLabel->text(), "12");
    EXPECT_EQ(f->NameEdit->text(), "Mast");
    EXPECT_EQ(f->MittelwertCombo->currentText(), "10");
    EXPECT_EQ(f->SleepCombo->currentText(), "Nein");
    EXPECT_EQ(f->SpeicherLabel->text(), "128 KB");
    EXPECT_EQ(f->LaengeMaskEdit->text(), "13,45");
    EXPECT_EQ(f->LaengeComboBox->currentText(), "Ost");
    for (QWidget* w : std::initializer_list<QWidget*>{f->KanalTabelle, f->StationGruppe, f->BearbeitenButton, f->BezeichnungEdit})
        EXPECT_TRUE(w->isEnabled());
    EXPECT_TRUE(f->SensorLoeschen1->isEnabled());

    // Selecting another row shows its details.
    f->KanalTabelle->selectRow(2);
    EXPECT_EQ(f->BezeichnungEdit->text(), "nied");
    EXPECT_EQ(f->KanaltypLabel->text(), "3");

    // Without channels: all enabled except the menu's delete, "Bearbeiten"
    // and the two channel text fields; the row is empty.
    Lade(Konfig({1}, {}), "leer.dat");
    EXPECT_EQ(f->Tabellenmodell->rowCount(), 1);
    EXPECT_EQ(Zelle(0, 0), "");
    EXPECT_TRUE(f->KnopfLoeschen->isEnabled());
    EXPECT_TRUE(f->NeuerSensor1->isEnabled());
    EXPECT_TRUE(f->KnopfSenden->isEnabled());
    EXPECT_FALSE(f->SensorLoeschen1->isEnabled());
    EXPECT_FALSE(f->BearbeitenButton->isEnabled());
    EXPECT_FALSE(f->BezeichnungEdit->isEnabled());
    EXPECT_EQ(f->BezeichnungEdit->text(), "");
    EXPECT_EQ(f->NameEdit->text(), "Mast");
}

TEST_F(Fenster, AFailedLoadKeepsWhatWasShown) {
    Starte();
    Lade(Drei());
    f->NameEdit->setFocus();
    QTest::keyClicks(f->NameEdit, "X");
    ASSERT_TRUE(f->Modell().Geaendert);
    d.Schreibe("kaputt.dat", "QQQQQQQ");
    f->OeffnenDialog = [this] { return d.Pfad("kaputt.dat"); };
    f->KanalTabelle->setFocus();  // the edit is written back first
    f->MenuDateiLaden->trigger();
    EXPECT_EQ(meldungen.Texte().last(), d.Pfad("kaputt.dat") + " hat ein unbekanntes Format!");
    EXPECT_EQ(Datei().ChannelCount(), 3);
    EXPECT_EQ(f->NameEdit->text(), "MastX");
    EXPECT_TRUE(f->Modell().Geaendert);  // the unsaved edit still asks at close
    EXPECT_TRUE(f->KanalTabelle->isEnabled());
}

TEST_F(Fenster, EditingWritesBackOnLeavingAndOnEnter) {
    Starte();
    Lade(Drei());
    f->KanalTabelle->selectRow(1);
    f->BezeichnungEdit->setFocus();
    f->BezeichnungEdit->selectAll();
    QTest::keyClicks(f->BezeichnungEdit, "l");
    QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Udiaeresis, Qt::NoModifier, QString::fromUtf8("ü"));
    QApplication::sendEvent(f->BezeichnungEdit, &umlaut);  // refused: not 32 to 127
    QTest::keyClicks(f->BezeichnungEdit, "-druck");  // cut at 5
    EXPECT_EQ(f->BezeichnungEdit->text(), "l-dru");
    EXPECT_TRUE(f->Modell().Geaendert);
    QTest::keyClick(f->BezeichnungEdit, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f->EinheitEdit);  // Enter moves on
    EXPECT_EQ(Roh(Datei().GetChannel(1).Bezeichnung), QByteArray("l-dru\0", 6));
    EXPECT_EQ(Zelle(1, 2), "l-dru");

    // Leaving the station name by clicking elsewhere writes it back.
    f->NameEdit->setFocus();
    f->NameEdit->selectAll();
    QTest::keyClicks(f->NameEdit, "Gipfel Nord");
    Klick(f->LaengeMaskEdit);
    EXPECT_EQ(Roh(Datei().Stationsparameter().Stationsname), QByteArray("Gipfel Nord     \0", 17));

    // The hemisphere and the coordinate field: 12,35 East.
    f->LaengeMaskEdit->setFocus();
    f->LaengeMaskEdit->selectAll();
    QTest::keyClicks(f->LaengeMaskEdit, "012357");  // a third decimal cannot be typed
    EXPECT_EQ(f->LaengeMaskEdit->text(), "012,35");
    QTest::keyClick(f->LaengeMaskEdit, Qt::Key_Return);
    EXPECT_EQ(Datei().Stationsparameter().GeoLaenge, 1235);
    f->LaengeComboBox->setCurrentIndex(1);  // West
    emit f->LaengeComboBox->activated(1);
    f->LaengeComboBox->setFocus();
    Klick(f->NameEdit);
    EXPECT_EQ(Datei().Stationsparameter().GeoLaenge, -1235);
}

TEST_F(Fenster, EscapeDiscardsTheChannelDetailsTyped) {
    Starte();
    Lade(Drei());
    f->EinheitEdit->setFocus();
    f->EinheitEdit->selectAll();
    QTest::keyClicks(f->EinheitEdit, "K");
    QTest::keyClick(f->EinheitEdit, Qt::Key_Escape);
    EXPECT_EQ(f->EinheitEdit->text(), QString::fromUtf8("°C"));
}

TEST_F(Fenster, StationValuesOutsideTheListsReportOnLeaving) {
    Starte();
    TDATDatei dat = Drei();
    dat.Stationsparameter().Mittelwertintervall = 7;
    Lade(dat);
    EXPECT_EQ(f->MittelwertCombo->currentIndex(), -1);
    f->NameEdit->setFocus();
    QTest::keyClicks(f->NameEdit, "2");
    Klick(f->BezeichnungEdit);
    EXPECT_EQ(meldungen.Texte().last(), "'' ist kein gültiger Integerwert");
    // The name before the failing field is written; the interval is not.
    EXPECT_EQ(LiesTextfeld(Datei().Stationsparameter().Stationsname), "Mast2");
    EXPECT_EQ(Datei().Stationsparameter().Mittelwertintervall, 7);
}

TEST_F(Fenster, DraggingARowByItsPositionMovesTheEntry) {
    Starte();
    Lade(Drei());
    QWidget* flaeche = f->KanalTabelle->viewport();
    QTest::mousePress(flaeche, Qt::LeftButton, {}, ZellMitte(0, 0));
    QTest::mouseMove(flaeche, ZellMitte(1, 0));
    QTest::mouseMove(flaeche, ZellMitte(2, 0));
    QTest::mouseRelease(flaeche, Qt::LeftButton, {}, ZellMitte(2, 0));
    ASSERT_EQ(Datei().ChannelCount(), 3);
    const char* reihe[] = {"ld", "nied", "t2m"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(LiesTextfeld(Datei().GetChannel(i).Bezeichnung), reihe[i]);
        EXPECT_EQ(Datei().GetChannel(i).Position, i + 1);
        EXPECT_EQ(Zelle(i, 0), QString::number(i + 1));
    }
    EXPECT_TRUE(f->Modell().Geaendert);
    EXPECT_EQ(f->Zeile(), 3);
    // A drag in another column only selects.
    QTest::mousePress(flaeche, Qt::LeftButton, {}, ZellMitte(0, 2));
    QTest::mouseMove(flaeche, ZellMitte(2, 2));
    QTest::mouseRelease(flaeche, Qt::LeftButton, {}, ZellMitte(2, 2));
    EXPECT_EQ(LiesTextfeld(Datei().GetChannel(0).Bezeichnung), "ld");
}

TEST_F(Fenster, AddingASensorThroughBothSelections) {
    Starte();
    Lade(Drei());  // inputs 0, 2, 3 taken; free: input 1 of type 1
    WennOffen<TMesswertAuswahlForm>([](TMesswertAuswahlForm* s) {
        ASSERT_EQ(s->ListBox1->count(), 2);  // the type 1 sensors only
        EXPECT_EQ(s->ListBox1->item(0)->text(), "0\tLufttemperatur");
        EXPECT_EQ(s->ListBox1->item(1)->text(), "3\tKleiner Code");
        EXPECT_EQ(s->ListBox1->currentRow(), 0);
        WennOffen<TKanalAuswahlForm>([](TKanalAuswahlForm* k) {
            ASSERT_EQ(k->ListBox1->count(), 1);
            EXPECT_EQ(k->ListBox1->item(0)->text(), "1");
            k->OKButton->click();
        });
        s->OKButton->click();
    });
    f->NeuerMesswertClick();
    ASSERT_EQ(Datei().ChannelCount(), 4);
    const TKanalEintrag e = Datei().GetChannel(3);
    EXPECT_EQ(e.Kanalnummer, 1);
    EXPECT_EQ(e.Sensorcode, 1);
    EXPECT_EQ(Roh(e.Einheit), QByteArray("\xF8" "C  \0", 5));
    EXPECT_EQ(e.Position, 4);
    EXPECT_EQ(Zelle(3, 1), "Lufttemperatur");
    EXPECT_EQ(f->Zeile(), 4);
    EXPECT_TRUE(f->Modell().Geaendert);

    // Now no free input fits any sensor.
    f->NeuerMesswertClick();
    EXPECT_EQ(meldungen.Texte().last(), QString::fromUtf8("Die Station hat keine freien Kanäle!"));
    EXPECT_EQ(Datei().ChannelCount(), 4);
}

TEST_F(Fenster, ASixtyFifthChannelIsRefusedBeforeAnyDialog) {
    Starte();
    std::vector<TKanalEintrag> k;
    for (int i = 0; i < 64; ++i) k.push_back(Eintrag(i, 1, "t"));
    Lade(Konfig(std::vector<std::uint8_t>(96, 1), k));
    f->NeuerMesswertClick();  // a selection dialog would block here
    EXPECT_EQ(meldungen.Texte().last(), QString::fromUtf8(kKanallisteVoll));
    EXPECT_EQ(Datei().ChannelCount(), 64);
}

TEST_F(Fenster, DeletingAsksFirst) {
    Starte();
    Lade(Drei());
    f->KanalTabelle->selectRow(1);
    meldungen.antworten = {false, true};
    f->MesswertausClick();
    EXPECT_EQ(Datei().ChannelCount(), 3);
    f->MesswertausClick();
    EXPECT_EQ(meldungen.Texte().last(), QString::fromUtf8("Wirklich löschen?"));
    ASSERT_EQ(Datei().ChannelCount(), 2);
    EXPECT_EQ(LiesTextfeld(Datei().GetChannel(1).Bezeichnung), "nied");
    EXPECT_EQ(Datei().GetChannel(1).Position, 2);
    EXPECT_TRUE(f->Modell().Geaendert);
}

TEST_F(Fenster, DoubleClickEditsTheChannelParameters) {
    Starte();
    Lade(Drei());
    WennOffen<TParameterForm>([](TParameterForm* p) {
        EXPECT_EQ(p->SensorLabel->text(), "Lufttemperatur -> (t2m)");
        EXPECT_EQ(p->MBGrenzenLabel->text(), "0,00 mV..4000,00 mV");
        p->OGrenzeEdit->setText("50");
        QTest::keyClick(p->OGrenzeEdit, Qt::Key_Return);
        p->OKButton->click();
    });
    const QPoint zelle = ZellMitte(0, 3);
    QTest::mouseClick(f->KanalTabelle->viewport(), Qt::LeftButton, {}, zelle);
    QTest::mouseDClick(f->KanalTabelle->viewport(), Qt::LeftButton, {}, zelle);
    // (50 - -40) / 4000, not the 0,023 the field shows
    EXPECT_FLOAT_EQ(Datei().GetChannel(0).a, 0.0225f);
    EXPECT_EQ(f->aLabel->text(), "0,0225");
    EXPECT_EQ(Datei().GetChannel(0).Max, 50.0f);
    EXPECT_TRUE(f->Modell().Geaendert);

    // With an empty channel list: the channel range error for index 0.
    Lade(Konfig({1}, {}), "leer.dat");
    QTest::mouseClick(f->KanalTabelle->viewport(), Qt::LeftButton, {}, ZellMitte(0, 3));
    QTest::mouseDClick(f->KanalTabelle->viewport(), Qt::LeftButton, {}, ZellMitte(0, 3));
    EXPECT_EQ(meldungen.Texte().last(), QString::fromUtf8("0 liegt außerhalb des Bereichs der Kanalliste"));
}

TEST_F(Fenster, SavingAndExporting) {
    Starte();
    Lade(Drei());
    f->NameEdit->setFocus();
    QTest::keyClicks(f->NameEdit, "2");
    QString vorschlag;
    f->SpeichernDialog = [&](const QString& v) {
        vorschlag = v;
        return TNuvarCfgForm::TSpeicherWahl{d.Pfad("neu.dat"), 1};
    };
    f->SpeichernClick();
    EXPECT_EQ(vorschlag, "12_Mast2           ");  // written back first; the blanks as stored
    EXPECT_FALSE(f->Modell().Geaendert);
    TDATDatei zurueck;
    zurueck.LoadFromFile(d.Pfad("neu.dat"));
    EXPECT_EQ(zurueck.Kopf().Kennung, (std::array<char, 3>{'Q', 'Z', '1'}));
    EXPECT_EQ(zurueck.Abbild(false), Datei().Abbild(false));

    // The text export goes to the name chosen, with what the window shows.
    f->SpeichernDialog = [&](const QString&) { return TNuvarCfgForm::TSpeicherWahl{d.Pfad("bericht"), 2}; };
    f->SpeichernClick();
    const QByteArray text = d.Lies("bericht.txt");
    EXPECT_TRUE(text.startsWith("Stationsname:\tMast2\r\nStationsnummer:\t12\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("Geo. L\xC3\xA4nge:\t13,45Ost\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("Freie Tage:\t33\r\n\r\n\tSensor\t\t\t\t\t\t\tKanal\r\n1\tLufttemperatur\tt2m\t\xC2\xB0" "C\t"))
        << text.constData();
    EXPECT_TRUE(text.endsWith("3\tNiederschlag\tnied\tmm\t1,0000\t0,0000\t0,0000\t10,0000\t3\r\n")) << text.constData();

    // A save that fails says so and leaves the changes marked.
    QTest::keyClicks(f->NameEdit, "3");
    f->SpeichernDialog = [&](const QString&) { return TNuvarCfgForm::TSpeicherWahl{d.Pfad("fehlt/x.dat"), 1}; };
    f->MenuSpeichern->trigger();
    EXPECT_TRUE(meldungen.Texte().last().contains("kann nicht erstellt werden")) << meldungen.Texte().last().toStdString();
    EXPECT_TRUE(f->Modell().Geaendert);
    // Cancelled: nothing.
    f->SpeichernDialog = [](const QString&) { return TNuvarCfgForm::TSpeicherWahl{}; };
    f->SpeichernClick();
    EXPECT_TRUE(f->Modell().Geaendert);
}

TEST_F(Fenster, CloseQueryAndColumnWidths) {
    Starte();
    Lade(Drei());
    f->NameEdit->setFocus();
    QTest::keyClicks(f->NameEdit, "x");
    int gefragt = 0;
    f->DreiWegeFrage = [&](const QString& frage) {
        EXPECT_EQ(frage, QString::fromUtf8("Wollen Sie die Änderungen speichern?"));
        return ++gefragt == 1 ? TNuvarCfgForm::Antwort::Abbrechen : TNuvarCfgForm::Antwort::Ja;
    };
    f->KanalTabelle->horizontalHeader()->resizeSection(2, 123);
    EXPECT_FALSE(f->close());  // Cancel keeps it open
    EXPECT_TRUE(f->isVisible());
    bool gespeichert = false;
    f->SpeichernDialog = [&](const QString&) {
        gespeichert = true;
        return TNuvarCfgForm::TSpeicherWahl{};  // the save dialog cancelled: it closes all the same
    };
    EXPECT_TRUE(f->close());
    EXPECT_TRUE(gespeichert);
    EXPECT_EQ(TIniFile(d.Pfad("config.ini")).ReadInteger("KanalTabelle", "Breite2", 0), 123);
    EXPECT_EQ(TIniFile(d.Pfad("config.ini")).ReadInteger("KanalTabelle", "Breite1", 0), 200);
}

TEST_F(Fenster, UnwritableSettingsAtCloseAreReportedAndItStillCloses) {
    Starte();
    QFile::remove(d.Pfad("config.ini"));
    QDir().mkpath(d.Pfad("config.ini"));  // not writable as a file, even for root
    EXPECT_TRUE(f->close());
    EXPECT_EQ(meldungen.Texte().last(), "CONFIG.INI konnte nicht gespeichert werden!");
}

// ---------------------------------------------------------------- transfers

class Uebertragung : public Fenster {
protected:
    void SetUp() override {
        Fenster::SetUp();
        port = d.Pfad("logger");
        d.Schreibe("logger", "");
        d.Schreibe("NUVARWin.ini", ("[Schnittstellen]\r\nCOM1=" + port + "\r\nCOM3=" + port + "\r\n").toUtf8());
    }
    void Starte() {
        Fenster::Starte();
        f->PortSuche.Geraete = [] { return QStringList(); };
        f->PortSuche.ByIdVerzeichnis = d.Pfad("keins");
        f->Starter = [this](const QString& p, const QStringList& a) {
            programm = p;
            argumente = a;
            if (!startbar) return false;
            if (!logger.Abbild(true).isEmpty() && hinterlassen) TDATDatei(logger).SaveToFile(d.Pfad("par9999.dat"), true);
            gesendet = d.Lies("par9999.dat");
            return true;
        };
    }
    // Chooses the port entry `com` in the connection dialog and connects.
    static void Verbinde(int com) {
        WennOffen<TDirektForm>([com](TDirektForm* v) {
            EXPECT_EQ(v->windowTitle(), "Mit Logger vebinden");
            EXPECT_EQ(v->BaudCombo->currentText(), "9600");
            for (int i = 0; i < v->PortCombo->count(); ++i)
                if (v->PortCombo->itemText(i).startsWith(QStringLiteral("COM%1 ").arg(com))) v->PortCombo->setCurrentIndex(i);
            v->VerbindenButton->click();
        });
    }
    QString Seq(const char* key) const {
        return TIniFile(d.Pfad("seq9999.seq")).ReadString("AutoSeq", QString::fromLatin1(key), "<fehlt>");
    }

    QString port, programm;
    QStringList argumente;
    bool startbar = true, hinterlassen = true;
    TDATDatei logger = Drei();
    QByteArray gesendet;
};

TEST_F(Uebertragung, ReadFromTheLoggerOnTheChosenPort) {
    Starte();
    Verbinde(3);
    f->KonfigurationdirektvonLoggerladen1Click();
    // COM1 and COM3 exist; COM3 chosen: NUVARKom's index 2 (it opens COM3).
    EXPECT_EQ(Seq("Schnittstelle"), "2");
    EXPECT_EQ(Seq("ComPort"), "3");
    EXPECT_EQ(Seq("Baudrate"), "3");
    EXPECT_EQ(Seq("Befehl"), "LadeParameter");
    EXPECT_EQ(programm, QDir(QCoreApplication::applicationDirPath()).filePath("NUVARKom"));
    EXPECT_EQ(argumente, QStringList{"/auto," + d.Pfad("seq9999.seq")});
    EXPECT_EQ(meldungen.Texte(), QStringList{"Parameter erfolgreich gelesen."});
    EXPECT_FALSE(f->Modell().KeineKonfiguration);
    EXPECT_TRUE(f->Modell().Geaendert);
    EXPECT_EQ(Zelle(1, 1), "Luftdruck");
}

TEST_F(Uebertragung, AFailedReadKeepsTheConfigurationAndItsMark) {
    Starte();
    Lade(Konfig({1}, {Eintrag(0, 1, "vorh")}));
    struct Fall {
        const char* name;
        bool startbar, hinterlassen;
    } faelle[] = {{"NUVARKom cannot be started", false, true}, {"no par file left", true, false}};
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        startbar = fall.startbar;
        hinterlassen = fall.hinterlassen;
        Verbinde(1);
        f->KonfigurationdirektvonLoggerladen1Click();
        EXPECT_EQ(meldungen.Texte().last(), QString::fromUtf8(kTransferFehler));
        EXPECT_EQ(Zelle(0, 2), "vorh");
        EXPECT_FALSE(f->Modell().Geaendert);
    }
}

TEST_F(Uebertragung, SendAsksAndHandsOverTheConfiguration) {
    Starte();
    Lade(Drei());
    f->NameEdit->setFocus();
    QTest::keyClicks(f->NameEdit, "Z");
    meldungen.antworten = {false, true};
    Verbinde(1);
    f->KonfigurationdirektzuLoggerbertragen1Click();
    EXPECT_TRUE(programm.isEmpty());  // No: nothing started
    EXPECT_TRUE(meldungen.Texte().last().startsWith(QString::fromUtf8("Beim Senden der Stationsparameter werden alle Datensätze\n")));
    hinterlassen = false;
    Verbinde(1);
    f->KonfigurationdirektzuLoggerbertragen1Click();
    EXPECT_EQ(meldungen.Texte().last(), QString::fromUtf8("Übertragung erfolgreich."));
    EXPECT_EQ(Seq("Befehl"), "SendeParameter");
    EXPECT_EQ(Seq("Schnittstelle"), "0");
    EXPECT_EQ(gesendet.left(3), "Q&Z");
    TDATDatei par;
    par.LoadFromFile(d.Pfad("par9999.dat"));
    EXPECT_EQ(LiesTextfeld(par.Stationsparameter().Stationsname), "MastZ");  // the edit went along
    EXPECT_EQ(par.ChannelCount(), 3);
}

TEST_F(Uebertragung, MoreThanSixtyFourChannelsAreNotSent) {
    Starte();
    std::vector<TKanalEintrag> k;
    for (int i = 0; i < 70; ++i) k.push_back(Eintrag(i, 1, "t"));
    Lade(Konfig(std::vector<std::uint8_t>(96, 1), k));
    f->MenuSenden->trigger();  // no dialog comes up
    EXPECT_TRUE(meldungen.Texte().last().startsWith(QString::fromUtf8("Die Konfiguration hat 70 Kanäle"))) << meldungen.Texte().last().toStdString();
    EXPECT_TRUE(programm.isEmpty());
}

TEST_F(Uebertragung, ReadThroughAMeasurementProgramme) {
    d.Schreibe("sessions.ini", "[Allgemein]\r\nAktiv=B\r\n[A]\r\nBezeichnung=Nord\r\nStatNr=7\r\nVerbindung=2\r\n"
                               "Schnittstelle=4\r\nRufnummer=0815\r\n[B]\r\nBezeichnung=Sued\r\n");
    Starte();
    WennOffen<TSessionAuswDialog1>([](TSessionAuswDialog1* s) {
        EXPECT_EQ(s->windowTitle(), QString::fromUtf8("Messprogramm auswählen"));
        s->OKButton1->click();  // the first row, no preselection
    });
    f->KonfigurationvonLoggerladen1Click();
    EXPECT_EQ(Seq("Verbindung"), "2");
    EXPECT_EQ(Seq("Schnittstelle"), "4");
    EXPECT_EQ(Seq("ComPort"), "5");
    EXPECT_EQ(Seq("Baudrate"), "0");  // the configurator's default, not 3
    EXPECT_EQ(Seq("Rufnummer"), "0815");
    EXPECT_TRUE(meldungen.Texte().isEmpty());
    EXPECT_EQ(Zelle(0, 2), "t2m");
    EXPECT_TRUE(f->Modell().Geaendert);
    EXPECT_EQ(TIniFile(d.Pfad("sessions.ini")).ReadString("Allgemein", "Aktiv", {}), "B");  // untouched
}

TEST_F(Uebertragung, OptionsKeepPathsRelativeToTheDirectory) {
    Starte();
    WennOffen<TOptionenForm>([this](TOptionenForm* o) {
        EXPECT_EQ(o->sessioniniedit->text(), "sessions.ini");
        o->DateiWaehlen = [this](const QString& titel, const QString&, const QString&) {
            EXPECT_EQ(titel, "NUVARKom - suchen");
            return d.Pfad("bin/NUVARKom");
        };
        o->NUVARKomSuchenButton->click();
        EXPECT_EQ(o->NUVARKomPfadEdit->text(), "bin/NUVARKom");
        o->OKButton->click();
    });
    f->Optionen1Click();
    EXPECT_EQ(TIniFile(d.Pfad("config.ini")).ReadString("Global", "NUVARKom", {}), "bin/NUVARKom");
    Verbinde(1);
    f->KonfigurationdirektvonLoggerladen1Click();
    EXPECT_EQ(programm, d.Pfad("bin/NUVARKom"));
}
