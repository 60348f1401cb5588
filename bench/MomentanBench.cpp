// The instantaneous-values window's work per received line: the recording
// file is read, trimmed, written whole and its lines parsed again for the
// chart, at every line. Measured for the recording periods the settings
// allow (1 to 60 minutes) at a measuring interval of 10 s and of 1 s, each
// with a file already at its line limit and 10 channels. Prints one line per
// case:
//   zeitraum=<min> intervall=<s> zeilen=<lines> bytes=<file size> ms_je_zeile=<mean>
#include "common/Meldungen.h"
#include "kom/app/MomWndModell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>

using namespace nuvar;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TSkriptMeldungen meldungen;
    for (const int intervall : {10, 1}) {
        for (const int zeitraum : {1, 10, 60}) {
            QTemporaryDir dir;
            TStationsParameter st;
            st.Messintervall = std::int16_t(intervall);
            st.Kanalanzahl = 10;
            TKanalTabelle k{};
            for (int i = 0; i < 10; ++i) {
                k[std::size_t(i)].Bezeichnung[0] = std::uint8_t('a' + i);
                k[std::size_t(i)].Einheit[0] = 'u';
            }
            TMomentanwertModell m;
            m.SetzeStation(st, k);
            m.MeldungenDienst = &meldungen;
            TMomentanwertOptionen o;
            o.Dateiname = dir.filePath("momBENCH.log");
            o.Zeitraum = zeitraum;
            m.SetzeOptionen(o);
            // A file at its limit, as after a full period of readings.
            QByteArray b = m.Kopfzeile().toUtf8() + "\r\n";
            for (qint64 i = 1; i < m.Zeilengrenze(); ++i)
                b += "01.03.2026\t10:00:00\t4,7\t64,3\t1002,6\t271,5\t3,6\t0,0\t6,1\t4,1\t13,2\t550,4\t\r\n";
            QFile f(o.Dateiname);
            if (!f.open(QIODevice::WriteOnly) || f.write(b) != b.size()) return 1;
            f.close();
            const int runden = 20;
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < runden; ++i)
                m.Zeile(QStringLiteral("2603011200%1;    4.7;   64.3; 1002.6;  271.5;    3.6;    0.0;    6.1;    4.1;   13.2;  550.4;")
                            .arg(i % 60, 2, 10, QLatin1Char('0')));
            std::printf("zeitraum=%d intervall=%d zeilen=%lld bytes=%lld ms_je_zeile=%.1f\n", zeitraum, intervall,
                        static_cast<long long>(m.Zeilen().size()), static_cast<long long>(QFile(o.Dateiname).size()),
                        double(t.elapsed()) / runden);
        }
    }
    return meldungen.gezeigt.empty() ? 0 : 1;
}
