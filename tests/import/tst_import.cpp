// The import procedure over real index files and a real catalogue.
#include "DiskScanSupport.h"
#include "ImportTestSupport.h"

#include "catalogue/mdlDatabase.h"
#include "import/mdlImport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace DiskTest;
using namespace ImportTest;

namespace {

// Space-separated words as a list.
QStringList words(const char* text) {
    return QString::fromLatin1(text).split(u' ');
}

// Index lines separated by ";".
QStringList lines(const char* text) {
    return QString::fromLatin1(text).split(u';');
}

ScanOptions quiet() {
    ScanOptions o;
    o.displaySummary = false;
    return o;
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp.path() + QStringLiteral("/config")));
    }
    void init() {
        m_cat = m_temp.path() + QStringLiteral("/c.ldr");
        QFile::remove(m_cat);
        QVERIFY(openNewCatalogue(m_cat));
        m_idx = m_temp.path() + QStringLiteral("/d.idx");
    }
    void cleanup() {
        CloseDatabase();
        IdxClear();
    }

    // Rows in the order written ("ID|ParentID|Type|Name|Size"), the root row included.
    void rows_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("scanFiles");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<qint64>("files");
        QTest::newRow("three rows")
            << threeRows() << true << words("2|1|1|f.txt|0 1|0|0|X|0 0|-1|0|C:\\|0") << qint64(1);
        QTest::newRow("Scan Files off: the file's ID is used up")
            << (threeRows() << QStringLiteral("C:\\X\\Y\\g")) << false
            << words("3|1|0|Y|0 1|0|0|X|0 0|-1|0|C:\\|0") << qint64(2);
        QTest::newRow("no StartDir: root 0:\\ only")
            << lines("<disktype fixed;C:\\X\\f.txt") << true << words("0|-1|0|0:\\|0") << qint64(0);
        QTest::newRow("files first, then folders, a folder's row after its subtree")
            << lines("<disktype fixed;<StartDir C:\\;C:\\docs\\letter.txt;C:\\docs\\old\\note.txt;"
                     "C:\\readme.txt/any further text")
            << true
            << words("1|0|1|readme.txt|0 3|2|1|letter.txt|0 5|4|1|note.txt|0 4|2|0|old|0 "
                     "2|0|0|docs|0 0|-1|0|C:\\|0")
            << qint64(3);
        // A name longer than the column is stored cut, and the walk still goes in by the whole.
        const QString longName(kItemNameChars + 80, u'n');
        QTest::newRow("folder name longer than the column")
            << (threeRows() << QStringLiteral("C:\\%1\\in.txt").arg(longName)) << true
            << QStringList{QStringLiteral("2|1|1|f.txt|0"), QStringLiteral("1|0|0|X|0"),
                           QStringLiteral("4|3|1|in.txt|0"),
                           QStringLiteral("3|0|0|%1|0").arg(longName.left(kItemNameChars)),
                           QStringLiteral("0|-1|0|C:\\|0")}
            << qint64(2);
    }
    void rows() {
        QFETCH(QStringList, lines);
        QFETCH(bool, scanFiles);
        QFETCH(QStringList, rows);
        QFETCH(qint64, files);
        QVERIFY(writeIndex(m_idx, lines));
        QCOMPARE(MarlovexLoad(m_idx), ImportLoad::Loaded);
        ScriptedUi ui;
        MarlovexImport imp(db(), ui);
        imp.options = quiet();
        imp.options.scanFiles = scanFiles;
        QCOMPARE(imp.Run(), DiskScan::Result::Done);
        QCOMPARE(itemRows(imp.ImageID), rows);
        QCOMPARE(imp.FileCount, files);
    }

    // The disk facts, the columns the index has no value for, and values with quotes bound.
    void imageAndColumns() {
        QStringList lines = threeRows();
        lines[2] = QStringLiteral("<DiskLabel it's \"DATA\"");
        lines << QStringLiteral("C:\\X\\a \"quoted\" 'name'");
        QVERIFY(writeIndex(m_idx, lines));
        QCOMPARE(MarlovexLoad(m_idx), ImportLoad::Loaded);
        ScriptedUi ui;
        MarlovexImport imp(db(), ui);
        imp.options = quiet();
        imp.options.scanMSDOSName = true;
        imp.options.scanTime = true;
        QCOMPARE(imp.Run(), DiskScan::Result::Done);
        QCOMPARE(db().scalar(QStringLiteral("SELECT Serial||'|'||Type||'|'||Name||'|'||Source||'|'"
                                            "||Label||'|'||FileSystem FROM Images"))
                     .toString(),
                 QStringLiteral("00001234|3|it's \"DATA\"|C:|it's \"DATA\"|"));
        const QString cols = QStringLiteral(
            "SELECT group_concat(ID||':'||Attrib||':'||quote(MSDOSName)||':'||quote(TimeC)||"
            "quote(TimeA)||quote(TimeM)||':'||quote(Keywords)||quote(Description)||':'||"
            "quote(Content), ' ') FROM (SELECT * FROM Items ORDER BY ID)");
        QCOMPARE(db().scalar(cols).toString(),
                 QStringLiteral("0:16:'':NULLNULLNULL:'''':NULL 1:16:'':NULLNULLNULL:NULLNULL:NULL "
                                "2:0:'':NULLNULLNULL:NULLNULL:NULL "
                                "3:0:'':NULLNULLNULL:NULLNULL:NULL"));
        QCOMPARE(db().scalar(QStringLiteral("SELECT Name FROM Items WHERE ID=3")).toString(),
                 QStringLiteral("a \"quoted\" 'name'"));
    }

    // The second import of one index: Yes keeps the ID, No adds one, Cancel writes nothing.
    void overwrite_data() {
        QTest::addColumn<Ui::Answer>("answer");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("imageId");
        QTest::newRow("Yes") << Ui::Answer::Yes << int(DiskScan::Result::Done) << 1 << 1;
        QTest::newRow("No") << Ui::Answer::No << int(DiskScan::Result::Done) << 2 << 2;
        QTest::newRow("Cancel") << Ui::Answer::Cancel << int(DiskScan::Result::Refused) << 1 << 0;
    }
    void overwrite() {
        QFETCH(Ui::Answer, answer);
        QFETCH(int, result);
        QFETCH(int, images);
        QFETCH(int, imageId);
        QVERIFY(writeIndex(m_idx, threeRows()));
        QCOMPARE(MarlovexLoad(m_idx), ImportLoad::Loaded);
        ScriptedUi ui;
        MarlovexImport first(db(), ui);
        first.options = quiet();
        QCOMPARE(first.Run(), DiskScan::Result::Done);
        ui.answers = {answer};
        MarlovexImport again(db(), ui);
        again.options = quiet();
        QCOMPARE(int(again.Run()), result);
        QCOMPARE(ui.texts(),
                 QStringList{QStringLiteral(
                     "That drive exist in database as DATA.\r\nDo you wish to overwrite?")});
        QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Images")).toInt(), images);
        QCOMPARE(again.ImageID, imageId);
        QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items")).toInt(), 3 * images);
    }

    // Cancel after answering Yes, at any pause of the write: the old image comes back whole.
    void cancelAfterYesRestores() {
        QStringList lines = threeRows();
        for (int i = 0; i < 200; ++i)
            lines << QStringLiteral("C:\\F%1\\file.txt").arg(i / 10);
        QVERIFY(writeIndex(m_idx, lines));
        QCOMPARE(MarlovexLoad(m_idx), ImportLoad::Loaded);
        ScriptedUi quietUi;
        MarlovexImport first(db(), quietUi);
        first.options = quiet();
        QCOMPARE(first.Run(), DiskScan::Result::Done);
        const QString before = catalogueDump();

        PauseHookUi ui;
        ui.answers = {Ui::Answer::Yes};
        MarlovexImport again(db(), ui);
        again.options = quiet();
        ui.onPause = [&] {
            if (again.ItemsWritten && again.WrittenCount > 30)
                again.cancel();
        };
        QCOMPARE(again.Run(), DiskScan::Result::Cancelled);
        QCOMPARE(catalogueDump(), before);
    }

    // The walk's clock is "hh:nn:ss"; the summary keeps "nn:ss" and ends in " minutes.".
    void progressAndSummaryTexts() {
        QVERIFY(writeIndex(m_idx, threeRows()));
        QCOMPARE(MarlovexLoad(m_idx), ImportLoad::Loaded);
        ScriptedUi ui;
        RecordingProgress progress;
        MarlovexImport imp(db(), ui, &progress);
        imp.options = quiet();
        imp.options.displaySummary = true;
        QCOMPARE(imp.Run(), DiskScan::Result::Done);
        QVERIFY(QRegularExpression(QStringLiteral(R"(^time=\d\d:\d\d:\d\d \(3 items collected\)$)"))
                    .match(progress.matching(QStringLiteral("time=")).at(1))
                    .hasMatch());
        QCOMPARE(progress.matching(QStringLiteral("folder=")),
                 (words("folder=C:\\ folder=C:\\X\\ folder=C:\\ folder=C:\\X\\")));
        QCOMPARE(ui.texts(), QStringList{QStringLiteral(
                                 "Total of 1 files and 1 folders was written in 00:00 minutes.")});
        QCOMPARE(ui.shown.first().icon, Ui::Icon::Information);
    }

    // Hostile or odd indexes import as what they hold, as a whole tree, or are refused.
    void badInput_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("load");
        const QByteArray head = "<disktype fixed\r\n<StartDir C:\\\r\n";
        QTest::newRow("LF only: one header line")
            << QByteArray("<disktype fixed\n<StartDir C:\\\nC:\\a\\b\n") << int(ImportLoad::Loaded);
        QTest::newRow("binary") << QByteArray("<\0\xff\r\x01\\\\\r\nC:\\\0\\\r", 13)
                                << int(ImportLoad::Loaded);
        QTest::newRow("paths without a root, '..', doubled backslashes")
            << head + "docs\\a\r\nC:\\..\\..\\x\r\nC:\\\\\\y\\\\z\r\nC:\\a\\\\b\r\n"
            << int(ImportLoad::Loaded);
        QTest::newRow("a line of a megabyte")
            << head + "C:\\" + QByteArray(1 << 20, 'a') + "\\b\r\nC:\\" +
                   QByteArray(1 << 19, '\\') + "\r\n"
            << int(ImportLoad::Loaded);
        QTest::newRow("deep path") << head + "C:\\" + QByteArray("d\\").repeated(20000) + "f\r\n"
                                   << int(ImportLoad::Loaded);
    }
    void badInput() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, load);
        QVERIFY(writeBytes(m_idx, bytes));
        QCOMPARE(int(MarlovexLoad(m_idx)), load);
        if (load != int(ImportLoad::Loaded))
            return;
        ScriptedUi ui;
        MarlovexImport imp(db(), ui);
        imp.options = quiet();
        QCOMPARE(imp.Run(), DiskScan::Result::Done);
        QCOMPARE(treeFault(imp.ImageID), QString());
    }

private:
    QTemporaryDir m_temp;
    QString m_cat;
    QString m_idx;
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
