#pragma once
// The operation drivers: each carries out one user operation on a logger
// through the shared transfer window, from connect to disconnect, and keeps
// a link that existed before (a kept connection or a running instantaneous
// mode). They return when the operation is over; events keep being handled
// in every wait.
#include "kom/protocol/NUVARWnd.h"

#include <memory>

namespace nuvar {

// The one transfer window the drivers share, or none.
std::unique_ptr<TNUVARFenster>& TransferWindow();

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
