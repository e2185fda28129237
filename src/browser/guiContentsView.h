#pragma once

#include "mdlBrowse.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QWidget>

#include <functional>

class QLabel;
class QListView;
class QTreeView;
class QAbstractItemView;
class QItemSelectionModel;

// The rows of the contents list, one per folder or file, in four columns. Icons are looked up
// only when a row is first drawn, so a folder of any size is listed at once.
class ContentsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Role { KeyRole = Qt::UserRole, IconKeyRole, GhostedRole };

    explicit ContentsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // The picture key of an entry (by name and kind) and the picture of a key.
    std::function<QString(const QString& name, bool isFolder)> iconKeyOf;
    std::function<QIcon(const QString& iconKey)> pictureOf;

    void setEntries(QVector<ListEntry> entries, bool useIcons, const QColor& ghost);
    void clear();
    const ListEntry& entry(int row) const { return m_rows.at(row).entry; }
    int rowOf(const QString& key) const { return m_rowOfKey.value(key, -1); }
    ListColumn sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct Row {
        ListEntry entry;
        mutable QString iconKey; // looked up on first use
    };
    QString iconKeyAt(int row) const;
    void reindex();

    QVector<Row> m_rows;
    QHash<QString, int> m_rowOfKey;
    bool m_useIcons = false;
    QColor m_ghost;
    ListColumn m_sortColumn = ListColumn::Name;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// The contents list pane: the same rows as a list of names in columns (List) or as a table with
// a sortable header (Details), and a hint drawn over an empty pane.
class ContentsView : public QWidget {
    Q_OBJECT

public:
    explicit ContentsView(QWidget* parent = nullptr);

    ContentsModel* model() const { return m_model; }
    QListView* listView() const { return m_list; }
    QTreeView* detailsView() const { return m_details; }
    // The view on show.
    QAbstractItemView* view() const;
    bool isDetails() const { return m_isDetails; }
    void setDetails(bool details);

    int count() const;
    QString keyAt(int row) const;
    int currentRow() const;
    // The key of the current entry when it is selected, else "".
    QString selectedKey() const;
    void setCurrentRow(int row);
    bool selectKey(const QString& key);
    void clearSelection();
    // The entry under a point of the shown view's viewport (-1 for empty space), and its place.
    int rowAt(const QPoint& viewportPos) const;
    QRect visualRowRect(int row) const;
    QWidget* viewport() const;

    // The text shown over an empty pane ("" for none).
    void setHint(const QString& text);
    QString hint() const;
    // The details' column widths "w,w,w,w" and sort "column,order", as kept in the settings.
    QString columnWidths() const;
    void setColumnWidths(const QString& widths);

    // Sizes each list cell for the widest name, so long names are not cut to the first one's.
    void fitListCells();

signals:
    void activated();
    void clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateHint();

    ContentsModel* m_model;
    QListView* m_list;
    QTreeView* m_details;
    QLabel* m_hint;
    bool m_isDetails = false;
};
