// The commands that hand work to other windows (New Disk, Import, Find, the properties dialogs),
// the availability of the File menu's commands, and the two context menus.
#include "frmMain.h"

#include "catalogue/mdlDatabase.h"
#include "common/mdlTrim.h"
#include "disk/frmDiskNew.h"
#include "disk/frmUpdate.h"
#include "guiContentsView.h"
#include "guiNodeTree.h"
#include "import/frmImport.h"
#include "import/guiUpdateIndex.h"
#include "properties/frmPropImg.h"
#include "properties/frmPropItm.h"
#include "search/frmFind.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

bool frmMain::isCatalogueOpen() {
    return db().isOpen() && !catalogue().path.isEmpty();
}

bool frmMain::isCatalogueWritable() {
    return isCatalogueOpen() && !catalogue().readOnly;
}

frmMain::FocusPane frmMain::focusPane() const {
    QWidget* focus = focusWidget();
    if (!focus)
        return FocusPane::None;
    // The label editor and the viewports count as their pane.
    if (focus == trvNodes || trvNodes->isAncestorOf(focus))
        return FocusPane::Nodes;
    if (focus == lsvMain || lsvMain->isAncestorOf(focus))
        return FocusPane::List;
    return FocusPane::Other;
}

frmMain::FilingNode frmMain::filingNode() const {
    QTreeWidgetItem* selected = trvNodes->currentItem();
    const QString key = KeyTree::keyOf(selected);
    if (key.startsWith(u'N'))
        return {KeyToID(key), key};
    if (key.startsWith(u'I') && selected->parent()) {
        const QString parentKey = KeyTree::keyOf(selected->parent());
        if (parentKey.startsWith(u'N'))
            return {KeyToID(parentKey), parentKey};
    }
    return {};
}

void frmMain::buildEditing() {
    auto add = [this](QMenu* menu, const char* name, const QString& caption,
                      void (frmMain::*run)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (run)
            connect(a, &QAction::triggered, this, run);
        return a;
    };
    poptrvNodes = new QMenu(QStringLiteral("poptrvNodes"), this);
    poptrvNodes->setObjectName(QStringLiteral("poptrvNodes"));
    connect(poptrvNodes, &QMenu::aboutToShow, this, &frmMain::mnuFile_Click);
    QMenu* popNew = poptrvNodes->addMenu(QStringLiteral("&New"));
    popNew->setObjectName(QStringLiteral("poptrvNodesNew"));
    popNew->menuAction()->setObjectName(QStringLiteral("poptrvNodesNew"));
    add(popNew, "poptrvNodesNewNode", QStringLiteral("&Node"), &frmMain::mnuFileNewNode_Click);
    add(popNew, "poptrvNodesNewDisk", QStringLiteral("&Disk..."), &frmMain::mnuFileNewDisk_Click);
    poptrvNodes->addSeparator()->setObjectName(QStringLiteral("poptrvNodes1"));
    add(poptrvNodes, "poptrvNodesRename", QStringLiteral("&Rename"), &frmMain::mnuFileRename_Click);
    add(poptrvNodes, "poptrvNodesDelete", QStringLiteral("&Delete"), &frmMain::mnuFileDelete_Click);
    add(poptrvNodes, "poptrvNodesUpdate", QStringLiteral("&Update from Disk..."),
        &frmMain::mnuFileUpdateDisk_Click);
    poptrvNodes->addSeparator()->setObjectName(QStringLiteral("poptrvNodes2"));
    add(poptrvNodes, "poptrvNodesProperties", QStringLiteral("&Properties..."),
        &frmMain::mnuFileProperties_Click);

    poplsvMain = new QMenu(QStringLiteral("poplsvMain"), this);
    poplsvMain->setObjectName(QStringLiteral("poplsvMain"));
    add(poplsvMain, "poplsvMainProperties", QStringLiteral("&Properties..."),
        &frmMain::mnuFileProperties_Click);

    trvNodes->beforeLabelEdit = [this] { return trvNodes_BeforeLabelEdit(); };
    trvNodes->afterLabelEdit = [this](QTreeWidgetItem* item, const QString& text) {
        return trvNodes_AfterLabelEdit(item, text);
    };
    trvNodes->canStartDrag = [] { return isCatalogueWritable(); };
    trvNodes->dropAllowed = [this](const QString& dragged, const QString& target) {
        return trvNodes_DragOver(dragged, target);
    };
    trvNodes->drop = [this](const QString& dragged, const QString& target) {
        trvNodes_DragDrop(dragged, target);
    };
    trvNodes->contextMenu = [this](const QPoint& pos, bool byMouse, Qt::KeyboardModifiers mods) {
        trvNodes_ContextMenu(pos, byMouse, mods);
    };

    // The shortcuts (F2, Del) act without the File menu being opened, so the availability
    // follows the focus and the selection rather than only the menu's opening.
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && (now == trvNodes || trvNodes->isAncestorOf(now) || now == lsvMain ||
                    lsvMain->isAncestorOf(now)))
            mnuFile_Click();
    });
    connect(trvNodes, &QTreeWidget::currentItemChanged, this, [this] {
        if (focusPane() == FocusPane::Nodes)
            mnuFile_Click();
    });
}

void frmMain::mnuFile_Click() {
    auto enable = [this](std::initializer_list<const char*> names, bool enabled) {
        for (const char* name : names) {
            if (QAction* a = action(name))
                a->setEnabled(enabled);
        }
    };
    // Without a catalogue the closed state of the menus stands; the tree's menu offers nothing.
    if (!isCatalogueOpen()) {
        enable({"poptrvNodesNew", "poptrvNodesRename", "poptrvNodesDelete", "poptrvNodesProperties",
                "poptrvNodesUpdate"},
               false);
        return;
    }
    const bool readOnly = catalogue().readOnly;
    switch (focusPane()) {
    case FocusPane::Nodes: {
        QTreeWidgetItem* selected = trvNodes->currentItem();
        if (!selected) {
            enable({"mnuFileExport", "mnuFileDelete", "mnuFileRename", "mnuFileProperties",
                    "poptrvNodesDelete", "poptrvNodesRename", "poptrvNodesProperties",
                    "mnuFileUpdateDisk", "mnuFileUpdateIndex", "poptrvNodesUpdate"},
                   false);
            enable({"poptrvNodesNew"}, !readOnly);
            break;
        }
        enable({"mnuFileRename", "mnuFileDelete", "poptrvNodesNew", "poptrvNodesRename",
                "poptrvNodesDelete"},
               !readOnly);
        const bool node = KeyTree::keyOf(selected).startsWith(u'N');
        enable({"mnuFileImport"}, node && !readOnly);
        enable({"mnuFileUpdateDisk", "mnuFileUpdateIndex", "poptrvNodesUpdate"},
               !node && !readOnly);
        enable({"mnuFileExport", "mnuFileProperties", "poptrvNodesProperties"}, !node);
        break;
    }
    case FocusPane::List:
        enable({"mnuFileExport", "mnuFileDelete", "mnuFileRename", "poptrvNodesDelete",
                "poptrvNodesRename", "poptrvNodesProperties", "mnuFileUpdateDisk",
                "mnuFileUpdateIndex", "poptrvNodesUpdate"},
               false);
        enable({"mnuFileProperties"}, true);
        break;
    case FocusPane::None:
    case FocusPane::Other:
        break;
    }
}

void frmMain::mnuFileNewDisk_Click() {
    if (!isCatalogueWritable())
        return;
    const FilingNode filing = filingNode();
    const QVariant before = db().scalar(QStringLiteral("SELECT MAX(ID) FROM Images"));
    frmDiskNew::showFor(this, this, filing.id, filing.key);
    // The dialog may close by itself when the scan ends: the focus comes back here, on the new
    // image, rather than to no window at all.
    activateWindow();
    const QVariant after = db().scalar(QStringLiteral("SELECT MAX(ID) FROM Images"));
    if (!after.isNull() && after != before)
        showCatalogueEntry(QStringLiteral("I%1").arg(after.toLongLong()));
    trvNodes->setFocus(Qt::OtherFocusReason);
}

void frmMain::mnuFileImport_Click() {
    if (!isCatalogueWritable())
        return;
    const FilingNode filing = filingNode();
    frmImport::showFor(this, this, filing.id, filing.key);
}

void frmMain::mnuFileUpdateDisk_Click() {
    const QString key = KeyTree::keyOf(trvNodes->currentItem());
    if (isCatalogueWritable() && key.startsWith(u'I'))
        frmUpdate::showFor(this, this, KeyToID(key), {});
}

void frmMain::mnuFileUpdateIndex_Click() {
    const QString key = KeyTree::keyOf(trvNodes->currentItem());
    if (isCatalogueWritable() && key.startsWith(u'I'))
        UpdateFromIndex(this, this, KeyToID(key), {});
}

void frmMain::mnuFileProperties_Click() {
    if (!isCatalogueOpen())
        return;
    // The dialogs show the busy pointer while they read; it is not kept over a modal dialog.
    switch (focusPane()) {
    case FocusPane::Nodes: {
        const QString key = KeyTree::keyOf(trvNodes->currentItem());
        if (key.startsWith(u'I'))
            frmPropImg::showFor(this, this, KeyToID(key), key);
        break;
    }
    case FocusPane::List: {
        const QString key = lsvMain->selectedKey();
        if (!key.isEmpty())
            frmPropItm::showFor(this, this, m_currentImageId, KeyToID(key));
        break;
    }
    case FocusPane::None:
    case FocusPane::Other:
        break;
    }
}

void frmMain::mnuEditFind_Click() {
    frmFind::showFor(this, this);
}

void frmMain::trvNodes_ContextMenu(const QPoint& pos, bool byMouse,
                                   Qt::KeyboardModifiers modifiers) {
    if ((byMouse && (modifiers & Qt::ShiftModifier)) || !isCatalogueOpen())
        return;
    if (byMouse) {
        // The press has already handled an entry it selected; one picked only now is clicked.
        QTreeWidgetItem* item = trvNodes->itemAt(pos);
        if (!item) {
            // Empty space: the commands act on nothing (New files at the top level), not on
            // whatever was selected before.
            selectTreeItem(trvNodes, nullptr);
            trvNodes->clearSelection();
        } else if (item != trvNodes->currentItem()) {
            selectTreeItem(trvNodes, item);
            trvNodes_NodeClick(item);
        }
    }
    trvNodes->setFocus(Qt::PopupFocusReason);
    poptrvNodes->popup(trvNodes->viewport()->mapToGlobal(pos));
}

void frmMain::lsvMain_ContextMenu(const QPoint& pos, bool byMouse,
                                  Qt::KeyboardModifiers modifiers) {
    if (byMouse && (modifiers & Qt::ShiftModifier))
        return;
    QPoint at = pos;
    if (byMouse) {
        const int row = lsvMain->rowAt(pos);
        if (row >= 0)
            lsvMain->setCurrentRow(row);
        else
            lsvMain->clearSelection();
    } else if (lsvMain->currentRow() >= 0) {
        at = lsvMain->visualRowRect(lsvMain->currentRow()).center();
    }
    if (QAction* properties = action("Properties"))
        properties->setEnabled(true);
    lsvMain->setFocus(Qt::PopupFocusReason);
    poplsvMain->popup(lsvMain->viewport()->mapToGlobal(at));
}
