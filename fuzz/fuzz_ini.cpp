// Feeds arbitrary bytes to the INI reader as a file, reads everything it
// offers, then writes one key and checks that it reads back, that every other
// key keeps its value and that every other line of the file is still there.
#include "common/Fehler.h"
#include "common/Ini.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace nuvar;

namespace {

void pruefe(bool bedingung, const char* was) {
    if (!bedingung) {
        std::fprintf(stderr, "Invariante verletzt: %s\n", was);
        std::abort();
    }
}

const QString& Pfad() {
    // On tmpfs when there is one: every write is synced to disk.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/fuzz_ini-XXXXXX")
                                                                        : QDir::tempPath() + QStringLiteral("/fuzz_ini-XXXXXX"));
    static const QString p = dir.filePath(QStringLiteral("fuzz.ini"));
    return p;
}

QByteArray LiesDatei() {
    QFile f(Pfad());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool IstUtf8(const QByteArray& b) {
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);  // a cut sequence at the end is an error too
    const QString text = d.decode(b);  // decoding happens on conversion
    (void)text;
    return !d.hasError();
}

// The lines of a file without their line ends and without trailing carriage
// returns: a final line ending in '\r' gets a '\n' when a line is appended,
// and that pair then reads as a line end.
QList<QByteArray> Zeilen(QByteArray b) {
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);  // the byte order mark is not part of the first line
    QList<QByteArray> z = b.split('\n');
    for (QByteArray& l : z)
        while (l.endsWith('\r'))
            l.chop(1);
    if (!z.isEmpty() && z.back().isEmpty())
        z.pop_back();
    return z;
}

// Whether neu is alt with one line changed in place, or with up to three lines
// inserted in one place (a key, or a blank line, a header and a key).
bool EineStelleGeaendert(const QList<QByteArray>& alt, const QList<QByteArray>& neu) {
    const qsizetype k = neu.size() - alt.size();
    qsizetype i = 0;
    while (i < alt.size() && i < neu.size() && alt[i] == neu[i])
        ++i;
    if (k == 0)
        return i == alt.size() || alt.mid(i + 1) == neu.mid(i + 1);
    if (k < 0 || k > 3)
        return false;
    return alt.mid(i) == neu.mid(i + k);
}

using Werte = QHash<QString, QString>;  // "section\nkey" (folded) -> value

Werte AlleWerte(const TIniFile& ini) {
    Werte w;
    const QStringList sections = ini.ReadSections();
    for (const QString& s : sections) {
        pruefe(ini.SectionExists(s), "gelistete Section existiert");
        for (const QString& k : ini.ReadSection(s)) {
            pruefe(ini.ValueExists(s, k), "gelisteter Key existiert");
            const QString v = ini.ReadString(s, k, QStringLiteral("a"));
            pruefe(v == ini.ReadString(s, k, QStringLiteral("b")), "gelisteter Key hat einen Wert");
            pruefe(v.size() <= TIniFile::kMaxWertLaenge, "Wert höchstens 2047 Zeichen");
            (void)ini.ReadInteger(s, k, 0);
            (void)ini.ReadFloat(s, k, 0);
            pruefe(ini.ReadBool(s, k, false) == ini.ReadBool(s, k, false), "ReadBool stabil");
            w.insert(s.toCaseFolded() + QLatin1Char('\n') + k.toCaseFolded(), v);
        }
    }
    return w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192)
        return 0;
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile f(Pfad());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(inhalt);
    }
    TIniFile ini(Pfad());
    const Werte vorher = AlleWerte(ini);

    // The key to write: an existing one (to replace a line) or a new one; the
    // value: the last bytes of the input as Latin-1 text.
    const QStringList sections = ini.ReadSections();
    QString section = QStringLiteral("Fuzz");
    QString key = QStringLiteral("FuzzKey");
    if (!sections.isEmpty() && size > 0 && (data[0] & 1)) {
        section = sections[data[0] % sections.size()];
        const QStringList keys = ini.ReadSection(section);
        if (!keys.isEmpty() && (data[0] & 2))
            key = keys[(data[0] >> 2) % keys.size()];
    }
    const std::size_t n = std::min<std::size_t>(size, 24);
    QString wert = QString::fromLatin1(reinterpret_cast<const char*>(data + size - n), static_cast<qsizetype>(n));
    QString erwartet = wert;
    erwartet.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));

    try {
        ini.WriteString(section, key, wert);
    } catch (const EConvertError&) {
        return 0;  // a name from the file that could not be written back
    }
    pruefe(ini.ReadString(section, key, QString()) == erwartet, "geschriebener Wert liest sich zurück");

    Werte nachher = AlleWerte(ini);
    const QString geschrieben = section.toCaseFolded() + QLatin1Char('\n') + key.toCaseFolded();
    pruefe(nachher.contains(geschrieben), "geschriebener Key gelistet");
    nachher.remove(geschrieben);
    Werte ohne = vorher;
    ohne.remove(geschrieben);
    pruefe(nachher == ohne, "andere Werte unverändert");

    if (IstUtf8(inhalt)) {
        const QByteArray neu = LiesDatei();
        pruefe(EineStelleGeaendert(Zeilen(inhalt), Zeilen(neu)), "andere Zeilen bleiben");
    }

    ini.DeleteKey(section, key);
    pruefe(!ini.ValueExists(section, key), "gelöschter Key fehlt");
    ini.EraseSection(section);
    pruefe(!ini.SectionExists(section), "gelöschte Section fehlt");
    return 0;
}
