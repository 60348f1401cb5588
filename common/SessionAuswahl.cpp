#include "common/SessionAuswahl.h"

#include "common/Ini.h"
#include "common/Meldungen.h"

#include <QDir>
#include <algorithm>

namespace nuvar {

const char* const kWaehleMessprogramm = "Wählen Sie ein Messprogramm aus der Liste!";

TSessionAuswVariante TSessionAuswVariante::NUVARKom() {
    TSessionAuswVariante v;
    v.Client = QSize(424, 253);
    v.FesteGroesse = true;
    v.Liste = QRect(8, 56, 408, 150);
    v.OKPos = QPoint(246, 218);
    v.AbbrechenPos = QPoint(335, 218);
    v.Vorauswahl = true;
    v.PfadRelativZumProgramm = false;
    return v;
}

TSessionAuswVariante TSessionAuswVariante::NuvarCfg() {
    TSessionAuswVariante v;
    v.Client = QSize(426, 296);
    v.FesteGroesse = false;
    v.Liste = QRect(8, 56, 408, 150);
    v.OKPos = QPoint(128, 256);
    v.AbbrechenPos = QPoint(216, 256);
    v.Hinweis = QString::fromUtf8("Wählen Sie durch Anklicken ein Messprogramm und klicken Sie auf \"OK\", \n"
                                  "um die Auswahl zu übernehmen.");
    v.HinweisPos = QPoint(24, 216);
    v.Vorauswahl = false;
    v.PfadRelativZumProgramm = true;
    return v;
}

QString SessionsIniPfad(const QString& eingestellt, const QString& programmVerzeichnis) {
    if (eingestellt.contains(QLatin1Char(':')) || QDir::isAbsolutePath(eingestellt)) return eingestellt;
    return QDir(programmVerzeichnis).filePath(eingestellt);
}

TSessionAuswahl::TSessionAuswahl(TSessionAuswVariante variante) : variante_(std::move(variante)) {}

void TSessionAuswahl::Fuellen(const TIniFile& ini) {
    zeilen_ = FuelleMessprogrammliste(ini);
    ausgewaehlt_ = zeilen_.empty() ? -1 : 0;
    fokus_ = ausgewaehlt_;
    if (variante_.Vorauswahl) ausgewaehlt_ = FindeMessprogramm(Kennung, zeilen_);
}

void TSessionAuswahl::Waehle(int zeile) { ausgewaehlt_ = Gueltig(zeile) ? zeile : -1; }

void TSessionAuswahl::SetzeFokus(int zeile) { fokus_ = Gueltig(zeile) ? zeile : -1; }

void TSessionAuswahl::DoppelKlick() {
    if (Gueltig(ausgewaehlt_)) Kennung = zeilen_[std::size_t(ausgewaehlt_)].Element.Kennung;
}

bool TSessionAuswahl::DarfSchliessen(bool mitOK, TMeldungen& meldungen) {
    if (!mitOK) return true;
    if (!Gueltig(ausgewaehlt_)) {
        meldungen.Information(QString::fromUtf8(kWaehleMessprogramm));
        return false;
    }
    Kennung = zeilen_[std::size_t(ausgewaehlt_)].Element.Kennung;
    return true;
}

int TSessionAuswahl::ScrollZeilen(int ganzSichtbareZeilen) const {
    const int zeile = Gueltig(ausgewaehlt_) ? ausgewaehlt_ : fokus_;
    if (!Gueltig(zeile) || zeile + 1 <= ganzSichtbareZeilen) return 0;
    return zeile - std::max(ganzSichtbareZeilen, 0) + 1;
}

} // namespace nuvar
