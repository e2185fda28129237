#pragma once

#include <QString>

// True for the type codes of a CD drive.
bool IsCdType(int typeCode);
// Opens the tray of the CD device ("/dev/sr0"), first unmounting the disc's file system when it
// is mounted at mountPoint (a mounted disc refuses to leave the drive). Empty when the tray
// opened, else the message that says why it did not. The caller decides whether the volume is
// on a CD drive at all.
QString EjectDisc(const QString& device, const QString& mountPoint);
