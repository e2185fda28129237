#include "mdlEject.h"

#include "mdlVolume.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

QString canonical(const QString& path) {
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

// True when the device's own file system is what is mounted at mountPoint: nothing else is
// ever unmounted.
bool mountedThere(const QString& device, const QString& mountPoint) {
    const QStorageInfo info(mountPoint);
    return info.isValid() && info.rootPath() == mountPoint &&
           canonical(QString::fromLocal8Bit(info.device())) == canonical(device);
}

QString failure(const QString& device, const QString& why) {
    return QStringLiteral("The disc in %1 could not be ejected: %2.").arg(device, why);
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Empty when the file system at mountPoint is no longer mounted there.
QString unmount(const QString& mountPoint) {
    const QByteArray path = QFile::encodeName(mountPoint);
    if (::umount2(path.constData(), 0) == 0)
        return {};
    const int error = errno;
    if (error == EINVAL || error == ENOENT)
        return {}; // not (or no longer) a mount point
    // A user's own mounts (fstab "user", removable media) go through the set-uid tool.
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("umount"));
    if (!tool.isEmpty()) {
        QProcess p;
        p.start(tool, {mountPoint});
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return {};
        const QString said = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        if (!said.isEmpty())
            return said;
    }
    return errorText(error);
}

} // namespace

bool IsCdType(int typeCode) {
    return typeCode == DriveType::CdRom || typeCode == DriveType::AudioCd;
}

QString EjectDisc(const QString& device, const QString& mountPoint) {
    if (device.isEmpty())
        return failure(QStringLiteral("the drive"), QStringLiteral("the drive has no CD device"));
    if (!mountPoint.isEmpty() && mountedThere(device, mountPoint)) {
        const QString why = unmount(mountPoint);
        if (!why.isEmpty())
            return failure(device, mountPoint + QStringLiteral(" could not be unmounted (") + why +
                                       QLatin1Char(')'));
    }
    const QByteArray path = QFile::encodeName(device);
    // Non-blocking: a drive without medium must still open.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failure(device, errorText(errno));
    const bool ok = ::ioctl(fd, CDROMEJECT, 0) == 0;
    const int error = errno;
    ::close(fd);
    return ok ? QString() : failure(device, errorText(error));
}
