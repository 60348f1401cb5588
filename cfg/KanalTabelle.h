#pragma once
// The channel table: nine columns over TNuvarCfgModell, a header row 30
// pixels high, data rows of 20, whole-row selection, resizable columns.
// Column 0 (the position) is drawn like the header; dragging a row by it
// moves the entry to the row where it is dropped.
#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

namespace nuvar {

class TNuvarCfgModell;

class TKanalTabellenModell : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TKanalTabellenModell(const TNuvarCfgModell& modell, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // Column titles (from config.ini; the program supplies none).
    QStringList Titel;
    // After the configuration changed.
    void Neu();

private:
    const TNuvarCfgModell& m_;
    int zeilen_ = 1;
};

class TKanalTabelle : public QTableView {
    Q_OBJECT
public:
    explicit TKanalTabelle(QWidget* parent = nullptr);
    // Rows may be dragged (only while channels exist).
    bool ZeilenVerschiebbar = false;

signals:
    // A data row (from 0) was dragged onto another.
    void ZeileVerschoben(int von, int nach);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    int ziehtVon_ = -1;  // row being dragged
    int ziel_ = -1;      // row under the mouse while dragging
    QPoint start_;
    bool zieht_ = false;
};

} // namespace nuvar
