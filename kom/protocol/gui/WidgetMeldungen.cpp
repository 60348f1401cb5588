#include "kom/protocol/gui/WidgetMeldungen.h"

#include <QApplication>
#include <QMessageBox>
#include <QEventLoop>
#include <QTimer>

namespace nuvar {

namespace {
QString Titel() { return QApplication::applicationName(); }
} // namespace

void TWidgetMeldungen::Information(const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), Titel(), text, QMessageBox::Ok);
}

void TWidgetMeldungen::Fehler(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), Titel(), text, QMessageBox::Ok);
}

bool TWidgetMeldungen::Frage(const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), Titel(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void TWidgetMeldungen::FehlerKurz(const QString& text) {
    QMessageBox box(QMessageBox::Critical, Titel(), text, QMessageBox::NoButton, QApplication::activeWindow());
    box.setModal(false);
    // The caller goes on only after the box has been seen, but the event loop
    // runs meanwhile: the box paints, and the line and the other windows are
    // served. Closing it early ends the wait too.
    QEventLoop warten;
    QTimer uhr;
    uhr.setSingleShot(true);
    uhr.setTimerType(Qt::PreciseTimer);
    QObject::connect(&uhr, &QTimer::timeout, &warten, &QEventLoop::quit);
    QObject::connect(&box, &QMessageBox::finished, &warten, &QEventLoop::quit);
    box.show();
    uhr.start(KurzMs);
    warten.exec();
    box.close();
}

} // namespace nuvar
