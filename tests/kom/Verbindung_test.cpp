// Link establishment and teardown on the direct line, the modem choice
// without a modem, and the cancel button.
#include "Pruefstand.h"

#include <gtest/gtest.h>

using namespace nuvar;
using namespace nuvar::test;

TEST(Verbinden, RateUndSchnittstelle) {
    struct {
        int baud, schnittstelle;
        int rate;
        const char* text;
    } faelle[] = {
        {5, 0, 9600, "Direkte Datenleitung an COM1"},
        {0, 0, 1200, "Direkte Datenleitung an COM1"},
        {1, 1, 2400, "Direkte Datenleitung an COM2"},
        {2, 3, 4800, "Direkte Datenleitung an COM4"},
    };
    for (const auto& f : faelle) {
        Pruefstand s;
        EXPECT_TRUE(s.F().Connect(s.Direkt(f.schnittstelle, f.baud)));
        EXPECT_EQ(s.leitung->baudRate(), f.rate);
        EXPECT_EQ(s.leitung->portNumber(), f.schnittstelle + 1);
        EXPECT_EQ(s.ansicht->verbindung, f.text);
        EXPECT_EQ(s.ansicht->station, "Teststation");
        EXPECT_EQ(s.ansicht->rufnummer, "");
        EXPECT_FALSE(s.ansicht->rufnummerAktiv);
    }
}

TEST(Verbinden, AufweckenStatuszeilenUndZweitesConnect) {
    Pruefstand s;
    auto& w = s.F();
    EXPECT_TRUE(w.Connect(s.Direkt()));
    EXPECT_EQ(s.Zeilen(), (QStringList{"Initialisiere COM1...", "Sende Aufweckbefehl...", "Warte auf Antwort...",
                                      "Antwort empfangen..."}));
    EXPECT_EQ(s.peer.Stuecke(), QList<QByteArray>{QByteArray("\x02\nSTOPMO\x03" "017\r")});
    EXPECT_FALSE(w.Busy());
    EXPECT_EQ(w.GaugeProgress(), 0);
    // The link is up: only the labels are refreshed.
    s.peer.empfangen.clear();
    TVerbParam p = s.Direkt();
    p.StatName = "Andere";
    EXPECT_TRUE(w.Connect(p));
    EXPECT_TRUE(s.peer.empfangen.empty());
    EXPECT_EQ(s.ansicht->station, "Andere");
}

TEST(Verbinden, NakAufDenWeckbefehl) {
    Pruefstand s;
    s.antworten["STOPMO"] = {NakZeile()};
    EXPECT_FALSE(s.F().Connect(s.Direkt()));
    EXPECT_EQ(s.Zeilen().last(), "Fehler - Befehl nicht erkannt.");
    EXPECT_EQ(s.peer.Anzahl("STOPMO"), 1);
}

TEST(Verbinden, NichtUnterstuetzteArtenBeruehrenDenPortNicht) {
    for (int art : {1, 3, 4}) {
        Pruefstand s;
        TVerbParam p = s.Direkt();
        p.Verbindung = std::uint8_t(art);
        EXPECT_FALSE(s.F().Connect(p));
        EXPECT_EQ(s.Zeilen(), QStringList{"Ausgewählte Verbindungsart wird nicht unterstützt."});
        EXPECT_FALSE(s.leitung->isOpen());
        EXPECT_TRUE(s.peer.empfangen.empty());
    }
}

TEST(Verbinden, OeffnenScheitertMitGrund) {
    Pruefstand s;
    s.F();
    s.leitung->refuseOpen("Gerät /dev/ttyS1 ist belegt.");
    EXPECT_FALSE(s.F().Connect(s.Direkt(1)));
    EXPECT_EQ(s.Zeilen(),
              (QStringList{"Initialisiere COM2...", "Fehler beim Öffnen von COM2.", "Gerät /dev/ttyS1 ist belegt."}));
    EXPECT_TRUE(s.peer.empfangen.empty());
}

TEST(Trennen, SchliesstUndBeendetLaufendesWarten) {
    Pruefstand s;
    ASSERT_TRUE(s.Verbinde());
    auto& w = s.F();
    // The logger never answers GETPAR; the user presses "&Abbrechen" after 2 s.
    s.pump.startTimer(2000, [&] { s.ansicht->Abbrechen(); });
    const Millis start = s.pump.now();
    TStationsParameter st;
    TKanalTabelle k{};
    THardwareTabelle h{};
    QDateTime uhr;
    QByteArray typ;
    EXPECT_FALSE(w.GetPar(st, k, h, uhr, typ));
    EXPECT_LT(s.pump.now() - start, 4000);
    EXPECT_EQ(s.ansicht->titel, "Verbindung trennen...");
    EXPECT_FALSE(s.leitung->isOpen());
    EXPECT_FALSE(s.ansicht->sichtbar);
    EXPECT_FALSE(w.Busy());
    // A new Connect opens the line again and wakes the logger.
    s.peer.empfangen.clear();
    EXPECT_TRUE(w.Connect(s.Direkt()));
    EXPECT_EQ(s.peer.Anzahl("STOPMO"), 1);
}

TEST(Modem, OhneModemMeldungenUndKeinVerbindungsversuch) {
    Pruefstand s;
    TVerbParam p = s.Direkt();
    p.Verbindung = 2;
    p.Rufnummer = "0123456";
    EXPECT_FALSE(s.F().Connect(p));
    ASSERT_EQ(s.meldungen.gezeigt.size(), 2u);
    EXPECT_EQ(s.meldungen.gezeigt[0].art, TSkriptMeldungen::Art::Information);
    EXPECT_EQ(s.meldungen.gezeigt[0].text,
              "Es wurde bisher kein Modem ausgewählt oder das ausgwählte\nModem wurde von Ihrem System entfernt!\n"
              "Wählen Sie im folgenden Dialog ein Modem aus.");
    EXPECT_EQ(s.meldungen.gezeigt[1].art, TSkriptMeldungen::Art::Fehler);
    EXPECT_TRUE(s.meldungen.gezeigt[1].text.startsWith("Es wurde kein Modem ausgewählt und konfiguriert!\n"));
    EXPECT_TRUE(s.peer.empfangen.empty());
}
