#pragma once
// The wire trace for fault reports: every byte sent and received, in hex and
// printable, with a millisecond time stamp and its direction, plus a note for
// opening, closing, rate and line changes and errors. One line holds up to 16
// bytes of one delivery:
//
//   10.12.2026 08:15:30.250 -> 02 0A 47 45 54 54 49 4D 03 30 31 33 0D           |..GETTIM.013.|
//   10.12.2026 08:15:31.484 <- 02 0A 06 03 0D                                   |.....|
//   10.12.2026 08:15:31.500 -- Schnittstelle geschlossen
//
// "->" is sent to the logger or modem, "<-" received. Time stamps come from
// the event pump (the wall time at creation plus the pump's elapsed time), so
// they line up with the protocol file. The file is appended to (each session
// starts with a header line) and written in UTF-8.
//
// Writing never holds up the line: lines are collected in memory and written
// out when 32 KiB have gathered, one second after the first unwritten line,
// and at Flush/destruction. A file that cannot be written only switches the
// trace off (IsOpen false); the protocol goes on.
//
// A station PC may keep the trace on for years, so the file has a size
// limit (8 MiB by default): before a write would take it over the limit it
// is renamed to the predecessor "<name>.1" (replacing the one before) and a
// new file is begun. At most the limit plus one write (32 KiB) in the file
// and as much again in the predecessor. Several programs may trace into the
// same file at once: one of them turns it over (under a lock file beside
// it), and the others follow to the new file at their next write.
#include "platform/EventPump.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

namespace nuvar {

class WireTrace {
public:
    static constexpr qint64 kMaxBytes = 8 * 1024 * 1024;

    WireTrace(EventPump& pump, const QString& fileName, const QDateTime& start = QDateTime::currentDateTime(),
              qint64 maxBytes = kMaxBytes);
    ~WireTrace();
    WireTrace(const WireTrace&) = delete;
    WireTrace& operator=(const WireTrace&) = delete;

    bool IsOpen() const { return file_.isOpen(); }
    QString FileName() const { return file_.fileName(); }

    void Sent(const QByteArray& bytes) { Bytes("->", bytes); }
    void Received(const QByteArray& bytes) { Bytes("<-", bytes); }
    void Note(const QString& text);
    void Flush();

    // The lines for one delivery, without writing them (also used by tests).
    static QByteArray FormatBytes(const QDateTime& when, const char* direction, const QByteArray& bytes);

private:
    void Bytes(const char* direction, const QByteArray& bytes);
    QDateTime Now() const;
    void Append(const QByteArray& lines);
    bool Reopen();          // the file under its name now (after a turn-over)
    void FollowTurnOver();  // another program turned the file over
    void TurnOver();

    QString name_;
    qint64 maxBytes_;
    EventPump& pump_;
    QFile file_;
    QDateTime start_;
    Millis pumpStart_;
    QByteArray pending_;
    EventPump::TimerId flushTimer_ = 0;
};

} // namespace nuvar
