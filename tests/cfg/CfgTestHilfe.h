#pragma once
// Small fixtures of the configurator tests: configurations, catalogues, the
// application object and a scratch directory that serves as the
// configurator's own directory ($NUVAR_HOME).
#include "common/FunktionenTypen.h"
#include "common/Katalog.h"
#include "common/Text.h"
#include "tests/GuiAnwendung.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

#include <cstring>
#include <functional>
#include <gtest/gtest.h>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace nuvar::test {

// The one widget application of the test program.
inline QApplication& App() { return GuiAnwendung(); }

// A scratch directory that is the configurator's directory while it lives.
struct CfgVerzeichnisFuerTest {
    QTemporaryDir dir;
    QByteArray alt = qgetenv("NUVAR_HOME");
    CfgVerzeichnisFuerTest() { qputenv("NUVAR_HOME", dir.path().toLocal8Bit()); }
    ~CfgVerzeichnisFuerTest() {
        if (alt.isEmpty())
            qunsetenv("NUVAR_HOME");
        else
            qputenv("NUVAR_HOME", alt);
    }
    QString Pfad(const QString& name) const { return dir.filePath(name); }
    void Schreibe(const QString& name, const QByteArray& inhalt) const {
        QFile f(Pfad(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }
    QByteArray Lies(const QString& name) const {
        QFile f(Pfad(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

template <std::size_t N>
void Text(std::array<std::uint8_t, N>& feld, const char* oem) {
    SchreibeTextfeld(std::span<std::uint8_t>(feld.data(), N), OemZuText(QByteArray(oem)));
}

template <std::size_t N>
QByteArray Roh(const std::array<std::uint8_t, N>& a) {
    return QByteArray(reinterpret_cast<const char*>(a.data()), qsizetype(N));
}

inline TKanalEintrag Eintrag(int eingang, int code, const char* bez, const char* einheit = "V", float a = 1,
                             float b = 0, float mn = 0, float mx = 10) {
    TKanalEintrag e;
    e.Kanalnummer = std::uint8_t(eingang);
    e.Sensorcode = std::uint8_t(code);
    Text(e.Bezeichnung, bez);
    Text(e.Einheit, einheit);
    e.a = a;
    e.b = b;
    e.Min = mn;
    e.Max = mx;
    return e;
}

// Station 12 "Mast", hardware types as given, the entries appended.
inline TDATDatei Konfig(std::vector<std::uint8_t> hardware, const std::vector<TKanalEintrag>& kanaele) {
    TDATDatei d;
    TStationsParameter& p = d.Stationsparameter();
    p.Stationsnummer = 12;
    Text(p.Stationsname, "Mast");
    p.Batteriespannung = 12.6f;
    p.Mittelwertintervall = 10;
    p.Messintervall = 10;
    p.Sleepmodus = 0;
    p.Ausgelesen = 1;
    p.FreieTage = 33;
    p.Speichergroesse = 4;
    p.Datensaetze = 144;
    p.GeoLaenge = 1345;
    p.GeoBreite = 5252;
    d.Hardwareliste() = std::move(hardware);
    for (const TKanalEintrag& e : kanaele) d.AddChannel(e);
    return d;
}

// Raw catalogue lines from OEM text.
inline QStringList Zeilen(std::initializer_list<const char*> zeilen) {
    QStringList l;
    for (const char* z : zeilen) l << RoheZeile(QByteArray(z));
    return l;
}

// A small sensor catalogue: temperature (type 1), pressure (type 2), a rain
// counter (type 3) and a sensor of code 0a.
inline QStringList Geber() {
    return Zeilen({"01\tLufttemperatur\tt2m\t\xF8" "C\t0,025\t-40\t-40\t60\t1\tPt100",
                   "03\tLuftdruck\tld\thPa\t18,75\t725\t800\t1100\t2",
                   "06\tNiederschlag\tnied\tmm\t0,1\t0\t0\t100\t3\tWippe",
                   "0a\tKleiner Code\tklein\tx\t1\t0\t0\t1\t1"});
}

inline QStringList Kanal() {
    return Zeilen({"1\t0\t4000\tmV\t0", "2\t4\t20\tmA\t0", "3\t0\t65535\tImp\t1", "5\t5\t5\tV\t0"});
}

// Runs `tu` as soon as the next modal dialog (of type D) is up.
template <class D>
void WennOffen(std::function<void(D*)> tu) {
    auto* t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, [t, tu] {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
            t->stop();
            t->deleteLater();
            // Focus changes reach only the active window.
            d->activateWindow();
            if (!QTest::qWaitForWindowActive(d, 2000)) ADD_FAILURE() << "dialog did not become active";
            tu(d);
        }
    });
    t->start();
}

} // namespace nuvar::test
