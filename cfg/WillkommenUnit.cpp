#include "cfg/WillkommenUnit.h"

#include "cfg/Fensterart.h"
#include "common/Benutzeraktion.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvar {

TWillkommenForm::TWillkommenForm(QWidget* parent) : QDialog(parent, kDialogFenster) {
    setWindowTitle(QStringLiteral("Willkommen"));
    TitelLabel = new QLabel(QStringLiteral("Willkommen bei NUVARCfg"), this);
    QFont f = TitelLabel->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    TitelLabel->setFont(f);

    auto* g = new QGridLayout;
    g->setHorizontalSpacing(14);
    const auto knopf = [&](int zeile, const char* bild, const char* text, int code) {
        auto* b = new QPushButton(this);
        b->setIcon(QIcon(QString::fromUtf8(bild)));
        b->setIconSize(QSize(40, 40));
        b->setFixedSize(60, 56);
        b->setAutoDefault(false);
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(b);
        g->addWidget(b, zeile, 0);
        g->addWidget(l, zeile, 1);
        connect(b, &QPushButton::clicked, this, Aktionsschutz([this, code] {
                    Ergebnis = code;
                    done(QDialog::Accepted);
                }));
        return b;
    };
    OnlineButton = knopf(0, ":/cfg/vom_logger.svg", "Loggerkonfiguration online", kOnline);
    MessprogrammButton = knopf(1, ":/cfg/messprogramm.svg", "Konfiguration aus Messprogramm laden", kMessprogramm);
    DateiButton = knopf(2, ":/cfg/datei_laden.svg", "Konfigurationsdatei bearbeiten", kDatei);
    g->setColumnStretch(1, 1);

    BeendenButton = new QPushButton(QStringLiteral("&Beenden"), this);
    BeendenButton->setAutoDefault(false);
    connect(BeendenButton, &QPushButton::clicked, this, Aktionsschutz([this] {
                Ergebnis = kBeenden;
                BeendenGedrueckt = true;
                done(QDialog::Accepted);
            }));
    auto* unten = new QHBoxLayout;
    unten->addStretch();
    unten->addWidget(BeendenButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 14);
    layout->addWidget(TitelLabel);
    layout->addSpacing(10);
    layout->addLayout(g);
    layout->addSpacing(10);
    layout->addLayout(unten);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TWillkommenForm::Ausfuehren() {
    Ergebnis = kBeenden;  // closing the window any other way
    BeendenGedrueckt = false;
    exec();
    return Ergebnis;
}

} // namespace nuvar
