#include "kom/reports/Berichte.h"

#include "common/Meldungen.h"
#include "common/ProgrammVerzeichnis.h"
#include "kom/protocol/Treiber.h"
#include "kom/reports/HtmlSeite.h"
#include "kom/reports/Mittelwertdatei.h"
#include "kom/reports/Synop.h"

namespace nuvar {

namespace {

void Pause(int ms) {
    if (EventPump* pump = Umgebung().pump)
        pump->Delay(ms);
}

TBerichtMeldung Senke(const TBerichtMeldung& meldung) {
    if (meldung)
        return meldung;
    return [](const QString& text) {
        TMeldungen* dienst = Umgebung().meldungen;
        (dienst ? *dienst : Meldungen()).FehlerKurz(text);
    };
}

QString MarkenVerzeichnis() {
    const QString& v = Umgebung().verzeichnis;
    return v.isEmpty() ? ProgrammVerzeichnis() : v;
}

bool KoordinatenPruefen(const TSYNOPParam& param, const TBerichtMeldung& melde) {
    // The same check the message makes later, before a call is paid for.
    double breite = 0.0, laenge = 0.0;
    return PruefeKoordinaten(param, breite, laenge, melde);
}

// One retrieval with the values of the report in ds (all seventeen codes).
struct TAbruf {
    QString antwort;
    TStationsParameter station;
    TKanalTabelle kanaele{};
    QByteArray typ;
    TSynopDS ds;
};

bool Abrufen(TAbruf& a, const TVerbParam& p, TCodeSatz satz) {
    // A caller that names a mean-value table gets it with the report (macros
    // always do); sequence commands clear the name before they call.
    if (!HoleAktuelleWerte(a.antwort, a.station, a.kanaele, p, a.typ))
        return false;
    FuelleSynopDS(a.ds, a.antwort, a.kanaele, a.station.Kanalanzahl, a.typ, satz);
    return true;
}

}  // namespace

bool HoleAktuelleWerte(QString& antwort, TStationsParameter& station, TKanalTabelle& kanaele,
                       TVerbParam p, QByteArray& loggertyp) {
    // A driver's boundary: an error under Connect or while the mean-value
    // table is written ends the retrieval, not the program.
    return MitTreibergrenze({QString(), QStringLiteral("Auto-Datenabruf..."), true}, [&](TVerbindungsnutzung& n) {
        TNUVARFenster& w = n.F();
        bool ok = n.Verbinde(p);
        if (ok) {
            n.MomentanAnhalten();
            ok = w.CheckStation(p);
            n.Pause(500);
            if (ok) {
                THardwareTabelle hardware{};
                QDateTime uhr;
                ok = w.GetPar(station, kanaele, hardware, uhr, loggertyp);
                n.Pause(500);
            }
            if (ok) {
                QString zeile = antwort;
                switch (WerteProKanal(loggertyp)) {
                case 3: ok = w.GetMdx(zeile, station); break;
                case 4: ok = w.GetGmd(zeile, station); break;
                default: ok = w.GetMed(zeile, station); break;
                }
                if (ok)
                    antwort = zeile;
            }
            if (ok && !p.Dateiname.isEmpty()) {
                const QString kopie = antwort;
                ok = SchreibeMittelwertDatei(p.Dateiname, kopie, kanaele, station.Kanalanzahl, loggertyp,
                                             [&w](const QString& text) { w.StatusLine(text); });
            }
        }
        n.Pause(500);
        n.MomentanFortsetzen(station.Kanalanzahl);
        return ok;
    });
}

bool ErstelleSYNOP(const TSYNOPParam& param, const TVerbParam& p, const TBerichtMeldung& meldung) {
    const TBerichtMeldung melde = Senke(meldung);
    if (!KoordinatenPruefen(param, melde))
        return false;
    TAbruf a;
    if (!Abrufen(a, p, TCodeSatz::Synop))
        return false;
    if (!BereiteSynopVor(a.ds, param, a.antwort, melde) || !HaengeSynopAn(param.Datei, a.ds, melde))
        return false;
    Pause(500);
    return SchreibeFertigMarke(MarkenVerzeichnis(), melde);
}

bool ErstelleHTML(const TSYNOPParam& param, const TVerbParam& p, const TBerichtMeldung& meldung) {
    const TBerichtMeldung melde = Senke(meldung);
    TAbruf a;
    if (!Abrufen(a, p, TCodeSatz::Alle))
        return false;
    if (!ErzeugeSeite(param.Datei, a.ds, a.antwort, a.kanaele, a.station.Kanalanzahl, melde))
        return false;
    Pause(500);
    return SchreibeFertigMarke(MarkenVerzeichnis(), melde);
}

bool ErstelleSYNOPundHTML(const TSYNOPParam& synop, const TSYNOPParam& html, const TVerbParam& p,
                          const TBerichtMeldung& meldung) {
    const TBerichtMeldung melde = Senke(meldung);
    if (!KoordinatenPruefen(synop, melde))
        return false;
    TAbruf a;
    if (!Abrufen(a, p, TCodeSatz::Alle))
        return false;
    const bool nachricht = BereiteSynopVor(a.ds, synop, a.antwort, melde) && HaengeSynopAn(synop.Datei, a.ds, melde);
    const bool seite = ErzeugeSeite(html.Datei, a.ds, a.antwort, a.kanaele, a.station.Kanalanzahl, melde);
    if (!nachricht || !seite)
        return false;
    Pause(500);
    return SchreibeFertigMarke(MarkenVerzeichnis(), melde);
}

} // namespace nuvar
