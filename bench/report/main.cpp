// Times the export of an image of 1,000,000 items in each format and the duplicate and
// single-copy reports over a catalogue of 1,300,000, all through `ledra-cli`, and prints each
// against a plain full scan of every name measured in the same run, with the peak memory of the
// process.
#include "BenchProcess.h"
#include "catalogue/Engine.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/Ui.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <random>

namespace {

constexpr int kItems = 1000000;  // image 1
constexpr int kCopied = 300000;  // image 2: the first items of image 1 again
constexpr int kFolderEvery = 20; // every 20th item is a folder

const char* const kWords[] = {"report",  "budget", "holiday", "invoice", "letter", "summary",
                              "project", "backup", "photo",   "family",  "music",  "video",
                              "draft",   "final",  "notes",   "setup",   "driver", "manual"};
const char* const kExtensions[] = {".txt", ".doc", ".jpg", ".mp3", ".pdf", ".zip", ".png"};

QString makeName(std::mt19937& rng, bool folder) {
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const QString w1 = QLatin1String(kWords[pick(18)]);
    const QString w2 = QLatin1String(kWords[pick(18)]);
    if (folder)
        return w1 + u' ' + QString::number(pick(1000));
    switch (pick(4)) {
    case 0:
        return QStringLiteral("IMG_%1.JPG").arg(pick(10000), 4, 10, QLatin1Char('0'));
    case 1:
        return pick(50) == 0 ? QStringLiteral("readme.txt")
                             : w1 + QLatin1String(kExtensions[pick(7)]);
    default:
        return w1 + u'_' + w2 + u' ' + QString::number(pick(100000)) +
               QLatin1String(kExtensions[pick(7)]);
    }
}

bool buildCatalogue(const QString& path) {
    SilentUi ui;
    QString p = path;
    if (!OpenCatalogue(p, false, false, ui, nullptr))
        return false;
    Database& d = db();
    d.setCacheSize(256);
    Transaction t(d);
    if (!d.Execute(QStringLiteral(
            "INSERT INTO Images(ID, Serial, NodeID, Type, Name, Date, Source, Label, FileSystem) "
            "VALUES(1, '00000001', 0, 3, 'Big disk', '2024-03-05 14:07:09', 'D', 'BIG', 'ext4'), "
            "(2, '00000002', 0, 3, 'Backup', '2024-03-06 14:07:09', 'E', 'BAK', 'ext4')")))
        return false;
    Statement items = d.prepare(
        QStringLiteral("INSERT INTO Items(ID, ImageID, ParentID, Type, Name, Attrib, Size, TimeM) "
                       "VALUES(?, ?, ?, ?, ?, 32, ?, '2024-01-02 03:04:05')"));
    std::mt19937 rng(20240305);
    QList<int> folders{0};
    for (int id = 1; id <= kItems; ++id) {
        const bool folder = id % kFolderEvery == 1;
        const QString name = makeName(rng, folder);
        const qint64 parent = folders.at(int(rng() % unsigned(folders.size())));
        const qint64 size = folder ? 0 : qint64(rng() % 50000000);
        for (int image = 1; image <= (id <= kCopied ? 2 : 1); ++image) {
            items.bindInt64(1, id);
            items.bindInt64(2, image);
            items.bindInt64(3, parent);
            items.bindInt64(4, folder ? 0 : 1);
            items.bindText(5, name);
            items.bindInt64(6, size);
            if (!items.execute())
                return false;
        }
        if (folder)
            folders.append(id);
    }
    if (!t.commit())
        return false;
    CloseCatalogue(nullptr);
    return true;
}

// One run of ledra-cli with its output thrown away, in milliseconds and peak KiB.
MeasuredRun runCli(const QStringList& args) {
    std::vector<QByteArray> argv{QFile::encodeName(BenchCliPath())};
    for (const QString& a : args)
        argv.push_back(a.toUtf8());
    return RunMeasured(argv);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
    const QString path = dir.path() + QStringLiteral("/bench.ldr");

    QElapsedTimer build;
    build.start();
    if (!buildCatalogue(path)) {
        out << "could not build the catalogue: " << db().lastError().description << Qt::endl;
        return 1;
    }
    out << "catalogue of " << kItems + kCopied << " items built in " << build.elapsed() / 1000.0
        << " s" << Qt::endl;

    // Reference: one pass of the engine over every name, in this process.
    SilentUi ui;
    QString p = path;
    OpenCatalogue(p, true, true, ui, nullptr);
    QElapsedTimer t;
    t.start();
    db().scalar(QStringLiteral("SELECT SUM(length(Name)) FROM Items"));
    const double reference = double(t.nsecsElapsed()) / 1e6;
    CloseCatalogue(nullptr);
    const MeasuredRun startup = runCli({QStringLiteral("info"), path});
    out << "reference: one scan of all names " << reference << " ms; ledra-cli info "
        << startup.seconds * 1000 << " ms, " << startup.peakKiB / 1024 << " MiB" << Qt::endl;

    const QString file = dir.path() + QStringLiteral("/out");
    const struct {
        const char* label;
        QStringList args;
    } cases[] = {
        {"dupes (1,300,000 items)", {QStringLiteral("dupes"), path}},
        {"single-copy of image 1", {QStringLiteral("single-copy"), path, QStringLiteral("1")}},
        {"export csv (1,000,000 items)",
         {QStringLiteral("export"), path, QStringLiteral("1"), QStringLiteral("--format"),
          QStringLiteral("csv"), QStringLiteral("-o"), file + QStringLiteral(".csv")}},
        {"export jsonl",
         {QStringLiteral("export"), path, QStringLiteral("1"), QStringLiteral("--format"),
          QStringLiteral("jsonl"), QStringLiteral("-o"), file + QStringLiteral(".jsonl")}},
        {"export html",
         {QStringLiteral("export"), path, QStringLiteral("1"), QStringLiteral("--format"),
          QStringLiteral("html"), QStringLiteral("-o"), file + QStringLiteral(".html")}},
    };
    for (const auto& c : cases) {
        const MeasuredRun r = runCli(c.args);
        out << c.label << ": " << r.seconds * 1000 << " ms, peak " << r.peakKiB / 1024
            << " MiB, ratio to "
            << "reference " << r.seconds * 1000 / reference << Qt::endl;
    }
    for (const char* suffix : {".csv", ".jsonl", ".html"})
        out << "output" << suffix << ": "
            << QFileInfo(file + QLatin1String(suffix)).size() / (1024 * 1024) << " MiB" << Qt::endl;
    if (!qEnvironmentVariableIsEmpty("LEDRA_BENCH_KEEP")) {
        dir.setAutoRemove(false);
        out << "kept in " << dir.path() << Qt::endl;
    }
    return 0;
}
