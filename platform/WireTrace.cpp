#include "platform/WireTrace.h"

#include <QFileInfo>
#include <QLockFile>

#include <cstdio>
#include <sys/stat.h>

namespace nuvar {

namespace {
constexpr qsizetype kFlushAt = 32 * 1024;
constexpr Millis kFlushAfterMs = 1000;
constexpr int kPerLine = 16;

QByteArray Stamp(const QDateTime& t) { return t.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")).toLatin1(); }
} // namespace

WireTrace::WireTrace(EventPump& pump, const QString& fileName, const QDateTime& start, qint64 maxBytes)
    : name_(fileName), maxBytes_(maxBytes), pump_(pump), file_(fileName), start_(start), pumpStart_(pump.now()) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    Append(Stamp(start_) + " == Leitungsprotokoll (-> gesendet, <- empfangen)\r\n");
}

bool WireTrace::Reopen() {
    file_.close();
    file_.setFileName(name_);
    return file_.open(QIODevice::WriteOnly | QIODevice::Append);
}

void WireTrace::FollowTurnOver() {
    struct stat ours {}, named {};
    if (::fstat(file_.handle(), &ours) != 0) return;
    if (::stat(QFile::encodeName(name_).constData(), &named) == 0 && named.st_ino == ours.st_ino &&
        named.st_dev == ours.st_dev)
        return;
    Reopen();
}

void WireTrace::TurnOver() {
    {
        QLockFile lock(name_ + QStringLiteral(".lck"));
        lock.setStaleLockTime(10000);
        if (lock.tryLock(2000)) {
            // Another program may have turned it over in the meantime.
            struct stat ours {}, named {};
            const QByteArray n = QFile::encodeName(name_);
            if (::fstat(file_.handle(), &ours) == 0 && ::stat(n.constData(), &named) == 0 &&
                named.st_ino == ours.st_ino && named.st_dev == ours.st_dev &&
                named.st_size + pending_.size() > maxBytes_)
                std::rename(n.constData(), QFile::encodeName(name_ + QStringLiteral(".1")).constData());
        }
    }
    if (!Reopen()) return;
    if (file_.size() == 0)
        file_.write(Stamp(Now()) + " == Leitungsprotokoll, Fortsetzung (die Zeilen davor stehen in " +
                    QFileInfo(name_).fileName().toUtf8() + ".1)\r\n");
}

WireTrace::~WireTrace() {
    if (flushTimer_) pump_.cancelTimer(flushTimer_);
    flushTimer_ = 0;
    Flush();
    file_.close();
}

QDateTime WireTrace::Now() const { return start_.addMSecs(pump_.now() - pumpStart_); }

QByteArray WireTrace::FormatBytes(const QDateTime& when, const char* direction, const QByteArray& bytes) {
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray head = Stamp(when) + ' ' + direction + ' ';
    QByteArray out;
    out.reserve((bytes.size() / kPerLine + 1) * (head.size() + 4 * kPerLine + 6));
    for (qsizetype off = 0; off < bytes.size(); off += kPerLine) {
        const qsizetype n = std::min<qsizetype>(kPerLine, bytes.size() - off);
        out += head;
        QByteArray text;
        for (qsizetype i = 0; i < kPerLine; ++i) {
            if (i < n) {
                const auto c = static_cast<unsigned char>(bytes[off + i]);
                out += hex[c >> 4];
                out += hex[c & 15];
                out += ' ';
                text += (c >= 0x20 && c < 0x7F) ? char(c) : '.';
            } else {
                out += "   ";
            }
        }
        out += '|' + text + "|\r\n";
    }
    return out;
}

void WireTrace::Bytes(const char* direction, const QByteArray& bytes) {
    if (!file_.isOpen() || bytes.isEmpty()) return;
    Append(FormatBytes(Now(), direction, bytes));
}

void WireTrace::Note(const QString& text) {
    if (!file_.isOpen()) return;
    Append(Stamp(Now()) + " -- " + text.toUtf8() + "\r\n");
}

void WireTrace::Append(const QByteArray& lines) {
    pending_ += lines;
    if (pending_.size() >= kFlushAt) {
        Flush();
    } else if (!flushTimer_) {
        flushTimer_ = pump_.startTimer(kFlushAfterMs, [this] {
            flushTimer_ = 0;
            Flush();
        });
    }
}

void WireTrace::Flush() {
    if (pending_.isEmpty() || !file_.isOpen()) return;
    FollowTurnOver();
    if (file_.isOpen() && maxBytes_ > 0 && file_.size() > 0 && file_.size() + pending_.size() > maxBytes_)
        TurnOver();
    if (!file_.isOpen()) {
        pending_.clear();
        return;
    }
    const bool ok = file_.write(pending_) == pending_.size() && file_.flush();
    pending_.clear();
    if (!ok) file_.close();
}

} // namespace nuvar
