// Qt's own button texts come out German once the translation is installed.
#include "common/gui/Uebersetzung.h"
#include "tests/GuiAnwendung.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <gtest/gtest.h>

TEST(Uebersetzung, MessageBoxButtonsAreGerman) {
    QApplication& app = nuvar::test::GuiAnwendung();
    ASSERT_TRUE(nuvar::LadeQtUebersetzung(app)) << "qt6-translations-l10n is not installed";
    QMessageBox box(QMessageBox::Question, QStringLiteral("NUVARKom"), QStringLiteral("Frage?"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
}
