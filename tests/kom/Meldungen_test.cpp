// The message service: unattended runs log every box and answer No, the
// script answers in order and then No.
#include "common/Meldungen.h"

#include <gtest/gtest.h>

using namespace nuvar;

TEST(Meldungen, UnbeaufsichtigtProtokolliertUndSagtNein) {
    QStringList log;
    TUnbeaufsichtigteMeldungen m([&](const QString& t) { log << t; });
    m.Information("i");
    m.Fehler("f");
    m.FehlerKurz("k");
    EXPECT_FALSE(m.Frage("Momentanwertmodus beenden?"));
    EXPECT_EQ(log, (QStringList{"i", "f", "k", "Momentanwertmodus beenden?"}));
}

TEST(Meldungen, SkriptAntwortenDannNein) {
    TSkriptMeldungen m;
    m.antworten = {true, false};
    EXPECT_TRUE(m.Frage("a"));
    EXPECT_FALSE(m.Frage("b"));
    EXPECT_FALSE(m.Frage("c"));
    EXPECT_EQ(m.Texte(), (QStringList{"a", "b", "c"}));

    // The program-wide service can be replaced and restored.
    SetzeMeldungen(&m);
    EXPECT_EQ(&Meldungen(), &m);
    SetzeMeldungen(nullptr);
    EXPECT_NE(&Meldungen(), &m);
}
