#pragma once
// Small channel tables for the report tests.
#include "common/FunktionenTypen.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>

namespace nuvar::test {

// A text field the way the configurator stores it: the bytes, blanks up to
// the last position, a zero there.
template <std::size_t N>
void Feld(std::array<std::uint8_t, N>& feld, const QByteArray& text) {
    feld.fill(' ');
    feld[N - 1] = 0;
    for (std::size_t i = 0; i < N - 1 && i < static_cast<std::size_t>(text.size()); ++i)
        feld[i] = static_cast<std::uint8_t>(text[static_cast<qsizetype>(i)]);
}

inline TKanalEintrag Kanal(const QByteArray& name, const QByteArray& einheit = "") {
    TKanalEintrag k;
    Feld(k.Bezeichnung, name);
    Feld(k.Einheit, einheit);
    return k;
}

using Tabelle = std::array<TKanalEintrag, 64>;

// The first entries named (name, unit), the rest empty.
inline Tabelle Kanaele(std::initializer_list<std::pair<QByteArray, QByteArray>> eintraege) {
    Tabelle t{};
    std::size_t i = 0;
    for (const auto& [name, einheit] : eintraege)
        t[i++] = Kanal(name, einheit);
    return t;
}

} // namespace nuvar::test
