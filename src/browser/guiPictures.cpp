#include "guiPictures.h"

#include <QApplication>
#include <QHash>
#include <QStandardPaths>
#include <QStyle>

namespace {

struct Source {
    const char* theme;
    QStyle::StandardPixmap fallback;
};

const QHash<QString, Source>& sources() {
    static const QHash<QString, Source> table = {
        {QStringLiteral("T1"), {"drive-harddisk", QStyle::SP_DriveHDIcon}},
        {QStringLiteral("T2"), {"drive-removable-media", QStyle::SP_DriveFDIcon}},
        {QStringLiteral("T3"), {"drive-harddisk", QStyle::SP_DriveHDIcon}},
        {QStringLiteral("T4"), {"folder-remote", QStyle::SP_DriveNetIcon}},
        {QStringLiteral("T5"), {"drive-optical", QStyle::SP_DriveCDIcon}},
        {QStringLiteral("T6"), {"media-flash", QStyle::SP_DriveHDIcon}},
        {QStringLiteral("T50"), {"media-optical-audio", QStyle::SP_DriveDVDIcon}},
        {QStringLiteral("NodeC"), {"folder", QStyle::SP_DirClosedIcon}},
        {QStringLiteral("NodeO"), {"folder-open", QStyle::SP_DirOpenIcon}},
        {QStringLiteral("FolderC"), {"folder", QStyle::SP_DirClosedIcon}},
        {QStringLiteral("FolderO"), {"folder-open", QStyle::SP_DirOpenIcon}},
        {QStringLiteral("Folder"), {"folder", QStyle::SP_DirIcon}},
        {QStringLiteral("Unknown"), {"unknown", QStyle::SP_FileIcon}},
    };
    return table;
}

} // namespace

void UseIconThemeFallback() {
    // Without a platform theme (the offscreen platform, some bare sessions) Qt searches only
    // its resources; the themes live in the XDG data folders.
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList dataDirs =
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                  QStandardPaths::LocateDirectory);
    bool added = false;
    for (const QString& dir : dataDirs) {
        if (!paths.contains(dir)) {
            paths.append(dir);
            added = true;
        }
    }
    if (added)
        QIcon::setThemeSearchPaths(paths);
    const QString fallback = QLatin1String(kFallbackIconTheme);
    const QString theme = QIcon::themeName();
    // "hicolor" is what Qt reports when no desktop chose a theme; it holds application icons
    // only, so every file and toolbar button would be blank.
    if (theme.isEmpty() || theme == QLatin1String("hicolor"))
        QIcon::setThemeName(fallback);
    else if (theme != fallback)
        QIcon::setFallbackThemeName(fallback);
}

QIcon Picture(const QString& key) {
    static QHash<QString, QIcon> cache;
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    QIcon icon;
    const auto s = sources().constFind(key);
    if (s != sources().constEnd()) {
        icon = QIcon::fromTheme(QLatin1String(s->theme));
        if (icon.isNull())
            icon = QApplication::style()->standardIcon(s->fallback);
    }
    cache.insert(key, icon);
    return icon;
}

QIcon TreePicture(const QString& normalKey, const QString& selectedKey) {
    static QHash<QString, QIcon> cache;
    const QString key = normalKey + u'/' + selectedKey;
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    QIcon icon;
    const QIcon normal = Picture(normalKey);
    if (!normal.isNull()) {
        icon.addPixmap(normal.pixmap(16, 16), QIcon::Normal);
        icon.addPixmap(Picture(selectedKey).pixmap(16, 16), QIcon::Selected);
    }
    cache.insert(key, icon);
    return icon;
}
