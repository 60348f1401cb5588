#include "kom/protocol/LogFile.h"

#include "common/DateiSchreiben.h"
#include "common/Fehler.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QList>
#include <QLockFile>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace nuvar {

namespace {

// Lines end with CR LF; a lone LF or CR ends a line too. The bytes of a line
// stay as they are (an older file may not be UTF-8).
QList<QByteArray> Zeilen(const QByteArray& alles) {
    QList<QByteArray> l;
    qsizetype anfang = 0;
    for (qsizetype i = 0; i < alles.size(); ++i) {
        if (alles[i] != '\r' && alles[i] != '\n') continue;
        l << alles.mid(anfang, i - anfang);
        if (alles[i] == '\r' && i + 1 < alles.size() && alles[i + 1] == '\n') ++i;
        anfang = i + 1;
    }
    if (anfang < alles.size()) l << alles.mid(anfang);
    return l;
}

QByteArray LiesAlles(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The lock every writer of one protocol file takes for its appends and trims.
// A writer that cannot get it within a second writes all the same: a line
// matters more than the order of two of them.
#ifdef Q_OS_UNIX
// flock() on the protocol file itself: nothing is created, written or synced
// per line (a lock file of its own is synced to disk at every lock, which
// costs more than the line). A trim replaces the file, so a lock that turns
// out to hold a replaced file is given up and taken on the current one.
class TSperre {
public:
    explicit TSperre(const QString& dateiname) {
        const QByteArray pfad = QFile::encodeName(dateiname);
        QDeadlineTimer frist(1000);
        for (;;) {
            fd_ = ::open(pfad.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
            if (fd_ < 0) return;
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                struct stat offen {}, jetzt {};
                if (::fstat(fd_, &offen) == 0 && ::stat(pfad.constData(), &jetzt) == 0 &&
                    offen.st_dev == jetzt.st_dev && offen.st_ino == jetzt.st_ino)
                    return;
            } else if (errno != EWOULDBLOCK && errno != EINTR) {
                // No locks on this file system: write without.
                ::close(fd_);
                fd_ = -1;
                return;
            }
            ::close(fd_);
            fd_ = -1;
            if (frist.hasExpired()) return;
            QThread::msleep(5);
        }
    }
    ~TSperre() {
        if (fd_ >= 0) ::close(fd_);
    }
    TSperre(const TSperre&) = delete;
    TSperre& operator=(const TSperre&) = delete;

private:
    int fd_ = -1;
};
#else
// Elsewhere the lock file "<name>.lck".
class TSperre {
public:
    explicit TSperre(const QString& dateiname) : sperre_(dateiname + QStringLiteral(".lck")) {
        gesperrt_ = sperre_.tryLock(1000);
    }
    ~TSperre() {
        if (gesperrt_) sperre_.unlock();
    }
    TSperre(const TSperre&) = delete;
    TSperre& operator=(const TSperre&) = delete;

private:
    QLockFile sperre_;
    bool gesperrt_ = false;
};
#endif

} // namespace

TLogFile::TLogFile(const QString& dateiname, bool anhaengen, qint32 zeilenLimit, Uhr uhr)
    : limit_(zeilenLimit), dateiname_(dateiname), uhr_(std::move(uhr)) {
    if (!uhr_) uhr_ = [] { return QDateTime::currentDateTime(); };
    if (!anhaengen) {
        QFile f(dateiname_);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) geoeffnet_ = true;
    }
    // Appending (or creating when missing) proves the file is writable.
    QFile f(dateiname_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append)) geoeffnet_ = true;
    f.close();
    if (!geoeffnet_ || limit_ <= 0) return;
    zeilen_ = Zeilen(LiesAlles(dateiname_)).size();
    if (zeilen_ > limit_) {
        try {
            Kuerze();
        } catch (const EFehler&) {
            // Like a failed trim at a write: the work goes on, the file stays.
        }
    }
}

QString TLogFile::Zeile(const QDateTime& zeit, const QString& text) {
    return zeit.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")) + QStringLiteral(" - ") + text;
}

void TLogFile::Kuerze() {
    const qint32 spielraum = limit_ >= 10 ? limit_ / 10 : 0;
    const qint64 behalten = std::max<qint64>(0, qint64(limit_) - 1 - spielraum);
    TSperre sperre(dateiname_);
    // Read again: other writers may have added lines since this one counted.
    const QList<QByteArray> alle = Zeilen(LiesAlles(dateiname_));
    if (alle.size() <= behalten) {
        zeilen_ = alle.size();
        return;
    }
    QByteArray b;
    for (qsizetype i = alle.size() - behalten; i < alle.size(); ++i) b += alle[i] + "\r\n";
    // Written whole under a temporary name, so the file is never half there.
    if (!ErsetzeDatei(dateiname_, b)) throw EInOutError(QStringLiteral("Error Writing Log-File ") + dateiname_);
    zeilen_ = behalten;
}

void TLogFile::Schreibe(const QString& text) {
    if (!geoeffnet_) throw EInOutError(QStringLiteral("Error Writing Log-File ") + dateiname_);
    const QDateTime zeit = uhr_();
    if (limit_ > 0 && zeilen_ >= limit_) Kuerze();
    TSperre sperre(dateiname_);
    // One unbuffered write in append mode: lines of several writers never mix.
    QFile f(dateiname_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        SchreibeGanz(f, Zeile(zeit, text).toUtf8() + "\r\n");
        ++zeilen_;
    }
}

} // namespace nuvar
