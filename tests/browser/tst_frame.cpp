// The main window's frame: layout around the splitters, their limits, the View toggles, the New
// button, the file dialogs and the settings written back at exit.
#include "BrowseFixture.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "controls/ctlCmnDlg.h"
#include "controls/ctlSize.h"
#include "shell/mdlOptions.h"
#include "shell/mdlRegistry.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

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

class TestFrame : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void layoutFromSettings();
    void splitterLimits_data();
    void splitterLimits();
    void viewToggles();
    void newButton_data();
    void newButton();
    void fileDialogs();
    void settingsWrittenAtExit();

private:
    void openWindow();
    template <typename T> T* child(const char* name) {
        return m_window->findChild<T*>(QLatin1String(name));
    }

    QTemporaryDir m_dir;
    QString m_path;
    ScriptedUi m_ui;
    std::unique_ptr<frmMain> m_window;
};

void TestFrame::initTestCase() {
    QVERIFY(m_dir.isValid());
    useSettingsIn(m_dir);
    m_path = m_dir.filePath(QStringLiteral("Frame.ldr"));
    QVERIFY(createCatalogue(m_path));
    QVERIFY(addImage(1, 0, QStringLiteral("Disk")));
    QVERIFY(addItem(1, 1, 0, 0, QStringLiteral("folder")));
    closeCatalogue();
}

void TestFrame::init() {
    DefaultOptions();
    options().LoadDefaultDatabase = false;
    options().ViewTree = true;
    options().WindowState = 0;
}

void TestFrame::cleanup() {
    ctlCmnDlg::setTestHook({});
    m_window.reset();
    CloseCatalogue(nullptr);
    m_ui.clear();
}

void TestFrame::openWindow() {
    m_window = std::make_unique<frmMain>(m_path);
    m_window->setUi(&m_ui);
    m_window->resize(900, 600);
    m_window->show();
    m_window->Load();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestFrame::layoutFromSettings() {
    openWindow();
    auto* nodes = child<QTreeWidget>("trvNodes");
    auto* tree = child<QTreeWidget>("trvMain");
    auto* list = child<QWidget>("lsvMain");
    auto* szeV = child<ctlSize>("szeV");
    // 160 pixels of catalogue tree, the bar, then 200 pixels of folder tree.
    QCOMPARE(nodes->geometry().width(), 160);
    QCOMPARE(tree->x(), 160 + szeV->width());
    QCOMPARE(tree->width(), 200);
    QCOMPARE(list->x(), child<ctlSize>("szeTree")->geometry().right() + 1);
    QCOMPARE(list->geometry().right(), list->parentWidget()->width() - 1);
    QCOMPARE(szeV->height(), list->height());
}

void TestFrame::splitterLimits_data() {
    QTest::addColumn<QString>("bar");
    QTest::addColumn<int>("dx");
    QTest::addColumn<bool>("moves");
    // szeV stands at 160, szeTree at 364 (both 4 pixels wide); the pointer is at the middle
    // of the bar, so a drag by dx proposes the left edge 2 + dx pixels further.
    QTest::newRow("szeV within limits") << "szeV" << 100 << true;
    QTest::newRow("szeV to 16 pixels of szeTree") << "szeV" << 186 << false;
    QTest::newRow("szeV to 17 pixels of szeTree") << "szeV" << 185 << true;
    QTest::newRow("szeTree to 16 pixels of szeV") << "szeTree" << -186 << false;
    QTest::newRow("szeTree to 17 pixels of szeV") << "szeTree" << -185 << true;
    QTest::newRow("szeTree to the right") << "szeTree" << 200 << true;
}

void TestFrame::splitterLimits() {
    QFETCH(QString, bar);
    QFETCH(int, dx);
    QFETCH(bool, moves);
    openWindow();
    auto* moved = m_window->findChild<ctlSize*>(bar);
    const int before = moved->x();
    drag(moved, dx);
    QCOMPARE(moved->x(), moves ? qRound(before + moved->width() / 2.0 + dx) : before);
    // The panes follow the bars either way.
    auto* tree = child<QTreeWidget>("trvMain");
    QCOMPARE(tree->x(), child<ctlSize>("szeV")->geometry().right() + 1);
    QCOMPARE(tree->geometry().right() + 1, child<ctlSize>("szeTree")->x());
}

void TestFrame::viewToggles() {
    openWindow();
    auto* list = child<QWidget>("lsvMain");
    auto* area = list->parentWidget();
    m_window->mnuViewNodes_Click();
    m_window->mnuViewTree_Click();
    QVERIFY(!child<QAction>("mnuViewNodes")->isChecked());
    QVERIFY(child<ctlSize>("szeV")->isHidden());
    QCOMPARE(list->geometry(), QRect(0, 0, area->width(), area->height()));
    // Only the folder tree: it runs from the left edge; the splitters stayed where they were.
    m_window->mnuViewTree_Click();
    QCOMPARE(child<QTreeWidget>("trvMain")->geometry().left(), 0);
    QCOMPARE(child<QTreeWidget>("trvMain")->width(), child<ctlSize>("szeTree")->x());
    // Hiding the toolbar and the status bar gives the panes their height at once.
    const int height = list->height();
    m_window->mnuViewToolbar_Click();
    m_window->mnuViewStatusBar_Click();
    QTRY_VERIFY(list->height() > height);
    QVERIFY(child<QToolBar>("tlbMain")->isHidden());
}

void TestFrame::newButton_data() {
    QTest::addColumn<int>("newType");
    QTest::addColumn<QString>("tag");
    QTest::newRow("nodes") << 1 << "NewNode";
    QTest::newRow("disks") << 2 << "NewDisk";
    QTest::newRow("anything else makes nodes") << 3 << "NewNode";
}

void TestFrame::newButton() {
    QFETCH(int, newType);
    QFETCH(QString, tag);
    options().NewType = newType;
    openWindow();
    QCOMPARE(m_window->newButtonTag(), tag);
    // Choosing from the button's menu makes the kind stick. New Disk opens its modal dialog,
    // closed here as soon as it shows.
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    m_window->tlbMain_ButtonMenuClick(QStringLiteral("NewDisk"));
    QCOMPARE(m_window->newButtonTag(), QStringLiteral("NewDisk"));
    QCOMPARE(options().NewType, 2);
    m_window->tlbMain_ButtonMenuClick(QStringLiteral("NewNode"));
    QCOMPARE(options().NewType, 1);
}

void TestFrame::fileDialogs() {
    openWindow();
    QList<ctlCmnDlg::Exchange> asked;
    // Cancelled: the open catalogue stays.
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        asked << x;
        return false;
    });
    m_window->mnuFileOpen_Click();
    QCOMPARE(catalogue().path, m_path);
    QCOMPARE(asked.last().title, QStringLiteral("Open Catalogue"));
    QCOMPARE(asked.last().filters.first(), QStringLiteral("Ledra (*.ldr *.mdb)"));
    QCOMPARE(asked.last().fileName, m_path);
    m_window->mnuFileNewDatabase_Click();
    QCOMPARE(asked.last().title, QStringLiteral("New Catalogue"));
    QCOMPARE(asked.last().filters, QStringList({QStringLiteral("Ledra (*.ldr)"),
                                                QStringLiteral("Access Database (*.mdb)"),
                                                QStringLiteral("All Files (*)")}));
    QCOMPARE(catalogue().path, m_path);
    // The read-only box of the open dialog opens read-only.
    ctlCmnDlg::setTestHook([](ctlCmnDlg::Exchange& x) {
        x.flags |= ctlCmnDlg::kFlagReadOnly;
        return true;
    });
    m_window->mnuFileOpen_Click();
    QCOMPARE(catalogue().path, m_path);
    QVERIFY(catalogue().readOnly);
    QVERIFY(!child<QAction>("mnuToolsCompact")->isEnabled());
    // New Database makes the chosen file.
    const QString created = m_dir.filePath(QStringLiteral("Made.ldr"));
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        x.fileName = created;
        return true;
    });
    m_window->mnuFileNewDatabase_Click();
    QCOMPARE(catalogue().path, created);
    QVERIFY(QFile::exists(created));
    QVERIFY(child<QAction>("mnuToolsCompact")->isEnabled());
}

void TestFrame::settingsWrittenAtExit() {
    openWindow();
    m_window->mnuViewNodes_Click();
    drag(child<ctlSize>("szeTree"), 50);
    const int treeWidth = child<QTreeWidget>("trvMain")->width();
    m_window->close();
    QCOMPARE(options().ViewNodes, false);
    QCOMPARE(options().ViewTree, true);
    QCOMPARE(options().SizeVLeft, 160);
    QCOMPARE(options().SizeTreeLeft, 252);
    QVERIFY(treeWidth > 0);
    QSettings stored(m_dir.filePath(QStringLiteral("Tessaly/Ledra.conf")), QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("Options/View/Nodes")).toInt(), 0);
    QCOMPARE(stored.value(QStringLiteral("Options/View/Tree")).toInt(), -1);
    QCOMPARE(stored.value(QStringLiteral("Options/SizeTreeLeft")).toInt(), 252);
}

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
