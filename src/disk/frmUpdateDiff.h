#pragma once

#include "disk/mdlUpdate.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// The differences an update found, as a table: the change, the path, and where a moved item went.
// Only the rows that pass the filter are listed; paths are built when a row is shown.
class UpdateDiffModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColChange, ColPath, ColNewPath, ColumnCount };

    explicit UpdateDiffModel(const ImageUpdate& update, QObject* parent = nullptr);

    // kind: -1 every kind, else an ImageUpdate::Kind. text: part of either path, any case.
    void setFilter(int kind, const QString& text);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString changeText(const ImageUpdate::Difference& d) const;
    QString path(const ImageUpdate::Difference& d, int column) const;

    const ImageUpdate& m_update;
    std::vector<qint32> m_rows; // indexes into the update's differences
};

// Shows what an update would write before anything is: the counts, a warning for removed items
// that carry notes, and the filterable list. Apply accepts, Cancel rejects; the caller writes.
class frmUpdateDiff : public QDialog {
    Q_OBJECT

public:
    frmUpdateDiff(QWidget* owner, const ImageUpdate& update);

    UpdateDiffModel* model() const { return m_model; }

private:
    void applyFilter();

    UpdateDiffModel* m_model;
    QLabel* lblCounts = nullptr;
    QLabel* lblLostNotes = nullptr;
    QComboBox* cboKind = nullptr;
    QLineEdit* txtFilter = nullptr;
    QTreeView* lsvDiff = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel = nullptr;
};
