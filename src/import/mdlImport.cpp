#include "import/mdlImport.h"

ImportLoad MarlovexLoad(const QString& path, const IdxPause& pause) {
    if (path.isEmpty() || !IdxIsSupported(path))
        return ImportLoad::NotSupported;
    return IdxLoad(path, pause) ? ImportLoad::Loaded : ImportLoad::Unreadable;
}

QString ImportLoadMessage(ImportLoad load) {
    switch (load) {
    case ImportLoad::NotSupported:
        return kImportNotSupported;
    case ImportLoad::Unreadable:
        return kImportUnreadable;
    case ImportLoad::Loaded:
        break;
    }
    return QString();
}

ScanFlavour ImportFlavour() {
    ScanFlavour f;
    f.clock = QStringLiteral("hh:nn:ss");
    f.summaryFromStart = true;
    f.summaryEnd = QStringLiteral(" minutes.");
    f.rootRow = true;
    f.ejectCd = false;
    return f;
}

MarlovexImport::MarlovexImport(Database& db, Ui& ui, ScanProgress* progress)
    : DiskScan(db, ui, progress, ImportFlavour()) {}

DiskScan::Result MarlovexImport::Run() {
    DrivePath = IdxTreeSource::rootPath();
    return NewDisk(m_source);
}
