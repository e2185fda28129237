#include "CatalogueFixture.h"
#include "DiskScanSupport.h"
#include "UpdateTestSupport.h"

#include "catalogue/mdlDatabase.h"
#include "disk/mdlUpdate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace DiskTest;
using namespace UpdateTest;

namespace {

const QStringList kTree = {QStringLiteral("a/x.txt"),        QStringLiteral("a/keep.txt"),
                           QStringLiteral("a/sub/deep.txt"), QStringLiteral("b/y.txt"),
                           QStringLiteral("dup1/same.txt"),  QStringLiteral("dup2/same.txt"),
                           QStringLiteral("root.txt")};

QStringList L(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

ScanOptions quiet(bool times = false) {
    ScanOptions o;
    o.displaySummary = false;
    o.scanTime = times;
    return o;
}

qint32 scan(const QString& root, const ScanOptions& o) {
    SilentUi ui;
    FixedSource src(root);
    DiskScan s(db(), ui);
    s.options = o;
    return s.NewDisk(src) == DiskScan::Result::Done ? s.ImageID : 0;
}

// One change to the tree: "add:P", "rm:P", "rmdir:P", "append:P", "touch:P" (an hour later,
// same size), "mv:P>Q", "copy:P>Q", "file:P" (a file where a folder was).
void change(const QString& root, const QString& command) {
    const QString verb = command.section(QLatin1Char(':'), 0, 0);
    const QString arg = command.section(QLatin1Char(':'), 1);
    const QString p = root + QLatin1Char('/') + arg.section(QLatin1Char('>'), 0, 0);
    const QString q = root + QLatin1Char('/') + arg.section(QLatin1Char('>'), 1);
    if (verb == QLatin1String("add") || verb == QLatin1String("file")) {
        makeTree(root, {arg});
    } else if (verb == QLatin1String("rm")) {
        QFile::remove(p);
    } else if (verb == QLatin1String("rmdir")) {
        QDir(p).removeRecursively();
    } else if (verb == QLatin1String("append")) {
        QFile f(p);
        QVERIFY(f.open(QIODevice::Append));
        f.write("more");
    } else if (verb == QLatin1String("touch")) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(p).constData(), &st), 0);
        const struct timeval tv[2] = {{st.st_atime, 0}, {st.st_mtime + 3600, 0}};
        QCOMPARE(::utimes(QFile::encodeName(p).constData(), tv), 0);
    } else if (verb == QLatin1String("mv")) {
        QDir().mkpath(QFileInfo(q).absolutePath());
        QVERIFY(QDir().rename(p, q));
    } else if (verb == QLatin1String("copy")) {
        QDir().mkpath(QFileInfo(q).absolutePath());
        QVERIFY(QFile::copy(p, q));
    }
}

struct Fixture {
    QTemporaryDir temp;
    QString tree;
    QString catalogue;
    Fixture() {
        tree = temp.path() + QStringLiteral("/tree");
        catalogue = temp.path() + QStringLiteral("/c.ldr");
        QDir().mkpath(tree);
        makeTree(tree, kTree);
        openNewCatalogue(catalogue);
    }
};

qint32 itemId(qint32 imageId, const QString& name) {
    return db()
        .scalar(QStringLiteral("SELECT ID FROM Items WHERE ImageID=? AND Name=?"), {imageId, name})
        .toInt();
}

} // namespace

class TestUpdate : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }
    void cleanup() { CloseDatabase(); }

    // An untouched disk: every item kept, and the catalogue file not written at all.
    void nothingChanged() {
        Fixture fx;
        const qint32 id = scan(fx.tree, quiet(true));
        QVERIFY(id > 0);
        const QByteArray before = readBytes(fx.catalogue);
        ScriptedUi ui;
        ImageUpdate u(db(), ui, id);
        u.options = quiet(true);
        FixedSource src(fx.tree);
        QCOMPARE(u.Read(src), DiskScan::Result::Done);
        QCOMPARE(countsText(u), QStringLiteral("0 0 0 0 12"));
        QVERIFY(!u.hasWrites());
        QCOMPARE(u.Apply([](Database&, qint32) { return false; }), DiskScan::Result::Done);
        QCOMPARE(readBytes(fx.catalogue), before);
    }

    void differences_data() {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<bool>("times");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("counts");
        QTest::newRow("added file")
            << L({"add:b/new.txt"}) << false << L({"+ /b/new.txt"}) << QStringLiteral("1 0 0 0 12");
        QTest::newRow("added folders")
            << L({"add:c/d/new.txt"}) << false << L({"+ /c", "+ /c/d", "+ /c/d/new.txt"})
            << QStringLiteral("3 0 0 0 12");
        QTest::newRow("removed file")
            << L({"rm:b/y.txt"}) << false << L({"- /b/y.txt"}) << QStringLiteral("0 1 0 0 11");
        QTest::newRow("removed folder")
            << L({"rmdir:a/sub"}) << false << L({"- /a/sub", "- /a/sub/deep.txt"})
            << QStringLiteral("0 2 0 0 10");
        QTest::newRow("changed size") << L({"append:root.txt"}) << false << L({"~ /root.txt"})
                                      << QStringLiteral("0 0 1 0 11");
        QTest::newRow("changed time")
            << L({"touch:root.txt"}) << true << L({"~ /root.txt"}) << QStringLiteral("0 0 1 0 11");
        QTest::newRow("time not read")
            << L({"touch:root.txt"}) << false << L({}) << QStringLiteral("0 0 0 0 12");
        QTest::newRow("moved file") << L({"mv:a/x.txt>b/x.txt"}) << false
                                    << L({"> /a/x.txt /b/x.txt"}) << QStringLiteral("0 0 0 1 11");
        QTest::newRow("moved folder") << L({"mv:a/sub>b/sub"}) << true
                                      << L({"> /a/sub /b/sub", "> /a/sub/deep.txt /b/sub/deep.txt"})
                                      << QStringLiteral("0 0 0 2 10");
        QTest::newRow("renamed is not moved")
            << L({"mv:a/x.txt>a/z.txt"}) << false << L({"+ /a/z.txt", "- /a/x.txt"})
            << QStringLiteral("1 1 0 0 11");
        QTest::newRow("two removed candidates")
            << L({"mv:dup1/same.txt>c/same.txt", "rm:dup2/same.txt"}) << false
            << L({"+ /c", "+ /c/same.txt", "- /dup1/same.txt", "- /dup2/same.txt"})
            << QStringLiteral("2 2 0 0 10");
        QTest::newRow("two added candidates")
            << L({"mv:a/x.txt>c/x.txt", "copy:c/x.txt>b/x.txt"}) << false
            << L({"+ /b/x.txt", "+ /c", "+ /c/x.txt", "- /a/x.txt"})
            << QStringLiteral("3 1 0 0 11");
        QTest::newRow("folder replaced by a file")
            << L({"rmdir:a/sub", "file:a/sub"}) << false
            << L({"+ /a/sub", "- /a/sub", "- /a/sub/deep.txt"}) << QStringLiteral("1 2 0 0 10");
    }
    // Each kind of difference is found, and the image written is what a fresh scan of the
    // changed disk gives (item for item, with every refreshed value).
    void differences() {
        QFETCH(QStringList, changes);
        QFETCH(bool, times);
        QFETCH(QStringList, lines);
        QFETCH(QString, counts);
        Fixture fx;
        const qint32 id = scan(fx.tree, quiet(times));
        // Folder sizes change with their contents: touch nothing else in the same second.
        for (const QString& c : changes)
            change(fx.tree, c);
        ScriptedUi ui;
        ImageUpdate u(db(), ui, id);
        u.options = quiet(times);
        FixedSource src(fx.tree, QStringLiteral("NEWLABEL"));
        QCOMPARE(u.Read(src), DiskScan::Result::Done);
        QCOMPARE(diffLines(u), lines);
        QCOMPARE(countsText(u), counts);
        QCOMPARE(u.Apply(), DiskScan::Result::Done);
        const qint32 fresh = scan(fx.tree, quiet(times));
        QCOMPARE(pathRows(id), pathRows(fresh));
        QCOMPARE(
            db().scalar(QStringLiteral("SELECT Name || '|' || Label FROM Images WHERE ID=?"), {id})
                .toString(),
            QStringLiteral("DISK|NEWLABEL"));
    }

    // Kept items keep their IDs and notes; a move carries them; a removed item's are reported.
    void notesKeptCarriedAndLost() {
        Fixture fx;
        const qint32 id = scan(fx.tree, quiet());
        const qint32 keep = itemId(id, QStringLiteral("keep.txt"));
        const qint32 sub = itemId(id, QStringLiteral("sub"));
        QVERIFY(db().Execute(QStringLiteral("UPDATE Items SET Keywords='k' WHERE ID=? AND "
                                            "ImageID=?"),
                             {keep, id}));
        QVERIFY(db().Execute(QStringLiteral("UPDATE Items SET Comment='moved with me' WHERE "
                                            "Name='deep.txt' AND ImageID=?"),
                             {id}));
        QVERIFY(db().Execute(QStringLiteral("UPDATE Items SET Description='d' WHERE Name IN "
                                            "('y.txt', 'same.txt') AND ImageID=?"),
                             {id}));
        change(fx.tree, QStringLiteral("append:a/keep.txt"));
        change(fx.tree, QStringLiteral("mv:a/sub/deep.txt>b/deep.txt"));
        change(fx.tree, QStringLiteral("rm:b/y.txt"));
        change(fx.tree, QStringLiteral("mv:dup1/same.txt>c/same.txt"));
        change(fx.tree, QStringLiteral("rm:dup2/same.txt"));
        ScriptedUi ui;
        ImageUpdate u(db(), ui, id);
        u.options = quiet();
        FixedSource src(fx.tree);
        QCOMPARE(u.Read(src), DiskScan::Result::Done);
        QCOMPARE(u.lostNotes(), 3);
        QCOMPARE(u.lostNotesText(), QStringLiteral("3 removed items have keywords or comments"));
        QCOMPARE(u.Apply(), DiskScan::Result::Done);
        QCOMPARE(itemId(id, QStringLiteral("keep.txt")), keep);
        QCOMPARE(itemId(id, QStringLiteral("sub")), sub);
        QCOMPARE(db().scalar(QStringLiteral("SELECT Keywords || Size FROM Items WHERE ID=? AND "
                                            "ImageID=?"),
                             {keep, id})
                     .toString(),
                 QStringLiteral("k14"));
        // The moved file: a new ID above every old one, under its new folder, its comment kept.
        QCOMPARE(db().scalar(QStringLiteral("SELECT i.ID > 12 AND p.Name='b' AND "
                                            "i.Comment='moved with me' FROM Items i JOIN Items p "
                                            "ON p.ID=i.ParentID AND p.ImageID=i.ImageID WHERE "
                                            "i.Name='deep.txt' AND i.ImageID=?"),
                             {id})
                     .toInt(),
                 1);
        QCOMPARE(
            db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE Description='d'")).toInt(),
            0);
    }

    // Cancel at any pause of the reading leaves the catalogue as it was and writes nothing.
    void cancelAtEveryPause() {
        Fixture fx;
        const qint32 id = scan(fx.tree, quiet());
        change(fx.tree, QStringLiteral("add:c/new.txt"));
        const QString before = catalogueDump();
        int pauses = 0;
        {
            PauseHookUi ui;
            ImageUpdate u(db(), ui, id);
            u.options = quiet();
            FixedSource src(fx.tree);
            QCOMPARE(u.Read(src), DiskScan::Result::Done);
            pauses = ui.pauses;
        }
        QVERIFY(pauses >= 5);
        for (int at = 1; at <= pauses; ++at) {
            PauseHookUi ui;
            ImageUpdate u(db(), ui, id);
            u.options = quiet();
            ui.onPause = [&] {
                if (ui.pauses == at)
                    u.cancel();
            };
            FixedSource src(fx.tree);
            QVERIFY2(u.Read(src) == DiskScan::Result::Cancelled, qPrintable(QString::number(at)));
            QCOMPARE(u.Apply(), DiskScan::Result::Failed);
        }
        QCOMPARE(catalogueDump(), before);
    }

    // The process dies with every row written but before the commit: nothing has changed.
    void crashMidWrite() {
        Fixture fx;
        const qint32 id = scan(fx.tree, quiet());
        change(fx.tree, QStringLiteral("rmdir:a"));
        change(fx.tree, QStringLiteral("add:c/new.txt"));
        const QString before = catalogueDump();
        ScriptedUi ui;
        ImageUpdate u(db(), ui, id);
        u.options = quiet();
        FixedSource src(fx.tree);
        QCOMPARE(u.Read(src), DiskScan::Result::Done);
        const pid_t child = ::fork();
        if (child == 0) {
            u.Apply([](Database& d, qint32 image) {
                // Prove the rows are in before dying.
                if (d.scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=? AND "
                                            "Name='new.txt'"),
                             {image})
                        .toInt() == 1)
                    ::_exit(42);
                ::_exit(1);
                return true;
            });
            ::_exit(2);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 42);
        CloseDatabase();
        SetDatabaseName(fx.catalogue);
        QCOMPARE(OpenVerifiedDatabase(false, false), 0);
        QCOMPARE(catalogueDump(), before);
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TestUpdate)
#include "tst_update.moc"
