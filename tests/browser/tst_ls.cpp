// The ls verb, run as the real executable.
#include "BrowseFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace BrowseFixture;

class TestLs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void listing_data();
    void listing();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestLs::initTestCase() {
    QVERIFY(m_dir.isValid());
    useSettingsIn(m_dir);
    m_path = m_dir.filePath(QStringLiteral("Ls.ldr"));
    QVERIFY(createCatalogue(m_path));
    QVERIFY(addNode(1, 0, QStringLiteral("Music")));
    QVERIFY(addNode(2, 1, QStringLiteral("Rock")));
    QVERIFY(addNode(3, 0, QStringLiteral("archive")));
    QVERIFY(addNode(4, 77, QStringLiteral("orphan")));
    QVERIFY(addImage(1, 2, QStringLiteral("Best of")));
    QVERIFY(addImage(2, 0, QStringLiteral("Backup")));
    QVERIFY(addImage(3, 1, QStringLiteral("CD"), 50));
    // A line break in a name must not start a record of its own.
    QVERIFY(addImage(4, 0, QStringLiteral("forged\nI9\tfake\\")));
    QVERIFY(addItem(1, 1, 0, 0, QStringLiteral("docs"), 16));
    QVERIFY(addItem(1, 2, 0, 1, QStringLiteral("big.iso"), 32 | 1, 1536));
    QVERIFY(addItem(1, 3, 0, 1, QStringLiteral("a\ttab"), QVariant(), QVariant()));
    QVERIFY(addItem(1, 4, 1, 1, QStringLiteral("readme"), 2, 1048576));
    QVERIFY(addItem(3, 1, 0, 1, QStringLiteral("01: Intro.cda"), 0, 100));
    closeCatalogue();
}

void TestLs::listing_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::newRow("catalogue tree") << QStringList() << 0
                                    << "N3\tarchive\n"
                                       "N1\tMusic\n"
                                       "  N2\tRock\n"
                                       "    I1\tBest of\n"
                                       "  I3\tCD\n"
                                       "I2\tBackup\n"
                                       "I4\tforged\\nI9\\tfake\\\\\n";
    QTest::newRow("image root") << QStringList{QStringLiteral("1")} << 0
                                << "F1\tdocs\t0 bytes\tDirectory\n"
                                   "K3\ta\\ttab\t0 bytes\tNone\n"
                                   "K2\tbig.iso\t1.50 KB\tRead-only, Archive\n";
    QTest::newRow("subfolder") << QStringList{QStringLiteral("1"), QStringLiteral("1")} << 0
                               << "K4\treadme\t1.00 MB\tHidden\n";
    QTest::newRow("audio CD track")
        << QStringList{QStringLiteral("3")} << 0 << "K1\tIntro\t100 bytes\tNone\n";
    QTest::newRow("empty folder") << QStringList{QStringLiteral("1"), QStringLiteral("99")} << 0
                                  << "";
    QTest::newRow("unknown image") << QStringList{QStringLiteral("9")} << 1 << "";
    QTest::newRow("not a number") << QStringList{QStringLiteral("x")} << 2 << "";
}

void TestLs::listing() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcess p;
    p.start(QStringLiteral(LEDRA_CLI), QStringList{QStringLiteral("ls"), m_path} + args);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), output);
    if (exitCode != 0)
        QVERIFY(!p.readAllStandardError().isEmpty());
}

QTEST_MAIN(TestLs)
#include "tst_ls.moc"
