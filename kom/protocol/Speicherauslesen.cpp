// The measured data: current values ("GETMDX", "GETMED", "GETGMD"), the
// data memory ("READMC") with the raw data file written from it, and the
// switch into the instantaneous stream ("READMO").
#include "kom/protocol/NUVARWnd.h"

#include "common/DateiSchreiben.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace nuvar {

bool TNUVARFenster::GetAktuell(const char* befehl, const QString& statuszeile, int gaugeMax, QString& zeile) {
    TBefehl b;
    b.befehl.nutzdaten = befehl;
    b.befehl.art = TAustauschArt::DatenOhneQuittung;
    b.befehl.bestaetigung = TBestaetigung::Antwort;
    b.befehl.meldung = statuszeile;
    // A reply with a wrong checksum is neither answered nor repeated here and
    // stops the response timer: the hang timer bounds the wait.
    b.befehl.hangSekunden = 60;
    b.befehl.zeilen.keine.clear();  // the caller's line stays, and says nothing
    b.gaugeMax = gaugeMax;
    const TBefehlsErgebnis e = austausch_->Fuehre(b);
    if (e.befehl != TRahmenAusgang::Bestaetigt) {
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("Auf %1 kam keine gültige Antwort.").arg(QLatin1String(befehl)));
        return false;
    }
    zeile = QString::fromLatin1(e.antwort);
    return true;
}

bool TNUVARFenster::GetMdx(QString& zeile, const TStationsParameter& s) {
    return GetAktuell("GETMDX", QStringLiteral("Sende Befehl GETMDX..."), 24 * s.Kanalanzahl + 22, zeile);
}

bool TNUVARFenster::GetMed(QString& zeile, const TStationsParameter& s) {
    return GetAktuell("GETMED", QStringLiteral("Sende Befehl GETMED..."), 8 * s.Kanalanzahl + 24, zeile);
}

bool TNUVARFenster::GetGmd(QString& zeile, const TStationsParameter& s) {
    // There is no line of its own for "GETGMD".
    return GetAktuell("GETGMD", QStringLiteral("Sende Befehl GETMDX..."), 32 * s.Kanalanzahl + 22, zeile);
}

bool TNUVARFenster::ReadMc(const QString& pfad, const TStationsParameter& station, bool* vollstaendig) {
    QFile datei(pfad);
    return LiesSpeicher(datei, station, vollstaendig, nullptr);
}

// Downloads the memory into datei (created or replaced). fehler (optional)
// receives the reason when the file could not be written; the download then
// stops, because what follows could not be kept.
bool TNUVARFenster::LiesSpeicher(QFile& datei, const TStationsParameter& station, bool* vollstaendig,
                                 QString* fehler) {
    if (vollstaendig) *vollstaendig = false;
    const qint64 satz = 8LL * station.Kanalanzahl + 5;
    const qint64 bytes = satz * qint64(std::max<std::int32_t>(0, station.Datensaetze));
    TBefehl b;
    b.befehl.nutzdaten = "READMC";
    b.befehl.art = TAustauschArt::Bloecke;
    b.befehl.meldung = QStringLiteral("Sende Befehl READMC...");
    b.gaugeMax = int((bytes + 1023) / 1024 * 1030 + 4);
    auto melde = [&](const QString& text) {
        StatusLine(text);
        Ausgang.Melde(TFehlerart::Datei, text);
        if (fehler) *fehler = text;
    };
    // Every block goes to the file as it arrives, so a download that breaks
    // off keeps what came.
    b.vorbereiten = [&] {
        if (datei.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) return true;
        melde(DateiFehler(QStringLiteral("kann nicht geöffnet werden"), datei));
        return false;
    };
    TBlockEmpfang d;
    d.nimm = [&](const QByteArray& block) {
        // A short write (a full disk) would leave a gap in the image that no
        // later block fills: stop here.
        if (SchreibeGanz(datei, block)) return true;
        melde(DateiFehler(QStringLiteral("kann nicht geschrieben werden"), datei));
        return false;
    };
    // Received, in every case: what came is in the file.
    d.zeilen.keine = d.zeilen.bestaetigt;
    b.download = d;
    const TBefehlsErgebnis e = austausch_->Fuehre(b);
    if (e.abgewiesen) return false;
    datei.close();
    // A download the hang timer ended keeps its result: the blocks that came
    // are good.
    const bool result = !e.ohneBlock && !e.genommenAbgelehnt;
    if (vollstaendig) *vollstaendig = LastBlockSeen() && result && !e.hangTimeout;
    if (e.hangTimeout && !LastBlockSeen())
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("Zeitüberschreitung beim Auslesen nach %1 Datenblöcken.").arg(e.bloecke));
    else if (!result)
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("Die Speicherauslesung brach nach %1 Datenblöcken ab.").arg(e.bloecke));
    return result;
}

// "Datei <name> <was>: <the system's reason>".
QString TNUVARFenster::DateiFehler(const QString& was, const QFileDevice& datei) {
    return QStringLiteral("Fehler - Datei %1 %2: %3")
        .arg(QDir::toNativeSeparators(datei.fileName()), was, datei.errorString());
}

int TNUVARFenster::ReadData(const QString& pfad, TStationsParameter& station) {
    TKanalTabelle kanaele{};
    THardwareTabelle hardware{};
    QDateTime uhr;
    QByteArray typ;
    if (!GetPar(station, kanaele, hardware, uhr, typ)) return kLeseFehlgeschlagen;
    Delay(500);
    // Each readout downloads into an image of its own: several runs may read
    // their stations at the same time from one program directory. The image
    // replaces $$_mc.tmp only once this run is done with it.
    const QString sichtbar = QDir(verzeichnis_).filePath(QStringLiteral("$$_mc.tmp"));
    QTemporaryFile name(sichtbar + QStringLiteral(".XXXXXX"));
    if (!name.open()) {
        StatusLine(DateiFehler(QStringLiteral("kann nicht erstellt werden"), name));
        Ausgang.Melde(TFehlerart::Datei, DateiFehler(QStringLiteral("kann nicht erstellt werden"), name));
        return kLeseFehlgeschlagen;
    }
    name.close();  // the name stays reserved, and goes with `name` on any error
    QFile bild(name.fileName());
    bool vollstaendig = false;
    QString fehler;
    const bool gelesen = LiesSpeicher(bild, station, &vollstaendig, &fehler);
    int result = kLeseFehlgeschlagen;
    if (fehler.isEmpty()) result = SchreibeRohdaten(pfad, bild, station, kanaele, hardware, gelesen, vollstaendig);
    ZeigeSpeicherabbild(name, sichtbar);
    return result;
}

// Steps 5 to 9 of the readout: the raw data file from the memory image.
int TNUVARFenster::SchreibeRohdaten(const QString& pfad, QFile& ein, const TStationsParameter& station,
                                    const TKanalTabelle& kanaele, const THardwareTabelle& hardware, bool gelesen,
                                    bool vollstaendig) {
    if (!ein.open(QIODevice::ReadOnly)) {
        StatusLine(DateiFehler(QStringLiteral("kann nicht geöffnet werden"), ein));
        Ausgang.Melde(TFehlerart::Datei, DateiFehler(QStringLiteral("kann nicht geöffnet werden"), ein));
        return kLeseFehlgeschlagen;
    }
    // A failed download still yields every record that came; only a download
    // that brought nothing at all counts as not read.
    if (!gelesen && ein.size() == 0) return kLeseFehlgeschlagen;
    int result = kLeseVollstaendig;
    QSaveFile aus(pfad);
    if (!aus.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        StatusLine(DateiFehler(QStringLiteral("kann nicht erstellt werden"), aus));
        Ausgang.Melde(TFehlerart::Datei, DateiFehler(QStringLiteral("kann nicht erstellt werden"), aus));
        return kLeseFehlgeschlagen;
    }
    SetGaugeMax(station.Datensaetze);
    const int kanalanzahl = std::clamp<int>(station.Kanalanzahl, 0, kMaxKanaele);
    QByteArray stueck("Q&Z");
    const auto rec = station.encodeStationsrecord();
    stueck.append(reinterpret_cast<const char*>(rec.data()), qsizetype(rec.size()));
    stueck.append(reinterpret_cast<const char*>(hardware.data()), qsizetype(hardware.size()));
    for (int i = 0; i < kanalanzahl; ++i) {
        const auto e = kanaele[i].encode();
        stueck.append(reinterpret_cast<const char*>(e.data()), qsizetype(e.size()));
    }
    // Written in pieces of some records, each write checked.
    bool geschrieben = true;
    const qint64 satz = 8LL * kanalanzahl + 5;
    int n = 0, schlecht = 0;
    while (geschrieben) {
        const QByteArray r = ein.read(satz);
        if (r.size() < satz) break;
        if (std::uint8_t(r[0]) == 0xFF && std::uint8_t(r[1]) == 0xFF && std::uint8_t(r[2]) == 0xFF) break;
        const auto b = [&](int i) { return std::uint8_t(r[i]); };
        if (b(0) > 99 || b(1) < 1 || b(1) > 12 || b(2) < 1 || b(2) > 31 || b(3) > 23 || b(4) > 59) {
            ++schlecht;
            if (schlecht > 3) result = kLeseZeitFehler;
        }
        stueck += r;
        if (stueck.size() >= 65536) {
            geschrieben = SchreibeGanz(aus, stueck);
            stueck.clear();
        }
        ++n;
        SetGaugeProgress(n);
    }
    if (geschrieben) geschrieben = SchreibeGanz(aus, stueck);
    // commit() would forget why a write failed.
    const QString schreibfehler = geschrieben ? QString() : aus.errorString();
    StatusLine(QString::number(n) + QStringLiteral(" Datensätze empfangen..."));
    Delay(500);
    SetGaugeProgress(0);
    ProcessEvents();
    ein.close();
    if (!geschrieben) aus.cancelWriting();
    if (!geschrieben || !aus.commit()) {
        const QString text = QStringLiteral("Fehler - Datei %1 kann nicht geschrieben werden: %2")
                                 .arg(QDir::toNativeSeparators(pfad), geschrieben ? aus.errorString() : schreibfehler);
        StatusLine(text);
        Ausgang.Melde(TFehlerart::Datei, text);
        return kLeseFehlgeschlagen;
    }
    // The logger keeps measuring while it is read: records it stored after
    // counting them arrive behind the announced ones. Only fewer records
    // than announced leave the read incomplete.
    if (n < station.Datensaetze) {
        result = kLeseAnzahlAbweichend;
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("%1 von %2 gemeldeten Datensätzen empfangen.").arg(n).arg(station.Datensaetze));
    } else if (n > station.Datensaetze) {
        StatusLine(QStringLiteral("%1 Datensätze mehr als gemeldet (während des Auslesens gespeichert).")
                       .arg(n - std::max<std::int32_t>(0, station.Datensaetze)));
    }
    if (!vollstaendig) {
        StatusLine(QStringLiteral("Fehler - Datenübertragung unvollständig."));
        Ausgang.Melde(TFehlerart::Unvollstaendig, QStringLiteral("Datenübertragung unvollständig."));
        result = kLeseAnzahlAbweichend;
    }
    if (result == kLeseZeitFehler)
        Ausgang.Melde(TFehlerart::Unvollstaendig,
                      QStringLiteral("%1 Datensätze mit ungültiger Zeit empfangen.").arg(schlecht));
    return result;
}

// Puts this run's memory image in place as $$_mc.tmp, replacing the previous
// one whole; the temporary name is gone afterwards.
void TNUVARFenster::ZeigeSpeicherabbild(QTemporaryFile& bild, const QString& sichtbar) {
    bild.close();
    std::error_code fehler;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(bild.fileName()).toStdString()),
                            std::filesystem::path(QFile::encodeName(sichtbar).toStdString()), fehler);
    if (fehler) {
        StatusLine(QStringLiteral("Fehler - Datei %1 kann nicht ersetzt werden: %2")
                       .arg(QDir::toNativeSeparators(sichtbar), QString::fromLocal8Bit(fehler.message())));
        return;
    }
    bild.setAutoRemove(false);
}

bool TNUVARFenster::ReadMo(int kanaele) {
    // In state 0 other lines are ignored and stop the response timer, so
    // only the hang timer bounds the wait.
    const TBefehlsErgebnis e = austausch_->Fuehre(
        Quittungsbefehl("READMO", TAustauschArt::Quittung, QStringLiteral("Sende Befehl READMO..."), 60, true));
    if (e.abgewiesen) return false;
    // The stream runs from here, acknowledged or not.
    austausch_->BeginneMomentanempfang(kanaele);
    SetGaugeMax(8 * kanaele + 20);
    return e.befehl == TRahmenAusgang::Bestaetigt;
}

} // namespace nuvar
