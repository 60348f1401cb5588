// The configurator's small dialogs driven by the test: the connection dialog
// with its port list, the wait window, the welcome dialog and the sensor
// list; and the shipped catalogues against the simulator's demonstration
// station.
#include "cfg/Konfiguration.h"
#include "cfg/MesswertAuswahlUnit.h"
#include "cfg/VerbindungsFormUnit.h"
#include "cfg/WillkommenUnit.h"
#include "cfg/WrapperUnit.h"
#include "CfgTestHilfe.h"
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "sim/SimStation.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <set>

using namespace nuvar;
using namespace nuvar::test;

namespace {

class Dialoge : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        SetzeMeldungen(&meldungen);
    }
    void TearDown() override { SetzeMeldungen(nullptr); }
    QString Geraet(const char* name) {
        d.Schreibe(QString::fromLatin1(name), "");
        return d.Pfad(QString::fromLatin1(name));
    }
    TPortSuche Suche(QStringList geraete = {}) {
        TPortSuche s;
        s.Geraete = [geraete] { return geraete; };
        s.ByIdVerzeichnis = d.Pfad("by-id");
        return s;
    }
    QStringList Eintraege(const QComboBox* c) {
        QStringList l;
        for (int i = 0; i < c->count(); ++i) l << c->itemText(i).section(QLatin1Char(' '), 0, 0);
        return l;
    }
    CfgVerzeichnisFuerTest d;
    TSkriptMeldungen meldungen;
};

} // namespace

TEST_F(Dialoge, ConnectionDialogWritesThePortNUVARKomOpens) {
    const QString a = Geraet("pts-a"), b = Geraet("pts-b");
    d.Schreibe("NUVARWin.ini", ("[Schnittstellen]\nCOM1=" + a + "\nCOM3=" + b + "\nCOM12=" + b + "\n").toUtf8());
    TDirektForm f(d.Pfad("NUVARWin.ini"), Suche());
    EXPECT_EQ(f.VerbindungCombo->currentIndex(), 0);
    EXPECT_EQ(f.BaudCombo->currentIndex(), 0);
    WennOffen<TDirektForm>([this](TDirektForm* v) {
        EXPECT_EQ(Eintraege(v->PortCombo), (QStringList{"COM1", "COM3", "COM12"}));  // COM12 is not COM1
        EXPECT_EQ(v->PortCombo->currentIndex(), 0);
        EXPECT_EQ(v->BaudCombo->currentText(), "9600");
        EXPECT_FALSE(v->RufnummerEdit->isEnabled());
        v->PortCombo->setCurrentIndex(1);
        v->BaudCombo->setCurrentIndex(6);
        v->VerbindenButton->click();
    });
    ASSERT_EQ(f.Ausfuehren(), 1);
    EXPECT_EQ(f.Verbindung().Verbindung, 0);
    EXPECT_EQ(f.Verbindung().Schnittstelle, 2);  // COM3 for NUVARKom, not the list index 1
    EXPECT_EQ(f.Verbindung().ComPort, "3");
    EXPECT_EQ(f.Verbindung().Baudrate, 6);

    // The next run: 9600 again; cancelled: 0.
    WennOffen<TDirektForm>([](TDirektForm* v) {
        EXPECT_EQ(v->BaudCombo->currentText(), "9600");
        v->AbbrechenButton->click();
    });
    EXPECT_EQ(f.Ausfuehren(), 0);
}

TEST_F(Dialoge, ConnectionKinds) {
    const QString a = Geraet("pts-a");
    d.Schreibe("NUVARWin.ini", ("[Schnittstellen]\nCOM2=" + a + "\n").toUtf8());
    TDirektForm f(d.Pfad("NUVARWin.ini"), Suche({"/dev/ttyS0"}));
    WennOffen<TDirektForm>([this](TDirektForm* v) {
        EXPECT_EQ(Eintraege(v->PortCombo), (QStringList{"COM1", "COM2"}));
        v->VerbindungCombo->setCurrentIndex(2);
        emit v->VerbindungCombo->activated(2);  // Modem
        EXPECT_FALSE(v->PortCombo->isEnabled());
        EXPECT_FALSE(v->PortLabel->isEnabled());
        EXPECT_TRUE(v->RufnummerEdit->isEnabled());
        EXPECT_EQ(v->PortCombo->count(), 2);  // keeps its entries
        v->VerbindungCombo->setCurrentIndex(4);
        emit v->VerbindungCombo->activated(4);  // IP: the port map's own entries
        EXPECT_TRUE(v->PortCombo->isEnabled());
        EXPECT_FALSE(v->RufnummerEdit->isEnabled());
        EXPECT_EQ(Eintraege(v->PortCombo), QStringList{"COM2"});
        v->VerbindungCombo->setCurrentIndex(2);
        emit v->VerbindungCombo->activated(2);
        v->RufnummerEdit->setText("0815");
        v->VerbindenButton->click();
    });
    ASSERT_EQ(f.Ausfuehren(), 1);
    EXPECT_EQ(f.Verbindung().Verbindung, 2);
    EXPECT_EQ(f.Verbindung().Rufnummer, "0815");
    EXPECT_EQ(f.Verbindung().Schnittstelle, 1);
}

TEST_F(Dialoge, NoPortAtAll) {
    TDirektForm f(d.Pfad("NUVARWin.ini"), Suche());
    WennOffen<TDirektForm>([](TDirektForm* v) {
        EXPECT_EQ(v->PortCombo->count(), 0);
        v->VerbindenButton->click();
    });
    ASSERT_EQ(f.Ausfuehren(), 1);
    EXPECT_EQ(f.Verbindung().Schnittstelle, 255);
    EXPECT_EQ(f.Verbindung().ComPort, "");
}

TEST_F(Dialoge, AnAdapterWithoutComNameIsEnteredWhenChosen) {
    const QString usb = Geraet("ttyUSB0");
    QDir().mkpath(d.Pfad("by-id"));
    const QString link = d.Pfad("by-id/usb-FTDI_A1-if00-port0");
    QFile::link(usb, link);
    d.Schreibe("NUVARWin.ini", ("[Schnittstellen]\nCOM1=" + Geraet("pts") + "\n").toUtf8());
    TDirektForm f(d.Pfad("NUVARWin.ini"), Suche({usb}));
    WennOffen<TDirektForm>([](TDirektForm* v) {
        ASSERT_EQ(v->PortCombo->count(), 2);
        EXPECT_TRUE(v->PortCombo->itemText(1).endsWith(" - neu"));
        v->PortCombo->setCurrentIndex(1);
        v->VerbindenButton->click();
    });
    ASSERT_EQ(f.Ausfuehren(), 1);
    EXPECT_EQ(f.Verbindung().Schnittstelle, 1);
    EXPECT_EQ(TIniFile(d.Pfad("NUVARWin.ini")).ReadString("Schnittstellen", "COM2", {}), link);
    ASSERT_EQ(meldungen.Texte().size(), 1);
    EXPECT_TRUE(meldungen.Texte()[0].contains("COM2")) << meldungen.Texte()[0].toStdString();

    // A port map that cannot be written: said, and the dialog stays open.
    QFile::remove(d.Pfad("NUVARWin.ini"));
    QDir().mkpath(d.Pfad("NUVARWin.ini"));
    TDirektForm g(d.Pfad("NUVARWin.ini"), Suche({usb}));
    WennOffen<TDirektForm>([](TDirektForm* v) {
        v->PortCombo->setCurrentIndex(0);
        v->VerbindenButton->click();
        EXPECT_TRUE(v->isVisible());
        v->AbbrechenButton->click();
    });
    EXPECT_EQ(g.Ausfuehren(), 0);
    EXPECT_TRUE(meldungen.Texte().last().contains("kann nicht geschrieben werden")) << meldungen.Texte().last().toStdString();
}

TEST_F(Dialoge, WaitWindowCannotBeClosedWhileNUVARKomRuns) {
    TWrapperForm w(QStringLiteral("/bin/NUVARKom"), {QStringLiteral("/auto,x")});
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(w.windowTitle(), "Verbindung mit NUVARKom");
    EXPECT_EQ(w.Label1->text(), QString::fromUtf8("Bitte warten, während NUVARKom Daten überträgt!"));
    bool sichtbar = false;
    w.Starter = [&](const QString& p, const QStringList& a) {
        EXPECT_EQ(p, "/bin/NUVARKom");
        EXPECT_EQ(a, QStringList{"/auto,x"});
        sichtbar = w.isVisible();
        w.close();  // refused
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        return true;
    };
    EXPECT_TRUE(w.Ausfuehren());
    EXPECT_TRUE(sichtbar);
    EXPECT_FALSE(w.isVisible());
    w.Starter = [](const QString&, const QStringList&) { return false; };
    EXPECT_FALSE(w.Ausfuehren());
}

TEST_F(Dialoge, WelcomeCodes) {
    TWillkommenForm w;
    struct Fall {
        QPushButton* knopf;
        int code;
    } faelle[] = {{w.OnlineButton, 3333}, {w.MessprogrammButton, 2222}, {w.DateiButton, 1111}, {w.BeendenButton, 9999}};
    for (const Fall& f : faelle) {
        QPushButton* k = f.knopf;
        WennOffen<TWillkommenForm>([k](TWillkommenForm*) { k->click(); });
        EXPECT_EQ(w.Ausfuehren(), f.code);
    }
    WennOffen<TWillkommenForm>([](TWillkommenForm* x) { x->reject(); });
    EXPECT_EQ(w.Ausfuehren(), 9999);
    EXPECT_FALSE(w.BeendenGedrueckt);
}

TEST_F(Dialoge, SensorListShowsNamesAndTakesADoubleClick) {
    TMesswertAuswahlForm f;
    WennOffen<TMesswertAuswahlForm>([](TMesswertAuswahlForm* s) {
        ASSERT_EQ(s->ListBox1->count(), 3);
        // The number before the tab is not drawn: the picture of an item with
        // only a number is the empty background.
        QListWidgetItem* item = s->ListBox1->item(2);
        const QImage mitName = s->ListBox1->viewport()->grab(s->ListBox1->visualItemRect(item)).toImage();
        item->setText("2\t");
        const QImage ohne = s->ListBox1->viewport()->grab(s->ListBox1->visualItemRect(item)).toImage();
        QImage leer(ohne.size(), ohne.format());
        leer.fill(s->ListBox1->palette().color(QPalette::Base));
        EXPECT_EQ(ohne, leer);
        EXPECT_NE(mitName, leer);
        item->setText("3\tKleiner Code");
        const QPoint p = s->ListBox1->visualItemRect(item).center();
        QTest::mouseClick(s->ListBox1->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(s->ListBox1->viewport(), Qt::LeftButton, {}, p);
    });
    TGeberINIZeile z;
    ASSERT_TRUE(f.SensorAuswaehlen(Geber(), {1, 2}, z));
    EXPECT_EQ(z.Code, "0a");
    EXPECT_EQ(z.Name, "Kleiner Code");
    WennOffen<TMesswertAuswahlForm>([](TMesswertAuswahlForm* s) { s->AbbrechenButton->click(); });
    EXPECT_FALSE(f.SensorAuswaehlen(Geber(), {1, 2}, z));
}

TEST(Kataloge, TheShippedOnesFitTheDemonstrationStation) {
    QStringList geber, kanal;
    for (auto [name, ziel] : {std::pair<const char*, QStringList*>{"geber.ini", &geber}, {"kanal.ini", &kanal}}) {
        QFile f(QStringLiteral(NUVAR_BIN "/") + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        *ziel = RoheZeilen(f.readAll());
    }
    ASSERT_FALSE(geber.isEmpty());
    std::set<int> typen;
    for (const QString& z : kanal) {
        const TKanalINIZeile k = KanalZeileLesen(z);
        EXPECT_FALSE(GrenzeUnbekannt(k.UntereGrenze)) << z.toStdString();
        EXPECT_LT(k.UntereGrenze, k.ObereGrenze) << z.toStdString();
        EXPECT_TRUE(typen.insert(k.Kanaltyp).second) << "type twice: " << z.toStdString();
    }
    std::set<QString> codes;
    for (const QString& z : geber) {
        const TGeberINIZeile g = GeberZeileLesen(z);  // every line parses
        EXPECT_TRUE(codes.insert(g.Code).second) << "code twice: " << z.toStdString();
        EXPECT_EQ(g.Code, CodeText(std::uint8_t(HexZuInt(g.Code)))) << "the table compares with two upper-case digits";
        EXPECT_LE(g.Bezeichnung.size(), 5) << z.toStdString();
        EXPECT_LE(g.Einheit.size(), 4) << z.toStdString();
        EXPECT_TRUE(typen.count(g.Kanaltyp)) << "no channel type for " << z.toStdString();
        EXPECT_LT(g.Min, g.Max) << z.toStdString();
    }

    // Every channel of the demonstration station shows a name, every one of
    // its input types has a signal range, and a sensor fits a free input of
    // every type.
    const SimStation demo = SimStation::Demo();
    TNuvarCfgModell m;
    m.GeberZeilen = geber;
    m.KanalZeilen = kanal;
    m.Datei.Hardwareliste().assign(demo.hardware.begin(), demo.hardware.end());
    for (const TKanalEintrag& e : demo.Kanaele()) m.Datei.AddChannel(e);
    m.KeineKonfiguration = false;
    m.NamenSuchen();
    for (int k = 0; k < m.Datei.ChannelCount(); ++k) EXPECT_FALSE(m.Zelle(k, 1).isEmpty()) << "channel " << k;
    for (std::uint8_t t : m.Datei.Hardwareliste()) EXPECT_TRUE(typen.count(t)) << int(t);
    const THardwareListeNeu kopie = m.Arbeitskopie();
    std::set<int> angeboteneTypen;
    for (const TSensorAngebot& a : SensorAngebot(geber, kopie)) angeboteneTypen.insert(GeberZeileLesen(geber[a.Zeile]).Kanaltyp);
    for (std::uint8_t t : kopie)
        if (t != 0) {
            EXPECT_TRUE(angeboteneTypen.count(t)) << "no sensor for free inputs of type " << int(t);
        }
}
