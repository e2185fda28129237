// `ledra-cli import` run as the real executable.
#include "DiskScanSupport.h"
#include "ImportTestSupport.h"

#include "catalogue/mdlDatabase.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace DiskTest;
using namespace ImportTest;

namespace {

struct Run {
    int exit = -1;
    QString out;
    QString err;
};

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestImportCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_config = m_temp.path() + QStringLiteral("/config");
        m_cat = m_temp.path() + QStringLiteral("/c.ldr");
        m_idx = m_temp.path() + QStringLiteral("/d.idx");
        QVERIFY(writeIndex(m_idx, threeRows()));
        QCOMPARE(cli({QStringLiteral("create"), m_cat}).exit, 0);
    }

    // What is not an index leaves the catalogue file as it was, byte for byte.
    void notAnIndex() {
        const QString path = m_temp.path() + QStringLiteral("/bad.idx");
        QVERIFY(writeBytes(path, QByteArray("\xEF\xBB\xBF<disktype fixed\r\n")));
        const QByteArray before = fileHash(m_cat);
        const Run r = cli({QStringLiteral("import"), m_cat, path});
        QCOMPARE(r.exit, 1);
        QCOMPARE(r.err, QStringLiteral("This file format is not supported!\n"));
        QCOMPARE(r.out, QString());
        QCOMPARE(fileHash(m_cat), before);
    }

    // Import, the refused second import, --add with a name, --overwrite, options and usage.
    void importRuns() {
        Run r = cli({QStringLiteral("import"), m_cat, m_idx, QStringLiteral("--no-files")});
        QCOMPARE(r.exit, 0);
        QCOMPARE(r.out, QStringLiteral("image\t1\nTotal of 1 files and 1 folders was written in "
                                       "00:00 minutes.\n"));

        r = cli({QStringLiteral("import"), m_cat, m_idx});
        QCOMPARE(r.exit, 1);
        QCOMPARE(r.err, QStringLiteral("That drive exist in database as DATA.\n"));

        r = cli({QStringLiteral("import"), m_cat, m_idx, QStringLiteral("--overwrite"),
                 QStringLiteral("--msdos-names")});
        QCOMPARE(r.exit, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("image\t1\n")));

        r = cli({QStringLiteral("import"), m_cat, m_idx, QStringLiteral("--add"),
                 QStringLiteral("--name"), QStringLiteral("Second"), QStringLiteral("--node"),
                 QStringLiteral("0")});
        QCOMPARE(r.exit, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("image\t2\n")));

        QCOMPARE(cli({QStringLiteral("import"), m_cat, m_idx, QStringLiteral("--node"),
                      QStringLiteral("7"), QStringLiteral("--add")})
                     .err,
                 QStringLiteral("Node 7 does not exist.\n"));
        QCOMPARE(cli({QStringLiteral("import"), m_cat, m_idx, QStringLiteral("--times"),
                      QStringLiteral("--no-times")})
                     .exit,
                 2);
        QCOMPARE(cli({QStringLiteral("import"), m_cat}).exit, 2);

        SetDatabaseName(m_cat);
        QCOMPARE(OpenVerifiedDatabase(false, true), 0);
        QCOMPARE(itemRows(1),
                 (QStringList{QStringLiteral("2|1|1|f.txt|0"), QStringLiteral("1|0|0|X|0"),
                              QStringLiteral("0|-1|0|C:\\|0")}));
        QCOMPARE(db().scalar(QStringLiteral("SELECT group_concat(Name, ',') FROM Images")),
                 QVariant(QStringLiteral("DATA,Second")));
        QCOMPARE(db().scalar(QStringLiteral(
                                 "SELECT COUNT(*) FROM Items WHERE ImageID=1 AND MSDOSName=''"))
                     .toInt(),
                 3);
        CloseDatabase();
    }

    // Folders repeated in two cases double the walk at every level. Each pass has the whole
    // listing budget: a walk that fits it imports whole, counted first or not; one that grows
    // without end fails, names the folder and writes nothing.
    void repeatedFolders_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("collect");
        QTest::addColumn<int>("exit");
        QTest::newRow("fits, counted") << 10 << true << 0;
        QTest::newRow("fits, not counted") << 10 << false << 0;
        QTest::newRow("grows without end") << 40 << true << 1;
    }
    void repeatedFolders() {
        QFETCH(int, depth);
        QFETCH(bool, collect);
        QFETCH(int, exit);
        QString upper = QStringLiteral("C:\\"), lower = QStringLiteral("c:\\");
        for (int i = 0; i < depth; ++i) {
            upper += QStringLiteral("A\\");
            lower += QStringLiteral("a\\");
        }
        const QString path = m_temp.path() + QStringLiteral("/repeat.idx");
        QVERIFY(writeIndex(path, {QStringLiteral("<disktype fixed"),
                                  QStringLiteral("<Serial 5A-5A"), QStringLiteral("<DiskLabel REP"),
                                  QStringLiteral("<StartDir C:\\"), upper + u'f', lower + u'f'}));
        const QByteArray before = fileHash(m_cat);
        const Run r = cli({QStringLiteral("import"), m_cat, path, QStringLiteral("--add"),
                           collect ? QStringLiteral("--collect") : QStringLiteral("--no-collect")});
        QCOMPARE(r.exit, exit);
        if (exit != 0) {
            QVERIFY2(r.err.startsWith(QStringLiteral("The folder C:\\")) &&
                         r.err.endsWith(QStringLiteral("Nothing was imported.\n")),
                     qPrintable(r.err));
            QCOMPARE(r.out, QString());
            QCOMPARE(fileHash(m_cat), before);
            return;
        }
        const QStringList out = r.out.split(u'\n');
        QVERIFY(out.at(1).startsWith(QStringLiteral("Total of 2048 files and 2046 folders")));
        SetDatabaseName(m_cat);
        QCOMPARE(OpenVerifiedDatabase(false, true), 0);
        const qint32 id = out.at(0).section(u'\t', 1).toInt();
        QCOMPARE(
            db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=?"), {id}).toInt(),
            2046 + 2048 + 1);
        CloseDatabase();
    }

private:
    Run cli(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(LEDRA_CLI), args);
        Run r;
        if (!p.waitForFinished())
            return r;
        r.exit = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QTemporaryDir m_temp;
    QString m_config;
    QString m_cat;
    QString m_idx;
};

QTEST_MAIN(TestImportCli)
#include "tst_importcli.moc"
