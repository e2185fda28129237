#include "mdlDupes.h"

#include "FolderMap.h"
#include "catalogue/Engine.h"
#include "catalogue/mdlFile.h"

#include <QHash>

#include <memory>

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

} // namespace

bool FindDuplicates(Database& db, qint64 minSize,
                    const std::function<void(const DuplicateGroup&)>& found, QString* message) {
    // The engine groups and sorts (spilling to its temporary store when large); only one group
    // at a time is held here.
    Recordset rs = db.OpenRecordset(
        QStringLiteral(
            "SELECT d.Name, d.Size, i.ImageID, i.ID, i.ParentID "
            "FROM (SELECT Name, Size FROM Items WHERE Type=1 AND Size>=? "
            "      GROUP BY Name, Size HAVING COUNT(*)>1) AS d "
            "JOIN Items AS i ON i.Name=d.Name AND i.Size=d.Size AND i.Type=1 "
            "ORDER BY d.Size DESC, d.Name, i.ImageID, i.ID"),
        {minSize});
    if (!rs.isValid()) {
        *message = engineMessage(rs.error() ? rs.error() : db.lastError());
        return false;
    }
    Paths paths(db);
    DuplicateGroup group;
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString name = rs.text(0);
        const qint64 size = rs.int64(1);
        if (!group.copies.isEmpty() && (size != group.size || name != group.name)) {
            found(group);
            group.copies.clear();
        }
        group.name = name;
        group.size = size;
        FileCopy copy;
        copy.imageId = qint32(rs.int64(2));
        copy.itemId = qint32(rs.int64(3));
        copy.imageName = paths.imageName(copy.imageId);
        if (!paths.path(copy.imageId, qint32(rs.int64(4)), name, &copy.path)) {
            *message = engineMessage(db.lastError());
            return false;
        }
        group.copies.append(copy);
    }
    if (rs.error()) {
        *message = engineMessage(rs.error());
        return false;
    }
    if (!group.copies.isEmpty())
        found(group);
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
    // One grouping pass over every file: a name and size belongs to this image alone when none
    // of its rows lies elsewhere. Its rows of this image are then looked up by name.
    Recordset rs = db.OpenRecordset(
        QStringLiteral(
            "SELECT i.ID, i.ParentID, i.Name, i.Size "
            "FROM (SELECT Name, Size FROM Items WHERE Type=1 GROUP BY Name, Size "
            "      HAVING MIN(ImageID)=?1 AND MAX(ImageID)=?1) AS s "
            "JOIN Items AS i ON i.Name=s.Name AND i.Size=s.Size AND i.Type=1 AND i.ImageID=?1 "
            "ORDER BY i.ID"),
        {qint64(imageId)});
    if (!rs.isValid()) {
        *message = engineMessage(rs.error() ? rs.error() : db.lastError());
        return false;
    }
    FolderMap folders;
    if (!folders.load(db, imageId)) {
        *message = engineMessage(db.lastError());
        return false;
    }
    for (; !rs.Eof(); rs.MoveNext()) {
        ImageFile f;
        f.itemId = qint32(rs.int64(0));
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
