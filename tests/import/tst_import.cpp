// The index reader, and the import over real index files and a real catalogue: in process, as
// an update of an imported image, through the Import dialog, and through `ledra-cli import`.
#include "CatalogueFixture.h"
#include "DiskScanSupport.h"
#include "UpdateTestSupport.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "controls/ctlCmnDlg.h"
#include "disk/frmUpdate.h"
#include "disk/frmUpdateDiff.h"
#include "import/IdxWalk.h"
#include "import/frmImport.h"
#include "import/guiUpdateIndex.h"
#include "import/mdlImport.h"
#include "import/mdlImportMarlovex.h"
#include "shell/mdlOptions.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <sys/stat.h>

using namespace DiskTest;
using namespace Qt::StringLiterals;

namespace {

// Separated words ("a b c" or "a;b;c") as a list.
QStringList split(const char* text, char sep = ' ') {
    return QString::fromLatin1(text).split(QLatin1Char(sep));
}

// An index file: the lines, each ended by CR LF, as 8-bit text.
QByteArray indexBytes(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& l : lines)
        bytes += l.toLatin1() + "\r\n";
    return bytes;
}

// The example index: fixed disk DATA with serial 12-34 at C:\, folder X holding one file.
QStringList threeRows() {
    return split("<disktype fixed;<Serial 12-34;<DiskLabel DATA;<StartDir C:\\;C:\\X\\f.txt", ';');
}

// Every item but the root has a folder of its image as parent, and there is one root row.
QString treeFault(qint32 imageId) {
    const int orphans =
        db().scalar(u"SELECT COUNT(*) FROM Items i WHERE i.ImageID=?1 AND i.ID<>0 AND NOT EXISTS "
                    "(SELECT 1 FROM Items p WHERE p.ImageID=?1 AND p.ID=i.ParentID AND p.Type=0)"_s,
                    {imageId})
            .toInt();
    if (orphans != 0)
        return u"%1 items without a parent folder"_s.arg(orphans);
    const int roots =
        db().scalar(u"SELECT COUNT(*) FROM Items WHERE ImageID=? AND ID=0 AND ParentID=-1"_s,
                    {imageId})
            .toInt();
    return roots == 1 ? QString() : u"%1 root rows"_s.arg(roots);
}

// Lines joined with CR LF, each one ended.
QByteArray crlf(std::initializer_list<const char*> list) {
    QByteArray out;
    for (const char* l : list)
        out += QByteArray(l) + "\r\n";
    return out;
}

const QByteArray kExample =
    crlf({"<disktype fixed", "<Serial 1a2b-3c4d", "<DiskLabel DATA", "<StartDir C:\\",
          "C:\\docs\\letter.txt", "C:\\docs\\old\\note.txt", "C:\\readme.txt/any further text"});

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

class TestImport : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp;
    QString m_idx, m_cli;

    // Loads the index and runs a quiet import of it; the import's result.
    DiskScan::Result runImport(const QByteArray& bytes, MarlovexImport& imp) {
        if (!writeBytes(m_idx, bytes) || MarlovexLoad(m_idx) != ImportLoad::Loaded)
            return DiskScan::Result::Refused;
        imp.options.displaySummary = false;
        return imp.Run();
    }
    qint32 importLines(const QStringList& lines) {
        SilentUi ui;
        MarlovexImport imp(db(), ui);
        return runImport(indexBytes(lines), imp) == DiskScan::Result::Done ? imp.ImageID : 0;
    }
    CliRun cli(const QStringList& args) { return runCli(QStringList{u"import"_s, m_cli} + args); }
    QString write(const QByteArray& bytes) {
        const QString path = m_temp.filePath(u"f.idx"_s);
        return writeBytes(path, bytes) ? path : QString();
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp.filePath(u"config"_s)));
        m_idx = m_temp.filePath(u"d.idx"_s);
        m_cli = m_temp.filePath(u"cli.ldr"_s);
        QCOMPARE(runCli({u"create"_s, m_cli}).code, 0);
    }
    void init() {
        DefaultOptions();
        options().DisplaySummary = false;
        QFile::remove(m_temp.filePath(u"c.ldr"_s));
        QVERIFY(openNewCatalogue(m_temp.filePath(u"c.ldr"_s)));
    }
    void cleanup() {
        ctlCmnDlg::setTestHook({});
        CloseDatabase();
        IdxClear();
    }

    // The reader of index files.
    // "named|type|serial|label|drive" as the reader finds them.
    void headers_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("facts");
        QTest::newRow("named example") << kExample << u"1|3|1A2B3C4D|DATA|C"_s;
        QTest::newRow("positional") << crlf({"<fixed", "<12-34"}) << u"0|3|00001234||0"_s;
        QTest::newRow("unknown drive word")
            << crlf({"<disktype floppy", "<Serial 1"}) << u"1|1|00000001||0"_s;
        QTest::newRow("no header lines") << crlf({"C:\\x"}) << u"0|1|00000000||0"_s;
        QTest::newRow("serial cut after dashes go")
            << crlf({"<disktype fixed", "<Serial 1234-5678-9ABC"}) << u"1|3|12345678||0"_s;
        QTest::newRow("short serial padded")
            << crlf({"<disktype remote", "<Serial  abc "}) << u"1|4|00000ABC||0"_s;
        QTest::newRow("serial name is a prefix")
            << crlf({"<disktype ramdisk", "<SerialNo 77"}) << u"1|6|00000077||0"_s;
        QTest::newRow("first match counts")
            << crlf({"<disktype cd-rom", "<DiskLabel ONE", "<disklabel TWO", "<StartDir e:\\"})
            << u"1|5|00000ONE|ONE|e"_s;
        QTest::newRow("spaces trimmed, tabs kept")
            << crlf({"<disktype  removable ", "<DiskLabel   \tA B\t  "})
            << u"1|2|000\tA B\t|\tA B\t|0"_s;
        QTest::newRow("entry without a space")
            << crlf({"<disktype fixed", "<DiskLabel", "<StartDir"}) << u"1|3|00000000||0"_s;
        QTest::newRow("positional name at 2 keeps the name")
            << crlf({"<fixed", "<1234", "<DiskLabel DATA", "<StartDir D:\\"})
            << u"0|3|00001234|DiskLabel DATA|S"_s;
        QTest::newRow("positional name past 3")
            << crlf({"<cd-rom", "<ab-cd", "<x", "<y", "<DiskLabel DATA", "<StartDir d:\\"})
            << u"0|5|0000ABCD|DATA|d"_s;
        QTest::newRow("headers among body lines")
            << crlf({"<StartDir C:\\", "C:\\x", "<DiskType Fixed", "C:\\y", "<Serial 5"})
            << u"1|3|00000005||C"_s;
        QTest::newRow("8-bit texts")
            << crlf({"<disktype fixed", "<Serial \xFF\xE9-12", "<DiskLabel \x80 \xE9t\xE9 \x9F"})
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
        QTest::newRow("non-adjacent repeats")
            << crlf({"C:\\a\\x.txt", "C:\\b\\y.txt", "C:\\a\\z.txt"}) << u"C:\\"_s
            << u"a:16|b:16|a:16"_s;
        QTest::newRow("repeats merge across other lines")
            << crlf({"C:\\a\\x", "D:\\a\\x", "<disktype fixed", "", "C:\\a\\y"}) << u"C:\\"_s
            << u"a:16"_s;
        QTest::newRow("DOCS and docs")
            << crlf({"C:\\DOCS\\x", "C:\\docs\\y"}) << u"C:\\"_s << u"DOCS:16|docs:16"_s;
        QTest::newRow("docs lists both cases")
            << crlf({"C:\\DOCS\\x", "C:\\docs\\y"}) << u"c:\\docs\\"_s << u"x:0|y:0"_s;
        QTest::newRow("a folder's own line") << crlf({"C:\\docs\\old\\", "C:\\docs\\old\\n.txt"})
                                             << u"C:\\docs\\old\\"_s << u"old:0|n.txt:0"_s;
        QTest::newRow("the root's own line") << crlf({"C:\\"}) << u"C:\\"_s << u"C:\\:0"_s;
        QTest::newRow("slash tail") << crlf({"C:\\readme.txt/1234", "C:\\readme.txt/5678"})
                                    << u"C:\\"_s << u"readme.txt:0"_s;
        QTest::newRow("slash inside a folder name")
            << crlf({"C:\\a/b\\c"}) << u"C:\\"_s << u"a/b:16"_s;
        // The first "/" of the line ends the entry, even one in the folder's own path.
        QTest::newRow("inside a folder with a slash")
            << crlf({"C:\\a/b\\c", "C:\\a/b\\d/e"}) << u"C:\\a/b\\"_s << u"a:0"_s;
        QTest::newRow("doubled separator passed over")
            << crlf({"C:\\\\twice\\z", "C:\\b"}) << u"C:\\"_s << u"b:0"_s;
        QTest::newRow("8-bit case-insensitive")
            << crlf({"C:\\\xC9T\xC9\\\x80.txt"}) << u"c:\\\u00E9t\u00E9\\"_s << u"\u20AC.txt:0"_s;
        QTest::newRow("character outside the code page")
            << crlf({"C:\\a\\x"}) << u"C:\\\u0101\\"_s << QString();
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

        QVERIFY(IdxLoad(write(crlf({"<fixed", "C:\\x"}))));
        QCOMPARE(IdxDir(QString(), 0), QString());

        QVERIFY(!IdxLoad(m_temp.filePath(u"missing.idx"_s)));
        QCOMPARE(IdxHeaderCount(), 0);
        QCOMPARE(IdxDir(u"C:\\"_s, 22), QString());
        // A file is one when it begins with a header mark; only a regular file, as a FIFO would
        // block the read until a writer came.
        QVERIFY(IdxIsSupported(write("<")));
        QVERIFY(!IdxIsSupported(write({})));
        const QString fifo = m_temp.filePath(u"fifo.idx"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString& path : {m_temp.path(), fifo})
            QVERIFY(!IdxIsSupported(path) && !IdxLoad(path));
    }

    void hostileShapesAndSizes() {
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

        // More lines than one sorting slice: the load pauses between slices, and the merged
        // order still finds every line of a folder whose lines are scattered through the file.
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

    // The import.
    // Rows in the order written ("ID|ParentID|Type|Name|Size"), the root row included.
    void rows_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("scanFiles");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<qint64>("files");
        QTest::newRow("Scan Files off: the file's ID is used up")
            << indexBytes(threeRows() << u"C:\\X\\Y\\g"_s) << false
            << split("3|1|0|Y|0 1|0|0|X|0 0|-1|0|C:\\|0") << qint64(2);
        QTest::newRow("no StartDir: root 0:\\ only") << crlf({"<disktype fixed", "C:\\X\\f.txt"})
                                                     << true << split("0|-1|0|0:\\|0") << qint64(0);
        QTest::newRow("files first, then folders, a folder's row after its subtree")
            << kExample << true
            << split("1|0|1|readme.txt|0 3|2|1|letter.txt|0 5|4|1|note.txt|0 4|2|0|old|0 "
                     "2|0|0|docs|0 0|-1|0|C:\\|0")
            << qint64(3);
        // A name longer than the column is stored cut, and the walk still goes in by the whole.
        const QString longName(kItemNameChars + 80, u'n');
        QTest::newRow("folder name longer than the column")
            << indexBytes(threeRows() << u"C:\\%1\\in.txt"_s.arg(longName)) << true
            << QStringList{u"2|1|1|f.txt|0"_s, u"1|0|0|X|0"_s, u"4|3|1|in.txt|0"_s,
                           u"3|0|0|%1|0"_s.arg(longName.left(kItemNameChars)), u"0|-1|0|C:\\|0"_s}
            << qint64(2);
    }
    void rows() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, scanFiles);
        ScriptedUi ui;
        MarlovexImport imp(db(), ui);
        imp.options.scanFiles = scanFiles;
        QCOMPARE(runImport(bytes, imp), DiskScan::Result::Done);
        QTEST(itemRows(imp.ImageID), "rows");
        QTEST(imp.FileCount, "files");
    }

    // The disk facts, the columns the index has no value for, and values with quotes bound. The
    // walk's clock is "hh:nn:ss", and both passes show each folder (the summary, "nn:ss" and
    // " minutes.", shows in the dialog and command line tests).
    void imageAndColumns() {
        QStringList lines = threeRows();
        lines[2] = u"<DiskLabel it's \"DATA\""_s;
        lines << u"C:\\X\\a \"quoted\" 'name'"_s;
        ScriptedUi ui;
        RecordingProgress progress;
        MarlovexImport imp(db(), ui, &progress);
        imp.options.scanMSDOSName = true;
        imp.options.scanTime = true;
        QCOMPARE(runImport(indexBytes(lines), imp), DiskScan::Result::Done);
        QVERIFY(QRegularExpression(uR"(^time=\d\d:\d\d:\d\d \(4 items collected\)$)"_s)
                    .match(progress.matching(u"time="_s).at(1))
                    .hasMatch());
        QCOMPARE(progress.matching(u"folder="_s),
                 split("folder=C:\\ folder=C:\\X\\ folder=C:\\ folder=C:\\X\\"));
        QCOMPARE(db().scalar(u"SELECT Serial||'|'||Type||'|'||Name||'|'||Source||'|'||Label||'|'||"
                             "FileSystem FROM Images"_s),
                 QVariant(u"00001234|3|it's \"DATA\"|C:|it's \"DATA\"|"_s));
        QCOMPARE(db().scalar(u"SELECT group_concat(ID||':'||Attrib||':'||quote(MSDOSName)||':'||"
                             "quote(TimeC)||quote(TimeA)||quote(TimeM)||':'||quote(Keywords)||"
                             "quote(Description)||':'||quote(Content), ' ') FROM (SELECT * FROM "
                             "Items ORDER BY ID)"_s),
                 QVariant(u"0:16:'':NULLNULLNULL:'''':NULL 1:16:'':NULLNULLNULL:NULLNULL:NULL "
                          "2:0:'':NULLNULLNULL:NULLNULL:NULL 3:0:'':NULLNULLNULL:NULLNULL:NULL"_s));
        QCOMPARE(db().scalar(u"SELECT Name FROM Items WHERE ID=3"_s),
                 QVariant(u"a \"quoted\" 'name'"_s));
    }

    // Hostile or odd indexes import as what they hold, as a whole tree.
    void badInput_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray head = "<disktype fixed\r\n<StartDir C:\\\r\n";
        QTest::newRow("binary") << QByteArray("<\0\xff\r\x01\\\\\r\nC:\\\0\\\r", 13);
        QTest::newRow("paths without a root, '..', doubled backslashes")
            << head + "docs\\a\r\nC:\\..\\..\\x\r\nC:\\\\\\y\\\\z\r\nC:\\a\\\\b\r\n";
        QTest::newRow("a line of a megabyte") << head + "C:\\" + QByteArray(1 << 20, 'a') +
                                                     "\\b\r\nC:\\" + QByteArray(1 << 19, '\\') +
                                                     "\r\n";
        QTest::newRow("deep path") << head + "C:\\" + QByteArray("d\\").repeated(20000) + "f\r\n";
    }
    void badInput() {
        QFETCH(QByteArray, bytes);
        ScriptedUi ui;
        MarlovexImport imp(db(), ui);
        QCOMPARE(runImport(bytes, imp), DiskScan::Result::Done);
        QCOMPARE(treeFault(imp.ImageID), QString());
    }

    // File > Update from Index...: the differences shown and applied (the hook run once, moves
    // keeping their notes) give the tree a fresh import of the newer index gives.
    void updateFromNewerIndex() {
        const QStringList head = threeRows().mid(0, 4);
        const QStringList newer = head + split("C:\\X\\f.txt C:\\Y\\new.txt C:\\Z\\g.txt");
        const QString v2 = m_temp.filePath(u"v2.idx"_s);
        QVERIFY(writeBytes(v2, indexBytes(newer)));
        const qint32 id = importLines(head + split("C:\\X\\f.txt C:\\X\\g.txt C:\\Y\\h.txt"));
        QVERIFY(id > 0);
        QVERIFY(db().Execute(u"UPDATE Items SET Keywords='kw' WHERE Name='g.txt'"_s));
        QVERIFY(db().Execute(u"UPDATE Items SET Comment='c' WHERE Name='f.txt'"_s));
        const QVariant fId = db().scalar(u"SELECT ID FROM Items WHERE Name='f.txt'"_s);

        int hooks = 0;
        bool shown = false;
        QString clock; // the walk's last time text
        std::function<void()> applyWhenShown = [&] {
            if (auto* d = qobject_cast<frmUpdateDiff*>(QApplication::activeModalWidget())) {
                shown = true;
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (qobject_cast<frmUpdate*>(w))
                        clock = w->findChild<QLabel*>(u"lblTime"_s)->text();
                d->findChild<QPushButton*>(u"cmdApply"_s)->click();
                return;
            }
            QTimer::singleShot(10, applyWhenShown);
        };
        QTimer::singleShot(0, applyWhenShown);
        UpdateFromIndex(
            nullptr, nullptr, id, [&](Database&, qint32) { return ++hooks == 1; }, v2);
        QVERIFY(shown);
        QVERIFY2(QRegularExpression(uR"(^\d\d:\d\d:\d\d )"_s).match(clock).hasMatch(),
                 qPrintable(clock));
        QCOMPARE(hooks, 1);
        QCOMPARE(treeFault(id), QString());
        QCOMPARE(db().scalar(u"SELECT Comment FROM Items WHERE ID=? AND ImageID=?"_s, {fId, id}),
                 QVariant(u"c"_s));
        QCOMPARE(db().scalar(u"SELECT p.Name || '|' || g.Keywords FROM Items g JOIN Items p ON "
                             "p.ID=g.ParentID AND p.ImageID=g.ImageID WHERE g.Name='g.txt'"_s),
                 QVariant(u"Z|kw"_s));
        QCOMPARE(UpdateTest::pathRows(id), UpdateTest::pathRows(importLines(newer)));
    }

    // The Import dialog: Browse, a whole import, refused files, then with "Auto Close" on, Cancel
    // at the overwrite question and deep into the write (the catalogue left as it was).
    void importDialog() {
        QStringList lines = threeRows();
        lines[0] = u"<DISKTYPE CD-ROM"_s;
        for (int i = 0; i < 200; ++i)
            lines << u"C:\\F%1\\file.txt"_s.arg(i / 10);
        const QString idx = m_temp.filePath(u"cd.idx"_s);
        QVERIFY(writeBytes(idx, indexBytes(lines)));
        frmMain main;
        ScriptedUi mainUi;
        main.setUi(&mainUi);
        options().AutoClose = false;
        options().Eject = true;
        options().DisplaySummary = true;
        PauseHookUi ui;
        frmImport dlg(&main, &main);
        dlg.setUi(&ui);
        dlg.Form_Load();
        auto* file = dlg.findChild<QLineEdit*>(u"txtFile"_s);
        auto* import = dlg.findChild<QPushButton*>(u"cmdImport"_s);
        auto* cancel = dlg.findChild<QPushButton*>(u"cmdCancel"_s);
        QVERIFY(!import->isEnabled());
        QVERIFY(!dlg.findChild<QWidget*>(u"prgScaned"_s)->isVisibleTo(&dlg));

        ctlCmnDlg::Exchange seen;
        bool choose = false;
        ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
            seen = x;
            x.fileName = idx;
            return choose;
        });
        dlg.cmdFileBrowse_Click();
        QCOMPARE(file->text(), QString());
        QCOMPARE(seen.filters, (QStringList{u"Marlovex (*.idx)"_s, u"All Files (*)"_s}));
        QCOMPARE(seen.flags, ctlCmnDlg::kFlagHideReadOnly);
        QCOMPARE(seen.filterIndex, 1);
        choose = true;
        dlg.cmdFileBrowse_Click();
        QCOMPARE(file->text(), idx);
        QVERIFY(import->isEnabled());

        const int compact = dlg.height();
        int expanded = 0;
        ui.onPause = [&] { expanded = std::max(expanded, dlg.height()); };
        dlg.cmdImport_Click();
        QVERIFY(expanded > compact);
        QCOMPARE(dlg.height(), compact);
        QCOMPARE(ui.lastText(),
                 u"Total of 21 files and 21 folders was written in 00:00 minutes."_s);
        auto* tree = main.findChild<QTreeWidget*>(u"trvNodes"_s);
        const QList<QTreeWidgetItem*> found =
            tree->findItems(u"DATA"_s, Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first()->data(0, frmMain::KeyRole).toString(), u"I1"_s);
        QCOMPARE(found.first()->data(0, frmMain::IconKeyRole).toString(), u"T5"_s);
        QCOMPARE(file->text(), QString());
        QVERIFY(import->isEnabled());
        // With Eject off the file stays for the next import (here over the same image).
        options().Eject = false;
        file->setText(idx);
        ui.answers = {Ui::Answer::Yes};
        ui.shown.clear();
        dlg.cmdImport_Click();
        QVERIFY(ui.lastText().startsWith(u"Total of 21 files"_s));
        QCOMPARE(file->text(), idx);

        ui.onPause = nullptr;
        const QString bom = m_temp.filePath(u"bom.idx"_s);
        QVERIFY(writeBytes(bom, QByteArray("\xEF\xBB\xBF<disktype fixed")));
        for (const QString& path : {QString(), m_temp.filePath(u"missing.idx"_s), bom}) {
            ui.shown.clear();
            file->setText(path);
            dlg.cmdImport_Click();
            QCOMPARE(ui.texts(), QStringList{u"This file format is not supported!"_s});
            QCOMPARE(ui.shown.first().icon, Ui::Icon::Exclamation);
            QVERIFY(!dlg.Busy);
        }
        const QString before = catalogueDump();

        options().AutoClose = true;
        ui.shown.clear();
        ui.answers = {Ui::Answer::Cancel, Ui::Answer::Yes};
        file->setText(idx);
        dlg.show();
        dlg.cmdImport_Click();
        QCOMPARE(
            ui.texts(),
            QStringList{u"That drive exist in database as DATA.\r\nDo you wish to overwrite?"_s});
        QVERIFY(!dlg.isVisible());
        QCOMPARE(catalogueDump(), before);

        dlg.show();
        bool refusedClose = false;
        QString busyCaption;
        ui.onPause = [&] {
            if (dlg.import() && dlg.import()->WrittenCount > 30 && !dlg.Cancelled) {
                busyCaption = cancel->text();
                dlg.close();
                refusedClose = dlg.isVisible();
                dlg.cmdCancel_Click();
            }
        };
        dlg.cmdImport_Click();
        QCOMPARE(busyCaption, u"Cancel"_s);
        QVERIFY(refusedClose);
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.Busy);
        QCOMPARE(cancel->text(), u"Close"_s);
        QCOMPARE(catalogueDump(), before);
    }

    // The command line: what is not an index leaves the catalogue as it was, byte for byte; the
    // refused second import, --overwrite, --add with a name, options and usage.
    void commandLine() {
        const QString bad = m_temp.filePath(u"bad.idx"_s);
        QVERIFY(writeBytes(bad, QByteArray("\xEF\xBB\xBF<disktype fixed\r\n")));
        QVERIFY(writeBytes(m_idx, indexBytes(threeRows())));
        const QByteArray before = readBytes(m_cli);
        CliRun r = cli({bad});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, u"This file format is not supported!\n"_s);
        QCOMPARE(readBytes(m_cli), before);

        r = cli({m_idx, u"--no-files"_s});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out,
                 u"image\t1\nTotal of 1 files and 1 folders was written in 00:00 minutes.\n"_s);
        r = cli({m_idx});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, u"That drive exist in database as DATA.\n"_s);
        r = cli({m_idx, u"--overwrite"_s, u"--msdos-names"_s});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(u"image\t1\n"_s));
        r = cli({m_idx, u"--add"_s, u"--name"_s, u"Second"_s, u"--node"_s, u"0"_s});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(u"image\t2\n"_s));
        QCOMPARE(cli({m_idx, u"--node"_s, u"7"_s, u"--add"_s}).err, u"Node 7 does not exist.\n"_s);
        QCOMPARE(cli({m_idx, u"--times"_s, u"--no-times"_s}).code, 2);
        QCOMPARE(cli({}).code, 2);

        CloseDatabase();
        SetDatabaseName(m_cli);
        QCOMPARE(OpenVerifiedDatabase(false, true), 0);
        QCOMPARE(db().scalar(u"SELECT group_concat(Name, ',') FROM Images"_s),
                 QVariant(u"DATA,Second"_s));
        QCOMPARE(db().scalar(u"SELECT COUNT(*) FROM Items WHERE ImageID=1 AND MSDOSName=''"_s),
                 QVariant(3));
    }

    // Folders repeated in two cases double the walk at every level. Each pass has the whole
    // listing budget: a walk that fits it imports whole, counted first or not; one that grows
    // without end fails, names the folder and writes nothing.
    void repeatedFolders_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("others"); // files in the root, each a line to the budget
        QTest::addColumn<bool>("noCollect");
        QTest::addColumn<DiskScan::Result>("result");
        QTest::newRow("fits, counted") << 10 << 0 << false << DiskScan::Result::Done;
        QTest::newRow("fits, not counted") << 10 << 0 << true << DiskScan::Result::Done;
        QTest::newRow("fits by the other lines") << 11 << 200 << false << DiskScan::Result::Done;
        QTest::newRow("grows without end") << 40 << 0 << false << DiskScan::Result::Failed;
    }
    void repeatedFolders() {
        QFETCH(int, depth);
        QFETCH(int, others);
        QFETCH(bool, noCollect);
        QFETCH(DiskScan::Result, result);
        QStringList lines = threeRows().mid(0, 4);
        lines << u"C:\\"_s + u"A\\"_s.repeated(depth) + u'f'
              << u"c:\\"_s + u"a\\"_s.repeated(depth) + u'f';
        for (int i = 0; i < others; ++i)
            lines << u"C:\\z%1"_s.arg(i);
        ScriptedUi ui;
        MarlovexImport imp(db(), ui);
        imp.options.noCollect = noCollect;
        QCOMPARE(runImport(indexBytes(lines), imp), result);
        if (result != DiskScan::Result::Done) {
            QVERIFY2(ui.lastText().startsWith(u"The folder C:\\"_s) &&
                         ui.lastText().endsWith(u"Nothing was imported."_s),
                     qPrintable(ui.lastText()));
            QCOMPARE(catalogueDump(), QString());
            return;
        }
        QCOMPARE(imp.FileCount, (2 << depth) + others);
        QCOMPARE(db().scalar(u"SELECT COUNT(*) FROM Items"_s).toInt(), (4 << depth) - 1 + others);
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
