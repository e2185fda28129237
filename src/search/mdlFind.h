#pragma once

#include "catalogue/Engine.h"

#include <QList>
#include <QString>

class MainView;

// The five search fields; each non-empty one is a pattern over one column of Items.
struct FindCriteria {
    QString name;
    QString msdosName;
    QString keywords;
    QString description;
    QString comment;

    bool isEmpty() const;
};

// One found item.
struct FindMatch {
    qint32 imageId = 0;
    qint32 itemId = 0;
    qint32 parentId = 0;
    qint32 type = 0; // 0 folder, 1 file
    QString imageName;
    QString itemName;

    // "I<image>I<item>I<parent>", e.g. I3I57I12.
    QString key() const;
};

// At most this many matches are listed.
constexpr int kFindLimit = 100;

// The statement and its bound patterns for the criteria. False with a message for the user when
// every field is empty or a pattern cannot be used.
struct FindQuery {
    QString sql;
    QVariantList params;
};
bool BuildFindQuery(const FindCriteria& criteria, FindQuery* query, QString* message);

// Runs the search: at most kFindLimit folders and files, in the order the items were written
// (image by image, each in its walk order). False with a message when the criteria are refused
// or the engine fails; *engineError tells the two apart.
bool RunFind(Database& db, const FindCriteria& criteria, QList<FindMatch>* matches,
             QString* message, bool* engineError = nullptr);

// Splits a result key; false when it is not of the form I<n>I<n>I<n>.
bool ParseMatchKey(const QString& key, qint32* imageId, qint32* itemId, qint32* parentId);

// The path of a folder within its image: folder names joined by "/", beginning with "/"; "/" for
// the root (0, or the root row's -1). A path deeper than a few thousand folders shows only its
// innermost ones and begins with "…/" instead. A broken or looping parent chain ends the walk.
QString FolderPath(Database& db, qint32 imageId, qint32 folderId);
// The path of the item itself: its folder's path and its name.
QString ItemFullPath(Database& db, qint32 imageId, qint32 parentId, qint32 itemId,
                     const QString& name);

// Shows a match in the main window: the image in the catalogue tree, the folder in the folder
// tree when it is visible, the folder's contents with the item selected. A step that cannot be
// done (an entry not loaded yet) is passed over.
void ShowMatch(MainView& view, qint32 imageId, qint32 itemId, qint32 parentId, qint32 type);
