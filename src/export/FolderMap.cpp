#include "FolderMap.h"

#include "catalogue/Engine.h"

#include <QList>

namespace {
// Deeper chains are damaged data.
constexpr qsizetype kMaxDepth = 4096;
} // namespace

bool FolderMap::load(Database& db, qint32 imageId) {
    m_folders.clear();
    Recordset rs = db.OpenRecordset(
        QStringLiteral("SELECT ID, ParentID, Name, Size FROM Items WHERE ImageID=? AND Type=0"),
        {qint64(imageId)});
    if (!rs.isValid())
        return false;
    for (; !rs.Eof(); rs.MoveNext()) {
        const qint32 id = qint32(rs.int64(0));
        if (id == 0 && rs.int64(1) < 0)
            continue; // the root's own row is the root
        Folder& f = m_folders[id];
        f.parent = qint32(rs.int64(1));
        f.name = rs.text(2);
        f.size = rs.int64(3);
    }
    if (rs.error()) {
        db.setError(rs.error());
        return false;
    }
    // Each folder's own size counts in itself and every folder above it.
    for (auto it = m_folders.begin(); it != m_folders.end(); ++it) {
        const qint64 size = it->size;
        ++m_walk;
        for (qint32 id = it.key();;) {
            auto f = m_folders.find(id);
            if (f == m_folders.end() || f->mark == m_walk)
                break;
            f->mark = m_walk;
            f->treeSize += size;
            id = f->parent;
        }
    }
    return true;
}

const FolderMap::Folder* FolderMap::find(qint32 id) const {
    auto it = m_folders.constFind(id);
    return it == m_folders.cend() ? nullptr : &*it;
}

template <typename Known> QList<qint32> FolderMap::chainUp(qint32 id, Known known, qint32* stop) {
    QList<qint32> chain;
    ++m_walk;
    qint32 cur = id;
    for (;;) {
        auto it = m_folders.find(cur);
        if (it == m_folders.end() || it->mark == m_walk || chain.size() > kMaxDepth ||
            known(cur, *it))
            break;
        it->mark = m_walk;
        chain.append(cur);
        cur = it->parent;
    }
    *stop = cur;
    return chain;
}

QString FolderMap::path(qint32 id) {
    // Most calls ask for a folder already named.
    const auto known = m_folders.constFind(id);
    if (known == m_folders.cend())
        return QStringLiteral("/");
    if (!known->path.isNull())
        return known->path;
    qint32 stop = 0;
    const QList<qint32> chain = chainUp(
        id, [](qint32, const Folder& f) { return !f.path.isNull(); }, &stop);
    const Folder* top = find(stop);
    QString base =
        top && !top->path.isNull() && !chain.contains(stop) ? top->path : QStringLiteral("/");
    for (qsizetype k = chain.size() - 1; k >= 0; --k) {
        Folder& f = m_folders[chain.at(k)];
        f.path = base.endsWith(u'/') ? QString(base + f.name) : QString(base + u'/' + f.name);
        base = f.path;
    }
    return base;
}

QString FolderMap::itemPath(qint32 parentId, const QString& name) {
    const QString folder = path(parentId);
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}

bool FolderMap::below(qint32 id, qint32 top) {
    qint32 stop = 0;
    const QList<qint32> chain = chainUp(
        id, [top](qint32 cur, const Folder& f) { return cur == top || f.inScope >= 0; }, &stop);
    bool in = stop == top;
    if (!in && !chain.contains(stop)) {
        const Folder* f = find(stop);
        in = f && f->inScope == 1;
    }
    for (qint32 c : chain)
        m_folders[c].inScope = in ? 1 : 0;
    return in;
}

QString ImageRowsClause(Database& db, qint32 imageId) {
    const qint64 rows = db.scalar(QStringLiteral("SELECT MAX(rowid) FROM Items")).toLongLong();
    const qint64 own =
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=?"), {qint64(imageId)})
            .toLongLong();
    // Visiting rows through the index costs a look-up each; the scan reads pages in order.
    return own * 8 >= rows ? QStringLiteral("NOT INDEXED WHERE ImageID=?")
                           : QStringLiteral("WHERE ImageID=?");
}
