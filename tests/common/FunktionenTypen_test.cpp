#include "common/FunktionenTypen.h"

#include "common/Fehler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <bit>
#include <csignal>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

using namespace nuvar;

namespace {

QString fixture(const char* name) { return QStringLiteral(NUVAR_FIXTURES "/dat/") + QString::fromLatin1(name); }

QByteArray liesDatei(const QString& pfad)
{
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void schreibeDatei(const QString& pfad, const QByteArray& daten)
{
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(daten), daten.size());
}

void setzeI32(QByteArray& b, int offset, std::int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[offset + i] = static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i));
}

template <std::size_t N>
std::array<std::uint8_t, N> feld(const char* text)
{
    std::array<std::uint8_t, N> f{};
    std::memcpy(f.data(), text, std::min(N, std::strlen(text)));
    return f;
}

// What the fixtures hold, written field by field from erzeuge.py.
TStationsParameter fixtureStation(std::int16_t kanalanzahl, std::int16_t laenge, std::int16_t breite)
{
    TStationsParameter s;
    s.Stationsnummer = 4711;
    s.Stationsname = feld<17>("Teststation     ");
    s.Batteriespannung = 12.5f;
    s.Mittelwertintervall = 10;
    s.Messintervall = 60;
    s.Sleepmodus = 1;
    s.Ausgelesen = 0;
    s.Reserve = 7;
    s.FreieTage = 123;
    s.Speichergroesse = 16;
    s.Datensaetze = 70000;
    s.Kanalanzahl = kanalanzahl;
    s.GeoLaenge = laenge;
    s.GeoBreite = breite;
    return s;
}

TKanalEintrag fixtureE1()
{
    TKanalEintrag e;
    e.Kanalnummer = 3;
    e.Sensorcode = 0xA1;
    e.Einheit = feld<5>("\xf8" "C  ");
    e.a = 0.1f;
    e.b = -40.0f;
    e.Min = -40.0f;
    e.Max = 60.0f;
    e.Bezeichnung = feld<6>("Temp ");
    e.Position = 1;
    return e;
}

TKanalEintrag fixtureE2()
{
    TKanalEintrag e;
    e.Kanalnummer = 95;
    e.Sensorcode = 0x0F;
    e.Einheit = feld<5>("mm  ");
    e.a = 0.2f;
    e.Max = 100.0f;
    e.Bezeichnung = feld<6>("Nied ");
    e.Position = 2;
    return e;
}

THardwareListeNeu hw96()
{
    THardwareListeNeu h;
    for (int i = 0; i < 96; ++i)
        h.push_back(static_cast<std::uint8_t>(i % 16));
    return h;
}

// An entry told apart by its designation only.
TKanalEintrag benannt(char name)
{
    TKanalEintrag e;
    e.Bezeichnung[0] = static_cast<std::uint8_t>(name);
    return e;
}

std::string namen(const TDATDatei& d)
{
    std::string s;
    for (const TKanalEintrag& e : d.Kanalliste())
        s += static_cast<char>(e.Bezeichnung[0]);
    return s;
}

std::string positionen(const TDATDatei& d)
{
    std::string s;
    for (const TKanalEintrag& e : d.Kanalliste())
        s += std::to_string(e.Position) + " ";
    return s;
}

// Everything an object holds, to see that a failed call changed nothing.
struct Zustand {
    TDateiKopf kopf;
    TVerzeichnis verzeichnis;
    TStationsParameter station;
    TKanalListeNeu kanaele;
    THardwareListeNeu hardware;
    explicit Zustand(const TDATDatei& d)
        : kopf(d.Kopf()), verzeichnis(d.Verzeichnis()), station(d.Stationsparameter()),
          kanaele(d.Kanalliste()), hardware(d.Hardwareliste()) {}
    bool operator==(const Zustand&) const = default;
};

TDATDatei geladen(const char* name)
{
    TDATDatei d;
    d.LoadFromFile(fixture(name));
    return d;
}

template <typename F>
QString rangeMeldung(F&& f)
{
    try {
        f();
    } catch (const ERangeError& e) {
        return e.Meldung();
    }
    return QStringLiteral("<kein ERangeError>");
}

class DATDatei : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString pfad(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void TearDown() override { SetzeKanalMeldung(TKanalMeldung::Konfigurator); }
};

} // namespace

// ---------------------------------------------------------------------------
// Records

TEST(Datensaetze, StationsblockLiegtAnDenFestenOffsets)
{
    const QByteArray datei = liesDatei(fixture("neu.dat"));
    ASSERT_EQ(datei.size(), 149);
    std::array<std::uint8_t, 47> bytes{};
    std::memcpy(bytes.data(), datei.constData() + 39, 47);

    const TStationsParameter s = TStationsParameter::decode(bytes);
    EXPECT_EQ(s, fixtureStation(5, -1234, 5678));
    EXPECT_EQ(s.Datensaetze, 70000);  // all 32 bits
    EXPECT_EQ(s.GeoLaenge, -1234);
    EXPECT_EQ(s.encode(), bytes);

    // The logger's record is the first 43 bytes; taking one in keeps the
    // coordinates the logger knows nothing of.
    const auto record = s.encodeStationsrecord();
    EXPECT_EQ(0, std::memcmp(record.data(), bytes.data(), 43));
    TStationsParameter ziel = fixtureStation(0, 300, -400);
    ziel.Stationsnummer = 1;
    ziel.decodeStationsrecord(record);
    EXPECT_EQ(ziel.Stationsnummer, 4711);
    EXPECT_EQ(ziel.Kanalanzahl, 5);
    EXPECT_EQ(ziel.GeoLaenge, 300);
    EXPECT_EQ(ziel.GeoBreite, -400);
}

TEST(Datensaetze, KanalEintragLiegtAnDenFestenOffsets)
{
    const QByteArray datei = liesDatei(fixture("neu.dat"));
    std::array<std::uint8_t, 30> bytes{};
    std::memcpy(bytes.data(), datei.constData() + 89, 30);

    const TKanalEintrag e = TKanalEintrag::decode(bytes);
    EXPECT_EQ(e, fixtureE1());
    EXPECT_EQ(e.b, -40.0f);
    EXPECT_EQ(e.encode(), bytes);

    // Floats travel as their bits: a NaN with a payload comes back unchanged.
    TKanalEintrag nan;
    nan.Max = std::bit_cast<float>(0x7FC01234u);
    const auto kodiert = nan.encode();
    EXPECT_EQ(kodiert[19], 0x34);
    EXPECT_EQ(kodiert[22], 0x7F);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(TKanalEintrag::decode(kodiert).Max), 0x7FC01234u);
}

// ---------------------------------------------------------------------------
// Loading and saving the two layouts

TEST_F(DATDatei, NeuesObjektIstLeer)
{
    TDATDatei d;
    EXPECT_EQ(d.ChannelCount(), 0);
    EXPECT_EQ(d.HardwareCount(), 0);
    EXPECT_EQ(d.Stationsparameter(), TStationsParameter{});
    EXPECT_EQ(d.Kopf(), TDateiKopf{});
    EXPECT_EQ(d.Verzeichnis(), TVerzeichnis{});
}

TEST_F(DATDatei, LaedtNeueForm)
{
    const TDATDatei d = geladen("neu.dat");
    EXPECT_EQ(d.Kopf(), (TDateiKopf{{'Q', 'Z', '1'}, 32}));
    EXPECT_EQ(d.Verzeichnis(), (TVerzeichnis{39, 47, 86, 3, 1, 89, 2, 30}));
    EXPECT_EQ(d.Stationsparameter(), fixtureStation(5, -1234, 5678));
    EXPECT_EQ(d.Hardwareliste(), (THardwareListeNeu{0x1, 0xA, 0xF}));
    ASSERT_EQ(d.ChannelCount(), 2);
    EXPECT_EQ(d.GetChannel(0), fixtureE1());
    EXPECT_EQ(d.GetChannel(1), fixtureE2());
    EXPECT_EQ(d.GetHardware(2), 0xF);
}

TEST_F(DATDatei, LaedtAlteForm)
{
    const TDATDatei d = geladen("alt.dat");
    EXPECT_EQ(d.Stationsparameter(), fixtureStation(2, 0, 0));
    EXPECT_EQ(d.Hardwareliste(), hw96());
    ASSERT_EQ(d.ChannelCount(), 2);
    EXPECT_EQ(d.GetChannel(0), fixtureE1());
    EXPECT_EQ(d.GetChannel(1), fixtureE2());
}

TEST_F(DATDatei, SpeichertBeideFormenByteGleichZurFixture)
{
    // Built through the operations, not loaded, so the writer alone is checked.
    TDATDatei d;
    d.Stationsparameter() = fixtureStation(5, -1234, 5678);
    d.Hardwareliste() = {0x1, 0xA, 0xF};
    TKanalEintrag e1 = fixtureE1(), e2 = fixtureE2();
    e1.Position = 40;  // AddChannel numbers the entries itself
    e2.Position = 0;
    d.AddChannel(e1);
    d.AddChannel(e2);

    d.SaveToFile(pfad("neu.dat"), false);
    EXPECT_EQ(liesDatei(pfad("neu.dat")), liesDatei(fixture("neu.dat")));
    EXPECT_EQ(d.Abbild(false), liesDatei(fixture("neu.dat")));

    d.Hardwareliste() = hw96();
    d.SaveToFile(pfad("alt.dat"), true);
    EXPECT_EQ(liesDatei(pfad("alt.dat")), liesDatei(fixture("alt.dat")));
}

TEST_F(DATDatei, DateilaengeFolgtAusAnzahlen)
{
    struct Fall {
        int hardware, kanaele;
        bool alt;
        qint64 laenge;
    };
    const Fall faelle[] = {
        {0, 0, false, 86},  {3, 2, false, 86 + 3 + 60}, {96, 65, false, 86 + 96 + 30 * 65},
        {0, 0, true, 142},  {10, 2, true, 142 + 60},    {96, 65, true, 142 + 30 * 65},
    };
    for (const Fall& f : faelle) {
        TDATDatei d;
        d.Hardwareliste().assign(static_cast<std::size_t>(f.hardware), 7);
        for (int i = 0; i < f.kanaele; ++i)
            d.AddChannel(benannt('x'));
        d.SaveToFile(pfad("l.dat"), f.alt);
        EXPECT_EQ(QFileInfo(pfad("l.dat")).size(), f.laenge)
            << "H=" << f.hardware << " N=" << f.kanaele << " alt=" << f.alt;

        TDATDatei zurueck;
        zurueck.LoadFromFile(pfad("l.dat"));
        EXPECT_EQ(zurueck.ChannelCount(), f.kanaele);
        EXPECT_EQ(zurueck.HardwareCount(), f.alt ? 96 : f.hardware);
    }
}

TEST_F(DATDatei, AlteFormSchreibtHoechstens65Eintraege)
{
    TDATDatei d;
    for (int i = 0; i < 70; ++i)
        d.AddChannel(benannt(static_cast<char>('0' + i % 10)));
    d.SaveToFile(pfad("alt.dat"), true);

    EXPECT_EQ(QFileInfo(pfad("alt.dat")).size(), 142 + 30 * 65);
    EXPECT_EQ(d.Stationsparameter().Kanalanzahl, 65);
    EXPECT_EQ(d.ChannelCount(), 70);  // memory keeps them all

    TDATDatei zurueck;
    zurueck.LoadFromFile(pfad("alt.dat"));
    EXPECT_EQ(zurueck.ChannelCount(), 65);
    EXPECT_EQ(zurueck.GetChannel(64).Position, 65);
}

TEST_F(DATDatei, AlteFormHatGenau96Hardwarebytes)
{
    TDATDatei d;
    d.Hardwareliste() = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    d.SaveToFile(pfad("kurz.dat"), true);
    const QByteArray b = liesDatei(pfad("kurz.dat"));
    ASSERT_EQ(b.size(), 142);
    EXPECT_EQ(b.mid(46, 10), QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a"));
    EXPECT_EQ(b.mid(56, 86), QByteArray(86, '\0'));

    TDATDatei zurueck;
    zurueck.LoadFromFile(pfad("kurz.dat"));
    EXPECT_EQ(zurueck.HardwareCount(), 96);
    EXPECT_EQ(zurueck.GetHardware(9), 10);
    EXPECT_EQ(zurueck.GetHardware(95), 0);

    // A longer list loses its entries from 96 on, in the file only.
    d.Hardwareliste().assign(100, 0x5);
    d.SaveToFile(pfad("lang.dat"), true);
    EXPECT_EQ(liesDatei(pfad("lang.dat")).size(), 142);
    EXPECT_EQ(d.HardwareCount(), 100);
}

TEST_F(DATDatei, KanalanzahlNurInDerAltenForm)
{
    TDATDatei d = geladen("neu.dat");  // Kanalanzahl 5, two entries
    d.AddChannel(benannt('c'));
    d.SaveToFile(pfad("neu.dat"), false);
    EXPECT_EQ(d.Stationsparameter().Kanalanzahl, 5);
    EXPECT_EQ(static_cast<std::uint8_t>(liesDatei(pfad("neu.dat"))[39 + 41]), 5);
    EXPECT_EQ(d.Verzeichnis(), (TVerzeichnis{39, 47, 86, 3, 1, 89, 3, 30}));

    d.SaveToFile(pfad("alt.dat"), true);
    EXPECT_EQ(d.Stationsparameter().Kanalanzahl, 3);
    // The old layout touches neither header nor directory copy.
    EXPECT_EQ(d.Verzeichnis(), (TVerzeichnis{39, 47, 86, 3, 1, 89, 3, 30}));
    EXPECT_EQ(d.Kopf(), (TDateiKopf{{'Q', 'Z', '1'}, 32}));
}

TEST_F(DATDatei, KoordinatenGibtEsNurInDerNeuenForm)
{
    // Old file saved in the new layout: zero coordinates.
    TDATDatei alt = geladen("alt.dat");
    alt.SaveToFile(pfad("a2n.dat"), false);
    const TDATDatei a2n = [&] { TDATDatei d; d.LoadFromFile(pfad("a2n.dat")); return d; }();
    EXPECT_EQ(a2n.Stationsparameter().GeoLaenge, 0);
    EXPECT_EQ(a2n.Stationsparameter().GeoBreite, 0);

    // New file saved in the old layout: lost.
    TDATDatei neu = geladen("neu.dat");
    neu.SaveToFile(pfad("n2a.dat"), true);
    const TDATDatei n2a = [&] { TDATDatei d; d.LoadFromFile(pfad("n2a.dat")); return d; }();
    EXPECT_EQ(n2a.Stationsparameter().GeoLaenge, 0);
    EXPECT_EQ(n2a.Stationsparameter().GeoBreite, 0);

    // An old file read into an object that has coordinates leaves them.
    neu.LoadFromFile(fixture("alt.dat"));
    EXPECT_EQ(neu.Stationsparameter().GeoLaenge, -1234);
    EXPECT_EQ(neu.Stationsparameter().GeoBreite, 5678);
    EXPECT_EQ(neu.Stationsparameter().Kanalanzahl, 2);
}

// ---------------------------------------------------------------------------
// The directory of the new layout

TEST_F(DATDatei, TeileDurchDasVerzeichnisGefunden)
{
    const TDATDatei d = geladen("neu_verstreut.dat");
    EXPECT_EQ(d.Stationsparameter(), fixtureStation(5, -1234, 5678));
    EXPECT_EQ(d.Hardwareliste(), (THardwareListeNeu{0x1, 0xA, 0xF}));
    ASSERT_EQ(d.ChannelCount(), 2);
    // Positions as found: loading does not renumber.
    EXPECT_EQ(positionen(d), "9 4 ");
    TKanalEintrag e1 = d.GetChannel(0);
    e1.Position = 1;
    EXPECT_EQ(e1, fixtureE1());
}

TEST_F(DATDatei, EintragsgroessenAusDemVerzeichnis)
{
    auto vorn = [](TKanalEintrag e, int n) {
        auto b = e.encode();
        std::fill(b.begin() + n, b.end(), std::uint8_t{0});
        return TKanalEintrag::decode(b);
    };
    struct Fall {
        const char* datei;
        TKanalListeNeu kanaele;
        THardwareListeNeu hardware;
    };
    const Fall faelle[] = {
        // 20 bytes each, read 20 bytes apart, the last 10 of every entry zero
        {"neu_eintrag20.dat", {vorn(fixtureE1(), 20), vorn(fixtureE2(), 20)}, {0x1, 0xA, 0xF}},
        // 32 and 2 bytes each: the surplus of every entry is skipped
        {"neu_eintrag32.dat", {fixtureE1(), fixtureE2()}, {0x1, 0xA, 0xF}},
        // sizes of -1 are huge when compared unsigned: our own sizes are read
        {"neu_unsigned.dat", {fixtureE1()}, {0x1}},
    };
    for (const Fall& f : faelle) {
        const TDATDatei d = geladen(f.datei);
        EXPECT_EQ(d.Stationsparameter(), fixtureStation(5, -1234, 5678)) << f.datei;
        EXPECT_EQ(d.Kanalliste(), f.kanaele) << f.datei;
        EXPECT_EQ(d.Hardwareliste(), f.hardware) << f.datei;
    }
}

TEST_F(DATDatei, EintragsgroesseNullLiestNichts)
{
    QByteArray b = liesDatei(fixture("neu.dat"));
    setzeI32(b, 23, 0);   // hardware entry size
    setzeI32(b, 35, 0);   // channel entry size
    setzeI32(b, 11, 0);   // station block size
    schreibeDatei(pfad("null.dat"), b);
    TDATDatei d = geladen("neu.dat");
    d.LoadFromFile(pfad("null.dat"));
    EXPECT_EQ(d.Stationsparameter(), TStationsParameter{});
    EXPECT_EQ(d.Hardwareliste(), THardwareListeNeu(3, 0));
    EXPECT_EQ(d.Kanalliste(), TKanalListeNeu(2));
}

TEST_F(DATDatei, OffsetsHinterDemEndeLesenNullen)
{
    struct Fall {
        int feld;
        std::int32_t wert;
    };
    // station, hardware, channel offset: past the end, or negative (unsigned: far past it)
    const Fall faelle[] = {{7, 149}, {7, -1}, {15, 1000}, {15, std::numeric_limits<std::int32_t>::min()},
                           {27, 149}, {27, -30}};
    for (const Fall& f : faelle) {
        QByteArray b = liesDatei(fixture("neu.dat"));
        setzeI32(b, f.feld, f.wert);
        schreibeDatei(pfad("o.dat"), b);
        TDATDatei d;
        d.LoadFromFile(pfad("o.dat"));
        const bool station = f.feld == 7, hardware = f.feld == 15, kanal = f.feld == 27;
        EXPECT_EQ(d.Stationsparameter(), station ? TStationsParameter{} : fixtureStation(5, -1234, 5678))
            << f.feld << "=" << f.wert;
        const THardwareListeNeu hw = hardware ? THardwareListeNeu(3, 0) : THardwareListeNeu{0x1, 0xA, 0xF};
        const TKanalListeNeu kanaele = kanal ? TKanalListeNeu(2) : TKanalListeNeu{fixtureE1(), fixtureE2()};
        EXPECT_EQ(d.Hardwareliste(), hw);
        EXPECT_EQ(d.Kanalliste(), kanaele);
    }
}

TEST_F(DATDatei, KurzesVerzeichnisBehaeltDieUebrigenZahlen)
{
    // Directory size 8: only station offset and size come from the file, here
    // with the station block right after them at offset 15.
    QByteArray b("QZ1\x08\0\0\0", 7);
    b.append(QByteArray(8, '\0'));
    setzeI32(b, 7, 15);
    setzeI32(b, 11, 47);
    b.append(liesDatei(fixture("neu.dat")).mid(39, 47));
    schreibeDatei(pfad("dir8.dat"), b);

    TDATDatei d = geladen("neu.dat");
    d.LoadFromFile(pfad("dir8.dat"));
    EXPECT_EQ(d.Verzeichnis(), (TVerzeichnis{15, 47, 86, 3, 1, 89, 2, 30}));
    EXPECT_EQ(d.Stationsparameter(), fixtureStation(5, -1234, 5678));
    // the old hardware and channel offsets lie past this file's end
    EXPECT_EQ(d.Hardwareliste(), THardwareListeNeu(3, 0));
    EXPECT_EQ(d.Kanalliste(), TKanalListeNeu(2));
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(DATDatei, FehlendeDateiAendertNichts)
{
    TDATDatei d = geladen("neu.dat");
    const Zustand vorher(d);
    d.LoadFromFile(pfad("gibtsnicht.dat"));
    EXPECT_EQ(Zustand(d), vorher);
}

TEST_F(DATDatei, UnbekanntesFormat)
{
    TDATDatei d = geladen("neu.dat");
    const Zustand vorher(d);
    try {
        d.LoadFromFile(fixture("unbekannt.dat"));
        FAIL() << "kein EConvertError";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Meldung(), fixture("unbekannt.dat") + QStringLiteral(" hat ein unbekanntes Format!"));
    }
    // Only the header copy holds the seven bytes read.
    EXPECT_EQ(d.Kopf(), (TDateiKopf{{'Q', 'Z', '2'}, 0x07060504u}));
    Zustand nachher(d);
    nachher.kopf = vorher.kopf;
    EXPECT_EQ(nachher, vorher);
}

TEST_F(DATDatei, ZuKurzFuerDieKennungIstUnbekannt)
{
    // An object that last read "QZ1" must not take an empty or two-byte file
    // for one.
    for (const QByteArray& inhalt : {QByteArray(), QByteArray("QZ")}) {
        schreibeDatei(pfad("k.dat"), inhalt);
        TDATDatei d = geladen("neu.dat");
        const Zustand vorher(d);
        EXPECT_THROW(d.LoadFromFile(pfad("k.dat")), EConvertError) << inhalt.size();
        EXPECT_EQ(Zustand(d), vorher);
    }
}

TEST_F(DATDatei, KurzeNeueDateiLiestNullen)
{
    const QByteArray voll = liesDatei(fixture("neu.dat"));
    auto e2Vorn = [](int n) {
        auto b = fixtureE2().encode();
        std::fill(b.begin() + n, b.end(), std::uint8_t{0});
        return TKanalEintrag::decode(b);
    };
    struct Fall {
        int laenge;
        TKanalListeNeu kanaele;
        THardwareListeNeu hardware;
    };
    const Fall faelle[] = {
        {149 - 1, {fixtureE1(), e2Vorn(29)}, {0x1, 0xA, 0xF}},    // last Position byte missing
        {149 - 30, {fixtureE1(), TKanalEintrag{}}, {0x1, 0xA, 0xF}},
        {87, {TKanalEintrag{}, TKanalEintrag{}}, {0x1, 0, 0}},   // within the hardware list
    };
    for (const Fall& f : faelle) {
        schreibeDatei(pfad("k.dat"), voll.left(f.laenge));
        TDATDatei d;
        d.LoadFromFile(pfad("k.dat"));
        EXPECT_EQ(d.Kanalliste(), f.kanaele) << f.laenge;
        EXPECT_EQ(d.Hardwareliste(), f.hardware) << f.laenge;
    }

    // Cut inside the station block: the rest of the block reads as zero.
    QByteArray b = voll.left(39 + 20);
    setzeI32(b, 31, 1);   // one channel entry, so the count still fits the file
    schreibeDatei(pfad("st.dat"), b);
    TDATDatei d = geladen("neu.dat");
    d.LoadFromFile(pfad("st.dat"));
    EXPECT_EQ(d.Stationsparameter().Stationsnummer, 4711);
    EXPECT_EQ(d.Stationsparameter().Batteriespannung, 0.0f);
    EXPECT_EQ(d.Stationsparameter().GeoLaenge, 0);
}

TEST_F(DATDatei, KurzeAlteDatei)
{
    const QByteArray voll = liesDatei(fixture("alt.dat"));

    // Missing entries read as zero, as long as the count fits the file's size.
    schreibeDatei(pfad("k.dat"), voll.left(142 + 30 + 10));
    TDATDatei d;
    d.LoadFromFile(pfad("k.dat"));
    ASSERT_EQ(d.ChannelCount(), 2);
    EXPECT_EQ(d.GetChannel(0), fixtureE1());
    EXPECT_EQ(d.GetChannel(1).Kanalnummer, 95);
    EXPECT_EQ(d.GetChannel(1).Einheit, fixtureE2().Einheit);
    EXPECT_EQ(d.GetChannel(1).b, 0.0f);
    EXPECT_EQ(d.GetChannel(1).Max, 0.0f);

    QByteArray sechs = voll;
    sechs[44] = 6;   // 6 x 30 bytes fit into the 202 bytes, 7 do not
    schreibeDatei(pfad("6.dat"), sechs);
    d.LoadFromFile(pfad("6.dat"));
    EXPECT_EQ(d.ChannelCount(), 6);
    EXPECT_EQ(d.GetChannel(5), TKanalEintrag{});

    // Missing part of the station record keeps what the object had; the
    // hardware list is all zero.
    QByteArray b = voll.left(3 + 4);
    schreibeDatei(pfad("st.dat"), b);
    TDATDatei vorher = geladen("neu.dat");
    vorher.Stationsparameter().Stationsnummer = 1;
    vorher.Stationsparameter().Kanalanzahl = 0;
    vorher.LoadFromFile(pfad("st.dat"));
    // 4711 and the name's first two bytes from the file, the rest as it was
    EXPECT_EQ(vorher.Stationsparameter(), fixtureStation(0, -1234, 5678));
    EXPECT_EQ(vorher.Hardwareliste(), THardwareListeNeu(96, 0));
    EXPECT_EQ(vorher.ChannelCount(), 0);
}

TEST_F(DATDatei, UnmoeglicheAnzahlenSindBereichsfehler)
{
    struct Fall {
        const char* was;
        const char* datei;
        int feld;
        int breite;  // 2 or 4 bytes
        std::int32_t wert;
    };
    const Fall faelle[] = {
        {"alte Form, Kanalanzahl -1", "alt.dat", 3 + 41, 2, -1},
        {"alte Form, Kanalanzahl -32768", "alt.dat", 3 + 41, 2, -32768},
        {"alte Form, Kanalanzahl 32767", "alt.dat", 3 + 41, 2, 32767},
        {"alte Form, ein Kanal mehr als die Datei Bytes/30 hat", "alt.dat", 3 + 41, 2, 202 / 30 + 1},
        {"neue Form, Kanäle -1", "neu.dat", 31, 4, -1},
        {"neue Form, Hardware -1", "neu.dat", 19, 4, -1},
        {"neue Form, 2^31-1 Kanäle", "neu.dat", 31, 4, std::numeric_limits<std::int32_t>::max()},
        {"neue Form, 2^31-1 Hardwarebytes", "neu.dat", 19, 4, std::numeric_limits<std::int32_t>::max()},
        {"neue Form, ein Kanal mehr als die Datei Bytes/30 hat", "neu.dat", 31, 4, 149 / 30 + 1},
        {"neue Form, ein Hardwarebyte mehr als die Datei hat", "neu.dat", 19, 4, 150},
    };
    for (const Fall& f : faelle) {
        QByteArray b = liesDatei(fixture(f.datei));
        for (int i = 0; i < f.breite; ++i)
            b[f.feld + i] = static_cast<char>(static_cast<std::uint32_t>(f.wert) >> (8 * i));
        schreibeDatei(pfad("x.dat"), b);

        TDATDatei d = geladen("neu_verstreut.dat");
        const Zustand vorher(d);
        EXPECT_EQ(rangeMeldung([&] { d.LoadFromFile(pfad("x.dat")); }), QStringLiteral("Fehler bei Bereichsprüfung"))
            << f.was;
        EXPECT_EQ(Zustand(d), vorher) << f.was;
    }
}

TEST_F(DATDatei, AnzahlBisZurDateigroesseIstErlaubt)
{
    // With entries of size 0 every entry is zero; the count may go up to the
    // file's size and no further.
    QByteArray b = liesDatei(fixture("neu.dat"));
    setzeI32(b, 35, 0);
    setzeI32(b, 31, 149);
    schreibeDatei(pfad("grenze.dat"), b);
    TDATDatei d;
    d.LoadFromFile(pfad("grenze.dat"));
    EXPECT_EQ(d.ChannelCount(), 149);
    EXPECT_EQ(d.GetChannel(148), TKanalEintrag{});

    setzeI32(b, 31, 150);
    schreibeDatei(pfad("grenze.dat"), b);
    EXPECT_THROW(d.LoadFromFile(pfad("grenze.dat")), ERangeError);
    EXPECT_EQ(d.ChannelCount(), 149);
}

TEST_F(DATDatei, DateiNichtZuOeffnenOderZuErstellen)
{
    TDATDatei d = geladen("neu.dat");
    const Zustand vorher(d);

    const QString verzeichnis = pfad("ordner.dat");
    ASSERT_TRUE(QDir().mkdir(verzeichnis));
    try {
        d.LoadFromFile(verzeichnis);
        ADD_FAILURE() << "kein EInOutError";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Meldung(), QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(verzeichnis));
    }

    const QString ohneOrdner = pfad("fehlt/p.dat");
    for (bool alt : {true, false}) {
        try {
            d.SaveToFile(ohneOrdner, alt);
            ADD_FAILURE() << "kein EInOutError";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Meldung(), QStringLiteral("Datei %1 kann nicht erstellt werden").arg(ohneOrdner));
        }
    }
    EXPECT_EQ(Zustand(d), vorher);  // not even Kanalanzahl of the old layout
}

TEST_F(DATDatei, FehlgeschlagenesSpeichernBehaeltDieAlteDatei)
{
    const QString ziel = pfad("p.dat");
    const QByteArray alt = liesDatei(fixture("alt.dat"));
    schreibeDatei(ziel, alt);

    TDATDatei d;
    for (int i = 0; i < 200; ++i)
        d.AddChannel(benannt('z'));

    // The disk "fills up" after 1 KB: the write fails half-way.
    rlimit vorher{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &vorher), 0);
    const auto altesSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit eng = vorher;
    eng.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &eng), 0);
    bool fehler = false;
    try {
        d.SaveToFile(ziel, false);
    } catch (const EInOutError&) {
        fehler = true;
    }
    setrlimit(RLIMIT_FSIZE, &vorher);
    std::signal(SIGXFSZ, altesSignal);

    EXPECT_TRUE(fehler);
    EXPECT_EQ(liesDatei(ziel), alt);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("p.dat")});
    EXPECT_EQ(d.Kopf(), TDateiKopf{});

    d.SaveToFile(ziel, false);  // with room it works and replaces the file
    EXPECT_EQ(liesDatei(ziel).size(), 86 + 30 * 200);
}

// ---------------------------------------------------------------------------
// Editing the channel table

TEST_F(DATDatei, KanaeleBearbeitenHaeltPositionenFortlaufend)
{
    TDATDatei d;
    for (char c : std::string("ABCD"))
        d.AddChannel(benannt(c));
    EXPECT_EQ(positionen(d), "1 2 3 4 ");

    TKanalEintrag x = benannt('X');
    x.Position = 99;
    d.SetChannel(1, x);
    EXPECT_EQ(namen(d), "AXCD");
    EXPECT_EQ(d.GetChannel(1).Position, 2);

    d.InsertChannel(0, benannt('F'));
    d.InsertChannel(5, benannt('L'));   // at the end
    d.InsertChannel(3, benannt('M'));
    EXPECT_EQ(namen(d), "FAXMCDL");
    EXPECT_EQ(positionen(d), "1 2 3 4 5 6 7 ");

    d.DeleteChannel(0);
    d.DeleteChannel(5);
    d.DeleteChannel(2);
    EXPECT_EQ(namen(d), "AXCD");
    EXPECT_EQ(positionen(d), "1 2 3 4 ");
}

TEST_F(DATDatei, KanalVerschieben)
{
    struct Fall {
        int von, nach;
        const char* ergebnis;
    };
    const Fall faelle[] = {{0, 2, "BCAD"}, {3, 0, "DABC"}, {0, 3, "BCDA"}, {2, 1, "ACBD"}, {1, 1, "ABCD"}};
    for (const Fall& f : faelle) {
        TDATDatei d;
        for (char c : std::string("ABCD"))
            d.AddChannel(benannt(c));
        d.MoveChannel(f.von, f.nach);
        EXPECT_EQ(namen(d), f.ergebnis) << f.von << "->" << f.nach;
        EXPECT_EQ(positionen(d), "1 2 3 4 ");
    }
}

TEST_F(DATDatei, IndexAusserhalbDerListe)
{
    struct Fall {
        const char* was;
        std::function<void(TDATDatei&)> tun;
        int index;
    };
    const TKanalEintrag e = benannt('E');
    const Fall faelle[] = {
        {"GetChannel(-1)", [](TDATDatei& d) { d.GetChannel(-1); }, -1},
        {"GetChannel(Count)", [](TDATDatei& d) { d.GetChannel(3); }, 3},
        {"SetChannel(3)", [&](TDATDatei& d) { d.SetChannel(3, e); }, 3},
        {"SetChannel(-2)", [&](TDATDatei& d) { d.SetChannel(-2, e); }, -2},
        {"DeleteChannel(3)", [](TDATDatei& d) { d.DeleteChannel(3); }, 3},
        {"DeleteChannel(-1)", [](TDATDatei& d) { d.DeleteChannel(-1); }, -1},
        {"InsertChannel(4)", [&](TDATDatei& d) { d.InsertChannel(4, e); }, 4},
        {"InsertChannel(-1)", [&](TDATDatei& d) { d.InsertChannel(-1, e); }, -1},
        {"MoveChannel(3, 0)", [](TDATDatei& d) { d.MoveChannel(3, 0); }, 3},
        // the target counts in the shortened list: 2 is its end, 3 lies beyond
        {"MoveChannel(0, 3)", [](TDATDatei& d) { d.MoveChannel(0, 3); }, 3},
        {"MoveChannel(1, -1)", [](TDATDatei& d) { d.MoveChannel(1, -1); }, -1},
    };
    const struct {
        TKanalMeldung variante;
        const char* text;
    } varianten[] = {
        {TKanalMeldung::Konfigurator, " liegt außerhalb des Bereichs der Kanalliste"},
        {TKanalMeldung::Kommunikation, " liegt ausserhalb des Bereichs der Kanalliste"},
    };
    for (const auto& v : varianten) {
        SetzeKanalMeldung(v.variante);
        for (const Fall& f : faelle) {
            TDATDatei d;
            for (char c : std::string("ABC"))
                d.AddChannel(benannt(c));
            EXPECT_EQ(rangeMeldung([&] { f.tun(d); }), QString::number(f.index) + QString::fromUtf8(v.text))
                << f.was;
            EXPECT_EQ(namen(d), "ABC") << f.was;
            EXPECT_EQ(positionen(d), "1 2 3 ") << f.was;
        }
    }
}

TEST_F(DATDatei, KonfiguratorMeldungIstVorgabe)
{
    EXPECT_EQ(KanalMeldung(), TKanalMeldung::Konfigurator);
}

TEST_F(DATDatei, HardwareIndexAusserhalbDerListe)
{
    const TDATDatei d = geladen("neu.dat");
    for (int index : {-1, 3}) {
        EXPECT_EQ(rangeMeldung([&] { d.GetHardware(index); }),
                  QString::number(index) + QStringLiteral(" liegt außerhalb des Bereichs der Hardwareliste"));
    }
}
