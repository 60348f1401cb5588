// The remote-control server in process: what a request must look like, what
// the handler gets, when the answer comes, what happens to a request that
// arrives while another runs, and who can reach the socket.
#include "platform/Fernsteuerung.h"

#include "FernHilfe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace nuvar {
namespace {

using test::Anfrage;
using test::RohKlient;
using test::Warte;

class FernsteuerungTest : public ::testing::Test {
protected:
    void SetUp() override { test::Anwendung(); }
};

mode_t Modus(const QString& pfad) {
    struct stat st {};
    if (::lstat(QFile::encodeName(pfad).constData(), &st) != 0) return mode_t(-1);
    return st.st_mode;
}

TEST_F(FernsteuerungTest, DienstnameIstDerProgrammnameBisZumErstenPunkt) {
    const struct {
        const char* datei;
        const char* dienst;
    } faelle[] = {
        {"/opt/nuvar/NUVARKom", "NUVARKom"},
        {"/opt/nuvar/NUVARKom.exe", "NUVARKom"},
        {"NUVARKom.alt.bin", "NUVARKom"},
        {"/home/a.b/nuvar/Kom", "Kom"},  // a dot in the directory does not count
    };
    for (const auto& f : faelle)
        EXPECT_EQ(FernDienstname(QString::fromUtf8(f.datei)), QString::fromUtf8(f.dienst)) << f.datei;
}

TEST_F(FernsteuerungTest, ZeilenBisZumNulGetrenntAnCrLfUndCrLf) {
    const struct {
        QByteArray daten;
        QStringList zeilen;
    } faelle[] = {
        {"Minimieren", {"Minimieren"}},
        {"A\rB\nC\r\nD", {"A", "B", "C", "D"}},
        {"A\r\n", {"A"}},                    // a break at the end makes no empty line
        {"A\r\n\r\nB", {"A", "", "B"}},      // an empty line inside stays
        {"\r\nB", {"", "B"}},                // an empty first line: the macro does nothing
        {QByteArray("auto,x.seq\0Minimieren", 21), {"auto,x.seq"}},
        {QByteArray("\0Minimieren", 11), {}},
        {"", {}},
        {"Gr\xc3\xbc\xc3\x9f" "e", {QStringLiteral("Grüße")}},
    };
    for (const auto& f : faelle) EXPECT_EQ(FernZeilen(f.daten), f.zeilen) << f.daten.toHex().constData();
}

// One request each: the answer, and what the handler got (nothing when it
// was not called).
TEST_F(FernsteuerungTest, AnfragenUndAntworten) {
    const struct {
        const char* name;
        QByteArray anfrage;
        QByteArray antwortAnfang;
        std::optional<QStringList> zeilen;
    } faelle[] = {
        {"plain", Anfrage("NUVARKom/RemoteControl", "Minimieren"), "ACK\n", QStringList{"Minimieren"}},
        {"topic and service in any case", Anfrage("nuvarkom/REMOTECONTROL", "auto"), "ACK\n",
         QStringList{"auto"}},
        {"two lines", Anfrage("NUVARKom/RemoteControl", "Minimieren\r\nWiederherstellen"), "ACK\n",
         QStringList{"Minimieren", "Wiederherstellen"}},
        {"empty macro", Anfrage("NUVARKom/RemoteControl", ""), "ACK\n", QStringList{}},
        {"CR LF header lines", "NUVARKom/RemoteControl\r\n3\r\nabc", "ACK\n", QStringList{"abc"}},
        {"bytes after the data are ignored", "NUVARKom/RemoteControl\n3\nabcdef", "ACK\n",
         QStringList{"abc"}},
        {"unknown topic", Anfrage("NUVARKom/System", "Minimieren"), "ERR THEMA ", std::nullopt},
        {"no topic", Anfrage("NUVARKom/", "Minimieren"), "ERR THEMA ", std::nullopt},
        {"other service", Anfrage("NuvarCfg/RemoteControl", "Minimieren"), "ERR DIENST ", std::nullopt},
        {"no slash", Anfrage("NUVARKom RemoteControl", "Minimieren"), "ERR FORMAT ", std::nullopt},
        {"length no number", "NUVARKom/RemoteControl\nzehn\nMinimieren", "ERR FORMAT ", std::nullopt},
        {"negative length", "NUVARKom/RemoteControl\n-1\nMinimieren", "ERR FORMAT ", std::nullopt},
        {"length over the limit", "NUVARKom/RemoteControl\n1048577\n", "ERR FORMAT ", std::nullopt},
        {"header over the limit", QByteArray(kFernMaxKopf + 2, 'x'), "ERR FORMAT ", std::nullopt},
    };
    std::optional<QStringList> bekommen;
    TFernsteuerung server(QStringLiteral("NUVARKom"), [&](const QStringList& z) { bekommen = z; });
    QString fehler;
    ASSERT_TRUE(server.Starte(&fehler)) << fehler.toStdString();
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        bekommen.reset();
        RohKlient k(server.Pfad());
        k.Sende(f.anfrage);
        ASSERT_TRUE(k.WarteAufAntwort());
        EXPECT_TRUE(k.antwort.startsWith(f.antwortAnfang)) << k.antwort.constData();
        EXPECT_TRUE(k.antwort.endsWith('\n'));
        EXPECT_EQ(bekommen, f.zeilen);
        // The server closes the connection after its one answer.
        EXPECT_TRUE(Warte([&] { return k.getrennt; }));
    }
}

TEST_F(FernsteuerungTest, AnfrageInStueckenWirdZusammengesetzt) {
    QStringList bekommen;
    TFernsteuerung server(QStringLiteral("NUVARKom"), [&](const QStringList& z) { bekommen = z; });
    ASSERT_TRUE(server.Starte());
    RohKlient k(server.Pfad());
    const QByteArray anfrage = Anfrage("NUVARKom/RemoteControl", "auto,/x/s.seq");
    for (char c : anfrage) {
        k.Sende(QByteArray(1, c));
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(k.WarteAufAntwort());
    EXPECT_EQ(k.antwort, "ACK\n");
    EXPECT_EQ(bekommen, QStringList{"auto,/x/s.seq"});
}

// The handler pumps events while it runs (as a report does while it waits for
// the logger). A second request arriving then waits: it is neither run inside
// the first nor answered before it; the first is acknowledged only when its
// handler has returned.
TEST_F(FernsteuerungTest, ZweiteAnfrageWartetBisDieErsteBestaetigtIst) {
    QStringList ablauf;
    std::unique_ptr<RohKlient> zweiter;
    std::unique_ptr<RohKlient> erster;
    TFernsteuerung* srv = nullptr;
    TFernsteuerung server(QStringLiteral("NUVARKom"), [&](const QStringList& z) {
        ablauf << z.first() + QStringLiteral(" an");
        if (z.first() == QLatin1String("eins")) {
            zweiter = std::make_unique<RohKlient>(srv->Pfad());
            zweiter->Sende(Anfrage("NUVARKom/RemoteControl", "zwei"));
            EXPECT_TRUE(Warte([&] { return srv->Wartend() == 1; }));
            EXPECT_TRUE(srv->InBearbeitung());
            EXPECT_TRUE(erster->antwort.isEmpty());
            EXPECT_TRUE(zweiter->antwort.isEmpty());
        }
        ablauf << z.first() + QStringLiteral(" aus");
    });
    srv = &server;
    ASSERT_TRUE(server.Starte());
    erster = std::make_unique<RohKlient>(server.Pfad());
    erster->Sende(Anfrage("NUVARKom/RemoteControl", "eins"));
    ASSERT_TRUE(Warte([&] { return zweiter && zweiter->antwort.contains('\n'); }));
    EXPECT_EQ(erster->antwort, "ACK\n");
    EXPECT_EQ(zweiter->antwort, "ACK\n");
    EXPECT_EQ(ablauf, (QStringList{"eins an", "eins aus", "zwei an", "zwei aus"}));
    EXPECT_FALSE(server.InBearbeitung());
}

TEST_F(FernsteuerungTest, WaehrendDerBesitzerBeschaeftigtIstWartetDieAnfrage) {
    int aufrufe = 0;
    bool beschaeftigt = true;
    TFernsteuerung server(QStringLiteral("NUVARKom"), [&](const QStringList&) { ++aufrufe; });
    server.Beschaeftigt = [&] { return beschaeftigt; };
    ASSERT_TRUE(server.Starte());
    RohKlient k(server.Pfad());
    k.Sende(Anfrage("NUVARKom/RemoteControl", "Minimieren"));
    ASSERT_TRUE(Warte([&] { return server.Wartend() == 1; }));
    // Let the retry timer come round at least once while still busy.
    int gefragt = 0;
    server.Beschaeftigt = [&] { ++gefragt; return beschaeftigt; };
    ASSERT_TRUE(Warte([&] { return gefragt >= 1; }));
    EXPECT_EQ(aufrufe, 0);
    EXPECT_TRUE(k.antwort.isEmpty());
    beschaeftigt = false;
    ASSERT_TRUE(k.WarteAufAntwort());
    EXPECT_EQ(k.antwort, "ACK\n");
    EXPECT_EQ(aufrufe, 1);
}

TEST_F(FernsteuerungTest, FehlerImHandlerWirdBestaetigtUndDerServerLaeuftWeiter) {
    int aufrufe = 0;
    TFernsteuerung server(QStringLiteral("NUVARKom"), [&](const QStringList&) {
        if (++aufrufe == 1) throw std::runtime_error("kaputt");
    });
    ASSERT_TRUE(server.Starte());
    for (int i = 0; i < 2; ++i) {
        RohKlient k(server.Pfad());
        k.Sende(Anfrage("NUVARKom/RemoteControl", "auto"));
        ASSERT_TRUE(k.WarteAufAntwort());
        EXPECT_EQ(k.antwort, "ACK\n");
    }
    EXPECT_EQ(aufrufe, 2);
}

// The outcome follows the acknowledgement as a line of its own, and only for
// a client that asks for it after the data: a client of an earlier version,
// which reads everything up to the end, still gets "ACK" alone.
TEST_F(FernsteuerungTest, AusgangFolgtDerBestaetigungNurAufWunsch) {
    struct Fall {
        const char* name;
        bool mitErgebnis;  // the handler gives an outcome
        QByteArray danach;  // what the client sends after the data
        QByteArray antwort;
    };
    const Fall faelle[] = {
        {"old client, outcome given", true, "", "ACK\n"},
        {"asks, outcome given", true, "ERGEBNIS\n", "ACK\nERGEBNIS FEHLER Zwei Zeilen\n"},
        {"asks with CR LF", true, "ERGEBNIS\r\n", "ACK\nERGEBNIS FEHLER Zwei Zeilen\n"},
        {"asks, handler without outcome", false, "ERGEBNIS\n", "ACK\n"},
        {"other bytes after the data", true, "nochwas\n", "ACK\n"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        std::unique_ptr<TFernsteuerung> server;
        if (f.mitErgebnis)
            server = std::make_unique<TFernsteuerung>(
                QStringLiteral("NUVARKom"),
                TFernsteuerung::ErgebnisHandler([](const QStringList&) { return QByteArray("FEHLER Zwei\nZeilen"); }));
        else
            server = std::make_unique<TFernsteuerung>(QStringLiteral("NUVARKom"), [](const QStringList&) {});
        ASSERT_TRUE(server->Starte());
        RohKlient k(server->Pfad());
        k.Sende(Anfrage("NUVARKom/RemoteControl", "auto") + f.danach);
        ASSERT_TRUE(Warte([&] { return k.getrennt; }));
        EXPECT_EQ(k.antwort, f.antwort);
    }
    // An error in the handler is an outcome of its own.
    TFernsteuerung server(QStringLiteral("NUVARKom"), TFernsteuerung::ErgebnisHandler([](const QStringList&) -> QByteArray {
                              throw std::runtime_error("kaputt");
                          }));
    ASSERT_TRUE(server.Starte());
    RohKlient k(server.Pfad());
    k.Sende(Anfrage("NUVARKom/RemoteControl", "auto") + "ERGEBNIS\n");
    ASSERT_TRUE(Warte([&] { return k.getrennt; }));
    EXPECT_EQ(k.antwort, "ACK\nERGEBNIS FEHLER kaputt\n");
}

// A client that sends a complete request and closes at once (as socat does
// at the end of its input) still has its macro run.
TEST_F(FernsteuerungTest, VollstaendigeAnfrageLaeuftAuchWennDerKlientSchonWegIst) {
    QStringList bekommen;
    TFernsteuerung server(QStringLiteral("NUVARKom"), [&](const QStringList& z) { bekommen = z; });
    ASSERT_TRUE(server.Starte());
    {
        QLocalSocket s;
        s.connectToServer(server.Pfad());
        ASSERT_TRUE(s.waitForConnected(5000));
        s.write(Anfrage("NUVARKom/RemoteControl", "Minimieren"));
        s.waitForBytesWritten(5000);
        s.disconnectFromServer();
    }
    ASSERT_TRUE(Warte([&] { return !bekommen.isEmpty(); }));
    EXPECT_EQ(bekommen, QStringList{"Minimieren"});
    // And a half request followed by a close runs nothing.
    bekommen.clear();
    {
        QLocalSocket s;
        s.connectToServer(server.Pfad());
        ASSERT_TRUE(s.waitForConnected(5000));
        s.write("NUVARKom/RemoteControl\n10\nMini");
        s.waitForBytesWritten(5000);
        s.disconnectFromServer();
    }
    RohKlient k(server.Pfad());
    k.Sende(Anfrage("NUVARKom/RemoteControl", "danach"));
    ASSERT_TRUE(k.WarteAufAntwort());
    EXPECT_EQ(bekommen, QStringList{"danach"});
}

TEST_F(FernsteuerungTest, ZweiterServerMitDemselbenDienstWirdAbgewiesen) {
    TFernsteuerung erster(QStringLiteral("NUVARKom"), [](const QStringList&) {});
    ASSERT_TRUE(erster.Starte());
    // The service is one name whatever its case.
    TFernsteuerung zweiter(QStringLiteral("nuvarkom"), [](const QStringList&) {});
    QString fehler;
    EXPECT_FALSE(zweiter.Starte(&fehler));
    EXPECT_EQ(fehler, QStringLiteral("Der Dienst \"nuvarkom\" wird schon von einem laufenden Programm angeboten."));
    EXPECT_FALSE(zweiter.Laeuft());
    // The first one still serves.
    RohKlient k(erster.Pfad());
    k.Sende(Anfrage("NUVARKom/RemoteControl", "x"));
    ASSERT_TRUE(k.WarteAufAntwort());
    EXPECT_EQ(k.antwort, "ACK\n");
}

TEST_F(FernsteuerungTest, LiegengebliebenerSocketWirdErsetzt) {
    const QString pfad = FernSocketPfad(QStringLiteral("Abgestuerzt"));
    ASSERT_FALSE(pfad.isEmpty());
    // What a program that died leaves: a bound socket file nobody listens on.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(pfad);
    ASSERT_LT(size_t(p.size()), sizeof a.sun_path);
    std::memcpy(a.sun_path, p.constData(), size_t(p.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ::close(fd);
    ASSERT_TRUE(S_ISSOCK(Modus(pfad)));

    TFernsteuerung server(QStringLiteral("Abgestuerzt"), [](const QStringList&) {});
    QString fehler;
    ASSERT_TRUE(server.Starte(&fehler)) << fehler.toStdString();
    RohKlient k(server.Pfad());
    k.Sende(Anfrage("Abgestuerzt/RemoteControl", "x"));
    ASSERT_TRUE(k.WarteAufAntwort());
    EXPECT_EQ(k.antwort, "ACK\n");
}

TEST_F(FernsteuerungTest, NurDerBenutzerErreichtDenSocket) {
    TFernsteuerung server(QStringLiteral("NUVARKom"), [](const QStringList&) {});
    ASSERT_TRUE(server.Starte());
    const QString verzeichnis = QFileInfo(server.Pfad()).absolutePath();
    EXPECT_EQ(verzeichnis, QDir::cleanPath(test::Laufzeitverzeichnis().path()));
    EXPECT_EQ(Modus(verzeichnis) & 0777, 0700u);
    const mode_t socket = Modus(server.Pfad());
    EXPECT_TRUE(S_ISSOCK(socket));
    EXPECT_EQ(socket & 077, 0u) << std::oct << socket;
    // Closing the server removes its socket.
    server.Beende();
    EXPECT_FALSE(QFileInfo::exists(server.Pfad()));
}

TEST_F(FernsteuerungTest, UngueltigeDienstnamenErgebenKeinenPfad) {
    for (const char* name : {"", "a/b", "..", "a\\b"}) {
        QString fehler;
        EXPECT_TRUE(FernSocketPfad(QString::fromUtf8(name), &fehler).isEmpty()) << name;
        EXPECT_FALSE(fehler.isEmpty());
        TFernsteuerung server(QString::fromUtf8(name), [](const QStringList&) {});
        EXPECT_FALSE(server.Starte());
    }
}

// Without a private runtime directory the sockets go to <temp>/nuvar-<uid>,
// which must be ours and closed to everybody else.
class ErsatzverzeichnisTest : public FernsteuerungTest {
protected:
    void SetUp() override {
        FernsteuerungTest::SetUp();
        xdg_ = qgetenv("XDG_RUNTIME_DIR");
        tmp_ = qgetenv("TMPDIR");
        ASSERT_TRUE(basis_.isValid());
        qputenv("TMPDIR", basis_.path().toLocal8Bit());
        erwartet_ = QDir::cleanPath(basis_.path()) + QStringLiteral("/nuvar-") + QString::number(::getuid());
    }
    void TearDown() override {
        qputenv("XDG_RUNTIME_DIR", xdg_);
        if (tmp_.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", tmp_);
    }
    QTemporaryDir basis_;
    QString erwartet_;

private:
    QByteArray xdg_, tmp_;
};

TEST_F(ErsatzverzeichnisTest, OhneXdgWirdEinEigenesVerzeichnisAngelegt) {
    qunsetenv("XDG_RUNTIME_DIR");
    QString fehler;
    EXPECT_EQ(FernVerzeichnis(&fehler), erwartet_) << fehler.toStdString();
    EXPECT_EQ(Modus(erwartet_) & 07777, 0700u);
    // A server and a client find each other there.
    TFernsteuerung server(QStringLiteral("NUVARKom"), [](const QStringList&) {});
    ASSERT_TRUE(server.Starte());
    EXPECT_EQ(QFileInfo(server.Pfad()).absolutePath(), erwartet_);
}

TEST_F(ErsatzverzeichnisTest, XdgDasAndereBetretenKoennenWirdNichtGenommen) {
    QDir(basis_.path()).mkdir(QStringLiteral("offen"));
    const QString offen = basis_.filePath(QStringLiteral("offen"));
    ::chmod(QFile::encodeName(offen).constData(), 0755);
    qputenv("XDG_RUNTIME_DIR", offen.toLocal8Bit());
    EXPECT_EQ(FernVerzeichnis(), erwartet_);
}

TEST_F(ErsatzverzeichnisTest, VorhandenesEigenesVerzeichnisWirdEingeschraenkt) {
    qunsetenv("XDG_RUNTIME_DIR");
    ASSERT_EQ(::mkdir(QFile::encodeName(erwartet_).constData(), 0777), 0);
    ::chmod(QFile::encodeName(erwartet_).constData(), 0777);
    EXPECT_EQ(FernVerzeichnis(), erwartet_);
    EXPECT_EQ(Modus(erwartet_) & 07777, 0700u);
}

TEST_F(ErsatzverzeichnisTest, EinSymlinkAnDerStelleWirdAbgewiesen) {
    qunsetenv("XDG_RUNTIME_DIR");
    QDir(basis_.path()).mkdir(QStringLiteral("fremd"));
    ASSERT_EQ(::symlink(QFile::encodeName(basis_.filePath(QStringLiteral("fremd"))).constData(),
                        QFile::encodeName(erwartet_).constData()),
              0);
    QString fehler;
    EXPECT_TRUE(FernVerzeichnis(&fehler).isEmpty());
    EXPECT_TRUE(fehler.contains(QStringLiteral("kein eigenes Verzeichnis"))) << fehler.toStdString();
    TFernsteuerung server(QStringLiteral("NUVARKom"), [](const QStringList&) {});
    EXPECT_FALSE(server.Starte());
}

} // namespace
} // namespace nuvar

namespace nuvar {
namespace {

// While the program is busy the queue fills; a request beyond its limit is
// refused at once with a clear answer, and the waiting ones still run.
TEST_F(FernsteuerungTest, UeberDerGrenzeDerWarteschlangeWirdAbgewiesen) {
    int aufrufe = 0;
    bool beschaeftigt = true;
    TFernsteuerung server(QStringLiteral("NUVARKom"), [&](const QStringList&) { ++aufrufe; });
    server.Beschaeftigt = [&] { return beschaeftigt; };
    ASSERT_TRUE(server.Starte());
    std::vector<std::unique_ptr<RohKlient>> wartende;
    for (int i = 0; i < kFernMaxWartend; ++i) {
        wartende.push_back(std::make_unique<RohKlient>(server.Pfad()));
        wartende.back()->Sende(Anfrage("NUVARKom/RemoteControl", "Minimieren"));
        ASSERT_TRUE(Warte([&] { return server.Wartend() == i + 1; }));
    }
    RohKlient zuviel(server.Pfad());
    zuviel.Sende(Anfrage("NUVARKom/RemoteControl", "Minimieren"));
    ASSERT_TRUE(zuviel.WarteAufAntwort());
    EXPECT_EQ(zuviel.antwort, QByteArray("ERR VOLL Es warten schon 32 Makros; das Makro wird nicht ausgeführt. "
                                         "Bitte später erneut senden.\n"));
    EXPECT_EQ(server.Wartend(), kFernMaxWartend);
    beschaeftigt = false;
    for (auto& k : wartende) {
        ASSERT_TRUE(k->WarteAufAntwort());
        EXPECT_TRUE(k->antwort.startsWith("ACK\n"));
    }
    EXPECT_EQ(aufrufe, kFernMaxWartend);
}

}  // namespace
}  // namespace nuvar
