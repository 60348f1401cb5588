#include "cfg/ParameterBearbeitenUnit.h"

#include "cfg/Fensterart.h"
#include "common/Benutzeraktion.h"
#include "common/Text.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace nuvar {

// The picture between the value fields: the scaling as a line from the
// lower to the upper signal end, with the limits as dashed lines.
class TKennlinie : public QWidget {
public:
    explicit TKennlinie(QWidget* parent) : QWidget(parent) { setMinimumSize(110, 110); }
    double o = 1, u = 0, mn = 0, mx = 1;
    bool gueltig = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(8, 8, -8, -8);
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(r.bottomLeft(), r.topLeft());
        p.drawLine(r.bottomLeft(), r.bottomRight());
        if (!gueltig) return;
        const double lo = std::min({o, u, mn, mx}), hi = std::max({o, u, mn, mx});
        const double span = hi > lo ? hi - lo : 1;
        const auto y = [&](double v) { return r.bottom() - (v - lo) / span * r.height(); };
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawLine(QPointF(r.left(), y(u)), QPointF(r.right(), y(o)));
        p.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DashLine));
        p.drawLine(QPointF(r.left(), y(mx)), QPointF(r.right(), y(mx)));
        p.drawLine(QPointF(r.left(), y(mn)), QPointF(r.right(), y(mn)));
    }
};

TParameterForm::TParameterForm(QWidget* parent) : QDialog(parent, kDialogFenster) {
    setWindowTitle(QStringLiteral("Parameter bearbeiten"));

    auto* info = new QGroupBox(QStringLiteral("Kanalinformation"), this);
    SensorLabel = new QLabel(info);
    KanalTypLabel = new QLabel(info);
    MBGrenzenLabel = new QLabel(info);
    ZaehlerLabel = new QLabel(info);
    auto* ig = new QGridLayout(info);
    ig->addWidget(new QLabel(QStringLiteral("Sensor:"), info), 0, 0);
    ig->addWidget(SensorLabel, 0, 1, 1, 2);
    ig->addWidget(new QLabel(QStringLiteral("Kanaltyp:"), info), 1, 0);
    ig->addWidget(KanalTypLabel, 1, 1, 1, 2);
    ig->addWidget(new QLabel(QStringLiteral("Messbereichgrenzen:"), info), 2, 0);
    ig->addWidget(MBGrenzenLabel, 2, 1);
    ig->addWidget(ZaehlerLabel, 2, 2);
    ig->setColumnStretch(1, 1);

    auto* werte = new QGroupBox(QStringLiteral("Kanalparamatereinstellungen"), this);
    const auto feld = [&](QLineEdit*& e) {
        e = new QLineEdit(werte);
        e->setAlignment(Qt::AlignRight);
        e->setFixedWidth(90);
        e->installEventFilter(this);
    };
    feld(OGrenzeEdit);
    feld(MaxEdit);
    feld(MinEdit);
    feld(UGrenzeEdit);
    feld(aEdit);
    feld(bEdit);
    for (QLabel*& l : EinheitLabel) l = new QLabel(werte);
    OGrenzeLabel = new QLabel(werte);
    UGrenzeLabel = new QLabel(werte);
    bild_ = new TKennlinie(werte);
    auto* wg = new QGridLayout(werte);
    const char* titel[] = {"Messbereichs-\nende:", "max:", "min:", "Messbereichs-\nanfang"};
    QLineEdit* felder[] = {OGrenzeEdit, MaxEdit, MinEdit, UGrenzeEdit};
    for (int i = 0; i < 4; ++i) {
        wg->addWidget(new QLabel(QString::fromUtf8(titel[i]), werte), i, 0);
        wg->addWidget(felder[i], i, 1);
        wg->addWidget(EinheitLabel[i], i, 2);
    }
    wg->addWidget(bild_, 0, 3, 4, 1);
    wg->addWidget(OGrenzeLabel, 0, 4, Qt::AlignLeft | Qt::AlignTop);
    wg->addWidget(UGrenzeLabel, 3, 4, Qt::AlignLeft | Qt::AlignBottom);
    auto* ab = new QHBoxLayout;
    ab->addWidget(new QLabel(QStringLiteral("a:"), werte));
    ab->addWidget(aEdit);
    ab->addSpacing(16);
    ab->addWidget(new QLabel(QStringLiteral("b:"), werte));
    ab->addWidget(bEdit);
    ab->addStretch();
    wg->addLayout(ab, 4, 0, 1, 5);
    wg->setColumnMinimumWidth(2, 36);
    wg->setColumnStretch(3, 1);

    HinweisLabel = new QLabel(this);
    HinweisLabel->setWordWrap(true);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    AbbrechenButton = new QPushButton(QStringLiteral("Abbrechen"), this);
    // Enter belongs to the fields (it applies their rule), not to a default button.
    OKButton->setAutoDefault(false);
    AbbrechenButton->setAutoDefault(false);
    connect(OKButton, &QPushButton::clicked, this, Aktionsschutz([this] { OKClick(); }));
    connect(AbbrechenButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(OKButton);
    knoepfe->addWidget(AbbrechenButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addWidget(werte);
    layout->addWidget(HinweisLabel);
    layout->addLayout(knoepfe);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TParameterForm::ParameterBearbeiten(const QStringList& geberZeilen, const QStringList& kanalZeilen,
                                         TKanalEintrag& eintrag, std::uint8_t kanaltyp) {
    r_.Beginne(geberZeilen, kanalZeilen, eintrag, kanaltyp);
    Zeige();
    SensorLabel->setText(r_.SensorText);
    KanalTypLabel->setText(r_.KanaltypText);
    MBGrenzenLabel->setText(r_.MBGrenzenText);
    ZaehlerLabel->setText(r_.ZaehlerText);
    OGrenzeLabel->setText(r_.OGrenzeText);
    UGrenzeLabel->setText(r_.UGrenzeText);
    for (QLabel* l : EinheitLabel) l->setText(r_.EinheitText);
    OGrenzeEdit->setFocus();
    exec();
    if (r_.Ergebnis) eintrag = r_.Eintrag;
    return r_.Ergebnis;
}

void TParameterForm::Zeige() {
    zeigt_ = true;
    // The key rule's length limit is for typing; a computed text must not be cut by it.
    for (QLineEdit* e : {OGrenzeEdit, UGrenzeEdit, aEdit, bEdit, MinEdit, MaxEdit}) e->setMaxLength(32767);
    const TParameterFelder& f = r_.Felder;
    OGrenzeEdit->setText(f.OGrenze);
    UGrenzeEdit->setText(f.UGrenze);
    aEdit->setText(f.a);
    bEdit->setText(f.b);
    MinEdit->setText(f.Min);
    MaxEdit->setText(f.Max);
    HinweisLabel->setText(r_.Hinweis);
    HinweisLabel->setVisible(!r_.Hinweis.isEmpty());
    double o, u, mn, mx;
    bild_->gueltig = TryStrToFloat(f.OGrenze, o) && TryStrToFloat(f.UGrenze, u) && TryStrToFloat(f.Min, mn) &&
                     TryStrToFloat(f.Max, mx);
    if (bild_->gueltig) {
        bild_->o = o;
        bild_->u = u;
        bild_->mn = mn;
        bild_->mx = mx;
    }
    bild_->update();
    zeigt_ = false;
}

void TParameterForm::Lies() {
    TParameterFelder& f = r_.Felder;
    f.OGrenze = OGrenzeEdit->text();
    f.UGrenze = UGrenzeEdit->text();
    f.a = aEdit->text();
    f.b = bEdit->text();
    f.Min = MinEdit->text();
    f.Max = MaxEdit->text();
}

void TParameterForm::Fuehre(void (TParameterRechnung::*regel)()) {
    Benutzeraktion([&] {
        Lies();
        (r_.*regel)();
        Zeige();
    });
}

void TParameterForm::OKClick() {
    Lies();
    r_.Uebernehmen();
    accept();
}

bool TParameterForm::eventFilter(QObject* o, QEvent* e) {
    auto* feld = qobject_cast<QLineEdit*>(o);
    if (!feld || zeigt_) return QDialog::eventFilter(o, e);
    const auto regel = [&]() -> void (TParameterRechnung::*)() {
        if (feld == OGrenzeEdit || feld == UGrenzeEdit) return &TParameterRechnung::BereichGeaendert;
        if (feld == aEdit || feld == bEdit) return &TParameterRechnung::abGeaendert;
        return &TParameterRechnung::Grenzpruefung;
    };
    if (e->type() == QEvent::FocusOut) {
        const auto grund = static_cast<QFocusEvent*>(e)->reason();
        // A message box or a menu taking the focus is no leaving of the field.
        if (grund != Qt::ActiveWindowFocusReason && grund != Qt::PopupFocusReason) Fuehre(regel());
        return false;
    }
    if (e->type() != QEvent::KeyPress) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        Fuehre(regel());
        return true;
    }
    if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab || k->key() == Qt::Key_Backspace) return false;
    const QString t = k->text();
    // Caret movement, Delete and shortcuts are no characters typed.
    if (t.isEmpty() || !t[0].isPrint()) return false;
    const QChar c = t[0];
    const QString text = feld->text();
    const QString auswahl = feld->selectedText();
    if ((c == QLatin1Char(',') || c == QLatin1Char('-')) && text.count(c) > auswahl.count(c)) return true;
    if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char(',') && c != QLatin1Char('-')) return true;
    // At most three digits after the comma.
    const int komma = int(text.indexOf(QLatin1Char(',')));
    const int laenge = komma >= 0 && feld->cursorPosition() > komma ? std::max(komma + 1 + 3, int(text.size()))  // never cuts
                                                                    : int(text.size()) + 1;
    if (laenge != feld->maxLength()) {
        // Qt puts the caret at the end when the limit changes; keep it where the user is.
        const int caret = feld->cursorPosition();
        const int anfang = feld->selectionStart();
        const int lang = int(auswahl.size());
        feld->setMaxLength(laenge);
        if (anfang >= 0 && lang > 0)
            feld->setSelection(anfang == caret ? anfang + lang : anfang, anfang == caret ? -lang : lang);
        else
            feld->setCursorPosition(caret);
    }
    return false;
}

} // namespace nuvar
