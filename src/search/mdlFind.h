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
    qint64 size = 0; // Items.Size; 0 when not stored
    QString imageName;
    QString itemName;

    // "I<image>I<item>I<parent>", e.g. I3I57I12.
    QString key() const;
};

// At most this many matches are listed.
constexpr int kFindLimit = 100;

// The plain statement for the criteria, the engine's pattern function over every row: what the
// search answers without its name index. limit 0 lists every match. False with a message for
// the user when every field is empty or a pattern cannot be used.
struct FindQuery {
    QString sql;
    QVariantList params;
};
bool BuildFindQuery(const FindCriteria& criteria, FindQuery* query, QString* message,
                    int limit = kFindLimit);

// How much of the matches beyond the listed ones a search counts.
enum class FindCount {
    None,  // stop at the limit
    Cheap, // count when the name index makes it cheap, else only tell that more match
    Exact, // count every match, whatever it costs
};

struct FindOptions {
    int limit = kFindLimit; // at most this many matches listed; 0 for all
    FindCount count = FindCount::None;
};

struct FindOutcome {
    QList<FindMatch> matches;
    // Every match, or -1 when not counted: then more than the listed ones may match (and do,
    // for FindCount::Cheap).
    qint64 total = -1;
    bool usedIndex = false; // the name index chose the rows to check
};

// Runs the search: matches in the order the items were written (image by image, each in its
// walk order), exactly those of BuildFindQuery's statement. The name index picks the rows when
// the Name or MS-DOS Name pattern holds three plain characters in a row; other searches, and
// images without index entries, read the names in bulk. False with a message when the criteria
// are refused or the engine fails; *engineError tells the two apart.
bool RunFind(Database& db, const FindCriteria& criteria, const FindOptions& options,
             FindOutcome* outcome, QString* message, bool* engineError = nullptr);
// At most kFindLimit matches, nothing counted.
bool RunFind(Database& db, const FindCriteria& criteria, QList<FindMatch>* matches,
             QString* message, bool* engineError = nullptr);

// "100 of 2,345 matches shown; narrow the search", "100 of more than 100 matches shown; narrow
// the search", "7 matches", "1 match".
QString FindSummaryText(const FindOutcome& outcome);

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
