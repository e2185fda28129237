#include "common/mdlPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestPath : public QObject {
    Q_OBJECT

private slots:
    void parentFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file") << u"/a/b.ldr"_s << u"/a/"_s;
        QTest::newRow("folder with slash") << u"/a/b/"_s << u"/a/"_s;
        QTest::newRow("in root") << u"/b.ldr"_s << u"/"_s;
        QTest::newRow("bare name") << u"b.ldr"_s << QString();
        QTest::newRow("root itself") << u"/"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("relative") << u"x/y"_s << u"x/"_s;
    }
    void parentFolder() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(ParentFolder(path), expected);
    }

    void addBackslash_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("added") << u"/a"_s << u"/a/"_s;
        QTest::newRow("kept") << u"/a/"_s << u"/a/"_s;
        QTest::newRow("empty") << QString() << u"/"_s;
    }
    void addBackslash() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(AddBackslash(path), expected);
    }

    void makeFolders() {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString deep = tmp.path() + u"/one/two/three"_s;
        QVERIFY(MakeFolders(deep));
        QVERIFY(QFileInfo(deep).isDir());
        // Again, all present, with the trailing slash.
        QVERIFY(MakeFolders(deep + u'/'));
        QVERIFY(MakeFolders(QString()));

        QFile blocker(tmp.path() + u"/file"_s);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!MakeFolders(tmp.path() + u"/file/sub"_s));
        QVERIFY(!QFileInfo::exists(tmp.path() + u"/file/sub"_s));
    }

    void makeFoldersRelative() {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tmp.path()));
        const bool made = MakeFolders(u"rel/sub"_s);
        QDir::setCurrent(before);
        QVERIFY(made);
        QVERIFY(QFileInfo(tmp.path() + u"/rel/sub"_s).isDir());
    }

    void isFolderWritable() {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        QVERIFY(IsFolderWritable(tmp.path()));
        QVERIFY(IsFolderWritable(tmp.path() + u'/'));
        // The probe file leaves nothing behind.
        QVERIFY(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        QVERIFY(!IsFolderWritable(QString()));
        QVERIFY(!IsFolderWritable(tmp.path() + u"/missing"_s));
    }

    void isFolderWritableReadOnly() {
        if (geteuid() == 0)
            QSKIP("root may write into a read-only folder");
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool writable = IsFolderWritable(tmp.path());
        QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!writable);
    }

    void programFolders() {
        const QString exe = ExePath();
        QCOMPARE(QFileInfo(exe).canonicalFilePath(),
                 QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
        QCOMPARE(AppFolder(), QFileInfo(exe).absolutePath() + u'/');
        const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
        qunsetenv("XDG_DATA_DIRS");
        QCOMPARE(CommonProgramsFolder(), u"/usr/local/share/applications/"_s);
        qputenv("XDG_DATA_DIRS", "/tmp/ledra-shared-a:/tmp/ledra-shared-b");
        QCOMPARE(CommonProgramsFolder(), u"/tmp/ledra-shared-a/applications/"_s);
        if (savedDirs.isNull())
            qunsetenv("XDG_DATA_DIRS");
        else
            qputenv("XDG_DATA_DIRS", savedDirs);
    }

    void shellFolders() {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(tmp.path()));
        const QString programs = UserProgramsFolder();
        if (saved.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", saved);
        QCOMPARE(programs, tmp.path() + u"/applications/"_s);

        const QString personal = PersonalFolder();
        QVERIFY(!personal.isEmpty());
        QVERIFY(personal.endsWith(u'/'));
    }
};

QTEST_GUILESS_MAIN(TestPath)
#include "tst_path.moc"
