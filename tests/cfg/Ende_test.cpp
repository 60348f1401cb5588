// End to end with the real programs: the configurator (this process,
// offscreen) reads the configuration of nuvarsim on a pseudo-terminal through
// the real NUVARKom, a sensor is added and scaled and the station renamed, the
// configuration is sent back, and what nuvarsim then holds (its --abbild file)
// is exactly what was sent. Then the configuration is saved, loaded again and
// exported, and both exports agree.
#include "cfg/KanalAuswahlUnit.h"
#include "cfg/KanalTabelle.h"
#include "cfg/MesswertAuswahlUnit.h"
#include "cfg/NuvarCfgUnit.h"
#include "cfg/ParameterBearbeitenUnit.h"
#include "cfg/VerbindungsFormUnit.h"
#include "CfgTestHilfe.h"
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "sim/SimStation.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <cstdlib>

using namespace nuvar;
using namespace nuvar::test;

namespace {

// "Schluessel=Wert" lines of nuvarsim's --abbild file.
QMap<QByteArray, QByteArray> Abbild(const QByteArray& text) {
    QMap<QByteArray, QByteArray> m;
    for (const QByteArray& z : text.split('\n')) {
        const int gleich = int(z.indexOf('='));
        if (gleich > 0 && !z.startsWith('#')) m.insert(z.left(gleich), z.mid(gleich + 1));
    }
    return m;
}

void Verbinde() {
    WennOffen<TDirektForm>([](TDirektForm* v) {
        ASSERT_EQ(v->PortCombo->count(), 1);
        EXPECT_TRUE(v->PortCombo->itemText(0).startsWith("COM1 "));
        v->VerbindenButton->click();
    });
}

} // namespace

TEST(EndeZuEnde, ReadEditSendThroughNUVARKomAndNuvarsim) {
    App();
    const QString sim = QStringLiteral(NUVAR_BIN "/nuvarsim");
    const QString kom = QStringLiteral(NUVAR_BIN "/NUVARKom");
    if (!QFileInfo::exists(sim) || !QFileInfo::exists(kom)) GTEST_SKIP() << "programs not built";
    // A hanging run fails the test instead of blocking the suite.
    QTimer wache;
    wache.setSingleShot(true);
    QObject::connect(&wache, &QTimer::timeout, [] {
        std::fprintf(stderr, "end-to-end run did not finish in time\n");
        std::_Exit(3);
    });
    wache.start(240000);

    CfgVerzeichnisFuerTest d;
    for (const char* name : {"geber.ini", "kanal.ini"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(NUVAR_BIN "/") + name, d.Pfad(QString::fromLatin1(name))));
    const QString link = d.Pfad("logger");
    QProcess logger;
    logger.start(sim, {"--link", link, "--abbild", d.Pfad("station.txt"), "--log", d.Pfad("nuvarsim.log"),
                       "--nicht-aufzeichnen", "--saetze", "12"});
    ASSERT_TRUE(logger.waitForStarted(5000));
    for (int i = 0; i < 100 && !QFileInfo::exists(link); ++i) QThread::msleep(50);
    ASSERT_TRUE(QFileInfo::exists(link));
    {
        // NUVARKom runs unattended (no box waits) and finds the simulator as COM1.
        TIniFile ini(d.Pfad("NUVARWin.ini"));
        ini.WriteBool("NUVARKom", "Unbeaufsichtigt", true);
        ini.WriteBool("NUVARKom", "SchreibeLogDatei", true);
        ini.WriteString("Schnittstellen", "COM1", link);
        TIniFile config(d.Pfad("config.ini"));
        config.WriteString("Global", "NUVARKom", kom);
    }
    TSkriptMeldungen meldungen;
    SetzeMeldungen(&meldungen);
    qputenv("QT_QPA_PLATFORM", "offscreen");  // for NUVARKom

    auto f = std::make_unique<TNuvarCfgForm>();
    ASSERT_TRUE(f->Starte());
    f->PortSuche.Geraete = [] { return QStringList(); };
    f->PortSuche.ByIdVerzeichnis = d.Pfad("keins");
    f->DreiWegeFrage = [](const QString&) { return TNuvarCfgForm::Antwort::Nein; };

    // ---- read
    Verbinde();
    f->KonfigurationdirektvonLoggerladen1Click();
    ASSERT_EQ(meldungen.Texte(), QStringList{"Parameter erfolgreich gelesen."}) << d.Lies("NUVARKom.log").constData();
    const SimStation demo = SimStation::Demo();
    TDATDatei& datei = f->Modell().Datei;
    ASSERT_EQ(datei.ChannelCount(), 10);
    EXPECT_EQ(f->NummerLabel->text(), "101");
    EXPECT_EQ(f->NameEdit->text(), "Demostation Nord");
    for (int k = 0; k < 10; ++k) {
        EXPECT_FALSE(f->Tabellenmodell->index(k, 1).data().toString().isEmpty()) << k;
        EXPECT_EQ(Roh(datei.GetChannel(k).encode()), Roh(demo.Kanaele()[std::size_t(k)].encode())) << k;
    }
    EXPECT_EQ(f->Tabellenmodell->index(0, 1).data().toString(), "Lufttemperatur");

    // ---- add a rain counter on the first free counter input, and scale it
    WennOffen<TMesswertAuswahlForm>([](TMesswertAuswahlForm* s) {
        for (int i = 0; i < s->ListBox1->count(); ++i)
            if (s->ListBox1->item(i)->text().endsWith("\tNiederschlag (Wippe 0,2 mm)")) s->ListBox1->setCurrentRow(i);
        WennOffen<TKanalAuswahlForm>([](TKanalAuswahlForm* k) {
            EXPECT_EQ(k->ListBox1->item(0)->text(), "32");
            k->OKButton->click();
        });
        s->OKButton->click();
    });
    f->NeuerMesswertClick();
    ASSERT_EQ(datei.ChannelCount(), 11);
    EXPECT_EQ(f->Zeile(), 11);
    WennOffen<TParameterForm>([](TParameterForm* p) {
        p->aEdit->setText("0,25");
        QTest::keyClick(p->aEdit, Qt::Key_Return);
        p->MaxEdit->setText("80");
        QTest::keyClick(p->MaxEdit, Qt::Key_Return);
        p->OKButton->click();
    });
    f->BearbeitenButtonClick();
    f->NameEdit->setFocus();
    f->NameEdit->selectAll();
    QTest::keyClicks(f->NameEdit, "Gipfel Sued");
    QTest::keyClick(f->NameEdit, Qt::Key_Return);
    const TKanalEintrag neu = datei.GetChannel(10);
    EXPECT_EQ(neu.Kanalnummer, 32);
    EXPECT_EQ(neu.Sensorcode, 0x17);
    EXPECT_EQ(neu.a, 0.25f);
    EXPECT_EQ(neu.Max, 80.0f);
    EXPECT_EQ(neu.Position, 11);

    // ---- send
    meldungen.antworten = {true};
    Verbinde();
    f->KonfigurationdirektzuLoggerbertragen1Click();
    ASSERT_EQ(meldungen.Texte().last(), QString::fromUtf8("Übertragung erfolgreich.")) << d.Lies("NUVARKom.log").constData();
    const QByteArray gesendet = d.Lies("par9999.dat");
    ASSERT_EQ(gesendet.left(3), "Q&Z");

    // ---- what nuvarsim holds now: exactly what was sent
    logger.terminate();
    ASSERT_TRUE(logger.waitForFinished(10000));
    const auto station = Abbild(d.Lies("station.txt"));
    ASSERT_FALSE(station.isEmpty()) << d.Lies("nuvarsim.log").constData();
    const TStationsParameter& p = datei.Stationsparameter();
    EXPECT_EQ(station.value("Stationsnummer").toInt(), p.Stationsnummer);
    EXPECT_EQ(QByteArray::fromHex(station.value("Stationsname")), Roh(p.Stationsname).left(16));
    EXPECT_EQ(QByteArray::fromHex(station.value("Stationsname")), "Gipfel Sued     ");
    EXPECT_EQ(station.value("Mittelwertintervall").toInt(), p.Mittelwertintervall);
    EXPECT_EQ(station.value("Messintervall").toInt(), p.Messintervall);
    EXPECT_EQ(station.value("Sleepmodus").toInt(), p.Sleepmodus);
    QMap<QByteArray, QByteArray> sollSlots;
    for (int k = 0; k < datei.ChannelCount(); ++k) {
        const TKanalEintrag e = datei.GetChannel(k);
        sollSlots.insert("Kanal" + QByteArray::number(e.Kanalnummer), SimStation::SlotAusEintrag(e).toHex());
        // par9999.dat carries the same entry
        EXPECT_EQ(gesendet.mid(142 + 30 * k, 30), Roh(e.encode())) << k;
    }
    QMap<QByteArray, QByteArray> istSlots;
    for (auto it = station.begin(); it != station.end(); ++it)
        if (it.key().startsWith("Kanal")) istSlots.insert(it.key(), it.value());
    EXPECT_EQ(istSlots, sollSlots);

    // ---- save, load again, export both and compare
    f->SpeichernDialog = [&](const QString&) { return TNuvarCfgForm::TSpeicherWahl{d.Pfad("gipfel.dat"), 1}; };
    f->SpeichernClick();
    f->SpeichernDialog = [&](const QString&) { return TNuvarCfgForm::TSpeicherWahl{d.Pfad("vorher.txt"), 2}; };
    f->SpeichernClick();
    const QByteArray vorher = datei.Abbild(false);
    f->close();
    f = std::make_unique<TNuvarCfgForm>();
    ASSERT_TRUE(f->Starte());
    f->OeffnenDialog = [&] { return d.Pfad("gipfel.dat"); };
    f->Loggerkonfigurationladen1Click();
    EXPECT_EQ(f->Modell().Datei.Abbild(false), vorher);
    f->SpeichernDialog = [&](const QString&) { return TNuvarCfgForm::TSpeicherWahl{d.Pfad("nachher.txt"), 2}; };
    f->SpeichernClick();
    EXPECT_EQ(d.Lies("nachher.txt"), d.Lies("vorher.txt"));
    EXPECT_TRUE(d.Lies("nachher.txt").contains("Stationsname:\tGipfel Sued\r\n"));
    EXPECT_TRUE(d.Lies("nachher.txt").contains("\t32\r\n"));
    f->close();
    f.reset();
    SetzeMeldungen(nullptr);
}
