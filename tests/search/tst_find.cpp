#include "PropFindCatalogue.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/mdlConvert.h"
#include "controls/ctlLText.h"
#include "search/NameIndex.h"
#include "search/frmFind.h"
#include "search/mdlFind.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using Item = PropFindCatalogue::Item;

Q_DECLARE_METATYPE(FindCriteria)

namespace {

FindCriteria byName(const QString& pattern) {
    FindCriteria c;
    c.name = pattern;
    return c;
}

QStringList names(const QList<FindMatch>& matches) {
    QStringList out;
    for (const FindMatch& m : matches)
        out << m.itemName;
    return out;
}

} // namespace

class TestFind : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void patterns_data();
    void patterns();
    void refusedCriteria_data();
    void refusedCriteria();
    void limitAndOrder();
    void keys();
    void deepPaths_data();
    void deepPaths();

    void dialogSearch();
    void dialogColumnsSortAndCount();
    void summaryText_data();
    void summaryText();
    void dialogOneInstance();
    void showMatchInMainWindow_data();
    void showMatchInMainWindow();

    void cliFind();

private:
    std::unique_ptr<PropFindCatalogue> m_cat;
};

void TestFind::init() {
    m_cat = std::make_unique<PropFindCatalogue>();
    QVERIFY(m_cat->isOpen());
    m_cat->addImage(3, QStringLiteral("Work"));
    m_cat->addImage(4, QStringLiteral("Backup \"old\""));
    const struct {
        qint32 image, id, parent, type;
        const char* name;
        const char* msdos;
        const char* keywords;
        const char* comment;
    } rows[] = {
        {3, 12, 0, 0, "Docs", "DOCS", nullptr, nullptr},
        {3, 57, 12, 1, "readme.txt", "README.TXT", nullptr, nullptr},
        {3, 58, 12, 1, "README.md", nullptr, nullptr, nullptr},
        {3, 59, 0, 1, "notes.txt", nullptr, "weekly backup", "say \"hi\""},
        {3, 60, 0, 1, "file7.txt", nullptr, "backup", nullptr},
        {3, 61, 0, 1, "Ärger.txt", nullptr, nullptr, "C:\\temp"},
        {3, 62, 0, 1, "[draft].doc", nullptr, nullptr, nullptr},
        {4, 1, 0, 0, "readme", nullptr, nullptr, nullptr},
        {4, 2, 1, 7, "readme.old", nullptr, nullptr, nullptr}, // neither folder nor file
    };
    for (const auto& r : rows) {
        Item i;
        i.id = r.id;
        i.parentId = r.parent;
        i.type = r.type;
        i.name = QString::fromUtf8(r.name);
        if (r.msdos)
            i.msdosName = QString::fromUtf8(r.msdos);
        if (r.keywords)
            i.keywords = QString::fromUtf8(r.keywords);
        if (r.comment)
            i.comment = QString::fromUtf8(r.comment);
        m_cat->addItem(r.image, i);
    }
}

void TestFind::cleanup() {
    if (frmFind* f = frmFind::instance())
        delete f;
    m_cat.reset();
}

void TestFind::patterns_data() {
    QTest::addColumn<FindCriteria>("criteria");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("exact name, any case")
        << byName(QStringLiteral("README.TXT")) << QStringList{QStringLiteral("readme.txt")};
    QTest::newRow("contains") << byName(QStringLiteral("*readme*"))
                              << QStringList{QStringLiteral("readme.txt"),
                                             QStringLiteral("README.md"), QStringLiteral("readme")};
    QTest::newRow("one character")
        << byName(QStringLiteral("?otes.txt")) << QStringList{QStringLiteral("notes.txt")};
    QTest::newRow("one digit") << byName(QStringLiteral("file#.txt"))
                               << QStringList{QStringLiteral("file7.txt")};
    QTest::newRow("digit does not match a letter")
        << byName(QStringLiteral("fil#7.txt")) << QStringList{};
    QTest::newRow("set range") << byName(QStringLiteral("[m-o]*"))
                               << QStringList{QStringLiteral("notes.txt")};
    QTest::newRow("negated set") << byName(QStringLiteral("[!a-r]*"))
                                 << QStringList{QStringLiteral("Ärger.txt"),
                                                QStringLiteral("[draft].doc")};
    QTest::newRow("bracket as literal through a set")
        << byName(QStringLiteral("[[]draft]*")) << QStringList{QStringLiteral("[draft].doc")};
    QTest::newRow("non-ASCII case")
        << byName(QStringLiteral("äRGER.TXT")) << QStringList{QStringLiteral("Ärger.txt")};
    FindCriteria both;
    both.name = QStringLiteral("*.txt");
    both.keywords = QStringLiteral("*backup*");
    QTest::newRow("name and keywords")
        << both << QStringList{QStringLiteral("notes.txt"), QStringLiteral("file7.txt")};
    FindCriteria quote;
    quote.comment = QStringLiteral("*\"hi\"*");
    QTest::newRow("double quote in pattern") << quote << QStringList{QStringLiteral("notes.txt")};
    FindCriteria backslash;
    backslash.comment = QStringLiteral("C:\\temp");
    QTest::newRow("backslash") << backslash << QStringList{QStringLiteral("Ärger.txt")};
    FindCriteria msdos;
    msdos.msdosName = QStringLiteral("readme.*");
    QTest::newRow("MS-DOS name; Null never matches")
        << msdos << QStringList{QStringLiteral("readme.txt")};
    QTest::newRow("lone star lists folders and files only")
        << byName(QStringLiteral("*"))
        << QStringList{QStringLiteral("Docs"),        QStringLiteral("readme.txt"),
                       QStringLiteral("README.md"),   QStringLiteral("notes.txt"),
                       QStringLiteral("file7.txt"),   QStringLiteral("Ärger.txt"),
                       QStringLiteral("[draft].doc"), QStringLiteral("readme")};
    QTest::newRow("no match") << byName(QStringLiteral("nothing*")) << QStringList{};
}

void TestFind::patterns() {
    QFETCH(FindCriteria, criteria);
    QFETCH(QStringList, found);
    QList<FindMatch> matches;
    QString message;
    QVERIFY2(RunFind(db(), criteria, &matches, &message), qPrintable(message));
    QCOMPARE(names(matches), found);
}

void TestFind::refusedCriteria_data() {
    QTest::addColumn<FindCriteria>("criteria");
    QTest::addColumn<QString>("message");
    QTest::newRow("all empty") << FindCriteria{}
                               << QStringLiteral("Enter at least one search field.");
    QTest::newRow("unclosed bracket")
        << byName(QStringLiteral("a[bc"))
        << QStringLiteral("Name: The pattern \"a[bc\" has a \"[\" without its \"]\".");
    QTest::newRow("very long") << byName(QString(256, u'a'))
                               << QStringLiteral(
                                      "The Name field is too long: at most 255 characters.");
}

void TestFind::refusedCriteria() {
    QFETCH(FindCriteria, criteria);
    QFETCH(QString, message);
    QList<FindMatch> matches;
    QString got;
    bool engineError = true;
    QVERIFY(!RunFind(db(), criteria, &matches, &got, &engineError));
    QCOMPARE(got, message);
    QVERIFY(!engineError);
    QVERIFY(matches.isEmpty());
}

void TestFind::limitAndOrder() {
    // 150 matches in image 5, written in reverse ID order: exactly 100, in written order.
    m_cat->addImage(5, QStringLiteral("Many"));
    Transaction t(db());
    for (int id = 150; id >= 1; --id) {
        Item i;
        i.id = id;
        i.name = QStringLiteral("many%1.dat").arg(id);
        m_cat->addItem(5, i);
    }
    QVERIFY(t.commit());
    QList<FindMatch> matches;
    QString message;
    QVERIFY(RunFind(db(), byName(QStringLiteral("many*")), &matches, &message));
    QCOMPARE(matches.size(), kFindLimit);
    QCOMPARE(matches.first().itemId, 150);
    QCOMPARE(matches.last().itemId, 51);
}

void TestFind::keys() {
    FindMatch m;
    m.imageId = 3;
    m.itemId = 57;
    m.parentId = 12;
    QCOMPARE(m.key(), QStringLiteral("I3I57I12"));
    qint32 a = 0, b = 0, c = 0;
    QVERIFY(ParseMatchKey(QStringLiteral("I3I57I12"), &a, &b, &c));
    QCOMPARE((QList<qint32>{a, b, c}), (QList<qint32>{3, 57, 12}));
    // The root row of an imported image hangs under -1.
    QVERIFY(ParseMatchKey(QStringLiteral("I4I0I-1"), &a, &b, &c));
    QCOMPARE(c, -1);
    for (const char* bad : {"", "I3I57", "X3I5I6", "I3IaI6", "I3I5I6I7"})
        QVERIFY2(!ParseMatchKey(QLatin1String(bad), &a, &b, &c), bad);
    QCOMPARE(ItemFullPath(db(), 3, 12, 57, QStringLiteral("readme.txt")),
             QStringLiteral("/Docs/readme.txt"));
    QCOMPARE(ItemFullPath(db(), 3, 0, 12, QStringLiteral("Docs")), QStringLiteral("/Docs"));
}

// A path too deep to show whole says so: it shows its innermost folders after "…/".
void TestFind::deepPaths_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<QString>("begins");
    QTest::newRow("as deep as shown whole") << 4096 << QStringLiteral("/d1/d2/");
    QTest::newRow("one deeper") << 4097 << QStringLiteral("\u2026/d2/d3/");
    QTest::newRow("20,000 folders") << 20000 << QStringLiteral("\u2026/d15905/d15906/");
}

void TestFind::deepPaths() {
    QFETCH(int, depth);
    QFETCH(QString, begins);
    QVERIFY(db().Execute(QStringLiteral("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n+1 "
                                        "FROM c WHERE n < ?) INSERT INTO Items (ID, ImageID, "
                                        "ParentID, Type, Name) SELECT n, 9, n-1, 0, 'd'||n FROM c"),
                         {depth}));
    const QString path = ItemFullPath(db(), 9, depth, depth + 1, QStringLiteral("f"));
    QVERIFY2(path.startsWith(begins), qPrintable(path.left(40)));
    QVERIFY(path.endsWith(QStringLiteral("/d%1/f").arg(depth)));
    QCOMPARE(path.count(u'/'), 4097);
}

void TestFind::dialogSearch() {
    ScriptedUi ui;
    frmFind dialog(nullptr, nullptr);
    dialog.setUi(&ui);
    auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("lsvFound"));
    QVERIFY(list);
    QVERIFY(list->isHidden());

    dialog.cmdSearch_Click();
    QCOMPARE(ui.texts(), QStringList{QStringLiteral("Enter at least one search field.")});
    QVERIFY(list->isHidden());

    dialog.findChild<ctlLText*>(QStringLiteral("ltxName"))->setText(QStringLiteral("*readme*"));
    dialog.cmdSearch_Click();
    QCOMPARE(ui.busyDepth, 0);
    QVERIFY(!list->isHidden());
    QCOMPARE(list->topLevelItemCount(), 3);
    const QTreeWidgetItem* folder = list->topLevelItem(2);
    QCOMPARE(folder->text(0), QStringLiteral("readme"));
    QCOMPARE(folder->text(1), QStringLiteral("Backup \"old\""));
    QCOMPARE(folder->data(0, Qt::UserRole).toString(), QStringLiteral("I4I1I0"));
    QCOMPARE(folder->data(0, Qt::UserRole + 1).toInt(), 0);
    QVERIFY(!folder->icon(0).isNull());
    const QTreeWidgetItem* file = list->topLevelItem(0);
    QCOMPARE(file->data(0, Qt::UserRole).toString(), QStringLiteral("I3I57I12"));
    QCOMPARE(file->data(0, Qt::UserRole + 1).toInt(), 1);
    QVERIFY(file->icon(0).isNull());

    // A refused pattern keeps the last results.
    dialog.findChild<ctlLText*>(QStringLiteral("ltxName"))->setText(QStringLiteral("[x"));
    dialog.cmdSearch_Click();
    QCOMPARE(list->topLevelItemCount(), 3);

    // An engine failure is reported and leaves an empty list and the normal pointer.
    dialog.findChild<ctlLText*>(QStringLiteral("ltxName"))->setText(QStringLiteral("*"));
    db().Execute(QStringLiteral("DROP TABLE Images"));
    ui.clear();
    dialog.cmdSearch_Click();
    QCOMPARE(ui.texts().size(), 1);
    QVERIFY2(ui.lastText().startsWith(QStringLiteral("Database error number ")),
             qPrintable(ui.lastText()));
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(ui.busyDepth, 0);
}

// Folder and size columns, sorting by a header click (twice turns it round), and the count
// under the list, from the name index.
void TestFind::dialogColumnsSortAndCount() {
    m_cat->addImage(5, QStringLiteral("Many"));
    {
        Transaction t(db());
        for (int id = 1; id <= 150; ++id) {
            Item i;
            i.id = id;
            i.parentId = id == 1 ? 0 : 1;
            i.type = id == 1 ? 0 : 1;
            i.name = id == 1 ? QStringLiteral("many folder") : QStringLiteral("many%1.dat").arg(id);
            i.size = (id * 37) % 1000;
            m_cat->addItem(5, i);
        }
        QVERIFY(NameIndex::addImage(db(), 5));
        QVERIFY(t.commit());
    }
    ScriptedUi ui;
    frmFind dialog(nullptr, nullptr);
    dialog.setUi(&ui);
    auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("lsvFound"));
    auto* count = dialog.findChild<QLabel*>(QStringLiteral("lblCount"));
    QVERIFY(list && count);
    QCOMPARE(list->headerItem()->text(2), QStringLiteral("Folder"));
    QCOMPARE(list->headerItem()->text(3), QStringLiteral("Size"));

    auto* name = dialog.findChild<ctlLText*>(QStringLiteral("ltxName"));
    name->setText(QStringLiteral("*readme*"));
    dialog.cmdSearch_Click();
    QCOMPARE(count->text(), QStringLiteral("3 matches"));
    QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("/Docs"));
    QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("/"));

    name->setText(QStringLiteral("MANY*"));
    dialog.cmdSearch_Click();
    QCOMPARE(list->topLevelItemCount(), 100);
    QCOMPARE(count->text(), QStringLiteral("100 of 150 matches shown; narrow the search"));
    QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("/many folder"));
    QCOMPARE(list->topLevelItem(1)->text(3), SizeText(74));

    auto sizes = [&] {
        QList<qint64> out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->data(3, Qt::UserRole + 2).toLongLong();
        return out;
    };
    emit list->header()->sectionClicked(3);
    QList<qint64> sorted = sizes();
    QVERIFY(std::is_sorted(sorted.begin(), sorted.end()));
    QVERIFY(sorted.first() < sorted.last());
    emit list->header()->sectionClicked(3);
    sorted = sizes();
    QVERIFY(std::is_sorted(sorted.rbegin(), sorted.rend()));
    QVERIFY(sorted.first() > sorted.last());
    emit list->header()->sectionClicked(0);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("many folder"));
    QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("many10.dat"));

    // Enter on a sorted row still opens that row's match.
    QCOMPARE(list->topLevelItem(0)->data(0, Qt::UserRole).toString(), QStringLiteral("I5I1I0"));
}

void TestFind::summaryText_data() {
    QTest::addColumn<int>("shown");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("all shown") << 7 << qint64(7) << "7 matches";
    QTest::newRow("one") << 1 << qint64(1) << "1 match";
    QTest::newRow("none") << 0 << qint64(0) << "0 matches";
    QTest::newRow("counted") << 100 << qint64(2345)
                             << "100 of 2,345 matches shown; narrow the search";
    QTest::newRow("not counted") << 100 << qint64(-1)
                                 << "100 of more than 100 matches shown; narrow the search";
}

void TestFind::summaryText() {
    QFETCH(int, shown);
    QFETCH(qint64, total);
    QFETCH(QString, text);
    FindOutcome outcome;
    outcome.matches.resize(shown);
    outcome.total = total;
    QCOMPARE(FindSummaryText(outcome), text);
}

void TestFind::dialogOneInstance() {
    QWidget owner;
    frmFind* first = frmFind::showFor(&owner, nullptr);
    QVERIFY(first);
    QVERIFY(!first->isModal());
    QCOMPARE(frmFind::showFor(&owner, nullptr), first);
    QCOMPARE(first->parentWidget(), &owner);
    first->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    QTRY_VERIFY(frmFind::instance() == nullptr); // deleted once closed
    // Escape closes it the same way.
    frmFind* second = frmFind::showFor(&owner, nullptr);
    QVERIFY(second);
    QTest::keyClick(second, Qt::Key_Escape);
    QTRY_VERIFY(frmFind::instance() == nullptr);
}

void TestFind::showMatchInMainWindow_data() {
    QTest::addColumn<bool>("folderTree");
    QTest::newRow("folder tree shown") << true;
    QTest::newRow("folder tree hidden") << false;
}

void TestFind::showMatchInMainWindow() {
    QFETCH(bool, folderTree);
    m_cat->close();
    ScriptedUi ui;
    frmMain window;
    window.setUi(&ui);
    window.show();
    QString path = m_cat->path();
    QVERIFY(OpenCatalogue(path, true, false, ui, &window));
    if (!window.hasCatalogueEntry(QStringLiteral("I3")))
        QSKIP("The main window does not fill its catalogue tree yet.");
    if (auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("trvMain")))
        tree->setVisible(folderTree);
    QCOMPARE(window.isFolderTreeVisible(), folderTree);

    ShowMatch(window, 3, 57, 12, 1);
    const QTreeWidgetItem* image =
        window.findChild<QTreeWidget*>(QStringLiteral("trvNodes"))->currentItem();
    QVERIFY(image);
    QCOMPARE(image->data(0, Qt::UserRole).toString(), QStringLiteral("I3"));
    QCOMPARE(window.currentImageId(), 3);
    QCOMPARE(window.listedFolderId(), 12);
    QVERIFY(window.selectListEntry(QStringLiteral("K57")));
    ShowMatch(window, 3, 12, 0, 0);
    QCOMPARE(window.listedFolderId(), 0);
    QVERIFY(window.selectListEntry(QStringLiteral("F12")));
    CloseCatalogue(&window);
}

void TestFind::cliFind() {
    m_cat->close();
    QProcess p;
    p.start(QStringLiteral(LEDRA_CLI), {QStringLiteral("find"), m_cat->path(),
                                        QStringLiteral("--name"), QStringLiteral("*readme*")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
             QStringLiteral("I3I57I12\t1\tWork\treadme.txt\t/Docs/readme.txt\n"
                            "I3I58I12\t1\tWork\tREADME.md\t/Docs/README.md\n"
                            "I4I1I0\t0\tBackup \"old\"\treadme\t/readme\n"));

    p.start(QStringLiteral(LEDRA_CLI), {QStringLiteral("find"), m_cat->path()});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 2);
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()).trimmed(),
             QStringLiteral("Enter at least one search field."));

    p.start(QStringLiteral(LEDRA_CLI),
            {QStringLiteral("find"), m_cat->path(), QStringLiteral("--keywords=*backup*"),
             QStringLiteral("--name"), QStringLiteral("*.TXT")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).count(u'\n'), 2);

    const struct {
        QStringList args;
        int exit;
        QString out;
    } runs[] = {
        {{QStringLiteral("--limit"), QStringLiteral("1")},
         0,
         QStringLiteral("I3I57I12\t1\tWork\treadme.txt\t/Docs/readme.txt\n")},
        {{QStringLiteral("--limit"), QStringLiteral("0")}, 0, {}},
        {{QStringLiteral("--count")}, 0, QStringLiteral("3\n")},
        {{QStringLiteral("--count"), QStringLiteral("--limit"), QStringLiteral("1")},
         0,
         QStringLiteral("3\n")},
        {{QStringLiteral("--limit"), QStringLiteral("-1")}, 2, {}},
        {{QStringLiteral("--limit"), QStringLiteral("ten")}, 2, {}},
    };
    for (const auto& run : runs) {
        p.start(QStringLiteral(LEDRA_CLI),
                QStringList{QStringLiteral("find"), m_cat->path(), QStringLiteral("--name"),
                            QStringLiteral("*readme*")} +
                    run.args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), run.exit);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (run.exit != 0)
            QVERIFY(QString::fromUtf8(p.readAllStandardError())
                        .startsWith(QStringLiteral("The limit must be a whole number")));
        else if (run.out.isEmpty())
            QCOMPARE(out.count(u'\n'), 3);
        else
            QCOMPARE(out, run.out);
    }
}

QTEST_MAIN(TestFind)
#include "tst_find.moc"
