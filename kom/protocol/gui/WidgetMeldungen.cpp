#include "kom/protocol/gui/WidgetMeldungen.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

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
    box.show();
    QApplication::processEvents();
    QThread::msleep(2000);
    box.close();
}

} // namespace nuvar
