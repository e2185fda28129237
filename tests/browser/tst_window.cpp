// The main window as a user meets it: its frame and splitters, the catalogue tree, the folder tree
// and the contents list (and the same listings printed by ledra-cli ls), big folders, the details
// view and its order, opening and making catalogues, the settings kept at exit, icons, hints.
#include "BrowseFixture.h"
#include "CatalogueFixture.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "browser/guiContentsView.h"
#include "browser/guiKeyTree.h"
#include "browser/guiPictures.h"
#include "browser/mdlBrowse.h"
#include "catalogue/Engine.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "controls/ctlCmnDlg.h"
#include "controls/ctlSize.h"
#include "disk/guiScanProgress.h"
#include "search/frmFind.h"
#include "shell/mdlOptions.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

using namespace BrowseFixture;

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void naturalOrder_data();
    void naturalOrder();
    void splitters_data();
    void splitters();
    void bigFolderViewsKeptAtExit();
    void fileDialogs();
    void firstLook();
    void scanProgressTexts();
    void folderTree_data();
    void folderTree();
    void placeholdersClicksAndIcons();
    void contentsListKeysAndRefresh();
    void hiddenTreeAndOddRows();
    void cliLs_data();
    void cliLs();
    void newButton();

private:
    void openWindow(const QString& path, QSize size = QSize(900, 600));
    template <typename T = QWidget> T* child(const char* name) const {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    QAction* action(const char* name) const { return child<QAction>(name); }
    QTreeWidgetItem* image(const char* key) { return m_window->catalogueEntry(QLatin1String(key)); }

    QTemporaryDir m_dir;
    QString m_path; // image 1 "Photos": folder 1 of 3,000 files, the root a few named entries
    QString m_empty;
    QString m_browse; // nodes and images of every kind, see initTestCase
    ScriptedUi m_ui;
    std::unique_ptr<frmMain> m_window;
    QTreeWidget* trvNodes = nullptr;
    QTreeWidget* trvMain = nullptr;
    ContentsView* lsvMain = nullptr;
};

void TestWindow::initTestCase() {
    QVERIFY(m_dir.isValid());
    useSettingsIn(m_dir);
    m_path = m_dir.filePath(QStringLiteral("Photos.ldr"));
    QVERIFY(createCatalogue(m_path));
    QVERIFY(addImage(1, 0, QStringLiteral("Photos")));
    QVERIFY(addItem(1, 1, 0, 0, QStringLiteral("big")) &&
            addItem(1, 2, 0, 0, QStringLiteral("Folder 10")) &&
            addItem(1, 3, 0, 0, QStringLiteral("folder 9")) &&
            addItem(1, 4, 0, 1, QStringLiteral("IMG_10.jpg"), 32, 500) &&
            addItem(1, 5, 0, 1, QStringLiteral("img_2.jpg"), 32, 7000) &&
            addItem(1, 6, 0, 1, QStringLiteral("notes.txt"), 32, 10));
    QVERIFY(db().Execute(QStringLiteral("UPDATE Items SET TimeM='2024-03-0' || ID || ' 10:00:00' "
                                        "WHERE ImageID=1")));
    {
        Transaction t(db());
        for (int i = 0; i < 3000; ++i)
            QVERIFY(addItem(1, 100 + i, 1, 1, QStringLiteral("file %1.dat").arg(i), 32, i));
        QVERIFY(t.commit());
    }
    CloseCatalogue(nullptr);
    m_empty = m_dir.filePath(QStringLiteral("Empty.ldr"));
    QVERIFY(createCatalogue(m_empty));
    CloseCatalogue(nullptr);
    m_browse = m_dir.filePath(QStringLiteral("Browse.ldr"));
    QVERIFY(createCatalogue(m_browse));
    // Nodes: two with equal names, an orphan with a child, and a parent cycle.
    QVERIFY(addNode(1, 0, QStringLiteral("beta")) && addNode(2, 0, QStringLiteral("Alpha")) &&
            addNode(3, 1, QStringLiteral("\"child' \\ \t<b>\nN9")) &&
            addNode(4, 99, QStringLiteral("orphan")) &&
            addNode(5, 4, QStringLiteral("under orphan")) &&
            addNode(6, 0, QStringLiteral("same")) && addNode(7, 0, QStringLiteral("same")) &&
            addNode(8, 9, QStringLiteral("cycle a")) && addNode(9, 8, QStringLiteral("cycle b")) &&
            addNode(10, 10, QVariant()));
    QVERIFY(addImage(1, 0, QStringLiteral("Disk B")) &&
            addImage(2, 0, QStringLiteral("disk a"), 50, QVariant(), QStringLiteral("E:")) &&
            addImage(3, 1, QStringLiteral("In beta"), 7) &&
            addImage(4, 99, QStringLiteral("lost")) &&
            addImage(5, 2, QStringLiteral("Imported"), 2) &&
            addImage(6, 0, QStringLiteral("odd"), 0, QVariant(), QVariant()));
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
                 {5, 2, 1, 0, "deep"},
                 // Image 6: a folder that is its own parent, and a Null type.
                 {6, 1, 1, 0, "self"},
                 {6, 2, 0, {}, "null type"}};
    for (const auto& i : items)
        QVERIFY(addItem(i.image, i.id, i.parent, i.type,
                        i.name ? QVariant(QString::fromUtf8(i.name)) : QVariant(), i.attrib,
                        i.size));
    CloseCatalogue(nullptr);
}

void TestWindow::init() {
    DefaultOptions();
    options().LoadDefaultDatabase = false;
    options().ViewTree = true;
    options().WindowState = 0;
    options().UseIcons = false;
}

void TestWindow::cleanup() {
    ctlCmnDlg::setTestHook({});
    if (frmFind* find = frmFind::instance())
        find->close();
    m_window.reset();
    CloseCatalogue(nullptr);
    m_ui.clear();
}

void TestWindow::openWindow(const QString& path, QSize size) {
    m_window = std::make_unique<frmMain>(path);
    m_window->setUi(&m_ui);
    if (size.isValid())
        m_window->resize(size);
    m_window->show();
    m_window->Load();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    trvNodes = child<QTreeWidget>("trvNodes");
    trvMain = child<QTreeWidget>("trvMain");
    lsvMain = m_window->contentsView();
}

void TestWindow::naturalOrder_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("leading zeros") << "a007"
                                   << "a7" << 0;
    QTest::newRow("prefix first") << "disk"
                                  << "disk 2" << -1;
    QTest::newRow("letters after digits") << "a1b"
                                          << "a1a" << 1;
    QTest::newRow("beyond 64 bits") << "x99999999999999999999999"
                                    << "x100000000000000000000000" << -1;
}

void TestWindow::naturalOrder() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const int c = NaturalCompare(a, b);
    QCOMPARE((c > 0) - (c < 0), sign);
    const int r = NaturalCompare(b, a);
    QCOMPARE((r > 0) - (r < 0), -sign);
}

void TestWindow::splitters_data() {
    QTest::addColumn<QString>("bar");
    QTest::addColumn<int>("dx");
    QTest::addColumn<bool>("moves");
    // szeV stands at 160, szeTree at 364 (both 4 pixels wide); the pointer is at the middle
    // of the bar, so a drag by dx proposes the left edge 2 + dx pixels further.
    QTest::newRow("szeV to 16 pixels of szeTree") << "szeV" << 186 << false;
    QTest::newRow("szeV to 17 pixels of szeTree") << "szeV" << 185 << true;
    QTest::newRow("szeTree to 16 pixels of szeV") << "szeTree" << -186 << false;
    QTest::newRow("szeTree to 17 pixels of szeV") << "szeTree" << -185 << true;
    QTest::newRow("szeTree to the right") << "szeTree" << 200 << true;
}

void TestWindow::splitters() {
    QFETCH(QString, bar);
    QFETCH(int, dx);
    QFETCH(bool, moves);
    openWindow(m_path);
    auto* szeV = child<ctlSize>("szeV");
    auto* szeTree = child<ctlSize>("szeTree");
    // Laid out from the settings: 160 pixels of catalogue tree, the bar, 200 of folder tree.
    QCOMPARE(trvNodes->width(), 160);
    QCOMPARE(trvMain->x(), 160 + szeV->width());
    QCOMPARE(trvMain->width(), 200);
    QCOMPARE(lsvMain->geometry().right(), lsvMain->parentWidget()->width() - 1);
    QCOMPARE(szeV->height(), lsvMain->height());
    auto* moved = m_window->findChild<ctlSize*>(bar);
    const int before = moved->x();
    moveOverBar(moved, dx);
    QCOMPARE(moved->x(), moves ? qRound(before + moved->width() / 2.0 + dx) : before);
    // The panes follow the bars either way.
    QCOMPARE(trvMain->x(), szeV->geometry().right() + 1);
    QCOMPARE(trvMain->geometry().right() + 1, szeTree->x());
    QCOMPARE(lsvMain->x(), szeTree->geometry().right() + 1);
}

void TestWindow::bigFolderViewsKeptAtExit() {
    // A first start fits the screen it is on (the test screen is smaller than the default).
    openWindow(m_path, {});
    const QRect avail = m_window->screen()->availableGeometry();
    QVERIFY(avail.contains(m_window->frameGeometry()));
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    // Up from a folder lists its parent with the folder left selected.
    m_window->FillFiles(3);
    m_window->lsvMain_Up();
    QCOMPARE(m_window->listTag(), 0);
    QCOMPARE(lsvMain->selectedKey(), QStringLiteral("F3"));
    // In the list view every entry of a big folder is laid out at once: the last is reachable
    // by scrolling, without further events feeding the layout in batches.
    m_window->FillFiles(1);
    QCOMPARE(lsvMain->count(), 3000);
    QVERIFY(action("mnuViewList")->isChecked());
    QListView* view = lsvMain->listView();
    QVERIFY(view->isVisible());
    const QModelIndex last = lsvMain->model()->index(2999, 0);
    view->scrollTo(last);
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(view->indexAt(view->visualRect(last).center()), last);
    // The details view.
    QTest::keySequence(m_window.get(), QKeySequence(Qt::CTRL | Qt::Key_1));
    QVERIFY(lsvMain->isDetails() && lsvMain->detailsView()->isVisible());
    QVERIFY(action("mnuViewDetails")->isChecked());
    m_window->FillFiles(0);
    QHeaderView* header = lsvMain->detailsView()->header();
    QStringList titles;
    for (int c = 0; c < header->count(); ++c)
        titles << lsvMain->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles.join(u','), QStringLiteral("Name,Size,Modified,Type"));
    // Names in natural order, folders first.
    QCOMPARE(listKeys(lsvMain), QStringLiteral("F1 F3 F2 K5 K4 K6"));
    auto cell = [this](int row, int column) {
        return lsvMain->model()->index(row, column).data().toString();
    };
    QCOMPARE(cell(3, 1), QStringLiteral("6.84 KB"));
    QCOMPARE(cell(3, 2), QStringLiteral("2024-03-05 10:00:00"));
    QCOMPARE(cell(3, 3), QStringLiteral("JPEG image"));
    QCOMPARE(cell(0, 1), QString());
    // A click on a header sorts by it; a second click turns the order; folders stay first and
    // the entry picked stays picked.
    const int sizeX = header->sectionViewportPosition(1) + 5;
    lsvMain->selectKey(QStringLiteral("K4"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(sizeX, 5));
    QCOMPARE(listKeys(lsvMain), QStringLiteral("F1 F3 F2 K6 K4 K5"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(sizeX, 5));
    QCOMPARE(listKeys(lsvMain), QStringLiteral("F1 F3 F2 K5 K4 K6"));
    QCOMPARE(lsvMain->selectedKey(), QStringLiteral("K4"));
    header->resizeSection(0, 211);
    // Both trees hidden: the list takes the whole area. Then only the folder tree: it runs from
    // the left edge; the splitters stayed where they were.
    QWidget* area = lsvMain->parentWidget();
    m_window->mnuViewNodes_Click();
    m_window->mnuViewTree_Click();
    QVERIFY(child("szeV")->isHidden());
    QCOMPARE(lsvMain->geometry(), QRect(0, 0, area->width(), area->height()));
    m_window->mnuViewTree_Click();
    QCOMPARE(trvMain->geometry().left(), 0);
    QCOMPARE(trvMain->width(), child("szeTree")->x());
    moveOverBar(child<ctlSize>("szeTree"), 50);
    // Hiding the toolbar and the status bar gives the panes their height at once.
    const int height = lsvMain->height();
    m_window->mnuViewToolbar_Click();
    m_window->mnuViewStatusBar_Click();
    QTRY_VERIFY(lsvMain->height() > height);
    QVERIFY(child<QToolBar>("tlbMain")->isHidden());

    // The views, the order, the widths and the bars are kept in the settings and come back; a
    // window kept larger than the screen (another scale, another screen) is fitted to it.
    m_window->setGeometry(QRect(avail.topLeft(), avail.size() * 2));
    m_window->close();
    QCOMPARE(options().SizeVLeft, 160);
    m_window.reset();
    DefaultOptions();
    LoadOptions();
    QCOMPARE(options().ListView, 2);
    QVERIFY(!options().ViewNodes && options().ViewTree);
    QCOMPARE(options().SizeTreeLeft, 252);
    options().LoadDefaultDatabase = false;
    openWindow(m_path, {});
    QVERIFY(lsvMain->isDetails());
    QCOMPARE(lsvMain->detailsView()->header()->sectionSize(0), 211);
    QVERIFY(avail.contains(m_window->frameGeometry()));
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    QCOMPARE(listKeys(lsvMain), QStringLiteral("F1 F3 F2 K5 K4 K6"));
    QTest::keySequence(m_window.get(), QKeySequence(Qt::CTRL | Qt::Key_2));
    QVERIFY(!lsvMain->isDetails() && lsvMain->listView()->isVisible());
}

void TestWindow::fileDialogs() {
    openWindow(m_path);
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    QList<ctlCmnDlg::Exchange> asked;
    // Cancelled: the open catalogue stays, its panes as they were.
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        asked << x;
        return false;
    });
    QCOMPARE(action("mnuFileOpen")->shortcut(), QKeySequence(QKeySequence::Open));
    m_window->mnuFileOpen_Click();
    QCOMPARE(lsvMain->count(), 6);
    QCOMPARE(asked.last().title, QStringLiteral("Open Catalogue"));
    QCOMPARE(asked.last().filters.first(), QStringLiteral("Ledra (*.ldr *.mdb)"));
    QCOMPARE(asked.last().fileName, m_path);
    m_window->mnuFileNewDatabase_Click();
    QCOMPARE(asked.last().title, QStringLiteral("New Catalogue"));
    QCOMPARE(asked.last().filters.join(u','),
             QStringLiteral("Ledra (*.ldr),Access Database (*.mdb),All Files (*)"));
    QCOMPARE(lsvMain->count(), 6);
    // The read-only box of the open dialog opens read-only; Find still opens with F3, modeless and
    // single.
    ctlCmnDlg::setTestHook([](ctlCmnDlg::Exchange& x) {
        x.flags |= ctlCmnDlg::kFlagReadOnly;
        return true;
    });
    m_window->mnuFileOpen_Click();
    QCOMPARE(catalogue().path, m_path);
    QVERIFY(catalogue().readOnly);
    QVERIFY(!action("mnuToolsCompact")->isEnabled());
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    trvMain->setFocus();
    QTest::keyClick(trvMain, Qt::Key_F3);
    frmFind* find = frmFind::instance();
    QVERIFY(find && find->isVisible() && !find->isModal());
    QTest::keyClick(m_window.get(), Qt::Key_F3);
    QCOMPARE(frmFind::instance(), find);
    // New Database makes the chosen file.
    const QString created = m_dir.filePath(QStringLiteral("Made.ldr"));
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        x.fileName = created;
        return true;
    });
    m_window->mnuFileNewDatabase_Click();
    QCOMPARE(catalogue().path, created);
    QVERIFY(QFile::exists(created));
    QVERIFY(action("mnuToolsCompact")->isEnabled());
    // Another catalogue with an image 1 replaces all three panes, whichever had the focus.
    QString next;
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        x.fileName = next;
        return true;
    });
    for (const char* pane : {"trvNodes", "trvMain", "lsvMain"}) {
        next = m_path;
        m_window->mnuFileOpen_Click();
        m_window->showCatalogueEntry(QStringLiteral("I1"));
        m_window->FillFiles(0);
        child(pane)->setFocus();
        next = m_browse;
        m_window->mnuFileOpen_Click();
        QCOMPARE(catalogue().path, m_browse);
        QCOMPARE(image("I1")->text(0), QStringLiteral("Disk B"));
        QCOMPARE(trvMain->topLevelItemCount(), 0);
        QCOMPARE(lsvMain->count(), 0);
    }
}

// A first look: the empty catalogue's hint, one mnemonic per letter in each menu, and pictures
// without a desktop theme.
void TestWindow::firstLook() {
    openWindow(m_empty);
    QCOMPARE(lsvMain->hint(), QStringLiteral("This catalogue is empty.\nFile \u25B8 New \u25B8 "
                                             "Disk\u2026 catalogues a disk."));
    QVERIFY(lsvMain->findChild<QWidget*>(QStringLiteral("lblHint"))->isVisible());
    // Once something is filed the hint goes. The toolbar's New button makes nodes unless told
    // otherwise; a cancelled edit keeps the stored name and the shown one apart until a refresh.
    trvNodes->setFocus();
    m_window->tlbMain_ButtonClick(QStringLiteral("New"));
    QVERIFY(!lsvMain->findChild<QWidget*>(QStringLiteral("lblHint"))->isVisible());
    QTest::keyClick(trvNodes->viewport()->findChild<QLineEdit*>(), Qt::Key_Escape);
    QTRY_COMPARE(image("N1")->text(0), QStringLiteral("New node"));
    m_window->mnuViewRefresh_Click();
    QCOMPARE(image("N1")->text(0), QStringLiteral("New Node"));
    QList<QMenu*> menus;
    for (QAction* a : m_window->menuBar()->actions())
        menus << a->menu();
    for (int i = 0; i < menus.size(); ++i) {
        QHash<QChar, QString> taken;
        for (QAction* a : menus.at(i)->actions()) {
            if (a->menu())
                menus << a->menu();
            const qsizetype amp = a->text().indexOf(u'&');
            if (amp < 0 || amp + 1 >= a->text().size() || !a->isVisible())
                continue;
            const QChar letter = a->text().at(amp + 1).toLower();
            QVERIFY2(!taken.contains(letter), qPrintable(taken.value(letter) + u", " + a->text()));
            taken.insert(letter, a->text());
        }
    }
    // A caption is a name, not a menu entry.
    QVERIFY(!m_window->windowTitle().contains(QLatin1String("...")));
    // No desktop chose a theme here: the program's own fallback gives every file type and
    // toolbar button a picture.
    QVERIFY(QIcon::themeName() == QLatin1String(kFallbackIconTheme) ||
            QIcon::fallbackThemeName() == QLatin1String(kFallbackIconTheme));
    QCOMPARE(frmMain::IconLookup(QStringLiteral("notes.txt"), false), QStringLiteral("Icon.txt"));
    QCOMPARE(frmMain::IconLookup(QStringLiteral("a.b.jpg"), false), QStringLiteral("Icon.jpg"));
    QVERIFY(QIcon::hasThemeIcon(QStringLiteral("document-open")));
    QVERIFY(!m_window->windowIcon().pixmap(32, 32).isNull());
}

void TestWindow::scanProgressTexts() {
    QWidget dialog;
    auto* area = new ScanProgressArea(&dialog);
    (new QVBoxLayout(&dialog))->addWidget(area);
    dialog.show();
    area->setMaximum(8);
    area->setScanned(2);
    auto* bar = dialog.findChild<QProgressBar*>(QStringLiteral("prgScaned"));
    QCOMPARE(bar->text(), QStringLiteral("25%"));
    // A long folder keeps both its ends; the whole path is the tip.
    const QString folder =
        QStringLiteral("/media/usb/") + QString(300, u'x') + QStringLiteral("/Holiday 2024");
    area->setFolderText(folder);
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("lblFolder"));
    QVERIFY2(label->text().startsWith(QStringLiteral("/media/usb/")), qPrintable(label->text()));
    QVERIFY(label->text().endsWith(QStringLiteral("Holiday 2024")));
    QVERIFY(label->text().contains(QChar(0x2026)));
    QCOMPARE(label->toolTip(), folder);
}

void TestWindow::folderTree_data() {
    QTest::addColumn<bool>("incremental");
    QTest::addColumn<bool>("detect");
    QTest::addColumn<QString>("imageKey");
    QTest::addColumn<QString>("keys");
    QTest::newRow("whole tree, parent with a higher ID, orphan left out")
        << false << false << QStringLiteral("I1") << QStringLiteral("K0 K2 K3 K26 K11 K10 K1");
    QTest::newRow("incremental with detection")
        << true << true << QStringLiteral("I1") << QStringLiteral("K0 K2 K2SF K26 K11 K11SF K1");
    QTest::newRow("imported image, whole tree")
        << false << false << QStringLiteral("I5") << QStringLiteral("K0 K1 K2");
    QTest::newRow("imported image, incremental")
        << true << true << QStringLiteral("I5") << QStringLiteral("K0 K1 K1SF");
}

void TestWindow::folderTree() {
    QFETCH(bool, incremental);
    QFETCH(bool, detect);
    QFETCH(QString, imageKey);
    QFETCH(QString, keys);
    options().IncrementalFill = incremental;
    options().DetectSubFolders = detect;
    openWindow(m_browse);
    m_window->trvNodes_NodeClick(m_window->catalogueEntry(imageKey));
    QCOMPARE(treeKeys(trvMain), keys);
    QCOMPARE(m_window->currentImageId(), imageKey.mid(1).toInt());
    QVERIFY(m_window->isImageSelected());
}

// Incremental fill without detection: placeholders and clicks on folders; then the list's icons.
void TestWindow::placeholdersClicksAndIcons() {
    options().IncrementalFill = true;
    options().DetectSubFolders = false;
    options().UseIcons = true;
    openWindow(m_browse);
    m_window->trvNodes_NodeClick(image("I1"));
    QCOMPARE(treeKeys(trvMain), QStringLiteral("K0 K2 K2SF K26 K26SF K11 K11SF K1 K1SF"));
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
    // Icons of the root's entries.
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

void TestWindow::contentsListKeysAndRefresh() {
    openWindow(m_browse);
    auto text = [this](const char* key) {
        return m_window->listEntry(QLatin1String(key)).data().toString();
    };
    // Child nodes before images in each node, names without regard to case, equal names by ID;
    // orphans, their children, nodes in a cycle and images under missing nodes are left out.
    QCOMPARE(treeKeys(trvNodes), QStringLiteral("N2 I5 N1 N3 I3 N6 N7 I2 I1 I6"));
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

// In either fill mode: the folder tree hidden, then an image with no label or source, a Null
// type and a folder that is its own parent.
void TestWindow::hiddenTreeAndOddRows() {
    for (const bool incremental : {true, false}) {
        options().IncrementalFill = incremental;
        openWindow(m_browse);
        m_window->trvNodes_NodeClick(image("I1"));
        m_window->mnuViewTree_Click(); // hide
        m_window->trvNodes_NodeClick(image("I5"));
        QCOMPARE(trvMain->topLevelItemCount(), 0);
        // The list follows the list's own navigation without touching the hidden tree.
        QCOMPARE(listKeys(lsvMain), QStringLiteral("F1"));
        m_window->mnuViewTree_Click(); // show
        QVERIFY(m_window->folderEntry(QStringLiteral("K1")));
        QCOMPARE(m_window->folderEntry(QStringLiteral("K0"))->text(0), QStringLiteral("DATA [D:]"));
        m_window->trvNodes_NodeClick(image("I6"));
        QCOMPARE(m_window->folderEntry(QStringLiteral("K0"))->text(0), QStringLiteral(" []"));
        // A Null type reads as a folder.
        QCOMPARE(listKeys(lsvMain), QStringLiteral("F2"));
        m_window->FillFiles(1);
        m_window->lsvMain_Up();
        QCOMPARE(m_window->listTag(), 1);
        cleanup();
    }
}

void TestWindow::cliLs_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    // A line break in a name must not start a record of its own.
    QTest::newRow("catalogue tree, names escaped")
        << QStringList() << 0
        << "N2\tAlpha\n  I5\tImported\nN1\tbeta\n  N3\t\"child' \\\\ \\t<b>\\nN9\n"
           "  I3\tIn beta\nN6\tsame\nN7\tsame\nI2\tdisk a\nI1\tDisk B\nI6\todd\n";
    QTest::newRow("folder") << QStringList{QStringLiteral("1"), QStringLiteral("2")} << 0
                            << "F3\tsub\t0 bytes\tDirectory\n"
                               "K25\tin alpha.txt\t1.50 KB\tRead-only, Archive\n";
    QTest::newRow("unknown image") << QStringList{QStringLiteral("9")} << 1 << "";
    QTest::newRow("not a number") << QStringList{QStringLiteral("x")} << 2 << "";
}

void TestWindow::cliLs() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    const CliRun r = runCli(QStringList{QStringLiteral("ls"), m_browse} + args);
    QCOMPARE(r.code, exitCode);
    QCOMPARE(r.out, output);
    if (exitCode != 0)
        QVERIFY(!r.err.isEmpty());
}

// The New button makes nodes unless disks were chosen from its menu, and the choice sticks; New
// Disk hands the focus back to the catalogue tree with the new image selected. Place and size
// are kept. Runs last.
void TestWindow::newButton() {
    options().NewType = 3; // anything but disks
    openWindow(m_path, {});
    QCOMPARE(m_window->newButtonTag(), QStringLiteral("NewNode"));
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    lsvMain->setFocus();
    // The dialog files a new image and closes by itself, as it does when a scan ends.
    bool shown = false;
    QTimer::singleShot(100, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        shown = dialog && dialog->objectName() == QLatin1String("frmDiskNew");
        addImage(2, 0, QStringLiteral("Just scanned"));
        m_window->addCatalogueEntry(QStringLiteral("I2"), QStringLiteral("Just scanned"),
                                    QStringLiteral("T3"), QString());
        if (dialog)
            dialog->close();
    });
    m_window->tlbMain_ButtonMenuClick(QStringLiteral("NewDisk"));
    QVERIFY(shown);
    QCOMPARE(m_window->newButtonTag(), QStringLiteral("NewDisk"));
    QCOMPARE(m_window->focusWidget(), trvNodes);
    QCOMPARE(trvNodes->currentItem(), image("I2"));
    QCOMPARE(m_window->currentImageId(), 2);
    const QRect avail = m_window->screen()->availableGeometry();
    m_window->setGeometry(QRect(avail.x() + 20, avail.y() + 30, 500, 400));
    const QSize kept = m_window->size();
    m_window->close();
    m_window.reset();
    openWindow(m_path, {});
    QCOMPARE(m_window->size(), kept);
    QCOMPARE(m_window->newButtonTag(), QStringLiteral("NewDisk"));
    m_window->tlbMain_ButtonMenuClick(QStringLiteral("NewNode"));
    QCOMPARE(options().NewType, 1);
    QCOMPARE(m_window->newButtonTag(), QStringLiteral("NewNode"));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
