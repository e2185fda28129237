#include "CatalogueFixture.h"
#include "DiskScanSupport.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "disk/frmDiskNew.h"
#include "shell/mdlOptions.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace DiskTest;
using namespace Qt::StringLiterals;

namespace {

QStringList column(QTreeWidget* list, int c) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(c);
    return out;
}

} // namespace

class TestDiskNew : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp.path() + QStringLiteral("/config")));
        m_tree = m_temp.path() + QStringLiteral("/stick");
        makeTree(m_tree, {QStringLiteral("a"), QStringLiteral("X/c")});
    }
    void init() {
        DefaultOptions();
        QFile::remove(m_temp.path() + QStringLiteral("/c.ldr"));
        QVERIFY(openNewCatalogue(m_temp.path() + QStringLiteral("/c.ldr")));
        m_volumes.list = {{u'C', u"/"_s, {}, 3, {}, u"ext4"_s, 0},
                          {u'D', m_tree, {}, 2, u"STICK"_s, u"vfat"_s, 0xABCD},
                          {u'E', {}, {}, 50, u"Audio CD"_s, u"CDDA"_s, 0},
                          {u'F', m_temp.path() + u"/gone"_s, {}, 0, {}, {}, 0}};
    }
    void cleanup() {
        delete m_dlg;
        m_ui = PauseHookUi();
        CloseDatabase();
        m_volumes.disc.reset();
    }

    // Rows, tags, "Last Drive" (lower case), the image column and F5.
    void driveList() {
        options().LastDrive = QStringLiteral("d:");
        db().Execute(QStringLiteral("INSERT INTO Images (ID, Serial, Name) VALUES (1, '0000ABCD', "
                                    "'Old stick'), (2, '00000000', 'Unread')"));
        frmDiskNew& dlg = loaded();
        auto* list = dlg.findChild<QTreeWidget*>(QStringLiteral("lsvDrive"));
        QCOMPARE(column(list, 0).join(u','), QStringLiteral("C:,D:,E:,F:"));
        QCOMPARE(column(list, 3).join(u','), QStringLiteral(",Old stick,,"));
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
        QCOMPARE(dlg.findChild<QCheckBox*>(QStringLiteral("chkTime"))->text(),
                 QStringLiteral("Scan Date && Time"));
    }

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
            dlg.findChild<QTreeWidget*>(QStringLiteral("lsvDrive"))->clearSelection();
        dlg.cmdOK_Click();
        QCOMPARE(m_ui.texts(), QStringList{QStringLiteral("Drive cannot be accessed.")});
        QCOMPARE(m_ui.shown.first().icon, Ui::Icon::Exclamation);
        QVERIFY(!dlg.Busy);
        QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Images")).toInt(), 0);
    }

    // The last drive is found by its volume, wherever its letter has gone since.
    void lastDriveByVolume() {
        options().LastDrive = QStringLiteral("D:");
        options().LastDriveVolume = m_tree;
        m_volumes.list[1].key = QLatin1Char('G');
        frmDiskNew& dlg = loaded();
        auto* list = dlg.findChild<QTreeWidget*>(QStringLiteral("lsvDrive"));
        QCOMPARE(list->currentItem()->text(0), QStringLiteral("G:"));
        list->setCurrentItem(list->topLevelItem(0));
        dlg.close();
        QCOMPARE(options().LastDrive, QStringLiteral("C:"));
        QCOMPARE(options().LastDriveVolume, QStringLiteral("/"));
    }

    // The letters given out are kept in the settings, so the next run of either program agrees.
    void lettersKeptAcrossRuns() {
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

    // An audio CD: one file per audio track, as large as the track; a data track left out.
    void audioCd() {
        CdToc toc;
        toc.tracks = {{1, 0, true}, {2, 1000, true}, {3, 4000, false}};
        toc.leadOutLba = 9000;
        m_volumes.disc = toc;
        options().LastDrive = QStringLiteral("E:");
        options().AutoClose = true;
        frmDiskNew& dlg = loaded();
        dlg.cmdOK_Click();
        QCOMPARE(db().scalar(QStringLiteral("SELECT Name || '|' || Serial || '|' || Type || '|' || "
                                            "Source || '|' || FileSystem FROM Images"))
                     .toString(),
                 QStringLiteral("Audio CD|%1|50|E:|CDDA").arg(SerialText(SerialFromToc(toc))));
        QCOMPARE(itemRows(1), (QStringList{QStringLiteral("1|0|1|Track01.cda|2352000"),
                                           QStringLiteral("2|0|1|Track02.cda|7056000")}));
    }

    // Cancel mid-scan (closing refused while busy) writes nothing; a full run fills the tree.
    void scanFromTheDialog() {
        frmMain main;
        ScriptedUi mainUi;
        main.setUi(&mainUi);
        options().LastDrive = QStringLiteral("D:");
        options().AutoClose = true;
        frmDiskNew& dlg = loaded(&main);
        dlg.show();
        const int compact = dlg.height();
        int expanded = 0;
        bool refusedClose = false;
        QString busyCaption;
        m_ui.onPause = [&] {
            expanded = std::max(expanded, dlg.height());
            if (dlg.findChild<QCheckBox*>(QStringLiteral("chkAutoClose"))->isChecked() &&
                dlg.scan() && dlg.scan()->ItemsWritten && !dlg.Cancelled) {
                busyCaption = dlg.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text();
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
        QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Images")).toInt(), 0);

        dlg.findChild<QCheckBox*>(QStringLiteral("chkAutoClose"))->setChecked(false);
        dlg.cmdOK_Click();
        QVERIFY(expanded > compact);
        QCOMPARE(dlg.height(), compact);
        QVERIFY(main.hasCatalogueEntry(QStringLiteral("I1")));
        QVERIFY(m_ui.lastText().startsWith(QStringLiteral("Total of 2 files and 1 folders")));
        auto* list = dlg.findChild<QTreeWidget*>(QStringLiteral("lsvDrive"));
        QCOMPARE(list->topLevelItem(1)->text(3), QStringLiteral("STICK"));
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
                 QStringLiteral("Close"));
        QVERIFY(dlg.findChild<QPushButton*>(QStringLiteral("cmdOK"))->isEnabled());
        dlg.findChild<QCheckBox*>(QStringLiteral("chkMSDOSName"))->setChecked(true);
        dlg.close();
        QCOMPARE(options().LastDrive, QStringLiteral("D:"));
        QVERIFY(options().ScanMSDOSName);
    }

    // The command line: drives, then scan with its overwrite rules.
    void commandLine() {
        CloseDatabase();
        const QString cat = m_temp.path() + QStringLiteral("/cli.ldr");
        QCOMPARE(runCli({QStringLiteral("create"), cat}).code, 0);
        const QStringList first =
            runCli({QStringLiteral("drives"), cat}).out.section(u'\n', 0, 0).split(u'\t');
        QCOMPARE(first.size(), 8);
        QVERIFY(first.at(5) != QLatin1String("00000000")); // readable, with or without a UUID
        const QStringList scan = {QStringLiteral("scan"),
                                  cat,
                                  m_tree,
                                  QStringLiteral("--serial"),
                                  QStringLiteral("beef"),
                                  QStringLiteral("--no-collect")};
        CliRun r = runCli(scan);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(
            QStringLiteral("image\t1\nTotal of 2 files and 1 folders was written in ")));
        r = runCli(scan);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, QStringLiteral("That drive (%1) exist in database as stick.\n")
                            .arg(QFileInfo(m_tree).canonicalFilePath()));
        r = runCli(scan + QStringList{QStringLiteral("--add"), QStringLiteral("--name"),
                                      QStringLiteral("Second")});
        QVERIFY(r.out.startsWith(QStringLiteral("image\t2\n")));
        QCOMPARE(runCli(scan + QStringList{QStringLiteral("--serial"), QStringLiteral("123456789")})
                     .code,
                 2);
        // Serial 0 is no serial: the same volume twice is two new images, nothing refused.
        const QStringList noSerial = {QStringLiteral("scan"), cat, m_tree,
                                      QStringLiteral("--serial"), QStringLiteral("0")};
        QVERIFY(runCli(noSerial).out.startsWith(QStringLiteral("image\t3\n")));
        QVERIFY(runCli(noSerial).out.startsWith(QStringLiteral("image\t4\n")));
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
    QString m_tree;
    ListVolumes m_volumes;
};

QTEST_MAIN(TestDiskNew)
#include "tst_disknew.moc"
