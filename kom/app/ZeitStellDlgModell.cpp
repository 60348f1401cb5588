#include "kom/app/ZeitStellDlgModell.h"

#include "common/Meldungen.h"
#include "kom/protocol/NUVARWnd.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace nuvar {

const char* const kZeitStellenFrage =
    "Mit dem Stellen der Systemzeit wird der Datenspeicher\ndes Dataloggers unwiederbringlich gelöscht!\n"
    "Wollen Sie den Vorgang fortsetzen?";

namespace {

constexpr qint64 kMsProTag = 86400000;

QString Q(const char* s) { return QString::fromUtf8(s); }

// The locale's long time format without its time zone, which a clock
// reading in a panel does not carry.
QString LangeZeit(const QLocale& l) {
    const QString f = l.timeFormat(QLocale::LongFormat);
    QString r;
    bool zitat = false;
    for (const QChar c : f) {
        if (c == QLatin1Char('\'')) zitat = !zitat;
        if (!zitat && c == QLatin1Char('t')) continue;
        r += c;
    }
    return r.simplified();
}

// The locale's short date with a four-digit year.
QString KurzesDatum(const QLocale& l) {
    QString f = l.dateFormat(QLocale::ShortFormat);
    if (!f.contains(QStringLiteral("yyyy"))) f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return f;
}

} // namespace

TZeitStellModell::TZeitStellModell(std::function<QDateTime()> uhr) : uhr_(std::move(uhr)) {}

QDateTime TZeitStellModell::Jetzt() const {
    if (uhr_) return uhr_();
    if (Umgebung().uhr) return Umgebung().uhr();
    return QDateTime::currentDateTime();
}

void TZeitStellModell::Oeffnen() {
    const QDateTime t = Jetzt();
    VorgabeDatum = t.date();
    VorgabeZeit = t.time();
}

QString TZeitStellModell::DatumFormat() { return KurzesDatum(QLocale()); }
QString TZeitStellModell::ZeitFormat() { return LangeZeit(QLocale()); }

QString TZeitStellModell::DatumZeit(const QDateTime& t) {
    return QLocale().toString(t, DatumFormat() + QLatin1Char(' ') + ZeitFormat());
}

QString TZeitStellModell::LoggerZeitText() const {
    const double ms = std::isfinite(Abweichung) ? std::round(Abweichung * kMsProTag) : 0.0;
    return QLatin1Char(' ') + DatumZeit(Jetzt().addMSecs(qint64(ms)));
}

QString TZeitStellModell::PCZeitText() const { return QLatin1Char(' ') + DatumZeit(Jetzt()); }

QString TZeitStellModell::AbweichungText() const { return AbweichungText(Abweichung); }

QString TZeitStellModell::AbweichungText(double tage) {
    if (!std::isfinite(tage)) tage = 0.0;
    const QString vorzeichen = tage > 0 ? QStringLiteral(" + ") : QStringLiteral(" - ");
    // Whole days and the time of day from one rounding to milliseconds, so a
    // deviation just short of a day reads as a day, not as 24h.
    const qint64 ms = qint64(std::round(std::abs(tage) * kMsProTag));
    const qint64 t = ms / kMsProTag;
    const QTime rest = QTime::fromMSecsSinceStartOfDay(int(ms % kMsProTag));
    return vorzeichen + QString::number(t) + Q(" Tag(e) ") +
           rest.toString(QStringLiteral("hh'h'mm'min'ss'sec'"));
}

void TZeitStellModell::SetzeStunden(int stunden) { Stunden = std::clamp(stunden, -24, 24); }

bool TZeitStellModell::Ausfuehren(TMeldungen& meldungen) {
    if (!meldungen.Frage(Q(kZeitStellenFrage))) return false;
    if (PCModus) {
        Abweichung = Stunden / 24.0;
    } else {
        // The date of the date field and the time of day of the time picker,
        // in the PC clock's time zone.
        QDateTime v = Jetzt();
        v.setDate(VorgabeDatum);
        v.setTime(VorgabeZeit);
        Vorgabe = v;
    }
    return true;
}

} // namespace nuvar
