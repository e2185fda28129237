#pragma once

#include <QString>
#include <QVariant>

class ContentsView;
class ctlSize;
class QTemporaryDir;
class QTreeWidget;

// Catalogue rows for the browser tests, written with the engine layer into a real catalogue file,
// and the pointer moves that drag the window's splitter bars.
namespace BrowseFixture {

// Points the settings store at a folder of the test's own (before any settings are used) and
// sets every setting to its default.
void useSettingsIn(const QTemporaryDir& dir);

// Builds a new empty catalogue at path and leaves it open as the process's catalogue.
bool createCatalogue(const QString& path);

bool addNode(qint64 id, qint64 parentId, const QVariant& name);
bool addImage(qint64 id, qint64 nodeId, const QVariant& name, qint64 type = 3,
              const QVariant& label = QStringLiteral("DATA"),
              const QVariant& source = QStringLiteral("D:"));
bool addItem(qint64 imageId, qint64 id, qint64 parentId, const QVariant& type, const QVariant& name,
             const QVariant& attrib = QVariant(), const QVariant& size = QVariant());

// Keys in display order, space-separated; in a tree each entry is followed by its subtree.
QString treeKeys(const QTreeWidget* tree);
QString listKeys(const ContentsView* list);

// Moves the pointer to dx pixels right of the bar's middle with buttons held.
void moveOverBar(ctlSize* bar, int dx, Qt::MouseButtons buttons = Qt::LeftButton);

} // namespace BrowseFixture
