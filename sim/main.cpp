// nuvarsim: a simulated data logger on a pseudo-terminal. The first line on
// standard output is the slave path (scripts read it); the conversation is
// logged with time stamps to standard error or a file.
#include "common/Fehler.h"
#include "platform/EventPump.h"
#include "sim/Befehlszeile.h"
#include "sim/PtyLeitung.h"
#include "sim/SimLogger.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace nuvar;

namespace {

int signalRohr[2] = {-1, -1};

void BeiSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalRohr[1], &c, 1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList argumente = app.arguments();
    argumente.removeFirst();

    SimProgrammOptionen po;
    QString fehler;
    if (!LiesBefehlszeile(argumente, po, &fehler)) {
        std::fprintf(stderr, "nuvarsim: %s\nHilfe: nuvarsim --help\n", fehler.toLocal8Bit().constData());
        return 2;
    }
    if (po.hilfe) {
        std::fputs(Hilfetext().toLocal8Bit().constData(), stdout);
        return 0;
    }

    QFile logdatei;
    if (!po.logdatei.isEmpty()) {
        logdatei.setFileName(po.logdatei);
        if (!logdatei.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            std::fprintf(stderr, "nuvarsim: Datei %s kann nicht geöffnet werden\n", po.logdatei.toLocal8Bit().constData());
            return 2;
        }
    } else {
        logdatei.open(stderr, QIODevice::WriteOnly | QIODevice::Text);
    }
    auto protokoll = [&logdatei](const QString& zeile) {
        const QString z = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + zeile + QLatin1Char('\n');
        logdatei.write(z.toUtf8());
        logdatei.flush();
    };

    QtPump pump;
    std::unique_ptr<SimLogger> logger;
    try {
        logger = std::make_unique<SimLogger>(pump, po.sim);
    } catch (const EFehler& e) {
        std::fprintf(stderr, "nuvarsim: %s\n", e.Meldung().toLocal8Bit().constData());
        return 1;
    }
    logger->onMeldung = protokoll;

    PtyLeitung pty(pump, *logger);
    pty.meldung = protokoll;
    if (!pty.Oeffnen(&fehler)) {
        std::fprintf(stderr, "nuvarsim: %s\n", fehler.toLocal8Bit().constData());
        return 1;
    }

    if (!po.link.isEmpty()) {
        const QFileInfo info(po.link);
        if (info.isSymLink()) {
            QFile::remove(po.link);  // a link left behind by an earlier run
        } else if (info.exists()) {
            std::fprintf(stderr, "nuvarsim: %s existiert und ist kein symbolischer Link\n", po.link.toLocal8Bit().constData());
            return 1;
        }
        if (::symlink(pty.SlavePfad().toLocal8Bit().constData(), po.link.toLocal8Bit().constData()) != 0) {
            std::fprintf(stderr, "nuvarsim: Link %s kann nicht angelegt werden\n", po.link.toLocal8Bit().constData());
            return 1;
        }
    }

    // Scripts read this line first: print and flush it before anything else.
    std::fprintf(stdout, "%s\n", pty.SlavePfad().toLocal8Bit().constData());
    std::fflush(stdout);

    const SimOptions& o = logger->Optionen();
    protokoll(QStringLiteral("nuvarsim an %1: Station %2, Logger %3, %4 Baud%5%6, %7 Datensätze")
                  .arg(pty.SlavePfad())
                  .arg(logger->Station().stationsnummer)
                  .arg(QString::fromLatin1(logger->Station().loggertyp))
                  .arg(o.baud)
                  .arg(o.takt ? QString() : QStringLiteral(" (ohne Takt)"))
                  .arg(o.modem.aktiv ? QStringLiteral(", Modem") : QString())
                  .arg(logger->Datensaetze()));

    if (::pipe2(signalRohr, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
    QSocketNotifier signale(signalRohr[0], QSocketNotifier::Read);
    QObject::connect(&signale, &QSocketNotifier::activated, &app, [&] {
        char c;
        while (::read(signalRohr[0], &c, 1) > 0) {
        }
        app.quit();
    });
    struct sigaction sa {};
    sa.sa_handler = BeiSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    int rc = app.exec();
    if (!po.abbild.isEmpty()) {
        QFile f(po.abbild);
        // The memory last: the records as READMC would send them, so a
        // script can compare what a program saved with what the logger held.
        const QByteArray text = logger->Station().Abbildtext() + "Datensaetze=" +
                                QByteArray::number(logger->Datensaetze()) + "\nSpeicher=" +
                                logger->Speicher().toHex() + '\n';
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size() || !f.flush()) {
            std::fprintf(stderr, "nuvarsim: Datei %s kann nicht geschrieben werden\n", po.abbild.toLocal8Bit().constData());
            rc = 1;
        }
    }
    protokoll(QStringLiteral("nuvarsim beendet"));
    if (!po.link.isEmpty()) QFile::remove(po.link);
    return rc;
}
