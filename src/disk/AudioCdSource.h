#pragma once

#include "TreeSource.h"

#include "platform/mdlCdToc.h"

#include <QByteArray>
#include <QString>

#include <optional>

// An audio CD as a tree: its root holds one file per audio track, Track01.cda, Track02.cda ...,
// each as large as the track's audio, read from the disc's table of contents. Data tracks of a
// mixed disc are not listed. There are no folders and no times.
class AudioCdSource : public TreeSource {
public:
    // toc: the disc; source: the drive letter and colon; device: the CD device, for the eject.
    AudioCdSource(TocSource& toc, const QString& source, const QString& device);

    bool readVolume(VolumeFacts& facts) override;
    bool openRoot() override;
    bool enter(std::string_view key) override;
    void leave() override {}
    bool list(const ListRequest& request, TreeEntrySink& sink) override;
    QString currentPath() const override { return m_device; }

private:
    TocSource& m_tocSource;
    QString m_source;
    QString m_device;
    std::optional<CdToc> m_toc;
    bool m_atRoot = true;
};
