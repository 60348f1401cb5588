#include "common/Rahmen.h"

#include "common/Fehler.h"

namespace nuvar {

using namespace Steuerzeichen;

std::uint8_t XorSumme(QByteArrayView bytes) {
    std::uint8_t s = 0;
    for (char c : bytes) s ^= static_cast<std::uint8_t>(c);
    return s;
}

QByteArray PruefZiffern(std::uint8_t summe) {
    const int v = summe;
    QByteArray d(3, '0');
    d[0] = char('0' + v / 100);
    d[1] = char('0' + (v / 10) % 10);
    d[2] = char('0' + v % 10);
    return d;
}

namespace {
QByteArray MitSumme(QByteArray rahmen) {
    rahmen += PruefZiffern(XorSumme(rahmen));
    rahmen += CR;
    return rahmen;
}
}  // namespace

QByteArray BaueRahmen(QByteArrayView payload) {
    QByteArray r;
    r.reserve(payload.size() + 7);
    r += STX;
    r += LF;
    r += payload;
    r += ETX;
    return MitSumme(std::move(r));
}

QByteArray BaueBlock(QByteArrayView daten, char endeByte) {
    if (daten.size() != kBlockDaten) throw ERangeError(QString::fromLatin1(kBereichsFehler));
    QByteArray r;
    r.reserve(kBlockLaenge);
    r += STX;
    r += LF;
    r += daten;
    r += endeByte;
    return MitSumme(std::move(r));
}

namespace {
QByteArray Zeile(char zeichen) {
    const char z[5] = {STX, LF, zeichen, ETX, CR};
    return QByteArray(z, 5);
}
}  // namespace

QByteArray AckZeile() { return Zeile(ACK); }
QByteArray NakZeile() { return Zeile(NAK); }
QByteArray OkRahmen() { return BaueRahmen("OK    "); }

QByteArray PruefeRahmen(QByteArrayView s) {
    const qsizetype L = s.size();
    int erwartet = 0;
    if (L >= 3) {
        bool ok = false;
        const int v = s.last(3).toByteArray().toInt(&ok, 10);
        // C++ and the original runtime agree on the sign of a remainder, so
        // a negative digit field can only ever match a sum of 0.
        erwartet = ok ? v % 256 : 0;
    }
    const int tatsaechlich = L > 3 ? XorSumme(s.first(L - 3)) : 0;
    if (erwartet != tatsaechlich || L < 6) return {};
    return s.sliced(2, L - 6).toByteArray();
}

char EndeByte(QByteArrayView s) { return s.size() >= 4 ? s[s.size() - 4] : char(0); }

}  // namespace nuvar
