// Loads arbitrary bytes as an index file and walks it the way the import does.
#include "import/IdxTreeSource.h"
#include "import/IdxWalk.h"
#include "import/mdlImportMarlovex.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Walks the index through the tree source the import hands to the scan: depth first, one
// listing at a time, each subfolder entered by its key and left again.
struct Walker : TreeEntrySink {
    std::vector<std::vector<std::string>> pending;
    bool entry(const TreeEntry& e) override {
        if (e.name.empty() || (e.isFolder != ((e.attrib & kIdxAttrFolder) != 0)))
            std::abort();
        if (e.isFolder)
            pending.back().emplace_back(e.key);
        return true;
    }
};

void walkSource() {
    IdxTreeSource source;
    VolumeFacts facts;
    if (!source.readVolume(facts) || facts.serialText.size() != 8 || facts.source.size() != 2)
        std::abort();
    source.openRoot();
    const QString root = source.currentPath();
    Walker w;
    w.pending.emplace_back();
    source.list({}, w);
    std::vector<size_t> next{0};
    while (!next.empty()) {
        auto& folders = w.pending.back();
        if (next.back() < folders.size()) {
            const std::string key = folders[next.back()++];
            source.enter(key);
            w.pending.emplace_back();
            next.push_back(0);
            source.list({}, w);
            continue;
        }
        w.pending.pop_back();
        next.pop_back();
        if (!next.empty())
            source.leave();
    }
    if (source.currentPath() != root)
        std::abort();
}

} // namespace

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

    walkSource();
    IdxWalk(drive + u":\\");
    // Random headers rarely name the drive of the lines; walk the seeds' drive as well.
    if (drive != u"C")
        IdxWalk(QStringLiteral("C:\\"));
    // Whatever the walk did, the folder test must stay answerable.
    (void)IdxGetAttr(QStringLiteral("C:\\x"));
    return 0;
}
