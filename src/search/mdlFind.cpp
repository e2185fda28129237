#include "mdlFind.h"

#include "catalogue/Wildcard.h"
#include "catalogue/mdlFile.h"
#include "common/MainView.h"
#include "common/mdlTrim.h"
#include "search/NameIndex.h"

#include <QHash>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

// Longer patterns are refused: no name of a file is longer than 255 characters (its stored form
// aside), and the matching time grows with the pattern's length on every row searched.
constexpr int kMaxPatternLength = 255;

// The most folders a path shows; a deeper path shows its innermost ones after "…/".
constexpr int kMaxDepth = 4096;

struct Field {
    const QString FindCriteria::*text;
    const char* column;
    const char* caption;
};

constexpr Field kFields[] = {
    {&FindCriteria::name, "Items.Name", "Name"},
    {&FindCriteria::msdosName, "Items.MSDOSName", "MS-DOS Name"},
    {&FindCriteria::keywords, "Items.Keywords", "Keywords"},
    {&FindCriteria::description, "Items.Description", "Description"},
    {&FindCriteria::comment, "Items.Comment", "Comment"},
};

} // namespace

bool FindCriteria::isEmpty() const {
    return name.isEmpty() && msdosName.isEmpty() && keywords.isEmpty() && description.isEmpty() &&
           comment.isEmpty();
}

QString FindMatch::key() const {
    return QStringLiteral("I%1I%2I%3").arg(imageId).arg(itemId).arg(parentId);
}

bool BuildFindQuery(const FindCriteria& criteria, FindQuery* query, QString* message, int limit) {
    QStringList conditions;
    QVariantList params;
    for (const Field& f : kFields) {
        const QString& pattern = criteria.*(f.text);
        if (pattern.isEmpty())
            continue;
        if (pattern.size() > kMaxPatternLength) {
            *message = QStringLiteral("The %1 field is too long: at most %2 characters.")
                           .arg(QLatin1String(f.caption))
                           .arg(kMaxPatternLength);
            return false;
        }
        QString error;
        if (!WildcardPattern::compile(pattern, &error)) {
            *message = QStringLiteral("%1: %2").arg(QLatin1String(f.caption), error);
            return false;
        }
        // The pattern is a bound value: quotes and backslashes in it are searched as typed.
        conditions << QStringLiteral("LEDRA_LIKE(?, %1)").arg(QLatin1String(f.column));
        params << pattern;
    }
    if (conditions.isEmpty()) {
        *message = QStringLiteral("Enter at least one search field.");
        return false;
    }
    // Rows come in the order they were written (rowid): deterministic, and the scan can stop at
    // the limit instead of sorting every match. Types other than folder and file are never
    // listed, so they must not use up the limit either.
    query->sql = QStringLiteral("SELECT Images.ID AS ImageID, Items.ID AS ItemID, "
                                "Items.ParentID AS ItemParentID, Items.Type AS ItemType, "
                                "Images.Name AS ImageName, Items.Name AS ItemName "
                                "FROM Items INNER JOIN Images ON Images.ID=Items.ImageID WHERE ") +
                 conditions.join(QStringLiteral(" AND ")) +
                 QStringLiteral(" AND IFNULL(Items.Type, 0) IN (0, 1) ORDER BY Items.rowid");
    if (limit > 0)
        query->sql += QStringLiteral(" LIMIT %1").arg(limit);
    query->params = params;
    return true;
}

namespace {

// Reading more rows than this only to count the matches costs more than the count is worth.
constexpr size_t kCountBudget = 50000;

// The criteria compiled, and how a row of Items is read and checked against them. A scan reads
// "rowid, ImageID, Type" and the searched columns; a match is then read whole by its rowid with
// "rowid, ImageID, Type, ID, ParentID, Size, Name" and the searched columns again.
class RowCheck {
public:
    static constexpr int kScanPatterns = 3;
    static constexpr int kRowPatterns = 7;

    bool compile(const FindCriteria& criteria, QString* message) {
        FindQuery unused;
        if (!BuildFindQuery(criteria, &unused, message)) // the same refusals as the statement
            return false;
        QString searched;
        for (size_t i = 0; i < std::size(kFields); ++i) {
            const QString& text = criteria.*(kFields[i].text);
            if (text.isEmpty())
                continue;
            Pattern p{*WildcardPattern::compile(text), int(m_patterns.size())};
            searched += u',' + QLatin1String(kFields[i].column);
            // The first two fields are the ones the name index covers.
            if (i < 2) {
                std::vector<NameIndex::GramGroup> groups = NameIndex::requiredGroups(p.pattern);
                m_groups.insert(m_groups.end(), groups.begin(), groups.end());
            }
            m_patterns.push_back(std::move(p));
        }
        m_scanColumns = QStringLiteral("Items.rowid, Items.ImageID, Items.Type") + searched;
        m_namesOnly = m_patterns.size() == 1 && !criteria.name.isEmpty();
        m_rowColumns = QStringLiteral("Items.rowid, Items.ImageID, Items.Type, Items.ID, "
                                      "Items.ParentID, Items.Size, Items.Name") +
                       searched;
        std::sort(m_groups.begin(), m_groups.end());
        m_groups.erase(std::unique(m_groups.begin(), m_groups.end()), m_groups.end());
        return true;
    }

    const QString& scanColumns() const { return m_scanColumns; }
    const QString& rowColumns() const { return m_rowColumns; }
    const std::vector<NameIndex::GramGroup>& groups() const { return m_groups; }
    // Only the Name field is searched: the index of types and names holds all a scan needs.
    bool namesOnly() const { return m_namesOnly; }

    // Whether the current row of st is a folder or file matching every field, of a listed
    // image unless images is null; the searched columns begin at `first`.
    bool matches(sqlite3_stmt* st, int first, const QHash<qint64, QString>* images) const {
        switch (sqlite3_column_type(st, 2)) {
        case SQLITE_NULL:
            break;
        case SQLITE_INTEGER: {
            const qint64 type = sqlite3_column_int64(st, 2);
            if (type != 0 && type != 1)
                return false;
            break;
        }
        case SQLITE_FLOAT: {
            const double type = sqlite3_column_double(st, 2);
            if (type != 0.0 && type != 1.0)
                return false;
            break;
        }
        default:
            return false;
        }
        for (const Pattern& p : m_patterns) {
            const int column = first + p.offset;
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
            if (!text || !p.pattern.matchesUtf8(text, sqlite3_column_bytes(st, column)))
                return false;
        }
        return !images || (sqlite3_column_type(st, 1) == SQLITE_INTEGER &&
                           images->contains(sqlite3_column_int64(st, 1)));
    }

    // The match of the current row of a statement on rowColumns().
    static FindMatch match(sqlite3_stmt* st, const QHash<qint64, QString>& images) {
        FindMatch m;
        m.imageId = qint32(sqlite3_column_int64(st, 1));
        m.type = qint32(sqlite3_column_int64(st, 2));
        m.itemId = qint32(sqlite3_column_int64(st, 3));
        m.parentId = qint32(sqlite3_column_int64(st, 4));
        m.size = sqlite3_column_int64(st, 5);
        m.imageName = images.value(sqlite3_column_int64(st, 1));
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 6));
        if (name)
            m.itemName = QString::fromUtf8(name, sqlite3_column_bytes(st, 6));
        return m;
    }

private:
    struct Pattern {
        WildcardPattern pattern;
        int offset;
    };
    QString m_scanColumns;
    QString m_rowColumns;
    std::vector<Pattern> m_patterns;
    std::vector<NameIndex::GramGroup> m_groups;
    bool m_namesOnly = false;
};

struct Query {
    sqlite3_stmt* st = nullptr;
    int rc = SQLITE_OK;
    Query(Database& db, const QString& sql) {
        const QByteArray utf8 = sql.toUtf8();
        rc = sqlite3_prepare_v3(db.handle(), utf8.constData(), int(utf8.size()), 0, &st, nullptr);
    }
    ~Query() { sqlite3_finalize(st); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
};

// Collects matches up to the limit and counts them as the options ask.
class Collector {
public:
    Collector(const FindOptions& options, FindOutcome* out) : m_options(options), m_out(out) {}

    // False once nothing more is wanted, after `checked` rows were read.
    bool wanted(size_t checked) const {
        const bool full = m_options.limit > 0 && m_total >= m_options.limit;
        switch (m_options.count) {
        case FindCount::None:
            return !full;
        case FindCount::Cheap:
            return !full || (m_total == m_options.limit) || checked < kCountBudget;
        case FindCount::Exact:
            return true;
        }
        return true;
    }
    void add(sqlite3_stmt* st, const QHash<qint64, QString>& images) {
        ++m_total;
        if (m_options.limit <= 0 || m_out->matches.size() < m_options.limit)
            m_out->matches.append(RowCheck::match(st, images));
    }
    void finish(bool complete) { m_out->total = complete ? m_total : -1; }

private:
    const FindOptions& m_options;
    FindOutcome* m_out;
    qint64 m_total = 0;
};

// Rows read in the order written before a search of names alone turns to the smaller index of
// types and names: enough for the first matches of a common pattern.
constexpr size_t kProbeRows = 65536;

// Matches without the name index. The rows are read in the order written, which can stop as
// soon as enough matches are found; a search of names alone reads the rest of the names from the
// index of types and names (smaller than the table) and takes its matches in row order. Each
// match is read whole by its rowid. SQLITE_OK, or the engine's failure.
int scanAll(Database& db, const RowCheck& check, const QHash<qint64, QString>& images,
            Collector& collector) {
    Query row(db, QStringLiteral("SELECT %1 FROM Items WHERE rowid=?").arg(check.rowColumns()));
    Query scan(db, QStringLiteral("SELECT %1 FROM Items ORDER BY rowid").arg(check.scanColumns()));
    if (scan.rc != SQLITE_OK || row.rc != SQLITE_OK)
        return scan.rc != SQLITE_OK ? scan.rc : row.rc;
    auto take = [&](qint64 rowid) {
        sqlite3_bind_int64(row.st, 1, rowid);
        const int rc = sqlite3_step(row.st);
        if (rc == SQLITE_ROW && check.matches(row.st, RowCheck::kRowPatterns, &images))
            collector.add(row.st, images);
        sqlite3_reset(row.st);
        return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
    };
    Query names(db, QStringLiteral("SELECT Items.rowid, NULL, Items.Type, Items.Name FROM Items "
                                   "INDEXED BY inItemTypeName"));
    const size_t probe = check.namesOnly() && names.rc == SQLITE_OK ? kProbeRows : SIZE_MAX;
    int rc = SQLITE_ROW;
    size_t read = 0;
    qint64 last = std::numeric_limits<qint64>::min();
    while (collector.wanted(read) && read < probe && (rc = sqlite3_step(scan.st)) == SQLITE_ROW) {
        ++read;
        last = sqlite3_column_int64(scan.st, 0);
        if (check.matches(scan.st, RowCheck::kScanPatterns, &images)) {
            if (const int taken = take(last); taken != SQLITE_OK)
                return taken;
        }
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return rc;
    if (rc == SQLITE_DONE || !collector.wanted(read)) {
        collector.finish(rc == SQLITE_DONE);
        return SQLITE_OK;
    }
    std::vector<qint64> rows;
    while ((rc = sqlite3_step(names.st)) == SQLITE_ROW) {
        if (check.matches(names.st, RowCheck::kScanPatterns, nullptr)) {
            const qint64 rowid = sqlite3_column_int64(names.st, 0);
            if (rowid > last)
                rows.push_back(rowid);
        }
    }
    if (rc != SQLITE_DONE)
        return rc;
    std::sort(rows.begin(), rows.end());
    size_t at = 0;
    for (; at < rows.size() && collector.wanted(read + at); ++at) {
        if (const int taken = take(rows[at]); taken != SQLITE_OK)
            return taken;
    }
    collector.finish(at == rows.size());
    return SQLITE_OK;
}

bool searchFailed(Database& db, int rc, FindOutcome* outcome, QString* message, bool* engineError) {
    const EngineError e = db.errorFor(rc);
    outcome->matches.clear();
    outcome->total = -1;
    if (engineError)
        *engineError = true;
    *message = DatabaseErrorText(e.number, e.description);
    return false;
}

} // namespace

bool RunFind(Database& db, const FindCriteria& criteria, const FindOptions& options,
             FindOutcome* outcome, QString* message, bool* engineError) {
    *outcome = FindOutcome();
    if (engineError)
        *engineError = false;
    RowCheck check;
    if (!check.compile(criteria, message))
        return false;
    auto failed = [&](int rc) { return searchFailed(db, rc, outcome, message, engineError); };

    QHash<qint64, QString> images;
    {
        Query q(db, QStringLiteral("SELECT ID, Name FROM Images"));
        if (q.rc != SQLITE_OK)
            return failed(q.rc);
        int rc;
        while ((rc = sqlite3_step(q.st)) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(q.st, 1));
            images.insert(sqlite3_column_int64(q.st, 0),
                          name ? QString::fromUtf8(name, sqlite3_column_bytes(q.st, 1))
                               : QString());
        }
        if (rc != SQLITE_DONE)
            return failed(rc);
    }
    Collector collector(options, outcome);

    NameIndex::Reader reader(db);
    if (check.groups().empty() || !reader.isValid()) {
        const int rc = scanAll(db, check, images, collector);
        return rc == SQLITE_OK || failed(rc);
    }

    // The blocks of rows that may match: from the index, or for an image without entries, the
    // blocks of the rows whose names match.
    outcome->usedIndex = true;
    std::vector<qint64> blocks;
    EngineError error;
    for (auto it = images.cbegin(); it != images.cend(); ++it) {
        const qint32 imageId = qint32(it.key());
        if (reader.indexedImages().contains(imageId) && imageId == it.key()) {
            if (!reader.candidates(imageId, check.groups(), &blocks, &error))
                return failed(SQLITE_ERROR);
            continue;
        }
        Query q(db,
                QStringLiteral("SELECT %1 FROM Items WHERE ImageID=?").arg(check.scanColumns()));
        if (q.rc != SQLITE_OK)
            return failed(q.rc);
        sqlite3_bind_int64(q.st, 1, it.key());
        int rc;
        while ((rc = sqlite3_step(q.st)) == SQLITE_ROW) {
            if (check.matches(q.st, RowCheck::kScanPatterns, &images))
                blocks.push_back(sqlite3_column_int64(q.st, 0) >> NameIndex::kBlockShift);
        }
        if (rc != SQLITE_DONE)
            return failed(rc);
    }
    // Images can share a block; each block is read once, in order.
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());

    Query q(db, QStringLiteral("SELECT %1 FROM Items WHERE rowid BETWEEN ?1 AND ?2")
                    .arg(check.rowColumns()));
    if (q.rc != SQLITE_OK)
        return failed(q.rc);
    size_t at = 0, read = 0;
    for (; at < blocks.size() && collector.wanted(read); ++at) {
        sqlite3_bind_int64(q.st, 1, blocks[at] << NameIndex::kBlockShift);
        sqlite3_bind_int64(q.st, 2, ((blocks[at] + 1) << NameIndex::kBlockShift) - 1);
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(q.st)) == SQLITE_ROW) {
            ++read;
            if (check.matches(q.st, RowCheck::kRowPatterns, &images))
                collector.add(q.st, images);
        }
        sqlite3_reset(q.st);
        if (rc != SQLITE_DONE)
            return failed(rc);
    }
    collector.finish(at == blocks.size());
    return true;
}

bool RunFind(Database& db, const FindCriteria& criteria, QList<FindMatch>* matches,
             QString* message, bool* engineError) {
    FindOutcome outcome;
    const bool ok = RunFind(db, criteria, FindOptions(), &outcome, message, engineError);
    *matches = std::move(outcome.matches);
    return ok;
}

QString FindSummaryText(const FindOutcome& outcome) {
    auto grouped = [](qint64 n) {
        QString digits = QString::number(n);
        for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
            digits.insert(i, u',');
        return digits;
    };
    const qint64 shown = outcome.matches.size();
    if (outcome.total >= 0 && outcome.total <= shown)
        return shown == 1 ? QStringLiteral("1 match")
                          : QStringLiteral("%1 matches").arg(grouped(shown));
    const QString total = outcome.total < 0 ? QStringLiteral("more than %1").arg(grouped(shown))
                                            : grouped(outcome.total);
    return QStringLiteral("%1 of %2 matches shown; narrow the search").arg(grouped(shown), total);
}

bool ParseMatchKey(const QString& key, qint32* imageId, qint32* itemId, qint32* parentId) {
    if (!key.startsWith(u'I'))
        return false;
    const QStringList parts = key.mid(1).split(u'I');
    if (parts.size() != 3)
        return false;
    bool ok[3];
    const qint32 a = parts[0].toInt(&ok[0]);
    const qint32 b = parts[1].toInt(&ok[1]);
    const qint32 c = parts[2].toInt(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2])
        return false;
    *imageId = a;
    *itemId = b;
    *parentId = c;
    return true;
}

QString FolderPath(Database& db, qint32 imageId, qint32 folderId) {
    QStringList names;
    QSet<qint32> seen;
    qint32 id = folderId;
    bool shortened = false;
    while (id > 0 && !seen.contains(id)) {
        if (names.size() == kMaxDepth) {
            shortened = true;
            break;
        }
        seen.insert(id);
        Recordset rs = db.OpenRecordset(
            QStringLiteral("SELECT ParentID, Name FROM Items WHERE ID=? AND ImageID=?"),
            {qint64(id), qint64(imageId)});
        if (!rs.isValid() || rs.Eof())
            break;
        names.prepend(rs.text(1));
        id = rs.isNull(0) ? 0 : qint32(rs.int64(0));
    }
    return (shortened ? QStringLiteral("\u2026/") : QStringLiteral("/")) + names.join(u'/');
}

QString ItemFullPath(Database& db, qint32 imageId, qint32 parentId, qint32 itemId,
                     const QString& name) {
    // The root folder's own row (ID 0 under -1) is the root itself.
    if (itemId == 0 && parentId < 0)
        return QStringLiteral("/");
    const QString folder = FolderPath(db, imageId, parentId);
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}

void ShowMatch(MainView& view, qint32 imageId, qint32 itemId, qint32 parentId, qint32 type) {
    const QString image = QStringLiteral("I%1").arg(imageId);
    view.showCatalogueEntry(image);
    view.setCurrentImageId(imageId);
    // The root folder's entry is K0, also for the root row of an imported image.
    const qint32 folder = parentId < 0 ? 0 : parentId;
    if (view.isFolderTreeVisible())
        view.showFolderEntry(QStringLiteral("K%1").arg(folder));
    view.FillFiles(folder);
    view.selectListEntry((type == 0 ? QStringLiteral("F%1") : QStringLiteral("K%1")).arg(itemId));
    view.setListActive(true);
}
