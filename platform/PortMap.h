#pragma once
// Port numbers to devices: NUVARWin.ini, section "Schnittstellen", key
// "COM<n>" names the device of COM<n>, e.g. COM1=/dev/ttyUSB0, a
// /dev/serial/by-id/... link, or a simulator's pty or symlink. A bare name
// ("ttyUSB0") means the device of that name under /dev. Without the key,
// COM<n> is /dev/ttyS<n-1>. The file is read at each lookup, so an edit
// applies at the next open.
#include "platform/SerialDevice.h"

#include <QString>

namespace nuvar {

class TIniFile;

class PortMap {
public:
    // The ini file must outlive the map.
    explicit PortMap(const TIniFile& ini) : ini_(ini) {}

    // Empty for a number below 1.
    QString DevicePath(int com) const;
    static QString DefaultPath(int com);
    // For SerialDevice::setResolver (captures this map).
    SerialDevice::Resolver Resolver() const;

private:
    const TIniFile& ini_;
};

} // namespace nuvar
