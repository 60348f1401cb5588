#pragma once
// "Parameter bearbeiten": the scaling (a, b) and the limits (Min, Max) of one
// channel entry, with the measuring range that the scaling gives on the
// input's signal range. The rules live in TParameterRechnung; this window
// shows its texts and hands it the user's edits.
#include "cfg/ParameterRechnung.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nuvar {

class TKennlinie;

class TParameterForm : public QDialog {
    Q_OBJECT
public:
    explicit TParameterForm(QWidget* parent = nullptr);

    // Shows the dialog for `eintrag` on an input of `kanaltyp`. True when the
    // user confirmed with OK; the entry then holds the new values, otherwise
    // it is unchanged.
    bool ParameterBearbeiten(const QStringList& geberZeilen, const QStringList& kanalZeilen, TKanalEintrag& eintrag,
                             std::uint8_t kanaltyp);

    TParameterRechnung& Rechnung() { return r_; }

    QLabel *SensorLabel = nullptr, *KanalTypLabel = nullptr, *MBGrenzenLabel = nullptr, *ZaehlerLabel = nullptr;
    QLabel *OGrenzeLabel = nullptr, *UGrenzeLabel = nullptr, *HinweisLabel = nullptr;
    QLabel* EinheitLabel[4] = {};
    QLineEdit *OGrenzeEdit = nullptr, *MaxEdit = nullptr, *MinEdit = nullptr, *UGrenzeEdit = nullptr;
    QLineEdit *aEdit = nullptr, *bEdit = nullptr;
    QPushButton *OKButton = nullptr, *AbbrechenButton = nullptr;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    // The fields' texts into the rules, a rule, and its result back.
    void Fuehre(void (TParameterRechnung::*regel)());
    void Zeige();
    void Lies();
    void OKClick();

    TParameterRechnung r_;
    TKennlinie* bild_ = nullptr;
    bool zeigt_ = false;
};

} // namespace nuvar
