// The protocol file: time stamp, line limit, failures, and which status lines
// of a transfer window reach it.
#include "Pruefstand.h"

#include "common/Fehler.h"
#include "common/Ini.h"
#include "kom/protocol/LogFile.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace nuvar;
using namespace nuvar::test;

namespace {

QStringList LiesZeilen(const QString& pfad) {
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString s = QString::fromUtf8(f.readAll());
    QStringList l = s.split(QStringLiteral("\r\n"));
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    return l;
}

void SchreibeZeilen(const QString& pfad, int n) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (int i = 1; i <= n; ++i) f.write("Zeile " + QByteArray::number(i) + "\r\n");
}

const QDateTime kZeit(QDate(2004, 3, 5), QTime(14, 7, 9, 42));

} // namespace

TEST(LogFile, ZeitstempelUndZeilenende) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath("NUVARKom.log");
    TLogFile log(pfad, false, 1000, [] { return kZeit; });
    log.Schreibe("Verbindung hergestellt.");
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("05.03.2004 14:07:09.042 - Verbindung hergestellt.\r\n"));
}

TEST(LogFile, Zeilenlimit) {
    struct {
        const char* name;
        int limit;
        int vorher;
        int schreiben;              // lines written by the test
        QStringList erwartetAnfang;  // the leading lines afterwards
        int erwartetAnzahl;
    } faelle[] = {
        {"drei von drei", 3, 3, 1, {"Zeile 2", "Zeile 3"}, 3},
        // A file longer than the limit (the limit was lowered) is cut to it.
        {"zehn bei drei", 3, 10, 1, {"Zeile 9", "Zeile 10"}, 3},
        {"ohne Limit", 0, 5, 1, {"Zeile 1", "Zeile 2"}, 6},
        {"unter dem Limit", 10, 2, 1, {"Zeile 1", "Zeile 2"}, 3},
        // Full at 20: a tenth more goes, then two lines fit without a rewrite.
        {"voll bei zwanzig", 20, 20, 1, {"Zeile 4", "Zeile 5"}, 18},
        {"wieder voll", 20, 20, 3, {"Zeile 4", "Zeile 5"}, 20},
        {"und gekuerzt", 20, 20, 4, {"Zeile 7", "Zeile 8"}, 18},
    };
    for (const auto& f : faelle) {
        QTemporaryDir dir;
        const QString pfad = dir.filePath("NUVARKom.log");
        SchreibeZeilen(pfad, f.vorher);
        TLogFile log(pfad, true, f.limit, [] { return kZeit; });
        for (int i = 0; i < f.schreiben; ++i) log.Schreibe("neu");
        const QStringList z = LiesZeilen(pfad);
        ASSERT_EQ(z.size(), f.erwartetAnzahl) << f.name;
        EXPECT_EQ(z.mid(0, 2), f.erwartetAnfang) << f.name;
        EXPECT_EQ(z.last(), "05.03.2004 14:07:09.042 - neu") << f.name;
    }
}

// Two programs write one protocol file (two lines read at the same minute):
// neither loses the other's lines, and a trim keeps the newest of both.
TEST(LogFile, ZweiSchreiberEinerDatei) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath("NUVARKom.log");
    TLogFile a(pfad, true, 4, [] { return kZeit; });
    TLogFile b(pfad, true, 4, [] { return kZeit; });
    a.Schreibe("a1");
    b.Schreibe("b1");
    a.Schreibe("a2");
    b.Schreibe("b2");
    a.Schreibe("a3");
    a.Schreibe("a4");
    a.Schreibe("a5");  // a's fifth line trims what the file holds, b's lines too
    QStringList texte;
    for (const QString& z : LiesZeilen(pfad)) texte << z.mid(26);
    EXPECT_EQ(texte, (QStringList{"b2", "a3", "a4", "a5"}));
}

// Two programs writing one file at the same time, trimming it as they go:
// every line stays whole, the file stays near its limit, and no trim drops a line appended
// while it worked: the file ends with the last line of one of them.
TEST(LogFile, ZweiProgrammeZugleich) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath("NUVARKom.log");
    constexpr int kLimit = 50, kZeilen = 300;
    const auto schreibe = [&](const char* wer) {
        TLogFile log(pfad, true, kLimit, [] { return kZeit; });
        for (int i = 1; i <= kZeilen; ++i) log.Schreibe(QString::fromLatin1(wer) + QString::number(i));
    };
    const pid_t kind = ::fork();
    ASSERT_GE(kind, 0);
    if (kind == 0) {
        schreibe("b");
        ::_exit(0);
    }
    schreibe("a");
    int status = 0;
    ASSERT_EQ(::waitpid(kind, &status, 0), kind);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QStringList z = LiesZeilen(pfad);
    // Each writer counts only its own lines between trims, so the other's
    // may stand above the limit for a while; never far.
    EXPECT_LE(z.size(), 2 * kLimit);
    const QRegularExpression form(QStringLiteral("^05\\.03\\.2004 14:07:09\\.042 - [ab]\\d+$"));
    for (const QString& zeile : z) EXPECT_TRUE(form.match(zeile).hasMatch()) << zeile.toStdString();
    const QString letzte = z.isEmpty() ? QString() : z.last().mid(26);
    EXPECT_TRUE(letzte == "a300" || letzte == "b300") << letzte.toStdString();
}

TEST(LogFile, OhneAnhaengenLeerUndNichtOeffenbarWirft) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath("NUVARKom.log");
    SchreibeZeilen(pfad, 4);
    {
        TLogFile log(pfad, false, 1000, [] { return kZeit; });
        log.Schreibe("a");
    }
    EXPECT_EQ(LiesZeilen(pfad).size(), 1);

    const QString unmoeglich = dir.filePath("fehlt/NUVARKom.log");
    TLogFile kaputt(unmoeglich, true, 1000);
    EXPECT_FALSE(kaputt.Geoeffnet());
    try {
        kaputt.Schreibe("x");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Meldung(), "Error Writing Log-File " + unmoeglich);
    }
}

TEST(Statuszeile, NurMitSchreibeLogDateiUndOffenemProtokoll) {
    Pruefstand s;
    const QString ini = s.dir.filePath("NUVARWin.ini");
    const QString log = s.dir.filePath("NUVARKom.log");
    {
        // Switched on while a window is open: nothing until the next window.
        auto& w = s.F();
        TIniFile(ini).WriteBool("NUVARKom", "SchreibeLogDatei", true);
        w.StatusLine("vorher");
        EXPECT_FALSE(QFile::exists(log));
        s.fenster.reset();
    }
    auto& w = s.F();
    w.StatusLine("eins");
    TIniFile(ini).WriteBool("NUVARKom", "SchreibeLogDatei", false);
    w.StatusLine("aus");
    TIniFile(ini).WriteBool("NUVARKom", "SchreibeLogDatei", true);
    w.StatusLine("zwei");
    EXPECT_EQ(s.ansicht->zeilen, (QStringList{"eins", "aus", "zwei"}));
    s.fenster.reset();
    QStringList texte;
    for (const QString& z : LiesZeilen(log)) texte << z.mid(26);
    EXPECT_EQ(texte, (QStringList{"*** Protokolldatei geoeffnet ***", "eins", "zwei",
                                  "*** Protokolldatei geschlossen ***"}));
}
