#include "CatalogueFixture.h"
#include "ScriptedUi.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

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

private slots:
    void cleanup() { CloseCatalogue(nullptr); }

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
