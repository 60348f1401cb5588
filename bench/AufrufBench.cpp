// The cost of one scheduled run: the real NUVARKom, started as a scheduler
// starts it (unattended, offscreen, "/auto,<sequence file>"), against
// nuvarsim on a pseudo-terminal, from process start to exit; against the
// same sequence command on the virtual clock with the in-process logger,
// where time passes only for bytes on the wire and for the pauses the
// protocol prescribes, plus the half second the splash is prescribed to
// stay. The difference is what the program spends beyond what it must.
//
//   bench_aufruf [--laeufe N] [--protokoll] [BEFEHL...]
//                (defaults 3, LeseZeit LadeParameter LeseSYNOP)
// --protokoll: the protocol file on, starting full (1000 lines, the default
// limit), as on a station PC that keeps it.
//
// One line per command (the real run is the fastest of N), with the part of
// the difference spent before the logger heard the first frame (start-up,
// from nuvarsim's log), last:
//   overhead=<largest difference>s
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "kom/app/Befehle.h"
#include "kom/app/Sequenz.h"
#include "kom/protocol/Treiber.h"
#include "platform/EventPump.h"
#include "platform/PeerLine.h"
#include "sim/SimLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

using namespace nuvar;

namespace {

const QDateTime kUhr(QDate(2026, 3, 1), QTime(8, 0, 0));
// The splash stays up five rounds of 100 ms before the command runs.
constexpr Millis kSplashMs = 500;
// The link pauses half a second after opening the line, then wakes the
// logger: on the virtual clock its first frame leaves at this time.
constexpr Millis kErsterRahmenMs = kSplashMs + 500;

// The demonstration station's number and averaging interval, which the
// station check of the reports compares with the sequence file.
std::pair<int, int> Demostation() {
    VirtualPump pump(0);
    SimOptions o;
    o.aufzeichnen = false;
    o.uhrStart = kUhr;
    const SimLogger s(pump, o);
    return {s.Stationsparameter().Stationsnummer, s.Stationsparameter().Mittelwertintervall};
}

// The sequence file of one command, as a scheduler would leave it.
QString SchreibeSequenz(const QString& dir, const QString& befehl) {
    const auto [nr, mw] = Demostation();
    const QString seq = QDir(dir).filePath(QStringLiteral("seq0001.seq"));
    QFile f(seq);
    if (!f.open(QIODevice::WriteOnly)) return seq;
    f.write("[AutoSeq]\r\nVerbindung=0\r\nSchnittstelle=0\r\nBaudrate=3\r\nBefehl=" + befehl.toUtf8() +
            "\r\nHaltBeiFehler=0\r\n[Messprogramm]\r\nStatNr=" + QByteArray::number(nr) + "\r\nMWZeit=" +
            QByteArray::number(mw) + "\r\nStatName=Demostation\r\n[SYNOP]\r\nDatei=" +
            QDir(dir).filePath(QStringLiteral("synop.txt")).toUtf8() + "\r\n");
    return seq;
}

// The command on the virtual clock: its virtual duration in ms, -1 when
// it failed (a bound of a failed run would compare nothing).
Millis Virtuell(const QString& befehl) {
    QTemporaryDir dir;
    VirtualPump pump(0);
    SimOptions o;
    o.aufzeichnen = false;
    o.uhrStart = kUhr;
    SimLogger logger(pump, o);
    TSkriptMeldungen meldungen;
    TFensterUmgebung u;
    u.pump = &pump;
    u.leitung = [&](const QString&) { return std::make_unique<PeerLine>(pump, logger); };
    u.meldungen = &meldungen;
    u.verzeichnis = dir.path();
    u.uhr = [&] { return kUhr.addMSecs(pump.now()); };
    Umgebung() = u;
    const QString seq = SchreibeSequenz(dir.path(), befehl);
    TSequenz s = LiesSequenz(seq, dir.path());
    const Millis start = pump.now();
    FuehreSequenzbefehlAus(befehl, s, seq);
    const Millis dauer = pump.now() - start;
    TransferWindow().reset();
    Umgebung() = TFensterUmgebung{};
    // Every command reads something from the logger; silence means the
    // run failed before it.
    if (logger.EmpfangeneRahmen().empty()) return -1;
    return dauer + kSplashMs;
}

// nuvarsim on a pseudo-terminal behind dir/logger, until destroyed.
class Simulator {
public:
    Simulator(const QString& bin, const QString& dir) : link_(QDir(dir).filePath(QStringLiteral("logger"))) {
        p_.setProgram(bin + QStringLiteral("/nuvarsim"));
        p_.setArguments({"--link", link_, "--uhr", kUhr.toString("yyyy-MM-dd hh:mm:ss"), "--nicht-aufzeichnen",
                         "--log", QDir(dir).filePath(QStringLiteral("nuvarsim.log"))});
        p_.start();
        if (!p_.waitForStarted(5000)) return;
        for (int i = 0; i < 100 && !p_.canReadLine(); ++i) p_.waitForReadyRead(100);
        for (int i = 0; i < 100 && !QFileInfo::exists(link_); ++i) QThread::msleep(20);
        bereit_ = QFileInfo::exists(link_);
    }
    ~Simulator() {
        p_.terminate();
        if (!p_.waitForFinished(3000)) p_.kill();
    }
    bool Bereit() const { return bereit_; }
    const QString& Link() const { return link_; }

private:
    QString link_;
    QProcess p_;
    bool bereit_ = false;
};

struct Messung {
    double wandS = -1;    // start to exit; -1: did not end normally
    double anlaufS = -1;  // start until nuvarsim received the first frame; -1: not found
};

// When nuvarsim logged the first frame it received at or after ab.
QDateTime ErsterRahmenAb(const QString& log, const QDateTime& ab) {
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& z : f.readAll().split('\n')) {
        if (z.mid(24, 2) != "<-") continue;
        const QDateTime t = QDateTime::fromString(QString::fromLatin1(z.left(23)), "yyyy-MM-dd hh:mm:ss.zzz");
        // The log has milliseconds; ab has them too.
        if (t.isValid() && t >= ab.addMSecs(-1)) return t;
    }
    return {};
}

// The real program on the command, start to exit.
Messung Echt(const QString& bin, const QString& dir, const QString& seq) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NUVAR_HOME"), dir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setProgram(bin + QStringLiteral("/NUVARKom"));
    p.setArguments({QStringLiteral("/auto,") + seq});
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QDir(dir).filePath(QStringLiteral("NUVARKom.stderr")));
    Messung m;
    const QDateTime ab = QDateTime::currentDateTime();
    QElapsedTimer t;
    t.start();
    p.start();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(3000);
        return m;
    }
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (p.exitStatus() != QProcess::NormalExit) return m;
    m.wandS = s;
    const QDateTime offen = ErsterRahmenAb(QDir(dir).filePath(QStringLiteral("nuvarsim.log")), ab);
    if (offen.isValid()) m.anlaufS = double(ab.msecsTo(offen)) / 1000.0;
    return m;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SetzeKanalMeldung(TKanalMeldung::Kommunikation);
    QStringList args = QCoreApplication::arguments().mid(1);
    int laeufe = 3;
    if (const int i = int(args.indexOf(QStringLiteral("--laeufe"))); i >= 0) {
        bool ok = false;
        laeufe = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
        if (!ok || laeufe < 1) {
            std::fprintf(stderr, "--laeufe braucht eine Zahl ab 1\n");
            return 2;
        }
        args.remove(i, 2);
    }
    const bool protokoll = args.removeAll(QStringLiteral("--protokoll")) > 0;
    if (args.isEmpty()) args = {"LeseZeit", "LadeParameter", "LeseSYNOP"};
    const QString bin = QCoreApplication::applicationDirPath();
    for (const char* p : {"/nuvarsim", "/NUVARKom"})
        if (!QFileInfo::exists(bin + QString::fromLatin1(p))) {
            std::fprintf(stderr, "%s fehlt neben %s\n", p + 1, argv[0]);
            return 2;
        }
    double groesste = 0;
    for (const QString& befehl : args) {
        const Millis virtuell = Virtuell(befehl);
        if (virtuell < 0) {
            std::fprintf(stderr, "%s auf der virtuellen Uhr fehlgeschlagen\n", qPrintable(befehl));
            return 1;
        }
        QTemporaryDir dir;
        Simulator sim(bin, dir.path());
        if (!sim.Bereit()) {
            std::fprintf(stderr, "nuvarsim startet nicht\n");
            return 1;
        }
        {
            TIniFile ini(QDir(dir.path()).filePath(QStringLiteral("NUVARWin.ini")));
            ini.WriteBool("NUVARKom", "Unbeaufsichtigt", true);
            ini.WriteString("Schnittstellen", "COM1", sim.Link());
            if (protokoll) {
                ini.WriteBool("NUVARKom", "SchreibeLogDatei", true);
                ini.WriteBool("NUVARKom", "AnPDAnhaengen", true);
                QFile f(QDir(dir.path()).filePath(QStringLiteral("NUVARKom.log")));
                if (f.open(QIODevice::WriteOnly))
                    for (int i = 0; i < 1000; ++i)
                        f.write("01.03.2026 07:00:00.000 - alte Zeile " + QByteArray::number(i) + "\r\n");
            }
        }
        const QString seq = SchreibeSequenz(dir.path(), befehl);
        Messung beste;
        for (int i = 0; i < laeufe; ++i) {
            const Messung m = Echt(bin, dir.path(), seq);
            if (m.wandS < 0) {
                std::fprintf(stderr, "NUVARKom %s endete nicht normal\n", qPrintable(befehl));
                return 1;
            }
            if (beste.wandS < 0 || m.wandS < beste.wandS) beste = m;
        }
        const double diff = beste.wandS - double(virtuell) / 1000.0;
        groesste = std::max(groesste, diff);
        const double anlauf = beste.anlaufS < 0 ? -1 : beste.anlaufS - double(kErsterRahmenMs) / 1000.0;
        std::printf("befehl=%s wand=%.3fs virtuell=%.3fs differenz=%.3fs davon_anlauf=%.3fs\n",
                    qPrintable(befehl), beste.wandS, double(virtuell) / 1000.0, diff, anlauf);
        std::fflush(stdout);
    }
    std::printf("overhead=%.3fs\n", groesste);
    return 0;
}
