#include "kom/protocol/LogFile.h"

#include "common/Fehler.h"

#include <QFile>
#include <QSaveFile>

namespace nuvar {

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
}

QString TLogFile::Zeile(const QDateTime& zeit, const QString& text) {
    return zeit.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")) + QStringLiteral(" - ") + text;
}

void TLogFile::Schreibe(const QString& text) {
    if (!geoeffnet_) throw EInOutError(QStringLiteral("Error Writing Log-File ") + dateiname_);
    const QDateTime zeit = uhr_();
    if (limit_ > 0) {
        puffer_.clear();
        QFile in(dateiname_);
        if (in.open(QIODevice::ReadOnly)) {
            QByteArray alles = in.readAll();
            in.close();
            // Lines end with CR LF; a lone LF or CR ends a line too.
            QString s = QString::fromUtf8(alles);
            s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            puffer_ = s.split(QLatin1Char('\n'));
            if (!puffer_.isEmpty() && puffer_.last().isEmpty()) puffer_.removeLast();
        }
        if (puffer_.size() >= limit_) {
            puffer_.removeFirst();
            // Written whole under a temporary name, so the file is never half
            // there.
            QSaveFile out(dateiname_);
            bool ok = out.open(QIODevice::WriteOnly);
            if (ok) {
                QByteArray b;
                for (const QString& z : std::as_const(puffer_)) b += z.toUtf8() + "\r\n";
                ok = out.write(b) == b.size() && out.commit();
            }
            if (!ok) throw EInOutError(QStringLiteral("Error Writing Log-File ") + dateiname_);
        }
    }
    QFile f(dateiname_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        f.write(Zeile(zeit, text).toUtf8() + "\r\n");
        f.flush();
        f.close();
    }
}

} // namespace nuvar
