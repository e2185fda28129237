#pragma once

#include <QHash>
#include <QString>

class Database;

// Every folder of one image, read in one query: their paths within the image and the sizes of
// their subtrees, without a query per row. A damaged parent chain (a loop, a missing parent)
// ends at the root.
class FolderMap {
public:
    struct Folder {
        qint32 parent = 0;
        QString name;
        qint64 size = 0;     // as stored: the files directly in it
        qint64 treeSize = 0; // everything below it
        QString path;        // built when first asked for
        qint8 inScope = -1;  // below() of the last top asked for: -1 not known yet
        qint64 mark = 0;     // the last walk that passed here, to notice loops
    };

    // False when the engine fails (its error is left on db).
    bool load(Database& db, qint32 imageId);

    bool contains(qint32 id) const { return m_folders.contains(id); }
    const Folder* find(qint32 id) const;
    qsizetype size() const { return m_folders.size(); }

    // "/" for the root or an unknown folder; "/a/b" for a folder.
    QString path(qint32 id);
    // The path of an item in a folder.
    QString itemPath(qint32 parentId, const QString& name);
    // Whether a folder is top or lies below it. Answers are kept, so top must not change.
    bool below(qint32 id, qint32 top);

private:
    // The folders from id upwards whose answer is not known yet; stops at the root, a missing
    // folder, a loop or the first folder for which known() holds.
    template <typename Known> QList<qint32> chainUp(qint32 id, Known known, qint32* stop);

    QHash<qint32, Folder> m_folders;
    qint64 m_walk = 0;
};

// "WHERE ImageID=?" for a query over the items of one image, with the plan that reads them
// quickest: an image that fills much of the table is read by a plain scan of the table (in the
// order its rows were written), a small one through the index.
QString ImageRowsClause(Database& db, qint32 imageId);
