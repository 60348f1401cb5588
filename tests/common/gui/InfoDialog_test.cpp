// The about dialog shows what the program file carries (its date, the build
// number of the build); the splash closes itself when asked to.
#include "common/gui/InfoDialog.h"
#include "common/gui/Splash.h"

#include "tests/GuiAnwendung.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace nuvar;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

QApplication& App() { return test::GuiAnwendung(); }

TEST(InfoDialog, ShowsTheProgramFile) {
    App();
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("NUVARKom"));
    {
        QFile f(datei);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.flush();
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2004, 3, 5), QTime(14, 7, 9)), QFileDevice::FileModificationTime));
    }
    const struct {
        QString datei;
        QString erstellt;
    } faelle[] = {
        {datei, QStringLiteral("Erstellt am: 05.03.2004 14:07:09")},
        {dir.filePath(QStringLiteral("fehlt")), QStringLiteral("Erstellt am: unbekannt")},
    };
    for (const auto& f : faelle) {
        TInfoDialog d({QStringLiteral("NUVARKom"), QStringLiteral("V2.1"), QStringLiteral("Datenkommunikation"), {}},
                      nullptr, f.datei);
        EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Info über NUVARKom"));
        EXPECT_EQ(d.TitelLabel->text(), "NUVARKom V2.1");
        EXPECT_EQ(d.ModulLabel->text(), "Datenkommunikation");
        EXPECT_EQ(d.DatumLabel->text(), f.erstellt);
        EXPECT_EQ(d.BuildLabel->text(), QStringLiteral("Build-Nr.: ") + BuildNummer());
        EXPECT_FALSE(d.AdressLabel->text().isEmpty());
        EXPECT_EQ(d.OKButton->text(), "&OK");
    }
    // Four numbers, the first two the program's version.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^2\\.1\\.\\d+\\.\\d+$")).match(BuildNummer()).hasMatch())
        << BuildNummer().toStdString();
}

TEST(InfoDialog, OkCloses) {
    App();
    TInfoDialog d({QStringLiteral("Loggerkonfigurator"), QStringLiteral("V2.1"), QStringLiteral("Konfiguration"), {}});
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Info über Loggerkonfigurator"));
    QTimer::singleShot(0, &d, [&] { d.OKButton->click(); });
    EXPECT_EQ(d.exec(), QDialog::Accepted);
}

TEST(Splash, CentredAndClosesItself) {
    App();
    TSplashFenster s(QStringLiteral("Loggerkonfigurator"), QStringLiteral("V2.1"), QStringLiteral("Konfiguration"));
    const QRect r = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((s.geometry().center() - r.center()).manhattanLength(), 2);
    EXPECT_TRUE(s.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(s.windowFlags() & Qt::FramelessWindowHint);
    s.ZeigeFuer(50);
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(s.TitelLabel->text(), "Loggerkonfigurator");
}

} // namespace
