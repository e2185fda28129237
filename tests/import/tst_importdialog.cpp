// The Import dialog, with real widgets, a real main window and real index files.
#include "DiskScanSupport.h"
#include "ImportTestSupport.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "controls/ctlCmnDlg.h"
#include "import/frmImport.h"
#include "shell/mdlOptions.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace DiskTest;
using namespace ImportTest;

class TestImportDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp.path() + QStringLiteral("/config")));
        m_idx = m_temp.path() + QStringLiteral("/cd.idx");
        QStringList lines = threeRows();
        lines[0] = QStringLiteral("<DISKTYPE CD-ROM");
        QVERIFY(writeIndex(m_idx, lines));
    }
    void init() {
        DefaultOptions();
        options().DisplaySummary = false;
        QFile::remove(m_temp.path() + QStringLiteral("/c.ldr"));
        QVERIFY(openNewCatalogue(m_temp.path() + QStringLiteral("/c.ldr")));
    }
    void cleanup() {
        ctlCmnDlg::setTestHook({});
        CloseDatabase();
    }

    // Controls and captions when idle; the file dialog's settings; Import needs a file name.
    void idleStateAndBrowse() {
        frmImport dlg(nullptr);
        dlg.Form_Load();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Import"));
        auto* from = dlg.findChild<QComboBox*>(QStringLiteral("icmFrom"));
        QCOMPARE(from->count(), 1);
        QCOMPARE(from->currentText(), QStringLiteral("Marlovex"));
        auto* import = dlg.findChild<QPushButton*>(QStringLiteral("cmdImport"));
        auto* file = dlg.findChild<QLineEdit*>(QStringLiteral("txtFile"));
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
                 QStringLiteral("Close"));
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cmdFileBrowse"))->text(),
                 QStringLiteral("..."));
        QVERIFY(!import->isEnabled());
        QVERIFY(!dlg.findChild<QWidget*>(QStringLiteral("prgScaned"))->isVisibleTo(&dlg));

        ctlCmnDlg::Exchange seen;
        bool choose = false;
        ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
            seen = x;
            x.fileName = QStringLiteral("/media/disk.idx");
            return choose;
        });
        dlg.cmdFileBrowse_Click();
        QCOMPARE(file->text(), QString());
        QCOMPARE(seen.filters, (QStringList{QStringLiteral("Marlovex (*.idx)"),
                                            QStringLiteral("All Files (*)")}));
        QCOMPARE(seen.flags, ctlCmnDlg::kFlagHideReadOnly);
        QCOMPARE(seen.filterIndex, 1);
        choose = true;
        dlg.cmdFileBrowse_Click();
        QCOMPARE(file->text(), QStringLiteral("/media/disk.idx"));
        QVERIFY(import->isEnabled());
        file->clear();
        QVERIFY(!import->isEnabled());
    }

    void notSupported_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty path") << QString() << QByteArray();
        QTest::newRow("missing file") << "missing.idx" << QByteArray();
        QTest::newRow("byte-order mark") << "bom.idx" << QByteArray("\xEF\xBB\xBF<disktype fixed");
    }
    void notSupported() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QString path;
        if (!name.isEmpty()) {
            path = m_temp.path() + QLatin1Char('/') + name;
            if (name != QStringLiteral("missing.idx"))
                QVERIFY(writeBytes(path, bytes));
        }
        frmImport dlg(nullptr);
        ScriptedUi ui;
        dlg.setUi(&ui);
        dlg.Form_Load();
        dlg.findChild<QLineEdit*>(QStringLiteral("txtFile"))->setText(path);
        dlg.cmdImport_Click();
        QCOMPARE(ui.texts(), QStringList{QStringLiteral("This file format is not supported!")});
        QCOMPARE(ui.shown.first().icon, Ui::Icon::Exclamation);
        QVERIFY(!dlg.Busy);
        QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Images")).toInt(), 0);
    }

    // A whole import with "Eject" on and "Auto Close" off: the progress area shows only while
    // it runs, the entry gets the CD picture, the file box is emptied, the summary is shown.
    void importIntoMainWindow() {
        frmMain main;
        ScriptedUi ui;
        main.setUi(&ui);
        options().AutoClose = false;
        options().Eject = true;
        options().DisplaySummary = true;
        frmImport dlg(&main, &main);
        PauseHookUi hook;
        dlg.setUi(&hook);
        dlg.Form_Load();
        const int compact = dlg.height();
        int expanded = 0;
        hook.onPause = [&] { expanded = std::max(expanded, dlg.height()); };
        auto* file = dlg.findChild<QLineEdit*>(QStringLiteral("txtFile"));
        file->setText(m_idx);
        dlg.cmdImport_Click();
        QVERIFY(expanded > compact);
        QCOMPARE(dlg.height(), compact);
        QCOMPARE(hook.lastText(),
                 QStringLiteral("Total of 1 files and 1 folders was written in 00:00 minutes."));
        auto* tree = main.findChild<QTreeWidget*>(QStringLiteral("trvNodes"));
        const QList<QTreeWidgetItem*> found =
            tree->findItems(QStringLiteral("DATA"), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first()->data(0, frmMain::KeyRole).toString(), QStringLiteral("I1"));
        QCOMPARE(found.first()->data(0, frmMain::IconKeyRole).toString(), QStringLiteral("T5"));
        QCOMPARE(file->text(), QString());
        auto* import = dlg.findChild<QPushButton*>(QStringLiteral("cmdImport"));
        QVERIFY(import->isEnabled());
        hook.shown.clear();
        dlg.cmdImport_Click();
        QCOMPARE(hook.texts(), QStringList{QStringLiteral("This file format is not supported!")});
    }

    // Cancel after overwriting with Yes: the frame cannot close the busy dialog, and the old
    // image is back whole.
    void cancelAfterYes() {
        options().AutoClose = true;
        const QString before = importOnce();
        QVERIFY(!before.isEmpty());

        frmImport dlg(nullptr);
        PauseHookUi ui;
        ui.answers = {Ui::Answer::Yes};
        dlg.setUi(&ui);
        dlg.Form_Load();
        dlg.show();
        dlg.findChild<QLineEdit*>(QStringLiteral("txtFile"))->setText(m_idx);
        bool refusedClose = false;
        QString busyCaption;
        ui.onPause = [&] {
            if (dlg.import() && dlg.import()->ItemsWritten && !dlg.Cancelled) {
                busyCaption = dlg.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text();
                dlg.close();
                refusedClose = dlg.isVisible();
                dlg.cmdCancel_Click();
            }
        };
        dlg.cmdImport_Click();
        QCOMPARE(busyCaption, QStringLiteral("Cancel"));
        QVERIFY(refusedClose);
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.Busy);
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
                 QStringLiteral("Close"));
        QCOMPARE(catalogueDump(), before);
    }

    // Cancel to the overwrite question writes nothing; with "Auto Close" on the dialog closes.
    void overwriteCancelCloses() {
        options().AutoClose = true;
        const QString before = importOnce();
        QVERIFY(!before.isEmpty());
        frmImport dlg(nullptr);
        ScriptedUi ui;
        ui.answers = {Ui::Answer::Cancel};
        dlg.setUi(&ui);
        dlg.Form_Load();
        dlg.show();
        dlg.findChild<QLineEdit*>(QStringLiteral("txtFile"))->setText(m_idx);
        dlg.cmdImport_Click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(catalogueDump(), before);
    }

private:
    // Imports the test's index once, quietly, as the image a run will meet; the catalogue then.
    QString importOnce() {
        ScriptedUi quietUi;
        if (!IdxLoad(m_idx))
            return QString();
        MarlovexImport first(db(), quietUi);
        first.options.displaySummary = false;
        if (first.Run() != DiskScan::Result::Done)
            return QString();
        return catalogueDump();
    }

    QTemporaryDir m_temp;
    QString m_idx;
};

QTEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
