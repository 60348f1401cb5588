#include "common/gui/Splash.h"

#include "common/gui/Bilder.h"

#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace nuvar {

TSplashFenster::TSplashFenster(const QString& titel, const QString& version, const QString& modul, QWidget* parent,
                               const QString& bild)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    auto* rahmen = new QFrame(this);
    rahmen->setFrameStyle(QFrame::Box | QFrame::Raised);
    rahmen->setLineWidth(2);
    auto* aussen = new QVBoxLayout(this);
    aussen->setContentsMargins(0, 0, 0, 0);
    aussen->addWidget(rahmen);
    auto* l = new QVBoxLayout(rahmen);
    l->setContentsMargins(24, 18, 24, 18);
    auto* bildLabel = new QLabel(rahmen);
    bildLabel->setPixmap(
        SvgBild(bild.isEmpty() ? QStringLiteral(":/common/bilder/messprogramme.svg") : bild, QSize(48, 48)));
    bildLabel->setAlignment(Qt::AlignCenter);
    l->addWidget(bildLabel);
    TitelLabel = new QLabel(titel, rahmen);
    QFont f = TitelLabel->font();
    f.setPointSizeF(f.pointSizeF() * 2.0);
    f.setBold(true);
    TitelLabel->setFont(f);
    VersionLabel = new QLabel(version, rahmen);
    ModulLabel = new QLabel(modul, rahmen);
    for (QLabel* x : {TitelLabel, VersionLabel, ModulLabel}) {
        x->setAlignment(Qt::AlignCenter);
        l->addWidget(x);
    }
    setFixedSize(340, 200);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
}

void TSplashFenster::ZeigeSofort() {
    gezeigt_.start();
    show();
    raise();
    repaint();
    QApplication::processEvents();
}

void TSplashFenster::ZeigeFuer(int ms) {
    ZeigeSofort();
    Halte(ms);
    hide();
}

void TSplashFenster::Halte(int ms) {
    QEventLoop warten;
    QTimer::singleShot(ms, Qt::PreciseTimer, &warten, &QEventLoop::quit);
    warten.exec();
}

void TSplashFenster::HalteSeitAnzeige(int ms) {
    const qint64 rest = gezeigt_.isValid() ? ms - gezeigt_.elapsed() : ms;
    if (rest > 0)
        Halte(int(rest));
    else
        QApplication::processEvents();
}

} // namespace nuvar
