#pragma once

#include "catalogue/mdlDatabase.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace ImportTest {

// Writes an index file: the lines joined and ended by eol, as 8-bit text.
inline bool writeIndex(const QString& path, const QStringList& lines,
                       const QByteArray& eol = QByteArrayLiteral("\r\n")) {
    QByteArray bytes;
    for (const QString& l : lines)
        bytes += l.toLatin1() + eol;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The example index: fixed disk DATA with serial 12-34 at C:\, folder X holding one file.
inline QStringList threeRows() {
    return {QStringLiteral("<disktype fixed"), QStringLiteral("<Serial 12-34"),
            QStringLiteral("<DiskLabel DATA"), QStringLiteral("<StartDir C:\\"),
            QStringLiteral("C:\\X\\f.txt")};
}

// Every item but the root has a folder of its image as parent, and IDs are unique.
inline QString treeFault(qint32 imageId) {
    const QVariant orphans = db().scalar(
        QStringLiteral("SELECT COUNT(*) FROM Items i WHERE i.ImageID=?1 AND i.ID<>0 AND NOT "
                       "EXISTS (SELECT 1 FROM Items p WHERE p.ImageID=?1 AND p.ID=i.ParentID "
                       "AND p.Type=0)"),
        {imageId});
    if (orphans.toInt() != 0)
        return QStringLiteral("%1 items without a parent folder").arg(orphans.toInt());
    const QVariant roots = db().scalar(
        QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=? AND ID=0 AND ParentID=-1"),
        {imageId});
    if (roots.toInt() != 1)
        return QStringLiteral("%1 root rows").arg(roots.toInt());
    return QString();
}

} // namespace ImportTest
