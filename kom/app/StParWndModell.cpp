#include "kom/app/StParWndModell.h"

#include "common/Text.h"

#include <QLocale>
#include <algorithm>

namespace nuvar {

namespace {
QString Q(const char* s) { return QString::fromUtf8(s); }
} // namespace

QString Festkomma(double wert, int stellen) {
    // FormatF writes the decimal comma and no thousands separator.
    return FormatF(wert, stellen).replace(QLatin1Char(','), QLocale().decimalPoint());
}

// ---- channel list ----

QStringList TKanallisteModell::Zeile(int nummer, const TKanalEintrag& e) {
    return {QString::number(nummer),
            LiesTextfeld(e.Bezeichnung),
            LiesTextfeld(e.Einheit),
            QString::number(e.Kanalnummer),
            QStringLiteral("%1").arg(e.Sensorcode, 2, 16, QLatin1Char('0')).toUpper(),
            QStringLiteral("<Sensortyp>"),
            Festkomma(e.a, 2),
            Festkomma(e.b, 2),
            Festkomma(e.Min, 2),
            Festkomma(e.Max, 2)};
}

void TKanallisteModell::Fuelle(const TStationsParameter& station, const TKanalTabelle& kanaele) {
    beginResetModel();
    zeilen_.clear();
    const int n = std::clamp<int>(station.Kanalanzahl, 0, kMaxKanaele);
    for (int i = 0; i < n; ++i) zeilen_.push_back(Zeile(i + 1, kanaele[std::size_t(i)]));
    endResetModel();
}

QString TKanallisteModell::Ueberschrift(int spalte) {
    static const char* const texte[kSpalten] = {"Nr.", "Bez.", "Einh.", "Kanal", "Code",
                                                "Sensortyp", "a", "b", "Min.", "Max."};
    return spalte >= 0 && spalte < kSpalten ? Q(texte[spalte]) : QString();
}

int TKanallisteModell::Breite(int spalte) {
    switch (spalte) {
    case Nr:
    case Kanal:
    case Code:
        return 40;
    case Sensortyp:
        return 200;
    // The rest share what the window leaves: short texts, and numbers up
    // to "1600,00" (the four-digit ends of a measuring range).
    case Bez:
    case Einh:
        return 45;
    default:
        return 55;
    }
}

Qt::Alignment TKanallisteModell::Ausrichtung(int spalte) {
    switch (spalte) {
    case Kanal:
    case Code:
    case A:
    case B:
    case Min:
    case Max:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

int TKanallisteModell::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(zeilen_.size());
}

int TKanallisteModell::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kSpalten; }

QVariant TKanallisteModell::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || std::size_t(index.row()) >= zeilen_.size()) return {};
    if (role == Qt::DisplayRole) return zeilen_[std::size_t(index.row())].value(index.column());
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Ausrichtung(index.column()));
    return {};
}

QVariant TKanallisteModell::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return Ueberschrift(section);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Ausrichtung(section));
    return {};
}

// ---- window logic ----

void TStatParamModell::SetzeDaten(const QString& bezeichnung, const TStationsParameter& station,
                                  const TKanalTabelle& kanaele) {
    bezeichnung_ = bezeichnung;
    station_ = station;
    kanaele_ = kanaele;
}

QString TStatParamModell::Titel() const { return Q("Stationsparameter für ") + bezeichnung_; }

TStatParamFelder TStatParamModell::Felder(const TStationsParameter& s) {
    TStatParamFelder f;
    f.Stationsnummer = QString::number(s.Stationsnummer);
    f.Stationsname = LiesTextfeld(s.Stationsname);
    f.Systemspannung = Festkomma(s.Batteriespannung, 1) + Q(" Volt");
    f.Mittelwertzeit = QString::number(s.Mittelwertintervall) + Q(" min");
    f.Messintervall = QString::number(s.Messintervall) + Q(" sec");
    f.FreierSpeicher = QString::number(s.FreieTage) + Q(" Tage");
    // Counted in units of 32 KB.
    f.Speichergroesse = QString::number(qint64(s.Speichergroesse) * 32) + Q(" KB");
    f.Datensaetze = QString::number(s.Datensaetze);
    return f;
}

TStatParamFelder TStatParamModell::Felder() const { return Felder(station_); }

bool TStatParamModell::ErsterPaint() {
    if (gemalt_) return false;
    gemalt_ = true;
    kanalliste_.Fuelle(station_, kanaele_);
    return true;
}

} // namespace nuvar
