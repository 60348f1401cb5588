#pragma once
// The program settings dialog "Programmeinstellungen" with its pages
// "Allgemein", "Modem" and "Momentanwertmodus", in a short form (without the
// raw data path) and a long form, and the modem properties dialog. The rules
// (what is enabled, what OK hands back) live in TOptionenModell, which needs
// no window.
#include "kom/protocol/NUVARWnd.h"
#include "kom/protocol/Optionen.h"
#include "kom/protocol/Telefonie.h"

#include <QByteArray>
#include <QDialog>
#include <QStringList>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace nuvar {

extern const char* const kKeinModemInstalliert;  // "<Kein Modem im System installiert>"

class TOptionenModell {
public:
    // modems: the names of the telephony devices (may be empty).
    TOptionenModell(const TEinstellungen& werte, bool langeForm, const QStringList& modems);

    TEinstellungen Werte;
    bool LangeForm = false;
    // What the drop-down shows: the device names, or only the "no modem" text.
    QStringList Modemliste;
    int ModemIndex = 0;

    bool ModemVorhanden() const { return vorhanden_; }
    bool ProtokollFelderAktiv() const { return Werte.SchreibeLogDatei; }
    bool MomentanFelderAktiv() const { return Werte.MomentanwerteAufzeichnen; }
    // The name OK hands back: the list's text, empty for the "no modem" text.
    QString Modemname() const;
    // The values OK hands back; the raw data path only in the long form
    // (the short form keeps the value read).
    TEinstellungen Ergebnis() const;

private:
    bool vorhanden_ = false;
    QString rohdatenGelesen_;
};

class TOptionenDialog : public QDialog {
    Q_OBJECT
public:
    // werte: as read from NUVARWin.ini, TAPIModem the current modem name.
    // telefonie (may be empty) lists the modems and serves "&Eigenschaften".
    // mdmPfad: the stored configuration block, loaded into the device of the
    // current modem first so that it is what the properties show and what
    // OK writes back.
    TOptionenDialog(const TEinstellungen& werte, bool langeForm, TTelefonie* telefonie, const QString& mdmPfad,
                    QWidget* parent = nullptr);

    TOptionenModell& Modell() { return modell_; }
    // The values of the controls as OK takes them.
    TEinstellungen Ergebnis();

    // Edits a modem configuration block; by default the properties dialog.
    std::function<bool(QByteArray& block, QWidget* parent)> BlockBearbeiten;

    QTabWidget* Seiten = nullptr;
    QCheckBox* ProtokollCheck = nullptr;
    QCheckBox* AnhaengenCheck = nullptr;
    QLabel* LaengeLabel = nullptr;
    QSpinBox* LaengeEdit = nullptr;
    QLabel* ZeilenLabel = nullptr;
    QLabel* RohdatenLabel = nullptr;
    QLineEdit* RohdatenEdit = nullptr;
    QToolButton* RohdatenButton = nullptr;
    QLabel* ModemText = nullptr;
    QComboBox* ModemCombo = nullptr;
    QPushButton* EigenschaftenButton = nullptr;
    QCheckBox* MomentanCheck = nullptr;
    QLabel* VerzeichnisLabel = nullptr;
    QLineEdit* VerzeichnisEdit = nullptr;
    QToolButton* VerzeichnisButton = nullptr;
    QLabel* ZeitraumLabel = nullptr;
    QSpinBox* ZeitraumEdit = nullptr;
    QLabel* MinLabel = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* AbbrechenButton = nullptr;

public slots:
    void ProtokollCheckClick();
    void MomentanCheckClick();
    void EigenschaftenClick();

private:
    void Uebernehmen();  // controls -> model

    TOptionenModell modell_;
    TTelefonie* telefonie_;
};

// The modem's configuration block (initialisation string, dialling mode,
// speed) in a dialog of its own.
class TModemEigenschaftenDialog : public QDialog {
    Q_OBJECT
public:
    explicit TModemEigenschaftenDialog(const QByteArray& block, QWidget* parent = nullptr);
    QByteArray Block() const;

    QLineEdit* InitEdit = nullptr;
    QComboBox* WahlCombo = nullptr;    // "Tonwahl", "Pulswahl"
    QComboBox* TempoCombo = nullptr;   // bits per second, editable
    QPushButton* OkButton = nullptr;
};

// The transfer window's settings hook on these dialogs: runs the dialog
// modally and hands back the values on OK.
TEinstellungsDialog EinstellungsDialog();

} // namespace nuvar
