// Start-up: the command line, the set-up switch, the single-instance test, the splash, the
// settings and the main window.
#include "frmSplash.h"

#include "browser/frmMain.h"
#include "common/mdlPath.h"
#include "shell/mdlOptions.h"
#include "shell/mdlParam.h"
#include "shell/mdlSetup.h"
#include "version.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace {

// Saves the settings; the program ends when main returns.
void ShutDown() {
    SaveOptions();
}

QString lockFilePath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/ledra.lock");
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ledra"));
    QApplication::setApplicationDisplayName(QStringLiteral(LEDRA_PRODUCT_NAME));
    QApplication::setOrganizationName(QStringLiteral(LEDRA_COMPANY_NAME));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(LEDRA_VERSION_MAJOR)
                                            .arg(LEDRA_VERSION_MINOR)
                                            .arg(LEDRA_VERSION_PATCH));

    // The whole command line is the program's arguments joined by single blanks.
    const QString commandLine = QApplication::arguments().mid(1).join(QLatin1Char(' '));
    ParamList params;
    params.ParseParams(commandLine);
    if (params.HasParam(QStringLiteral("Setup"))) {
        RunSetup(ExePath());
        return 0;
    }

    QLockFile instance(lockFilePath());
    instance.setStaleLockTime(0);
    if (!instance.tryLock(0))
        return 0;

    auto* splash = new frmSplash;
    splash->show();
    QApplication::processEvents();

    DefaultOptions();
    LoadOptions();

    frmMain window(commandLine);
    switch (options().WindowState) {
    case 1:
        window.showMinimized();
        break;
    case 2:
        window.showMaximized();
        break;
    default:
        window.show();
        break;
    }
    window.Load();
    delete splash;

    const int rc = QApplication::exec();
    ShutDown();
    return rc;
}
