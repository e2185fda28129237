#pragma once

#include "disk/mdlScan.h"
#include "import/IdxTreeSource.h"
#include "import/mdlImportMarlovex.h"

#include <QString>

// How an index file was taken in.
enum class ImportLoad { Loaded, NotSupported, Unreadable };

inline const QString kImportNotSupported = QStringLiteral("This file format is not supported!");
inline const QString kImportUnreadable = QStringLiteral("The index file could not be read.");

// IdxIsSupported, then IdxLoad. pause runs now and then while a large file loads.
ImportLoad MarlovexLoad(const QString& path, const IdxPause& pause = {});
// What to tell the user when a load failed; empty when the file was loaded.
QString ImportLoadMessage(ImportLoad load);

// The import's departures from a disk scan: "hh:nn:ss" walk clock, a root row, the summary
// timed from the start and ending in " minutes.", and no tray to open.
ScanFlavour ImportFlavour();

// The import of the index loaded last as a new image of the catalogue: the disk scan's
// procedure (overwrite question, name, Images row, counting pass, write pass, one transaction,
// Cancel as a rollback) run over the index. Its counting pass is MarlovexCollectFolder and its
// write pass MarlovexRecurFolder: the scan's two passes over an IdxTreeSource.
class MarlovexImport : public DiskScan {
public:
    MarlovexImport(Database& db, Ui& ui, ScanProgress* progress = nullptr);

    // The import proper; DrivePath is the indexed root.
    Result Run();
    QString DrivePath;

private:
    IdxTreeSource m_source;
};
