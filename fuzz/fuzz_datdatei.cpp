// Feeds arbitrary bytes to TDATDatei::LoadFromFile as a parameter file, then
// checks what a loaded object must always satisfy: the accessors agree with
// the lists, a save in the new layout loads back byte for byte, a save in the
// old layout loads back as its 65-entry, 96-input image, and editing keeps the
// positions consecutive.
#include "common/Fehler.h"
#include "common/FunktionenTypen.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace nuvar;

namespace {

void pruefe(bool bedingung, const char* was)
{
    if (!bedingung) {
        std::fprintf(stderr, "Invariante verletzt: %s\n", was);
        std::abort();
    }
}

const QString& pfad(const char* name)
{
    // Saves go through QSaveFile, which syncs to disk; on tmpfs that costs
    // nothing, on a real disk it would bound the run to a few hundred inputs
    // per second.
    static QTemporaryDir dir(QFile::exists("/dev/shm") ? QStringLiteral("/dev/shm/fuzz_datdatei-XXXXXX")
                                                       : QDir::tempPath() + QStringLiteral("/fuzz_datdatei-XXXXXX"));
    static QString pfade[3] = {dir.filePath("eingabe.dat"), dir.filePath("neu.dat"), dir.filePath("alt.dat")};
    const int i = name[0] == 'e' ? 0 : name[0] == 'n' ? 1 : 2;
    return pfade[i];
}

void schreibe(const QString& p, const std::uint8_t* data, std::size_t size)
{
    QFile f(p);
    pruefe(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "Eingabe schreibbar");
    pruefe(f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == static_cast<qint64>(size),
           "Eingabe ganz geschrieben");
}

bool gleich(const TDATDatei& x, const TDATDatei& y)
{
    return x.Stationsparameter() == y.Stationsparameter() && x.Kanalliste() == y.Kanalliste()
        && x.Hardwareliste() == y.Hardwareliste();
}

bool positionenFortlaufend(const TDATDatei& d)
{
    for (int i = 0; i < d.ChannelCount(); ++i)
        if (d.GetChannel(i).Position != static_cast<std::uint8_t>(i + 1))
            return false;
    return true;
}

bool wirftBereichsfehler(auto&& f)
{
    try {
        f();
    } catch (const ERangeError&) {
        return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    schreibe(pfad("eingabe"), data, size);

    TDATDatei d;
    const TDATDatei leer;
    try {
        d.LoadFromFile(pfad("eingabe"));
    } catch (const ERangeError&) {
        pruefe(gleich(d, leer) && d.Kopf() == leer.Kopf() && d.Verzeichnis() == leer.Verzeichnis(),
               "Bereichsfehler laesst das Objekt unveraendert");
        return 0;
    } catch (const EConvertError&) {
        pruefe(gleich(d, leer) && d.Verzeichnis() == leer.Verzeichnis(),
               "unbekanntes Format aendert nur die Kopfkopie");
        return 0;
    }

    // No list longer than the file could carry.
    pruefe(static_cast<std::size_t>(d.ChannelCount()) <= size, "Kanalzahl begrenzt");
    pruefe(static_cast<std::size_t>(d.HardwareCount()) <= std::max<std::size_t>(size, 96), "Hardwarezahl begrenzt");

    // Accessors against the lists.
    for (int i = 0; i < d.ChannelCount(); ++i)
        pruefe(d.GetChannel(i) == d.Kanalliste()[static_cast<std::size_t>(i)], "GetChannel");
    for (int i = 0; i < d.HardwareCount(); ++i)
        pruefe(d.GetHardware(i) == d.Hardwareliste()[static_cast<std::size_t>(i)], "GetHardware");
    pruefe(wirftBereichsfehler([&] { d.GetChannel(-1); }), "GetChannel(-1)");
    pruefe(wirftBereichsfehler([&] { d.GetChannel(d.ChannelCount()); }), "GetChannel(Count)");
    pruefe(wirftBereichsfehler([&] { d.GetHardware(d.HardwareCount()); }), "GetHardware(Count)");

    // The new layout keeps everything, byte for byte.
    const QByteArray abbildNeu = d.Abbild(false);
    pruefe(abbildNeu.size() == 86 + d.HardwareCount() + 30 * static_cast<qsizetype>(d.ChannelCount()),
           "Laenge der neuen Form");
    d.SaveToFile(pfad("neu"), false);
    TDATDatei neu;
    neu.LoadFromFile(pfad("neu"));
    pruefe(gleich(neu, d), "neue Form verlustfrei");
    pruefe(neu.Abbild(false) == abbildNeu, "neue Form byte-gleich");

    // The old layout keeps the station record, 96 inputs and 65 entries.
    const int n = std::min(d.ChannelCount(), 65);
    d.SaveToFile(pfad("alt"), true);
    pruefe(d.Stationsparameter().Kanalanzahl == n, "Kanalanzahl der alten Form");
    TDATDatei alt;
    alt.LoadFromFile(pfad("alt"));
    pruefe(alt.Stationsparameter().encodeStationsrecord() == d.Stationsparameter().encodeStationsrecord(),
           "Stationsrecord der alten Form");
    pruefe(alt.Stationsparameter().GeoLaenge == 0 && alt.Stationsparameter().GeoBreite == 0,
           "alte Form ohne Koordinaten");
    pruefe(alt.HardwareCount() == 96, "96 Eingaenge");
    for (int i = 0; i < 96; ++i)
        pruefe(alt.GetHardware(i) == (i < d.HardwareCount() ? d.GetHardware(i) : 0), "Hardwarebyte der alten Form");
    pruefe(alt.ChannelCount() == n, "Eintraege der alten Form");
    for (int i = 0; i < n; ++i)
        pruefe(alt.GetChannel(i) == d.GetChannel(i), "Eintrag der alten Form");

    // Editing with indexes taken from the input.
    if (size >= 2 && d.ChannelCount() > 0) {
        const int count = d.ChannelCount();
        for (int i = 0; i < count; ++i)
            d.SetChannel(i, d.GetChannel(i));  // loaded positions are whatever the file held
        pruefe(positionenFortlaufend(d), "SetChannel nummeriert");
        const int von = data[0] % count;
        const int nach = data[1] % count;
        const TKanalEintrag e = d.GetChannel(von);
        d.MoveChannel(von, nach);
        pruefe(d.ChannelCount() == count && positionenFortlaufend(d), "MoveChannel");
        TKanalEintrag erwartet = e;
        erwartet.Position = static_cast<std::uint8_t>(nach + 1);
        pruefe(d.GetChannel(nach) == erwartet, "verschobener Eintrag");
        d.InsertChannel(count, e);
        d.DeleteChannel(von);
        pruefe(d.ChannelCount() == count && positionenFortlaufend(d), "Insert/Delete");
        pruefe(wirftBereichsfehler([&] { d.MoveChannel(0, count); }) && d.ChannelCount() == count,
               "MoveChannel hinter das Ende verliert nichts");
    }
    return 0;
}
