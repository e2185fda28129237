// The commands that change the catalogue's grouping: new nodes, renaming and deleting entries of
// the catalogue tree, and moving them by drag and drop. Every change is written first; the tree
// follows only what the catalogue took.
#include "frmMain.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/mdlTrim.h"
#include "guiNodeTree.h"
#include "guiPictures.h"
#include "search/NameIndex.h"

#include <QAction>
#include <QLabel>
#include <QLocale>

namespace {

// Nodes.Name and Images.Name hold this many characters.
constexpr int kNameMax = 64;

bool isNodeKey(const QString& key) {
    return key.startsWith(u'N');
}

bool isImageKey(const QString& key) {
    return key.startsWith(u'I');
}

// Whether the catalogue files anything under the node, shown in the tree or not: deleting it
// would leave its contents unreachable.
bool nodeHoldsAnything(qint64 id) {
    const QVariant any = db().scalar(
        QStringLiteral("SELECT EXISTS(SELECT 1 FROM Nodes WHERE ParentID=?1 AND ID<>?1) "
                       "OR EXISTS(SELECT 1 FROM Images WHERE NodeID=?1)"),
        {id});
    return any.toLongLong() != 0;
}

} // namespace

void frmMain::reportEngineError() {
    EngineError e = db().lastError();
    if (!e)
        e = {EngineErr::Generic, QStringLiteral("The catalogue could not be changed.")};
    db().clearError();
    m_ui->message(DatabaseErrorText(e.number, e.description), Ui::Buttons::Ok, Ui::Icon::Critical);
}

void frmMain::showNoImage() {
    trvMain->clear();
    clearList();
    m_imageSelected = false;
    setListActive(false);
    if (QAction* properties = action("Properties"))
        properties->setEnabled(false);
    m_panelImage->hide();
}

void frmMain::mnuFileNewNode_Click() {
    if (!isCatalogueWritable())
        return;
    const FilingNode filing = filingNode();
    const qint32 id = NewID(QStringLiteral("Nodes"));
    db().clearError();
    if (!db().Execute(QStringLiteral("INSERT INTO Nodes(ID, ParentID, Name) VALUES(?, ?, ?)"),
                      {qint64(id), qint64(filing.id), QStringLiteral("New Node")})) {
        reportEngineError();
        return;
    }
    const QString key = QStringLiteral("N%1").arg(id);
    // Shown in lower case until the user names it: the label is about to be edited anyway.
    if (!addCatalogueEntry(key, QStringLiteral("New node"), QStringLiteral("NodeC"), filing.key))
        return;
    selectTreeItem(trvNodes, trvNodes->find(key));
    m_ui->processEvents();
    if (!trvNodes->isHidden())
        trvNodes->startLabelEdit(trvNodes->currentItem());
}

void frmMain::mnuFileRename_Click() {
    if (focusPane() != FocusPane::Nodes)
        return;
    trvNodes->startLabelEdit(trvNodes->currentItem());
}

bool frmMain::trvNodes_BeforeLabelEdit() const {
    return !isCatalogueWritable();
}

bool frmMain::trvNodes_AfterLabelEdit(QTreeWidgetItem* item, const QString& newText) {
    const QString key = KeyTree::keyOf(item);
    const bool node = isNodeKey(key);
    if (!isCatalogueWritable() || (!node && !isImageKey(key)))
        return false;
    // An empty name is refused without a word: the old label stays.
    if (newText.trimmed().isEmpty())
        return false;
    if (newText.toUcs4().size() > kNameMax) {
        m_ui->message(QStringLiteral("The name is too long: at most %1 characters.").arg(kNameMax),
                      Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return false;
    }
    db().clearError();
    const QString sql = node ? QStringLiteral("UPDATE Nodes SET Name=? WHERE ID=?")
                             : QStringLiteral("UPDATE Images SET Name=? WHERE ID=?");
    if (!db().Execute(sql, {newText, qint64(KeyToID(key))})) {
        reportEngineError();
        return false;
    }
    if (db().changes() == 0) {
        m_ui->message(node ? QStringLiteral("The node no longer exists in the catalogue.")
                           : QStringLiteral("The image no longer exists in the catalogue."),
                      Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return false;
    }
    setCatalogueEntryText(key, newText);
    return true;
}

void frmMain::mnuFileDelete_Click() {
    if (focusPane() != FocusPane::Nodes || !isCatalogueWritable())
        return;
    QTreeWidgetItem* item = trvNodes->currentItem();
    const QString key = KeyTree::keyOf(item);
    const bool node = isNodeKey(key);
    if (!node && !isImageKey(key))
        return;
    const qint64 id = KeyToID(key);
    if (item->childCount() > 0 || (node && nodeHoldsAnything(id))) {
        m_ui->message(QStringLiteral("Node is not empty."), Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    }
    // The question names what goes, and Enter keeps it.
    QString what;
    if (node) {
        what = QStringLiteral("The node \u201C%1\u201D will be deleted.").arg(item->text(0));
    } else {
        const qint64 items =
            db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=?"), {id})
                .toLongLong();
        what = QStringLiteral("The image \u201C%1\u201D and its %2 %3 will be deleted.")
                   .arg(item->text(0), QLocale().toString(items),
                        items == 1 ? QStringLiteral("item") : QStringLiteral("items"));
    }
    if (m_ui->message(QStringLiteral("Are you sure?\n\n") + what, Ui::Buttons::YesNoDefaultNo,
                      Ui::Icon::Question) != Ui::Answer::Yes)
        return;

    bool deleted = false;
    {
        BusyPointer busy(*m_ui);
        db().clearError();
        if (node) {
            deleted = db().Execute(QStringLiteral("DELETE FROM Nodes WHERE ID=?"), {id});
        } else {
            // The image and its items go together or not at all.
            Transaction transaction(db());
            deleted = transaction.isActive() &&
                      db().Execute(QStringLiteral("DELETE FROM Images WHERE ID=?"), {id}) &&
                      db().Execute(QStringLiteral("DELETE FROM Items WHERE ImageID=?"), {id}) &&
                      NameIndex::removeImage(db(), qint32(id)) && transaction.commit();
        }
    }
    if (!deleted) {
        reportEngineError();
        return;
    }

    QTreeWidgetItem* parent = item->parent();
    const bool was = std::exchange(m_selecting, true);
    trvNodes->remove(key);
    // The panes follow the entry that takes the selection, so a deleted image is not left on
    // show; an only child hands the selection to its node.
    QTreeWidgetItem* now = trvNodes->currentItem();
    if (!now)
        now = parent;
    selectTreeItem(trvNodes, now);
    m_selecting = was;
    if (now)
        trvNodes_NodeClick(now);
    else
        showNoImage();
    updateListHint();
}

bool frmMain::trvNodes_DragOver(const QString& dragged, const QString& target) const {
    if (!isCatalogueWritable())
        return false;
    QTreeWidgetItem* source = trvNodes->find(dragged);
    if (!source || (!isNodeKey(dragged) && !isImageKey(dragged)))
        return false;
    // Empty space files the entry at the top level.
    if (target.isEmpty())
        return true;
    // Nothing can be dropped on an image, nor on the entry itself.
    if (!isNodeKey(target) || target == dragged)
        return false;
    QTreeWidgetItem* onto = trvNodes->find(target);
    if (!onto)
        return false;
    // A node cannot move into its own subtree.
    if (isNodeKey(dragged)) {
        for (QTreeWidgetItem* up = onto; up; up = up->parent()) {
            if (up == source)
                return false;
        }
    }
    return true;
}

bool frmMain::trvNodes_DragDrop(const QString& dragged, const QString& target) {
    if (!trvNodes_DragOver(dragged, target))
        return false;
    const qint64 id = KeyToID(dragged);
    const qint64 targetId = target.isEmpty() ? 0 : KeyToID(target);
    db().clearError();
    if (isNodeKey(dragged)) {
        if (!db().Execute(QStringLiteral("UPDATE Nodes SET ParentID=? WHERE ID=?"),
                          {targetId, id})) {
            reportEngineError();
            return false;
        }
        // The moved subtree takes its place in name order among its new siblings.
        refreshCatalogueTree();
        return true;
    }
    if (!db().Execute(QStringLiteral("UPDATE Images SET NodeID=? WHERE ID=?"), {targetId, id})) {
        reportEngineError();
        return false;
    }
    QTreeWidgetItem* source = trvNodes->find(dragged);
    const QString text = source->text(0);
    const QString iconKey = source->data(0, KeyTree::IconKeyRole).toString();
    const bool wasCurrent = source == trvNodes->currentItem();
    const bool was = std::exchange(m_selecting, true);
    trvNodes->remove(dragged);
    addCatalogueEntry(dragged, text, iconKey, target);
    // The panes still show the image; its entry keeps the selection.
    if (wasCurrent)
        selectTreeItem(trvNodes, trvNodes->find(dragged));
    m_selecting = was;
    return true;
}
