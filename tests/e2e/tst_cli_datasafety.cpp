// What must never happen to a catalogue, with real files and real processes of ledra-cli:
// rows lost to a compaction, a catalogue left unreadable after a crash, links refused, a failed
// build left behind, and messages that name the wrong cause.
#include "CatalogueFixture.h"

#include "catalogue/Engine.h"
#include "catalogue/mdlCompact.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// fileSizeLimit > 0 runs the process as on a disk with that much room for any one file.
Run cli(const QStringList& args, qint64 fileSizeLimit = 0) {
    QProcess p;
    if (fileSizeLimit > 0) {
        p.setChildProcessModifier([fileSizeLimit] {
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);
        });
    }
    p.start(QStringLiteral(LEDRA_CLI), args);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QVariant query(const QString& catalogue, const QString& sql, const QVariantList& params = {}) {
    Database d;
    return d.open(catalogue, Database::OpenMode::ReadOnly) ? d.scalar(sql, params) : QVariant();
}

// Makes a folder (or file) refuse new entries and writes, also to the superuser when the file
// system allows (the immutable flag); false when neither works here.
class Protect {
public:
    explicit Protect(const QString& path) : m_path(path) {
        if (geteuid() != 0)
            m_on = ::chmod(QFile::encodeName(path).constData(), 0555) == 0;
        else
            m_on = QProcess::execute(u"chattr"_s, {u"+i"_s, path}) == 0;
        QFile probe(QFileInfo(path).isDir() ? path + u"/probe"_s : path);
        if (m_on && probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
            probe.close();
            if (QFileInfo(path).isDir())
                probe.remove();
            m_works = false;
        }
    }
    ~Protect() { off(); }
    void off() {
        if (!m_on)
            return;
        m_on = false;
        if (geteuid() != 0)
            ::chmod(QFile::encodeName(m_path).constData(), 0755);
        else
            QProcess::execute(u"chattr"_s, {u"-i"_s, m_path});
    }
    bool works() const { return m_on && m_works; }

private:
    QString m_path;
    bool m_on = false;
    bool m_works = true;
};

} // namespace

class TestCliDataSafety : public QObject {
    Q_OBJECT

    TestHome m_home;
    QString m_tree;

    // A catalogue with one image of the test tree: 40 items, the files numbered from 1.
    QString makeCatalogue(const QString& name) {
        const QString p = m_home.file(name);
        QFile::remove(p);
        if (cli({u"create"_s, p}).code != 0 || cli({u"scan"_s, p, m_tree}).code != 0)
            qFatal("cannot build a catalogue");
        return p;
    }

private slots:
    void initTestCase() {
        m_tree = m_home.file(u"tree"_s);
        for (int i = 1; i <= 40; ++i)
            QVERIFY(writeBytes(m_tree + u"/file %1.txt"_s.arg(i), QByteArray(i, 'x')));
    }

    void writersRacingCompaction_data() {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<int>("compactors");
        QTest::newRow("a scan racing a compaction") << u"scan"_s << 1;
        QTest::newRow("a set racing a compaction") << u"set"_s << 1;
        QTest::newRow("two compactions and a set") << u"set"_s << 2;
    }
    // Whatever a writer reports as done is in the catalogue afterwards; a writer that did not get
    // through says it was locked out; the catalogue stays a whole database.
    void writersRacingCompaction() {
        QFETCH(QString, writer);
        QFETCH(int, compactors);
        const QString cat = makeCatalogue(u"race.ldr"_s);
        QList<QProcess*> loops;
        for (int i = 0; i < compactors; ++i) {
            auto* p = new QProcess(this);
            p->start(u"/bin/sh"_s,
                     {u"-c"_s, u"for i in $(seq 30); do \"$0\" compact \"$1\"; done"_s,
                      QStringLiteral(LEDRA_CLI), cat});
            loops << p;
        }
        QList<qint64> done; // image IDs of scans, item IDs of sets
        int refused = 0;
        const QDeadlineTimer deadline(60000);
        for (int i = 1; i <= 40 && !deadline.hasExpired(); ++i) {
            const Run r =
                writer == u"scan"_s
                    ? cli({u"scan"_s, cat, m_tree, u"--add"_s, u"--name"_s, u"R%1"_s.arg(i)})
                    : cli({u"set"_s, cat, u"1"_s, QString::number(i), u"--comment"_s,
                           u"v%1"_s.arg(i)});
            if (r.code == 0) {
                done << (writer == u"scan"_s
                             ? r.out.section(u'\n', 0, 0).section(u'\t', 1).toLongLong()
                             : i);
            } else {
                QVERIFY2(r.err.startsWith(u"Database error number 3051.\n"_s), qPrintable(r.err));
                ++refused;
            }
        }
        for (QProcess* p : std::as_const(loops)) {
            QVERIFY(p->waitForFinished(120000));
            const QString err = QString::fromUtf8(p->readAllStandardError());
            for (const QString& line : err.split(u'\n', Qt::SkipEmptyParts)) {
                if (line.startsWith(u"Unexpected error number"_s))
                    QVERIFY2(line == u"Unexpected error number 3051."_s, qPrintable(err));
            }
        }
        QVERIFY(done.size() > refused);
        QCOMPARE(query(cat, u"PRAGMA quick_check"_s).toString(), u"ok"_s);
        for (qint64 id : std::as_const(done)) {
            if (writer == u"scan"_s)
                QCOMPARE(query(cat, u"SELECT COUNT(*) FROM Items WHERE ImageID=?"_s, {id}).toInt(),
                         40);
            else
                QCOMPARE(query(cat, u"SELECT Comment FROM Items WHERE ImageID=1 AND ID=?"_s, {id})
                             .toString(),
                         u"v%1"_s.arg(id));
        }
        QVERIFY(CompactLeftovers(cat).isEmpty());
    }

    void interruptedWrite_data() {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QStringList>("args"); // after the catalogue
        QTest::addColumn<QString>("out");      // what the output holds
        QTest::addColumn<bool>("writable");
        QTest::newRow("info") << u"info"_s << QStringList() << u"images\t1"_s << true;
        QTest::newRow("ls") << u"ls"_s << QStringList() << u"I1\ttree"_s << true;
        QTest::newRow("find") << u"find"_s << QStringList{u"--name"_s, u"file 7*"_s}
                              << u"file 7.txt"_s << true;
        QTest::newRow("props") << u"props"_s << QStringList{u"1"_s} << u"tree"_s << true;
        QTest::newRow("folder not writable") << u"info"_s << QStringList() << QString() << false;
    }
    // A writer killed mid-transaction leaves a journal; reading commands roll it back when they
    // may, and otherwise say what to do, losing nothing.
    void interruptedWrite() {
        QFETCH(QString, verb);
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QFETCH(bool, writable);
        QTemporaryDir folder(m_home.file(u"crashXXXXXX"_s));
        const QString cat = folder.filePath(u"c.ldr"_s);
        QVERIFY(QFile::copy(makeCatalogue(u"crash.ldr"_s), cat));
        const pid_t child = fork();
        if (child == 0) {
            Database d;
            d.open(cat, Database::OpenMode::ReadWrite);
            d.Execute(u"PRAGMA cache_size=5"_s); // spill pages into the file before the end
            Transaction t(d);
            d.Execute(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<3000) "
                      "INSERT INTO Items(ID, ImageID, ParentID, Type, Name) "
                      "SELECT i, 9, 0, 1, printf('%0100d', i) FROM n"_s);
            ::raise(SIGKILL);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(QFileInfo::exists(cat + u"-journal"_s));
        std::optional<Protect> protect;
        if (!writable) {
            protect.emplace(folder.path());
            if (!protect->works())
                QSKIP("No way to make a folder read-only here.");
        }
        const Run r = cli(QStringList{verb, cat} + args);
        if (writable) {
            QCOMPARE(r.code, 0);
            QVERIFY2(r.out.contains(out), qPrintable(r.out + r.err));
            QVERIFY(!QFileInfo::exists(cat + u"-journal"_s));
        } else {
            QCOMPARE(r.code, 1);
            QVERIFY2(r.err.contains(u"needs recovery"_s), qPrintable(r.err));
            QVERIFY(QFileInfo::exists(cat + u"-journal"_s));
            protect.reset();
        }
        QCOMPARE(query(cat, u"SELECT COUNT(*) FROM Items WHERE ImageID=9"_s).toInt(), 0);
        QCOMPARE(query(cat, u"SELECT COUNT(*) FROM Items"_s).toInt(), 40);
    }

    void symbolicLinks_data() {
        QTest::addColumn<QString>("linkTo"); // what the link names: the file or its folder
        QTest::newRow("link to the catalogue file") << u"file"_s;
        QTest::newRow("link to the catalogue's folder") << u"folder"_s;
    }
    // Every verb works through a link, and compaction replaces the file, not the link.
    void symbolicLinks() {
        QFETCH(QString, linkTo);
        QTemporaryDir real(m_home.file(u"realXXXXXX"_s));
        const QString link = m_home.file(u"link-"_s + linkTo);
        QFile::remove(link);
        QString cat;
        if (linkTo == u"file"_s) {
            QVERIFY(cli({u"create"_s, real.filePath(u"c.ldr"_s)}).code == 0);
            QVERIFY(QFile::link(real.filePath(u"c.ldr"_s), link));
            cat = link;
        } else {
            QVERIFY(QFile::link(real.path(), link));
            cat = link + u"/c.ldr"_s;
            const Run r = cli({u"create"_s, cat});
            QCOMPARE(r.err, u"Database created!\n"_s);
        }
        QCOMPARE(cli({u"scan"_s, cat, m_tree}).code, 0);
        const Run compacted = cli({u"compact"_s, cat});
        QVERIFY2(compacted.code == 0, qPrintable(compacted.err));
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(CompactLeftovers(real.filePath(u"c.ldr"_s)).isEmpty());
        const Run info = cli({u"info"_s, cat});
        QCOMPARE(info.out, u"nodes\t0\nimages\t1\nitems\t40\n"_s);
        QCOMPARE(QDir(real.path()).entryList(QDir::Files), QStringList{u"c.ldr"_s});
    }

    // A catalogue that cannot be built (no room on the disk) leaves no file and no folder.
    void failedCreateLeavesNothing() {
        const QString folder = m_home.file(u"full/sub"_s);
        const Run r = cli({u"create"_s, folder + u"/new.ldr"_s}, 1000);
        QCOMPARE(r.code, 1);
        QVERIFY(!QFileInfo::exists(m_home.file(u"full"_s)));
        QVERIFY2(r.err.startsWith(u"Database error number 3026.\n"_s), qPrintable(r.err));
    }

    void compactionMessages_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::newRow("no room for the copy") << u"full"_s
                                              << u"Unexpected error number 3026.\n"
                                                 "There is not enough room on the disk "
                                                 "for the compacted copy '"_s;
        QTest::newRow("read-only folder")
            << u"folder"_s << u"Unexpected error number 3027.\nThe folder '%1' is read-only"_s;
        QTest::newRow("read-only file")
            << u"file"_s << u"Unexpected error number 3027.\nThe catalogue '%2' is read-only"_s;
    }
    // The message names the real cause, and the catalogue is left as it was.
    void compactionMessages() {
        QFETCH(QString, how);
        QFETCH(QString, message);
        QTemporaryDir folder(m_home.file(u"msgXXXXXX"_s));
        const QString cat = folder.filePath(u"c.ldr"_s);
        QVERIFY(QFile::copy(makeCatalogue(u"msg.ldr"_s), cat));
        {
            Database d;
            QVERIFY(d.open(cat, Database::OpenMode::ReadWrite));
            QVERIFY(d.Execute(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                              "WHERE i<2000) INSERT INTO Items(ID, ImageID, ParentID, Type, Name) "
                              "SELECT i, 2, 0, 1, printf('%0100d', i) FROM n"_s));
        }
        const QByteArray before = readBytes(cat);
        std::optional<Protect> protect;
        if (how != u"full"_s) {
            protect.emplace(how == u"folder"_s ? folder.path() : cat);
            if (!protect->works())
                QSKIP("No way to make a file or folder read-only here.");
        }
        const Run r = cli({u"compact"_s, cat}, how == u"full"_s ? before.size() / 2 : 0);
        protect.reset();
        QCOMPARE(r.code, 1);
        message.replace(u"%1"_s, folder.path()).replace(u"%2"_s, cat);
        QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
        QCOMPARE(readBytes(cat), before);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"c.ldr"_s});
    }

    // Images under nodes that never lead to the top are named on standard error.
    void lsNamesImagesOutsideTheTree() {
        const QString cat = makeCatalogue(u"cycle.ldr"_s);
        {
            Database d;
            QVERIFY(d.open(cat, Database::OpenMode::ReadWrite));
            QVERIFY(d.Execute(
                u"INSERT INTO Nodes(ID, ParentID, Name) VALUES(1, 2, 'A'), (2, 1, 'B')"_s));
            QVERIFY(
                d.Execute(u"INSERT INTO Images(ID, NodeID, Name, Type) VALUES(2, 1, 'Lost', 3)"_s));
        }
        const Run r = cli({u"ls"_s, cat});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"I1\ttree\n"_s);
        QVERIFY2(r.err.startsWith(u"Not shown: 1 image(s)"_s), qPrintable(r.err));
        QVERIFY(r.err.endsWith(u"\nI2\tLost\n"_s));
    }
};

QTEST_GUILESS_MAIN(TestCliDataSafety)
#include "tst_cli_datasafety.moc"
