#include "CatalogueFixture.h"
#include "ScriptedUi.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Opening, creating and refusing catalogue files, without a window.
class TestDatabase : public QObject {
    Q_OBJECT

    TestHome m_home;

    QString makeCatalogue(const QString& name) {
        QString p = m_home.file(name);
        ScriptedUi ui;
        if (!OpenCatalogue(p, false, false, ui, nullptr))
            qFatal("cannot build a catalogue");
        CloseCatalogue(nullptr);
        return p;
    }

    // Opens with the given flags and returns the one message shown (or "" when none).
    QString openMessage(QString path, bool mustExist, bool readOnly, bool* opened = nullptr) {
        ScriptedUi ui;
        const bool ok = OpenCatalogue(path, mustExist, readOnly, ui, nullptr);
        if (opened)
            *opened = ok;
        return ui.shown.isEmpty() ? QString() : ui.shown.last().text;
    }

    // A catalogue as format 1 made it: names of at most 128 characters. Its rows were written
    // out of ID order, and one name is as long as format 1 allowed.
    QString makeVersion1(const QString& name) {
        const QString p = m_home.file(name);
        Database d;
        if (!d.open(p, Database::OpenMode::Create))
            qFatal("cannot make a file");
        const QStringList sql = {
            u"CREATE TABLE Items (ID INTEGER, ImageID INTEGER, ParentID INTEGER, Type INTEGER, "
            "MSDOSName TEXT CONSTRAINT \"Items.MSDOSName\" CHECK(length(MSDOSName) <= 12), "
            "Name TEXT CONSTRAINT \"Items.Name\" CHECK(length(Name) <= 128), "
            "Attrib INTEGER, Size INTEGER, TimeC TEXT, TimeA TEXT, TimeM TEXT, "
            "Keywords TEXT CONSTRAINT \"Items.Keywords\" CHECK(length(Keywords) <= 64), "
            "Description TEXT CONSTRAINT \"Items.Description\" CHECK(length(Description) <= "
            "128), Content TEXT, Comment TEXT)"_s,
            u"CREATE UNIQUE INDEX pkItemImageID ON Items(ID, ImageID)"_s,
            u"CREATE INDEX inItemImageID ON Items(ImageID, ParentID)"_s,
            u"CREATE INDEX inItemParentID ON Items(ParentID)"_s,
            u"CREATE INDEX inItemTypeName ON Items(Type ASC, Name ASC)"_s,
            u"CREATE INDEX inItemName ON Items(Name)"_s,
            u"CREATE INDEX inItemSize ON Items(Size)"_s,
            u"CREATE INDEX inItemKeywords ON Items(Keywords) WHERE Keywords IS NOT NULL"_s,
            u"CREATE INDEX inItemDescription ON Items(Description) WHERE Description IS NOT "
            "NULL"_s,
            u"CREATE TABLE Images (ID INTEGER CONSTRAINT pkImageID PRIMARY KEY, Serial TEXT, "
            "NodeID INTEGER, Type INTEGER, Name TEXT, Date TEXT, Source TEXT, Label TEXT, "
            "FileSystem TEXT, Comment TEXT)"_s,
            u"CREATE TABLE Nodes (ID INTEGER CONSTRAINT pkNodeID PRIMARY KEY, ParentID INTEGER, "
            "Name TEXT CONSTRAINT \"Nodes.Name\" CHECK(length(Name) <= 64), Comment TEXT)"_s,
            u"CREATE INDEX inNodeParent ON Nodes(ParentID)"_s,
            // Made by someone else: kept through the upgrade all the same.
            u"CREATE TRIGGER itemGone AFTER DELETE ON Items BEGIN DELETE FROM Nodes WHERE 0; "
            "END"_s,
            u"PRAGMA application_id=%1"_s.arg(kCatalogueApplicationId),
            u"PRAGMA user_version=1"_s,
            u"INSERT INTO Images (ID, Name) VALUES (1, 'Disk')"_s,
            u"INSERT INTO Items (rowid, ID, ImageID, ParentID, Type, Name, Keywords) VALUES "
            "(7, 2, 1, 1, 1, 'inner \"file\"', 'kept'), (3, 1, 1, 0, 0, '%1', NULL)"_s.arg(
                QString(128, u'n')),
        };
        for (const QString& s : sql) {
            if (!d.Execute(s))
                qFatal("%s", qPrintable(d.lastError().description));
        }
        return p;
    }

    QString itemsDump() {
        return db()
            .scalar(u"SELECT group_concat(rowid||':'||ID||':'||Name||':'||quote(Keywords), '|') "
                    "FROM (SELECT rowid, * FROM Items ORDER BY rowid)"_s)
            .toString();
    }

    // The catalogue's own tables and indexes; a writable open adds the name index's beside them.
    QStringList schemaNames() {
        QStringList names;
        Recordset rs = db().OpenRecordset(u"SELECT type||' '||name FROM sqlite_schema WHERE "
                                          "tbl_name NOT LIKE 'Name%' ORDER BY type, name"_s);
        for (; !rs.Eof(); rs.MoveNext())
            names << rs.text(0);
        return names;
    }

private slots:
    void cleanup() { CloseCatalogue(nullptr); }

    // Reading needs no upgrade: a read-only open leaves a format-1 file as it is. A writable
    // open upgrades it in place: every row with its rowid, every index and trigger under its
    // name, and names as long as a file name can be.
    void upgradeOfVersion1() {
        const QString p = makeVersion1(u"v1.ldr"_s);
        const QByteArray before = readBytes(p);
        QCOMPARE(openMessage(p, true, true), QString());
        QCOMPARE(db().scalar(u"PRAGMA user_version"_s).toInt(), 1);
        const QString rows = itemsDump();
        const QStringList schema = schemaNames();
        CloseCatalogue(nullptr);
        QCOMPARE(readBytes(p), before);

        QCOMPARE(openMessage(p, true, false), QString());
        QCOMPARE(db().scalar(u"PRAGMA user_version"_s).toInt(), kCatalogueSchemaVersion);
        QCOMPARE(itemsDump(), rows);
        QCOMPARE(schemaNames(), schema);
        QVERIFY(db().Execute(u"INSERT INTO Items (ID, ImageID, Name) VALUES (3, 1, ?)"_s,
                             {QString(kItemNameChars, u'x')}));
        QVERIFY(!db().Execute(u"INSERT INTO Items (ID, ImageID, Name) VALUES (4, 1, ?)"_s,
                              {QString(kItemNameChars + 1, u'x')}));
        QCOMPARE(db().lastError().number, int(EngineErr::TextTooLong));
        // The other widths stay.
        QVERIFY(!db().Execute(u"UPDATE Items SET Keywords=? WHERE ID=2"_s, {QString(65, u'k')}));
        QCOMPARE(db().lastError().number, int(EngineErr::TextTooLong));
    }

    // An upgrade that fails half-way (no room to write) is undone whole.
    void upgradeFailingHalfWayChangesNothing() {
        const QString p = makeVersion1(u"v1-full.ldr"_s);
        {
            Database d;
            QVERIFY(d.open(p, Database::OpenMode::ReadWrite));
            QVERIFY(d.Execute(u"WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM c "
                              "WHERE n < 5000) INSERT INTO Items (ID, ImageID, ParentID, Type, "
                              "Name) SELECT n+10, 1, 0, 1, printf('%0120d', n) FROM c"_s));
        }
        const QByteArray before = readBytes(p);
        // Files may grow only a little: the copy of the table cannot be written.
        struct rlimit old {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tight = old;
        tight.rlim_cur = rlim_t(before.size()) + 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
        bool opened = true;
        const QString msg = openMessage(p, true, false, &opened);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY2(!opened, qPrintable(msg));
        QVERIFY2(msg.startsWith(u"Database error number "_s), qPrintable(msg));
        // What was written before the failure is undone, at the latest by the next open.
        {
            Database d;
            QVERIFY(d.open(p, Database::OpenMode::ReadWrite));
            QCOMPARE(d.scalar(u"PRAGMA user_version"_s).toInt(), 1);
        }
        QCOMPARE(readBytes(p), before);
        QVERIFY(!QFileInfo::exists(p + u"-journal"_s));
    }

    void newCatalogueHasTheWholeSchema() {
        QString p = m_home.file(u"deep/er/new.ldr"_s);
        ScriptedUi ui;
        QVERIFY(OpenCatalogue(p, false, false, ui, nullptr));
        QCOMPARE(ui.texts(), QStringList{u"Database created!"_s});
        QCOMPARE(ui.shown.first().icon, Ui::Icon::Exclamation);
        QCOMPARE(catalogue().path, p);
        QVERIFY(!catalogue().readOnly);
        Recordset rs = db().OpenRecordset(
            u"SELECT name FROM sqlite_schema WHERE type = 'index' AND name NOT LIKE "
            "'sqlite_%' ORDER BY name"_s);
        QStringList indexes;
        for (; !rs.Eof(); rs.MoveNext())
            indexes << rs.text(0);
        QCOMPARE(indexes,
                 (QStringList{u"inItemDescription"_s, u"inItemImageID"_s, u"inItemKeywords"_s,
                              u"inItemName"_s, u"inItemParentID"_s, u"inItemSize"_s,
                              u"inItemTypeName"_s, u"inNodeParent"_s, u"pkItemImageID"_s}));
        QCOMPARE(db().scalar(u"PRAGMA application_id"_s).toInt(), kCatalogueApplicationId);
        QCOMPARE(db().scalar(u"PRAGMA user_version"_s).toInt(), kCatalogueSchemaVersion);
        // Column widths hold.
        QVERIFY(!db().Execute(u"INSERT INTO Nodes(ID, ParentID, Name) VALUES(1, 0, ?)"_s,
                              {QString(65, u'x')}));
        QCOMPARE(db().lastError().number, int(EngineErr::TextTooLong));
    }

    void idsStartAtOneAndReuseTheHighest() {
        makeCatalogue(u"ids.ldr"_s);
        QString p = m_home.file(u"ids.ldr"_s);
        ScriptedUi ui;
        QVERIFY(OpenCatalogue(p, true, false, ui, nullptr));
        QVERIFY(ui.shown.isEmpty());
        QCOMPARE(NewID(u"Nodes"_s), 1);
        QCOMPARE(NewID(u"Images"_s), 1);
        const QString name = u"Quote \" and 'x' \\ ;"_s;
        for (int id : {1, 2, 3})
            QVERIFY(db().Execute(u"INSERT INTO Nodes(ID, ParentID, Name) VALUES(?, 0, ?)"_s,
                                 {id, name}));
        QCOMPARE(NewID(u"Nodes"_s), 4);
        db().Execute(u"DELETE FROM Nodes WHERE ID=3"_s);
        QCOMPARE(NewID(u"Nodes"_s), 3);
        QCOMPARE(db().scalar(u"SELECT Name FROM Nodes WHERE ID=1"_s).toString(), name);
    }

    void existingFileIsNeverOverwritten() {
        QString p = makeCatalogue(u"kept.ldr"_s);
        {
            ScriptedUi ui;
            QVERIFY(OpenCatalogue(p, false, false, ui, nullptr));
            db().Execute(u"INSERT INTO Nodes(ID, ParentID, Name) VALUES(1, 0, 'keep')"_s);
        }
        CloseCatalogue(nullptr);
        QCOMPARE(openMessage(p, false, false), QString());
        QCOMPARE(db().scalar(u"SELECT Name FROM Nodes"_s).toString(), u"keep"_s);
    }

    void refusedOpens_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // written first unless null
        QTest::addColumn<bool>("mustExist");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("fileAfter");

        QTest::newRow("missing, must exist") << u"gone.ldr"_s << QByteArray() << true << false
                                             << u"File can not be found."_s << false;
        QTest::newRow("missing, read-only") << u"gone-ro.ldr"_s << QByteArray() << true << true
                                            << u"File can not be found."_s << false;
        QTest::newRow("text file") << u"text.ldr"_s << QByteArray("hello\nworld\n") << false
                                   << false << u"Database error number 3343.\n"_s << true;
        QTest::newRow("empty file") << u"empty.ldr"_s << QByteArray("") << false << false
                                    << u"File is not in required format."_s << true;
        QTest::newRow("folder missing, must exist")
            << u"no/such/dir/x.ldr"_s << QByteArray() << true << false
            << u"Database error number 3044.\n"_s << false;
    }
    void refusedOpens() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, mustExist);
        QFETCH(bool, readOnly);
        QFETCH(QString, message);
        QFETCH(bool, fileAfter);
        const QString p = m_home.file(name);
        if (!content.isNull())
            QVERIFY(writeBytes(p, content));
        bool opened = true;
        QVERIFY(openMessage(p, mustExist, readOnly, &opened).startsWith(message));
        QVERIFY(!opened);
        QVERIFY(!db().isOpen());
        QCOMPARE(catalogue().path, QString());
        QCOMPARE(QFileInfo::exists(p), fileAfter);
        if (!content.isNull())
            QCOMPARE(readBytes(p), content); // nothing was changed
    }

    void foreignAndIncompleteDatabases_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::newRow("another program's tables")
            << u"CREATE TABLE Songs (ID INTEGER, Title TEXT)"_s
            << u"File is not in required format."_s;
        QTest::newRow("a column missing")
            << u"CREATE TABLE Items (ID, ImageID, ParentID, Type, MSDOSName, Name, Attrib, Size, "
               "TimeC, TimeA, TimeM, Keywords, Description, Content, Comment);"
               "CREATE TABLE Images (ID, Serial, NodeID, Type, Name, Date, Source, Label, "
               "FileSystem);"
               "CREATE TABLE Nodes (ID, ParentID, Name, Comment)"_s
            << u"Database error number 3061.\n"_s;
        QTest::newRow("a newer format")
            << u"CREATE TABLE Items (ID, ImageID, ParentID, Type, MSDOSName, Name, Attrib, Size, "
               "TimeC, TimeA, TimeM, Keywords, Description, Content, Comment);"
               "CREATE TABLE Images (ID, Serial, NodeID, Type, Name, Date, Source, Label, "
               "FileSystem, Comment);"
               "CREATE TABLE Nodes (ID, ParentID, Name, Comment); PRAGMA user_version=99"_s
            << u"Database error number 3041.\n"_s;
    }
    void foreignAndIncompleteDatabases() {
        QFETCH(QString, sql);
        QFETCH(QString, message);
        const QString p =
            m_home.file(u"foreign-%1.ldr"_s.arg(QString::fromUtf8(QTest::currentDataTag())));
        {
            Database d;
            QVERIFY(d.open(p, Database::OpenMode::Create));
            for (const QString& s : sql.split(u';'))
                QVERIFY(d.Execute(s));
        }
        const QByteArray before = readBytes(p);
        QVERIFY(openMessage(p, false, false).startsWith(message));
        QVERIFY(!db().isOpen());
        QCOMPARE(readBytes(p), before);
    }

    void folderAsCataloguePath() {
        const QString dir = m_home.file(u"a-folder"_s);
        QVERIFY(QDir().mkpath(dir));
        const QString msg = openMessage(dir, false, false);
        QVERIFY2(msg.startsWith(u"Database error number 3044.\n"_s), qPrintable(msg));
        QVERIFY(msg.contains(u"folder"_s));
        QVERIFY(QFileInfo(dir).isDir());
    }

    void folderThatCannotBeMade() {
        QVERIFY(writeBytes(m_home.file(u"plainfile"_s), "x"));
        const QString p = m_home.file(u"plainfile/sub/c.ldr"_s);
        const QString msg = openMessage(p, false, false);
        QVERIFY2(msg.startsWith(u"Database error number 3044."_s), qPrintable(msg));
        QCOMPARE(readBytes(m_home.file(u"plainfile"_s)), QByteArray("x"));
    }

    void unreadableFile() {
        if (geteuid() == 0)
            QSKIP("root reads every file");
        const QString p = makeCatalogue(u"locked.ldr"_s);
        QFile::setPermissions(p, QFileDevice::Permissions());
        const QString msg = openMessage(p, true, false);
        QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY2(msg.startsWith(u"Database error number 3051."_s), qPrintable(msg));
    }

    void readOnlyOpenRefusesWrites() {
        const QString p = makeCatalogue(u"ro.ldr"_s);
        QString path = p;
        ScriptedUi ui;
        QVERIFY(OpenCatalogue(path, true, true, ui, nullptr));
        QVERIFY(catalogue().readOnly);
        QVERIFY(!db().Execute(u"INSERT INTO Nodes(ID, ParentID, Name) VALUES(1, 0, 'x')"_s));
        QCOMPARE(db().lastError().number, int(EngineErr::ReadOnly));
    }

    void oldFormatQuestion_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("ldrExists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("openedAs"); // empty: nothing open
        QTest::newRow("cancel") << u"c1.mdb"_s << false << int(Ui::Answer::Cancel)
                                << QStringList{u"This file is saved in old format. Do you wish "
                                               "to convert it?"_s}
                                << QString();
        QTest::newRow("yes renames") << u"c2.mdb"_s << false << int(Ui::Answer::Yes)
                                     << QStringList{u"This file is saved in old format. Do you "
                                                    "wish to convert it?"_s}
                                     << u"c2.ldr"_s;
        QTest::newRow("yes but taken") << u"c3.mdb"_s << true << int(Ui::Answer::Yes)
                                       << QStringList{u"This file is saved in old format. Do you "
                                                      "wish to convert it?"_s,
                                                      u"Converson failed!"_s}
                                       << u"c3.mdb"_s;
        QTest::newRow("no keeps") << u"c4.mdb"_s << false << int(Ui::Answer::No)
                                  << QStringList{u"This file is saved in old format. Do you wish "
                                                 "to convert it?"_s}
                                  << u"c4.mdb"_s;
        QTest::newRow("upper case asks nothing")
            << u"c5.MDB"_s << false << int(Ui::Answer::Yes) << QStringList{} << u"c5.MDB"_s;
    }
    void oldFormatQuestion() {
        QFETCH(QString, file);
        QFETCH(bool, ldrExists);
        QFETCH(int, answer);
        QFETCH(QStringList, messages);
        QFETCH(QString, openedAs);
        const QString built = makeCatalogue(u"template.ldr"_s);
        const QString p = m_home.file(file);
        QFile::remove(p);
        QVERIFY(QFile::copy(built, p));
        const QString ldr = p.left(p.size() - 4) + u".ldr"_s;
        if (ldrExists)
            QVERIFY(writeBytes(ldr, "not to be replaced"));
        ScriptedUi ui;
        ui.answers = {Ui::Answer(answer)};
        QString path = p;
        const bool opened = OpenCatalogue(path, false, false, ui, nullptr);
        QCOMPARE(ui.texts(), messages);
        QCOMPARE(opened, !openedAs.isEmpty());
        if (opened) {
            QCOMPARE(path, m_home.file(openedAs));
            QCOMPARE(catalogue().path, m_home.file(openedAs));
        }
        if (ldrExists)
            QCOMPARE(readBytes(ldr), QByteArray("not to be replaced"));
    }

    void captionBaseName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("base");
        QTest::newRow("two dots") << u"/home/u/Disks/Music.2002.ldr"_s << u"Music"_s;
        QTest::newRow("no dot") << u"/home/u/Disks/Music"_s << u"Music"_s;
        QTest::newRow("dot in folder") << u"/home/u.v/Music"_s << u"Music"_s;
        QTest::newRow("no slash") << u"Music.ldr"_s << u"Music"_s;
    }
    void captionBaseName() {
        QFETCH(QString, path);
        QFETCH(QString, base);
        QCOMPARE(CatalogueBaseName(path), base);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
