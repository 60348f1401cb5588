// Feeds arbitrary UTF-16 text to the comma-text splitter and the character
// replacement: joining the items again and splitting gives the same items, and
// a replacement always ends with nothing left to replace.
#include "common/Text.h"

#include <QString>
#include <QStringList>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 16384)
        return 0;
    // Any code units, lone surrogates and zeros included. Mostly ASCII, so the
    // interesting characters (quotes, commas, blanks) come up often: a byte
    // below 0x80 is one character, a byte from 0x80 on takes the next byte as
    // the high half of a code unit.
    QString text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] < 0x80 || i + 1 == size)
            text.append(QChar(char16_t(data[i])));
        else {
            text.append(QChar(char16_t((data[i + 1] << 8) | data[i])));
            ++i;
        }
    }

    const QStringList items = KommaTextTeilen(text);
    qsizetype summe = 0;
    for (const QString& item : items)
        summe += item.size();
    pruefe(summe <= text.size(), "Items nicht länger als der Text");
    const QString verbunden = KommaTextVerbinden(items);
    pruefe(KommaTextTeilen(verbunden) == items, "Verbinden und Teilen gibt dieselben Items");

    // Replacement: alt and neu taken from the text's start.
    if (text.size() >= 3) {
        const qsizetype lang = 1 + (text[0].unicode() % 3);
        const QString alt = text.mid(1, lang);
        const QString neu = text.mid(1 + lang, 1);
        QString t = text.mid(1 + lang + 1);
        const qsizetype laenge = t.size();
        ErsetzeZeichen(t, alt, neu);
        pruefe(t.size() == laenge, "Ersetzen ändert die Länge nicht");
        if (!alt.isEmpty() && !neu.isEmpty() && alt[0] != neu[0])
            pruefe(!t.contains(alt), "nach dem Ersetzen kommt alt nicht mehr vor");
    }

    // Number conversions never crash, and an integer reads back from its text.
    int i = 0;
    if (TryStrToInt(text, i))
        pruefe(StrToInt(QString::number(i)) == i, "Integer liest sich zurück");
    double d = 0;
    if (TryStrToFloat(text, d))
        (void)FormatF(d);
    return 0;
}
