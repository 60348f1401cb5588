#pragma once
// The logic of the programme selection dialog, without a widget: the rows,
// which row is selected and which carries the focus mark, the preselection,
// the close check and the scroll after opening. Both programs use it; what
// differs between them is a TSessionAuswVariante.
#include "common/MessProg.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace nuvar {

class TIniFile;
class TMeldungen;

// Refused OK: no row is selected.
extern const char* const kWaehleMessprogramm;  // "Wählen Sie ein Messprogramm aus der Liste!"

// What the two programs' dialogs differ in. Positions are client
// coordinates in pixels.
struct TSessionAuswVariante {
    QSize Client;             // client area
    bool FesteGroesse = true; // held at Client (no resizing)
    QRect Liste;              // SessionListView1
    QPoint OKPos;             // OKButton1
    QPoint AbbrechenPos;      // AbbrechenButton1
    QSize Knopf{81, 25};
    // The second label below the list; empty: none.
    QString Hinweis;
    QPoint HinweisPos;
    // The caller's key preselects its row (no row selected when it names no
    // programme); without, the first row stays selected.
    bool Vorauswahl = true;
    // The sessions.ini path is a setting: a relative one is taken from the
    // program directory (SessionsIniPfad). Without, the path is used as given.
    bool PfadRelativZumProgramm = false;

    // The communications program: held at 424 x 253 (client), preselection
    // from the key the caller passes.
    static TSessionAuswVariante NUVARKom();
    // The configurator: 426 x 296, resizable, the second label, no
    // preselection, the path rule of its setting.
    static TSessionAuswVariante NuvarCfg();
};

// The configurator's rule for its sessions.ini setting: a relative path (and
// one without a drive, as files from Windows may carry) lies in the program
// directory; an absolute path is used unchanged.
QString SessionsIniPfad(const QString& eingestellt, const QString& programmVerzeichnis);

class TSessionAuswahl {
public:
    explicit TSessionAuswahl(TSessionAuswVariante variante);

    const TSessionAuswVariante& Variante() const { return variante_; }

    // The programme key. In: the row to preselect (variants with
    // Vorauswahl). Out, after an accepted close: the chosen programme.
    QString Kennung;

    // Replaces the rows by the programmes of the file. The first row, if
    // any, is selected and carries the focus mark; then, in variants with
    // preselection, the row of Kennung is selected instead, or none when no
    // row has that key (the focus mark stays on the first row).
    void Fuellen(const TIniFile& ini);

    const std::vector<TMessprogrammZeile>& Zeilen() const { return zeilen_; }
    int Ausgewaehlt() const { return ausgewaehlt_; }  // -1: none
    int Fokus() const { return fokus_; }              // -1: none
    // The user selected a row (-1 or out of range: none).
    void Waehle(int zeile);
    void SetzeFokus(int zeile);

    // A double click anywhere in the list: takes the selected row's key (if
    // a row is selected) and asks to close with OK, which the close check
    // still decides.
    void DoppelKlick();
    // The close check. Closing with Cancel is always allowed. Closing with
    // OK and no row selected shows kWaehleMessprogramm through the message
    // service and is refused; otherwise Kennung becomes the selected row's key.
    bool DarfSchliessen(bool mitOK, TMeldungen& meldungen);

    // How many rows to scroll down once after opening so that the row the
    // user is to see (the selected one, else the focused one) is fully
    // visible; 0 when it already is.
    int ScrollZeilen(int ganzSichtbareZeilen) const;

private:
    bool Gueltig(int zeile) const { return zeile >= 0 && zeile < int(zeilen_.size()); }

    TSessionAuswVariante variante_;
    std::vector<TMessprogrammZeile> zeilen_;
    int ausgewaehlt_ = -1;
    int fokus_ = -1;
};

} // namespace nuvar
