#include "kom/protocol/AtTelefonie.h"

namespace nuvar {

TAtTelefonie::TAtTelefonie(EventPump& pump, const QString& iniPfad, AtModem::DeviceFactory fabrik)
    : ini_(iniPfad), modem_(std::make_unique<AtModem>(pump, ini_, std::move(fabrik))) {
    modem_->OnStatus = [this](std::uint32_t m, std::uint32_t z, std::uint32_t mo) {
        if (OnStatus) OnStatus(m, z, mo);
    };
    modem_->OnConnect = [this] {
        if (OnConnect) OnConnect();
    };
    modem_->OnFail = [this] {
        if (OnFail) OnFail();
    };
}

} // namespace nuvar
