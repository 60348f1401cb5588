// Unattended runs: box texts go to the stream and, while the protocol is on,
// to the protocol file; every question is answered No.
#include "kom/app/Unbeaufsichtigt.h"

#include "common/Ini.h"
#include "kom/protocol/Treiber.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

using namespace nuvar;

namespace {

QByteArray Lies(std::FILE* f) {
    std::rewind(f);
    QByteArray b;
    char puffer[512];
    std::size_t n;
    while ((n = std::fread(puffer, 1, sizeof puffer, f)) > 0) b.append(puffer, qsizetype(n));
    return b;
}

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(Unbeaufsichtigt, SettingDefaultsToOff) {
    QTemporaryDir dir;
    EXPECT_FALSE(Unbeaufsichtigt(dir.path()));
    TIniFile ini(dir.filePath("NUVARWin.ini"));
    ini.WriteString("NUVARKom", "Unbeaufsichtigt", "ja");  // no integer: the default
    EXPECT_FALSE(Unbeaufsichtigt(dir.path()));
    ini.WriteInteger("nuvarkom", "Unbeaufsichtigt", 1);
    EXPECT_TRUE(Unbeaufsichtigt(dir.path()));
}

TEST(Unbeaufsichtigt, BoxesGoToTheStreamAndTheProtocolFile) {
    QTemporaryDir dir;
    Umgebung() = TFensterUmgebung{};
    Umgebung().verzeichnis = dir.path();
    const QString log = dir.filePath("NUVARKom.log");
    TIniFile ini(dir.filePath("NUVARWin.ini"));
    std::FILE* strom = std::tmpfile();
    ASSERT_NE(strom, nullptr);
    TUnbeaufsichtigterDienst dienst(dir.path(), strom);

    // Protocol off: the stream only.
    EXPECT_FALSE(dienst.Frage("Soll der Datenspeicher\ngelöscht werden?"));
    EXPECT_FALSE(QFile::exists(log));

    ini.WriteBool("NUVARKom", "SchreibeLogDatei", true);
    dienst.Fehler("Keine Antwort");
    dienst.FehlerKurz("Stationsnummer falsch");
    EXPECT_FALSE(dienst.Frage("Löschen?"));
    dienst.Information("SendeZeit");
    const QByteArray text = Lies(strom);
    std::fclose(strom);
    EXPECT_EQ(text, QString("NUVARKom: Soll der Datenspeicher gelöscht werden? - Antwort: Nein (unbeaufsichtigt)\n"
                            "NUVARKom: Keine Antwort\n"
                            "NUVARKom: Stationsnummer falsch\nNUVARKom: Löschen? - Antwort: Nein (unbeaufsichtigt)\n"
                            "NUVARKom: SendeZeit\n")
                        .toLocal8Bit());
    const QList<QByteArray> zeilen = Inhalt(log).split('\n');
    ASSERT_EQ(zeilen.size(), 5);  // four lines and the empty rest after the last CR LF
    EXPECT_TRUE(zeilen[0].endsWith(" - Keine Antwort\r"));
    EXPECT_TRUE(zeilen[3].endsWith(" - SendeZeit\r"));

    // The line limit of the settings holds for these lines too.
    ini.WriteInteger("NUVARKom", "ProtokollLaenge", 2);
    TUnbeaufsichtigterDienst stumm(dir.path(), nullptr);
    stumm.Information("Letzte");
    const QList<QByteArray> gekuerzt = Inhalt(log).split('\n');
    ASSERT_EQ(gekuerzt.size(), 3);  // four lines cut to the limit: the newest one and the new one
    EXPECT_TRUE(gekuerzt[0].endsWith(" - SendeZeit\r"));
    EXPECT_TRUE(gekuerzt[1].endsWith(" - Letzte\r"));
    Umgebung() = TFensterUmgebung{};
}

TEST(Unbeaufsichtigt, BoxesJoinTheOpenWindowsProtocol) {
    QTemporaryDir dir;
    Umgebung() = TFensterUmgebung{};
    Umgebung().verzeichnis = dir.path();
    TIniFile ini(dir.filePath("NUVARWin.ini"));
    ini.WriteBool("NUVARKom", "SchreibeLogDatei", true);
    TransferWindow() = std::make_unique<TNUVARFenster>(Umgebung());
    TransferWindow()->Show();  // starts the protocol (without appending: empty)
    TUnbeaufsichtigterDienst dienst(dir.path(), nullptr);
    dienst.Fehler("Mitten im Lauf");
    TransferWindow()->StatusLine("Danach");
    TransferWindow().reset();
    const QList<QByteArray> zeilen = Inhalt(dir.filePath("NUVARKom.log")).split('\n');
    ASSERT_EQ(zeilen.size(), 5);
    EXPECT_TRUE(zeilen[0].endsWith(" - *** Protokolldatei geoeffnet ***\r"));
    EXPECT_TRUE(zeilen[1].endsWith(" - Mitten im Lauf\r"));
    EXPECT_TRUE(zeilen[2].endsWith(" - Danach\r"));
    EXPECT_TRUE(zeilen[3].endsWith(" - *** Protokolldatei geschlossen ***\r"));
    Umgebung() = TFensterUmgebung{};
}
