#include "frmMain.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "shell/mdlOptions.h"
#include "shell/mdlRecent.h"
#include "shell/mdlRegistry.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QStatusBar>
#include <QTreeWidget>

frmMain::frmMain(const QString& commandLine, QWidget* parent)
    : QMainWindow(parent), m_commandLine(commandLine), m_widgetUi(this), m_ui(&m_widgetUi) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kAppTitle);
    resize(900, 600);
    buildPanes();
    buildMenus();
}

frmMain::~frmMain() = default;

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

void frmMain::buildMenus() {
    QMenu* file = addMenu(nullptr, "mnuFile", QStringLiteral("&File"));
    mnuFileMenu = file;
    connect(file, &QMenu::aboutToShow, this, &frmMain::mnuFile_Click);
    QMenu* fileNew = addMenu(file, "mnuFileNew", QStringLiteral("&New"));
    addAction(fileNew, "mnuFileNewNode", QStringLiteral("&Node"));
    QAction* newDisk = addAction(fileNew, "mnuFileNewDisk", QStringLiteral("&Disk..."));
    newDisk->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    fileNew->addSeparator()->setObjectName(QStringLiteral("mnuFileNew1"));
    connect(addAction(fileNew, "mnuFileNewDatabase", QStringLiteral("&Database...")),
            &QAction::triggered, this, &frmMain::mnuFileNewDatabase_Click);
    connect(addAction(file, "mnuFileOpen", QStringLiteral("&Open...")), &QAction::triggered, this,
            &frmMain::mnuFileOpen_Click);
    file->addSeparator()->setObjectName(QStringLiteral("mnuFile1"));
    addAction(file, "mnuFileImport", QStringLiteral("&Import..."));
    addAction(file, "mnuFileExport", QStringLiteral("&Export..."));
    file->addSeparator()->setObjectName(QStringLiteral("mnuFile2"));
    addAction(file, "mnuFileRename", QStringLiteral("&Rename"))->setShortcut(Qt::Key_F2);
    addAction(file, "mnuFileDelete", QStringLiteral("&Delete"))->setShortcut(Qt::Key_Delete);
    file->addSeparator()->setObjectName(QStringLiteral("mnuFile3"));
    addAction(file, "mnuFileProperties", QStringLiteral("&Properties..."));
    mnuFileRecentSep = file->addSeparator();
    mnuFileRecentSep->setObjectName(QStringLiteral("mnuFileRecentSep"));
    mnuFile4 = file->addSeparator();
    mnuFile4->setObjectName(QStringLiteral("mnuFile4"));
    QAction* exit = addAction(file, "mnuFileExit", QStringLiteral("E&xit\tAlt+F4"));
    connect(exit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);

    QMenu* edit = addMenu(nullptr, "mnuEdit", QStringLiteral("&Edit"));
    addAction(edit, "mnuEditFind", QStringLiteral("&Find..."))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::Key_F3)});

    QMenu* view = addMenu(nullptr, "mnuView", QStringLiteral("&View"));
    for (auto [name, caption] : {std::pair{"mnuViewToolbar", "T&oolbar"},
                                 std::pair{"mnuViewStatusBar", "&Status Bar"}}) {
        addAction(view, name, QLatin1String(caption))->setCheckable(true);
    }
    view->addSeparator()->setObjectName(QStringLiteral("mnuView1"));
    for (auto [name, caption] :
         {std::pair{"mnuViewNodes", "&Nodes"}, std::pair{"mnuViewTree", "&Tree"}}) {
        addAction(view, name, QLatin1String(caption))->setCheckable(true);
    }
    view->addSeparator()->setObjectName(QStringLiteral("mnuView2"));
    QAction* refresh = addAction(view, "mnuViewRefresh", QStringLiteral("&Refresh"));
    refresh->setShortcut(Qt::Key_F5);
    connect(refresh, &QAction::triggered, this, &frmMain::mnuViewRefresh_Click);

    QMenu* tools = addMenu(nullptr, "mnuTools", QStringLiteral("&Tools"));
    addAction(tools, "mnuToolsCompact", QStringLiteral("&Compact database..."));
    tools->addSeparator()->setObjectName(QStringLiteral("mnuTools1"));
    addAction(tools, "mnuToolsOptions", QStringLiteral("&Options..."));

    QMenu* help = addMenu(nullptr, "mnuHelp", QStringLiteral("&Help"));
    addAction(help, "mnuHelpShortHelp", QStringLiteral("&Short help..."));
    help->addSeparator()->setObjectName(QStringLiteral("mnuHelp1"));
    addAction(help, "mnuHelpAbout", QStringLiteral("&About..."));
}

void frmMain::buildPanes() {
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    trvNodes = new QTreeWidget(central);
    trvNodes->setObjectName(QStringLiteral("trvNodes"));
    trvNodes->setHeaderHidden(true);
    trvMain = new QTreeWidget(central);
    trvMain->setObjectName(QStringLiteral("trvMain"));
    trvMain->setHeaderHidden(true);
    lsvMain = new QListWidget(central);
    lsvMain->setObjectName(QStringLiteral("lsvMain"));
    layout->addWidget(trvNodes, 1);
    layout->addWidget(trvMain, 1);
    layout->addWidget(lsvMain, 2);
    setCentralWidget(central);

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

void frmMain::Load() {
    setCaption(kAppTitle);
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
    OpenCatalogue(path, mustExist, readOnly, *m_ui, this);
}

void frmMain::closeEvent(QCloseEvent* event) {
    options().WindowState = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    event->accept();
}

// ---- MainView ---------------------------------------------------------------------------------

void frmMain::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void frmMain::setCatalogueCommands(CommandState state) {
    const bool open = state != CommandState::NoCatalogue;
    const bool writable = state == CommandState::Writable;
    for (const char* name : {"mnuFileNewNode", "mnuFileNewDisk", "mnuFileImport", "mnuFileRename",
                             "mnuFileDelete", "mnuEdit", "mnuToolsCompact"}) {
        if (auto* a = findChild<QAction*>(QLatin1String(name)))
            a->setEnabled(writable);
    }
    for (const char* name : {"mnuFileExport", "mnuFileProperties", "mnuView"}) {
        if (auto* a = findChild<QAction*>(QLatin1String(name)))
            a->setEnabled(open);
    }
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

void frmMain::clearCatalogueTree() {
    trvNodes->clear();
}

void frmMain::clearList() {
    lsvMain->clear();
}

void frmMain::setListActive(bool active) {
    QPalette p = lsvMain->palette();
    p.setColor(QPalette::Base, active ? palette().color(QPalette::Base)
                                      : palette().color(QPalette::Button));
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

void frmMain::mnuFile_Click() {}

void frmMain::mnuViewRefresh_Click() {}

void frmMain::clickSelectedNode() {}

void frmMain::FillTree(bool) {}

void frmMain::FillFolders(qint32) {}

void frmMain::FillFiles(qint32) {}

QTreeWidgetItem* frmMain::findCatalogueEntry(const QString& key) const {
    for (QTreeWidgetItemIterator it(trvNodes); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == key)
            return *it;
    }
    return nullptr;
}

bool frmMain::addCatalogueEntry(const QString& key, const QString& text, const QString&,
                                const QString& parentKey) {
    if (findCatalogueEntry(key))
        return false;
    QTreeWidgetItem* parent = nullptr;
    if (!parentKey.isEmpty() && !(parent = findCatalogueEntry(parentKey)))
        return false;
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(trvNodes);
    item->setText(0, text);
    item->setData(0, Qt::UserRole, key);
    return true;
}

bool frmMain::hasCatalogueEntry(const QString& key) const {
    return findCatalogueEntry(key) != nullptr;
}

void frmMain::setCatalogueEntryText(const QString& key, const QString& text) {
    if (QTreeWidgetItem* item = findCatalogueEntry(key))
        item->setText(0, text);
}

bool frmMain::showCatalogueEntry(const QString&) {
    return false;
}

bool frmMain::showFolderEntry(const QString&) {
    return false;
}

bool frmMain::selectListEntry(const QString&) {
    return false;
}

bool frmMain::isFolderTreeVisible() const {
    return trvMain->isVisible();
}

// ---- File commands ----------------------------------------------------------------------------

void frmMain::mnuFileNewDatabase_Click() {
    const QString file = QFileDialog::getSaveFileName(
        this, QStringLiteral("New..."), catalogue().path,
        QStringLiteral("Ledra (*.ldr);;Access Database (*.mdb);;All Files (*)"), nullptr,
        QFileDialog::DontConfirmOverwrite);
    if (file.isEmpty())
        return;
    openCatalogue(file, false, false);
}

void frmMain::mnuFileOpen_Click() {
    QFileDialog dialog(this, QStringLiteral("Open..."), catalogue().path,
                       QStringLiteral("Ledra (*.ldr *.mdb);;Access Database (*.mdb);;All Files (*)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    openCatalogue(dialog.selectedFiles().first(), true, false);
}

void frmMain::mnuFileRecent_Click(int index) {
    if (index < 0 || index >= mnuFileRecent.size())
        return;
    openCatalogue(mnuFileRecent.at(index)->data().toString(), false, false);
}

void frmMain::mnuFileExit_Click() {
    close();
}
