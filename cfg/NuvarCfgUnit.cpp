#include "cfg/NuvarCfgUnit.h"

#include "cfg/KanalAuswahlUnit.h"
#include "cfg/KanalTabelle.h"
#include "cfg/MesswertAuswahlUnit.h"
#include "cfg/OptionenFensterUnit.h"
#include "cfg/ParameterBearbeitenUnit.h"
#include "cfg/Pfade.h"
#include "cfg/VerbindungsFormUnit.h"
#include "cfg/WillkommenUnit.h"
#include "cfg/WrapperUnit.h"
#include "common/Benutzeraktion.h"
#include "common/Fehler.h"
#include "common/Ini.h"
#include "common/Meldungen.h"
#include "common/SessionAuswahl.h"
#include "common/gui/InfoDialog.h"
#include "common/gui/SessionAuswDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <optional>

namespace nuvar {

namespace {

const QString kGlobal = QStringLiteral("Global");
const QString kTabelle = QStringLiteral("KanalTabelle");

QString ConfigIni() { return CfgDatei(QStringLiteral("config.ini")); }

// The text fields take the characters 32 to 127 only: the logger's records
// hold them in its code page, and they must read back as typed.
bool ZeichenErlaubt(const QString& t) {
    for (const QChar c : t)
        if (c.unicode() < 32 || c.unicode() > 127) return false;
    return true;
}

QLabel* Wert(QWidget* eltern) {
    auto* l = new QLabel(eltern);
    l->setMinimumWidth(70);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

} // namespace

TProgrammInfo NuvarCfgInfo() {
    TProgrammInfo info{QStringLiteral("Loggerkonfigurator"), QStringLiteral("V2.1"), QStringLiteral("Konfiguration")};
    info.Bild = QStringLiteral(":/cfg/nuvarcfg.svg");
    return info;
}

TNuvarCfgForm::TNuvarCfgForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("NUVARCfg - Loggerkonfigurator"));
    setWindowIcon(QIcon(QStringLiteral(":/cfg/nuvarcfg.svg")));
    BaueFenster();
    BaueBefehle();

    OeffnenDialog = [this] {
        QFileDialog d(this, QStringLiteral("Lade Loggerkonfiguration"), CfgVerzeichnis(),
                      QStringLiteral("Loggerkonfigurationsdateien (*.DAT *.dat)"));
        d.setFileMode(QFileDialog::ExistingFile);
        d.setDefaultSuffix(QStringLiteral("DAT"));
        return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first() : QString();
    };
    SpeichernDialog = [this](const QString& vorschlag) {
        const QStringList filter = {QStringLiteral("Loggerkonfigurationsdateien (*.DAT *.dat)"),
                                    QStringLiteral("Text file (*.txt)")};
        QFileDialog d(this, QStringLiteral("Konfiguration speichern"), QDir(CfgVerzeichnis()).filePath(vorschlag));
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setNameFilters(filter);
        d.setDefaultSuffix(QStringLiteral("dat"));
        connect(&d, &QFileDialog::filterSelected, &d, [&d, filter](const QString& f) {
            d.setDefaultSuffix(f == filter[1] ? QStringLiteral("txt") : QStringLiteral("dat"));
        });
        TSpeicherWahl w;
        if (d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty()) {
            w.Datei = d.selectedFiles().first();
            w.Filter = d.selectedNameFilter() == filter[1] ? 2 : 1;
        }
        return w;
    };
    DreiWegeFrage = [this](const QString& frage) {
        const auto a = QMessageBox::question(this, QApplication::applicationName(), frage,
                                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                             QMessageBox::Yes);
        return a == QMessageBox::Yes ? Antwort::Ja : a == QMessageBox::No ? Antwort::Nein : Antwort::Abbrechen;
    };
    Starter = WarteFensterStarter(this);
    PortSuche = TPortSuche::System();

    // Created at start and reused for every run.
    MesswertAuswahlForm = new TMesswertAuswahlForm(this);
    KanalAuswahlForm = new TKanalAuswahlForm(this);
    ParameterForm = new TParameterForm(this);
    OptionenForm = new TOptionenForm(this);
    willkommen_ = new TWillkommenForm(this);
}

TNuvarCfgForm::~TNuvarCfgForm() = default;

// ===========================================================================
// Building the window

void TNuvarCfgForm::BaueFenster() {
    auto* mitte = new QWidget(this);
    setCentralWidget(mitte);

    KanalTabelle = new TKanalTabelle(mitte);
    Tabellenmodell = new TKanalTabellenModell(m_, KanalTabelle);
    KanalTabelle->setModel(Tabellenmodell);
    KanalTabelle->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(KanalTabelle->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (!zeigt_) Benutzeraktion([this] { KanalTabelleClick(); });
    });
    connect(KanalTabelle, &QTableView::doubleClicked, this, Aktionsschutz([this] { BearbeitenButtonClick(); }));
    connect(KanalTabelle, &TKanalTabelle::ZeileVerschoben, this,
            Aktionsschutz([this](int von, int nach) { KanalTabelleRowMoved(von + 1, nach + 1); }));
    connect(KanalTabelle, &QWidget::customContextMenuRequested, this,
            Aktionsschutz([this](const QPoint& p) { KontextMenue->popup(KanalTabelle->viewport()->mapToGlobal(p)); }));

    // ---- channel details
    KanalGruppe = new QGroupBox(QStringLiteral("Kanalparameter"), mitte);
    SensorLabel = Wert(KanalGruppe);
    BezeichnungEdit = new QLineEdit(KanalGruppe);
    BezeichnungEdit->setMaxLength(5);
    EinheitEdit = new QLineEdit(KanalGruppe);
    EinheitEdit->setMaxLength(4);
    for (QLineEdit* e : {BezeichnungEdit, EinheitEdit}) e->setFixedWidth(80);
    KanalNummerLabel = Wert(KanalGruppe);
    KanaltypLabel = Wert(KanalGruppe);
    aLabel = Wert(KanalGruppe);
    bLabel = Wert(KanalGruppe);
    minLabel = Wert(KanalGruppe);
    maxLabel = Wert(KanalGruppe);
    BearbeitenButton = new QPushButton(QStringLiteral("Bearbeiten"), KanalGruppe);
    connect(BearbeitenButton, &QPushButton::clicked, this, Aktionsschutz([this] { BearbeitenButtonClick(); }));
    auto* kg = new QGridLayout(KanalGruppe);
    const auto kzeile = [&](int z, int s, const char* titel, QWidget* w) {
        auto* l = new QLabel(QString::fromUtf8(titel), KanalGruppe);
        l->setBuddy(w);
        kg->addWidget(l, z, s);
        kg->addWidget(w, z, s + 1);
    };
    kzeile(0, 0, "Sensorcode:", SensorLabel);
    kzeile(1, 0, "&Bezeichnung:", BezeichnungEdit);
    kzeile(2, 0, "&Einheit:", EinheitEdit);
    kzeile(3, 0, "Kanalnummer:", KanalNummerLabel);
    kzeile(4, 0, "Kanaltyp:", KanaltypLabel);
    kzeile(0, 2, "a:", aLabel);
    kzeile(1, 2, "b:", bLabel);
    kzeile(2, 2, "min:", minLabel);
    kzeile(3, 2, "max:", maxLabel);
    kg->addWidget(BearbeitenButton, 4, 3, Qt::AlignRight);
    kg->setColumnStretch(1, 1);
    kg->setColumnStretch(3, 1);
    kg->setColumnMinimumWidth(1, 90);
    kg->setHorizontalSpacing(10);

    // ---- station parameters
    StationGruppe = new QGroupBox(QStringLiteral("Stationsparameter"), mitte);
    NummerLabel = Wert(StationGruppe);
    NameEdit = new QLineEdit(StationGruppe);
    NameEdit->setMaxLength(16);
    NameEdit->setMinimumWidth(140);
    BatterieLabel = Wert(StationGruppe);
    MittelwertCombo = new QComboBox(StationGruppe);
    MittelwertCombo->addItems(kMittelwertListe);
    MessCombo = new QComboBox(StationGruppe);
    MessCombo->addItems(kMessListe);
    SleepCombo = new QComboBox(StationGruppe);
    SleepCombo->addItems(kSleepListe);
    MCLabel = Wert(StationGruppe);
    FreieTageLabel = Wert(StationGruppe);
    SpeicherLabel = Wert(StationGruppe);
    DatenLabel = Wert(StationGruppe);
    LaengeMaskEdit = new QLineEdit(StationGruppe);
    BreiteMaskEdit = new QLineEdit(StationGruppe);
    for (QLineEdit* e : {LaengeMaskEdit, BreiteMaskEdit}) {
        // Three digits, comma, two digits: a third decimal cannot be typed.
        e->setInputMask(QStringLiteral("000,00"));
        e->setAlignment(Qt::AlignRight);
        e->setFixedWidth(64);
    }
    LaengeComboBox = new QComboBox(StationGruppe);
    LaengeComboBox->addItems(kLaengeListe);
    BreiteComboBox = new QComboBox(StationGruppe);
    BreiteComboBox->addItems(kBreiteListe);
    for (QComboBox* c : {MittelwertCombo, MessCombo, SleepCombo}) c->setMinimumWidth(70);
    auto* sg = new QGridLayout(StationGruppe);
    const auto szeile = [&](int z, int s, const char* titel, QWidget* w, QWidget* w2 = nullptr) {
        auto* l = new QLabel(QString::fromUtf8(titel), StationGruppe);
        l->setBuddy(w);
        sg->addWidget(l, z, s);
        if (!w2) {
            sg->addWidget(w, z, s + 1, Qt::AlignLeft);
            return;
        }
        auto* h = new QHBoxLayout;
        h->addWidget(w);
        h->addWidget(w2);
        h->addStretch();
        sg->addLayout(h, z, s + 1);
    };
    szeile(0, 0, "Stationsnummer:", NummerLabel);
    szeile(1, 0, "Stations&name:", NameEdit);
    szeile(2, 0, "Batterie:", BatterieLabel);
    szeile(3, 0, "&Mittwertintervall (min):", MittelwertCombo);
    szeile(4, 0, "Messin&tervall (s)", MessCombo);
    szeile(5, 0, "S&leepmodus:", SleepCombo);
    szeile(0, 2, "Messwerte gelesen:", MCLabel);
    szeile(1, 2, "Freie Tage:", FreieTageLabel);
    szeile(2, 2, "Datenspeicher:", SpeicherLabel);
    szeile(3, 2, "Datensätze:", DatenLabel);
    szeile(4, 2, "Geo. Län&ge:", LaengeMaskEdit, LaengeComboBox);
    szeile(5, 2, "Geo. B&reite:", BreiteMaskEdit, BreiteComboBox);
    sg->setColumnStretch(1, 1);
    sg->setColumnStretch(3, 1);
    sg->setHorizontalSpacing(10);

    // Write-back on leaving, the key rules and the change marks.
    for (QWidget* w : std::initializer_list<QWidget*>{NameEdit, BezeichnungEdit, EinheitEdit, MittelwertCombo, MessCombo,
                                                      SleepCombo, LaengeMaskEdit, BreiteMaskEdit, LaengeComboBox,
                                                      BreiteComboBox})
        w->installEventFilter(this);
    for (QLineEdit* e : {NameEdit, BezeichnungEdit, EinheitEdit, LaengeMaskEdit, BreiteMaskEdit})
        connect(e, &QLineEdit::textEdited, this, Aktionsschutz([this] { m_.Geaendert = true; }));
    for (QComboBox* c : {MittelwertCombo, MessCombo, SleepCombo, LaengeComboBox, BreiteComboBox})
        connect(c, &QComboBox::activated, this, Aktionsschutz([this] { m_.Geaendert = true; }));

    // Escape: the selected entry's details again, as stored.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, Aktionsschutz([this] { KanalTabelleClick(); }));

    auto* unten = new QHBoxLayout;
    unten->addWidget(KanalGruppe, 4);
    unten->addWidget(StationGruppe, 6);
    auto* layout = new QVBoxLayout(mitte);
    layout->addWidget(KanalTabelle, 1);
    layout->addLayout(unten);
    statusBar();
    resize(1000, 680);
}

void TNuvarCfgForm::BaueBefehle() {
    const auto befehl = [this](QAction* a, void (TNuvarCfgForm::*slot)()) {
        connect(a, &QAction::triggered, this, Aktionsschutz([this, slot] { (this->*slot)(); }));
    };
    const auto bild = [](const char* name) { return QIcon(QStringLiteral(":/cfg/%1.svg").arg(QLatin1String(name))); };

    QMenu* datei = menuBar()->addMenu(QStringLiteral("&Datei"));
    MenuVomLogger = datei->addAction(bild("vom_logger"), QStringLiteral("Konfiguration vom &Logger laden..."));
    MenuAusMessprogramm = datei->addAction(bild("messprogramm"), QStringLiteral("Konfiguration aus &Messprogramm laden..."));
    MenuDateiLaden = datei->addAction(bild("datei_laden"), QStringLiteral("Konfigurationsdatei bearbeiten..."));
    datei->addSeparator();
    MenuSenden = datei->addAction(bild("an_logger"), QStringLiteral("Konfiguration an Logger senden..."));
    MenuSpeichern = datei->addAction(bild("speichern"), QStringLiteral("Konfiguration speichern..."));
    datei->addSeparator();
    MenuBeenden = datei->addAction(bild("beenden"), QStringLiteral("&Beenden"));
    MenuBeenden->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    QMenu* bearbeiten = menuBar()->addMenu(QStringLiteral("&Bearbeiten"));
    MenuOptionen = bearbeiten->addAction(QStringLiteral("&Optionen..."));
    KontextMenue = new QMenu(this);
    NeuerSensor1 = KontextMenue->addAction(bild("sensor_neu"), QStringLiteral("Neuer Sensor"));
    NeuerSensor1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    SensorLoeschen1 = KontextMenue->addAction(bild("sensor_loeschen"), QStringLiteral("Sensor löschen"));
    SensorLoeschen1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    QMenu* messwert = bearbeiten->addMenu(QStringLiteral("Messwert"));
    messwert->addAction(NeuerSensor1);
    messwert->addAction(SensorLoeschen1);

    QMenu* hilfe = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    MenuInfo = hilfe->addAction(QStringLiteral("&Info..."));
    MenuInfo->setShortcut(QKeySequence(Qt::Key_F1));

    QToolBar* leiste = addToolBar(QStringLiteral("Werkzeuge"));
    leiste->setMovable(false);
    leiste->setIconSize(QSize(24, 24));
    const auto knopf = [&](const char* name, const char* hinweis) {
        QAction* a = leiste->addAction(bild(name), QString());
        if (hinweis) a->setToolTip(QString::fromUtf8(hinweis));
        return a;
    };
    KnopfVomLogger = knopf("vom_logger", "Konfiguration direkt vom Logger laden...");
    KnopfAusMessprogramm = knopf("messprogramm", "Konfiguration aus messprogramm laden...");
    KnopfLaden = knopf("datei_laden", "Konfiguration laden...");
    leiste->addSeparator();
    KnopfSenden = knopf("an_logger", "Konfiguration direkt an Logger senden...");
    KnopfSpeichern = knopf("speichern", "Konfiguration speichern...");
    leiste->addSeparator();
    KnopfNeu = knopf("sensor_neu", "Neuen Messwert hinzufügen...");
    KnopfLoeschen = knopf("sensor_loeschen", "Messwert löschen");
    leiste->addSeparator();
    KnopfBeenden = knopf("beenden", nullptr);
    KnopfBeenden->setToolTip(QString());

    for (QAction* a : {MenuVomLogger, KnopfVomLogger}) befehl(a, &TNuvarCfgForm::KonfigurationdirektvonLoggerladen1Click);
    for (QAction* a : {MenuAusMessprogramm, KnopfAusMessprogramm}) befehl(a, &TNuvarCfgForm::KonfigurationvonLoggerladen1Click);
    for (QAction* a : {MenuDateiLaden, KnopfLaden}) befehl(a, &TNuvarCfgForm::Loggerkonfigurationladen1Click);
    for (QAction* a : {MenuSenden, KnopfSenden}) befehl(a, &TNuvarCfgForm::KonfigurationdirektzuLoggerbertragen1Click);
    for (QAction* a : {MenuSpeichern, KnopfSpeichern}) befehl(a, &TNuvarCfgForm::SpeichernClick);
    for (QAction* a : {MenuBeenden, KnopfBeenden}) befehl(a, &TNuvarCfgForm::Beenden1Click);
    for (QAction* a : {NeuerSensor1, KnopfNeu}) befehl(a, &TNuvarCfgForm::NeuerMesswertClick);
    for (QAction* a : {SensorLoeschen1, KnopfLoeschen}) befehl(a, &TNuvarCfgForm::MesswertausClick);
    befehl(MenuOptionen, &TNuvarCfgForm::Optionen1Click);
    befehl(MenuInfo, &TNuvarCfgForm::Info1Click);
}

// ===========================================================================
// Start and end

void TNuvarCfgForm::SchreibeMarke(const char* wert) {
    try {
        TIniFile ini(ConfigIni());
        ini.WriteString(kGlobal, QStringLiteral("NUVARCfg"), QString::fromLatin1(wert));
    } catch (const EFehler&) {
        // The marker is read by nobody; an unwritable config.ini is reported at close.
    }
}

bool TNuvarCfgForm::Starte() {
    m_.Geaendert = false;
    m_.KeineKonfiguration = true;
    // A first start in a directory of its own takes the shipped settings
    // (the column titles exist only there).
    const QString vorgabe = MitgelieferteDatei(QStringLiteral("config.ini"));
    if (!QFileInfo::exists(ConfigIni()) && !vorgabe.isEmpty()) QFile::copy(vorgabe, ConfigIni());
    SchreibeMarke("1");
    const TIniFile config(ConfigIni());
    Tabellenmodell->Titel.clear();
    for (int c = 0; c < kSpalten; ++c) {
        Tabellenmodell->Titel << config.ReadString(kTabelle, QStringLiteral("Kopf%1").arg(c), {});
        KanalTabelle->horizontalHeader()->resizeSection(c, config.ReadInteger(kTabelle, QStringLiteral("Breite%1").arg(c), 80));
    }
    const auto lies = [](const char* name, QStringList& zeilen) {
        const QString pfad = MitgelieferteDatei(QString::fromLatin1(name));
        QFile f(pfad);
        if (pfad.isEmpty() || !f.open(QIODevice::ReadOnly)) return false;
        zeilen = RoheZeilen(f.readAll());
        return true;
    };
    if (!lies("geber.ini", m_.GeberZeilen)) {
        Meldungen().Fehler(QStringLiteral("GEBER.INI konnte nicht geladen werden!"));
        return false;
    }
    if (!lies("kanal.ini", m_.KanalZeilen)) {
        Meldungen().Fehler(QStringLiteral("KANAL.INI konnte nicht geladen werden!"));
        return false;
    }
    m_.Datei = TDATDatei();
    inWillkommen_ = true;  // the caller runs the welcome loop next
    Benutzeraktion([this] { KonfigurationAnzeigen(); });
    inWillkommen_ = false;
    show();
    return true;
}

void TNuvarCfgForm::Willkommensschleife() {
    if (inWillkommen_) return;
    inWillkommen_ = true;
    while (m_.KeineKonfiguration) {
        const int code = willkommen_->Ausfuehren();
        if (code == TWillkommenForm::kBeenden) {
            if (willkommen_->BeendenGedrueckt) SchreibeMarke("0");
            inWillkommen_ = false;
            close();
            return;
        }
        Benutzeraktion([&] {
            if (code == TWillkommenForm::kDatei) Loggerkonfigurationladen1Click();
            if (code == TWillkommenForm::kMessprogramm) KonfigurationvonLoggerladen1Click();
            if (code == TWillkommenForm::kOnline) KonfigurationdirektvonLoggerladen1Click();
        });
    }
    inWillkommen_ = false;
}

void TNuvarCfgForm::Beenden1Click() {
    SchreibeMarke("0");
    close();
}

void TNuvarCfgForm::closeEvent(QCloseEvent* e) {
    if (m_.Geaendert) {
        const Antwort a = DreiWegeFrage(QStringLiteral("Wollen Sie die Änderungen speichern?"));
        if (a == Antwort::Abbrechen) {
            e->ignore();
            return;
        }
        // A cancelled save dialog still lets the window close.
        if (a == Antwort::Ja) Benutzeraktion([this] { SpeichernClick(); });
    }
    try {
        TIniFile config(ConfigIni());
        for (int c = 0; c < kSpalten; ++c)
            config.WriteInteger(kTabelle, QStringLiteral("Breite%1").arg(c), KanalTabelle->horizontalHeader()->sectionSize(c));
    } catch (const EFehler&) {
        Meldungen().Fehler(QStringLiteral("CONFIG.INI konnte nicht gespeichert werden!"));
    }
    schliesst_ = true;
    e->accept();
}

// ===========================================================================
// Showing the configuration

int TNuvarCfgForm::Zeile() const {
    const QModelIndex i = KanalTabelle->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

void TNuvarCfgForm::WaehleZeile(int zeile) {
    const int n = Tabellenmodell->rowCount();
    if (n <= 0) return;
    zeile = std::clamp(zeile, 1, n);
    KanalTabelle->setCurrentIndex(Tabellenmodell->index(zeile - 1, 0));
    KanalTabelle->selectRow(zeile - 1);
}

void TNuvarCfgForm::KanalDetailsLeeren() {
    for (QLabel* l : {SensorLabel, KanalNummerLabel, KanaltypLabel, aLabel, bLabel, minLabel, maxLabel}) l->clear();
    BezeichnungEdit->clear();
    EinheitEdit->clear();
}

void TNuvarCfgForm::Gesperrt(bool keine, bool keineKanaele) {
    KanalTabelle->setEnabled(!keine);
    KanalGruppe->setEnabled(!keine);
    StationGruppe->setEnabled(!keine);
    for (QAction* a : {MenuSpeichern, KnopfSpeichern, NeuerSensor1, KnopfNeu, MenuSenden, KnopfSenden, KnopfLoeschen})
        a->setEnabled(!keine);
    const bool kanaele = !keine && !keineKanaele;
    SensorLoeschen1->setEnabled(kanaele);
    BearbeitenButton->setEnabled(kanaele);
    BezeichnungEdit->setEnabled(kanaele);
    EinheitEdit->setEnabled(kanaele);
    KanalTabelle->ZeilenVerschiebbar = kanaele;
}

void TNuvarCfgForm::KonfigurationAnzeigen() {
    const int zeile = std::max(Zeile(), 1);
    zeigt_ = true;
    struct Ende {
        bool& z;
        ~Ende() { z = false; }
    } ende{zeigt_};

    if (m_.KeineKonfiguration) {
        m_.Datei = TDATDatei();
        m_.NamenSuchen();
        Tabellenmodell->Neu();
        WaehleZeile(1);
        Gesperrt(true, true);
        for (QLabel* l : {NummerLabel, BatterieLabel, MCLabel, FreieTageLabel, SpeicherLabel, DatenLabel}) l->clear();
        NameEdit->clear();
        KanalDetailsLeeren();
        for (QComboBox* c : {MittelwertCombo, MessCombo, SleepCombo}) c->setCurrentIndex(-1);
        zeigt_ = false;
        Willkommensschleife();
        return;
    }

    // Names first: a bad catalogue line still lets the rest be shown, and
    // its error is raised once everything is in place.
    std::optional<EFehler> fehler;
    try {
        m_.NamenSuchen();
    } catch (const EFehler& e) {
        fehler = e;
    }
    Tabellenmodell->Neu();
    WaehleZeile(zeile);

    const TStationsAnzeige s = m_.Station();
    NummerLabel->setText(s.Nummer);
    NameEdit->setText(s.Name);
    BatterieLabel->setText(s.Batterie);
    MittelwertCombo->setCurrentIndex(s.Mittelwert);
    MessCombo->setCurrentIndex(s.Mess);
    SleepCombo->setCurrentIndex(s.Sleep);
    MCLabel->setText(s.Ausgelesen);
    FreieTageLabel->setText(s.FreieTage);
    SpeicherLabel->setText(s.Speicher);
    DatenLabel->setText(s.Datensaetze);
    LaengeMaskEdit->setText(s.Laenge);
    LaengeComboBox->setCurrentIndex(s.LaengeSeite);
    BreiteMaskEdit->setText(s.Breite);
    BreiteComboBox->setCurrentIndex(s.BreiteSeite);

    Gesperrt(false, m_.KeineKanaele());
    if (m_.KeineKanaele()) KanalDetailsLeeren();
    zeigt_ = false;
    // The details last: an input beyond the hardware list reports its error
    // with the window already complete.
    KanalTabelleClick();
    if (fehler) throw EConvertError(fehler->Meldung());
}

void TNuvarCfgForm::KanalTabelleClick() {
    const int k = Zeile() - 1;
    if (k < 0 || m_.KeineKanaele() || m_.KeineKonfiguration) return;
    TKanalAnzeige a;
    const auto zeige = [&] {
        SensorLabel->setText(a.Sensorcode);
        BezeichnungEdit->setText(a.Bezeichnung);
        EinheitEdit->setText(a.Einheit);
        KanalNummerLabel->setText(a.Kanalnummer);
        aLabel->setText(a.a);
        bLabel->setText(a.b);
        minLabel->setText(a.Min);
        maxLabel->setText(a.Max);
        KanaltypLabel->setText(a.Kanaltyp);
    };
    try {
        m_.Kanal(k, a);
    } catch (const ERangeError&) {
        zeige();  // everything but the channel type, whose input is not in the list
        throw;
    }
    zeige();
}

void TNuvarCfgForm::BezeichnungEditExit() {
    if (schreibtZurueck_ || zeigt_) return;
    schreibtZurueck_ = true;
    struct Ende {
        bool& z;
        ~Ende() { z = false; }
    } ende{schreibtZurueck_};
    TEingaben e;
    e.Bezeichnung = BezeichnungEdit->text();
    e.Einheit = EinheitEdit->text();
    e.Name = NameEdit->text();
    e.Mittelwert = MittelwertCombo->currentText();
    e.Mess = MessCombo->currentText();
    e.Sleep = SleepCombo->currentIndex();
    e.LaengeSeite = LaengeComboBox->currentIndex();
    e.BreiteSeite = BreiteComboBox->currentIndex();
    e.Laenge = LaengeMaskEdit->text();
    e.Breite = BreiteMaskEdit->text();
    const int k = Zeile() - 1;
    if (k < 0) return;
    m_.Zurueckschreiben(k, e);
    KonfigurationAnzeigen();
}

void TNuvarCfgForm::Zurueckschreiben() {
    if (m_.Geaendert) BezeichnungEditExit();
}

bool TNuvarCfgForm::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::FocusOut) {
        const auto grund = static_cast<QFocusEvent*>(e)->reason();
        // A message box, a menu or another window taking the focus is no
        // leaving of the control (and the write-back's own error box must not
        // start another write-back).
        if (grund != Qt::ActiveWindowFocusReason && grund != Qt::PopupFocusReason && !schliesst_)
            Benutzeraktion([this] { BezeichnungEditExit(); });
        return false;
    }
    if (e->type() != QEvent::KeyPress) return false;
    // The two hemisphere lists have no key rules.
    if (o == LaengeComboBox || o == BreiteComboBox) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    // Only keys that type something count (Enter and Backspace among them).
    if (k->text().isEmpty() || k->key() == Qt::Key_Escape) return false;
    m_.Geaendert = true;
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        Benutzeraktion([this] { BezeichnungEditExit(); });
        focusNextChild();
        return true;
    }
    const bool textfeld = o == NameEdit || o == BezeichnungEdit || o == EinheitEdit;
    if (textfeld && k->key() != Qt::Key_Backspace && k->text()[0].isPrint() && !ZeichenErlaubt(k->text()))
        return true;
    return false;
}

// ===========================================================================
// Commands

QString TNuvarCfgForm::NUVARKom() const { return NUVARKomPfad(TIniFile(ConfigIni())); }

void TNuvarCfgForm::Uebernimm(const TDATDatei& neu) {
    m_.Datei = neu;
    m_.KeineKonfiguration = false;
    WaehleZeile(1);
    m_.Geaendert = true;
    KonfigurationAnzeigen();
}

void TNuvarCfgForm::Loggerkonfigurationladen1Click() {
    const QString pfad = OeffnenDialog();
    if (pfad.isEmpty()) return;
    // A load that fails keeps the configuration shown before.
    m_.Laden(pfad);
    WaehleZeile(1);
    KonfigurationAnzeigen();
}

void TNuvarCfgForm::KonfigurationvonLoggerladen1Click() {
    const QString einstellung =
        TIniFile(ConfigIni()).ReadString(kGlobal, QStringLiteral("sessionsini"), QStringLiteral("sessions.ini"));
    TSessionAuswDialog1 d(TSessionAuswVariante::NuvarCfg(), this);
    d.SessionsPfad = einstellung;
    d.ProgrammVerzeichnis = CfgVerzeichnis();
    if (!d.Ausfuehren()) return;
    const TIniFile sessions(SessionsIniPfad(einstellung, CfgVerzeichnis()));
    TVerbindung v;
    v.Verbindung = std::uint8_t(sessions.ReadInteger(d.Kennung, QStringLiteral("Verbindung"), 0));
    v.Schnittstelle = std::uint8_t(sessions.ReadInteger(d.Kennung, QStringLiteral("Schnittstelle"), 0));
    v.Baudrate = std::uint8_t(sessions.ReadInteger(d.Kennung, QStringLiteral("Baudrate"), 0));
    v.Rufnummer = sessions.ReadString(d.Kennung, QStringLiteral("Rufnummer"), {});
    // The programme names NUVARKom's port index; its own number follows from it.
    v.ComPort = QString::number(int(v.Schnittstelle) + 1);
    TDATDatei neu;
    if (!ParameterLesen(neu, v, NUVARKom(), Starter)) {
        Meldungen().Fehler(QString::fromUtf8(kTransferFehler));
        return;
    }
    Uebernimm(neu);
}

void TNuvarCfgForm::KonfigurationdirektvonLoggerladen1Click() {
    const QString programm = NUVARKom();
    TDirektForm d(NUVARWinIni(programm), PortSuche, this);
    if (d.Ausfuehren() != 1) return;
    TDATDatei neu;
    if (!ParameterLesen(neu, d.Verbindung(), programm, Starter)) {
        Meldungen().Fehler(QString::fromUtf8(kTransferFehler));
        return;
    }
    Uebernimm(neu);
    Meldungen().Information(QStringLiteral("Parameter erfolgreich gelesen."));
}

void TNuvarCfgForm::KonfigurationdirektzuLoggerbertragen1Click() {
    Zurueckschreiben();
    // NUVARKom refuses such a table; say so before anything is started.
    if (m_.Datei.ChannelCount() > kMaxKanaele)
        throw ERangeError(QStringLiteral("Die Konfiguration hat %1 Kanäle; ein Logger nimmt höchstens %2 auf.\n"
                                         "Löschen Sie Sensoren, bevor Sie die Konfiguration senden.")
                              .arg(m_.Datei.ChannelCount())
                              .arg(kMaxKanaele));
    const QString programm = NUVARKom();
    TDirektForm d(NUVARWinIni(programm), PortSuche, this);
    if (d.Ausfuehren() != 1) return;
    if (!Meldungen().Frage(QStringLiteral("Beim Senden der Stationsparameter werden alle Datensätze\n"
                                          "unwiederbringlich gelöscht. Wollen Sie trotzdem fortfahren?")))
        return;
    if (ParameterSenden(m_.Datei, d.Verbindung(), programm, Starter))
        Meldungen().Information(QStringLiteral("Übertragung erfolgreich."));
    else
        Meldungen().Fehler(QString::fromUtf8(kTransferFehler));
}

void TNuvarCfgForm::SpeichernClick() {
    Zurueckschreiben();
    const QString vorschlag = m_.Dateivorschlag();
    const TSpeicherWahl w = SpeichernDialog(vorschlag);
    if (w.Datei.isEmpty()) return;
    if (w.Filter == 2) {
        // The export goes to the name the user chose.
        QString ziel = w.Datei;
        if (QFileInfo(ziel).suffix().isEmpty()) ziel += QStringLiteral(".txt");
        TextExportieren(ExportTexte(), ziel);
    } else {
        m_.Speichern(w.Datei);
    }
    m_.Geaendert = false;
}

void TNuvarCfgForm::Optionen1Click() {
    Zurueckschreiben();
    OptionenForm->Ausfuehren();
}

void TNuvarCfgForm::NeuerMesswertClick() {
    Zurueckschreiben();
    if (m_.Datei.ChannelCount() >= kMaxKanaele) {
        Meldungen().Information(QString::fromUtf8(kKanallisteVoll));
        return;
    }
    const THardwareListeNeu kopie = m_.Arbeitskopie();
    TGeberINIZeile sensor;
    if (!MesswertAuswahlForm->SensorAuswaehlen(m_.GeberZeilen, kopie, sensor)) return;
    int eingang = -1;
    if (!KanalAuswahlForm->KanalAuswaehlen(sensor, kopie, eingang)) return;
    m_.SensorHinzufuegen(TNuvarCfgModell::NeuerEintrag(sensor, eingang));
    m_.Geaendert = true;
    KonfigurationAnzeigen();
    WaehleZeile(m_.Datei.ChannelCount());
}

void TNuvarCfgForm::MesswertausClick() {
    Zurueckschreiben();
    const int zeile = Zeile();
    if (m_.KeineKanaele() || zeile < 1) return;
    if (!Meldungen().Frage(QStringLiteral("Wirklich löschen?"))) return;
    m_.Datei.DeleteChannel(zeile - 1);
    m_.Geaendert = true;
    KonfigurationAnzeigen();
}

void TNuvarCfgForm::BearbeitenButtonClick() {
    Zurueckschreiben();
    const int zeile = Zeile();
    if (zeile < 1) return;
    TKanalEintrag e = m_.Datei.GetChannel(zeile - 1);
    const std::uint8_t typ = m_.Datei.GetHardware(e.Kanalnummer);
    if (!ParameterForm->ParameterBearbeiten(m_.GeberZeilen, m_.KanalZeilen, e, typ)) return;
    m_.Datei.SetChannel(zeile - 1, e);
    m_.Geaendert = true;
    KonfigurationAnzeigen();
}

void TNuvarCfgForm::KanalTabelleRowMoved(int von, int nach) {
    m_.Datei.MoveChannel(von - 1, nach - 1);
    m_.Geaendert = true;
    WaehleZeile(nach);
    KonfigurationAnzeigen();
}

void TNuvarCfgForm::Info1Click() {
    ZeigeInfo(NuvarCfgInfo(), this);
}

TExportTexte TNuvarCfgForm::ExportTexte() const {
    TExportTexte t;
    t.Name = NameEdit->text();
    t.Nummer = NummerLabel->text();
    t.Speicher = SpeicherLabel->text();
    t.Datensaetze = DatenLabel->text();
    t.Batterie = BatterieLabel->text();
    t.Laenge = LaengeMaskEdit->text();
    t.LaengeSeite = LaengeComboBox->currentText();
    t.Breite = BreiteMaskEdit->text();
    t.BreiteSeite = BreiteComboBox->currentText();
    t.Mittelwert = MittelwertCombo->currentText();
    t.Mess = MessCombo->currentText();
    t.Sleep = SleepCombo->currentText();
    t.Ausgelesen = MCLabel->text();
    t.FreieTage = FreieTageLabel->text();
    std::array<QString, kSpalten> kopf;
    for (int c = 0; c < kSpalten; ++c) kopf[std::size_t(c)] = Tabellenmodell->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    t.Zeilen.push_back(kopf);
    for (int r = 0; r < Tabellenmodell->rowCount(); ++r) {
        std::array<QString, kSpalten> z;
        for (int c = 0; c < kSpalten; ++c) z[std::size_t(c)] = Tabellenmodell->index(r, c).data().toString();
        t.Zeilen.push_back(z);
    }
    return t;
}

} // namespace nuvar
