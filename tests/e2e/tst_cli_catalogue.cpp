#include "CatalogueFixture.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// The create and info verbs, run as the real executable.
class TestCliCatalogue : public QObject {
    Q_OBJECT

    TestHome m_home;

    struct Run {
        int code;
        QString out;
        QString err;
    };

    Run cli(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(LEDRA_CLI), args);
        if (!p.waitForFinished(60000))
            return {-1, {}, {}};
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

private slots:
    void createThenInfo() {
        const QString p = m_home.file(u"sub/dir/c.ldr"_s);
        Run r = cli({u"create"_s, p});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, u"Database created!\n"_s);
        r = cli({u"info"_s, p});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"nodes\t0\nimages\t0\nitems\t0\n"_s);
        QCOMPARE(r.err, QString());
        // A second create only checks the file.
        r = cli({u"create"_s, p});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
    }

    void infoNeverCreates_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("err");
        QTest::newRow("missing") << u"missing.ldr"_s << QByteArray()
                                 << u"File can not be found.\n"_s;
        QTest::newRow("text") << u"text.ldr"_s << QByteArray("plain text")
                              << u"Database error number 3343.\n"_s;
        QTest::newRow("empty") << u"empty.ldr"_s << QByteArray("")
                               << u"File is not in required format.\n"_s;
    }
    void infoNeverCreates() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, err);
        const QString p = m_home.file(name);
        if (!content.isNull())
            QVERIFY(writeBytes(p, content));
        const Run r = cli({u"info"_s, p});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith(err), qPrintable(r.err));
        QCOMPARE(r.out, QString());
        QCOMPARE(QFileInfo::exists(p), !content.isNull());
        if (!content.isNull())
            QCOMPARE(readBytes(p), content);
    }

    void usageErrors() {
        QCOMPARE(cli({}).code, 2);
        QCOMPARE(cli({u"nosuchverb"_s}).code, 2);
        QCOMPARE(cli({u"info"_s}).code, 2);
        QCOMPARE(cli({u"info"_s, u"a"_s, u"b"_s}).code, 2);
        QCOMPARE(cli({u"info"_s, u"--bogus"_s, u"a"_s}).code, 2);
    }
};

QTEST_GUILESS_MAIN(TestCliCatalogue)
#include "tst_cli_catalogue.moc"
