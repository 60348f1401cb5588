#pragma once
// The operation drivers: each carries out one user operation on a logger
// through the shared transfer window, from connect to disconnect, and keeps
// a link that existed before (a kept connection or a running instantaneous
// mode). They return when the operation is over; events keep being handled
// in every wait.
#include "kom/protocol/NUVARWnd.h"

#include <memory>
#include <optional>

namespace nuvar {

// The one transfer window the drivers share, or none.
std::unique_ptr<TNUVARFenster>& TransferWindow();

// Disconnects and releases TransferWindow. While one of its handlers or an
// operation still runs on it, it is destroyed only after they ended.
void SchliesseTransferWindow();

// One use of the shared transfer window by an operation: takes the kept
// window or creates one, pauses a running instantaneous stream for the
// operation and restarts it, and at its end releases what it created (with
// Disconnect) or hides the kept window, on every path, exceptions included.
class TVerbindungsnutzung {
public:
    struct TAnzeige {
        QString titel;       // StatusRxLabel1; empty leaves it
        QString statuszeile; // a line written before the window is shown
        bool zeigen = true;  // show the window and process events
    };
    TVerbindungsnutzung();
    explicit TVerbindungsnutzung(const TAnzeige& anzeige);
    ~TVerbindungsnutzung();
    TVerbindungsnutzung(const TVerbindungsnutzung&) = delete;
    TVerbindungsnutzung& operator=(const TVerbindungsnutzung&) = delete;

    TNUVARFenster& F() { return *w_; }
    // The window was created for this use.
    bool Eigenes() const { return eigenes_; }
    bool Verbinde(const TVerbParam& p) { return w_->Connect(p); }
    void Pause(int ms) { w_->Pump().Delay(ms); }
    // Stops a running instantaneous stream ("STOPMO") for the operation.
    void MomentanAnhalten();
    // Restarts a stream stopped here ("READMO") with the channel count given.
    // An operation that never gets here (an exception) restarts it with the
    // count it ran with.
    void MomentanFortsetzen(int kanaele);
    bool MomentanAngehalten() const { return angehalten_; }
    // The link stays after this use even when the window was created for it.
    void Behalten() { behalten_ = true; }
    // The window goes at the end whoever created it, without Disconnect
    // (releasing it closes its port).
    void Verwerfen() { verwerfen_ = true; }

private:
    TNUVARFenster* w_;
    bool eigenes_;
    bool behalten_ = false;
    bool verwerfen_ = false;
    bool angehalten_ = false;
    std::optional<TNUVARFenster::TBenutzung> benutzung_;
};

// The boundary of every driver, for routines that drive the transfer window
// the same way (the report retrieval): runs lauf on a scoped use of the
// window. An exception that ends it is recorded as the window's failure
// (a file error or a link error), written as a status line and shown in a
// box, and the window goes as after any failure; the result is then false.
bool MitTreibergrenze(const TVerbindungsnutzung::TAnzeige& anzeige,
                      const std::function<bool(TVerbindungsnutzung&)>& lauf);

void ConfigureProgram(bool zeigeRohdatenPfad);
bool OpenLink(const TVerbParam& p);
bool ReadLoggerTime(const TVerbParam& p, QDateTime& uhr, double& differenzTage);
bool SetLoggerTime(bool pcUhr, const TVerbParam& p, const QDateTime& zeit, double versatzTage = 0.0);
bool ReadStationParameters(TStationsParameter& station, TKanalTabelle& kanaele, const TVerbParam& p,
                           QDateTime& uhr, THardwareTabelle& hardware);
bool SendParameters(const TStationsParameter& station, const TKanalTabelle& kanaele, const TVerbParam& p,
                    const QDateTime& zeit, bool pcUhr);
bool ReadMeasuredData(const QString& pfad, const TVerbParam& p);
bool StartInstantaneousMode(TStationsParameter& station, TKanalTabelle& kanaele, const TVerbParam& p);
bool StopInstantaneousMode(const TVerbParam& p);
bool ClearDataMemory(const TVerbParam& p);
bool SendDigitalOutput(std::uint8_t kanal, std::uint8_t wert, const TVerbParam& p);

} // namespace nuvar
