#include "CatalogueFixture.h"
#include "PropFindCatalogue.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "browser/guiContentsView.h"
#include "browser/guiKeyTree.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/mdlConvert.h"
#include "controls/ctlLText.h"
#include "search/NameIndex.h"
#include "search/frmFind.h"
#include "search/mdlFind.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using Item = PropFindCatalogue::Item;

Q_DECLARE_METATYPE(FindCriteria)

namespace {

FindCriteria byName(const QString& name, const QString& msdosName = {},
                    const QString& keywords = {}, const QString& comment = {}) {
    FindCriteria c;
    c.name = name;
    c.msdosName = msdosName;
    c.keywords = keywords;
    c.comment = comment;
    return c;
}

} // namespace

class TestFind : public QObject {
    Q_OBJECT

    std::unique_ptr<PropFindCatalogue> m_cat;

private slots:
    void init() {
        m_cat = std::make_unique<PropFindCatalogue>();
        m_cat->addImage(3, u"Work"_s);
        m_cat->addImage(4, u"Backup \"old\""_s);
        // image|ID|parent|type|name|MS-DOS name|keywords|comment; type 7 is neither folder nor file
        for (const QString& row :
             {u"3|12|0|0|Docs|DOCS||"_s, u"3|57|12|1|readme.txt|README.TXT||"_s,
              u"3|58|12|1|README.md|||"_s, u"3|59|0|1|notes.txt||weekly backup|say \"hi\""_s,
              u"3|60|0|1|file7.txt||backup|"_s, u"3|61|0|1|Ärger.txt|||C:\\temp"_s,
              u"3|62|0|1|[draft].doc|||"_s, u"3|13|12|0|Sub|||"_s, u"4|1|0|0|readme|||"_s,
              u"4|2|1|7|readme.old|||"_s}) {
            const QStringList f = row.split(u'|');
            const auto text = [](const QString& t) { return t.isEmpty() ? QVariant() : t; };
            Item i;
            i.id = f[1].toInt();
            i.parentId = f[2].toInt();
            i.type = f[3].toInt();
            i.name = f[4];
            i.msdosName = text(f[5]);
            i.keywords = text(f[6]);
            i.comment = text(f[7]);
            m_cat->addItem(f[0].toInt(), i);
        }
    }

    void cleanup() {
        delete frmFind::instance();
        m_cat.reset();
    }

private:
    // Image 5: folder 200 "many folder", then files many150.dat .. many1.dat in it, in that order;
    // sizes (ID * 37) % 1000.
    void addMany(bool indexed) {
        m_cat->addImage(5, u"Many"_s);
        Transaction t(db());
        for (int id = 200; id >= 1; id = id == 200 ? 150 : id - 1) {
            Item i;
            i.id = id;
            i.parentId = id == 200 ? 0 : 200;
            i.type = id == 200 ? 0 : 1;
            i.name = id == 200 ? u"many folder"_s : u"many%1.dat"_s.arg(id);
            i.size = (id * 37) % 1000;
            m_cat->addItem(5, i);
        }
        QVERIFY(!indexed || NameIndex::addImage(db(), 5));
        QVERIFY(t.commit());
    }

private slots:
    void patterns_data() {
        QTest::addColumn<FindCriteria>("criteria");
        QTest::addColumn<QStringList>("found"); // or the message of a refusal
        QTest::newRow("exact name, any case")
            << byName(u"README.TXT"_s) << QStringList{u"readme.txt"_s};
        QTest::newRow("contains") << byName(u"*readme*"_s)
                                  << QStringList{u"readme.txt"_s, u"README.md"_s, u"readme"_s};
        QTest::newRow("name and keywords")
            << byName(u"*.txt"_s, {}, u"*backup*"_s) << QStringList{u"notes.txt"_s, u"file7.txt"_s};
        QTest::newRow("double quote in pattern")
            << byName({}, {}, {}, u"*\"hi\"*"_s) << QStringList{u"notes.txt"_s};
        QTest::newRow("backslash")
            << byName({}, {}, {}, u"C:\\temp"_s) << QStringList{u"Ärger.txt"_s};
        QTest::newRow("MS-DOS name; Null never matches")
            << byName({}, u"readme.*"_s) << QStringList{u"readme.txt"_s};
        QTest::newRow("lone star lists folders and files only")
            << byName(u"*"_s)
            << u"Docs readme.txt README.md notes.txt file7.txt Ärger.txt [draft].doc Sub readme"_s
                   .split(u' ');
        QTest::newRow("all empty")
            << FindCriteria{} << QStringList{u"Enter at least one search field."_s};
        QTest::newRow("unclosed bracket")
            << byName(u"a[bc"_s)
            << QStringList{u"Name: The pattern \"a[bc\" has a \"[\" without its \"]\"."_s};
        QTest::newRow("very long")
            << byName(QString(256, u'a'))
            << QStringList{u"The Name field is too long: at most 255 characters."_s};
    }

    void patterns() {
        QFETCH(FindCriteria, criteria);
        QFETCH(QStringList, found);
        QList<FindMatch> matches;
        QString message;
        bool engineError = true;
        QStringList names;
        if (!RunFind(db(), criteria, &matches, &message, &engineError))
            names << message;
        for (const FindMatch& m : matches)
            names << m.itemName;
        QCOMPARE(names, found);
        QVERIFY(!engineError);
    }

    // Match keys read back (the dialog and the command line show them made), paths (a path too
    // deep to show whole shows its innermost folders after "…/") and the count under the list.
    void keysPathsAndCounts() {
        qint32 a = 0, b = 0, c = 0;
        QVERIFY(ParseMatchKey(u"I3I57I12"_s, &a, &b, &c));
        QCOMPARE((QList<qint32>{a, b, c}), (QList<qint32>{3, 57, 12}));
        QVERIFY(ParseMatchKey(u"I4I0I-1"_s, &a, &b, &c) && c == -1); // an imported root row
        for (const char* bad : {"", "I3I57", "X3I5I6", "I3IaI6", "I3I5I6I7"})
            QVERIFY2(!ParseMatchKey(QLatin1String(bad), &a, &b, &c), bad);
        QCOMPARE(ItemFullPath(db(), 3, 12, 57, u"readme.txt"_s), u"/Docs/readme.txt"_s);
        QCOMPARE(ItemFullPath(db(), 3, 0, 12, u"Docs"_s), u"/Docs"_s);
        QCOMPARE(ItemFullPath(db(), 4, -1, 0, u"root"_s), u"/"_s);

        QVERIFY(db().Execute(u"WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM c WHERE "
                             "n < 20000) INSERT INTO Items (ID, ImageID, ParentID, Type, Name) "
                             "SELECT n, 9, n-1, 0, 'd'||n FROM c"_s));
        const std::pair<int, QString> depths[] = {
            {4096, u"/d1/d2/"_s}, {4097, u"\u2026/d2/d3/"_s}, {20000, u"\u2026/d15905/d15906/"_s}};
        for (const auto& [depth, begins] : depths) {
            const QString path = ItemFullPath(db(), 9, depth, 30000, u"f"_s);
            QVERIFY2(path.startsWith(begins), qPrintable(path.left(40)));
            QVERIFY(path.endsWith(u"/d%1/f"_s.arg(depth)));
            QCOMPARE(path.count(u'/'), 4097);
        }

        const std::pair<qint64, const char*> summaries[] = {
            {1, "1 match"},
            {0, "0 matches"},
            {2345, "100 of 2,345 matches shown; narrow the search"},
            {-1, "100 of more than 100 matches shown; narrow the search"}};
        for (const auto& [total, text] : summaries) {
            FindOutcome outcome;
            outcome.matches.resize(total >= 0 && total < 100 ? total : 100);
            outcome.total = total;
            QCOMPARE(FindSummaryText(outcome), QLatin1String(text));
        }
    }

    // The dialog: refusals keep the list, the rows with their image, folder, size and key, sorting
    // by a header click (twice turns it round), the count under the list, and engine failures.
    void dialog() {
        addMany(true);
        ScriptedUi ui;
        frmFind dialog(nullptr, nullptr);
        dialog.setUi(&ui);
        auto* list = dialog.findChild<QTreeWidget*>(u"lsvFound"_s);
        auto* count = dialog.findChild<QLabel*>(u"lblCount"_s);
        auto* name = dialog.findChild<ctlLText*>(u"ltxName"_s);
        QVERIFY(list && count && name && list->isHidden());
        dialog.cmdSearch_Click();
        QCOMPARE(ui.texts(), QStringList{u"Enter at least one search field."_s});
        QVERIFY(list->isHidden());

        auto row = [&](int at) { // the texts, key, type and whether it has a folder picture
            const QTreeWidgetItem* r = list->topLevelItem(at);
            return u"%1|%2|%3|%4|%5|%6|%7"_s.arg(
                r->text(0), r->text(1), r->text(2), r->text(3), r->data(0, Qt::UserRole).toString(),
                r->data(0, Qt::UserRole + 1).toString(), r->icon(0).isNull() ? u"-"_s : u"icon"_s);
        };
        name->setText(u"*readme*"_s);
        dialog.cmdSearch_Click();
        QCOMPARE(ui.busyDepth, 0);
        QVERIFY(!list->isHidden());
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(row(0), u"readme.txt|Work|/Docs|%1|I3I57I12|1|-"_s.arg(SizeText(0)));
        QCOMPARE(row(2), u"readme|Backup \"old\"|/|%1|I4I1I0|0|icon"_s.arg(SizeText(0)));
        QCOMPARE(count->text(), u"3 matches"_s);
        name->setText(u"[x"_s);
        dialog.cmdSearch_Click();
        QCOMPARE(list->topLevelItemCount(), 3);

        name->setText(u"MANY*"_s);
        dialog.cmdSearch_Click();
        QCOMPARE(list->topLevelItemCount(), 100);
        QCOMPARE(count->text(), u"100 of 151 matches shown; narrow the search"_s);
        QCOMPARE(row(1), u"many150.dat|Many|/many folder|%1|I5I150I200|1|-"_s.arg(SizeText(550)));
        auto sizes = [&] {
            QList<qint64> out;
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                out << list->topLevelItem(i)->data(3, Qt::UserRole + 2).toLongLong();
            return out;
        };
        emit list->header()->sectionClicked(3);
        QList<qint64> sorted = sizes();
        QVERIFY(std::is_sorted(sorted.begin(), sorted.end()) && sorted.first() < sorted.last());
        emit list->header()->sectionClicked(3);
        sorted = sizes();
        QVERIFY(std::is_sorted(sorted.rbegin(), sorted.rend()) && sorted.first() > sorted.last());
        emit list->header()->sectionClicked(0);
        QCOMPARE(list->topLevelItem(0)->text(0), u"many folder"_s);
        QCOMPARE(list->topLevelItem(1)->text(0), u"many100.dat"_s);

        // An engine failure is reported and leaves an empty list and the normal pointer.
        name->setText(u"*"_s);
        db().Execute(u"DROP TABLE Images"_s);
        ui.clear();
        dialog.cmdSearch_Click();
        QCOMPARE(ui.texts().size(), 1);
        QVERIFY2(ui.lastText().startsWith(u"Database error number "_s), qPrintable(ui.lastText()));
        QCOMPARE(list->topLevelItemCount(), 0);
        QCOMPARE(ui.busyDepth, 0);

        // One modeless instance, deleted when closed by its button or by Escape.
        QWidget owner;
        frmFind* first = frmFind::showFor(&owner, nullptr);
        QCOMPARE(first->parentWidget(), &owner);
        first->findChild<QPushButton*>(u"cmdCancel"_s)->click();
        QTRY_VERIFY(frmFind::instance() == nullptr); // deleted once closed
        // Escape closes it the same way.
        QTest::keyClick(frmFind::showFor(&owner, nullptr), Qt::Key_Escape);
        QTRY_VERIFY(frmFind::instance() == nullptr);
    }

    // Showing a match itself picks the image, the folder in the folder tree when it is shown, and
    // the row in the contents list; a double-click on a row of the dialog does the same.
    void showMatchInMainWindow_data() {
        QTest::addColumn<bool>("folderTree");
        QTest::newRow("folder tree shown") << true;
        QTest::newRow("folder tree hidden") << false;
    }

    void showMatchInMainWindow() {
        QFETCH(bool, folderTree);
        m_cat->close();
        ScriptedUi ui;
        frmMain window;
        window.setUi(&ui);
        window.show();
        QString path = m_cat->path();
        QVERIFY(OpenCatalogue(path, true, false, ui, &window));
        auto* folders = window.findChild<QTreeWidget*>(QStringLiteral("trvMain"));
        folders->setVisible(folderTree);
        auto shown = [&](qint32 image, qint32 folder, const QString& key) {
            const QTreeWidgetItem* node =
                window.findChild<QTreeWidget*>(QStringLiteral("trvNodes"))->currentItem();
            QVERIFY(node);
            QCOMPARE(node->data(0, Qt::UserRole).toString(), QStringLiteral("I%1").arg(image));
            QCOMPARE(window.currentImageId(), image);
            QCOMPARE(window.listedFolderId(), folder);
            QCOMPARE(window.contentsView()->selectedKey(), key);
            if (folderTree)
                QCOMPARE(KeyTree::keyOf(folders->currentItem()), QStringLiteral("K%1").arg(folder));
        };
        ShowMatch(window, 3, 57, 12, 1); // readme.txt, last in its folder
        shown(3, 12, u"K57"_s);
        QVERIFY(!folderTree || window.folderEntry(u"K13"_s)); // the folder's subfolders loaded

        // The dialog's rows: readme.txt (I3I57I12), README.md, readme (I4I1I0).
        frmFind dialog(&window, &window);
        dialog.setUi(&ui);
        dialog.show();
        dialog.findChild<ctlLText*>(u"ltxName"_s)->setText(u"*readme*"_s);
        dialog.cmdSearch_Click();
        auto* list = dialog.findChild<QTreeWidget*>(u"lsvFound"_s);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // QTest's double-click does not reach an item view here, so the event is sent itself.
        auto doubleClick = [&](int at) {
            const QPoint centre = list->visualItemRect(list->topLevelItem(at)).center();
            QTest::mousePress(list->viewport(), Qt::LeftButton, {}, centre);
            QMouseEvent dbl(QEvent::MouseButtonDblClick, centre,
                            list->viewport()->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                            {});
            QCoreApplication::sendEvent(list->viewport(), &dbl);
            QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
        };
        doubleClick(2);
        shown(4, 0, u"F1"_s);
        doubleClick(0);
        shown(3, 12, u"K57"_s);
        CloseCatalogue(&window);
    }

    // ledra-cli find: one line per match, --limit and --count, refusals with exit code 2.
    void cliFind() {
        m_cat->close();
        const QString readme = u"I3I57I12\t1\tWork\treadme.txt\t/Docs/readme.txt\n"_s;
        const QString all = readme + u"I3I58I12\t1\tWork\tREADME.md\t/Docs/README.md\n"
                                     "I4I1I0\t0\tBackup \"old\"\treadme\t/readme\n"_s;
        const struct {
            QString args;
            int exit;
            QString out; // stdout, or the start of stderr when the run fails
        } runs[] = {
            {u"--name *readme*"_s, 0, all},
            {{}, 2, u"Enter at least one search field."_s},
            {u"--keywords=*backup* --name *.TXT"_s, 0,
             u"I3I59I0\t1\tWork\tnotes.txt\t/notes.txt\nI3I60I0\t1\tWork\tfile7.txt\t/file7.txt\n"_s},
            {u"--name *readme* --limit 1"_s, 0, readme},
            {u"--name *readme* --count --limit 1"_s, 0, u"3\n"_s},
            {u"--name *readme* --limit -1"_s, 2, u"The limit must be a whole number"_s},
        };
        for (const auto& run : runs) {
            const CliRun r = runCli(QStringList{u"find"_s, m_cat->path()} +
                                    run.args.split(u' ', Qt::SkipEmptyParts));
            QCOMPARE(r.code, run.exit);
            QVERIFY2(run.exit == 0 ? r.out == run.out : r.err.startsWith(run.out),
                     qPrintable(r.err));
        }
    }
};

QTEST_MAIN(TestFind)
#include "tst_find.moc"
