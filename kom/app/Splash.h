#pragma once
// The start-up splash: borderless, on top, centred on the desktop, with the
// application title, the version text and the module name.
#include <QWidget>

class QLabel;

namespace nuvar {

class TSplashFenster : public QWidget {
    Q_OBJECT
public:
    TSplashFenster(const QString& titel, const QString& version, const QString& modul, QWidget* parent = nullptr);
    QLabel* TitelLabel = nullptr;
    QLabel* VersionLabel = nullptr;
    QLabel* ModulLabel = nullptr;
};

} // namespace nuvar
