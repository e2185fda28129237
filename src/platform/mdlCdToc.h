#pragma once

#include <QList>
#include <QString>

#include <optional>

// One track of a disc's table of contents.
struct CdTocTrack {
    int number = 0;
    qint64 startLba = 0; // first frame, counted from the start of the program area
    bool audio = true;   // false for a data track
};

// The table of contents of a disc: its tracks in order and where the lead-out begins.
struct CdToc {
    QList<CdTocTrack> tracks;
    qint64 leadOutLba = 0;
};

// Bytes in one frame of audio (1/75 s of 16-bit stereo at 44.1 kHz).
inline constexpr qint64 kCdAudioFrameBytes = 2352;

// Where a disc's table of contents comes from: the drive, or a disc a test describes.
class TocSource {
public:
    virtual ~TocSource() = default;
    // No value when there is no readable disc.
    virtual std::optional<CdToc> readToc() = 0;
};

// The table of contents as the CD device ("/dev/sr0") reports it.
class DeviceTocSource : public TocSource {
public:
    explicit DeviceTocSource(const QString& device) : m_device(device) {}
    std::optional<CdToc> readToc() override;

private:
    QString m_device;
};

// True when the disc holds at least one audio track.
bool HasAudioTracks(const CdToc& toc);
// The audio bytes of track index i (in toc.tracks): its frames up to the next track or the
// lead-out.
qint64 TrackBytes(const CdToc& toc, qsizetype index);
// "Track01.cda" for track 1: the name under which a disc's tracks are catalogued.
QString TrackFileName(int number);
// The disc's 32-bit serial, from where its tracks and lead-out lie: the same disc always gives
// the same number, and discs that differ in any track practically never share one. Never 0,
// which stands for a volume that could not be read.
quint32 SerialFromToc(const CdToc& toc);
