#include "common/gui/InfoDialog.h"

#include "common/ProgrammVerzeichnis.h"
#include "common/gui/Bilder.h"
#include "common/gui/Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvar {

namespace {

const char* const kAdresse =
    "NUVAR – Software für automatische Wetterstationen\n"
    "Kommunikation und Konfiguration von Datenloggern";

} // namespace

QString BuildNummer() {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(NUVAR_VERSION_MAJOR)
        .arg(NUVAR_VERSION_MINOR)
        .arg(NUVAR_VERSION_PATCH)
        .arg(NUVAR_BUILD_NUMMER);
}

QDateTime ProgrammDateiDatum(const QString& programmDatei) {
    const QString pfad = programmDatei.isEmpty() ? QCoreApplication::applicationFilePath() : programmDatei;
    const QFileInfo fi(pfad);
    return fi.exists() ? fi.lastModified() : QDateTime();
}

TInfoDialog::TInfoDialog(const TProgrammInfo& info, QWidget* parent, const QString& programmDatei)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("Info über ") + info.Titel);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* bild = new QLabel(this);
    bild->setPixmap(SvgBild(info.Bild.isEmpty() ? QStringLiteral(":/common/bilder/messprogramme.svg") : info.Bild,
                            QSize(48, 48)));
    bild->setAlignment(Qt::AlignTop);

    TitelLabel = new QLabel(info.Titel + QLatin1Char(' ') + info.Version, this);
    QFont f = TitelLabel->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    TitelLabel->setFont(f);
    ModulLabel = new QLabel(info.Modul, this);
    const QDateTime datum = ProgrammDateiDatum(programmDatei);
    DatumLabel = new QLabel(QStringLiteral("Erstellt am: ") +
                                (datum.isValid() ? datum.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"))
                                                 : QStringLiteral("unbekannt")),
                            this);
    BuildLabel = new QLabel(QStringLiteral("Build-Nr.: ") + BuildNummer(), this);
    // Where this program keeps its settings and files: what support asks first.
    const TProgrammVerzeichnis v = BestimmeProgrammVerzeichnis(AktuelleLage());
    VerzeichnisLabel = new QLabel(
        QStringLiteral("Programmverzeichnis: ") +
            (v.Fehler.isEmpty() ? QDir::toNativeSeparators(v.Pfad) + QStringLiteral(" (") + RegelText(v.Regel) +
                                      QLatin1Char(')')
                                : v.Fehler),
        this);
    VerzeichnisLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    AdressLabel = new QLabel(info.Adresse.isEmpty() ? QString::fromUtf8(kAdresse) : info.Adresse, this);
    AdressLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* linie = new QFrame(this);
    linie->setFrameShape(QFrame::HLine);
    linie->setFrameShadow(QFrame::Sunken);

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* texte = new QVBoxLayout;
    texte->addWidget(TitelLabel);
    texte->addWidget(ModulLabel);
    texte->addSpacing(8);
    texte->addWidget(DatumLabel);
    texte->addWidget(BuildLabel);
    texte->addWidget(VerzeichnisLabel);
    texte->addSpacing(8);
    texte->addWidget(linie);
    texte->addWidget(AdressLabel);
    auto* oben = new QHBoxLayout;
    oben->addWidget(bild);
    oben->addSpacing(12);
    oben->addLayout(texte, 1);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(OKButton);
    knoepfe->addStretch(1);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(16, 16, 16, 12);
    l->addLayout(oben);
    l->addSpacing(12);
    l->addLayout(knoepfe);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void ZeigeInfo(const TProgrammInfo& info, QWidget* parent) {
    TInfoDialog d(info, parent);
    d.exec();
}

} // namespace nuvar
