#pragma once
// Unattended runs (NUVARWin.ini, [NUVARKom] Unbeaufsichtigt=1): schedulers
// start NUVARKom with nobody at the screen, so no box may wait for a person.
#include "common/Meldungen.h"
#include "kom/protocol/TransferAnsicht.h"

#include <QString>
#include <cstdio>

namespace nuvar {

// The setting, read from NUVARWin.ini in verzeichnis (default false).
bool Unbeaufsichtigt(const QString& verzeichnis);

// The one line that names why a sequence command failed: to the stream
// (stderr) and, while SchreibeLogDatei is on, to the protocol file
// NUVARKom.log in verzeichnis, as a box text of an unattended run goes.
void MeldeUrsache(const QString& verzeichnis, const QString& text, std::FILE* strom = stderr);

// The message service of an unattended run: every box text goes to the
// stream (stderr) and, while SchreibeLogDatei is on, to the protocol file
// NUVARKom.log in verzeichnis: through the open transfer window's writer
// when there is one, else appended with the configured line limit. Every
// question is answered No, the answer that deletes nothing.
class TUnbeaufsichtigterDienst : public TUnbeaufsichtigteMeldungen {
public:
    explicit TUnbeaufsichtigterDienst(const QString& verzeichnis, std::FILE* strom = stderr);
    // The question's text with the answer given, then No.
    bool Frage(const QString& text) override;

    static void Ausgeben(const QString& verzeichnis, std::FILE* strom, const QString& text);
};

// The transfer window of an unattended run: status lines go to the stream
// (for the scheduler's mail or journal), nothing is shown.
class TKonsolenAnsicht : public TNullAnsicht {
public:
    explicit TKonsolenAnsicht(std::FILE* strom = stderr) : strom_(strom) {}
    void StatusZeile(const QString& text) override;

private:
    std::FILE* strom_;
};

} // namespace nuvar
