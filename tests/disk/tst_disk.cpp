// A disk added from the New Disk dialog and its image brought up to date: procedures, dialogs
// and the ledra-cli verbs.
#include "CatalogueFixture.h"
#include "DiskScanSupport.h"
#include "UpdateTestSupport.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "disk/frmDiskNew.h"
#include "disk/frmUpdate.h"
#include "disk/frmUpdateDiff.h"
#include "disk/mdlUpdate.h"
#include "shell/mdlOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace DiskTest;
using namespace UpdateTest;
using namespace Qt::StringLiterals;

namespace {

QStringList column(QTreeWidget* list, int c) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(c);
    return out;
}

// Folder a holds two files and a subfolder, so that its size is a sum of both kinds.
const QStringList kTree = {QStringLiteral("a/x.txt"),        QStringLiteral("a/keep.txt"),
                           QStringLiteral("a/sub/deep.txt"), QStringLiteral("b/y.txt"),
                           QStringLiteral("dup1/same.txt"),  QStringLiteral("dup2/same.txt"),
                           QStringLiteral("root.txt")};

QStringList L(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

qint32 scan(const QString& root, const ScanOptions& o) {
    SilentUi ui;
    FixedSource src(root);
    DiskScan s(db(), ui);
    s.options = o;
    return s.NewDisk(src) == DiskScan::Result::Done ? s.ImageID : 0;
}

// One change: "add:P", "rm:P", "rmdir:P", "append:P", "touch:P" (an hour on, same size),
// "mv:P>Q", "copy:P>Q", "file:P" (a file where a folder was).
void change(const QString& root, const QString& command) {
    const QString verb = command.section(QLatin1Char(':'), 0, 0);
    const QString arg = command.section(QLatin1Char(':'), 1);
    const QString p = root + QLatin1Char('/') + arg.section(QLatin1Char('>'), 0, 0);
    const QString q = root + QLatin1Char('/') + arg.section(QLatin1Char('>'), 1);
    if (verb == QLatin1String("add") || verb == QLatin1String("file")) {
        makeTree(root, {arg});
    } else if (verb == QLatin1String("rm")) {
        QFile::remove(p);
    } else if (verb == QLatin1String("rmdir")) {
        QDir(p).removeRecursively();
    } else if (verb == QLatin1String("append")) {
        QFile f(p);
        QVERIFY(f.open(QIODevice::Append));
        f.write("more");
    } else if (verb == QLatin1String("touch")) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(p).constData(), &st), 0);
        const struct timeval tv[2] = {{st.st_atime, 0}, {st.st_mtime + 3600, 0}};
        QCOMPARE(::utimes(QFile::encodeName(p).constData(), tv), 0);
    } else if (verb == QLatin1String("mv") || verb == QLatin1String("copy")) {
        QDir().mkpath(QFileInfo(q).absolutePath());
        QVERIFY(verb == QLatin1String("mv") ? QDir().rename(p, q) : QFile::copy(p, q));
    }
}

// The tree scanned, then changed on disk. Folder sizes change with their contents: the changes
// touch nothing else in the same second.
struct Fixture : Scratch {
    qint32 image = 0;
    explicit Fixture(const QStringList& changes, bool times = false) {
        makeTree(tree, kTree);
        image = scan(tree, quiet(times));
        for (const QString& c : changes)
            change(tree, c);
    }
};

// An update of an image with quiet options; its Ui can act at a pause.
struct Update {
    PauseHookUi ui;
    ImageUpdate u;
    explicit Update(qint32 id, bool times = false) : u(db(), ui, id) { u.options = quiet(times); }
    DiskScan::Result read(const QString& tree, const QString& label = QStringLiteral("DISK")) {
        FixedSource src(tree, label);
        return u.Read(src);
    }
};

// The hooks' sign that every row is written: the added file is in.
bool newFileWritten(Database& d, qint32 image) {
    return d.scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=? AND "
                                   "Name='new.txt'"),
                    {image})
               .toInt() == 1;
}

qint32 itemId(qint32 imageId, const QString& name) {
    return db()
        .scalar(QStringLiteral("SELECT ID FROM Items WHERE ImageID=? AND Name=?"), {imageId, name})
        .toInt();
}

template <typename T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no %s", name);
    return c;
}

// The differences dialog of the changed fixture: counts, warning, list and filters.
void checkDifferences(frmUpdateDiff& dialog) {
    QCOMPARE(child<QLabel>(&dialog, "lblCounts")->text(),
             QStringLiteral("Added 2, removed 1, changed 0, moved 2, kept 9."));
    dialog.show();
    QLabel* lost = child<QLabel>(&dialog, "lblLostNotes");
    QVERIFY(lost->isVisible());
    QCOMPARE(lost->text(), QStringLiteral("1 removed item has keywords or comments"));
    UpdateDiffModel* m = dialog.model();
    QCOMPARE(m->rowCount(), 5);
    auto* kind = child<QComboBox>(&dialog, "cboKind");
    kind->setCurrentIndex(kind->findText(QStringLiteral("Removed")));
    QCOMPARE(m->rowCount(), 1);
    QCOMPARE(m->index(0, UpdateDiffModel::ColChange).data().toString(),
             QStringLiteral("Removed (notes lost)"));
    QCOMPARE(m->index(0, UpdateDiffModel::ColPath).data().toString(), QStringLiteral("/b/y.txt"));
    kind->setCurrentIndex(kind->findText(QStringLiteral("Moved")));
    auto* filter = child<QLineEdit>(&dialog, "txtFilter");
    QTest::keyClicks(filter, QStringLiteral("DEEP"));
    QCOMPARE(m->rowCount(), 1);
    QCOMPARE(m->index(0, UpdateDiffModel::ColPath).data().toString(),
             QStringLiteral("/a/sub/deep.txt"));
    QCOMPARE(m->index(0, UpdateDiffModel::ColNewPath).data().toString(),
             QStringLiteral("/b/sub/deep.txt"));
    filter->clear();
    kind->setCurrentIndex(0);
    QCOMPARE(m->rowCount(), 5);
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

class TestDisk : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp.path() + QStringLiteral("/config")));
        m_stick = m_temp.path() + QStringLiteral("/stick");
        makeTree(m_stick, {QStringLiteral("a"), QStringLiteral("X/c")});
        m_cat = m_temp.path() + QStringLiteral("/cli.ldr");
        m_cliTree = m_temp.path() + QStringLiteral("/cli");
        makeTree(m_cliTree, L({"tab\there.txt", "back\\slash", "plain/a.txt", "old.txt"}));
        QCOMPARE(runCli({QStringLiteral("create"), m_cat}).code, 0);
        QCOMPARE(runCli({QStringLiteral("scan"), m_cat, m_cliTree, QStringLiteral("--add")}).code,
                 0);
    }
    void init() {
        DefaultOptions();
        QFile::remove(m_temp.path() + QStringLiteral("/c.ldr"));
        QVERIFY(openNewCatalogue(m_temp.path() + QStringLiteral("/c.ldr")));
        m_volumes.list = {{u'C', u"/"_s, {}, 3, {}, u"ext4"_s, 0},
                          {u'D', m_stick, {}, 2, u"STICK"_s, u"vfat"_s, 0xABCD},
                          {u'E', {}, {}, 50, u"Audio CD"_s, u"CDDA"_s, 0},
                          {u'F', m_temp.path() + u"/gone"_s, {}, 0, {}, {}, 0}};
    }
    void cleanup() {
        delete m_dlg;
        m_ui = PauseHookUi();
        CloseDatabase();
        m_volumes.disc.reset();
    }
    // A name that is not UTF-8 is beyond what the temporary folder's clean-up can decode.
    void cleanupTestCase() { ::unlink(QByteArray(QFile::encodeName(m_cliTree) + "/\xfe.bin")); }

    void driveCannotBeAccessed_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("no selection") << QString();
        QTest::newRow("audio CD without file system") << "E";
        QTest::newRow("mount point gone") << "F";
    }
    void driveCannotBeAccessed() {
        QFETCH(QString, key);
        options().LastDrive = key.isEmpty() ? QString() : key + QLatin1Char(':');
        frmDiskNew& dlg = loaded();
        if (key.isEmpty())
            child<QTreeWidget>(&dlg, "lsvDrive")->clearSelection();
        dlg.cmdOK_Click();
        QCOMPARE(m_ui.texts(), QStringList{QStringLiteral("Drive cannot be accessed.")});
        QCOMPARE(m_ui.shown.first().icon, Ui::Icon::Exclamation);
        QVERIFY(!dlg.Busy);
        QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Images")).toInt(), 0);
    }

    // The letters given out are kept in the settings, so the next run of either program agrees.
    void lettersKeptAcrossRuns() {
        SaveDriveLetters({}); // a first run: the command line's runs gave the machine's out
        QList<VolumeInfo> first = {{u'?', u"/"_s, {}, 3, {}, {}, 1},
                                   {u'?', u"/media/a"_s, {}, 2, {}, {}, 2},
                                   {u'?', u"/media/b"_s, {}, 2, {}, {}, 3}};
        KeepDriveLetters(first);
        QList<VolumeInfo> next = {first.at(0), first.at(2)};
        KeepDriveLetters(next);
        QCOMPARE(QString(next.at(1).key), QStringLiteral("E"));
        QSettings ini(m_temp.path() + QStringLiteral("/config/Tessaly/Ledra.conf"),
                      QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Drive Letters/D")).toString(),
                 QStringLiteral("/media/a"));
    }

    // The list: rows, tags, "Last Drive" (lower case), the image column and F5. Cancel mid-scan
    // (closing refused while busy) writes nothing; a full run fills the tree and the list. Next
    // time the last drive is found by its volume, wherever its letter has gone since; then an
    // audio CD.
    void scanFromTheDialog() {
        frmMain main;
        ScriptedUi mainUi;
        main.setUi(&mainUi);
        options().LastDrive = QStringLiteral("d:");
        options().AutoClose = true;
        // Volumes without a serial match no image, not even one without a serial.
        db().Execute(QStringLiteral("INSERT INTO Images (ID, Serial, Name) VALUES (1, '00000000', "
                                    "'Unread')"));
        frmDiskNew& dlg = loaded(&main);
        auto* list = child<QTreeWidget>(&dlg, "lsvDrive");
        QCOMPARE(column(list, 0).join(u','), QStringLiteral("C:,D:,E:,F:"));
        QCOMPARE(column(list, 3).join(u','), QStringLiteral(",,,"));
        QCOMPARE(list->currentItem()->text(0), QStringLiteral("D:"));
        QCOMPARE(list->topLevelItem(2)->data(0, Qt::UserRole).toString(),
                 QStringLiteral("CDROM (CDDA)"));
        QCOMPARE(list->topLevelItem(3)->data(0, Qt::UserRole).toString(),
                 QStringLiteral("Unknown disk type ()"));
        m_volumes.list.removeFirst();
        QTest::keyClick(list, Qt::Key_F5, Qt::ShiftModifier);
        QCOMPARE(list->topLevelItemCount(), 4);
        QTest::keyClick(list, Qt::Key_F5);
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->currentItem()->text(0), QStringLiteral("D:"));
        QCOMPARE(child<QCheckBox>(&dlg, "chkTime")->text(), QStringLiteral("Scan Date && Time"));
        dlg.show();
        const int compact = dlg.height();
        int expanded = 0;
        bool refusedClose = false;
        QString busyCaption;
        m_ui.onPause = [&] {
            expanded = std::max(expanded, dlg.height());
            if (child<QCheckBox>(&dlg, "chkAutoClose")->isChecked() && dlg.scan() &&
                dlg.scan()->ItemsWritten && !dlg.Cancelled) {
                busyCaption = child<QPushButton>(&dlg, "cmdCancel")->text();
                dlg.close();
                refusedClose = dlg.isVisible();
                dlg.cmdCancel_Click();
            }
        };
        dlg.cmdOK_Click();
        QCOMPARE(busyCaption, QStringLiteral("Cancel"));
        QVERIFY(refusedClose);
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.Busy);
        QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Images")).toInt(), 1);

        child<QCheckBox>(&dlg, "chkAutoClose")->setChecked(false);
        dlg.cmdOK_Click();
        QVERIFY(expanded > compact);
        QCOMPARE(dlg.height(), compact);
        QVERIFY(main.hasCatalogueEntry(QStringLiteral("I2")));
        QVERIFY(m_ui.lastText().startsWith(QStringLiteral("Total of 2 files and 1 folders")));
        QCOMPARE(column(list, 3).join(u','), QStringLiteral("STICK,,"));
        QCOMPARE(child<QPushButton>(&dlg, "cmdCancel")->text(), QStringLiteral("Close"));
        QVERIFY(child<QPushButton>(&dlg, "cmdOK")->isEnabled());
        child<QCheckBox>(&dlg, "chkMSDOSName")->setChecked(true);
        dlg.close();
        QCOMPARE(options().LastDrive, QStringLiteral("D:"));
        QCOMPARE(options().LastDriveVolume, m_stick);
        QVERIFY(options().ScanMSDOSName);
        m_volumes.list[0].key = QLatin1Char('G');
        list = child<QTreeWidget>(&loaded(), "lsvDrive");
        QCOMPARE(list->currentIndex().data().toString(), u"G:"_s);
        // An audio CD: one file per audio track, as large as the track; a data track left out.
        const CdToc toc{{{1, 0, true}, {2, 1000, true}, {3, 4000, false}}, 9000};
        m_volumes.disc = toc;
        list->setCurrentItem(list->topLevelItem(1));
        m_dlg->cmdOK_Click();
        QCOMPARE(db().scalar(QStringLiteral("SELECT Name || '|' || Serial || '|' || Type || '|' || "
                                            "Source || '|' || FileSystem FROM Images WHERE ID=3"))
                     .toString(),
                 QStringLiteral("Audio CD|%1|50|E:|CDDA").arg(SerialText(SerialFromToc(toc))));
        QCOMPARE(itemRows(3), (QStringList{QStringLiteral("1|0|1|Track01.cda|2352000"),
                                           QStringLiteral("2|0|1|Track02.cda|7056000")}));
    }

    // The command line: drives (the root always C), then scan with its overwrite rules.
    void commandLine() {
        const QString& cat = m_cat; // its image 1 is the update tests' disk
        const QStringList first =
            runCli({QStringLiteral("drives"), cat}).out.section(u'\n', 0, 0).split(u'\t');
        QCOMPARE(first.size(), 8);
        QCOMPARE(first.at(0) + first.at(6), QStringLiteral("C/")); // the machine's root comes first
        QVERIFY(first.at(5) != QLatin1String("00000000")); // readable, with or without a UUID
        const QStringList scan = {QStringLiteral("scan"),
                                  cat,
                                  m_stick,
                                  QStringLiteral("--serial"),
                                  QStringLiteral("beef"),
                                  QStringLiteral("--no-collect")};
        CliRun r = runCli(scan);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(
            QStringLiteral("image\t2\nTotal of 2 files and 1 folders was written in ")));
        r = runCli(scan);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, QStringLiteral("That drive (%1) exist in database as stick.\n")
                            .arg(QFileInfo(m_stick).canonicalFilePath()));
        r = runCli(scan + QStringList{QStringLiteral("--add"), QStringLiteral("--name"),
                                      QStringLiteral("Second")});
        QVERIFY(r.out.startsWith(QStringLiteral("image\t3\n")));
        QCOMPARE(runCli(scan + QStringList{QStringLiteral("--serial"), QStringLiteral("123456789")})
                     .code,
                 2);
        // Serial 0 is no serial: the same volume twice is two new images, nothing refused.
        const QStringList noSerial = {QStringLiteral("scan"), cat, m_stick,
                                      QStringLiteral("--serial"), QStringLiteral("0")};
        QVERIFY(runCli(noSerial).out.startsWith(QStringLiteral("image\t4\n")));
        QVERIFY(runCli(noSerial).out.startsWith(QStringLiteral("image\t5\n")));
        Database written;
        QVERIFY(written.open(cat, Database::OpenMode::ReadOnly));
        QCOMPARE(written.scalar(QStringLiteral("SELECT group_concat(Name) FROM Images")).toString(),
                 QStringLiteral("cli,stick,Second,stick,stick"));
    }

    void differences_data() {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<bool>("times");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("counts");
        QTest::newRow("nothing changed") << L({}) << true << L({}) << QStringLiteral("0 0 0 0 12");
        QTest::newRow("added folders")
            << L({"add:c/d/new.txt"}) << false << L({"+ /c", "+ /c/d", "+ /c/d/new.txt"})
            << QStringLiteral("3 0 0 0 12");
        QTest::newRow("changed size") << L({"append:root.txt"}) << false << L({"~ /root.txt"})
                                      << QStringLiteral("0 0 1 0 11");
        QTest::newRow("changed time")
            << L({"touch:root.txt"}) << true << L({"~ /root.txt"}) << QStringLiteral("0 0 1 0 11");
        QTest::newRow("time not read")
            << L({"touch:root.txt"}) << false << L({}) << QStringLiteral("0 0 0 0 12");
        QTest::newRow("moved file") << L({"mv:a/x.txt>b/x.txt"}) << false
                                    << L({"> /a/x.txt /b/x.txt"}) << QStringLiteral("0 0 0 1 11");
        QTest::newRow("moved folder") << L({"mv:a/sub>b/sub"}) << true
                                      << L({"> /a/sub /b/sub", "> /a/sub/deep.txt /b/sub/deep.txt"})
                                      << QStringLiteral("0 0 0 2 10");
        QTest::newRow("renamed is not moved")
            << L({"mv:a/x.txt>a/z.txt"}) << false << L({"+ /a/z.txt", "- /a/x.txt"})
            << QStringLiteral("1 1 0 0 11");
        QTest::newRow("two removed candidates")
            << L({"mv:dup1/same.txt>c/same.txt", "rm:dup2/same.txt"}) << false
            << L({"+ /c", "+ /c/same.txt", "- /dup1/same.txt", "- /dup2/same.txt"})
            << QStringLiteral("2 2 0 0 10");
        QTest::newRow("two added candidates")
            << L({"mv:a/x.txt>c/x.txt", "copy:c/x.txt>b/x.txt"}) << false
            << L({"+ /b/x.txt", "+ /c", "+ /c/x.txt", "- /a/x.txt"})
            << QStringLiteral("3 1 0 0 11");
        QTest::newRow("folder replaced by a file")
            << L({"rmdir:a/sub", "file:a/sub"}) << false
            << L({"+ /a/sub", "- /a/sub", "- /a/sub/deep.txt"}) << QStringLiteral("1 2 0 0 10");
    }
    // Each kind of difference is found, and the image written is what a fresh scan gives.
    void differences() {
        QFETCH(QStringList, changes);
        QFETCH(bool, times);
        QFETCH(QStringList, lines);
        QFETCH(QString, counts);
        Fixture fx(changes, times);
        const qint32 id = fx.image;
        Update up(id, times);
        ImageUpdate& u = up.u;
        const bool none = changes.isEmpty();
        const QByteArray before = readBytes(fx.catalogue);
        // The label kept where times are read: a change of times alone must be written too.
        QCOMPARE(up.read(fx.tree, times ? QStringLiteral("DISK") : QStringLiteral("NEWLABEL")),
                 DiskScan::Result::Done);
        QCOMPARE(diffLines(u), lines);
        const ImageUpdate::Counts& c = u.counts();
        QCOMPARE(QString::asprintf("%lld %lld %lld %lld %lld", c.added, c.removed, c.changed,
                                   c.moved, c.kept),
                 counts);
        // An untouched disk: the catalogue file is not written at all, nor the hook run.
        QCOMPARE(none ? u.Apply([](Database&, qint32) { return false; }) : u.Apply(),
                 DiskScan::Result::Done);
        if (none)
            QCOMPARE(readBytes(fx.catalogue), before);
        const qint32 fresh = scan(fx.tree, quiet(times));
        QCOMPARE(pathRows(id), pathRows(fresh));
        QCOMPARE(
            db().scalar(QStringLiteral("SELECT Name || '|' || Label FROM Images WHERE ID=?"), {id})
                .toString(),
            times ? QStringLiteral("DISK|DISK") : QStringLiteral("DISK|NEWLABEL"));
    }

    // Kept items keep their IDs and notes; a move carries them; a removed item's are reported.
    void notesKeptCarriedAndLost() {
        Fixture fx(
            L({"append:a/keep.txt", "mv:a/sub/deep.txt>b/deep.txt", "rm:b/y.txt",
               "mv:dup1/same.txt>c/same.txt", "rm:dup2/same.txt", "rm:a/x.txt", "rm:root.txt"}));
        const qint32 id = fx.image;
        const qint32 keep = itemId(id, QStringLiteral("keep.txt"));
        const qint32 sub = itemId(id, QStringLiteral("sub"));
        QVERIFY(db().Execute(
            QStringLiteral(
                "UPDATE Items SET Keywords=iif(Name IN ('keep.txt', 'y.txt'), 'k', NULL), "
                "Comment=iif(Name IN ('deep.txt', 'x.txt'), 'moved with me', NULL), "
                "Description=iif(Name='same.txt', 'd', NULL) WHERE ImageID=?"),
            {id}));
        Update up(id);
        ImageUpdate& u = up.u;
        QCOMPARE(up.read(fx.tree), DiskScan::Result::Done);
        QCOMPARE(u.lostNotesText(), QStringLiteral("4 removed items have keywords or comments"));
        QStringList removed; // each with whether its notes are lost
        for (const ImageUpdate::Difference& d : u.differences())
            if (d.kind == ImageUpdate::Kind::Removed)
                removed << QString::fromStdString(u.oldPath(d.index)) + u':' +
                               QString::number(u.removedHasNotes(d.index));
        QCOMPARE(removed.join(u' '),
                 u"/root.txt:0 /b/y.txt:1 /dup1/same.txt:1 /dup2/same.txt:1 /a/x.txt:1"_s);
        QCOMPARE(u.Apply(), DiskScan::Result::Done);
        QCOMPARE(itemId(id, QStringLiteral("keep.txt")), keep);
        QCOMPARE(itemId(id, QStringLiteral("sub")), sub);
        QCOMPARE(db().scalar(QStringLiteral("SELECT Keywords || Size FROM Items WHERE ID=? AND "
                                            "ImageID=?"),
                             {keep, id})
                     .toString(),
                 QStringLiteral("k14"));
        // The moved file: a new ID above every old one, under its new folder, its comment kept.
        QCOMPARE(db().scalar(QStringLiteral("SELECT i.ID > 12 AND p.Name='b' AND "
                                            "i.Comment='moved with me' FROM Items i JOIN Items p "
                                            "ON p.ID=i.ParentID AND p.ImageID=i.ImageID WHERE "
                                            "i.Name='deep.txt' AND i.ImageID=?"),
                             {id})
                     .toInt(),
                 1);
        QCOMPARE(
            db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE Description='d'")).toInt(),
            0);
    }

    // Cancel at any pause of the reading, a hook failing, or the process dying before the commit
    // leaves the catalogue as it was.
    void crashMidWrite() {
        Fixture fx(L({"rmdir:a", "add:c/new.txt"}));
        const qint32 id = fx.image;
        const QString before = catalogueDump();
        Update up(id);
        QCOMPARE(up.read(fx.tree), DiskScan::Result::Done);
        QVERIFY(up.ui.pauses >= 5);
        for (int at = 1; at <= up.ui.pauses; ++at) {
            Update cancelled(id);
            cancelled.ui.onPause = [&] {
                if (cancelled.ui.pauses == at)
                    cancelled.u.cancel();
            };
            QVERIFY2(cancelled.read(fx.tree) == DiskScan::Result::Cancelled,
                     qPrintable(QString::number(at)));
            QCOMPARE(cancelled.u.Apply(), DiskScan::Result::Failed);
        }
        QCOMPARE(up.u.Apply([](Database& d, qint32 image) { return !newFileWritten(d, image); }),
                 DiskScan::Result::Failed);
        QCOMPARE(catalogueDump(), before);
        const pid_t child = ::fork();
        if (child == 0) {
            up.u.Apply([](Database& d, qint32 image) {
                ::_exit(newFileWritten(d, image) ? 42 : 1);
                return true;
            });
            ::_exit(2);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 42);
        CloseDatabase();
        SetDatabaseName(fx.catalogue);
        QCOMPARE(OpenVerifiedDatabase(false, false), 0);
        QCOMPARE(catalogueDump(), before);
    }

    void dialogRun_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<quint32>("serial"); // of the one volume mounted
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("startsThere"); // the user is asked, starting in the volume
        QTest::newRow("mounted, Cancel in the differences")
            << QStringLiteral("cmdCancel") << 0x1234u << QStringLiteral("DISK") << true << false;
        QTest::newRow("a folder of the volume, Apply")
            << QStringLiteral("cmdApply") << 0x1234u << QStringLiteral("OTHER") << false << true;
        QTest::newRow("not mounted, Cancel while reading")
            << QString() << 0x9999u << QStringLiteral("DISK") << false << false;
    }
    // The disk is found by its serial, or the user asked where it is; the differences shown;
    // Cancel, also while reading, changes nothing; Apply runs the hook.
    void dialogRun() {
        QFETCH(QString, button);
        QFETCH(quint32, serial);
        QFETCH(QString, label);
        QFETCH(bool, found);
        QFETCH(bool, startsThere);
        // A file with a note removed, a folder moved, one added.
        Fixture fx(L({"rm:b/y.txt", "mv:a/sub>b/sub", "add:c/new.txt"}));
        db().Execute(QStringLiteral("UPDATE Items SET Comment='note' WHERE Name='y.txt'"));
        const QString before = catalogueDump();
        ListVolumes volumes;
        volumes.list = {{u'D', fx.tree, {}, DriveType::Unknown, label, {}, serial}};
        frmUpdate form(nullptr, nullptr, fx.image, &volumes);
        QStringList asked;
        form.pickFolder = [&](const QString& start) {
            asked << start;
            return QStringLiteral("/picked");
        };
        QCOMPARE(form.findDisk(), found ? fx.tree : QStringLiteral("/picked"));
        QCOMPARE(asked, found ? QStringList() : QStringList{startsThere ? fx.tree : QString()});
        PauseHookUi ui;
        form.setUi(&ui);
        if (button.isEmpty())
            ui.onPause = [&] {
                if (ui.pauses == 4)
                    child<QPushButton>(&form, "cmdCancel")->click();
            };
        int hooks = 0;
        form.afterRows = [&](Database& d, qint32 id) { return ++hooks, newFileWritten(d, id); };
        bool reviewed = false;
        form.review = [&](frmUpdateDiff& diff) {
            reviewed = true;
            checkDifferences(diff);
            child<QPushButton>(&diff, button.toLatin1().constData())->click();
            return diff.result() == QDialog::Accepted;
        };
        FixedSource src(fx.tree);
        const bool apply = button == QLatin1String("cmdApply");
        QCOMPARE(form.Run(src), apply ? DiskScan::Result::Done : DiskScan::Result::Cancelled);
        QCOMPARE(reviewed, !button.isEmpty());
        QCOMPARE(hooks, apply ? 1 : 0);
        if (apply)
            QCOMPARE(pathRows(fx.image), pathRows(scan(fx.tree, quiet())));
        else
            QCOMPARE(catalogueDump(), before);
        QVERIFY(!form.Busy);
    }

    void cliFailures_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("err");
        const QString &cat = m_cat, &tree = m_cliTree, u = QStringLiteral("update");
        QTest::newRow("no path") << QStringList{u, cat, QStringLiteral("1")} << 2 << QString();
        QTest::newRow("image not a number")
            << QStringList{u, cat, QStringLiteral("x"), tree} << 2
            << QStringLiteral("IMAGE needs an image ID (1 or more).\n");
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
    // Bad input on the command line changes nothing, with the exit status of its kind.
    void cliFailures() {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, err);
        const QByteArray before = readBytes(m_cat);
        const CliRun r = runCli(args);
        QCOMPARE(r.code, exit);
        QCOMPARE(r.out, QString());
        if (exit == 2 && err.isEmpty())
            QVERIFY(r.err.startsWith(QStringLiteral("Usage: ledra-cli update ")));
        else
            QCOMPARE(r.err, err);
        QCOMPARE(readBytes(m_cat), before);
    }

    // A dry run prints the differences and writes nothing; the update prints and writes them.
    void cliDryRunThenUpdate() {
        for (const QString& c : L({"rm:old.txt", "add:new\nline.txt", "append:plain/a.txt",
                                   "mv:tab\there.txt>plain/tab\there.txt"}))
            change(m_cliTree, c);
        ::close(::open(QByteArray(QFile::encodeName(m_cliTree) + "/\xfe.bin").constData(),
                       O_CREAT | O_WRONLY, 0644));
        const QStringList expected = {
            QStringLiteral("+\t//xFE.bin"),
            QStringLiteral("+\t/new\\nline.txt"),
            QStringLiteral("-\t/old.txt"),
            QStringLiteral(">\t/tab\\there.txt\t/plain/tab\\there.txt"),
            QStringLiteral("~\t/plain/a.txt"),
            QStringLiteral("added 2\tremoved 1\tchanged 1\tmoved 1\tkept 2")};
        const QStringList update = {QStringLiteral("update"), m_cat, QStringLiteral("1"),
                                    m_cliTree};
        const QByteArray before = readBytes(m_cat);
        CliRun r = runCli(update + QStringList{QStringLiteral("--dry-run")});
        QCOMPARE(r.code, 0);
        QCOMPARE(sortedLines(r.out), expected);
        QCOMPARE(readBytes(m_cat), before);
        r = runCli(update);
        QCOMPARE(r.code, 0);
        QCOMPARE(sortedLines(r.out), expected);
        QVERIFY(readBytes(m_cat) != before);
    }

private:
    // The dialog over the test's volumes, loaded, its messages going to m_ui.
    frmDiskNew& loaded(frmMain* main = nullptr) {
        m_dlg = new frmDiskNew(main, main, &m_volumes);
        m_dlg->setUi(&m_ui);
        m_dlg->Form_Load();
        return *m_dlg;
    }

    PauseHookUi m_ui;
    QPointer<frmDiskNew> m_dlg; // gone with its owner, if it has one
    QTemporaryDir m_temp;
    QString m_stick;          // the New Disk dialog's volume
    QString m_cat, m_cliTree; // the command line's catalogue and disk
    ListVolumes m_volumes;
};

QTEST_MAIN(TestDisk)
#include "tst_disk.moc"
