// The catalogue editing commands, driven through the real main window: new nodes, renaming in
// place, deleting, moving by drag and drop, the availability of the commands, the context menus
// and the read-only rules.
#include "BrowseFixture.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "browser/guiContentsView.h"
#include "browser/guiNodeTree.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "search/NameIndex.h"
#include "shell/mdlOptions.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace BrowseFixture;

namespace {

// Everything the editing commands may change: "N2<1:Rock" is node 2 named Rock under node 1;
// the item count comes last.
QString catalogueState() {
    return db()
        .scalar(QStringLiteral(
            "SELECT (SELECT group_concat(s, ' ') FROM (SELECT 'N' || ID || '<' || ParentID || ':' "
            "|| Name AS s FROM Nodes UNION ALL SELECT 'I' || ID || '<' || NodeID || ':' || Name "
            "FROM Images)) || ' ' || (SELECT COUNT(*) FROM Items)"))
        .toString();
}

QString storedName(const QString& key) {
    const QString table = key.startsWith(u'N') ? QStringLiteral("Nodes") : QStringLiteral("Images");
    return db()
        .scalar(QStringLiteral("SELECT Name FROM %1 WHERE ID=?").arg(table),
                {key.mid(1).toLongLong()})
        .toString();
}

} // namespace

class TestEdit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        useSettingsIn(m_dir);
    }
    void init();
    void cleanup();
    void newNode_data();
    void newNode();
    void rename_data();
    void rename();
    void deleteNodeAndImage();
    void drop_data();
    void drop();
    void dropMovesAndRefusedWrites();
    void availabilityAndReadOnly();
    void contextMenusAndDialogs();

private:
    void openWindow();
    void focusTree(const QString& key);
    QString enabledCommands() const;
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
    ContentsView* lsvMain = nullptr;
};

void TestEdit::init() {
    DefaultOptions();
    options().LoadDefaultDatabase = false;
    options().UseIcons = false;
    m_path = m_dir.filePath(QStringLiteral("Edit%1.ldr").arg(++m_run));
}

void TestEdit::cleanup() {
    m_window.reset();
    CloseCatalogue(nullptr);
}

// N3 Empty | N1 Music > N2 Rock > I1 Disk A, I3 Zed | I2 Loose.
void TestEdit::openWindow() {
    QVERIFY(createCatalogue(m_path));
    QVERIFY(addNode(1, 0, QStringLiteral("Music")) && addNode(2, 1, QStringLiteral("Rock")) &&
            addNode(3, 0, QStringLiteral("Empty")));
    QVERIFY(addImage(1, 2, QStringLiteral("Disk A")) && addImage(2, 0, QStringLiteral("Loose")) &&
            addImage(3, 2, QStringLiteral("Zed")));
    QVERIFY(addItem(1, 1, 0, 0, QStringLiteral("docs")) &&
            addItem(1, 2, 1, 1, QStringLiteral("a")) && addItem(1, 3, 0, 1, QStringLiteral("b")) &&
            addItem(2, 1, 0, 1, QStringLiteral("c")));
    CloseCatalogue(nullptr);
    m_window = std::make_unique<frmMain>(m_path);
    m_window->setUi(&m_ui);
    m_window->Load();
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    trvNodes = m_window->findChild<NodeTree*>(QStringLiteral("trvNodes"));
    lsvMain = m_window->contentsView();
    m_ui = ScriptedUi();
}

// Focus on the catalogue tree with the entry selected (none for an empty key), menus updated.
void TestEdit::focusTree(const QString& key) {
    trvNodes->setFocus();
    if (!key.isEmpty())
        m_window->showCatalogueEntry(key);
    else
        trvNodes->setCurrentItem(nullptr);
    m_window->mnuFile_Click();
}

void TestEdit::typeLabel(const QString& text, Qt::Key end) {
    QVERIFY(trvNodes->isEditingLabel());
    auto* editor = trvNodes->viewport()->findChild<QLineEdit*>();
    // Typed as a user would, over what the editor shows: the whole label must be selected.
    if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        editor->insert(text);
    QTest::keyClick(editor, end);
    // Enter commits through a queued call.
    QTRY_VERIFY(!trvNodes->isEditingLabel());
}

void TestEdit::newNode_data() {
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("filingKey");
    QTest::newRow("nothing selected: top level") << QString() << QString();
    QTest::newRow("top-level image: top level") << QStringLiteral("I2") << QString();
    QTest::newRow("image in a node: its node") << QStringLiteral("I1") << QStringLiteral("N2");
    QTest::newRow("node: the node itself") << QStringLiteral("N1") << QStringLiteral("N1");
}

void TestEdit::newNode() {
    QFETCH(QString, selected);
    QFETCH(QString, filingKey);
    openWindow();
    focusTree(selected);
    action("mnuFileNewNode")->trigger();
    QTreeWidgetItem* added = entry(QStringLiteral("N4"));
    QVERIFY(added);
    QCOMPARE(trvNodes->currentItem(), added);
    QCOMPARE(KeyTree::keyOf(added->parent()), filingKey);
    QCOMPARE(db().scalar(QStringLiteral("SELECT ParentID FROM Nodes WHERE ID=4")).toInt(),
             filingKey.mid(1).toInt());
    // Last among its siblings until a refresh sorts it.
    QTreeWidgetItem* parent = added->parent() ? added->parent() : trvNodes->invisibleRootItem();
    QCOMPARE(parent->indexOfChild(added), parent->childCount() - 1);
    // The label is open for the name at once; text is stored as typed.
    const QString name = QStringLiteral("Jazz \"live\" 'n' \\ more");
    typeLabel(name);
    QCOMPARE(added->text(0), name);
    QCOMPARE(storedName(QStringLiteral("N4")), name);
}

void TestEdit::rename_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    const QString tooLong = QStringLiteral("The name is too long: at most 64 characters.");
    const QString e64 = QStringLiteral("\U0001F600").repeated(64); // 128 UTF-16 units
    auto row = [](const char* name, const char* key, const QString& typed, const QString& shown,
                  const QString& message = {}) {
        QTest::newRow(name) << QString::fromLatin1(key) << typed << shown << message;
    };
    row("node, with quotes", "N3", QStringLiteral("A \"b\""), QStringLiteral("A \"b\""));
    row("image, quote and backslash", "I2", QStringLiteral("L'n\\"), QStringLiteral("L'n\\"));
    row("blanks refused silently", "I2", QStringLiteral("   "), QStringLiteral("Loose"));
    row("64 characters beyond 16 bits fit", "N3", e64, e64);
    row("65 characters refused", "N3", QString(65, u'x'), QStringLiteral("Empty"), tooLong);
}

void TestEdit::rename() {
    QFETCH(QString, key);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    openWindow();
    focusTree(key);
    QTest::keyClick(trvNodes, Qt::Key_F2);
    typeLabel(typed);
    QCOMPARE(entry(key)->text(0), shown);
    QCOMPARE(storedName(key), shown);
    QCOMPARE(m_ui.lastText(), message);
}

void TestEdit::deleteNodeAndImage() {
    openWindow();
    // Refused: nodes holding nodes, images, or an image the tree does not show; and a Delete
    // reached with the focus on the list, even while the menu item was enabled.
    QVERIFY(addImage(9, 3, QStringLiteral("Behind")));
    QString before = catalogueState();
    for (const char* key : {"N1", "N2", "N3", "I1"}) {
        focusTree(QLatin1String(key));
        if (key[0] == 'I') {
            lsvMain->setFocus();
            lsvMain->setCurrentRow(0);
            action("mnuFileDelete")->setEnabled(true);
        }
        m_ui.clear();
        m_ui.answers = {Ui::Answer::Yes};
        action("mnuFileDelete")->trigger();
        QCOMPARE(m_ui.lastText(), key[0] == 'N' ? QStringLiteral("Node is not empty.") : QString());
        QCOMPARE(catalogueState(), before);
        QVERIFY(entry(QLatin1String(key)));
    }
    QVERIFY(db().Execute(QStringLiteral("DELETE FROM Images WHERE ID=9")));
    focusTree(QStringLiteral("N3"));
    before = catalogueState();
    m_ui.clear();
    m_ui.answers = {Ui::Answer::No};
    QTest::keyClick(trvNodes, Qt::Key_Delete);
    // The question names what goes, and its default answer keeps it.
    QCOMPARE(m_ui.texts(), QStringList{QStringLiteral("Are you sure?\n\nThe node \u201CEmpty\u201D "
                                                      "will be deleted.")});
    QCOMPARE(m_ui.shown.last().buttons, Ui::Buttons::YesNoDefaultNo);
    QCOMPARE(catalogueState(), before);
    m_ui.answers = {Ui::Answer::Yes};
    action("mnuFileDelete")->trigger();
    QVERIFY(!entry(QStringLiteral("N3")));
    // An image goes with all its items and its name index entries, and only its own; the panes
    // follow the new selection.
    QVERIFY(NameIndex::addImage(db(), 1) && NameIndex::addImage(db(), 3));
    focusTree(QStringLiteral("I1"));
    m_ui.answers = {Ui::Answer::Yes};
    action("mnuFileDelete")->trigger();
    QCOMPARE(m_ui.lastText(), QStringLiteral("Are you sure?\n\nThe image \u201CDisk A\u201D and "
                                             "its 3 items will be deleted."));
    QVERIFY(!entry(QStringLiteral("I1")));
    QCOMPARE(catalogueState(), QStringLiteral("N1<0:Music N2<1:Rock I2<0:Loose I3<2:Zed 1"));
    QCOMPARE(db().scalar(QStringLiteral("SELECT group_concat(ImageID) FROM NameIndexImages "
                                        "WHERE ImageID IN (1, 3)"))
                 .toString(),
             QStringLiteral("3"));
    QCOMPARE(trvNodes->currentItem(), entry(QStringLiteral("I3")));
    QCOMPARE(m_window->currentImageId(), 3);
    // The last image of a node hands the selection to the node.
    m_ui.answers = {Ui::Answer::Yes};
    action("mnuFileDelete")->trigger();
    QCOMPARE(trvNodes->currentItem(), entry(QStringLiteral("N2")));
    QVERIFY(!m_window->isImageSelected());
}

void TestEdit::drop_data() {
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("after"); // the catalogue afterwards; empty when refused
    auto row = [](const char* name, const char* dragged, const char* target, const char* after) {
        QTest::newRow(name) << QString::fromLatin1(dragged) << QString::fromLatin1(target)
                            << QString::fromLatin1(after);
    };
    row("node onto its child", "N1", "N2", "");
    row("node onto an image", "N3", "I1", "");
    row("unknown entry", "N99", "N3", "");
    row("onto a missing node", "I2", "N99", "");
    row("node onto empty space", "N2", "",
        "N1<0:Music N2<0:Rock N3<0:Empty I1<2:Disk A I2<0:Loose I3<2:Zed 4");
    row("image onto a node", "I2", "N3",
        "N1<0:Music N2<1:Rock N3<0:Empty I1<2:Disk A I2<3:Loose I3<2:Zed 4");
    row("image onto empty space", "I1", "",
        "N1<0:Music N2<1:Rock N3<0:Empty I1<0:Disk A I2<0:Loose I3<2:Zed 4");
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
    QCOMPARE(catalogueState(), after.isEmpty() ? before : after);
    if (after.isEmpty())
        QCOMPARE(treeKeys(trvNodes), tree);
    else
        QCOMPARE(KeyTree::keyOf(entry(dragged)->parent()), target);
}

void TestEdit::dropMovesAndRefusedWrites() {
    openWindow();
    // A node move rebuilds the tree in name order and keeps the selection.
    focusTree(QStringLiteral("N3"));
    QVERIFY(m_window->trvNodes_DragDrop(QStringLiteral("N3"), QStringLiteral("N1")));
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("N1 N3 N2 I1 I3 I2"));
    QCOMPARE(trvNodes->currentItem(), entry(QStringLiteral("N3")));
    // An image dropped on its own node is written again and goes to the end of the node.
    focusTree(QStringLiteral("I1"));
    QVERIFY(m_window->trvNodes_DragDrop(QStringLiteral("I1"), QStringLiteral("N2")));
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("N1 N3 N2 I3 I1 I2"));
    QCOMPARE(trvNodes->currentItem(), entry(QStringLiteral("I1")));
    // A move or rename the catalogue refuses leaves tree and names alone and says why.
    for (const char* table : {"Nodes", "Images"})
        QVERIFY(db().Execute(QStringLiteral("CREATE TRIGGER refuse%1 BEFORE UPDATE ON %1 BEGIN "
                                            "SELECT RAISE(ABORT, 'refused'); END")
                                 .arg(QLatin1String(table))));
    QVERIFY(!m_window->trvNodes_DragDrop(QStringLiteral("I2"), QStringLiteral("N3")));
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("N1 N3 N2 I3 I1 I2"));
    QVERIFY(m_ui.lastText().startsWith(QStringLiteral("Database error number ")));
    m_ui.clear();
    focusTree(QStringLiteral("N3"));
    action("mnuFileRename")->trigger();
    typeLabel(QStringLiteral("Other"));
    QCOMPARE(entry(QStringLiteral("N3"))->text(0), QStringLiteral("Empty"));
    QCOMPARE(storedName(QStringLiteral("N3")), QStringLiteral("Empty"));
    QCOMPARE(m_ui.shown.size(), 1);
    QVERIFY(m_ui.lastText().startsWith(QStringLiteral("Database error number ")));
}

// The enabled commands among the editing ones: "popX" is poptrvNodesX, any other name mnuFileX.
QString TestEdit::enabledCommands() const {
    QStringList on;
    for (const QString& name : QStringLiteral("Rename Delete Import Export Properties popNew "
                                              "popRename popDelete popProperties UpdateDisk "
                                              "UpdateIndex popUpdate")
                                   .split(u' ')) {
        const QString object = name.startsWith(QLatin1String("pop"))
                                   ? QStringLiteral("poptrvNodes") + name.mid(3)
                                   : QStringLiteral("mnuFile") + name;
        if (m_window->findChild<QAction*>(object)->isEnabled())
            on << name;
    }
    return on.join(u' ');
}

// The commands on for each selection, writable and then read-only; read-only, every route to a
// change is refused without a word.
void TestEdit::availabilityAndReadOnly() {
    openWindow();
    const struct {
        const char* key;
        const char* writable;
        const char* readOnly;
    } cases[] = {{"", "Import popNew", ""},
                 {"N3", "Rename Delete Import popNew popRename popDelete", ""},
                 {"I2",
                  "Rename Delete Export Properties popNew popRename popDelete popProperties "
                  "UpdateDisk UpdateIndex popUpdate",
                  "Export Properties popProperties"}};
    for (const auto& c : cases) {
        focusTree(QLatin1String(c.key));
        QCOMPARE(enabledCommands(), QLatin1String(c.writable));
        QVERIFY(action("mnuFileNewNode")->isEnabled() && action("mnuFileNewDisk")->isEnabled());
    }
    lsvMain->setFocus();
    m_window->mnuFile_Click();
    QCOMPARE(enabledCommands(), QStringLiteral("Properties popNew"));
    CloseCatalogue(m_window.get());
    QString path = m_path;
    QVERIFY(OpenCatalogue(path, true, true, m_ui, m_window.get()));
    m_ui = ScriptedUi();
    const QString before = catalogueState();
    const QString tree = treeKeys(trvNodes);
    m_ui.defaultAnswer = Ui::Answer::Yes;
    for (const auto& c : cases) {
        focusTree(QLatin1String(c.key));
        QCOMPARE(enabledCommands(), QLatin1String(c.readOnly));
        QVERIFY(!action("mnuFileNewNode")->isEnabled() && !action("mnuFileNewDisk")->isEnabled());
        // Menus, keys, the toolbar and the context menu's items, even if reached while disabled.
        for (const char* name :
             {"mnuFileNewNode", "mnuFileNewDisk", "mnuFileImport", "mnuFileRename", "mnuFileDelete",
              "poptrvNodesNewNode", "poptrvNodesNewDisk", "poptrvNodesRename", "poptrvNodesDelete",
              "mnuFileUpdateDisk", "mnuFileUpdateIndex", "poptrvNodesUpdate"})
            action(name)->trigger();
        QTest::keyClick(trvNodes, Qt::Key_F2);
        QTest::keyClick(trvNodes, Qt::Key_Delete);
        for (const char* button : {"New", "Rename", "Delete"})
            m_window->tlbMain_ButtonClick(QLatin1String(button));
        m_window->tlbMain_ButtonMenuClick(QStringLiteral("NewNode"));
        m_window->tlbMain_ButtonMenuClick(QStringLiteral("NewDisk"));
        // Label editing and dragging.
        QVERIFY(!trvNodes->startLabelEdit(trvNodes->currentItem()));
        QVERIFY(
            !m_window->trvNodes_AfterLabelEdit(entry(QStringLiteral("N3")), QStringLiteral("x")));
        QVERIFY(!m_window->trvNodes_DragDrop(QStringLiteral("I2"), QStringLiteral("N3")));
        QVERIFY(!m_window->trvNodes_DragDrop(QStringLiteral("N3"), QString()));
    }
    lsvMain->setFocus();
    m_window->mnuFile_Click();
    QCOMPARE(enabledCommands(), QStringLiteral("Properties"));
    QVERIFY(!trvNodes->isEditingLabel());
    QVERIFY2(m_ui.shown.isEmpty(), qPrintable(m_ui.texts().join(u'|')));
    QCOMPARE(catalogueState(), before);
    QCOMPARE(treeKeys(trvNodes), tree);
}

void TestEdit::contextMenusAndDialogs() {
    openWindow();
    auto* poptrvNodes = m_window->findChild<QMenu*>(QStringLiteral("poptrvNodes"));
    auto* poplsvMain = m_window->findChild<QMenu*>(QStringLiteral("poplsvMain"));
    auto rightClick = [](QAbstractScrollArea* view, QPoint at, Qt::KeyboardModifiers mods) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at),
                                mods);
        QApplication::sendEvent(view->viewport(), &event);
    };
    // A right click picks the entry under the pointer, shows it and opens the menu for it; with
    // Shift held it does nothing.
    const QPoint image = trvNodes->visualItemRect(entry(QStringLiteral("I2"))).center();
    rightClick(trvNodes, image, Qt::ShiftModifier);
    QVERIFY(!poptrvNodes->isVisible());
    rightClick(trvNodes, image, Qt::NoModifier);
    QVERIFY(poptrvNodes->isVisible());
    QCOMPARE(m_window->currentImageId(), 2);
    QVERIFY(action("poptrvNodesProperties")->isEnabled());
    poptrvNodes->hide();
    // On empty space the menu acts on nothing: no Rename or Delete of the image picked before,
    // and New files at the top level.
    focusTree(QStringLiteral("I1"));
    rightClick(trvNodes, QPoint(5, trvNodes->viewport()->height() - 5), Qt::NoModifier);
    QVERIFY(poptrvNodes->isVisible());
    QVERIFY(!action("poptrvNodesRename")->isEnabled());
    QVERIFY(!action("poptrvNodesDelete")->isEnabled());
    poptrvNodes->hide();
    action("poptrvNodesNewNode")->trigger();
    QCOMPARE(db().scalar(QStringLiteral("SELECT ParentID FROM Nodes WHERE ID=4")).toInt(), 0);
    typeLabel(QStringLiteral("Top"), Qt::Key_Escape);
    rightClick(lsvMain->view(), lsvMain->visualRowRect(0).center(), Qt::NoModifier);
    QVERIFY(poplsvMain->isVisible());
    QCOMPARE(lsvMain->currentRow(), 0);
    poplsvMain->hide();

    // Properties open the dialog for what has the focus; each is noted and closed as it shows.
    QStringList opened;
    auto closeNext = [&opened] {
        QTimer::singleShot(0, [&opened] {
            QWidget* modal = QApplication::activeModalWidget();
            opened << (modal ? modal->objectName() : QStringLiteral("none"));
            if (modal)
                modal->close();
        });
    };
    focusTree(QStringLiteral("I1"));
    closeNext();
    action("poptrvNodesProperties")->trigger();
    lsvMain->setFocus();
    lsvMain->setCurrentRow(0);
    closeNext();
    action("poplsvMainProperties")->trigger();
    QCOMPARE(opened, (QStringList{QStringLiteral("frmPropImg"), QStringLiteral("frmPropItm")}));
}

QTEST_MAIN(TestEdit)
#include "tst_edit.moc"
