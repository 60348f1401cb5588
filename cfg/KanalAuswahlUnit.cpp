#include "cfg/KanalAuswahlUnit.h"

#include "cfg/Konfiguration.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace nuvar {

TKanalAuswahlForm::TKanalAuswahlForm(QWidget* parent) : TListenauswahl(QStringLiteral("Kanal auswählen"), parent) {
    Label1 = new QLabel(QStringLiteral("Freie Kanäle:"), this);
    Anordnung->insertWidget(0, Label1);
    resize(240, 320);
}

bool TKanalAuswahlForm::KanalAuswaehlen(const TGeberINIZeile& sensor, const THardwareListeNeu& kopie, int& eingang) {
    ListBox1->clear();
    for (int j : FreieEingaenge(sensor.Kanaltyp, kopie)) ListBox1->addItem(QString::number(j));
    const std::optional<QString> gewaehlt = Waehle();
    if (!gewaehlt) return false;
    eingang = gewaehlt->toInt();
    return true;
}

} // namespace nuvar
