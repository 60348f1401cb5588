#pragma once
// The protocol file writer: every status line of a transfer window, with a
// time stamp, kept to a maximum number of lines.
//
// The file is read once, when the writer is made, to count its lines; each
// line is then appended at once with a single write. Only when the count
// reaches the limit is the file read and written again: the oldest lines go,
// a tenth of the limit more than needed (none below 10), so a full file is
// rewritten once every few lines instead of at every line. Several programs
// may write one file (one run per line at the same minute): appends and
// trims take a lock (on Unix an flock() on the file itself, elsewhere the
// lock file "<name>.lck"), and a trim keeps the others' lines because it
// works on what the file holds, not on what this writer wrote.
#include <QDateTime>
#include <QString>
#include <functional>

namespace nuvar {

class TLogFile {
public:
    using Uhr = std::function<QDateTime()>;
    // Without append the file starts empty. A limit of 0 or less keeps every
    // line. Nothing is reported when the file cannot be created: every later
    // Schreibe then fails. A file already longer than the limit is trimmed
    // here.
    TLogFile(const QString& dateiname, bool anhaengen, qint32 zeilenLimit, Uhr uhr = {});

    // Appends "dd.mm.yyyy hh:mm:ss.zzz - text". Throws EInOutError
    // ("Error Writing Log-File " + name) when the file was never opened, and
    // when the trimmed file cannot be saved back.
    void Schreibe(const QString& text);

    bool Geoeffnet() const { return geoeffnet_; }
    const QString& Dateiname() const { return dateiname_; }

    // The line as written, without its CR LF.
    static QString Zeile(const QDateTime& zeit, const QString& text);

private:
    // Drops the oldest lines so that one more fits with the slack below the
    // limit. Throws like Schreibe when the file cannot be saved.
    void Kuerze();

    bool geoeffnet_ = false;
    qint32 limit_;
    qint64 zeilen_ = 0;  // lines the file holds, as far as this writer knows
    QString dateiname_;
    Uhr uhr_;
};

} // namespace nuvar
