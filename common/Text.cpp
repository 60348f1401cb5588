#include "common/Text.h"

#include "common/Fehler.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace nuvar {

// ---------------------------------------------------------------- OEM code page

namespace {

// A single-byte code page as two tables, so that every byte maps to exactly one
// character and back, and unmappable characters get our '?' rather than the
// code page's own substitution byte.
struct Codepage {
    QString name;
    std::array<char16_t, 256> zuText{};
    QHash<char16_t, std::uint8_t> zuOem;
};

bool BaueCodepage(const QString& name, Codepage& cp) {
    Codepage neu;
    neu.name = name;
    for (int b = 0; b < 256; ++b) {
        QStringDecoder dec(name.toLatin1().constData());
        if (!dec.isValid())
            return false;
        const char c = static_cast<char>(b);
        const QString s = dec.decode(QByteArrayView(&c, 1));
        if (s.size() != 1)
            return false;  // multi-byte or stateful: not an OEM code page we handle
        neu.zuText[b] = s[0].unicode();
    }
    for (int b = 0; b < 256; ++b) {
        const char16_t u = neu.zuText[b];
        if (u != 0xFFFD && !neu.zuOem.contains(u))
            neu.zuOem.insert(u, static_cast<std::uint8_t>(b));
    }
    cp = std::move(neu);
    return true;
}

Codepage& AktuelleCodepage() {
    static Codepage cp = [] {
        Codepage c;
        if (!BaueCodepage(QStringLiteral("IBM850"), c)) {
            // Qt without ICU: keep bytes as Latin-1 rather than failing.
            c.name = QStringLiteral("ISO-8859-1");
            for (int b = 0; b < 256; ++b) {
                c.zuText[b] = static_cast<char16_t>(b);
                c.zuOem.insert(static_cast<char16_t>(b), static_cast<std::uint8_t>(b));
            }
        }
        return c;
    }();
    return cp;
}

bool IstBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t';
}

// The text without surrounding blanks and tabs, as the runtime's number
// conversions tolerate them.
QStringView OhneRaender(QStringView s) {
    qsizetype a = 0, e = s.size();
    while (a < e && IstBlank(s[a]))
        ++a;
    while (e > a && IstBlank(s[e - 1]))
        --e;
    return s.mid(a, e - a);
}

int HexWert(char16_t c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

QString OemCodepage() { return AktuelleCodepage().name; }

bool SetzeOemCodepage(const QString& name) {
    Codepage neu;
    if (name.isEmpty() || !BaueCodepage(name, neu))
        return false;
    AktuelleCodepage() = std::move(neu);
    return true;
}

QString OemZuText(const QByteArray& oem) {
    const Codepage& cp = AktuelleCodepage();
    QString r(oem.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < oem.size(); ++i)
        r[i] = QChar(cp.zuText[static_cast<std::uint8_t>(oem[i])]);
    return r;
}

QByteArray TextZuOem(const QString& text) {
    const Codepage& cp = AktuelleCodepage();
    QByteArray r;
    r.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;  // one character outside the BMP: one '?'
            r.append('?');
            continue;
        }
        auto it = cp.zuOem.constFind(c.unicode());
        r.append(it == cp.zuOem.constEnd() ? '?' : static_cast<char>(it.value()));
    }
    return r;
}

QString LiesTextfeld(std::span<const std::uint8_t> feld) {
    std::size_t n = 0;
    while (n < feld.size() && feld[n] != 0)
        ++n;
    while (n > 0 && (feld[n - 1] == ' ' || feld[n - 1] == 0))
        --n;
    return OemZuText(QByteArray(reinterpret_cast<const char*>(feld.data()), static_cast<qsizetype>(n)));
}

void SchreibeTextfeld(std::span<std::uint8_t> feld, const QString& text) {
    if (feld.empty())
        return;
    const QByteArray oem = TextZuOem(text);
    const std::size_t nutz = feld.size() - 1;
    for (std::size_t i = 0; i < nutz; ++i)
        feld[i] = i < static_cast<std::size_t>(oem.size()) ? static_cast<std::uint8_t>(oem[static_cast<qsizetype>(i)]) : std::uint8_t(' ');
    feld[nutz] = 0;
}

// ---------------------------------------------------------------- numbers

QString FormatF(double wert, int stellen) {
    if (std::isnan(wert))
        return QStringLiteral("NAN");
    if (std::isinf(wert))
        return wert < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (stellen < 0)
        stellen = 0;
    if (stellen > 18)
        stellen = 18;

    // 15 significant digits, as the runtime takes them before formatting.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(wert));
    QByteArray ziffern;
    for (int i = 0; i < 16; ++i)
        if (buf[i] >= '0' && buf[i] <= '9')
            ziffern.append(buf[i]);
    const char* e = std::strchr(buf, 'e');
    const int exponent = e ? std::atoi(e + 1) : 0;

    // Whole and fractional digits of d.dddddddddddddd * 10^exponent.
    QByteArray ganz, bruch;
    if (exponent >= 0) {
        const int nGanz = exponent + 1;
        ganz = ziffern.left(nGanz);
        while (ganz.size() < nGanz)
            ganz.append('0');
        bruch = ziffern.mid(nGanz);
    } else {
        ganz = "0";
        bruch = QByteArray(-exponent - 1, '0') + ziffern;
    }
    while (bruch.size() <= stellen)
        bruch.append('0');

    const bool aufrunden = bruch[stellen] >= '5';
    bruch.truncate(stellen);
    if (aufrunden) {
        int i = stellen - 1;
        for (; i >= 0; --i) {
            if (bruch[i] == '9') {
                bruch[i] = '0';
            } else {
                ++bruch[i];
                break;
            }
        }
        if (i < 0) {
            int j = static_cast<int>(ganz.size()) - 1;
            for (; j >= 0; --j) {
                if (ganz[j] == '9') {
                    ganz[j] = '0';
                } else {
                    ++ganz[j];
                    break;
                }
            }
            if (j < 0)
                ganz.prepend('1');
        }
    }
    while (ganz.size() > 1 && ganz[0] == '0')
        ganz.remove(0, 1);

    const bool null = ganz == "0" && bruch.count('0') == bruch.size();
    QString r = (wert < 0 && !null) ? QStringLiteral("-") : QString();
    r += QString::fromLatin1(ganz);
    if (stellen > 0)
        r += QLatin1Char(',') + QString::fromLatin1(bruch);
    return r;
}

QString FloatToStr(double wert) {
    if (std::isnan(wert))
        return QStringLiteral("NAN");
    if (std::isinf(wert))
        return wert < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", wert);
    QString s = QString::fromLatin1(buf);
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        QString mant = s.left(e);
        QString ex = s.mid(e + 1);
        bool neg = ex.startsWith(QLatin1Char('-'));
        if (ex.startsWith(QLatin1Char('-')) || ex.startsWith(QLatin1Char('+')))
            ex.remove(0, 1);
        while (ex.size() > 1 && ex[0] == QLatin1Char('0'))
            ex.remove(0, 1);
        s = mant + QLatin1Char('E') + (neg ? QStringLiteral("-") : QString()) + ex;
    }
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

long long RundeHalbGerade(double wert) {
    // 2^63 is exact as a double; everything in [-2^63, 2^63) fits.
    constexpr double grenze = 9223372036854775808.0;
    if (!std::isfinite(wert))
        throw ERangeError(QString::fromUtf8(kBereichsFehler));
    const double r = std::nearbyint(wert);  // default mode: to nearest, ties to even
    if (r >= grenze || r < -grenze)
        throw ERangeError(QString::fromUtf8(kBereichsFehler));
    return static_cast<long long>(r);
}

bool TryStrToInt(const QString& text, int& wert) {
    const QStringView s = OhneRaender(text);
    qsizetype i = 0;
    bool negativ = false;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negativ = s[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < s.size() && s[i] == QLatin1Char('$')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == QLatin1Char('0') &&
               (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= s.size())
        return false;

    std::uint64_t v = 0;
    if (hex) {
        for (; i < s.size(); ++i) {
            const int d = HexWert(s[i].unicode());
            if (d < 0)
                return false;
            v = v * 16 + static_cast<std::uint64_t>(d);
            if (v > 0xFFFFFFFFull)
                return false;
        }
        std::uint32_t u = static_cast<std::uint32_t>(v);
        if (negativ)
            u = 0u - u;
        wert = static_cast<std::int32_t>(u);
        return true;
    }
    const std::uint64_t max = negativ ? 2147483648ull : 2147483647ull;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
        if (v > max)
            return false;
    }
    wert = negativ ? static_cast<int>(-static_cast<std::int64_t>(v)) : static_cast<int>(v);
    return true;
}

int StrToInt(const QString& s) {
    int wert = 0;
    if (!TryStrToInt(s, wert))
        throw EConvertError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(s));
    return wert;
}

int StrToIntDef(const QString& s, int vorgabe) {
    int wert = 0;
    return TryStrToInt(s, wert) ? wert : vorgabe;
}

bool TryStrToFloat(const QString& text, double& wert) {
    const QStringView s = OhneRaender(text);
    QByteArray c;  // the same number in C notation
    c.reserve(s.size());
    qsizetype i = 0;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        c.append(static_cast<char>(s[i++].unicode()));
    int ziffern = 0;
    bool komma = false;
    for (; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        if (u >= '0' && u <= '9') {
            c.append(static_cast<char>(u));
            ++ziffern;
        } else if (u == ',' && !komma) {
            c.append('.');
            komma = true;
        } else {
            break;
        }
    }
    if (ziffern == 0)
        return false;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        c.append('e');
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
            c.append(static_cast<char>(s[i++].unicode()));
        int expZiffern = 0;
        for (; i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9'); ++i) {
            c.append(static_cast<char>(s[i].unicode()));
            ++expZiffern;
        }
        if (expZiffern == 0)
            return false;
    }
    if (i != s.size())
        return false;
    bool ok = false;
    const double v = c.toDouble(&ok);  // always C locale, whatever the process locale is
    if (!ok || !std::isfinite(v))
        return false;
    wert = v;
    return true;
}

double StrToFloat(const QString& s) {
    double wert = 0;
    if (!TryStrToFloat(s, wert))
        throw EConvertError(QStringLiteral("'%1' ist kein gültiger Gleitkommawert").arg(s));
    return wert;
}

double StrToFloatDef(const QString& s, double vorgabe) {
    double wert = 0;
    return TryStrToFloat(s, wert) ? wert : vorgabe;
}

// ---------------------------------------------------------------- texts

void ErsetzeZeichen(QString& text, const QString& alt, const QString& neu) {
    if (alt == neu || alt.isEmpty() || neu.isEmpty() || alt[0] == neu[0])
        return;
    const QChar ersatz = neu[0];
    qsizetype ab = 0;
    for (;;) {
        const qsizetype p = text.indexOf(alt, ab);
        if (p < 0)
            return;
        text[p] = ersatz;
        // Only an occurrence overlapping the changed character can be new;
        // none starts earlier, so the first occurrence is found from here.
        ab = std::max<qsizetype>(0, p - alt.size() + 1);
    }
}

QStringList KommaTextTeilen(const QString& s) {
    QStringList r;
    const qsizetype n = s.size();
    auto blank = [&](qsizetype j) { return s[j].unicode() <= ' '; };
    qsizetype i = 0;
    while (i < n && blank(i))
        ++i;
    while (i < n) {
        QString item;
        if (s[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (s[i] == QLatin1Char('"')) {
                    if (i + 1 < n && s[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += s[i];
                ++i;
            }
        } else {
            const qsizetype start = i;
            while (i < n && !blank(i) && s[i] != QLatin1Char(','))
                ++i;
            item = s.mid(start, i - start);
        }
        r.append(item);
        while (i < n && blank(i))
            ++i;
        if (i < n && s[i] == QLatin1Char(',')) {
            ++i;
            while (i < n && blank(i))
                ++i;
        }
    }
    return r;
}

QString KommaTextVerbinden(const QStringList& items) {
    QString r;
    for (qsizetype k = 0; k < items.size(); ++k) {
        if (k > 0)
            r += QLatin1Char(',');
        const QString& item = items[k];
        bool quoten = item.isEmpty();
        for (QChar c : item) {
            if (c.unicode() <= ' ' || c == QLatin1Char(',') || c == QLatin1Char('"')) {
                quoten = true;
                break;
            }
        }
        if (!quoten) {
            r += item;
        } else {
            QString q = item;
            q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            r += QLatin1Char('"') + q + QLatin1Char('"');
        }
    }
    return r;
}

} // namespace nuvar
