#include "platform/PortMap.h"

#include "common/Ini.h"

namespace nuvar {

QString PortMap::DefaultPath(int com) {
    if (com < 1) return {};
    return QStringLiteral("/dev/ttyS%1").arg(com - 1);
}

QString PortMap::DevicePath(int com) const {
    if (com < 1) return {};
    const QString value = ini_.ReadString(QStringLiteral("Schnittstellen"), QStringLiteral("COM%1").arg(com), {});
    if (value.isEmpty()) return DefaultPath(com);
    if (!value.contains(QLatin1Char('/'))) return QStringLiteral("/dev/") + value;
    return value;
}

SerialDevice::Resolver PortMap::Resolver() const {
    return [this](int n) { return DevicePath(n); };
}

} // namespace nuvar
