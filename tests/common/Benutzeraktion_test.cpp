// The boundary of a user action: whatever the action throws ends the action
// with one error box of its German text, never the program.
#include "common/Benutzeraktion.h"

#include "common/Fehler.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

using namespace nuvar;

TEST(Benutzeraktion, JedeAusnahmeWirdZurMeldung) {
    struct {
        const char* name;
        std::function<void()> tue;
        const char* meldung;
    } faelle[] = {
        {"Ein-/Ausgabe", [] { throw EInOutError(QStringLiteral("Datei x kann nicht geschrieben werden: Permission denied")); },
         "Datei x kann nicht geschrieben werden: Permission denied"},
        {"Bereich", [] { throw ERangeError(QStringLiteral("70 liegt außerhalb des Bereichs der Kanalliste")); },
         "70 liegt außerhalb des Bereichs der Kanalliste"},
        {"Umwandlung", [] { throw EConvertError(QStringLiteral("'x' ist kein gültiger Integerwert")); },
         "'x' ist kein gültiger Integerwert"},
        {"Speicher", [] { throw std::bad_alloc(); }, "Nicht genügend Arbeitsspeicher."},
        {"Standard", [] { throw std::out_of_range("vector"); }, "Interner Fehler: vector"},
        {"irgendetwas", [] { throw 42; }, "Unbekannter interner Fehler."},
    };
    for (const auto& f : faelle) {
        TSkriptMeldungen m;
        EXPECT_FALSE(Benutzeraktion(f.tue, &m)) << f.name;
        ASSERT_EQ(m.gezeigt.size(), 1u) << f.name;
        EXPECT_EQ(m.gezeigt[0].art, TSkriptMeldungen::Art::Fehler) << f.name;
        EXPECT_EQ(m.gezeigt[0].text, QString::fromUtf8(f.meldung)) << f.name;
    }
}

TEST(Benutzeraktion, OhneFehlerKeineMeldung) {
    TSkriptMeldungen m;
    int gelaufen = 0;
    EXPECT_TRUE(Benutzeraktion([&] { ++gelaufen; }, &m));
    EXPECT_EQ(gelaufen, 1);
    EXPECT_TRUE(m.gezeigt.empty());
}

// A message service that fails itself (an unattended run whose protocol file
// cannot be written) must not carry the exception out either.
TEST(Benutzeraktion, MeldedienstDerSelbstWirft) {
    class Kaputt : public TSkriptMeldungen {
    public:
        void Fehler(const QString&) override { throw EInOutError(QStringLiteral("Error Writing Log-File x")); }
    } m;
    EXPECT_FALSE(Benutzeraktion([] { throw std::runtime_error("x"); }, &m));
}

// The wrapper for connect() passes the signal's arguments and catches too.
TEST(Benutzeraktion, AktionsschutzFuerSlots) {
    TSkriptMeldungen m;
    SetzeMeldungen(&m);
    int summe = 0;
    auto slot = Aktionsschutz([&](int a, const QString& b) {
        summe = a + b.toInt();
        if (summe > 10) throw EInOutError(QStringLiteral("zu viel"));
    });
    slot(2, QStringLiteral("3"));
    EXPECT_EQ(summe, 5);
    slot(8, QStringLiteral("9"));
    SetzeMeldungen(nullptr);
    EXPECT_EQ(m.Texte(), QStringList{"zu viel"});
}
