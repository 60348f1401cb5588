#pragma once
// Test bench for the transfer window: a virtual pump, an in-process line and
// a scripted logger that records every line and block it receives with the
// virtual time it arrived.
#include "common/Meldungen.h"
#include "common/Rahmen.h"
#include "kom/protocol/NUVARWnd.h"
#include "platform/EventPump.h"
#include "platform/PeerLine.h"

#include <QTemporaryDir>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace nuvar::test {

inline QByteArray OhneCR(const QByteArray& b) { return b.endsWith('\r') ? b.left(b.size() - 1) : b; }

// The far end, answering from a script. Host bytes are cut into lines at CR;
// while blocksErwartet is above 0 the next 1031 bytes form one block.
class SkriptPeer : public WirePeer {
public:
    explicit SkriptPeer(EventPump& pump) : pump_(pump) {}

    struct Empfang {
        Millis zeit;
        QByteArray bytes;  // with its CR
    };
    std::vector<Empfang> empfangen;
    // Called for every complete line or block (with its CR).
    std::function<void(const QByteArray&)> beiZeile;
    int blocksErwartet = 0;
    bool geoeffnet = false;

    void hostWrote(const QByteArray& b) override {
        for (char c : b) {
            puffer_.append(c);
            if (blocksErwartet > 0) {
                if (puffer_.size() < kBlockLaenge) continue;
                --blocksErwartet;
            } else if (c != '\r') {
                continue;
            }
            const QByteArray stueck = puffer_;
            puffer_.clear();
            empfangen.push_back({pump_.now(), stueck});
            if (beiZeile) beiZeile(stueck);
        }
    }
    void hostOpened(int) override { geoeffnet = true; }
    void hostClosed() override { geoeffnet = false; }

    // Sends bytes to the host after ms (as one delivery).
    void Sende(const QByteArray& bytes, Millis ms = 20) {
        pump_.startTimer(ms, [this, bytes] {
            if (sendToHost) sendToHost(bytes);
        });
    }

    QList<QByteArray> Stuecke() const {
        QList<QByteArray> l;
        for (const auto& e : empfangen) l << e.bytes;
        return l;
    }
    // How often a frame with this payload arrived.
    int Anzahl(const QByteArray& payload) const {
        int n = 0;
        for (const auto& e : empfangen) n += e.bytes == BaueRahmen(payload);
        return n;
    }
    std::vector<Millis> Zeiten(const QByteArray& bytes) const {
        std::vector<Millis> t;
        for (const auto& e : empfangen)
            if (e.bytes == bytes) t.push_back(e.zeit);
        return t;
    }

private:
    EventPump& pump_;
    QByteArray puffer_;
};

// A logger that answers the wake-up and then whatever `antworten` says: the
// key is the payload of a received frame, the value the bytes sent back.
struct Pruefstand {
    VirtualPump pump{0};
    SkriptPeer peer{pump};
    TSkriptMeldungen meldungen;
    QTemporaryDir dir;
    TFensterUmgebung umgebung;
    TAufzeichnendeAnsicht* ansicht = nullptr;
    PeerLine* leitung = nullptr;
    QDateTime basis{QDate(2005, 6, 15), QTime(12, 0, 0)};
    std::map<QByteArray, std::vector<QByteArray>> antworten;  // payload -> replies (one per call)
    bool weckenBeantworten = true;
    std::unique_ptr<TNUVARFenster> fenster;

    Pruefstand() {
        umgebung.pump = &pump;
        umgebung.leitung = [this](const QString&) {
            auto l = std::make_unique<PeerLine>(pump, peer);
            leitung = l.get();
            return l;
        };
        umgebung.ansicht = [this] {
            auto a = std::make_unique<TAufzeichnendeAnsicht>();
            ansicht = a.get();
            return a;
        };
        umgebung.meldungen = &meldungen;
        umgebung.verzeichnis = dir.path();
        umgebung.uhr = [this] { return basis.addMSecs(pump.now()); };
        peer.beiZeile = [this](const QByteArray& z) { Antworte(z); };
    }

    void Antworte(const QByteArray& z) {
        const QByteArray payload = TNUVARFenster::CheckFrame(OhneCR(z));
        if (payload == "STOPMO" && weckenBeantworten && antworten.find("STOPMO") == antworten.end()) {
            peer.Sende(AckZeile());
            return;
        }
        auto it = antworten.find(payload);
        if (it == antworten.end() || it->second.empty()) return;
        QByteArray r = it->second.front();
        if (it->second.size() > 1) it->second.erase(it->second.begin());
        if (!r.isEmpty()) peer.Sende(r);
    }

    TNUVARFenster& F() {
        if (!fenster) {
            fenster = std::make_unique<TNUVARFenster>(umgebung);
            fenster->Show();
        }
        return *fenster;
    }
    TVerbParam Direkt(int schnittstelle = 0, int baud = 3) const {
        TVerbParam p;
        p.Verbindung = 0;
        p.Schnittstelle = std::uint8_t(schnittstelle);
        p.Baudrate = std::uint8_t(baud);
        p.StatName = QStringLiteral("Teststation");
        return p;
    }
    bool Verbinde() {
        const bool ok = F().Connect(Direkt());
        peer.empfangen.clear();
        ansicht->zeilen.clear();
        return ok;
    }
    QStringList Zeilen() const { return ansicht ? ansicht->zeilen : QStringList(); }

    // The logger answers `befehl` with an ACK line and the first block of
    // abbild, and sends the next block after each ACK line of the host (the
    // same block again after a NAK line); the last block ends with ETB. With
    // bloecke >= 0 it falls silent after that many blocks.
    void Bloecke(const QByteArray& befehl, const QByteArray& abbild, int bloecke = -1) {
        auto stand = std::make_shared<int>(-1);
        auto begonnen = std::make_shared<bool>(false);
        const int anzahl = int((abbild.size() + 1023) / 1024);
        auto block = [abbild, anzahl](int n) {
            QByteArray d = abbild.mid(1024 * n, 1024);
            d.append(QByteArray(1024 - d.size(), '\0'));
            return BaueBlock(d, n == anzahl - 1 ? '\x17' : '\x03');
        };
        auto vorher = peer.beiZeile;
        peer.beiZeile = [this, befehl, block, anzahl, bloecke, stand, begonnen, vorher](const QByteArray& z) {
            if (z == BaueRahmen(befehl)) {
                // A logger that falls silent stays silent.
                if (bloecke >= 0 && *begonnen) return;
                *begonnen = true;
                *stand = 0;
                peer.Sende(bloecke == 0 ? AckZeile() : AckZeile() + block(0));
            } else if (*stand >= 0 && z == AckZeile()) {
                if (++*stand < anzahl && (bloecke < 0 || *stand < bloecke)) peer.Sende(block(*stand));
                else *stand = -1;
            } else if (*stand >= 0 && z == NakZeile()) {
                peer.Sende(block(*stand));
            } else if (vorher) {
                vorher(z);
            }
        };
    }
};

// A station block of 42 characters.
inline QByteArray Stationsblock(int nummer, const QByteArray& name16, int mittel, int saetze = 120,
                                const QByteArray& batt = "12.5") {
    QByteArray b;
    b += QByteArray::number(nummer).rightJustified(3, '0');
    b += name16.leftJustified(16, ' ', true);
    b += batt;
    b += QByteArray::number(mittel).rightJustified(2, '0');
    b += "060";
    b += "0";
    b += "1";
    b += "0";
    b += "0123";
    b += "08";
    b += QByteArray::number(saetze).rightJustified(5, '0');
    return b;
}

// A parameter image of 3072 bytes.
struct Parameterabbild {
    QByteArray bytes = QByteArray(3072, '\0');
    void Slot(int k, std::uint8_t code, std::uint8_t position, const QByteArray& einheit = "mm",
              const QByteArray& bez = "Reg") {
        QByteArray slot(29, '\0');
        slot[0] = char(code);
        for (int i = 0; i < einheit.size() && i < 5; ++i) slot[1 + i] = einheit[i];
        const float werte[4] = {1.5f, -2.0f, 0.0f, 100.0f};
        for (int v = 0; v < 4; ++v) {
            std::uint32_t u;
            std::memcpy(&u, &werte[v], 4);
            for (int i = 0; i < 4; ++i) slot[6 + 4 * v + i] = char((u >> (8 * i)) & 0xFF);
        }
        for (int i = 0; i < bez.size() && i < 6; ++i) slot[22 + i] = bez[i];
        slot[28] = char(position);
        bytes.replace(29 * k, 29, slot);
    }
    void Station(const QByteArray& block) { bytes.replace(2784, 42, block); }
    void Hardware(int eingang, std::uint8_t typ) { bytes[2826 + eingang] = char(typ); }
    void Uhr(const QByteArray& text) { bytes.replace(2922, 12, text); }
    void Typ(const QByteArray& typ) { bytes.replace(2934, 6, typ); }
};

// A parameter image of `kanaele` channels on inputs 0.. and a station that
// reports `saetze` records.
inline QByteArray ParameterMitKanaelen(int kanaele, int saetze) {
    Parameterabbild a;
    for (int i = 0; i < kanaele; ++i) a.Slot(i, 5, std::uint8_t(i + 1));
    a.Station(Stationsblock(7, "Hohe Warte", 10, saetze));
    a.Uhr("050615120000");
    a.Typ("VRX410");
    return a.bytes;
}

} // namespace nuvar::test
