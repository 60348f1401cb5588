#pragma once
// A list to choose one entry from: "&OK" (also a double click on an entry)
// takes the selected entry, "&Abbrechen" and closing the window take none.
// The sensor and the free-input selection are such lists.
#include <QDialog>
#include <QString>

#include <optional>

class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace nuvar {

class TListenauswahl : public QDialog {
    Q_OBJECT
public:
    TListenauswahl(const QString& titel, QWidget* parent = nullptr);

    QListWidget* ListBox1 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* AbbrechenButton = nullptr;

protected:
    // Selects the first entry and shows the dialog modally with the focus on
    // "&OK": the chosen entry's text, or none when cancelled (or empty).
    std::optional<QString> Waehle();
    // The layout from the top: what goes above the list is inserted at 0.
    QVBoxLayout* Anordnung = nullptr;
};

} // namespace nuvar
