#pragma once
// NUVARKom's main window: a multi-document frame for the station parameter
// and instantaneous-values windows, the menus and the toolbar of the logger
// operations, four status panels with the receive indicator. Its logic is
// THauptfensterModell; this class shows it and lends it the dialogs and
// child windows.
#include "common/gui/InfoDialog.h"
#include "kom/app/HauptfensterModell.h"

#include <QLabel>
#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QMdiArea;
class QShortcut;
class QToolBar;

namespace nuvar {

class TFernMakros;
class TFernsteuerung;

// Title, version text and module name of the splash and the about dialog.
TProgrammInfo NUVARKomInfo();

// Panel 3: the receive indicator, a filled rectangle without outline, green
// while idle and red while characters arrive.
class TEmpfangsanzeige : public QWidget {
    Q_OBJECT
public:
    explicit TEmpfangsanzeige(QWidget* parent = nullptr);
    void SetzeRot(bool rot);
    bool Rot() const { return rot_; }
    // The rectangle drawn: the panel's, one pixel less in height.
    QRect Rechteck() const { return QRect(0, 0, width(), height() - 1); }
    QSize sizeHint() const override { return QSize(19, 18); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool rot_ = false;
};

// A status panel of a given width that gives way when the window is narrow.
class TStatusPanel : public QLabel {
    Q_OBJECT
public:
    TStatusPanel(int breite, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int breite_;
};

class THauptfenster : public QMainWindow {
    Q_OBJECT
public:
    // verzeichnis: the program directory (sessions.ini, NUVARWin.ini);
    // empty: the one of the transfer window environment.
    explicit THauptfenster(QWidget* parent = nullptr, const QString& verzeichnis = {});
    ~THauptfenster() override;

    THauptfensterModell& Modell() { return modell_; }

    // Offers the remote control ("RemoteControl" on the service named after
    // the program file). A second running program already offering it is no
    // error for this one: the reason goes to the log, the program goes on.
    void StarteFernsteuerung(const QString& programmDatei, const QString& verzeichnis);
    TFernsteuerung* Fernsteuerung() { return fern_.get(); }
    // Set while the program runs a logger operation of its own (a sequence
    // command): macros wait for its end instead of sharing the link.
    bool EigeneOperation = false;
    // Cleared after a sequence command: the window is never shown then.
    bool ShowMainForm = true;

    // The programme selection dialog; tests replace it to drive it.
    std::function<bool(QString& kennung)> Programmauswahl;

    QMdiArea* MDIBereich = nullptr;
    // Menu items.
    QAction* MenuDatenLesen1 = nullptr;
    QAction* MenuDSLoeschen1 = nullptr;
    QAction* MenuStationsparameteranzeigen1 = nullptr;
    QAction* MenuMomentanmesswerteanzeigen1 = nullptr;
    QAction* MenuSZStellen1 = nullptr;
    QAction* MenuBeenden1 = nullptr;
    QAction* MenuAufbauen1 = nullptr;
    QAction* MenuTrennen1 = nullptr;
    QAction* MenuProgrammeinstellungen1 = nullptr;
    QAction* MenuInfo1 = nullptr;
    QShortcut* DatenLesenKurzwahl = nullptr;  // Ctrl+D, while its item is hidden
    // Toolbar buttons.
    QToolBar* ToolBar1 = nullptr;
    QAction* TBAufbauen1 = nullptr;
    QAction* TBTrennen1 = nullptr;
    QAction* TBDatenLesen1 = nullptr;
    QAction* TBSZStellen1 = nullptr;
    QAction* TBDSLoeschen1 = nullptr;
    QAction* TBStationsparameteranzeigen1 = nullptr;
    QAction* TBMomentanmesswerteanzeigen1 = nullptr;
    QAction* ToolButton4 = nullptr;
    // Status panels 1 to 4.
    TStatusPanel* Panel1 = nullptr;
    TStatusPanel* Panel2 = nullptr;
    TEmpfangsanzeige* ReceiveCharStatus1 = nullptr;
    TStatusPanel* Panel4 = nullptr;

public slots:
    void MenuAufbauen1Click();
    void MenuTrennen1Click();
    void MenuDatenLesen1Click();
    void MenuDSLoeschen1Click();
    void MenuStationsparameteranzeigen1Click();
    void MenuMomentanmesswerteanzeigen1Click();
    void MenuSZStellen1Click();
    void MenuBeenden1Click();
    void MenuProgrammeinstellungen1Click();
    void MenuInfo1Click();
    // The instantaneous-values window was closed by the person.
    void Benutzermeldung();
    // Ends the program without the close query's question: the
    // instantaneous mode is stopped on the logger, the link closed, the
    // window closed and the event loop left.
    void Beenden();
    // A signal to end (SIGTERM): a running operation is cancelled as with
    // "&Abbrechen" and open dialogs are closed; once nothing runs any more,
    // the event loop is left. The caller then calls Beenden().
    void BeendeAufSignal();
    // An operation uses the link now: a sequence command, the person's, a macro.
    bool LaeuftEtwas() const;

protected:
    void closeEvent(QCloseEvent* e) override;  // FormCloseQuery
    void paintEvent(QPaintEvent* e) override;

private:
    // Runs a user action: an error it raises ends the action with a message.
    void Aktion(const std::function<void()>& tue);
    void Zeige();  // the model's state on the panels, menus and buttons
    bool WaehleProgrammImDialog(QString& kennung);

    THauptfensterModell modell_;
    bool beendet_ = false;
    std::unique_ptr<TFernMakros> makros_;
    std::unique_ptr<TFernsteuerung> fern_;
};

} // namespace nuvar
