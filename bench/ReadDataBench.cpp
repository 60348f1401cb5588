// Reading the data memory ("LeseDaten"'s driver) from nuvarsim over a
// pseudo-terminal at 9600 baud, against the lower bound of the same
// operation: the identical run on the virtual clock with the in-process
// logger, where time passes only for bytes on the wire (10 bits a byte) and
// for the pauses the protocol prescribes. Prints on its last line:
//   ratio=<wall/lower bound> cpu=<CPU time / wall time>% rss=<peak MiB>
#include "common/FunktionenTypen.h"
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "common/Text.h"
#include "kom/protocol/Treiber.h"
#include "platform/EventPump.h"
#include "platform/PeerLine.h"
#include "sim/SimLogger.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <sys/resource.h>

using namespace nuvar;

namespace {

const QDateTime kUhr(QDate(2026, 3, 1), QTime(8, 0, 0));

// A station of 8 channels with room for the records.
QString SchreibeStation(const QString& dir) {
    TDATDatei d;
    auto& st = d.Stationsparameter();
    st.Stationsnummer = 101;
    SchreibeTextfeld(st.Stationsname, QStringLiteral("Benchstation"));
    st.Mittelwertintervall = 10;
    st.Messintervall = 10;
    st.Speichergroesse = 8;
    d.Hardwareliste().assign(96, 1);
    const char* namen[] = {"t2m", "rf", "ld", "wr", "wg", "nied", "tbn", "bod5"};
    for (int i = 0; i < 8; ++i) {
        TKanalEintrag k;
        k.Kanalnummer = std::uint8_t(i);
        k.Sensorcode = std::uint8_t(i + 1);
        SchreibeTextfeld(k.Einheit, QStringLiteral("E"));
        SchreibeTextfeld(k.Bezeichnung, QString::fromLatin1(namen[i]));
        k.a = 1;
        k.Max = 100;
        d.AddChannel(k);
    }
    const QString pfad = dir + QStringLiteral("/station.dat");
    d.SaveToFile(pfad, true);
    return pfad;
}

TVerbParam Direkt() {
    TVerbParam p;
    p.Baudrate = 3;  // 9600
    p.StatNr = 101;
    p.Mittelwertzeit = 10;
    p.StatName = QStringLiteral("Benchstation");
    return p;
}

// The lower bound in ms: the same read on the virtual clock.
Millis UntereSchranke(const QString& station, int saetze, const QString& dir) {
    VirtualPump pump(0);
    SimOptions o;
    o.stationsdatei = station;
    o.datensaetze = saetze;
    o.aufzeichnen = false;
    o.uhrStart = kUhr;
    o.antwortMs = 0;
    SimLogger logger(pump, o);
    TSkriptMeldungen meldungen;
    TFensterUmgebung u;
    u.pump = &pump;
    u.leitung = [&](const QString&) { return std::make_unique<PeerLine>(pump, logger); };
    u.meldungen = &meldungen;
    u.verzeichnis = dir;
    u.uhr = [&] { return kUhr.addMSecs(pump.now()); };
    Umgebung() = u;
    const Millis start = pump.now();
    const bool ok = ReadMeasuredData(dir + QStringLiteral("/virtuell.dat"), Direkt());
    const Millis dauer = pump.now() - start;
    TransferWindow().reset();
    Umgebung() = StandardUmgebung();
    if (!ok) std::fprintf(stderr, "virtueller Lauf fehlgeschlagen\n");
    return dauer;
}

double CpuSekunden() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

double SpitzeMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& z : f.readAll().split('\n'))
        if (z.startsWith("VmHWM:")) return z.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

struct Messung {
    bool ok = false;
    double wandS = 0, cpuS = 0, rssMiB = 0;
    qint64 bytes = 0;
};

Messung EchterLauf(const QString& sim, const QString& station, int saetze, const QString& dir) {
    Messung m;
    const QString link = dir + QStringLiteral("/logger");
    QProcess p;
    p.setProgram(sim);
    p.setArguments({"--link", link, "--station", station, "--saetze", QString::number(saetze), "--uhr",
                    kUhr.toString("yyyy-MM-dd hh:mm:ss"), "--nicht-aufzeichnen", "--antwort", "0", "--log",
                    dir + "/nuvarsim.log"});
    p.start();
    if (!p.waitForStarted(5000)) return m;
    for (int i = 0; i < 100 && !p.canReadLine(); ++i) p.waitForReadyRead(100);
    for (int i = 0; i < 100 && !QFileInfo::exists(link); ++i) QThread::msleep(20);
    TIniFile(dir + "/NUVARWin.ini").WriteString("Schnittstellen", "COM1", link);

    TUnbeaufsichtigteMeldungen meldungen([](const QString& t) { std::fprintf(stderr, "%s\n", qPrintable(t)); });
    TFensterUmgebung u = StandardUmgebung();
    u.verzeichnis = dir;
    u.meldungen = &meldungen;
    Umgebung() = u;
    const QString ziel = dir + "/Daten.101";
    const double cpu0 = CpuSekunden();
    QElapsedTimer t;
    t.start();
    m.ok = ReadMeasuredData(ziel, Direkt());
    m.wandS = double(t.nsecsElapsed()) / 1e9;
    m.cpuS = CpuSekunden() - cpu0;
    m.rssMiB = SpitzeMiB();
    m.bytes = QFileInfo(ziel).size();
    TransferWindow().reset();
    Umgebung() = StandardUmgebung();
    p.terminate();
    if (!p.waitForFinished(3000)) p.kill();
    return m;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SetzeKanalMeldung(TKanalMeldung::Kommunikation);
    const QString sim = QCoreApplication::applicationDirPath() + QStringLiteral("/nuvarsim");
    if (!QFileInfo::exists(sim)) {
        std::fprintf(stderr, "nuvarsim fehlt neben %s\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const QString station = SchreibeStation(dir.path());
    double rss250 = 0;
    Messung letzte;
    double ratio = 0;
    for (int saetze : {250, 1000}) {
        QTemporaryDir lauf;
        const Millis schranke = UntereSchranke(station, saetze, lauf.path());
        const Messung m = EchterLauf(sim, station, saetze, lauf.path());
        if (!m.ok) {
            std::fprintf(stderr, "Lesen von %d Datensätzen fehlgeschlagen\n", saetze);
            return 1;
        }
        const double r = m.wandS / (double(schranke) / 1000.0);
        std::printf("saetze=%d bytes=%lld schranke=%.3fs wand=%.3fs cpu=%.3fs ratio=%.4f rss=%.1fMiB\n", saetze,
                    static_cast<long long>(m.bytes), double(schranke) / 1000.0, m.wandS, m.cpuS, r, m.rssMiB);
        if (saetze == 250) rss250 = m.rssMiB;
        letzte = m;
        ratio = r;
    }
    std::printf("rss growth 250->1000 records: %.2f MiB\n", letzte.rssMiB - rss250);
    std::printf("ratio=%.3f cpu=%.2f%% rss=%.1fMiB\n", ratio, 100.0 * letzte.cpuS / letzte.wandS, letzte.rssMiB);
    return 0;
}
