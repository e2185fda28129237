// The catalogue tree and the folder tree: their fills, clicks and entries by key.
#include "frmMain.h"

#include "catalogue/mdlDatabase.h"
#include "common/mdlTrim.h"
#include "guiKeyTree.h"
#include "guiNodeTree.h"
#include "guiPictures.h"
#include "mdlBrowse.h"
#include "shell/mdlOptions.h"

#include "guiContentsView.h"
#include <QAction>
#include <QApplication>
#include <QLabel>

namespace {

QString placeholderKey(const QString& folderKey) {
    return folderKey + QStringLiteral("SF");
}

} // namespace

QTreeWidgetItem* frmMain::catalogueEntry(const QString& key) const {
    return trvNodes->find(key);
}

QTreeWidgetItem* frmMain::folderEntry(const QString& key) const {
    return trvMain->find(key);
}

void frmMain::selectTreeItem(QTreeWidget* tree, QTreeWidgetItem* item) {
    const bool was = std::exchange(m_selecting, true);
    tree->setCurrentItem(item);
    if (item)
        tree->scrollToItem(item);
    m_selecting = was;
}

// ---- Catalogue tree ---------------------------------------------------------------------------

void frmMain::mnuViewRefresh_Click() {
    BusyPointer busy(*m_ui);
    QWidget* focus = focusWidget();
    const QString name = focus ? focus->objectName() : QString();
    if (focus && (focus == lsvMain || lsvMain->isAncestorOf(focus))) {
        FillFiles(m_listedFolderId);
        return;
    }
    if (focus && focus != trvNodes && !(focus->parentWidget() == trvNodes))
        return;
    refreshCatalogueTree();
}

void frmMain::refreshCatalogueTree() {
    BusyPointer busy(*m_ui);
    const QString selected = KeyTree::keyOf(trvNodes->currentItem());
    const bool was = std::exchange(m_selecting, true);
    trvNodes->clear();
    if (db().isOpen()) {
        // Built detached and inserted at once: one insertion instead of one per entry.
        QList<QTreeWidgetItem*> top;
        for (const CatalogueEntry& e : ReadCatalogueTree(db())) {
            QTreeWidgetItem* parent = e.parentKey.isEmpty() ? nullptr : trvNodes->find(e.parentKey);
            if (!e.parentKey.isEmpty() && !parent)
                continue;
            const bool node = e.key.startsWith(u'N');
            const QIcon icon = node ? TreePicture(QStringLiteral("NodeC"), QStringLiteral("NodeO"))
                                    : Picture(ImagePictureKey(ImageTypeOfIconKey(e.iconKey)));
            QTreeWidgetItem* item = trvNodes->addDetached(parent, e.key, e.text, icon, e.iconKey);
            if (item && !parent)
                top.append(item);
        }
        trvNodes->addTopLevelItems(top);
    }
    if (QTreeWidgetItem* item = trvNodes->find(selected)) {
        selectTreeItem(trvNodes, item);
        item->setExpanded(true);
    }
    m_selecting = was;
    updateListHint();
}

void frmMain::rebuildCatalogueTree() {
    // The refresh keeps the selection by key; keys of another catalogue name other rows.
    trvNodes->clear();
    showNoImage();
    m_currentImageId = 0;
    m_currentImageType = 0;
    m_listedFolderId = 0;
    m_listTag = 0;
    refreshCatalogueTree();
}

void frmMain::updateListHint() {
    const bool empty = isCatalogueOpen() && trvNodes->topLevelItemCount() == 0;
    lsvMain->setHint(empty ? QStringLiteral("This catalogue is empty.\n"
                                            "File \u25B8 New \u25B8 Disk\u2026 catalogues a disk.")
                           : QString());
}

void frmMain::clickSelectedNode() {
    trvNodes_NodeClick(trvNodes->currentItem());
}

void frmMain::trvNodes_CurrentChanged(QTreeWidgetItem* item) {
    if (m_selecting || !item)
        return;
    // Keyboard moves act as clicks; a mouse press is handled here and not again by its click.
    if (QApplication::mouseButtons() != Qt::NoButton)
        m_clickedByPress = item;
    trvNodes_NodeClick(item);
}

void frmMain::trvNodes_NodeClick(QTreeWidgetItem* node) {
    if (!node)
        return;
    const QString key = KeyTree::keyOf(node);
    QAction* properties = action("Properties");
    if (key.startsWith(u'I')) {
        m_imageSelected = true;
        setListActive(true);
        m_currentImageId = KeyToID(key);
        m_currentImageType = ImageTypeOfIconKey(node->data(0, KeyTree::IconKeyRole).toString());
        trvMain->clear();
        m_panelImage->setText(node->text(0));
        m_panelImage->show();
        FillFiles(0);
        FillTree(true);
        if (properties)
            properties->setEnabled(true);
    } else {
        trvMain->clear();
        clearList();
        m_imageSelected = false;
        setListActive(false);
        if (properties)
            properties->setEnabled(false);
        m_panelImage->hide();
    }
}

void frmMain::clearCatalogueTree() {
    trvNodes->clear();
    trvMain->clear();
    m_imageSelected = false;
    m_currentImageId = 0;
    updateListHint();
}

bool frmMain::addCatalogueEntry(const QString& key, const QString& text, const QString& iconKey,
                                const QString& parentKey) {
    QTreeWidgetItem* parent = nullptr;
    if (!parentKey.isEmpty() && !(parent = trvNodes->find(parentKey)))
        return false;
    QIcon icon;
    if (iconKey.startsWith(u'T'))
        icon = Picture(ImagePictureKey(ImageTypeOfIconKey(iconKey)));
    else
        icon = TreePicture(QStringLiteral("NodeC"), QStringLiteral("NodeO"));
    const bool added = trvNodes->add(parent, key, text, icon, iconKey) != nullptr;
    updateListHint();
    return added;
}

bool frmMain::hasCatalogueEntry(const QString& key) const {
    return trvNodes->contains(key);
}

void frmMain::setCatalogueEntryText(const QString& key, const QString& text) {
    if (QTreeWidgetItem* item = trvNodes->find(key))
        item->setText(0, text);
    // The status bar names the image shown.
    if (m_imageSelected && key == QStringLiteral("I%1").arg(m_currentImageId))
        m_panelImage->setText(text);
}

bool frmMain::showCatalogueEntry(const QString& key) {
    QTreeWidgetItem* item = trvNodes->find(key);
    if (!item)
        return false;
    selectTreeItem(trvNodes, item);
    trvNodes_NodeClick(item);
    return true;
}

// ---- Folder tree ------------------------------------------------------------------------------

QTreeWidgetItem* frmMain::addImageRoot() {
    const std::optional<ImageRoot> root = ReadImageRoot(db(), m_currentImageId);
    if (!root)
        return nullptr;
    const QString picture = QStringLiteral("T%1").arg(root->type);
    return trvMain->add(nullptr, QStringLiteral("K0"), root->text, Picture(picture), picture);
}

void frmMain::FillTree(bool full) {
    if (options().IncrementalFill) {
        FillFolders(full ? -1 : 0);
        return;
    }
    if (!db().isOpen())
        return;
    if (full) {
        if (!m_imageSelected || trvMain->isHidden() || trvMain->topLevelItemCount() > 0)
            return;
        BusyPointer busy(*m_ui);
        if (addImageRoot())
            FillTree(false);
        return;
    }

    const QIcon folderIcon = TreePicture(QStringLiteral("FolderC"), QStringLiteral("FolderO"));
    const QString folderKey = QStringLiteral("FolderC");
    // Entries under entries already in the tree are collected per parent and inserted at once;
    // everything below them is built while still detached, which costs no view updates.
    QHash<QTreeWidgetItem*, QList<QTreeWidgetItem*>> pending;
    QVector<FolderRow> rows = ReadAllFolders(db(), m_currentImageId);
    // A row whose parent is not in the tree yet (a parent with a higher ID, or one that is
    // missing altogether) waits for another pass; rows that never find a parent are left out.
    while (!rows.isEmpty()) {
        QVector<FolderRow> waiting;
        for (const FolderRow& r : std::as_const(rows)) {
            const QString key = QStringLiteral("K%1").arg(r.id);
            if (trvMain->contains(key))
                continue;
            QTreeWidgetItem* parent = trvMain->find(QStringLiteral("K%1").arg(r.parentId));
            if (!parent) {
                waiting.append(r);
                continue;
            }
            const bool attached = parent->treeWidget() != nullptr;
            QTreeWidgetItem* item = trvMain->addDetached(attached ? nullptr : parent, key, r.name,
                                                         folderIcon, folderKey);
            if (attached)
                pending[parent].append(item);
        }
        if (waiting.size() == rows.size())
            break;
        rows = std::move(waiting);
    }
    for (auto it = pending.begin(); it != pending.end(); ++it)
        it.key()->addChildren(it.value());
}

void frmMain::FillFolders(qint32 parentId) {
    if (parentId == -1) {
        trvMain->clear();
        if (!m_imageSelected || trvMain->isHidden() || !db().isOpen())
            return;
        BusyPointer busy(*m_ui);
        if (addImageRoot())
            FillFolders(0);
        return;
    }
    if (!db().isOpen())
        return;
    QTreeWidgetItem* parent = trvMain->find(QStringLiteral("K%1").arg(parentId));
    if (!parent)
        return;
    const bool detect = options().DetectSubFolders;
    const QIcon folderIcon = TreePicture(QStringLiteral("FolderC"), QStringLiteral("FolderO"));
    QList<QTreeWidgetItem*> added;
    for (const FolderRow& r : ReadChildFolders(db(), m_currentImageId, parentId, detect)) {
        const QString key = QStringLiteral("K%1").arg(r.id);
        // A folder already in the tree keeps its entry; its placeholder is still considered.
        QTreeWidgetItem* item =
            trvMain->addDetached(nullptr, key, r.name, folderIcon, QStringLiteral("FolderC"));
        if (item)
            added.append(item);
        // An entry whose children are loaded already needs no placeholder among them.
        QTreeWidgetItem* target = item ? item : trvMain->find(key);
        if (target && target->childCount() == 0 && (!detect || r.hasSubfolders))
            trvMain->addDetached(target, placeholderKey(key), QString(), QIcon(), QString());
    }
    parent->addChildren(added);
}

void frmMain::trvMain_CurrentChanged(QTreeWidgetItem* item) {
    if (m_selecting || !item)
        return;
    if (QApplication::mouseButtons() != Qt::NoButton)
        m_clickedByPress = item;
    trvMain_NodeClick(item);
}

void frmMain::trvMain_Expand(QTreeWidgetItem* node) {
    if (!node || !options().IncrementalFill)
        return;
    const QString key = KeyTree::keyOf(node);
    if (trvMain->remove(placeholderKey(key)))
        FillFolders(KeyToID(key));
}

void frmMain::trvMain_NodeClick(QTreeWidgetItem* node) {
    if (!node)
        return;
    const QString key = KeyTree::keyOf(node);
    if (options().IncrementalFill) {
        // Without a placeholder the subfolders are loaded already; the fill skips them anyway.
        trvMain->remove(placeholderKey(key));
        FillFolders(KeyToID(key));
    }
    FillFiles(KeyToID(key));
}

bool frmMain::showFolderEntry(const QString& key) {
    QTreeWidgetItem* item = trvMain->find(key);
    if (!item)
        return false;
    selectTreeItem(trvMain, item);
    trvMain_NodeClick(item);
    return true;
}

bool frmMain::isFolderTreeVisible() const {
    return !trvMain->isHidden();
}
