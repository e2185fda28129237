#include "BrowseFixture.h"
#include "CatalogueFixture.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "catalogue/Engine.h"
#include "catalogue/Wildcard.h"
#include "catalogue/frmCompact.h"
#include "catalogue/mdlCompact.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "shell/mdlOptions.h"
#include "shell/mdlRecent.h"
#include "shell/mdlRegistry.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Opening, creating, upgrading, refusing and compacting catalogue files, what the main window
// shows of it, and the database layer below: errors, cursors, transactions and wildcards.
class TestDatabase : public QObject {
    Q_OBJECT

    TestHome m_home;

    QString makeCatalogue(const QString& name) {
        const QString p = m_home.file(name);
        if (!BrowseFixture::createCatalogue(p))
            qFatal("cannot build a catalogue");
        CloseCatalogue(nullptr);
        return p;
    }

    // Opens with the given flags and returns the last message shown (or "" when none).
    QString openMessage(QString path, bool mustExist, bool readOnly, bool* opened = nullptr) {
        ScriptedUi ui;
        const bool ok = OpenCatalogue(path, mustExist, readOnly, ui, nullptr);
        if (opened)
            *opened = ok;
        return ui.lastText();
    }

    // A catalogue as format 1 made it: names of at most 128 characters. Its rows were written
    // out of ID order, one name is as long as format 1 allowed, someone added a trigger, and
    // enough rows follow that a copy of the table needs room.
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
            u"CREATE INDEX inItemKeywords ON Items(Keywords) WHERE Keywords IS NOT NULL"_s,
            u"CREATE TABLE Images (ID INTEGER CONSTRAINT pkImageID PRIMARY KEY, Serial TEXT, "
            "NodeID INTEGER, Type INTEGER, Name TEXT, Date TEXT, Source TEXT, Label TEXT, "
            "FileSystem TEXT, Comment TEXT)"_s,
            u"CREATE TABLE Nodes (ID INTEGER CONSTRAINT pkNodeID PRIMARY KEY, ParentID INTEGER, "
            "Name TEXT CONSTRAINT \"Nodes.Name\" CHECK(length(Name) <= 64), Comment TEXT)"_s,
            u"CREATE TRIGGER itemGone AFTER DELETE ON Items BEGIN DELETE FROM Nodes WHERE 0; "
            "END"_s,
            u"PRAGMA application_id=%1"_s.arg(kCatalogueApplicationId),
            u"PRAGMA user_version=1"_s,
            u"INSERT INTO Images (ID, Name) VALUES (1, 'Disk')"_s,
            u"INSERT INTO Items (rowid, ID, ImageID, ParentID, Type, Name, Keywords) VALUES "
            "(7, 2, 1, 1, 1, 'inner \"file\"', 'kept'), (3, 1, 1, 0, 0, '%1', NULL)"_s.arg(
                QString(128, u'n')),
            u"WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM c WHERE n < 5000) "
            "INSERT INTO Items (ID, ImageID, ParentID, Type, Name) SELECT n+10, 1, 0, 1, "
            "printf('%0120d', n) FROM c"_s,
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

    // The catalogue's own tables, indexes and triggers (not the name index's).
    QStringList schema() {
        QStringList names;
        Recordset rs = db().OpenRecordset(u"SELECT type||' '||name FROM sqlite_schema WHERE "
                                          "tbl_name NOT LIKE 'Name%' ORDER BY type, name"_s);
        for (; !rs.Eof(); rs.MoveNext())
            names << rs.text(0);
        return names;
    }

    // A text too long for its column is refused, and the message names the column.
    void expectTooLong(const QString& sql, int chars, const QString& column) {
        QVERIFY2(!db().Execute(sql, {QString(chars, u'x')}), qPrintable(sql));
        QCOMPARE(db().lastError().number, int(EngineErr::TextTooLong));
        QVERIFY2(db().lastError().description.contains(column),
                 qPrintable(db().lastError().description));
    }

    static QStringList recentCaptions(frmMain& w) {
        QStringList out;
        for (QAction* a : w.findChildren<QAction*>(u"mnuFileRecent"_s)) {
            if (a->isVisible())
                out << a->data().toString();
        }
        return out;
    }
    static bool enabled(frmMain& w, const QString& name) {
        auto* a = w.findChild<QAction*>(name);
        return a && a->isEnabled();
    }
    static QLabel* label(frmMain& w, const QString& name) { return w.findChild<QLabel*>(name); }

    // A catalogue left open with room to reclaim: many rows written, then most of them deleted.
    static bool makeSparse(const QString& path) {
        return BrowseFixture::createCatalogue(path) &&
               db().Execute(u"INSERT INTO Images (ID, NodeID, Name) VALUES (1, 0, 'Disk')"_s) &&
               db().Execute(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE "
                            "i<3000) INSERT INTO Items(ID, ImageID, ParentID, Type, Name) SELECT "
                            "i, 1, 0, 1, printf('file %d with a longer name.txt', i) FROM n"_s) &&
               db().Execute(u"DELETE FROM Items WHERE ID > 10"_s);
    }
    static int itemCount() { return db().scalar(u"SELECT COUNT(*) FROM Items"_s).toInt(); }

    // A table of its own on a file of its own, for the layer below the catalogue.
    Database makeDb(const QString& name) {
        Database d;
        if (!d.open(m_home.file(name), Database::OpenMode::Create))
            qFatal("cannot create test database");
        d.Execute(u"CREATE TABLE T (ID INTEGER PRIMARY KEY, Name TEXT CONSTRAINT \"T.Name\" "
                  "CHECK(length(Name) <= 8), Size INTEGER)"_s);
        return d;
    }

    static QString names(Database& d, const QString& order = u"ID"_s) {
        return d
            .scalar(u"SELECT group_concat(Name, ',') FROM (SELECT Name FROM T ORDER BY %1)"_s.arg(
                order))
            .toString();
    }

private slots:
    void init() {
        DefaultOptions();
        options().LoadDefaultDatabase = false;
        recentList().LoadRecent(kLedraKey + u"\\Recent"_s);
    }
    void cleanup() {
        setCompactRenameForTest({});
        CloseCatalogue(nullptr);
    }

    // A format-1 file is read as it is when read-only, upgraded in place when writable (rows,
    // rowids, schema, longer names kept), and an upgrade that fails half-way is undone whole.
    void upgradeOfVersion1() {
        const QString p = makeVersion1(u"v1.ldr"_s);
        const QByteArray before = readBytes(p);
        QCOMPARE(openMessage(p, true, true), QString());
        QVERIFY(catalogue().readOnly);
        QVERIFY(!db().Execute(u"INSERT INTO Nodes(ID, ParentID, Name) VALUES(1, 0, 'x')"_s));
        QCOMPARE(db().lastError().number, int(EngineErr::ReadOnly));
        const QString rows = itemsDump();
        const QStringList names = schema();
        CloseCatalogue(nullptr);
        QCOMPARE(readBytes(p), before);

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

        QCOMPARE(openMessage(p, true, false), QString());
        QCOMPARE(db().scalar(u"PRAGMA user_version"_s).toInt(), kCatalogueSchemaVersion);
        QCOMPARE(itemsDump(), rows);
        QCOMPARE(schema(), names);
        QVERIFY(db().Execute(u"INSERT INTO Items (ID, ImageID, Name) VALUES (3, 1, ?)"_s,
                             {QString(kItemNameChars, u'x')}));
        expectTooLong(u"INSERT INTO Items (ID, ImageID, Name) VALUES (4, 1, ?)"_s,
                      kItemNameChars + 1, u"Items.Name"_s);
        // The other widths stay.
        expectTooLong(u"UPDATE Items SET Keywords=? WHERE ID=2"_s, 65, u"Items.Keywords"_s);
    }

    void refusedOpens_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("setup"); // "bytes", "sql", "folder", "locked" or none
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("mustExist");
        QTest::addColumn<QString>("message");
        const QString items = u"CREATE TABLE Items (ID, ImageID, ParentID, Type, MSDOSName, "
                              "Name, Attrib, Size, TimeC, TimeA, TimeM, Keywords, Description, "
                              "Content, Comment); CREATE TABLE Nodes (ID, ParentID, Name, "
                              "Comment); CREATE TABLE Images (ID, Serial, NodeID, Type, Name, "
                              "Date, Source, Label, FileSystem"_s;
        QTest::newRow("missing, must exist")
            << u"gone.ldr"_s << QString() << QString() << true << u"File can not be found."_s;
        QTest::newRow("folder missing, must exist")
            << u"no/such/dir/x.ldr"_s << QString() << QString() << true
            << u"Database error number 3044.\n"_s;
        QTest::newRow("text file") << u"text.ldr"_s << u"bytes"_s << u"hello\nworld\n"_s << false
                                   << u"Database error number 3343.\n"_s;
        QTest::newRow("another program's tables")
            << u"songs.ldr"_s << u"sql"_s << u"CREATE TABLE Songs (ID INTEGER, Title TEXT)"_s
            << false << u"File is not in required format."_s;
        QTest::newRow("a column missing") << u"short.ldr"_s << u"sql"_s << items + u")"_s << false
                                          << u"Database error number 3061.\n"_s;
        QTest::newRow("a newer format")
            << u"newer.ldr"_s << u"sql"_s << items + u", Comment); PRAGMA user_version=99"_s
            << false << u"Database error number 3041.\n"_s;
        QTest::newRow("a folder as the path") << u"a-folder"_s << u"folder"_s << QString() << false
                                              << u"Database error number 3044.\n"_s;
        QTest::newRow("a file in the way of the folder")
            << u"plainfile/sub/c.ldr"_s << u"bytes"_s << QString() << false
            << u"Database error number 3044."_s;
        QTest::newRow("unreadable") << u"locked.ldr"_s << u"locked"_s << QString() << true
                                    << u"Database error number 3051."_s;
    }
    // A clear message, nothing open, and no file made or changed.
    void refusedOpens() {
        QFETCH(QString, name);
        QFETCH(QString, setup);
        QFETCH(QString, content);
        QFETCH(bool, mustExist);
        QFETCH(QString, message);
        QString p = m_home.file(name);
        if (setup == u"locked"_s && geteuid() == 0)
            QSKIP("root reads every file");
        if (setup == u"bytes"_s && content.isNull()) // the file sits where a folder must go
            p = m_home.file(name.section(u'/', 0, 0));
        if (setup == u"bytes"_s)
            QVERIFY(writeBytes(p, content.toUtf8()));
        if (setup == u"folder"_s)
            QVERIFY(QDir().mkpath(p));
        if (setup == u"locked"_s)
            p = makeCatalogue(name);
        if (setup == u"sql"_s) {
            Database d;
            QVERIFY(d.open(p, Database::OpenMode::Create));
            for (const QString& s : content.split(u';'))
                QVERIFY(d.Execute(s));
        }
        const QByteArray before = readBytes(p);
        const bool existed = QFileInfo::exists(m_home.file(name));
        if (setup == u"locked"_s)
            QFile::setPermissions(p, QFileDevice::Permissions());
        const QString msg = openMessage(m_home.file(name), mustExist, false);
        if (setup == u"locked"_s)
            QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY2(msg.startsWith(message), qPrintable(msg));
        QVERIFY(!db().isOpen());
        QCOMPARE(catalogue().path, QString());
        QCOMPARE(QFileInfo::exists(m_home.file(name)), existed);
        if (QFileInfo(p).isFile())
            QCOMPARE(readBytes(p), before);
    }

    void oldFormatQuestion_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("ldrExists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("openedAs"); // empty: nothing open
        const QString ask = u"This file is saved in old format. Do you wish to convert it?"_s;
        QTest::newRow("cancel") << u"c1.mdb"_s << false << int(Ui::Answer::Cancel)
                                << QStringList{ask} << QString();
        QTest::newRow("yes renames")
            << u"c2.mdb"_s << false << int(Ui::Answer::Yes) << QStringList{ask} << u"c2.ldr"_s;
        QTest::newRow("yes but taken") << u"c3.mdb"_s << true << int(Ui::Answer::Yes)
                                       << QStringList{ask, u"Converson failed!"_s} << u"c3.mdb"_s;
        QTest::newRow("no keeps") << u"c4.mdb"_s << false << int(Ui::Answer::No) << QStringList{ask}
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

    // One window through a first start (the default made with its folders), a writable open, a
    // close, a read-only open (the default kept) and a failed open (its recent entry dropped).
    void windowFollowsOpens() {
        const QString p = makeCatalogue(u"Disks.old/Music.2002.ldr"_s);
        const QString ro = makeCatalogue(u"ro.ldr"_s);
        const QString bad = m_home.file(u"bad.ldr"_s);
        QVERIFY(writeBytes(bad, "not a catalogue"));
        ScriptedUi ui;
        options().LoadDefaultDatabase = true;
        options().Default = m_home.file(u"home/Documents/deep/er/Ledra.ldr"_s);
        frmMain w;
        w.setUi(&ui);
        w.Load();
        QCOMPARE(ui.texts(), QStringList{u"Database created!"_s});
        QCOMPARE(ui.shown.first().icon, Ui::Icon::Exclamation);
        QCOMPARE(catalogue().path, options().Default);
        QVERIFY(!catalogue().readOnly);
        QCOMPARE(w.windowTitle(), u"Ledra - Ledra"_s);
        QCOMPARE(schema().size(), 12); // three tables and nine indexes
        QCOMPARE(db().scalar(u"PRAGMA application_id"_s).toInt(), kCatalogueApplicationId);
        QCOMPARE(db().scalar(u"PRAGMA user_version"_s).toInt(), kCatalogueSchemaVersion);
        expectTooLong(u"INSERT INTO Nodes(ID, ParentID, Name) VALUES(1, 0, ?)"_s, 65,
                      u"Nodes.Name"_s);
        QCOMPARE(NewID(u"Nodes"_s), 1);
        QCOMPARE(NewID(u"Images"_s), 1);
        const QString name = u"Quote \" and 'x' \\ ;"_s;
        for (int id : {1, 2, 3})
            QVERIFY(db().Execute(u"INSERT INTO Nodes(ID, ParentID, Name) VALUES(?, 0, ?)"_s,
                                 {id, name}));
        QCOMPARE(NewID(u"Nodes"_s), 4);
        db().Execute(u"DELETE FROM Nodes WHERE ID IN (1, 3)"_s);
        QCOMPARE(NewID(u"Nodes"_s), 3);
        CloseCatalogue(nullptr);
        QCOMPARE(openMessage(options().Default, false, false), QString());
        QCOMPARE(db().scalar(u"SELECT Name FROM Nodes WHERE ID=2"_s).toString(), name);

        QString path = p;
        QVERIFY(OpenCatalogue(path, true, false, ui, &w));
        QCOMPARE(w.windowTitle(), u"Ledra - Music"_s);
        QCOMPARE(label(w, u"File"_s)->text(), p);
        QVERIFY(label(w, u"ReadOnly"_s)->isHidden());
        QCOMPARE(options().Default, p);
        QCOMPARE(recentCaptions(w).value(0), p);
        // The list is saved at each successful open.
        QCOMPARE(GetRegString(kLedraKey + u"\\Recent"_s, u"0"_s, QString()), p);
        CloseCatalogue(&w);
        QCOMPARE(w.windowTitle(), u"Ledra"_s);
        QCOMPARE(label(w, u"File"_s)->text(), QString());
        QVERIFY(!enabled(w, u"mnuFileNewNode"_s));

        path = ro;
        QVERIFY(OpenCatalogue(path, true, true, ui, &w));
        QCOMPARE(label(w, u"File"_s)->text(), QString());
        QVERIFY(!label(w, u"ReadOnly"_s)->isHidden());
        QCOMPARE(label(w, u"ReadOnly"_s)->text(), u"Read-only"_s);
        QCOMPARE(options().Default, p);
        QVERIFY(enabled(w, u"mnuFileProperties"_s)); // reading stays possible
        CloseCatalogue(&w);

        recentList().AddRecent(bad);
        recentList().AddRecent(ro);
        w.showRecent(recentList().entries());
        path = bad;
        QVERIFY(!OpenCatalogue(path, true, false, ui, &w));
        QVERIFY(ui.lastText().startsWith(u"Database error number 3343."_s));
        QCOMPARE(ui.shown.last().icon, Ui::Icon::Critical);
        QVERIFY(!recentCaptions(w).contains(bad));
        QCOMPARE(recentCaptions(w).value(0), ro);
        QCOMPARE(w.windowTitle(), u"Ledra"_s);
    }

    void compacts() {
        const QString kQuestion =
            u"This action may take a while. Are you sure you wish to compact database?"_s;
        ScriptedUi ui;
        const QString path = m_home.file(u"Sparse.ldr"_s);
        QVERIFY(makeSparse(path));
        const qint64 before = QFileInfo(path).size();
        // The compacted file keeps the catalogue's permissions.
        const QFile::Permissions shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::WriteGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(path, shared));
        // A leftover of an interrupted run is replaced.
        QFile leftover(path + u"-Compact.ldr"_s);
        QVERIFY(leftover.open(QIODevice::WriteOnly) && leftover.write("stale") == 5);
        leftover.close();

        ui.answers = {Ui::Answer::No, Ui::Answer::Yes};
        QCOMPARE(int(CompactCatalogue(ui, nullptr, {}).status),
                 int(CompactOutcome::Status::Declined));
        QCOMPARE(QFileInfo(path).size(), before);
        QStringList statuses;
        const CompactOutcome out =
            CompactCatalogue(ui, nullptr, [&](const QString& s) { statuses << s; });
        QCOMPARE(int(out.status), int(CompactOutcome::Status::Done));
        QCOMPARE(out.oldSize, before);
        QVERIFY(out.newSize < before / 2);
        QCOMPARE(QFileInfo(path).size(), out.newSize);
        QCOMPARE(statuses, (QStringList{u"Preparing compact..."_s, u"Compacting..."_s,
                                        u"Finishing compact..."_s, u"Compact finished."_s}));
        QCOMPARE(ui.texts(), (QStringList{kQuestion, kQuestion,
                                          CompactFinishedText(out.oldSize, out.newSize)}));
        QCOMPARE(ui.shown.last().icon, Ui::Icon::Information);
        // The sizes as the user's language writes them.
        QCOMPARE(CompactFinishedText(1234567, 617283, QLocale(u"en_US"_s)),
                 u"Compact finished!\nOld size: 1,234,567 bytes\nNew size: 617,283 bytes "
                 "(50.00%)"_s);
        QCOMPARE(CompactFinishedText(1234567, 1234567, QLocale(u"de_DE"_s)),
                 u"Compact finished!\nOld size: 1.234.567 bytes\nNew size: 1.234.567 bytes "
                 "(100,00%)"_s);
        QCOMPARE(ui.busyDepth, 0);
        QVERIFY(CompactLeftovers(path).isEmpty());
        QCOMPARE(QFile::permissions(path) & QFile::Permissions(0x7077), shared);
        // The catalogue is open again at its path, with its rows and its format marks.
        QCOMPARE(catalogue().path, path);
        QCOMPARE(itemCount(), 10);
        CloseCatalogue(nullptr);
        QCOMPARE(openMessage(path, true, false), QString());
        QCOMPARE(db().scalar(u"PRAGMA application_id"_s).toInt(), kCatalogueApplicationId);
        // The window runs the same and closes itself.
        ui.answers = {Ui::Answer::Yes};
        frmCompact dialog(ui, nullptr);
        dialog.show();
        QTRY_VERIFY(dialog.isHidden());
        QCOMPARE(int(dialog.outcome().status), int(CompactOutcome::Status::Done));
        QCOMPARE(dialog.findChild<QLabel*>(u"lblStatus"_s)->text(), u"Compact finished."_s);
        // Nothing open: nothing asked.
        CloseCatalogue(nullptr);
        ui.clear();
        QCOMPARE(int(CompactCatalogue(ui, nullptr, {}).status),
                 int(CompactOutcome::Status::NotOpen));
        QVERIFY(ui.shown.isEmpty());
    }

    void compactFailures_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("error");
        QTest::newRow("rename refused") << u"rename"_s << int(EngineErr::Locked);
        QTest::newRow("disk full at the rename") << u"full"_s << int(EngineErr::DiskFull);
        QTest::newRow("file vanished") << u"vanished"_s << int(EngineErr::FileNotFound);
    }
    void compactFailures() {
        QFETCH(QString, how);
        QFETCH(int, error);
        ScriptedUi ui;
        QTemporaryDir folder(m_home.file(u"failXXXXXX"_s));
        const QString path = folder.filePath(u"Data.ldr"_s);
        const QString moved = how == u"vanished"_s ? path + u".moved"_s : path;
        QVERIFY(makeSparse(path));
        const QByteArray bytes = readBytes(path);
        if (how == u"rename"_s || how == u"full"_s) {
            const int code = how == u"full"_s ? ENOSPC : EACCES;
            setCompactRenameForTest([code](const QString&, const QString&) { return code; });
        }
        if (how == u"vanished"_s)
            QVERIFY(QFile::rename(path, moved));
        const CompactOutcome out = CompactCatalogue(ui, nullptr, {}, false);
        QCOMPARE(int(out.status), int(CompactOutcome::Status::Failed));
        QCOMPARE(out.error, error);
        QVERIFY(ui.lastText().startsWith(u"Unexpected error number %1.\n"_s.arg(error)));
        QCOMPARE(ui.shown.last().icon, Ui::Icon::Critical);
        QCOMPARE(ui.busyDepth, 0);
        QVERIFY(CompactLeftovers(path).isEmpty());
        QCOMPARE(readBytes(moved), bytes);
        // The catalogue is still open and readable.
        QCOMPARE(itemCount(), 10);
    }

    // The layer below: the engine on real files.
    void damagedFileIsReported() {
        const QString p = m_home.file(u"damaged.ldr"_s);
        QVERIFY(
            makeDb(u"damaged.ldr"_s)
                .Execute(
                    u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<2000) "
                    "INSERT INTO T(Name, Size) SELECT 'n'||(i%100), i FROM n"_s));
        QFile f(p);
        QVERIFY(f.open(QIODevice::ReadWrite));
        // Break the header of every page after the first: the schema still reads, the data not.
        for (qint64 at = 4096; at < f.size(); at += 4096) {
            f.seek(at);
            f.write(QByteArray(16, '\xEE'));
        }
        f.close();
        Database d;
        QVERIFY(d.open(p, Database::OpenMode::ReadOnly)); // the header is still fine
        Recordset rs = d.OpenRecordset(u"SELECT SUM(Size) FROM T"_s);
        while (rs.isValid() && !rs.Eof())
            rs.MoveNext();
        QCOMPARE(d.lastError().number, int(EngineErr::Damaged));
    }

    // Values are bound as typed, whatever they hold; names sort ignoring case; nulls read as
    // null; cursors move.
    void valuesAndCursors() {
        Database d = makeDb(u"values.ldr"_s);
        for (const QString& text :
             {u"a\"b"_s, u"it's"_s, u"C:\\x"_s, u"a\nb"_s, u"x');--"_s, u"Ärger"_s}) {
            QVERIFY(d.Execute(u"INSERT INTO T(Name, Size) VALUES(?, ?)"_s, {text, 1LL << 40}));
            Recordset rs = d.OpenRecordset(u"SELECT Name, Size FROM T WHERE Name = ?"_s, {text});
            QVERIFY(!rs.Eof());
            QCOMPARE(rs.value("name").toString(), text);
            QCOMPARE(rs.value("Size").toLongLong(), 1LL << 40);
        }
        d.Execute(u"DELETE FROM T"_s);
        for (const QString& n : {u"b"_s, u"a"_s, u"C"_s, u"A"_s, u"Äb"_s, u"äa"_s, u"B2"_s})
            d.Execute(u"INSERT INTO T(Name) VALUES(?)"_s, {n});
        QCOMPARE(names(d, u"Name COLLATE LEDRA_NOCASE, ID"_s), u"A,a,b,B2,C,äa,Äb"_s);
        d.Execute(u"DELETE FROM T"_s);
        for (int i = 1; i <= 3; ++i)
            d.Execute(u"INSERT INTO T(ID, Name) VALUES(?, ?)"_s, {i, QVariant()});
        Recordset fwd = d.OpenRecordset(u"SELECT ID, Name, Size FROM T ORDER BY ID"_s);
        int n = 0;
        for (; !fwd.Eof(); fwd.MoveNext()) {
            QVERIFY(fwd.value("Name").isNull());
            QVERIFY(fwd.isNull(2));
            QCOMPARE(fwd.int64(0), ++n);
        }
        QCOMPARE(n, 3);
        QVERIFY(fwd.value("ID").isNull()); // past the end
        Recordset snap =
            d.OpenRecordset(u"SELECT ID FROM T ORDER BY ID"_s, {}, Recordset::Type::Snapshot);
        snap.MoveLast();
        QCOMPARE(snap.RecordCount(), 3);
        QCOMPARE(snap.value("ID").toInt(), 3);
        Recordset empty =
            d.OpenRecordset(u"SELECT ID FROM T WHERE ID > 99"_s, {}, Recordset::Type::Snapshot);
        QVERIFY(empty.Eof());
        QCOMPARE(empty.RecordCount(), 0);
        QVERIFY(d.scalar(u"SELECT MAX(ID) FROM T WHERE ID > 99"_s).isNull());
    }

    // A compaction elsewhere renames a copy over the file. A connection left on the old file
    // writes nothing while it cannot follow (a statement still running), then reads and writes
    // the new file, leaving alone the journal of the new file's writer (it has the same name).
    void aReplacedFileIsFollowed() {
        const QString p = m_home.file(u"followed.ldr"_s);
        const QString copy = m_home.file(u"followed-copy.ldr"_s);
        Database a = makeDb(u"followed.ldr"_s);
        QVERIFY(a.Execute(u"INSERT INTO T(Name) VALUES('old')"_s));
        QVERIFY(QFile::copy(p, copy));
        Database b;
        QVERIFY(b.open(copy, Database::OpenMode::ReadWrite));
        QVERIFY(b.Execute(u"INSERT INTO T(Name) VALUES('copied')"_s));
        b.close();
        Recordset running = a.OpenRecordset(u"SELECT Name FROM T"_s);
        QVERIFY(!a.fileReplaced());
        QCOMPARE(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(p).constData()),
                 0);
        QVERIFY(a.fileReplaced());
        QVERIFY(!a.Execute(u"INSERT INTO T(Name) VALUES('lost')"_s));
        QCOMPARE(a.lastError().number, int(EngineErr::Locked));
        running.Close();
        QVERIFY(b.open(p, Database::OpenMode::ReadWrite));
        {
            Transaction t(b);
            QVERIFY(b.Execute(u"INSERT INTO T(Name) VALUES('new')"_s));
            QVERIFY(QFile::exists(p + u"-journal"_s));
            QCOMPARE(a.scalar(u"SELECT COUNT(*) FROM T WHERE Name='copied'"_s).toInt(), 1);
            QVERIFY(t.commit());
        }
        QVERIFY(a.Execute(u"INSERT INTO T(Name) VALUES('kept')"_s));
        QCOMPARE(names(a), u"old,copied,new,kept"_s);
    }

    // The edges; the common patterns run through Find's own tests, and the SQL function over
    // them is the plain statement the name index is compared with.
    void wildcards_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("match");
        QTest::newRow("star none") << u"a*b"_s << u"ab"_s << true;
        QTest::newRow("whole text") << u"abc"_s << u"abcd"_s << false;
        QTest::newRow("question not empty") << u"a?c"_s << u"ac"_s << false;
        QTest::newRow("set") << u"[abc]x"_s << u"Bx"_s << true;
        QTest::newRow("range, its upper end") << u"[a-f]1"_s << u"F1"_s << true;
        QTest::newRow("literal star in set") << u"a[*]b"_s << u"a*b"_s << true;
        QTest::newRow("backtracking") << u"*a*a*a*a*b"_s << QString(200, u'a') << false;
        QTest::newRow("lone star") << u"*"_s << u""_s << true;
    }
    void wildcards() {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, match);
        auto p = WildcardPattern::compile(pattern);
        QVERIFY(p.has_value());
        QCOMPARE(p->matches(text), match);
        QByteArray utf8 = text.toUtf8();
        QCOMPARE(p->matchesUtf8(utf8.constData(), int(utf8.size())), match);
    }
};

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
