#include "mdlDriveLetters.h"

#include "shell/mdlRegistry.h"

namespace {

const QString kLettersKey = kLedraKey + QStringLiteral("\\Drive Letters");
const QString kLetters = QStringLiteral("CDEFGHIJKLMNOPQRSTUVWXYZAB");

} // namespace

DriveLetterMap LoadDriveLetters() {
    DriveLetterMap letters;
    for (QChar c : kLetters) {
        const QString place = GetRegString(kLettersKey, QString(c), QString(), false, 4096);
        if (!place.isEmpty())
            letters.insert(c, place);
    }
    return letters;
}

void SaveDriveLetters(const DriveLetterMap& letters) {
    const RegWriteBatch batch;
    for (QChar c : kLetters) {
        if (letters.contains(c))
            SetRegString(kLettersKey, QString(c), letters.value(c));
        else
            DeleteRegValue(kLettersKey, QString(c));
    }
}

void KeepDriveLetters(QList<VolumeInfo>& volumes) {
    DriveLetterMap letters = LoadDriveLetters();
    if (AssignDriveLetters(volumes, letters))
        SaveDriveLetters(letters);
}

QList<VolumeInfo> KeyedVolumes() {
    DriveLetterMap letters = LoadDriveLetters();
    const DriveLetterMap before = letters;
    QList<VolumeInfo> volumes = MountedVolumes(&letters);
    if (letters != before)
        SaveDriveLetters(letters);
    return volumes;
}

std::optional<VolumeInfo> KeyedVolumeOfPath(const QString& path) {
    DriveLetterMap letters = LoadDriveLetters();
    const DriveLetterMap before = letters;
    std::optional<VolumeInfo> volume = VolumeOfPath(path, &letters);
    if (letters != before)
        SaveDriveLetters(letters);
    return volume;
}
