#include "shell/mdlStartArgs.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The program's arguments: switches are whole arguments, paths are made absolute.
class TestStartArgs : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        using A = StartArgs::Action;
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("path");
        const QString here = QDir::currentPath();
        QTest::newRow("nothing") << QStringList() << int(A::Open) << QString();
        QTest::newRow("/Setup") << QStringList{u"/Setup"_s} << int(A::Setup) << QString();
        QTest::newRow("--SETUP") << QStringList{u"--SETUP"_s} << int(A::Setup) << QString();
        QTest::newRow("/setup:yes") << QStringList{u"/setup:yes"_s} << int(A::Setup) << QString();
        QTest::newRow("a folder named SETUP is a folder")
            << QStringList{u"/media/me/SETUP/disks.ldr"_s} << int(A::Open)
            << u"/media/me/SETUP/disks.ldr"_s;
        QTest::newRow("a file named setup")
            << QStringList{u"/tmp/setup"_s} << int(A::Open) << u"/tmp/setup"_s;
        QTest::newRow("relative made absolute")
            << QStringList{u"disks/../my.ldr"_s} << int(A::Open) << here + u"/my.ldr"_s;
        QTest::newRow("blanks join the parts")
            << QStringList{u"/tmp/My"_s, u"Disks.ldr"_s} << int(A::Open) << u"/tmp/My Disks.ldr"_s;
        QTest::newRow("--help") << QStringList{u"--help"_s} << int(A::Help) << QString();
        QTest::newRow("--version") << QStringList{u"--version"_s} << int(A::Version) << QString();
        QTest::newRow("unknown option")
            << QStringList{u"--bogus"_s} << int(A::UsageError) << QString();
        QTest::newRow("--screenshots DIR CATALOGUE")
            << QStringList{u"--screenshots"_s, u"/tmp/pics"_s, u"/tmp/a.ldr"_s}
            << int(A::Screenshots) << u"/tmp/a.ldr"_s;
        QTest::newRow("--screenshots without a folder")
            << QStringList{u"--screenshots"_s} << int(A::UsageError) << QString();
        QTest::newRow("-- then a name with a dash")
            << QStringList{u"--"_s, u"--help"_s} << int(A::Open) << here + u"/--help"_s;
    }

    void parse() {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(QString, path);
        const StartArgs parsed = ParseStartArgs(args);
        QCOMPARE(int(parsed.action), action);
        QCOMPARE(parsed.path, path);
        QCOMPARE(parsed.error.isEmpty(), action != int(StartArgs::Action::UsageError));
    }
};

QTEST_GUILESS_MAIN(TestStartArgs)
#include "tst_startargs.moc"
