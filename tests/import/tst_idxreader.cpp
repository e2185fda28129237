#include "import/IdxWalk.h"
#include "import/mdlImportMarlovex.h"

#include <QFile>
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

// The folder's names, each with ":" and the attribute IdxGetAttr answers for it, joined by "|".
QString listed(const QString& folder) {
    QStringList out;
    for (QString name = IdxDir(folder, 22); !name.isEmpty(); name = IdxDir(QString(), 0))
        out << name;
    // Asked after the whole listing, as the walk does: the answers depend on it alone.
    for (QString& name : out)
        name += u':' + QString::number(IdxGetAttr(folder + name));
    return out.join(u'|');
}

} // namespace

class TestIdxReader : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QByteArray& bytes) {
        const QString path = m_dir.filePath(u"f.idx"_s);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
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
        QTEST(IdxIsSupported(write(bytes)), "supported");
    }

    // Only a regular file: a FIFO would block the read until a writer came.
    void isSupportedNeedsARegularFile() {
        QVERIFY(!IdxIsSupported(m_dir.path()));
        const QString fifo = m_dir.filePath(u"fifo.idx"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!IdxIsSupported(fifo));
        QVERIFY(!IdxLoad(fifo));
    }

    // "named|type|serial|label|drive" as the reader finds them.
    void headers_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("facts");
        QTest::newRow("named example") << kExample << u"1|3|1A2B3C4D|DATA|C"_s;
        QTest::newRow("positional") << lines({"<fixed", "<12-34"}) << u"0|3|00001234||0"_s;
        QTest::newRow("name in upper case") << lines({"<DISKTYPE CD-ROM"}) << u"1|5|00000000||0"_s;
        QTest::newRow("unknown drive word")
            << lines({"<disktype floppy", "<Serial 1"}) << u"1|1|00000001||0"_s;
        QTest::newRow("no header lines") << lines({"C:\\x"}) << u"0|1|00000000||0"_s;
        QTest::newRow("serial cut after dashes go")
            << lines({"<disktype fixed", "<Serial 1234-5678-9ABC"}) << u"1|3|12345678||0"_s;
        QTest::newRow("short serial padded")
            << lines({"<disktype remote", "<Serial  abc "}) << u"1|4|00000ABC||0"_s;
        QTest::newRow("serial name is a prefix")
            << lines({"<disktype ramdisk", "<SerialNo 77"}) << u"1|6|00000077||0"_s;
        QTest::newRow("serial from its default position")
            << lines({"<disktype removable", "<Volume 9f-0e"}) << u"1|2|00009F0E||0"_s;
        QTest::newRow("one positional entry, no serial")
            << lines({"<fixed"}) << u"0|3|00000000||0"_s;
        QTest::newRow("first match counts")
            << lines({"<disktype cd-rom", "<DiskLabel ONE", "<disklabel TWO", "<StartDir e:\\"})
            << u"1|5|00000ONE|ONE|e"_s;
        QTest::newRow("spaces trimmed, tabs kept")
            << lines({"<disktype  fixed ", "<DiskLabel   \tA B\t  "})
            << u"1|3|000\tA B\t|\tA B\t|0"_s;
        QTest::newRow("entry without a space")
            << lines({"<disktype fixed", "<DiskLabel", "<StartDir"}) << u"1|3|00000000||0"_s;
        QTest::newRow("positional name at 2 keeps the name")
            << lines({"<fixed", "<1234", "<DiskLabel DATA", "<StartDir D:\\"})
            << u"0|3|00001234|DiskLabel DATA|S"_s;
        QTest::newRow("positional name past 3")
            << lines({"<cd-rom", "<ab-cd", "<x", "<y", "<DiskLabel DATA", "<StartDir d:\\"})
            << u"0|5|0000ABCD|DATA|d"_s;
        QTest::newRow("headers among body lines")
            << lines({"<StartDir C:\\", "C:\\x", "<DiskType Fixed", "C:\\y", "<Serial 5"})
            << u"1|3|00000005||C"_s;
        QTest::newRow("8-bit texts")
            << lines({"<disktype fixed", "<Serial \xFF\xE9-12", "<DiskLabel \x80 \xE9t\xE9 \x9F"})
            << u"1|3|0000\u0178\u00C912|\u20AC \u00E9t\u00E9 \u0178|0"_s;
    }
    void headers() {
        QFETCH(QByteArray, bytes);
        QVERIFY(IdxLoad(write(bytes)));
        QTEST(QStringList({QString::number(IdxNamedHeaders()), QString::number(IdxDiskType()),
                           IdxSerial(), IdxDiskLabel(), IdxStartDrive()})
                  .join(u'|'),
              "facts");
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
        QVERIFY(IdxLoadData(bytes));
        QCOMPARE(IdxHeaderCount(), values.size());
        for (qsizetype i = 0; i < values.size(); ++i)
            QCOMPARE(IdxHeaderValue(i), values.at(i));
        QTEST(int(IdxBodyCount()), "bodyLines");
    }

    void listing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("names");
        QTest::newRow("example, root") << kExample << u"C:\\"_s << u"docs:16|readme.txt:0"_s;
        QTest::newRow("example, subfolder")
            << kExample << u"C:\\docs\\"_s << u"letter.txt:0|old:16"_s;
        QTest::newRow("non-adjacent repeats")
            << lines({"C:\\a\\x.txt", "C:\\b\\y.txt", "C:\\a\\z.txt"}) << u"C:\\"_s
            << u"a:16|b:16|a:16"_s;
        QTest::newRow("repeats merge across other lines")
            << lines({"C:\\a\\x", "D:\\a\\x", "<disktype fixed", "", "C:\\a\\y"}) << u"C:\\"_s
            << u"a:16"_s;
        QTest::newRow("DOCS and docs")
            << lines({"C:\\DOCS\\x", "C:\\docs\\y"}) << u"C:\\"_s << u"DOCS:16|docs:16"_s;
        QTest::newRow("docs lists both cases")
            << lines({"C:\\DOCS\\x", "C:\\docs\\y"}) << u"c:\\docs\\"_s << u"x:0|y:0"_s;
        QTest::newRow("a folder's own line") << lines({"C:\\docs\\old\\", "C:\\docs\\old\\n.txt"})
                                             << u"C:\\docs\\old\\"_s << u"old:0|n.txt:0"_s;
        QTest::newRow("the root's own line") << lines({"C:\\"}) << u"C:\\"_s << u"C:\\:0"_s;
        QTest::newRow("slash tail") << lines({"C:\\readme.txt/1234", "C:\\readme.txt/5678"})
                                    << u"C:\\"_s << u"readme.txt:0"_s;
        QTest::newRow("slash inside a folder name")
            << lines({"C:\\a/b\\c"}) << u"C:\\"_s << u"a/b:16"_s;
        // The first "/" of the line ends the entry, even one in the folder's own path.
        QTest::newRow("inside a folder with a slash")
            << lines({"C:\\a/b\\c", "C:\\a/b\\d/e"}) << u"C:\\a/b\\"_s << u"a:0"_s;
        QTest::newRow("doubled separator passed over")
            << lines({"C:\\\\twice\\z", "C:\\b"}) << u"C:\\"_s << u"b:0"_s;
        QTest::newRow("dot dot") << lines({"C:\\..\\up"}) << u"C:\\"_s << u"..:16"_s;
        QTest::newRow("no drive root") << lines({"docs\\x", "x"}) << u"C:\\"_s << QString();
        QTest::newRow("8-bit case-insensitive")
            << lines({"C:\\\xC9T\xC9\\\x80.txt"}) << u"c:\\\u00E9t\u00E9\\"_s << u"\u20AC.txt:0"_s;
        QTest::newRow("character outside the code page")
            << lines({"C:\\a\\x"}) << u"C:\\\u0101\\"_s << QString();
    }
    void listing() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, folder);
        QVERIFY(IdxLoadData(bytes));
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

    void hostileShapes() {
        // Case variants at every level: each listing finds both variants again, so a walk
        // would double at every level. It is cut, and says so.
        QByteArray upper = "C:\\", lower = "C:\\";
        for (int i = 0; i < 40; ++i) {
            upper += "A\\";
            lower += "a\\";
        }
        QVERIFY(IdxLoadData(upper + "f\r\n" + lower + "f\r\n"));
        QVERIFY(IdxWalk(u"C:\\"_s).folders > 40);
        QVERIFY(IdxListingCut());

        // A line of a megabyte, all folders: the walk stops at the longest path a disk holds.
        QByteArray deep = "<disktype fixed\r\nC:\\";
        while (deep.size() < 1 << 20)
            deep += "d\\";
        QVERIFY(IdxLoadData(deep + "\r\n"));
        const IdxWalkCounts d = IdxWalk(u"C:\\"_s);
        QCOMPARE(d.folders, (kIdxMaxFolderPath - 3) / 2 + 1);
        QCOMPARE(d.files, 0);
        QVERIFY(!IdxListingCut());

        // A line of a megabyte without separators is one file name.
        QVERIFY(IdxLoadData("<x\r\nC:\\" + QByteArray(1 << 20, 'n') + "\r\n"));
        QCOMPARE(IdxDir(u"C:\\"_s, 22).size(), 1 << 20);
    }

    // More lines than one sorting slice: the load pauses between slices, and the merged
    // order still finds every line of a folder whose lines are scattered through the file.
    void largeLoadPausesAndFindsScatteredLines() {
        const int count = (1 << 20) + 5000;
        // The product needs 64 bits: in int it overflows, which lets the optimiser make the
        // loop endless.
        auto folderOf = [](int i) { return int((qint64(i) * 7919) % 1000); };
        QByteArray bytes = "<disktype fixed\r\n";
        bytes.reserve(count * 20);
        for (int i = 0; i < count; ++i)
            bytes +=
                "C:\\f" + QByteArray::number(folderOf(i)) + "\\" + QByteArray::number(i) + "\r\n";
        int pauses = 0;
        QVERIFY(IdxLoadData(bytes, [&pauses] { ++pauses; }));
        QVERIFY(pauses >= 3);
        for (int folder : {0, 5, 999}) {
            QStringList expected;
            for (int i = 0; i < count; ++i) {
                if (folderOf(i) == folder)
                    expected << QString::number(i) + u":0"_s;
            }
            QCOMPARE(listed(u"C:\\f%1\\"_s.arg(folder)), expected.join(u'|'));
        }
    }

    void cleanupTestCase() { IdxClear(); }
};

QTEST_GUILESS_MAIN(TestIdxReader)
#include "tst_idxreader.moc"
