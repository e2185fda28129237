#pragma once

#include "catalogue/mdlDatabase.h"
#include "disk/FolderSource.h"
#include "disk/mdlUpdate.h"

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
    Recordset rs = db().OpenRecordset(
        QStringLiteral("WITH RECURSIVE p(ID, Path) AS (SELECT ID, '/' || Name FROM Items WHERE "
                       "ImageID=?1 AND ParentID=0 UNION ALL SELECT i.ID, p.Path || '/' || i.Name "
                       "FROM Items i JOIN p ON i.ParentID=p.ID WHERE i.ImageID=?1) "
                       "SELECT Path || '|' || Type || '|' || Size || '|' || Attrib || '|' || "
                       "ifnull(MSDOSName,'null') || '|' || ifnull(TimeC,'') || ifnull(TimeA,'') "
                       "|| ifnull(TimeM,'') FROM p JOIN Items i ON i.ID=p.ID AND i.ImageID=?1"),
        {imageId});
    QStringList out;
    for (; !rs.Eof(); rs.MoveNext())
        out << rs.text(0);
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
