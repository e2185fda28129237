#include "CatalogueFixture.h"

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

// The program as a process: one instance at a time, settings saved when it is ended.
class TestStartup : public QObject {
    Q_OBJECT

    TestHome m_home;

    static bool run(const QString& program, const QStringList& args, int timeoutMs = 60000) {
        QProcess p;
        p.start(program, args);
        return p.waitForFinished(timeoutMs) && p.exitCode() == 0;
    }

private slots:
    void oneInstanceAndSettingsAtExit() {
        const QString first = m_home.file(u"Disks/Music.2002.ldr"_s);
        QVERIFY(run(QStringLiteral(LEDRA_CLI), {u"create"_s, first}));

        QProcess app;
        app.start(QStringLiteral(LEDRA_EXE), {first});
        QVERIFY(app.waitForStarted());
        // The running instance holds its lock once the window is up.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_home.file(u"runtime/ledra.lock"_s)), 30000);

        // A second start ends at once and opens nothing.
        const QString second = m_home.file(u"second.ldr"_s);
        QProcess again;
        again.start(QStringLiteral(LEDRA_EXE), {second});
        QVERIFY(again.waitForFinished(30000));
        QCOMPARE(again.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(second));

        app.terminate();
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);

        QSettings s(m_home.file(u"config/Tessaly/Ledra.conf"_s), QSettings::IniFormat);
        QCOMPARE(s.value(u"Database/Default"_s).toString(), first);
        QCOMPARE(s.value(u"Recent/0"_s).toString(), first);
        QCOMPARE(s.value(u"Options/View/Tree/Incremental Fill"_s).toInt(), -1);
        QCOMPARE(s.value(u"Options/New Disk/Scan Time"_s).toInt(), 0);
        int values = 0;
        for (const QString& key : s.allKeys())
            values += key.startsWith(u"Recent/"_s) ? 0 : 1;
        QCOMPARE(values, 24);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
