#pragma once

#include "ScriptedUi.h"

#include "disk/VolumeSource.h"
#include "disk/mdlScan.h"

#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// A scripted Ui that can act inside a pause (press Cancel at a chosen moment).
class PauseHookUi : public ScriptedUi {
public:
    std::function<void()> onPause;
    void processEvents() override {
        ScriptedUi::processEvents();
        if (onPause)
            onPause();
    }
};

// Records every progress call as "what=value", in order.
class RecordingProgress : public ScanProgress {
public:
    QStringList log;
    bool listing = false;
    void setFolderText(const QString& t) override { log << QStringLiteral("folder=") + t; }
    void setTimeText(const QString& t) override { log << QStringLiteral("time=") + t; }
    void setMaximum(qint64 m) override { log << QStringLiteral("max=%1").arg(m); }
    void setScanned(qint64 v) override { log << QStringLiteral("scanned=%1").arg(v); }
    void setScannedTip(const QString& t) override { log << QStringLiteral("scannedTip=") + t; }
    void setWritten(qint64 v) override { log << QStringLiteral("written=%1").arg(v); }
    void setWrittenTip(const QString& t) override { log << QStringLiteral("writtenTip=") + t; }
    void showListing(bool l) override {
        listing = l;
        log << QStringLiteral("listing=%1").arg(l);
    }
    QStringList matching(const QString& prefix) const {
        QStringList out;
        for (const QString& s : log) {
            if (s.startsWith(prefix))
                out << s;
        }
        return out;
    }
};

// The volumes a test lists, and the disc in a CD drive without a file system (none: no disc).
class ListVolumes : public VolumeSource {
    class FixedToc : public TocSource {
    public:
        explicit FixedToc(std::optional<CdToc> toc) : m_toc(std::move(toc)) {}
        std::optional<CdToc> readToc() override { return m_toc; }

    private:
        std::optional<CdToc> m_toc;
    };

public:
    QList<VolumeInfo> list;
    std::optional<CdToc> disc;
    QList<VolumeInfo> volumes() override { return list; }
    std::unique_ptr<TocSource> tocSource(const VolumeInfo&) override {
        return std::make_unique<FixedToc>(disc);
    }
};

namespace DiskTest {
// A temporary folder holding an empty folder "tree" and a new catalogue, open as the process's.
struct Scratch {
    QTemporaryDir temp;
    QString tree = temp.path() + QStringLiteral("/tree");
    QString catalogue = temp.path() + QStringLiteral("/c.ldr");
    Scratch();
};
// Makes files (names ending in "/" are folders) under root; file text is its own path.
void makeTree(const QString& root, const QStringList& paths);
// Opens a new empty catalogue in dir as the process's catalogue.
bool openNewCatalogue(const QString& path);
// "ID|ParentID|Type|Name|Size" of every item of the image, in the order written.
QStringList itemRows(qint32 imageId);
// A checksum of the whole catalogue's contents, to prove it unchanged.
QString catalogueDump();
} // namespace DiskTest
