// What a user of the main window meets first: big folders, the details view and its order,
// opening another catalogue, F3, the window's size, icons, the empty catalogue's hint.
#include "BrowseFixture.h"
#include "ScriptedUi.h"

#include "about/frmAbout.h"
#include "about/frmSHelp.h"
#include "browser/frmMain.h"
#include "browser/guiContentsView.h"
#include "browser/guiPictures.h"
#include "browser/mdlBrowse.h"
#include "catalogue/Engine.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "controls/ctlCmnDlg.h"
#include "disk/guiScanProgress.h"
#include "properties/frmPropImg.h"
#include "properties/frmPropItm.h"
#include "search/frmFind.h"
#include "shell/frmOptions.h"
#include "shell/mdlOptions.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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
    void bigFolderReachableAtOnce();
    void detailsViewSortsAndIsKept();
    void openRebuildsWhateverHasFocus_data();
    void openRebuildsWhateverHasFocus();
    void findKeyOnReadOnlyCatalogue();
    void geometryKeptAndFitted();
    void upSelectsFolderLeft();
    void oneMnemonicPerLetter();
    void iconsWithoutDesktopTheme();
    void emptyCatalogueHint();
    void scanProgressTexts();
    void newDiskHandsBackFocus();

private:
    void openWindow(const QString& path);
    QAction* action(const char* name) const {
        return m_window->findChild<QAction*>(QLatin1String(name));
    }
    ContentsView* list() const { return m_window->contentsView(); }
    QStringList listKeys() const {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->keyAt(i);
        return out;
    }

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
    QVERIFY(addItem(1, 1, 0, 0, QStringLiteral("big")));
    QVERIFY(addItem(1, 2, 0, 0, QStringLiteral("Folder 10")));
    QVERIFY(addItem(1, 3, 0, 0, QStringLiteral("folder 9")));
    QVERIFY(addItem(1, 4, 0, 1, QStringLiteral("IMG_10.jpg"), 32, 500));
    QVERIFY(addItem(1, 5, 0, 1, QStringLiteral("img_2.jpg"), 32, 7000));
    QVERIFY(addItem(1, 6, 0, 1, QStringLiteral("notes.txt"), 32, 10));
    QVERIFY(db().Execute(QStringLiteral("UPDATE Items SET TimeM='2024-03-0' || ID || ' 10:00:00' "
                                        "WHERE ImageID=1")));
    {
        Transaction t(db());
        for (int i = 0; i < 3000; ++i)
            QVERIFY(addItem(1, 100 + i, 1, 1, QStringLiteral("file %1.dat").arg(i), 32, i));
        QVERIFY(t.commit());
    }
    closeCatalogue();
    m_other = m_dir.filePath(QStringLiteral("Other.ldr"));
    QVERIFY(createCatalogue(m_other));
    QVERIFY(addImage(1, 0, QStringLiteral("Other")));
    QVERIFY(addItem(1, 1, 0, 1, QStringLiteral("only.txt")));
    closeCatalogue();
    m_empty = m_dir.filePath(QStringLiteral("Empty.ldr"));
    QVERIFY(createCatalogue(m_empty));
    closeCatalogue();
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

void TestWindow::openWindow(const QString& path) {
    m_window = std::make_unique<frmMain>(path);
    m_window->setUi(&m_ui);
    m_window->show();
    m_window->Load();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestWindow::naturalOrder_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("numbers by value") << "IMG_2"
                                      << "IMG_10" << -1;
    QTest::newRow("case ignored") << "img_2"
                                  << "IMG_10" << -1;
    QTest::newRow("leading zeros") << "a007"
                                   << "a7" << 0;
    QTest::newRow("more digits after zeros") << "a0010"
                                             << "a9" << 1;
    QTest::newRow("prefix first") << "disk"
                                  << "disk 2" << -1;
    QTest::newRow("letters before after digits") << "a1b"
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

void TestWindow::bigFolderReachableAtOnce() {
    openWindow(m_path);
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    m_window->FillFiles(1);
    QCOMPARE(list()->count(), 3000);
    // In the list view every entry is laid out at once: the last is reachable by scrolling,
    // without further events feeding the layout in batches.
    QListView* view = list()->listView();
    QVERIFY(view->isVisible());
    const QModelIndex last = list()->model()->index(2999, 0);
    view->scrollTo(last);
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);
    QVERIFY(view->viewport()->rect().intersects(view->visualRect(last)));
    QCOMPARE(view->indexAt(view->visualRect(last).center()), last);
    // The same in the details view, down the vertical bar.
    m_window->mnuViewDetails_Click(true);
    QTreeView* details = list()->detailsView();
    details->scrollTo(details->model()->index(2999, 0));
    QVERIFY(details->verticalScrollBar()->maximum() > 0);
    QCOMPARE(details->indexAt(details->visualRect(last).center()).row(), 2999);
}

void TestWindow::detailsViewSortsAndIsKept() {
    openWindow(m_path);
    QVERIFY(action("mnuViewList")->isChecked());
    QCOMPARE(action("mnuViewDetails")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));
    QTest::keySequence(m_window.get(), QKeySequence(Qt::CTRL | Qt::Key_1));
    QVERIFY(list()->isDetails() && list()->detailsView()->isVisible());
    QVERIFY(action("mnuViewDetails")->isChecked());
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    QHeaderView* header = list()->detailsView()->header();
    QStringList titles;
    for (int c = 0; c < header->count(); ++c)
        titles << list()->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({QStringLiteral("Name"), QStringLiteral("Size"),
                                  QStringLiteral("Modified"), QStringLiteral("Type")}));
    // Names in natural order, folders first.
    QCOMPARE(listKeys(),
             QStringList({QStringLiteral("F1"), QStringLiteral("F3"), QStringLiteral("F2"),
                          QStringLiteral("K5"), QStringLiteral("K4"), QStringLiteral("K6")}));
    auto cell = [this](int row, int column) {
        return list()->model()->index(row, column).data().toString();
    };
    QCOMPARE(cell(3, 1), QStringLiteral("6.84 KB"));
    QCOMPARE(cell(3, 2), QStringLiteral("2024-03-05 10:00:00"));
    QCOMPARE(cell(3, 3), QStringLiteral("JPEG image"));
    QCOMPARE(cell(0, 1), QString());
    // A click on a header sorts by it; a second click turns the order; folders stay first.
    const int sizeX = header->sectionViewportPosition(1) + 5;
    list()->selectKey(QStringLiteral("K4"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(sizeX, 5));
    QCOMPARE(listKeys().mid(3),
             QStringList({QStringLiteral("K6"), QStringLiteral("K4"), QStringLiteral("K5")}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(sizeX, 5));
    QCOMPARE(listKeys().mid(3),
             QStringList({QStringLiteral("K5"), QStringLiteral("K4"), QStringLiteral("K6")}));
    QCOMPARE(listKeys().first(), QStringLiteral("F1"));
    // The entry picked stays picked through the sorts.
    QCOMPARE(list()->selectedKey(), QStringLiteral("K4"));
    header->resizeSection(0, 211);

    // The view, its order and widths are kept in the settings and come back.
    m_window->close();
    m_window.reset();
    DefaultOptions();
    LoadOptions();
    QCOMPARE(options().ListView, 2);
    options().LoadDefaultDatabase = false;
    openWindow(m_path);
    QVERIFY(list()->isDetails());
    QCOMPARE(list()->detailsView()->header()->sectionSize(0), 211);
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    QCOMPARE(listKeys().mid(3),
             QStringList({QStringLiteral("K5"), QStringLiteral("K4"), QStringLiteral("K6")}));
    QTest::keySequence(m_window.get(), QKeySequence(Qt::CTRL | Qt::Key_2));
    QVERIFY(!list()->isDetails() && list()->listView()->isVisible());
}

void TestWindow::openRebuildsWhateverHasFocus_data() {
    QTest::addColumn<QString>("pane");
    QTest::newRow("catalogue tree") << "trvNodes";
    QTest::newRow("folder tree") << "trvMain";
    QTest::newRow("contents list") << "lsvMain";
}

void TestWindow::openRebuildsWhateverHasFocus() {
    QFETCH(QString, pane);
    openWindow(m_path);
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    m_window->FillFiles(0);
    m_window->findChild<QWidget*>(pane)->setFocus();
    QVERIFY(m_window->focusWidget());
    // Both catalogues have an image 1: nothing of the first may show with the second.
    ctlCmnDlg::setTestHook([this](ctlCmnDlg::Exchange& x) {
        x.fileName = m_other;
        return true;
    });
    m_window->mnuFileOpen_Click();
    QCOMPARE(catalogue().path, m_other);
    auto* nodes = m_window->findChild<QTreeWidget*>(QStringLiteral("trvNodes"));
    QCOMPARE(nodes->topLevelItemCount(), 1);
    QCOMPARE(nodes->topLevelItem(0)->text(0), QStringLiteral("Other"));
    QCOMPARE(m_window->findChild<QTreeWidget*>(QStringLiteral("trvMain"))->topLevelItemCount(), 0);
    QCOMPARE(list()->count(), 0);
}

void TestWindow::findKeyOnReadOnlyCatalogue() {
    openWindow(m_path);
    ctlCmnDlg::setTestHook([this](ctlCmnDlg::Exchange& x) {
        x.fileName = m_path;
        x.flags |= ctlCmnDlg::kFlagReadOnly;
        return true;
    });
    m_window->mnuFileOpen_Click();
    QVERIFY(catalogue().readOnly);
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    m_window->findChild<QWidget*>(QStringLiteral("trvMain"))->setFocus();
    QTest::keyClick(m_window->findChild<QWidget*>(QStringLiteral("trvMain")), Qt::Key_F3);
    QVERIFY(frmFind::instance() && frmFind::instance()->isVisible());
}

void TestWindow::geometryKeptAndFitted() {
    // A first start fits the screen it is on (the test screen is smaller than the default).
    openWindow(m_path);
    const QRect avail = m_window->screen()->availableGeometry();
    QVERIFY2(avail.contains(m_window->frameGeometry()),
             qPrintable(QStringLiteral("%1x%2").arg(m_window->width()).arg(m_window->height())));
    // Place and size are kept.
    const QRect placed(avail.x() + 20, avail.y() + 30, 500, 400);
    m_window->setGeometry(placed);
    const QRect kept = m_window->geometry();
    m_window->close();
    QVERIFY(!options().WindowGeometry.isEmpty());
    m_window.reset();
    openWindow(m_path);
    QCOMPARE(m_window->size(), kept.size());
    // A window kept larger than the screen (another scale, another screen) is fitted to it.
    m_window->setGeometry(QRect(avail.topLeft(), avail.size() * 2));
    m_window->close();
    m_window.reset();
    openWindow(m_path);
    QVERIFY(avail.contains(m_window->frameGeometry()));
}

void TestWindow::upSelectsFolderLeft() {
    openWindow(m_path);
    m_window->showCatalogueEntry(QStringLiteral("I1"));
    m_window->FillFiles(3);
    m_window->lsvMain_Up();
    QCOMPARE(m_window->listTag(), 0);
    QCOMPARE(list()->selectedKey(), QStringLiteral("F3"));
}

void TestWindow::oneMnemonicPerLetter() {
    openWindow(m_path);
    QCOMPARE(action("mnuFileOpen")->shortcut(), QKeySequence(QKeySequence::Open));
    QList<QMenu*> menus;
    for (QAction* a : m_window->menuBar()->actions())
        menus << a->menu();
    for (int i = 0; i < menus.size(); ++i) {
        QMenu* menu = menus.at(i);
        QHash<QChar, QString> taken;
        for (QAction* a : menu->actions()) {
            if (a->menu())
                menus << a->menu();
            const QString text = a->text();
            const qsizetype amp = text.indexOf(u'&');
            if (amp < 0 || amp + 1 >= text.size() || !a->isVisible())
                continue;
            const QChar letter = text.at(amp + 1).toLower();
            QVERIFY2(!taken.contains(letter),
                     qPrintable(menu->objectName() + u": " + taken.value(letter) + u", " + text));
            taken.insert(letter, text);
        }
    }
    // Captions are names, not menu entries: no "..." in any of them.
    QVERIFY(!m_window->windowTitle().contains(QLatin1String("...")));
    frmAbout about;
    frmSHelp help;
    frmOptions optionsDialog;
    frmPropImg image(nullptr, nullptr);
    frmPropItm item(nullptr, nullptr);
    for (QWidget* w : std::initializer_list<QWidget*>{&about, &help, &optionsDialog, &image, &item})
        QVERIFY2(!w->windowTitle().contains(QLatin1String("...")), qPrintable(w->windowTitle()));
}

void TestWindow::iconsWithoutDesktopTheme() {
    // No desktop chose a theme here: the program's own fallback gives every file type and
    // toolbar button a picture.
    openWindow(m_path);
    QVERIFY(QIcon::themeName() == QLatin1String(kFallbackIconTheme) ||
            QIcon::fallbackThemeName() == QLatin1String(kFallbackIconTheme));
    for (const char* name : {"notes.txt", "IMG_10.jpg", "song.mp3", "paper.pdf"})
        QCOMPARE(frmMain::IconLookup(QLatin1String(name), false),
                 QStringLiteral("Icon") + IconRegistryName(QLatin1String(name), false));
    QVERIFY(QIcon::hasThemeIcon(QStringLiteral("document-open")));
    QVERIFY(!m_window->windowIcon().isNull());
    QVERIFY(!m_window->windowIcon().pixmap(32, 32).isNull());
}

void TestWindow::emptyCatalogueHint() {
    openWindow(m_empty);
    QCOMPARE(
        list()->hint(),
        QStringLiteral("This catalogue is empty.\nFile \u25B8 New \u25B8 Disk\u2026 catalogues "
                       "a disk."));
    QVERIFY(list()->findChild<QWidget*>(QStringLiteral("lblHint"))->isVisible());
    // Once something is filed the hint goes.
    m_window->findChild<QWidget*>(QStringLiteral("trvNodes"))->setFocus();
    action("mnuFileNewNode")->trigger();
    QVERIFY(!list()->findChild<QWidget*>(QStringLiteral("lblHint"))->isVisible());
}

void TestWindow::scanProgressTexts() {
    QWidget dialog;
    auto* area = new ScanProgressArea(&dialog);
    (new QVBoxLayout(&dialog))->addWidget(area);
    dialog.resize(300, 120);
    dialog.show();
    area->setMaximum(8);
    area->setScanned(2);
    QCOMPARE(dialog.findChild<QProgressBar*>(QStringLiteral("prgScaned"))->text(),
             QStringLiteral("25%"));
    QVERIFY(dialog.findChild<QProgressBar*>(QStringLiteral("prgScaned"))->isTextVisible());
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

void TestWindow::newDiskHandsBackFocus() {
    openWindow(m_path);
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
    action("mnuFileNewDisk")->trigger();
    QVERIFY(shown);
    auto* nodes = m_window->findChild<QTreeWidget*>(QStringLiteral("trvNodes"));
    QCOMPARE(m_window->focusWidget(), nodes);
    QCOMPARE(nodes->currentItem(), m_window->catalogueEntry(QStringLiteral("I2")));
    QCOMPARE(m_window->currentImageId(), 2);
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
