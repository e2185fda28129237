#pragma once

#include "platform/mdlVolume.h"

#include <QList>

#include <optional>

// Drive letters that stay with their volume from run to run: each letter given out is kept in
// the settings store (group "Drive Letters": the letter as the value name, the volume's mount
// point or CD device as its text), so that a drive coming or going moves no other letter, and
// "Last Drive" and Images.Source name the same volume next time.

DriveLetterMap LoadDriveLetters();
void SaveDriveLetters(const DriveLetterMap& letters);

// Gives the volumes their remembered letters and stores the letters given to newcomers.
void KeepDriveLetters(QList<VolumeInfo>& volumes);

// MountedVolumes and VolumeOfPath with the remembered letters.
QList<VolumeInfo> KeyedVolumes();
std::optional<VolumeInfo> KeyedVolumeOfPath(const QString& path);
