#include "catalogue/Engine.h"
#include "catalogue/Wildcard.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

// The database layer on real files: opens, errors, cursors, transactions and wildcards.
class TestEngine : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    Database makeDb(const QString& name) {
        Database d;
        if (!d.open(path(name), Database::OpenMode::Create))
            qFatal("cannot create test database");
        d.Execute(u"CREATE TABLE T (ID INTEGER PRIMARY KEY, Name TEXT CONSTRAINT \"T.Name\" "
                  "CHECK(length(Name) <= 8), Size INTEGER)"_s);
        return d;
    }

    static QString names(Database& d, const QString& order = u"ID"_s) {
        return d
            .scalar(u"SELECT group_concat(Name, ',') FROM (SELECT Name FROM T ORDER BY %1)"_s.arg(
                order))
            .toString();
    }

private slots:
    void damagedFileIsReported() {
        const QString p = path(u"damaged.ldr"_s);
        QVERIFY(
            makeDb(u"damaged.ldr"_s)
                .Execute(
                    u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<2000) "
                    "INSERT INTO T(Name, Size) SELECT 'n'||(i%100), i FROM n"_s));
        QFile f(p);
        QVERIFY(f.open(QIODevice::ReadWrite));
        // Break the header of every page after the first: the schema still reads, the data not.
        for (qint64 at = 4096; at < f.size(); at += 4096) {
            f.seek(at);
            f.write(QByteArray(16, '\xEE'));
        }
        f.close();
        Database d;
        QVERIFY(d.open(p, Database::OpenMode::ReadOnly)); // the header is still fine
        Recordset rs = d.OpenRecordset(u"SELECT SUM(Size) FROM T"_s);
        while (rs.isValid() && !rs.Eof())
            rs.MoveNext();
        QCOMPARE(d.lastError().number, int(EngineErr::Damaged));
    }

    // Values are bound as typed, whatever they hold; nulls read as null; cursors move.
    void valuesAndCursors() {
        Database d = makeDb(u"values.ldr"_s);
        for (const QString& text :
             {u"a\"b"_s, u"it's"_s, u"C:\\x"_s, u"a\nb"_s, u"x');--"_s, u"Ärger"_s}) {
            QVERIFY(d.Execute(u"INSERT INTO T(Name, Size) VALUES(?, ?)"_s, {text, 1LL << 40}));
            Recordset rs = d.OpenRecordset(u"SELECT Name, Size FROM T WHERE Name = ?"_s, {text});
            QVERIFY(!rs.Eof());
            QCOMPARE(rs.value("name").toString(), text);
            QCOMPARE(rs.value("Size").toLongLong(), 1LL << 40);
        }
        d.Execute(u"DELETE FROM T"_s);
        for (int i = 1; i <= 3; ++i)
            d.Execute(u"INSERT INTO T(ID, Name) VALUES(?, ?)"_s, {i, QVariant()});
        Recordset fwd = d.OpenRecordset(u"SELECT ID, Name, Size FROM T ORDER BY ID"_s);
        int n = 0;
        for (; !fwd.Eof(); fwd.MoveNext()) {
            QVERIFY(fwd.value("Name").isNull());
            QVERIFY(fwd.isNull(2));
            QCOMPARE(fwd.int64(0), ++n);
        }
        QCOMPARE(n, 3);
        QVERIFY(fwd.value("ID").isNull()); // past the end
        Recordset snap =
            d.OpenRecordset(u"SELECT ID FROM T ORDER BY ID"_s, {}, Recordset::Type::Snapshot);
        snap.MoveLast();
        QCOMPARE(snap.RecordCount(), 3);
        QCOMPARE(snap.value("ID").toInt(), 3);
        snap.MoveFirst();
        QCOMPARE(snap.value("ID").toInt(), 1);
        Recordset empty =
            d.OpenRecordset(u"SELECT ID FROM T WHERE ID > 99"_s, {}, Recordset::Type::Snapshot);
        QVERIFY(empty.Eof() && empty.Bof());
        QCOMPARE(empty.RecordCount(), 0);
        QVERIFY(d.scalar(u"SELECT MAX(ID) FROM T WHERE ID > 99"_s).isNull());
    }

    void errorNumbers() {
        Database d = makeDb(u"errors.ldr"_s);
        QVERIFY(!d.OpenRecordset(u"SELECT * FROM Nope"_s).isValid());
        QCOMPARE(d.lastError().number, int(EngineErr::TableNotFound));
        QVERIFY(!d.OpenRecordset(u"SELECT Nope FROM T"_s).isValid());
        QCOMPARE(d.lastError().number, int(EngineErr::UnknownColumn));
        QVERIFY(d.Execute(u"INSERT INTO T(ID, Name) VALUES(1, 'a')"_s));
        QVERIFY(!d.Execute(u"INSERT INTO T(ID, Name) VALUES(1, 'b')"_s));
        QCOMPARE(d.lastError().number, int(EngineErr::DuplicateKey));
        QVERIFY(!d.Execute(u"INSERT INTO T(Name) VALUES(?)"_s, {u"123456789"_s}));
        QCOMPARE(d.lastError().number, int(EngineErr::TextTooLong));
        QVERIFY(d.lastError().description.contains(u"T.Name"_s));
        // A prepared statement runs many times and keeps its own error.
        Statement st = d.prepare(u"INSERT INTO T(Name, Size) VALUES(?, ?)"_s);
        for (int i = 0; i < 3; ++i) {
            st.bindText(1, u"n%1"_s.arg(i));
            i == 1 ? st.bindNull(2) : st.bindInt64(2, i);
            QVERIFY(st.execute());
        }
        st.bindUtf8(1, "toolongtext", 11);
        QVERIFY(!st.execute());
        QCOMPARE(st.error().number, int(EngineErr::TextTooLong));
        QCOMPARE(d.scalar(u"SELECT COUNT(*) FROM T WHERE Size IS NULL"_s).toInt(), 2);
        QCOMPARE(d.scalar(u"SELECT COUNT(*) FROM T"_s).toInt(), 4);
    }

    void transactions() {
        Database d = makeDb(u"tx.ldr"_s);
        {
            Transaction t(d);
            d.Execute(u"INSERT INTO T(Name) VALUES('kept')"_s);
            QVERIFY(t.commit());
        }
        {
            Transaction t(d);
            d.Execute(u"INSERT INTO T(Name) VALUES('dropped')"_s);
        }
        {
            // A failing statement keeps its own error through the rollback.
            Transaction t(d);
            QVERIFY(!d.Execute(u"INSERT INTO T(Name) VALUES('far too long')"_s));
            t.rollback();
            QCOMPARE(d.lastError().number, int(EngineErr::TextTooLong));
        }
        QCOMPARE(names(d), u"kept"_s);
        // Another connection's open transaction locks the file.
        Transaction t(d);
        QVERIFY(d.Execute(u"INSERT INTO T(Name) VALUES('x')"_s));
        Database b;
        QVERIFY(b.open(path(u"tx.ldr"_s), Database::OpenMode::ReadWrite));
        QVERIFY(!b.Execute(u"INSERT INTO T(Name) VALUES('y')"_s));
        QCOMPARE(b.lastError().number, int(EngineErr::Locked));
    }

    // A compaction elsewhere renames a copy over the file. A connection left on the old file
    // writes nothing while it cannot follow (a statement still running), then reads and writes
    // the new file, leaving alone the journal of the new file's writer (it has the same name).
    void aReplacedFileIsFollowed() {
        const QString p = path(u"followed.ldr"_s), copy = path(u"followed-copy.ldr"_s);
        Database a = makeDb(u"followed.ldr"_s);
        QVERIFY(a.Execute(u"INSERT INTO T(Name) VALUES('old')"_s));
        QVERIFY(QFile::copy(p, copy));
        Database b;
        QVERIFY(b.open(copy, Database::OpenMode::ReadWrite));
        QVERIFY(b.Execute(u"INSERT INTO T(Name) VALUES('copied')"_s));
        b.close();
        Recordset running = a.OpenRecordset(u"SELECT Name FROM T"_s);
        QVERIFY(!a.fileReplaced());
        QCOMPARE(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(p).constData()),
                 0);
        QVERIFY(a.fileReplaced());
        QVERIFY(!a.Execute(u"INSERT INTO T(Name) VALUES('lost')"_s));
        QCOMPARE(a.lastError().number, int(EngineErr::Locked));
        running.Close();
        QVERIFY(b.open(p, Database::OpenMode::ReadWrite));
        {
            Transaction t(b);
            QVERIFY(b.Execute(u"INSERT INTO T(Name) VALUES('new')"_s));
            QVERIFY(QFile::exists(p + u"-journal"_s));
            QCOMPARE(a.scalar(u"SELECT COUNT(*) FROM T WHERE Name='copied'"_s).toInt(), 1);
            QVERIFY(t.commit());
        }
        QVERIFY(a.Execute(u"INSERT INTO T(Name) VALUES('kept')"_s));
        QCOMPARE(names(a), u"old,copied,new,kept"_s);
    }

    void nameOrderIgnoresCase() {
        Database d = makeDb(u"order.ldr"_s);
        for (const QString& n : {u"b"_s, u"a"_s, u"C"_s, u"A"_s, u"ä"_s, u"Ä"_s, u"B2"_s})
            d.Execute(u"INSERT INTO T(Name) VALUES(?)"_s, {n});
        QCOMPARE(names(d, u"Name COLLATE LEDRA_NOCASE, ID"_s), u"A,a,b,B2,C,Ä,ä"_s);
    }

    // The edges; the common patterns run through Find's own tests, and the SQL function over
    // them is the plain statement the name index is compared with.
    void wildcards_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("match");
        QTest::newRow("star none") << u"a*b"_s << u"ab"_s << true;
        QTest::newRow("whole text") << u"abc"_s << u"abcd"_s << false;
        QTest::newRow("question not empty") << u"a?c"_s << u"ac"_s << false;
        QTest::newRow("set") << u"[abc]x"_s << u"Bx"_s << true;
        QTest::newRow("range, its upper end") << u"[a-f]1"_s << u"F1"_s << true;
        QTest::newRow("literal star in set") << u"a[*]b"_s << u"a*b"_s << true;
        QTest::newRow("backtracking") << u"*a*a*a*a*b"_s << QString(200, u'a') << false;
        QTest::newRow("lone star") << u"*"_s << u""_s << true;
    }
    void wildcards() {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, match);
        auto p = WildcardPattern::compile(pattern);
        QVERIFY(p.has_value());
        QCOMPARE(p->matches(text), match);
        QByteArray utf8 = text.toUtf8();
        QCOMPARE(p->matchesUtf8(utf8.constData(), int(utf8.size())), match);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
