// A user action that fails on a file the user may not write ends with the
// file's name and the system's reason in an error box; the program goes on.
#include "kom/app/Hauptfenster.h"

#include "tests/GuiAnwendung.h"
#include "tests/OhneRechte.h"
#include "tests/app/SimStand.h"

#include "kom/protocol/Treiber.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QTemporaryDir& Laufzeit() {
    static QTemporaryDir d;  // the remote control's private socket directory
    return d;
}

} // namespace

TEST(Benutzeraktion, ProgrammeinstellungenOhneSchreibrecht) {
    NUVAR_OHNE_RECHTE();
    test::GuiAnwendung([] { qputenv("XDG_RUNTIME_DIR", Laufzeit().path().toLocal8Bit()); });
    test::SimStand stand;
    SetzeMeldungen(&stand.meldungen);
    stand.Sitzungen("");
    const QString ini = QDir(stand.dir.path()).filePath("NUVARWin.ini");
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[NUVARKom]\r\nSchreibeLogDatei=0\r\n");
    }
    // Neither the file nor its directory may be written.
    ASSERT_TRUE(QFile::setPermissions(ini, QFileDevice::ReadOwner));
    ASSERT_TRUE(QFile::setPermissions(stand.dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    Umgebung().einstellungsDialog = [](TEinstellungen& werte, bool, TTelefonie*) {
        werte.SchreibeLogDatei = true;  // the person ticks a box and confirms
        return true;
    };
    auto w = std::make_unique<THauptfenster>();
    w->MenuProgrammeinstellungen1->trigger();

    const QString erwartet = QStringLiteral("Datei %1 kann nicht geschrieben werden: %2")
                                 .arg(ini, QString::fromLocal8Bit(std::strerror(EACCES)));
    ASSERT_EQ(stand.meldungen.gezeigt.size(), 1u) << stand.meldungen.Texte().join('|').toStdString();
    EXPECT_EQ(stand.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Fehler);
    EXPECT_EQ(stand.meldungen.gezeigt[0].text, erwartet);
    // The settings window was released, the main window goes on.
    EXPECT_EQ(TransferWindow(), nullptr);
    EXPECT_TRUE(w->MenuAufbauen1->isEnabled());

    w.reset();
    SetzeMeldungen(nullptr);
    QFile::setPermissions(stand.dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
