#include "CatalogueFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

// The program as a process: one instance at a time, settings saved when it is ended.
class TestStartup : public QObject {
    Q_OBJECT

    TestHome m_home;

private slots:
    // A relative new catalogue under a folder named SETUP is made; a second start ends at once
    // and opens nothing; ended by a signal, the program saves every setting, the path absolute.
    void oneInstanceAndSettingsAtExit() {
        QVERIFY(QDir().mkpath(m_home.file(u"SETUP"_s)));
        const QString file = m_home.file(u"SETUP/disks.ldr"_s);
        QProcess app;
        app.setWorkingDirectory(m_home.path());
        app.start(QStringLiteral(LEDRA_EXE), {u"SETUP/disks.ldr"_s});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(file), 30000);
        QTest::qWait(500); // the message is up

        const QString second = m_home.file(u"second.ldr"_s);
        QProcess again;
        again.start(QStringLiteral(LEDRA_EXE), {second});
        QVERIFY(again.waitForFinished(30000));
        QCOMPARE(again.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(second));

        app.terminate();
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitCode(), 0);
        QSettings s(m_home.file(u"config/Tessaly/Ledra.conf"_s), QSettings::IniFormat);
        QCOMPARE(s.value(u"Database/Default"_s).toString(), file);
        QCOMPARE(s.value(u"Recent/0"_s).toString(), file);
        // Every option too; their names and forms are the settings tests' concern.
        int values = 0;
        for (const QString& key : s.allKeys())
            values += key.startsWith(u"Recent/"_s) ? 0 : 1;
        QCOMPARE(values, 28);
    }

    void switches_data() {
        QTest::addColumn<QString>("arg");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--version") << u"--version"_s << 0 << u"Ledra 1."_s << QString();
        QTest::newRow("--help") << u"--help"_s << 0 << u"Usage: ledra"_s << QString();
        QTest::newRow("unknown option")
            << u"--bogus"_s << 2 << QString() << u"ledra: Unknown option: --bogus"_s;
    }
    // No catalogue is made of an option.
    void switches() {
        QFETCH(QString, arg);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const CliRun r = runCli({arg}, 0, QStringLiteral(LEDRA_EXE));
        QCOMPARE(r.code, status);
        QVERIFY2(out.isEmpty() ? r.out.isEmpty() : r.out.startsWith(out), qPrintable(r.out));
        QVERIFY2(r.err.startsWith(err) && (err.isEmpty() || r.err.contains(u"Usage: ledra"_s)),
                 qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(arg)); // in the current folder
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
