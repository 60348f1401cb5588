#pragma once
// The transfer window's telephony device on the Hayes AT-command modem of
// the platform, with the modems named in NUVARWin.ini.
#include "common/Ini.h"
#include "kom/protocol/Telefonie.h"
#include "platform/AtModem.h"

#include <memory>

namespace nuvar {

class TAtTelefonie : public TTelefonie {
public:
    TAtTelefonie(EventPump& pump, const QString& iniPfad, AtModem::DeviceFactory fabrik = {});
    QStringList Geraetenamen() const override { return modem_->Geraetenamen(); }
    void WaehleGeraet(const QString& name) override { modem_->WaehleGeraet(name); }
    QString Geraetename() const override { return modem_->Geraetename(); }
    QByteArray Konfiguration() const override { return modem_->Konfiguration(); }
    void SetzeKonfiguration(const QByteArray& block) override { modem_->SetzeKonfiguration(block); }
    void Waehlen(const QString& nummer) override { modem_->Waehlen(nummer); }
    QString GewaehlteNummer() const override { return modem_->GewaehlteNummer(); }
    bool Verbunden() const override { return modem_->Verbunden(); }
    int Verbindungsrate() const override { return modem_->Verbindungsrate(); }
    void Abbrechen() override { modem_->Abbrechen(); }
    ByteSource* Leitung() override { return &modem_->Leitung(); }
    void SetTrace(WireTrace* trace) override { modem_->SetTrace(trace); }
    AtModem& Modem() { return *modem_; }

private:
    TIniFile ini_;
    std::unique_ptr<AtModem> modem_;
};

} // namespace nuvar
