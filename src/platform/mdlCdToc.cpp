#include "mdlCdToc.h"

#include <QFile>

#include <algorithm>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// FNV-1a over the bytes of a number, low byte first.
void mix(quint32& hash, quint64 value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        hash ^= quint32((value >> (8 * i)) & 0xFF);
        hash *= 16777619u;
    }
}

} // namespace

std::optional<CdToc> DeviceTocSource::readToc() {
    if (m_device.isEmpty())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(m_device);
    // Non-blocking: a drive without a disc must still open.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<CdToc> result;
    cdrom_tochdr header{};
    if (::ioctl(fd, CDROMREADTOCHDR, &header) == 0 && header.cdth_trk0 <= header.cdth_trk1) {
        CdToc toc;
        bool ok = true;
        auto entry = [fd, &ok](int track) {
            cdrom_tocentry e{};
            e.cdte_track = quint8(track);
            e.cdte_format = CDROM_LBA;
            if (::ioctl(fd, CDROMREADTOCENTRY, &e) != 0)
                ok = false;
            return e;
        };
        for (int t = header.cdth_trk0; t <= header.cdth_trk1 && ok; ++t) {
            const cdrom_tocentry e = entry(t);
            toc.tracks.append({t, qint64(e.cdte_addr.lba), (e.cdte_ctrl & CDROM_DATA_TRACK) == 0});
        }
        const cdrom_tocentry leadOut = entry(CDROM_LEADOUT);
        toc.leadOutLba = qint64(leadOut.cdte_addr.lba);
        if (ok)
            result = toc;
    }
    ::close(fd);
    return result;
}

bool HasAudioTracks(const CdToc& toc) {
    for (const CdTocTrack& t : toc.tracks) {
        if (t.audio)
            return true;
    }
    return false;
}

qint64 TrackBytes(const CdToc& toc, qsizetype index) {
    if (index < 0 || index >= toc.tracks.size())
        return 0;
    const qint64 end =
        index + 1 < toc.tracks.size() ? toc.tracks.at(index + 1).startLba : toc.leadOutLba;
    return std::max<qint64>(0, end - toc.tracks.at(index).startLba) * kCdAudioFrameBytes;
}

QString TrackFileName(int number) {
    return QStringLiteral("Track%1.cda").arg(number, 2, 10, QLatin1Char('0'));
}

quint32 SerialFromToc(const CdToc& toc) {
    quint32 hash = 2166136261u;
    mix(hash, quint64(toc.tracks.size()), 2);
    for (const CdTocTrack& t : toc.tracks) {
        mix(hash, quint64(t.number), 1);
        mix(hash, quint64(t.startLba), 4);
        mix(hash, t.audio ? 1 : 0, 1);
    }
    mix(hash, quint64(toc.leadOutLba), 4);
    return hash == 0 ? 1 : hash;
}
