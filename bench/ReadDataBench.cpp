// Reading the data memory ("LeseDaten"'s driver) from nuvarsim over a
// pseudo-terminal, against the lower bound of the same operation: the
// identical run on the virtual clock with the in-process logger, where time
// passes only for bytes on the wire (10 bits a byte) and for the pauses the
// protocol prescribes. Reads a quarter of the records first, then all, and
// prints on its last line:
//   ratio=<wall/lower bound> cpu=<CPU time / wall time>% rss=<peak MiB>
//
//   bench_lesedaten [--baud N] [--saetze N]     (defaults 9600 and 1000)
//   bench_lesedaten --baud 57600 --saetze 8000  (a full large memory)
// --protokoll: the protocol file on, starting full (1000 lines), as on a
// station PC that keeps it. --perf DATEI: records a perf profile of the
// program's side of the full run (not the simulator, not the bound).
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
#include <csignal>
#include <sys/resource.h>

using namespace nuvar;

namespace {

const QDateTime kUhr(QDate(2026, 3, 1), QTime(8, 0, 0));

// A station of 8 channels with room for the records.
QString SchreibeStation(const QString& dir, int saetze) {
    TDATDatei d;
    auto& st = d.Stationsparameter();
    st.Stationsnummer = 101;
    SchreibeTextfeld(st.Stationsname, QStringLiteral("Benchstation"));
    st.Mittelwertintervall = 10;
    st.Messintervall = 10;
    // Units of 32 KB; 8 is the default run's station.
    st.Speichergroesse = std::int16_t(std::max<qint64>(8, (69LL * saetze + 32767) / 32768));
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

// The connection's rate index for a rate; the bench's lines run at their own
// rate whatever the index (a pty ignores the rate, the in-process line below
// is fixed), so any other rate keeps 9600's index.
std::uint8_t BaudIndex(int baud) {
    const int raten[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600};
    for (int i = 0; i < 7; ++i)
        if (raten[i] == baud) return std::uint8_t(i);
    return 3;
}

TVerbParam Direkt(int baud) {
    TVerbParam p;
    p.Baudrate = BaudIndex(baud);
    p.StatNr = 101;
    p.Mittelwertzeit = 10;
    p.StatName = QStringLiteral("Benchstation");
    return p;
}

// An in-process line that always runs at the bench's rate.
class FesteRate : public PeerLine {
public:
    FesteRate(EventPump& pump, WirePeer& peer, int baud) : PeerLine(pump, peer), baud_(baud) {}
    bool open(int, QString* reason) override { return PeerLine::open(baud_, reason); }
    void setBaudRate(int) override { PeerLine::setBaudRate(baud_); }

private:
    int baud_;
};

// The lower bound in ms: the same read on the virtual clock.
Millis UntereSchranke(const QString& station, int saetze, int baud, const QString& dir) {
    VirtualPump pump(0);
    SimOptions o;
    o.baud = baud;
    o.stationsdatei = station;
    o.datensaetze = saetze;
    o.aufzeichnen = false;
    o.uhrStart = kUhr;
    o.antwortMs = 0;
    SimLogger logger(pump, o);
    TSkriptMeldungen meldungen;
    TFensterUmgebung u;
    u.pump = &pump;
    u.leitung = [&](const QString&) { return std::make_unique<FesteRate>(pump, logger, baud); };
    u.meldungen = &meldungen;
    u.verzeichnis = dir;
    u.uhr = [&] { return kUhr.addMSecs(pump.now()); };
    Umgebung() = u;
    const Millis start = pump.now();
    const bool ok = ReadMeasuredData(dir + QStringLiteral("/virtuell.dat"), Direkt(baud));
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

struct Lauf {
    int baud = 9600;
    bool protokoll = false;
    QString perf;  // empty: no profile
};

// A protocol file of 1000 lines, the default limit: every further line
// trims it.
void VollesProtokoll(const QString& dir) {
    TIniFile ini(dir + "/NUVARWin.ini");
    ini.WriteBool("NUVARKom", "SchreibeLogDatei", true);
    ini.WriteBool("NUVARKom", "AnPDAnhaengen", true);
    QFile f(dir + "/NUVARKom.log");
    if (!f.open(QIODevice::WriteOnly)) return;
    for (int i = 0; i < 1000; ++i)
        f.write(QByteArray("01.03.2026 07:00:00.000 - alte Zeile ") + QByteArray::number(i) + "\r\n");
}

// perf record of this process until the returned process is stopped.
std::unique_ptr<QProcess> StartePerf(const QString& datei) {
    auto p = std::make_unique<QProcess>();
    p->setProgram(QStringLiteral("perf"));
    p->setArguments({"record", "-g", "-F", "999", "-p", QString::number(QCoreApplication::applicationPid()), "-o",
                     datei});
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start();
    if (!p->waitForStarted(5000)) {
        std::fprintf(stderr, "perf lässt sich nicht starten\n");
        return nullptr;
    }
    QThread::msleep(500);  // until it has attached
    return p;
}

void StoppePerf(std::unique_ptr<QProcess> p) {
    if (!p) return;
    ::kill(pid_t(p->processId()), SIGINT);
    p->waitForFinished(30000);
}

Messung EchterLauf(const QString& sim, const QString& station, int saetze, const Lauf& lauf, const QString& dir,
                   bool profil) {
    const int baud = lauf.baud;
    Messung m;
    const QString link = dir + QStringLiteral("/logger");
    QProcess p;
    p.setProgram(sim);
    p.setArguments({"--link", link, "--station", station, "--saetze", QString::number(saetze), "--uhr",
                    kUhr.toString("yyyy-MM-dd hh:mm:ss"), "--nicht-aufzeichnen", "--antwort", "0", "--baud", QString::number(baud),
                    "--log", dir + "/nuvarsim.log"});
    p.start();
    if (!p.waitForStarted(5000)) return m;
    for (int i = 0; i < 100 && !p.canReadLine(); ++i) p.waitForReadyRead(100);
    for (int i = 0; i < 100 && !QFileInfo::exists(link); ++i) QThread::msleep(20);
    TIniFile(dir + "/NUVARWin.ini").WriteString("Schnittstellen", "COM1", link);
    if (lauf.protokoll) VollesProtokoll(dir);

    TUnbeaufsichtigteMeldungen meldungen([](const QString& t) { std::fprintf(stderr, "%s\n", qPrintable(t)); });
    TFensterUmgebung u = StandardUmgebung();
    u.verzeichnis = dir;
    u.meldungen = &meldungen;
    Umgebung() = u;
    const QString ziel = dir + "/Daten.101";
    auto perf = profil && !lauf.perf.isEmpty() ? StartePerf(lauf.perf) : nullptr;
    const double cpu0 = CpuSekunden();
    QElapsedTimer t;
    t.start();
    m.ok = ReadMeasuredData(ziel, Direkt(baud));
    m.wandS = double(t.nsecsElapsed()) / 1e9;
    m.cpuS = CpuSekunden() - cpu0;
    StoppePerf(std::move(perf));
    m.rssMiB = SpitzeMiB();
    m.bytes = QFileInfo(ziel).size();
    TransferWindow().reset();
    Umgebung() = StandardUmgebung();
    p.terminate();
    if (!p.waitForFinished(3000)) p.kill();
    return m;
}

// The real run in a process of its own (this program with --echt), so its
// peak memory is the program's alone, not the bound's of the same process.
Messung EchterLaufImKind(const QString& station, int saetze, const Lauf& lauf, const QString& dir, bool profil) {
    QStringList a{"--echt", dir, station, QString::number(saetze), "--baud", QString::number(lauf.baud)};
    if (lauf.protokoll) a << "--protokoll";
    if (profil && !lauf.perf.isEmpty()) a << "--perf" << lauf.perf;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), a);
    Messung m;
    if (!p.waitForFinished(-1) || p.exitCode() != 0) return m;
    const QList<QByteArray> w = p.readAllStandardOutput().trimmed().split(' ');
    if (w.size() != 5) return m;
    m.ok = w[0] == "1";
    m.wandS = w[1].toDouble();
    m.cpuS = w[2].toDouble();
    m.rssMiB = w[3].toDouble();
    m.bytes = w[4].toLongLong();
    return m;
}

// The value of --name N, or vorgabe; exits on a bad number.
int Zahl(const QStringList& args, const QString& name, int vorgabe) {
    const int i = int(args.indexOf(name));
    if (i < 0) return vorgabe;
    bool ok = false;
    const int n = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
    if (!ok || n < 4) {
        std::fprintf(stderr, "%s braucht eine Zahl ab 4\n", qPrintable(name));
        std::exit(2);
    }
    return n;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    Lauf lauf;
    lauf.baud = Zahl(args, QStringLiteral("--baud"), 9600);
    const int baud = lauf.baud;
    const int saetzeVoll = Zahl(args, QStringLiteral("--saetze"), 1000);
    lauf.protokoll = args.contains(QStringLiteral("--protokoll"));
    if (const int i = int(args.indexOf(QStringLiteral("--perf"))); i >= 0 && i + 1 < args.size())
        lauf.perf = args[i + 1];
    SetzeKanalMeldung(TKanalMeldung::Kommunikation);
    const QString sim = QCoreApplication::applicationDirPath() + QStringLiteral("/nuvarsim");
    if (!QFileInfo::exists(sim)) {
        std::fprintf(stderr, "nuvarsim fehlt neben %s\n", argv[0]);
        return 2;
    }
    if (const int i = int(args.indexOf(QStringLiteral("--echt"))); i >= 0 && i + 3 < args.size()) {
        // The child: --echt <dir> <station> <records>; answers on one line.
        const Messung m = EchterLauf(sim, args[i + 2], args[i + 3].toInt(), lauf, args[i + 1], true);
        std::printf("%d %.6f %.6f %.3f %lld\n", m.ok ? 1 : 0, m.wandS, m.cpuS, m.rssMiB,
                    static_cast<long long>(m.bytes));
        return 0;
    }
    QTemporaryDir dir;
    const QString station = SchreibeStation(dir.path(), saetzeVoll);
    double rssViertel = 0;
    Messung letzte;
    double ratio = 0;
    const int viertel = saetzeVoll / 4;
    for (int saetze : {viertel, saetzeVoll}) {
        QTemporaryDir tmp;
        const Millis schranke = UntereSchranke(station, saetze, baud, tmp.path());
        const Messung m = EchterLaufImKind(station, saetze, lauf, tmp.path(), saetze == saetzeVoll);
        if (!m.ok) {
            std::fprintf(stderr, "Lesen von %d Datensätzen fehlgeschlagen\n", saetze);
            return 1;
        }
        const double r = m.wandS / (double(schranke) / 1000.0);
        std::printf("baud=%d saetze=%d bytes=%lld schranke=%.3fs wand=%.3fs cpu=%.3fs ratio=%.4f rss=%.1fMiB\n",
                    baud, saetze, static_cast<long long>(m.bytes), double(schranke) / 1000.0, m.wandS, m.cpuS, r, m.rssMiB);
        if (saetze == viertel) rssViertel = m.rssMiB;
        letzte = m;
        ratio = r;
    }
    std::printf("rss growth %d->%d records: %.2f MiB\n", viertel, saetzeVoll, letzte.rssMiB - rssViertel);
    std::printf("ratio=%.3f cpu=%.2f%% rss=%.1fMiB\n", ratio, 100.0 * letzte.cpuS / letzte.wandS, letzte.rssMiB);
    return 0;
}
