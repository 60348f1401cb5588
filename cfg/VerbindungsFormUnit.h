#pragma once
// "Mit Logger vebinden": connection kind, port, baud rate and telephone number
// of one transfer. The ports are the COM names NUVARKom's port map resolves
// (see Schnittstellen.h), so the port chosen here is the port NUVARKom opens.
#include "cfg/Schnittstellen.h"
#include "cfg/Transfer.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nuvar {

class TDirektForm : public QDialog {
    Q_OBJECT
public:
    // nuvarwinIni: NUVARKom's settings with the port map.
    TDirektForm(const QString& nuvarwinIni, TPortSuche suche, QWidget* parent = nullptr);

    // Fills the port list and shows the dialog: 1 after "&Verbinden", else 0.
    int Ausfuehren();
    // The values stored by "&Verbinden".
    const TVerbindung& Verbindung() const { return verbindung_; }
    // The entries of the port list, in its order.
    const std::vector<TPortEintrag>& Ports() const { return ports_; }

    QComboBox* VerbindungCombo = nullptr;
    QComboBox* PortCombo = nullptr;
    QComboBox* BaudCombo = nullptr;
    QLineEdit* RufnummerEdit = nullptr;
    QLabel* PortLabel = nullptr;
    QLabel* RufnummerLabel = nullptr;
    QPushButton* VerbindenButton = nullptr;
    QPushButton* AbbrechenButton = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FuellePorts(bool netz);
    void VerbindungGeaendert(int art);
    void VerbindenClick();

    QString nuvarwinIni_;
    TPortSuche suche_;
    std::vector<TPortEintrag> ports_;
    TVerbindung verbindung_;
};

} // namespace nuvar
