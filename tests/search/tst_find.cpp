#include "CatalogueFixture.h"
#include "DiskScanSupport.h"
#include "PropFindCatalogue.h"
#include "ScriptedUi.h"
#include "UpdateTestSupport.h"

#include "browser/frmMain.h"
#include "browser/guiContentsView.h"
#include "browser/guiKeyTree.h"
#include "catalogue/mdlCompact.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/mdlConvert.h"
#include "controls/ctlLText.h"
#include "properties/mdlProperties.h"
#include "search/NameIndex.h"
#include "search/frmFind.h"
#include "search/mdlFind.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <random>

using namespace Qt::StringLiterals;
using Item = PropFindCatalogue::Item;

Q_DECLARE_METATYPE(FindCriteria)

namespace {

FindCriteria byName(const QString& name, const QString& msdosName = {},
                    const QString& comment = {}) {
    FindCriteria c;
    c.name = name;
    c.msdosName = msdosName;
    c.comment = comment;
    return c;
}

const char* const kPieces[] = {
    "report",     "Report", "REPORT",      "budget",  "IMG_",    "readme",   ".txt", ".TXT",
    ".jpg",       "2024",   "007",         "v1.2",    " ",       "-",        "_",    "Ärger",
    "ÄRGER",      "straße", "STRASSE",     "ΣΊΣΥΦΟΣ", "σίσυφος", "İstanbul", "K",    "\u212A",
    "ﬁle",        "日本語", "🎵",           "a*b",     "q?x",     "#1",       "[x]",  "!",
    "\"quoted\"", "it's",   "back\\slash", "zq7"};

// Bytes that are not UTF-8, as a name can hold them.
const QByteArray kOddBytes[] = {QByteArray("caf\xe9"), QByteArray("\xff\xfe-name"),
                                QByteArray("ab\xc3"), QByteArray("x\x80y.txt")};

QByteArray makeName(std::mt19937& rng) {
    if (rng() % 40 == 0)
        return kOddBytes[rng() % std::size(kOddBytes)];
    QByteArray name;
    const int parts = 1 + int(rng() % 4);
    for (int i = 0; i < parts; ++i)
        name += kPieces[rng() % std::size(kPieces)];
    return name;
}

// A pattern drawn from a name: a piece of it in other letter case, some characters replaced by
// "?", "#", a set, a range or a negated set, with or without stars around it.
QString makePattern(std::mt19937& rng, const QString& name) {
    const QList<uint> chars = name.toUcs4();
    if (chars.isEmpty())
        return u"*"_s;
    const int from = int(rng() % chars.size());
    const int length = 1 + int(rng() % qMin<qsizetype>(8, chars.size() - from));
    QString out;
    if (rng() % 3 != 0)
        out += u'*';
    for (int i = from; i < from + length; ++i) {
        QString c = QString::fromUcs4(reinterpret_cast<const char32_t*>(&chars[i]), 1);
        if (u"*?#["_s.contains(c))
            c = u'[' + c + u']';
        const int pick = int(rng() % 12);
        if (pick == 0)
            c = u"?"_s;
        else if (pick == 1)
            c = c.at(0).isDigit() ? u"#"_s : c.toUpper();
        else if (pick == 2)
            c = u'[' + c.toLower() + u"x]"_s;
        else if (pick == 3)
            c = u"[!%1]"_s.arg(QChar(u'a' + int(rng() % 26)));
        else if (pick == 4)
            c = u"[a-m]"_s;
        else if (pick == 5)
            c = c.toUpper();
        out += c;
    }
    if (rng() % 3 != 0)
        out += u'*';
    return out;
}

QStringList keysOf(const QList<FindMatch>& matches) {
    QStringList keys;
    for (const FindMatch& m : matches)
        keys << m.key() + u'|' + m.itemName + u'|' + QString::number(m.size);
    return keys;
}

// What the plain statement answers: every match, in order.
QStringList reference(const FindCriteria& criteria) {
    FindQuery query;
    QString message;
    if (!BuildFindQuery(criteria, &query, &message, 0))
        return {u"refused"_s};
    Recordset rs = db().OpenRecordset(
        query.sql.replace(u"Items.Name AS ItemName"_s, u"Items.Name AS ItemName, Items.Size"_s),
        query.params);
    QStringList keys;
    for (; !rs.Eof(); rs.MoveNext())
        keys << u"I%1I%2I%3|%4|%5"_s.arg(rs.int64(0))
                    .arg(rs.int64(1))
                    .arg(rs.int64(2))
                    .arg(rs.text(5))
                    .arg(rs.int64(6));
    return keys;
}

// Writes rows the way a writer does, names as raw bytes.
void addItems(qint32 imageId, std::mt19937& rng, int count, int firstId) {
    Statement st = db().prepare(
        u"INSERT INTO Items (ID, ImageID, ParentID, Type, MSDOSName, Name, Size, Keywords) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s);
    for (int i = 0; i < count; ++i) {
        const QByteArray name = makeName(rng);
        st.bindInt64(1, firstId + i);
        st.bindInt64(2, imageId);
        st.bindInt64(3, i / 10);
        const int type = int(rng() % 20);
        type == 0 ? st.bindNull(4) : st.bindInt64(4, type == 1 ? 2 : type % 2);
        rng() % 3 == 0 ? st.bindText(5, QString::fromUtf8(name.left(8)).toUpper()) : st.bindNull(5);
        st.bindUtf8(6, name.constData(), int(name.size()));
        st.bindInt64(7, qint64(rng() % 100000));
        rng() % 5 == 0 ? st.bindText(8, u"weekly backup"_s) : st.bindNull(8);
        QVERIFY(st.execute());
    }
}

// The search against the plain statement, with every match and with the first 100; the
// index answers many of them, or none when the catalogue has no entries to use.
void compareMany(int patterns, quint32 seed, bool indexUsable = true) {
    std::mt19937 rng(seed);
    QStringList names;
    Recordset rs = db().OpenRecordset(u"SELECT Name FROM Items"_s, {}, Recordset::Type::Snapshot);
    for (; !rs.Eof(); rs.MoveNext())
        names << rs.text(0);
    int indexed = 0;
    for (int i = 0; i < patterns; ++i) {
        FindCriteria criteria;
        criteria.name = makePattern(rng, names.at(int(rng() % names.size())));
        if (rng() % 8 == 0)
            criteria.keywords = u"*backup*"_s;
        if (rng() % 10 == 0)
            std::swap(criteria.name, criteria.msdosName);
        const QStringList expected = reference(criteria);
        QString message;
        FindOutcome all;
        QVERIFY2(RunFind(db(), criteria, {0, FindCount::Exact}, &all, &message),
                 qPrintable(message));
        QCOMPARE(keysOf(all.matches), expected);
        QCOMPARE(all.total, qint64(expected.size()));
        indexed += all.usedIndex;

        FindOutcome first;
        QVERIFY(RunFind(db(), criteria, {kFindLimit, FindCount::Cheap}, &first, &message));
        QCOMPARE(keysOf(first.matches), expected.mid(0, kFindLimit));
        // Counted, or not counted because more match than are listed.
        QVERIFY(first.total == expected.size() || (first.total < 0 && expected.size() > 100));
    }
    // Many patterns hold three plain characters in a row, so the index answers them.
    QVERIFY2(indexUsable ? indexed > patterns / 8 : indexed == 0,
             qPrintable(QString::number(indexed)));
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
        const std::pair<qint32, Item> rows[] = {
            {3, {.id = 12, .type = 0, .name = u"Docs"_s, .msdosName = u"DOCS"_s}},
            {3, {.id = 57, .parentId = 12, .name = u"readme.txt"_s, .msdosName = u"README.TXT"_s}},
            {3, {.id = 58, .parentId = 12, .name = u"README.md"_s}},
            {3,
             {.id = 59,
              .name = u"notes.txt"_s,
              .keywords = u"weekly backup"_s,
              .comment = u"say \"hi\""_s}},
            {3, {.id = 60, .name = u"file7.txt"_s, .keywords = u"backup"_s}},
            {3, {.id = 61, .name = u"Ärger.txt"_s, .comment = u"C:\\temp"_s}},
            {3, {.id = 62, .name = u"[draft].doc"_s}},
            {3, {.id = 13, .parentId = 12, .type = 0, .name = u"Sub"_s}},
            {4, {.id = 1, .type = 0, .name = u"readme"_s}},
            {4, {.id = 2, .parentId = 1, .type = 7, .name = u"readme.old"_s}}, // neither kind
        };
        for (const auto& [image, item] : rows)
            m_cat->addItem(image, item);
    }

    void cleanup() {
        delete frmFind::instance();
        m_cat.reset();
    }

    void patterns_data() {
        QTest::addColumn<FindCriteria>("criteria");
        QTest::addColumn<QStringList>("found"); // or the message of a refusal
        QTest::newRow("double quote in pattern")
            << byName({}, {}, u"*\"hi\"*"_s) << QStringList{u"notes.txt"_s};
        QTest::newRow("backslash") << byName({}, {}, u"C:\\temp"_s) << QStringList{u"Ärger.txt"_s};
        QTest::newRow("MS-DOS name; Null never matches")
            << byName({}, u"readme.*"_s) << QStringList{u"readme.txt"_s};
        QTest::newRow("lone star lists folders and files only")
            << byName(u"*"_s)
            << u"Docs readme.txt README.md notes.txt file7.txt Ärger.txt [draft].doc Sub readme"_s
                   .split(u' ');
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
        QVERIFY(ParseMatchKey(u"I4I0I-1"_s, &a, &b, &c) && c == -1); // an imported root row
        for (const char* bad : {"", "I3I57", "X3I5I6", "I3IaI6", "I3I5I6I7"})
            QVERIFY2(!ParseMatchKey(QLatin1String(bad), &a, &b, &c), bad);
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

    // Showing a match selects the image, the folder in the folder tree and the row in the list;
    // then the dialog's rows, refusals, double-click, sorting, counts and engine failures.
    void dialogAndShowMatch() {
        m_cat->close();
        ScriptedUi ui;
        frmMain window;
        window.setUi(&ui);
        window.show();
        QString path = m_cat->path();
        QVERIFY(OpenCatalogue(path, true, false, ui, &window));
        auto* folders = window.findChild<QTreeWidget*>(QStringLiteral("trvMain"));
        auto shown = [&](qint32 image, qint32 folder, const QString& key) {
            const QTreeWidgetItem* node =
                window.findChild<QTreeWidget*>(QStringLiteral("trvNodes"))->currentItem();
            QVERIFY(node);
            QCOMPARE(node->data(0, Qt::UserRole).toString(), QStringLiteral("I%1").arg(image));
            QCOMPARE(window.currentImageId(), image);
            QCOMPARE(window.listedFolderId(), folder);
            QCOMPARE(window.contentsView()->selectedKey(), key);
            if (folders->isVisible())
                QCOMPARE(KeyTree::keyOf(folders->currentItem()), QStringLiteral("K%1").arg(folder));
        };
        folders->hide();
        ShowMatch(window, 3, 57, 12, 1); // readme.txt, last in its folder
        shown(3, 12, u"K57"_s);
        folders->show();
        // An imported image's root row (ID 0 under -1) shows as its root folder.
        m_cat->addItem(4, {.id = 0, .parentId = -1, .type = 0, .name = u"C:\\"_s});
        ShowMatch(window, 4, 0, -1, 0);
        shown(4, 0, QString());

        // Image 5: folder 200 "many folder", then files many150.dat .. many1.dat in it, in that
        // order.
        m_cat->addImage(5, u"Many"_s);
        Transaction t(db());
        m_cat->addItem(5, {.id = 200, .type = 0, .name = u"many folder"_s, .size = 400});
        for (int id = 150; id >= 1; --id)
            m_cat->addItem(5, {.id = id,
                               .parentId = 200,
                               .name = u"many%1.dat"_s.arg(id),
                               .size = (id * 37) % 1000});
        QVERIFY(NameIndex::addImage(db(), 5));
        QVERIFY(t.commit());
        frmFind dialog(&window, &window);
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

        dialog.show();
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
        QVERIFY(window.folderEntry(u"K13"_s)); // the folder's subfolders loaded

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

    // ledra-cli find: one line per match, --limit and --count, refusals with exit code 2.
    void cliFind() {
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

    // The name index answers as the plain statement does: several images (one without entries,
    // some sharing blocks), then after a deletion, a compaction, and missing or stale entries.
    void sameAsPlainScan() {
        PropFindCatalogue cat;
        std::mt19937 rng(7);
        cat.addImage(1, u"One"_s);
        cat.addImage(2, u"Two"_s);
        cat.addImage(3, u"Three"_s);
        {
            Transaction t(db());
            addItems(1, rng, 1500, 1);
            for (int i = 0; i < 300; ++i) { // interleaved: blocks hold rows of both images
                addItems(1, rng, 1, 2000 + i);
                addItems(2, rng, 1, 2000 + i);
            }
            addItems(2, rng, 1200, 1);
            addItems(3, rng, 800, 1);
            addItems(99, rng, 20, 1); // rows of no image are never listed
            // Image 1's lists come in many segments and short rows, image 2's in one of each.
            NameIndex::setListLimitsForTest(3000, 24);
            QVERIFY(NameIndex::addImage(db(), 1));
            NameIndex::setListLimitsForTest(0, 0);
            QVERIFY(NameIndex::addImage(db(), 2));
            QVERIFY(t.commit());
        }
        QCOMPARE(NameIndex::imagesWithoutIndex(db()), QList<qint32>{3});
        compareMany(700, 11);

        // An image deleted with its entries, another written after it.
        {
            Transaction t(db());
            QVERIFY(db().Execute(u"DELETE FROM Items WHERE ImageID=1"_s));
            QVERIFY(db().Execute(u"DELETE FROM Images WHERE ID=1"_s));
            QVERIFY(NameIndex::removeImage(db(), 1));
            cat.addImage(4, u"Four"_s);
            addItems(4, rng, 900, 1);
            QVERIFY(NameIndex::addImage(db(), 4));
            QVERIFY(t.commit());
        }
        QCOMPARE(db().scalar(u"SELECT count(*) FROM NameGrams WHERE ImageID=1"_s).toInt(), 0);
        compareMany(300, 12);

        // Compaction indexes everything again, the image without entries too.
        ScriptedUi ui;
        ui.answers = {Ui::Answer::Yes};
        QCOMPARE(CompactCatalogue(ui, nullptr, {}, false, false).status,
                 CompactOutcome::Status::Done);
        QVERIFY(NameIndex::imagesWithoutIndex(db()).isEmpty());
        compareMany(300, 13);

        // Entries that cannot be used: a catalogue from before the index (searched by reading
        // names while read-only), and an upgrade that made the Items table anew and so renumbered
        // its rows. Either way the next writable open makes the entries (again).
        QVERIFY(db().Execute(u"DROP TABLE NameGrams"_s));
        QVERIFY(db().Execute(u"DROP TABLE NameIndexImages"_s));
        QVERIFY(cat.reopen(true));
        compareMany(40, 21, false);
        QVERIFY(!db().scalar(u"SELECT count(*) FROM NameIndexImages"_s).isValid());
        QVERIFY(cat.reopen(false));
        QVERIFY(NameIndex::imagesWithoutIndex(db()).isEmpty());
        compareMany(40, 22);
        QVERIFY(db().Execute(u"CREATE TABLE ItemsNew AS SELECT * FROM Items ORDER BY ID DESC"_s));
        QVERIFY(db().Execute(u"DROP TABLE Items"_s));
        QVERIFY(db().Execute(u"ALTER TABLE ItemsNew RENAME TO Items"_s));
        QCOMPARE(NameIndex::imagesWithoutIndex(db()), (QList<qint32>{2, 3, 4}));
        compareMany(40, 23); // the image's own rows choose the blocks
        QVERIFY(cat.reopen(false));
        QVERIFY(NameIndex::imagesWithoutIndex(db()).isEmpty());
        compareMany(40, 24);
    }

    // Writers keep the entries: the scan writes them with the rows (a cancelled scan leaves none),
    // and a track's new title is found through the index at once.
    void writersKeepEntries() {
        PropFindCatalogue cat;
        const QString root = cat.folder() + u"/tree"_s;
        QStringList files{u"Sub1/zanzibar notes.txt"_s};
        for (int i = 0; i < 60; ++i)
            files << u"Sub%1/Holiday-%2.JPG"_s.arg(i % 3).arg(i);
        DiskTest::makeTree(root, files);
        auto found = [](const QString& pattern) {
            FindOutcome outcome;
            QString message;
            const bool ok =
                RunFind(db(), byName(pattern), {}, &outcome, &message) && outcome.usedIndex;
            QStringList names;
            for (const FindMatch& m : outcome.matches)
                names << m.itemName;
            return ok ? names : QStringList{u"failed"_s};
        };

        // Scans the tree as the disk of that serial; cancels once more than 21 rows are written.
        auto scan = [&](quint32 serial, bool cancel) {
            PauseHookUi ui;
            UpdateTest::FixedSource source(root, u"DISK"_s, serial);
            DiskScan scan(db(), ui);
            scan.options.displaySummary = false;
            ui.onPause = [&] {
                if (cancel && scan.WrittenCount > 21)
                    scan.cancel();
            };
            return scan.NewDisk(source);
        };
        QCOMPARE(scan(1, false), DiskScan::Result::Done);
        QVERIFY(NameIndex::imagesWithoutIndex(db()).isEmpty());
        QCOMPARE(found(u"*ZANZIBAR*"_s), QStringList{u"zanzibar notes.txt"_s});
        const int grams = db().scalar(u"SELECT count(*) FROM NameGrams"_s).toInt();
        QCOMPARE(scan(2, true), DiskScan::Result::Cancelled);
        QCOMPARE(db().scalar(u"SELECT count(*) FROM NameGrams"_s).toInt(), grams);
        QCOMPARE(db().scalar(u"SELECT count(*) FROM NameIndexImages"_s).toInt(), 1);

        cat.addImage(6, u"Audio CD"_s, 50);
        cat.addItem(6, {.id = 1, .name = u"Track01.cda"_s});
        QVERIFY(NameIndex::addImage(db(), 6));
        ItemEdits edits;
        edits.trackName = u"01: Zanzibar Nights.cda"_s;
        QString message;
        QVERIFY2(StoreItemProperties(db(), 6, 1, edits, &message), qPrintable(message));
        QCOMPARE(found(u"*zanzibar*"_s),
                 (QStringList{u"zanzibar notes.txt"_s, u"01: Zanzibar Nights.cda"_s}));
        QCOMPARE(found(u"track01*"_s), QStringList{});
    }
};

QTEST_MAIN(TestFind)
#include "tst_find.moc"
