#include "common/MessProg.h"

#include "common/Fehler.h"
#include "common/Ini.h"
#include "common/Text.h"

#include <QStringList>

#include <cfloat>
#include <cmath>

namespace nuvar {

TExportformat TExportformat::Vorgabe() {
    TExportformat e;
    e.Feld1 = 1;
    e.Flags = {false, true, false, false};
    e.Dezimalzeichen = '.';
    e.Zeitzeichen = ':';
    e.Trennzeichen = '\t';
    e.Feld9 = 2;
    e.Textzeichen = '"';
    e.Fehlwert = QStringLiteral("#NV");
    return e;
}

const std::array<TMonatstabelle, 13>& Monatstabellen() {
    static const std::array<TMonatstabelle, 13> t = {{
        {"Angstroem_A", &TMessProg::Angstroem_A,
         {0.174, 0.185, 0.208, 0.211, 0.211, 0.229, 0.236, 0.229, 0.204, 0.193, 0.172, 0.161}},
        {"Angstroem_B", &TMessProg::Angstroem_B,
         {0.526, 0.551, 0.567, 0.576, 0.572, 0.528, 0.527, 0.501, 0.535, 0.53, 0.542, 0.509}},
        {"Haude_FW", &TMessProg::Haude_FW, {0.08, 0.04, 0.14, 0.35, 0.39, 0.34, 0.31, 0.25, 0.20, 0.13, 0.07, 0.05}},
        {"Haude_BW", &TMessProg::Haude_BW, {0.01, 0.00, 0.04, 0.10, 0.23, 0.28, 0.32, 0.26, 0.17, 0.10, 0.01, 0.00}},
        {"Haude_RA", &TMessProg::Haude_RA, {0.20, 0.20, 0.22, 0.24, 0.29, 0.29, 0.28, 0.26, 0.23, 0.20, 0.20, 0.20}},
        {"Haude_WI", &TMessProg::Haude_WI, {0.20, 0.20, 0.25, 0.29, 0.29, 0.28, 0.26, 0.25, 0.23, 0.22, 0.20, 0.20}},
        {"Haude_MA", &TMessProg::Haude_MA, {0.11, 0.11, 0.11, 0.17, 0.21, 0.24, 0.25, 0.26, 0.21, 0.18, 0.11, 0.11}},
        {"Haude_ZR", &TMessProg::Haude_ZR, {0.11, 0.11, 0.11, 0.15, 0.23, 0.30, 0.37, 0.33, 0.26, 0.20, 0.11, 0.11}},
        {"Haude_WW", &TMessProg::Haude_WW, {0.11, 0.11, 0.17, 0.24, 0.33, 0.41, 0.37, 0.28, 0.15, 0.11, 0.11, 0.11}},
        {"Haude_WG", &TMessProg::Haude_WG, {0.11, 0.11, 0.17, 0.24, 0.37, 0.38, 0.32, 0.22, 0.15, 0.11, 0.11, 0.11}},
        {"Haude_HA", &TMessProg::Haude_HA, {0.11, 0.11, 0.11, 0.15, 0.34, 0.44, 0.45, 0.30, 0.19, 0.11, 0.11, 0.11}},
        {"Haude_RO", &TMessProg::Haude_RO, {0.11, 0.11, 0.17, 0.23, 0.30, 0.36, 0.36, 0.27, 0.15, 0.11, 0.11, 0.11}},
        {"Verhaeltnis_N", &TMessProg::Verhaeltnis_N,
         {0.21, 0.27, 0.38, 0.41, 0.45, 0.45, 0.49, 0.49, 0.47, 0.38, 0.21, 0.16}},
    }};
    return t;
}

QString Auswertungspfad(const QString& dbPfad) {
    // The extension starts at the last dot of the file name, not of a directory.
    qsizetype punkt = -1;
    for (qsizetype i = dbPfad.size() - 1; i >= 0; --i) {
        const QChar c = dbPfad[i];
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char(':'))
            break;
        if (c == QLatin1Char('.')) {
            punkt = i;
            break;
        }
    }
    return (punkt >= 0 ? dbPfad.left(punkt) : dbPfad) + QStringLiteral("aus.db");
}

namespace {

// Reads the lists of one programme section and says where a bad one is.
class ListenLeser {
public:
    ListenLeser(const TIniFile& ini, const QString& section) : ini_(ini), section_(section) {}

    // The items of the list, or none when the key is missing or empty.
    QStringList Lies(const QString& key, qsizetype mindestens) {
        key_ = key;
        items_ = KommaTextTeilen(ini_.ReadString(section_, key, QString()));
        if (!items_.isEmpty() && items_.size() < mindestens)
            throw EConvertError(QStringLiteral("Die Liste %1 im Abschnitt [%2] hat %3 Einträge, nötig sind mindestens %4.")
                                    .arg(key_, section_)
                                    .arg(items_.size())
                                    .arg(mindestens));
        return items_;
    }

    std::int32_t Ganz(int i) const {
        int v = 0;
        if (!TryStrToInt(items_[i], v))
            Fehler(i, QStringLiteral("'%1' ist kein gültiger Integerwert"));
        return v;
    }
    std::uint8_t Byte(int i) const { return static_cast<std::uint8_t>(Ganz(i) & 0xFF); }
    double Zahl(int i) const {
        double v = 0;
        if (!TryStrToFloat(items_[i], v))
            Fehler(i, QStringLiteral("'%1' ist kein gültiger Gleitkommawert"));
        return v;
    }
    float Einfach(int i) const {
        const double v = Zahl(i);
        if (std::fabs(v) > FLT_MAX)  // would become infinite
            Fehler(i, QStringLiteral("'%1' ist kein gültiger Gleitkommawert"));
        return static_cast<float>(v);
    }
    const QString& Text(int i) const { return items_[i]; }

private:
    [[noreturn]] void Fehler(int i, const QString& was) const {
        throw EConvertError(QStringLiteral("Eintrag %1 der Liste %2 im Abschnitt [%3]: ")
                                .arg(i + 1)
                                .arg(key_, section_) +
                            was.arg(items_[i]));
    }

    const TIniFile& ini_;
    QString section_;
    QString key_;
    QStringList items_;
};

} // namespace

void LiesMessprogramm(TMessProg& ziel, const TIniFile& ini) {
    // Filled in a copy: a programme that cannot be read leaves the caller's
    // object untouched instead of half-filled.
    TMessProg mp = ziel;
    if (mp.Kennung.isEmpty())
        mp.Kennung = ini.ReadString(QStringLiteral("Allgemein"), QStringLiteral("Aktiv"), QString());
    const QString s = mp.Kennung;
    auto text = [&](const char* key, const char* vorgabe) {
        return ini.ReadString(s, QString::fromLatin1(key), QString::fromUtf8(vorgabe));
    };
    auto ganz = [&](const char* key, int vorgabe) { return ini.ReadInteger(s, QString::fromLatin1(key), vorgabe); };
    auto byte = [&](const char* key, int vorgabe) { return static_cast<std::uint8_t>(ganz(key, vorgabe) & 0xFF); };

    mp.Bezeichnung = text("Bezeichnung", "<keine Bezeichnung>");
    mp.Verbindung = byte("Verbindung", 0);
    mp.Schnittstelle = byte("Schnittstelle", 0);
    mp.Baudrate = byte("Baudrate", 3);
    mp.Rufnummer = text("Rufnummer", kStandardRufnummer);
    mp.StatNr = ganz("StatNr", 0);
    mp.StatName = text("StatName", "<kein Name>").left(16);
    mp.Standort.Standortname = text("Standortname", "<kein Standort>");
    mp.Standort.Laenge = text("Laenge", "00,00 Ost");
    mp.Standort.Breite = text("Breite", "00,00 Nord");
    mp.Standort.Zeitzone = ganz("Zeitzone", 0);
    mp.Standort.Haude = ganz("Haude", 0);
    mp.Standort.Hoehe = ganz("Hoehe", 10);
    mp.Bemerkung = text("Bemerkung", "");
    mp.Mittelwertzeit = ganz("Mittelwertzeit", 0);
    mp.Datenbank.DBPfad = text("DBPfad", "<keine Datenbank>");
    mp.Datenbank.DLAA = ganz("DLAA", 0);
    mp.Auswertungsdatenbank = TMessProgDB{};
    mp.Auswertungsdatenbank.DBPfad = Auswertungspfad(mp.Datenbank.DBPfad);

    ListenLeser liste(ini, s);
    mp.Kanaele.clear();
    for (int n = 1;; ++n) {
        if (liste.Lies(QStringLiteral("MW%1").arg(n), 10).isEmpty())
            break;  // a gap ends the channels
        TMesskanal k;
        k.Bezeichnung = liste.Text(0).left(5);
        k.Einheit = liste.Text(1).left(4);
        k.Text3 = liste.Text(2);
        k.Text4 = liste.Text(3);
        k.Zahl5 = liste.Ganz(4);
        k.Zahl6 = liste.Ganz(5);
        k.Wert7 = liste.Einfach(6);
        k.Wert8 = liste.Einfach(7);
        k.Wert9 = liste.Einfach(8);
        k.Wert10 = liste.Einfach(9);
        mp.Kanaele.emplace_back(liste.Text(0).left(5), std::move(k));
    }

    if (liste.Lies(QStringLiteral("Exportformat"), 13).isEmpty()) {
        mp.Exportformat = TExportformat::Vorgabe();
    } else {
        TExportformat& e = mp.Exportformat;
        e.Feld1 = liste.Byte(0);
        e.Feld2 = liste.Byte(1);
        e.Feld3 = liste.Byte(2);
        const std::int32_t maske = liste.Ganz(3);
        for (int f = 0; f < 4; ++f)
            e.Flags[f] = (maske >> (f + 2)) & 1;
        e.Dezimalzeichen = liste.Byte(4);
        e.Zeitzeichen = liste.Byte(5);
        e.Trennzeichen = liste.Byte(6);
        e.Feld8 = liste.Byte(7);
        e.Feld9 = liste.Byte(8);
        e.Feld10 = liste.Byte(9);
        e.Textzeichen = liste.Byte(10);
        e.Fehlwert = liste.Text(11);
        e.Feld13 = liste.Byte(12);
    }

    mp.SynopAuswahl = ini.ReadBool(s, QStringLiteral("SynopAuswahl"), false);

    for (const TMonatstabelle& t : Monatstabellen()) {
        TMonatswerte& werte = mp.*(t.member);
        if (liste.Lies(QString::fromLatin1(t.key), 12).isEmpty()) {
            werte = t.vorgabe;
            continue;
        }
        for (int m = 0; m < 12; ++m)
            werte[m] = liste.Zahl(m);
    }

    ziel = std::move(mp);
}

std::vector<TMessprogrammZeile> FuelleMessprogrammliste(const TIniFile& ini) {
    std::vector<TMessprogrammZeile> zeilen;
    QStringList namen = ini.ReadSections();
    if (namen.size() < 2)
        return zeilen;
    namen.removeIf([](const QString& n) { return n.compare(QStringLiteral("Allgemein"), Qt::CaseInsensitive) == 0; });
    zeilen.reserve(namen.size());
    for (const QString& n : namen) {
        TMessprogrammZeile z;
        z.Bezeichnung = ini.ReadString(n, QStringLiteral("Bezeichnung"), QStringLiteral("<keine Bezeichnung>"));
        z.StatNr = ini.ReadString(n, QStringLiteral("StatNr"), QStringLiteral("000"));
        z.StatName = ini.ReadString(n, QStringLiteral("StatName"), QStringLiteral("<kein Name>"));
        z.Standortname = ini.ReadString(n, QStringLiteral("Standortname"), QStringLiteral("<kein Standort>"));
        z.Element.Kennung = n;
        z.Element.Beendet = ini.ReadBool(n, QStringLiteral("Beendet"), false);
        zeilen.push_back(std::move(z));
    }
    return zeilen;
}

int FindeMessprogramm(const QString& kennung, const std::vector<TMessprogrammZeile>& zeilen) {
    for (std::size_t i = 0; i < zeilen.size(); ++i)
        if (zeilen[i].Element.Kennung == kennung)
            return static_cast<int>(i);
    return -1;
}

} // namespace nuvar
