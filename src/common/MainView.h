#pragma once

#include <QString>
#include <QStringList>

// The main window's public face: the state and methods other windows and the widget-free
// procedures use. The main window implements it; procedures never reach into its widgets.
class MainView {
public:
    enum class CommandState { NoCatalogue, ReadOnly, Writable };

    virtual ~MainView() = default;

    // Opening and closing a catalogue.
    virtual void setCaption(const QString& caption) = 0;
    virtual void setCatalogueCommands(CommandState state) = 0;
    virtual void setStatusFile(const QString& text) = 0;
    virtual void setReadOnlyPanelVisible(bool visible) = 0;
    virtual void setImagePanelVisible(bool visible) = 0;
    virtual void clearCatalogueTree() = 0;
    virtual void clearList() = 0;
    virtual void setListActive(bool active) = 0;
    virtual void showRecent(const QStringList& entries) = 0;

    // The window's public methods.
    virtual void mnuFile_Click() = 0;
    virtual void mnuViewRefresh_Click() = 0;
    // What opening a catalogue shows: the catalogue tree rebuilt whatever has the focus, the
    // folder tree and the list empty, no image current.
    virtual void rebuildCatalogueTree() = 0;
    // trvNodes_NodeClick for the selected entry of the catalogue tree (nothing when none).
    virtual void clickSelectedNode() = 0;
    virtual void FillTree(bool full) = 0;
    virtual void FillFolders(qint32 parentId) = 0;
    virtual void FillFiles(qint32 parentId) = 0;

    // Entries of the catalogue tree ("N12", "I7") and the folder tree ("K0", "K15") by key.
    // Adds an entry as the last child of parentKey (empty: top level); false when the key is
    // already there or the parent is missing.
    virtual bool addCatalogueEntry(const QString& key, const QString& text, const QString& iconKey,
                                   const QString& parentKey) = 0;
    virtual bool hasCatalogueEntry(const QString& key) const = 0;
    virtual void setCatalogueEntryText(const QString& key, const QString& text) = 0;
    // Selects the entry, makes it visible and handles it as clicked; false when it is missing.
    virtual bool showCatalogueEntry(const QString& key) = 0;
    virtual bool showFolderEntry(const QString& key) = 0;
    // Selects the contents list entry ("F3" folder, "K9" file); false when it is missing.
    virtual bool selectListEntry(const QString& key) = 0;
    virtual bool isFolderTreeVisible() const = 0;

    // The window's state.
    virtual qint32 currentImageId() const = 0;
    virtual void setCurrentImageId(qint32 id) = 0;
    virtual qint32 listedFolderId() const = 0;
};
