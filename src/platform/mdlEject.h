#pragma once

#include <QString>

// True for the type codes of a CD drive.
bool IsCdType(int typeCode);
// Opens the tray of the CD device ("/dev/sr0"); false when it cannot (no device, mounted, no
// permission). The caller decides whether the volume is on a CD drive at all.
bool EjectCd(const QString& device);
