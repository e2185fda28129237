#include "import/IdxWalk.h"
#include "import/Windows1252.h"
#include "import/mdlImportMarlovex.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kExample = "<disktype fixed\r\n"
                            "<Serial 1a2b-3c4d\r\n"
                            "<DiskLabel DATA\r\n"
                            "<StartDir C:\\\r\n"
                            "C:\\docs\\letter.txt\r\n"
                            "C:\\docs\\old\\note.txt\r\n"
                            "C:\\readme.txt/any further text\r\n";

// Lines joined with CR LF, each one ended.
QByteArray lines(std::initializer_list<const char*> list) {
    QByteArray out;
    for (const char* l : list)
        out += QByteArray(l) + "\r\n";
    return out;
}

// The folder's names, each with ":" and the attribute IdxGetAttr answers for it.
QStringList listed(const QString& folder) {
    QStringList out;
    for (QString name = IdxDir(folder, 22); !name.isEmpty(); name = IdxDir(QString(), 0))
        out << name;
    // Asked after the whole listing, as the walk does: the answers depend on it alone.
    for (QString& name : out)
        name += u':' + QString::number(IdxGetAttr(folder + name));
    return out;
}

// The listing rules written out plainly, one scan of every line per folder, to hold the
// reader's indexed listing against.
QStringList referenceListing(const QStringList& body, const QString& prefix) {
    QStringList entries;
    const QString lowerPrefix = prefix.toLower();
    for (const QString& line : body) {
        if (line.left(prefix.size()).toLower() != lowerPrefix || line.size() < prefix.size())
            continue;
        QString entry;
        const qsizetype p = line.indexOf(u'\\', prefix.size());
        if (p >= 0) {
            entry = line.left(p + 1);
        } else {
            const qsizetype q = line.indexOf(u'/');
            entry = q >= 0 ? line.left(q) : line;
        }
        if (entries.isEmpty() || entries.constLast() != entry)
            entries << entry;
    }
    QStringList lowerEntries;
    for (const QString& e : entries)
        lowerEntries << e.toLower();
    QStringList out;
    for (const QString& e : entries) {
        QString name;
        if (e.endsWith(u'\\')) {
            const qsizetype before = e.lastIndexOf(u'\\', e.size() - 2);
            name = before < 0 ? e : e.mid(before + 1, e.size() - before - 2);
        } else {
            name = e.mid(e.lastIndexOf(u'\\') + 1);
        }
        if (name.isEmpty())
            continue;
        const bool folder = lowerEntries.contains((prefix + name).toLower() + u'\\');
        out << name + u':' + QString::number(folder ? 16 : 0);
    }
    return out;
}

} // namespace

class TestIdxReader : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString write(const QByteArray& bytes) {
        const QString path = m_dir.filePath(u"f%1.idx"_s.arg(++m_files));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void isSupported_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("supported");
        QTest::newRow("index") << kExample << true;
        QTest::newRow("only a header mark") << QByteArray("<") << true;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("blank first") << QByteArray(" <disktype fixed\r\n") << false;
        QTest::newRow("byte-order mark first")
            << QByteArray("\xEF\xBB\xBF<disktype fixed\r\n") << false;
        QTest::newRow("body line first") << QByteArray("C:\\x\r\n<disktype fixed\r\n") << false;
    }
    void isSupported() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, supported);
        QCOMPARE(IdxIsSupported(write(bytes)), supported);
    }

    void isSupportedNeedsARegularFile() {
        QVERIFY(!IdxIsSupported(QString()));
        QVERIFY(!IdxIsSupported(m_dir.filePath(u"missing.idx"_s)));
        QVERIFY(!IdxIsSupported(m_dir.path()));
        // A FIFO would block the read until a writer came.
        const QString fifo = m_dir.filePath(u"fifo.idx"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!IdxIsSupported(fifo));
        QVERIFY(!IdxLoad(fifo));
    }

    void headers_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("named");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("drive");

        QTest::newRow("named example")
            << kExample << true << 3 << u"1A2B3C4D"_s << u"DATA"_s << u"C"_s;
        QTest::newRow("positional")
            << lines({"<fixed", "<12-34"}) << false << 3 << u"00001234"_s << QString() << u"0"_s;
        QTest::newRow("name in upper case")
            << lines({"<DISKTYPE CD-ROM"}) << true << 5 << u"00000000"_s << QString() << u"0"_s;
        QTest::newRow("unknown drive word") << lines({"<disktype floppy", "<Serial 1"}) << true << 1
                                            << u"00000001"_s << QString() << u"0"_s;
        QTest::newRow("no header lines")
            << lines({"C:\\x"}) << false << 1 << u"00000000"_s << QString() << u"0"_s;
        QTest::newRow("serial cut after dashes go")
            << lines({"<disktype fixed", "<Serial 1234-5678-9ABC"}) << true << 3 << u"12345678"_s
            << QString() << u"0"_s;
        QTest::newRow("short serial padded") << lines({"<disktype remote", "<Serial  abc "}) << true
                                             << 4 << u"00000ABC"_s << QString() << u"0"_s;
        QTest::newRow("serial name is a prefix")
            << lines({"<disktype ramdisk", "<SerialNo 77"}) << true << 6 << u"00000077"_s
            << QString() << u"0"_s;
        QTest::newRow("serial from its default position")
            << lines({"<disktype removable", "<Volume 9f-0e"}) << true << 2 << u"00009F0E"_s
            << QString() << u"0"_s;
        QTest::newRow("one positional entry, no serial")
            << lines({"<fixed"}) << false << 3 << u"00000000"_s << QString() << u"0"_s;
        QTest::newRow("empty serial value") << lines({"<disktype fixed", "<Serial "}) << true << 3
                                            << u"00000000"_s << QString() << u"0"_s;
        QTest::newRow("first match counts")
            << lines({"<disktype cd-rom", "<DiskLabel ONE", "<disklabel TWO", "<StartDir e:\\"})
            << true << 5 << u"00000ONE"_s << u"ONE"_s << u"e"_s;
        QTest::newRow("spaces trimmed, tabs kept")
            << lines({"<disktype  fixed ", "<DiskLabel   \tA B\t  "}) << true << 3
            << u"000\tA B\t"_s << u"\tA B\t"_s << u"0"_s;
        QTest::newRow("entry without a space")
            << lines({"<disktype fixed", "<DiskLabel", "<StartDir"}) << true << 3 << u"00000000"_s
            << QString() << u"0"_s;
        QTest::newRow("positional name at 2 keeps the name")
            << lines({"<fixed", "<1234", "<DiskLabel DATA", "<StartDir D:\\"}) << false << 3
            << u"00001234"_s << u"DiskLabel DATA"_s << u"S"_s;
        QTest::newRow("positional name past 3")
            << lines({"<cd-rom", "<ab-cd", "<x", "<y", "<DiskLabel DATA", "<StartDir d:\\"})
            << false << 5 << u"0000ABCD"_s << u"DATA"_s << u"d"_s;
        QTest::newRow("headers among body lines")
            << lines({"<StartDir C:\\", "C:\\x", "<DiskType Fixed", "C:\\y", "<Serial 5"}) << true
            << 3 << u"00000005"_s << QString() << u"C"_s;
        QTest::newRow("8-bit texts")
            << lines({"<disktype fixed", "<Serial \xFF\xE9-12", "<DiskLabel \x80 \xE9t\xE9 \x9F"})
            << true << 3 << u"0000\u0178\u00C912"_s << u"\u20AC \u00E9t\u00E9 \u0178"_s << u"0"_s;
    }
    void headers() {
        QFETCH(QByteArray, bytes);
        QVERIFY(IdxLoad(write(bytes)));
        QTEST(IdxNamedHeaders(), "named");
        QTEST(IdxDiskType(), "type");
        QTEST(IdxSerial(), "serial");
        QTEST(IdxDiskLabel(), "label");
        QTEST(IdxStartDrive(), "drive");
        QCOMPARE(IdxFileSystem(), QString());
        QCOMPARE(IdxShortName(u"C:\\x"_s), QString());
        QCOMPARE(IdxFileSize(u"C:\\x"_s), QString());
    }

    void lineEnds_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("bodyLines");
        QTest::newRow("CR LF") << QByteArray("<a\r\n<b\r\nC:\\x\r\n") << QStringList{u"a"_s, u"b"_s}
                               << 1;
        QTest::newRow("lone CR") << QByteArray("<a\r<b\rC:\\x\r") << QStringList{u"a"_s, u"b"_s}
                                 << 1;
        QTest::newRow("no end on the last line")
            << QByteArray("<a\r\nC:\\x\r\nC:\\y") << QStringList{u"a"_s} << 2;
        QTest::newRow("LF alone ends nothing") << QByteArray("<disktype fixed\n<Serial 1\nC:\\x\n")
                                               << QStringList{u"fixed\n<Serial 1\nC:\\x\n"_s} << 0;
        QTest::newRow("empty lines are body lines")
            << QByteArray("<a\r\n\r\n\rC:\\x\r\n\r\n") << QStringList{u"a"_s} << 4;
    }
    void lineEnds() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, values);
        QVERIFY(IdxLoad(write(bytes)));
        QCOMPARE(IdxHeaderCount(), values.size());
        for (qsizetype i = 0; i < values.size(); ++i)
            QCOMPARE(IdxHeaderValue(i), values.at(i));
        QTEST(int(IdxBodyCount()), "bodyLines");
    }

    void listing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("example, root")
            << kExample << u"C:\\"_s << QStringList{u"docs:16"_s, u"readme.txt:0"_s};
        QTest::newRow("example, subfolder")
            << kExample << u"C:\\docs\\"_s << QStringList{u"letter.txt:0"_s, u"old:16"_s};
        QTest::newRow("example, leaf folder")
            << kExample << u"C:\\docs\\old\\"_s << QStringList{u"note.txt:0"_s};
        QTest::newRow("no StartDir, root 0:\\") << kExample << u"0:\\"_s << QStringList{};
        QTest::newRow("non-adjacent repeats")
            << lines({"C:\\a\\x.txt", "C:\\b\\y.txt", "C:\\a\\z.txt"}) << u"C:\\"_s
            << QStringList{u"a:16"_s, u"b:16"_s, u"a:16"_s};
        QTest::newRow("repeats merge across other lines")
            << lines({"C:\\a\\x", "D:\\a\\x", "<disktype fixed", "", "C:\\a\\y"}) << u"C:\\"_s
            << QStringList{u"a:16"_s};
        QTest::newRow("DOCS and docs") << lines({"C:\\DOCS\\x", "C:\\docs\\y"}) << u"C:\\"_s
                                       << QStringList{u"DOCS:16"_s, u"docs:16"_s};
        QTest::newRow("docs lists both cases")
            << lines({"C:\\DOCS\\x", "C:\\docs\\y"}) << u"c:\\docs\\"_s
            << QStringList{u"x:0"_s, u"y:0"_s};
        QTest::newRow("a folder's own line")
            << lines({"C:\\docs\\old\\", "C:\\docs\\old\\n.txt"}) << u"C:\\docs\\old\\"_s
            << QStringList{u"old:0"_s, u"n.txt:0"_s};
        QTest::newRow("the root's own line")
            << lines({"C:\\"}) << u"C:\\"_s << QStringList{u"C:\\:0"_s};
        QTest::newRow("slash tail") << lines({"C:\\readme.txt/1234", "C:\\readme.txt/5678"})
                                    << u"C:\\"_s << QStringList{u"readme.txt:0"_s};
        QTest::newRow("slash inside a folder name")
            << lines({"C:\\a/b\\c"}) << u"C:\\"_s << QStringList{u"a/b:16"_s};
        QTest::newRow("doubled separator passed over")
            << lines({"C:\\\\twice\\z", "C:\\b"}) << u"C:\\"_s << QStringList{u"b:0"_s};
        QTest::newRow("dot dot") << lines({"C:\\..\\up"}) << u"C:\\"_s << QStringList{u"..:16"_s};
        QTest::newRow("no drive root") << lines({"docs\\x", "x"}) << u"C:\\"_s << QStringList{};
        QTest::newRow("8-bit case-insensitive")
            << lines({"C:\\\xC9T\xC9\\\x80.txt"}) << u"c:\\\u00E9t\u00E9\\"_s
            << QStringList{u"\u20AC.txt:0"_s};
        QTest::newRow("character outside the code page")
            << lines({"C:\\a\\x"}) << u"C:\\\u0101\\"_s << QStringList{};
    }
    void listing() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, folder);
        QVERIFY(IdxLoad(write(bytes)));
        QTEST(listed(folder), "names");
        QVERIFY(!IdxListingCut());
    }

    // The reader answers only about the folder listed last, and a load starts afresh.
    void stateBetweenCallsAndLoads() {
        QVERIFY(IdxLoad(write(kExample)));
        QCOMPARE(IdxDir(u"C:\\"_s, 22), u"docs"_s);
        QCOMPARE(IdxDir(u"C:\\docs\\"_s, 22), u"letter.txt"_s);
        QCOMPARE(IdxGetAttr(u"C:\\docs"_s), 0);
        QCOMPARE(IdxDir(QString(), 0), u"old"_s);
        QCOMPARE(IdxDir(QString(), 0), QString());
        QCOMPARE(IdxDir(QString(), 0), QString());

        QVERIFY(IdxLoad(write(lines({"<fixed", "<12-34", "C:\\x"}))));
        QVERIFY(!IdxNamedHeaders());
        QCOMPARE(IdxSerial(), u"00001234"_s);
        QCOMPARE(IdxDir(QString(), 0), QString());

        QVERIFY(!IdxLoad(m_dir.filePath(u"missing.idx"_s)));
        QCOMPARE(IdxHeaderCount(), 0);
        QCOMPARE(IdxBodyCount(), 0);
        QCOMPARE(IdxDiskType(), 1);
        QCOMPARE(IdxDir(u"C:\\"_s, 22), QString());
        QVERIFY(!IdxLoad(m_dir.path()));
    }

    // Random indexes over a small alphabet, full of case variants, repeats, tails and doubled
    // separators: every folder a walk reaches lists as the plain rules say.
    void matchesThePlainRules() {
        const char* parts[] = {"a", "A", "b", "\xE9", "\xC9", "\\", "\\", "\\", "/", "x.txt", "."};
        QRandomGenerator rng(1234);
        for (int round = 0; round < 40; ++round) {
            QByteArray bytes = "<disktype fixed\r\n<StartDir C:\\\r\n";
            QStringList body;
            const int count = rng.bounded(1, 60);
            for (int i = 0; i < count; ++i) {
                QByteArray line = rng.bounded(8) ? "C:\\" : "c:\\";
                const int n = rng.bounded(0, 10);
                for (int j = 0; j < n; ++j)
                    line += parts[rng.bounded(int(std::size(parts)))];
                bytes += line + (rng.bounded(3) ? "\r\n" : "\r");
                body << Cp1252Decode(line);
            }
            QVERIFY(IdxLoad(write(bytes)));
            QStringList folders{u"C:\\"_s};
            int checked = 0;
            while (!folders.isEmpty() && checked < 400) {
                const QString folder = folders.takeFirst();
                const QStringList got = listed(folder);
                QCOMPARE(got, referenceListing(body, folder));
                for (const QString& entry : got) {
                    if (entry.endsWith(u":16"_s))
                        folders << folder + entry.chopped(3) + u'\\';
                }
                ++checked;
            }
        }
    }

    void hostileShapes() {
        // Case variants at every level: each listing finds both variants again, so a walk
        // would double at every level. It is cut, and says so.
        QByteArray upper = "C:\\", lower = "C:\\";
        for (int i = 0; i < 40; ++i) {
            upper += "A\\";
            lower += "a\\";
        }
        QVERIFY(IdxLoad(write(upper + "f\r\n" + lower + "f\r\n")));
        const IdxWalkCounts cut = IdxWalk(u"C:\\"_s);
        QVERIFY(IdxListingCut());
        QVERIFY(cut.folders > 40);

        // A line of a megabyte, all folders: the walk stops at the longest path a disk holds.
        QByteArray deep = "<disktype fixed\r\nC:\\";
        while (deep.size() < 1 << 20)
            deep += "d\\";
        QVERIFY(IdxLoad(write(deep + "\r\n")));
        const IdxWalkCounts d = IdxWalk(u"C:\\"_s);
        QCOMPARE(d.folders, (kIdxMaxFolderPath - 3) / 2 + 1);
        QCOMPARE(d.files, 0);
        QVERIFY(!IdxListingCut());

        // A line of a megabyte without separators is one file name.
        QVERIFY(IdxLoad(write("<x\r\nC:\\" + QByteArray(1 << 20, 'n') + "\r\n")));
        QCOMPARE(IdxDir(u"C:\\"_s, 22).size(), 1 << 20);

        // Binary bytes: no crash, nothing listed under a drive root.
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char(i * 7 + 3);
        binary[0] = '<';
        QVERIFY(IdxLoad(write(binary)));
        QCOMPARE(IdxSerial().size(), 8);
        IdxWalk(u"C:\\"_s);
    }

    // More lines than one sorting slice: the load pauses between slices, and the merged
    // order still finds every line of a folder whose lines are scattered through the file.
    void largeLoadPausesAndFindsScatteredLines() {
        const int count = (1 << 20) + 5000;
        QByteArray bytes = "<disktype fixed\r\n";
        bytes.reserve(count * 20);
        // The product needs 64 bits: in int it overflows, which lets the optimiser make the
        // loop endless.
        for (int i = 0; i < count; ++i)
            bytes += "C:\\f" + QByteArray::number((qint64(i) * 7919) % 1000) + "\\" +
                     QByteArray::number(i) + "\r\n";
        int pauses = 0;
        QVERIFY(IdxLoadData(bytes, [&pauses] { ++pauses; }));
        QVERIFY(pauses >= 3);
        for (int folder : {0, 5, 999}) {
            QStringList expected;
            for (int i = 0; i < count; ++i) {
                if ((qint64(i) * 7919) % 1000 == folder)
                    expected << QString::number(i) + u":0"_s;
            }
            QCOMPARE(listed(u"C:\\f%1\\"_s.arg(folder)), expected);
        }
    }

    void cleanupTestCase() { IdxClear(); }
};

QTEST_GUILESS_MAIN(TestIdxReader)
#include "tst_idxreader.moc"
