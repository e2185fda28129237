#pragma once

#include <QList>
#include <QString>

#include <optional>

// Drive type codes, as stored in Images.Type.
namespace DriveType {
enum : int {
    Unknown = 0,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
    AudioCd = 50,
};
}

// One volume of the machine, as the drive list shows it.
struct VolumeInfo {
    QChar key;          // C for "/", then D, E ... in mount point order
    QString mountPoint; // "/media/stick"; empty for a drive with no mounted file system
    QString device;     // "/dev/sdb1"; empty when the volume has none
    int typeCode = DriveType::Unknown;
    QString label;
    QString fileSystem;
    quint32 serial = 0;
};

// "Fixed disk", "CDROM" ... for a type code.
QString DriveTypeText(int code);
// The serial as exactly 8 upper-case hexadecimal digits.
QString SerialText(quint32 serial);
// The 32-bit serial a file-system UUID stands for: FAT "1A2B-3C4D" gives 1A2B3C4D, NTFS its
// last 8 hex digits, any other its first 8; 0 when it holds no hex digit.
quint32 SerialFromUuid(const QString& uuid, const QString& fileSystem);
// The type code of a file system; removable as the block device reports it.
int DriveTypeFor(const QString& fileSystem, const QString& device, bool removable);
// Kernel and container mounts that are not volumes a user would catalogue.
bool IsPseudoMount(const QString& fileSystem, const QString& mountPoint);

// Every real volume, keyed, plus CD drives without a mounted file system (audio CDs and empty
// trays, listed unreadable).
QList<VolumeInfo> MountedVolumes();
// The volume whose mount point holds path (the deepest one).
std::optional<VolumeInfo> VolumeOfPath(const QString& path);
