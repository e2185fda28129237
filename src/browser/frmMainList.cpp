// The contents list: listing a folder, the file-type icons and the list's keys.
#include "frmMain.h"

#include "catalogue/mdlDatabase.h"
#include "guiKeyTree.h"
#include "guiNodeTree.h"
#include "guiPictures.h"
#include "mdlBrowse.h"
#include "shell/mdlOptions.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QListWidget>
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

void frmMain::clearList() {
    lsvMain->clear();
    m_listIndex.clear();
}

namespace {
// Names wider than this are elided rather than making one column fill the pane.
constexpr int kMaxListCellWidth = 420;
} // namespace

void frmMain::FillFiles(qint32 parentId) {
    BusyPointer busy(*m_ui);
    clearList();
    m_listTag = parentId;
    lsvMain->setProperty("Tag", QString::number(parentId));
    if (!db().isOpen())
        return;
    const QVector<ListEntry> entries =
        ReadFolderContents(db(), m_currentImageId, m_currentImageType, parentId);
    if (entries.isEmpty())
        return;

    const bool useIcons = options().UseIcons;
    const QColor ghost = lsvMain->palette().color(QPalette::Disabled, QPalette::Text);
    const QIcon folderPicture = Picture(QStringLiteral("Folder"));
    m_listIndex.reserve(entries.size());
    // All texts go in with one insertion; the per-entry data follows without repaints.
    QStringList texts;
    texts.reserve(entries.size());
    for (const ListEntry& e : entries)
        texts.append(e.text);
    lsvMain->setUpdatesEnabled(false);
    lsvMain->addItems(texts);
    const QSignalBlocker block(lsvMain->model());
    for (int i = 0; i < entries.size(); ++i) {
        const ListEntry& e = entries.at(i);
        QListWidgetItem* item = lsvMain->item(i);
        item->setData(KeyRole, e.key);
        if (e.folder) {
            const QString iconKey = useIcons ? IconLookup(e.name, true) : QStringLiteral("Folder");
            item->setData(IconKeyRole, iconKey);
            item->setIcon(useIcons ? listIcon(iconKey) : folderPicture);
        } else if (useIcons) {
            const QString iconKey = IconLookup(e.name, false);
            item->setData(IconKeyRole, iconKey);
            item->setIcon(listIcon(iconKey));
        }
        if (e.ghosted) {
            item->setData(GhostedRole, true);
            item->setForeground(ghost);
        }
        m_listIndex.insert(e.key, item);
    }
    // Every entry gets the cell of the widest name, up to a limit, the way a list's columns work;
    // the items' own uniform size would come from the first name alone.
    const QFontMetrics metrics(lsvMain->font());
    int widest = 0;
    for (const QString& t : texts)
        widest = std::max(widest, metrics.horizontalAdvance(t));
    const int iconWidth = lsvMain->iconSize().width();
    lsvMain->setGridSize(QSize(std::min(widest + iconWidth + 16, kMaxListCellWidth),
                               std::max(metrics.height(), lsvMain->iconSize().height()) + 4));
    lsvMain->setUpdatesEnabled(true);
    lsvMain->doItemsLayout();

    if (!trvMain->isHidden()) {
        if (QTreeWidgetItem* folder = trvMain->find(QStringLiteral("K%1").arg(m_listTag)))
            selectTreeItem(trvMain, folder);
    }
    m_listedFolderId = parentId;
}

bool frmMain::selectListEntry(const QString& key) {
    QListWidgetItem* item = m_listIndex.value(key);
    if (!item)
        return false;
    lsvMain->setCurrentItem(item);
    lsvMain->scrollToItem(item);
    return true;
}

void frmMain::lsvMain_Up() {
    if (!db().isOpen())
        return;
    if (const std::optional<qint32> parent = ReadParentFolder(db(), m_currentImageId, m_listTag))
        FillFiles(*parent);
}

void frmMain::lsvMain_Enter() {
    QListWidgetItem* item = lsvMain->currentItem();
    const QString key = item && item->isSelected() ? item->data(KeyRole).toString() : QString();
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
    if ((watched == lsvMain || watched == lsvMain->viewport()) &&
        event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        // A mouse request arrives at the viewport, in its coordinates.
        QPoint pos = menuEvent->pos();
        if (watched == lsvMain)
            pos = lsvMain->viewport()->mapFrom(lsvMain, pos);
        lsvMain_ContextMenu(pos, menuEvent->reason() == QContextMenuEvent::Mouse,
                            menuEvent->modifiers());
        return true;
    }
    if (watched == lsvMain && event->type() == QEvent::KeyPress) {
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
