// The Import dialog, with real widgets, a real main window and real index files.
#include "DiskScanSupport.h"
#include "ImportTestSupport.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "controls/ctlCmnDlg.h"
#include "import/frmImport.h"
#include "shell/mdlOptions.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace DiskTest;
using namespace ImportTest;
using namespace Qt::StringLiterals;

class TestImportDialog : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp;
    QString m_idx;

    // A loaded dialog talking to ui, with the file box set to path.
    static std::unique_ptr<frmImport> dialog(Ui& ui, const QString& path, frmMain* main = nullptr) {
        auto dlg = std::make_unique<frmImport>(main, main);
        dlg->setUi(&ui);
        dlg->Form_Load();
        dlg->findChild<QLineEdit*>(u"txtFile"_s)->setText(path);
        return dlg;
    }
    static QPushButton* button(QWidget* dlg, const QString& name) {
        return dlg->findChild<QPushButton*>(name);
    }
    // Imports the test's index once, quietly, as the image a run will meet; the catalogue then.
    QString importOnce() {
        ScriptedUi quietUi;
        MarlovexImport first(db(), quietUi);
        first.options.displaySummary = false;
        if (!IdxLoad(m_idx) || first.Run() != DiskScan::Result::Done)
            return QString();
        return catalogueDump();
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp.filePath(u"config"_s)));
        m_idx = m_temp.filePath(u"cd.idx"_s);
        QStringList lines = threeRows();
        lines[0] = u"<DISKTYPE CD-ROM"_s;
        QVERIFY(writeIndex(m_idx, lines));
    }
    void init() {
        DefaultOptions();
        options().DisplaySummary = false;
        QFile::remove(m_temp.filePath(u"c.ldr"_s));
        QVERIFY(openNewCatalogue(m_temp.filePath(u"c.ldr"_s)));
    }
    void cleanup() {
        ctlCmnDlg::setTestHook({});
        CloseDatabase();
    }

    // The idle dialog; the file dialog's settings; Import needs a file name.
    void idleStateAndBrowse() {
        ScriptedUi ui;
        auto dlg = dialog(ui, QString());
        QPushButton* import = button(dlg.get(), u"cmdImport"_s);
        auto* file = dlg->findChild<QLineEdit*>(u"txtFile"_s);
        QVERIFY(!import->isEnabled());
        QVERIFY(!dlg->findChild<QWidget*>(u"prgScaned"_s)->isVisibleTo(dlg.get()));

        ctlCmnDlg::Exchange seen;
        bool choose = false;
        ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
            seen = x;
            x.fileName = u"/media/disk.idx"_s;
            return choose;
        });
        dlg->cmdFileBrowse_Click();
        QCOMPARE(file->text(), QString());
        QCOMPARE(seen.filters, (QStringList{u"Marlovex (*.idx)"_s, u"All Files (*)"_s}));
        QCOMPARE(seen.flags, ctlCmnDlg::kFlagHideReadOnly);
        QCOMPARE(seen.filterIndex, 1);
        choose = true;
        dlg->cmdFileBrowse_Click();
        QCOMPARE(file->text(), u"/media/disk.idx"_s);
        QVERIFY(import->isEnabled());
        file->clear();
        QVERIFY(!import->isEnabled());
    }

    // A whole import with "Eject" on and "Auto Close" off: the progress area shows only while
    // it runs, the entry gets the CD picture, the file box is emptied, the summary is shown.
    // Then what is not an index (no name, a missing file, a byte-order mark) is refused.
    void importIntoMainWindow() {
        frmMain main;
        ScriptedUi ui;
        main.setUi(&ui);
        options().AutoClose = false;
        options().Eject = true;
        options().DisplaySummary = true;
        PauseHookUi hook;
        auto dlg = dialog(hook, m_idx, &main);
        const int compact = dlg->height();
        int expanded = 0;
        hook.onPause = [&] { expanded = std::max(expanded, dlg->height()); };
        dlg->cmdImport_Click();
        QVERIFY(expanded > compact);
        QCOMPARE(dlg->height(), compact);
        QCOMPARE(hook.lastText(),
                 u"Total of 1 files and 1 folders was written in 00:00 minutes."_s);
        auto* tree = main.findChild<QTreeWidget*>(u"trvNodes"_s);
        const QList<QTreeWidgetItem*> found =
            tree->findItems(u"DATA"_s, Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first()->data(0, frmMain::KeyRole).toString(), u"I1"_s);
        QCOMPARE(found.first()->data(0, frmMain::IconKeyRole).toString(), u"T5"_s);
        auto* file = dlg->findChild<QLineEdit*>(u"txtFile"_s);
        QCOMPARE(file->text(), QString());
        QVERIFY(button(dlg.get(), u"cmdImport"_s)->isEnabled());

        const QString bom = m_temp.filePath(u"bom.idx"_s);
        QVERIFY(writeBytes(bom, QByteArray("\xEF\xBB\xBF<disktype fixed")));
        for (const QString& path : {QString(), m_temp.filePath(u"missing.idx"_s), bom}) {
            hook.shown.clear();
            file->setText(path);
            dlg->cmdImport_Click();
            QCOMPARE(hook.texts(), QStringList{u"This file format is not supported!"_s});
            QCOMPARE(hook.shown.first().icon, Ui::Icon::Exclamation);
            QVERIFY(!dlg->Busy);
        }
        QCOMPARE(db().scalar(u"SELECT COUNT(*) FROM Images"_s).toInt(), 1);
    }

    // Cancel after overwriting with Yes: the frame cannot close the busy dialog, and the old
    // image is back whole.
    void cancelAfterYes() {
        options().AutoClose = true;
        const QString before = importOnce();
        QVERIFY(!before.isEmpty());
        PauseHookUi ui;
        ui.answers = {Ui::Answer::Yes};
        auto dlg = dialog(ui, m_idx);
        dlg->show();
        bool refusedClose = false;
        QString busyCaption;
        ui.onPause = [&] {
            if (dlg->import() && dlg->import()->ItemsWritten && !dlg->Cancelled) {
                busyCaption = button(dlg.get(), u"cmdCancel"_s)->text();
                dlg->close();
                refusedClose = dlg->isVisible();
                dlg->cmdCancel_Click();
            }
        };
        dlg->cmdImport_Click();
        QCOMPARE(busyCaption, u"Cancel"_s);
        QVERIFY(refusedClose);
        QVERIFY(dlg->isVisible());
        QVERIFY(!dlg->Busy);
        QCOMPARE(button(dlg.get(), u"cmdCancel"_s)->text(), u"Close"_s);
        QCOMPARE(catalogueDump(), before);
    }

    // Cancel to the overwrite question writes nothing; with "Auto Close" on the dialog closes.
    void overwriteCancelCloses() {
        options().AutoClose = true;
        const QString before = importOnce();
        QVERIFY(!before.isEmpty());
        ScriptedUi ui;
        ui.answers = {Ui::Answer::Cancel};
        auto dlg = dialog(ui, m_idx);
        dlg->show();
        dlg->cmdImport_Click();
        QVERIFY(!dlg->isVisible());
        QCOMPARE(catalogueDump(), before);
    }
};

QTEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
