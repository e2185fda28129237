// The common routines: value, duration and key texts, and the path routines.
#include "common/mdlConvert.h"
#include "common/mdlPath.h"
#include "common/mdlTime.h"
#include "common/mdlTrim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestConvert : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Both sides of every unit step, pattern change and rounding: four decimals kept (halves to
    // even) choose the pattern, and the shown rounding takes halves up.
    void sizeText_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        constexpr qint64 MB = 1048576, GB = 1073741824;
        QTest::newRow("zero") << qint64(0) << -1 << u"0 bytes"_s;
        QTest::newRow("negative stays bytes") << qint64(-5000) << -1 << u"-5000 bytes"_s;
        QTest::newRow("bytes ignore decimals") << qint64(100) << 2 << u"100 bytes"_s;
        QTest::newRow("below KB") << qint64(1023) << -1 << u"1023 bytes"_s;
        QTest::newRow("at KB") << qint64(1024) << -1 << u"1.00 KB"_s;
        QTest::newRow("below MB rounds to 1024 KB") << MB - 1 << -1 << u"1024 KB"_s;
        QTest::newRow("at MB") << MB << -1 << u"1.00 MB"_s;
        QTest::newRow("below GB rounds to 1024 MB") << GB - 1 << -1 << u"1024 MB"_s;
        QTest::newRow("at GB") << GB << -1 << u"1.00 GB"_s;
        QTest::newRow("largest 32-bit") << qint64(2147483647) << -1 << u"2.00 GB"_s;
        QTest::newRow("5 TB stays in GB, no grouping") << 5 * 1024 * GB << -1 << u"5120 GB"_s;
        QTest::newRow("largest 64-bit")
            << std::numeric_limits<qint64>::max() << 1 << u"8589934592.0 GB"_s;
        QTest::newRow("below 10: two decimals") << qint64(10239) << -1 << u"10.00 KB"_s;
        QTest::newRow("at 10: one decimal") << qint64(10240) << -1 << u"10.0 KB"_s;
        QTest::newRow("below 100: one decimal") << qint64(102399) << -1 << u"100.0 KB"_s;
        QTest::newRow("at 100: none") << qint64(102400) << -1 << u"100 KB"_s;
        // 9.99995 MB is the edge: just under it the four decimals stay below 10.
        QTest::newRow("four decimals under 10") << 9 * MB + 1048523 << -1 << u"10.00 MB"_s;
        QTest::newRow("four decimals reach 10") << 9 * MB + 1048524 << -1 << u"10.0 MB"_s;
        QTest::newRow("four decimals under 100") << 99 * MB + 1048523 << -1 << u"100.0 MB"_s;
        QTest::newRow("four decimals reach 100") << 99 * MB + 1048524 << -1 << u"100 MB"_s;
        // 1.0049 and 1.0050 MB to four decimals.
        QTest::newRow("two decimals, below half") << MB + 5190 << -1 << u"1.00 MB"_s;
        QTest::newRow("two decimals, half up") << MB + 5191 << -1 << u"1.01 MB"_s;
        QTest::newRow("one decimal, below half") << qint64(15615) << -1 << u"15.2 KB"_s;
        QTest::newRow("one decimal, exact half up") << qint64(15616) << -1 << u"15.3 KB"_s;
        QTest::newRow("no decimals, below half") << qint64(154111) << -1 << u"150 KB"_s;
        QTest::newRow("no decimals, exact half up") << qint64(154112) << -1 << u"151 KB"_s;
        QTest::newRow("fixed 0, below half") << qint64(2559) << 0 << u"2 KB"_s;
        QTest::newRow("fixed 0, exact half up") << qint64(2560) << 0 << u"3 KB"_s;
        QTest::newRow("fixed 1 above 100") << qint64(153600) << 1 << u"150.0 KB"_s;
        // 1025 / 1024 = 1.0009765..., kept as 1.0010 before showing it.
        QTest::newRow("fixed 3 from four decimals") << qint64(1025) << 3 << u"1.001 KB"_s;
        QTest::newRow("fixed 6 pads the four decimals") << qint64(1025) << 6 << u"1.001000 KB"_s;
        // 1056 / 1024 = 1.03125 and 1120 / 1024 = 1.09375: exact halves at the fifth decimal.
        QTest::newRow("four-decimal half to even, down") << qint64(1056) << 4 << u"1.0312 KB"_s;
        QTest::newRow("four-decimal half to even, up") << qint64(1120) << 4 << u"1.0938 KB"_s;
    }
    void sizeText() {
        QFETCH(qint64, size);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QCOMPARE(SizeText(size, decimals), expected);
    }

    void sizeTextUsesRegionalSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(SizeText(qint64(5) * 1024 * 1073741824 + 536870912, 1), u"5120,5 GB"_s);
    }

    void flagsText_data() {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero is None") << qint64(0) << u"None"_s;
        QTest::newRow("negative is None") << qint64(-1) << u"None"_s;
        QTest::newRow("volume label has no name") << qint64(8) << QString();
        QTest::newRow("hidden system, unnamed bits skipped")
            << qint64(6 | 8 | 1024) << u"Hidden, System"_s;
        QTest::newRow("all named")
            << qint64(1 | 2 | 4 | 16 | 32) << u"Read-only, Hidden, System, Directory, Archive"_s;
    }
    void flagsText() {
        QFETCH(qint64, value);
        QFETCH(QString, expected);
        QCOMPARE(FlagsText(value, AttributeNames()), expected);
        QStringList names(64);
        names[63] = u"bit 62"_s;
        QCOMPARE(FlagsText(qint64(1) << 62, names), u"bit 62"_s);
    }

    void durationText() {
        QCOMPARE(DurationText(3725, u"hh:nn:ss"_s), u"01:02:05"_s);
        QCOMPARE(DurationText(86400 + 61, u"hh:nn:ss"_s), u"00:01:01"_s); // a day wraps
        QCOMPARE(DurationText(-65, u"hh:nn:ss"_s), u"23:58:55"_s);        // back from midnight
    }

    void spanAndTimerTexts() {
        QCOMPARE(SpanText(0.2, 59.9, u"nn:ss"_s), u"01:00"_s);
        QCOMPARE(SpanText(0.0, 2.5, u"nn:ss"_s), u"00:02"_s); // halves to even
        DurationTimer timer;
        timer.StartTimer();
        QCOMPARE(timer.ElapsedText(u"nn:ss"_s), u"00:00"_s);
        timer.setStartForTest(3725 * 1000);
        QCOMPARE(timer.ElapsedText(u"nn:ss"_s), u"02:05"_s);
        timer.setStartForTest(1600);
        QCOMPARE(timer.ElapsedSeconds(), qint64(2));
        // A quarter done after 30 s: the whole run takes two minutes.
        timer.setStartForTest(30000);
        QCOMPARE(timer.ProjectedText(25, 100, u"nn:ss"_s), u"02:00"_s);
        QCOMPARE(timer.ProjectedText(0, 100, u"nn:ss"_s), u"00:00"_s);
        // 10.4 s * 3 = 31.2 -> 31, then 31 \ 2 = 15 (truncated, not rounded).
        timer.setStartForTest(10400);
        QCOMPARE(timer.ProjectedText(2, 3, u"nn:ss"_s), u"00:15"_s);
    }

    void trimTexts() {
        QCOMPARE(KeyToID(u"N12"_s), 12);
        QCOMPARE(KeyToID(u"D2147483647"_s), 2147483647);
        QCOMPARE(KeyToID(QString()), 0);
        QCOMPARE(KeyToID(u"Nabc"_s), 0);
        QCOMPARE(KeyToID(u"N2147483648"_s), 0); // beyond 32 bits
        QCOMPARE(TextAfterLast(u"a.tar.gz"_s, u"."_s), u"gz"_s);
        QCOMPARE(TextAfterLast(u"README"_s, u"."_s), QString());
        QCOMPARE(TextAfterLast(u"a::b::c"_s, u"::"_s), u"c"_s);
    }

    void nullTo_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("longValue");
        QTest::newRow("typed null") << QVariant(QMetaType::fromType<qlonglong>()) << QString() << 0;
        QTest::newRow("negative") << QVariant(-7) << u"-7"_s << -7;
        QTest::newRow("numeric text") << QVariant(u"12"_s) << u"12"_s << 12;
        QTest::newRow("non-numeric text") << QVariant(u"abc"_s) << u"abc"_s << 0;
        QTest::newRow("beyond 32 bits")
            << QVariant(qlonglong(5) * 1024 * 1073741824) << u"5497558138880"_s << 0;
    }
    void nullTo() {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QFETCH(qint32, longValue);
        QCOMPARE(NullToText(value), text);
        QCOMPARE(NullToLong(value), longValue);
    }

    void parentFolderAndSlash() {
        QCOMPARE(ParentFolder(u"/a/b.ldr"_s), u"/a/"_s);
        QCOMPARE(ParentFolder(u"/a/b/"_s), u"/a/"_s);
        QCOMPARE(ParentFolder(u"/b.ldr"_s), u"/"_s);
        QCOMPARE(ParentFolder(u"b.ldr"_s), QString());
        QCOMPARE(ParentFolder(u"/"_s), QString());
        QCOMPARE(AddBackslash(u"/a"_s), u"/a/"_s);
        QCOMPARE(AddBackslash(u"/a/"_s), u"/a/"_s);
        QCOMPARE(AddBackslash(QString()), u"/"_s);
    }

    // Deep and existing folders, and a file in the way, show in a new catalogue's and the set-up's.
    void makeFolders() {
        QVERIFY(MakeFolders(QString()));
        // A relative path is taken from the current folder.
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_tmp.path()));
        const bool made = MakeFolders(u"rel/sub"_s);
        QDir::setCurrent(before);
        QVERIFY(made);
        QVERIFY(QFileInfo(m_tmp.path() + u"/rel/sub"_s).isDir());
    }

    void isFolderWritable() {
        QTemporaryDir tmp;
        QVERIFY(IsFolderWritable(tmp.path()));
        // The probe file leaves nothing behind.
        QVERIFY(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        QVERIFY(!IsFolderWritable(QString()));
        QVERIFY(!IsFolderWritable(tmp.path() + u"/missing"_s));
        if (geteuid() == 0)
            return; // folder permissions do not bind the superuser
        QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool writable = IsFolderWritable(tmp.path());
        QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!writable);
    }

    // The program's own path and the user's folder show in the set-up tests; here the first of
    // several shared folders. No other test reads the variable.
    void programsFolder() {
        qputenv("XDG_DATA_DIRS", "/tmp/ledra-shared-a:/tmp/ledra-shared-b");
        QCOMPARE(CommonProgramsFolder(), u"/tmp/ledra-shared-a/applications/"_s);
        QVERIFY(PersonalFolder().endsWith(u'/'));
    }
};

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
