#include "sim/SimStation.h"

#include "common/Fehler.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <map>

namespace nuvar {

QByteArray Ziffern(long long wert, int breite) {
    long long grenze = 1;
    for (int i = 0; i < breite; ++i) grenze *= 10;
    wert = std::clamp<long long>(wert, 0, grenze - 1);
    return QByteArray::number(wert).rightJustified(breite, '0');
}

QByteArray UhrText(const QDateTime& zeit) {
    return zeit.toString(QStringLiteral("yyMMddHHmmss")).toLatin1();
}

QByteArray SimStation::SlotAusEintrag(const TKanalEintrag& e) {
    // The slot is the entry without its leading input number.
    const auto b = e.encode();
    return QByteArray(reinterpret_cast<const char*>(b.data()) + 1, kSlotGroesse);
}

TKanalEintrag SimStation::EintragAusSlot(const QByteArray& slot, int nummer) {
    std::array<std::uint8_t, TKanalEintrag::kGroesse> b{};
    b[0] = std::uint8_t(nummer);
    for (int i = 0; i < kSlotGroesse && i < slot.size(); ++i) b[i + 1] = std::uint8_t(slot[i]);
    return TKanalEintrag::decode(b);
}

namespace {
// Text field as the configurator writes it: OEM bytes, blanks, a zero byte.
template <size_t N>
void Textfeld(std::array<std::uint8_t, N>& feld, const QByteArray& oem) {
    for (size_t i = 0; i < N; ++i) feld[i] = ' ';
    for (size_t i = 0; i + 1 < N && i < size_t(oem.size()); ++i) feld[i] = std::uint8_t(oem[i]);
    feld[N - 1] = 0;
}

TKanalEintrag Kanal(int eingang, int code, const QByteArray& einheit, float a, float b, float min, float max,
                    const QByteArray& bezeichnung, int position) {
    TKanalEintrag e;
    e.Kanalnummer = std::uint8_t(eingang);
    e.Sensorcode = std::uint8_t(code);
    Textfeld(e.Einheit, einheit);
    e.a = a;
    e.b = b;
    e.Min = min;
    e.Max = max;
    Textfeld(e.Bezeichnung, bezeichnung);
    e.Position = std::uint8_t(position);
    return e;
}
}  // namespace

SimStation SimStation::Demo() {
    SimStation s;
    s.stationsnummer = 101;
    s.name = "Demostation Nord";
    s.mittelwertintervall = 10;
    s.messintervall = 10;
    s.speichergroesse = 4;
    // Channel types of the inputs: 16 inputs of each of six kinds.
    for (int i = 0; i < kSlotAnzahl; ++i) s.hardware[i] = char(1 + i / 16);
    const QByteArray grad = "\xF8";  // degree sign in the OEM code page
    const TKanalEintrag kanaele[] = {
        Kanal(0, 0x01, grad + "C", 0.025f, -40.0f, -40.0f, 60.0f, "t2m", 1),
        Kanal(1, 0x02, "%", 0.025f, 0.0f, 0.0f, 100.0f, "rf", 2),
        Kanal(2, 0x03, "hPa", 0.075f, 800.0f, 800.0f, 1100.0f, "ld", 3),
        Kanal(3, 0x04, grad, 0.09f, 0.0f, 0.0f, 360.0f, "wr", 4),
        Kanal(4, 0x05, "m/s", 0.015f, 0.0f, 0.0f, 60.0f, "wg", 5),
        Kanal(5, 0x06, "mm", 0.1f, 0.0f, 0.0f, 100.0f, "nied", 6),
        Kanal(6, 0x01, grad + "C", 0.025f, -40.0f, -40.0f, 60.0f, "tbn", 7),
        Kanal(7, 0x07, grad + "C", 0.015f, -20.0f, -20.0f, 40.0f, "bod5", 8),
        Kanal(8, 0x08, "V", 0.005f, 0.0f, 0.0f, 20.0f, "akku", 9),
        Kanal(9, 0x09, "W/m2", 0.4f, 0.0f, 0.0f, 1600.0f, "gs", 10),
    };
    for (const TKanalEintrag& e : kanaele)
        s.kanalslots.replace(e.Kanalnummer * kSlotGroesse, kSlotGroesse, SlotAusEintrag(e));
    return s;
}

SimStation SimStation::AusDatei(const QString& pfad) {
    if (!QFileInfo::exists(pfad))
        throw EInOutError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(pfad));
    TDATDatei datei;
    datei.LoadFromFile(pfad);
    return AusKonfiguration(datei);
}

SimStation SimStation::AusKonfiguration(const TDATDatei& datei) {
    SimStation s;
    const TStationsParameter& p = datei.Stationsparameter();
    s.stationsnummer = p.Stationsnummer;
    // The logger's name field holds 16 characters: the file's text, blank padded.
    QByteArray name(reinterpret_cast<const char*>(p.Stationsname.data()), 16);
    const int null = name.indexOf('\0');
    if (null >= 0) name.truncate(null);
    s.name = name.leftJustified(16, ' ', true);
    s.mittelwertintervall = p.Mittelwertintervall > 0 ? p.Mittelwertintervall : 10;
    s.messintervall = p.Messintervall > 0 ? p.Messintervall : 10;
    s.sleepmodus = p.Sleepmodus;
    s.ausgelesen = p.Ausgelesen;
    s.reserve = p.Reserve;
    s.speichergroesse = p.Speichergroesse > 0 ? p.Speichergroesse : 4;
    for (int i = 0; i < kSlotAnzahl && i < datei.HardwareCount(); ++i) s.hardware[i] = char(datei.GetHardware(i));
    for (int i = 0; i < datei.ChannelCount(); ++i) {
        TKanalEintrag e = datei.GetChannel(i);
        if (e.Kanalnummer >= kSlotAnzahl) continue;
        e.Position = std::uint8_t(i + 1);
        s.kanalslots.replace(e.Kanalnummer * kSlotGroesse, kSlotGroesse, SlotAusEintrag(e));
    }
    return s;
}

QByteArray SimStation::Abbildtext() const {
    QByteArray t = "# nuvarsim: Stand der Station\n";
    const auto zeile = [&t](const char* key, const QByteArray& wert) { t += key + ('=' + wert) + '\n'; };
    zeile("Stationsnummer", QByteArray::number(stationsnummer));
    zeile("Stationsname", name.toHex());
    zeile("Mittelwertintervall", QByteArray::number(mittelwertintervall));
    zeile("Messintervall", QByteArray::number(messintervall));
    zeile("Sleepmodus", QByteArray::number(sleepmodus));
    zeile("Ausgelesen", QByteArray::number(ausgelesen));
    zeile("Speichergroesse", QByteArray::number(speichergroesse));
    zeile("Loggertyp", loggertyp);
    zeile("Hardware", hardware.toHex());
    for (int k = 0; k < kSlotAnzahl; ++k) {
        const QByteArray slot = kanalslots.mid(k * kSlotGroesse, kSlotGroesse);
        if (slot[0] == 0 || slot[28] == 0) continue;
        t += "Kanal" + QByteArray::number(k) + '=' + slot.toHex() + '\n';
    }
    return t;
}

void SimStation::SetzeLoggertyp(const QByteArray& typ) { loggertyp = typ.leftJustified(6, ' ', true); }

std::vector<TKanalEintrag> SimStation::Kanaele() const {
    // Positions normally run 1..n; two kanalslots claiming one position both
    // count, in slot order, as the program reading the image would see.
    std::multimap<int, TKanalEintrag> nachPosition;
    for (int k = 0; k < kSlotAnzahl; ++k) {
        const QByteArray slot = kanalslots.mid(k * kSlotGroesse, kSlotGroesse);
        if (slot[0] == 0 || slot[28] == 0) continue;
        nachPosition.emplace(std::uint8_t(slot[28]), EintragAusSlot(slot, k));
    }
    std::vector<TKanalEintrag> liste;
    for (auto& [pos, e] : nachPosition) liste.push_back(e);
    return liste;
}

int SimStation::Kapazitaet() const { return speichergroesse * 32768 / Satzgroesse(); }

QByteArray SimStation::Stationsblock(int gemeldeteNummer, double batterie, int gemeldetesIntervall,
                                     int freieTage, int datensaetze) const {
    QByteArray b;
    b += Ziffern(gemeldeteNummer, 3);
    b += name.leftJustified(16, ' ', true);
    b += QByteArray::number(std::clamp(batterie, 0.0, 99.9), 'f', 1).rightJustified(4, '0', true);
    b += Ziffern(gemeldetesIntervall, 2);
    b += Ziffern(messintervall, 3);
    b += Ziffern(sleepmodus, 1);
    b += Ziffern(ausgelesen, 1);
    b += Ziffern(reserve, 1);
    b += Ziffern(freieTage, 4);
    b += Ziffern(speichergroesse, 2);
    b += Ziffern(datensaetze, 5);
    return b;
}

TStationsParameter SimStation::Stationsparameter(double batterie, int freieTage, int datensaetze) const {
    TStationsParameter p;
    p.Stationsnummer = std::int16_t(stationsnummer);
    for (int i = 0; i < 16; ++i) p.Stationsname[i] = std::uint8_t(name[i]);
    p.Stationsname[16] = 0;
    p.Batteriespannung = float(std::round(batterie * 10) / 10);
    p.Mittelwertintervall = std::int16_t(mittelwertintervall);
    p.Messintervall = std::int16_t(messintervall);
    p.Sleepmodus = std::int16_t(sleepmodus);
    p.Ausgelesen = std::int16_t(ausgelesen);
    p.Reserve = std::int16_t(reserve);
    p.FreieTage = std::int16_t(freieTage);
    p.Speichergroesse = std::int16_t(speichergroesse);
    p.Datensaetze = datensaetze;
    p.Kanalanzahl = std::int16_t(Kanalanzahl());
    return p;
}

}  // namespace nuvar
