#include "common/mdlConvert.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

class TestConvert : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }

    void sizeText_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");

        QTest::newRow("zero") << qint64(0) << -1 << u"0 bytes"_s;
        QTest::newRow("1023 bytes") << qint64(1023) << -1 << u"1023 bytes"_s;
        QTest::newRow("negative stays bytes") << qint64(-5000) << -1 << u"-5000 bytes"_s;
        QTest::newRow("bytes ignore decimals") << qint64(100) << 2 << u"100 bytes"_s;
        QTest::newRow("exactly 1 KB") << qint64(1024) << -1 << u"1.00 KB"_s;
        QTest::newRow("1.5 KB") << qint64(1536) << -1 << u"1.50 KB"_s;
        QTest::newRow("15 KB") << qint64(15360) << -1 << u"15.0 KB"_s;
        QTest::newRow("150 KB") << qint64(153600) << -1 << u"150 KB"_s;
        QTest::newRow("pattern chosen before rounding") << qint64(102399) << -1 << u"100.0 KB"_s;
        QTest::newRow("just below 10 KB") << qint64(10239) << -1 << u"10.00 KB"_s;
        QTest::newRow("1 MB") << qint64(1048576) << -1 << u"1.00 MB"_s;
        QTest::newRow("largest 32-bit") << qint64(2147483647) << -1 << u"2.00 GB"_s;
        QTest::newRow("beyond 32 bits") << qint64(3) * 1073741824 << -1 << u"3.00 GB"_s;
        QTest::newRow("5 TB stays in GB") << qint64(5) * 1024 * 1073741824 << -1 << u"5120 GB"_s;
        QTest::newRow("largest 64-bit")
            << std::numeric_limits<qint64>::max() << 1 << u"8589934592.0 GB"_s;
        QTest::newRow("fixed 2 decimals") << qint64(2048) << 2 << u"2.00 KB"_s;
        QTest::newRow("fixed 0 decimals") << qint64(1536) << 0 << u"2 KB"_s;
        QTest::newRow("fixed 0 rounds down") << qint64(1535) << 0 << u"1 KB"_s;
        QTest::newRow("fixed 1 decimal, large value") << qint64(153600) << 1 << u"150.0 KB"_s;
        // 1025 / 1024 = 1.0009765..., kept as 1.0010 before showing it.
        QTest::newRow("fixed 3 from four decimals") << qint64(1025) << 3 << u"1.001 KB"_s;
        QTest::newRow("fixed 6 pads the four decimals") << qint64(1025) << 6 << u"1.001000 KB"_s;
        // 1056 / 1024 = 1.03125 and 1120 / 1024 = 1.09375: exact halves at the fifth decimal.
        QTest::newRow("four-decimal half to even, down") << qint64(1056) << 4 << u"1.0312 KB"_s;
        QTest::newRow("four-decimal half to even, up") << qint64(1120) << 4 << u"1.0938 KB"_s;
        // 1 MB + 5243 bytes is 1.0050 MB to four decimals; the shown rounding takes it up.
        QTest::newRow("shown half rounds up") << qint64(1048576 + 5243) << -1 << u"1.01 MB"_s;
    }
    void sizeText() {
        QFETCH(qint64, size);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QCOMPARE(SizeText(size, decimals), expected);
    }

    void sizeTextUsesRegionalSeparator_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("expected");
        QTest::newRow("German comma")
            << QLocale(QLocale::German, QLocale::Germany) << qint64(1536) << u"1,50 KB"_s;
        QTest::newRow("German, no grouping") << QLocale(QLocale::German, QLocale::Germany)
                                             << qint64(5) * 1024 * 1073741824 << u"5120 GB"_s;
        QTest::newRow("English, no grouping") << QLocale(QLocale::English, QLocale::UnitedStates)
                                              << qint64(2000) * 1073741824 << u"2000 GB"_s;
    }
    void sizeTextUsesRegionalSeparator() {
        QFETCH(QLocale, locale);
        QFETCH(qint64, size);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        QCOMPARE(SizeText(size), expected);
    }

    void flagsText_data() {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero is None") << qint64(0) << u"None"_s;
        QTest::newRow("negative is None") << qint64(-1) << u"None"_s;
        QTest::newRow("read-only") << qint64(1) << u"Read-only"_s;
        QTest::newRow("read-only and archive") << qint64(33) << u"Read-only, Archive"_s;
        QTest::newRow("directory") << qint64(16) << u"Directory"_s;
        QTest::newRow("volume label has no name") << qint64(8) << QString();
        QTest::newRow("bit beyond the list") << qint64(128) << QString();
        QTest::newRow("hidden system, unnamed bits skipped")
            << qint64(6 | 8 | 1024) << u"Hidden, System"_s;
        QTest::newRow("all named")
            << qint64(1 | 2 | 4 | 16 | 32) << u"Read-only, Hidden, System, Directory, Archive"_s;
    }
    void flagsText() {
        QFETCH(qint64, value);
        QFETCH(QString, expected);
        QCOMPARE(FlagsText(value, AttributeNames()), expected);
    }

    void flagsTextHighBit() {
        QStringList names(64);
        names[0] = u"none"_s;
        names[63] = u"bit 62"_s;
        QCOMPARE(FlagsText(qint64(1) << 62, names), u"bit 62"_s);
    }

    void versionText_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("expected");
        QTest::newRow("design example") << 1 << 0 << 25 << u"1.00.0025"_s;
        QTest::newRow("wide fields kept") << 12 << 345 << 67890 << u"12.345.67890"_s;
        QTest::newRow("all zero") << 0 << 0 << 0 << u"0.00.0000"_s;
    }
    void versionText() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, expected);
        QCOMPARE(VersionText(major, minor, revision), expected);
    }
};

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
