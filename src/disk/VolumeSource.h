#pragma once

#include "platform/mdlVolume.h"

#include <QList>

// Where the drive list gets its volumes: the machine, or a list a test supplies.
class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    virtual QList<VolumeInfo> volumes() = 0;
};

class SystemVolumeSource : public VolumeSource {
public:
    QList<VolumeInfo> volumes() override { return MountedVolumes(); }
};
