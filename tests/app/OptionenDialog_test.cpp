// The settings dialog offscreen: the enabling rules, the modem list, what OK
// hands back and what ConfigureProgram then writes, the modem properties.
#include "kom/app/OptionenDialog.h"

#include "common/Ini.h"
#include "kom/protocol/Treiber.h"
#include "platform/AtModem.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace nuvar;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "NUVARKom";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// A telephony device with a list of names and a block, nothing more.
class ListenTelefonie : public TTelefonie {
public:
    explicit ListenTelefonie(QStringList namen) : namen_(std::move(namen)) {}
    QStringList Geraetenamen() const override { return namen_; }
    void WaehleGeraet(const QString& n) override { gewaehlt = namen_.contains(n) ? n : QString(); }
    QString Geraetename() const override { return gewaehlt; }
    QByteArray Konfiguration() const override { return block; }
    void SetzeKonfiguration(const QByteArray& b) override { block = b; }
    void Waehlen(const QString&) override {}
    QString GewaehlteNummer() const override { return {}; }
    bool Verbunden() const override { return false; }
    int Verbindungsrate() const override { return 0; }
    void Abbrechen() override {}
    ByteSource* Leitung() override { return nullptr; }
    QString gewaehlt;
    QByteArray block = "Initialisierung=ATZ\r\n";

private:
    QStringList namen_;
};

// Runs ConfigureProgram with the real dialog hook; bedienen works the dialog
// once it is up and must close it. A dialog still open after 10 s is
// cancelled so that a broken test cannot hang.
void Konfiguriere(bool lang, const std::function<void(TOptionenDialog&)>& bedienen) {
    bool bedient = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TOptionenDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        bedient = true;
        bedienen(*d);
    });
    QTimer notbremse;
    notbremse.setSingleShot(true);
    QObject::connect(&notbremse, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    notbremse.start(10000);
    ConfigureProgram(lang);
    EXPECT_TRUE(bedient);
}

struct Umgebungstest {
    QTemporaryDir dir;
    Umgebungstest() {
        App();
        Umgebung() = StandardUmgebung();
        Umgebung().verzeichnis = dir.path();
        Umgebung().einstellungsDialog = EinstellungsDialog();
    }
    ~Umgebungstest() { Umgebung() = TFensterUmgebung{}; }
    QString Ini() const { return dir.filePath("NUVARWin.ini"); }
    QString Mdm() const { return dir.filePath("NUVARKom.mdm"); }
};

} // namespace

TEST(OptionenDialog, LayoutAndBothForms) {
    App();
    TEinstellungen w;
    w.RohdatenPfad = QStringLiteral("/daten/Daten");
    TOptionenDialog kurz(w, false, nullptr, QString());
    EXPECT_EQ(kurz.windowTitle(), QStringLiteral("Programmeinstellungen"));
    EXPECT_EQ(kurz.size(), QSize(310, 330));
    ASSERT_EQ(kurz.Seiten->count(), 3);
    EXPECT_EQ(kurz.Seiten->tabText(0), QStringLiteral("Allgemein"));
    EXPECT_EQ(kurz.Seiten->tabText(1), QStringLiteral("Modem"));
    EXPECT_EQ(kurz.Seiten->tabText(2), QStringLiteral("Momentanwertmodus"));
    EXPECT_EQ(kurz.Seiten->currentIndex(), 0);
    EXPECT_TRUE(kurz.OkButton->isDefault());
    EXPECT_EQ(kurz.LaengeEdit->singleStep(), 100);
    EXPECT_EQ(kurz.ZeitraumEdit->minimum(), 1);
    EXPECT_EQ(kurz.ZeitraumEdit->maximum(), 60);
    kurz.show();
    EXPECT_FALSE(kurz.RohdatenLabel->isVisible());
    EXPECT_FALSE(kurz.RohdatenEdit->isVisible());
    TOptionenDialog lang(w, true, nullptr, QString());
    lang.show();
    EXPECT_TRUE(lang.RohdatenLabel->isVisible());
    EXPECT_EQ(lang.RohdatenEdit->text(), QStringLiteral("/daten/Daten"));
}

TEST(OptionenDialog, EnablingRulesAtStartAndOnClick) {
    App();
    for (bool log : {false, true}) {
        for (bool mom : {false, true}) {
            TEinstellungen w;
            w.SchreibeLogDatei = log;
            w.MomentanwerteAufzeichnen = mom;
            TOptionenDialog d(w, true, nullptr, QString());
            for (int klick = 0; klick < 2; ++klick) {
                const bool l = klick ? !log : log, m = klick ? !mom : mom;
                for (QWidget* x : {(QWidget*)d.AnhaengenCheck, (QWidget*)d.LaengeLabel, (QWidget*)d.LaengeEdit,
                                   (QWidget*)d.ZeilenLabel})
                    EXPECT_EQ(x->isEnabled(), l) << log << mom << klick;
                for (QWidget* x : {(QWidget*)d.VerzeichnisLabel, (QWidget*)d.VerzeichnisEdit,
                                   (QWidget*)d.ZeitraumLabel, (QWidget*)d.ZeitraumEdit, (QWidget*)d.MinLabel})
                    EXPECT_EQ(x->isEnabled(), m) << log << mom << klick;
                // Neither rule touches the other page or the box itself.
                EXPECT_TRUE(d.ProtokollCheck->isEnabled());
                EXPECT_TRUE(d.RohdatenEdit->isEnabled());
                d.ProtokollCheck->click();
                d.MomentanCheck->click();
            }
        }
    }
}

TEST(OptionenDialog, ModemList) {
    App();
    struct Fall {
        const char* name;
        QStringList geraete;
        const char* aktuell;
        const char* gezeigt;
        bool aktiv;
    };
    const Fall faelle[] = {
        {"none installed", {}, "Altmodem", "<Kein Modem im System installiert>", false},
        {"first when the current one is unknown", {"A", "B"}, "Altmodem", "A", true},
        {"first when none is set", {"A", "B"}, "", "A", true},
        {"the current one when listed", {"A", "B"}, "B", "B", true},
    };
    for (const Fall& f : faelle) {
        ListenTelefonie t(f.geraete);
        TEinstellungen w;
        w.TAPIModem = QString::fromUtf8(f.aktuell);
        TOptionenDialog d(w, false, &t, QString());
        EXPECT_EQ(d.ModemCombo->currentText(), QString::fromUtf8(f.gezeigt)) << f.name;
        EXPECT_EQ(d.ModemCombo->isEnabled(), f.aktiv) << f.name;
        EXPECT_EQ(d.EigenschaftenButton->isEnabled(), f.aktiv) << f.name;
        EXPECT_EQ(d.Ergebnis().TAPIModem, f.aktiv ? QString::fromUtf8(f.gezeigt) : QString()) << f.name;
    }
}

TEST(OptionenDialog, ShortFormOnAnEmptyIniWritesAllEightKeys) {
    Umgebungstest u;
    Konfiguriere(false, [](TOptionenDialog& d) {
        EXPECT_FALSE(d.ModemCombo->isEnabled());  // no [Modems]: nothing installed
        d.OkButton->click();
    });
    TIniFile ini(u.Ini());
    EXPECT_EQ(ini.ReadSection("NUVARKom"),
              (QStringList{"TAPIModem", "SchreibeLogDatei", "AnPDAnhaengen", "ProtokollLaenge",
                           "MomentanwerteAufzeichnen", "Momentanwertverzeichnis", "MomentanwertZeitraum"}));
    EXPECT_EQ(ini.ReadString("NUVARKom", "TAPIModem", "x"), QString());
    EXPECT_EQ(ini.ReadString("NUVARKom", "ProtokollLaenge", ""), QStringLiteral("1000"));
    EXPECT_EQ(ini.ReadString("NUVARKom", "MomentanwertZeitraum", ""), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString("NUVARWin", "RohdatenPfad", ""), u.dir.path() + "/Daten");
    EXPECT_FALSE(QFile::exists(u.Mdm()));
}

TEST(OptionenDialog, OkWritesTheControlsCancelWritesNothing) {
    Umgebungstest u;
    {
        TIniFile ini(u.Ini());
        ini.WriteString("NUVARWin", "RohdatenPfad", "/alt");
    }
    // The short form keeps the raw data path read, whatever the field says.
    Konfiguriere(false, [](TOptionenDialog& d) {
        d.ProtokollCheck->click();
        d.AnhaengenCheck->click();
        d.LaengeEdit->setValue(300);
        d.RohdatenEdit->setText("/neu");
        d.MomentanCheck->click();
        d.VerzeichnisEdit->setText("/mom");
        d.ZeitraumEdit->setValue(15);
        d.OkButton->click();
    });
    TIniFile ini(u.Ini());
    EXPECT_TRUE(ini.ReadBool("NUVARKom", "SchreibeLogDatei", false));
    EXPECT_TRUE(ini.ReadBool("NUVARKom", "AnPDAnhaengen", false));
    EXPECT_EQ(ini.ReadInteger("NUVARKom", "ProtokollLaenge", 0), 300);
    EXPECT_EQ(ini.ReadString("NUVARWin", "RohdatenPfad", ""), QStringLiteral("/alt"));
    EXPECT_TRUE(ini.ReadBool("NUVARKom", "MomentanwerteAufzeichnen", false));
    EXPECT_EQ(ini.ReadString("NUVARKom", "Momentanwertverzeichnis", ""), QStringLiteral("/mom"));
    EXPECT_EQ(ini.ReadInteger("NUVARKom", "MomentanwertZeitraum", 0), 15);

    Konfiguriere(true, [](TOptionenDialog& d) {
        EXPECT_EQ(d.LaengeEdit->value(), 300);  // read back from the file
        d.RohdatenEdit->setText("/lang");
        d.OkButton->click();
    });
    EXPECT_EQ(ini.ReadString("NUVARWin", "RohdatenPfad", ""), QStringLiteral("/lang"));

    const QByteArray vorher = [&] {
        QFile f(u.Ini());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    Konfiguriere(true, [](TOptionenDialog& d) {
        d.ProtokollCheck->click();
        d.RohdatenEdit->setText("/verworfen");
        d.AbbrechenButton->click();
    });
    QFile f(u.Ini());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), vorher);
}

TEST(OptionenDialog, ModemPropertiesReachTheMdmFile) {
    Umgebungstest u;
    {
        TIniFile ini(u.Ini());
        ini.WriteString("Modems", "Hausmodem", "/dev/null");
        ini.WriteString("Modems", "Zweitmodem", "/dev/null");
    }
    Konfiguriere(false, [](TOptionenDialog& d) {
        EXPECT_EQ(d.ModemCombo->count(), 2);
        d.ModemCombo->setCurrentIndex(d.ModemCombo->findText("Zweitmodem"));
        d.BlockBearbeiten = [](QByteArray& block, QWidget*) {
            TModemEigenschaftenDialog e(block);
            EXPECT_EQ(e.InitEdit->text(), QStringLiteral("AT&FE0V1X4&C1&D2"));  // the driver's defaults
            e.InitEdit->setText("ATZ&F");
            e.WahlCombo->setCurrentIndex(1);
            e.TempoCombo->setCurrentText("2400");
            block = e.Block();
            return true;
        };
        d.EigenschaftenButton->click();
        d.OkButton->click();
    });
    TIniFile ini(u.Ini());
    EXPECT_EQ(ini.ReadString("NUVARKom", "TAPIModem", ""), QStringLiteral("Zweitmodem"));
    QFile mdm(u.Mdm());
    ASSERT_TRUE(mdm.open(QIODevice::ReadOnly));
    const QByteArray block = mdm.readAll();
    mdm.close();
    EXPECT_EQ(block, "Initialisierung=ATZ&F\r\nWahlverfahren=Puls\r\nGeschwindigkeit=2400\r\n");

    // Confirming again without touching the properties keeps the stored block.
    Konfiguriere(false, [](TOptionenDialog& d) {
        EXPECT_EQ(d.ModemCombo->currentText(), QStringLiteral("Zweitmodem"));
        d.ProtokollCheck->click();
        d.OkButton->click();
    });
    ASSERT_TRUE(mdm.open(QIODevice::ReadOnly));
    EXPECT_EQ(mdm.readAll(), block);
}

TEST(OptionenDialog, PropertiesDialogRoundTrip) {
    App();
    const QByteArray ein = "Initialisierung=AT&F\r\nWahlverfahren=Puls\r\nGeschwindigkeit=19200\r\n";
    TModemEigenschaftenDialog d(ein);
    EXPECT_EQ(d.InitEdit->text(), QStringLiteral("AT&F"));
    EXPECT_EQ(d.WahlCombo->currentIndex(), 1);
    EXPECT_EQ(d.TempoCombo->currentText(), QStringLiteral("19200"));
    EXPECT_EQ(d.Block(), ein);
    d.TempoCombo->setCurrentText("kaputt");
    EXPECT_TRUE(d.Block().contains("Geschwindigkeit=9600"));  // no rate: the driver's default
}
