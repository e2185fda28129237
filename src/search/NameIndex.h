#pragma once

#include "catalogue/Engine.h"

#include <QSet>

#include <functional>
#include <string>
#include <vector>

class WildcardPattern;

// The catalogue's name index, which lets Find answer substring and wildcard searches without
// reading every name. Its entries are written in the same transaction as the rows they cover, so
// an image and its index entries appear and vanish together.
//
// Items are taken in blocks of eight consecutive row numbers (Items.rowid >> kBlockShift). For
// each image, every run of three characters (folded as the patterns fold them) of an item's Name
// or MSDOSName has one posting list: the blocks holding an item of the image with that run,
// ascending, stored as varint gaps or as a bitmap, whichever is smaller. Blocks rather than rows
// keep the gaps short: the lists take about half the room, and checking a block's eight rows costs
// little more than checking one. An image has entries only when it has a row in NameIndexImages;
// an image without one is searched by reading its names.
namespace NameIndex {

constexpr int kBlockShift = 3;

// Index every item of one image. Call inside the transaction that wrote the image's rows.
bool addImage(Database& db, qint32 imageId, EngineError* error = nullptr);

// Drop one image's entries. Call inside the transaction that deletes or rewrites the image.
bool removeImage(Database& db, qint32 imageId, EngineError* error = nullptr);

// The images that have rows in Images but no index entries: those of a catalogue made before
// the index, or written by a program that does not keep it.
QList<qint32> imagesWithoutIndex(Database& db);

// Indexes those images, each in a transaction of its own; progress(done, total) after each.
bool indexMissing(Database& db, const std::function<void(int, int)>& progress = {},
                  EngineError* error = nullptr);

// Drops every entry and indexes every image again, in one transaction (after the rows were
// renumbered, as a compaction may do).
bool rebuild(Database& db, EngineError* error = nullptr);

// Lists are built in segments of about `segment` bytes and stored in rows of at most `row` bytes
// (0: the usual sizes); tests make them small to get many of both from few items. Use only for
// testing.
void setListLimitsForTest(size_t segment, size_t row);

// The keys of the runs of three characters in folded text.
using Gram = quint32;
void gramsOf(const std::u32string& folded, std::vector<Gram>& out);

// What every text matching the pattern holds, as groups of grams: a matching text holds at least
// one gram of each group. A plain run of three characters gives a group of one; "#", small sets
// and plain characters next to each other give a group of their few combinations ("##x": 100).
// Empty when the pattern has no such run (the search then reads the names).
using GramGroup = std::vector<Gram>;
std::vector<GramGroup> requiredGroups(const WildcardPattern& pattern);

struct List;

// Reads posting lists for searches. Invalid (isValid false) on a catalogue without the index.
class Reader {
public:
    explicit Reader(Database& db);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    const QSet<qint32>& indexedImages() const { return m_indexed; }

    // The blocks where some item of the image has a gram of each group in its Name or
    // MSDOSName (not necessarily the same item), ascending, appended to *blocks. A superset of
    // the blocks that hold matches: the caller checks every row of each.
    bool candidates(qint32 imageId, const std::vector<GramGroup>& groups,
                    std::vector<qint64>* blocks, EngineError* error);

private:
    bool fetch(qint32 imageId, Gram gram, List* list, EngineError* error);

    Database& m_db;
    sqlite3_stmt* m_stmt = nullptr;
    QSet<qint32> m_indexed;
};

} // namespace NameIndex
