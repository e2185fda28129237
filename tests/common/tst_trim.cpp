#include "common/mdlTrim.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTrim : public QObject {
    Q_OBJECT

private slots:
    void cutAtNull_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no NUL") << u"DATA"_s << u"DATA"_s;
        QTest::newRow("buffer tail") << QString(u"DATA\0\0\0junk"_s) << u"DATA"_s;
        QTest::newRow("NUL first") << QString(u"\0DATA"_s) << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void cutAtNull() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(CutAtNull(text), expected);
    }

    void keyToID_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("node key") << u"N12"_s << 12;
        QTest::newRow("any prefix letter") << u"D7"_s << 7;
        QTest::newRow("largest 32-bit") << u"N2147483647"_s << 2147483647;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("single letter") << u"N"_s << 0;
        QTest::newRow("text tail") << u"Nabc"_s << 0;
        QTest::newRow("beyond 32 bits") << u"N2147483648"_s << 0;
    }
    void keyToID() {
        QFETCH(QString, key);
        QFETCH(qint32, expected);
        QCOMPARE(KeyToID(key), expected);
    }

    void textAfterLast_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("extension") << u"a.tar.gz"_s << u"."_s << u"gz"_s;
        QTest::newRow("path") << u"/home/user/file"_s << u"/"_s << u"file"_s;
        QTest::newRow("separator last") << u"folder/"_s << u"/"_s << QString();
        QTest::newRow("absent") << u"README"_s << u"."_s << QString();
        QTest::newRow("longer separator") << u"a::b::c"_s << u"::"_s << u"c"_s;
    }
    void textAfterLast() {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QString, expected);
        QCOMPARE(TextAfterLast(text, separator), expected);
    }

    void nullTo_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("longValue");
        QTest::addColumn<qint64>("sizeValue");
        QTest::newRow("invalid") << QVariant() << QString() << 0 << qint64(0);
        QTest::newRow("typed null")
            << QVariant(QMetaType::fromType<qlonglong>()) << QString() << 0 << qint64(0);
        QTest::newRow("number") << QVariant(qlonglong(42)) << u"42"_s << 42 << qint64(42);
        QTest::newRow("negative") << QVariant(-7) << u"-7"_s << -7 << qint64(-7);
        QTest::newRow("numeric text") << QVariant(u"12"_s) << u"12"_s << 12 << qint64(12);
        QTest::newRow("non-numeric text") << QVariant(u"abc"_s) << u"abc"_s << 0 << qint64(0);
        QTest::newRow("size beyond 32 bits") << QVariant(qlonglong(5) * 1024 * 1073741824)
                                             << u"5497558138880"_s << 0 << qint64(5497558138880);
    }
    void nullTo() {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QFETCH(qint32, longValue);
        QFETCH(qint64, sizeValue);
        QCOMPARE(NullToText(value), text);
        QCOMPARE(NullToLong(value), longValue);
        QCOMPARE(NullToSize(value), sizeValue);
    }
};

QTEST_GUILESS_MAIN(TestTrim)
#include "tst_trim.moc"
