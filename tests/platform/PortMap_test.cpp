#include "platform/PortMap.h"

#include "common/Ini.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace nuvar;

TEST(PortMap, ComNumbersMapThroughTheIniOrToTtyS) {
    QTemporaryDir dir;
    const QString name = dir.filePath("NUVARWin.ini");
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[NUVARKom]\r\nCOM4=/dev/wrong\r\n"
            "[schnittstellen]\r\n"
            "COM1=/dev/ttyUSB0\r\n"
            "com2 = /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\r\n"
            "COM3=\"/tmp/nuvarsim pty\"\r\n"
            "COM5=ttyACM0\r\n"
            "COM6=\r\n");
    f.close();
    TIniFile ini(name);
    PortMap map(ini);

    struct Case { int com; const char* path; };
    for (Case c : {Case{1, "/dev/ttyUSB0"},
                   Case{2, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"},
                   Case{3, "/tmp/nuvarsim pty"},
                   Case{4, "/dev/ttyS3"},  // the key in another section does not count
                   Case{5, "/dev/ttyACM0"},
                   Case{6, "/dev/ttyS5"},  // empty value: the default
                   Case{12, "/dev/ttyS11"},
                   Case{0, ""},
                   Case{-1, ""}})
        EXPECT_EQ(map.DevicePath(c.com), QString::fromUtf8(c.path)) << c.com;

    SerialDevice dev;
    dev.setResolver(map.Resolver());
    dev.setPortNumber(1);
    EXPECT_EQ(dev.path(), QStringLiteral("/dev/ttyUSB0"));
    SerialDevice plain;
    plain.setPortNumber(2);
    EXPECT_EQ(plain.path(), QStringLiteral("/dev/ttyS1"));
}
