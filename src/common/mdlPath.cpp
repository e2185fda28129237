#include "mdlPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

QString ExePath() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    // Before (or without) an application object, the kernel still knows.
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString AppFolder() {
    const QString exe = ExePath();
    return exe.isEmpty() ? QString() : AddBackslash(QFileInfo(exe).absolutePath());
}

QString UserProgramsFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : AddBackslash(data) + QStringLiteral("applications/");
}

QString CommonProgramsFolder() {
    // The first shared data folder (normally /usr/local/share), after the user's own one.
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    for (const QString& dir : dirs) {
        if (dir != user)
            return AddBackslash(dir) + QStringLiteral("applications/");
    }
    return QStringLiteral("/usr/local/share/applications/");
}

QString PersonalFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = qEnvironmentVariable("HOME");
    return folder.isEmpty() ? QString() : AddBackslash(folder);
}

bool MakeFolders(const QString& folder) {
    if (folder.isEmpty())
        return true;
    const QString path = AddBackslash(folder);
    for (qsizetype at = path.indexOf(u'/'); at >= 0; at = path.indexOf(u'/', at + 1)) {
        const QString part = path.left(at);
        if (part.isEmpty()) // the root of an absolute path
            continue;
        const QFileInfo info(part);
        if (info.isDir())
            continue;
        // A file in the way, or a folder we may not create, ends the walk.
        if (info.exists() || !QDir().mkdir(part))
            return false;
    }
    return true;
}

QString ParentFolder(const QString& path) {
    if (path.size() < 2)
        return QString();
    const qsizetype at = path.lastIndexOf(u'/', path.size() - 2);
    return at < 0 ? QString() : path.left(at + 1);
}

QString AddBackslash(const QString& path) {
    return path.endsWith(u'/') ? path : path + u'/';
}

bool IsFolderWritable(const QString& folder) {
    if (folder.isEmpty())
        return false;
    const QString base = AddBackslash(folder);
    // A few tries, because an existing file of the same name must never be touched.
    for (int attempt = 0; attempt < 4; ++attempt) {
        QString name;
        for (int i = 0; i < 8; ++i)
            name += QChar(u'A' + QRandomGenerator::global()->bounded(26));
        QFile file(base + name + QStringLiteral(".tmp"));
        if (file.exists())
            continue;
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return false;
        file.close();
        return file.remove();
    }
    return false;
}

QString AbsolutePath(const QString& path) {
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}
