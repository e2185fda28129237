#include "DiskScanSupport.h"

#include "catalogue/mdlDatabase.h"

#include <QDir>
#include <QFile>

namespace DiskTest {

void makeTree(const QString& root, const QStringList& paths) {
    for (const QString& p : paths) {
        const QString full = root + QLatin1Char('/') + p;
        if (p.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(full);
        } else {
            QDir().mkpath(QFileInfo(full).absolutePath());
            QFile f(full);
            if (f.open(QIODevice::WriteOnly))
                f.write(p.toUtf8());
        }
    }
}

Scratch::Scratch() {
    QDir().mkpath(tree);
    openNewCatalogue(catalogue);
}

bool openNewCatalogue(const QString& path) {
    CloseDatabase();
    SetDatabaseName(path);
    return OpenVerifiedDatabase(true, false) == -1;
}

QStringList itemRows(qint32 imageId) {
    QStringList rows;
    Recordset rs = db().OpenRecordset(
        QStringLiteral("SELECT ID || '|' || ParentID || '|' || Type || '|' || Name || '|' || "
                       "ifnull(Size, 0) FROM Items WHERE ImageID=? ORDER BY rowid"),
        {imageId});
    for (; !rs.Eof(); rs.MoveNext())
        rows << rs.text(0);
    return rows;
}

QString catalogueDump() {
    QStringList out;
    for (const char* sql : {"SELECT ID, Serial, NodeID, Type, Name, Date, Source, Label, "
                            "FileSystem FROM Images ORDER BY ID",
                            "SELECT * FROM Items ORDER BY ImageID, ID"}) {
        Recordset rs = db().OpenRecordset(QString::fromLatin1(sql));
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList row;
            for (int i = 0; i < rs.columnCount(); ++i)
                row << rs.value(i).toString();
            out << row.join(QLatin1Char('|'));
        }
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace DiskTest
