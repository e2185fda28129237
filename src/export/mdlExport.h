#pragma once

#include "ExportWriter.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>

class Database;

// What is exported: a whole image, everything below one of its folders, or chosen items (the
// Find dialog's results) of any images.
struct ExportScope {
    enum class Kind { Image, Folder, Items };
    Kind kind = Kind::Image;
    qint32 imageId = 0;
    qint32 folderId = 0;                // Folder: 0 is the root, the whole image
    QList<QPair<qint32, qint32>> items; // Items: image ID and item ID
};

// Told how many of the rows are written; false cancels.
using ExportProgress = std::function<bool(qint64 done, qint64 total)>;

enum class ExportResult { Done, Cancelled, Failed };

// Reads the rows in one pass and hands them to the writer. Paths come from a map of the
// image's folders built first, so no row costs a query of its own. Failed leaves a message for
// the user (an unknown image or folder, an engine error, a device that refused the output).
ExportResult RunExport(Database& db, const ExportScope& scope, ExportWriter& writer,
                       const ExportProgress& progress, QString* message);

// Exports to a file. The rows go to a temporary file beside it, which takes the file's name only
// when complete: a cancelled or failed export leaves an existing file as it was.
ExportResult ExportToFile(Database& db, const ExportScope& scope, ExportFormat format,
                          const QString& path, const ExportProgress& progress, QString* message);
