#include "sim/Befehlszeile.h"

#include <QDateTime>

namespace nuvar {

QString Hilfetext() {
    return QStringLiteral(
        "Aufruf: nuvarsim [Optionen]\n"
        "\n"
        "Simuliert einen Datenlogger an einem Pseudo-Terminal. Die erste Zeile der\n"
        "Ausgabe ist der Pfad des Terminals, das NUVARKom als Schnittstelle öffnet.\n"
        "Ohne Optionen: Demonstrationsstation, 9600 Baud, Logger VRX420.\n"
        "\n"
        "Station und Speicher:\n"
        "  --station DATEI        Parameterdatei (.DAT, Q&Z oder QZ1) statt der Demostation\n"
        "  --typ TYP              Loggertyp: VRX410, VRX420, VRX430 oder ein anderer Text\n"
        "  --saetze N             gespeicherte Datensätze beim Start (Vorgabe 144)\n"
        "  --keine-karte          keine Speicherkarte: \"MCDEL \" antwortet ERR001\n"
        "  --nicht-aufzeichnen    keine neuen Datensätze im Lauf der Zeit\n"
        "  --saat N               Startwert des Wetters (Vorgabe 1)\n"
        "\n"
        "Uhr:\n"
        "  --uhr \"JJJJ-MM-TT hh:mm:ss\"  Startzeit der Loggeruhr (Vorgabe: PC-Uhr)\n"
        "  --versatz SEKUNDEN     Abweichung der Loggeruhr, auch negativ\n"
        "\n"
        "Leitung:\n"
        "  --baud N               Baudrate (Vorgabe 9600)\n"
        "  --ohne-takt            Antworten sofort statt im Takt der Baudrate\n"
        "  --antwort MS           Bedenkzeit des Loggers vor jeder Antwort (Vorgabe 20)\n"
        "  --link PFAD            symbolischer Link auf das Terminal (wird am Ende entfernt)\n"
        "  --log DATEI            Protokoll in DATEI statt auf die Standardfehlerausgabe\n"
        "  --abbild DATEI         am Ende Station, Hardwareliste und Kanaltabelle in DATEI schreiben\n"
        "\n"
        "Fehler auf Bestellung (mehrfach erlaubt):\n"
        "  --fehler ART[:BEFEHL][=K]\n"
        "        schweigen    die ersten K Befehlsrahmen bleiben unbeantwortet\n"
        "        nak          die ersten K Befehlsrahmen werden mit NAK beantwortet\n"
        "        pruefsumme   die ersten K Antworten oder Blöcke mit falscher Prüfsumme\n"
        "        rauschen     vor den ersten K Antworten 8 Störbytes\n"
        "        abbruch      Leitung beim Herunterladen nach K Blöcken trennen\n"
        "        BEFEHL z.B. GETPAR, READMC, STOPMO; ohne BEFEHL: jeder Befehl; K Vorgabe 1\n"
        "  --stationsnummer N     meldet diese Stationsnummer\n"
        "  --intervall N          meldet dieses Mittelwertintervall (Minuten)\n"
        "  --mehr-saetze N        meldet N Datensätze mehr, als gesendet werden\n"
        "\n"
        "Modem:\n"
        "  --modem                Hayes-Modem vor dem Logger (AT-Befehle, ATD, +++, ATH)\n"
        "  --klingeln MS          Zeit bis zum Ergebnis eines Anrufs (Vorgabe 3000)\n"
        "  --nummer NR=ERGEBNIS   Ergebnis für eine Rufnummer: CONNECT, BUSY, NO ANSWER,\n"
        "                         NO DIALTONE, NO CARRIER (Vorgabe: 111 BUSY, 222 NO ANSWER,\n"
        "                         333 NO DIALTONE, 444 NO CARRIER, sonst CONNECT)\n"
        "  --echo                 Modem mit Echo (ATE1)\n"
        "\n"
        "  -h, --help             diese Hilfe\n"
        "\n"
        "Beispiel: nuvarsim --link /tmp/logger --typ VRX430 --fehler pruefsumme:GETPAR=1\n"
        "Beenden mit Strg+C oder SIGTERM.\n");
}

namespace {

bool Zahl(const QString& text, long long min, long long max, long long& wert) {
    bool ok = false;
    wert = text.toLongLong(&ok);
    return ok && wert >= min && wert <= max;
}

bool LiesFehler(const QString& text, SimFehler& f) {
    QString art = text, befehl, anzahl;
    const int gleich = art.indexOf(QLatin1Char('='));
    if (gleich >= 0) {
        anzahl = art.mid(gleich + 1);
        art.truncate(gleich);
    }
    const int doppel = art.indexOf(QLatin1Char(':'));
    if (doppel >= 0) {
        befehl = art.mid(doppel + 1);
        art.truncate(doppel);
    }
    const QString a = art.toLower();
    if (a == QLatin1String("schweigen")) f.art = SimFehler::Art::Schweigen;
    else if (a == QLatin1String("nak")) f.art = SimFehler::Art::Nak;
    else if (a == QLatin1String("pruefsumme")) f.art = SimFehler::Art::Pruefsumme;
    else if (a == QLatin1String("rauschen")) f.art = SimFehler::Art::Rauschen;
    else if (a == QLatin1String("abbruch")) f.art = SimFehler::Art::Abbruch;
    else return false;
    f.befehl = befehl.toUpper().toLatin1();
    if (f.befehl.size() > 6) return false;
    f.anzahl = 1;
    if (gleich >= 0) {
        long long k = 0;
        if (!Zahl(anzahl, 0, 1000000, k)) return false;
        f.anzahl = int(k);
    }
    return true;
}

bool LiesErgebnis(const QString& text, ModemErgebnis& e) {
    const QString t = text.simplified().toUpper().remove(QLatin1Char('_'));
    if (t == QLatin1String("CONNECT")) e = ModemErgebnis::Connect;
    else if (t == QLatin1String("BUSY")) e = ModemErgebnis::Busy;
    else if (t == QLatin1String("NO ANSWER") || t == QLatin1String("NOANSWER")) e = ModemErgebnis::NoAnswer;
    else if (t == QLatin1String("NO DIALTONE") || t == QLatin1String("NODIALTONE")) e = ModemErgebnis::NoDialtone;
    else if (t == QLatin1String("NO CARRIER") || t == QLatin1String("NOCARRIER")) e = ModemErgebnis::NoCarrier;
    else return false;
    return true;
}

}  // namespace

bool LiesBefehlszeile(const QStringList& argumente, SimProgrammOptionen& aus, QString* fehler) {
    SimOptions& o = aus.sim;
    auto melde = [&](const QString& m) {
        if (fehler) *fehler = m;
        return false;
    };
    for (int i = 0; i < argumente.size(); ++i) {
        QString opt = argumente[i];
        QString wert;
        bool mitWert = false;
        // "--option=wert" and "--option wert" both work.
        if (opt.startsWith(QLatin1String("--")) && opt.contains(QLatin1Char('='))) {
            wert = opt.mid(opt.indexOf(QLatin1Char('=')) + 1);
            opt.truncate(opt.indexOf(QLatin1Char('=')));
            mitWert = true;
        }
        auto naechster = [&](QString& w) {
            if (mitWert) {
                w = wert;
                return true;
            }
            if (i + 1 >= argumente.size()) return false;
            w = argumente[++i];
            return true;
        };
        auto zahl = [&](long long min, long long max, long long& z) {
            QString w;
            if (!naechster(w)) return melde(QStringLiteral("Option %1 braucht einen Wert.").arg(opt));
            if (!Zahl(w, min, max, z))
                return melde(QStringLiteral("Ungültiger Wert für %1: \"%2\" (erlaubt %3 bis %4).").arg(opt, w).arg(min).arg(max));
            return true;
        };
        auto text = [&](QString& t) {
            if (!naechster(t) || t.isEmpty()) return melde(QStringLiteral("Option %1 braucht einen Wert.").arg(opt));
            return true;
        };
        auto ohneWert = [&] {
            if (mitWert) return melde(QStringLiteral("Option %1 hat keinen Wert.").arg(opt));
            return true;
        };
        long long z = 0;
        QString t;
        if (opt == QLatin1String("-h") || opt == QLatin1String("--help") || opt == QLatin1String("--hilfe")) {
            aus.hilfe = true;
        } else if (opt == QLatin1String("--station")) {
            if (!text(o.stationsdatei)) return false;
        } else if (opt == QLatin1String("--typ")) {
            if (!text(t)) return false;
            if (t.size() > 6) return melde(QStringLiteral("Der Loggertyp hat höchstens 6 Zeichen: \"%1\".").arg(t));
            o.loggertyp = t.toLatin1();
        } else if (opt == QLatin1String("--saetze")) {
            if (!zahl(0, 99999, z)) return false;
            o.datensaetze = int(z);
        } else if (opt == QLatin1String("--keine-karte")) {
            if (!ohneWert()) return false;
            o.speicherkarte = false;
        } else if (opt == QLatin1String("--nicht-aufzeichnen")) {
            if (!ohneWert()) return false;
            o.aufzeichnen = false;
        } else if (opt == QLatin1String("--saat")) {
            if (!zahl(0, 4294967295LL, z)) return false;
            o.saat = quint32(z);
        } else if (opt == QLatin1String("--uhr")) {
            if (!text(t)) return false;
            o.uhrStart = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (!o.uhrStart.isValid())
                return melde(QStringLiteral("Ungültige Uhrzeit \"%1\" (Form: JJJJ-MM-TT hh:mm:ss).").arg(t));
        } else if (opt == QLatin1String("--versatz")) {
            if (!zahl(-3153600000LL, 3153600000LL, z)) return false;
            o.uhrVersatzS = z;
        } else if (opt == QLatin1String("--baud")) {
            if (!zahl(50, 1000000, z)) return false;
            o.baud = int(z);
        } else if (opt == QLatin1String("--ohne-takt")) {
            if (!ohneWert()) return false;
            o.takt = false;
        } else if (opt == QLatin1String("--antwort")) {
            if (!zahl(0, 60000, z)) return false;
            o.antwortMs = int(z);
        } else if (opt == QLatin1String("--link")) {
            if (!text(aus.link)) return false;
        } else if (opt == QLatin1String("--log")) {
            if (!text(aus.logdatei)) return false;
        } else if (opt == QLatin1String("--abbild")) {
            if (!text(aus.abbild)) return false;
        } else if (opt == QLatin1String("--fehler")) {
            if (!text(t)) return false;
            SimFehler f;
            if (!LiesFehler(t, f))
                return melde(QStringLiteral("Ungültige Fehlerangabe \"%1\" (Form: ART[:BEFEHL][=K], ART ist schweigen, nak, pruefsumme, rauschen oder abbruch).").arg(t));
            o.fehler.push_back(f);
        } else if (opt == QLatin1String("--stationsnummer")) {
            if (!zahl(0, 999, z)) return false;
            o.gemeldeteStationsnummer = int(z);
        } else if (opt == QLatin1String("--intervall")) {
            if (!zahl(0, 99, z)) return false;
            o.gemeldetesIntervall = int(z);
        } else if (opt == QLatin1String("--mehr-saetze")) {
            if (!zahl(0, 99999, z)) return false;
            o.mehrGemeldet = int(z);
        } else if (opt == QLatin1String("--modem")) {
            if (!ohneWert()) return false;
            o.modem.aktiv = true;
        } else if (opt == QLatin1String("--klingeln")) {
            if (!zahl(0, 600000, z)) return false;
            o.modem.klingelnMs = int(z);
        } else if (opt == QLatin1String("--echo")) {
            if (!ohneWert()) return false;
            o.modem.echo = true;
        } else if (opt == QLatin1String("--nummer")) {
            if (!text(t)) return false;
            const int g = t.indexOf(QLatin1Char('='));
            ModemErgebnis e{};
            QByteArray nr;
            if (g > 0)
                for (QChar c : t.left(g))
                    if (c.isDigit() || c == QLatin1Char('*') || c == QLatin1Char('#')) nr += char(c.unicode());
            if (g <= 0 || nr.isEmpty() || !LiesErgebnis(t.mid(g + 1), e))
                return melde(QStringLiteral("Ungültige Nummernangabe \"%1\" (Form: NUMMER=ERGEBNIS).").arg(t));
            o.modem.nummern[nr] = e;
        } else {
            return melde(QStringLiteral("Unbekannte Option \"%1\".").arg(argumente[i]));
        }
    }
    return true;
}

}  // namespace nuvar
