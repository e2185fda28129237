// The catalogue tree, the folder tree and the contents list, driven through the real window, and
// the same listings printed by ledra-cli ls.
#include "BrowseFixture.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "browser/guiContentsView.h"
#include "browser/guiKeyTree.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "shell/mdlOptions.h"

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace BrowseFixture;

class TestTrees : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void folderTree_data();
    void folderTree();
    void placeholdersAndClicks();
    void contentsListKeysAndRefresh();
    void hiddenFolderTree();
    void iconsOncePerExtension();
    void hostileRows();
    void cliLs_data();
    void cliLs();

private:
    void openWindow(const QString& path = {});
    QTreeWidgetItem* image(const char* key) { return m_window->catalogueEntry(QLatin1String(key)); }

    QTemporaryDir m_dir;
    QString m_path;
    QString m_hostile;
    ScriptedUi m_ui;
    std::unique_ptr<frmMain> m_window;
    QTreeWidget* trvNodes = nullptr;
    QTreeWidget* trvMain = nullptr;
    ContentsView* lsvMain = nullptr;
};

void TestTrees::initTestCase() {
    QVERIFY(m_dir.isValid());
    useSettingsIn(m_dir);
    m_path = m_dir.filePath(QStringLiteral("Browse.ldr"));
    QVERIFY(createCatalogue(m_path));
    // Nodes: two with equal names, an orphan with a child, and a parent cycle.
    QVERIFY(addNode(1, 0, QStringLiteral("beta")) && addNode(2, 0, QStringLiteral("Alpha")) &&
            addNode(3, 1, QStringLiteral("\"child' \\ \t<b>\nN9")) &&
            addNode(4, 99, QStringLiteral("orphan")) &&
            addNode(5, 4, QStringLiteral("under orphan")) &&
            addNode(6, 0, QStringLiteral("same")) && addNode(7, 0, QStringLiteral("same")) &&
            addNode(8, 9, QStringLiteral("cycle a")) && addNode(9, 8, QStringLiteral("cycle b")));
    QVERIFY(addImage(1, 0, QStringLiteral("Disk B")) &&
            addImage(2, 0, QStringLiteral("disk a"), 50, QVariant(), QStringLiteral("E:")) &&
            addImage(3, 1, QStringLiteral("In beta"), 7) &&
            addImage(4, 99, QStringLiteral("lost")) &&
            addImage(5, 2, QStringLiteral("Imported"), 2));
    // Image 1: folder 10 hangs under folder 11 (a parent with a higher ID), 12 under nothing.
    const struct {
        int image, id, parent;
        QVariant type;
        const char* name;
        QVariant attrib, size;
    } items[] = {{1, 1, 0, 0, "Zeta"},
                 {1, 2, 0, 0, "alpha"},
                 {1, 3, 2, 0, "sub", 16},
                 {1, 10, 11, 0, "late"},
                 {1, 11, 0, 0, "Parent later"},
                 {1, 12, 500, 0, "orphan folder"},
                 {1, 20, 0, 1, "b.txt", 2, 1000},
                 {1, 21, 0, 1, "A.TXT", {}, 10},
                 {1, 22, 0, 1, "noext", 4 | 32, 5},
                 {1, 23, 0, 7, "strange type"},
                 {1, 24, 0, 1, nullptr},
                 {1, 25, 2, 1, "in alpha.txt", 32 | 1, 1536},
                 {1, 26, 0, 0, "Hidden dir", 16 | 2},
                 // Image 2, an audio CD.
                 {2, 1, 0, 1, "Track05.cda"},
                 {2, 2, 0, 1, "07: My Song.cda"},
                 {2, 3, 0, 1, "Track5.cda"},
                 // Image 5, imported: its root folder has a row of its own.
                 {5, 0, -1, 0, "ROOT"},
                 {5, 1, 0, 0, "docs"},
                 {5, 2, 1, 0, "deep"}};
    for (const auto& i : items)
        QVERIFY(addItem(i.image, i.id, i.parent, i.type,
                        i.name ? QVariant(QString::fromUtf8(i.name)) : QVariant(), i.attrib,
                        i.size));
    CloseCatalogue(nullptr);
    // Null names, sizes and types, odd characters, and a folder that is its own parent.
    m_hostile = m_dir.filePath(QStringLiteral("Hostile.ldr"));
    QVERIFY(createCatalogue(m_hostile));
    QVERIFY(addNode(1, 1, QVariant()));
    QVERIFY(
        addImage(1, 0, QStringLiteral("\"quoted' \\ name\t<b>\nI9"), 0, QVariant(), QVariant()));
    QVERIFY(addItem(1, 1, 1, 0, QStringLiteral("self")));
    QVERIFY(addItem(1, 2, 0, QVariant(), QStringLiteral("null type")));
    CloseCatalogue(nullptr);
}

void TestTrees::init() {
    DefaultOptions();
    options().LoadDefaultDatabase = false;
    options().ViewTree = true;
    options().UseIcons = false;
}

void TestTrees::openWindow(const QString& path) {
    m_ui.clear();
    m_window = std::make_unique<frmMain>(path.isEmpty() ? m_path : path);
    m_window->setUi(&m_ui);
    m_window->Load();
    trvNodes = m_window->findChild<QTreeWidget*>(QStringLiteral("trvNodes"));
    trvMain = m_window->findChild<QTreeWidget*>(QStringLiteral("trvMain"));
    lsvMain = m_window->contentsView();
    QVERIFY(trvNodes && trvMain && lsvMain);
}

void TestTrees::cleanup() {
    m_window.reset();
    CloseCatalogue(nullptr);
}

void TestTrees::folderTree_data() {
    QTest::addColumn<bool>("incremental");
    QTest::addColumn<bool>("detect");
    QTest::addColumn<QString>("imageKey");
    QTest::addColumn<QString>("keys");
    QTest::newRow("whole tree, parent with a higher ID, orphan left out")
        << false << false << QStringLiteral("I1") << QStringLiteral("K0 K2 K3 K26 K11 K10 K1");
    QTest::newRow("incremental with detection")
        << true << true << QStringLiteral("I1") << QStringLiteral("K0 K2 K2SF K26 K11 K11SF K1");
    QTest::newRow("incremental without detection")
        << true << false << QStringLiteral("I1")
        << QStringLiteral("K0 K2 K2SF K26 K26SF K11 K11SF K1 K1SF");
    QTest::newRow("imported image, whole tree")
        << false << false << QStringLiteral("I5") << QStringLiteral("K0 K1 K2");
    QTest::newRow("imported image, incremental")
        << true << true << QStringLiteral("I5") << QStringLiteral("K0 K1 K1SF");
}

void TestTrees::folderTree() {
    QFETCH(bool, incremental);
    QFETCH(bool, detect);
    QFETCH(QString, imageKey);
    QFETCH(QString, keys);
    options().IncrementalFill = incremental;
    options().DetectSubFolders = detect;
    openWindow();
    m_window->trvNodes_NodeClick(m_window->catalogueEntry(imageKey));
    QCOMPARE(treeKeys(trvMain), keys);
    QCOMPARE(m_window->currentImageId(), imageKey.mid(1).toInt());
    QVERIFY(m_window->isImageSelected());
}

void TestTrees::placeholdersAndClicks() {
    options().IncrementalFill = true;
    options().DetectSubFolders = false;
    openWindow();
    m_window->trvNodes_NodeClick(image("I1"));
    // Expanding a folder without subfolders removes its mark and adds nothing.
    QTreeWidgetItem* zeta = m_window->folderEntry(QStringLiteral("K1"));
    QCOMPARE(zeta->childCount(), 1);
    zeta->setExpanded(true);
    QCOMPARE(zeta->childCount(), 0);
    QVERIFY(!m_window->folderEntry(QStringLiteral("K1SF")));
    // Clicking a folder twice loads its subfolders once.
    QTreeWidgetItem* alpha = m_window->folderEntry(QStringLiteral("K2"));
    m_window->trvMain_NodeClick(alpha);
    m_window->trvMain_NodeClick(alpha);
    QCOMPARE(alpha->childCount(), 1);
    QCOMPARE(KeyTree::keyOf(alpha->child(0)->child(0)), QStringLiteral("K3SF"));
    QCOMPARE(m_window->listedFolderId(), 2);
    // The root entry lists the image's root folder.
    m_window->trvMain_NodeClick(m_window->folderEntry(QStringLiteral("K0")));
    QCOMPARE(m_window->listedFolderId(), 0);
    QCOMPARE(trvMain->currentItem(), m_window->folderEntry(QStringLiteral("K0")));
}

void TestTrees::contentsListKeysAndRefresh() {
    openWindow();
    auto text = [this](const char* key) {
        return m_window->listEntry(QLatin1String(key)).data().toString();
    };
    // Child nodes before images in each node, names without regard to case, equal names by ID;
    // orphans, their children and images under missing nodes are left out.
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("N2 I5 N1 N3 I3 N6 N7 I2 I1"));
    // An image type without a picture is still shown, with the first type's picture.
    QVERIFY(!image("I3")->icon(0).isNull());
    m_window->trvNodes_NodeClick(image("I1"));
    // Folders first, then files, each by name (a Null name first); other types left out.
    QCOMPARE(listKeys(lsvMain), QStringLiteral("F2 F26 F11 F1 K24 K21 K20 K22"));
    // Hidden or system entries are ghosted; Null attributes are not.
    QStringList ghosted;
    for (int row = 0; row < lsvMain->count(); ++row) {
        if (m_window->listEntry(lsvMain->keyAt(row)).data(frmMain::GhostedRole).toBool())
            ghosted << lsvMain->keyAt(row);
    }
    QCOMPARE(ghosted.join(u' '), QStringLiteral("F26 K20 K22"));
    QCOMPARE(text("K24"), QString());
    auto* panel = m_window->findChild<QLabel*>(QStringLiteral("Image"));
    QCOMPARE(panel->text(), QStringLiteral("Disk B"));
    QVERIFY(!panel->isHidden());
    // A node clicked clears the panes; the list shows the state in its background.
    m_window->trvNodes_NodeClick(m_window->catalogueEntry(QStringLiteral("N1")));
    QCOMPARE(lsvMain->count(), 0);
    QCOMPARE(trvMain->topLevelItemCount(), 0);
    QVERIFY(!m_window->isImageSelected());
    QVERIFY(m_window->findChild<QLabel*>(QStringLiteral("Image"))->isHidden());
    QCOMPARE(lsvMain->palette().color(QPalette::Base), m_window->palette().color(QPalette::Button));
    // Audio CD tracks show without their file pattern; the root has no label, so its entry is
    // the source in brackets alone.
    m_window->trvNodes_NodeClick(image("I2"));
    QCOMPARE(m_window->currentImageType(), 50);
    QCOMPARE(text("K1") + u'|' + text("K2") + u'|' + text("K3"),
             QStringLiteral("Track05|My Song|Track5.cda"));
    QCOMPARE(m_window->folderEntry(QStringLiteral("K0"))->text(0), QStringLiteral(" [E:]"));
    m_window->trvNodes_NodeClick(image("I1"));
    QCOMPARE(text("K20"), QStringLiteral("b.txt"));
    QCOMPARE(m_window->folderEntry(QStringLiteral("K0"))->text(0), QStringLiteral("DATA [D:]"));

    // Enter opens a folder, Backspace goes up.
    QVERIFY(m_window->selectListEntry(QStringLiteral("F2")));
    QTest::keyClick(lsvMain, Qt::Key_Return);
    QCOMPARE(listKeys(lsvMain), QStringLiteral("F3 K25"));
    QCOMPARE(m_window->listedFolderId(), 2);
    // The folder tree follows the list.
    QCOMPARE(trvMain->currentItem(), m_window->folderEntry(QStringLiteral("K2")));
    QTest::keyClick(lsvMain, Qt::Key_Backspace);
    QCOMPARE(m_window->listedFolderId(), 0);
    QCOMPARE(lsvMain->count(), 8);
    // Backspace in the root does nothing.
    QTest::keyClick(lsvMain, Qt::Key_Backspace);
    QCOMPARE(m_window->listTag(), 0);
    QCOMPARE(lsvMain->count(), 8);
    // Enter on a file does not navigate.
    QVERIFY(m_window->selectListEntry(QStringLiteral("K20")));
    QTest::keyClick(lsvMain, Qt::Key_Return);
    QCOMPARE(lsvMain->count(), 8);
    // The imported image's root row does not make the root a subfolder of anything.
    m_window->trvNodes_NodeClick(image("I5"));
    m_window->lsvMain_Up();
    QCOMPARE(listKeys(lsvMain), QStringLiteral("F1"));
    // An empty folder lists nothing but keeps the folder tree as it was.
    m_window->trvNodes_NodeClick(image("I1"));
    m_window->FillFiles(2);
    QTreeWidgetItem* selected = trvMain->currentItem();
    m_window->FillFiles(3); // "sub" is empty
    QCOMPARE(lsvMain->count(), 0);
    QCOMPARE(m_window->listedFolderId(), 2);
    QCOMPARE(m_window->listTag(), 3);
    QCOMPARE(trvMain->currentItem(), selected);
    // A refresh with the focus on the list re-lists the folder listed before.
    lsvMain->setFocus();
    m_window->mnuViewRefresh_Click();
    QCOMPARE(listKeys(lsvMain), QStringLiteral("F3 K25"));

    trvNodes->setCurrentItem(m_window->catalogueEntry(QStringLiteral("N1")));
    QVERIFY(addNode(20, 0, QStringLiteral("new")));
    // Only a refresh with the focus on the catalogue tree rebuilds it.
    for (QWidget* pane : std::initializer_list<QWidget*>{trvMain, lsvMain, trvNodes}) {
        QVERIFY(!m_window->hasCatalogueEntry(QStringLiteral("N20")));
        pane->setFocus();
        m_window->mnuViewRefresh_Click();
    }
    m_window->mnuViewRefresh_Click();
    QVERIFY(m_window->hasCatalogueEntry(QStringLiteral("N20")));
    QTreeWidgetItem* again = m_window->catalogueEntry(QStringLiteral("N1"));
    QCOMPARE(trvNodes->currentItem(), again);
    QVERIFY(again->isExpanded());

    // A selection that has gone from the catalogue is not restored, and nothing is said.
    trvNodes->setCurrentItem(m_window->catalogueEntry(QStringLiteral("N20")));
    db().Execute(QStringLiteral("DELETE FROM Nodes WHERE ID=20"));
    m_window->mnuViewRefresh_Click();
    QVERIFY(!m_window->hasCatalogueEntry(QStringLiteral("N20")));
    QVERIFY(!trvNodes->currentItem());
    QVERIFY(m_ui.shown.isEmpty());
}

void TestTrees::hiddenFolderTree() {
    for (const bool incremental : {true, false}) {
        options().IncrementalFill = incremental;
        openWindow();
        m_window->trvNodes_NodeClick(image("I1"));
        m_window->mnuViewTree_Click(); // hide
        QVERIFY(!m_window->isFolderTreeVisible());
        m_window->trvNodes_NodeClick(image("I5"));
        QCOMPARE(trvMain->topLevelItemCount(), 0);
        // The list follows the list's own navigation without touching the hidden tree.
        QCOMPARE(listKeys(lsvMain), QStringLiteral("F1"));
        m_window->mnuViewTree_Click(); // show
        QVERIFY(m_window->folderEntry(QStringLiteral("K1")));
        QCOMPARE(m_window->folderEntry(QStringLiteral("K0"))->text(0), QStringLiteral("DATA [D:]"));
        cleanup();
    }
}

void TestTrees::iconsOncePerExtension() {
    options().UseIcons = true;
    openWindow();
    m_window->trvNodes_NodeClick(image("I1"));
    auto iconKey = [this](const char* key) {
        return m_window->listEntry(QLatin1String(key)).data(frmMain::IconKeyRole).toString();
    };
    auto hasIcon = [this](const char* key) {
        return !m_window->listEntry(QLatin1String(key))
                    .data(Qt::DecorationRole)
                    .value<QIcon>()
                    .isNull();
    };
    for (const char* key : {"K20", "K21", "K22", "F2"})
        QVERIFY2(!iconKey(key).isEmpty() && hasIcon(key), key);
    // A name without a dot shares the "." lookup.
    QVERIFY(QStringLiteral("Icon. Unknown").contains(iconKey("K22")));
    // Icons are looked up as entries are drawn, once per extension for the program's life.
    const int after = frmMain::iconLookupCount();
    QVERIFY(after > 0);
    for (qint32 folder : {0, 2}) {
        m_window->FillFiles(folder);
        for (int row = 0; row < lsvMain->count(); ++row)
            lsvMain->model()->index(row, 0).data(frmMain::IconKeyRole);
    }
    QCOMPARE(frmMain::iconLookupCount(), after);
    // Off: files get no icon and folders the "Folder" picture.
    options().UseIcons = false;
    m_window->FillFiles(0);
    QVERIFY(!hasIcon("K20"));
    QCOMPARE(iconKey("F2"), QStringLiteral("Folder"));
}

void TestTrees::hostileRows() {
    options().IncrementalFill = false;
    openWindow(m_hostile);
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("I1"));
    m_window->trvNodes_NodeClick(image("I1"));
    QCOMPARE(m_window->folderEntry(QStringLiteral("K0"))->text(0), QStringLiteral(" []"));
    // A Null type reads as a folder.
    QCOMPARE(listKeys(lsvMain), QStringLiteral("F2"));
    m_window->FillFiles(1);
    m_window->lsvMain_Up();
    QCOMPARE(m_window->listTag(), 1);
}

void TestTrees::cliLs_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    // A line break in a name must not start a record of its own.
    QTest::newRow("catalogue tree, names escaped")
        << QStringList() << 0
        << "N2\tAlpha\n  I5\tImported\nN1\tbeta\n  N3\t\"child' \\\\ \\t<b>\\nN9\n"
           "  I3\tIn beta\nN6\tsame\nN7\tsame\nI2\tdisk a\nI1\tDisk B\n";
    QTest::newRow("folder") << QStringList{QStringLiteral("1"), QStringLiteral("2")} << 0
                            << "F3\tsub\t0 bytes\tDirectory\n"
                               "K25\tin alpha.txt\t1.50 KB\tRead-only, Archive\n";
    QTest::newRow("unknown image") << QStringList{QStringLiteral("9")} << 1 << "";
    QTest::newRow("not a number") << QStringList{QStringLiteral("x")} << 2 << "";
}

void TestTrees::cliLs() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcess p;
    p.start(QStringLiteral(LEDRA_CLI), QStringList{QStringLiteral("ls"), m_path} + args);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), output);
    if (exitCode != 0)
        QVERIFY(!p.readAllStandardError().isEmpty());
}

QTEST_MAIN(TestTrees)
#include "tst_trees.moc"
