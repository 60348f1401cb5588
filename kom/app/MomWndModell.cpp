#include "kom/app/MomWndModell.h"

#include "common/Benutzeraktion.h"
#include "common/DateiSchreiben.h"
#include "common/Meldungen.h"
#include "common/Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>

namespace nuvar {

namespace {

QString Q(const char* s) { return QString::fromUtf8(s); }

// Blanks and control characters off both ends.
QString Beschnitten(const QString& s) {
    qsizetype a = 0, e = s.size();
    while (a < e && s[a] <= QLatin1Char(' ')) ++a;
    while (e > a && s[e - 1] <= QLatin1Char(' ')) --e;
    return s.mid(a, e - a);
}

bool ZweiZiffern(const QString& s, int pos, int& wert) {
    const QChar a = s[pos], b = s[pos + 1];
    if (a < QLatin1Char('0') || a > QLatin1Char('9') || b < QLatin1Char('0') || b > QLatin1Char('9')) return false;
    wert = (a.unicode() - '0') * 10 + (b.unicode() - '0');
    return true;
}

// Lines as a string list reads a file: CR LF, LF or CR end a line; the last
// line needs no end, and an end at the very end adds no empty line.
QStringList TextZeilen(const QString& text) {
    QStringList l;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        l << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    if (start < text.size()) l << text.mid(start);
    return l;
}

// UTF-8 as this program writes it; a file written on Windows is taken
// as Windows-1252.
QString Dekodiere(const QByteArray& b) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString t = utf8(b);
    if (!utf8.hasError()) return t;
    QStringDecoder cp("Windows-1252");
    return cp.isValid() ? QString(cp(b)) : QString::fromLatin1(b);
}

// The time stamp of a file line ("dd.mm.yyyy<TAB>hh:nn:ss<TAB>"), read at
// its fixed positions: the chart reads every line at every reading.
bool LiesDateizeit(const QString& zeile, QDate& d, QTime& t) {
    if (zeile.size() < 20 || zeile[2] != QLatin1Char('.') || zeile[5] != QLatin1Char('.') ||
        zeile[10] != QLatin1Char('\t') || zeile[13] != QLatin1Char(':') || zeile[16] != QLatin1Char(':') ||
        zeile[19] != QLatin1Char('\t'))
        return false;
    int tag, monat, jh, jahr, std, min, sek;
    if (!ZweiZiffern(zeile, 0, tag) || !ZweiZiffern(zeile, 3, monat) || !ZweiZiffern(zeile, 6, jh) ||
        !ZweiZiffern(zeile, 8, jahr) || !ZweiZiffern(zeile, 11, std) || !ZweiZiffern(zeile, 14, min) ||
        !ZweiZiffern(zeile, 17, sek))
        return false;
    d = QDate(jh * 100 + jahr, monat, tag);
    t = QTime(std, min, sek);
    return d.isValid() && t.isValid();
}

// A value of a file line; dezimal: the locale's separator, empty when it
// is the point already.
bool Zahl(QString s, const QString& dezimal, double& wert) {
    s = s.trimmed();
    if (s.isEmpty()) return false;
    bool ok = false;
    wert = (dezimal.isEmpty() ? s : QString(s).replace(dezimal, QStringLiteral("."))).toDouble(&ok);
    // A line written under a locale with the decimal comma.
    if (!ok) wert = s.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok;
}

} // namespace

bool LiesMomentanzeile(const QString& text, QDate& datum, QTime& zeit, QStringList& werte) {
    QString s = Beschnitten(text);
    s.chop(1);
    if (s.size() < 12) return false;
    int f[6];
    for (int i = 0; i < 6; ++i)
        if (!ZweiZiffern(s, 2 * i, f[i])) return false;
    datum = QDate(2000 + f[0], f[1], f[2]);
    zeit = QTime(f[3], f[4], f[5]);
    if (!datum.isValid() || !zeit.isValid()) return false;
    QStringList items = KommaTextTeilen(s.replace(QLatin1Char(';'), QLatin1Char(',')));
    // The first item is the time stamp.
    if (!items.isEmpty()) items.removeFirst();
    werte = items;
    return true;
}

TMomentanwertModell::TMomentanwertModell(QObject* parent) : QAbstractListModel(parent) {}

void TMomentanwertModell::SetzeStation(const TStationsParameter& station, const TKanalTabelle& kanaele) {
    station_ = station;
    kanaele_ = kanaele;
    sichtbar_.assign(std::size_t(Kanalanzahl()), false);
    for (int k = 0; k < Kanalanzahl(); ++k) sichtbar_[std::size_t(k)] = KanalEinheit(k) == KanalEinheit(0);
    emit KanaeleGeaendert();
    VerlaufNeu();
}

int TMomentanwertModell::Kanalanzahl() const { return std::clamp<int>(station_.Kanalanzahl, 0, kMaxKanaele); }

QString TMomentanwertModell::KanalName(int kanal) const {
    return kanal >= 0 && kanal < Kanalanzahl() ? LiesTextfeld(kanaele_[std::size_t(kanal)].Bezeichnung) : QString();
}

QString TMomentanwertModell::KanalEinheit(int kanal) const {
    return kanal >= 0 && kanal < Kanalanzahl() ? LiesTextfeld(kanaele_[std::size_t(kanal)].Einheit) : QString();
}

QString TMomentanwertModell::Kopfzeile() const {
    QString k = QStringLiteral("Datum\tZeit");
    for (int i = 0; i < Kanalanzahl(); ++i)
        k += QLatin1Char('\t') + KanalName(i) + QLatin1Char('[') + KanalEinheit(i) + QLatin1Char(']');
    return k;
}

qint64 TMomentanwertModell::Zeilengrenze() const {
    // A station record without a measuring interval would divide by zero:
    // count it as one line a second, the fastest a logger streams, so the
    // file still covers the whole period.
    const qint64 intervall = station_.Messintervall > 0 ? station_.Messintervall : 1;
    // A period of 0 or less keeps the header and the newest line.
    return std::max<qint64>(1, qint64(optionen_.Zeitraum) * 60 / intervall + 1);
}

TMeldungen& TMomentanwertModell::Dienst() const {
    if (MeldungenDienst) return *MeldungenDienst;
    return Umgebung().meldungen ? *Umgebung().meldungen : Meldungen();
}

void TMomentanwertModell::Melde(TMomentanFehler f, const QString& text) {
    bool& schon = gemeldet_[int(f)];
    if (schon) return;
    // Set before the box: further lines arrive while it is open.
    schon = true;
    ++gemeldetZahl_[int(f)];
    Dienst().Fehler(text);
}

void TMomentanwertModell::Empfange(int /*kennung*/, const QByteArray& daten) {
    qsizetype n = daten.indexOf('\0');
    if (n < 0) n = daten.size();
    const QString text = OemZuText(daten.left(std::min<qsizetype>(n, kMaxZeichen)));
    // Called from the transfer window's reception: whatever goes wrong ends
    // this line, not the stream.
    Benutzeraktion([&] { Zeile(text); }, &Dienst());
}

TMomentanwertModell::TLaden TMomentanwertModell::Lade(QStringList& liste, QString& fehler) const {
    QFile f(optionen_.Dateiname);
    if (!f.exists()) return TLaden::Fehlt;
    if (!f.open(QIODevice::ReadOnly)) {
        fehler = f.errorString();
        return TLaden::Fehler;
    }
    const QByteArray b = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        fehler = f.errorString();
        return TLaden::Fehler;
    }
    liste = TextZeilen(Dekodiere(b));
    return TLaden::Gelesen;
}

bool TMomentanwertModell::Speichere(const QStringList& liste, QString& fehler) const {
    const QString pfad = optionen_.Dateiname;
    if (pfad.isEmpty()) {
        fehler = Q("kein Dateiname");
        return false;
    }
    QDir().mkpath(QFileInfo(pfad).absolutePath());
    QByteArray b;
    for (const QString& z : liste) b += z.toUtf8() + "\r\n";
    // Through a temporary file and a rename, every write checked: a reader
    // never sees half a file, and a full disk leaves the old one.
    return ErsetzeDatei(pfad, b, &fehler);
}

bool TMomentanwertModell::Zeile(const QString& text) {
    const QString kopf = Kopfzeile();
    QDate datum;
    QTime zeit;
    QStringList werte;
    if (!LiesMomentanzeile(text, datum, zeit, werte)) {
        Melde(TMomentanFehler::Zeitstempel,
              Q("Die Momentanwertzeile \"%1\" hat keinen gültigen Zeitstempel.\n"
                "Sie wird weder angezeigt noch aufgezeichnet; weitere solche Zeilen werden ohne "
                "neue Meldung verworfen.")
                  .arg(Beschnitten(text).left(60)));
        return false;
    }
    const QString dezimal = QLocale().decimalPoint();
    QString zeile = QStringLiteral("%1.%2.%3\t%4:%5:%6\t")
                        .arg(datum.day(), 2, 10, QLatin1Char('0'))
                        .arg(datum.month(), 2, 10, QLatin1Char('0'))
                        .arg(datum.year(), 4, 10, QLatin1Char('0'))
                        .arg(zeit.hour(), 2, 10, QLatin1Char('0'))
                        .arg(zeit.minute(), 2, 10, QLatin1Char('0'))
                        .arg(zeit.second(), 2, 10, QLatin1Char('0'));
    for (QString w : werte) zeile += w.replace(QLatin1Char('.'), dezimal) + QLatin1Char('\t');

    QStringList liste;
    QString fehler;
    const TLaden geladen = Lade(liste, fehler);
    if (geladen == TLaden::Fehler) {
        // Started anew it would lose what the file holds.
        Melde(TMomentanFehler::Lesen, Q("Die Momentanwertdatei %1 kann nicht gelesen werden: %2\n"
                                        "Sie wird nicht überschrieben; die Momentanwerte werden erst wieder "
                                        "angezeigt, wenn sie gelesen werden kann.")
                                          .arg(QDir::toNativeSeparators(optionen_.Dateiname), fehler));
        return false;
    }
    if (geladen == TLaden::Fehlt) liste = QStringList{kopf};
    // One line out per line in, so a file longer than the limit keeps its
    // length; the header stays.
    if (liste.size() >= Zeilengrenze() && liste.size() >= 2) liste.removeAt(1);
    liste << zeile;
    if (!Speichere(liste, fehler)) {
        Melde(TMomentanFehler::Schreiben, Q("Die Momentanwertdatei %1 kann nicht geschrieben werden: %2\n"
                                            "Die Momentanwerte werden erst wieder angezeigt, wenn sie "
                                            "geschrieben werden kann.")
                                              .arg(QDir::toNativeSeparators(optionen_.Dateiname), fehler));
        return false;
    }
    beginResetModel();
    zeilen_ = liste;
    endResetModel();
    for (bool& g : gemeldet_) g = false;
    VerlaufNeu();
    return true;
}

int TMomentanwertModell::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(zeilen_.size());
}

QVariant TMomentanwertModell::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= zeilen_.size() || role != Qt::DisplayRole) return {};
    return zeilen_[index.row()];
}

// ---- chart ----

void TMomentanwertModell::VerlaufNeu() {
    const int n = Kanalanzahl();
    verlauf_.assign(std::size_t(n), {});
    neueste_ = 0;
    QString dezimal = QLocale().decimalPoint();
    if (dezimal == QStringLiteral(".")) dezimal.clear();
    bool irgendeine = false;
    // The local time of a wall-clock reading, through the UTC offset of its
    // hour: converting every line would ask the time zone each time.
    QHash<qint64, qint64> versatz;
    for (const QString& z : std::as_const(zeilen_)) {
        QDate d;
        QTime t;
        if (!LiesDateizeit(z, d, t)) continue;
        const qint64 stunde = d.toJulianDay() * 24 + t.hour();
        auto v = versatz.constFind(stunde);
        if (v == versatz.cend()) v = versatz.insert(stunde, QDateTime(d, QTime(t.hour(), 0)).offsetFromUtc() * 1000LL);
        const qint64 ms = (d.toJulianDay() - 2440588) * 86400000LL + t.msecsSinceStartOfDay() - *v;
        irgendeine = true;
        neueste_ = std::max(neueste_, ms);
        const QStringList werte = z.mid(20).split(QLatin1Char('\t'));
        for (int k = 0; k < n && k < werte.size(); ++k) {
            double w = 0.0;
            if (Zahl(werte[k], dezimal, w)) verlauf_[std::size_t(k)].append(QPointF(double(ms), w));
        }
    }
    if (!irgendeine) neueste_ = 0;
    emit VerlaufGeaendert();
}

const QList<QPointF>& TMomentanwertModell::Verlauf(int kanal) const {
    static const QList<QPointF> leer;
    return kanal >= 0 && std::size_t(kanal) < verlauf_.size() ? verlauf_[std::size_t(kanal)] : leer;
}

QDateTime TMomentanwertModell::AnzeigeBis() const {
    return neueste_ ? QDateTime::fromMSecsSinceEpoch(neueste_) : QDateTime();
}

QDateTime TMomentanwertModell::AnzeigeVon() const {
    if (!neueste_) return {};
    if (optionen_.Zeitraum > 0) return AnzeigeBis().addSecs(-qint64(optionen_.Zeitraum) * 60);
    // No period: from the oldest reading held (at least a minute).
    qint64 aelteste = neueste_;
    for (const auto& v : verlauf_)
        if (!v.isEmpty()) aelteste = std::min(aelteste, qint64(v.first().x()));
    return QDateTime::fromMSecsSinceEpoch(std::min(aelteste, neueste_ - 60000));
}

bool TMomentanwertModell::KanalSichtbar(int kanal) const {
    return kanal >= 0 && std::size_t(kanal) < sichtbar_.size() && sichtbar_[std::size_t(kanal)];
}

void TMomentanwertModell::SetzeKanalSichtbar(int kanal, bool sichtbar) {
    if (kanal < 0 || std::size_t(kanal) >= sichtbar_.size() || sichtbar_[std::size_t(kanal)] == sichtbar) return;
    sichtbar_[std::size_t(kanal)] = sichtbar;
    emit VerlaufGeaendert();
}

} // namespace nuvar
