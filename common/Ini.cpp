#include "common/Ini.h"

#include "common/DateiSchreiben.h"

#include "common/Fehler.h"
#include "common/Text.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <vector>

namespace nuvar {

struct TIniFile::Inhalt {
    struct Zeile {
        QString text;  // without its line end
        QString ende;  // "\r\n", "\n", or "" for a last line without one
    };
    struct Eintrag {
        QString key;   // trimmed, as written
        QString wert;  // trimmed, quotes not yet removed
        int zeile = 0;
    };
    struct Abschnitt {
        QString name;        // trimmed, as written
        int kopf = 0;        // line of "[name]"
        int ende = 0;        // first line after the section (next header or end)
        int letzterKey = -1; // line of the last key, -1 if none
        std::vector<int> eintraege;  // indexes into Inhalt::eintraege
    };

    QByteArray roh;  // the bytes this was parsed from
    bool bom = false;
    std::vector<Zeile> zeilen;
    QString standardEnde = QStringLiteral("\n");
    std::vector<Eintrag> eintraege;
    std::vector<Abschnitt> abschnitte;
    QHash<QString, std::vector<int>> abschnittIndex;  // folded name -> occurrences, file order
    QHash<QString, int> wertIndex;  // folded "section\nkey" -> first entry

    void Zerlege();
    const Eintrag* Finde(const QString& section, const QString& key) const;
    const std::vector<int>* Vorkommen(const QString& section) const;
    QByteArray Bytes() const;
};

namespace {

bool IstRand(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\r' || u == '\n' || u == '\v' || u == '\f';
}

QString Trimme(QStringView s) {
    qsizetype a = 0, e = s.size();
    while (a < e && IstRand(s[a]))
        ++a;
    while (e > a && IstRand(s[e - 1]))
        --e;
    return s.mid(a, e - a).toString();
}

QString Gefaltet(const QString& s) { return s.toCaseFolded(); }

QString WertSchluessel(const QString& section, const QString& key) {
    return Gefaltet(section) + QLatin1Char('\n') + Gefaltet(key);
}

bool GanzInQuotes(const QString& v) {
    return v.size() >= 2 && v.front() == v.back() &&
           (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\''));
}

// Bytes that are not valid UTF-8 are Windows-1252, as Windows editors write.
QString AusWindows1252(QByteArrayView b) {
    static const char16_t c1[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString r(b.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < b.size(); ++i) {
        const auto u = static_cast<std::uint8_t>(b[i]);
        r[i] = QChar(u >= 0x80 && u < 0xA0 ? c1[u - 0x80] : char16_t(u));
    }
    return r;
}

QString Dekodiere(const QByteArray& roh, bool& bom) {
    QByteArrayView b(roh);
    bom = b.startsWith("\xEF\xBB\xBF");
    if (bom)
        b = b.sliced(3);
    // ConvertInitialBom: a second mark after the one skipped above is text and stays.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(b);
    if (!utf8.hasError())
        return text;
    bom = false;
    return AusWindows1252(roh);
}

// A value as it must be written so that it reads back unchanged.
QString WertZumSchreiben(const QString& wert) {
    QString v = wert;
    for (QChar& c : v)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    if (Trimme(v) != v || GanzInQuotes(v))
        v = QLatin1Char('"') + v + QLatin1Char('"');
    return v;
}

bool HatZeilenumbruch(const QString& s) {
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

void PruefeSection(const QString& section) {
    if (section.contains(QLatin1Char(']')) || HatZeilenumbruch(section))
        throw EConvertError(QStringLiteral("'%1' ist kein gültiger Abschnittsname").arg(section));
}

void PruefeKey(const QString& key) {
    if (key.isEmpty() || key.contains(QLatin1Char('=')) || HatZeilenumbruch(key) ||
        key.startsWith(QLatin1Char(';')) || key.startsWith(QLatin1Char('[')))
        throw EConvertError(QStringLiteral("'%1' ist kein gültiger Schlüsselname").arg(key));
}

} // namespace

void TIniFile::Inhalt::Zerlege() {
    zeilen.clear();
    eintraege.clear();
    abschnitte.clear();
    abschnittIndex.clear();
    wertIndex.clear();

    const QString text = Dekodiere(roh, bom);
    qsizetype pos = 0;
    bool endeGesehen = false;
    while (pos < text.size()) {
        qsizetype nl = text.indexOf(QLatin1Char('\n'), pos);
        Zeile z;
        if (nl < 0) {
            z.text = text.mid(pos);
            pos = text.size();
        } else {
            qsizetype e = nl;
            if (e > pos && text[e - 1] == QLatin1Char('\r')) {
                --e;
                z.ende = QStringLiteral("\r\n");
            } else {
                z.ende = QStringLiteral("\n");
            }
            z.text = text.mid(pos, e - pos);
            pos = nl + 1;
            if (!endeGesehen) {
                standardEnde = z.ende;
                endeGesehen = true;
            }
        }
        zeilen.push_back(std::move(z));
    }

    int aktuell = -1;
    for (int i = 0; i < static_cast<int>(zeilen.size()); ++i) {
        const QString t = Trimme(zeilen[i].text);
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype zu = t.indexOf(QLatin1Char(']'));
            if (zu > 0) {
                if (aktuell >= 0)
                    abschnitte[aktuell].ende = i;
                Abschnitt a;
                a.name = Trimme(QStringView(t).mid(1, zu - 1));
                a.kopf = i;
                a.ende = static_cast<int>(zeilen.size());
                abschnitte.push_back(std::move(a));
                aktuell = static_cast<int>(abschnitte.size()) - 1;
                abschnittIndex[Gefaltet(abschnitte.back().name)].push_back(aktuell);
                continue;
            }
        }
        if (aktuell < 0 || t.startsWith(QLatin1Char(';')))
            continue;
        const qsizetype gleich = t.indexOf(QLatin1Char('='));
        if (gleich < 0)
            continue;
        Eintrag e;
        e.key = Trimme(QStringView(t).left(gleich));
        if (e.key.isEmpty())
            continue;
        e.wert = Trimme(QStringView(t).mid(gleich + 1));
        e.zeile = i;
        Abschnitt& a = abschnitte[aktuell];
        a.letzterKey = i;
        const int idx = static_cast<int>(eintraege.size());
        const QString ws = WertSchluessel(a.name, e.key);
        eintraege.push_back(std::move(e));
        a.eintraege.push_back(idx);
        if (!wertIndex.contains(ws))
            wertIndex.insert(ws, idx);
    }
}

const TIniFile::Inhalt::Eintrag* TIniFile::Inhalt::Finde(const QString& section, const QString& key) const {
    auto it = wertIndex.constFind(WertSchluessel(section, key));
    return it == wertIndex.constEnd() ? nullptr : &eintraege[it.value()];
}

const std::vector<int>* TIniFile::Inhalt::Vorkommen(const QString& section) const {
    auto it = abschnittIndex.constFind(Gefaltet(section));
    return it == abschnittIndex.constEnd() ? nullptr : &it.value();
}

QByteArray TIniFile::Inhalt::Bytes() const {
    QString text;
    for (const Zeile& z : zeilen)
        text += z.text + z.ende;
    QByteArray b = text.toUtf8();
    if (bom)
        b.prepend("\xEF\xBB\xBF");
    return b;
}

TIniFile::TIniFile(const QString& fileName) : fileName_(fileName) {}
TIniFile::~TIniFile() = default;

const TIniFile::Inhalt& TIniFile::Lade() const {
    QByteArray roh;
    QFile f(fileName_);
    if (f.open(QIODevice::ReadOnly))
        roh = f.readAll();
    if (!cache_ || cache_->roh != roh) {
        auto neu = std::make_unique<Inhalt>();
        neu->roh = roh;
        neu->Zerlege();
        cache_ = std::move(neu);
    }
    return *cache_;
}

void TIniFile::Speichere(const Inhalt& neu) {
    const QByteArray bytes = neu.Bytes();
    QString grund;
    if (!ErsetzeDatei(fileName_, bytes, &grund))
        throw EInOutError(QStringLiteral("Datei %1 kann nicht geschrieben werden: %2").arg(fileName_, grund));
    auto c = std::make_unique<Inhalt>();
    c->roh = bytes;
    c->Zerlege();
    cache_ = std::move(c);
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& vorgabe) const {
    const Inhalt::Eintrag* e = Lade().Finde(Trimme(section), Trimme(key));
    if (!e)
        return vorgabe;
    QString v = e->wert;
    if (GanzInQuotes(v))
        v = v.mid(1, v.size() - 2);
    if (v.size() > kMaxWertLaenge) {
        qsizetype n = kMaxWertLaenge;
        if (v[n - 1].isHighSurrogate())
            --n;  // never cut a character in half
        v.truncate(n);
    }
    return v;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int vorgabe) const {
    return StrToIntDef(ReadString(section, key, QString()), vorgabe);
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool vorgabe) const {
    return ReadInteger(section, key, vorgabe ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const QString& section, const QString& key, double vorgabe) const {
    return StrToFloatDef(ReadString(section, key, QString()), vorgabe);
}

void TIniFile::WriteString(const QString& sectionRoh, const QString& keyRoh, const QString& wert) {
    const QString section = Trimme(sectionRoh);
    const QString key = Trimme(keyRoh);
    PruefeSection(section);
    PruefeKey(key);
    const QString v = WertZumSchreiben(wert);

    Inhalt neu = Lade();  // a copy: the cache stays valid if writing fails
    if (const Inhalt::Eintrag* e = neu.Finde(section, key)) {
        // Keep the line's key part and spacing; only the value changes.
        QString& text = neu.zeilen[e->zeile].text;
        qsizetype p = text.indexOf(QLatin1Char('=')) + 1;
        while (p < text.size() && IstRand(text[p]))
            ++p;
        const QString ersetzt = text.left(p) + v;
        if (ersetzt == text)
            return;
        text = ersetzt;
    } else {
        auto einfuegen = [&](int pos, QString text) {
            if (pos > 0 && neu.zeilen[pos - 1].ende.isEmpty())
                neu.zeilen[pos - 1].ende = neu.standardEnde;
            neu.zeilen.insert(neu.zeilen.begin() + pos, Inhalt::Zeile{std::move(text), neu.standardEnde});
        };
        const QString zeile = key + QLatin1Char('=') + v;
        if (const std::vector<int>* vk = neu.Vorkommen(section)) {
            const Inhalt::Abschnitt& a = neu.abschnitte[vk->front()];
            einfuegen((a.letzterKey >= 0 ? a.letzterKey : a.kopf) + 1, zeile);
        } else {
            int pos = static_cast<int>(neu.zeilen.size());
            if (pos > 0 && !Trimme(neu.zeilen[pos - 1].text).isEmpty())
                einfuegen(pos++, QString());
            einfuegen(pos++, QLatin1Char('[') + section + QLatin1Char(']'));
            einfuegen(pos, zeile);
        }
    }
    Speichere(neu);
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int wert) {
    WriteString(section, key, QString::number(wert));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool wert) {
    WriteString(section, key, wert ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::WriteFloat(const QString& section, const QString& key, double wert) {
    WriteString(section, key, FloatToStr(wert));
}

QStringList TIniFile::ReadSections() const {
    const Inhalt& in = Lade();
    QStringList r;
    for (int i = 0; i < static_cast<int>(in.abschnitte.size()); ++i) {
        const Inhalt::Abschnitt& a = in.abschnitte[i];
        if (in.Vorkommen(a.name)->front() == i)
            r.append(a.name);
    }
    return r;
}

QStringList TIniFile::ReadSection(const QString& section) const {
    const Inhalt& in = Lade();
    QStringList r;
    const std::vector<int>* vk = in.Vorkommen(Trimme(section));
    if (!vk)
        return r;
    for (int ai : *vk)
        for (int ei : in.abschnitte[ai].eintraege) {
            const Inhalt::Eintrag& e = in.eintraege[ei];
            if (in.Finde(in.abschnitte[ai].name, e.key) == &e)
                r.append(e.key);
        }
    return r;
}

QStringList TIniFile::ReadSectionValues(const QString& section) const {
    QStringList r;
    for (const QString& key : ReadSection(section))
        r.append(key + QLatin1Char('=') + ReadString(section, key, QString()));
    return r;
}

bool TIniFile::SectionExists(const QString& section) const {
    return Lade().Vorkommen(Trimme(section)) != nullptr;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    return Lade().Finde(Trimme(section), Trimme(key)) != nullptr;
}

void TIniFile::EraseSection(const QString& sectionRoh) {
    const QString section = Trimme(sectionRoh);
    Inhalt neu = Lade();
    const std::vector<int>* vk = neu.Vorkommen(section);
    if (!vk)
        return;
    // Back to front, so earlier line numbers stay valid.
    for (auto it = vk->rbegin(); it != vk->rend(); ++it) {
        const Inhalt::Abschnitt& a = neu.abschnitte[*it];
        neu.zeilen.erase(neu.zeilen.begin() + a.kopf, neu.zeilen.begin() + a.ende);
    }
    Speichere(neu);
}

void TIniFile::DeleteKey(const QString& sectionRoh, const QString& keyRoh) {
    const QString section = Trimme(sectionRoh);
    const QString key = Trimme(keyRoh);
    Inhalt neu = Lade();
    const std::vector<int>* vk = neu.Vorkommen(section);
    if (!vk)
        return;
    std::vector<int> weg;
    const QString gesucht = Gefaltet(key);
    for (int ai : *vk)
        for (int ei : neu.abschnitte[ai].eintraege)
            if (Gefaltet(neu.eintraege[ei].key) == gesucht)
                weg.push_back(neu.eintraege[ei].zeile);
    if (weg.empty())
        return;
    std::sort(weg.begin(), weg.end());
    for (auto it = weg.rbegin(); it != weg.rend(); ++it)
        neu.zeilen.erase(neu.zeilen.begin() + *it);
    Speichere(neu);
}

} // namespace nuvar
