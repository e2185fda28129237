#include "DiskScanSupport.h"
#include "OddNamesCatalogue.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "controls/ctlLText.h"
#include "export/frmDupes.h"
#include "export/frmExport.h"
#include "search/frmFind.h"
#include "search/mdlFind.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs step on the next modal dialog once it is shown.
void onModal(std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, [step] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            step(dialog);
    });
}

} // namespace

// The Export and Duplicates dialogs, driven as a user would from the main window.
class TestExportDialogs : public QObject {
    Q_OBJECT

    std::unique_ptr<OddNamesCatalogue> m_cat;
    std::unique_ptr<frmMain> m_window;
    ScriptedUi m_ui;

private slots:
    void init() {
        m_cat = std::make_unique<OddNamesCatalogue>();
        m_cat->close();
        m_window = std::make_unique<frmMain>();
        m_window->setUi(&m_ui);
        m_window->show();
        QString path = m_cat->path();
        QVERIFY(OpenCatalogue(path, true, false, m_ui, m_window.get()));
        m_ui.clear();
    }
    void cleanup() {
        if (frmFind* f = frmFind::instance())
            delete f;
        m_window.reset();
        m_cat.reset();
    }

    // File > Export... offers the folder the list shows; the chosen format names the file.
    void exportListedFolder() {
        ShowMatch(*m_window, 1, 5, 4, 1); // lists folder 4 of image 1
        const QString file = m_cat->folder() + u"/folder.csv"_s;
        bool seen = false;
        onModal([&](QWidget* dialog) {
            seen = dialog->objectName() == u"frmExport";
            auto* folder = dialog->findChild<QRadioButton*>(u"optFolder"_s);
            QVERIFY(folder && !folder->isHidden());
            QVERIFY(folder->text().contains(OddNamesCatalogue::rows()[3].path));
            folder->setChecked(true);
            dialog->findChild<QLineEdit*>(u"txtFile"_s)->setText(file);
            dialog->findChild<QComboBox*>(u"cboFormat"_s)->setCurrentIndex(2); // JSON Lines
            dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
        });
        m_window->findChild<QAction*>(u"mnuFileExport"_s)->trigger();
        QVERIFY(seen);
        const QString written = m_cat->folder() + u"/folder.jsonl"_s;
        const QList<QByteArray> lines = readFile(written).trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QCOMPARE(QJsonDocument::fromJson(lines[0]).object()[u"path"].toString(),
                 OddNamesCatalogue::rows()[4].path);
        QVERIFY(!QFile::exists(file));
    }

    // Cancel during the export stops it; an existing file is only replaced when the user says so.
    void cancelAndReplace() {
        m_window->setCurrentImageId(1);
        const QString file = m_cat->folder() + u"/image.csv"_s;
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        frmExport dialog(m_window.get(), *m_window);
        PauseHookUi ui;
        dialog.setUi(&ui);
        dialog.findChild<QLineEdit*>(u"txtFile"_s)->setText(file);
        auto* cancel = dialog.findChild<QPushButton*>(u"cmdCancel"_s);
        auto* ok = dialog.findChild<QPushButton*>(u"cmdOK"_s);

        ui.answers = {Ui::Answer::No};
        dialog.cmdOK_Click();
        QCOMPARE(ui.lastText(), file + u" already exists.\nDo you want to replace it?"_s);
        QCOMPARE(ui.pauses, 0);

        bool okWhileRunning = true;
        ui.answers = {Ui::Answer::Yes};
        ui.onPause = [&] {
            okWhileRunning = ok->isEnabled();
            cancel->click();
        };
        dialog.cmdOK_Click();
        QVERIFY(ui.pauses > 0);
        QVERIFY(!okWhileRunning);
        QCOMPARE(dialog.findChild<QLabel*>(u"lblStatus"_s)->text(),
                 u"Export cancelled; no file was written."_s);
        QCOMPARE(readFile(file), QByteArray());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(ok->isEnabled());

        ui.onPause = nullptr;
        ui.answers = {Ui::Answer::Yes};
        dialog.cmdOK_Click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(readFile(file).startsWith("\xEF\xBB\xBFpath,name,type"));
    }

    // The Find dialog's Export button hands its matches of every image to the export.
    void exportFindResults() {
        m_window->findChild<QAction*>(u"mnuEditFind"_s)->trigger();
        frmFind* find = frmFind::instance();
        QVERIFY(find);
        auto* exportButton = find->findChild<QPushButton*>(u"cmdExport"_s);
        QVERIFY(!exportButton->isHidden() && !exportButton->isEnabled());
        find->findChild<ctlLText*>(u"ltxName"_s)->setText(u"tab*"_s);
        find->cmdSearch_Click();
        QVERIFY(exportButton->isEnabled());
        const QString file = m_cat->folder() + u"/found.csv"_s;
        onModal([&](QWidget* dialog) {
            dialog->findChild<QLineEdit*>(u"txtFile"_s)->setText(file);
            dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
        });
        exportButton->click();
        QCOMPARE(readFile(file),
                 QByteArray("\xEF\xBB\xBFimage,path,name,type,size,modified,attributes,keywords,"
                            "description,comment\r\n"
                            "\"Disk \"\"A\"\", <1> & co\",\"/q\"\"uote, comma/tab\there.txt\","
                            "tab\there.txt,file,4,2024-01-02 03:04:05,\"Read-only, Archive\","
                            "\"k1, k2\",<b>&amp;</b>,\"line1\r\nline2 \"\"q\"\"\"\r\n"
                            "Other,/tab\there.txt,tab\there.txt,file,4,,Archive,,,\r\n"));
    }

    // Tools > Duplicates... lists groups with their copies, or what one image alone holds, and
    // a copy opened from the list shows in the main window.
    void duplicatesDialog() {
        frmDupes dialog(m_window.get(), m_window.get());
        ScriptedUi ui;
        dialog.setUi(&ui);
        auto* list = dialog.findChild<QTreeWidget*>(u"lsvDupes"_s);
        auto* show = dialog.findChild<QComboBox*>(u"cboShow"_s);
        auto* count = dialog.findChild<QLabel*>(u"lblCount"_s);
        dialog.cmdSearch_Click();
        QCOMPARE(list->topLevelItemCount(), 1);
        QTreeWidgetItem* group = list->topLevelItem(0);
        QCOMPARE(group->text(0), u"tab\there.txt"_s);
        QCOMPARE(group->childCount(), 2);
        QCOMPARE(group->child(0)->text(0), OddNamesCatalogue::rows()[1].path);
        QCOMPARE(group->child(1)->text(2), u"Other"_s);
        QCOMPARE(count->text(), u"1 files held more than once, 2 copies in all."_s);

        list->setCurrentItem(group->child(0));
        dialog.lsvDupes_DblClick();
        QCOMPARE(m_window->currentImageId(), 1);
        QCOMPARE(m_window->listedFolderId(), 1);

        dialog.findChild<QLineEdit*>(u"txtMinSize"_s)->setText(u"5"_s);
        dialog.cmdSearch_Click();
        QCOMPARE(list->topLevelItemCount(), 0);
        dialog.findChild<QLineEdit*>(u"txtMinSize"_s)->setText(u"-5"_s);
        dialog.cmdSearch_Click();
        QCOMPARE(ui.lastText(), u"The smallest size must be a number of bytes."_s);

        show->setCurrentIndex(show->findData(1));
        dialog.cmdSearch_Click();
        QStringList paths;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            paths << list->topLevelItem(i)->text(0);
        const auto rows = OddNamesCatalogue::rows();
        QCOMPARE(paths, (QStringList{rows[2].path, rows[4].path, rows[5].path}));
        QCOMPARE(count->text(), u"3 files are on no other image."_s);
    }
};

QTEST_MAIN(TestExportDialogs)
#include "tst_exportdialogs.moc"
