// Start-up: the command line, the set-up switch, the single-instance test, the splash, the
// settings and the main window.
#include "Screenshots.h"
#include "frmSplash.h"

#include "browser/frmMain.h"
#include "common/mdlPath.h"
#include "shell/mdlOptions.h"
#include "shell/mdlSetup.h"
#include "shell/mdlStartArgs.h"
#include "version.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QIcon>
#include <QLockFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
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
bool g_ending = false;
QPointer<QWidget> g_window;

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &c, 1);
}

// Set up as soon as the program holds its lock, so that a signal during start-up is not the
// default, settings-losing death; the main window is closed once there is one.
void closeOnSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalFds[1], &c, 1);
        g_ending = true;
        // A dialog up (the first start's "Database created!", say) runs an event loop of its
        // own: it is dismissed, the window closes (saving its settings) and every loop ends.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
                dialog->reject();
        }
        if (g_window)
            g_window->close();
        QCoreApplication::exit(0);
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
    // No display name: the platform would add it to every caption, "Ledra - Disks — Ledra".
    // Every window, dialogs too, shows Ledra's own icon.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/ledra.svg")));
    QApplication::setOrganizationName(QStringLiteral(LEDRA_COMPANY_NAME));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(LEDRA_VERSION_MAJOR)
                                            .arg(LEDRA_VERSION_MINOR)
                                            .arg(LEDRA_VERSION_PATCH));

    const StartArgs args = ParseStartArgs(QApplication::arguments().mid(1));
    switch (args.action) {
    case StartArgs::Action::Setup:
        RunSetup(ExePath());
        return 0;
    case StartArgs::Action::Help:
        std::fputs(qPrintable(StartUsage()), stdout);
        return 0;
    case StartArgs::Action::Version:
        std::printf("%s %s\n", LEDRA_PRODUCT_NAME, qPrintable(QApplication::applicationVersion()));
        return 0;
    case StartArgs::Action::UsageError:
        std::fprintf(stderr, "ledra: %s\n\n%s", qPrintable(args.error), qPrintable(StartUsage()));
        return 2;
    case StartArgs::Action::Open:
    case StartArgs::Action::Screenshots:
        break;
    }
    const QString commandLine = args.path;

    if (args.action == StartArgs::Action::Screenshots) {
        // Pictures only: no lock, no splash, and the settings are not written back.
        DefaultOptions();
        LoadOptions();
        frmMain window(commandLine);
        window.show();
        window.Load();
        const int pictures = TakeScreenshots(window, args.pictureDir);
        std::printf("%d pictures in %s\n", pictures, qPrintable(args.pictureDir));
        return pictures > 0 ? 0 : 1;
    }

    QLockFile instance(lockFilePath());
    instance.setStaleLockTime(0);
    if (!instance.tryLock(0))
        return 0;
    closeOnSignals();

    auto* splash = new frmSplash;
    splash->show();
    QApplication::processEvents();

    DefaultOptions();
    LoadOptions();

    if (g_ending)
        return 0;
    frmMain window(commandLine);
    g_window = &window;
    window.restoreWindowGeometry();
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
    // The splash goes before the start catalogue opens: it must never stand over a message.
    delete splash;
    if (!g_ending)
        window.Load();

    const int rc = g_ending ? 0 : QApplication::exec();
    ShutDown();
    return rc;
}
