// Soak: the real NUVARKom, started as a scheduler starts it (unattended,
// "/auto,<sequence file>", NUVAR_HOME, no display), run after run against
// nuvarsim on a pseudo-terminal, with the logger's faults on request and its
// memory growing from run to run. After every run it checks what an operator
// relies on:
//   - a raw data file exists only when the read was complete on the wire, and
//     then holds the logger's memory record for record (nuvarsim writes what
//     it holds when it ends), and so does the new numbered copy;
//   - a failed run leaves no dat, par or mwd file that could pass for a
//     result (an old one of the same name included) and never touches an
//     earlier numbered copy; the par file a run sends stays as it was;
//   - the run ends by itself within a bound, and leaves no process, lock,
//     socket or temporary file behind; the protocol file keeps its limit;
//   - the program's peak RSS does not grow with the number of runs.
//
//   soak [--runs N] [--seed S] [--saetze N] [--zuwachs N] [--grenze S]
//        [--parallel P] [--verzeichnis DIR] [--nuvarkom PFAD] [-v]
// --parallel P runs the soak in P parts at the same time (the same runs as
// one part would run, each from the seed and its number).
// Prints one line per fault kind, then the memory figures, and last
//   runs=<n> lost=<n> hung=<n> stray=<n>
// Exit code 0 when lost, hung and stray are all 0, else 1; 2 on bad use.
#include "common/FunktionenTypen.h"
#include "common/Ini.h"
#include "platform/WireTrace.h"
#include "sim/SimLogger.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace nuvar;

namespace {

// The children of the run in progress: a soak stopped by a signal takes
// them with it instead of leaving a logger and a program behind.
volatile sig_atomic_t kindProgramm = 0, kindSim = 0;

void BeiSignal(int sig) {
    if (kindProgramm) ::kill(pid_t(kindProgramm), SIGKILL);
    if (kindSim) ::kill(pid_t(kindSim), SIGTERM);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

const char* const kUhr = "2026-03-01 08:00:30";
// A run that starts some seconds before this sees the logger store a record
// before, during or after the station check and the download.
const QDateTime kSatzZeit(QDate(2026, 3, 1), QTime(8, 10, 0));
constexpr int kProtokollZeilen = 150;  // small, so the soak reaches the limit
constexpr int kSatz = 5 + 8 * 10;      // a record of the demonstration station

const QStringList kBefehle = {"LeseDaten", "LadeParameter", "LeseZeit", "LeseSYNOP", "LeseMittelwerte",
                              "SendeParameter"};

// What a command sends, for the faults that name one.
QStringList Woerter(const QString& befehl) {
    if (befehl == "LeseDaten") return {"STOPMO", "GETSTA", "GETPAR", "READMC"};
    if (befehl == "LadeParameter") return {"STOPMO", "GETPAR"};
    if (befehl == "LeseZeit") return {"STOPMO", "GETTIM"};
    if (befehl == "SendeParameter") return {"STOPMO", "SETSTA", "SETCCT", "SETTIM"};
    return {"STOPMO", "GETSTA", "GETPAR", "GETMDX"};  // the reports
}

struct Fehler {
    QString art;    // schweigen, nak, pruefsumme, rauschen, abbruch, mehr-saetze
    QString option; // nuvarsim's arguments
};

struct Ergebnis {
    bool hung = false;
    bool waehrend = false;  // the logger stored a record during the run
    QStringList verloren, streuner;  // what was wrong, in words
    long rssKiB = 0;
    double sekunden = 0;
};

QByteArray Lies(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Schreibe(const QString& pfad, const QByteArray& b) {
    QFile f(pfad);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(b) == b.size() && f.flush();
}

template <std::size_t N>
QByteArray Roh(const std::array<std::uint8_t, N>& a) {
    return QByteArray(reinterpret_cast<const char*>(a.data()), qsizetype(N));
}

// "Schluessel=Wert" lines of nuvarsim's picture of the station.
std::map<QByteArray, QByteArray> Abbild(const QString& pfad) {
    std::map<QByteArray, QByteArray> m;
    for (const QByteArray& z : Lies(pfad).split('\n')) {
        const int g = z.indexOf('=');
        if (g > 0 && !z.startsWith('#')) m[z.left(g)] = z.mid(g + 1);
    }
    return m;
}

class Soak {
public:
    Soak(QString programm, QString sim, QString dir) : programm_(std::move(programm)), sim_(std::move(sim)), dir_(dir) {}

    int von = 1, runs = 300, saetze = 10, zuwachs = 2, grenzeS = 180;
    quint32 seed = 1;
    bool laut = false;
    bool teil = false;  // a part of a soak in parts: reports each run to the parent

    int Lauf();

private:
    std::vector<Fehler> WaehleFehler(const QString& befehl, int saetzeJetzt);
    Ergebnis EinLauf(int nr, const QString& befehl, const std::vector<Fehler>& fehler, int saetzeJetzt);
    bool Starte(const QStringList& simArgs, QProcess& sim, const QString& link);
    void Programmverzeichnis();
    QStringList Streuner(int nr);
    long Starte(const QString& seq, bool& hung, double& sekunden, QByteArray& ausgabe);

    QString programm_, sim_, dir_, tmp_, marke_;
    std::mt19937 rng_;
    std::map<QString, QByteArray> kopien_;  // numbered copy -> its hash
};

int Zufall(std::mt19937& r, int von, int bis) { return std::uniform_int_distribution<int>(von, bis)(r); }

std::vector<Fehler> Soak::WaehleFehler(const QString& befehl, int saetzeJetzt) {
    std::vector<Fehler> f;
    const int wuerfel = Zufall(rng_, 0, 99);
    const int anzahl = wuerfel < 25 ? 0 : wuerfel < 85 ? 1 : 2;
    const QStringList woerter = Woerter(befehl);
    const int bloecke = std::max(1, (saetzeJetzt * kSatz + 1023) / 1024);
    static const QStringList arten = {"schweigen", "nak", "pruefsumme", "rauschen", "abbruch", "mehr-saetze"};
    for (int i = 0; i < anzahl; ++i) {
        QString art = arten[Zufall(rng_, 0, int(arten.size()) - 1)];
        QString wort = woerter[Zufall(rng_, 0, int(woerter.size()) - 1)];
        if (Zufall(rng_, 0, 5) == 0) wort.clear();  // every command
        Fehler x{art, {}};
        if (art == "mehr-saetze") {
            x.option = QStringLiteral("--mehr-saetze=%1").arg(Zufall(rng_, 1, 3));
        } else if (art == "abbruch") {
            // Downloads only; at a block boundary: right after the ACK, before
            // the last block, or anywhere.
            const bool mc = befehl == "LeseDaten" && Zufall(rng_, 0, 2) > 0;
            const int n = mc ? bloecke : 3;
            const int k = std::vector<int>{0, n - 1, Zufall(rng_, 0, n - 1)}[Zufall(rng_, 0, 2)];
            x.option = QStringLiteral("--fehler=abbruch:%1=%2").arg(mc ? "READMC" : "GETPAR").arg(k);
        } else {
            // Mostly once, which the protocol's repetitions should survive;
            // sometimes often enough that the command fails.
            const int k = std::vector<int>{1, 1, 1, 2, 3, 12}[Zufall(rng_, 0, 5)];
            x.option = QStringLiteral("--fehler=%1%2=%3").arg(art, wort.isEmpty() ? QString() : ":" + wort).arg(k);
        }
        f.push_back(x);
    }
    return f;
}

void Soak::Programmverzeichnis() {
    QDir().mkpath(dir_ + "/Rohdaten");
    QDir().mkpath(dir_ + "/sim");
    tmp_ = dir_ + "/tmp";
    QDir().mkpath(tmp_);
    TIniFile ini(dir_ + "/NUVARWin.ini");
    ini.WriteBool("NUVARKom", "Unbeaufsichtigt", true);
    ini.WriteBool("NUVARKom", "SchreibeLogDatei", true);
    ini.WriteBool("NUVARKom", "AnPDAnhaengen", true);
    ini.WriteInteger("NUVARKom", "ProtokollLaenge", kProtokollZeilen);
    ini.WriteBool("NUVARKom", "Leitungsprotokoll", true);
    ini.WriteString("Schnittstellen", "COM1", dir_ + "/logger");
    marke_ = QStringLiteral("NUVAR_SOAK=") + QString::number(::getpid());
}

// Starts NUVARKom on a sequence file and waits for it within the bound;
// its peak RSS in KiB.
long Soak::Starte(const QString& seq, bool& hung, double& sekunden, QByteArray& ausgabe) {
    const QString aus = dir_ + "/sim/ausgabe.txt";
    QByteArrayList env;
    for (char** e = environ; *e; ++e) {
        const QByteArray v(*e);
        if (v.startsWith("NUVAR_HOME=") || v.startsWith("QT_QPA_PLATFORM=") || v.startsWith("TMPDIR=") ||
            v.startsWith("DISPLAY=") || v.startsWith("WAYLAND_DISPLAY="))
            continue;
        env << v;
    }
    env << ("NUVAR_HOME=" + QFile::encodeName(dir_)) << "QT_QPA_PLATFORM=offscreen"
        << ("TMPDIR=" + QFile::encodeName(tmp_)) << marke_.toLocal8Bit();
    std::vector<char*> envp;
    for (QByteArray& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    QByteArray prog = QFile::encodeName(programm_);
    QByteArray arg = "/auto," + QFile::encodeName(seq);
    char* argv[] = {prog.data(), arg.data(), nullptr};

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    const QByteArray ausPfad = QFile::encodeName(aus);
    posix_spawn_file_actions_addopen(&fa, 1, ausPfad.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, prog.constData(), &fa, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&fa);
    kindProgramm = rc == 0 ? pid : 0;
    if (rc != 0) {
        std::fprintf(stderr, "NUVARKom lässt sich nicht starten: %s\n", std::strerror(rc));
        std::exit(2);
    }
    QElapsedTimer t;
    t.start();
    rusage ru{};
    int status = 0;
    hung = false;
    for (;;) {
        const pid_t w = ::wait4(pid, &status, WNOHANG, &ru);
        if (w == pid) break;
        if (t.elapsed() > qint64(grenzeS) * 1000) {
            hung = true;
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &ru);
            break;
        }
        QThread::msleep(20);
    }
    kindProgramm = 0;
    sekunden = double(t.elapsed()) / 1000.0;
    ausgabe = Lies(aus);
    return ru.ru_maxrss;
}

bool Soak::Starte(const QStringList& simArgs, QProcess& sim, const QString& link) {
    sim.setProgram(sim_);
    sim.setArguments(simArgs);
    sim.start();
    if (!sim.waitForStarted(5000)) return false;
    kindSim = sig_atomic_t(sim.processId());
    for (int i = 0; i < 100 && !sim.canReadLine(); ++i) sim.waitForReadyRead(100);
    for (int i = 0; i < 100 && !QFileInfo::exists(link); ++i) QThread::msleep(20);
    return sim.canReadLine() && QFileInfo::exists(link);
}

// Anything a finished run left behind that is neither a result nor a file
// the program keeps.
QStringList Soak::Streuner(int nr) {
    QStringList s;
    // A process of this soak's runs (marked in its environment) still alive.
    QDirIterator procs("/proc", QDir::Dirs | QDir::NoDotAndDotDot);
    while (procs.hasNext()) {
        const QString p = procs.next();
        bool zahl = false;
        QFileInfo(p).fileName().toInt(&zahl);
        if (!zahl) continue;
        const QByteArray e = Lies(p + "/environ");
        if (e.split('\0').contains(marke_.toLocal8Bit())) s << "Prozess " + QFileInfo(p).fileName();
    }
    // Temporary files and sockets: TMPDIR holds at most empty directories.
    QDirIterator t(tmp_, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                   QDirIterator::Subdirectories);
    while (t.hasNext()) {
        const QString p = t.next();
        if (!QFileInfo(p).isDir()) s << p.mid(dir_.size() + 1);
    }
    static const QStringList bleibend = {"NUVARWin.ini", "NUVARKom.log", "NUVARKom.trc", "NUVARKom.trc.1",
                                         "sessions.ini", "NUVARKom.mdm", "$$_mc.tmp", "synop.txt", "dde.lck",
                                         "logger", "Rohdaten", "sim", "tmp"};
    const QRegularExpression ergebnis(QStringLiteral("^(seq|par|dat|mwd)\\d{4}\\.(seq|dat)$"));
    for (const QFileInfo& f : QDir(dir_).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                                      QDir::System)) {
        if (bleibend.contains(f.fileName()) || ergebnis.match(f.fileName()).hasMatch()) continue;
        s << f.fileName();
    }
    for (const QFileInfo& f : QDir(dir_ + "/Rohdaten").entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                                    QDir::Hidden | QDir::System))
        if (!QRegularExpression(QStringLiteral("^Daten\\d{3}\\.101$")).match(f.fileName()).hasMatch())
            s << "Rohdaten/" + f.fileName();
    // The protocol file within its limit.
    const int zeilen = int(Lies(dir_ + "/NUVARKom.log").count('\n'));
    if (zeilen > kProtokollZeilen) s << QStringLiteral("NUVARKom.log mit %1 Zeilen").arg(zeilen);
    // The wire trace and its predecessor within the limit (plus one write).
    for (const char* t : {"/NUVARKom.trc", "/NUVARKom.trc.1"})
        if (const qint64 g = QFileInfo(dir_ + t).size(); g > WireTrace::kMaxBytes + 64 * 1024)
            s << QStringLiteral("%1 mit %2 Bytes").arg(QString::fromLatin1(t + 1)).arg(g);
    Q_UNUSED(nr);
    return s;
}

Ergebnis Soak::EinLauf(int nr, const QString& befehl, const std::vector<Fehler>& fehler, int saetzeJetzt) {
    Ergebnis e;
    const QString n = QStringLiteral("%1").arg(nr % 10000, 4, 10, QLatin1Char('0'));
    const QString seq = dir_ + "/seq" + n + ".seq", par = dir_ + "/par" + n + ".dat",
                  dat = dir_ + "/dat" + n + ".dat", mwd = dir_ + "/mwd" + n + ".dat";
    const QString link = dir_ + "/logger", simlog = dir_ + "/sim/sim.log", abbild = dir_ + "/sim/abbild.txt";
    QFile::remove(simlog);
    QFile::remove(abbild);
    for (const QString& p : {par, dat, mwd}) QFile::remove(p);

    // The logger as nuvarsim will be, in process: the par file a run sends and
    // the one a read must give.
    VirtualPump pumpe(0);
    SimOptions o;
    o.uhrStart = QDateTime::fromString(kUhr, "yyyy-MM-dd HH:mm:ss");
    o.aufzeichnen = false;
    o.datensaetze = saetzeJetzt;
    for (const Fehler& f : fehler)
        if (f.art == "mehr-saetze") o.mehrGemeldet = f.option.section('=', 1).toInt();
    const SimLogger vorbild(pumpe, o);
    // Now and then the logger stores a record while it is being read, as a
    // logger in the field does.
    const bool waehrend = Zufall(rng_, 0, 3) == 0;
    // Seconds from the start to the new record: mostly about 4, between the
    // station parameters a read takes first and its download.
    const int vorSatz = std::vector<int>{1, 3, 4, 4, 4, 5, 7}[std::size_t(Zufall(rng_, 0, 6))];
    e.waehrend = waehrend;
    QByteArray station = "Q&Z" + Roh(vorbild.Stationsparameter().encodeStationsrecord()) + vorbild.Station().hardware;
    for (const TKanalEintrag& k : vorbild.Kanaele()) station += Roh(k.encode());

    // Old files of the same names, as an earlier run may have left them: a
    // failed run must not leave them to pass for its result.
    const bool alt = Zufall(rng_, 0, 2) == 0;
    if (alt) {
        if (befehl == "LeseDaten") Schreibe(dat, station + QByteArray(3 * kSatz, '\x01'));
        if (befehl == "LadeParameter") Schreibe(par, station);
        if (befehl == "LeseMittelwerte") Schreibe(mwd, "alt\r\n");
    }
    QByteArray gesendet;
    if (befehl == "SendeParameter") {
        TDATDatei d;
        d.Stationsparameter().decodeStationsrecord(
            std::span<const std::uint8_t, 43>(reinterpret_cast<const std::uint8_t*>(station.constData() + 3), 43));
        d.Hardwareliste().assign(vorbild.Station().hardware.begin(), vorbild.Station().hardware.end());
        std::vector<TKanalEintrag> k = vorbild.Kanaele();
        std::shuffle(k.begin(), k.end(), rng_);
        k.resize(std::size_t(Zufall(rng_, 1, int(k.size()))));
        for (std::size_t i = 0; i < k.size(); ++i) {
            k[i].Kanalnummer = std::uint8_t(i);
            d.AddChannel(k[i]);
        }
        d.SaveToFile(par, true);
        gesendet = Lies(par);
    }
    const QByteArray seqText = "[AutoSeq]\r\nVerbindung=0\r\nSchnittstelle=0\r\nBaudrate=3\r\nBefehl=" + befehl.toLatin1() +
                               "\r\nRohdatenPfad=" + QFile::encodeName(dir_ + "/Rohdaten") +
                               "\r\nHaltBeiFehler=1\r\nExitNUVARKom=0\r\n[Messprogramm]\r\nStatNr=101\r\nMWZeit=10\r\n"
                               "StatName=Demostation\r\n[SYNOP]\r\nDatei=" +
                               QFile::encodeName(dir_ + "/synop.txt") + "\r\n";
    Schreibe(seq, seqText);

    QStringList simArgs{"--link", link, "--uhr",
                        waehrend ? kSatzZeit.addSecs(-vorSatz).toString("yyyy-MM-dd HH:mm:ss") : QString(kUhr), "--saetze",
                        QString::number(saetzeJetzt), "--baud", "115200", "--antwort", "5", "--log", simlog,
                        "--abbild", abbild};
    if (!waehrend) simArgs << "--nicht-aufzeichnen";
    for (const Fehler& f : fehler) simArgs << f.option;
    QProcess sim;
    if (!Starte(simArgs, sim, link)) {
        std::fprintf(stderr, "nuvarsim startet nicht: %s\n", sim.readAllStandardError().constData());
        std::exit(2);
    }
    std::map<QString, QByteArray> vorher;  // numbered copies before the run
    for (const QFileInfo& f : QDir(dir_ + "/Rohdaten").entryInfoList(QDir::Files)) vorher[f.fileName()] = {};
    QByteArray ausgabe;
    e.rssKiB = Starte(seq, e.hung, e.sekunden, ausgabe);
    sim.terminate();
    if (!sim.waitForFinished(5000)) {
        sim.kill();
        sim.waitForFinished(2000);
    }
    kindSim = 0;
    const QByteArray log = Lies(simlog);
    auto bild = Abbild(abbild);

    // Numbered copies: the earlier ones untouched, a new one only after a
    // complete read.
    QStringList neu;
    for (const QFileInfo& f : QDir(dir_ + "/Rohdaten").entryInfoList(QDir::Files)) {
        const QByteArray h = QCryptographicHash::hash(Lies(f.filePath()), QCryptographicHash::Sha1);
        auto it = kopien_.find(f.fileName());
        if (it == kopien_.end()) {
            neu << f.filePath();
            kopien_[f.fileName()] = h;
        } else if (it->second != h) {
            e.verloren << "frühere Kopie " + f.fileName() + " verändert";
            it->second = h;
        }
    }
    for (auto it = kopien_.begin(); it != kopien_.end();) {
        if (!QFileInfo::exists(dir_ + "/Rohdaten/" + it->first)) {
            e.verloren << "frühere Kopie " + it->first + " fehlt";
            it = kopien_.erase(it);
        } else {
            ++it;
        }
    }

    const bool mehr = o.mehrGemeldet > 0;
    if (befehl == "LeseDaten") {
        const bool vollstaendig = log.contains("READMC: alle") && !mehr;
        const QByteArray d = Lies(dat);
        const QByteArray speicher = QByteArray::fromHex(bild["Speicher"]);
        if (!bild.count("Speicher")) e.verloren << "nuvarsim hat seinen Speicher nicht geschrieben";
        if (vollstaendig && !QFileInfo::exists(dat)) {
            e.verloren << "vollständig gelesen, aber keine dat-Datei";
        } else if (!vollstaendig && QFileInfo::exists(dat)) {
            e.verloren << "dat-Datei nach unvollständigem Lesen";
        } else if (vollstaendig) {
            const int kanaele = d.size() >= 46 ? int(std::uint8_t(d[3 + 41])) | int(std::uint8_t(d[3 + 42])) << 8 : 0;
            const int kopf = 3 + 43 + 96 + 30 * kanaele;
            // A record stored after the download began is the logger's but
            // not the file's: then the file holds the memory without it.
            const QByteArray saetzeDatei = d.mid(kopf);
            const bool gleich = waehrend ? speicher.startsWith(saetzeDatei) && saetzeDatei.size() % kSatz == 0 &&
                                               saetzeDatei.size() >= qsizetype(saetzeJetzt) * kSatz
                                         : saetzeDatei == speicher;
            if (!gleich)
                e.verloren << QStringLiteral("dat-Datei: %1 Bytes Datensätze statt der %2 des Loggers")
                                  .arg(d.size() - kopf)
                                  .arg(speicher.size());
            if (neu.size() != 1 || Lies(neu.value(0)) != d)
                e.verloren << "keine gleiche nummerierte Kopie (" + neu.join(',') + ")";
        }
        if (!vollstaendig && !neu.isEmpty()) e.verloren << "nummerierte Kopie nach unvollständigem Lesen";
    } else if (!neu.isEmpty()) {
        e.verloren << "nummerierte Kopie ohne LeseDaten";
    }
    if (befehl == "LadeParameter") {
        const bool vollstaendig = log.contains("GETPAR: alle");
        QByteArray p = Lies(par);
        // A misreported record count is what the logger said; the rest must
        // be its station.
        if ((mehr || waehrend) && p.size() == station.size()) {
            p.replace(3 + 33, 2, station.mid(3 + 33, 2));
            p.replace(3 + 37, 4, station.mid(3 + 37, 4));
        }
        if (vollstaendig != QFileInfo::exists(par)) {
            e.verloren << (vollstaendig ? "GETPAR vollständig, aber keine par-Datei" : "par-Datei nach Fehler");
        } else if (vollstaendig &&
                   (p.size() != station.size() || p.left(3 + 19) != station.left(3 + 19) ||
                    p.mid(3 + 23) != station.mid(3 + 23))) {
            e.verloren << "par-Datei ist nicht die Station des Loggers";
        }
    }
    if (befehl == "LeseMittelwerte" && QFileInfo::exists(mwd) && Lies(mwd) == "alt\r\n")
        e.verloren << "alte mwd-Datei überlebt einen Fehler";
    if (befehl == "SendeParameter") {
        if (Lies(par) != gesendet) e.verloren << "gesendete par-Datei verändert";
        // Without a fault the logger must hold exactly what was sent.
        if (fehler.empty()) {
            TDATDatei d;
            d.LoadFromFile(par);
            int k = 0;
            for (; k < d.ChannelCount(); ++k) {
                const QByteArray slot = Roh(d.GetChannel(k).encode()).mid(1);
                bool da = false;
                for (const auto& [key, wert] : bild)
                    if (key.startsWith("Kanal") && QByteArray::fromHex(wert) == slot) da = true;
                if (!da) break;
            }
            if (k != d.ChannelCount()) e.verloren << QStringLiteral("Logger hält Kanal %1 nicht").arg(k);
        }
    }
    if (fehler.empty() && !e.hung) {
        // Without a fault every command must succeed.
        const bool fehlt = (befehl == "LeseDaten" && !QFileInfo::exists(dat)) ||
                           (befehl == "LadeParameter" && !QFileInfo::exists(par)) ||
                           (befehl == "LeseMittelwerte" && !QFileInfo::exists(mwd));
        if (fehlt) e.verloren << "ohne Fehler kein Ergebnis: " + QString::fromUtf8(ausgabe.right(300));
    }
    e.streuner = Streuner(nr);
    // Stray pieces of this run are removed, so that the next one is judged
    // on its own.
    QDir(tmp_).removeRecursively();
    QDir().mkpath(tmp_);
    for (const QString& s : e.streuner) {
        if (s.startsWith("Prozess"))
            ::kill(pid_t(s.section(' ', 1).toInt()), SIGKILL);  // counted; it must not haunt the next run
        else if (!s.contains(" mit "))
            QFile::remove(dir_ + "/" + s);
    }
    QFile::remove(seq);
    if (laut || !e.verloren.isEmpty() || !e.streuner.isEmpty() || e.hung) {
        QStringList f;
        for (const Fehler& x : fehler) f << x.option;
        if (waehrend) f << QStringLiteral("Satz nach %1 s").arg(vorSatz);
        std::printf("Lauf %d %s [%s] Sätze=%d %.1fs rss=%ldKiB%s%s%s\n", nr, qPrintable(befehl), qPrintable(f.join(' ')),
                    saetzeJetzt, e.sekunden, e.rssKiB, e.hung ? " HÄNGT" : "",
                    e.verloren.isEmpty() ? "" : qPrintable(" VERLOREN: " + e.verloren.join("; ")),
                    e.streuner.isEmpty() ? "" : qPrintable(" STREUNER: " + e.streuner.join(", ")));
        if (!e.verloren.isEmpty() || e.hung)
            std::printf("  Ausgabe: %s\n", ausgabe.right(600).replace('\n', " | ").constData());
        std::fflush(stdout);
    }
    return e;
}

// One run's outcome as the summary counts it.
struct Zeile {
    int nr = 0;
    bool lost = false, hung = false, stray = false;
    double sekunden = 0;
    long rssKiB = 0;
    QStringList arten;
};

// A part's runs travel to the parent as one line each.
QByteArray Kodiert(const Zeile& z) {
    return QStringLiteral("TEIL %1 %2 %3 %4 %5 %6 %7\n")
        .arg(z.nr)
        .arg(int(z.lost))
        .arg(int(z.hung))
        .arg(int(z.stray))
        .arg(z.sekunden, 0, 'f', 3)
        .arg(z.rssKiB)
        .arg(z.arten.join(','))
        .toUtf8();
}

bool Dekodiert(const QByteArray& zeile, Zeile& z) {
    const QList<QByteArray> w = zeile.trimmed().split(' ');
    if (w.size() != 8 || w[0] != "TEIL") return false;
    z.nr = w[1].toInt();
    z.lost = w[2] == "1";
    z.hung = w[3] == "1";
    z.stray = w[4] == "1";
    z.sekunden = w[5].toDouble();
    z.rssKiB = w[6].toLong();
    z.arten = QString::fromUtf8(w[7]).split(',');
    return true;
}

int Zusammenfassung(std::vector<Zeile> zeilen) {
    std::sort(zeilen.begin(), zeilen.end(), [](const Zeile& a, const Zeile& b) { return a.nr < b.nr; });
    struct Zaehler {
        int laeufe = 0, lost = 0, hung = 0, stray = 0;
        double sekunden = 0, laengster = 0;
        void Zaehle(const Zeile& z) {
            ++laeufe;
            laengster = std::max(laengster, z.sekunden);
            lost += z.lost;
            hung += z.hung;
            stray += z.stray;
            sekunden += z.sekunden;
        }
    };
    std::map<QString, Zaehler> proArt;
    Zaehler gesamt;
    std::vector<long> rss;
    for (const Zeile& z : zeilen) {
        for (const QString& a : z.arten) proArt[a].Zaehle(z);
        gesamt.Zaehle(z);
        rss.push_back(z.rssKiB);
    }
    for (const auto& [art, z] : proArt)
        std::printf("fault=%s runs=%d lost=%d hung=%d stray=%d mean=%.1fs max=%.1fs\n", qPrintable(art), z.laeufe,
                    z.lost, z.hung, z.stray, z.laeufe ? z.sekunden / z.laeufe : 0.0, z.laengster);
    // Peak RSS of the first and the last tenth of the runs (median each):
    // the last runs read the largest memory.
    const std::size_t zehntel = std::min(rss.size(), std::max<std::size_t>(1, rss.size() / 10));
    auto median = [](std::vector<long> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0L : v[v.size() / 2];
    };
    const long anfang = median(std::vector<long>(rss.begin(), rss.begin() + long(zehntel)));
    const long ende = median(std::vector<long>(rss.end() - long(zehntel), rss.end()));
    const long spitze = rss.empty() ? 0 : *std::max_element(rss.begin(), rss.end());
    std::printf("rss first=%.1fMiB last=%.1fMiB peak=%.1fMiB growth=%.1fMiB\n", anfang / 1024.0, ende / 1024.0,
                spitze / 1024.0, (ende - anfang) / 1024.0);
    std::printf("runs=%d lost=%d hung=%d stray=%d\n", gesamt.laeufe, gesamt.lost, gesamt.hung, gesamt.stray);
    std::fflush(stdout);
    return gesamt.lost || gesamt.hung || gesamt.stray ? 1 : 0;
}

int Soak::Lauf() {
    Programmverzeichnis();
    std::vector<Zeile> zeilen;
    for (int nr = von; nr < von + runs; ++nr) {
        // Each run from the seed and its number: a run is the same whether
        // the soak runs whole or in parts.
        rng_.seed(seed * 7919u + quint32(nr));
        const QString befehl = kBefehle[Zufall(rng_, 0, int(kBefehle.size()) - 1)];
        const int saetzeJetzt = saetze + zuwachs * (nr - 1);
        const std::vector<Fehler> fehler = WaehleFehler(befehl, saetzeJetzt);
        const Ergebnis e = EinLauf(nr, befehl, fehler, saetzeJetzt);
        Zeile z;
        z.nr = nr;
        z.lost = !e.verloren.isEmpty();
        z.hung = e.hung;
        z.stray = !e.streuner.isEmpty();
        z.sekunden = e.sekunden;
        z.rssKiB = e.rssKiB;
        for (const Fehler& f : fehler)
            if (!z.arten.contains(f.art)) z.arten << f.art;
        if (z.arten.isEmpty()) z.arten << "keiner";
        if (e.waehrend) z.arten << "satz-im-lauf";
        if (fehler.size() == 2) z.arten << "zwei";
        for (const Fehler& f : fehler)
            if (f.art == "abbruch" && !z.arten.contains("blockgrenze")) z.arten << "blockgrenze";
        if (teil) {
            std::fputs(Kodiert(z).constData(), stdout);
            std::fflush(stdout);
        }
        zeilen.push_back(z);
    }
    return teil ? 0 : Zusammenfassung(zeilen);
}

// The soak in parts that run at the same time, each with a program
// directory, a simulator and a remote-control directory of its own: the runs
// mostly wait for timeouts, so parts shorten the wall time, not the runs.
constexpr int kMaxTeile = 16;
volatile sig_atomic_t teilPids[kMaxTeile] = {};

void BeiSignalTeile(int sig) {
    for (int i = 0; i < kMaxTeile; ++i)
        if (teilPids[i]) ::kill(pid_t(teilPids[i]), SIGTERM);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

int InTeilen(const QStringList& args, const QString& dir, int von, int runs, int teile) {
    teile = std::min({teile, runs, kMaxTeile});
    std::vector<std::unique_ptr<QProcess>> p;
    std::vector<Zeile> zeilen;
    std::vector<QByteArray> rest(static_cast<std::size_t>(teile));
    ::signal(SIGINT, BeiSignalTeile);
    ::signal(SIGTERM, BeiSignalTeile);
    for (int k = 0; k < teile; ++k) {
        const int a = von + runs * k / teile, b = von + runs * (k + 1) / teile;
        QStringList t;
        for (int i = 1; i < args.size(); ++i) {
            const QString& x = args[i];
            if (x == "--parallel" || x == "--von" || x == "--runs" || x == "--verzeichnis") {
                ++i;
                continue;
            }
            t << x;
        }
        t << "--teil" << "--von" << QString::number(a) << "--runs" << QString::number(b - a) << "--verzeichnis"
          << dir + QStringLiteral("/teil%1").arg(k + 1);
        auto q = std::make_unique<QProcess>();
        q->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        q->start(QCoreApplication::applicationFilePath(), t);
        if (!q->waitForStarted(5000)) {
            std::fprintf(stderr, "Teil %d startet nicht\n", k + 1);
            return 2;
        }
        teilPids[k] = sig_atomic_t(q->processId());
        p.push_back(std::move(q));
    }
    int laufend = teile;
    while (laufend > 0) {
        laufend = 0;
        for (int k = 0; k < teile; ++k) {
            QProcess& q = *p[std::size_t(k)];
            q.waitForReadyRead(50);
            rest[std::size_t(k)] += q.readAllStandardOutput();
            QByteArray& r = rest[std::size_t(k)];
            for (qsizetype nl = r.indexOf('\n'); nl >= 0; nl = r.indexOf('\n')) {
                const QByteArray zeile = r.left(nl);
                r.remove(0, nl + 1);
                Zeile z;
                if (Dekodiert(zeile, z)) {
                    zeilen.push_back(z);
                } else {
                    std::printf("%s\n", zeile.constData());
                    std::fflush(stdout);
                }
            }
            if (q.state() != QProcess::NotRunning) ++laufend;
            else teilPids[k] = 0;
        }
    }
    if (int(zeilen.size()) != runs)
        std::fprintf(stderr, "nur %d von %d Läufen gemeldet\n", int(zeilen.size()), runs);
    return Zusammenfassung(zeilen);
}

int Zahl(const QStringList& args, const QString& name, int vorgabe, int min) {
    const int i = int(args.indexOf(name));
    if (i < 0) return vorgabe;
    bool ok = false;
    const int n = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
    if (!ok || n < min) {
        std::fprintf(stderr, "%s braucht eine Zahl ab %d\n", qPrintable(name), min);
        std::exit(2);
    }
    return n;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString bin = QCoreApplication::applicationDirPath();
    QString programm = bin + "/NUVARKom";
    if (const int i = int(args.indexOf("--nuvarkom")); i >= 0 && i + 1 < args.size()) programm = args[i + 1];
    const QString sim = bin + "/nuvarsim";
    if (!QFileInfo::exists(programm) || !QFileInfo::exists(sim)) {
        std::fprintf(stderr, "NUVARKom oder nuvarsim fehlt neben %s\n", argv[0]);
        return 2;
    }
    std::unique_ptr<QTemporaryDir> tmp;
    QString dir;
    if (const int i = int(args.indexOf("--verzeichnis")); i >= 0 && i + 1 < args.size()) {
        dir = QFileInfo(args[i + 1]).absoluteFilePath();
        if (QDir(dir).exists() && !QDir(dir).isEmpty()) {
            std::fprintf(stderr, "%s ist nicht leer\n", qPrintable(dir));
            return 2;
        }
        QDir().mkpath(dir);
    } else {
        tmp = std::make_unique<QTemporaryDir>();
        dir = tmp->path();
    }
    const int teile = Zahl(args, "--parallel", 1, 1);
    if (teile > 1) return InTeilen(args, dir, Zahl(args, "--von", 1, 1), Zahl(args, "--runs", 300, 1), teile);
    ::signal(SIGINT, BeiSignal);
    ::signal(SIGTERM, BeiSignal);
    Soak s(programm, sim, dir);
    s.von = Zahl(args, "--von", 1, 1);
    s.teil = args.contains("--teil");
    s.runs = Zahl(args, "--runs", 300, 1);
    s.seed = quint32(Zahl(args, "--seed", 1, 0));
    s.saetze = Zahl(args, "--saetze", 10, 0);
    s.zuwachs = Zahl(args, "--zuwachs", 2, 0);
    s.grenzeS = Zahl(args, "--grenze", 180, 10);
    s.laut = args.contains("-v");
    return s.Lauf();
}
