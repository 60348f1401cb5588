#pragma once
// "Optionen": the paths of NUVARKom and of the programme file sessions.ini,
// kept in config.ini relative to the configurator's directory.
#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

namespace nuvar {

class TOptionenForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionenForm(QWidget* parent = nullptr);

    // Fills both fields from config.ini and shows the dialog; "&OK" writes them.
    int Ausfuehren();

    // The file dialog behind the two "..." buttons (title, filter, start
    // folder) -> the chosen file or empty. Tests replace it.
    std::function<QString(const QString&, const QString&, const QString&)> DateiWaehlen;

    QLineEdit* NUVARKomPfadEdit = nullptr;
    QLineEdit* sessioniniedit = nullptr;
    QPushButton* NUVARKomSuchenButton = nullptr;
    QPushButton* SessionsSuchenButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* AbbrechenButton = nullptr;

private:
    void Suche(QLineEdit* feld, const QString& titel, const QString& filter);
    void OKClick();
};

} // namespace nuvar
