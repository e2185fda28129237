// Times Find searches over a catalogue of 1,000,000 items through `ledra-cli find`, and prints
// each against a plain full-table LIKE scan measured in the same run.
#include "catalogue/Engine.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/Ui.h"
#include "search/mdlFind.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <random>

namespace {

constexpr int kImages = 50;
constexpr int kItemsPerImage = 20000;

const char* const kWords[] = {
    "report", "budget",  "holiday", "invoice", "letter",  "summary",  "project", "backup",
    "photo",  "family",  "music",   "video",   "draft",   "final",    "notes",   "minutes",
    "setup",  "install", "driver",  "manual",  "scan",    "contract", "resume",  "archive",
    "game",   "save",    "config",  "system",  "library", "data",     "export",  "import"};
const char* const kExtensions[] = {".txt", ".doc", ".jpg", ".mp3", ".pdf", ".xls", ".zip",
                                   ".exe", ".dll", ".ini", ".htm", ".png", ".wav", ".bmp"};

// Names of the kind a disk holds: IMG_4821.JPG, report-2019-03.doc, setup.exe, readme.txt.
QString makeName(std::mt19937& rng, bool folder) {
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const QString w1 = QLatin1String(kWords[pick(32)]);
    const QString w2 = QLatin1String(kWords[pick(32)]);
    if (folder)
        return pick(3) == 0 ? QString(w1 + QString::number(pick(100))) : QString(w1 + u' ' + w2);
    const QString ext = QLatin1String(kExtensions[pick(14)]);
    switch (pick(6)) {
    case 0:
        return QStringLiteral("IMG_%1.JPG").arg(pick(10000), 4, 10, QLatin1Char('0'));
    case 1:
        return w1 + u'-' + QString::number(1990 + pick(35)) + u'-' +
               QStringLiteral("%1").arg(1 + pick(12), 2, 10, QLatin1Char('0')) + ext;
    case 2:
        return w1 + u'_' + w2 + ext;
    case 3:
        return pick(50) == 0 ? QStringLiteral("readme.txt") : w1 + ext;
    case 4:
        return w1 + u' ' + w2 + u' ' + QString::number(pick(1000)) + ext;
    default:
        return w1.left(1).toUpper() + w1.mid(1) + QString::number(pick(100)) + ext;
    }
}

bool buildCatalogue(const QString& path, QTextStream& out) {
    SilentUi ui;
    QString p = path;
    if (!OpenCatalogue(p, false, false, ui, nullptr))
        return false;
    Database& d = db();
    d.setCacheSize(256);
    Transaction t(d);
    std::mt19937 rng(20240305);
    Statement images = d.prepare(QStringLiteral(
        "INSERT INTO Images(ID, Serial, NodeID, Type, Name, Date, Source, Label, FileSystem) "
        "VALUES(?, ?, 0, 3, ?, '2024-03-05 14:07:09', 'D', 'DISK', 'ext4')"));
    Statement items = d.prepare(
        QStringLiteral("INSERT INTO Items(ID, ImageID, ParentID, Type, Name, Attrib, Size, "
                       "Keywords) VALUES(?, ?, ?, ?, ?, 32, ?, ?)"));
    int rare = 0;
    for (int image = 1; image <= kImages; ++image) {
        images.bindInt64(1, image);
        images.bindText(2, QStringLiteral("%1").arg(image, 8, 16, QLatin1Char('0')));
        images.bindText(3, QStringLiteral("Disk %1").arg(image));
        if (!images.execute())
            return false;
        // Every 20th item is a folder; an item's parent is a folder made before it.
        QList<int> folders{0};
        for (int id = 1; id <= kItemsPerImage; ++id) {
            const bool folder = id % 20 == 1;
            QString name = makeName(rng, folder);
            // Seven names in the whole catalogue hold the rare text.
            if (id == 777 && image % 7 == 0)
                name = QStringLiteral("old-q7x-%1.txt").arg(++rare);
            items.bindInt64(1, id);
            items.bindInt64(2, image);
            items.bindInt64(3, folders.at(int(rng() % unsigned(folders.size()))));
            items.bindInt64(4, folder ? 0 : 1);
            items.bindText(5, name);
            if (folder)
                items.bindNull(6);
            else
                items.bindInt64(6, qint64(rng() % 5000000));
            if (rng() % 200 == 0)
                items.bindText(7, QStringLiteral("weekly backup"));
            else
                items.bindNull(7);
            if (!items.execute())
                return false;
            if (folder)
                folders.append(id);
        }
    }
    if (!t.commit())
        return false;
    out << "rare names written: " << rare << Qt::endl;
    CloseCatalogue(nullptr);
    return true;
}

QString cliPath() {
    const QByteArray env = qgetenv("LEDRA_CLI");
    if (!env.isEmpty())
        return QFile::decodeName(env);
    // The benchmarks are built one folder below the executables.
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../ledra-cli");
}

// Best of three runs, in milliseconds.
double timeCli(const QStringList& args, int* lines) {
    double best = 1e18;
    for (int run = 0; run < 3; ++run) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(cliPath(), args);
        p.waitForFinished(-1);
        best = qMin(best, double(t.nsecsElapsed()) / 1e6);
        *lines = int(p.readAllStandardOutput().count('\n'));
    }
    return best;
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
    if (!buildCatalogue(path, out)) {
        out << "could not build the catalogue: " << db().lastError().description << Qt::endl;
        return 1;
    }
    out << "catalogue of " << kImages * kItemsPerImage << " items built in "
        << build.elapsed() / 1000.0 << " s" << Qt::endl;

    // Reference: the engine's own LIKE over every name, in this process, best of three.
    SilentUi ui;
    QString p = path;
    OpenCatalogue(p, true, true, ui, nullptr);
    double reference = 1e18;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE Name LIKE '%q7x%'"));
        reference = qMin(reference, double(t.nsecsElapsed()) / 1e6);
    }
    // The same rare search in this process, and the pattern function alone: what the join and
    // the process cost on top of matching every name.
    double inProcess = 1e18, bare = 1e18;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        QList<FindMatch> matches;
        QString message;
        FindCriteria criteria;
        criteria.name = QStringLiteral("*q7x*");
        RunFind(db(), criteria, &matches, &message);
        inProcess = qMin(inProcess, double(t.nsecsElapsed()) / 1e6);
        t.restart();
        db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE LEDRA_LIKE('*q7x*', Name)"));
        bare = qMin(bare, double(t.nsecsElapsed()) / 1e6);
    }
    FindQuery query;
    QString message;
    FindCriteria criteria;
    criteria.name = QStringLiteral("*q7x*");
    BuildFindQuery(criteria, &query, &message);
    Recordset plan =
        db().OpenRecordset(QStringLiteral("EXPLAIN QUERY PLAN ") + query.sql, query.params);
    for (; !plan.Eof(); plan.MoveNext())
        out << "plan: " << plan.text(3) << Qt::endl;
    plan.Close();
    CloseCatalogue(nullptr);
    out << "rare substring in process " << inProcess << " ms; LEDRA_LIKE over all names alone "
        << bare << " ms" << Qt::endl;
    int lines = 0;
    const double startup = timeCli({QStringLiteral("info"), path}, &lines);
    out << "reference: built-in LIKE scan of all names " << reference << " ms; "
        << "ledra-cli info (start-up and open) " << startup << " ms" << Qt::endl;

    const struct {
        const char* label;
        QStringList args;
    } cases[] = {
        {"rare substring *q7x*", {QStringLiteral("--name"), QStringLiteral("*q7x*")}},
        {"common substring *e* (TOP 100)", {QStringLiteral("--name"), QStringLiteral("*e*")}},
        {"exact name readme.txt", {QStringLiteral("--name"), QStringLiteral("readme.txt")}},
        {"*.txt with keywords *backup*",
         {QStringLiteral("--name"), QStringLiteral("*.txt"), QStringLiteral("--keywords"),
          QStringLiteral("*backup*")}},
    };
    for (const auto& c : cases) {
        const double ms = timeCli(QStringList{QStringLiteral("find"), path} + c.args, &lines);
        out << c.label << ": " << ms << " ms, " << lines << " lines, ratio to reference "
            << ms / reference << Qt::endl;
    }
    return 0;
}
