#pragma once

#include "common/MainView.h"
#include "controls/guiUi.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QLabel;
class ContentsView;
class QMenu;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class KeyTree;
class NodeTree;
class ctlCmnDlg;
class ctlSize;

// The main window: catalogue tree, folder tree and contents list, with its menus, toolbar,
// status bar and splitters.
class frmMain : public QMainWindow, public MainView {
    Q_OBJECT

public:
    // Item data roles of the trees and the list.
    enum Role { KeyRole = Qt::UserRole, IconKeyRole, GhostedRole };
    // Splitters may not bring the folder tree closer than this to the other splitter.
    static constexpr int kSplitterGap = 16;

    // commandLine: the program's arguments joined by blanks; opened at load when not empty.
    explicit frmMain(const QString& commandLine = QString(), QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs the load: settings, recent list, the start catalogue.
    void Load();
    // The saved place and size, fitted to the screen the window is on; best before the window
    // is first shown (Load does it when nobody did).
    void restoreWindowGeometry();

    Ui& ui() { return *m_ui; }
    // Tests hand in a scripted Ui before Load.
    void setUi(Ui* ui) { m_ui = ui; }

    // MainView
    void setCaption(const QString& caption) override;
    void setCatalogueCommands(CommandState state) override;
    void setStatusFile(const QString& text) override;
    void setReadOnlyPanelVisible(bool visible) override;
    void setImagePanelVisible(bool visible) override;
    void clearCatalogueTree() override;
    void rebuildCatalogueTree() override;
    void clearList() override;
    void setListActive(bool active) override;
    void showRecent(const QStringList& entries) override;
    void mnuFile_Click() override;
    void mnuViewRefresh_Click() override;
    void clickSelectedNode() override;
    void FillTree(bool full) override;
    void FillFolders(qint32 parentId) override;
    void FillFiles(qint32 parentId) override;
    bool addCatalogueEntry(const QString& key, const QString& text, const QString& iconKey,
                           const QString& parentKey) override;
    bool hasCatalogueEntry(const QString& key) const override;
    void setCatalogueEntryText(const QString& key, const QString& text) override;
    bool showCatalogueEntry(const QString& key) override;
    bool showFolderEntry(const QString& key) override;
    bool selectListEntry(const QString& key) override;
    bool isFolderTreeVisible() const override;
    qint32 currentImageId() const override { return m_currentImageId; }
    void setCurrentImageId(qint32 id) override { m_currentImageId = id; }
    qint32 listedFolderId() const override { return m_listedFolderId; }

    // The tree clicks.
    void trvNodes_NodeClick(QTreeWidgetItem* node);
    void trvMain_NodeClick(QTreeWidgetItem* node);
    void trvMain_Expand(QTreeWidgetItem* node);

    // The window's state.
    qint32 currentImageType() const { return m_currentImageType; }
    bool isImageSelected() const { return m_imageSelected; }
    // The folder the list shows (its tag), written at the start of every fill.
    qint32 listTag() const { return m_listTag; }
    QTreeWidgetItem* catalogueEntry(const QString& key) const;
    QTreeWidgetItem* folderEntry(const QString& key) const;
    // The contents list's entry of a key (invalid when not listed); its data carries the roles.
    QModelIndex listEntry(const QString& key) const;
    ContentsView* contentsView() const { return lsvMain; }
    // View > Details (true) or List.
    void mnuViewDetails_Click(bool details);

    // The list's keys: Backspace goes up, Enter opens.
    void lsvMain_Up();
    void lsvMain_Enter();

    // File menu commands.
    void mnuFileNewDatabase_Click();
    void mnuFileOpen_Click();
    void mnuFileRecent_Click(int index);
    void mnuFileExit_Click();
    // View toggles.
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuViewNodes_Click();
    void mnuViewTree_Click();
    // Tools and Help.
    void mnuToolsCompact_Click();
    void mnuToolsOptions_Click();
    void mnuHelpShortHelp_Click();
    void mnuHelpAbout_Click();
    // Toolbar: a button by key ("DBNew", "Up", "New" ...) and an entry of the New button's menu.
    void tlbMain_ButtonClick(const QString& key);
    void tlbMain_ButtonMenuClick(const QString& key);
    QString newButtonTag() const;

    // The node new nodes and images are filed under: the selected node, the node of the selected
    // image, or the top level (ID 0, empty key).
    struct FilingNode {
        qint32 id = 0;
        QString key;
    };
    FilingNode filingNode() const;
    // Label editing in the catalogue tree: true from the first refuses the edit; the second
    // writes the name and is true when the tree may show it.
    bool trvNodes_BeforeLabelEdit() const;
    bool trvNodes_AfterLabelEdit(QTreeWidgetItem* item, const QString& newText);
    // Moving by drag and drop: may the entry dragged be dropped on target ("" is empty space),
    // and the drop itself (true when the entry moved).
    bool trvNodes_DragOver(const QString& dragged, const QString& target) const;
    bool trvNodes_DragDrop(const QString& dragged, const QString& target);
    // The context menus, asked for at pos (viewport coordinates).
    void trvNodes_ContextMenu(const QPoint& pos, bool byMouse, Qt::KeyboardModifiers modifiers);
    void lsvMain_ContextMenu(const QPoint& pos, bool byMouse, Qt::KeyboardModifiers modifiers);

    // Lays the panes out around the splitters.
    void Form_Resize();
    ctlCmnDlg* commonDialog() const { return cmnMain; }

    // The icon key of the list's icon lookup, and how many lookups were made (one per
    // extension for the program's life).
    static QString IconLookup(const QString& name, bool isFolder);
    static int iconLookupCount();
    // The picture of a list icon key ("Icon.txt", "Folder", "Unknown").
    static QIcon ListPicture(const QString& iconKey);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Commands that the editing, disk, import, find and properties windows hook into.
    void mnuFileNewNode_Click();
    void mnuFileNewDisk_Click();
    void mnuFileImport_Click();
    void mnuFileUpdateDisk_Click();
    void mnuFileUpdateIndex_Click();
    void mnuFileRename_Click();
    void mnuFileDelete_Click();
    void mnuFileProperties_Click();
    void mnuEditFind_Click();

    static bool isCatalogueOpen();
    static bool isCatalogueWritable();
    enum class FocusPane { None, Nodes, List, Other };
    FocusPane focusPane() const;
    // Hooks the catalogue tree's editing and the context menus up; part of construction.
    void buildEditing();
    // The panes as a node click leaves them: no image shown.
    void showNoImage();
    void reportEngineError();
    // Rebuilds the catalogue tree whatever has the focus, keeping the selected entry.
    void refreshCatalogueTree();
    // The empty list's hint, shown while the open catalogue holds nothing yet.
    void updateListHint();

    void buildMenus();
    void buildToolbar();
    void buildPanes();
    void applyViewSettings();
    QAction* addAction(QMenu* menu, const char* name, const QString& caption);
    QMenu* addMenu(QMenu* parent, const char* name, const QString& caption);
    QAction* action(const char* name) const;
    // Opens a catalogue after closing the current one.
    void openCatalogue(QString path, bool mustExist, bool readOnly);
    void setNewButton(const QString& tag);

    // Tree helpers.
    QTreeWidgetItem* addImageRoot();
    void selectTreeItem(QTreeWidget* tree, QTreeWidgetItem* item);
    void trvNodes_CurrentChanged(QTreeWidgetItem* item);
    void trvMain_CurrentChanged(QTreeWidgetItem* item);

    QString m_commandLine;
    WidgetUi m_widgetUi;
    Ui* m_ui;

    NodeTree* trvNodes = nullptr;
    KeyTree* trvMain = nullptr;
    ContentsView* lsvMain = nullptr;
    ctlSize* szeV = nullptr;
    ctlSize* szeTree = nullptr;
    QWidget* m_paneArea = nullptr;
    QToolBar* tlbMain = nullptr;
    QToolButton* m_newButton = nullptr;
    ctlCmnDlg* cmnMain = nullptr;
    QLabel* m_panelFile = nullptr;
    QLabel* m_panelReadOnly = nullptr;
    QLabel* m_panelImage = nullptr;
    QMenu* mnuFileMenu = nullptr;
    QMenu* poptrvNodes = nullptr;
    QMenu* poplsvMain = nullptr;
    QMetaObject::Connection m_focusWatch;
    QAction* mnuFileRecentSep = nullptr;
    QAction* mnuFile4 = nullptr;
    QList<QAction*> mnuFileRecent;

    qint32 m_currentImageId = 0;
    qint32 m_currentImageType = 0;
    bool m_imageSelected = false;
    qint32 m_listedFolderId = 0;
    qint32 m_listTag = 0;
    // Set while the window itself moves a tree's selection, so that no click handling runs.
    bool m_selecting = false;
    bool m_geometryRestored = false;
    // The entry whose mouse press was already handled as a click through the selection change.
    QTreeWidgetItem* m_clickedByPress = nullptr;
};
