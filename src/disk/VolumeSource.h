#pragma once

#include "disk/mdlDriveLetters.h"
#include "platform/mdlCdToc.h"
#include "platform/mdlVolume.h"

#include <QList>

#include <memory>

// Where the drive list gets its volumes: the machine, or a list a test supplies.
class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    virtual QList<VolumeInfo> volumes() = 0;
    // The table of contents of the disc in a CD drive without a mounted file system.
    virtual std::unique_ptr<TocSource> tocSource(const VolumeInfo& v) {
        return std::make_unique<DeviceTocSource>(v.device);
    }
};

class SystemVolumeSource : public VolumeSource {
public:
    QList<VolumeInfo> volumes() override { return KeyedVolumes(); }
};
