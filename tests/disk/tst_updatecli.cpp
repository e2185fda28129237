// `ledra-cli update` run as the real executable.
#include "DiskScanSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace DiskTest;

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

// The difference lines sorted (their order is the disk's listing order), the counts line last.
QStringList sortedLines(const QString& out) {
    QStringList lines = out.split(QLatin1Char('\n'));
    const QString counts = lines.size() >= 2 ? lines.at(lines.size() - 2) : QString();
    lines = lines.mid(0, lines.size() - 2);
    lines.sort();
    return lines << counts;
}

} // namespace

class TestUpdateCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_config = m_temp.path() + QStringLiteral("/config");
        m_cat = m_temp.path() + QStringLiteral("/c.ldr");
        m_tree = m_temp.path() + QStringLiteral("/tree");
        makeTree(m_tree, {QStringLiteral("tab\there.txt"), QStringLiteral("back\\slash"),
                          QStringLiteral("plain/a.txt"), QStringLiteral("old.txt")});
        QCOMPARE(cli({QStringLiteral("create"), m_cat}).exit, 0);
        QCOMPARE(cli({QStringLiteral("scan"), m_cat, m_tree, QStringLiteral("--add")}).exit, 0);
    }

    void usageAndFailures_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("err");
        const QString cat = m_temp.path() + QStringLiteral("/c.ldr");
        const QString tree = m_temp.path() + QStringLiteral("/tree");
        const QString u = QStringLiteral("update");
        QTest::newRow("no path") << QStringList{u, cat, QStringLiteral("1")} << 2 << QString();
        QTest::newRow("image not a number")
            << QStringList{u, cat, QStringLiteral("x"), tree} << 2
            << QStringLiteral("IMAGE needs an image ID (1 or more).\n");
        QTest::newRow("both files flags")
            << QStringList{u,
                           cat,
                           QStringLiteral("1"),
                           tree,
                           QStringLiteral("--files"),
                           QStringLiteral("--no-files")}
            << 2 << QStringLiteral("Options --files and --no-files exclude each other.\n");
        QTest::newRow("no such image") << QStringList{u, cat, QStringLiteral("9"), tree} << 1
                                       << QStringLiteral("Image 9 does not exist.\n");
        QTest::newRow("no such folder")
            << QStringList{u, cat, QStringLiteral("1"), tree + QStringLiteral("/none")} << 1
            << QStringLiteral("Drive cannot be accessed.\n");
        QTest::newRow("not an index")
            << QStringList{u, cat, QStringLiteral("1"), QStringLiteral("--index"),
                           tree + QStringLiteral("/old.txt")}
            << 1 << QStringLiteral("This file format is not supported!\n");
    }
    // Bad input changes nothing, with the exit status of its kind.
    void usageAndFailures() {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, err);
        const QByteArray before = fileHash(m_cat);
        const Run r = cli(args);
        QCOMPARE(r.exit, exit);
        QCOMPARE(r.out, QString());
        if (exit == 2 && err.isEmpty())
            QVERIFY(r.err.startsWith(QStringLiteral("Usage: ledra-cli update ")));
        else
            QCOMPARE(r.err, err);
        QCOMPARE(fileHash(m_cat), before);
    }

    // A dry run prints the differences and writes nothing; the update prints the same and
    // writes them; a second update finds nothing left to do.
    void dryRunThenUpdate() {
        QFile::remove(m_tree + QStringLiteral("/old.txt"));
        makeTree(m_tree, {QStringLiteral("new\nline.txt")});
        {
            QFile f(m_tree + QStringLiteral("/plain/a.txt"));
            QVERIFY(f.open(QIODevice::Append));
            f.write("more");
        }
        QVERIFY(QDir().rename(m_tree + QStringLiteral("/tab\there.txt"),
                              m_tree + QStringLiteral("/plain/tab\there.txt")));
        const QByteArray raw = QFile::encodeName(m_tree) + "/\xfe.bin";
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);

        const QStringList expected = {
            QStringLiteral("+\t//xFE.bin"),
            QStringLiteral("+\t/new\\nline.txt"),
            QStringLiteral("-\t/old.txt"),
            QStringLiteral(">\t/tab\\there.txt\t/plain/tab\\there.txt"),
            QStringLiteral("~\t/plain/a.txt"),
            QStringLiteral("added 2\tremoved 1\tchanged 1\tmoved 1\tkept 2")};
        const QByteArray before = fileHash(m_cat);
        Run r = cli({QStringLiteral("update"), m_cat, QStringLiteral("1"), m_tree,
                     QStringLiteral("--dry-run")});
        QCOMPARE(r.exit, 0);
        QCOMPARE(sortedLines(r.out), expected);
        QCOMPARE(fileHash(m_cat), before);

        r = cli({QStringLiteral("update"), m_cat, QStringLiteral("1"), m_tree});
        QCOMPARE(r.exit, 0);
        QCOMPARE(sortedLines(r.out), expected);
        QVERIFY(fileHash(m_cat) != before);

        const QByteArray updated = fileHash(m_cat);
        r = cli({QStringLiteral("update"), m_cat, QStringLiteral("1"), m_tree});
        QCOMPARE(r.exit, 0);
        QCOMPARE(r.out, QStringLiteral("added 0\tremoved 0\tchanged 0\tmoved 0\tkept 6\n"));
        QCOMPARE(fileHash(m_cat), updated);
    }

    // A name that is not UTF-8 is beyond what the temporary folder's clean-up can decode.
    void cleanupTestCase() {
        const QByteArray raw = QFile::encodeName(m_tree) + QByteArray("/\xfe.bin");
        ::unlink(raw.constData());
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
    QString m_tree;
};

QTEST_GUILESS_MAIN(TestUpdateCli)
#include "tst_updatecli.moc"
