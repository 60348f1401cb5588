#include "cfg/WrapperUnit.h"

#include "common/Benutzeraktion.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace nuvar {

TWrapperForm::TWrapperForm(QString programm, QStringList argumente, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      programm_(std::move(programm)), argumente_(std::move(argumente)) {
    setWindowTitle(QStringLiteral("Verbindung mit NUVARKom"));
    Label1 = new QLabel(QStringLiteral("Bitte warten, während NUVARKom Daten überträgt!"), this);
    Label1->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addWidget(Label1);
    setMinimumSize(380, 90);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Timer1 = new QTimer(this);
    Timer1->setInterval(1);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TWrapperForm::Timer1Timer);
}

bool TWrapperForm::Ausfuehren() {
    Timer1->start();
    exec();
    return ergebnis_;
}

void TWrapperForm::Timer1Timer() {
    Timer1->stop();
    // Whatever happens, the window closes: nobody else could close it.
    ergebnis_ = false;
    Benutzeraktion([this] { ergebnis_ = Starter(programm_, argumente_); });
    fertig_ = true;
    done(QDialog::Accepted);
}

void TWrapperForm::closeEvent(QCloseEvent* e) {
    // The user cannot close it: it ends when NUVARKom ends.
    if (fertig_)
        QDialog::closeEvent(e);
    else
        e->ignore();
}

TStarter WarteFensterStarter(QWidget* parent) {
    return [parent](const QString& programm, const QStringList& argumente) {
        TWrapperForm w(programm, argumente, parent);
        return w.Ausfuehren();
    };
}

} // namespace nuvar
