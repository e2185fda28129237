#pragma once

#include "catalogue/mdlDatabase.h"
#include "disk/FolderSource.h"
#include "disk/mdlUpdate.h"

#include <QHash>
#include <QStringList>

namespace UpdateTest {

// A folder whose volume facts are fixed, so that tests do not depend on the machine's volumes.
class FixedSource : public FolderSource {
public:
    explicit FixedSource(const QString& root, const QString& label = QStringLiteral("DISK"),
                         quint32 serial = 0x1234)
        : FolderSource(root) {
        volumeReader = [label, serial](VolumeFacts& f) {
            f.serial = serial;
            f.label = label;
            f.fileSystem = QStringLiteral("ext4");
            f.typeCode = 2;
            f.source = QStringLiteral("D:");
            f.place = QStringLiteral("/media/disk");
            return true;
        };
    }
};

inline ScanOptions quiet(bool times = false) {
    ScanOptions o;
    o.displaySummary = false;
    o.scanTime = times;
    return o;
}

// "path|type|size|attrib|short name|times" of every item, sorted: the same for an updated image
// and a fresh scan of the same tree.
inline QStringList pathRows(qint32 imageId) {
    struct Row {
        qint64 parent;
        QString name, rest;
    };
    QHash<qint64, Row> rows;
    Recordset rs = db().OpenRecordset(
        QStringLiteral("SELECT ID, ParentID, Name, Type || '|' || Size || '|' || Attrib || '|' || "
                       "ifnull(MSDOSName,'null') || '|' || ifnull(TimeC,'') || ifnull(TimeA,'') "
                       "|| ifnull(TimeM,'') FROM Items WHERE ImageID=? AND ParentID<>-1"),
        {imageId});
    for (; !rs.Eof(); rs.MoveNext())
        rows.insert(rs.int64(0), {rs.int64(1), rs.text(2), rs.text(3)});
    QStringList out;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        QString path = it->name;
        for (qint64 p = it->parent; rows.contains(p); p = rows.value(p).parent)
            path = rows.value(p).name + QLatin1Char('/') + path;
        out << QLatin1Char('/') + path + QLatin1Char('|') + it->rest;
    }
    out.sort();
    return out;
}

// The differences as the command line prints them, sorted.
inline QStringList diffLines(const ImageUpdate& u) {
    static const char* const marks[] = {"+", "-", "~", ">"};
    QStringList out;
    for (const ImageUpdate::Difference& d : u.differences()) {
        QString line = QLatin1String(marks[int(d.kind)]) + QLatin1Char(' ');
        if (d.kind == ImageUpdate::Kind::Moved)
            line += QString::fromStdString(u.movedFrom(d)) + QLatin1Char(' ');
        out << line + QString::fromStdString(u.pathOf(d));
    }
    out.sort();
    return out;
}

} // namespace UpdateTest
