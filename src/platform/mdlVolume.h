#pragma once

#include <QList>
#include <QMap>
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
// What tells a volume without a file-system UUID apart from others: tmpfs, network and FUSE
// mounts, and any volume udev keeps no UUID link for.
struct VolumeIdentity {
    bool readable = false; // the file system answered statfs
    QString fileSystem;    // "nfs4", "tmpfs", "fuse.sshfs"
    QString source;        // the mount source: "server:/export", "//host/share", "tmpfs"
    quint64 fsid = 0;      // statfs f_fsid
    QString label;
    QString mountPoint;
};
// A serial for such a volume: the same inputs always give the same number, different ones
// practically never the same. A mount source that names no place ("tmpfs", "portal") does not
// tell two volumes apart, so the mount point counts then. 0 only when the volume is unreadable.
quint32 DerivedSerial(const VolumeIdentity& id);
// True when the serial text stands for no serial at all (an unreadable volume, an index
// without one): it must never match a catalogued image.
bool IsNoSerial(const QString& serialText);

// The type code of a file system; removable as the block device reports it.
int DriveTypeFor(const QString& fileSystem, const QString& device, bool removable);
// Kernel and container mounts that are not volumes a user would catalogue.
bool IsPseudoMount(const QString& fileSystem, const QString& mountPoint);

// What a drive letter is remembered for: the mount point, or the device of a CD drive without
// a mounted file system.
QString VolumePlace(const VolumeInfo& v);

// Letters given in earlier runs: letter -> VolumePlace.
using DriveLetterMap = QMap<QChar, QString>;
// Keys the volumes (in mount point order): "/" is C; a volume remembered with a letter keeps it;
// any other takes the first letter (C to Z, then A, B) that no listed volume has and nobody is
// remembered with, or failing that the first one no listed volume has (its old owner forgets
// it). Volumes beyond 26 are dropped. The map learns the new letters; true when it changed.
bool AssignDriveLetters(QList<VolumeInfo>& volumes, DriveLetterMap& remembered);

// Every real volume, keyed, plus CD drives without a mounted file system (audio CDs and empty
// trays, listed unreadable). remembered: the letters to keep (none: keyed in order), updated.
QList<VolumeInfo> MountedVolumes(DriveLetterMap* remembered = nullptr);
// The volume whose mount point holds path (the deepest one).
std::optional<VolumeInfo> VolumeOfPath(const QString& path, DriveLetterMap* remembered = nullptr);
