#include "mdlEject.h"

#include "mdlVolume.h"

#include <QFile>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

bool IsCdType(int typeCode) {
    return typeCode == DriveType::CdRom || typeCode == DriveType::AudioCd;
}

bool EjectCd(const QString& device) {
    if (device.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(device);
    // Non-blocking: a drive without medium must still open.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::ioctl(fd, CDROMEJECT, 0) == 0;
    ::close(fd);
    return ok;
}
