#include "kom/app/Befehle.h"

#include "common/Fehler.h"
#include "common/FunktionenTypen.h"
#include "common/Meldungen.h"
#include "kom/app/Befehlszeile.h"
#include "kom/app/HauptfensterModell.h"
#include "kom/protocol/Treiber.h"
#include "kom/reports/Berichte.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace nuvar {

const char* const kNichtUnterstuetzt =
    "Diese Funktion wird in der vorliegenden\nProgrammversion noch nicht unterstützt!";
const char* const kSpeicherLoeschen =
    "Die Daten wurden vollständig gelesen.\nSoll der Datenspeicher gelöscht werden?";

namespace {

QString Q(const char* s) { return QString::fromUtf8(s); }

TMeldungen& Dienst() { return Umgebung().meldungen ? *Umgebung().meldungen : Meldungen(); }

QDateTime PcUhr() { return Umgebung().uhr ? Umgebung().uhr() : QDateTime::currentDateTime(); }

// One transfer window for the whole command: the drivers reuse it, so the
// follow-up of a readout (clearing the memory) runs on the same link, and the
// command's own status lines land in the same window and protocol file.
// Closes the link and releases the window at the end unless it existed
// before (a kept link stays kept).
class TSequenzFenster {
public:
    TSequenzFenster() : nutzung_({QString(), QString(), false}) {}

    TNUVARFenster& F() { return nutzung_.F(); }
    void Statuszeile(const QString& text) {
        F().Show();
        F().StatusLine(text);
        F().Hide();
    }

private:
    TVerbindungsnutzung nutzung_;
};

// Replaces the file whole, through a temporary file beside it.
bool SchreibeDatei(const QString& pfad, const QByteArray& bytes) {
    QSaveFile f(pfad);
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

QString NichtGeschrieben(const QString& pfad) {
    return QStringLiteral("Datei %1 kann nicht geschrieben werden").arg(QDir::toNativeSeparators(pfad));
}

void LadeParameter(TSequenz& s, const QString& sequenzdatei) {
    const QString par = AusgabeDateiname(sequenzdatei, QStringLiteral("par"));
    TSequenzFenster fenster;
    TStationsParameter station;
    TKanalTabelle kanaele{};
    THardwareTabelle hardware{};
    QDateTime uhr;
    if (!ReadStationParameters(station, kanaele, s.Param, uhr, hardware)) {
        QFile::remove(par);
        return;
    }
    // The old layout holds as many entries as the station record counts; a
    // station that counts more than the 64 the logger's table carries gets
    // a file that is consistent with what was read: 64 entries, count 64.
    const int gemeldet = station.Kanalanzahl;
    const int n = std::clamp(gemeldet, 0, kMaxKanaele);
    if (n != gemeldet) {
        station.Kanalanzahl = std::int16_t(n);
        fenster.Statuszeile(QStringLiteral("Die Station meldet %1 Kanäle; die Parameterdatei enthält %2.")
                                .arg(gemeldet)
                                .arg(n));
    }
    QByteArray b("Q&Z", 3);
    const auto rec = station.encodeStationsrecord();
    b.append(reinterpret_cast<const char*>(rec.data()), qsizetype(rec.size()));
    b.append(reinterpret_cast<const char*>(hardware.data()), qsizetype(hardware.size()));
    for (int i = 0; i < n; ++i) {
        const auto e = kanaele[std::size_t(i)].encode();
        b.append(reinterpret_cast<const char*>(e.data()), qsizetype(e.size()));
    }
    if (!SchreibeDatei(par, b)) {
        QFile::remove(par);
        fenster.Statuszeile(NichtGeschrieben(par));
    }
}

void LeseDaten(TSequenz& s, const QString& sequenzdatei) {
    const QString dat = AusgabeDateiname(sequenzdatei, QStringLiteral("dat"));
    TSequenzFenster fenster;
    if (!ReadMeasuredData(dat, s.Param)) {
        QFile::remove(dat);
        return;
    }
    QDir().mkpath(s.RohdatenPfad);
    const QString kopie = NummerierteDatendatei(s.RohdatenPfad, s.Param.StatNr);
    QFile quelle(dat);
    const bool gelesen = quelle.open(QIODevice::ReadOnly);
    const QByteArray bytes = gelesen ? quelle.readAll() : QByteArray();
    quelle.close();
    // Without a copy the data exist only in a file the next run replaces:
    // then the memory is not offered for clearing.
    if (!gelesen || !SchreibeDatei(kopie, bytes)) {
        const QString text = NichtGeschrieben(kopie);
        fenster.Statuszeile(text);
        Dienst().Fehler(text);
        return;
    }
    fenster.Statuszeile(QStringLiteral("Daten gespeichert in ") + QDir::toNativeSeparators(kopie));
    if (Dienst().Frage(Q(kSpeicherLoeschen))) ClearDataMemory(s.Param);
}

// The configuration to send, or a German reason why there is none.
bool LadeSendbareParameter(const QString& par, TDATDatei& datei, QString& grund) {
    const QString name = QDir::toNativeSeparators(par);
    if (!QFileInfo(par).isFile()) {
        grund = QStringLiteral("Die Parameterdatei %1 ist nicht vorhanden.").arg(name);
        return false;
    }
    try {
        datei.LoadFromFile(par);
    } catch (const EFehler& e) {
        grund = QStringLiteral("Die Parameterdatei %1 kann nicht gelesen werden: %2").arg(name, e.Meldung());
        return false;
    }
    if (datei.ChannelCount() > kMaxKanaele) {
        grund = QStringLiteral("Die Parameterdatei %1 enthält %2 Kanäle; der Logger nimmt höchstens %3 auf.")
                    .arg(name)
                    .arg(datei.ChannelCount())
                    .arg(kMaxKanaele);
        return false;
    }
    if (datei.ChannelCount() == 0) {
        grund = QStringLiteral("Die Parameterdatei %1 enthält keine Kanäle.").arg(name);
        return false;
    }
    return true;
}

void SendeParameter(TSequenz& s, const QString& sequenzdatei) {
    const QString par = AusgabeDateiname(sequenzdatei, QStringLiteral("par"));
    TSequenzFenster fenster;
    TDATDatei datei;
    QString grund;
    if (!LadeSendbareParameter(par, datei, grund)) {
        const QString text = grund + QStringLiteral("\nEs wurde nichts gesendet.");
        fenster.Statuszeile(grund + QStringLiteral(" Es wurde nichts gesendet."));
        Dienst().Fehler(text);
        return;
    }
    TKanalTabelle kanaele{};
    for (int i = 0; i < datei.ChannelCount(); ++i) kanaele[std::size_t(i)] = datei.GetChannel(i);
    SendParameters(datei.Stationsparameter(), kanaele, s.Param, PcUhr(), true);
}

void LeseMittelwerte(TSequenz& s, const QString& sequenzdatei) {
    TVerbParam p = s.Param;
    p.Dateiname = AusgabeDateiname(sequenzdatei, QStringLiteral("mwd"));
    QString antwort;
    TStationsParameter station;
    TKanalTabelle kanaele{};
    QByteArray typ;
    // A table from an earlier run must not pass for this one's result.
    if (!HoleAktuelleWerte(antwort, station, kanaele, p, typ)) QFile::remove(p.Dateiname);
}

} // namespace

QString NummerierteDatendatei(const QString& rohdatenPfad, int stationsnummer) {
    const QDir dir(rohdatenPfad);
    const QString endung = QString::asprintf(".%.3d", stationsnummer);
    QString name;
    for (int n = 0; n <= 999; ++n) {
        name = dir.filePath(QString::asprintf("Daten%.3d", n) + endung);
        if (!QFileInfo::exists(name)) break;
    }
    return name;
}

bool FuehreSequenzbefehlAus(const QString& befehl, TSequenz& s, const QString& sequenzdatei,
                            THauptfensterModell* haupt) {
    TVerbParam& p = s.Param;
    if (befehl == QLatin1String("LadeParameter")) {
        LadeParameter(s, sequenzdatei);
    } else if (befehl == QLatin1String("LeseDaten")) {
        LeseDaten(s, sequenzdatei);
    } else if (befehl == QLatin1String("LeseZeit")) {
        QDateTime uhr;
        double differenz = 0;
        ReadLoggerTime(p, uhr, differenz);
    } else if (befehl == QLatin1String("Konfiguration")) {
        ConfigureProgram(false);
    } else if (befehl == QLatin1String("LeseSYNOP")) {
        p.Dateiname.clear();
        ErstelleSYNOP(s.Synop, p);
    } else if (befehl == QLatin1String("LeseHTML")) {
        p.Dateiname.clear();
        ErstelleHTML(s.Html, p);
    } else if (befehl == QLatin1String("SendeZeit")) {
        Dienst().Information(QStringLiteral("SendeZeit"));
    } else if (befehl == QLatin1String("SendeParameter")) {
        SendeParameter(s, sequenzdatei);
    } else if (befehl == QLatin1String("SendeDigitalAusgabe")) {
        SendDigitalOutput(s.DigiKanal, s.DigiByte, p);
    } else if (befehl == QLatin1String("LeseSYNOP&HTML")) {
        p.Dateiname.clear();
        ErstelleSYNOPundHTML(s.Synop, s.Html, p);
    } else if (befehl == QLatin1String("Momentanwerte") && haupt) {
        // The mode keeps running after the command: the program stays open.
        haupt->MomentanwerteAusSequenz(p);
        return false;
    } else if (befehl == QLatin1String("LeseMittelwerte")) {
        LeseMittelwerte(s, sequenzdatei);
    } else {
        Dienst().Information(Q(kNichtUnterstuetzt));
    }
    return true;
}

} // namespace nuvar
