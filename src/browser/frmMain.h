#pragma once

#include "common/MainView.h"
#include "controls/guiUi.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

// The main window: catalogue tree, folder tree and contents list, with its menus, toolbar and
// status bar.
class frmMain : public QMainWindow, public MainView {
    Q_OBJECT

public:
    // commandLine: the program's arguments joined by blanks; opened at load when not empty.
    explicit frmMain(const QString& commandLine = QString(), QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs the load: settings, recent list, the start catalogue.
    void Load();

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

    // File menu commands.
    void mnuFileNewDatabase_Click();
    void mnuFileOpen_Click();
    void mnuFileRecent_Click(int index);
    void mnuFileExit_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildPanes();
    QAction* addAction(QMenu* menu, const char* name, const QString& caption);
    QMenu* addMenu(QMenu* parent, const char* name, const QString& caption);
    QTreeWidgetItem* findCatalogueEntry(const QString& key) const;
    // Opens a catalogue after closing the current one.
    void openCatalogue(QString path, bool mustExist, bool readOnly);

    QString m_commandLine;
    WidgetUi m_widgetUi;
    Ui* m_ui;

    QTreeWidget* trvNodes = nullptr;
    QTreeWidget* trvMain = nullptr;
    QListWidget* lsvMain = nullptr;
    QLabel* m_panelFile = nullptr;
    QLabel* m_panelReadOnly = nullptr;
    QLabel* m_panelImage = nullptr;
    QMenu* mnuFileMenu = nullptr;
    QAction* mnuFileRecentSep = nullptr;
    QAction* mnuFile4 = nullptr;
    QList<QAction*> mnuFileRecent;

    qint32 m_currentImageId = 0;
    qint32 m_currentImageType = 0;
    bool m_imageSelected = false;
    qint32 m_listedFolderId = 0;
};
