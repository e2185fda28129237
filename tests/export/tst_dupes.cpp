#include "PropFindCatalogue.h"

#include "catalogue/mdlDatabase.h"
#include "export/mdlDupes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using Item = PropFindCatalogue::Item;

// Duplicates and single copies on a small catalogue whose answers are known by hand.
class TestDupes : public QObject {
    Q_OBJECT

    std::unique_ptr<PropFindCatalogue> m_cat;

    void file(qint32 image, qint32 id, qint32 parent, const QString& name, qint64 size,
              int type = 1) {
        m_cat->addItem(image,
                       {.id = id, .parentId = parent, .type = type, .name = name, .size = size});
    }

    static QStringList groups(qint64 minSize) {
        QStringList out;
        QString message;
        const bool ok = FindDuplicates(
            db(), minSize,
            [&](const DuplicateGroup& g) {
                QStringList copies;
                for (const FileCopy& c : g.copies)
                    copies << u"%1:%2:%3"_s.arg(c.imageName).arg(c.itemId).arg(c.path);
                out << u"%1 %2 = %3"_s.arg(g.name).arg(g.size).arg(copies.join(u", "_s));
            },
            &message);
        if (!ok)
            out << u"failed: "_s + message;
        return out;
    }

    struct Run {
        int code;
        QByteArray out;
        QString err;
    };
    Run cli(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(LEDRA_CLI), QStringList{args.first(), m_cat->path()} + args.mid(1));
        if (!p.waitForFinished(60000))
            return {-1, {}, {}};
        return {p.exitCode(), p.readAllStandardOutput(),
                QString::fromUtf8(p.readAllStandardError())};
    }

private slots:
    void initTestCase() {
        m_cat = std::make_unique<PropFindCatalogue>();
        m_cat->addImage(1, u"A"_s);
        file(1, 10, 0, u"docs"_s, 0, 0);
        file(1, 11, 10, u"a.txt"_s, 100);
        file(1, 12, 0, u"b.txt"_s, 50);
        file(1, 13, 0, u"big.iso"_s, 5000);
        file(1, 14, 0, u"a.txt"_s, 100); // a copy within the image
        file(1, 15, 0, u"A.TXT"_s, 100); // letter case tells names apart
        file(1, 16, 0, u"c.txt"_s, 7);
        file(1, 17, 0, u"only\tone, \"x\""_s, 1);
        file(1, 18, 0, u"b.txt"_s, 51); // another size
        file(1, 19, 0, u"zero"_s, 0);
        file(1, 20, 10, u"twice.dat"_s, 9); // two copies, both on this image only
        file(1, 21, 0, u"twice.dat"_s, 9);
        m_cat->addImage(2, u"B"_s);
        file(2, 1, 0, u"big.iso"_s, 5000);
        file(2, 2, 0, u"a.txt"_s, 100);
        file(2, 3, 0, u"b.txt"_s, 50, 0); // a folder is never a copy
        file(2, 4, 0, u"c.txt"_s, 8);
        m_cat->addImage(3, u"C"_s);
        file(3, 1, 0, u"b.txt"_s, 50);
        file(3, 2, 0, u"zero"_s, 0);
        m_cat->addImage(4, u"D"_s); // small among the others: read through the index
        file(4, 1, 0, u"lonely.txt"_s, 3);
    }
    void cleanupTestCase() { m_cat.reset(); }

    void duplicates_data() {
        QTest::addColumn<qint64>("minSize");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{
            u"big.iso 5000 = A:13:/big.iso, B:1:/big.iso"_s,
            u"a.txt 100 = A:11:/docs/a.txt, A:14:/a.txt, B:2:/a.txt"_s,
            u"b.txt 50 = A:12:/b.txt, C:1:/b.txt"_s,
            u"twice.dat 9 = A:20:/docs/twice.dat, A:21:/twice.dat"_s,
            u"zero 0 = A:19:/zero, C:2:/zero"_s,
        };
        QTest::newRow("every size, largest first") << qint64(0) << all;
        QTest::newRow("at least 100 bytes") << qint64(100) << all.mid(0, 2);
        QTest::newRow("above the largest") << qint64(5001) << QStringList();
    }
    void duplicates() {
        QFETCH(qint64, minSize);
        QFETCH(QStringList, expected);
        QCOMPARE(groups(minSize), expected);
    }

    void singleCopies_data() {
        QTest::addColumn<qint32>("image");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("copies within the image are lost with it too")
            << 1 << QStringList{u"15 100 /A.TXT"_s,          u"16 7 /c.txt"_s,
                                u"17 1 /only\tone, \"x\""_s, u"18 51 /b.txt"_s,
                                u"20 9 /docs/twice.dat"_s,   u"21 9 /twice.dat"_s};
        QTest::newRow("other size, same name") << 2 << QStringList{u"4 8 /c.txt"_s};
        QTest::newRow("everything held elsewhere") << 3 << QStringList();
        QTest::newRow("small image") << 4 << QStringList{u"1 3 /lonely.txt"_s};
    }
    void singleCopies() {
        QFETCH(qint32, image);
        QFETCH(QStringList, expected);
        QStringList got;
        QString message;
        QVERIFY(FindSingleCopies(
            db(), image,
            [&](const ImageFile& f) { got << u"%1 %2 %3"_s.arg(f.itemId).arg(f.size).arg(f.path); },
            &message));
        QCOMPARE(got, expected);
    }

    // The command line: tab records, JSON objects read back by Qt's parser, and refusals.
    void commandLine() {
        Run r = cli({u"dupes"_s, u"--min-size"_s, u"5000"_s});
        QCOMPARE(r.code, 0);
        QCOMPARE(
            r.out,
            QByteArray("1\t5000\tbig.iso\t1\tA\t/big.iso\n1\t5000\tbig.iso\t2\tB\t/big.iso\n"));

        r = cli({u"dupes"_s, u"--json"_s});
        QCOMPARE(r.code, 0);
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 5);
        const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
        QCOMPARE(second[u"name"].toString(), u"a.txt"_s);
        QCOMPARE(second[u"size"].toInteger(), 100);
        const QJsonArray copies = second[u"copies"].toArray();
        QCOMPARE(copies.size(), 3);
        QCOMPARE(copies[0][u"image"].toString(), u"A"_s);
        QCOMPARE(copies[0][u"image_id"].toInteger(), 1);
        QCOMPARE(copies[0][u"id"].toInteger(), 11);
        QCOMPARE(copies[0][u"path"].toString(), u"/docs/a.txt"_s);

        r = cli({u"single-copy"_s, u"1"_s, u"--json"_s});
        QCOMPARE(r.code, 0);
        const QJsonObject odd = QJsonDocument::fromJson(r.out.split('\n').value(2)).object();
        QCOMPARE(odd[u"name"].toString(), u"only\tone, \"x\""_s);
        QCOMPARE(odd[u"path"].toString(), u"/only\tone, \"x\""_s);
        QCOMPARE(odd[u"id"].toInteger(), 17);
        QCOMPARE(odd[u"size"].toInteger(), 1);

        r = cli({u"single-copy"_s, u"9"_s});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, u"There is no image 9 in the catalogue.\n"_s);
        QCOMPARE(cli({u"dupes"_s, u"--min-size"_s, u"-1"_s}).code, 2);
        QCOMPARE(cli({u"dupes"_s, u"--min-size"_s, u"many"_s}).code, 2);
        QCOMPARE(cli({u"single-copy"_s}).code, 2);
    }
};

QTEST_GUILESS_MAIN(TestDupes)
#include "tst_dupes.moc"
