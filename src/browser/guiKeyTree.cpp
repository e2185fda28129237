#include "guiKeyTree.h"

KeyTree::KeyTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
}

QString KeyTree::keyOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, KeyRole).toString() : QString();
}

QTreeWidgetItem* KeyTree::addDetached(QTreeWidgetItem* parent, const QString& key,
                                      const QString& text, const QIcon& icon,
                                      const QString& iconKey) {
    if (m_index.contains(key))
        return nullptr;
    auto* item = new QTreeWidgetItem;
    item->setText(0, text);
    item->setData(0, KeyRole, key);
    if (!iconKey.isEmpty()) {
        item->setIcon(0, icon);
        item->setData(0, IconKeyRole, iconKey);
    }
    if (parent)
        parent->addChild(item);
    m_index.insert(key, item);
    return item;
}

QTreeWidgetItem* KeyTree::add(QTreeWidgetItem* parent, const QString& key, const QString& text,
                              const QIcon& icon, const QString& iconKey) {
    if (m_index.contains(key))
        return nullptr;
    QTreeWidgetItem* item = addDetached(parent, key, text, icon, iconKey);
    if (!parent)
        addTopLevelItem(item);
    return item;
}

bool KeyTree::remove(const QString& key) {
    QTreeWidgetItem* item = m_index.value(key);
    if (!item)
        return false;
    forget(item);
    delete item;
    return true;
}

void KeyTree::forget(QTreeWidgetItem* item) {
    const QString key = keyOf(item);
    auto it = m_index.find(key);
    if (it != m_index.end() && it.value() == item)
        m_index.erase(it);
    for (int i = 0; i < item->childCount(); ++i)
        forget(item->child(i));
}

void KeyTree::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    for (int r = start; r <= end; ++r) {
        if (QTreeWidgetItem* item = itemFromIndex(model()->index(r, 0, parent)))
            forget(item);
    }
    QTreeWidget::rowsAboutToBeRemoved(parent, start, end);
}

void KeyTree::reset() {
    m_index.clear();
    QTreeWidget::reset();
}
