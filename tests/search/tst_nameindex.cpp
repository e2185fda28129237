#include "DiskScanSupport.h"
#include "PropFindCatalogue.h"
#include "ScriptedUi.h"

#include "catalogue/mdlCompact.h"
#include "catalogue/mdlDatabase.h"
#include "disk/FolderSource.h"
#include "properties/mdlProperties.h"
#include "search/NameIndex.h"
#include "search/mdlFind.h"

#include <QTest>

#include <random>

using namespace Qt::StringLiterals;

namespace {

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

FindCriteria byName(const QString& pattern) {
    FindCriteria c;
    c.name = pattern;
    return c;
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

} // namespace

class TestNameIndex : public QObject {
    Q_OBJECT

    // The search against the plain statement, with every match and with the first 100; the
    // index answers many of them, or none when the catalogue has no entries to use.
    void compareMany(int patterns, quint32 seed, bool indexUsable = true) {
        std::mt19937 rng(seed);
        QStringList names;
        Recordset rs =
            db().OpenRecordset(u"SELECT Name FROM Items"_s, {}, Recordset::Type::Snapshot);
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

private slots:
    // Thousands of patterns over odd names in several images, one of them without index entries,
    // some rows of two images sharing blocks; then after a deletion and after a compaction.
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
            FolderSource source(root);
            source.volumeReader = [serial](VolumeFacts& f) {
                f.serial = serial;
                f.label = u"DISK"_s;
                f.fileSystem = u"ext4"_s;
                f.typeCode = 2;
                f.source = u"D:"_s;
                return true;
            };
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
        PropFindCatalogue::Item track;
        track.id = 1;
        track.name = u"Track01.cda"_s;
        cat.addItem(6, track);
        QVERIFY(NameIndex::addImage(db(), 6));
        ItemEdits edits;
        edits.trackName = u"01: Zanzibar Nights.cda"_s;
        QString message;
        QVERIFY2(StoreItemProperties(db(), 6, 1, edits, &message), qPrintable(message));
        QCOMPARE(found(u"*zanzibar*"_s),
                 (QStringList{u"zanzibar notes.txt"_s, u"01: Zanzibar Nights.cda"_s}));
        QCOMPARE(found(u"track01*"_s), QStringList{});
    }

    // Entries that cannot be used: a catalogue from before the index (searched by reading names
    // while read-only), and an upgrade that made the Items table anew and so renumbered its rows.
    // Either way the next writable open makes the entries (again).
    void entriesMadeOnWritableOpen() {
        PropFindCatalogue cat;
        cat.addImage(7, u"Old"_s);
        std::mt19937 rng(5);
        addItems(7, rng, 600, 1);
        QVERIFY(db().Execute(u"DROP TABLE NameGrams"_s));
        QVERIFY(db().Execute(u"DROP TABLE NameIndexImages"_s));
        QVERIFY(cat.reopen(true));
        compareMany(40, 21, false);
        QVERIFY(!db().scalar(u"SELECT count(*) FROM NameIndexImages"_s).isValid());
        QVERIFY(cat.reopen(false));
        QCOMPARE(db().scalar(u"SELECT ImageID FROM NameIndexImages"_s).toInt(), 7);
        compareMany(40, 22);

        QVERIFY(db().Execute(u"CREATE TABLE ItemsNew AS SELECT * FROM Items ORDER BY ID DESC"_s));
        QVERIFY(db().Execute(u"DROP TABLE Items"_s));
        QVERIFY(db().Execute(u"ALTER TABLE ItemsNew RENAME TO Items"_s));
        QCOMPARE(NameIndex::imagesWithoutIndex(db()), QList<qint32>{7});
        compareMany(40, 23); // the image's own rows choose the blocks
        QVERIFY(cat.reopen(false));
        QVERIFY(NameIndex::imagesWithoutIndex(db()).isEmpty());
        compareMany(40, 24);
    }
};

QTEST_MAIN(TestNameIndex)
#include "tst_nameindex.moc"
