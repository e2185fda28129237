#include "common/mdlTime.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTime : public QObject {
    Q_OBJECT

private slots:
    void joinText_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty list") << QStringList() << u", "_s << QString();
        QTest::newRow("only empty values")
            << QStringList{QString(), QString()} << u", "_s << QString();
        QTest::newRow("one value") << QStringList{u"a"_s} << u", "_s << u"a"_s;
        QTest::newRow("empties skipped everywhere")
            << QStringList{QString(), u"a"_s, QString(), u"b"_s, QString()} << u" | "_s
            << u"a | b"_s;
        QTest::newRow("order kept") << QStringList{u"c"_s, u"a"_s, u"b"_s} << u";"_s << u"c;a;b"_s;
    }
    void joinText() {
        QFETCH(QStringList, values);
        QFETCH(QString, separator);
        QFETCH(QString, expected);
        QCOMPARE(JoinText(values, separator), expected);
    }

    void durationText_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << qint64(0) << u"nn:ss"_s << u"00:00"_s;
        QTest::newRow("hours not shown") << qint64(3725) << u"nn:ss"_s << u"02:05"_s;
        QTest::newRow("hours shown") << qint64(3725) << u"hh:nn:ss"_s << u"01:02:05"_s;
        QTest::newRow("single letters") << qint64(3725) << u"h:n:s"_s << u"1:2:5"_s;
        QTest::newRow("capitals and literals") << qint64(59) << u"NN.SS (x)"_s << u"00.59 (x)"_s;
        QTest::newRow("a day wraps") << qint64(86400 + 61) << u"hh:nn:ss"_s << u"00:01:01"_s;
        QTest::newRow("negative counts back from midnight")
            << qint64(-65) << u"hh:nn:ss"_s << u"23:58:55"_s;
    }
    void durationText() {
        QFETCH(qint64, seconds);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(DurationText(seconds, format), expected);
    }

    void spanText_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole") << 10.0 << 135.0 << u"02:05"_s;
        QTest::newRow("rounded up") << 0.2 << 59.9 << u"01:00"_s;
        QTest::newRow("rounded down") << 0.0 << 59.4 << u"00:59"_s;
        QTest::newRow("half to even") << 0.0 << 2.5 << u"00:02"_s;
    }
    void spanText() {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(QString, expected);
        QCOMPARE(SpanText(start, end, u"nn:ss"_s), expected);
    }

    void elapsedText() {
        DurationTimer timer;
        timer.StartTimer();
        QCOMPARE(timer.ElapsedText(u"nn:ss"_s), u"00:00"_s);
        timer.setStartForTest(3725 * 1000);
        QCOMPARE(timer.ElapsedSeconds(), qint64(3725));
        QCOMPARE(timer.ElapsedText(u"nn:ss"_s), u"02:05"_s);
        timer.setStartForTest(1600);
        QCOMPARE(timer.ElapsedSeconds(), qint64(2));
    }

    void projectedText_data() {
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<qint64>("a");
        QTest::addColumn<qint64>("b");
        QTest::addColumn<QString>("expected");
        // A quarter done after 30 s: the whole run takes two minutes.
        QTest::newRow("quarter done") << qint64(30000) << qint64(25) << qint64(100) << u"02:00"_s;
        // 10.4 s * 3 = 31.2 -> 31, then 31 \ 2 = 15 (truncated, not rounded).
        QTest::newRow("round then truncate")
            << qint64(10400) << qint64(2) << qint64(3) << u"00:15"_s;
        QTest::newRow("nothing done yet guards a = 0")
            << qint64(5000) << qint64(0) << qint64(100) << u"00:00"_s;
    }
    void projectedText() {
        QFETCH(qint64, elapsedMs);
        QFETCH(qint64, a);
        QFETCH(qint64, b);
        QFETCH(QString, expected);
        DurationTimer timer;
        timer.setStartForTest(elapsedMs);
        QCOMPARE(timer.ProjectedText(a, b, u"nn:ss"_s), expected);
    }
};

QTEST_GUILESS_MAIN(TestTime)
#include "tst_time.moc"
