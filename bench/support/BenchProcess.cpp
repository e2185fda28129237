#include "BenchProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <chrono>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// fork, not posix_spawn: a child that shares this process's memory until exec would count this
// process's peak as its own.
MeasuredRun RunMeasured(const std::vector<QByteArray>& args) {
    std::vector<char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    MeasuredRun r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        return r;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakKiB = usage.ru_maxrss;
    r.status = status;
    return r;
}

QString BenchCliPath() {
    const QByteArray env = qgetenv("LEDRA_CLI");
    if (!env.isEmpty())
        return QFile::decodeName(env);
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/.."))
        .absoluteFilePath(QStringLiteral("ledra-cli"));
}
