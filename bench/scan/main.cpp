// Times a catalogue scan against the bare metadata walk of the same tree (find -printf), warm
// cache, and prints the ratios and the scan's peak memory. Usage: bench_scan [FILES]
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
#include <unistd.h>

namespace {

// A deterministic tree: varied depths, folder sizes, name lengths and characters.
void buildTree(const QString& root, int files) {
    quint32 seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    static const char* words[] = {"report", "Photo", "IMG_", "notes", "backup", "Übersicht",
                                  "data",   "x",     "song", "draft", "Résumé", "archive"};
    static const char* exts[] = {".txt", ".jpg", ".mp3", ".pdf", "", ".tar.gz", ".cpp", ".JPG"};
    QStringList folders = {root};
    int made = 0;
    while (made < files) {
        // A new folder under a random existing one, at most 12 levels deep.
        const QString parent = folders.at(int(next() % quint32(folders.size())));
        QString folder = parent;
        if (parent.count(QLatin1Char('/')) - root.count(QLatin1Char('/')) < 12) {
            folder = parent + QLatin1Char('/') + QString::fromUtf8(words[next() % 12]) +
                     QString::number(folders.size());
            QDir().mkdir(folder);
            folders.append(folder);
        }
        const int count = 1 + int(next() % 20);
        for (int i = 0; i < count && made < files; ++i, ++made) {
            const QString name = QString::fromUtf8(words[next() % 12]) + QString::number(made) +
                                 QString::fromLatin1(exts[next() % 8]);
            QFile f(folder + QLatin1Char('/') + name);
            if (f.open(QIODevice::WriteOnly))
                f.write(QByteArray(int(next() % 64), 'x'));
        }
    }
}

MeasuredRun best(const std::vector<QByteArray>& args, const QString& catalogue,
                 const QByteArray& cli) {
    MeasuredRun bestRun;
    for (int i = 0; i < 3; ++i) {
        if (!catalogue.isEmpty()) {
            QFile::remove(catalogue);
            RunMeasured({cli, "create", QFile::encodeName(catalogue)});
        }
        const MeasuredRun r = RunMeasured(args);
        if (i == 0 || r.seconds < bestRun.seconds)
            bestRun = r;
    }
    return bestRun;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QByteArray cli = QFile::encodeName(BenchCliPath());
    QTemporaryDir temp;
    // For profiling: keep the tree and catalogue, and say where they are.
    if (qEnvironmentVariableIsSet("LEDRA_BENCH_KEEP")) {
        temp.setAutoRemove(false);
        std::printf("kept in %s\n", qPrintable(temp.path()));
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.path() + QStringLiteral("/config")));
    const QString tree = temp.path() + QStringLiteral("/tree");
    const QString catalogue = temp.path() + QStringLiteral("/bench.ldr");
    QDir().mkpath(tree);
    std::printf("building a tree of %d files...\n", files);
    buildTree(tree, files);
    const QByteArray treeArg = QFile::encodeName(tree);

    // Warm the cache once.
    RunMeasured({"/usr/bin/find", treeArg, "-printf", "%y %s %T@ %p\n"});
    const MeasuredRun find = best({"/usr/bin/find", treeArg, "-printf", "%y %s %T@ %p\n"}, {}, cli);
    const QByteArray cat = QFile::encodeName(catalogue);
    const MeasuredRun plain = best({cli, "scan", cat, treeArg, "--add"}, catalogue, cli);
    const MeasuredRun times = best({cli, "scan", cat, treeArg, "--add", "--times"}, catalogue, cli);
    const MeasuredRun noCollect =
        best({cli, "scan", cat, treeArg, "--add", "--no-collect"}, catalogue, cli);

    std::printf("find -printf           %7.3f s\n", find.seconds);
    std::printf("scan (defaults)        %7.3f s  ratio %5.2f  peak %ld MiB%s\n", plain.seconds,
                plain.seconds / find.seconds, plain.peakKiB / 1024,
                plain.status == 0 ? "" : "  FAILED");
    std::printf("scan (Scan Time on)    %7.3f s  ratio %5.2f  peak %ld MiB%s\n", times.seconds,
                times.seconds / find.seconds, times.peakKiB / 1024,
                times.status == 0 ? "" : "  FAILED");
    std::printf("scan (no counting)     %7.3f s  ratio %5.2f  peak %ld MiB%s\n", noCollect.seconds,
                noCollect.seconds / find.seconds, noCollect.peakKiB / 1024,
                noCollect.status == 0 ? "" : "  FAILED");
    return 0;
}
