#pragma once
// The simulated data logger: the far end of the line. It answers the command
// frames of the communications program as a logger does, keeps a station, a
// channel table, a clock and a data memory that the write commands change,
// paces its output at the baud rate, shows faults on request and can sit
// behind a Hayes modem. In process it is the WirePeer of the platform's
// in-process line; on a pseudo-terminal PtyLeitung feeds it.
#include "platform/ByteSource.h"
#include "platform/EventPump.h"
#include "sim/SimOptions.h"
#include "sim/SimStation.h"
#include "sim/SimWetter.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace nuvar {

class SimLeitung;
class SimModem;

class SimLogger : public WirePeer {
public:
    // Throws what loading the station file throws (EInOutError, EConvertError,
    // ERangeError).
    SimLogger(EventPump& pump, SimOptions optionen);
    ~SimLogger() override;
    SimLogger(const SimLogger&) = delete;
    SimLogger& operator=(const SimLogger&) = delete;

    // --- WirePeer
    void hostWrote(const QByteArray& bytes) override;
    void hostOpened(int baud) override;
    void hostClosed() override;
    void hostBaudRate(int baud) override;
    void hostDtr(bool on) override;

    // --- state, as the logger holds it
    const SimOptions& Optionen() const { return opt_; }
    const SimStation& Station() const { return station_; }
    // The station record as the program decodes it from GETSTA/GETPAR (the
    // true values; faults that misreport are not applied here).
    TStationsParameter Stationsparameter() const;
    std::vector<TKanalEintrag> Kanaele() const { return station_.Kanaele(); }
    QDateTime Uhr() const;
    // Stored records and the memory image READMC would send now (records,
    // then 0xFF up to the end of the last block).
    int Datensaetze() const;
    QByteArray Speicher() const;
    QByteArray Speicherabbild() const;
    // The 3072-byte parameter image GETPAR would send now.
    QByteArray Parameterabbild() const;
    // Output channel -> byte, as set by SETOUT.
    const QMap<int, int>& Ausgaenge() const { return ausgaenge_; }
    bool Momentanbetrieb() const { return momentanTimer_ != 0; }
    bool ModemVerbunden() const;
    // The payload of GETMED/GETMDX/GETGMD (1, 3 or 4 values per channel) now.
    QByteArray Werte(int proKanal) const;
    // One stored record for the given time.
    QByteArray Satz(const QDateTime& zeit) const;

    // Every frame, line and block received and sent, in order.
    struct Eintrag {
        Millis zeit;
        bool empfangen;
        QByteArray bytes;
    };
    const std::vector<Eintrag>& Protokoll() const { return protokoll_; }
    // Payloads of the valid frames received (command and parameter frames).
    const std::vector<QByteArray>& EmpfangeneRahmen() const { return empfangen_; }
    // Receives each human-readable log line as it happens.
    std::function<void(const QString&)> onMeldung;
    // Readable form of wire bytes: control characters by name, a block as
    // its length and end byte.
    static QString Lesbar(const QByteArray& bytes);

private:
    enum class Zustand { Bereit, WarteParameter, Download, Upload };

    void Eingang(const QByteArray& bytes);  // bytes for the logger itself
    void Zeile(const QByteArray& zeile);
    void UploadBlock(const QByteArray& block);
    void Befehl(const QByteArray& wort);
    void Parameter(const QByteArray& payload);
    void Quittung(bool ack);

    void Sende(const QByteArray& bytes, const QByteArray& befehl, bool antwort);
    void SendeRahmen(const QByteArray& payload, const QByteArray& befehl, bool merken);
    void SendeAck(const QByteArray& befehl);
    void SendeNak();
    void SendeBlock();
    void StarteDownload(const QByteArray& befehl, const QByteArray& abbild);
    void StoppeMomentan();
    void Momentanwert();
    void LeitungWeg();          // the logger drops the line
    void Ruecksetzen();         // forget every exchange in progress
    void Melde(const QString& text);
    void Aufzeichnen(bool empfangen, const QByteArray& bytes);

    bool FehlerTrifft(SimFehler::Art art, const QByteArray& befehl, int* index = nullptr);
    void SpeicherNachfuehren() const;
    void SpeicherLoeschen();
    int FreieTage() const;
    double Batterie() const;
    QByteArray GemeldeterBlock() const;

    EventPump& pump_;
    SimOptions opt_;
    SimStation station_;
    SimWetter wetter_;
    std::unique_ptr<SimLeitung> leitung_;
    std::unique_ptr<SimModem> modem_;

    // clock: basis_ at pump time basisPump_
    QDateTime basis_;
    Millis basisPump_ = 0;

    // memory, brought up to the clock lazily
    mutable QByteArray speicher_;
    mutable int saetze_ = 0;
    mutable QDateTime naechsterSatz_;

    Zustand zustand_ = Zustand::Bereit;
    QByteArray eingang_;
    QByteArray warteBefehl_;             // command whose parameter frame is awaited
    QByteArray letzteAntwort_;           // reply sent again on a NAK line
    QByteArray letzteAntwortBefehl_;
    int wiederholungen_ = 0;
    std::vector<QByteArray> bloecke_;    // download in progress
    size_t blockNr_ = 0;
    QByteArray downloadBefehl_;
    QByteArray upload_;                  // SETCCT blocks received so far
    EventPump::TimerId uploadTimer_ = 0;
    EventPump::TimerId momentanTimer_ = 0;
    EventPump::TimerId abbruchTimer_ = 0;
    std::vector<EventPump::TimerId> antwortTimer_;
    int hostBaud_ = 0;

    std::vector<int> fehlerZaehler_;
    std::vector<bool> abbruchErledigt_;
    quint32 rauschSaat_ = 12345;

    QMap<int, int> ausgaenge_;
    std::vector<Eintrag> protokoll_;
    std::vector<QByteArray> empfangen_;
};

}  // namespace nuvar
