#include "kom/app/Befehle.h"

#include "common/DateiSchreiben.h"
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
#include <algorithm>
#include <functional>

namespace nuvar {

const char* const kNichtUnterstuetzt =
    "Diese Funktion wird in der vorliegenden\nProgrammversion noch nicht unterstützt!";
const char* const kSpeicherLoeschen =
    "Die Daten wurden vollständig gelesen.\nSoll der Datenspeicher gelöscht werden?";

namespace {

QString Q(const char* s) { return QString::fromUtf8(s); }

TMeldungen& Dienst() { return Umgebung().meldungen ? *Umgebung().meldungen : Meldungen(); }

QDateTime PcUhr() { return Umgebung().uhr ? Umgebung().uhr() : QDateTime::currentDateTime(); }

QString NichtGeschrieben(const QString& pfad, const QString& grund) {
    return QStringLiteral("Datei %1 kann nicht geschrieben werden: %2").arg(QDir::toNativeSeparators(pfad), grund);
}

bool LadeParameter(TSequenz& s, const QString& sequenzdatei, TSequenzFenster& fenster) {
    const QString par = AusgabeDateiname(sequenzdatei, QStringLiteral("par"));
    TStationsParameter station;
    TKanalTabelle kanaele{};
    THardwareTabelle hardware{};
    QDateTime uhr;
    if (!ReadStationParameters(station, kanaele, s.Param, uhr, hardware)) {
        QFile::remove(par);
        return false;
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
    QString grund;
    if (!ErsetzeDatei(par, b, &grund)) {
        QFile::remove(par);
        fenster.Fehler(TFehlerart::Datei, NichtGeschrieben(par, grund));
        return false;
    }
    return true;
}

bool LeseDaten(TSequenz& s, const QString& sequenzdatei, TSequenzFenster& fenster) {
    const QString dat = AusgabeDateiname(sequenzdatei, QStringLiteral("dat"));
    if (!ReadMeasuredData(dat, s.Param)) {
        QFile::remove(dat);
        return false;
    }
    // Without a copy the data exist only in a file the next run replaces:
    // then the memory is not offered for clearing.
    auto ohneKopie = [&](const QString& text) {
        fenster.Fehler(TFehlerart::Datei, text);
        Dienst().Fehler(text);
        return false;
    };
    // A directory that cannot be made shows as the copy's write error.
    QDir().mkpath(s.RohdatenPfad);
    const QString kopie = NummerierteDatendatei(s.RohdatenPfad, s.Param.StatNr);
    if (kopie.isEmpty())
        return ohneKopie(QStringLiteral("Für die Kopie ist keine Nummer mehr frei: Daten000.%1 bis Daten999.%1 in %2 "
                                        "sind vergeben. Die Daten bleiben in %3.")
                             .arg(QString::asprintf("%.3d", s.Param.StatNr),
                                  QDir::toNativeSeparators(s.RohdatenPfad), QDir::toNativeSeparators(dat)));
    QFile quelle(dat);
    if (!quelle.open(QIODevice::ReadOnly))
        return ohneKopie(QStringLiteral("Datei %1 kann nicht gelesen werden: %2")
                             .arg(QDir::toNativeSeparators(dat), quelle.errorString()));
    const QByteArray bytes = quelle.readAll();
    quelle.close();
    QString grund;
    if (!ErsetzeDatei(kopie, bytes, &grund)) return ohneKopie(NichtGeschrieben(kopie, grund));
    fenster.Statuszeile(QStringLiteral("Daten gespeichert in ") + QDir::toNativeSeparators(kopie));
    if (Dienst().Frage(Q(kSpeicherLoeschen))) return ClearDataMemory(s.Param) && !fenster.F().Ausgang.Fehlgeschlagen();
    return true;
}

// Whether every part the file's header or directory declares lies within
// the file. The loader takes a file that ends early without a word and fills
// the rest with zeros or old values: sent to a logger, that would replace
// real channels with blank ones.
bool ParameterdateiGanz(const QString& par, QString& grund) {
    QFile f(par);
    if (!f.open(QIODevice::ReadOnly)) {
        grund = f.errorString();
        return false;
    }
    const QByteArray b = f.readAll();
    const qint64 groesse = b.size();
    auto zahl = [&](qint64 von, int breite) -> qint64 {
        if (von + breite > groesse) return -1;
        qint64 w = 0;
        for (int i = breite - 1; i >= 0; --i) w = (w << 8) | std::uint8_t(b[von + i]);
        if (breite == 2) return qint64(std::int16_t(w));
        return qint64(std::int32_t(w));
    };
    qint64 ende = 0;  // the end of the furthest part declared
    bool gueltig = true;
    auto teil = [&](qint64 offset, qint64 anzahl, qint64 groesseJe) {
        if (offset < 0 || anzahl < 0 || groesseJe < 0) {
            gueltig = false;
            return;
        }
        ende = std::max(ende, offset + anzahl * groesseJe);
    };
    if (b.startsWith("QZ1")) {
        const qint64 verzeichnis = std::min<qint64>(std::uint32_t(zahl(3, 4)), 32);
        teil(0, 1, 7 + verzeichnis);
        if (verzeichnis >= 32) {
            teil(zahl(7, 4), 1, std::min<qint64>(std::uint32_t(zahl(11, 4)), TStationsParameter::kGroesse));
            teil(zahl(15, 4), zahl(19, 4), std::min<qint64>(std::uint32_t(zahl(23, 4)), 1));
            teil(zahl(27, 4), zahl(31, 4), std::min<qint64>(std::uint32_t(zahl(35, 4)), TKanalEintrag::kGroesse));
        } else {
            gueltig = false;
        }
    } else {
        // "Q&Z": the station record's channel count says how many entries follow.
        teil(0, 1, 3 + 43 + 96);
        const qint64 kanaele = zahl(3 + 41, 2);
        teil(3 + 43 + 96, kanaele, TKanalEintrag::kGroesse);
    }
    if (gueltig && ende <= groesse) return true;
    grund = gueltig ? QStringLiteral("sie ist %1 Bytes lang, ihre Einträge reichen bis Byte %2").arg(groesse).arg(ende)
                    : QStringLiteral("ihr Verzeichnis ist ungültig");
    return false;
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
    QString warum;
    if (!ParameterdateiGanz(par, warum)) {
        grund = QStringLiteral("Die Parameterdatei %1 ist unvollständig: %2.").arg(name, warum);
        return false;
    }
    if (datei.ChannelCount() > kMaxKanaele) {
        grund = QStringLiteral("Die Parameterdatei %1 enthält %2 Kanäle; der Logger nimmt höchstens %3 auf.")
                    .arg(name)
                    .arg(datei.ChannelCount())
                    .arg(kMaxKanaele);
        return false;
    }
    return true;
}

bool SendeParameter(TSequenz& s, const QString& sequenzdatei, TSequenzFenster& fenster) {
    const QString par = AusgabeDateiname(sequenzdatei, QStringLiteral("par"));
    TDATDatei datei;
    QString grund;
    if (!LadeSendbareParameter(par, datei, grund)) {
        fenster.Fehler(TFehlerart::Datei, grund + QStringLiteral(" Es wurde nichts gesendet."));
        Dienst().Fehler(grund + QStringLiteral("\nEs wurde nichts gesendet."));
        return false;
    }
    TKanalTabelle kanaele{};
    for (int i = 0; i < datei.ChannelCount(); ++i) kanaele[std::size_t(i)] = datei.GetChannel(i);
    // The channel table goes out as the file holds it. The station block's
    // own count is only kept up to date by the old layout: a file saved in
    // the new layout may still carry the count of an older configuration.
    TStationsParameter station = datei.Stationsparameter();
    station.Kanalanzahl = std::int16_t(datei.ChannelCount());
    if (datei.ChannelCount() == 0)
        fenster.Statuszeile(QStringLiteral("Die Parameterdatei enthält keine Kanäle: die Kanaltabelle des Loggers "
                                           "wird leer gesendet."));
    const bool ok = SendParameters(station, kanaele, s.Param, PcUhr(), true);
    return ok && !fenster.F().Ausgang.Fehlgeschlagen();
}

bool LeseMittelwerte(TSequenz& s, const QString& sequenzdatei) {
    TVerbParam p = s.Param;
    p.Dateiname = AusgabeDateiname(sequenzdatei, QStringLiteral("mwd"));
    QString antwort;
    TStationsParameter station;
    TKanalTabelle kanaele{};
    QByteArray typ;
    // A table from an earlier run must not pass for this one's result.
    if (HoleAktuelleWerte(antwort, station, kanaele, p, typ)) return true;
    QFile::remove(p.Dateiname);
    return false;
}

// Runs a command that talks to the logger and makes its outcome: the first
// failure the exchange or the command itself recorded, else a failure
// without a recorded cause (the status lines then tell more).
TSequenzErgebnis Loggerbefehl(const QString& befehl, const std::function<bool(TSequenzFenster&)>& lauf) {
    TSequenzFenster fenster;
    const bool ok = lauf(fenster);
    TSequenzErgebnis e;
    const TAusgang& a = fenster.F().Ausgang;
    if (ok && !a.Fehlgeschlagen()) return e;
    e.Exitcode = a.Fehlgeschlagen() ? ExitcodeFuer(a.Art) : kExitUnvollstaendig;
    e.Grund = a.Fehlgeschlagen() ? a.Grund : QStringLiteral("\"%1\" ist fehlgeschlagen.").arg(befehl);
    return e;
}

// A report's own failures (a file, a coordinate) go to the box as before and
// become the cause.
TBerichtMeldung BerichtMeldung(TSequenzFenster& fenster) {
    return [&fenster](const QString& text) {
        fenster.F().Ausgang.Melde(TFehlerart::Datei, QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        Dienst().FehlerKurz(text);
    };
}

} // namespace

TSequenzFenster::TSequenzFenster() : nutzung_({QString(), QString(), false}) {
    // Only this command's failures count.
    F().Ausgang = TAusgang{};
}

TNUVARFenster& TSequenzFenster::F() { return nutzung_.F(); }

void TSequenzFenster::Statuszeile(const QString& text) {
    F().Show();
    F().StatusLine(text);
    F().Hide();
}

void TSequenzFenster::Fehler(TFehlerart art, const QString& text) {
    Statuszeile(text);
    F().Ausgang.Melde(art, text);
}

int ExitcodeFuer(TFehlerart art) {
    switch (art) {
    case TFehlerart::Keiner: return kExitErfolg;
    case TFehlerart::Verbindung: return kExitVerbindung;
    case TFehlerart::Station: return kExitStation;
    case TFehlerart::Unvollstaendig: return kExitUnvollstaendig;
    case TFehlerart::NichtBestaetigt: return kExitNichtBestaetigt;
    case TFehlerart::Datei: return kExitDatei;
    }
    return kExitIntern;
}

QString NummerierteDatendatei(const QString& rohdatenPfad, int stationsnummer) {
    const QDir dir(rohdatenPfad);
    const QString endung = QString::asprintf(".%.3d", stationsnummer);
    for (int n = 0; n <= 999; ++n) {
        const QString name = dir.filePath(QString::asprintf("Daten%.3d", n) + endung);
        if (!QFileInfo::exists(name)) return name;
    }
    return QString();
}

TSequenzErgebnis FuehreSequenzbefehlAus(const QString& befehl, TSequenz& s, const QString& sequenzdatei,
                                        THauptfensterModell* haupt) {
    TVerbParam& p = s.Param;
    if (befehl == QLatin1String("LadeParameter"))
        return Loggerbefehl(befehl, [&](TSequenzFenster& f) { return LadeParameter(s, sequenzdatei, f); });
    if (befehl == QLatin1String("LeseDaten"))
        return Loggerbefehl(befehl, [&](TSequenzFenster& f) { return LeseDaten(s, sequenzdatei, f); });
    if (befehl == QLatin1String("LeseZeit"))
        return Loggerbefehl(befehl, [&](TSequenzFenster&) {
            QDateTime uhr;
            double differenz = 0;
            return ReadLoggerTime(p, uhr, differenz);
        });
    if (befehl == QLatin1String("Konfiguration")) {
        ConfigureProgram(false);
        return {};
    }
    if (befehl == QLatin1String("LeseSYNOP")) {
        p.Dateiname.clear();
        return Loggerbefehl(befehl, [&](TSequenzFenster& f) { return ErstelleSYNOP(s.Synop, p, BerichtMeldung(f)); });
    }
    if (befehl == QLatin1String("LeseHTML")) {
        p.Dateiname.clear();
        return Loggerbefehl(befehl, [&](TSequenzFenster& f) { return ErstelleHTML(s.Html, p, BerichtMeldung(f)); });
    }
    if (befehl == QLatin1String("SendeZeit")) {
        Dienst().Information(QStringLiteral("SendeZeit"));
        // Nothing reached the logger: a scheduler must not take it for a set clock.
        return {true, kExitNichtUnterstuetzt, QStringLiteral("\"SendeZeit\" sendet in dieser Programmversion nichts.")};
    }
    if (befehl == QLatin1String("SendeParameter"))
        return Loggerbefehl(befehl, [&](TSequenzFenster& f) { return SendeParameter(s, sequenzdatei, f); });
    if (befehl == QLatin1String("SendeDigitalAusgabe"))
        return Loggerbefehl(befehl, [&](TSequenzFenster& f) {
            return SendDigitalOutput(s.DigiKanal, s.DigiByte, p) && !f.F().Ausgang.Fehlgeschlagen();
        });
    if (befehl == QLatin1String("LeseSYNOP&HTML")) {
        p.Dateiname.clear();
        return Loggerbefehl(
            befehl, [&](TSequenzFenster& f) { return ErstelleSYNOPundHTML(s.Synop, s.Html, p, BerichtMeldung(f)); });
    }
    if (befehl == QLatin1String("Momentanwerte") && haupt) {
        // The mode keeps running after the command: the program stays open.
        haupt->MomentanwerteAusSequenz(p);
        return {false, kExitErfolg, QString()};
    }
    if (befehl == QLatin1String("LeseMittelwerte"))
        return Loggerbefehl(befehl, [&](TSequenzFenster&) { return LeseMittelwerte(s, sequenzdatei); });
    Dienst().Information(Q(kNichtUnterstuetzt));
    return {true, kExitNichtUnterstuetzt,
            QStringLiteral("Der Befehl \"%1\" wird in dieser Programmversion nicht unterstützt.").arg(befehl)};
}

} // namespace nuvar
