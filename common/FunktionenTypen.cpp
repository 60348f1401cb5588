#include "common/FunktionenTypen.h"

#include "common/Fehler.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <cstring>

namespace nuvar {

namespace {

// --- little-endian field access -------------------------------------------

void setzeU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void setzeU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t leseU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t leseU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void setzeI16(std::uint8_t* p, std::int16_t v) { setzeU16(p, static_cast<std::uint16_t>(v)); }
void setzeI32(std::uint8_t* p, std::int32_t v) { setzeU32(p, static_cast<std::uint32_t>(v)); }
void setzeF32(std::uint8_t* p, float v) { setzeU32(p, std::bit_cast<std::uint32_t>(v)); }
std::int16_t leseI16(const std::uint8_t* p) { return static_cast<std::int16_t>(leseU16(p)); }
std::int32_t leseI32(const std::uint8_t* p) { return static_cast<std::int32_t>(leseU32(p)); }
float leseF32(const std::uint8_t* p) { return std::bit_cast<float>(leseU32(p)); }

// --- header and directory bytes -------------------------------------------

constexpr std::size_t kKopfGroesse = 7;
constexpr std::size_t kVerzeichnisGroesse = 32;
constexpr std::size_t kHardwareAlteForm = 96;
constexpr int kMaxKanaeleAlteForm = 65;
constexpr std::int32_t kStationOffsetNeu = 39;
constexpr std::int32_t kHardwareOffsetNeu = 86;

std::array<std::uint8_t, kKopfGroesse> kodiereKopf(const TDateiKopf& k)
{
    std::array<std::uint8_t, kKopfGroesse> b{};
    for (int i = 0; i < 3; ++i)
        b[i] = static_cast<std::uint8_t>(k.Kennung[i]);
    setzeU32(b.data() + 3, k.Verzeichnisgroesse);
    return b;
}

TDateiKopf dekodiereKopf(const std::array<std::uint8_t, kKopfGroesse>& b)
{
    TDateiKopf k;
    for (int i = 0; i < 3; ++i)
        k.Kennung[i] = static_cast<char>(b[i]);
    k.Verzeichnisgroesse = leseU32(b.data() + 3);
    return k;
}

std::array<std::uint8_t, kVerzeichnisGroesse> kodiereVerzeichnis(const TVerzeichnis& v)
{
    std::array<std::uint8_t, kVerzeichnisGroesse> b{};
    const std::int32_t werte[8] = {v.StationOffset,  v.StationGroesse, v.HardwareOffset,
                                   v.HardwareAnzahl, v.HardwareGroesse, v.KanalOffset,
                                   v.KanalAnzahl,    v.KanalGroesse};
    for (int i = 0; i < 8; ++i)
        setzeI32(b.data() + 4 * i, werte[i]);
    return b;
}

TVerzeichnis dekodiereVerzeichnis(const std::array<std::uint8_t, kVerzeichnisGroesse>& b)
{
    TVerzeichnis v;
    std::int32_t* werte[8] = {&v.StationOffset,  &v.StationGroesse, &v.HardwareOffset,
                              &v.HardwareAnzahl, &v.HardwareGroesse, &v.KanalOffset,
                              &v.KanalAnzahl,    &v.KanalGroesse};
    for (int i = 0; i < 8; ++i)
        *werte[i] = leseI32(b.data() + 4 * i);
    return v;
}

// Lays the bytes actually read over the front of an existing image: what the
// file did not hold keeps its previous contents.
template <std::size_t N>
void ueberlagere(std::array<std::uint8_t, N>& ziel, const QByteArray& gelesen)
{
    const std::size_t n = std::min<std::size_t>(N, static_cast<std::size_t>(gelesen.size()));
    std::memcpy(ziel.data(), gelesen.constData(), n);
}

template <std::size_t N>
void anhaengen(QByteArray& ziel, const std::array<std::uint8_t, N>& b)
{
    ziel.append(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(N));
}

TKanalMeldung g_kanalMeldung = TKanalMeldung::Konfigurator;

[[noreturn]] void kanalBereichsfehler(int index)
{
    const char* text = g_kanalMeldung == TKanalMeldung::Kommunikation
        ? " liegt ausserhalb des Bereichs der Kanalliste"
        : " liegt außerhalb des Bereichs der Kanalliste";
    throw ERangeError(QString::number(index) + QString::fromUtf8(text));
}

[[noreturn]] void bereichsPruefungFehlgeschlagen()
{
    throw ERangeError(QString::fromUtf8(kBereichsFehler));
}

// Reads from a file that is open for the whole load. Offsets are taken as
// unsigned, so a negative one lies far beyond the end; every read takes what
// the file still holds and never more than the file's size.
class Leser {
public:
    explicit Leser(QFile& datei) : datei_(datei), groesse_(datei.size()) {}

    qint64 groesse() const { return groesse_; }

    QByteArray lies(std::uint64_t offset, std::uint64_t laenge)
    {
        if (offset >= static_cast<std::uint64_t>(groesse_) || laenge == 0)
            return {};
        const std::uint64_t rest = static_cast<std::uint64_t>(groesse_) - offset;
        const qint64 n = static_cast<qint64>(std::min(laenge, rest));
        if (!datei_.seek(static_cast<qint64>(offset)))
            return {};
        return datei_.read(n);
    }

private:
    QFile& datei_;
    qint64 groesse_;
};

// Entry i of a list lies at offset + i * abstand; of each, the first
// min(abstand, eigeneGroesse) bytes are taken and the rest stays zero. A
// declared entry size above our own skips the surplus of every entry.
template <typename Eintrag, typename Zerleger>
std::vector<Eintrag> liesListe(Leser& leser, std::int32_t anzahl, std::int32_t offset,
                               std::int32_t deklGroesse, std::size_t eigeneGroesse,
                               Zerleger zerlege)
{
    if (anzahl < 0)
        bereichsPruefungFehlgeschlagen();
    const std::uint64_t abstand = static_cast<std::uint32_t>(deklGroesse);
    const std::uint64_t genommen = std::min<std::uint64_t>(abstand, eigeneGroesse);
    // Every entry that the file really holds costs at least one byte of it
    // (an entry of our own size in the old layout); a count beyond that is no
    // list this file can carry, and must not make us allocate for it. Within
    // that bound a file that ends early still reads its missing entries as
    // zero.
    if (static_cast<std::uint64_t>(anzahl) * std::max<std::uint64_t>(genommen, 1)
        > static_cast<std::uint64_t>(leser.groesse()))
        bereichsPruefungFehlgeschlagen();

    std::vector<Eintrag> liste(static_cast<std::size_t>(anzahl));
    if (genommen == 0 || anzahl == 0)
        return liste;
    const QByteArray block = leser.lies(static_cast<std::uint32_t>(offset),
                                        static_cast<std::uint64_t>(anzahl) * abstand);
    const std::uint64_t vorhanden = static_cast<std::uint64_t>(block.size());
    std::vector<std::uint8_t> puffer(eigeneGroesse);
    for (std::size_t i = 0; i < liste.size(); ++i) {
        const std::uint64_t anfang = i * abstand;
        if (anfang >= vorhanden)
            break;
        const std::uint64_t n = std::min(genommen, vorhanden - anfang);
        std::fill(puffer.begin(), puffer.end(), std::uint8_t{0});
        std::memcpy(puffer.data(), block.constData() + anfang, n);
        liste[i] = zerlege(puffer.data());
    }
    return liste;
}

} // namespace

// ---------------------------------------------------------------------------

std::array<std::uint8_t, TStationsParameter::kGroesse> TStationsParameter::encode() const
{
    std::array<std::uint8_t, kGroesse> b{};
    const auto record = encodeStationsrecord();
    std::memcpy(b.data(), record.data(), record.size());
    setzeI16(b.data() + 43, GeoLaenge);
    setzeI16(b.data() + 45, GeoBreite);
    return b;
}

TStationsParameter TStationsParameter::decode(std::span<const std::uint8_t, kGroesse> bytes)
{
    TStationsParameter s;
    s.decodeStationsrecord(bytes.first<kStationsrecordGroesse>());
    s.GeoLaenge = leseI16(bytes.data() + 43);
    s.GeoBreite = leseI16(bytes.data() + 45);
    return s;
}

std::array<std::uint8_t, TStationsParameter::kStationsrecordGroesse>
TStationsParameter::encodeStationsrecord() const
{
    std::array<std::uint8_t, kStationsrecordGroesse> b{};
    std::uint8_t* p = b.data();
    setzeI16(p + 0, Stationsnummer);
    std::memcpy(p + 2, Stationsname.data(), Stationsname.size());
    setzeF32(p + 19, Batteriespannung);
    setzeI16(p + 23, Mittelwertintervall);
    setzeI16(p + 25, Messintervall);
    setzeI16(p + 27, Sleepmodus);
    setzeI16(p + 29, Ausgelesen);
    setzeI16(p + 31, Reserve);
    setzeI16(p + 33, FreieTage);
    setzeI16(p + 35, Speichergroesse);
    setzeI32(p + 37, Datensaetze);
    setzeI16(p + 41, Kanalanzahl);
    return b;
}

void TStationsParameter::decodeStationsrecord(std::span<const std::uint8_t, kStationsrecordGroesse> bytes)
{
    const std::uint8_t* p = bytes.data();
    Stationsnummer = leseI16(p + 0);
    std::memcpy(Stationsname.data(), p + 2, Stationsname.size());
    Batteriespannung = leseF32(p + 19);
    Mittelwertintervall = leseI16(p + 23);
    Messintervall = leseI16(p + 25);
    Sleepmodus = leseI16(p + 27);
    Ausgelesen = leseI16(p + 29);
    Reserve = leseI16(p + 31);
    FreieTage = leseI16(p + 33);
    Speichergroesse = leseI16(p + 35);
    Datensaetze = leseI32(p + 37);
    Kanalanzahl = leseI16(p + 41);
}

bool TStationsParameter::operator==(const TStationsParameter& o) const
{
    return encode() == o.encode();
}

std::array<std::uint8_t, TKanalEintrag::kGroesse> TKanalEintrag::encode() const
{
    std::array<std::uint8_t, kGroesse> bytes{};
    std::uint8_t* p = bytes.data();
    p[0] = Kanalnummer;
    p[1] = Sensorcode;
    std::memcpy(p + 2, Einheit.data(), Einheit.size());
    setzeF32(p + 7, a);
    setzeF32(p + 11, b);
    setzeF32(p + 15, Min);
    setzeF32(p + 19, Max);
    std::memcpy(p + 23, Bezeichnung.data(), Bezeichnung.size());
    p[29] = Position;
    return bytes;
}

TKanalEintrag TKanalEintrag::decode(std::span<const std::uint8_t, kGroesse> bytes)
{
    const std::uint8_t* p = bytes.data();
    TKanalEintrag e;
    e.Kanalnummer = p[0];
    e.Sensorcode = p[1];
    std::memcpy(e.Einheit.data(), p + 2, e.Einheit.size());
    e.a = leseF32(p + 7);
    e.b = leseF32(p + 11);
    e.Min = leseF32(p + 15);
    e.Max = leseF32(p + 19);
    std::memcpy(e.Bezeichnung.data(), p + 23, e.Bezeichnung.size());
    e.Position = p[29];
    return e;
}

bool TKanalEintrag::operator==(const TKanalEintrag& o) const
{
    return encode() == o.encode();
}

// ---------------------------------------------------------------------------

void SetzeKanalMeldung(TKanalMeldung variante) { g_kanalMeldung = variante; }
TKanalMeldung KanalMeldung() { return g_kanalMeldung; }

// ---------------------------------------------------------------------------

void TDATDatei::LoadFromFile(const QString& dateiname)
{
    if (!QFileInfo::exists(dateiname))
        return;
    QFile datei(dateiname);
    if (!datei.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(dateiname));
    Leser leser(datei);

    const auto kanalAus = [](const std::uint8_t* p) {
        return TKanalEintrag::decode(std::span<const std::uint8_t, TKanalEintrag::kGroesse>(p, TKanalEintrag::kGroesse));
    };

    // Everything is read into a copy that replaces this object only when the
    // whole load has succeeded.
    TDATDatei neu(*this);

    const QByteArray kopfBytes = leser.lies(0, kKopfGroesse);
    auto kopf = kodiereKopf(neu.kopf_);
    ueberlagere(kopf, kopfBytes);
    neu.kopf_ = dekodiereKopf(kopf);

    // The layout is judged by what the file holds, never by a magic left over
    // from an earlier load.
    const QByteArray kennung = kopfBytes.left(3);
    if (kennung == "QZ1") {
        const std::size_t dirBytes = std::min<std::uint64_t>(neu.kopf_.Verzeichnisgroesse, kVerzeichnisGroesse);
        auto dir = kodiereVerzeichnis(neu.verzeichnis_);
        ueberlagere(dir, leser.lies(kKopfGroesse, dirBytes));
        neu.verzeichnis_ = dekodiereVerzeichnis(dir);
        const TVerzeichnis& v = neu.verzeichnis_;

        std::array<std::uint8_t, TStationsParameter::kGroesse> station{};
        const std::uint64_t stationBytes =
            std::min<std::uint64_t>(static_cast<std::uint32_t>(v.StationGroesse), TStationsParameter::kGroesse);
        ueberlagere(station, leser.lies(static_cast<std::uint32_t>(v.StationOffset), stationBytes));
        neu.station_ = TStationsParameter::decode(station);

        neu.kanaele_ = liesListe<TKanalEintrag>(
            leser, v.KanalAnzahl, v.KanalOffset, v.KanalGroesse, TKanalEintrag::kGroesse, kanalAus);
        neu.hardware_ = liesListe<std::uint8_t>(leser, v.HardwareAnzahl, v.HardwareOffset, v.HardwareGroesse, 1,
                                                [](const std::uint8_t* p) { return *p; });
    } else if (kennung == "Q&Z") {
        auto record = neu.station_.encodeStationsrecord();
        ueberlagere(record, leser.lies(3, TStationsParameter::kStationsrecordGroesse));
        neu.station_.decodeStationsrecord(record);

        const std::uint64_t hwOffset = 3 + TStationsParameter::kStationsrecordGroesse;
        neu.hardware_.assign(kHardwareAlteForm, 0);
        const QByteArray hw = leser.lies(hwOffset, kHardwareAlteForm);
        std::memcpy(neu.hardware_.data(), hw.constData(), static_cast<std::size_t>(hw.size()));

        neu.kanaele_ = liesListe<TKanalEintrag>(
            leser, neu.station_.Kanalanzahl, static_cast<std::int32_t>(hwOffset + kHardwareAlteForm),
            static_cast<std::int32_t>(TKanalEintrag::kGroesse), TKanalEintrag::kGroesse, kanalAus);
    } else {
        // The only trace an unknown file leaves is the header copy.
        kopf_ = neu.kopf_;
        throw EConvertError(QStringLiteral("%1 hat ein unbekanntes Format!").arg(dateiname));
    }

    *this = std::move(neu);
}

QByteArray TDATDatei::Abbild(bool alteForm) const
{
    QByteArray b;
    if (alteForm) {
        TStationsParameter s = station_;
        s.Kanalanzahl = static_cast<std::int16_t>(std::min(ChannelCount(), kMaxKanaeleAlteForm));
        b.reserve(static_cast<qsizetype>(3 + 43 + kHardwareAlteForm + s.Kanalanzahl * TKanalEintrag::kGroesse));
        b.append("Q&Z", 3);
        anhaengen(b, s.encodeStationsrecord());
        for (std::size_t i = 0; i < kHardwareAlteForm; ++i)
            b.append(static_cast<char>(i < hardware_.size() ? hardware_[i] : 0));
        for (int i = 0; i < s.Kanalanzahl; ++i)
            anhaengen(b, kanaele_[static_cast<std::size_t>(i)].encode());
        return b;
    }

    const TDateiKopf kopf{{'Q', 'Z', '1'}, kVerzeichnisGroesse};
    const TVerzeichnis v{kStationOffsetNeu,
                         static_cast<std::int32_t>(TStationsParameter::kGroesse),
                         kHardwareOffsetNeu,
                         HardwareCount(),
                         1,
                         kHardwareOffsetNeu + HardwareCount(),
                         ChannelCount(),
                         static_cast<std::int32_t>(TKanalEintrag::kGroesse)};
    b.reserve(static_cast<qsizetype>(kHardwareOffsetNeu + hardware_.size() + kanaele_.size() * TKanalEintrag::kGroesse));
    anhaengen(b, kodiereKopf(kopf));
    anhaengen(b, kodiereVerzeichnis(v));
    anhaengen(b, station_.encode());
    b.append(reinterpret_cast<const char*>(hardware_.data()), static_cast<qsizetype>(hardware_.size()));
    for (const TKanalEintrag& e : kanaele_)
        anhaengen(b, e.encode());
    return b;
}

void TDATDatei::SaveToFile(const QString& dateiname, bool alteForm)
{
    const QByteArray bytes = Abbild(alteForm);
    // Written to a temporary file that replaces the old one only when it is
    // complete, so a failed save never destroys the previous configuration.
    // Unbuffered, and the written size checked on the file itself: a write
    // that the disk cuts short (full, file size limit) can otherwise pass as a
    // success and be committed as a truncated file.
    QSaveFile datei(dateiname);
    if (!datei.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EInOutError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(dateiname));
    if (datei.write(bytes) != bytes.size() || datei.size() != bytes.size() || !datei.commit()) {
        datei.cancelWriting();
        throw EInOutError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(dateiname));
    }

    if (alteForm) {
        station_.Kanalanzahl = static_cast<std::int16_t>(std::min(ChannelCount(), kMaxKanaeleAlteForm));
    } else {
        kopf_ = TDateiKopf{{'Q', 'Z', '1'}, kVerzeichnisGroesse};
        std::array<std::uint8_t, kVerzeichnisGroesse> dir{};
        std::memcpy(dir.data(), bytes.constData() + kKopfGroesse, kVerzeichnisGroesse);
        verzeichnis_ = dekodiereVerzeichnis(dir);
    }
}

// ---------------------------------------------------------------------------

int TDATDatei::HardwareCount() const { return static_cast<int>(hardware_.size()); }

std::uint8_t TDATDatei::GetHardware(int index) const
{
    if (index < 0 || index >= HardwareCount())
        throw ERangeError(QString::number(index) + QStringLiteral(" liegt außerhalb des Bereichs der Hardwareliste"));
    return hardware_[static_cast<std::size_t>(index)];
}

int TDATDatei::ChannelCount() const { return static_cast<int>(kanaele_.size()); }

TKanalEintrag TDATDatei::GetChannel(int index) const
{
    if (index < 0 || index >= ChannelCount())
        kanalBereichsfehler(index);
    return kanaele_[static_cast<std::size_t>(index)];
}

void TDATDatei::SetChannel(int index, const TKanalEintrag& eintrag)
{
    if (index < 0 || index >= ChannelCount())
        kanalBereichsfehler(index);
    TKanalEintrag& ziel = kanaele_[static_cast<std::size_t>(index)];
    ziel = eintrag;
    ziel.Position = static_cast<std::uint8_t>(index + 1);
}

void TDATDatei::AddChannel(const TKanalEintrag& eintrag)
{
    kanaele_.push_back(eintrag);
    kanaele_.back().Position = static_cast<std::uint8_t>(kanaele_.size());
}

void TDATDatei::InsertChannel(int index, const TKanalEintrag& eintrag)
{
    // Checked before the list grows, so a bad index leaves it untouched.
    if (index < 0 || index > ChannelCount())
        kanalBereichsfehler(index);
    kanaele_.insert(kanaele_.begin() + index, eintrag);
    for (std::size_t i = static_cast<std::size_t>(index); i < kanaele_.size(); ++i)
        kanaele_[i].Position = static_cast<std::uint8_t>(i + 1);
}

void TDATDatei::DeleteChannel(int index)
{
    if (index < 0 || index >= ChannelCount())
        kanalBereichsfehler(index);
    kanaele_.erase(kanaele_.begin() + index);
    for (std::size_t i = static_cast<std::size_t>(index); i < kanaele_.size(); ++i)
        kanaele_[i].Position = static_cast<std::uint8_t>(i + 1);
}

void TDATDatei::MoveChannel(int von, int nach)
{
    const TKanalEintrag kopie = GetChannel(von);
    // The target counts in the shortened list; checking it first keeps the
    // entry from being lost when it is out of range.
    if (nach < 0 || nach > ChannelCount() - 1)
        kanalBereichsfehler(nach);
    DeleteChannel(von);
    InsertChannel(nach, kopie);
}

} // namespace nuvar
