#pragma once
// One QApplication per widget test program, ended by a gtest environment
// before the program's static objects: Qt's input devices, which simulated
// mouse events create, must not outlive it (a function-static application
// crashes at exit once they exist).
#include <QApplication>
#include <QByteArray>
#include <functional>
#include <gtest/gtest.h>

namespace nuvar::test {

class GuiAnwendungUmgebung : public testing::Environment {
public:
    void TearDown() override {
        delete app;
        app = nullptr;
    }
    QApplication* app = nullptr;
};

inline GuiAnwendungUmgebung& GuiUmgebung() {
    static GuiAnwendungUmgebung* u =
        static_cast<GuiAnwendungUmgebung*>(testing::AddGlobalTestEnvironment(new GuiAnwendungUmgebung));
    return *u;
}
// Registers the environment while the program starts, before main.
inline GuiAnwendungUmgebung& gGuiUmgebungAngemeldet = GuiUmgebung();

// The application; vorher runs once before it is made (environment variables).
inline QApplication& GuiAnwendung(const std::function<void()>& vorher = {}) {
    static int argc = 1;
    static char name[] = "NUVARKom";
    static char* argv[] = {name, nullptr};
    GuiAnwendungUmgebung& u = GuiUmgebung();
    if (!u.app) {
        if (vorher) vorher();
        u.app = new QApplication(argc, argv);
    }
    return *u.app;
}

} // namespace nuvar::test
