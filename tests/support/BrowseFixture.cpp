#include "BrowseFixture.h"

#include "browser/guiContentsView.h"
#include "browser/guiKeyTree.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/Ui.h"
#include "controls/ctlSize.h"
#include "shell/mdlOptions.h"

#include <QFile>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace BrowseFixture {

void useSettingsIn(const QTemporaryDir& dir) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    DefaultOptions();
}

bool createCatalogue(const QString& path) {
    SilentUi ui;
    QString p = path;
    return OpenCatalogue(p, false, false, ui, nullptr);
}

bool addNode(qint64 id, qint64 parentId, const QVariant& name) {
    return db().Execute(QStringLiteral("INSERT INTO Nodes(ID, ParentID, Name) VALUES(?, ?, ?)"),
                        {id, parentId, name});
}

bool addImage(qint64 id, qint64 nodeId, const QVariant& name, qint64 type, const QVariant& label,
              const QVariant& source) {
    return db().Execute(QStringLiteral("INSERT INTO Images(ID, Serial, NodeID, Type, Name, Date, "
                                       "Source, Label) VALUES(?, '00000000', ?, ?, ?, "
                                       "'2024-01-01 00:00:00', ?, ?)"),
                        {id, nodeId, type, name, source, label});
}

bool addItem(qint64 imageId, qint64 id, qint64 parentId, const QVariant& type, const QVariant& name,
             const QVariant& attrib, const QVariant& size) {
    return db().Execute(QStringLiteral("INSERT INTO Items(ID, ImageID, ParentID, Type, Name, "
                                       "Attrib, Size) VALUES(?, ?, ?, ?, ?, ?, ?)"),
                        {id, imageId, parentId, type, name, attrib, size});
}

namespace {
void collect(const QTreeWidgetItem* item, QStringList& out) {
    out << KeyTree::keyOf(item);
    for (int i = 0; i < item->childCount(); ++i)
        collect(item->child(i), out);
}
} // namespace

QString treeKeys(const QTreeWidget* tree) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        collect(tree->topLevelItem(i), out);
    return out.join(u' ');
}

QString listKeys(const ContentsView* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->keyAt(i);
    return out.join(u' ');
}

void moveOverBar(ctlSize* bar, int dx, Qt::MouseButtons buttons) {
    const QPointF local(bar->width() / 2.0 + dx, bar->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, local, bar->mapToGlobal(local), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &move);
}

} // namespace BrowseFixture
