// Runs started at the same time from one program directory share its
// protocol file and its wire trace. Two processes write them at once here:
// every line must arrive whole, none may be lost to the other writer, and
// the protocol file stays within its line limit.
#include "kom/protocol/LogFile.h"
#include "platform/EventPump.h"
#include "platform/WireTrace.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace nuvar;

namespace {

QList<QByteArray> Zeilen(const QString& pfad) {
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> l = f.readAll().split('\n');
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    return l;
}

// Runs schreiber(0) in a child process and schreiber(1) here at the same
// time; true when the child ended normally.
bool Gleichzeitig(const std::function<void(int)>& schreiber) {
    const pid_t kind = ::fork();
    if (kind < 0) return false;
    if (kind == 0) {
        schreiber(0);
        ::_exit(0);
    }
    schreiber(1);
    int status = 0;
    if (::waitpid(kind, &status, 0) != kind) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST(GleichzeitigeLaeufe, ProtokolldateiBehaeltGanzeZeilenUndIhreGrenze) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath("NUVARKom.log");
    constexpr int kZeilen = 400;
    constexpr int kGrenze = 300;
    ASSERT_TRUE(Gleichzeitig([&](int wer) {
        TLogFile log(pfad, true, kGrenze);
        const QString text = QStringLiteral("Lauf %1 Zeile %2 ") + QString(60, QLatin1Char(wer ? 'b' : 'a'));
        for (int i = 0; i < kZeilen; ++i) log.Schreibe(text.arg(wer).arg(i));
    }));
    const QList<QByteArray> zeilen = Zeilen(pfad);
    ASSERT_FALSE(zeilen.isEmpty());
    EXPECT_LE(zeilen.size(), kGrenze);
    const QRegularExpression muster(
        QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d{3} - Lauf ([01]) Zeile (\\d+) (a{60}|b{60})\\r$"));
    QList<int> nummern[2];
    for (const QByteArray& z : zeilen) {
        const auto m = muster.match(QString::fromUtf8(z));
        ASSERT_TRUE(m.hasMatch()) << z.constData();
        const int wer = m.captured(1).toInt();
        EXPECT_EQ(m.captured(3).at(0), QLatin1Char(wer ? 'b' : 'a')) << z.constData();
        nummern[wer] << m.captured(2).toInt();
    }
    // Trimming drops the oldest lines of the file: what is left of each
    // writer is the end of what it wrote, in its order and without a gap.
    for (int wer = 0; wer < 2; ++wer) {
        for (int i = 0; i < nummern[wer].size(); ++i)
            EXPECT_EQ(nummern[wer][i], kZeilen - nummern[wer].size() + i) << "Lauf " << wer;
    }
    EXPECT_FALSE(nummern[0].isEmpty() && nummern[1].isEmpty());
}

TEST(GleichzeitigeLaeufe, LeitungsprotokollBehaeltGanzeZeilen) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath("NUVARKom.trc");
    constexpr int kLieferungen = 3000;
    ASSERT_TRUE(Gleichzeitig([&](int wer) {
        VirtualPump pumpe;
        WireTrace trc(pumpe, pfad);
        // Deliveries of 1 to 40 bytes, as on a line; enough to be written out
        // in many pieces of 32 KiB.
        for (int i = 0; i < kLieferungen; ++i) {
            const QByteArray b(1 + i % 40, char(wer ? 'B' : 'A'));
            if (i % 2) trc.Sent(b);
            else trc.Received(b);
        }
    }));
    const QList<QByteArray> zeilen = Zeilen(pfad);
    const QRegularExpression daten(QStringLiteral(
        "^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d{3} (->|<-) ((41 )+|(42 )+)( {3})*\\|(A+|B+)\\|\\r$"));
    const QRegularExpression kopf(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d{3} == .*\\r$"));
    int kopfzeilen = 0, datenzeilen = 0;
    for (const QByteArray& z : zeilen) {
        const QString t = QString::fromUtf8(z);
        if (kopf.match(t).hasMatch()) {
            ++kopfzeilen;
            continue;
        }
        ASSERT_TRUE(daten.match(t).hasMatch()) << z.constData();
        ++datenzeilen;
    }
    EXPECT_EQ(kopfzeilen, 2);
    // 1 to 40 bytes make one to three lines of 16 bytes: every one of them arrived.
    int erwartet = 0;
    for (int i = 0; i < kLieferungen; ++i) erwartet += (1 + i % 40 + 15) / 16;
    EXPECT_EQ(datenzeilen, 2 * erwartet);
}
