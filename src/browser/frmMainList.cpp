// The contents list: listing a folder, the file-type icons and the list's keys.
#include "frmMain.h"

#include "catalogue/mdlDatabase.h"
#include "guiContentsView.h"
#include "guiKeyTree.h"
#include "guiNodeTree.h"
#include "guiPictures.h"
#include "mdlBrowse.h"
#include "shell/mdlOptions.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeDatabase>

namespace {

struct IconCache {
    QHash<QString, QIcon> icons; // "Icon.txt", "IconFolder"
    int lookups = 0;
};

IconCache& iconCache() {
    static IconCache cache;
    return cache;
}

// A theme icon drawn once at the list's size, so every entry shares one small picture.
QIcon smallIcon(const QIcon& icon) {
    QIcon out;
    out.addPixmap(icon.pixmap(16, 16));
    return out;
}

QIcon listIcon(const QString& key) {
    auto it = iconCache().icons.constFind(key);
    if (it != iconCache().icons.constEnd())
        return it.value();
    return Picture(key);
}

} // namespace

QString frmMain::IconLookup(const QString& name, bool isFolder) {
    const QString registryName = IconRegistryName(name, isFolder);
    const QString key = QStringLiteral("Icon") + registryName;
    IconCache& cache = iconCache();
    auto it = cache.icons.constFind(key);
    if (it != cache.icons.constEnd())
        return it.value().isNull()
                   ? (isFolder ? QStringLiteral("Folder") : QStringLiteral("Unknown"))
                   : key;
    ++cache.lookups;
    QIcon icon;
    if (isFolder) {
        icon = QIcon::fromTheme(QStringLiteral("folder"));
    } else {
        static const QMimeDatabase mimeDb;
        const QMimeType type = mimeDb.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
        if (type.isValid() && !type.isDefault()) {
            icon = QIcon::fromTheme(type.iconName());
            if (icon.isNull())
                icon = QIcon::fromTheme(type.genericIconName());
        }
    }
    // An extension without a picture is remembered as such too: the desktop's answer does not
    // change while the program runs, and asking again for every file would slow big folders.
    cache.icons.insert(key, icon.isNull() ? QIcon() : smallIcon(icon));
    if (icon.isNull())
        return isFolder ? QStringLiteral("Folder") : QStringLiteral("Unknown");
    return key;
}

int frmMain::iconLookupCount() {
    return iconCache().lookups;
}

QIcon frmMain::ListPicture(const QString& iconKey) {
    return listIcon(iconKey);
}

void frmMain::clearList() {
    lsvMain->model()->clear();
}

QModelIndex frmMain::listEntry(const QString& key) const {
    const int row = lsvMain->model()->rowOf(key);
    return row < 0 ? QModelIndex() : lsvMain->model()->index(row, 0);
}

void frmMain::FillFiles(qint32 parentId) {
    BusyPointer busy(*m_ui);
    clearList();
    m_listTag = parentId;
    lsvMain->setProperty("Tag", QString::number(parentId));
    if (!db().isOpen())
        return;
    QVector<ListEntry> entries =
        ReadFolderContents(db(), m_currentImageId, m_currentImageType, parentId);
    if (entries.isEmpty())
        return;

    const QColor ghost = lsvMain->palette().color(QPalette::Disabled, QPalette::Text);
    // Icons are looked up as rows are drawn; the model asks IconLookup once per extension.
    lsvMain->model()->setEntries(std::move(entries), options().UseIcons, ghost);
    lsvMain->fitListCells();

    if (!trvMain->isHidden()) {
        if (QTreeWidgetItem* folder = trvMain->find(QStringLiteral("K%1").arg(m_listTag)))
            selectTreeItem(trvMain, folder);
    }
    m_listedFolderId = parentId;
}

bool frmMain::selectListEntry(const QString& key) {
    return lsvMain->selectKey(key);
}

void frmMain::lsvMain_Up() {
    if (!db().isOpen())
        return;
    const qint32 from = m_listTag;
    if (const std::optional<qint32> parent = ReadParentFolder(db(), m_currentImageId, m_listTag)) {
        FillFiles(*parent);
        // The folder just left stays picked, so Up and Enter are each other's undo.
        lsvMain->selectKey(QStringLiteral("F%1").arg(from));
    }
}

void frmMain::lsvMain_Enter() {
    const QString key = lsvMain->selectedKey();
    if (key.startsWith(u'F')) {
        bool ok = false;
        const qint32 id = key.mid(1).toInt(&ok);
        if (ok)
            FillFiles(id);
        return;
    }
    mnuFile_Click();
    if (QAction* properties = action("mnuFileProperties"); properties && properties->isEnabled())
        mnuFileProperties_Click();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const bool inList =
        watched == lsvMain || lsvMain->isAncestorOf(qobject_cast<QWidget*>(watched));
    if (inList && event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        // A mouse request arrives at the viewport, in its coordinates.
        QPoint pos = menuEvent->pos();
        if (auto* w = qobject_cast<QWidget*>(watched); w && w != lsvMain->viewport())
            pos = lsvMain->viewport()->mapFrom(w, pos);
        lsvMain_ContextMenu(pos, menuEvent->reason() == QContextMenuEvent::Mouse,
                            menuEvent->modifiers());
        return true;
    }
    if (inList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Backspace) {
            lsvMain_Up();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lsvMain_Enter();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
