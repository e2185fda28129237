// The export writers and the duplicates search, through their procedures, `ledra-cli` and the
// Export and Duplicates dialogs driven from the main window.
#include "CatalogueFixture.h"
#include "DiskScanSupport.h"
#include "OddNamesCatalogue.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "controls/ctlLText.h"
#include "export/frmDupes.h"
#include "export/frmExport.h"
#include "export/mdlDupes.h"
#include "export/mdlExport.h"
#include "search/frmFind.h"
#include "search/mdlFind.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// Reads an export back with Python's own csv and json modules and prints its rows as one JSON
// array of objects. The HTML page's rows are its embedded data, with each path built from the
// parent IDs the way the page's script builds them.
const char kParser[] = R"PY(
import csv, json, re, sys
path, fmt = sys.argv[1], sys.argv[2]
rows = []
if fmt == "csv":
    with open(path, newline="", encoding="utf-8-sig") as f:
        rows = list(csv.DictReader(f))
elif fmt == "jsonl":
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    assert lines[-1] == ""
    rows = [json.loads(line) for line in lines[:-1]]
else:
    with open(path, encoding="utf-8") as f:
        page = f.read()
    m = re.search(r'<script type="application/json" id="ledra-data">(.*?)</script>', page, re.S)
    data = json.loads(m.group(1))
    folders = {i[0]: i for i in data["items"] if i[2] == 0}
    for i in data["items"]:
        parts, p = [i[3]], i[1]
        while p != data["root"] and p in folders:
            parts.append(folders[p][3]); p = folders[p][1]
        rows.append({"path": data["base"] + "/".join(reversed(parts)), "name": i[3],
                     "type": "folder" if i[2] == 0 else "file", "size": i[4], "sizeText": i[5]})
    rows.append({"outside": page[:m.start()] + page[m.end():]})
print(json.dumps(rows))
)PY";

QJsonArray parseBack(const QString& file, const QString& format) {
    QProcess p;
    p.start(QStandardPaths::findExecutable(u"python3"_s),
            {u"-c"_s, QLatin1String(kParser), file, format});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("parser: %s", p.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

// Runs step on the next modal dialog once it is shown.
void onModal(std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, [step] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            step(dialog);
    });
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT

    std::unique_ptr<OddNamesCatalogue> m_cat;
    std::unique_ptr<frmMain> m_window;
    ScriptedUi m_ui;

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(u"python3"_s).isEmpty())
            QFAIL("python3 is needed to read the exports back (scripts/install-deps.sh)");
        m_cat = std::make_unique<OddNamesCatalogue>();
        // For the duplicates: images 11 to 14 named A to D, with answers known by hand.
        auto file = [this](qint32 image, qint32 id, qint32 parent, const QString& name, qint64 size,
                           int type = 1) {
            m_cat->addItem(
                image, {.id = id, .parentId = parent, .type = type, .name = name, .size = size});
        };
        m_cat->addImage(11, u"A"_s);
        file(11, 10, 0, u"docs"_s, 0, 0);
        file(11, 11, 10, u"a.txt"_s, 100);
        file(11, 12, 0, u"b.txt"_s, 50);
        file(11, 13, 0, u"big.iso"_s, 5000);
        file(11, 14, 0, u"a.txt"_s, 100); // a copy within the image
        file(11, 15, 0, u"A.TXT"_s, 100); // letter case tells names apart
        file(11, 16, 0, u"c.txt"_s, 7);
        file(11, 17, 0, u"only\tone, \"x\""_s, 1);
        file(11, 18, 0, u"b.txt"_s, 51); // another size
        file(11, 19, 0, u"zero"_s, 0);
        file(11, 20, 10, u"twice.dat"_s, 9); // two copies, both on this image only
        file(11, 21, 0, u"twice.dat"_s, 9);
        m_cat->addImage(12, u"B"_s);
        file(12, 1, 0, u"big.iso"_s, 5000);
        file(12, 2, 0, u"a.txt"_s, 100);
        file(12, 3, 0, u"b.txt"_s, 50, 0); // a folder is never a copy
        file(12, 4, 0, u"c.txt"_s, 8);
        m_cat->addImage(13, u"C"_s);
        file(13, 1, 0, u"b.txt"_s, 50);
        file(13, 2, 0, u"zero"_s, 0);
        m_cat->addImage(14, u"D"_s); // small among the others: read through the index
        file(14, 1, 0, u"lonely.txt"_s, 3);
    }
    void cleanup() {
        delete frmFind::instance();
        m_window.reset();
    }

    void formats_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("folder"); // --folder, or empty for the whole image
        QTest::addColumn<QList<qint32>>("ids");
        const QList<qint32> all{1, 2, 3, 4, 5, 6, 7};
        for (const char* f : {"csv", "jsonl", "html"}) {
            QTest::addRow("%s whole image", f) << QString::fromLatin1(f) << QString() << all;
            QTest::addRow("%s below a folder", f)
                << QString::fromLatin1(f) << u"1"_s << QList<qint32>{2, 3, 4, 5};
        }
        QTest::newRow("html below a deeper folder") << u"html"_s << u"4"_s << QList<qint32>{5};
    }
    // Every row comes back, field for field, through a real parser of the format.
    void formats() {
        QFETCH(QString, format);
        QFETCH(QString, folder);
        QFETCH(QList<qint32>, ids);
        const QString file = m_cat->folder() + u"/out."_s + format;
        QStringList args{u"export"_s, m_cat->path(), u"1"_s, u"--format"_s, format, u"-o"_s, file};
        if (!folder.isEmpty())
            args << u"--folder"_s << folder;
        const CliRun r = runCli(args);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.isEmpty());
        QJsonArray back = parseBack(file, format);
        if (format == u"html") {
            const QString outside = back.takeAt(back.size() - 1).toObject()[u"outside"].toString();
            // Names reach the page only as escaped text or inside the JSON data.
            QVERIFY(outside.contains(u"Disk &quot;A&quot;, &lt;1&gt; &amp; co"_s));
            for (const char* raw : {"<1>", "<b>", "<sub>", "co\""})
                QVERIFY2(!outside.contains(QLatin1String(raw)), raw);
            // Nothing is loaded from elsewhere.
            QVERIFY(!outside.contains(u"src="_s) && !outside.contains(u"href="_s));
        }
        QCOMPARE(back.size(), ids.size());
        const auto rows = OddNamesCatalogue::rows(); // row k holds item k + 1
        for (int k = 0; k < ids.size(); ++k) {
            const auto& want = rows.at(ids[k] - 1);
            const QJsonObject got = back[k].toObject();
            QCOMPARE(got[u"path"].toString(), want.path);
            QCOMPARE(got[u"name"].toString(), want.name);
            QCOMPARE(got[u"type"].toString(), want.folder ? u"folder"_s : u"file"_s);
            if (format == u"html") {
                // Folders show everything below them.
                QCOMPARE(qint64(got[u"size"].toDouble()), want.treeSize);
                continue;
            }
            QCOMPARE(got[u"size"].toVariant().toLongLong(), want.size);
            QCOMPARE(got[u"modified"].toString(), want.modified);
            QCOMPARE(got[u"attributes"].toString(), want.attributes);
            QCOMPARE(got[u"keywords"].toString(), want.keywords);
            QCOMPARE(got[u"description"].toString(), want.description);
            QCOMPARE(got[u"comment"].toString(), want.comment);
        }
    }

    // Standard output carries the file (its byte order mark, which the reading drops, shows in the
    // dialog test below); the root's own row of an imported image is the root, not an item.
    // Commas, quotes and line breaks in names go through the parser above; a lone CR, which no
    // name of the catalogue holds, must be quoted too, and spaces or semicolons need no quotes.
    void csv() {
        const CliRun r = runCli({u"export"_s, m_cat->path(), u"2"_s, u"--format=CSV"_s});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"path,name,type,size,modified,attributes,keywords,description,comment\r\n"
                        "/tab\there.txt,tab\there.txt,file,4,,Archive,,,\r\n"_s);
        QCOMPARE(CsvField(u"a b;c"_s), QByteArray("a b;c"));
        QCOMPARE(CsvField(u"a\rb"_s), QByteArray("\"a\rb\""));
    }

    void refused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");
        QTest::newRow("unknown image") << QStringList{u"9"_s, u"--format"_s, u"csv"_s} << 1
                                       << u"There is no image 9 in the catalogue.\n"_s;
        QTest::newRow("a file is no folder")
            << QStringList{u"1"_s, u"--format"_s, u"csv"_s, u"--folder"_s, u"2"_s} << 1
            << u"There is no folder 2 in image 1.\n"_s;
        QTest::newRow("folder of another image")
            << QStringList{u"2"_s, u"--format"_s, u"csv"_s, u"--folder"_s, u"1"_s} << 1
            << u"There is no folder 1 in image 2.\n"_s;
        QTest::newRow("no format")
            << QStringList{u"1"_s} << 2 << u"Option --format is needed: csv, html or jsonl.\n"_s;
        QTest::newRow("unknown format") << QStringList{u"1"_s, u"--format"_s, u"xml"_s} << 2
                                        << u"Unknown format xml: use csv, html or jsonl.\n"_s;
        QTest::newRow("image not a number")
            << QStringList{u"x"_s, u"--format"_s, u"csv"_s} << 2 << QString();
    }
    // A refused export says why and leaves the file it was to replace as it was.
    void refused() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, err);
        const QString file = m_cat->folder() + u"/keep.csv"_s;
        QVERIFY(writeBytes(file, "keep"));
        const CliRun r =
            runCli(QStringList{u"export"_s, m_cat->path()} + args + QStringList{u"-o"_s, file});
        QCOMPARE(r.code, code);
        if (!err.isEmpty())
            QCOMPARE(r.err, err);
        QCOMPARE(readBytes(file), QByteArray("keep"));
    }

    // Cancel, a name that cannot be replaced and a device that refuses to write each end the
    // export with nothing half-written left behind.
    void cancelledOrFailed_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("cancel") << u"cancel"_s;
        QTest::newRow("target is a folder") << u"folder"_s;
        QTest::newRow("device refuses") << u"device"_s;
    }
    void cancelledOrFailed() {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QString file = dir.filePath(u"out.jsonl"_s);
        if (how == u"folder")
            QVERIFY(QDir().mkdir(file));
        else
            QVERIFY(writeBytes(file, "old"));
        ExportScope scope;
        scope.imageId = 1;
        QString message;
        ExportResult r;
        if (how == u"device") {
            QBuffer device; // open for reading only: every write fails
            device.open(QIODevice::ReadOnly);
            std::unique_ptr<ExportWriter> writer = MakeExportWriter(ExportFormat::Csv, &device);
            r = RunExport(db(), scope, *writer, {}, &message);
            QCOMPARE(message, u"The export could not be written."_s);
        } else {
            r = ExportToFile(
                db(), scope, ExportFormat::Jsonl, file,
                [&](qint64, qint64) { return how != u"cancel"; }, &message);
        }
        QCOMPARE(r, how == u"cancel" ? ExportResult::Cancelled : ExportResult::Failed);
        if (how == u"folder") {
            QVERIFY2(message.startsWith(file), qPrintable(message));
            QVERIFY(QFileInfo(file).isDir());
        } else {
            QCOMPARE(readBytes(file), QByteArray("old"));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"out.jsonl"_s});
    }

    // The Find dialog's results: items of several images, each row naming its image, and an
    // item gone meanwhile left out (the dialog's export below checks the CSV of such rows).
    void chosenItems() {
        ExportScope scope;
        scope.kind = ExportScope::Kind::Items;
        scope.items = {{2, 1}, {1, 5}, {1, 99}, {1, 4}};
        const QString file = m_cat->folder() + u"/found.jsonl"_s;
        QString message;
        QCOMPARE(ExportToFile(db(), scope, ExportFormat::Jsonl, file, {}, &message),
                 ExportResult::Done);
        QStringList got;
        for (const QJsonValue& v : parseBack(file, u"jsonl"_s))
            got << v[u"image"].toString() + u'|' + v[u"path"].toString();
        const QString odd = OddNamesCatalogue::imageName() + u'|';
        QCOMPARE(got,
                 (QStringList{u"Other|/tab\there.txt"_s, odd + OddNamesCatalogue::rows()[4].path,
                              odd + OddNamesCatalogue::rows()[3].path}));
    }

    // Every size, largest first.
    void duplicates() {
        QStringList groups;
        QString message;
        QVERIFY(FindDuplicates(
            db(), 0,
            [&](const DuplicateGroup& g) {
                QStringList copies;
                for (const FileCopy& c : g.copies)
                    copies << u"%1:%2:%3"_s.arg(c.imageName).arg(c.itemId).arg(c.path);
                groups << u"%1 %2 = %3"_s.arg(g.name).arg(g.size).arg(copies.join(u", "_s));
            },
            &message));
        QCOMPARE(groups, (QStringList{
                             u"big.iso 5000 = A:13:/big.iso, B:1:/big.iso"_s,
                             u"a.txt 100 = A:11:/docs/a.txt, A:14:/a.txt, B:2:/a.txt"_s,
                             u"b.txt 50 = A:12:/b.txt, C:1:/b.txt"_s,
                             u"twice.dat 9 = A:20:/docs/twice.dat, A:21:/twice.dat"_s,
                             u"tab\there.txt 4 = %1:2:%2, Other:1:/tab\there.txt"_s.arg(
                                 OddNamesCatalogue::imageName(), OddNamesCatalogue::rows()[1].path),
                             u"zero 0 = A:19:/zero, C:2:/zero"_s,
                         }));
    }

    void singleCopies_data() {
        QTest::addColumn<qint32>("image");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("copies within the image are lost with it too")
            << 11 << QStringList{u"15 100 /A.TXT"_s,          u"16 7 /c.txt"_s,
                                 u"17 1 /only\tone, \"x\""_s, u"18 51 /b.txt"_s,
                                 u"20 9 /docs/twice.dat"_s,   u"21 9 /twice.dat"_s};
        QTest::newRow("small image") << 14 << QStringList{u"1 3 /lonely.txt"_s};
    }
    void singleCopies() {
        QFETCH(qint32, image);
        QStringList got;
        QString message;
        QVERIFY(FindSingleCopies(
            db(), image,
            [&](const ImageFile& f) { got << u"%1 %2 %3"_s.arg(f.itemId).arg(f.size).arg(f.path); },
            &message));
        QTEST(got, "expected");
    }

    // `dupes` and `single-copy`: tab records numbered by group, JSON objects read back by Qt's
    // parser, refusals.
    void dupesCommandLine() {
        const QString cat = m_cat->path();
        CliRun r = runCli({u"dupes"_s, cat, u"--min-size"_s, u"100"_s});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.toUtf8(),
                 QByteArray("1\t5000\tbig.iso\t11\tA\t/big.iso\n1\t5000\tbig.iso\t12\tB\t/big.iso\n"
                            "2\t100\ta.txt\t11\tA\t/docs/a.txt\n2\t100\ta.txt\t11\tA\t/a.txt\n"
                            "2\t100\ta.txt\t12\tB\t/a.txt\n"));

        r = runCli({u"dupes"_s, cat, u"--json"_s});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.trimmed().split(u'\n');
        QCOMPARE(lines.size(), 6);
        const QJsonObject second = QJsonDocument::fromJson(lines[1].toUtf8()).object();
        QCOMPARE(second[u"name"].toString(), u"a.txt"_s);
        QCOMPARE(second[u"size"].toInteger(), 100);
        QCOMPARE(second[u"copies"].toArray().size(), 3);
        QCOMPARE(second[u"copies"][0].toObject(), (QJsonObject{{u"image"_s, u"A"_s},
                                                               {u"image_id"_s, 11},
                                                               {u"id"_s, 11},
                                                               {u"path"_s, u"/docs/a.txt"_s}}));

        r = runCli({u"single-copy"_s, cat, u"11"_s, u"--json"_s});
        QCOMPARE(r.code, 0);
        QCOMPARE(QJsonDocument::fromJson(r.out.split(u'\n').value(2).toUtf8()).object(),
                 (QJsonObject{{u"name"_s, u"only\tone, \"x\""_s},
                              {u"path"_s, u"/only\tone, \"x\""_s},
                              {u"id"_s, 17},
                              {u"size"_s, 1}}));

        r = runCli({u"single-copy"_s, cat, u"9"_s});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, u"There is no image 9 in the catalogue.\n"_s);
        QCOMPARE(runCli({u"dupes"_s, cat, u"--min-size"_s, u"-1"_s}).code, 2);
        QCOMPARE(runCli({u"dupes"_s, cat, u"--min-size"_s, u"many"_s}).code, 2);
        QCOMPARE(runCli({u"single-copy"_s, cat}).code, 2);
    }

    // One window: File > Export..., Cancel mid-export and the replace question, the Find dialog's
    // Export button, and Tools > Duplicates... with a copy opened in the main window.
    void dialogs() {
        m_cat->close();
        m_window = std::make_unique<frmMain>();
        m_window->setUi(&m_ui);
        m_window->show();
        QString path = m_cat->path();
        QVERIFY(OpenCatalogue(path, true, false, m_ui, m_window.get()));
        ShowMatch(*m_window, 1, 5, 4, 1); // lists folder 4 of image 1
        const QString file = m_cat->folder() + u"/folder.csv"_s;
        onModal([&](QWidget* dialog) {
            auto* folder = dialog->findChild<QRadioButton*>(u"optFolder"_s);
            QVERIFY(folder && !folder->isHidden());
            QVERIFY(folder->text().contains(OddNamesCatalogue::rows()[3].path));
            folder->setChecked(true);
            dialog->findChild<QLineEdit*>(u"txtFile"_s)->setText(file);
            dialog->findChild<QComboBox*>(u"cboFormat"_s)->setCurrentIndex(2); // JSON Lines
            dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
        });
        m_window->findChild<QAction*>(u"mnuFileExport"_s)->trigger();
        const QList<QByteArray> lines =
            readBytes(m_cat->folder() + u"/folder.jsonl"_s).trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QCOMPARE(QJsonDocument::fromJson(lines[0]).object()[u"path"].toString(),
                 OddNamesCatalogue::rows()[4].path);
        QVERIFY(!QFile::exists(file));

        const QString image = m_cat->folder() + u"/image.csv"_s;
        QVERIFY(writeBytes(image, "old"));
        {
            frmExport dialog(m_window.get(), *m_window);
            PauseHookUi ui;
            dialog.setUi(&ui);
            dialog.findChild<QLineEdit*>(u"txtFile"_s)->setText(image);
            auto* cancel = dialog.findChild<QPushButton*>(u"cmdCancel"_s);
            auto* ok = dialog.findChild<QPushButton*>(u"cmdOK"_s);
            ui.answers = {Ui::Answer::No};
            dialog.cmdOK_Click();
            QCOMPARE(ui.lastText(), image + u" already exists.\nDo you want to replace it?"_s);
            QCOMPARE(ui.pauses, 0);

            bool okWhileRunning = true;
            ui.answers = {Ui::Answer::Yes};
            ui.onPause = [&] {
                okWhileRunning = ok->isEnabled();
                cancel->click();
            };
            dialog.cmdOK_Click();
            QVERIFY(!okWhileRunning); // checked at a pause, so one came
            QCOMPARE(dialog.findChild<QLabel*>(u"lblStatus"_s)->text(),
                     u"Export cancelled; no file was written."_s);
            QCOMPARE(readBytes(image), QByteArray("old"));
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(ok->isEnabled());

            ui.onPause = nullptr;
            ui.answers = {Ui::Answer::Yes};
            dialog.cmdOK_Click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(readBytes(image).startsWith("\xEF\xBB\xBFpath,name,type"));
        }

        m_window->findChild<QAction*>(u"mnuEditFind"_s)->trigger();
        frmFind* find = frmFind::instance();
        QVERIFY(find);
        auto* exportButton = find->findChild<QPushButton*>(u"cmdExport"_s);
        QVERIFY(!exportButton->isHidden() && !exportButton->isEnabled());
        find->findChild<ctlLText*>(u"ltxName"_s)->setText(u"tab*"_s);
        find->cmdSearch_Click();
        QVERIFY(exportButton->isEnabled());
        const QString matches = m_cat->folder() + u"/matches.csv"_s;
        onModal([&](QWidget* dialog) {
            dialog->findChild<QLineEdit*>(u"txtFile"_s)->setText(matches);
            dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
        });
        exportButton->click();
        QCOMPARE(readBytes(matches),
                 QByteArray("\xEF\xBB\xBFimage,path,name,type,size,modified,attributes,keywords,"
                            "description,comment\r\n"
                            "\"Disk \"\"A\"\", <1> & co\",\"/q\"\"uote, comma/tab\there.txt\","
                            "tab\there.txt,file,4,2024-01-02 03:04:05,\"Read-only, Archive\","
                            "\"k1, k2\",<b>&amp;</b>,\"line1\r\nline2 \"\"q\"\"\"\r\n"
                            "Other,/tab\there.txt,tab\there.txt,file,4,,Archive,,,\r\n"));

        frmDupes dialog(m_window.get(), m_window.get());
        dialog.setUi(&m_ui);
        auto* list = dialog.findChild<QTreeWidget*>(u"lsvDupes"_s);
        auto* show = dialog.findChild<QComboBox*>(u"cboShow"_s);
        auto* count = dialog.findChild<QLabel*>(u"lblCount"_s);
        dialog.cmdSearch_Click();
        QCOMPARE(list->topLevelItemCount(), 6);
        QTreeWidgetItem* group = list->topLevelItem(4); // tab\there.txt
        QCOMPARE(group->child(0)->text(0), OddNamesCatalogue::rows()[1].path);
        QCOMPARE(group->child(1)->text(2), u"Other"_s);
        QCOMPARE(count->text(), u"6 files held more than once, 13 copies in all."_s);

        list->setCurrentItem(group->child(0));
        dialog.lsvDupes_DblClick();
        QCOMPARE(m_window->currentImageId(), 1);
        QCOMPARE(m_window->listedFolderId(), 1);

        dialog.findChild<QLineEdit*>(u"txtMinSize"_s)->setText(u"5"_s);
        dialog.cmdSearch_Click();
        QCOMPARE(list->topLevelItemCount(), 4);
        dialog.findChild<QLineEdit*>(u"txtMinSize"_s)->setText(u"-5"_s);
        dialog.cmdSearch_Click();
        QCOMPARE(m_ui.lastText(), u"The smallest size must be a number of bytes."_s);

        show->setCurrentIndex(show->findData(1));
        dialog.cmdSearch_Click();
        QStringList paths;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            paths << list->topLevelItem(i)->text(0);
        const auto rows = OddNamesCatalogue::rows();
        QCOMPARE(paths, (QStringList{rows[2].path, rows[4].path, rows[5].path}));
        QCOMPARE(count->text(), u"3 files are on no other image."_s);
    }

    // A damaged folder chain (a loop) ends at the root instead of hanging the export.
    void folderLoop() {
        m_cat->addImage(4, u"Loop"_s);
        m_cat->addItem(4, {.id = 1, .parentId = 2, .type = 0, .name = u"a"_s});
        m_cat->addItem(4, {.id = 2, .parentId = 1, .type = 0, .name = u"b"_s});
        m_cat->addItem(4, {.id = 3, .parentId = 1, .name = u"x"_s});
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        std::unique_ptr<ExportWriter> writer = MakeExportWriter(ExportFormat::Jsonl, &out);
        ExportScope scope;
        scope.imageId = 4;
        QString message;
        QCOMPARE(RunExport(db(), scope, *writer, {}, &message), ExportResult::Done);
        QStringList paths;
        for (const QByteArray& line : out.data().trimmed().split('\n'))
            paths << QJsonDocument::fromJson(line)[u"path"].toString();
        QCOMPARE(paths, (QStringList{u"/b/a"_s, u"/b"_s, u"/b/a/x"_s}));
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
