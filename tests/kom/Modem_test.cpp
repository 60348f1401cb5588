// The modem link: the simulated logger behind its Hayes modem, reached
// through the platform's AT modem driver on the virtual clock.
#include "Pruefstand.h"
#include "tests/OhneRechte.h"

#include "common/Ini.h"
#include "kom/protocol/AtTelefonie.h"
#include "kom/protocol/Treiber.h"
#include "kom/reports/Berichte.h"
#include "sim/SimLogger.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>

using namespace nuvar;
using namespace nuvar::test;

namespace {

// Keeps the status lines beyond the life of its window.
struct MitschreibAnsicht : TAufzeichnendeAnsicht {
    QStringList* ziel = nullptr;
    void StatusZeile(const QString& t) override {
        TAufzeichnendeAnsicht::StatusZeile(t);
        ziel->append(t);
    }
};

struct ModemStand {
    VirtualPump pump{0};
    std::unique_ptr<SimLogger> logger;
    TSkriptMeldungen meldungen;
    QTemporaryDir dir;
    TAufzeichnendeAnsicht* ansicht = nullptr;
    QStringList alleZeilen;
    QDateTime basis{QDate(2026, 3, 1), QTime(8, 0, 0)};

    explicit ModemStand(bool modemEingetragen = true) {
        SimOptions o;
        o.uhrStart = basis;
        o.aufzeichnen = false;
        o.modem.aktiv = true;
        o.modem.klingelnMs = 3000;
        logger = std::make_unique<SimLogger>(pump, o);
        TIniFile ini(dir.filePath("NUVARWin.ini"));
        ini.WriteString("Modems", "Testmodem", "/dev/ttyTEST");
        if (modemEingetragen) ini.WriteString("NUVARKom", "TAPIModem", "Testmodem");
        TFensterUmgebung& u = Umgebung();
        u = TFensterUmgebung{};
        u.pump = &pump;
        u.leitung = [](const QString&) { return std::unique_ptr<ByteSource>(); };
        u.telefonie = [this](EventPump& p, const QString& verzeichnis) -> std::unique_ptr<TTelefonie> {
            return std::make_unique<TAtTelefonie>(p, QDir(verzeichnis).filePath("NUVARWin.ini"),
                                                  [this](const QString&) {
                                                      return std::make_unique<PeerLine>(pump, *logger);
                                                  });
        };
        u.ansicht = [this] {
            auto a = std::make_unique<MitschreibAnsicht>();
            a->ziel = &alleZeilen;
            ansicht = a.get();
            return a;
        };
        u.meldungen = &meldungen;
        u.verzeichnis = dir.path();
        u.uhr = [this] { return basis.addMSecs(pump.now()); };
    }
    ~ModemStand() {
        TransferWindow().reset();
        Umgebung() = TFensterUmgebung{};
    }
    TVerbParam Programm(const QString& nummer) const {
        TVerbParam p;
        p.Verbindung = 2;
        p.Rufnummer = nummer;
        p.StatName = "Demostation";
        return p;
    }
};

} // namespace

TEST(ModemLink, WaehlenZeitLesenAuflegen) {
    ModemStand s;
    QDateTime uhr;
    double diff = 0;
    QStringList zeilen;
    ASSERT_TRUE(OpenLink(s.Programm("0301234")));
    ASSERT_TRUE(TransferWindow());
    zeilen = s.ansicht->zeilen;
    EXPECT_TRUE(zeilen.contains("Wähle 0301234...")) << zeilen.join('|').toStdString();
    EXPECT_TRUE(zeilen.contains("Verbindung hergestellt."));
    bool rate = false;
    for (const QString& z : zeilen) rate |= z.startsWith("Verbunden mit ") && z.endsWith(" Baud.");
    EXPECT_TRUE(rate);
    EXPECT_EQ(s.ansicht->verbindung, "Testmodem");
    EXPECT_EQ(s.ansicht->rufnummer, "0301234");
    EXPECT_TRUE(s.ansicht->rufnummerAktiv);
    EXPECT_TRUE(s.logger->ModemVerbunden());

    // The kept call: no second dial, no second wake-up.
    EXPECT_TRUE(ReadLoggerTime(s.Programm("0301234"), uhr, diff));
    EXPECT_EQ(uhr.date(), s.basis.date());
    std::vector<QByteArray> befehle = s.logger->EmpfangeneRahmen();
    EXPECT_EQ(befehle, (std::vector<QByteArray>{"STOPMO", "GETTIM"}));

    TransferWindow()->Disconnect();
    s.pump.advance(10000);
    EXPECT_FALSE(s.logger->ModemVerbunden());
}

TEST(ModemLink, BesetztUndKeinFreizeichen) {
    struct {
        const char* nummer;
        const char* zeile;
    } faelle[] = {{"111", "Anschluß besetzt."}, {"333", "Kein Freizeichen."}, {"222", "Gerufenes Modem antwortet nicht."}};
    for (const auto& f : faelle) {
        ModemStand s;
        EXPECT_FALSE(OpenLink(s.Programm(f.nummer))) << f.nummer;
        EXPECT_FALSE(TransferWindow());
        EXPECT_TRUE(s.logger->EmpfangeneRahmen().empty());
        EXPECT_TRUE(s.alleZeilen.contains(f.zeile)) << s.alleZeilen.join('|').toStdString();
        EXPECT_FALSE(s.alleZeilen.contains("Sende Aufweckbefehl..."));
    }
}

TEST(ModemLink, OhneAuswahlFragtDerEinstellungsdialog) {
    ModemStand s(false);
    QStringList angeboten;
    Umgebung().einstellungsDialog = [&](TEinstellungen& e, bool lang, TTelefonie* t) {
        EXPECT_TRUE(lang);
        angeboten = t->Geraetenamen();
        e.TAPIModem = "Testmodem";
        return true;
    };
    ASSERT_TRUE(OpenLink(s.Programm("0301234")));
    EXPECT_EQ(angeboten, QStringList{"Testmodem"});
    ASSERT_EQ(s.meldungen.gezeigt.size(), 1u);
    EXPECT_EQ(s.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Information);
    TIniFile ini(s.dir.filePath("NUVARWin.ini"));
    EXPECT_EQ(ini.ReadString("NUVARKom", "TAPIModem", ""), "Testmodem");
    // The modem's block was stored and is handed back at the next dial.
    QFile mdm(s.dir.filePath("NUVARKom.mdm"));
    ASSERT_TRUE(mdm.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mdm.readAll().contains("Initialisierung="));
}

// The settings the dialog asks for under Connect cannot be stored: the
// operation fails with the file's name and the system's reason, and the
// window is gone as after any failed connect, whichever driver asked.
TEST(ModemLink, EinstellungenOhneSchreibrechtBeendenDenVorgangMitMeldung) {
    NUVAR_OHNE_RECHTE();
    struct Fall {
        const char* datei;  // made unwritable
        const char* treiber;
        std::function<bool(const TVerbParam&)> aufruf;
    };
    const std::vector<Fall> faelle = {
        {"NUVARWin.ini", "OpenLink", [](const TVerbParam& p) { return OpenLink(p); }},
        {"NUVARWin.ini", "ReadLoggerTime",
         [](const TVerbParam& p) {
             QDateTime uhr;
             double d = 0;
             return ReadLoggerTime(p, uhr, d);
         }},
        {"NUVARKom.mdm", "ReadMeasuredData",
         [](const TVerbParam& p) { return ReadMeasuredData(QStringLiteral("/nirgends/daten.dat"), p); }},
        {"NUVARKom.mdm", "StartInstantaneousMode",
         [](const TVerbParam& p) {
             TStationsParameter st;
             TKanalTabelle k{};
             return StartInstantaneousMode(st, k, p);
         }},
        // The report retrieval drives the window the same way.
        {"NUVARWin.ini", "HoleAktuelleWerte",
         [](const TVerbParam& p) {
             QString antwort;
             TStationsParameter st;
             TKanalTabelle k{};
             QByteArray typ;
             return HoleAktuelleWerte(antwort, st, k, p, typ);
         }},
        // The settings dialog itself (menu, sequence "Konfiguration").
        {"NUVARKom.mdm", "ConfigureProgram",
         [](const TVerbParam&) {
             ConfigureProgram(true);
             return false;
         }},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(std::string(f.datei) + " / " + f.treiber);
        ModemStand s(false);
        Umgebung().einstellungsDialog = [](TEinstellungen& e, bool, TTelefonie*) {
            e.TAPIModem = "Testmodem";
            return true;
        };
        const QString pfad = s.dir.filePath(f.datei);
        {
            QFile d(pfad);
            ASSERT_TRUE(d.open(QIODevice::Append));
        }
        ASSERT_TRUE(QFile::setPermissions(pfad, QFileDevice::ReadOwner));
        bool ok = true;
        EXPECT_NO_THROW(ok = f.aufruf(s.Programm("0301234")));
        EXPECT_FALSE(ok);
        EXPECT_FALSE(TransferWindow());
        EXPECT_FALSE(s.logger->ModemVerbunden());
        const QString erwartet = QStringLiteral("Datei %1 kann nicht geschrieben werden: %2")
                                     .arg(pfad, QString::fromLocal8Bit(std::strerror(EACCES)));
        ASSERT_FALSE(s.meldungen.gezeigt.empty());
        EXPECT_EQ(s.meldungen.gezeigt.back().art, TSkriptMeldungen::Art::Fehler);
        EXPECT_EQ(s.meldungen.gezeigt.back().text, erwartet) << s.meldungen.Texte().join('|').toStdString();
        if (std::string(f.treiber) != "ConfigureProgram") {
            EXPECT_TRUE(s.alleZeilen.contains(erwartet)) << s.alleZeilen.join('|').toStdString();
        }
        QFile::setPermissions(pfad, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

// A window that was there before (a kept link being set up again) stays,
// hidden, and holds the failure as a file error for the cause line.
TEST(ModemLink, EinstellungenOhneSchreibrechtImVorhandenenFenster) {
    NUVAR_OHNE_RECHTE();
    ModemStand s(false);
    Umgebung().einstellungsDialog = [](TEinstellungen& e, bool, TTelefonie*) {
        e.TAPIModem = "Testmodem";
        return true;
    };
    const QString ini = s.dir.filePath("NUVARWin.ini");
    ASSERT_TRUE(QFile::setPermissions(ini, QFileDevice::ReadOwner));
    TransferWindow() = std::make_unique<TNUVARFenster>(Umgebung());
    QDateTime uhr;
    double d = 0;
    bool ok = true;
    EXPECT_NO_THROW(ok = ReadLoggerTime(s.Programm("0301234"), uhr, d));
    EXPECT_FALSE(ok);
    ASSERT_TRUE(TransferWindow());
    EXPECT_FALSE(s.ansicht->sichtbar);
    EXPECT_EQ(TransferWindow()->Ausgang.Art, TFehlerart::Datei);
    EXPECT_TRUE(TransferWindow()->Ausgang.Grund.startsWith("Datei " + ini + " kann nicht geschrieben werden"))
        << TransferWindow()->Ausgang.Grund.toStdString();
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
