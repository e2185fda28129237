// The main window as a user meets it: its frame and splitters, big folders, the details view and
// its order, opening and making catalogues, the settings kept at exit, icons, hints, New Disk.
#include "BrowseFixture.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "browser/guiContentsView.h"
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
#include <QListView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

using namespace BrowseFixture;

namespace {

// Drags a splitter bar by dx pixels with the left button held.
void drag(ctlSize* bar, int dx) {
    const QPointF local(bar->width() / 2.0 + dx, bar->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, local, bar->mapToGlobal(local), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &move);
}

} // namespace

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
    void viewTogglesAndSettingsAtExit();
    void bigFolderAndDetailsView();
    void fileDialogs();
    void geometryKeptAndFitted();
    void firstLook();
    void scanProgressTexts();
    void newButton();

private:
    void openWindow(const QString& path, QSize size = QSize(900, 600));
    template <typename T = QWidget> T* child(const char* name) const {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    QAction* action(const char* name) const { return child<QAction>(name); }
    ContentsView* list() const { return m_window->contentsView(); }

    QTemporaryDir m_dir;
    QString m_path;  // image 1 "Photos": folder 1 of 3,000 files, the root a few named entries
    QString m_other; // image 1 "Other" with a root of one file
    QString m_empty;
    ScriptedUi m_ui;
    std::unique_ptr<frmMain> m_window;
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
    m_other = m_dir.filePath(QStringLiteral("Other.ldr"));
    QVERIFY(createCatalogue(m_other));
    QVERIFY(addImage(1, 0, QStringLiteral("Other")));
    QVERIFY(addItem(1, 1, 0, 1, QStringLiteral("only.txt")));
    CloseCatalogue(nullptr);
    m_empty = m_dir.filePath(QStringLiteral("Empty.ldr"));
    QVERIFY(createCatalogue(m_empty));
    CloseCatalogue(nullptr);
}

void TestWindow::init() {
    DefaultOptions();
    options().LoadDefaultDatabase = false;
    options().ViewTree = true;
    options().WindowState = 0;
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
}

void TestWindow::naturalOrder_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("leading zeros") << "a007"
                                   << "a7" << 0;
    QTest::newRow("more digits after zeros") << "a0010"
                                             << "a9" << 1;
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
    auto* nodes = child("trvNodes");
    auto* tree = child("trvMain");
    auto* lsv = child("lsvMain");
    auto* szeV = child<ctlSize>("szeV");
    auto* szeTree = child<ctlSize>("szeTree");
    // Laid out from the settings: 160 pixels of catalogue tree, the bar, 200 of folder tree.
    QCOMPARE(nodes->width(), 160);
    QCOMPARE(tree->x(), 160 + szeV->width());
    QCOMPARE(tree->width(), 200);
    QCOMPARE(lsv->x(), szeTree->geometry().right() + 1);
    QCOMPARE(lsv->geometry().right(), lsv->parentWidget()->width() - 1);
    QCOMPARE(szeV->height(), lsv->height());
    auto* moved = m_window->findChild<ctlSize*>(bar);
    const int before = moved->x();
    drag(moved, dx);
    QCOMPARE(moved->x(), moves ? qRound(before + moved->width() / 2.0 + dx) : before);
    // The panes follow the bars either way.
    QCOMPARE(tree->x(), szeV->geometry().right() + 1);
    QCOMPARE(tree->geometry().right() + 1, szeTree->x());
    QCOMPARE(lsv->x(), szeTree->geometry().right() + 1);
}

void TestWindow::viewTogglesAndSettingsAtExit() {
    openWindow(m_path);
    auto* lsv = child("lsvMain");
    auto* area = lsv->parentWidget();
    m_window->mnuViewNodes_Click();
    m_window->mnuViewTree_Click();
    QVERIFY(!action("mnuViewNodes")->isChecked());
    QVERIFY(child("szeV")->isHidden());
    QCOMPARE(lsv->geometry(), QRect(0, 0, area->width(), area->height()));
    // Only the folder tree: it runs from the left edge; the splitters stayed where they were.
    m_window->mnuViewTree_Click();
    QCOMPARE(child("trvMain")->geometry().left(), 0);
    QCOMPARE(child("trvMain")->width(), child("szeTree")->x());
    drag(child<ctlSize>("szeTree"), 50);
    // Hiding the toolbar and the status bar gives the panes their height at once.
    const int height = lsv->height();
    m_window->mnuViewToolbar_Click();
    m_window->mnuViewStatusBar_Click();
    QTRY_VERIFY(lsv->height() > height);
    QVERIFY(child<QToolBar>("tlbMain")->isHidden());

    m_window->close();
    QCOMPARE(options().SizeVLeft, 160);
    QSettings stored(m_dir.filePath(QStringLiteral("Tessaly/Ledra.conf")), QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("Options/View/Nodes")).toInt(), 0);
    QCOMPARE(stored.value(QStringLiteral("Options/View/Tree")).toInt(), -1);
    QCOMPARE(stored.value(QStringLiteral("Options/SizeTreeLeft")).toInt(), 252);
}

void TestWindow::bigFolderAndDetailsView() {
    openWindow(m_path, {});
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    // Up from a folder lists its parent with the folder left selected.
    m_window->FillFiles(3);
    m_window->lsvMain_Up();
    QCOMPARE(m_window->listTag(), 0);
    QCOMPARE(list()->selectedKey(), QStringLiteral("F3"));
    // In the list view every entry of a big folder is laid out at once: the last is reachable
    // by scrolling, without further events feeding the layout in batches.
    m_window->FillFiles(1);
    QCOMPARE(list()->count(), 3000);
    QVERIFY(action("mnuViewList")->isChecked());
    QListView* view = list()->listView();
    QVERIFY(view->isVisible());
    const QModelIndex last = list()->model()->index(2999, 0);
    view->scrollTo(last);
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(view->indexAt(view->visualRect(last).center()), last);
    // The details view.
    QTest::keySequence(m_window.get(), QKeySequence(Qt::CTRL | Qt::Key_1));
    QVERIFY(list()->isDetails() && list()->detailsView()->isVisible());
    QVERIFY(action("mnuViewDetails")->isChecked());
    m_window->FillFiles(0);
    QHeaderView* header = list()->detailsView()->header();
    QStringList titles;
    for (int c = 0; c < header->count(); ++c)
        titles << list()->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles.join(u','), QStringLiteral("Name,Size,Modified,Type"));
    // Names in natural order, folders first.
    QCOMPARE(listKeys(list()), QStringLiteral("F1 F3 F2 K5 K4 K6"));
    auto cell = [this](int row, int column) {
        return list()->model()->index(row, column).data().toString();
    };
    QCOMPARE(cell(3, 1), QStringLiteral("6.84 KB"));
    QCOMPARE(cell(3, 2), QStringLiteral("2024-03-05 10:00:00"));
    QCOMPARE(cell(3, 3), QStringLiteral("JPEG image"));
    QCOMPARE(cell(0, 1), QString());
    // A click on a header sorts by it; a second click turns the order; folders stay first and
    // the entry picked stays picked.
    const int sizeX = header->sectionViewportPosition(1) + 5;
    list()->selectKey(QStringLiteral("K4"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(sizeX, 5));
    QCOMPARE(listKeys(list()), QStringLiteral("F1 F3 F2 K6 K4 K5"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(sizeX, 5));
    QCOMPARE(listKeys(list()), QStringLiteral("F1 F3 F2 K5 K4 K6"));
    QCOMPARE(list()->selectedKey(), QStringLiteral("K4"));
    header->resizeSection(0, 211);

    // The view, its order and widths are kept in the settings and come back.
    m_window->close();
    m_window.reset();
    DefaultOptions();
    LoadOptions();
    QCOMPARE(options().ListView, 2);
    options().LoadDefaultDatabase = false;
    openWindow(m_path, {});
    QVERIFY(list()->isDetails());
    QCOMPARE(list()->detailsView()->header()->sectionSize(0), 211);
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    QCOMPARE(listKeys(list()), QStringLiteral("F1 F3 F2 K5 K4 K6"));
    QTest::keySequence(m_window.get(), QKeySequence(Qt::CTRL | Qt::Key_2));
    QVERIFY(!list()->isDetails() && list()->listView()->isVisible());
}

void TestWindow::fileDialogs() {
    openWindow(m_path);
    QList<ctlCmnDlg::Exchange> asked;
    // Cancelled: the open catalogue stays.
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        asked << x;
        return false;
    });
    QCOMPARE(action("mnuFileOpen")->shortcut(), QKeySequence(QKeySequence::Open));
    m_window->mnuFileOpen_Click();
    QCOMPARE(catalogue().path, m_path);
    QCOMPARE(asked.last().title, QStringLiteral("Open Catalogue"));
    QCOMPARE(asked.last().filters.first(), QStringLiteral("Ledra (*.ldr *.mdb)"));
    QCOMPARE(asked.last().fileName, m_path);
    m_window->mnuFileNewDatabase_Click();
    QCOMPARE(asked.last().title, QStringLiteral("New Catalogue"));
    QCOMPARE(asked.last().filters.join(u','),
             QStringLiteral("Ledra (*.ldr),Access Database (*.mdb),All Files (*)"));
    QCOMPARE(catalogue().path, m_path);
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
    child("trvMain")->setFocus();
    QTest::keyClick(child("trvMain"), Qt::Key_F3);
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
        next = m_other;
        m_window->mnuFileOpen_Click();
        QCOMPARE(catalogue().path, m_other);
        QCOMPARE(treeKeys(child<QTreeWidget>("trvNodes")), QStringLiteral("I1"));
        QCOMPARE(child<QTreeWidget>("trvNodes")->topLevelItem(0)->text(0), QStringLiteral("Other"));
        QCOMPARE(child<QTreeWidget>("trvMain")->topLevelItemCount(), 0);
        QCOMPARE(list()->count(), 0);
    }
}

void TestWindow::geometryKeptAndFitted() {
    // A first start fits the screen it is on (the test screen is smaller than the default).
    openWindow(m_path, {});
    const QRect avail = m_window->screen()->availableGeometry();
    QVERIFY(avail.contains(m_window->frameGeometry()));
    // Place and size are kept.
    m_window->setGeometry(QRect(avail.x() + 20, avail.y() + 30, 500, 400));
    const QRect kept = m_window->geometry();
    m_window->close();
    m_window.reset();
    openWindow(m_path, {});
    QCOMPARE(m_window->size(), kept.size());
    // A window kept larger than the screen (another scale, another screen) is fitted to it.
    m_window->setGeometry(QRect(avail.topLeft(), avail.size() * 2));
    m_window->close();
    m_window.reset();
    openWindow(m_path, {});
    QVERIFY(avail.contains(m_window->frameGeometry()));
}

// A first look: the empty catalogue's hint, one mnemonic per letter in each menu, and pictures
// without a desktop theme.
void TestWindow::firstLook() {
    openWindow(m_empty);
    QCOMPARE(list()->hint(), QStringLiteral("This catalogue is empty.\nFile \u25B8 New \u25B8 "
                                            "Disk\u2026 catalogues a disk."));
    QVERIFY(list()->findChild<QWidget*>(QStringLiteral("lblHint"))->isVisible());
    // Once something is filed the hint goes.
    child("trvNodes")->setFocus();
    action("mnuFileNewNode")->trigger();
    QVERIFY(!list()->findChild<QWidget*>(QStringLiteral("lblHint"))->isVisible());
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

// The New button makes nodes unless disks were chosen from its menu, and the choice sticks; New
// Disk hands the focus back to the catalogue tree with the new image selected. Runs last.
void TestWindow::newButton() {
    options().NewType = 3; // anything but disks
    openWindow(m_path, {});
    QCOMPARE(m_window->newButtonTag(), QStringLiteral("NewNode"));
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    list()->setFocus();
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
    QCOMPARE(options().NewType, 2);
    QCOMPARE(m_window->newButtonTag(), QStringLiteral("NewDisk"));
    QCOMPARE(m_window->focusWidget(), child("trvNodes"));
    QCOMPARE(child<QTreeWidget>("trvNodes")->currentItem(),
             m_window->catalogueEntry(QStringLiteral("I2")));
    QCOMPARE(m_window->currentImageId(), 2);
    m_window->close();
    m_window.reset();
    openWindow(m_path, {});
    QCOMPARE(m_window->newButtonTag(), QStringLiteral("NewDisk"));
    m_window->tlbMain_ButtonMenuClick(QStringLiteral("NewNode"));
    QCOMPARE(options().NewType, 1);
    QCOMPARE(m_window->newButtonTag(), QStringLiteral("NewNode"));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
