#pragma once
// The configurator's main window: the channel table, the channel details and
// the station parameters of one configuration, with its commands (read from
// a logger or a measurement programme, load, save and export, send, add,
// delete and edit sensors). The state and rules are TNuvarCfgModell; this
// window shows them and hands it the user's edits.
#include "cfg/Konfiguration.h"
#include "cfg/Schnittstellen.h"
#include "cfg/Transfer.h"
#include "common/gui/InfoDialog.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolBar;

namespace nuvar {

class TKanalAuswahlForm;
class TKanalTabelle;
class TKanalTabellenModell;
class TMesswertAuswahlForm;
class TOptionenForm;
class TParameterForm;
class TWillkommenForm;

// Title, version text and module of the about dialog and the splash.
TProgrammInfo NuvarCfgInfo();

class TNuvarCfgForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TNuvarCfgForm(QWidget* parent = nullptr);
    ~TNuvarCfgForm() override;

    // The start after the window exists: the running marker, column titles
    // and widths from config.ini, the two catalogues (false, after the
    // message, when one is missing: the program ends), an empty
    // configuration, the window shown.
    bool Starte();
    // Offers the welcome dialog until a configuration is obtained or the user
    // quits (then the window closes).
    void Willkommensschleife();

    TNuvarCfgModell& Modell() { return m_; }

    // ---- what tests replace
    // Open dialog -> file or empty.
    std::function<QString()> OeffnenDialog;
    // Save dialog with the proposed name -> file (empty: cancelled) and the
    // filter chosen (1 parameter file, 2 text).
    struct TSpeicherWahl {
        QString Datei;
        int Filter = 1;
    };
    std::function<TSpeicherWahl(const QString& vorschlag)> SpeichernDialog;
    // The close query: Yes, No or Cancel.
    enum class Antwort { Ja, Nein, Abbrechen };
    std::function<Antwort(const QString& frage)> DreiWegeFrage;
    // How a transfer starts NUVARKom: the wait window.
    TStarter Starter;
    // Where the connection dialog looks for serial devices.
    TPortSuche PortSuche;

    // ---- commands
    void KonfigurationdirektvonLoggerladen1Click();
    void KonfigurationvonLoggerladen1Click();
    void Loggerkonfigurationladen1Click();
    void KonfigurationdirektzuLoggerbertragen1Click();
    void SpeichernClick();
    void Beenden1Click();
    void Optionen1Click();
    void NeuerMesswertClick();
    void MesswertausClick();
    void BearbeitenButtonClick();
    void Info1Click();
    void KanalTabelleRowMoved(int von, int nach);  // grid rows, from 1

    void KonfigurationAnzeigen();
    void KanalTabelleClick();
    void BezeichnungEditExit();
    // The export of what the window shows now.
    TExportTexte ExportTexte() const;

    // The selected grid row (1 = first entry).
    int Zeile() const;
    void WaehleZeile(int zeile);

    // ---- controls (the names of their roles)
    TKanalTabelle* KanalTabelle = nullptr;
    TKanalTabellenModell* Tabellenmodell = nullptr;
    QGroupBox* KanalGruppe = nullptr;
    QGroupBox* StationGruppe = nullptr;
    QLabel *SensorLabel = nullptr, *KanalNummerLabel = nullptr, *aLabel = nullptr, *bLabel = nullptr;
    QLabel *minLabel = nullptr, *maxLabel = nullptr, *KanaltypLabel = nullptr;
    QLineEdit *BezeichnungEdit = nullptr, *EinheitEdit = nullptr;
    QPushButton* BearbeitenButton = nullptr;
    QLabel *NummerLabel = nullptr, *BatterieLabel = nullptr, *MCLabel = nullptr, *FreieTageLabel = nullptr;
    QLabel *SpeicherLabel = nullptr, *DatenLabel = nullptr;
    QLineEdit* NameEdit = nullptr;
    QComboBox *MittelwertCombo = nullptr, *MessCombo = nullptr, *SleepCombo = nullptr;
    QLineEdit *LaengeMaskEdit = nullptr, *BreiteMaskEdit = nullptr;
    QComboBox *LaengeComboBox = nullptr, *BreiteComboBox = nullptr;

    // Menu items and toolbar buttons.
    QAction *MenuVomLogger = nullptr, *MenuAusMessprogramm = nullptr, *MenuDateiLaden = nullptr;
    QAction *MenuSenden = nullptr, *MenuSpeichern = nullptr, *MenuBeenden = nullptr, *MenuOptionen = nullptr;
    QAction *NeuerSensor1 = nullptr, *SensorLoeschen1 = nullptr, *MenuInfo = nullptr;
    QAction *KnopfVomLogger = nullptr, *KnopfAusMessprogramm = nullptr, *KnopfLaden = nullptr, *KnopfSenden = nullptr;
    QAction *KnopfSpeichern = nullptr, *KnopfNeu = nullptr, *KnopfLoeschen = nullptr, *KnopfBeenden = nullptr;
    QMenu* KontextMenue = nullptr;

    // The dialogs created at start and reused.
    TMesswertAuswahlForm* MesswertAuswahlForm = nullptr;
    TKanalAuswahlForm* KanalAuswahlForm = nullptr;
    TParameterForm* ParameterForm = nullptr;
    TOptionenForm* OptionenForm = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;  // FormClose
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void BaueFenster();
    void BaueBefehle();
    void Zurueckschreiben();  // write back, when Geaendert
    // After a read through NUVARKom: the new configuration replaces the old.
    void Uebernimm(const TDATDatei& neu);
    void KanalDetailsLeeren();
    void Gesperrt(bool keine, bool keineKanaele);
    QString NUVARKom() const;
    void SchreibeMarke(const char* wert);

    TNuvarCfgModell m_;
    TWillkommenForm* willkommen_ = nullptr;
    bool inWillkommen_ = false;
    bool zeigt_ = false;          // KonfigurationAnzeigen is filling the controls
    bool schreibtZurueck_ = false;
    bool schliesst_ = false;
};

} // namespace nuvar
