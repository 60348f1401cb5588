#pragma once
// The main window's tests share this bench: the simulated demonstration
// station on the virtual clock as the transfer window's line, scripted
// message boxes, a program directory of its own, a PC clock an hour behind
// the logger's.
#include "common/Meldungen.h"
#include "kom/protocol/Treiber.h"
#include "platform/PeerLine.h"
#include "sim/SimLogger.h"

#include <QDateTime>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimeZone>
#include <memory>

namespace nuvar::test {

struct SimStand {
    VirtualPump pump{0};
    std::unique_ptr<SimLogger> logger;
    TSkriptMeldungen meldungen;
    QTemporaryDir dir;

    explicit SimStand(SimOptions o = {}) {
        o.uhrStart = QDateTime(QDate(2026, 3, 1), QTime(8, 3, 0), QTimeZone::utc());
        o.aufzeichnen = false;
        logger = std::make_unique<SimLogger>(pump, o);
        TFensterUmgebung& u = Umgebung();
        u = TFensterUmgebung{};
        u.pump = &pump;
        u.leitung = [this](const QString&) { return std::make_unique<PeerLine>(pump, *logger); };
        u.meldungen = &meldungen;
        u.verzeichnis = dir.path();
        u.uhr = [this] {
            return QDateTime(QDate(2026, 3, 1), QTime(7, 3, 0), QTimeZone::utc()).addMSecs(pump.now());
        };
    }
    ~SimStand() {
        TransferWindow().reset();
        Umgebung() = TFensterUmgebung{};
    }
    SimStand(const SimStand&) = delete;
    SimStand& operator=(const SimStand&) = delete;

    // sessions.ini in the program directory: [Allgemein] with Aktiv, then a
    // programme "P1" for the simulated station, then the further sections.
    void Sitzungen(const QByteArray& aktiv, const QByteArray& weitere = {}) const {
        const TStationsParameter st = logger->Stationsparameter();
        QFile f(dir.filePath("sessions.ini"));
        if (!f.open(QIODevice::WriteOnly)) return;
        f.write("[Allgemein]\r\nAktiv=" + aktiv + "\r\n[P1]\r\nBezeichnung=Versuchsfeld\r\nStatNr=" +
                QByteArray::number(st.Stationsnummer) + "\r\nStatName=Demostation\r\nMittelwertzeit=" +
                QByteArray::number(st.Mittelwertintervall) + "\r\nSchnittstelle=0\r\nBaudrate=3\r\n" + weitere);
    }
    // The frames the logger received since the last VergissBefehle().
    QStringList Befehle() const {
        QStringList l;
        const auto& r = logger->EmpfangeneRahmen();
        for (std::size_t i = ab_; i < r.size(); ++i) l << QString::fromLatin1(r[i]);
        return l;
    }
    void VergissBefehle() { ab_ = logger->EmpfangeneRahmen().size(); }
    int Anzahl(const char* befehl) const { return int(Befehle().count(QString::fromLatin1(befehl))); }

private:
    std::size_t ab_ = 0;
};

} // namespace nuvar::test
