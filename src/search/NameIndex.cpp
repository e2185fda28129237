#include "search/NameIndex.h"

#include "catalogue/Wildcard.h"
#include "catalogue/mdlDatabase.h"
#include "common/MainView.h"
#include "common/Ui.h"

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>

namespace NameIndex {

namespace {

// A list is written out once the lists being built hold this many bytes, so that indexing a
// disk of millions of files needs a few megabytes, not one entry per posting; each list's buffer
// stays small enough to come from memory the page cache gave back.
size_t& segmentBytes() {
    static size_t bytes = size_t(8) << 20;
    return bytes;
}

enum : unsigned char { kGaps = 0, kBitmap = 1 };

// A stored list is cut into rows of at most this many bytes, which stay within a page of 4 KiB
// of the table's tree (its keys take a few bytes more).
size_t& rowBytes() {
    static size_t bytes = 960;
    return bytes;
}

[[gnu::always_inline]] inline void putVarint(std::string& out, quint64 v) {
    while (v >= 0x80) {
        out.push_back(char(v | 0x80));
        v >>= 7;
    }
    out.push_back(char(v));
}

quint64 getVarint(const unsigned char*& p, const unsigned char* end) {
    quint64 v = 0;
    for (int shift = 0; p < end && shift < 64; shift += 7) {
        const unsigned char b = *p++;
        v |= quint64(b & 0x7F) << shift;
        if (!(b & 0x80))
            break;
    }
    return v;
}

bool fail(Database& db, int rc, EngineError* error) {
    const EngineError e = db.errorFor(rc);
    db.setError(e);
    if (error)
        *error = e;
    return false;
}

// A prepared statement freed at scope exit.
struct Stmt {
    sqlite3_stmt* s = nullptr;
    int rc = SQLITE_OK;
    Stmt(Database& db, const char* sql) {
        rc = sqlite3_prepare_v3(db.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    }
    ~Stmt() { sqlite3_finalize(s); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
};

// One posting list under construction: its first and last block and the gaps between blocks.
struct ListBuilder {
    qint64 first = 0;
    qint64 last = 0;
    quint32 count = 0;
    std::string gaps;
};

// Collects the lists of one image and writes them out segment by segment.
class Builder {
public:
    explicit Builder(qint32 imageId) : m_imageId(imageId), m_slots(size_t(1) << 16) {}

    void add(Gram g, qint64 block) {
        Slot& slot = find(g);
        if (slot.list < 0) {
            slot.gram = g;
            slot.list = int32_t(m_lists.size());
            m_lists.emplace_back();
            m_grams.push_back(g);
            ListBuilder& l = m_lists.back();
            l.first = l.last = block;
            l.count = 1;
            m_bytes += sizeof(ListBuilder) + 16;
            return;
        }
        ListBuilder& l = m_lists[size_t(slot.list)];
        if (l.last == block)
            return;
        const size_t before = l.gaps.size();
        putVarint(l.gaps, quint64(block - l.last));
        m_bytes += l.gaps.size() - before;
        l.last = block;
        ++l.count;
    }

    bool full() const { return m_bytes >= segmentBytes(); }

    bool flush(Database& db, sqlite3_stmt* insert, EngineError* error) {
        std::vector<int32_t> order(m_lists.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = int32_t(i);
        // In key order, so the rows go into the table's tree one after another.
        std::sort(order.begin(), order.end(),
                  [&](int32_t a, int32_t b) { return m_grams[size_t(a)] < m_grams[size_t(b)]; });
        std::string blob;
        std::vector<qint64> blocks;
        for (int32_t i : order) {
            const ListBuilder& list = m_lists[size_t(i)];
            const Gram gram = m_grams[size_t(i)];
            auto insertRow = [&](const ListBuilder& part) {
                encode(part, blob);
                sqlite3_bind_int64(insert, 1, m_imageId);
                sqlite3_bind_int64(insert, 2, qint64(gram));
                sqlite3_bind_int64(insert, 3, part.first);
                sqlite3_bind_blob(insert, 4, blob.data(), int(blob.size()), SQLITE_STATIC);
                const int rc = sqlite3_step(insert);
                sqlite3_reset(insert);
                return rc == SQLITE_DONE || fail(db, rc, error);
            };
            if (encodedSize(list) <= rowBytes()) {
                if (!insertRow(list))
                    return false;
                continue;
            }
            // A long list goes into rows that each fit in a page of the table's tree: a value
            // that spills onto pages of its own leaves half of its last page empty.
            blocks.clear();
            decode(list, blocks);
            ListBuilder part;
            for (qint64 b : blocks) {
                if (part.count > 0) {
                    const size_t before = part.gaps.size();
                    putVarint(part.gaps, quint64(b - part.last));
                    const qint64 last = part.last;
                    part.last = b;
                    if (encodedSize(part) <= rowBytes()) {
                        ++part.count;
                        continue;
                    }
                    part.gaps.resize(before);
                    part.last = last;
                    if (!insertRow(part))
                        return false;
                }
                part = ListBuilder();
                part.first = part.last = b;
                part.count = 1;
            }
            if (!insertRow(part))
                return false;
        }
        std::fill(m_slots.begin(), m_slots.end(), Slot());
        m_lists.clear();
        m_grams.clear();
        m_bytes = 0;
        return true;
    }

private:
    // The bytes of a stored row's list: the kind, the count and the first block (at most 11
    // bytes), then the gaps or the bitmap, whichever is smaller.
    static size_t encodedSize(const ListBuilder& l) {
        const quint64 bitmapBytes = (quint64(l.last - l.first) + 1 + 7) / 8;
        return 11 + size_t(qMin<quint64>(bitmapBytes, l.gaps.size()));
    }

    static void decode(const ListBuilder& l, std::vector<qint64>& out) {
        out.push_back(l.first);
        const auto* p = reinterpret_cast<const unsigned char*>(l.gaps.data());
        const auto* end = p + l.gaps.size();
        qint64 at = l.first;
        while (p < end) {
            at += qint64(getVarint(p, end));
            out.push_back(at);
        }
    }

    // The gaps as they are, or a bitmap of the rows from the first on, whichever is smaller.
    static void encode(const ListBuilder& l, std::string& out) {
        out.clear();
        const quint64 span = quint64(l.last - l.first) + 1;
        const quint64 bitmapBytes = (span + 7) / 8;
        const bool bitmap = bitmapBytes < l.gaps.size();
        out.push_back(char(bitmap ? kBitmap : kGaps));
        putVarint(out, l.count);
        putVarint(out, quint64(l.first));
        if (!bitmap) {
            out += l.gaps;
            return;
        }
        const size_t head = out.size();
        out.resize(head + size_t(bitmapBytes), '\0');
        auto* bits = reinterpret_cast<unsigned char*>(out.data() + head);
        const auto* p = reinterpret_cast<const unsigned char*>(l.gaps.data());
        const auto* end = p + l.gaps.size();
        quint64 off = 0;
        bits[0] |= 1;
        while (p < end) {
            off += getVarint(p, end);
            bits[off >> 3] |= static_cast<unsigned char>(1u << (off & 7));
        }
    }

    qint32 m_imageId;
    // Open addressing: the runs are looked up once per item and run, the hot path of indexing.
    struct Slot {
        Gram gram = 0;
        int32_t list = -1;
    };
    [[gnu::always_inline]] Slot& find(Gram g) {
        if (m_lists.size() * 2 >= m_slots.size())
            grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = (g * 2654435761u) & mask;; i = (i + 1) & mask) {
            if (m_slots[i].list < 0 || m_slots[i].gram == g)
                return m_slots[i];
        }
    }
    void grow() {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        for (const Slot& s : old) {
            if (s.list >= 0)
                find(s.gram) = s;
        }
    }

    std::vector<Slot> m_slots;
    std::vector<ListBuilder> m_lists;
    std::vector<Gram> m_grams;
    size_t m_bytes = 0;
};

void addText(const unsigned char* text, int size, std::u32string& folded,
             std::vector<Gram>& grams) {
    if (!text || size < 3)
        return;
    // Plain ASCII, nearly every name: the keys straight from the bytes, as gramsOf makes them.
    unsigned all = 0;
    for (int i = 0; i < size; ++i)
        all |= text[i];
    if (all < 0x80) {
        auto fold = [](unsigned char c) { return Gram(c >= 'A' && c <= 'Z' ? c + 32 : c); };
        Gram a = fold(text[0]), b = fold(text[1]);
        for (int i = 2; i < size; ++i) {
            const Gram c = fold(text[i]);
            grams.push_back(a << 14 | b << 7 | c);
            a = b;
            b = c;
        }
        return;
    }
    FoldUtf8(reinterpret_cast<const char*>(text), size, folded);
    gramsOf(folded, grams);
}

// A writer's page cache is full of the rows it has just written when it indexes them. When it
// holds many, those pages go to the file now (they would at the commit) and the cache is kept
// small while the lists are built, so that indexing adds little to the writer's peak memory:
// the lists are built in memory the cache gave back.
class CacheLimit {
public:
    explicit CacheLimit(Database& db) : m_db(db) {
        constexpr int kLargeCache = 32 << 20;
        constexpr qint64 kCacheKiB = 8192;
        int used = 0, highest = 0;
        if (sqlite3_db_status(db.handle(), SQLITE_DBSTATUS_CACHE_USED, &used, &highest, 0) !=
                SQLITE_OK ||
            used < kLargeCache)
            return;
        sqlite3_stmt* st = nullptr;
        qint64 pageSize = 4096;
        if (sqlite3_prepare_v2(db.handle(), "PRAGMA page_size", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            pageSize = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        if (sqlite3_prepare_v2(db.handle(), "PRAGMA cache_size", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            m_before = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        const qint64 kib = m_before < 0 ? -m_before : m_before * pageSize / 1024;
        if (kib <= kCacheKiB)
            return;
        m_set = true;
        sqlite3_db_cacheflush(db.handle());
        setCacheSize(-kCacheKiB);
        sqlite3_db_release_memory(db.handle());
    }
    ~CacheLimit() {
        if (m_set)
            setCacheSize(m_before);
    }
    CacheLimit(const CacheLimit&) = delete;
    CacheLimit& operator=(const CacheLimit&) = delete;

private:
    void setCacheSize(qint64 value) {
        const QByteArray sql = "PRAGMA cache_size=" + QByteArray::number(value);
        sqlite3_exec(m_db.handle(), sql.constData(), nullptr, nullptr, nullptr);
    }

    Database& m_db;
    qint64 m_before = 0;
    bool m_set = false;
};

} // namespace

// One stored segment of a posting list, read forward.
struct Segment {
    std::string blob;
    unsigned char kind = kGaps;
    quint64 count = 0;
    qint64 first = 0;
    const unsigned char* p = nullptr; // next gap, or the bitmap
    const unsigned char* end = nullptr;
    qint64 current = 0;
    quint64 left = 0; // gaps not yet read

    bool parse() {
        p = reinterpret_cast<const unsigned char*>(blob.data());
        end = p + blob.size();
        if (p == end)
            return false;
        kind = *p++;
        count = getVarint(p, end);
        first = qint64(getVarint(p, end));
        current = first;
        left = count ? count - 1 : 0;
        return count > 0 && (kind == kGaps || kind == kBitmap);
    }
    qint64 bitmapEnd() const { return first + qint64(end - p) * 8; }
    bool bit(qint64 row) const {
        const quint64 off = quint64(row - first);
        return (p[off >> 3] >> (off & 7)) & 1;
    }
};

// The blocks of one gram's list, or of a group's lists merged, queried with rising block numbers.
struct List {
    std::vector<Segment> segments;
    std::vector<qint64> merged; // a group's blocks, when `segments` is not used
    quint64 count = 0;
    size_t at = 0;

    bool contains(qint64 row) {
        if (segments.empty()) {
            while (at < merged.size() && merged[at] < row)
                ++at;
            return at < merged.size() && merged[at] == row;
        }
        while (at < segments.size()) {
            Segment& s = segments[at];
            if (row < s.first)
                return false;
            if (s.kind == kBitmap) {
                // The bitmap's last byte may reach into the next segment's blocks.
                if (row < s.bitmapEnd() && s.bit(row))
                    return true;
                if (at + 1 < segments.size() && row >= segments[at + 1].first) {
                    ++at;
                    continue;
                }
                return false;
            }
            while (s.current < row && s.left > 0) {
                s.current += qint64(getVarint(s.p, s.end));
                --s.left;
            }
            if (s.current == row)
                return true;
            if (s.current > row)
                return false;
            ++at;
        }
        return false;
    }

    void appendAll(std::vector<qint64>* rows) {
        rows->insert(rows->end(), merged.begin(), merged.end());
        for (Segment& s : segments) {
            if (s.kind == kBitmap) {
                for (qint64 r = s.first; r < s.bitmapEnd(); ++r) {
                    if (s.bit(r))
                        rows->push_back(r);
                }
                continue;
            }
            rows->push_back(s.current);
            while (s.left > 0) {
                s.current += qint64(getVarint(s.p, s.end));
                --s.left;
                rows->push_back(s.current);
            }
        }
    }
};

void setListLimitsForTest(size_t segment, size_t row) {
    segmentBytes() = segment ? segment : size_t(8) << 20;
    rowBytes() = row ? row : 960;
}

void gramsOf(const std::u32string& folded, std::vector<Gram>& out) {
    for (size_t i = 0; i + 2 < folded.size(); ++i) {
        const char32_t a = folded[i], b = folded[i + 1], c = folded[i + 2];
        if ((a | b | c) < 0x80) {
            out.push_back(Gram(a) << 14 | Gram(b) << 7 | Gram(c));
            continue;
        }
        // Other characters share a hashed key: a collision only adds rows the search checks.
        quint32 h = 2166136261u;
        for (char32_t x : {a, b, c}) {
            h ^= quint32(x);
            h *= 16777619u;
        }
        out.push_back((h | 0x40000000u) & 0x7FFFFFFFu);
    }
}

std::vector<GramGroup> requiredGroups(const WildcardPattern& pattern) {
    // Wider groups cost a lookup per gram and read lists that together hold many blocks.
    constexpr size_t kMostGrams = 128;
    std::vector<GramGroup> groups;
    for (const std::vector<std::u32string>& run : pattern.choiceRuns(kMostGrams)) {
        for (size_t i = 0; i + 2 < run.size(); ++i) {
            const std::u32string &a = run[i], &b = run[i + 1], &c = run[i + 2];
            if (a.empty() || b.empty() || c.empty() || a.size() * b.size() * c.size() > kMostGrams)
                continue;
            GramGroup group;
            std::u32string three(3, U' ');
            for (char32_t x : a) {
                for (char32_t y : b) {
                    for (char32_t z : c) {
                        three[0] = x;
                        three[1] = y;
                        three[2] = z;
                        gramsOf(three, group);
                    }
                }
            }
            std::sort(group.begin(), group.end());
            group.erase(std::unique(group.begin(), group.end()), group.end());
            groups.push_back(std::move(group));
        }
    }
    std::sort(groups.begin(), groups.end());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    // Every plain run counts; of the others, the two narrowest are enough to pick the blocks.
    std::stable_sort(groups.begin(), groups.end(),
                     [](const GramGroup& x, const GramGroup& y) { return x.size() < y.size(); });
    size_t keep = 0, wide = 0;
    for (; keep < groups.size(); ++keep) {
        if (groups[keep].size() > 1 && ++wide > 2)
            break;
    }
    groups.resize(keep);
    return groups;
}

bool removeImage(Database& db, qint32 imageId, EngineError* error) {
    return DropNameIndexEntries(db, imageId, error);
}

namespace {

qint64 scalarInt(Database& db, const char* sql, qint32 imageId, bool* isNull, int* rc) {
    Stmt st(db, sql);
    *rc = st.rc;
    if (st.rc != SQLITE_OK)
        return 0;
    sqlite3_bind_int64(st.s, 1, imageId);
    *rc = sqlite3_step(st.s);
    if (*rc != SQLITE_ROW)
        return 0;
    *rc = SQLITE_OK;
    *isNull = sqlite3_column_type(st.s, 0) == SQLITE_NULL;
    return sqlite3_column_int64(st.s, 0);
}

// Indexes the image's rows from row `low` on, in row order, until `count` of them were read;
// *seen tells how many were.
bool indexRows(Database& db, qint32 imageId, qint64 low, qint64 count, qint64* seen,
               EngineError* error) {
    Stmt rows(db, "SELECT rowid, Name, MSDOSName FROM Items NOT INDEXED "
                  "WHERE rowid >= ?1 AND ImageID=?2");
    Stmt insert(db, "INSERT INTO NameGrams (ImageID, Gram, First, Postings) VALUES (?, ?, ?, ?)");
    if (rows.rc != SQLITE_OK || insert.rc != SQLITE_OK)
        return fail(db, rows.rc != SQLITE_OK ? rows.rc : insert.rc, error);
    sqlite3_bind_int64(rows.s, 1, low);
    sqlite3_bind_int64(rows.s, 2, imageId);
    Builder builder(imageId);
    std::u32string folded;
    std::vector<Gram> grams;
    qint64 lastBlock = -1;
    int rc = SQLITE_ROW;
    *seen = 0;
    while (*seen < count && (rc = sqlite3_step(rows.s)) == SQLITE_ROW) {
        ++*seen;
        const qint64 block = sqlite3_column_int64(rows.s, 0) >> kBlockShift;
        // A segment ends only between blocks, so each block is in one segment of a list.
        if (block != lastBlock && builder.full() && !builder.flush(db, insert.s, error))
            return false;
        lastBlock = block;
        grams.clear();
        addText(sqlite3_column_text(rows.s, 1), sqlite3_column_bytes(rows.s, 1), folded, grams);
        addText(sqlite3_column_text(rows.s, 2), sqlite3_column_bytes(rows.s, 2), folded, grams);
        // A run found twice in a block is added once: the lists keep blocks, not rows.
        for (Gram g : grams)
            builder.add(g, block);
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return fail(db, rc, error);
    return builder.flush(db, insert.s, error);
}

} // namespace

bool addImage(Database& db, qint32 imageId, EngineError* error) {
    if (!CreateNameIndexTables(db, error) || !removeImage(db, imageId, error))
        return false;
    bool isNull = false;
    int rc = SQLITE_OK;
    const qint64 count =
        scalarInt(db, "SELECT count(*) FROM Items WHERE ImageID=?", imageId, &isNull, &rc);
    if (rc != SQLITE_OK)
        return fail(db, rc, error);
    CacheLimit limit(db);
    if (count > 0) {
        // The rows are read in row order, so the lists come out ascending. An image's rows
        // follow one another, its item 0 or 1 first, as its writer made them: read from there
        // until all are met. Only when that does not meet them all (rows moved or interleaved),
        // from the image's lowest row number, which takes a search of all its rows to find.
        const qint64 first =
            scalarInt(db, "SELECT min(rowid) FROM Items WHERE ID IN (0, 1) AND ImageID=?", imageId,
                      &isNull, &rc);
        if (rc != SQLITE_OK)
            return fail(db, rc, error);
        qint64 seen = 0;
        if (!isNull && !indexRows(db, imageId, first, count, &seen, error))
            return false;
        if (seen != count) {
            const qint64 low = scalarInt(db, "SELECT min(rowid) FROM Items WHERE ImageID=?",
                                         imageId, &isNull, &rc);
            if (rc != SQLITE_OK)
                return fail(db, rc, error);
            if (!removeImage(db, imageId, error) ||
                !indexRows(db, imageId, low, count, &seen, error))
                return false;
        }
    }
    Stmt mark(db, "INSERT INTO NameIndexImages (ImageID, Items, ItemsRoot) VALUES (?, ?, "
                  "(SELECT rootpage FROM sqlite_master WHERE type='table' AND name='Items'))");
    if (mark.rc != SQLITE_OK)
        return fail(db, mark.rc, error);
    sqlite3_bind_int64(mark.s, 1, imageId);
    sqlite3_bind_int64(mark.s, 2, count);
    rc = sqlite3_step(mark.s);
    return rc == SQLITE_DONE || fail(db, rc, error);
}

QList<qint32> imagesWithoutIndex(Database& db) {
    QList<qint32> ids;
    Stmt st(db, "SELECT ID FROM Images WHERE ID NOT IN (SELECT ImageID FROM NameIndexImages "
                "WHERE ItemsRoot=(SELECT rootpage FROM sqlite_master WHERE type='table' AND "
                "name='Items')) "
                "ORDER BY ID");
    if (st.rc != SQLITE_OK) {
        // No index tables at all: every image lacks entries.
        Stmt all(db, "SELECT ID FROM Images ORDER BY ID");
        while (all.rc == SQLITE_OK && sqlite3_step(all.s) == SQLITE_ROW)
            ids.append(qint32(sqlite3_column_int64(all.s, 0)));
        return ids;
    }
    while (sqlite3_step(st.s) == SQLITE_ROW)
        ids.append(qint32(sqlite3_column_int64(st.s, 0)));
    return ids;
}

bool indexMissing(Database& db, const std::function<void(int, int)>& progress, EngineError* error) {
    if (!CreateNameIndexTables(db, error))
        return false;
    const QList<qint32> ids = imagesWithoutIndex(db);
    for (int i = 0; i < ids.size(); ++i) {
        Transaction t(db);
        if (!t.isActive() || !addImage(db, ids[i], error) || !t.commit()) {
            if (error && !*error)
                *error = db.lastError();
            return false;
        }
        if (progress)
            progress(i + 1, int(ids.size()));
    }
    return true;
}

bool rebuild(Database& db, EngineError* error) {
    Transaction t(db);
    if (!t.isActive() || !CreateNameIndexTables(db, error) ||
        !db.Execute(QStringLiteral("DELETE FROM NameGrams")) ||
        !db.Execute(QStringLiteral("DELETE FROM NameIndexImages"))) {
        if (error && !*error)
            *error = db.lastError();
        return false;
    }
    for (qint32 id : imagesWithoutIndex(db)) {
        if (!addImage(db, id, error))
            return false;
    }
    if (!t.commit()) {
        if (error)
            *error = db.lastError();
        return false;
    }
    return true;
}

Reader::Reader(Database& db) : m_db(db) {
    // Entries made from an Items table since made anew (an upgrade that copied its rows) name
    // rows by numbers that no longer hold: those images are read instead.
    Stmt images(db, "SELECT ImageID FROM NameIndexImages WHERE ItemsRoot=(SELECT rootpage FROM "
                    "sqlite_master WHERE type='table' AND name='Items')");
    if (images.rc != SQLITE_OK)
        return;
    while (sqlite3_step(images.s) == SQLITE_ROW)
        m_indexed.insert(qint32(sqlite3_column_int64(images.s, 0)));
    if (sqlite3_prepare_v3(db.handle(),
                           "SELECT Postings FROM NameGrams WHERE ImageID=?1 AND Gram=?2 "
                           "ORDER BY First",
                           -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        m_indexed.clear();
    }
}

Reader::~Reader() {
    sqlite3_finalize(m_stmt);
}

bool Reader::fetch(qint32 imageId, Gram gram, List* list, EngineError* error) {
    sqlite3_bind_int64(m_stmt, 1, imageId);
    sqlite3_bind_int64(m_stmt, 2, qint64(gram));
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
        Segment s;
        const auto* data = static_cast<const char*>(sqlite3_column_blob(m_stmt, 0));
        s.blob.assign(data ? data : "", size_t(sqlite3_column_bytes(m_stmt, 0)));
        list->segments.push_back(std::move(s));
    }
    sqlite3_reset(m_stmt);
    if (rc != SQLITE_DONE)
        return fail(m_db, rc, error);
    for (Segment& s : list->segments) {
        if (!s.parse())
            return fail(m_db, SQLITE_CORRUPT, error);
        list->count += s.count;
    }
    return true;
}

bool Reader::candidates(qint32 imageId, const std::vector<GramGroup>& groups,
                        std::vector<qint64>* blocks, EngineError* error) {
    std::vector<List> lists(groups.size());
    for (size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].size() == 1) {
            if (!fetch(imageId, groups[i].front(), &lists[i], error))
                return false;
        } else {
            // A group: the blocks of any of its grams.
            for (Gram g : groups[i]) {
                List one;
                if (!fetch(imageId, g, &one, error))
                    return false;
                one.appendAll(&lists[i].merged);
            }
            std::sort(lists[i].merged.begin(), lists[i].merged.end());
            lists[i].merged.erase(std::unique(lists[i].merged.begin(), lists[i].merged.end()),
                                  lists[i].merged.end());
            lists[i].count = lists[i].merged.size();
        }
        // Nothing of the image holds this: nothing here can match.
        if (lists[i].count == 0)
            return true;
    }
    if (lists.empty())
        return true;
    // The shortest list proposes, the others confirm.
    std::sort(lists.begin(), lists.end(),
              [](const List& a, const List& b) { return a.count < b.count; });
    std::vector<qint64> found;
    lists.front().appendAll(&found);
    for (size_t i = 1; i < lists.size() && !found.empty(); ++i) {
        size_t kept = 0;
        for (qint64 r : found) {
            if (lists[i].contains(r))
                found[kept++] = r;
        }
        found.resize(kept);
    }
    blocks->insert(blocks->end(), found.begin(), found.end());
    return true;
}

} // namespace NameIndex

namespace {

// A catalogue from before the index is indexed on its first writable open, image by image, with
// the busy pointer, the count of images done in the status bar and the window kept alive.
void indexOnOpen(Database& db, Ui* ui, MainView* view) {
    const int missing = int(NameIndex::imagesWithoutIndex(db).size());
    if (missing == 0)
        return;
    auto show = [&](int done) {
        if (view)
            view->setStatusFile(
                QStringLiteral("Indexing names: %1 of %2 images").arg(done).arg(missing));
        if (ui)
            ui->processEvents();
    };
    if (ui)
        ui->setBusy(true);
    show(0);
    NameIndex::indexMissing(db, [&](int done, int) { show(done); });
    db.clearError();
    if (view)
        view->setStatusFile(QString());
    if (ui)
        ui->setBusy(false);
}

void rebuildAfterCompact(Database& db, Ui*, MainView*) {
    // Entries that could not be made again may name rows by old numbers: without them the
    // search reads the names instead.
    if (!NameIndex::rebuild(db))
        db.Execute(QStringLiteral("DELETE FROM NameIndexImages"));
    db.clearError();
}

[[maybe_unused]] const bool kHooksSet = [] {
    WritableOpenHook() = &indexOnOpen;
    CompactedHook() = &rebuildAfterCompact;
    ImageWrittenHook() = [](Database& db, qint32 imageId, EngineError* error) {
        return NameIndex::addImage(db, imageId, error);
    };
    return true;
}();

} // namespace
