// Loads arbitrary bytes as an index file and walks it the way the import does.
#include "import/IdxWalk.h"
#include "import/mdlImportMarlovex.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IdxLoadData(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

    const int type = IdxDiskType();
    if (type < 1 || type > 6)
        std::abort();
    if (IdxSerial().size() != 8)
        std::abort();
    const QString drive = IdxStartDrive();
    if (drive.size() != 1)
        std::abort();
    (void)IdxDiskLabel();
    for (qsizetype i = -1; i <= IdxHeaderCount(); ++i)
        (void)IdxHeaderValue(i);

    IdxWalk(drive + u":\\");
    // Random headers rarely name the drive of the lines; walk the seeds' drive as well.
    if (drive != u"C")
        IdxWalk(QStringLiteral("C:\\"));
    // Whatever the walk did, the folder test must stay answerable.
    (void)IdxGetAttr(QStringLiteral("C:\\x"));
    return 0;
}
