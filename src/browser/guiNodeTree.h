#pragma once

#include "guiKeyTree.h"

#include <QPersistentModelIndex>

#include <functional>

// The catalogue tree: a key tree whose labels are edited only when the window asks for it, whose
// entries are moved by dragging them onto a node, and whose context menu is the window's. What
// is allowed and what gets written is decided by the owner through the hooks below; the tree
// itself only turns events into keys.
class NodeTree : public KeyTree {
    Q_OBJECT

public:
    explicit NodeTree(QWidget* parent = nullptr);

    // True refuses the label edit before it starts.
    std::function<bool()> beforeLabelEdit;
    // The user finished typing; true keeps the new text, false leaves the old label.
    std::function<bool(QTreeWidgetItem* item, const QString& text)> afterLabelEdit;
    // False refuses to start a drag.
    std::function<bool()> canStartDrag;
    // Whether the dragged key may be dropped on the target key ("" is empty space).
    std::function<bool(const QString& dragged, const QString& target)> dropAllowed;
    std::function<void(const QString& dragged, const QString& target)> drop;
    // A context menu asked for at pos (viewport coordinates), by the mouse or the keyboard.
    std::function<void(const QPoint& pos, bool byMouse, Qt::KeyboardModifiers modifiers)>
        contextMenu;

    // Opens the label editor on the entry; false when it is refused or cannot be edited.
    bool startLabelEdit(QTreeWidgetItem* item);
    bool isEditingLabel() const { return state() == EditingState; }
    // The entry highlighted as the target of the drag in progress (null when none).
    QTreeWidgetItem* dropTarget() const;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    class LabelDelegate;
    void setDropTarget(QTreeWidgetItem* item);
    void endDragFeedback();
    // Only drags that started in this tree carry a key worth reading.
    bool isOwnDrag(const QDropEvent* event) const;

    // Persistent, so an entry removed during the drag never leaves a dangling highlight.
    QPersistentModelIndex m_dropTarget;
};
