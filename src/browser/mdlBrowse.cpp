#include "mdlBrowse.h"

#include <QMimeDatabase>

#include <algorithm>

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
    Recordset nodes = db.OpenRecordset(QStringLiteral(
        "SELECT ID, ParentID, Name FROM Nodes ORDER BY Name COLLATE LEDRA_NOCASE, ID"));
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
    Recordset rs =
        db.OpenRecordset(QStringLiteral("SELECT ID, Name, Type, Attrib, Size, TimeM FROM Items "
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
        e.modified = rs.text(5);
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

int NaturalCompare(const QString& a, const QString& b) {
    const QChar* p = a.constData();
    const QChar* q = b.constData();
    const QChar* pe = p + a.size();
    const QChar* qe = q + b.size();
    while (p < pe && q < qe) {
        if (p->isDigit() && q->isDigit()) {
            // Leading zeros do not count; the longer run of significant digits is the larger.
            while (p < pe && *p == u'0' && p + 1 < pe && (p + 1)->isDigit())
                ++p;
            while (q < qe && *q == u'0' && q + 1 < qe && (q + 1)->isDigit())
                ++q;
            const QChar* ps = p;
            const QChar* qs = q;
            while (p < pe && p->isDigit())
                ++p;
            while (q < qe && q->isDigit())
                ++q;
            if (p - ps != q - qs)
                return (p - ps) < (q - qs) ? -1 : 1;
            for (; ps < p; ++ps, ++qs) {
                if (ps->digitValue() != qs->digitValue())
                    return ps->digitValue() < qs->digitValue() ? -1 : 1;
            }
            continue;
        }
        const char32_t x = QChar::toCaseFolded(p->unicode());
        const char32_t y = QChar::toCaseFolded(q->unicode());
        if (x != y)
            return x < y ? -1 : 1;
        ++p;
        ++q;
    }
    if (p < pe)
        return 1;
    if (q < qe)
        return -1;
    return 0;
}

QString FileTypeText(const QString& name, bool isFolder) {
    if (isFolder)
        return QStringLiteral("Folder");
    static QHash<QString, QString> cache;
    const QString ext = IconRegistryName(name, false);
    auto it = cache.constFind(ext);
    if (it != cache.constEnd())
        return it.value();
    static const QMimeDatabase mimeDb;
    const QMimeType type = mimeDb.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QString text = type.isValid() && !type.isDefault() ? type.comment() : QString();
    if (text.isEmpty())
        text = QStringLiteral("File");
    else
        text[0] = text.at(0).toUpper();
    cache.insert(ext, text);
    return text;
}

void SortListEntries(QVector<ListEntry>& entries, ListColumn column, bool descending) {
    // Type texts are looked up once per entry, not once per comparison.
    QVector<QString> types;
    if (column == ListColumn::Type) {
        types.reserve(entries.size());
        for (const ListEntry& e : std::as_const(entries))
            types.append(FileTypeText(e.name, e.folder));
    }
    QVector<int> order(entries.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    auto byColumn = [&](int i, int j) {
        const ListEntry& a = entries.at(i);
        const ListEntry& b = entries.at(j);
        switch (column) {
        case ListColumn::Name:
            return 0;
        case ListColumn::Size:
            return a.size == b.size ? 0 : a.size < b.size ? -1 : 1;
        case ListColumn::Modified:
            return a.modified.compare(b.modified);
        case ListColumn::Type:
            return NaturalCompare(types.at(i), types.at(j));
        }
        return 0;
    };
    std::stable_sort(order.begin(), order.end(), [&](int i, int j) {
        const ListEntry& a = entries.at(i);
        const ListEntry& b = entries.at(j);
        if (a.folder != b.folder)
            return a.folder;
        if (const int c = byColumn(i, j); c != 0)
            return descending ? c > 0 : c < 0;
        // Ties go by name, ascending unless the names themselves are the order asked for.
        const int byName = NaturalCompare(a.text, b.text);
        return descending && column == ListColumn::Name ? byName > 0 : byName < 0;
    });
    QVector<ListEntry> sorted;
    sorted.reserve(entries.size());
    for (int i : std::as_const(order))
        sorted.append(std::move(entries[i]));
    entries = std::move(sorted);
}
