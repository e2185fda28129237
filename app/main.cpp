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
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

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

// A logout or a kill ends the program the way closing the window does, settings saved: the
// signal handler only writes a byte, the event loop does the rest.
int g_signalFds[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &c, 1);
}

void closeOnSignals(QWidget* window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalFds[1], &c, 1);
        window->close();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
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
    closeOnSignals(&window);
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
