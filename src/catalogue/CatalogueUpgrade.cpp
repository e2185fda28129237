#include "CatalogueUpgrade.h"

#include "mdlDatabase.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {

// The Items table as format 1 made it: names of at most 128 characters.
const QString& itemsTableVersion1() {
    static const QString sql = QStringLiteral(
        "CREATE TABLE Items (ID INTEGER, ImageID INTEGER, ParentID INTEGER, Type INTEGER, "
        "MSDOSName TEXT CONSTRAINT \"Items.MSDOSName\" CHECK(length(MSDOSName) <= 12), "
        "Name TEXT CONSTRAINT \"Items.Name\" CHECK(length(Name) <= 128), "
        "Attrib INTEGER, Size INTEGER, TimeC TEXT, TimeA TEXT, TimeM TEXT, "
        "Keywords TEXT CONSTRAINT \"Items.Keywords\" CHECK(length(Keywords) <= 64), "
        "Description TEXT CONSTRAINT \"Items.Description\" CHECK(length(Description) <= 128), "
        "Content TEXT, Comment TEXT)");
    return sql;
}

// Format 2: Items.Name holds every file name whole. A CHECK constraint cannot be altered, so the
// table is built anew and the rows copied over with their rowids, which keep the order they
// were written in (the order Find lists them).
bool widenItemName(Database& db) {
    const QString table =
        db.scalar(QStringLiteral("SELECT sql FROM sqlite_schema WHERE type='table' AND "
                                 "name='Items'"))
            .toString();
    if (db.lastError())
        return false;
    // A table that was not made by Ledra has no such limit of ours to lift.
    if (table != itemsTableVersion1())
        return true;
    // Indexes and triggers go with the old table; they are made again from their own text.
    QStringList dependents;
    {
        Recordset rs = db.OpenRecordset(
            QStringLiteral("SELECT sql FROM sqlite_schema WHERE tbl_name='Items' AND type IN "
                           "('index', 'trigger') AND sql IS NOT NULL ORDER BY type, rowid"));
        if (!rs.isValid())
            return false;
        for (; !rs.Eof(); rs.MoveNext())
            dependents << rs.text(0);
    }
    const QString columns = QStringLiteral(
        "rowid, ID, ImageID, ParentID, Type, MSDOSName, Name, Attrib, Size, TimeC, TimeA, TimeM, "
        "Keywords, Description, Content, Comment");
    // The rows met the narrower widths already; testing them again only costs time.
    db.setCheckConstraints(false);
    const bool copied =
        db.Execute(ItemsTableStatement(QStringLiteral("ItemsUpgrade"))) &&
        db.Execute(
            QStringLiteral("INSERT INTO ItemsUpgrade (%1) SELECT %1 FROM Items").arg(columns));
    db.setCheckConstraints(true);
    if (!copied || !db.Execute(QStringLiteral("DROP TABLE Items")) ||
        !db.Execute(QStringLiteral("ALTER TABLE ItemsUpgrade RENAME TO Items")))
        return false;
    for (const QString& sql : std::as_const(dependents)) {
        if (!db.Execute(sql))
            return false;
    }
    return true;
}

// The step that makes each format from the one before; format 1 only added the version mark.
using Step = bool (*)(Database&);
constexpr Step kSteps[] = {nullptr, nullptr, widenItemName};
static_assert(std::size(kSteps) == size_t(kCatalogueSchemaVersion) + 1);

} // namespace

bool UpgradeCatalogue(Database& db, qint64 fromVersion) {
    Transaction transaction(db);
    if (!transaction.isActive())
        return false;
    for (qint64 v = std::max<qint64>(fromVersion, 0) + 1; v <= kCatalogueSchemaVersion; ++v) {
        if (kSteps[v] && !kSteps[v](db))
            return false;
    }
    return db.Execute(QStringLiteral("PRAGMA user_version=%1").arg(kCatalogueSchemaVersion)) &&
           transaction.commit();
}
