#pragma once

#include <QHash>
#include <QTreeWidget>

// A tree whose entries carry unique keys ("N12", "K15"), found in constant time. The key index
// follows every removal, whoever removes the entry, so it never points at a deleted entry.
class KeyTree : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int IconKeyRole = Qt::UserRole + 1;

    explicit KeyTree(QWidget* parent = nullptr);

    QTreeWidgetItem* find(const QString& key) const { return m_index.value(key); }
    bool contains(const QString& key) const { return m_index.contains(key); }
    static QString keyOf(const QTreeWidgetItem* item);

    // A new entry as the last child of parent (a top-level entry when null). Null when the key
    // is already taken. The parent may still be detached from the tree (bulk fills).
    QTreeWidgetItem* add(QTreeWidgetItem* parent, const QString& key, const QString& text,
                         const QIcon& icon, const QString& iconKey);
    // The same, left detached: the caller inserts it later.
    QTreeWidgetItem* addDetached(QTreeWidgetItem* parent, const QString& key, const QString& text,
                                 const QIcon& icon, const QString& iconKey);
    // Removes the entry and its subtree.
    bool remove(const QString& key);

protected:
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void reset() override;

private:
    void forget(QTreeWidgetItem* item);

    QHash<QString, QTreeWidgetItem*> m_index;
};
