// The scan of a disk into a catalogue, its source read directly or ahead on a second thread.
#include "DiskScanSupport.h"
#include "UpdateTestSupport.h"

#include "catalogue/mdlDatabase.h"
#include "disk/FolderSource.h"
#include "disk/ReadAheadSource.h"
#include "disk/mdlScan.h"
#include "platform/mdlDirList.h"
#include "platform/mdlVolume.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace DiskTest;
using namespace UpdateTest;
using namespace Qt::StringLiterals;

namespace {

// Every path with its size, a folder's the sum due: powers of two, so no two mistakes agree.
const QList<QPair<QString, qint64>> kSizedTree = {{u"ONE.TXT"_s, 1},    {u"two long.txt"_s, 2},
                                                  {u"A/"_s, 508},       {u"A/a1"_s, 4},
                                                  {u"A/a2"_s, 8},       {u"A/a3"_s, 16},
                                                  {u"A/B/"_s, 224},     {u"A/B/b1"_s, 32},
                                                  {u"A/B/b2"_s, 64},    {u"A/B/D/"_s, 128},
                                                  {u"A/B/D/d1"_s, 128}, {u"A/C/"_s, 256},
                                                  {u"A/C/c1"_s, 256},   {u"E/"_s, 0}};

QHash<QString, qint64> makeSized(const QString& root, const QList<QPair<QString, qint64>>& tree) {
    QHash<QString, qint64> sizes;
    for (const auto& [path, size] : tree) {
        sizes.insert(path, size);
        QDir().mkpath(root + u'/' + (path.endsWith(u'/') ? path : path.section(u'/', 0, -2)));
        QFile f(root + u'/' + path);
        if (!path.endsWith(u'/') && f.open(QIODevice::WriteOnly))
            f.write(QByteArray(size, 'x'));
    }
    return sizes;
}

// The rows due, in order: a folder's ID, then its files' in listing order, its subfolders'
// subtrees and its own row last; a folder's size is 0 when files are not written.
void expectRows(const QString& root, const QString& rel, qint64 parent, qint64& next,
                QStringList& rows, const QHash<QString, qint64>& sizes, bool files = true) {
    const qint64 id = next++;
    QStringList folders;
    QDirIterator it(root + u'/' + rel, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isDir()) {
            folders << it.fileName();
            continue;
        }
        const qint64 fileId = next++;
        if (files)
            rows << QStringLiteral("%1|%2|1|%3|%4")
                        .arg(fileId)
                        .arg(id)
                        .arg(it.fileName())
                        .arg(sizes.value(rel + it.fileName(), -1));
    }
    for (const QString& n : folders)
        expectRows(root, rel + n + u'/', id, next, rows, sizes, files);
    if (id != 0)
        rows << QStringLiteral("%1|%2|0|%3|%4")
                    .arg(id)
                    .arg(parent)
                    .arg(rel.section(u'/', -2, -2))
                    .arg(files ? sizes.value(rel, -1) : 0);
}

using Request = TreeSource::ListRequest;

// Everything a listing hands on, one line per entry.
class Transcript : public TreeEntrySink {
public:
    QStringList lines;
    bool entry(const TreeEntry& e) override {
        QString times;
        for (const char* t : e.times)
            times += t ? QString::fromLatin1(t, 19) : QStringLiteral("-");
        lines << QStringLiteral("  %1|%2|%3|%4|%5|%6|%7")
                     .arg(QString::fromUtf8(e.name.data(), qsizetype(e.name.size())),
                          QString::fromLatin1(
                              QByteArray(e.key.data(), qsizetype(e.key.size())).toHex()),
                          QString::number(e.isFolder), QString::number(e.size),
                          QString::number(e.attrib),
                          QString::fromUtf8(e.msdosName.data(), qsizetype(e.msdosName.size())),
                          times);
        return true;
    }
};

// One step of a walk: "root", "list", "enter NAME", "leave".
QStringList walk(TreeSource& source, const QStringList& steps, const Request& detailed) {
    Transcript t;
    for (const QString& step : steps) {
        if (step == QLatin1String("root")) {
            t.lines << QStringLiteral("root %1").arg(source.openRoot());
        } else if (step == QLatin1String("list")) {
            t.lines << QStringLiteral("list %1").arg(source.currentPath());
            const bool ok = source.list(detailed, t);
            t.lines << QStringLiteral("listed %1").arg(ok);
        } else if (step.startsWith(QLatin1String("enter "))) {
            const QByteArray key = step.mid(6).toUtf8();
            t.lines << QStringLiteral("enter %1")
                           .arg(
                               source.enter(std::string_view(key.constData(), size_t(key.size()))));
        } else if (step == QLatin1String("leave")) {
            source.leave();
            t.lines << QStringLiteral("leave");
        }
    }
    return t.lines;
}

// A source that takes its time over every listing, like a slow network share.
class SlowSource : public FolderSource {
public:
    using FolderSource::FolderSource;
    bool list(const ListRequest& request, TreeEntrySink& sink) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return FolderSource::list(request, sink);
    }
};

ReadAheadSource::Factory walkerOf(const QString& root) {
    return [root] { return std::make_unique<FolderSource>(root); };
}

// Nesting, empty folders, links to a folder above and to a file, a read-only file, a folder
// that cannot be read, odd names and a folder of several blocks.
void makeVariedTree(const QString& root) {
    QStringList paths = {
        QStringLiteral("a.txt"),      QStringLiteral("A/b.txt"),       QStringLiteral("A/B/C/c"),
        QStringLiteral("A/empty/"),   QStringLiteral("Z/z1"),          QStringLiteral("Z/Y/"),
        QStringLiteral("it's \"q\""), QStringLiteral("line\nbreak/x"), QStringLiteral("shut/b")};
    for (int i = 0; i < 1500; ++i)
        paths << QStringLiteral("Big/%1-%2.dat").arg(QString(200, QLatin1Char('n'))).arg(i);
    makeTree(root, paths);
    QFile::setPermissions(root + QStringLiteral("/a.txt"), QFile::ReadOwner);
    QFile::setPermissions(root + QStringLiteral("/shut"), QFileDevice::Permissions());
    QFile::link(root + QStringLiteral("/A"), root + QStringLiteral("/A/B/up"));
    QFile::link(root + QStringLiteral("/a.txt"), root + QStringLiteral("/Z/tof"));
    const QByteArray bad = QFile::encodeName(root) + "/bad\xff.bin";
    QFile f(QFile::decodeName(bad));
    if (f.open(QIODevice::WriteOnly))
        f.write("x");
}

// A scan of root as a volume of that serial; read ahead with the details announced, if given.
DiskScan::Result scanWith(Ui& ui, const QString& root, quint32 serial, ScanOptions o = quiet(),
                          ScanProgress* progress = nullptr, qint32* imageId = nullptr,
                          const Request* announced = nullptr) {
    FixedSource src(root, QStringLiteral("DISK"), serial);
    ReadAheadSource ahead(src, walkerOf(root), announced ? *announced : Request());
    DiskScan scan(db(), ui, progress);
    scan.options = o;
    const DiskScan::Result r =
        announced ? scan.NewDisk(ahead) : scan.NewDisk(static_cast<TreeSource&>(src));
    if (imageId)
        *imageId = scan.ImageID;
    return r;
}

} // namespace

class TestScan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        m_root = m_tree.path() + QStringLiteral("/tree");
        makeVariedTree(m_root);
        m_many = m_tree.path() + QStringLiteral("/many");
        for (int i = 0; i < 100; ++i)
            makeTree(m_many, {QStringLiteral("F/f%1").arg(i)});
    }
    void cleanupTestCase() {
        QFile::setPermissions(m_root + QStringLiteral("/shut"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void scanTree_data() {
        QTest::addColumn<bool>("msdos");
        QTest::addColumn<bool>("times");
        QTest::addColumn<bool>("files");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<bool>("planted"); // a row already holds the key of one file
        const QString all = QStringLiteral("Total of 9 files and 5 folders was written in 00:00.");
        QTest::newRow("F1/D1 short names and times") << true << true << true << all << false;
        QTest::newRow("F2/D2 times only") << false << true << true << all << false;
        QTest::newRow("F3/D3 short names only") << true << false << true << all << false;
        QTest::newRow("F4/D4 neither") << false << false << true << all << false;
        QTest::newRow("files not written: IDs kept, sizes 0")
            << false << false << false << all << false;
        QTest::newRow("a refused row costs that row alone")
            << false << false << true << all << true;
        QTest::newRow("empty volume")
            << false << false << true
            << QStringLiteral("Total of 0 files and 0 folders was written in 00:00.") << false;
    }
    // Numbering, parents, order and folder sums of a nested tree; the columns of each variant.
    void scanTree() {
        QFETCH(bool, msdos);
        QFETCH(bool, times);
        QFETCH(bool, files);
        QFETCH(QString, summary);
        QFETCH(bool, planted);
        Scratch fx;
        const bool empty = summary.contains(QLatin1String(" 0 files"));
        const QHash<QString, qint64> sizes =
            makeSized(fx.tree, empty ? QList<QPair<QString, qint64>>() : kSizedTree);
        QStringList expected;
        qint64 next = 0;
        expectRows(fx.tree, QString(), -1, next, expected, sizes, files);
        if (planted) {
            // Rows go several to a statement: the middle one of A's three files is refused.
            const QString refused = expected.filter(QStringLiteral("|1|a")).value(1);
            QVERIFY(db().Execute(QStringLiteral("INSERT INTO Items (ID, ImageID, ParentID, Type, "
                                                "Name) VALUES (?, 1, 99, 1, 'planted')"),
                                 {refused.section(u'|', 0, 0).toInt()}));
            QVERIFY(expected.removeOne(refused));
            expected.prepend(refused.section(u'|', 0, 0) + QStringLiteral("|99|1|planted|0"));
        }
        ScriptedUi ui;
        ScanOptions o = quiet();
        o.scanMSDOSName = msdos;
        o.scanTime = times;
        o.scanFiles = files;
        o.displaySummary = true;
        qint32 id = 0;
        QCOMPARE(scanWith(ui, fx.tree, 0x1234, o, nullptr, &id), DiskScan::Result::Done);
        QCOMPARE(itemRows(id), expected);
        QCOMPARE(ui.texts(), QStringList{summary});
        QCOMPARE(ui.shown.last().icon, Ui::Icon::Information);
        QCOMPARE(db().scalar(QStringLiteral("SELECT Name || '|' || Serial || '|' || Type || '|' || "
                                            "Source || '|' || Label FROM Images WHERE ID=?"),
                             {id})
                     .toString(),
                 QStringLiteral("DISK|00001234|2|D:|DISK"));
        Recordset rs = db().OpenRecordset(
            QStringLiteral("SELECT Name, MSDOSName, TimeC, TimeA, TimeM, Type, Content, Keywords "
                           "FROM Items WHERE ImageID=?"),
            {id});
        for (; !rs.Eof(); rs.MoveNext()) {
            const QString name = rs.text(0);
            const bool folder = rs.int64(5) == 0;
            QCOMPARE(rs.isNull(1), !msdos);
            // Upper-case names of the tree are 8.3 names; the others have no short form here.
            if (msdos)
                QCOMPARE(rs.text(1), name == name.toUpper() ? name : QString());
            // Folders never carry times; files carry access and modification times.
            QCOMPARE(rs.isNull(3), !times || folder);
            QCOMPARE(rs.isNull(4), !times || folder);
            if (times && !folder)
                QVERIFY(TextToDateTime(rs.text(4)).isValid());
            QVERIFY(rs.isNull(6) && rs.isNull(7));
        }
    }

    // Yes keeps the ID, Cancel changes nothing, No adds; two matches or serial 0 add unasked.
    void overwriteQuestion() {
        Scratch fx;
        makeTree(fx.tree, {QStringLiteral("a")});
        ScriptedUi ui;
        qint32 first = 0, id = 0;
        scanWith(ui, fx.tree, 7, quiet(), nullptr, &first);
        makeTree(fx.tree, {QStringLiteral("b")});

        ui.answers = {Ui::Answer::Yes};
        QCOMPARE(scanWith(ui, fx.tree, 7, quiet(), nullptr, &id), DiskScan::Result::Done);
        QCOMPARE(id, first);
        QCOMPARE(ui.lastText(), QStringLiteral("That drive (/media/disk) exist in database as "
                                               "DISK.\r\nDo you wish to overwrite?"));
        QCOMPARE(ui.shown.last().buttons, Ui::Buttons::YesNoCancel);
        // Enter must not delete an image.
        QCOMPARE(ui.shown.last().defaultButton, std::optional(Ui::Answer::Cancel));
        QCOMPARE(itemRows(id).size(), 2);

        const QString before = catalogueDump();
        ui.answers = {Ui::Answer::Cancel};
        QCOMPARE(scanWith(ui, fx.tree, 7, quiet(), nullptr, &id), DiskScan::Result::Refused);
        QCOMPARE(catalogueDump(), before);

        ui.answers = {Ui::Answer::No};
        QCOMPARE(scanWith(ui, fx.tree, 7, quiet(), nullptr, &id), DiskScan::Result::Done);
        QCOMPARE(id, first + 1);

        ui.clear();
        ui.defaultAnswer = Ui::Answer::Yes;
        for (int n : {2, 3, 4}) {
            QCOMPARE(scanWith(ui, fx.tree, n == 2 ? 7 : 0, quiet(), nullptr, &id),
                     DiskScan::Result::Done);
            QCOMPARE(id, first + n);
        }
        QVERIFY(ui.shown.isEmpty());
    }

    void imageName_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("eject"); // a CD drive whose tray does not open
        QTest::newRow("typed name")
            << u"LBL"_s << u"Holiday \"2002\""_s << u"Holiday \"2002\""_s << false;
        QTest::newRow("cleared gives label") << u"LBL"_s << QString() << u"LBL"_s << false;
        QTest::newRow("no label gives Untitled, eject fails")
            << QString() << QString() << u"Untitled"_s << true;
    }
    // The name asked for; an eject that fails is reported, the image kept.
    void imageName() {
        QFETCH(QString, label);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QFETCH(bool, eject);
        Scratch fx;
        ScriptedUi ui;
        ui.inputs = {typed};
        FixedSource src(fx.tree, label, 1);
        src.volumeReader = [facts = src.volumeReader](VolumeFacts& f) {
            facts(f);
            f.typeCode = DriveType::CdRom;
            f.device = QStringLiteral("/nonexistent/sr9");
            return true;
        };
        DiskScan scan(db(), ui);
        scan.options = quiet();
        scan.options.askForName = true;
        scan.options.eject = eject;
        QCOMPARE(scan.NewDisk(src), DiskScan::Result::Done);
        QCOMPARE(ui.prompts, QStringList{QStringLiteral("CD Name:")});
        QCOMPARE(db().scalar(QStringLiteral("SELECT Name FROM Images")).toString(), expected);
        QCOMPARE(ui.texts().join(u'|'), eject ? u"The disc in /nonexistent/sr9 could not be "
                                                "ejected: No such file or directory."_s
                                              : QString());
        QVERIFY(!eject || ui.shown.first().icon == Ui::Icon::Exclamation);
    }

    // Cancel at any pause, or a catalogue another program holds locked, leaves the catalogue
    // exactly as it was, an overwritten image too.
    void cancelLeavesCatalogueAsItWas_data() {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("start") << u"start"_s << false;
        QTest::newRow("after image row") << u"image"_s << true;
        QTest::newRow("counting pass") << u"collect"_s << true;
        QTest::newRow("listing") << u"listing"_s << true;
        QTest::newRow("writing") << u"writing"_s << false;
        QTest::newRow("writing, overwritten image") << u"writing"_s << true;
        QTest::newRow("held locked by another program") << u"locked"_s << false;
    }
    void cancelLeavesCatalogueAsItWas() {
        QFETCH(QString, moment);
        QFETCH(bool, overwrite);
        Scratch fx;
        PauseHookUi ui;
        scanWith(ui, m_many, 9);
        const QString before = catalogueDump();
        const bool locked = moment == QLatin1String("locked");
        Database other;
        if (locked) {
            QVERIFY(other.open(db().path(), Database::OpenMode::ReadWrite));
            QVERIFY(other.Execute(QStringLiteral("BEGIN IMMEDIATE")));
        }

        RecordingProgress progress;
        FixedSource src(m_many, QStringLiteral("DISK"), overwrite ? 9 : 10);
        DiskScan scan(db(), ui, &progress);
        scan.options = quiet();
        ui.answers = {Ui::Answer::Yes};
        ui.onPause = [&] {
            const bool now =
                (moment == QLatin1String("start")) ||
                (moment == QLatin1String("image") && scan.ImageID != 0 && progress.log.isEmpty()) ||
                (moment == QLatin1String("collect") && scan.CollectedCount > 84) ||
                (moment == QLatin1String("listing") && scan.ItemsWritten && progress.listing &&
                 scan.ScannedCount > 42) ||
                (moment == QLatin1String("writing") && scan.ItemsWritten && !progress.listing &&
                 scan.WrittenCount > 21);
            if (now)
                scan.cancel();
        };
        QCOMPARE(scan.NewDisk(src),
                 locked ? DiskScan::Result::Failed : DiskScan::Result::Cancelled);
        QVERIFY(!locked || ui.lastText().startsWith(QStringLiteral("Database error number 3051.")));
        QCOMPARE(catalogueDump(), before);
    }
    // Odd and long names, each a folder holding a file of the same name: each stored whole and
    // reversibly, and a folder whose name is cut in the catalogue walked by its name on disk. A
    // chain of folders far deeper than the descriptors kept open, or the stack would allow.
    void oddNamesAndDeepTree() {
        Scratch fx;
        const QByteArray root = QFile::encodeName(fx.tree);
        const QList<QPair<QByteArray, QString>> names = {
            {"it's \"quoted\"", QStringLiteral("it's \"quoted\"")},
            {"line\nbreak", QStringLiteral("line\nbreak")},
            {"back\\slash", QStringLiteral("back\\slash")},
            {"bad\xff\xfe.bin", QStringLiteral("bad/xFF/xFE.bin")},
            // Text that only looks like the bytes above.
            {"bad\\xFF\\xFE.bin", QStringLiteral("bad\\xFF\\xFE.bin")},
            {QByteArray(129, 'a'), QString(129, QLatin1Char('a'))},
            {QByteArray(255, 'n'), QString(255, QLatin1Char('n'))},
            {QString(127, QChar(0xE9)).toUtf8() + "x", QString(127, QChar(0xE9)) + u'x'},
            {QByteArray(255, '\xff'), QStringLiteral("/xFF").repeated(255)},
        };
        for (const auto& [raw, stored] : names) {
            QCOMPARE(::mkdir(QByteArray(root + '/' + raw).constData(), 0755), 0);
            const int fd = ::open(QByteArray(root + '/' + raw + '/' + raw).constData(),
                                  O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
        int fd = ::open(root.constData(), O_DIRECTORY | O_RDONLY);
        const int depth = 1500;
        for (int i = 0; i < depth; ++i) {
            QVERIFY(::mkdirat(fd, "d", 0755) == 0);
            const int next = ::openat(fd, "d", O_DIRECTORY | O_RDONLY);
            ::close(fd);
            fd = next;
        }
        ::close(::openat(fd, "leaf", O_CREAT | O_WRONLY, 0644));
        ::close(fd);
        ScriptedUi ui;
        qint32 id = 0;
        QCOMPARE(scanWith(ui, fx.tree, 1, quiet(), nullptr, &id), DiskScan::Result::Done);
        const QStringList rows = itemRows(id);
        QCOMPARE(rows.size(), 2 * names.size() + depth + 1);
        // Every level numbered in turn, the top's row written after its whole chain.
        const QString leaf = rows.filter(QStringLiteral("|1|leaf|0")).value(0);
        const qint64 top = leaf.section(u'|', 0, 0).toLongLong() - depth;
        QCOMPARE(leaf, QStringLiteral("%1|%2|1|leaf|0").arg(top + depth).arg(top + depth - 1));
        QVERIFY(rows.indexOf(QStringLiteral("%1|0|0|d|0").arg(top)) > rows.indexOf(leaf));
        for (const auto& [raw, expected] : names) {
            QVERIFY2(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items d JOIN Items f ON "
                                                "f.ImageID=d.ImageID AND f.ParentID=d.ID WHERE "
                                                "d.ImageID=? AND d.ParentID=0 AND d.Type=0 AND "
                                                "f.Type=1 AND d.Name=? AND f.Name=d.Name"),
                                 {id, expected})
                             .toInt() == 1,
                     raw.constData());
        }
        // The catalogue's own width checks, off during the scan, are on again.
        QVERIFY(!db().Execute(QStringLiteral("UPDATE Items SET Name=? WHERE ImageID=?"),
                              {QString(kItemNameChars + 1, QLatin1Char('n')), id}));
        QCOMPARE(db().lastError().number, int(EngineErr::TextTooLong));
        // The temporary folder's clean-up cannot name bytes that are not text.
        std::error_code ignored;
        for (const auto& [raw, expected] : names)
            std::filesystem::remove_all(QByteArray(root + '/' + raw).toStdString(), ignored);
    }

    // The texts of the progress area at their moments.
    void progressTexts_data() {
        QTest::addColumn<bool>("noCollect");
        QTest::newRow("with counting pass") << false;
        QTest::newRow("No Collect") << true;
    }
    void progressTexts() {
        QFETCH(bool, noCollect);
        Scratch fx;
        ScriptedUi ui;
        RecordingProgress p;
        ScanOptions o = quiet();
        o.noCollect = noCollect;
        scanWith(ui, m_many, 1, o, &p);
        const QStringList times = p.matching(QStringLiteral("time="));
        if (!noCollect) {
            QCOMPARE(times.first(), QStringLiteral("time=Collecting disk information..."));
            QVERIFY(times.contains(QStringLiteral("time=00:00 (102 items collected)")));
            QVERIFY(p.log.contains(QStringLiteral("max=102")));
            QVERIFY(p.log.contains(QStringLiteral("scannedTip=42 items scaned")));
            QVERIFY(p.log.contains(QStringLiteral("writtenTip=21 items written")));
            QVERIFY(times.contains(QStringLiteral("time=00:00 (00:00)")));
            QCOMPARE(p.log.last(), QStringLiteral("written=102"));
        } else {
            QVERIFY(p.matching(QStringLiteral("max=")).isEmpty());
            QCOMPARE(times.first(), QStringLiteral("time=00:00"));
            QVERIFY(times.contains(QStringLiteral("time=00:00 (41 items scaned)")));
            QVERIFY(times.contains(QStringLiteral("time=00:00 (20 items written)")));
        }
        QCOMPARE(p.matching(QStringLiteral("folder=")).first(),
                 QStringLiteral("folder=") + m_many + QLatin1Char('/'));
        QVERIFY(p.log.contains(QStringLiteral("folder=") + m_many + QStringLiteral("/F/")));
    }

    // Read-ahead walks that leave the scan's order get exactly what the front source gives.
    void answersAsTheFrontSource_data() {
        QTest::addColumn<QString>("steps");
        QTest::newRow("a subfolder skipped") << "root,list,enter Z,list,leave,enter A,list,leave";
        QTest::newRow("a folder listed twice") << "root,list,list";
        QTest::newRow("the parent listed again") << "root,list,enter A,list,leave,list";
        QTest::newRow("entered before listing") << "root,enter A,list,leave";
        QTest::newRow("a folder that is not there")
            << "root,list,enter nothing,list,leave,enter A,list,leave";
    }
    void answersAsTheFrontSource() {
        QFETCH(QString, steps);
        Request detailed;
        detailed.msdosNames = true;
        FolderSource direct(m_root);
        const QStringList expected = walk(direct, steps.split(u','), detailed);
        FolderSource front(m_root);
        ReadAheadSource ahead(front, walkerOf(m_root), detailed);
        QCOMPARE(walk(ahead, steps.split(u','), detailed), expected);
    }

    // A scan read ahead writes the same rows and shows the same progress, for each option set.
    void scanWritesTheSameImage_data() {
        QTest::addColumn<bool>("times");
        QTest::addColumn<bool>("msdos");
        QTest::addColumn<bool>("files");
        QTest::addColumn<bool>("collect");
        QTest::addColumn<bool>("announced"); // the details asked for are those announced
        QTest::newRow("times and short names") << true << true << true << true << true;
        QTest::newRow("no files") << false << false << false << true << true;
        QTest::newRow("no counting pass") << false << false << true << false << true;
        QTest::newRow("other details than announced") << true << true << true << true << false;
    }
    void scanWritesTheSameImage() {
        QFETCH(bool, times);
        QFETCH(bool, msdos);
        QFETCH(bool, files);
        QFETCH(bool, collect);
        QFETCH(bool, announced);
        Scratch fx;
        ScanOptions o = quiet();
        o.scanTime = times;
        o.scanMSDOSName = msdos;
        o.scanFiles = files;
        o.noCollect = !collect;
        const Request detailed = announced ? o.listRequest() : Request();

        ScriptedUi ui;
        RecordingProgress directProgress, aheadProgress;
        qint32 direct = 0, ahead = 0;
        QCOMPARE(scanWith(ui, m_root, 1, o, &directProgress, &direct), DiskScan::Result::Done);
        QCOMPARE(scanWith(ui, m_root, 2, o, &aheadProgress, &ahead, &detailed),
                 DiskScan::Result::Done);
        // Numbering and order of writing, then every other column by path.
        const QStringList rows = itemRows(direct);
        QVERIFY(rows.size() > 1500 || !files);
        QCOMPARE(itemRows(ahead), rows);
        // Links are files, never followed; a folder that cannot be read keeps its row.
        QCOMPARE(rows.filter(QStringLiteral("|0|shut|")).size(), 1);
        QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=? AND Type=1 "
                                            "AND Attrib & 1024 AND Name IN ('up', 'tof')"),
                             {direct})
                     .toInt(),
                 files ? 2 : 0);
        QCOMPARE(pathRows(ahead), pathRows(direct));
        // What the progress shows of the walk, without the clock.
        const QRegularExpression noClock(QStringLiteral("^(?!time=)"));
        QCOMPARE(aheadProgress.log.filter(noClock), directProgress.log.filter(noClock));
    }

    // A slow disk: the wait yields regularly; giving up lists nothing more and stops at once.
    void slowDisk() {
        const QString root = m_root;
        FolderSource front(root);
        int calls = 0;
        Transcript t;
        {
            ReadAheadSource ahead(
                front, [root] { return std::make_unique<SlowSource>(root); }, Request());
            ahead.whileWaiting = [&calls] { return ++calls > 0; };
            ahead.openRoot();
            QVERIFY(ahead.list(Request(), t));
            QCOMPARE(t.lines.size(), 8); // the varied tree's top
            QVERIFY(calls >= 2);
        }
        calls = 0;
        QElapsedTimer timer;
        timer.start();
        {
            ReadAheadSource ahead(
                front, [root] { return std::make_unique<SlowSource>(root); }, Request());
            ahead.whileWaiting = [&calls] { return ++calls < 2; };
            ahead.openRoot();
            t.lines.clear();
            QVERIFY(!ahead.list(Request(), t));
            QVERIFY(t.lines.isEmpty());
            QVERIFY(!ahead.enter("A"));
            ahead.leave();
        }
        QCOMPARE(calls, 2);
        // The reading thread was stopped at its next step, not left to finish the tree.
        QVERIFY(timer.elapsed() < 1500);
    }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_tree; // the read-ahead's tree, made once: the tests only read it
    QString m_root;
    QString m_many; // a hundred files in one folder, made once: the tests only read it
};

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
