// Times the update of an image after 1% of its disk's files were added, removed, touched and
// moved, against a fresh scan of the changed tree in the same run (warm cache), and prints the
// ratio and both peak memories. Usage: bench_update [FILES]  (the tree goes to $TMPDIR; a
// tmpfs such as /dev/shm makes building it quick)
#include "BenchProcess.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

quint32 g_seed = 12345;
quint32 next() {
    g_seed = g_seed * 1664525u + 1013904223u;
    return g_seed >> 8;
}

bool writeFile(const QByteArray& path, int size) {
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const QByteArray bytes(size, 'x');
    const bool ok = ::write(fd, bytes.constData(), size_t(size)) == size;
    ::close(fd);
    return ok;
}

// A deterministic tree: varied depths, folder sizes, name lengths and characters.
void buildTree(const QByteArray& root, int files, std::vector<QByteArray>& folders,
               std::vector<QByteArray>& paths) {
    static const char* words[] = {"report", "Photo", "IMG_", "notes", "backup", "Übersicht",
                                  "data",   "x",     "song", "draft", "Résumé", "archive"};
    static const char* exts[] = {".txt", ".jpg", ".mp3", ".pdf", "", ".tar.gz", ".cpp", ".JPG"};
    folders = {root};
    std::vector<int> depth = {0};
    int made = 0;
    while (made < files) {
        const size_t parent = next() % folders.size();
        size_t folder = parent;
        if (depth[parent] < 12) {
            folders.push_back(folders[parent] + '/' + words[next() % 12] +
                              QByteArray::number(qulonglong(folders.size())));
            depth.push_back(depth[parent] + 1);
            ::mkdir(folders.back().constData(), 0755);
            folder = folders.size() - 1;
        }
        const int count = 1 + int(next() % 20);
        for (int i = 0; i < count && made < files; ++i, ++made) {
            paths.push_back(folders[folder] + '/' + words[next() % 12] + QByteArray::number(made) +
                            exts[next() % 8]);
            writeFile(paths.back(), int(next() % 64));
        }
    }
}

// 1% of the files each: removed, touched (an hour later, and longer), moved to another folder
// and added.
void changeTree(const std::vector<QByteArray>& folders, std::vector<QByteArray>& paths) {
    const size_t share = paths.size() / 100;
    for (size_t i = 0; i < share * 3; ++i)
        std::swap(paths[i], paths[i + next() % (paths.size() - i)]);
    for (size_t i = 0; i < share; ++i)
        ::unlink(paths[i].constData());
    for (size_t i = share; i < 2 * share; ++i) {
        QFile f(QFile::decodeName(paths[i]));
        if (f.open(QIODevice::Append))
            f.write("touched");
        f.close();
        const struct timeval tv[2] = {{1700000000, 0}, {1700003600, 0}};
        ::utimes(paths[i].constData(), tv);
    }
    for (size_t i = 2 * share; i < 3 * share; ++i) {
        const QByteArray name = paths[i].mid(paths[i].lastIndexOf('/'));
        const QByteArray to = folders[next() % folders.size()] + name;
        ::rename(paths[i].constData(), to.constData());
    }
    for (size_t i = 0; i < share; ++i)
        writeFile(folders[next() % folders.size()] + "/added" + QByteArray::number(qulonglong(i)),
                  int(next() % 64));
}

// This process's resident memory, in MiB.
long ownMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    }
    return 0;
}

bool copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const QByteArray cli = QFile::encodeName(BenchCliPath());
    QTemporaryDir temp;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.path() + QStringLiteral("/config")));
    const QByteArray tree = QFile::encodeName(temp.path() + QStringLiteral("/tree"));
    const QString original = temp.path() + QStringLiteral("/original.ldr");
    const QString updated = temp.path() + QStringLiteral("/updated.ldr");
    const QString scanned = temp.path() + QStringLiteral("/scanned.ldr");
    ::mkdir(tree.constData(), 0755);
    std::printf("building a tree of %d files in %s...\n", files, temp.path().toUtf8().constData());
    std::fflush(stdout);
    std::vector<QByteArray> folders, paths;
    buildTree(tree, files, folders, paths);
    RunMeasured({cli, "create", QFile::encodeName(original)});
    const MeasuredRun first =
        RunMeasured({cli, "scan", QFile::encodeName(original), tree, "--add"});
    if (first.status != 0) {
        std::printf("the first scan failed\n");
        return 1;
    }
    changeTree(folders, paths);
    // A forked child starts with this process's resident memory: keep it small.
    folders = {};
    paths = {};
    malloc_trim(0);
    RunMeasured({"/usr/bin/find", tree, "-printf", "%y %s %T@ %p\n"}); // warm the cache

    MeasuredRun update, scan;
    for (int i = 0; i < 3; ++i) {
        copyFile(original, updated);
        const MeasuredRun u = RunMeasured({cli, "update", QFile::encodeName(updated), "1", tree});
        if (i == 0 || u.seconds < update.seconds)
            update = u;
        QFile::remove(scanned);
        RunMeasured({cli, "create", QFile::encodeName(scanned)});
        const MeasuredRun s = RunMeasured({cli, "scan", QFile::encodeName(scanned), tree, "--add"});
        if (i == 0 || s.seconds < scan.seconds)
            scan = s;
    }
    std::printf("(a peak reads at least this program's own %ld MiB)\n", ownMiB());
    std::printf("scan of the changed tree %7.3f s  peak %ld MiB%s\n", scan.seconds,
                scan.peakKiB / 1024, scan.status == 0 ? "" : "  FAILED");
    std::printf("update                   %7.3f s  peak %ld MiB%s  ratio %.2f (at most 1.20)\n",
                update.seconds, update.peakKiB / 1024, update.status == 0 ? "" : "  FAILED",
                update.seconds / scan.seconds);
    return 0;
}
