#pragma once
// The protocol file writer: every status line of a transfer window, with a
// time stamp, kept to a maximum number of lines.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace nuvar {

class TLogFile {
public:
    using Uhr = std::function<QDateTime()>;
    // Without append the file starts empty. A limit of 0 or less keeps every
    // line. Nothing is reported when the file cannot be created: every later
    // Schreibe then fails.
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
    bool geoeffnet_ = false;
    QStringList puffer_;
    qint32 limit_;
    QString dateiname_;
    Uhr uhr_;
};

} // namespace nuvar
