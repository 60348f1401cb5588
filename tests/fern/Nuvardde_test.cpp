// The real nuvardde against a server in this test process: what it sends,
// its exit codes and its messages.
#include "platform/Fernsteuerung.h"

#include "FernHilfe.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace nuvar {
namespace {

using test::Warte;

struct Lauf {
    int code = -1;
    QString fehler;
    QString ausgabe;
};

class NuvarddeTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::Anwendung();
        programm_ = QStringLiteral(NUVAR_BIN "/nuvardde");
        if (!QFileInfo::exists(programm_)) GTEST_SKIP() << "nuvardde not built";
        server_ = std::make_unique<TFernsteuerung>(QStringLiteral("NUVARKom"),
                                                   TFernsteuerung::ErgebnisHandler([this](const QStringList& z) {
                                                       bekommen_ << z;
                                                       if (imHandler_) imHandler_();
                                                       return ergebnis_;
                                                   }));
        QString f;
        ASSERT_TRUE(server_->Starte(&f)) << f.toStdString();
    }
    // Runs the program while the event loop serves its request.
    Lauf Starte(const QStringList& args) {
        prozess_ = std::make_unique<QProcess>();
        prozess_->start(programm_, args);
        EXPECT_TRUE(prozess_->waitForStarted(10000));
        EXPECT_TRUE(Warte([this] { return prozess_->state() == QProcess::NotRunning; }));
        Lauf l;
        l.code = prozess_->exitStatus() == QProcess::NormalExit ? prozess_->exitCode() : -2;
        l.fehler = QString::fromLocal8Bit(prozess_->readAllStandardError());
        l.ausgabe = QString::fromLocal8Bit(prozess_->readAllStandardOutput());
        return l;
    }
    QString programm_;
    std::unique_ptr<TFernsteuerung> server_;
    std::unique_ptr<QProcess> prozess_;
    QList<QStringList> bekommen_;
    std::function<void()> imHandler_;
    QByteArray ergebnis_;  // the outcome the server sends after ACK
};

// --streng turns the outcome after the acknowledgement into an exit code;
// without it, and from a program that sends no outcome, an acknowledged
// macro is 0 as before.
TEST_F(NuvarddeTest, StrengMeldetDenAusgangDesMakros) {
    const struct {
        const char* ergebnis;
        bool streng;
        int code;
        const char* meldung;
    } faelle[] = {
        {"OK", true, 0, ""},
        {"", true, 0, ""},
        {"UNBEKANNT Unbekanntes Makro \"x\".", true, 6, "nuvardde: Unbekanntes Makro \"x\"."},
        {"DATEI Die Sequenzdatei /x.seq ist nicht vorhanden.", true, 7, "/x.seq ist nicht vorhanden."},
        {"FEHLER Der Logger antwortet nicht auf den Aufweckbefehl.", true, 8, "Aufweckbefehl"},
        {"FEHLER Der Logger antwortet nicht auf den Aufweckbefehl.", false, 0, ""},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.ergebnis);
        ergebnis_ = f.ergebnis;
        QStringList args;
        if (f.streng) args << QStringLiteral("--streng");
        args << QStringLiteral("auto,/x.seq");
        const Lauf l = Starte(args);
        EXPECT_EQ(l.code, f.code) << l.fehler.toStdString();
        EXPECT_TRUE(l.fehler.contains(QString::fromUtf8(f.meldung))) << l.fehler.toStdString();
        if (!*f.meldung) {
            EXPECT_TRUE(l.fehler.isEmpty()) << l.fehler.toStdString();
        }
    }
}

TEST_F(NuvarddeTest, ExitCodesUndWasAnkommt) {
    const struct {
        const char* name;
        QStringList args;
        int code;
        QList<QStringList> bekommen;
        const char* meldung;  // part of stderr
    } faelle[] = {
        {"one line", {"Minimieren"}, 0, {{"Minimieren"}}, ""},
        {"lines joined by CR LF", {"Minimieren", "Wiederherstellen"}, 0, {{"Minimieren", "Wiederherstellen"}}, ""},
        {"topic in other case", {"--topic", "remotecontrol", "auto,/x/s.seq"}, 0, {{"auto,/x/s.seq"}}, ""},
        {"service in other case, = form", {"--service=nuvarkom", "x"}, 0, {{"x"}}, ""},
        {"line after -- may start with --", {"--", "--seltsam"}, 0, {{"--seltsam"}}, ""},
        {"unknown service", {"--service", "Gibtsnicht", "Minimieren"}, 2, {},
         "Kein laufendes Programm bietet den Dienst \"Gibtsnicht\" an."},
        {"unknown topic", {"--topic", "System", "Minimieren"}, 3, {}, "Das Thema \"System\" ist unbekannt."},
        {"no macro line", {}, 1, {}, "Es fehlt die Makrozeile."},
        {"unknown option", {"--schnell", "x"}, 1, {}, "Unbekannte Option --schnell."},
        {"option without value", {"x", "--topic"}, 1, {}, "Nach --topic fehlt der Wert."},
        {"timeout no number", {"--timeout", "bald", "x"}, 1, {}, "\"bald\" ist keine gültige Zeit in Sekunden."},
        {"timeout zero", {"--timeout", "0", "x"}, 1, {}, "keine gültige Zeit"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        bekommen_.clear();
        const Lauf l = Starte(f.args);
        EXPECT_EQ(l.code, f.code) << l.fehler.toStdString();
        EXPECT_EQ(bekommen_, f.bekommen);
        EXPECT_TRUE(l.fehler.contains(QString::fromUtf8(f.meldung))) << l.fehler.toStdString();
        if (f.code == 0) {
            EXPECT_TRUE(l.fehler.isEmpty()) << l.fehler.toStdString();
        }
    }
}

TEST_F(NuvarddeTest, HilfeNenntAufrufUndExitCodes) {
    const Lauf l = Starte({"--help"});
    EXPECT_EQ(l.code, 0);
    EXPECT_TRUE(l.ausgabe.startsWith(QStringLiteral("Aufruf: nuvardde [--streng] [--service NAME]")));
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("Rückgabewerte: 0 bestätigt")));
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("8 Bericht fehlgeschlagen")));
    EXPECT_TRUE(bekommen_.isEmpty());
}

// The client waits as long as the macro runs; with --timeout it gives up
// and says so, while the macro itself goes on to its end.
TEST_F(NuvarddeTest, OhneZeitgrenzeWartetErBisZumEnde) {
    bool fertig = false;
    imHandler_ = [&] {
        // The client is waiting now; it must still be when the handler ends.
        EXPECT_EQ(prozess_->state(), QProcess::Running);
        fertig = true;
    };
    const Lauf l = Starte({"auto,/x/s.seq"});
    EXPECT_EQ(l.code, 0);
    EXPECT_TRUE(fertig);
}

TEST_F(NuvarddeTest, ZeitgrenzeAbgelaufen) {
    bool handlerZuEnde = false;
    imHandler_ = [&] {
        // A macro that outlasts the client's limit.
        EXPECT_TRUE(Warte([&] { return prozess_->state() == QProcess::NotRunning; }));
        handlerZuEnde = true;
    };
    const Lauf l = Starte({"--timeout", "0,3", "auto,/x/s.seq"});
    EXPECT_EQ(l.code, 4);
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("Keine Bestätigung vom Dienst \"NUVARKom\" innerhalb von 0,3 Sekunden")))
        << l.fehler.toStdString();
    EXPECT_TRUE(Warte([&] { return handlerZuEnde; }));
}

// Several programs at once: every macro runs, one after the other, never one
// inside another, and each client gets its acknowledgement.
TEST_F(NuvarddeTest, MehrereKlientenGleichzeitig) {
    int tiefe = 0;
    int hoechste = 0;
    imHandler_ = [&] {
        ++tiefe;
        hoechste = std::max(hoechste, tiefe);
        // The first macro runs until all the others wait behind it.
        if (bekommen_.size() == 1) {
            EXPECT_TRUE(Warte([&] { return server_->Wartend() == 3; }));
        }
        --tiefe;
    };
    std::vector<std::unique_ptr<QProcess>> klienten;
    for (int i = 0; i < 4; ++i) {
        klienten.push_back(std::make_unique<QProcess>());
        klienten.back()->start(programm_, {QStringLiteral("Makro %1").arg(i)});
        ASSERT_TRUE(klienten.back()->waitForStarted(10000));
    }
    for (auto& k : klienten) {
        ASSERT_TRUE(Warte([&] { return k->state() == QProcess::NotRunning; }));
        EXPECT_EQ(k->exitCode(), 0) << k->readAllStandardError().constData();
    }
    EXPECT_EQ(hoechste, 1);
    QStringList alle;
    for (const QStringList& z : bekommen_) alle << z;
    alle.sort();
    EXPECT_EQ(alle, (QStringList{"Makro 0", "Makro 1", "Makro 2", "Makro 3"}));
}

TEST_F(NuvarddeTest, ServerEndetOhneBestaetigung) {
    server_->Beschaeftigt = [] { return true; };
    prozess_ = std::make_unique<QProcess>();
    prozess_->start(programm_, {"Minimieren"});
    ASSERT_TRUE(prozess_->waitForStarted(10000));
    ASSERT_TRUE(Warte([&] { return server_->Wartend() == 1; }));
    server_->Beende();
    ASSERT_TRUE(Warte([&] { return prozess_->state() == QProcess::NotRunning; }));
    EXPECT_EQ(prozess_->exitCode(), 5);
    EXPECT_TRUE(QString::fromLocal8Bit(prozess_->readAllStandardError())
                    .contains(QStringLiteral("endete ohne Bestätigung")));
    EXPECT_TRUE(bekommen_.isEmpty());
}

} // namespace
} // namespace nuvar
