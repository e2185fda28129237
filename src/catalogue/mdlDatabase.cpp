#include "mdlDatabase.h"

#include "CatalogueUpgrade.h"
#include "common/mdlPath.h"
#include "common/mdlTrim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

namespace {

// The schema, in the order the statements run. Column widths are CHECK constraints named after
// the field, so that a refusal names it. Keywords and Description are indexed only where they
// hold a value: a scan writes them empty, and every index costs time on each row it writes.
const QStringList& schemaStatements() {
    static const QStringList statements = {
        ItemsTableStatement(QStringLiteral("Items")),
        QStringLiteral("CREATE UNIQUE INDEX pkItemImageID ON Items(ID, ImageID)"),
        // ImageID leads, ParentID follows: the same index lists one folder of one image.
        QStringLiteral("CREATE INDEX inItemImageID ON Items(ImageID, ParentID)"),
        QStringLiteral("CREATE INDEX inItemParentID ON Items(ParentID)"),
        QStringLiteral("CREATE INDEX inItemTypeName ON Items(Type ASC, Name ASC)"),
        QStringLiteral("CREATE INDEX inItemName ON Items(Name)"),
        QStringLiteral("CREATE INDEX inItemSize ON Items(Size)"),
        QStringLiteral("CREATE INDEX inItemKeywords ON Items(Keywords) WHERE Keywords IS NOT NULL"),
        QStringLiteral("CREATE INDEX inItemDescription ON Items(Description) "
                       "WHERE Description IS NOT NULL"),
        QStringLiteral(
            "CREATE TABLE Images (ID INTEGER CONSTRAINT pkImageID PRIMARY KEY, "
            "Serial TEXT CONSTRAINT \"Images.Serial\" CHECK(length(Serial) <= 8), "
            "NodeID INTEGER, Type INTEGER, "
            "Name TEXT CONSTRAINT \"Images.Name\" CHECK(length(Name) <= 64), "
            "Date TEXT, "
            "Source TEXT CONSTRAINT \"Images.Source\" CHECK(length(Source) <= 2), "
            "Label TEXT CONSTRAINT \"Images.Label\" CHECK(length(Label) <= 32), "
            "FileSystem TEXT CONSTRAINT \"Images.FileSystem\" CHECK(length(FileSystem) <= 16), "
            "Comment TEXT)"),
        QStringLiteral("CREATE TABLE Nodes (ID INTEGER CONSTRAINT pkNodeID PRIMARY KEY, "
                       "ParentID INTEGER, "
                       "Name TEXT CONSTRAINT \"Nodes.Name\" CHECK(length(Name) <= 64), "
                       "Comment TEXT)"),
        QStringLiteral("CREATE INDEX inNodeParent ON Nodes(ParentID)"),
        QStringLiteral("PRAGMA application_id=%1").arg(kCatalogueApplicationId),
        QStringLiteral("PRAGMA user_version=%1").arg(kCatalogueSchemaVersion),
    };
    return statements;
}

// Each probe names every column its table must have.
const QStringList& probes() {
    static const QStringList list = {
        QStringLiteral("SELECT ID, ImageID, ParentID, Type, MSDOSName, Name, Attrib, Size, TimeC, "
                       "TimeA, TimeM, Keywords, Description, Content, Comment FROM Items LIMIT 1"),
        QStringLiteral("SELECT ID, Serial, NodeID, Type, Name, Date, Source, Label, FileSystem, "
                       "Comment FROM Images LIMIT 1"),
        QStringLiteral("SELECT ID, ParentID, Name, Comment FROM Nodes LIMIT 1"),
    };
    return list;
}

const char* const kNameIndexTables[] = {
    // Posting lists of one image, one row per run of three characters and segment.
    "CREATE TABLE IF NOT EXISTS NameGrams (ImageID INTEGER NOT NULL, Gram INTEGER NOT NULL, "
    "First INTEGER NOT NULL, Postings BLOB NOT NULL, PRIMARY KEY (ImageID, Gram, First)) "
    "WITHOUT ROWID",
    // One row per indexed image; an image without one is searched by reading its names. The
    // entries name rows by their numbers, which hold only while the Items table is the one they
    // were made from: ItemsRoot is that table's first page, which changes when it is made anew.
    "CREATE TABLE IF NOT EXISTS NameIndexImages (ImageID INTEGER PRIMARY KEY, "
    "Items INTEGER NOT NULL, ItemsRoot INTEGER NOT NULL)",
};

} // namespace

QString ItemsTableStatement(const QString& table) {
    return QStringLiteral(
               "CREATE TABLE %1 (ID INTEGER, ImageID INTEGER, ParentID INTEGER, Type INTEGER, "
               "MSDOSName TEXT CONSTRAINT \"Items.MSDOSName\" CHECK(length(MSDOSName) <= 12), "
               "Name TEXT CONSTRAINT \"Items.Name\" CHECK(length(Name) <= %2), "
               "Attrib INTEGER, Size INTEGER, TimeC TEXT, TimeA TEXT, TimeM TEXT, "
               "Keywords TEXT CONSTRAINT \"Items.Keywords\" CHECK(length(Keywords) <= 64), "
               "Description TEXT CONSTRAINT \"Items.Description\" "
               "CHECK(length(Description) <= 128), "
               "Content TEXT, Comment TEXT)")
        .arg(table)
        .arg(kItemNameChars);
}

bool CreateNameIndexTables(Database& d, EngineError* error) {
    for (const char* sql : kNameIndexTables) {
        if (!d.Execute(QLatin1String(sql))) {
            if (error)
                *error = d.lastError();
            return false;
        }
    }
    return true;
}

CatalogueHook& WritableOpenHook() {
    static CatalogueHook hook = nullptr;
    return hook;
}

CatalogueHook& CompactedHook() {
    static CatalogueHook hook = nullptr;
    return hook;
}

bool DropNameIndexEntries(Database& d, qint32 imageId, EngineError* error) {
    for (const char* sql :
         {"DELETE FROM NameGrams WHERE ImageID=?", "DELETE FROM NameIndexImages WHERE ImageID=?"}) {
        if (!d.Execute(QLatin1String(sql), {imageId})) {
            if (error)
                *error = d.lastError();
            return false;
        }
    }
    return true;
}

ImageIndexHook& ImageWrittenHook() {
    static ImageIndexHook hook = nullptr;
    return hook;
}

OpenCatalogueState& catalogue() {
    static OpenCatalogueState state;
    return state;
}

void SetDatabaseName(const QString& path) {
    catalogue().path = path;
}

namespace {

// The folders of a path that do not exist yet, deepest first.
QStringList missingFolders(const QString& folder) {
    QStringList missing;
    QString f = QDir::cleanPath(folder);
    while (!f.isEmpty() && f != QLatin1String("/") && !QFileInfo(f).exists()) {
        missing.append(f);
        f = QFileInfo(f).path();
    }
    return missing;
}

} // namespace

qint32 CreateNewDatabase() {
    Database& d = db();
    d.clearError();
    const QString path = catalogue().path;
    const QStringList madeFolders = missingFolders(QFileInfo(path).absolutePath());
    const bool existed = QFileInfo::exists(path);
    MakeFolders(ParentFolder(path));
    qint32 last = 0;
    if (!d.open(path, Database::OpenMode::Create)) {
        last = d.lastError().number;
    } else {
        // One transaction: a catalogue that cannot be built whole is left empty, never half-made.
        Transaction t(d);
        for (const QString& sql : schemaStatements()) {
            if (!d.Execute(sql))
                last = d.lastError().number;
        }
        if (last == 0 && !CreateNameIndexTables(d))
            last = d.lastError().number;
        if (last == 0 && !t.commit())
            last = d.lastError().number;
    }
    if (last != 0 && !existed) {
        // An empty file would later read as "not in required format": leave nothing behind.
        const QString file = d.filePath().isEmpty() ? path : d.filePath();
        const EngineError kept = d.lastError();
        d.close();
        QFile::remove(file);
        QFile::remove(file + QStringLiteral("-journal"));
        for (const QString& folder : madeFolders)
            QDir().rmdir(folder);
        d.setError(kept);
    }
    return last;
}

qint32 OpenVerifiedDatabase(bool creationAllowed, bool readOnly) {
    OpenCatalogueState& c = catalogue();
    Database& d = c.db;
    d.clearError();
    // The folders are made only when a new file is built, so a wrong path reports "not a valid
    // path" and a failed build can take away what it made.
    const bool opened =
        d.open(c.path, readOnly ? Database::OpenMode::ReadOnly : Database::OpenMode::ReadWrite);
    if (!opened) {
        const int err = d.lastError().number;
        if (err == EngineErr::FileNotFound || err == EngineErr::InvalidPath) {
            // Only a caller that allows creation gets a new file: read-only alone never builds one.
            if (creationAllowed) {
                const qint32 r = CreateNewDatabase();
                c.readOnly = readOnly;
                return r == 0 ? -1 : r;
            }
        }
        return err;
    }
    qint32 last = 0;
    for (const QString& sql : probes()) {
        Recordset rs = d.OpenRecordset(sql);
        if (!rs.isValid())
            last = rs.error().number;
    }
    if (last == 0) {
        const qint64 version = d.scalar(QStringLiteral("PRAGMA user_version")).toLongLong();
        if (version > kCatalogueSchemaVersion) {
            d.setError({EngineErr::NewerFormat,
                        QStringLiteral("The catalogue was made by a newer version of Ledra "
                                       "(format %1).")
                            .arg(version)});
            last = EngineErr::NewerFormat;
        } else if (version < kCatalogueSchemaVersion && !readOnly &&
                   sqlite3_db_readonly(d.handle(), "main") == 0) {
            // Reading needs no upgrade, so a file that cannot be written (a read-only open, a
            // write-protected file) is read as it is; a writable one is upgraded before use.
            if (!UpgradeCatalogue(d, version))
                last = d.lastError().number;
        }
    }
    // A catalogue from before the name index gets its (empty) tables on its first writable
    // open; a failure here is not the open's: the search then reads the names.
    if (last == 0 && !readOnly) {
        CreateNameIndexTables(d);
        d.clearError();
    }
    c.readOnly = readOnly;
    return last;
}

void CloseDatabase() {
    OpenCatalogueState& c = catalogue();
    c.path.clear();
    c.db.close();
}

qint32 NewID(const QString& table) {
    // The table name is one of ours, never user text.
    Q_ASSERT(table == QLatin1String("Nodes") || table == QLatin1String("Images"));
    const QVariant max = db().scalar(QStringLiteral("SELECT MAX(ID) AS MaxID FROM %1").arg(table));
    return NullToLong(max) + 1;
}

QString LastErrorDescription() {
    return db().lastError().description;
}
