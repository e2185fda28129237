#pragma once

#include <QString>
#include <QVector>

#include <optional>

class Database;

// What the main window's trees and list show, read from a catalogue without any widget, so the
// window and the command line list the same entries in the same order.

// One entry of the catalogue tree, in display order (each entry is followed by its subtree).
struct CatalogueEntry {
    QString key;       // "N12" node, "I7" image
    QString text;      // the name ("" for a Null name)
    QString iconKey;   // "NodeC", or "T" and the image type as stored
    QString parentKey; // "" at the top level
    int depth = 0;
};

// Nodes depth first, each node's child nodes in name order before its images in name order;
// top-level nodes before top-level images. Nodes whose parent is missing, and their images, are
// left out; a parent cycle never loops.
QVector<CatalogueEntry> ReadCatalogueTree(Database& db);

// The picture key for an image type: "T" and the type for the types with a picture, else "T1".
QString ImagePictureKey(qint64 type);
// The type an image icon key stands for ("T50" gives 50).
qint32 ImageTypeOfIconKey(const QString& iconKey);

// The folder tree's root entry of an image: "Label [Source]" and its picture's type.
struct ImageRoot {
    qint32 type = 1; // already mapped to a type with a picture
    QString text;
};
std::optional<ImageRoot> ReadImageRoot(Database& db, qint32 imageId);

struct FolderRow {
    qint32 id = 0;
    qint32 parentId = 0;
    QString name;
    bool hasSubfolders = false; // only filled by ReadChildFolders with detection on
};

// Every folder of an image, by ParentID then name.
QVector<FolderRow> ReadAllFolders(Database& db, qint32 imageId);
// The folders directly in one folder, by name.
QVector<FolderRow> ReadChildFolders(Database& db, qint32 imageId, qint32 parentId,
                                    bool detectSubfolders);

// One entry of the contents list.
struct ListEntry {
    QString key;  // "F" and the ID for a folder, "K" and the ID for a file
    QString name; // Items.Name
    QString text; // what the list shows (the track text on audio CDs)
    bool folder = false;
    bool ghosted = false; // hidden or system
    qint64 size = 0;
    qint64 attrib = 0;
    QString modified; // Items.TimeM as stored ("yyyy-mm-dd hh:mm:ss"), "" when not kept
};

// The contents of one folder of an image: folders first, then files, each group by name.
// Items of any other Type are left out.
QVector<ListEntry> ReadFolderContents(Database& db, qint32 imageId, qint32 imageType,
                                      qint32 parentId);

// The contents list's columns, and an order of its entries by one of them: folders always
// before files, names in natural order ("IMG_2" before "IMG_10", case ignored), ties by name.
enum class ListColumn { Name, Size, Modified, Type };
constexpr int kListColumns = 4;
void SortListEntries(QVector<ListEntry>& entries, ListColumn column, bool descending);
// <0, 0, >0: runs of digits compare by their value, everything else without regard to case.
int NaturalCompare(const QString& a, const QString& b);
// What the Type column shows: "Folder", or the MIME type's description of the file's extension
// ("File" when unknown), looked up once per extension.
QString FileTypeText(const QString& name, bool isFolder);

// The folder that holds folderId; none for the root or an unknown folder.
std::optional<qint32> ReadParentFolder(Database& db, qint32 imageId, qint32 folderId);

// What an audio CD shows for a track file: "Track05" for Track05.cda, the title alone for
// "07: Title.cda", any other name unchanged.
QString TrackText(const QString& name);

// The icon lookup's name: "Folder" for folders, "." and the text after the last "." for files.
QString IconRegistryName(const QString& name, bool isFolder);

constexpr qint32 kAudioCdType = 50;
