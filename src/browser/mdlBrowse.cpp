#include "mdlBrowse.h"

#include "catalogue/Engine.h"
#include "common/mdlTrim.h"

#include <QHash>
#include <QSet>

namespace {

bool hasPicture(qint64 type) {
    return (type >= 1 && type <= 6) || type == kAudioCdType;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

QString ImagePictureKey(qint64 type) {
    return QStringLiteral("T") + QString::number(hasPicture(type) ? type : 1);
}

qint32 ImageTypeOfIconKey(const QString& iconKey) {
    return KeyToID(iconKey);
}

QVector<CatalogueEntry> ReadCatalogueTree(Database& db) {
    struct Node {
        qint64 id;
        QString name;
    };
    struct Image {
        qint64 id;
        QString name;
        qint64 type;
    };
    // Two statements instead of one per node: the groups keep the engine's name order.
    QHash<qint64, QVector<Node>> childNodes;
    Recordset nodes = db.OpenRecordset(
        QStringLiteral("SELECT ID, ParentID, Name FROM Nodes ORDER BY Name COLLATE LEDRA_NOCASE, ID"));
    for (; nodes.isValid() && !nodes.Eof(); nodes.MoveNext())
        childNodes[nodes.int64(1)].append({nodes.int64(0), nodes.text(2)});
    QHash<qint64, QVector<Image>> images;
    Recordset rs = db.OpenRecordset(QStringLiteral(
        "SELECT ID, NodeID, Name, Type FROM Images ORDER BY Name COLLATE LEDRA_NOCASE, ID"));
    for (; rs.isValid() && !rs.Eof(); rs.MoveNext())
        images[rs.int64(1)].append({rs.int64(0), rs.text(2), rs.int64(3)});

    QVector<CatalogueEntry> out;
    QSet<qint64> visited;
    // An explicit stack: a hostile catalogue may nest nodes deeper than the call stack allows.
    struct Frame {
        qint64 parentId;
        int depth;
        int next; // next child node to visit; past the end the images follow
    };
    auto addImages = [&](qint64 nodeId, int depth) {
        const QString parentKey = nodeId == 0 ? QString() : QStringLiteral("N%1").arg(nodeId);
        for (const Image& im : images.value(nodeId))
            out.append({QStringLiteral("I%1").arg(im.id), im.name,
                        QStringLiteral("T%1").arg(im.type), parentKey, depth});
    };
    QVector<Frame> stack{{0, 0, 0}};
    visited.insert(0);
    while (!stack.isEmpty()) {
        Frame& f = stack.last();
        const QVector<Node>& kids = childNodes[f.parentId];
        if (f.next >= kids.size()) {
            addImages(f.parentId, f.depth);
            stack.removeLast();
            continue;
        }
        const Node& n = kids.at(f.next++);
        // ID 0 would stand for the top level itself, and a node that names itself or a
        // descendant as parent is shown once.
        if (n.id == 0 || visited.contains(n.id))
            continue;
        visited.insert(n.id);
        out.append({QStringLiteral("N%1").arg(n.id), n.name, QStringLiteral("NodeC"),
                    f.parentId == 0 ? QString() : QStringLiteral("N%1").arg(f.parentId), f.depth});
        stack.append({n.id, f.depth + 1, 0});
    }
    return out;
}

std::optional<ImageRoot> ReadImageRoot(Database& db, qint32 imageId) {
    Recordset rs = db.OpenRecordset(
        QStringLiteral("SELECT Type, Source, Label FROM Images WHERE ID=?"), {imageId});
    if (!rs.isValid() || rs.Eof())
        return std::nullopt;
    ImageRoot root;
    const qint64 type = rs.int64(0);
    root.type = hasPicture(type) ? qint32(type) : 1;
    root.text = rs.text(2) + QStringLiteral(" [") + rs.text(1) + QStringLiteral("]");
    return root;
}

QVector<FolderRow> ReadAllFolders(Database& db, qint32 imageId) {
    QVector<FolderRow> rows;
    Recordset rs = db.OpenRecordset(
        QStringLiteral("SELECT ID, ParentID, Name FROM Items WHERE ImageID=? AND Type=0 "
                       "ORDER BY ParentID, Name COLLATE LEDRA_NOCASE"),
        {imageId});
    for (; rs.isValid() && !rs.Eof(); rs.MoveNext())
        rows.append({qint32(rs.int64(0)), qint32(rs.int64(1)), rs.text(2), false});
    return rows;
}

QVector<FolderRow> ReadChildFolders(Database& db, qint32 imageId, qint32 parentId,
                                    bool detectSubfolders) {
    QVector<FolderRow> rows;
    // One statement with the subfolder test folded in, rather than one count per folder.
    const QString sql =
        detectSubfolders
            ? QStringLiteral("SELECT i.ID, i.ParentID, i.Name, EXISTS(SELECT 1 FROM Items c "
                             "WHERE c.ImageID=i.ImageID AND c.ParentID=i.ID AND c.Type=0) "
                             "FROM Items i WHERE i.ImageID=? AND i.Type=0 AND i.ParentID=? "
                             "ORDER BY i.Name COLLATE LEDRA_NOCASE")
            : QStringLiteral("SELECT ID, ParentID, Name, 0 FROM Items "
                             "WHERE ImageID=? AND Type=0 AND ParentID=? "
                             "ORDER BY Name COLLATE LEDRA_NOCASE");
    Recordset rs = db.OpenRecordset(sql, {imageId, parentId});
    for (; rs.isValid() && !rs.Eof(); rs.MoveNext())
        rows.append({qint32(rs.int64(0)), qint32(rs.int64(1)), rs.text(2), rs.int64(3) != 0});
    return rows;
}

QVector<ListEntry> ReadFolderContents(Database& db, qint32 imageId, qint32 imageType,
                                      qint32 parentId) {
    QVector<ListEntry> out;
    Recordset rs = db.OpenRecordset(QStringLiteral("SELECT ID, Name, Type, Attrib, Size FROM Items "
                                                   "WHERE ImageID=? AND ParentID=? "
                                                   "ORDER BY Type, Name COLLATE LEDRA_NOCASE"),
                                    {imageId, parentId});
    for (; rs.isValid() && !rs.Eof(); rs.MoveNext()) {
        const qint64 type = rs.int64(2);
        if (type != 0 && type != 1)
            continue;
        ListEntry e;
        e.folder = type == 0;
        const qint64 id = rs.int64(0);
        e.key = (e.folder ? QStringLiteral("F") : QStringLiteral("K")) + QString::number(id);
        e.name = rs.text(1);
        e.text = !e.folder && imageType == kAudioCdType ? TrackText(e.name) : e.name;
        e.attrib = rs.int64(3);
        e.ghosted = !rs.isNull(3) && (e.attrib & 6) != 0;
        e.size = rs.int64(4);
        out.append(std::move(e));
    }
    return out;
}

std::optional<qint32> ReadParentFolder(Database& db, qint32 imageId, qint32 folderId) {
    // The root has no parent, even in an imported image that stores a row for it.
    if (folderId == 0)
        return std::nullopt;
    Recordset rs = db.OpenRecordset(
        QStringLiteral("SELECT ParentID FROM Items WHERE ImageID=? AND ID=?"), {imageId, folderId});
    if (!rs.isValid() || rs.Eof())
        return std::nullopt;
    const qint64 parent = rs.int64(0);
    if (parent < 0)
        return 0;
    return qint32(parent);
}

QString TrackText(const QString& name) {
    // "Track##.cda"
    if (name.size() == 11 && name.startsWith(QLatin1String("Track")) && isDigit(name.at(5)) &&
        isDigit(name.at(6)) && name.endsWith(QLatin1String(".cda")))
        return name.left(7);
    // "##: *.cda"
    if (name.size() >= 8 && isDigit(name.at(0)) && isDigit(name.at(1)) && name.at(2) == u':' &&
        name.at(3) == u' ' && name.endsWith(QLatin1String(".cda")))
        return name.mid(4, name.size() - 8);
    return name;
}

QString IconRegistryName(const QString& name, bool isFolder) {
    if (isFolder)
        return QStringLiteral("Folder");
    return QStringLiteral(".") + TextAfterLast(name, QStringLiteral("."));
}
