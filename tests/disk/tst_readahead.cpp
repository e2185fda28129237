#include "DiskScanSupport.h"
#include "UpdateTestSupport.h"

#include "catalogue/mdlDatabase.h"
#include "disk/FolderSource.h"
#include "disk/ReadAheadSource.h"
#include "disk/mdlScan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <thread>

using namespace DiskTest;
using UpdateTest::FixedSource;
using UpdateTest::quiet;

namespace {

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
    SlowSource(const QString& root, int ms) : FolderSource(root), m_ms(ms) {}
    bool list(const ListRequest& request, TreeEntrySink& sink) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_ms));
        return FolderSource::list(request, sink);
    }

private:
    int m_ms;
};

ReadAheadSource::Factory walkerOf(const QString& root) {
    return [root] { return std::make_unique<FolderSource>(root); };
}

// A tree with nesting, empty folders, a link, odd names and one folder big enough to fill
// several of the queue's blocks.
void makeVariedTree(const QString& root) {
    QStringList paths = {QStringLiteral("a.txt"),      QStringLiteral("A/b.txt"),
                         QStringLiteral("A/B/C/c"),    QStringLiteral("A/empty/"),
                         QStringLiteral("Z/z1"),       QStringLiteral("Z/Y/"),
                         QStringLiteral("it's \"q\""), QStringLiteral("line\nbreak/x")};
    for (int i = 0; i < 1500; ++i)
        paths << QStringLiteral("Big/%1-%2.dat").arg(QString(200, QLatin1Char('n'))).arg(i);
    makeTree(root, paths);
    QFile::link(root + QStringLiteral("/A"), root + QStringLiteral("/A/B/up"));
    const QByteArray bad = QFile::encodeName(root) + "/bad\xff.bin";
    QFile f(QFile::decodeName(bad));
    if (f.open(QIODevice::WriteOnly))
        f.write("x");
}

} // namespace

class TestReadAhead : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        m_root = m_tree.path() + QStringLiteral("/tree");
        makeVariedTree(m_root);
    }
    void cleanup() { CloseDatabase(); }

    // Walks that leave the scan's order (a scan's own walks are below) get exactly what the
    // front source gives.
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

    // The scan's walks: the catalogue gets the same rows and the progress the same folders and
    // counts, for each set of options.
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
        const QString root = m_root;
        QTemporaryDir temp;
        QVERIFY(openNewCatalogue(temp.path() + QStringLiteral("/c.ldr")));
        ScanOptions o = quiet();
        o.scanTime = times;
        o.scanMSDOSName = msdos;
        o.scanFiles = files;
        o.noCollect = !collect;
        const Request detailed = announced ? o.listRequest() : Request();

        auto scan = [&](bool readAhead, quint32 serial, RecordingProgress& progress) {
            FixedSource front(root, QStringLiteral("DISK"), serial);
            ReadAheadSource ahead(front, walkerOf(root), detailed);
            ScriptedUi ui;
            DiskScan s(db(), ui, &progress);
            s.options = o;
            const DiskScan::Result r =
                readAhead ? s.NewDisk(ahead) : s.NewDisk(static_cast<TreeSource&>(front));
            return r == DiskScan::Result::Done ? s.ImageID : -1;
        };
        RecordingProgress directProgress;
        RecordingProgress aheadProgress;
        const qint32 direct = scan(false, 1, directProgress);
        const qint32 ahead = scan(true, 2, aheadProgress);
        QVERIFY(direct > 0 && ahead > 0);
        // Numbering and order of writing, then every other column by path.
        const QStringList rows = itemRows(direct);
        QVERIFY(rows.size() > 1500 || !files);
        QCOMPARE(itemRows(ahead), rows);
        QCOMPARE(UpdateTest::pathRows(ahead), UpdateTest::pathRows(direct));
        // What the progress shows of the walk, without the clock.
        const QRegularExpression noClock(QStringLiteral("^(?!time=)"));
        QCOMPARE(aheadProgress.log.filter(noClock), directProgress.log.filter(noClock));
    }

    // A slow disk: the wait hands control back regularly; giving it up lists nothing more and
    // lets the source go at once.
    void slowDisk() {
        QTemporaryDir temp;
        const QString root = temp.path() + QStringLiteral("/tree");
        makeTree(root, {QStringLiteral("A/a"), QStringLiteral("b")});
        FolderSource front(root);
        int calls = 0;
        Transcript t;
        {
            ReadAheadSource ahead(
                front, [root] { return std::make_unique<SlowSource>(root, 300); }, Request());
            ahead.whileWaiting = [&calls] { return ++calls > 0; };
            ahead.openRoot();
            QVERIFY(ahead.list(Request(), t));
            QCOMPARE(t.lines.size(), 2);
            QVERIFY(calls >= 2);
        }
        calls = 0;
        QElapsedTimer timer;
        timer.start();
        {
            ReadAheadSource ahead(
                front, [root] { return std::make_unique<SlowSource>(root, 300); }, Request());
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
    QTemporaryDir m_tree; // made once: the tests only read it
    QString m_root;
};

QTEST_GUILESS_MAIN(TestReadAhead)
#include "tst_readahead.moc"
