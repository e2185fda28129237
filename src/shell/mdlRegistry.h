#pragma once

#include <QString>

// The per-user settings store, addressed with registry-style key paths
// ("HKCU\Software\Tessaly\Ledra\Options\View"). Each root maps to an INI file under
// $XDG_CONFIG_HOME/Tessaly/: HKCU\Software\Tessaly\Ledra to Ledra.conf (each sub-key a group,
// "Options/View"), every other key of a root to <ROOT>.conf (HKCU.conf, HKCR.conf, ...).
// Failures are silent: a value that cannot be read gives the default, a write that fails is lost.

enum class RegRoot {
    None = 0,
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    CurrentConfig,
    DynData
};

// Splits a key path into its root and sub-key; RegRoot::None for an unknown root name.
RegRoot ParseRegKey(const QString& keyPath, QString* subKey);

qint32 GetRegLong(const QString& keyPath, const QString& valueName, qint32 defaultValue,
                  bool writeIfMissing = false);
void SetRegLong(const QString& keyPath, const QString& valueName, qint32 value);
QString GetRegString(const QString& keyPath, const QString& valueName, const QString& defaultText,
                     bool writeIfMissing = false, int bufferLength = 0);
void SetRegString(const QString& keyPath, const QString& valueName, const QString& text);
void DeleteRegValue(const QString& keyPath, const QString& valueName);

// The INI file and group a key path maps to; empty file for an unknown root.
struct RegLocation {
    QString file;
    QString group;
};
RegLocation RegKeyLocation(const QString& keyPath);

// While one lives, each settings file is opened once and written once when the last one ends,
// instead of once per value; meant for runs of writes such as saving all the options.
class RegWriteBatch {
public:
    RegWriteBatch();
    ~RegWriteBatch();
    RegWriteBatch(const RegWriteBatch&) = delete;
    RegWriteBatch& operator=(const RegWriteBatch&) = delete;
};

inline const QString kLedraKey = QStringLiteral("HKCU\\Software\\Tessaly\\Ledra");
