#include "mdlExport.h"

#include "FolderMap.h"
#include "catalogue/Engine.h"
#include "catalogue/mdlFile.h"
#include "common/mdlConvert.h"
#include "properties/mdlProperties.h"
#include "search/mdlFind.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

// Progress is reported, and Cancel looked at, every so many rows.
constexpr qint64 kProgressEvery = 4096;

const char kItemColumns[] = "ID, ParentID, Type, Name, Size, TimeM, Attrib, Keywords, "
                            "Description, Comment";

QString engineMessage(Database& db, const Recordset* rs = nullptr) {
    const EngineError& e = rs && rs->error() ? rs->error() : db.lastError();
    return DatabaseErrorText(e.number, e.description);
}

// Fills the columns every query here reads, in kItemColumns order.
void readItem(const Recordset& rs, ExportItem* item) {
    item->id = qint32(rs.int64(0));
    item->parentId = qint32(rs.int64(1));
    item->folder = rs.int64(2) == 0;
    item->name = rs.text(3);
    item->size = rs.int64(4);
    item->treeSize = item->size;
    item->modified = rs.text(5);
    item->attrib = rs.int64(6);
    item->keywords = rs.text(7);
    item->description = rs.text(8);
    item->comment = rs.text(9);
}

ExportResult exportImage(Database& db, const ExportScope& scope, ExportWriter& writer,
                         const ExportProgress& progress, QString* message) {
    ImageProperties image;
    switch (ReadImageProperties(db, scope.imageId, &image, message)) {
    case ReadResult::Found:
        break;
    case ReadResult::Missing:
        *message = QStringLiteral("There is no image %1 in the catalogue.").arg(scope.imageId);
        return ExportResult::Failed;
    case ReadResult::Failed:
        return ExportResult::Failed;
    }
    FolderMap folders;
    if (!folders.load(db, scope.imageId)) {
        *message = engineMessage(db);
        return ExportResult::Failed;
    }
    const bool whole = scope.kind == ExportScope::Kind::Image || scope.folderId == 0;
    if (!whole && !folders.contains(scope.folderId)) {
        *message = QStringLiteral("There is no folder %1 in image %2.")
                       .arg(scope.folderId)
                       .arg(scope.imageId);
        return ExportResult::Failed;
    }

    ExportFacts facts;
    facts.title = image.name;
    for (const PropField& f : image.fields()) {
        QString label = f.label;
        if (label.endsWith(u':'))
            label.chop(1);
        facts.facts.append({label, f.text});
    }
    const qint64 total =
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=?"), {scope.imageId})
            .toLongLong();
    if (whole) {
        const QVariant bytes =
            db.scalar(QStringLiteral("SELECT SUM(Size) FROM Items WHERE ImageID=? AND Type=1"),
                      {scope.imageId});
        facts.facts.append({QStringLiteral("Total size"), SizeText(bytes.toLongLong())});
    } else {
        facts.rootId = scope.folderId;
        facts.rootPath = folders.path(scope.folderId);
        facts.facts.append({QStringLiteral("Folder"), facts.rootPath});
        facts.facts.append(
            {QStringLiteral("Total size"), SizeText(folders.find(scope.folderId)->treeSize)});
    }
    writer.begin(facts);

    // Rows come in the order they were written, which is the walk of the disk.
    Recordset rs =
        db.OpenRecordset(QStringLiteral("SELECT %1 FROM Items %2 ORDER BY rowid")
                             .arg(QLatin1String(kItemColumns), ImageRowsClause(db, scope.imageId)),
                         {scope.imageId});
    if (!rs.isValid()) {
        *message = engineMessage(db, &rs);
        return ExportResult::Failed;
    }
    const bool paths = writer.needsPaths();
    ExportItem item;
    item.imageId = scope.imageId;
    item.imageName = image.name;
    qint64 done = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        if (++done % kProgressEvery == 0 && progress && !progress(done, total))
            return ExportResult::Cancelled;
        const qint64 type = rs.int64(2);
        if (type != 0 && type != 1)
            continue;
        if (rs.int64(0) == 0 && rs.int64(1) < 0)
            continue; // the root's own row
        if (!whole && !folders.below(qint32(rs.int64(1)), scope.folderId))
            continue;
        readItem(rs, &item);
        if (item.folder) {
            if (const FolderMap::Folder* f = folders.find(item.id))
                item.treeSize = f->treeSize;
        }
        // A folder's path is the map's own, so a damaged chain names it the same everywhere.
        if (paths)
            item.path = item.folder && folders.contains(item.id)
                            ? folders.path(item.id)
                            : folders.itemPath(item.parentId, item.name);
        writer.item(item);
    }
    if (rs.error()) {
        *message = engineMessage(db, &rs);
        return ExportResult::Failed;
    }
    if (progress && !progress(total, total))
        return ExportResult::Cancelled;
    return ExportResult::Done;
}

ExportResult exportItems(Database& db, const ExportScope& scope, ExportWriter& writer,
                         const ExportProgress& progress, QString* message) {
    ExportFacts facts;
    facts.title = QStringLiteral("Find results");
    facts.severalImages = true;
    facts.facts.append({QStringLiteral("Catalogue"), QFileInfo(db.path()).fileName()});
    facts.facts.append({QStringLiteral("Items"), QString::number(scope.items.size())});
    writer.begin(facts);

    QHash<qint32, QString> imageNames;
    const qint64 total = scope.items.size();
    qint64 done = 0;
    for (const auto& [imageId, itemId] : scope.items) {
        if (++done % 64 == 0 && progress && !progress(done, total))
            return ExportResult::Cancelled;
        Recordset rs =
            db.OpenRecordset(QStringLiteral("SELECT %1 FROM Items WHERE ID=? AND ImageID=?")
                                 .arg(QLatin1String(kItemColumns)),
                             {qint64(itemId), qint64(imageId)});
        if (!rs.isValid()) {
            *message = engineMessage(db, &rs);
            return ExportResult::Failed;
        }
        if (rs.Eof())
            continue; // deleted since it was found
        ExportItem item;
        readItem(rs, &item);
        item.imageId = imageId;
        if (!imageNames.contains(imageId))
            imageNames.insert(imageId, db.scalar(QStringLiteral("SELECT Name FROM Images WHERE "
                                                                "ID=?"),
                                                 {qint64(imageId)})
                                           .toString());
        item.imageName = imageNames.value(imageId);
        item.path = ItemFullPath(db, imageId, item.parentId, item.id, item.name);
        writer.item(item);
    }
    if (progress && !progress(total, total))
        return ExportResult::Cancelled;
    return ExportResult::Done;
}

} // namespace

ExportResult RunExport(Database& db, const ExportScope& scope, ExportWriter& writer,
                       const ExportProgress& progress, QString* message) {
    const ExportResult r = scope.kind == ExportScope::Kind::Items
                               ? exportItems(db, scope, writer, progress, message)
                               : exportImage(db, scope, writer, progress, message);
    if (r != ExportResult::Done)
        return r;
    if (!writer.finish()) {
        *message = QStringLiteral("The export could not be written.");
        return ExportResult::Failed;
    }
    return ExportResult::Done;
}

ExportResult ExportToFile(Database& db, const ExportScope& scope, ExportFormat format,
                          const QString& path, const ExportProgress& progress, QString* message) {
    QSaveFile file(path);
    // A file that cannot be replaced in one step is not written through in place either.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        *message = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        return ExportResult::Failed;
    }
    std::unique_ptr<ExportWriter> writer = MakeExportWriter(format, &file);
    const ExportResult r = RunExport(db, scope, *writer, progress, message);
    if (r != ExportResult::Done) {
        file.cancelWriting();
        return r;
    }
    if (!file.commit()) {
        *message = QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
        return ExportResult::Failed;
    }
    return ExportResult::Done;
}
