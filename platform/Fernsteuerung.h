#pragma once
// Remote control of a running NUVARKom by other programs of the same user:
// a local-socket server that takes execute requests ("macros") for one
// service and topic, hands their lines to a handler and acknowledges each one
// when the handler has returned, and the client side that sends one request.
//
// Wire format (one request per connection, see kom/fern/README.md):
//   client:  "<service>/<topic>\n" "<n>\n" followed by exactly n data bytes
//            optionally followed by "ERGEBNIS\n": the client wants the outcome
//   server:  "ACK\n" once the handler returned, followed by the handler's
//            outcome "ERGEBNIS <WORT> <text>\n" when the client asked for it
//            and the handler gives one; or "ERR <WORT> <text>\n"; then the
//            server closes the connection. Old clients (and old servers,
//            which ignore bytes after the data) see what they always saw.
// Service and topic are compared without regard to case.
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace nuvar {

// The one topic the program offers.
inline constexpr const char* kFernThema = "RemoteControl";
// Limits of one request; longer ones are refused with ERR FORMAT.
inline constexpr int kFernMaxKopf = 1024;
inline constexpr int kFernMaxDaten = 1 << 20;
// Macros that may wait behind the running one. Each may be a logger
// operation of minutes: a client that sends faster than they run (a
// scheduler gone wild) is told so instead of filling the memory with work
// that would run hours late. A request beyond it gets ERR VOLL.
inline constexpr int kFernMaxWartend = 32;

// The service of a program file: its name without directory and without
// anything from its first "." on ("/opt/nuvar/NUVARKom.bin" gives "NUVARKom").
QString FernDienstname(const QString& programmDatei);

// The private directory of the sockets: $XDG_RUNTIME_DIR when it is a
// directory of this user that nobody else may enter, otherwise
// <temp>/nuvar-<uid> (created with mode 0700; an existing one must be a real
// directory of this user and is tightened to 0700). Empty, with a German
// reason in fehler, when no safe directory can be had.
QString FernVerzeichnis(QString* fehler = nullptr);
// The socket of a service in that directory; empty with a reason for a
// service name that cannot name a file.
QString FernSocketPfad(const QString& dienst, QString* fehler = nullptr);

// Execute data as the handler gets it: the text up to the first NUL
// (UTF-8), split into lines at CR, LF or CR LF. A line break at the very end
// makes no empty last line.
QStringList FernZeilen(const QByteArray& daten);

class TFernsteuerung : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QStringList& zeilen)>;
    // Returns the macro's outcome for the line after ACK ("<WORT> <text>",
    // without "ERGEBNIS " and without line break), or empty for none.
    using ErgebnisHandler = std::function<QByteArray(const QStringList& zeilen)>;

    TFernsteuerung(const QString& dienst, Handler handler, QObject* parent = nullptr);
    TFernsteuerung(const QString& dienst, ErgebnisHandler handler, QObject* parent = nullptr);
    ~TFernsteuerung() override;

    // Opens the socket. False with a German reason when the directory is not
    // safe, another running program already offers the service, or the socket
    // cannot be made. A socket file left behind by a program that died is
    // replaced.
    bool Starte(QString* fehler = nullptr);
    // Closes the socket and every connection; queued requests are dropped
    // unacknowledged. Also done by the destructor.
    void Beende();
    bool Laeuft() const;
    QString Pfad() const { return pfad_; }
    const QString& Dienst() const { return dienst_; }

    // Requests are queued and run one at a time, never nested: a request that
    // arrives while a handler runs (the handler pumps events while it waits
    // for the logger) waits until the running one has been acknowledged.
    // While this hook returns true (the owner runs a logger operation of its
    // own) queued requests wait too; it is asked again every 200 ms.
    std::function<bool()> Beschaeftigt;

    // Complete requests waiting for their turn, and whether one runs now.
    int Wartend() const { return int(warteschlange_.size()); }
    bool InBearbeitung() const { return laeuft_; }

private:
    struct Eingang {
        QByteArray puffer;
        bool fertig = false;  // request complete: no more bytes are read
        QByteArray danach;    // what came after the data ("ERGEBNIS\n": the client wants the outcome)
    };
    struct Auftrag {
        QPointer<QLocalSocket> socket;
        QStringList zeilen;
    };
    void NeueVerbindung();
    void Lies(QLocalSocket* s);
    void Antworte(QLocalSocket* s, const QByteArray& zeile);
    void Abarbeiten();

    QString dienst_;
    ErgebnisHandler handler_;
    bool mitErgebnis_ = true;  // false: a handler without outcome, answered "ACK" alone
    QString pfad_;
    QLocalServer* server_ = nullptr;
    QTimer* nochmal_ = nullptr;
    std::map<QLocalSocket*, Eingang> eingaenge_;
    std::deque<Auftrag> warteschlange_;
    bool laeuft_ = false;
    // Tells a running handler loop that the object was destroyed meanwhile.
    std::shared_ptr<bool> lebt_ = std::make_shared<bool>(true);
};

// Outcome of SendeMakro; the values are nuvardde's exit codes.
enum class TFernErgebnis : int {
    Bestaetigt = 0,
    Aufruf = 1,             // wrong command line (nuvardde only)
    KeinServer = 2,         // nobody offers the service
    Abgewiesen = 3,         // the server refused: unknown topic, service or format
    Zeitueberschreitung = 4,
    Abgebrochen = 5,        // connection ended without an answer, or an answer we do not know
};

// The macro's outcome as the server sent it after ACK: a word (OK,
// UNBEKANNT, DATEI, FEHLER) and a German text. Empty from a server that
// sends none.
struct TFernAusgang {
    QString Wort;
    QString Text;
};

// Sends one execute request and waits for the answer (blocking; timeoutMs < 0
// waits without limit). meldung receives a German text for every outcome but
// Bestaetigt. With ausgang the request asks for the macro's outcome, and
// ausgang receives the line after ACK (empty from a server that sends none).
TFernErgebnis SendeMakro(const QString& dienst, const QString& thema, const QByteArray& daten,
                         int timeoutMs, QString* meldung = nullptr, TFernAusgang* ausgang = nullptr);

} // namespace nuvar
