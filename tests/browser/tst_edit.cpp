// The catalogue editing commands, driven through the real main window: new nodes, renaming in
// place, deleting, moving by drag and drop, the availability of the commands, the context menus
// and the read-only rules.
#include "BrowseFixture.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "browser/guiNodeTree.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "search/frmFind.h"
#include "shell/mdlOptions.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace BrowseFixture;

namespace {

void collect(QTreeWidgetItem* item, QStringList& out) {
    out << item->data(0, frmMain::KeyRole).toString();
    for (int i = 0; i < item->childCount(); ++i)
        collect(item->child(i), out);
}

// Keys in display order, each entry followed by its subtree.
QString treeKeys(QTreeWidget* tree) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        collect(tree->topLevelItem(i), out);
    return out.join(u' ');
}

// Everything the editing commands may change, as one comparable text.
QString catalogueState() {
    QStringList out;
    Recordset nodes =
        db().OpenRecordset(QStringLiteral("SELECT ID, ParentID, Name FROM Nodes ORDER BY ID"));
    for (; nodes.isValid() && !nodes.Eof(); nodes.MoveNext())
        out << QStringLiteral("N%1<%2:%3")
                   .arg(nodes.int64(0))
                   .arg(nodes.int64(1))
                   .arg(nodes.text(2));
    Recordset images =
        db().OpenRecordset(QStringLiteral("SELECT ID, NodeID, Name FROM Images ORDER BY ID"));
    for (; images.isValid() && !images.Eof(); images.MoveNext())
        out << QStringLiteral("I%1<%2:%3")
                   .arg(images.int64(0))
                   .arg(images.int64(1))
                   .arg(images.text(2));
    out << db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items")).toString();
    return out.join(u' ');
}

QString nodeName(qint64 id) {
    return db().scalar(QStringLiteral("SELECT Name FROM Nodes WHERE ID=?"), {id}).toString();
}

} // namespace

class TestEdit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newNode_data();
    void newNode();
    void newNodeInEmptyCatalogue();
    void rename_data();
    void rename();
    void renameFailingUpdateKeepsOldName();
    void renameImageFollowsStatusBar();
    void deleteRefused_data();
    void deleteRefused();
    void deleteNodeAndImage();
    void deleteWithListFocusDoesNothing();
    void drop_data();
    void drop();
    void dropMovesAndReorders();
    void availability_data();
    void availability();
    void readOnlyEveryRoute();
    void contextMenus();
    void dialogsOpen();

private:
    void buildCatalogue();
    void openWindow();
    void focusTree(const char* key);
    QAction* action(const char* name) const {
        return m_window->findChild<QAction*>(QLatin1String(name));
    }
    QTreeWidgetItem* entry(const QString& key) const { return m_window->catalogueEntry(key); }
    // Types into the open label editor and ends the edit with the key.
    void typeLabel(const QString& text, Qt::Key end = Qt::Key_Return);

    QTemporaryDir m_dir;
    QString m_path;
    int m_run = 0;
    ScriptedUi m_ui;
    std::unique_ptr<frmMain> m_window;
    NodeTree* trvNodes = nullptr;
    QListWidget* lsvMain = nullptr;
};

void TestEdit::initTestCase() {
    QVERIFY(m_dir.isValid());
    useSettingsIn(m_dir);
}

void TestEdit::init() {
    DefaultOptions();
    options().LoadDefaultDatabase = false;
    options().ViewNodes = true;
    options().ViewTree = true;
    options().UseIcons = false;
    m_path = m_dir.filePath(QStringLiteral("Edit%1.ldr").arg(++m_run));
    buildCatalogue();
}

// N3 Empty | N1 Music > N2 Rock > I1 Disk A, I3 Zed | I2 Loose
void TestEdit::buildCatalogue() {
    QVERIFY(createCatalogue(m_path));
    QVERIFY(addNode(1, 0, QStringLiteral("Music")));
    QVERIFY(addNode(2, 1, QStringLiteral("Rock")));
    QVERIFY(addNode(3, 0, QStringLiteral("Empty")));
    QVERIFY(addImage(1, 2, QStringLiteral("Disk A")));
    QVERIFY(addImage(2, 0, QStringLiteral("Loose"), 5));
    QVERIFY(addImage(3, 2, QStringLiteral("Zed")));
    QVERIFY(addItem(1, 1, 0, 0, QStringLiteral("docs")));
    QVERIFY(addItem(1, 2, 1, 1, QStringLiteral("a.txt")));
    QVERIFY(addItem(1, 3, 0, 1, QStringLiteral("b.txt")));
    QVERIFY(addItem(2, 1, 0, 1, QStringLiteral("loose.txt")));
    closeCatalogue();
}

void TestEdit::openWindow() {
    m_ui = ScriptedUi();
    m_window = std::make_unique<frmMain>(m_path);
    m_window->setUi(&m_ui);
    m_window->Load();
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    trvNodes = m_window->findChild<NodeTree*>(QStringLiteral("trvNodes"));
    lsvMain = m_window->findChild<QListWidget*>(QStringLiteral("lsvMain"));
    QVERIFY(trvNodes && lsvMain);
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("N3 N1 N2 I1 I3 I2"));
    m_ui.clear();
}

void TestEdit::cleanup() {
    if (frmFind* find = frmFind::instance())
        delete find;
    m_window.reset();
    CloseCatalogue(nullptr);
}

void TestEdit::focusTree(const char* key) {
    trvNodes->setFocus();
    if (key && *key)
        m_window->showCatalogueEntry(QLatin1String(key));
    else
        trvNodes->setCurrentItem(nullptr);
    m_window->mnuFile_Click();
}

void TestEdit::typeLabel(const QString& text, Qt::Key end) {
    QVERIFY(trvNodes->isEditingLabel());
    auto* editor = trvNodes->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->clear();
    editor->insert(text);
    QTest::keyClick(editor, end);
    // Enter commits through a queued call.
    QTRY_VERIFY(!trvNodes->isEditingLabel());
}

// ---- New Node ---------------------------------------------------------------------------------

void TestEdit::newNode_data() {
    QTest::addColumn<QString>("selected");
    QTest::addColumn<qint64>("parentId");
    QTest::addColumn<QString>("parentKey");
    QTest::newRow("nothing selected: top level") << QString() << qint64(0) << QString();
    QTest::newRow("top-level image: top level") << QStringLiteral("I2") << qint64(0) << QString();
    QTest::newRow("image in a node: that node")
        << QStringLiteral("I1") << qint64(2) << QStringLiteral("N2");
    QTest::newRow("node: the node itself")
        << QStringLiteral("N1") << qint64(1) << QStringLiteral("N1");
}

void TestEdit::newNode() {
    QFETCH(QString, selected);
    QFETCH(qint64, parentId);
    QFETCH(QString, parentKey);
    openWindow();
    focusTree(selected.toLatin1().constData());
    QCOMPARE(m_window->filingNode().id, qint32(parentId));
    QCOMPARE(m_window->filingNode().key, parentKey);

    action("mnuFileNewNode")->trigger();
    QTreeWidgetItem* added = entry(QStringLiteral("N4"));
    QVERIFY(added);
    QCOMPARE(QString(trvNodes->keyOf(added->parent())), parentKey);
    QCOMPARE(trvNodes->currentItem(), added);
    // Last among its siblings until a refresh sorts it.
    QTreeWidgetItem* parent = added->parent();
    const int siblings = parent ? parent->childCount() : trvNodes->topLevelItemCount();
    QCOMPARE(parent ? parent->indexOfChild(added) : trvNodes->indexOfTopLevelItem(added),
             siblings - 1);
    QCOMPARE(db().scalar(QStringLiteral("SELECT ParentID FROM Nodes WHERE ID=4")).toLongLong(),
             parentId);
    // The label is open for the name at once.
    typeLabel(QStringLiteral("Jazz \"live\" 'n' \\ more"));
    QCOMPARE(added->text(0), QStringLiteral("Jazz \"live\" 'n' \\ more"));
    QCOMPARE(nodeName(4), QStringLiteral("Jazz \"live\" 'n' \\ more"));
}

void TestEdit::newNodeInEmptyCatalogue() {
    m_path = m_dir.filePath(QStringLiteral("Empty%1.ldr").arg(++m_run));
    QVERIFY(createCatalogue(m_path));
    closeCatalogue();
    m_window = std::make_unique<frmMain>(m_path);
    m_window->setUi(&m_ui);
    m_window->Load();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    trvNodes = m_window->findChild<NodeTree*>(QStringLiteral("trvNodes"));
    trvNodes->setFocus();
    // The toolbar's New button makes nodes unless told otherwise.
    m_window->tlbMain_ButtonClick(QStringLiteral("New"));
    QTreeWidgetItem* added = entry(QStringLiteral("N1"));
    QVERIFY(added);
    // Cancelling the edit keeps the stored name and the shown one apart until a refresh.
    typeLabel(QStringLiteral("ignored"), Qt::Key_Escape);
    QCOMPARE(added->text(0), QStringLiteral("New node"));
    QCOMPARE(nodeName(1), QStringLiteral("New Node"));
    m_window->mnuViewRefresh_Click();
    QCOMPARE(entry(QStringLiteral("N1"))->text(0), QStringLiteral("New Node"));
}

// ---- Rename -----------------------------------------------------------------------------------

void TestEdit::rename_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    const QString refused = QStringLiteral("The name is too long: at most 64 characters.");
    QTest::newRow("node") << "N3"
                          << "Empty \"quoted\""
                          << "Empty \"quoted\"" << QString();
    QTest::newRow("image") << "I2"
                           << "Lose'n\\"
                           << "Lose'n\\" << QString();
    QTest::newRow("empty name refused silently") << "N3"
                                                 << ""
                                                 << "Empty" << QString();
    QTest::newRow("blanks refused silently") << "I2"
                                             << "   "
                                             << "Loose" << QString();
    QTest::newRow("64 letters beyond ASCII fit")
        << "N3" << QString(64, QChar(0x00E9)) << QString(64, QChar(0x00E9)) << QString();
    QTest::newRow("65 characters refused") << "N3" << QString(65, u'x') << "Empty" << refused;
    QTest::newRow("image name too long") << "I2" << QString(65, u'y') << "Loose" << refused;
}

void TestEdit::rename() {
    QFETCH(QString, key);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    openWindow();
    focusTree(key.toLatin1().constData());
    // F2 reaches the command through its menu item.
    QVERIFY(action("mnuFileRename")->isEnabled());
    QTest::keyClick(trvNodes, Qt::Key_F2);
    typeLabel(typed);
    QCOMPARE(entry(key)->text(0), shown);
    const QString table = key.startsWith(u'N') ? QStringLiteral("Nodes") : QStringLiteral("Images");
    QCOMPARE(db().scalar(QStringLiteral("SELECT Name FROM %1 WHERE ID=?").arg(table),
                         {key.mid(1).toLongLong()})
                 .toString(),
             shown);
    QCOMPARE(m_ui.lastText(), message);
}

void TestEdit::renameFailingUpdateKeepsOldName() {
    openWindow();
    QVERIFY(db().Execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Nodes "
                                        "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    focusTree("N3");
    action("mnuFileRename")->trigger();
    typeLabel(QStringLiteral("Other"));
    QCOMPARE(entry(QStringLiteral("N3"))->text(0), QStringLiteral("Empty"));
    QCOMPARE(nodeName(3), QStringLiteral("Empty"));
    QCOMPARE(m_ui.shown.size(), 1);
    QVERIFY(m_ui.lastText().startsWith(QStringLiteral("Database error number ")));
    QCOMPARE(m_ui.shown.last().icon, Ui::Icon::Critical);
}

void TestEdit::renameImageFollowsStatusBar() {
    openWindow();
    focusTree("I1");
    auto* panel = m_window->findChild<QLabel*>(QStringLiteral("Image"));
    QCOMPARE(panel->text(), QStringLiteral("Disk A"));
    action("mnuFileRename")->trigger();
    typeLabel(QStringLiteral("Disk B"));
    QCOMPARE(panel->text(), QStringLiteral("Disk B"));
}

// ---- Delete -----------------------------------------------------------------------------------

void TestEdit::deleteRefused_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("fileBehindTree");
    QTest::newRow("node holding nodes") << "N1" << false;
    QTest::newRow("node holding images") << "N2" << false;
    // An image filed meanwhile without reaching the tree is contents all the same.
    QTest::newRow("node holding what the tree does not show") << "N3" << true;
}

void TestEdit::deleteRefused() {
    QFETCH(QString, key);
    QFETCH(bool, fileBehindTree);
    openWindow();
    if (fileBehindTree)
        QVERIFY(addImage(9, 3, QStringLiteral("Behind")));
    const QString before = catalogueState();
    focusTree(key.toLatin1().constData());
    m_ui.answers = {Ui::Answer::Yes};
    action("mnuFileDelete")->trigger();
    QCOMPARE(m_ui.texts(), QStringList{QStringLiteral("Node is not empty.")});
    QCOMPARE(m_ui.shown.first().icon, Ui::Icon::Exclamation);
    QCOMPARE(catalogueState(), before);
    QVERIFY(entry(key));
}

void TestEdit::deleteNodeAndImage() {
    openWindow();
    // No keeps everything.
    focusTree("N3");
    m_ui.answers = {Ui::Answer::No};
    const QString before = catalogueState();
    QTest::keyClick(trvNodes, Qt::Key_Delete);
    QCOMPARE(m_ui.texts(), QStringList{QStringLiteral("Are you sure?")});
    QCOMPARE(m_ui.shown.first().buttons, Ui::Buttons::YesNo);
    QCOMPARE(catalogueState(), before);

    // Yes removes the empty node.
    m_ui.answers = {Ui::Answer::Yes};
    action("mnuFileDelete")->trigger();
    QVERIFY(!entry(QStringLiteral("N3")));
    QVERIFY(!db().scalar(QStringLiteral("SELECT COUNT(*) FROM Nodes WHERE ID=3")).toInt());

    // An image goes with all its items, and only its own.
    focusTree("I1");
    QCOMPARE(m_window->currentImageId(), 1);
    m_ui.answers = {Ui::Answer::Yes};
    action("mnuFileDelete")->trigger();
    QVERIFY(!entry(QStringLiteral("I1")));
    QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Images WHERE ID=1")).toInt(), 0);
    QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=1")).toInt(), 0);
    QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=2")).toInt(), 1);
    // The selection moved on, and the panes show what is selected rather than the deleted image.
    QVERIFY(trvNodes->currentItem());
    QVERIFY(m_window->currentImageId() != 1 || !m_window->isImageSelected());

    // The last image of a node hands the selection to the node.
    focusTree("I3");
    m_ui.answers = {Ui::Answer::Yes};
    action("mnuFileDelete")->trigger();
    QCOMPARE(trvNodes->currentItem(), entry(QStringLiteral("N2")));
    QVERIFY(!m_window->isImageSelected());
    QCOMPARE(lsvMain->count(), 0);
}

void TestEdit::deleteWithListFocusDoesNothing() {
    openWindow();
    focusTree("I1");
    lsvMain->setFocus();
    lsvMain->setCurrentRow(0);
    m_window->mnuFile_Click();
    QVERIFY(!action("mnuFileDelete")->isEnabled());
    const QString before = catalogueState();
    m_ui.answers = {Ui::Answer::Yes};
    // Even a stray call of the toolbar's Delete finds the focus elsewhere.
    m_window->tlbMain_ButtonClick(QStringLiteral("Delete"));
    action("mnuFileDelete")->setEnabled(true);
    action("mnuFileDelete")->trigger();
    QVERIFY(m_ui.shown.isEmpty());
    QCOMPARE(catalogueState(), before);
    QVERIFY(entry(QStringLiteral("I1")));
}

// ---- Drag and drop ----------------------------------------------------------------------------

void TestEdit::drop_data() {
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("after"); // the catalogue afterwards; empty: unchanged
    const QString base = QStringLiteral("N1<0:Music N2<1:Rock N3<0:Empty ");
    const QString images = QStringLiteral("I1<2:Disk A I2<0:Loose I3<2:Zed 4");
    QTest::newRow("node onto itself") << "N1"
                                      << "N1" << QString();
    QTest::newRow("node onto its child") << "N1"
                                         << "N2" << QString();
    QTest::newRow("node onto an image") << "N3"
                                        << "I1" << QString();
    QTest::newRow("image onto an image") << "I2"
                                         << "I1" << QString();
    QTest::newRow("unknown entry") << "N99"
                                   << "N3" << QString();
    QTest::newRow("not a key") << "X1"
                               << "" << QString();
    QTest::newRow("nothing dragged") << ""
                                     << "N3" << QString();
    QTest::newRow("onto a missing node") << "I2"
                                         << "N99" << QString();
    QTest::newRow("node onto another node")
        << "N3"
        << "N2" << QStringLiteral("N1<0:Music N2<1:Rock N3<2:Empty ") + images;
    QTest::newRow("node onto empty space")
        << "N2"
        << "" << QStringLiteral("N1<0:Music N2<0:Rock N3<0:Empty ") + images;
    QTest::newRow("image onto a node")
        << "I2"
        << "N3" << base + QStringLiteral("I1<2:Disk A I2<3:Loose I3<2:Zed 4");
    QTest::newRow("image onto empty space")
        << "I1"
        << "" << base + QStringLiteral("I1<0:Disk A I2<0:Loose I3<2:Zed 4");
}

void TestEdit::drop() {
    QFETCH(QString, dragged);
    QFETCH(QString, target);
    QFETCH(QString, after);
    openWindow();
    const QString before = catalogueState();
    const QString tree = treeKeys(trvNodes);
    QCOMPARE(m_window->trvNodes_DragOver(dragged, target), !after.isEmpty());
    QCOMPARE(m_window->trvNodes_DragDrop(dragged, target), !after.isEmpty());
    if (after.isEmpty()) {
        QCOMPARE(catalogueState(), before);
        QCOMPARE(treeKeys(trvNodes), tree);
        return;
    }
    QCOMPARE(catalogueState(), after);
    QTreeWidgetItem* moved = entry(dragged);
    QVERIFY(moved);
    QCOMPARE(QString(trvNodes->keyOf(moved->parent())), target);
    QVERIFY(m_ui.shown.isEmpty());
}

void TestEdit::dropMovesAndReorders() {
    openWindow();
    // A node move rebuilds the tree in name order and keeps the selection.
    focusTree("N3");
    QVERIFY(m_window->trvNodes_DragDrop(QStringLiteral("N3"), QStringLiteral("N1")));
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("N1 N3 N2 I1 I3 I2"));
    QCOMPARE(trvNodes->currentItem(), entry(QStringLiteral("N3")));
    // An image dropped on its own node is written again and goes to the end of the node.
    focusTree("I1");
    QVERIFY(m_window->trvNodes_DragDrop(QStringLiteral("I1"), QStringLiteral("N2")));
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("N1 N3 N2 I3 I1 I2"));
    QCOMPARE(trvNodes->currentItem(), entry(QStringLiteral("I1")));
    QCOMPARE(m_window->currentImageId(), 1);
    // A move the catalogue refuses leaves the tree alone and says why.
    QVERIFY(db().Execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Images "
                                        "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    QVERIFY(!m_window->trvNodes_DragDrop(QStringLiteral("I2"), QStringLiteral("N3")));
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("N1 N3 N2 I3 I1 I2"));
    QVERIFY(m_ui.lastText().startsWith(QStringLiteral("Database error number ")));
}

// ---- Availability -----------------------------------------------------------------------------

void TestEdit::availability_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("focus"); // "tree" with the key selected, or "list"
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("enabled");
    QTest::newRow("tree, nothing selected") << false << "tree"
                                            << ""
                                            << "Import popNew";
    QTest::newRow("tree, node") << false << "tree"
                                << "N1"
                                << "Rename Delete Import popNew popRename popDelete";
    QTest::newRow("tree, image")
        << false << "tree"
        << "I1"
        << "Rename Delete Export Properties popNew popRename popDelete popProperties";
    QTest::newRow("list") << false << "list"
                          << "I1"
                          << "Properties popNew";
    QTest::newRow("read-only, tree, nothing selected") << true << "tree"
                                                       << ""
                                                       << "";
    QTest::newRow("read-only, tree, node") << true << "tree"
                                           << "N1"
                                           << "";
    QTest::newRow("read-only, tree, image") << true << "tree"
                                            << "I1"
                                            << "Export Properties popProperties";
    QTest::newRow("read-only, list") << true << "list"
                                     << "I1"
                                     << "Properties";
}

void TestEdit::availability() {
    QFETCH(bool, readOnly);
    QFETCH(QString, focus);
    QFETCH(QString, key);
    QFETCH(QString, enabled);
    openWindow();
    if (readOnly) {
        CloseCatalogue(m_window.get());
        QString path = m_path;
        QVERIFY(OpenCatalogue(path, true, true, m_ui, m_window.get()));
        QVERIFY(catalogue().readOnly);
    }
    focusTree(key.toLatin1().constData());
    if (focus == QLatin1String("list")) {
        lsvMain->setFocus();
        m_window->mnuFile_Click();
    }
    const QList<std::pair<const char*, const char*>> names = {
        {"Rename", "mnuFileRename"},
        {"Delete", "mnuFileDelete"},
        {"Import", "mnuFileImport"},
        {"Export", "mnuFileExport"},
        {"Properties", "mnuFileProperties"},
        {"popNew", "poptrvNodesNew"},
        {"popRename", "poptrvNodesRename"},
        {"popDelete", "poptrvNodesDelete"},
        {"popProperties", "poptrvNodesProperties"}};
    QStringList on;
    for (const auto& [shortName, name] : names) {
        QAction* a = action(name);
        QVERIFY2(a, name);
        if (a->isEnabled())
            on << QLatin1String(shortName);
    }
    QCOMPARE(on.join(u' '), enabled);
    // New Node and New Disk belong to writable catalogues only, whatever the selection.
    QCOMPARE(action("mnuFileNewNode")->isEnabled(), !readOnly);
    QCOMPARE(action("mnuFileNewDisk")->isEnabled(), !readOnly);
}

void TestEdit::readOnlyEveryRoute() {
    openWindow();
    CloseCatalogue(m_window.get());
    QString path = m_path;
    QVERIFY(OpenCatalogue(path, true, true, m_ui, m_window.get()));
    m_ui.clear();
    const QString before = catalogueState();
    const QString tree = treeKeys(trvNodes);
    m_ui.defaultAnswer = Ui::Answer::Yes;

    for (const char* key : {"", "N3", "I2"}) {
        focusTree(key);
        // Menus and their shortcuts.
        for (const char* name : {"mnuFileNewNode", "mnuFileNewDisk", "mnuFileImport",
                                 "mnuFileRename", "mnuFileDelete"})
            action(name)->trigger();
        QTest::keyClick(trvNodes, Qt::Key_F2);
        QTest::keyClick(trvNodes, Qt::Key_Delete);
        // The toolbar, both kinds of the New button.
        for (const char* button : {"New", "Rename", "Delete"})
            m_window->tlbMain_ButtonClick(QLatin1String(button));
        m_window->tlbMain_ButtonMenuClick(QStringLiteral("NewNode"));
        m_window->tlbMain_ButtonMenuClick(QStringLiteral("NewDisk"));
        // The context menu's items, even if one were reached while disabled.
        for (const char* name :
             {"poptrvNodesNewNode", "poptrvNodesNewDisk", "poptrvNodesRename", "poptrvNodesDelete"})
            action(name)->trigger();
        // Label editing and dragging.
        QVERIFY(!trvNodes->startLabelEdit(trvNodes->currentItem()));
        QVERIFY(!m_window->trvNodes_DragDrop(QStringLiteral("I2"), QStringLiteral("N3")));
        QVERIFY(!m_window->trvNodes_DragDrop(QStringLiteral("N3"), QString()));
        QVERIFY(
            !m_window->trvNodes_AfterLabelEdit(entry(QStringLiteral("N3")), QStringLiteral("x")));
    }
    QVERIFY(!trvNodes->isEditingLabel());
    QVERIFY2(m_ui.shown.isEmpty(), qPrintable(m_ui.texts().join(u'|')));
    QCOMPARE(catalogueState(), before);
    QCOMPARE(treeKeys(trvNodes), tree);
}

// ---- Context menus and dialogs ----------------------------------------------------------------

void TestEdit::contextMenus() {
    openWindow();
    auto* poptrvNodes = m_window->findChild<QMenu*>(QStringLiteral("poptrvNodes"));
    auto* poplsvMain = m_window->findChild<QMenu*>(QStringLiteral("poplsvMain"));
    QVERIFY(poptrvNodes && poplsvMain);
    QCOMPARE(poptrvNodes->actions().size(), 6); // New, separator, Rename, Delete, separator, Props

    // A right click picks the entry under the pointer, shows it and opens the menu for it.
    const QPoint at = trvNodes->visualItemRect(entry(QStringLiteral("I2"))).center();
    QContextMenuEvent withShift(QContextMenuEvent::Mouse, at, trvNodes->viewport()->mapToGlobal(at),
                                Qt::ShiftModifier);
    QApplication::sendEvent(trvNodes->viewport(), &withShift);
    QVERIFY(!poptrvNodes->isVisible());
    QContextMenuEvent press(QContextMenuEvent::Mouse, at, trvNodes->viewport()->mapToGlobal(at));
    QApplication::sendEvent(trvNodes->viewport(), &press);
    QVERIFY(poptrvNodes->isVisible());
    QCOMPARE(trvNodes->currentItem(), entry(QStringLiteral("I2")));
    QCOMPARE(m_window->currentImageId(), 2);
    QVERIFY(action("poptrvNodesProperties")->isEnabled());
    QVERIFY(action("poptrvNodesRename")->isEnabled());
    poptrvNodes->hide();

    // The list's menu picks the entry under the pointer; its one item is always there.
    QVERIFY(lsvMain->count() > 0);
    const QPoint item = lsvMain->visualItemRect(lsvMain->item(0)).center();
    QContextMenuEvent listPress(QContextMenuEvent::Mouse, item,
                                lsvMain->viewport()->mapToGlobal(item));
    QApplication::sendEvent(lsvMain->viewport(), &listPress);
    QVERIFY(poplsvMain->isVisible());
    QCOMPARE(lsvMain->currentItem(), lsvMain->item(0));
    QVERIFY(action("poplsvMainProperties")->isEnabled());
    QVERIFY(action("Properties")->isEnabled());
    poplsvMain->hide();
}

void TestEdit::dialogsOpen() {
    openWindow();
    QStringList opened;
    // Each modal dialog is noted and closed as soon as it shows.
    auto closeNext = [&opened] {
        QTimer::singleShot(0, [&opened] {
            QWidget* modal = QApplication::activeModalWidget();
            opened << (modal ? modal->objectName() : QStringLiteral("none"));
            if (modal)
                modal->close();
        });
    };
    focusTree("I1");
    closeNext();
    action("poptrvNodesProperties")->trigger();
    lsvMain->setFocus();
    lsvMain->setCurrentRow(lsvMain->count() - 1);
    closeNext();
    action("poplsvMainProperties")->trigger();
    QCOMPARE(opened, (QStringList{QStringLiteral("frmPropImg"), QStringLiteral("frmPropItm")}));
    // Properties of a node open nothing.
    focusTree("N1");
    action("poptrvNodesProperties")->trigger();
    QCOMPARE(opened.size(), 2);

    // Find is modeless and single.
    action("mnuEditFind")->trigger();
    frmFind* find = frmFind::instance();
    QVERIFY(find && find->isVisible() && !find->isModal());
    QTest::keyClick(m_window.get(), Qt::Key_F3);
    QCOMPARE(frmFind::instance(), find);
}

QTEST_MAIN(TestEdit)
#include "tst_edit.moc"
