#include "shell/mdlRegistry.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <limits>
#include <map>
#include <memory>

namespace {

struct RootName {
    QLatin1String name;
    RegRoot root;
};

const RootName kRootNames[] = {
    {QLatin1String("HKEY_CLASSES_ROOT"), RegRoot::ClassesRoot},
    {QLatin1String("HKCR"), RegRoot::ClassesRoot},
    {QLatin1String("HKEY_CURRENT_USER"), RegRoot::CurrentUser},
    {QLatin1String("HKCU"), RegRoot::CurrentUser},
    {QLatin1String("HKEY_LOCAL_MACHINE"), RegRoot::LocalMachine},
    {QLatin1String("HKLM"), RegRoot::LocalMachine},
    {QLatin1String("HKEY_USERS"), RegRoot::Users},
    {QLatin1String("HKEY_PERFORMANCE_DATA"), RegRoot::PerformanceData},
    {QLatin1String("HKEY_CURRENT_CONFIG"), RegRoot::CurrentConfig},
    {QLatin1String("HKCC"), RegRoot::CurrentConfig},
    {QLatin1String("HKEY_DYN_DATA"), RegRoot::DynData},
};

QLatin1String shortRootName(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return QLatin1String("HKCR");
    case RegRoot::CurrentUser:
        return QLatin1String("HKCU");
    case RegRoot::LocalMachine:
        return QLatin1String("HKLM");
    case RegRoot::Users:
        return QLatin1String("HKU");
    case RegRoot::PerformanceData:
        return QLatin1String("HKPD");
    case RegRoot::CurrentConfig:
        return QLatin1String("HKCC");
    case RegRoot::DynData:
        return QLatin1String("HKDD");
    case RegRoot::None:
        break;
    }
    return QLatin1String();
}

// A key's default (unnamed) value needs a name of its own: QSettings has no empty key, and
// the key's own path would clash with a value of that name in the parent group.
QString storedValueName(const QString& valueName) {
    return valueName.isEmpty() ? QStringLiteral("@") : valueName;
}

QString settingsKey(const RegLocation& location, const QString& valueName) {
    const QString name = storedValueName(valueName);
    return location.group.isEmpty() ? name : location.group + QLatin1Char('/') + name;
}

// Files found damaged, by the size and time they had then. Qt keeps parsed files in a cache and
// reports a parse error only to the QSettings object that parsed, so an unchanged damaged file
// would read as sound the second time.
struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
};

QMutex damagedMutex;
QHash<QString, FileStamp>& damagedFiles() {
    static QHash<QString, FileStamp> files;
    return files;
}

// The store behind a key for reading; null when the key has no file or the file cannot be
// trusted, so that every value reads as missing.
std::unique_ptr<QSettings> openForReading(const RegLocation& location) {
    if (location.file.isEmpty())
        return nullptr;
    const QFileInfo info(location.file);
    if (!info.exists())
        return nullptr;
    if (!info.isFile() || !info.isReadable())
        return nullptr;
    const FileStamp stamp{info.size(), info.lastModified()};

    const QMutexLocker lock(&damagedMutex);
    const auto known = damagedFiles().constFind(location.file);
    if (known != damagedFiles().cend() && known->size == stamp.size &&
        known->modified == stamp.modified)
        return nullptr;
    auto settings = std::make_unique<QSettings>(location.file, QSettings::IniFormat);
    if (settings->status() != QSettings::NoError) {
        damagedFiles().insert(location.file, stamp);
        return nullptr;
    }
    damagedFiles().remove(location.file);
    return settings;
}

// The stored text of a value; false when the value is absent or unreadable.
bool readValue(const QString& keyPath, const QString& valueName, QString* text) {
    const RegLocation location = RegKeyLocation(keyPath);
    const auto settings = openForReading(location);
    if (!settings)
        return false;
    const QVariant value = settings->value(settingsKey(location, valueName));
    if (!value.isValid())
        return false;
    // An unquoted text with commas in a hand-edited file comes back split.
    if (value.typeId() == QMetaType::QStringList)
        *text = value.toStringList().join(QStringLiteral(", "));
    else
        *text = value.toString();
    return true;
}

// The open files of the running write batch; empty outside one.
thread_local int batchDepth = 0;
thread_local std::map<QString, std::unique_ptr<QSettings>> batchFiles;

QSettings* batchSettings(const QString& file) {
    std::unique_ptr<QSettings>& settings = batchFiles[file];
    if (!settings)
        settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    return settings.get();
}

void writeValue(const QString& keyPath, const QString& valueName, const QVariant& value) {
    const RegLocation location = RegKeyLocation(keyPath);
    if (location.file.isEmpty())
        return;
    if (!QDir().mkpath(QFileInfo(location.file).absolutePath()))
        return;
    if (batchDepth > 0) {
        batchSettings(location.file)->setValue(settingsKey(location, valueName), value);
        return;
    }
    QSettings settings(location.file, QSettings::IniFormat);
    settings.setValue(settingsKey(location, valueName), value);
}

} // namespace

RegRoot ParseRegKey(const QString& keyPath, QString* subKey) {
    QString path = keyPath;
    if (!path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('\\');
    const qsizetype slash = path.indexOf(QLatin1Char('\\'));
    const QString rootName = path.left(slash).toUpper();
    path.chop(1);
    if (subKey)
        *subKey = path.mid(slash + 1);
    for (const RootName& entry : kRootNames) {
        if (rootName == entry.name)
            return entry.root;
    }
    return RegRoot::None;
}

RegLocation RegKeyLocation(const QString& keyPath) {
    QString subKey;
    const RegRoot root = ParseRegKey(keyPath, &subKey);
    if (root == RegRoot::None)
        return {};

    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/Tessaly/");
    const QString ledraSubKey = QStringLiteral("Software\\Tessaly\\Ledra");
    RegLocation location;
    if (root == RegRoot::CurrentUser && subKey.startsWith(ledraSubKey, Qt::CaseInsensitive) &&
        (subKey.size() == ledraSubKey.size() ||
         subKey.at(ledraSubKey.size()) == QLatin1Char('\\'))) {
        location.file = folder + QStringLiteral("Ledra.conf");
        location.group = subKey.mid(ledraSubKey.size() + 1);
    } else {
        location.file = folder + shortRootName(root) + QStringLiteral(".conf");
        location.group = subKey;
    }
    location.group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return location;
}

qint32 GetRegLong(const QString& keyPath, const QString& valueName, qint32 defaultValue,
                  bool writeIfMissing) {
    QString text;
    if (readValue(keyPath, valueName, &text)) {
        bool ok = false;
        const qlonglong number = text.trimmed().toLongLong(&ok);
        // A DWORD holds the bit pattern; unsigned spellings above the signed range wrap.
        if (ok && number >= std::numeric_limits<qint32>::min() &&
            number <= std::numeric_limits<quint32>::max())
            return static_cast<qint32>(static_cast<quint32>(number));
    }
    if (writeIfMissing)
        SetRegLong(keyPath, valueName, defaultValue);
    return defaultValue;
}

void SetRegLong(const QString& keyPath, const QString& valueName, qint32 value) {
    writeValue(keyPath, valueName, value);
}

QString GetRegString(const QString& keyPath, const QString& valueName, const QString& defaultText,
                     bool writeIfMissing, int bufferLength) {
    const int capacity = bufferLength < 1 ? 4096 : bufferLength;
    QString text;
    // The buffer also holds the terminating NUL, so one character less fits.
    if (readValue(keyPath, valueName, &text) && text.size() <= capacity - 1)
        return text;
    if (writeIfMissing)
        SetRegString(keyPath, valueName, defaultText);
    return defaultText;
}

void SetRegString(const QString& keyPath, const QString& valueName, const QString& text) {
    writeValue(keyPath, valueName, text);
}

void DeleteRegValue(const QString& keyPath, const QString& valueName) {
    const RegLocation location = RegKeyLocation(keyPath);
    const QString key = settingsKey(location, valueName);
    if (batchDepth > 0) {
        // Another QSettings on the file would write the batch's pending changes, so the file
        // is checked only before the batch first holds it.
        if (batchFiles.find(location.file) == batchFiles.end() && !openForReading(location))
            return;
        QSettings* settings = batchSettings(location.file);
        if (settings->contains(key))
            settings->remove(key);
        return;
    }
    const auto settings = openForReading(location);
    // Removing an absent value would still rewrite the file.
    if (settings && settings->contains(key))
        settings->remove(key);
}

RegWriteBatch::RegWriteBatch() {
    ++batchDepth;
}

RegWriteBatch::~RegWriteBatch() {
    // Closing the files writes them.
    if (--batchDepth == 0)
        batchFiles.clear();
}
