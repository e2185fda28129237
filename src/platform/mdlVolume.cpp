#include "mdlVolume.h"

#include "mdlCdToc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStorageInfo>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

bool isHex(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isUnder(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// Canonical device path -> UUID, from the links udev keeps.
QHash<QString, QString> uuidsByDevice() {
    QHash<QString, QString> map;
    const QDir dir(QStringLiteral("/dev/disk/by-uuid"));
    const QFileInfoList links =
        dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& link : links) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty())
            map.insert(target, link.fileName());
    }
    return map;
}

// The block device's "removable" flag, looked up on the partition's disk when needed. USB
// drives that call themselves fixed are still removable to the user.
bool isRemovableDevice(const QString& canonicalDevice) {
    if (!canonicalDevice.startsWith(QLatin1String("/dev/")))
        return false;
    const QString name = canonicalDevice.mid(5);
    if (name.contains(QLatin1Char('/')))
        return false;
    const QString sysPath =
        QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (sysPath.isEmpty())
        return false;
    for (const QString& dir : {sysPath, QFileInfo(sysPath).absolutePath()}) {
        QFile f(dir + QStringLiteral("/removable"));
        if (f.open(QIODevice::ReadOnly))
            return f.readAll().trimmed() == "1" || sysPath.contains(QLatin1String("/usb"));
    }
    return sysPath.contains(QLatin1String("/usb"));
}

QString canonicalDevice(const QString& device) {
    if (!device.startsWith(QLatin1Char('/')))
        return device;
    const QString c = QFileInfo(device).canonicalFilePath();
    return c.isEmpty() ? device : c;
}

// FNV-1a, 32 bits.
void mix(quint32& hash, const QByteArray& bytes) {
    for (char c : bytes) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
}

VolumeInfo volumeOf(const QStorageInfo& s, const QHash<QString, QString>& uuids) {
    VolumeInfo v;
    v.mountPoint = s.rootPath();
    v.device = QString::fromLocal8Bit(s.device());
    v.fileSystem = QString::fromLatin1(s.fileSystemType());
    v.label = s.name();
    const QString dev = canonicalDevice(v.device);
    v.serial = SerialFromUuid(uuids.value(dev), v.fileSystem);
    if (v.serial == 0) {
        VolumeIdentity id;
        struct statfs st {};
        id.readable = ::statfs(QFile::encodeName(v.mountPoint).constData(), &st) == 0;
        quint32 parts[2];
        static_assert(sizeof(parts) == sizeof(st.f_fsid));
        std::memcpy(parts, &st.f_fsid, sizeof(parts));
        id.fsid = (quint64(parts[0]) << 32) | parts[1];
        id.fileSystem = v.fileSystem;
        id.source = v.device;
        id.label = v.label;
        id.mountPoint = v.mountPoint;
        v.serial = DerivedSerial(id);
    }
    v.typeCode = DriveTypeFor(v.fileSystem, dev, isRemovableDevice(dev));
    return v;
}

// The state of a CD drive that has no mounted file system.
VolumeInfo unmountedCd(const QString& device) {
    VolumeInfo v;
    v.device = device;
    v.typeCode = DriveType::CdRom;
    const QByteArray path = QFile::encodeName(device);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        if (::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT) == CDS_DISC_OK &&
            ::ioctl(fd, CDROM_DISC_STATUS, 0) == CDS_AUDIO) {
            v.typeCode = DriveType::AudioCd;
            v.label = QStringLiteral("Audio CD");
            v.fileSystem = QStringLiteral("CDDA");
        }
        ::close(fd);
    }
    if (v.typeCode == DriveType::AudioCd) {
        // An audio disc is known by its table of contents.
        const std::optional<CdToc> toc = DeviceTocSource(device).readToc();
        if (toc)
            v.serial = SerialFromToc(*toc);
    }
    return v;
}

} // namespace

QString DriveTypeText(int code) {
    switch (code) {
    case DriveType::Removable:
        return QStringLiteral("Removable disk");
    case DriveType::Fixed:
        return QStringLiteral("Fixed disk");
    case DriveType::Remote:
        return QStringLiteral("Remote disk");
    case DriveType::CdRom:
    case DriveType::AudioCd:
        return QStringLiteral("CDROM");
    case DriveType::RamDisk:
        return QStringLiteral("RAM disk");
    default:
        return QStringLiteral("Unknown disk type");
    }
}

QString SerialText(quint32 serial) {
    return QStringLiteral("%1").arg(serial, 8, 16, QLatin1Char('0')).toUpper();
}

quint32 SerialFromUuid(const QString& uuid, const QString& fileSystem) {
    QString digits;
    digits.reserve(uuid.size());
    for (QChar c : uuid) {
        if (isHex(c))
            digits.append(c);
    }
    if (digits.isEmpty())
        return 0;
    const bool ntfs = fileSystem.startsWith(QLatin1String("ntfs")) ||
                      (digits.size() == 16 && !uuid.contains(QLatin1Char('-')));
    const QString part = ntfs ? digits.right(8) : digits.left(8);
    return part.toUInt(nullptr, 16);
}

quint32 DerivedSerial(const VolumeIdentity& id) {
    if (!id.readable)
        return 0;
    const bool network =
        id.source.contains(QLatin1Char(':')) || id.source.startsWith(QLatin1String("//"));
    quint32 hash = 2166136261u;
    const QByteArray zero(1, '\0');
    mix(hash, id.fileSystem.toUtf8() + zero);
    mix(hash, id.source.toUtf8() + zero);
    QByteArray fsid(8, '\0');
    for (int i = 0; i < 8; ++i)
        fsid[i] = char((id.fsid >> (8 * i)) & 0xFF);
    mix(hash, fsid);
    mix(hash, id.label.toUtf8() + zero);
    if (!network)
        mix(hash, id.mountPoint.toUtf8());
    return hash == 0 ? 1 : hash;
}

bool IsNoSerial(const QString& serialText) {
    return serialText.isEmpty() || serialText == QLatin1String("00000000");
}

int DriveTypeFor(const QString& fileSystem, const QString& device, bool removable) {
    static const QStringList remote = {
        QStringLiteral("nfs"),         QStringLiteral("nfs4"),        QStringLiteral("cifs"),
        QStringLiteral("smb3"),        QStringLiteral("smbfs"),       QStringLiteral("sshfs"),
        QStringLiteral("fuse.sshfs"),  QStringLiteral("9p"),          QStringLiteral("afs"),
        QStringLiteral("ceph"),        QStringLiteral("glusterfs"),   QStringLiteral("davfs"),
        QStringLiteral("fuse.rclone"), QStringLiteral("fuse.davfs2"), QStringLiteral("ncpfs"),
        QStringLiteral("lustre")};
    const QString fs = fileSystem.toLower();
    if (device.startsWith(QLatin1String("/dev/sr")) || fs == QLatin1String("iso9660") ||
        fs == QLatin1String("udf"))
        return DriveType::CdRom;
    if (remote.contains(fs))
        return DriveType::Remote;
    if (fs == QLatin1String("tmpfs") || fs == QLatin1String("ramfs"))
        return DriveType::RamDisk;
    if (removable)
        return DriveType::Removable;
    return DriveType::Fixed;
}

bool IsPseudoMount(const QString& fileSystem, const QString& mountPoint) {
    static const QStringList pseudo = {QStringLiteral("proc"),
                                       QStringLiteral("sysfs"),
                                       QStringLiteral("cgroup"),
                                       QStringLiteral("cgroup2"),
                                       QStringLiteral("devpts"),
                                       QStringLiteral("devtmpfs"),
                                       QStringLiteral("mqueue"),
                                       QStringLiteral("debugfs"),
                                       QStringLiteral("tracefs"),
                                       QStringLiteral("securityfs"),
                                       QStringLiteral("pstore"),
                                       QStringLiteral("bpf"),
                                       QStringLiteral("configfs"),
                                       QStringLiteral("fusectl"),
                                       QStringLiteral("hugetlbfs"),
                                       QStringLiteral("autofs"),
                                       QStringLiteral("binfmt_misc"),
                                       QStringLiteral("overlay"),
                                       QStringLiteral("squashfs"),
                                       QStringLiteral("nsfs"),
                                       QStringLiteral("efivarfs"),
                                       QStringLiteral("rpc_pipefs"),
                                       QStringLiteral("selinuxfs"),
                                       QStringLiteral("nfsd"),
                                       QStringLiteral("fuse.gvfsd-fuse"),
                                       QStringLiteral("fuse.portal"),
                                       QStringLiteral("rootfs"),
                                       QStringLiteral("none")};
    if (pseudo.contains(fileSystem.toLower()))
        return true;
    // Memory file systems the system keeps for itself; /run/media holds removable drives.
    for (const char* sys : {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/docker"}) {
        if (isUnder(mountPoint, QLatin1String(sys)) &&
            !isUnder(mountPoint, QStringLiteral("/run/media")))
            return true;
    }
    return false;
}

QString VolumePlace(const VolumeInfo& v) {
    return v.mountPoint.isEmpty() ? v.device : v.mountPoint;
}

bool AssignDriveLetters(QList<VolumeInfo>& volumes, DriveLetterMap& remembered) {
    static const QString letters = QStringLiteral("CDEFGHIJKLMNOPQRSTUVWXYZAB");
    if (volumes.size() > letters.size())
        volumes.resize(letters.size());
    const DriveLetterMap before = remembered;
    QHash<QString, QChar> byPlace;
    for (auto it = remembered.cbegin(); it != remembered.cend(); ++it)
        byPlace.insert(it.value(), it.key());
    QList<QChar> used;
    QList<bool> keyed(volumes.size(), false);
    // The root and the remembered first, so that a newcomer cannot take their letters.
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        VolumeInfo& v = volumes[i];
        QChar letter;
        if (v.mountPoint == QLatin1String("/"))
            letter = QLatin1Char('C');
        else if (byPlace.contains(VolumePlace(v)))
            letter = byPlace.value(VolumePlace(v));
        if (letter.isNull() || used.contains(letter) || !letters.contains(letter))
            continue;
        v.key = letter;
        used.append(letter);
        keyed[i] = true;
    }
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        if (keyed[i])
            continue;
        QChar letter;
        for (QChar c : letters) {
            if (!used.contains(c) && !remembered.contains(c)) {
                letter = c;
                break;
            }
        }
        if (letter.isNull()) {
            for (QChar c : letters) {
                if (!used.contains(c)) {
                    letter = c;
                    break;
                }
            }
        }
        volumes[i].key = letter;
        used.append(letter);
    }
    for (const VolumeInfo& v : volumes) {
        const QString place = VolumePlace(v);
        if (place.isEmpty())
            continue;
        // One letter per place: an older letter of the same place is forgotten.
        const QChar old = byPlace.value(place);
        if (!old.isNull() && old != v.key && remembered.value(old) == place)
            remembered.remove(old);
        remembered.insert(v.key, place);
    }
    return remembered != before;
}

QList<VolumeInfo> MountedVolumes(DriveLetterMap* remembered) {
    const QHash<QString, QString> uuids = uuidsByDevice();
    QList<VolumeInfo> list;
    QStringList mountedDevices;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
        const QString fs = QString::fromLatin1(s.fileSystemType());
        if (IsPseudoMount(fs, s.rootPath()))
            continue;
        // A bind mount or a second mount of the same file system is one volume.
        if (std::any_of(list.cbegin(), list.cend(),
                        [&](const VolumeInfo& v) { return v.mountPoint == s.rootPath(); }))
            continue;
        list.append(volumeOf(s, uuids));
        mountedDevices.append(canonicalDevice(list.last().device));
    }
    std::sort(list.begin(), list.end(),
              [](const VolumeInfo& a, const VolumeInfo& b) { return a.mountPoint < b.mountPoint; });
    const QStringList drives =
        QDir(QStringLiteral("/dev")).entryList({QStringLiteral("sr*")}, QDir::System, QDir::Name);
    for (const QString& name : drives) {
        const QString device = QStringLiteral("/dev/") + name;
        if (!mountedDevices.contains(canonicalDevice(device)))
            list.append(unmountedCd(device));
    }
    DriveLetterMap inOrder;
    AssignDriveLetters(list, remembered ? *remembered : inOrder);
    return list;
}

std::optional<VolumeInfo> VolumeOfPath(const QString& path, DriveLetterMap* remembered) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return std::nullopt;
    std::optional<VolumeInfo> best;
    for (const VolumeInfo& v : MountedVolumes(remembered)) {
        if (v.mountPoint.isEmpty())
            continue;
        const bool holds = v.mountPoint == QLatin1String("/") || isUnder(canonical, v.mountPoint);
        if (holds && (!best || v.mountPoint.size() > best->mountPoint.size()))
            best = v;
    }
    if (!best) {
        // A folder on a mount the list leaves out (a container's overlay root) is still a folder.
        const QStorageInfo s(canonical);
        if (!s.isValid())
            return std::nullopt;
        VolumeInfo v = volumeOf(s, uuidsByDevice());
        v.key = QLatin1Char('C');
        best = v;
    }
    return best;
}
