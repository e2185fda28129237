#include "DiskScanSupport.h"
#include "PropFindCatalogue.h"
#include "ScriptedUi.h"

#include "catalogue/mdlCompact.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "disk/FolderSource.h"
#include "properties/mdlProperties.h"
#include "search/NameIndex.h"
#include "search/mdlFind.h"

#include <QTest>

#include <random>

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
        return QStringLiteral("*");
    const int from = int(rng() % chars.size());
    const int length = 1 + int(rng() % qMin<qsizetype>(8, chars.size() - from));
    QString out;
    if (rng() % 3 != 0)
        out += u'*';
    for (int i = from; i < from + length; ++i) {
        QString c = QString::fromUcs4(reinterpret_cast<const char32_t*>(&chars[i]), 1);
        if (c == QLatin1String("*") || c == QLatin1String("?") || c == QLatin1String("#") ||
            c == QLatin1String("["))
            c = u'[' + c + u']';
        switch (rng() % 12) {
        case 0:
            c = QStringLiteral("?");
            break;
        case 1:
            c = c.at(0).isDigit() ? QStringLiteral("#") : c.toUpper();
            break;
        case 2:
            c = u'[' + c.toLower() + QStringLiteral("x]");
            break;
        case 3:
            c = QStringLiteral("[!%1]").arg(QChar(u'a' + int(rng() % 26)));
            break;
        case 4:
            c = QStringLiteral("[a-m]");
            break;
        case 5:
            c = c.toUpper();
            break;
        default:
            break;
        }
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
        return {QStringLiteral("refused")};
    Recordset rs =
        db().OpenRecordset(query.sql.replace(QStringLiteral("Items.Name AS ItemName"),
                                             QStringLiteral("Items.Name AS ItemName, Items.Size")),
                           query.params);
    QStringList keys;
    for (; !rs.Eof(); rs.MoveNext())
        keys << QStringLiteral("I%1I%2I%3|%4|%5")
                    .arg(rs.int64(0))
                    .arg(rs.int64(1))
                    .arg(rs.int64(2))
                    .arg(rs.text(5))
                    .arg(rs.int64(6));
    return keys;
}

// Writes rows the way a writer does, names as raw bytes.
void addItems(qint32 imageId, std::mt19937& rng, int count, int firstId) {
    Statement st = db().prepare(QStringLiteral(
        "INSERT INTO Items (ID, ImageID, ParentID, Type, MSDOSName, Name, Size, Keywords) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < count; ++i) {
        const QByteArray name = makeName(rng);
        st.bindInt64(1, firstId + i);
        st.bindInt64(2, imageId);
        st.bindInt64(3, i / 10);
        const int type = int(rng() % 20);
        if (type == 0)
            st.bindNull(4);
        else
            st.bindInt64(4, type == 1 ? 2 : type % 2);
        if (rng() % 3 == 0)
            st.bindText(5, QString::fromUtf8(name.left(8)).toUpper());
        else
            st.bindNull(5);
        st.bindUtf8(6, name.constData(), int(name.size()));
        st.bindInt64(7, qint64(rng() % 100000));
        if (rng() % 5 == 0)
            st.bindText(8, QStringLiteral("weekly backup"));
        else
            st.bindNull(8);
        QVERIFY(st.execute());
    }
}

void setVolume(FolderSource& source, quint32 serial) {
    source.volumeReader = [serial](VolumeFacts& f) {
        f.serial = serial;
        f.label = QStringLiteral("DISK");
        f.fileSystem = QStringLiteral("ext4");
        f.typeCode = 2;
        f.source = QStringLiteral("D:");
        return true;
    };
}

} // namespace

class TestNameIndex : public QObject {
    Q_OBJECT

private slots:
    void sameAsPlainScan();
    void scanAndCancel();
    void catalogueFromBeforeTheIndex();
    void trackRename();
    void itemsTableMadeAnew();

private:
    void compareMany(int patterns, quint32 seed);
};

void TestNameIndex::compareMany(int patterns, quint32 seed) {
    std::mt19937 rng(seed);
    QStringList names;
    Recordset rs =
        db().OpenRecordset(QStringLiteral("SELECT Name FROM Items"), {}, Recordset::Type::Snapshot);
    for (; !rs.Eof(); rs.MoveNext())
        names << rs.text(0);
    int indexed = 0;
    for (int i = 0; i < patterns; ++i) {
        FindCriteria criteria;
        criteria.name = makePattern(rng, names.at(int(rng() % names.size())));
        if (rng() % 8 == 0)
            criteria.keywords = QStringLiteral("*backup*");
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
        if (first.total >= 0)
            QCOMPARE(first.total, qint64(expected.size()));
        else
            QVERIFY(expected.size() > kFindLimit);
    }
    // Many patterns hold three plain characters in a row, so the index answers them.
    QVERIFY2(indexed > patterns / 8, qPrintable(QString::number(indexed)));
}

// Thousands of patterns over odd names in several images, one of them without index entries,
// some rows of two images sharing blocks; then after a deletion and after a compaction.
void TestNameIndex::sameAsPlainScan() {
    PropFindCatalogue cat;
    std::mt19937 rng(7);
    cat.addImage(1, QStringLiteral("One"));
    cat.addImage(2, QStringLiteral("Two"));
    cat.addImage(3, QStringLiteral("Three"));
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
        QVERIFY(db().Execute(QStringLiteral("DELETE FROM Items WHERE ImageID=1")));
        QVERIFY(db().Execute(QStringLiteral("DELETE FROM Images WHERE ID=1")));
        QVERIFY(NameIndex::removeImage(db(), 1));
        cat.addImage(4, QStringLiteral("Four"));
        addItems(4, rng, 900, 1);
        QVERIFY(NameIndex::addImage(db(), 4));
        QVERIFY(t.commit());
    }
    QCOMPARE(db().scalar(QStringLiteral("SELECT count(*) FROM NameGrams WHERE ImageID=1")).toInt(),
             0);
    compareMany(300, 12);

    // Compaction indexes everything again, the image without entries too.
    ScriptedUi ui;
    ui.answers = {Ui::Answer::Yes};
    QCOMPARE(CompactCatalogue(ui, nullptr, {}, false, false).status, CompactOutcome::Status::Done);
    QVERIFY(NameIndex::imagesWithoutIndex(db()).isEmpty());
    compareMany(300, 13);
}

// The scan writes the entries with the rows; a cancelled scan leaves none.
void TestNameIndex::scanAndCancel() {
    PropFindCatalogue cat;
    const QString root = cat.folder() + QStringLiteral("/tree");
    QStringList files;
    for (int i = 0; i < 60; ++i)
        files << QStringLiteral("Sub%1/Holiday-%2.JPG").arg(i % 3).arg(i);
    files << QStringLiteral("Sub1/zanzibar notes.txt");
    DiskTest::makeTree(root, files);

    PauseHookUi ui;
    FolderSource source(root);
    setVolume(source, 1);
    DiskScan scan(db(), ui);
    scan.options.displaySummary = false;
    QCOMPARE(scan.NewDisk(source), DiskScan::Result::Done);
    QVERIFY(NameIndex::imagesWithoutIndex(db()).isEmpty());
    FindOutcome outcome;
    QString message;
    FindCriteria criteria;
    criteria.name = QStringLiteral("*ZANZIBAR*");
    QVERIFY(RunFind(db(), criteria, {}, &outcome, &message));
    QVERIFY(outcome.usedIndex);
    QCOMPARE(outcome.matches.size(), 1);
    QCOMPARE(outcome.matches.first().itemName, QStringLiteral("zanzibar notes.txt"));

    const QVariant grams = db().scalar(QStringLiteral("SELECT count(*) FROM NameGrams"));
    DiskScan cancelled(db(), ui);
    cancelled.options.displaySummary = false;
    ui.onPause = [&] {
        if (cancelled.WrittenCount > 21)
            cancelled.cancel();
    };
    FolderSource again(root);
    setVolume(again, 2);
    QCOMPARE(cancelled.NewDisk(again), DiskScan::Result::Cancelled);
    QCOMPARE(db().scalar(QStringLiteral("SELECT count(*) FROM NameGrams")).toInt(), grams.toInt());
    QCOMPARE(db().scalar(QStringLiteral("SELECT count(*) FROM NameIndexImages")).toInt(), 1);
}

// A catalogue from before the index is searched by reading names while read-only, and indexed
// on its first writable open.
void TestNameIndex::catalogueFromBeforeTheIndex() {
    PropFindCatalogue cat;
    cat.addImage(5, QStringLiteral("Old"));
    std::mt19937 rng(3);
    addItems(5, rng, 400, 1);
    QVERIFY(db().Execute(QStringLiteral("DROP TABLE NameGrams")));
    QVERIFY(db().Execute(QStringLiteral("DROP TABLE NameIndexImages")));
    FindCriteria criteria;
    criteria.name = QStringLiteral("*report*");
    const QStringList expected = reference(criteria);
    QVERIFY(expected.size() > 10);

    QVERIFY(cat.reopen(true));
    FindOutcome outcome;
    QString message;
    QVERIFY(RunFind(db(), criteria, {0, FindCount::Exact}, &outcome, &message));
    QVERIFY(!outcome.usedIndex);
    QCOMPARE(keysOf(outcome.matches), expected);
    QVERIFY(!db().scalar(QStringLiteral("SELECT count(*) FROM NameIndexImages")).isValid());

    QVERIFY(cat.reopen(false));
    QCOMPARE(db().scalar(QStringLiteral("SELECT ImageID FROM NameIndexImages")).toInt(), 5);
    QVERIFY(RunFind(db(), criteria, {0, FindCount::Exact}, &outcome, &message));
    QVERIFY(outcome.usedIndex);
    QCOMPARE(keysOf(outcome.matches), expected);
}

// A track's new title is found through the index at once.
void TestNameIndex::trackRename() {
    PropFindCatalogue cat;
    cat.addImage(6, QStringLiteral("Audio CD"), 50);
    PropFindCatalogue::Item track;
    track.id = 1;
    track.name = QStringLiteral("Track01.cda");
    cat.addItem(6, track);
    QVERIFY(NameIndex::addImage(db(), 6));
    ItemEdits edits;
    edits.trackName = QStringLiteral("01: Zanzibar Nights.cda");
    QString message;
    QVERIFY2(StoreItemProperties(db(), 6, 1, edits, &message), qPrintable(message));
    FindCriteria criteria;
    criteria.name = QStringLiteral("*zanzibar*");
    FindOutcome outcome;
    QVERIFY(RunFind(db(), criteria, {}, &outcome, &message));
    QVERIFY(outcome.usedIndex);
    QCOMPARE(outcome.matches.size(), 1);
    criteria.name = QStringLiteral("track01*");
    QVERIFY(RunFind(db(), criteria, {}, &outcome, &message));
    QCOMPARE(outcome.matches.size(), 0);
}

// An upgrade that makes the Items table anew renumbers its rows: the entries made from the old
// table are not used, and the next writable open makes them again.
void TestNameIndex::itemsTableMadeAnew() {
    PropFindCatalogue cat;
    cat.addImage(7, QStringLiteral("Copied"));
    std::mt19937 rng(5);
    addItems(7, rng, 600, 1);
    QVERIFY(NameIndex::addImage(db(), 7));
    QVERIFY(db().Execute(QStringLiteral("CREATE TABLE ItemsNew AS SELECT * FROM Items "
                                        "ORDER BY ID DESC")));
    QVERIFY(db().Execute(QStringLiteral("DROP TABLE Items")));
    QVERIFY(db().Execute(QStringLiteral("ALTER TABLE ItemsNew RENAME TO Items")));
    QCOMPARE(NameIndex::imagesWithoutIndex(db()), QList<qint32>{7});
    auto check = [&] {
        for (const char* pattern : {"*report*", "*.txt", "readme*", "*2024*"}) {
            FindCriteria criteria;
            criteria.name = QLatin1String(pattern);
            FindOutcome outcome;
            QString message;
            QVERIFY(RunFind(db(), criteria, {0, FindCount::Exact}, &outcome, &message));
            const QStringList expected = reference(criteria);
            QVERIFY(!expected.isEmpty());
            QCOMPARE(keysOf(outcome.matches), expected);
        }
    };
    check();
    QVERIFY(cat.reopen(false));
    QVERIFY(NameIndex::imagesWithoutIndex(db()).isEmpty());
    check();
}

QTEST_MAIN(TestNameIndex)
#include "tst_nameindex.moc"
