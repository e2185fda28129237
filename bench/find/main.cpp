// Times Find on a real tree of files against the fastest file locator, in the same run on the
// same machine. The tree (1,000,000 files unless told) is made by the tree maker, catalogued with
// `ledra-cli scan` and indexed with `updatedb`; then each search runs as a process, at least 11
// times, and the medians are compared: `ledra-cli find` against `plocate`, and a search without
// plain characters against the SQLite shell's own full scan of the names.
//
//   bench_find [--root DIR] [--files N] [--keep]
//
// --root: a tree to use as it is (else one is made on /dev/shm when it has room, else in the
// temporary folder, and deleted afterwards unless --keep). plocate and updatedb are needed for
// the comparison only (Debian package plocate); without them the ratios are left out.
#include "BenchProcess.h"
#include "catalogue/Engine.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/Ui.h"
#include "search/mdlFind.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

constexpr int kRuns = 11;
// A name that occurs once: planted in the tree, so the run knows it is there exactly once.
const char kOnce[] = "q7xonce";
const char kAbsent[] = "q7xnothing";

struct Run {
    double ms = 0;
    int lines = 0;
    bool ok = false;
};

// Median of kRuns runs of a process, in milliseconds, and the lines of its last output.
Run timeProcess(const QString& program, const QStringList& args) {
    std::vector<double> times;
    Run r;
    for (int i = 0; i < kRuns; ++i) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(program, args);
        if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit)
            return r;
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        r.lines = int(p.readAllStandardOutput().count('\n'));
        r.ok = p.exitCode() == 0 || (program.endsWith(QLatin1String("plocate")) && r.lines == 0);
    }
    std::sort(times.begin(), times.end());
    r.ms = times[times.size() / 2];
    return r;
}

// Median of kRuns searches in this process, in milliseconds.
double timeInProcess(const QString& pattern, int* found) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        FindCriteria criteria;
        criteria.name = pattern;
        FindOutcome outcome;
        QString message;
        QElapsedTimer t;
        t.start();
        RunFind(db(), criteria, FindOptions(), &outcome, &message);
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        *found = int(outcome.matches.size());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool runStep(QTextStream& out, const QString& what, const QString& program,
             const QStringList& args) {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    const bool ok =
        p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    out << what << ": " << (ok ? "done" : "FAILED") << " in " << t.elapsed() / 1000.0 << " s"
        << Qt::endl;
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QString root;
    int files = 1000000;
    bool keep = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--root") && i + 1 < args.size())
            root = args[++i];
        else if (args[i] == QLatin1String("--files") && i + 1 < args.size())
            files = args[++i].toInt();
        else if (args[i] == QLatin1String("--keep"))
            keep = true;
    }

    // Work on /dev/shm when it has room: the comparison is of search work, not of the disk.
    const QStorageInfo shm(QStringLiteral("/dev/shm"));
    const QString base = shm.isValid() && shm.bytesAvailable() > qint64(4) << 30
                             ? QStringLiteral("/dev/shm")
                             : QDir::tempPath();
    QTemporaryDir work(base + QStringLiteral("/ledra-bench-find-XXXXXX"));
    work.setAutoRemove(!keep);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.path() + QStringLiteral("/config")));
    if (root.isEmpty()) {
        root = work.path() + QStringLiteral("/tree");
        const QByteArray env = qgetenv("LEDRA_MKTREE");
        const QString maker =
            env.isEmpty() ? QStringLiteral("/work/shared/tools/mktree.py") : QFile::decodeName(env);
        if (!runStep(out, QStringLiteral("tree of %1 files").arg(files), QStringLiteral("python3"),
                     {maker, root, QStringLiteral("-n"), QString::number(files),
                      QStringLiteral("--seed"), QStringLiteral("1")}))
            return 1;
    }
    // The planted name, in a folder of its own so that a given tree is not changed otherwise.
    const QString planted = root + QStringLiteral("/ledra-bench");
    QDir().mkpath(planted);
    QFile once(planted + QStringLiteral("/old-%1-notes.txt").arg(QLatin1String(kOnce)));
    once.open(QIODevice::WriteOnly);
    once.close();

    const QString catalogue = work.path() + QStringLiteral("/bench.ldr");
    const QString cli = BenchCliPath();
    if (!runStep(out, QStringLiteral("ledra-cli create"), cli,
                 {QStringLiteral("create"), catalogue}) ||
        !runStep(out, QStringLiteral("ledra-cli scan"), cli,
                 {QStringLiteral("scan"), catalogue, root}))
        return 1;
    const qint64 items = [&] {
        SilentUi ui;
        QString p = catalogue;
        OpenCatalogue(p, true, true, ui, nullptr);
        const qint64 n = db().scalar(QStringLiteral("SELECT count(*) FROM Items")).toLongLong();
        const QVariant index =
            db().scalar(QStringLiteral("SELECT sum(pgsize) FROM dbstat WHERE name='NameGrams'"));
        out << "catalogue: " << n << " items, " << QFileInfo(catalogue).size() << " bytes";
        if (index.isValid())
            out << "; name index " << index.toLongLong() << " bytes, "
                << double(index.toLongLong()) / double(qMax<qint64>(n, 1)) << " per item";
        out << Qt::endl;
        return n;
    }();

    const QString plocate = QStandardPaths::findExecutable(QStringLiteral("plocate"));
    const QString updatedb = QStandardPaths::findExecutable(QStringLiteral("updatedb"));
    const QString locateDb = work.path() + QStringLiteral("/plocate.db");
    bool compare = !plocate.isEmpty() && !updatedb.isEmpty();
    if (!compare)
        out << "plocate or updatedb not found (Debian package plocate): no comparison" << Qt::endl;
    else
        compare = runStep(out, QStringLiteral("updatedb"), updatedb,
                          {QStringLiteral("-l"), QStringLiteral("0"), QStringLiteral("-U"), root,
                           QStringLiteral("-o"), locateDb, QStringLiteral("--prunepaths"),
                           QString(), QStringLiteral("--prunenames"), QString()});

    // In this process: the search alone, without start-up and output.
    {
        SilentUi ui;
        QString p = catalogue;
        OpenCatalogue(p, true, true, ui, nullptr);
        int found = 0;
        for (const char* token : {kOnce, kAbsent}) {
            const QString pattern = QStringLiteral("*%1*").arg(QLatin1String(token));
            const double ms = timeInProcess(pattern, &found);
            out << "in process " << pattern << ": " << ms << " ms, " << found << " found"
                << Qt::endl;
        }
        CloseCatalogue(nullptr);
    }

    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    const QString fullScan = QStringLiteral("SELECT count(*) FROM Items WHERE Name LIKE '%") +
                             QLatin1String(kAbsent) + QStringLiteral("%'");
    const struct {
        const char* label;
        QString name;
        QString reference; // program
        QStringList referenceArgs;
    } cases[] = {
        {"name that occurs once",
         QStringLiteral("*%1*").arg(QLatin1String(kOnce)),
         plocate,
         {QStringLiteral("-d"), locateDb, QStringLiteral("-i"), QStringLiteral("-b"),
          QLatin1String(kOnce)}},
        {"name that occurs nowhere",
         QStringLiteral("*%1*").arg(QLatin1String(kAbsent)),
         plocate,
         {QStringLiteral("-d"), locateDb, QStringLiteral("-i"), QStringLiteral("-b"),
          QLatin1String(kAbsent)}},
        {"first 100 of *report*",
         QStringLiteral("*report*"),
         plocate,
         {QStringLiteral("-d"), locateDb, QStringLiteral("-i"), QStringLiteral("-l"),
          QStringLiteral("100"), QStringLiteral("-b"), QStringLiteral("report")}},
        {"first 100 of *.txt",
         QStringLiteral("*.txt"),
         plocate,
         {QStringLiteral("-d"), locateDb, QStringLiteral("-i"), QStringLiteral("-l"),
          QStringLiteral("100"), QStringLiteral("-b"), QStringLiteral("*.txt")}},
        {"no plain run *[0-9][0-9][0-9][0-9][0-9]x*",
         QStringLiteral("*[0-9][0-9][0-9][0-9][0-9]x*"),
         sqlite,
         {catalogue, fullScan}},
    };
    out << Qt::endl
        << "search | ledra-cli find ms (lines) | reference ms (lines) | ratio | reference"
        << Qt::endl;
    for (const auto& c : cases) {
        const Run ours =
            timeProcess(cli, {QStringLiteral("find"), catalogue, QStringLiteral("--name"), c.name});
        out << c.label << " | " << ours.ms << " (" << ours.lines << ")";
        const bool haveReference = !c.reference.isEmpty() && (c.reference == sqlite || compare);
        if (!haveReference) {
            out << " | - | - | not available" << Qt::endl;
            continue;
        }
        const Run ref = timeProcess(c.reference, c.referenceArgs);
        out << " | " << ref.ms << " (" << ref.lines << ") | " << ours.ms / ref.ms << " | "
            << QFileInfo(c.reference).fileName() << Qt::endl;
    }
    out << Qt::endl << "medians of " << kRuns << " runs; " << items << " items" << Qt::endl;
    return 0;
}
