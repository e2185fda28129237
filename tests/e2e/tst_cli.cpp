// ledra-cli as a process: what must never happen to a catalogue (rows lost, files made or changed
// by a refused command, links broken, leftovers, messages naming a wrong cause), and --json.
#include "CatalogueFixture.h"
#include "OddNamesCatalogue.h"

#include "catalogue/Engine.h"
#include "catalogue/mdlCompact.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QVariant query(const QString& catalogue, const QString& sql, const QVariantList& params = {}) {
    Database d;
    return d.open(catalogue, Database::OpenMode::ReadOnly) ? d.scalar(sql, params) : QVariant();
}

bool execute(const QString& catalogue, const QString& sql) {
    Database d;
    return d.open(catalogue, Database::OpenMode::ReadWrite) && d.Execute(sql);
}

const QString kManyRows =
    u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<%1) INSERT INTO "
    "Items(ID, ImageID, ParentID, Type, Name) SELECT i, 9, 0, 1, printf('%0100d', i) FROM n"_s;

// A file or folder that refuses writes, to the superuser too (the immutable flag) where it can.
class Protect {
public:
    explicit Protect(const QString& path) : m_path(path) {
        m_on = geteuid() != 0 ? ::chmod(QFile::encodeName(path).constData(), 0555) == 0
                              : QProcess::execute(u"chattr"_s, {u"+i"_s, path}) == 0;
        const bool dir = QFileInfo(path).isDir();
        QFile probe(dir ? path + u"/probe"_s : path);
        m_works = m_on && !probe.open(QIODevice::Append);
        if (dir)
            probe.remove();
    }
    ~Protect() {
        if (m_on && geteuid() != 0)
            ::chmod(QFile::encodeName(m_path).constData(), 0755);
        else if (m_on)
            QProcess::execute(u"chattr"_s, {u"-i"_s, m_path});
    }
    bool works() const { return m_works; }

private:
    QString m_path;
    bool m_on = false, m_works = false;
};

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    TestHome m_home;
    QString m_tree;
    // Odd names for the --json tests.
    std::unique_ptr<OddNamesCatalogue> m_cat;

    // The objects printed (the catalogue path goes second); none if a line is not one object.
    QList<QJsonObject> objects(QStringList args) {
        args.insert(1, m_cat->path());
        const CliRun r = runCli(args << u"--json"_s);
        QList<QJsonObject> out;
        // A name's bytes that are not UTF-8 must not reach the text as they are.
        if (r.code != 0 || !r.out.endsWith(u'\n') || r.out.contains(QChar::ReplacementCharacter))
            return out;
        for (const QString& line : r.out.chopped(1).split(u'\n')) {
            const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8());
            if (!doc.isObject())
                return {};
            out.append(doc.object());
        }
        return out;
    }

    // One image of the test tree: 40 items, the files numbered from 1.
    QString makeCatalogue(const QString& path) {
        QFile::remove(path);
        if (runCli({u"create"_s, path}).code != 0 || runCli({u"scan"_s, path, m_tree}).code != 0)
            qFatal("cannot build a catalogue");
        return path;
    }

private slots:
    void initTestCase() {
        m_tree = m_home.file(u"tree"_s);
        for (int i = 1; i <= 40; ++i)
            QVERIFY(writeBytes(m_tree + u"/file %1.txt"_s.arg(i), QByteArray(i, 'x')));
        m_cat = std::make_unique<OddNamesCatalogue>();
    }

    void writersRacingCompaction_data() {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<int>("compactors");
        QTest::newRow("a scan racing a compaction") << u"scan"_s << 1;
        QTest::newRow("two compactions and a set") << u"set"_s << 2;
    }
    // Against compactions run over and over, what a writer reports done is kept, one locked out
    // says so, and the catalogue stays whole with no copy left behind.
    void writersRacingCompaction() {
        QFETCH(QString, writer);
        QFETCH(int, compactors);
        const QString cat = makeCatalogue(m_home.file(u"race.ldr"_s));
        const QString stop = m_home.file(u"race.stop"_s);
        QFile::remove(stop);
        std::vector<std::unique_ptr<QProcess>> loops;
        for (int i = 0; i < compactors; ++i) {
            loops.push_back(std::make_unique<QProcess>());
            loops.back()->start(u"/bin/sh"_s, {u"-c"_s,
                                               u"for i in $(seq 60); do [ -e \"$2\" ] && break; "
                                               "\"$0\" compact \"$1\"; done"_s,
                                               QStringLiteral(LEDRA_CLI), cat, stop});
        }
        QList<qint64> done; // image IDs of scans, item IDs of sets
        const bool scan = writer == u"scan"_s;
        const QDeadlineTimer deadline(30000);
        for (int i = 1; i <= 24 && !deadline.hasExpired(); ++i) {
            const CliRun r = scan ? runCli({u"scan"_s, cat, m_tree, u"--add"_s})
                                  : runCli({u"set"_s, cat, u"1"_s, QString::number(i),
                                            u"--comment"_s, u"v%1"_s.arg(i)});
            if (r.code == 0)
                done << (scan ? r.out.section(u'\n', 0, 0).section(u'\t', 1).toLongLong() : i);
            else
                QVERIFY2(r.err.startsWith(u"Database error number 3051.\n"_s), qPrintable(r.err));
        }
        QVERIFY(writeBytes(stop, {}));
        for (const auto& p : loops) {
            QVERIFY(p->waitForFinished(60000));
            const QString err = QString::fromUtf8(p->readAllStandardError());
            for (const QString& line : err.split(u'\n'))
                QVERIFY2(!line.startsWith(u"Unexpected"_s) || line.endsWith(u" 3051."_s),
                         qPrintable(err));
        }
        QVERIFY(done.size() >= 8);
        QCOMPARE(query(cat, u"PRAGMA quick_check"_s).toString(), u"ok"_s);
        for (qint64 id : std::as_const(done)) {
            if (scan)
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
        QTest::addColumn<QString>("out"); // empty: the folder may not be written
        QTest::newRow("info") << u"images\t1"_s;
        QTest::newRow("folder not writable") << QString();
    }
    // A writer killed mid-transaction leaves a journal: a reading command (all open alike) rolls
    // it back when it may, and otherwise says what to do; nothing is lost either way.
    void interruptedWrite() {
        QFETCH(QString, out);
        QTemporaryDir folder(m_home.file(u"crashXXXXXX"_s));
        const QString cat = makeCatalogue(folder.filePath(u"c.ldr"_s));
        const pid_t child = fork();
        if (child == 0) {
            Database d;
            d.open(cat, Database::OpenMode::ReadWrite);
            d.Execute(u"PRAGMA cache_size=5"_s); // pages reach the file before the commit
            Transaction t(d);
            d.Execute(kManyRows.arg(3000));
            ::raise(SIGKILL);
        }
        QCOMPARE(::waitpid(child, nullptr, 0), child);
        QVERIFY(QFileInfo::exists(cat + u"-journal"_s));
        std::optional<Protect> protect;
        if (out.isEmpty() && !protect.emplace(folder.path()).works())
            QSKIP("No way to make a folder read-only here.");
        const CliRun r = runCli({u"info"_s, cat});
        QCOMPARE(r.code, out.isEmpty() ? 1 : 0);
        QVERIFY2(r.out.contains(out) && r.err.contains(out.isEmpty() ? u"needs recovery"_s : u""_s),
                 qPrintable(r.out + r.err));
        QCOMPARE(QFileInfo::exists(cat + u"-journal"_s), out.isEmpty());
        protect.reset();
        QCOMPARE(query(cat, u"SELECT COUNT(*) FROM Items"_s).toInt(), 40);
    }

    void refusedFiles_data() {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("name");       // of the catalogue, in the home folder
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("err");
        QTest::newRow("info, empty") << u"info"_s << u"refused.ldr"_s << QByteArray("")
                                     << u"File is not in required format.\n"_s;
        QTest::newRow("compact, missing")
            << u"compact"_s << u"refused.ldr"_s << QByteArray() << u"File can not be found.\n"_s;
        QTest::newRow("create, no room for it")
            << u"create"_s << u"full/sub/new.ldr"_s << QByteArray()
            << u"Database error number 3026.\n"_s;
    }
    // Only create makes a file; the others, and a create that cannot be done, refuse with the
    // reason and leave every file and folder as it was.
    void refusedFiles() {
        QFETCH(QString, verb);
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, err);
        const QString p = m_home.file(name);
        QFile::remove(p);
        if (!content.isNull())
            QVERIFY(writeBytes(p, content));
        const QStringList before =
            QDir(m_home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const CliRun r = runCli({verb, p}, verb == u"create"_s ? 1000 : 0);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith(err), qPrintable(r.err));
        QCOMPARE(r.out, QString());
        QCOMPARE(QDir(m_home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(readBytes(p), content.isNull() ? QByteArray() : content);
    }

    void usageErrors() {
        for (const QStringList& args :
             {QStringList{}, QStringList{u"nosuchverb"_s}, QStringList{u"info"_s},
              QStringList{u"info"_s, u"a"_s, u"b"_s}, QStringList{u"info"_s, u"--bogus"_s, u"a"_s}})
            QCOMPARE(runCli(args).code, 2);
    }

    void symbolicLinks_data() {
        QTest::addColumn<bool>("toFolder");
        QTest::newRow("link to the catalogue file") << false;
        QTest::newRow("link to the catalogue's folder") << true;
    }
    // Every verb works through a link; compaction replaces the file, not the link.
    void symbolicLinks() {
        QFETCH(bool, toFolder);
        QTemporaryDir real(m_home.file(u"realXXXXXX"_s));
        const QString link = m_home.file(toFolder ? u"link-folder"_s : u"link-file"_s);
        const QString cat = toFolder ? link + u"/c.ldr"_s : link;
        QVERIFY(QFile::link(toFolder ? real.path() : real.filePath(u"c.ldr"_s), link));
        QCOMPARE(runCli({u"create"_s, cat}).err, u"Database created!\n"_s);
        QCOMPARE(runCli({u"create"_s, cat}).err, QString());
        QCOMPARE(runCli({u"scan"_s, cat, m_tree}).code, 0);
        const CliRun compacted = runCli({u"compact"_s, cat});
        QVERIFY2(compacted.code == 0, qPrintable(compacted.err));
        QVERIFY2(compacted.out.startsWith(u"Compact finished!\nOld size: "_s),
                 qPrintable(compacted.out));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QDir(real.path()).entryList(QDir::Files), QStringList{u"c.ldr"_s});
        QCOMPARE(runCli({u"info"_s, cat}).out, u"nodes\t0\nimages\t1\nitems\t40\n"_s);
    }

    void compactionMessages_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message"); // %1 the folder, %2 the catalogue
        QTest::newRow("no room for the copy")
            << u"full"_s
            << u"3026.\nThere is not enough room on the disk for the compacted copy '%2-Compact"_s;
        QTest::newRow("read-only folder")
            << u"folder"_s << u"3027.\nThe folder '%1' is read-only"_s;
        QTest::newRow("read-only file") << u"file"_s << u"3027.\nThe catalogue '%2' is read-only"_s;
    }
    // The message names the real cause, and the catalogue is left as it was.
    void compactionMessages() {
        QFETCH(QString, how);
        QFETCH(QString, message);
        QTemporaryDir folder(m_home.file(u"msgXXXXXX"_s));
        const QString cat = makeCatalogue(folder.filePath(u"c.ldr"_s));
        QVERIFY(execute(cat, kManyRows.arg(2000)));
        const QByteArray before = readBytes(cat);
        std::optional<Protect> protect;
        if (how != u"full"_s && !protect.emplace(how == u"file"_s ? cat : folder.path()).works())
            QSKIP("No way to make a file or folder read-only here.");
        const CliRun r = runCli({u"compact"_s, cat}, how == u"full"_s ? before.size() / 2 : 0);
        protect.reset();
        QCOMPARE(r.code, 1);
        message = u"Unexpected error number "_s + message;
        QVERIFY2(r.err.startsWith(message.replace(u"%1"_s, folder.path()).replace(u"%2"_s, cat)),
                 qPrintable(r.err));
        QCOMPARE(readBytes(cat), before);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"c.ldr"_s});
    }

    // Images under nodes that never lead to the top are named on standard error.
    void lsNamesImagesOutsideTheTree() {
        const QString cat = makeCatalogue(m_home.file(u"cycle.ldr"_s));
        QVERIFY(execute(cat,
                        u"INSERT INTO Nodes(ID, ParentID, Name) VALUES(1, 2, 'A'), (2, 1, 'B')"_s));
        QVERIFY(
            execute(cat, u"INSERT INTO Images(ID, NodeID, Name, Type) VALUES(2, 1, 'Lost', 3)"_s));
        const CliRun r = runCli({u"ls"_s, cat});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"I1\ttree\n"_s);
        QVERIFY2(r.err.startsWith(u"Not shown: 1 image(s)"_s) && r.err.endsWith(u"\nI2\tLost\n"_s),
                 qPrintable(r.err));
    }

    // --json of every reading verb: each line one object Qt reads back, names exactly as stored.
    void fields_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("line");
        QTest::addColumn<QJsonObject>("expected"); // fields of that line
        const auto rows = OddNamesCatalogue::rows();
        const QString image = OddNamesCatalogue::imageName();
        QTest::newRow("info") << QStringList{u"info"_s} << 1 << 0
                              << QJsonObject{{u"nodes"_s, 0}, {u"images"_s, 2}, {u"items"_s, 9}};
        QTest::newRow("ls tree") << QStringList{u"ls"_s} << 2 << 0
                                 << QJsonObject{{u"key"_s, u"I1"_s},  {u"type"_s, u"image"_s},
                                                {u"id"_s, 1},         {u"name"_s, image},
                                                {u"parent"_s, u""_s}, {u"depth"_s, 0}};
        // Folders first, then files, each by name.
        QTest::newRow("ls folder: folder")
            << QStringList{u"ls"_s, u"1"_s, u"1"_s} << 3 << 0
            << QJsonObject{
                   {u"key"_s, u"F4"_s}, {u"type"_s, u"folder"_s}, {u"name"_s, rows[3].name}};
        QTest::newRow("ls folder: file") << QStringList{u"ls"_s, u"1"_s, u"1"_s} << 3 << 2
                                         << QJsonObject{{u"key"_s, u"K2"_s},
                                                        {u"type"_s, u"file"_s},
                                                        {u"id"_s, 2},
                                                        {u"name"_s, rows[1].name},
                                                        {u"text"_s, rows[1].name},
                                                        {u"size"_s, 4},
                                                        {u"attrib"_s, 33},
                                                        {u"attributes"_s, u"Read-only, Archive"_s}};
        QTest::newRow("find") << QStringList{u"find"_s, u"--name"_s, u"bad*"_s} << 1 << 0
                              << QJsonObject{{u"key"_s, u"I1I5I4"_s},
                                             {u"image_id"_s, 1},
                                             {u"id"_s, 5},
                                             {u"parent_id"_s, 4},
                                             {u"type"_s, u"file"_s},
                                             {u"image"_s, image},
                                             {u"name"_s, u"bad\\xFF\\xFEname"_s},
                                             {u"path"_s, rows[4].path}};
        // Text beyond ASCII must come out as UTF-8.
        QTest::newRow("find, not ASCII")
            << QStringList{u"find"_s, u"--name"_s, u"emoji*"_s} << 1 << 0
            << QJsonObject{{u"name"_s, rows[5].name}, {u"path"_s, rows[5].path}};
        QTest::newRow("props image")
            << QStringList{u"props"_s, u"1"_s} << 1 << 0
            << QJsonObject{
                   {u"name"_s, image}, {u"file_system"_s, u"vfat"_s}, {u"serial"_s, u"1A2B3C4D"_s}};
        QTest::newRow("props item") << QStringList{u"props"_s, u"1"_s, u"2"_s} << 1 << 0
                                    << QJsonObject{{u"name"_s, rows[1].name},
                                                   {u"stored_name"_s, rows[1].name},
                                                   {u"description"_s, rows[1].description},
                                                   {u"comment"_s, rows[1].comment},
                                                   {u"ms_dos_name"_s, u"N/A"_s}};
    }
    void fields() {
        QFETCH(QStringList, args);
        QFETCH(int, lines);
        QFETCH(int, line);
        QFETCH(QJsonObject, expected);
        const QList<QJsonObject> o = objects(args);
        QCOMPARE(o.size(), lines);
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(o[line][it.key()], it.value());
    }

    // The machine's volumes differ; every line must still be a whole object.
    void drives() {
        const QList<QJsonObject> o = objects({u"drives"_s});
        QVERIFY(!o.isEmpty());
        for (const QJsonObject& d : o) {
            QCOMPARE(d[u"key"].toString().size(), 1);
            QCOMPARE(d[u"serial"].toString().size(), 8);
            QVERIFY(d[u"type"].isDouble() && d.contains(u"image"_s));
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
