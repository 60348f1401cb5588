#include "platform/Fernsteuerung.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <exception>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace nuvar {

namespace {

void Setze(QString* ziel, const QString& text) {
    if (ziel) *ziel = text;
}

QByteArray OhneCr(QByteArray zeile) {
    if (zeile.endsWith('\r')) zeile.chop(1);
    return zeile;
}

bool NurZiffern(const QByteArray& t) {
    if (t.isEmpty() || t.size() > 9) return false;
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace

QString FernDienstname(const QString& programmDatei) {
    const QString name = QFileInfo(programmDatei).fileName();
    const qsizetype punkt = name.indexOf(QLatin1Char('.'));
    return punkt < 0 ? name : name.left(punkt);
}

QString FernVerzeichnis(QString* fehler) {
#ifdef Q_OS_UNIX
    const uid_t uid = ::getuid();
    const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty()) {
        struct stat st {};
        if (::stat(xdg.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
            (st.st_mode & 077) == 0)
            return QDir::cleanPath(QString::fromLocal8Bit(xdg));
    }
    // Without a private runtime directory: one of our own in the temporary
    // directory. Somebody else may have made the name first, so it is only
    // taken when it is a real directory of this user.
    const QString verzeichnis = QDir::tempPath() + QStringLiteral("/nuvar-") + QString::number(uid);
    const QByteArray v = QFile::encodeName(verzeichnis);
    if (::mkdir(v.constData(), 0700) != 0 && errno != EEXIST) {
        Setze(fehler, QStringLiteral("Das Verzeichnis %1 kann nicht angelegt werden: %2")
                          .arg(verzeichnis, QString::fromLocal8Bit(std::strerror(errno))));
        return {};
    }
    struct stat st {};
    if (::lstat(v.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid) {
        Setze(fehler, QStringLiteral("Das Verzeichnis %1 ist kein eigenes Verzeichnis dieses Benutzers.")
                          .arg(verzeichnis));
        return {};
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(v.constData(), 0700) != 0) {
        Setze(fehler, QStringLiteral("Die Rechte des Verzeichnisses %1 können nicht eingeschränkt werden.")
                          .arg(verzeichnis));
        return {};
    }
    return verzeichnis;
#else
    Q_UNUSED(fehler);
    return {};
#endif
}

QString FernSocketPfad(const QString& dienst, QString* fehler) {
    if (dienst.isEmpty() || dienst.contains(QLatin1Char('/')) || dienst.contains(QLatin1Char('\\')) ||
        dienst.contains(QChar(0)) || dienst == QLatin1String(".") || dienst == QLatin1String("..")) {
        Setze(fehler, QStringLiteral("\"%1\" ist kein gültiger Dienstname.").arg(dienst));
        return {};
    }
    // Service names are compared without regard to case, so the file name
    // is lower case.
    const QString name = QStringLiteral("nuvar-dde-") + dienst.toLower();
#ifdef Q_OS_UNIX
    const QString verzeichnis = FernVerzeichnis(fehler);
    if (verzeichnis.isEmpty()) return {};
    return verzeichnis + QLatin1Char('/') + name;
#else
    return name;
#endif
}

QStringList FernZeilen(const QByteArray& daten) {
    const qsizetype nul = daten.indexOf('\0');
    const QString text = QString::fromUtf8(nul < 0 ? daten : daten.left(nul));
    QStringList zeilen;
    QString zeile;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            zeilen << zeile;
            zeile.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
        } else {
            zeile += c;
        }
    }
    if (!zeile.isEmpty()) zeilen << zeile;
    return zeilen;
}

// ---- server ----------------------------------------------------------------

TFernsteuerung::TFernsteuerung(const QString& dienst, Handler handler, QObject* parent)
    : TFernsteuerung(dienst,
                     ErgebnisHandler([h = std::move(handler)](const QStringList& zeilen) {
                         if (h) h(zeilen);
                         return QByteArray();
                     }),
                     parent) {
    mitErgebnis_ = false;
}

TFernsteuerung::TFernsteuerung(const QString& dienst, ErgebnisHandler handler, QObject* parent)
    : QObject(parent), dienst_(dienst), handler_(std::move(handler)) {
    nochmal_ = new QTimer(this);
    nochmal_->setSingleShot(true);
    connect(nochmal_, &QTimer::timeout, this, &TFernsteuerung::Abarbeiten);
}

TFernsteuerung::~TFernsteuerung() {
    *lebt_ = false;
    Beende();
}

bool TFernsteuerung::Laeuft() const { return server_ && server_->isListening(); }

bool TFernsteuerung::Starte(QString* fehler) {
    if (Laeuft()) return true;
    QString grund;
    const QString pfad = FernSocketPfad(dienst_, &grund);
    if (pfad.isEmpty()) {
        Setze(fehler, grund);
        return false;
    }
    // Look before listening: Qt puts a new socket in place of an existing
    // file, which would silently take the service from a running program.
    // Only a live program answers a connect; a file that does not is what a
    // program that died left behind, and is replaced.
    if (QFileInfo::exists(pfad) || QFileInfo(pfad).isSymLink()) {
        QLocalSocket probe;
        probe.connectToServer(pfad);
        if (probe.waitForConnected(2000)) {
            probe.abort();
            Setze(fehler, QStringLiteral("Der Dienst \"%1\" wird schon von einem laufenden Programm angeboten.")
                              .arg(dienst_));
            return false;
        }
        QLocalServer::removeServer(pfad);
    }
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const bool ok = server->listen(pfad);
    if (!ok) {
        Setze(fehler, QStringLiteral("Die Fernsteuerung \"%1\" kann nicht gestartet werden: %2")
                          .arg(dienst_, server->errorString()));
        return false;
    }
    server_ = server.release();
    server_->setParent(this);
    pfad_ = server_->fullServerName();
    connect(server_, &QLocalServer::newConnection, this, &TFernsteuerung::NeueVerbindung);
    return true;
}

void TFernsteuerung::Beende() {
    nochmal_->stop();
    warteschlange_.clear();
    for (auto& [s, e] : eingaenge_) {
        QObject::disconnect(s, nullptr, this, nullptr);
        s->abort();
    }
    eingaenge_.clear();
    if (server_) {
        server_->close();
        delete server_;  // its connections are its children
        server_ = nullptr;
    }
}

void TFernsteuerung::NeueVerbindung() {
    while (server_ && server_->hasPendingConnections()) {
        QLocalSocket* s = server_->nextPendingConnection();
        eingaenge_[s];
        connect(s, &QLocalSocket::readyRead, this, [this, s] { Lies(s); });
        connect(s, &QLocalSocket::disconnected, this, [this, s] {
            // A client may close its sending side right after a complete
            // request (as socat does at the end of its input): what was
            // read is still taken, only the answer cannot reach it.
            Lies(s);
            eingaenge_.erase(s);
            QObject::disconnect(s, nullptr, this, nullptr);
            s->deleteLater();
        });
        if (s->bytesAvailable() > 0) Lies(s);
    }
}

void TFernsteuerung::Antworte(QLocalSocket* s, const QByteArray& zeile) {
    if (s->state() != QLocalSocket::ConnectedState) return;
    s->write(zeile);
    s->flush();
    s->disconnectFromServer();  // after the pending bytes have gone out
}

void TFernsteuerung::Lies(QLocalSocket* s) {
    const auto it = eingaenge_.find(s);
    if (it == eingaenge_.end()) return;
    Eingang& e = it->second;
    if (e.fertig) {
        // One request per connection; only a wish for the outcome may follow.
        e.danach = (e.danach + s->readAll()).left(64);
        return;
    }
    e.puffer += s->readAll();

    const auto weise = [&](const char* wort, const QString& text) {
        e.fertig = true;
        e.puffer.clear();
        Antworte(s, QByteArray("ERR ") + wort + ' ' + text.toUtf8() + '\n');
    };
    const qsizetype nl1 = e.puffer.indexOf('\n');
    if (nl1 < 0 ? e.puffer.size() > kFernMaxKopf : nl1 > kFernMaxKopf)
        return weise("FORMAT", QStringLiteral("Die Kopfzeile ist zu lang."));
    if (nl1 < 0) return;
    const qsizetype nl2 = e.puffer.indexOf('\n', nl1 + 1);
    if (nl2 < 0) {
        if (e.puffer.size() - nl1 > 16) return weise("FORMAT", QStringLiteral("Die Längenzeile ist ungültig."));
        return;
    }
    const QByteArray laengeText = OhneCr(e.puffer.mid(nl1 + 1, nl2 - nl1 - 1));
    if (!NurZiffern(laengeText)) return weise("FORMAT", QStringLiteral("Die Längenzeile ist ungültig."));
    const qint64 laenge = laengeText.toLongLong();
    if (laenge > kFernMaxDaten)
        return weise("FORMAT", QStringLiteral("Die Daten sind länger als %1 Bytes.").arg(kFernMaxDaten));
    if (e.puffer.size() - (nl2 + 1) < laenge) return;  // more to come

    const QByteArray kopf = OhneCr(e.puffer.left(nl1));
    const QByteArray daten = e.puffer.mid(nl2 + 1, laenge);
    e.danach = e.puffer.mid(nl2 + 1 + laenge, 64);
    e.fertig = true;
    e.puffer.clear();
    const qsizetype strich = kopf.indexOf('/');
    if (strich < 0) return weise("FORMAT", QStringLiteral("Die Kopfzeile nennt nicht Dienst/Thema."));
    const QString dienst = QString::fromUtf8(kopf.left(strich));
    const QString thema = QString::fromUtf8(kopf.mid(strich + 1));
    if (dienst.compare(dienst_, Qt::CaseInsensitive) != 0)
        return weise("DIENST", QStringLiteral("Der Dienst \"%1\" wird hier nicht angeboten.").arg(dienst));
    if (thema.compare(QLatin1String(kFernThema), Qt::CaseInsensitive) != 0)
        return weise("THEMA", QStringLiteral("Das Thema \"%1\" ist unbekannt.").arg(thema));
    if (int(warteschlange_.size()) >= kFernMaxWartend)
        return weise("VOLL", QStringLiteral("Es warten schon %1 Makros; das Makro wird nicht ausgeführt. "
                                            "Bitte später erneut senden.")
                                 .arg(kFernMaxWartend));
    warteschlange_.push_back({QPointer<QLocalSocket>(s), FernZeilen(daten)});
    // Run from the event loop, not from inside this socket's signal: the
    // handler pumps events for a long time, and the socket (or the server,
    // when the request came with the connection) must stay free to deliver.
    QMetaObject::invokeMethod(this, &TFernsteuerung::Abarbeiten, Qt::QueuedConnection);
}

void TFernsteuerung::Abarbeiten() {
    if (laeuft_) return;  // the running loop takes the new request next
    const std::shared_ptr<bool> lebt = lebt_;
    laeuft_ = true;
    while (!warteschlange_.empty()) {
        if (Beschaeftigt && Beschaeftigt()) {
            nochmal_->start(200);
            break;
        }
        Auftrag a = std::move(warteschlange_.front());
        warteschlange_.pop_front();
        QByteArray ergebnis;
        try {
            if (handler_) ergebnis = handler_(a.zeilen);
        } catch (const std::exception& ex) {
            // Whatever the handler did, the request is acknowledged; an
            // exception must not leave the event loop.
            qWarning("Fernsteuerung: %s", ex.what());
            if (mitErgebnis_) ergebnis = "FEHLER " + QByteArray(ex.what());
        } catch (...) {
            qWarning("Fernsteuerung: unbekannter Fehler im Makro");
            if (mitErgebnis_) ergebnis = "FEHLER Unbekannter Fehler im Makro.";
        }
        if (!*lebt) return;
        if (!a.socket) continue;
        // Only a client that asked for it gets the outcome: one that reads
        // everything up to the end sees "ACK" alone, as it always did.
        bool gewuenscht = false;
        if (const auto it = eingaenge_.find(a.socket.data()); it != eingaenge_.end()) {
            it->second.danach = (it->second.danach + a.socket->readAll()).left(64);
            gewuenscht = it->second.danach.startsWith("ERGEBNIS");
        }
        // One line: a text with line breaks would pass for a further answer.
        ergebnis.replace('\r', ' ').replace('\n', ' ');
        Antworte(a.socket, ergebnis.isEmpty() || !gewuenscht ? QByteArrayLiteral("ACK\n")
                                                             : QByteArrayLiteral("ACK\nERGEBNIS ") + ergebnis + '\n');
    }
    laeuft_ = false;
}

// ---- client ----------------------------------------------------------------

TFernErgebnis SendeMakro(const QString& dienst, const QString& thema, const QByteArray& daten,
                         int timeoutMs, QString* meldung, TFernAusgang* ausgang) {
    QString grund;
    const QString pfad = FernSocketPfad(dienst, &grund);
    if (pfad.isEmpty()) {
        Setze(meldung, grund);
        return TFernErgebnis::KeinServer;
    }
    const QDeadlineTimer frist = timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                               : QDeadlineTimer(std::chrono::milliseconds(timeoutMs));
    QLocalSocket s;
    s.connectToServer(pfad);
    if (!s.waitForConnected(5000)) {
        Setze(meldung, QStringLiteral("Kein laufendes Programm bietet den Dienst \"%1\" an.").arg(dienst));
        return TFernErgebnis::KeinServer;
    }
    // After the data, which a server of an earlier version ignores: the wish
    // for the macro's outcome.
    const QByteArray anfrage = dienst.toUtf8() + '/' + thema.toUtf8() + '\n' + QByteArray::number(daten.size()) +
                               '\n' + daten + (ausgang ? QByteArrayLiteral("ERGEBNIS\n") : QByteArray());
    s.write(anfrage);
    const QString verloren =
        QStringLiteral("Die Verbindung zum Dienst \"%1\" endete ohne Bestätigung.").arg(dienst);
    QByteArray antwort;
    while (!antwort.contains('\n')) {
        if (s.bytesAvailable() > 0) {
            antwort += s.readAll();
            continue;
        }
        if (s.state() != QLocalSocket::ConnectedState) {
            Setze(meldung, verloren);
            return TFernErgebnis::Abgebrochen;
        }
        if (frist.hasExpired()) {
            Setze(meldung, QStringLiteral("Keine Bestätigung vom Dienst \"%1\" innerhalb von %2 Sekunden; "
                                          "das Makro kann trotzdem noch ausgeführt werden.")
                               .arg(dienst)
                               .arg(QString::number(timeoutMs / 1000.0, 'g', 6).replace(QLatin1Char('.'), QLatin1Char(','))));
            return TFernErgebnis::Zeitueberschreitung;
        }
        if (s.bytesToWrite() > 0)
            s.waitForBytesWritten(frist.isForever() ? 100 : int(qBound(qint64(0), frist.remainingTime(), qint64(100))));
        else
            s.waitForReadyRead(frist.isForever() ? -1 : int(qMax<qint64>(frist.remainingTime(), 0)));
    }
    const QByteArray zeile = OhneCr(antwort.left(antwort.indexOf('\n')));
    if (zeile == "ACK") {
        if (ausgang) {
            // The outcome follows at once; the server closes after it.
            while (antwort.count('\n') < 2 && !frist.hasExpired()) {
                if (s.bytesAvailable() > 0) {
                    antwort += s.readAll();
                    continue;
                }
                if (s.state() != QLocalSocket::ConnectedState) break;
                s.waitForReadyRead(frist.isForever() ? 1000
                                                     : int(qBound(qint64(0), frist.remainingTime(), qint64(1000))));
            }
            antwort += s.readAll();
            const qsizetype anfang = antwort.indexOf('\n') + 1;
            const qsizetype ende = antwort.indexOf('\n', anfang);
            const QByteArray zweite = OhneCr(antwort.mid(anfang, ende < 0 ? -1 : ende - anfang));
            if (zweite.startsWith("ERGEBNIS ")) {
                const QByteArray rest = zweite.mid(9);
                const qsizetype blank = rest.indexOf(' ');
                ausgang->Wort = QString::fromUtf8(blank < 0 ? rest : rest.left(blank));
                ausgang->Text = blank < 0 ? QString() : QString::fromUtf8(rest.mid(blank + 1));
            }
        }
        return TFernErgebnis::Bestaetigt;
    }
    if (zeile.startsWith("ERR ")) {
        const qsizetype blank = zeile.indexOf(' ', 4);
        Setze(meldung, blank < 0 ? QString::fromUtf8(zeile.mid(4)) : QString::fromUtf8(zeile.mid(blank + 1)));
        return TFernErgebnis::Abgewiesen;
    }
    Setze(meldung, QStringLiteral("Unbekannte Antwort vom Dienst \"%1\": %2").arg(dienst, QString::fromUtf8(zeile)));
    return TFernErgebnis::Abgebrochen;
}

} // namespace nuvar
