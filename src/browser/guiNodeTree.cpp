#include "guiNodeTree.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyledItemDelegate>

// Writes an edited label back only when the owner accepts it, so the tree never shows a name the
// catalogue did not take.
class NodeTree::LabelDelegate : public QStyledItemDelegate {
public:
    explicit LabelDelegate(NodeTree* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* item = m_tree->itemFromIndex(index);
        if (!line || !item)
            return;
        const QString text = line->text();
        if (m_tree->afterLabelEdit && !m_tree->afterLabelEdit(item, text))
            return;
        item->setText(0, text);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        QStyledItemDelegate::setEditorData(editor, index);
        // Typing replaces the whole label, as in every file manager.
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->selectAll();
    }

private:
    NodeTree* m_tree;
};

NodeTree::NodeTree(QWidget* parent) : KeyTree(parent) {
    setItemDelegate(new LabelDelegate(this));
    // Labels are edited only through startLabelEdit, which asks the owner first.
    setEditTriggers(NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(false);
}

bool NodeTree::startLabelEdit(QTreeWidgetItem* item) {
    if (!item || (beforeLabelEdit && beforeLabelEdit()))
        return false;
    // Editable just long enough to open the editor: no other trigger may start one.
    const Qt::ItemFlags flags = item->flags();
    item->setFlags(flags | Qt::ItemIsEditable);
    scrollToItem(item);
    editItem(item, 0);
    item->setFlags(flags);
    return isEditingLabel();
}

QTreeWidgetItem* NodeTree::dropTarget() const {
    return m_dropTarget.isValid() ? itemFromIndex(m_dropTarget) : nullptr;
}

void NodeTree::setDropTarget(QTreeWidgetItem* item) {
    const QModelIndex index = item ? indexFromItem(item) : QModelIndex();
    if (index == m_dropTarget)
        return;
    if (m_dropTarget.isValid())
        update(m_dropTarget);
    m_dropTarget = index;
    if (index.isValid())
        update(index);
}

void NodeTree::endDragFeedback() {
    setDropTarget(nullptr);
    // The base class stops its auto-scroll and auto-expand timers here.
    QDragLeaveEvent leave;
    QTreeWidget::dragLeaveEvent(&leave);
}

bool NodeTree::isOwnDrag(const QDropEvent* event) const {
    return event->source() == this && event->mimeData() && event->mimeData()->hasText();
}

void NodeTree::startDrag(Qt::DropActions) {
    if (QApplication::mouseButtons() != Qt::LeftButton ||
        (QApplication::keyboardModifiers() & Qt::ShiftModifier))
        return;
    if (canStartDrag && !canStartDrag())
        return;
    const QString key = keyOf(currentItem());
    if (key.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setText(key);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const QRect rect = visualItemRect(currentItem());
    drag->setPixmap(currentItem()->icon(0).pixmap(16, 16));
    drag->setHotSpot(QPoint(-8, qMin(8, rect.height() / 2)));
    // The move itself is written by the drop handler; nothing is removed here afterwards.
    drag->exec(Qt::MoveAction);
    endDragFeedback();
}

void NodeTree::dragEnterEvent(QDragEnterEvent* event) {
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void NodeTree::dragMoveEvent(QDragMoveEvent* event) {
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    // Auto-scroll and auto-expand of the base class; its verdict is replaced below.
    QTreeWidget::dragMoveEvent(event);
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    const bool allowed = dropAllowed && dropAllowed(event->mimeData()->text(), keyOf(target));
    setDropTarget(allowed ? target : nullptr);
    if (allowed) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        // The platform shows the no-drop cursor for an ignored move.
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
    }
}

void NodeTree::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropTarget(nullptr);
    QTreeWidget::dragLeaveEvent(event);
}

void NodeTree::dropEvent(QDropEvent* event) {
    endDragFeedback();
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    const QString dragged = event->mimeData()->text();
    const QString target = keyOf(itemAt(event->position().toPoint()));
    // Accepted without an action: the entries are rearranged by the owner, not by the view.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (dropAllowed && !dropAllowed(dragged, target))
        return;
    if (drop)
        drop(dragged, target);
}

void NodeTree::mousePressEvent(QMouseEvent* event) {
    // A press on empty space leaves nothing selected, so the commands do not act on the entry
    // picked before.
    if (!itemAt(event->position().toPoint())) {
        clearSelection();
        setCurrentItem(nullptr);
    }
    KeyTree::mousePressEvent(event);
}

void NodeTree::contextMenuEvent(QContextMenuEvent* event) {
    if (!contextMenu) {
        event->ignore();
        return;
    }
    const bool byMouse = event->reason() == QContextMenuEvent::Mouse;
    // A mouse request comes through the viewport, in its coordinates; from the keyboard the
    // menu opens at the selected entry.
    QPoint pos = event->pos();
    if (!byMouse) {
        const QRect rect = visualItemRect(currentItem());
        pos = rect.isValid() ? rect.center() : QPoint(0, 0);
    }
    event->accept();
    contextMenu(pos, byMouse, event->modifiers());
}

void NodeTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const {
    if (m_dropTarget.isValid() && index.siblingAtColumn(0) == m_dropTarget) {
        QStyleOptionViewItem highlighted(option);
        highlighted.state |= QStyle::State_Selected;
        QTreeWidget::drawRow(painter, highlighted, index);
        return;
    }
    QTreeWidget::drawRow(painter, option, index);
}
