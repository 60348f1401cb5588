// The program directory rules on a small tree that plays each layout: an
// installed prefix (bin/ beside share/nuvar with shipped files), a build tree
// (bin/ alone), a home directory.
#include "common/Fehler.h"
#include "common/ProgrammVerzeichnis.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class Baum : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString Pfad(const QString& rel) const { return tmp.filePath(rel); }

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        for (const char* d : {"usr/bin", "usr/share/nuvar", "build/bin", "home/anna", "daheim", "xdg"})
            ASSERT_TRUE(QDir().mkpath(Pfad(QString::fromLatin1(d))));
        Schreibe("usr/share/nuvar/NUVARWin.ini", "[NUVARKom]\nUnbeaufsichtigt=0\n");
        Schreibe("usr/share/nuvar/geber.ini", "01\tTemperatur\n");
        Schreibe("eine-datei", "x");
    }
    void Schreibe(const QString& rel, const QByteArray& inhalt) {
        QFile f(Pfad(rel));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(inhalt);
    }
    QByteArray Lies(const QString& pfad) {
        QFile f(pfad);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
    }
    TVerzeichnisLage Installiert() const { return {{}, Pfad("usr/bin"), {}, Pfad("home/anna")}; }
};

TEST_F(Baum, RulesInOrder) {
    struct Fall {
        const char* name;
        TVerzeichnisLage lage;
        TVerzeichnisRegel regel;
        QString pfad;
        const char* fehler;  // part of the message, nullptr: usable
    };
    const QString home = Pfad("home/anna");
    const Fall faelle[] = {
        {"NUVAR_HOME wins over the installed layout", {Pfad("daheim") + "/", Pfad("usr/bin"), {}, home},
         TVerzeichnisRegel::Umgebung, Pfad("daheim"), nullptr},
        {"NUVAR_HOME that does not exist", {Pfad("fehlt"), Pfad("usr/bin"), {}, home},
         TVerzeichnisRegel::Umgebung, Pfad("fehlt"), "existiert nicht"},
        {"NUVAR_HOME that is a file", {Pfad("eine-datei"), Pfad("build/bin"), {}, home},
         TVerzeichnisRegel::Umgebung, Pfad("eine-datei"), "kein Verzeichnis"},
        {"build tree", {{}, Pfad("build/bin"), Pfad("xdg"), home}, TVerzeichnisRegel::Programm, Pfad("build/bin"),
         nullptr},
        {"installed, default data home", {{}, Pfad("usr/bin"), {}, home}, TVerzeichnisRegel::Benutzer,
         Pfad("home/anna/.local/share/nuvar"), nullptr},
        {"installed, XDG_DATA_HOME", {{}, Pfad("usr/bin"), Pfad("xdg"), home}, TVerzeichnisRegel::Benutzer,
         Pfad("xdg/nuvar"), nullptr},
        {"installed, relative XDG_DATA_HOME is ignored", {{}, Pfad("usr/bin"), QStringLiteral("xdg"), home},
         TVerzeichnisRegel::Benutzer, Pfad("home/anna/.local/share/nuvar"), nullptr},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        const TProgrammVerzeichnis v = BestimmeProgrammVerzeichnis(f.lage);
        EXPECT_EQ(v.Regel, f.regel);
        EXPECT_EQ(v.Pfad, f.pfad);
        if (f.fehler) {
            EXPECT_TRUE(v.Fehler.contains(QString::fromUtf8(f.fehler))) << v.Fehler.toStdString();
            EXPECT_TRUE(v.Fehler.contains(f.pfad)) << v.Fehler.toStdString();
        } else {
            EXPECT_TRUE(v.Fehler.isEmpty()) << v.Fehler.toStdString();
        }
        EXPECT_EQ(v.Vorlagen, f.regel == TVerzeichnisRegel::Benutzer ? Pfad("usr/share/nuvar") : QString());
    }
}

TEST_F(Baum, FirstStartCreatesAndSeedsLaterStartsOverwriteNothing) {
    const QString ziel = Pfad("home/anna/.local/share/nuvar");
    TProgrammVerzeichnis v = RichteProgrammVerzeichnisEin(Installiert());
    ASSERT_TRUE(v.Fehler.isEmpty()) << v.Fehler.toStdString();
    EXPECT_TRUE(v.Angelegt);
    EXPECT_EQ(v.Kopiert, (QStringList{"NUVARWin.ini", "geber.ini"}));
    EXPECT_EQ(Lies(ziel + "/NUVARWin.ini"), Lies(Pfad("usr/share/nuvar/NUVARWin.ini")));
    EXPECT_EQ(Lies(ziel + "/geber.ini"), Lies(Pfad("usr/share/nuvar/geber.ini")));

    // The user edits the settings and deletes a catalogue; a later version
    // ships one more file.
    Schreibe("home/anna/.local/share/nuvar/NUVARWin.ini", "[NUVARKom]\nUnbeaufsichtigt=1\n");
    ASSERT_TRUE(QFile::remove(ziel + "/geber.ini"));
    Schreibe("usr/share/nuvar/kanal.ini", "A\t0\t1\n");
    v = RichteProgrammVerzeichnisEin(Installiert());
    ASSERT_TRUE(v.Fehler.isEmpty()) << v.Fehler.toStdString();
    EXPECT_FALSE(v.Angelegt);
    EXPECT_EQ(v.Kopiert, (QStringList{"geber.ini", "kanal.ini"}));
    EXPECT_EQ(Lies(ziel + "/NUVARWin.ini"), QByteArray("[NUVARKom]\nUnbeaufsichtigt=1\n"));
    EXPECT_EQ(Lies(ziel + "/kanal.ini"), QByteArray("A\t0\t1\n"));
}

TEST_F(Baum, SeededCopiesAreTheUsersToEdit) {
    // Files from a package are often read-only; the user's copy must not be.
    ASSERT_TRUE(QFile::setPermissions(Pfad("usr/share/nuvar/geber.ini"), QFile::ReadOwner | QFile::ReadGroup |
                                                                             QFile::ReadOther));
    const TProgrammVerzeichnis v = RichteProgrammVerzeichnisEin(Installiert());
    ASSERT_TRUE(v.Fehler.isEmpty()) << v.Fehler.toStdString();
    EXPECT_TRUE(QFile::permissions(v.Pfad + "/geber.ini") & QFile::WriteOwner);
}

TEST_F(Baum, OnlyTheUsersDirectoryIsCreatedOrSeeded) {
    // NUVAR_HOME and a build tree are taken as they are: a missing NUVAR_HOME
    // is not created, and no other directory is used in its place.
    struct Fall {
        const char* name;
        TVerzeichnisLage lage;
        bool fehler;
    };
    const Fall faelle[] = {
        {"NUVAR_HOME missing", {Pfad("fehlt"), Pfad("usr/bin"), {}, Pfad("home/anna")}, true},
        {"NUVAR_HOME present", {Pfad("daheim"), Pfad("usr/bin"), {}, Pfad("home/anna")}, false},
        {"build tree", {{}, Pfad("build/bin"), {}, Pfad("home/anna")}, false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        const TProgrammVerzeichnis v = RichteProgrammVerzeichnisEin(f.lage);
        EXPECT_EQ(!v.Fehler.isEmpty(), f.fehler);
        EXPECT_TRUE(v.Kopiert.isEmpty());
        EXPECT_FALSE(v.Angelegt);
    }
    EXPECT_FALSE(QFileInfo::exists(Pfad("fehlt")));
    EXPECT_FALSE(QFileInfo::exists(Pfad("home/anna/.local")));
    EXPECT_TRUE(QDir(Pfad("daheim")).isEmpty());
    EXPECT_EQ(QDir(Pfad("build/bin")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
}

TEST_F(Baum, UserDirectoryThatCannotBeMadeIsAnError) {
    // Cases that fail for root too (the CI runs as root): a file where a
    // directory must go, at the end of the path or above it.
    Schreibe("xdg/nuvar", "kein Verzeichnis");
    const struct {
        const char* name;
        QString xdg;
        const char* fehler;
    } faelle[] = {
        {"a file named like the directory", Pfad("xdg"), "dort liegt eine Datei"},
        {"a file above it", Pfad("eine-datei/tiefer"), "kann nicht angelegt werden"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        const TProgrammVerzeichnis v = RichteProgrammVerzeichnisEin({{}, Pfad("usr/bin"), f.xdg, Pfad("home/anna")});
        EXPECT_TRUE(v.Fehler.contains(QString::fromUtf8(f.fehler))) << v.Fehler.toStdString();
        EXPECT_TRUE(v.Fehler.contains(v.Pfad)) << v.Fehler.toStdString();
    }
}

TEST(ProgrammVerzeichnis, OfTheRunningProcess) {
    // The test program lies in a build tree: its own directory, unless
    // NUVAR_HOME says otherwise; a NUVAR_HOME without a directory is refused.
    const QByteArray gemerkt = qgetenv("NUVAR_HOME");
    QTemporaryDir dir;
    qputenv("NUVAR_HOME", QFile::encodeName(dir.path() + "/"));
    EXPECT_EQ(ProgrammVerzeichnis(), dir.path());
    EXPECT_EQ(ProgrammDatei(QStringLiteral("NUVARWin.ini")), dir.path() + "/NUVARWin.ini");
    qputenv("NUVAR_HOME", QFile::encodeName(dir.path() + "/fehlt"));
    EXPECT_THROW(ProgrammVerzeichnis(), EInOutError);
    qputenv("NUVAR_HOME", "");  // empty counts as not set
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    EXPECT_EQ(ProgrammVerzeichnis(), QFileInfo(exe).absolutePath());
    EXPECT_EQ(ProgrammDatei(QStringLiteral("sessions.ini")), QFileInfo(exe).absolutePath() + "/sessions.ini");
    if (gemerkt.isNull())
        qunsetenv("NUVAR_HOME");
    else
        qputenv("NUVAR_HOME", gemerkt);
}

} // namespace
