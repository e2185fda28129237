#include "mdlDupes.h"

#include "FolderMap.h"
#include "catalogue/Engine.h"
#include "catalogue/mdlFile.h"

#include <QHash>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

QString engineMessage(const EngineError& e) {
    return DatabaseErrorText(e.number, e.description);
}

// The folder maps of the images met so far, each read once.
class Paths {
public:
    explicit Paths(Database& db) : m_db(db) {}

    bool path(qint32 imageId, qint32 parentId, const QString& name, QString* out) {
        auto it = m_maps.find(imageId);
        if (it == m_maps.end()) {
            auto map = std::make_shared<FolderMap>();
            if (!map->load(m_db, imageId))
                return false;
            it = m_maps.insert(imageId, map);
        }
        *out = (*it)->itemPath(parentId, name);
        return true;
    }

    QString imageName(qint32 imageId) {
        auto it = m_names.find(imageId);
        if (it == m_names.end())
            it = m_names.insert(imageId, m_db.scalar(QStringLiteral("SELECT Name FROM Images "
                                                                    "WHERE ID=?"),
                                                     {qint64(imageId)})
                                             .toString());
        return *it;
    }

private:
    Database& m_db;
    QHash<qint32, std::shared_ptr<FolderMap>> m_maps;
    QHash<qint32, QString> m_names;
};

// Rows of one name and size come together from a query sorted on both; a group is handed on
// once the next row differs.
template <typename Row, typename Same, typename Done>
void groupRows(QList<Row>& group, const Row& row, Same same, Done done) {
    if (!group.isEmpty() && !same(group.constFirst(), row)) {
        done(group);
        group.clear();
    }
    group.append(row);
}

struct FileRow {
    QString name;
    qint64 size = 0;
    qint32 imageId = 0;
    qint32 itemId = 0;
    qint32 parentId = 0;
};

bool sameFile(const FileRow& a, const FileRow& b) {
    return a.size == b.size && a.name == b.name;
}

// Every file once, sorted by the engine; a plain scan of the table is far quicker than visiting
// the rows through an index, and the sort spills to the engine's temporary store, not to memory.
Recordset sortedFiles(Database& db, const QString& order, qint64 minSize) {
    return db.OpenRecordset(QStringLiteral("SELECT Name, Size, ImageID, ID, ParentID "
                                           "FROM Items NOT INDEXED WHERE Type=1 AND Size>=? AND "
                                           "Name IS NOT NULL ORDER BY ") +
                                order,
                            {minSize});
}

FileRow readFile(const Recordset& rs) {
    return {rs.text(0), rs.int64(1), qint32(rs.int64(2)), qint32(rs.int64(3)), qint32(rs.int64(4))};
}

} // namespace

bool FindDuplicates(Database& db, qint64 minSize,
                    const std::function<void(const DuplicateGroup&)>& found, QString* message) {
    Recordset rs = sortedFiles(db, QStringLiteral("Size DESC, Name"), minSize);
    if (!rs.isValid()) {
        *message = engineMessage(rs.error() ? rs.error() : db.lastError());
        return false;
    }
    Paths paths(db);
    bool failed = false;
    auto done = [&](QList<FileRow>& rows) {
        if (rows.size() < 2 || failed)
            return;
        std::sort(rows.begin(), rows.end(), [](const FileRow& a, const FileRow& b) {
            return a.imageId != b.imageId ? a.imageId < b.imageId : a.itemId < b.itemId;
        });
        DuplicateGroup group;
        group.name = rows.constFirst().name;
        group.size = rows.constFirst().size;
        for (const FileRow& r : std::as_const(rows)) {
            FileCopy copy;
            copy.imageId = r.imageId;
            copy.itemId = r.itemId;
            copy.parentId = r.parentId;
            copy.imageName = paths.imageName(r.imageId);
            if (!paths.path(r.imageId, r.parentId, r.name, &copy.path)) {
                failed = true;
                return;
            }
            group.copies.append(copy);
        }
        found(group);
    };
    QList<FileRow> group;
    for (; !rs.Eof() && !failed; rs.MoveNext())
        groupRows(group, readFile(rs), sameFile, done);
    if (!rs.error() && !failed)
        done(group);
    if (rs.error() || failed) {
        *message = engineMessage(rs.error() ? rs.error() : db.lastError());
        return false;
    }
    return true;
}

bool FindSingleCopies(Database& db, qint32 imageId,
                      const std::function<void(const ImageFile&)>& found, QString* message) {
    const QVariant exists =
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM Images WHERE ID=?"), {qint64(imageId)});
    if (!exists.isValid()) {
        *message = engineMessage(db.lastError());
        return false;
    }
    if (exists.toLongLong() == 0) {
        *message = QStringLiteral("There is no image %1 in the catalogue.").arg(imageId);
        return false;
    }
    // First the item numbers of the image's files whose name and size no other image holds ...
    std::vector<qint32> single;
    {
        Recordset rs = sortedFiles(db, QStringLiteral("Name, Size"), 0);
        if (!rs.isValid()) {
            *message = engineMessage(rs.error() ? rs.error() : db.lastError());
            return false;
        }
        auto done = [&](const QList<FileRow>& rows) {
            for (const FileRow& r : rows) {
                if (r.imageId != imageId)
                    return;
            }
            for (const FileRow& r : rows)
                single.push_back(r.itemId);
        };
        QList<FileRow> group;
        for (; !rs.Eof(); rs.MoveNext())
            groupRows(group, readFile(rs), sameFile, done);
        if (rs.error()) {
            *message = engineMessage(rs.error());
            return false;
        }
        done(group);
    }
    std::sort(single.begin(), single.end());
    if (single.empty())
        return true;
    // ... then those files in the order they were written, with their paths.
    FolderMap folders;
    if (!folders.load(db, imageId)) {
        *message = engineMessage(db.lastError());
        return false;
    }
    Recordset rs = db.OpenRecordset(QStringLiteral("SELECT ID, ParentID, Name, Size FROM Items ") +
                                        ImageRowsClause(db, imageId) +
                                        QStringLiteral(" AND Type=1 ORDER BY rowid"),
                                    {qint64(imageId)});
    if (!rs.isValid()) {
        *message = engineMessage(rs.error() ? rs.error() : db.lastError());
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        const qint32 id = qint32(rs.int64(0));
        if (!std::binary_search(single.begin(), single.end(), id))
            continue;
        ImageFile f;
        f.itemId = id;
        f.parentId = qint32(rs.int64(1));
        f.name = rs.text(2);
        f.size = rs.int64(3);
        f.path = folders.itemPath(qint32(rs.int64(1)), f.name);
        found(f);
    }
    if (rs.error()) {
        *message = engineMessage(rs.error());
        return false;
    }
    return true;
}
