#include "kom/app/Hauptfenster.h"

#include "common/Benutzeraktion.h"

#include "common/Fehler.h"
#include "common/Meldungen.h"
#include "common/ProgrammVerzeichnis.h"
#include "common/gui/Bilder.h"
#include "common/gui/SessionAuswDialog.h"
#include "kom/app/MomWnd.h"
#include "kom/app/StParWnd.h"
#include "kom/app/Unbeaufsichtigt.h"
#include "kom/app/ZeitStellDlg.h"
#include "kom/fern/Fernmakro.h"
#include "kom/protocol/Treiber.h"
#include "platform/Fernsteuerung.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <exception>

namespace nuvar {

TProgrammInfo NUVARKomInfo() {
    return {QStringLiteral("NUVARKom"), QStringLiteral("V2.1"), QStringLiteral("Datenkommunikation"), {},
            QStringLiteral(":/kom/bilder/nuvarkom.svg")};
}

// ---- status bar ----

TEmpfangsanzeige::TEmpfangsanzeige(QWidget* parent) : QWidget(parent) {
    setFixedWidth(19);
    setObjectName(QStringLiteral("ReceiveCharStatus1"));
}

void TEmpfangsanzeige::SetzeRot(bool rot) {
    if (rot == rot_) return;
    rot_ = rot;
    update();
}

void TEmpfangsanzeige::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(Rechteck(), rot_ ? QColor(Qt::red) : QColor(0, 200, 0));
}

TStatusPanel::TStatusPanel(int breite, QWidget* parent) : QLabel(parent), breite_(breite) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize TStatusPanel::sizeHint() const { return QSize(breite_, QLabel::sizeHint().height()); }

QSize TStatusPanel::minimumSizeHint() const { return QSize(0, QLabel::minimumSizeHint().height()); }

// ---- window ----

namespace {

QIcon Bild(const char* name) {
    return SvgIcon(QStringLiteral(":/kom/bilder/") + QString::fromLatin1(name) + QStringLiteral(".svg"),
                   {QSize(55, 32), QSize(110, 64)});
}

} // namespace

THauptfenster::THauptfenster(QWidget* parent, const QString& verzeichnis)
    : QMainWindow(parent),
      modell_(!verzeichnis.isEmpty()           ? verzeichnis
              : !Umgebung().verzeichnis.isEmpty() ? Umgebung().verzeichnis
                                                  : nuvar::ProgrammVerzeichnis()) {
    setWindowTitle(QStringLiteral("Datenkommunikation"));
    setWindowIcon(SvgIcon(QStringLiteral(":/kom/bilder/nuvarkom.svg"), {QSize(16, 16), QSize(32, 32), QSize(64, 64)}));
    setMinimumSize(550, 400);
    setWindowState(Qt::WindowMaximized);

    MDIBereich = new QMdiArea(this);
    MDIBereich->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MDIBereich->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(MDIBereich);

    // Menus.
    const auto eintrag = [this](QMenu* menu, const char* text, void (THauptfenster::*slot)(),
                                const QKeySequence& kurz = {}) {
        QAction* a = menu->addAction(QString::fromUtf8(text));
        if (!kurz.isEmpty()) a->setShortcut(kurz);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* logger = menuBar()->addMenu(QStringLiteral("&Datalogger"));
    MenuDatenLesen1 = eintrag(logger, "D&aten lesen...", &THauptfenster::MenuDatenLesen1Click);
    MenuDatenLesen1->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    // Hidden; its shortcut still reads data.
    MenuDatenLesen1->setVisible(false);
    DatenLesenKurzwahl = new QShortcut(QKeySequence(QStringLiteral("Ctrl+D")), this);
    connect(DatenLesenKurzwahl, &QShortcut::activated, this, &THauptfenster::MenuDatenLesen1Click);
    MenuDSLoeschen1 = eintrag(logger, "Datenspeicher &löschen...", &THauptfenster::MenuDSLoeschen1Click,
                              QKeySequence(QStringLiteral("Ctrl+L")));
    MenuStationsparameteranzeigen1 =
        eintrag(logger, "&Stationsparameter anzeigen...", &THauptfenster::MenuStationsparameteranzeigen1Click,
                QKeySequence(QStringLiteral("Ctrl+S")));
    MenuMomentanmesswerteanzeigen1 =
        eintrag(logger, "&Momentanmesswerte anzeigen...", &THauptfenster::MenuMomentanmesswerteanzeigen1Click,
                QKeySequence(QStringLiteral("Ctrl+M")));
    MenuSZStellen1 = eintrag(logger, "System&zeit stellen...", &THauptfenster::MenuSZStellen1Click,
                             QKeySequence(QStringLiteral("Ctrl+Z")));
    logger->addSeparator();
    MenuBeenden1 = eintrag(logger, "Programm &beenden", &THauptfenster::MenuBeenden1Click);
    QMenu* verbindung = menuBar()->addMenu(QStringLiteral("&Verbindung"));
    MenuAufbauen1 = eintrag(verbindung, "&Aufbauen...", &THauptfenster::MenuAufbauen1Click);
    MenuTrennen1 = eintrag(verbindung, "&Trennen", &THauptfenster::MenuTrennen1Click);
    QMenu* extras = menuBar()->addMenu(QStringLiteral("&Extras"));
    MenuProgrammeinstellungen1 =
        eintrag(extras, "&Programmeinstellungen...", &THauptfenster::MenuProgrammeinstellungen1Click);
    QMenu* hilfe = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    MenuInfo1 = eintrag(hilfe, "Inf&o...", &THauptfenster::MenuInfo1Click);

    // Toolbar: flat buttons of 62 x 42 with pictures of 55 x 32.
    ToolBar1 = addToolBar(QStringLiteral("Datalogger"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(55, 32));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const auto knopf = [this](const char* bild, const char* hinweis, void (THauptfenster::*slot)()) {
        QAction* a = ToolBar1->addAction(Bild(bild), QString::fromUtf8(hinweis));
        a->setToolTip(QString::fromUtf8(hinweis));
        a->setStatusTip(QString::fromUtf8(hinweis));
        connect(a, &QAction::triggered, this, slot);
        if (auto* b = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(a))) {
            b->setFixedSize(62, 42);
            b->setAutoRaise(true);
        }
        return a;
    };
    TBAufbauen1 = knopf("verbinden", "Verbindung aufbauen...", &THauptfenster::MenuAufbauen1Click);
    TBTrennen1 = knopf("trennen", "Verbindung trennen", &THauptfenster::MenuTrennen1Click);
    ToolBar1->addSeparator();
    TBDatenLesen1 = knopf("daten_lesen", "Daten Lesen...", &THauptfenster::MenuDatenLesen1Click);
    TBDatenLesen1->setVisible(false);
    TBSZStellen1 = knopf("systemzeit", "Systemzeit stellen...", &THauptfenster::MenuSZStellen1Click);
    TBDSLoeschen1 = knopf("speicher_loeschen", "Datenspeicher löschen...", &THauptfenster::MenuDSLoeschen1Click);
    TBStationsparameteranzeigen1 = knopf("stationsparameter", "Stationsparameter anzeigen...",
                                         &THauptfenster::MenuStationsparameteranzeigen1Click);
    TBMomentanmesswerteanzeigen1 = knopf("momentanwerte", "Momentanmesswerte anzeigen...",
                                         &THauptfenster::MenuMomentanmesswerteanzeigen1Click);
    TBMomentanmesswerteanzeigen1->setCheckable(true);
    ToolBar1->addSeparator();
    ToolButton4 = knopf("info", "Info...", &THauptfenster::MenuInfo1Click);

    // Status bar: mode, connection, receive indicator, an empty panel.
    Panel1 = new TStatusPanel(300, this);
    Panel2 = new TStatusPanel(300, this);
    ReceiveCharStatus1 = new TEmpfangsanzeige(this);
    Panel4 = new TStatusPanel(50, this);
    statusBar()->addWidget(Panel1);
    statusBar()->addWidget(Panel2);
    statusBar()->addWidget(ReceiveCharStatus1);
    statusBar()->addWidget(Panel4);

    // The transfer window's indicator is mirrored here.
    Umgebung().hauptIndikator = [this](bool rot) { ReceiveCharStatus1->SetzeRot(rot); };

    Programmauswahl = [this](QString& kennung) { return WaehleProgrammImDialog(kennung); };
    auto& s = modell_.Sicht;
    s.Aktualisiert = [this] { Zeige(); };
    s.Programmauswahl = [this](QString& kennung) { return Programmauswahl && Programmauswahl(kennung); };
    s.Kindfenster = [this] {
        // Only instantaneous-values windows: a station parameter window's
        // caption names the programme and may well contain the station name.
        QStringList titel;
        for (QMdiSubWindow* w : MDIBereich->subWindowList(QMdiArea::CreationOrder))
            if (qobject_cast<TMomentanwertFenster*>(w->widget())) titel << w->widget()->windowTitle();
        return titel;
    };
    s.Stationsparameter = [this](const QString& b, const TStationsParameter& st, const TKanalTabelle& k) {
        TStatParamFenster::Oeffne(MDIBereich, b, st, k);
    };
    s.ZeitStellen = [this](double abweichung, TZeitStellung& z) {
        TZeitStellDialog d(this, Umgebung().uhr);
        d.Abweichung = abweichung;
        if (!d.Ausfuehren()) return false;
        z.PCModus = d.PCModus;
        z.Versatz = d.Abweichung;
        z.Vorgabe = d.Vorgabe;
        return true;
    };
    s.Momentanfenster = [this](const QString& titel, const TMomentanAufzeichnung& a, const TStationsParameter& st,
                               const TKanalTabelle& k) {
        auto* w = TMomentanwertFenster::Oeffne(
            MDIBereich, titel, TMomentanwertOptionen{a.Aufzeichnen, a.Dateiname, a.Verzeichnis, a.Zeitraum}, st, k);
        // The user message: synchronous, before the window frees itself.
        connect(w, &TMomentanwertFenster::Geschlossen, this, &THauptfenster::Benutzermeldung, Qt::DirectConnection);
    };
    s.Minimieren = [this] { QTimer::singleShot(0, this, &QWidget::showMinimized); };
    s.Info = [this] { ZeigeInfo(NUVARKomInfo(), this); };
    s.MakroLaeuft = [this] { return fern_ && fern_->InBearbeitung(); };
    Zeige();
}

THauptfenster::~THauptfenster() {
    Umgebung().hauptIndikator = {};
    modell_.Sicht = {};
}

void THauptfenster::Zeige() {
    const THauptfensterModell& m = modell_;
    Panel1->setText(m.Panel1);
    Panel2->setText(m.Panel2);
    MenuAufbauen1->setEnabled(m.AufbauenAktiv);
    TBAufbauen1->setEnabled(m.AufbauenAktiv);
    MenuTrennen1->setEnabled(m.TrennenMenuAktiv);
    TBTrennen1->setEnabled(m.TrennenKnopfAktiv);
    TBMomentanmesswerteanzeigen1->setChecked(m.MomentanGedrueckt);
}

bool THauptfenster::WaehleProgrammImDialog(QString& kennung) {
    if (Unbeaufsichtigt(modell_.ProgrammVerzeichnis())) {
        // Nobody could choose: the selection counts as cancelled.
        Meldungen().Information(QString::fromUtf8(
            "Die Programmauswahl wird im unbeaufsichtigten Betrieb nicht angezeigt."));
        return false;
    }
    TSessionAuswDialog1 d(TSessionAuswVariante::NUVARKom(), this);
    d.SessionsPfad = modell_.SessionsIni();
    d.Kennung = kennung;
    if (!d.Ausfuehren()) return false;
    kennung = d.Kennung;
    return true;
}

void THauptfenster::Aktion(const std::function<void()>& tue) {
    Benutzeraktion(tue);
    Benutzeraktion([this] { Zeige(); });
}

void THauptfenster::StarteFernsteuerung(const QString& programmDatei, const QString& verzeichnis) {
    makros_ = std::make_unique<TFernMakros>();
    makros_->Wiederherstellen = [this] { showNormal(); };
    makros_->Minimieren = [this] { showMinimized(); };
    makros_->ProgrammDatei = programmDatei;
    makros_->ProgrammVerzeichnis = verzeichnis;
    fern_ = std::make_unique<TFernsteuerung>(
        FernDienstname(programmDatei), TFernsteuerung::ErgebnisHandler([this](const QStringList& z) {
            makros_->RemoteControlExecuteMacro(z);
            return makros_->AusgangZeile();
        }));
    // Macros wait while a sequence command or an operation of the person
    // uses the link.
    fern_->Beschaeftigt = [this] { return EigeneOperation || modell_.Beschaeftigt(); };
    QString fehler;
    if (!fern_->Starte(&fehler)) {
        qWarning().noquote() << fehler;
        fern_.reset();
    }
}

void THauptfenster::MenuAufbauen1Click() { Aktion([this] { modell_.Aufbauen(); }); }
void THauptfenster::MenuTrennen1Click() { Aktion([this] { modell_.Trennen(); }); }
void THauptfenster::MenuDatenLesen1Click() { Aktion([this] { modell_.DatenLesen(); }); }
void THauptfenster::MenuDSLoeschen1Click() { Aktion([this] { modell_.DatenspeicherLoeschen(); }); }
void THauptfenster::MenuStationsparameteranzeigen1Click() { Aktion([this] { modell_.StationsparameterAnzeigen(); }); }
void THauptfenster::MenuMomentanmesswerteanzeigen1Click() { Aktion([this] { modell_.MomentanwerteUmschalten(); }); }
void THauptfenster::MenuSZStellen1Click() { Aktion([this] { modell_.SystemzeitStellen(); }); }
void THauptfenster::MenuBeenden1Click() { close(); }
void THauptfenster::MenuProgrammeinstellungen1Click() { Aktion([this] { modell_.Programmeinstellungen(); }); }
void THauptfenster::MenuInfo1Click() { Aktion([this] { modell_.InfoZeigen(); }); }
void THauptfenster::Benutzermeldung() { Aktion([this] { modell_.MomentanfensterGeschlossen(); }); }

void THauptfenster::Beenden() {
    Aktion([this] { modell_.Beenden(); });
    beendet_ = true;
    close();
    QCoreApplication::quit();
}

bool THauptfenster::LaeuftEtwas() const {
    return EigeneOperation || modell_.Beschaeftigt() || (fern_ && fern_->InBearbeitung());
}

void THauptfenster::BeendeAufSignal() {
    if (LaeuftEtwas()) {
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        if (TransferWindow()) TransferWindow()->Button1Click();
        QTimer::singleShot(100, this, [this] { BeendeAufSignal(); });
        return;
    }
    // The ending itself talks to the logger; it runs once the event loop has
    // returned, at the top of the stack. Here we may be inside the transfer
    // window's handling of a frame, which receives nothing until it returns.
    // Leaving the loop closes the windows: without the close query's question.
    beendet_ = true;
    QCoreApplication::quit();
}

void THauptfenster::closeEvent(QCloseEvent* e) {
    if (beendet_) {
        e->accept();
        return;
    }
    bool erlaubt = true;
    Aktion([&] { erlaubt = modell_.Schliessen(); });
    if (erlaubt) e->accept();
    else e->ignore();
}

void THauptfenster::paintEvent(QPaintEvent* e) {
    QMainWindow::paintEvent(e);
    Benutzeraktion([this] { modell_.Gezeichnet(); });
}

} // namespace nuvar
