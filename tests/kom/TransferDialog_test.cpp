// The transfer window on screen (offscreen platform): its fixed layout, the
// texts, the indicator and the cancel button reaching the window.
#include "kom/protocol/gui/TransferDialog.h"
#include "kom/protocol/gui/WidgetMeldungen.h"

#include <QApplication>
#include <QFrame>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace nuvar;

namespace {
QApplication& App() {
    static int argc = 1;
    static char name[] = "NUVARKom";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals may already be gone at exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
} // namespace

TEST(TransferDialog, AufbauUndAnzeige) {
    App();
    TTransferDialog d;
    EXPECT_EQ(d.windowTitle(), "NUVARKom V2.0 dev.");
    EXPECT_EQ(d.size(), QSize(322, 380));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(d.StatusRxLabel1->text(), "NUVARKom V2.0 dev");
    EXPECT_EQ(d.Button1->text(), "&Abbrechen");
    EXPECT_TRUE(d.Button1->isDefault());
    EXPECT_TRUE(d.StatusMemo1->isReadOnly());

    d.SetzeVerbindung("Hohe Warte", "Direkte Datenleitung an COM1", "", false);
    EXPECT_FALSE(d.RufnummerLabel1->isEnabled());
    d.SetzeVerbindung("Hohe Warte", "Modem", "0301234", true);
    EXPECT_TRUE(d.RufnummerLabel1->isEnabled());
    EXPECT_EQ(d.RufnummerLabel1->text(), "0301234");
    d.StatusZeile("eins");
    d.StatusZeile("zwei");
    EXPECT_EQ(d.StatusMemo1->toPlainText(), "eins\nzwei");
    d.SetzeGauge(3094, 1031);
    EXPECT_EQ(d.Gauge1->maximum(), 3094);
    EXPECT_EQ(d.Gauge1->value(), 1031);
    d.SetzeEmpfang(true);
    EXPECT_TRUE(d.ReceiveCharStatus1->styleSheet().contains("red"));
    d.SetzeEmpfang(false);
    EXPECT_FALSE(d.ReceiveCharStatus1->styleSheet().contains("red"));

    int abgebrochen = 0;
    d.Abbrechen = [&] { ++abgebrochen; };
    d.Zeigen();
    EXPECT_TRUE(d.isVisible());
    QTest::mouseClick(d.Button1, Qt::LeftButton);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(abgebrochen, 2);
    d.Verbergen();
    EXPECT_FALSE(d.isVisible());
}

// The box that closes itself: while it is up the event loop runs (it is on
// screen, timers and the line are served), and it is gone afterwards.
TEST(WidgetMeldungen, FehlerKurzLaesstDieEreignisseLaufen) {
    App();
    TWidgetMeldungen m;
    m.KurzMs = 300;
    bool sichtbar = false;
    int runden = 0;
    QTimer takt;
    QObject::connect(&takt, &QTimer::timeout, [&] {
        ++runden;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->text() == "Falsche Station")
                sichtbar = true;
    });
    takt.start(20);
    QElapsedTimer t;
    t.start();
    m.FehlerKurz(QStringLiteral("Falsche Station"));
    EXPECT_GE(t.elapsed(), 300);
    EXPECT_TRUE(sichtbar) << "the box was never on screen while it waited";
    EXPECT_GE(runden, 5) << "the event loop did not run while the box was up";
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            EXPECT_FALSE(box->isVisible());
        }
    }
}

// The status memo of a window kept for months (a link held open, an
// instantaneous mode) keeps only the newest lines.
TEST(TransferDialog, StatusMemoBehaeltDieNeuestenZeilen) {
    App();
    TTransferDialog d;
    const int n = kStatusMemoZeilen + 25;
    for (int i = 1; i <= n; ++i) d.StatusZeile(QStringLiteral("Zeile %1").arg(i));
    EXPECT_EQ(d.StatusMemo1->blockCount(), kStatusMemoZeilen);
    EXPECT_EQ(d.StatusMemo1->document()->firstBlock().text(), QStringLiteral("Zeile 26"));
    EXPECT_EQ(d.StatusMemo1->document()->lastBlock().text(), QStringLiteral("Zeile %1").arg(n));
}
