// Files whose loss would cost data are replaced whole or not at all: on a
// full disk the old file stays and the caller gets the system's reason.
#include "common/DateiSchreiben.h"
#include "tests/Dateigrenze.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

using namespace nuvar;
using nuvar::test::Dateigrenze;

namespace {

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(ErsetzeDatei, VolleFestplatteLaesstDieAlteDateiUndNenntDenGrund) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath("Daten000.101");
    ASSERT_TRUE(ErsetzeDatei(pfad, "frueher"));
    const QByteArray neu(4522, 'x');
    QString grund;
    bool ok = true;
    {
        Dateigrenze grenze(4096);  // 4,096 of 4,522 bytes would fit
        ok = ErsetzeDatei(pfad, neu, &grund);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(grund, QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(Inhalt(pfad), "frueher");
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Daten000.101"});
    // With room it is replaced whole.
    EXPECT_TRUE(ErsetzeDatei(pfad, neu, &grund));
    EXPECT_EQ(Inhalt(pfad), neu);
}
