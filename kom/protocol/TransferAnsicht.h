#pragma once
// The visible parts of the transfer window. The Qt dialog implements this;
// unattended runs use the null view and tests the recording view.
#include <QString>
#include <QStringList>
#include <functional>

namespace nuvar {

// The status memo keeps this many of the newest lines: a window kept for a
// link or an instantaneous mode may live for months. (The protocol file
// keeps its own limit.)
constexpr int kStatusMemoZeilen = 1000;

class TTransferAnsicht {
public:
    virtual ~TTransferAnsicht() = default;
    // StatusRxLabel1: the title of the running operation.
    virtual void SetzeTitel(const QString& text) = 0;
    // StationsLabel1, VerbindungLabel1, RufnummerLabel1 (enabled or not).
    virtual void SetzeVerbindung(const QString& station, const QString& verbindung,
                                 const QString& rufnummer, bool rufnummerAktiv) = 0;
    // A new line in StatusMemo1.
    virtual void StatusZeile(const QString& text) = 0;
    // Gauge1.
    virtual void SetzeGauge(int maximum, int fortschritt) = 0;
    // ReceiveCharStatus1: red while bytes arrive, green otherwise.
    virtual void SetzeEmpfang(bool rot) = 0;
    virtual void Zeigen() = 0;
    virtual void Verbergen() = 0;

    // "&Abbrechen": set by the window, called by the view.
    std::function<void()> Abbrechen;
};

class TNullAnsicht : public TTransferAnsicht {
public:
    void SetzeTitel(const QString&) override {}
    void SetzeVerbindung(const QString&, const QString&, const QString&, bool) override {}
    void StatusZeile(const QString&) override {}
    void SetzeGauge(int, int) override {}
    void SetzeEmpfang(bool) override {}
    void Zeigen() override {}
    void Verbergen() override {}
};

// Keeps what a window showed, for tests and support dumps.
class TAufzeichnendeAnsicht : public TTransferAnsicht {
public:
    void SetzeTitel(const QString& text) override { titel = text; }
    void SetzeVerbindung(const QString& s, const QString& v, const QString& r, bool aktiv) override {
        station = s;
        verbindung = v;
        rufnummer = r;
        rufnummerAktiv = aktiv;
    }
    void StatusZeile(const QString& text) override { zeilen << text; }
    void SetzeGauge(int maximum, int fortschritt) override {
        gaugeMax = maximum;
        gauge = fortschritt;
    }
    void SetzeEmpfang(bool rot) override { empfangRot = rot; }
    void Zeigen() override { sichtbar = true; }
    void Verbergen() override { sichtbar = false; }

    QString titel = QStringLiteral("NUVARKom V2.0 dev");
    QString station, verbindung, rufnummer;
    bool rufnummerAktiv = false;
    QStringList zeilen;
    int gaugeMax = 100, gauge = 0;
    bool empfangRot = false;
    bool sichtbar = false;
};

} // namespace nuvar
