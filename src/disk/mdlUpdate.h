#pragma once

#include "mdlScan.h"

#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Bringing an image up to date with its disk while keeping what the user wrote on its items.
// Read() walks the tree as a scan would (same passes, progress, pauses and Cancel) and compares
// it with the image's rows without writing anything; Apply() then writes the differences in one
// transaction. Items are matched by their path within the image (their stored names from the
// root down, and folder or file): a match keeps its ID, keywords, description and comment and has
// the rest refreshed. A removed item whose type, name, size and modification time match exactly
// one added item, and no other removed item, was moved: the added item takes its row, notes and
// all. The old image is held as compact arrays, so a million items stay well under 100 MB.
class ImageUpdate : public DiskScan {
public:
    enum class Kind : quint8 { Added, Removed, Changed, Moved };
    struct Difference {
        Kind kind;
        qint32 index; // Added, Moved: an added item; Removed, Changed: an old item
    };
    struct Counts {
        qint64 added = 0;
        qint64 removed = 0;
        qint64 changed = 0;
        qint64 moved = 0;
        qint64 kept = 0; // matched by path and neither changed nor moved
    };
    // Runs inside the write's transaction once the rows are written (the name index); false
    // undoes the whole write.
    using Hook = std::function<bool(Database& db, qint32 imageId)>;

    ImageUpdate(Database& db, Ui& ui, qint32 imageId, ScanProgress* progress = nullptr,
                const ScanFlavour& flavour = ScanFlavour());

    // Reads the image and the tree and works out the differences. Done, Cancelled, or Failed
    // after a message. options are those of a scan ("Scan Files" and the rest).
    Result Read(TreeSource& source);
    // Writes what Read found; nothing at all when nothing differs.
    Result Apply(const Hook& afterRows = {});

    qint32 imageId() const { return m_imageId; }
    const Counts& counts() const { return m_counts; }
    // Differences in the order: added, removed, changed, moved; each in walk order.
    const std::vector<Difference>& differences() const { return m_differences; }
    // Removed items (not moved) that carry keywords, a description or a comment.
    qint64 lostNotes() const { return m_lostNotes; }
    bool removedHasNotes(qint32 oldIndex) const;
    // Whether Apply has anything to write (differences, or refreshed values).
    bool hasWrites() const;
    // Paths within the image, beginning with "/", from the stored names.
    std::string oldPath(qint32 oldIndex) const;
    std::string addedPath(qint32 addedIndex) const;
    // The path a difference is listed under (for a move, where it went), and a move's origin.
    std::string pathOf(const Difference& d) const;
    std::string movedFrom(const Difference& d) const;
    // "3 removed items have keywords or comments"; empty when none.
    QString lostNotesText() const;

private:
    enum Flag : quint8 { Folder = 1, Notes = 2, Matched = 4, MovedAway = 8, RootRow = 16 };
    // A time as yyyyMMddhhmmss, kNoTime for none.
    static constexpr qint64 kNoTime = -1;
    // Parent slots: an old item's index, the root, or none (never matched).
    static constexpr qint32 kRootSlot = -2;
    static constexpr qint32 kNoSlot = -1;
    struct OldItem {
        qint32 id = 0;
        qint32 parent = kNoSlot;
        quint32 nameOffset = 0;
        quint16 nameSize = 0; // no file system's name comes near
        quint8 flags = 0;
        qint64 size = 0;
        qint64 timeM = kNoTime;
        quint64 refresh = 0; // hash of the refreshed columns but Size
    };
    // New values of one item: refreshed into a kept row, or written as a new one.
    struct Values {
        quint32 attrib = 0;
        qint64 size = 0;
        qint64 times[3] = {kNoTime, kNoTime, kNoTime};
        quint32 msdosOffset = 0;
        quint16 msdosSize = 0;
        bool msdosNull = true;
    };
    struct Refresh {
        qint32 oldIndex = 0;
        Values values;
    };
    struct Added {
        qint32 parentOld = kNoSlot; // the parent when it is an old item or the root
        qint32 parentAdded = -1;    // else the parent among the added ones
        qint32 movedFrom = -1;      // the old item it takes the row of
        bool folder = false;
        quint32 nameOffset = 0;
        quint32 nameSize = 0;
        Values values;
    };

    bool loadImage();
    bool loadItems();
    qint32 find(qint32 parentSlot, std::string_view name, bool folder) const;
    std::string_view oldName(qint32 i) const {
        return std::string_view(m_names).substr(m_old[size_t(i)].nameOffset,
                                                m_old[size_t(i)].nameSize);
    }
    std::string_view addedName(qint32 i) const {
        return std::string_view(m_addedNames)
            .substr(m_added[size_t(i)].nameOffset, m_added[size_t(i)].nameSize);
    }
    Values valuesOf(const std::string& arena, const Record& r, qint64 size);
    std::string_view shortName(const std::string& arena, const Record& r) const {
        return std::string_view(arena).substr(r.msdosOffset, r.msdosSize);
    }
    // A folder's tag: an old item's index or the root, else -3 - its index among the added.
    static bool isOldSlot(qint64 tag) { return tag >= 0 || tag == kRootSlot; }
    void settle();
    void bindValues(Statement& st, int& i, const Values& v) const;

    bool prepareRows() override;
    void finishRows() override {}
    void folderListed(Frame& f, const Frame* parent) override;
    bool insertFiles(Frame& f, qint64 first, qint64 count, qint64 firstId) override;
    bool writeFolderRow(const Frame& f, const Frame& parent) override;
    bool rootDone(const Frame& root) override;

    qint32 m_imageId;
    QString m_oldLabel, m_oldFileSystem;
    qint32 m_maxId = 0;
    qint32 m_rootRow = -1; // index of an imported image's root row
    qint64 m_rootSize = 0;
    std::vector<OldItem> m_old;
    std::string m_names;
    std::vector<qint32> m_table; // open addressing over (parent, name, kind), -1 empty
    std::vector<Added> m_added;
    std::string m_addedNames;
    std::vector<Refresh> m_refreshed;
    std::string m_msdos; // short names of m_added and m_refreshed
    std::vector<Difference> m_differences;
    std::vector<qint32> m_changed; // old indexes, in walk order
    Counts m_counts;
    qint64 m_lostNotes = 0;
    bool m_read = false;
};
