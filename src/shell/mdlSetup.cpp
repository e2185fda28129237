#include "mdlSetup.h"

#include "common/mdlPath.h"
#include "shell/mdlRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const char kMimeType[] = "application/x-ledra-catalog";

// Desktop entry values need their reserved characters escaped; Exec arguments are quoted.
QString quoteExec(const QString& path) {
    QString q = path;
    q.replace(QLatin1Char('\\'), QLatin1String("\\\\\\\\"));
    q.replace(QLatin1Char('"'), QLatin1String("\\\\\""));
    q.replace(QLatin1Char('`'), QLatin1String("\\\\`"));
    q.replace(QLatin1Char('$'), QLatin1String("\\\\$"));
    q.replace(QLatin1Char('%'), QLatin1String("%%"));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString escapeValue(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    v.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return v;
}

bool writeFile(const QString& path, const QByteArray& data) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(data);
    return f.commit();
}

void runIfPresent(const QString& program, const QStringList& args) {
    const QString exe = QStandardPaths::findExecutable(program);
    if (exe.isEmpty())
        return;
    QProcess p;
    p.start(exe, args);
    p.waitForFinished(30000);
}

} // namespace

SetupResult RunSetup(const QString& exePath) {
    SetupResult result;
    const QString common = CommonProgramsFolder();
    // The shared folder may not exist yet on a fresh system; whoever may make it may use it.
    const QString folder =
        MakeFolders(common) && IsFolderWritable(common) ? common : UserProgramsFolder();
    MakeFolders(folder);

    const QString appFolder = QFileInfo(exePath).absolutePath();
    const QString entry =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Ledra\n"
                       "GenericName=Disk Cataloguer\n"
                       "Comment=Tessaly Ledra\n"
                       "Exec=%1 %f\n"
                       "Path=%2\n"
                       "Icon=ledra\n"
                       "Terminal=false\n"
                       "Categories=Utility;Archiving;Qt;\n"
                       "MimeType=%3;\n")
            .arg(quoteExec(exePath), escapeValue(appFolder), QLatin1String(kMimeType));
    const QString desktopPath = folder + QStringLiteral("ledra.desktop");
    if (writeFile(desktopPath, entry.toUtf8()))
        result.desktopEntry = desktopPath;

    // The icon and the file type live beside the launcher folder: <share>/icons, <share>/mime.
    const QString share = ParentFolder(folder);
    const QString icons = share + QStringLiteral("icons/hicolor/scalable/apps/");
    MakeFolders(icons);
    QFile::remove(icons + QStringLiteral("ledra.svg"));
    if (QFile::copy(QStringLiteral(":/icons/ledra.svg"), icons + QStringLiteral("ledra.svg"))) {
        QFile::setPermissions(icons + QStringLiteral("ledra.svg"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                  QFile::ReadOther);
        result.icon = icons + QStringLiteral("ledra.svg");
    }
    const QString mimeRoot = share + QStringLiteral("mime");
    const QString packages = mimeRoot + QStringLiteral("/packages/");
    MakeFolders(packages);
    const QByteArray mime = QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-ledra-catalog\">\n"
        "    <comment>Ledra Catalog File</comment>\n"
        "    <glob pattern=\"*.ldr\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
    const QString mimePath = packages + QStringLiteral("ledra-catalog.xml");
    if (writeFile(mimePath, mime))
        result.mimePackage = mimePath;

    // The association, kept in the settings store under the same keys as it always was.
    SetRegString(QStringLiteral("HKCR\\Tessaly.Ledra"), QString(),
                 QStringLiteral("Ledra Catalog File"));
    SetRegString(QStringLiteral("HKCR\\Tessaly.Ledra\\DefaultIcon"), QString(),
                 exePath + QStringLiteral(",1"));
    SetRegString(QStringLiteral("HKCR\\Tessaly.Ledra\\shell\\Open\\command"), QString(),
                 exePath + QStringLiteral(" %1"));
    SetRegString(QStringLiteral("HKCR\\.ldr\\"), QString(), QStringLiteral("Tessaly.Ledra"));

    runIfPresent(QStringLiteral("update-mime-database"), {mimeRoot});
    runIfPresent(QStringLiteral("update-desktop-database"), {folder});
    return result;
}
