#include "frmMain.h"

#include "about/frmAbout.h"
#include "about/frmSHelp.h"
#include "catalogue/frmCompact.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/mdlPath.h"
#include "controls/ctlCmnDlg.h"
#include "controls/ctlSize.h"
#include "export/frmDupes.h"
#include "export/frmExport.h"
#include "guiContentsView.h"
#include "guiKeyTree.h"
#include "guiNodeTree.h"
#include "guiPictures.h"
#include "search/frmFind.h"
#include "shell/frmOptions.h"
#include "shell/mdlOptions.h"
#include "shell/mdlRecent.h"
#include "shell/mdlRegistry.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

namespace {

// The area between the toolbar and the status bar; the panes are placed in it by hand, around
// the splitters.
class PaneArea : public QWidget {
public:
    explicit PaneArea(frmMain* owner) : QWidget(owner), m_owner(owner) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        m_owner->Form_Resize();
    }

private:
    frmMain* m_owner;
};

QIcon toolIcon(const char* theme, QStyle::StandardPixmap fallback) {
    QIcon icon = QIcon::fromTheme(QLatin1String(theme));
    return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

} // namespace

frmMain::frmMain(const QString& commandLine, QWidget* parent)
    : QMainWindow(parent), m_commandLine(commandLine), m_widgetUi(this), m_ui(&m_widgetUi) {
    setObjectName(QStringLiteral("frmMain"));
    UseIconThemeFallback();
    setWindowTitle(kAppTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/ledra.svg")));
    resize(900, 600);
    cmnMain = new ctlCmnDlg(this);
    cmnMain->setObjectName(QStringLiteral("cmnMain"));
    buildPanes();
    buildMenus();
    buildToolbar();
    buildEditing();
    setCatalogueCommands(CommandState::NoCatalogue);
    frmFind::setExportHook([](QWidget* owner, const QList<QPair<qint32, qint32>>& items) {
        frmExport(owner, items).exec();
    });
}

frmMain::~frmMain() {
    // Focus moves while the panes are torn down; they must not reach the editing commands.
    disconnect(m_focusWatch);
    // A label editor still open commits when the tree goes, after this window's part is gone.
    trvNodes->beforeLabelEdit = nullptr;
    trvNodes->afterLabelEdit = nullptr;
    trvNodes->dropAllowed = nullptr;
    trvNodes->drop = nullptr;
    trvNodes->contextMenu = nullptr;
}

QAction* frmMain::addAction(QMenu* menu, const char* name, const QString& caption) {
    auto* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}

QMenu* frmMain::addMenu(QMenu* parent, const char* name, const QString& caption) {
    QMenu* m = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    m->setObjectName(QLatin1String(name));
    m->menuAction()->setObjectName(QLatin1String(name));
    return m;
}

QAction* frmMain::action(const char* name) const {
    return findChild<QAction*>(QLatin1String(name));
}

void frmMain::buildMenus() {
    QMenu* file = addMenu(nullptr, "mnuFile", QStringLiteral("&File"));
    mnuFileMenu = file;
    connect(file, &QMenu::aboutToShow, this, &frmMain::mnuFile_Click);
    QMenu* fileNew = addMenu(file, "mnuFileNew", QStringLiteral("&New"));
    connect(addAction(fileNew, "mnuFileNewNode", QStringLiteral("&Node")), &QAction::triggered,
            this, &frmMain::mnuFileNewNode_Click);
    QAction* newDisk = addAction(fileNew, "mnuFileNewDisk", QStringLiteral("&Disk..."));
    newDisk->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(newDisk, &QAction::triggered, this, &frmMain::mnuFileNewDisk_Click);
    fileNew->addSeparator()->setObjectName(QStringLiteral("mnuFileNew1"));
    // "&Disk" has the D: the catalogue takes the B.
    connect(addAction(fileNew, "mnuFileNewDatabase", QStringLiteral("Data&base...")),
            &QAction::triggered, this, &frmMain::mnuFileNewDatabase_Click);
    QAction* open = addAction(file, "mnuFileOpen", QStringLiteral("&Open..."));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, &frmMain::mnuFileOpen_Click);
    file->addSeparator()->setObjectName(QStringLiteral("mnuFile1"));
    connect(addAction(file, "mnuFileImport", QStringLiteral("&Import...")), &QAction::triggered,
            this, &frmMain::mnuFileImport_Click);
    connect(addAction(file, "mnuFileUpdateDisk", QStringLiteral("&Update from Disk...")),
            &QAction::triggered, this, &frmMain::mnuFileUpdateDisk_Click);
    connect(addAction(file, "mnuFileUpdateIndex", QStringLiteral("Update &from Index...")),
            &QAction::triggered, this, &frmMain::mnuFileUpdateIndex_Click);
    connect(addAction(file, "mnuFileExport", QStringLiteral("&Export...")), &QAction::triggered,
            this, [this] { frmExport::exportFromView(this, *this, *m_ui); });
    file->addSeparator()->setObjectName(QStringLiteral("mnuFile2"));
    QAction* rename = addAction(file, "mnuFileRename", QStringLiteral("&Rename"));
    rename->setShortcut(Qt::Key_F2);
    connect(rename, &QAction::triggered, this, &frmMain::mnuFileRename_Click);
    QAction* del = addAction(file, "mnuFileDelete", QStringLiteral("&Delete"));
    del->setShortcut(Qt::Key_Delete);
    connect(del, &QAction::triggered, this, &frmMain::mnuFileDelete_Click);
    file->addSeparator()->setObjectName(QStringLiteral("mnuFile3"));
    connect(addAction(file, "mnuFileProperties", QStringLiteral("&Properties...")),
            &QAction::triggered, this, &frmMain::mnuFileProperties_Click);
    mnuFileRecentSep = file->addSeparator();
    mnuFileRecentSep->setObjectName(QStringLiteral("mnuFileRecentSep"));
    mnuFileRecentSep->setVisible(false);
    mnuFile4 = file->addSeparator();
    mnuFile4->setObjectName(QStringLiteral("mnuFile4"));
    // Alt+F4 is the window manager's; the menu only shows it.
    QAction* exit =
        addAction(file, "mnuFileExit", QStringLiteral("E&xit") + u'\t' + QStringLiteral("Alt+F4"));
    connect(exit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);

    QMenu* edit = addMenu(nullptr, "mnuEdit", QStringLiteral("&Edit"));
    QAction* find = addAction(edit, "mnuEditFind", QStringLiteral("&Find..."));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(find, &QAction::triggered, this, &frmMain::mnuEditFind_Click);
    // F3 belongs to the window, not to the menu item: it opens Find whichever pane has the
    // focus, also on a catalogue open read-only, whose Edit menu is disabled.
    auto* findKey = new QAction(this);
    findKey->setObjectName(QStringLiteral("F3"));
    findKey->setShortcut(Qt::Key_F3);
    findKey->setShortcutContext(Qt::WindowShortcut);
    connect(findKey, &QAction::triggered, this, [this] {
        if (isCatalogueOpen())
            mnuEditFind_Click();
    });
    QWidget::addAction(findKey);

    QMenu* view = addMenu(nullptr, "mnuView", QStringLiteral("&View"));
    auto toggle = [&](const char* name, const char* caption, void (frmMain::*slot)()) {
        QAction* a = addAction(view, name, QLatin1String(caption));
        a->setCheckable(true);
        // The handlers flip the check mark themselves.
        connect(a, &QAction::triggered, this, [this, a, slot] {
            a->setChecked(!a->isChecked());
            (this->*slot)();
        });
    };
    toggle("mnuViewToolbar", "T&oolbar", &frmMain::mnuViewToolbar_Click);
    toggle("mnuViewStatusBar", "&Status Bar", &frmMain::mnuViewStatusBar_Click);
    view->addSeparator()->setObjectName(QStringLiteral("mnuView1"));
    toggle("mnuViewNodes", "&Nodes", &frmMain::mnuViewNodes_Click);
    toggle("mnuViewTree", "&Tree", &frmMain::mnuViewTree_Click);
    view->addSeparator()->setObjectName(QStringLiteral("mnuView3"));
    auto* listKind = new QActionGroup(this);
    for (auto [name, caption, key, details] :
         {std::tuple{"mnuViewDetails", "&Details", Qt::Key_1, true},
          std::tuple{"mnuViewList", "&List", Qt::Key_2, false}}) {
        QAction* a = addAction(view, name, QLatin1String(caption));
        a->setCheckable(true);
        a->setShortcut(QKeySequence(Qt::CTRL | key));
        listKind->addAction(a);
        connect(a, &QAction::triggered, this, [this, d = details] { mnuViewDetails_Click(d); });
    }
    view->addSeparator()->setObjectName(QStringLiteral("mnuView2"));
    QAction* refresh = addAction(view, "mnuViewRefresh", QStringLiteral("&Refresh"));
    refresh->setShortcut(Qt::Key_F5);
    connect(refresh, &QAction::triggered, this, &frmMain::mnuViewRefresh_Click);

    QMenu* tools = addMenu(nullptr, "mnuTools", QStringLiteral("&Tools"));
    connect(addAction(tools, "mnuToolsCompact", QStringLiteral("&Compact database...")),
            &QAction::triggered, this, &frmMain::mnuToolsCompact_Click);
    connect(addAction(tools, "mnuToolsDuplicates", QStringLiteral("&Duplicates...")),
            &QAction::triggered, this, [this] { frmDupes(this, this).exec(); });
    tools->addSeparator()->setObjectName(QStringLiteral("mnuTools1"));
    connect(addAction(tools, "mnuToolsOptions", QStringLiteral("&Options...")), &QAction::triggered,
            this, &frmMain::mnuToolsOptions_Click);

    QMenu* help = addMenu(nullptr, "mnuHelp", QStringLiteral("&Help"));
    connect(addAction(help, "mnuHelpShortHelp", QStringLiteral("&Short help...")),
            &QAction::triggered, this, &frmMain::mnuHelpShortHelp_Click);
    help->addSeparator()->setObjectName(QStringLiteral("mnuHelp1"));
    connect(addAction(help, "mnuHelpAbout", QStringLiteral("&About...")), &QAction::triggered, this,
            &frmMain::mnuHelpAbout_Click);
}

void frmMain::buildToolbar() {
    tlbMain = addToolBar(QStringLiteral("Toolbar"));
    tlbMain->setObjectName(QStringLiteral("tlbMain"));
    tlbMain->setMovable(false);
    tlbMain->setIconSize(QSize(16, 16));
    auto button = [this](const char* key, const QString& tip, const QIcon& icon) {
        QAction* a = tlbMain->addAction(icon, tip);
        a->setObjectName(QLatin1String(key));
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this,
                [this, k = QLatin1String(key)] { tlbMain_ButtonClick(k); });
        return a;
    };
    button("DBNew", QStringLiteral("New Database"), toolIcon("document-new", QStyle::SP_FileIcon));
    button("DBOpen", QStringLiteral("Open Database"),
           toolIcon("document-open", QStyle::SP_DialogOpenButton));
    tlbMain->addSeparator();
    button("Up", QStringLiteral("Up One Folder"), toolIcon("go-up", QStyle::SP_FileDialogToParent));
    tlbMain->addSeparator();

    m_newButton = new QToolButton(tlbMain);
    m_newButton->setObjectName(QStringLiteral("New"));
    m_newButton->setPopupMode(QToolButton::MenuButtonPopup);
    auto* newMenu = new QMenu(m_newButton);
    for (auto [key, caption] :
         {std::pair{"NewNode", "New Node"}, std::pair{"NewDisk", "New Disk..."}}) {
        QAction* a = newMenu->addAction(QLatin1String(caption));
        a->setObjectName(QLatin1String(key));
        a->setIcon(Picture(QLatin1String(key) == QLatin1String("NewNode") ? QStringLiteral("NodeC")
                                                                          : QStringLiteral("T3")));
        connect(a, &QAction::triggered, this,
                [this, k = QLatin1String(key)] { tlbMain_ButtonMenuClick(k); });
    }
    m_newButton->setMenu(newMenu);
    connect(m_newButton, &QToolButton::clicked, this,
            [this] { tlbMain_ButtonClick(QStringLiteral("New")); });
    tlbMain->addWidget(m_newButton);
    setNewButton(QStringLiteral("NewNode"));
    tlbMain->addSeparator();
    button("Rename", QStringLiteral("Rename"), toolIcon("edit-rename", QStyle::SP_FileLinkIcon));
    button("Delete", QStringLiteral("Delete"), toolIcon("edit-delete", QStyle::SP_TrashIcon));
    tlbMain->addSeparator();
    button("Properties", QStringLiteral("Properties"),
           toolIcon("document-properties", QStyle::SP_FileDialogInfoView))
        ->setEnabled(false);
}

void frmMain::setNewButton(const QString& tag) {
    m_newButton->setProperty("Tag", tag);
    const bool node = tag == QLatin1String("NewNode");
    m_newButton->setIcon(Picture(node ? QStringLiteral("NodeC") : QStringLiteral("T3")));
    m_newButton->setToolTip(node ? QStringLiteral("New Node") : QStringLiteral("New Disk"));
}

QString frmMain::newButtonTag() const {
    return m_newButton->property("Tag").toString();
}

void frmMain::buildPanes() {
    m_paneArea = new PaneArea(this);
    m_paneArea->setObjectName(QStringLiteral("paneArea"));
    trvNodes = new NodeTree(m_paneArea);
    trvNodes->setObjectName(QStringLiteral("trvNodes"));
    trvMain = new KeyTree(m_paneArea);
    trvMain->setObjectName(QStringLiteral("trvMain"));
    lsvMain = new ContentsView(m_paneArea);
    lsvMain->setObjectName(QStringLiteral("lsvMain"));
    lsvMain->model()->iconKeyOf = &frmMain::IconLookup;
    lsvMain->model()->pictureOf = &frmMain::ListPicture;
    // Keys and context menus reach the window from the pane and from whichever view is shown.
    for (QWidget* w :
         {static_cast<QWidget*>(lsvMain), static_cast<QWidget*>(lsvMain->listView()),
          lsvMain->listView()->viewport(), static_cast<QWidget*>(lsvMain->detailsView()),
          lsvMain->detailsView()->viewport()})
        w->installEventFilter(this);
    for (ctlSize** bar : {&szeV, &szeTree}) {
        *bar = new ctlSize(m_paneArea);
        (*bar)->setOrientation(1);
        (*bar)->setBevelWidth(4);
        (*bar)->setBevel(1);
    }
    szeV->setObjectName(QStringLiteral("szeV"));
    szeTree->setObjectName(QStringLiteral("szeTree"));
    connect(szeV, &ctlSize::Moving, this, [this](ctlSize::MoveArgs& a) {
        if (a.NewLeft >= szeTree->x() - kSplitterGap)
            a.Cancel = true;
        else
            szeV->move(qRound(a.NewLeft), szeV->y());
        Form_Resize();
    });
    connect(szeTree, &ctlSize::Moving, this, [this](ctlSize::MoveArgs& a) {
        if (a.NewLeft <= szeV->x() + szeV->width() + kSplitterGap)
            a.Cancel = true;
        else
            szeTree->move(qRound(a.NewLeft), szeTree->y());
        Form_Resize();
    });
    connect(trvNodes, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { trvNodes_CurrentChanged(item); });
    connect(trvNodes, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item != std::exchange(m_clickedByPress, nullptr))
            trvNodes_NodeClick(item);
    });
    connect(trvNodes, &QTreeWidget::itemDoubleClicked, this,
            [this] { trvNodes_NodeClick(trvNodes->currentItem()); });
    connect(trvMain, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { trvMain_CurrentChanged(item); });
    connect(trvMain, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item != std::exchange(m_clickedByPress, nullptr))
            trvMain_NodeClick(item);
    });
    connect(trvMain, &QTreeWidget::itemExpanded, this, &frmMain::trvMain_Expand);
    connect(lsvMain, &ContentsView::activated, this, [this] { lsvMain_Enter(); });
    connect(lsvMain, &ContentsView::clicked, this, [this] {
        if (QAction* a = action("Properties"))
            a->setEnabled(true);
    });
    setCentralWidget(m_paneArea);
    setListActive(false);

    QStatusBar* sta = statusBar();
    sta->setObjectName(QStringLiteral("staMain"));
    m_panelFile = new QLabel(sta);
    m_panelFile->setObjectName(QStringLiteral("File"));
    m_panelReadOnly = new QLabel(QStringLiteral("Read-only"), sta);
    m_panelReadOnly->setObjectName(QStringLiteral("ReadOnly"));
    m_panelImage = new QLabel(sta);
    m_panelImage->setObjectName(QStringLiteral("Image"));
    sta->addWidget(m_panelFile, 1);
    sta->addPermanentWidget(m_panelReadOnly);
    sta->addPermanentWidget(m_panelImage);
    m_panelReadOnly->hide();
    m_panelImage->hide();
}

void frmMain::applyViewSettings() {
    const Options& o = options();
    action("mnuViewToolbar")->setChecked(o.ViewToolbar);
    action("mnuViewStatusBar")->setChecked(o.ViewStatusBar);
    action("mnuViewNodes")->setChecked(o.ViewNodes);
    action("mnuViewTree")->setChecked(o.ViewTree);
    tlbMain->setVisible(o.ViewToolbar);
    statusBar()->setVisible(o.ViewStatusBar);
    trvNodes->setVisible(o.ViewNodes);
    szeV->setVisible(o.ViewNodes);
    trvMain->setVisible(o.ViewTree);
    szeTree->setVisible(o.ViewTree);
}

void frmMain::Load() {
    setCaption(kAppTitle);
    applyViewSettings();
    szeV->move(options().SizeVLeft, 0);
    szeTree->move(szeV->x() + szeV->width() + options().SizeTreeLeft, 0);
    if (options().NewType == 1)
        setNewButton(QStringLiteral("NewNode"));
    else if (options().NewType == 2)
        setNewButton(QStringLiteral("NewDisk"));
    lsvMain->setColumnWidths(options().ListColumns);
    {
        const QStringList sort = options().ListSort.split(u',');
        const int column = sort.value(0).toInt();
        const bool descending = sort.value(1).toInt() == 1;
        lsvMain->detailsView()->sortByColumn(column >= 0 && column < kListColumns ? column : 0,
                                             descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    mnuViewDetails_Click(options().ListView == 2);
    if (!m_geometryRestored)
        restoreWindowGeometry();
    Form_Resize();
    recentList().LoadRecent(kLedraKey + QStringLiteral("\\Recent"));
    showRecent(recentList().entries());
    CloseCatalogue(this);
    if (!m_commandLine.isEmpty())
        openCatalogue(m_commandLine, false, false);
    else if (options().LoadDefaultDatabase)
        openCatalogue(options().Default, false, false);
}

void frmMain::openCatalogue(QString path, bool mustExist, bool readOnly) {
    CloseCatalogue(this);
    // Stored in the recent list and as "Default": a relative path would name another file
    // when the program is next started elsewhere.
    if (!path.isEmpty())
        path = AbsolutePath(path);
    OpenCatalogue(path, mustExist, readOnly, *m_ui, this);
}

void frmMain::restoreWindowGeometry() {
    m_geometryRestored = true;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect avail = s ? s->availableGeometry() : QRect(0, 0, 900, 600);
    // Before the window manager has framed the window its frame is unknown: room is kept for a
    // title bar and borders all the same.
    QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty())
        frame = QSize(16, 48);
    const QByteArray saved = QByteArray::fromBase64(options().WindowGeometry.toLatin1());
    if (saved.isEmpty() || !restoreGeometry(saved)) {
        // A first start: the usual size, or most of a smaller screen, in its middle.
        const QSize size = QSize(900, 600).boundedTo(avail.size() * 9 / 10);
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, avail));
        return;
    }
    // A maximized or full-screen window is the window manager's to size.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    // A window kept at another scale or on a larger screen must still fit the one it is on.
    const QSize fitted = size().boundedTo(avail.size() - frame);
    if (fitted != size())
        resize(fitted);
    QRect outer(frameGeometry().topLeft(), size() + frame);
    if (!avail.contains(outer)) {
        outer.moveLeft(std::clamp(outer.left(), avail.left(),
                                  std::max(avail.left(), avail.right() - outer.width() + 1)));
        outer.moveTop(std::clamp(outer.top(), avail.top(),
                                 std::max(avail.top(), avail.bottom() - outer.height() + 1)));
        move(outer.topLeft());
    }
}

void frmMain::mnuViewDetails_Click(bool details) {
    lsvMain->setDetails(details);
    action(details ? "mnuViewDetails" : "mnuViewList")->setChecked(true);
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmMain::Form_Resize() {
    if (!szeV || !szeTree || !lsvMain)
        return;
    options().WindowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    if (isMinimized())
        return;
    // The pane area already lies between the toolbar and the status bar, whichever is shown.
    const int h = m_paneArea->height();
    const int w = m_paneArea->width();
    szeV->setGeometry(szeV->x(), 0, szeV->width(), h);
    szeTree->setGeometry(szeTree->x(), 0, szeTree->width(), h);
    const int vLeft = szeV->x();
    const int vRight = szeV->x() + szeV->width();
    const int treeLeft = szeTree->x();
    const int treeRight = szeTree->x() + szeTree->width();
    // A window too narrow for its panes gives them no width rather than a negative one.
    auto place = [h](QWidget* pane, int left, int right) {
        pane->setGeometry(left, 0, std::max(0, right - left), h);
    };
    const bool nodes = !trvNodes->isHidden();
    const bool tree = !trvMain->isHidden();
    if (!nodes && !tree) {
        place(lsvMain, 0, w);
    } else if (tree && !nodes) {
        place(trvMain, 0, treeLeft);
        place(lsvMain, treeRight, w);
    } else if (nodes && !tree) {
        place(trvNodes, 0, vLeft);
        place(lsvMain, vRight, w);
    } else {
        place(trvNodes, 0, vLeft);
        place(trvMain, vRight, treeLeft);
        place(lsvMain, treeRight, w);
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    Options& o = options();
    o.SizeVLeft = szeV->x();
    o.SizeTreeLeft = szeTree->x() - (szeV->x() + szeV->width());
    o.ViewToolbar = action("mnuViewToolbar")->isChecked();
    o.ViewStatusBar = action("mnuViewStatusBar")->isChecked();
    o.ViewNodes = action("mnuViewNodes")->isChecked();
    o.ViewTree = action("mnuViewTree")->isChecked();
    if (!isMinimized())
        o.WindowState = isMaximized() ? 2 : 0;
    o.WindowGeometry = QString::fromLatin1(saveGeometry().toBase64());
    o.ListView = lsvMain->isDetails() ? 2 : 1;
    o.ListColumns = lsvMain->columnWidths();
    o.ListSort = QStringLiteral("%1,%2")
                     .arg(int(lsvMain->model()->sortColumn()))
                     .arg(lsvMain->model()->sortOrder() == Qt::DescendingOrder ? 1 : 0);
    SaveOptions();
    event->accept();
}

// ---- MainView: the catalogue's state ---------------------------------------------------------

void frmMain::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void frmMain::setCatalogueCommands(CommandState state) {
    const bool open = state != CommandState::NoCatalogue;
    const bool writable = state == CommandState::Writable;
    updateListHint();
    for (const char* name : {"mnuFileNewNode", "mnuFileNewDisk", "mnuFileImport", "mnuFileRename",
                             "mnuFileDelete", "mnuEdit", "mnuToolsCompact"}) {
        if (auto* a = action(name))
            a->setEnabled(writable);
    }
    for (const char* name :
         {"mnuFileExport", "mnuFileProperties", "mnuView", "mnuToolsDuplicates"}) {
        if (auto* a = action(name))
            a->setEnabled(open);
    }
    // Enabled for an image of a writable catalogue when the menus are opened.
    for (const char* name : {"mnuFileUpdateDisk", "mnuFileUpdateIndex"}) {
        if (auto* a = action(name))
            a->setEnabled(false);
    }
    // The View menu's commands stay reachable by their shortcuts only while it is available.
    for (const char* name : {"mnuViewToolbar", "mnuViewStatusBar", "mnuViewNodes", "mnuViewTree",
                             "mnuViewDetails", "mnuViewList", "mnuViewRefresh"}) {
        if (auto* a = action(name))
            a->setEnabled(open);
    }
    if (auto* a = action("mnuEditFind"))
        a->setEnabled(writable);
}

void frmMain::setStatusFile(const QString& text) {
    m_panelFile->setText(text);
}

void frmMain::setReadOnlyPanelVisible(bool visible) {
    m_panelReadOnly->setVisible(visible);
}

void frmMain::setImagePanelVisible(bool visible) {
    m_panelImage->setVisible(visible);
}

void frmMain::setListActive(bool active) {
    QPalette p = lsvMain->palette();
    p.setColor(QPalette::Base,
               active ? palette().color(QPalette::Base) : palette().color(QPalette::Button));
    lsvMain->setPalette(p);
}

void frmMain::showRecent(const QStringList& entries) {
    for (QAction* a : mnuFileRecent) {
        mnuFileMenu->removeAction(a);
        delete a;
    }
    mnuFileRecent.clear();
    mnuFileRecentSep->setVisible(!entries.isEmpty());
    const int shown = std::min<int>(int(entries.size()), RecentList::kMaxShown);
    for (int i = 0; i < shown; ++i) {
        auto* a = new QAction(RecentCaption(i + 1, entries.at(i)), mnuFileMenu);
        a->setObjectName(QStringLiteral("mnuFileRecent"));
        a->setData(entries.at(i));
        a->setProperty("index", i);
        connect(a, &QAction::triggered, this, [this, i] { mnuFileRecent_Click(i); });
        mnuFileMenu->insertAction(mnuFile4, a);
        mnuFileRecent.append(a);
    }
}

// ---- File commands ----------------------------------------------------------------------------

void frmMain::mnuFileNewDatabase_Click() {
    cmnMain->setFilter(
        QStringLiteral("Ledra (*.ldr)|*.ldr|Access Database (*.mdb)|*.mdb|All Files (*.*)|*.*"));
    cmnMain->setFilterIndex(1);
    cmnMain->setFileName(catalogue().path);
    cmnMain->setDialogTitle(QStringLiteral("New Catalogue"));
    cmnMain->setFlags(0);
    cmnMain->ShowSave();
    if (cmnMain->LastError() != 0)
        return;
    openCatalogue(cmnMain->FileName(), false, false);
}

void frmMain::mnuFileOpen_Click() {
    cmnMain->setFilter(QStringLiteral(
        "Ledra (*.ldr;*.mdb)|*.ldr;*.mdb|Access Database (*.mdb)|*.mdb|All Files (*.*)|*.*"));
    cmnMain->setFilterIndex(1);
    cmnMain->setFileName(catalogue().path);
    cmnMain->setDialogTitle(QStringLiteral("Open Catalogue"));
    cmnMain->setFlags(0);
    cmnMain->ShowOpen();
    if (cmnMain->LastError() != 0)
        return;
    openCatalogue(cmnMain->FileName(), true, (cmnMain->Flags() & ctlCmnDlg::kFlagReadOnly) != 0);
}

void frmMain::mnuFileRecent_Click(int index) {
    if (index < 0 || index >= mnuFileRecent.size())
        return;
    openCatalogue(mnuFileRecent.at(index)->data().toString(), false, false);
}

void frmMain::mnuFileExit_Click() {
    close();
}

// ---- View toggles -----------------------------------------------------------------------------

void frmMain::mnuViewToolbar_Click() {
    QAction* a = action("mnuViewToolbar");
    a->setChecked(!a->isChecked());
    tlbMain->setVisible(a->isChecked());
    Form_Resize();
}

void frmMain::mnuViewStatusBar_Click() {
    QAction* a = action("mnuViewStatusBar");
    a->setChecked(!a->isChecked());
    statusBar()->setVisible(a->isChecked());
    Form_Resize();
}

void frmMain::mnuViewNodes_Click() {
    QAction* a = action("mnuViewNodes");
    a->setChecked(!a->isChecked());
    trvNodes->setVisible(a->isChecked());
    szeV->setVisible(a->isChecked());
    Form_Resize();
}

void frmMain::mnuViewTree_Click() {
    QAction* a = action("mnuViewTree");
    a->setChecked(!a->isChecked());
    trvMain->setVisible(a->isChecked());
    szeTree->setVisible(a->isChecked());
    {
        BusyPointer busy(*m_ui);
        FillTree(true);
    }
    Form_Resize();
}

// ---- Dialogs ----------------------------------------------------------------------------------

void frmMain::mnuToolsCompact_Click() {
    frmCompact dialog(*m_ui, this, this);
    dialog.exec();
}

void frmMain::mnuToolsOptions_Click() {
    frmOptions dialog(this);
    dialog.exec();
}

void frmMain::mnuHelpShortHelp_Click() {
    frmSHelp dialog(this);
    dialog.exec();
}

void frmMain::mnuHelpAbout_Click() {
    frmAbout dialog(this);
    dialog.exec();
}

// ---- Toolbar ----------------------------------------------------------------------------------

void frmMain::tlbMain_ButtonClick(const QString& key) {
    mnuFile_Click();
    auto enabled = [this](const char* name) {
        QAction* a = action(name);
        return a && a->isEnabled();
    };
    if (key == QLatin1String("DBNew")) {
        mnuFileNewDatabase_Click();
    } else if (key == QLatin1String("DBOpen")) {
        mnuFileOpen_Click();
    } else if (key == QLatin1String("Up")) {
        lsvMain_Up();
    } else if (key == QLatin1String("New")) {
        if (newButtonTag() == QLatin1String("NewDisk")) {
            if (enabled("mnuFileNewDisk"))
                mnuFileNewDisk_Click();
        } else if (enabled("mnuFileNewNode")) {
            mnuFileNewNode_Click();
        }
    } else if (key == QLatin1String("Rename")) {
        if (enabled("mnuFileRename"))
            mnuFileRename_Click();
    } else if (key == QLatin1String("Delete")) {
        if (enabled("mnuFileDelete"))
            mnuFileDelete_Click();
    } else if (key == QLatin1String("Properties")) {
        if (enabled("mnuFileProperties"))
            mnuFileProperties_Click();
    }
}

void frmMain::tlbMain_ButtonMenuClick(const QString& key) {
    mnuFile_Click();
    if (key == QLatin1String("NewNode") && action("mnuFileNewNode")->isEnabled()) {
        setNewButton(key);
        options().NewType = 1;
        mnuFileNewNode_Click();
    } else if (key == QLatin1String("NewDisk") && action("mnuFileNewDisk")->isEnabled()) {
        setNewButton(key);
        options().NewType = 2;
        mnuFileNewDisk_Click();
    }
}
