#include "cfg/Schnittstellen.h"

#include "common/Ini.h"
#include "platform/PortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>
#include <set>

namespace nuvar {

namespace {

const QString kAbschnitt = QStringLiteral("Schnittstellen");

// The configurator hands NUVARKom a port as the 8-bit Schnittstelle = n - 1,
// so COM1 to COM256 are the names it can pass on.
constexpr int kHoechsteCom = 256;

// COM numbers the port map names, in file order.
std::vector<int> Eingetragen(const TIniFile& ini) {
    static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"), QRegularExpression::CaseInsensitiveOption);
    std::vector<int> n;
    for (const QString& key : ini.ReadSection(kAbschnitt)) {
        const auto m = com.match(key);
        if (!m.hasMatch()) continue;
        const int k = m.captured(1).toInt();
        // A larger number would wrap to another port in Schnittstelle.
        if (k >= 1 && k <= kHoechsteCom && std::find(n.begin(), n.end(), k) == n.end()) n.push_back(k);
    }
    return n;
}

QString Echt(const QString& pfad) {
    const QString c = QFileInfo(pfad).canonicalFilePath();
    return c.isEmpty() ? pfad : c;
}

void Sortiere(std::vector<TPortEintrag>& liste) {
    std::stable_sort(liste.begin(), liste.end(), [](const TPortEintrag& a, const TPortEintrag& b) { return a.Com < b.Com; });
}

std::vector<TPortEintrag> AusDerKarte(const TIniFile& ini, const std::vector<int>& nummern) {
    const PortMap karte(ini);
    std::vector<TPortEintrag> liste;
    for (int n : nummern) {
        const QString geraet = karte.DevicePath(n);
        if (QFileInfo::exists(geraet)) liste.push_back({n, geraet, false});
    }
    return liste;
}

} // namespace

QString TPortEintrag::Anzeige() const {
    QString s = QStringLiteral("COM%1  (%2)").arg(Com).arg(Geraet);
    if (Neu) s += QStringLiteral(" - neu");
    return s;
}

TPortSuche TPortSuche::System() {
    TPortSuche s;
    s.Geraete = [] {
        QStringList pfade;
        for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts()) pfade << p.systemLocation();
        return pfade;
    };
    return s;
}

std::vector<TPortEintrag> SerielleSchnittstellen(const TIniFile& ini, const TPortSuche& suche) {
    const std::vector<int> nummern = Eingetragen(ini);
    std::vector<TPortEintrag> liste = AusDerKarte(ini, nummern);
    std::set<int> belegt(nummern.begin(), nummern.end());

    static const QRegularExpression ttyS(QStringLiteral("^/dev/ttyS([0-9]+)$"));
    const QStringList geraete = suche.Geraete ? suche.Geraete() : QStringList();
    std::vector<QString> ohneName;  // devices no COM name reaches yet
    for (const QString& g : geraete) {
        const auto m = ttyS.match(g);
        if (m.hasMatch()) {
            const int n = m.captured(1).toInt() + 1;
            if (n <= kHoechsteCom && !belegt.count(n)) {
                liste.push_back({n, g, false});
                belegt.insert(n);
            }
        } else {
            ohneName.push_back(g);
        }
    }

    // The stable names of USB adapters take the place of their kernel names.
    std::vector<QString> kandidaten;
    const QDir byId(suche.ByIdVerzeichnis);
    std::set<QString> vertreten;
    for (const QString& name : byId.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString link = byId.filePath(name);
        if (!QFileInfo::exists(link)) continue;
        kandidaten.push_back(link);
        vertreten.insert(Echt(link));
    }
    for (const QString& g : ohneName)
        if (!vertreten.count(Echt(g))) kandidaten.push_back(g);

    std::set<QString> erreicht;
    for (const TPortEintrag& e : liste) erreicht.insert(Echt(e.Geraet));
    int frei = 1;
    for (const QString& k : kandidaten) {
        const QString echt = Echt(k);
        if (erreicht.count(echt)) continue;
        erreicht.insert(echt);
        while (belegt.count(frei)) ++frei;
        if (frei > kHoechsteCom) break;  // no COM name left to give
        liste.push_back({frei, k, true});
        belegt.insert(frei);
    }
    Sortiere(liste);
    return liste;
}

std::vector<TPortEintrag> NetzSchnittstellen(const TIniFile& ini) {
    std::vector<TPortEintrag> liste = AusDerKarte(ini, Eingetragen(ini));
    Sortiere(liste);
    return liste;
}

QString TrageEin(TIniFile& ini, const TPortEintrag& e) {
    ini.WriteString(kAbschnitt, QStringLiteral("COM%1").arg(e.Com), e.Geraet);
    return QStringLiteral("%1 hat noch keinen COM-Namen. Es wurde als COM%2 in %3 eingetragen.")
        .arg(e.Geraet)
        .arg(e.Com)
        .arg(QDir::toNativeSeparators(ini.FileName()));
}

} // namespace nuvar
