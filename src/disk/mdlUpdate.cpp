#include "mdlUpdate.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/Ui.h"
#include "platform/mdlDirList.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Column widths the scan cuts the image's texts to.
constexpr int kLabelChars = 32;
constexpr int kFileSystemChars = 16;

QString cutText(const QString& text, int chars) {
    const std::string utf8 = text.toStdString();
    return QString::fromStdString(std::string(CutToChars(utf8, chars)));
}

quint64 mix(quint64 h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// FNV-1a, for the few bytes of one row.
struct Fnv {
    quint64 h = 0xcbf29ce484222325ULL;
    void add(const void* data, size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            h ^= p[i];
            h *= 0x100000001b3ULL;
        }
    }
    template <typename T> void add(T value) { add(&value, sizeof value); }
};

// A stored time "yyyy-MM-dd hh:mm:ss" as the number yyyyMMddhhmmss; any other text as a number
// below -1 that no such time gives, so that it compares unequal to every new time.
qint64 packTime(std::string_view t) {
    static const char shape[] = "dddd-dd-dd dd:dd:dd";
    bool ok = t.size() == 19;
    qint64 v = 0;
    for (size_t i = 0; ok && i < 19; ++i) {
        if (shape[i] == 'd') {
            ok = t[i] >= '0' && t[i] <= '9';
            v = v * 10 + (t[i] - '0');
        } else {
            ok = t[i] == shape[i];
        }
    }
    if (ok)
        return v;
    Fnv f;
    f.add(t.data(), t.size());
    return -2 - qint64(f.h & 0x3fffffffffffffffULL);
}

// Back to the stored text; only ever asked of times packed from the standard form.
void unpackTime(qint64 v, char* out) {
    const int sec = int(v % 100), min = int(v / 100 % 100), hour = int(v / 10000 % 100);
    const int day = int(v / 1000000 % 100), month = int(v / 100000000 % 100);
    const int year = int(v / 10000000000LL);
    std::snprintf(out, 32, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, min, sec);
}

quint64 refreshHashOf(bool msdosNull, std::string_view msdos, quint32 attrib,
                      const qint64 times[3]) {
    Fnv f;
    f.add(quint8(msdosNull));
    f.add(msdos.data(), msdos.size());
    f.add(quint8(0xff));
    f.add(attrib);
    for (int i = 0; i < 3; ++i)
        f.add(times[i]);
    return f.h;
}

quint64 slotHash(qint32 parent, std::string_view name, bool folder) {
    return mix(std::hash<std::string_view>{}(name) ^ (quint64(quint32(parent)) << 1) ^
               quint64(folder));
}

} // namespace

ImageUpdate::ImageUpdate(Database& db, Ui& ui, qint32 imageId, ScanProgress* progress,
                         const ScanFlavour& flavour)
    : DiskScan(db, ui, progress, flavour), m_imageId(imageId) {}

bool ImageUpdate::removedHasNotes(qint32 oldIndex) const {
    return m_old[size_t(oldIndex)].flags & Notes;
}

DiskScan::Result ImageUpdate::Read(TreeSource& source) {
    m_read = false;
    m_old.clear();
    m_names.clear();
    m_table.clear();
    m_added.clear();
    m_addedNames.clear();
    m_refreshed.clear();
    m_msdos.clear();
    m_differences.clear();
    m_changed.clear();
    m_counts = Counts();
    m_lostNotes = 0;
    m_rootRow = -1;
    m_rootSize = 0;
    CollectedCount = WrittenCount = ScannedCount = FolderCount = FileCount = 0;
    ImageID = m_imageId;
    m_runTimer.start();
    if (!pause())
        return Result::Cancelled;
    if (!loadImage())
        return Result::Failed;
    Facts = VolumeFacts();
    if (!source.readVolume(Facts)) {
        m_ui.message(QStringLiteral("Drive cannot be accessed."), Ui::Buttons::Ok,
                     Ui::Icon::Exclamation);
        return Result::Failed;
    }
    if (!loadItems()) {
        m_ui.message(DatabaseErrorText(m_db.lastError().number, m_db.lastError().description),
                     Ui::Buttons::Ok, Ui::Icon::Critical);
        return Result::Failed;
    }
    if (!pause())
        return Result::Cancelled;
    const Result walked = walkTree(source);
    if (walked != Result::Done)
        return walked;
    m_table.clear();
    m_table.shrink_to_fit();
    settle();
    m_read = true;
    return Result::Done;
}

bool ImageUpdate::loadImage() {
    Recordset rs = m_db.OpenRecordset(
        QStringLiteral("SELECT Name, Label, FileSystem FROM Images WHERE ID=?"), {m_imageId});
    if (!rs.isValid()) {
        m_ui.message(DatabaseErrorText(rs.error().number, rs.error().description), Ui::Buttons::Ok,
                     Ui::Icon::Critical);
        return false;
    }
    if (rs.Eof()) {
        m_ui.message(QStringLiteral("Image %1 does not exist.").arg(m_imageId), Ui::Buttons::Ok,
                     Ui::Icon::Exclamation);
        return false;
    }
    ImageName = rs.text(0);
    m_oldLabel = rs.text(1);
    m_oldFileSystem = rs.text(2);
    return true;
}

bool ImageUpdate::loadItems() {
    // In index order (no sort in the engine): parents are found by ID afterwards.
    Recordset rs = m_db.OpenRecordset(
        QStringLiteral("SELECT ID, ParentID, Type, Name, MSDOSName, Attrib, Size, TimeC, TimeA, "
                       "TimeM, ifnull(Keywords,'')<>'' OR ifnull(Description,'')<>'' OR "
                       "ifnull(Comment,'')<>'' FROM Items WHERE ImageID=?"),
        {m_imageId});
    if (!rs.isValid()) {
        m_db.setError(rs.error());
        return false;
    }
    // Sized once: a million items grown by doubling would briefly need twice the memory.
    const qint64 count =
        m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=?"), {m_imageId})
            .toLongLong();
    m_old.reserve(size_t(count));
    m_names.reserve(size_t(count) * 24);
    std::vector<qint32> parentIds;
    parentIds.reserve(size_t(count));
    m_maxId = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        OldItem o;
        o.id = qint32(rs.int64(0));
        const qint32 parentId = qint32(rs.int64(1));
        if (rs.int64(2) == 0)
            o.flags |= Folder;
        const std::string_view name = rs.utf8(3).substr(0, 0xffff);
        o.nameOffset = quint32(m_names.size());
        o.nameSize = quint16(name.size());
        m_names.append(name);
        o.size = rs.int64(6);
        qint64 times[3];
        for (int k = 0; k < 3; ++k)
            times[k] = rs.isNull(7 + k) ? kNoTime : packTime(rs.utf8(7 + k));
        o.timeM = times[2];
        o.refresh = refreshHashOf(rs.isNull(4), rs.utf8(4), quint32(rs.int64(5)), times);
        if (rs.int64(10))
            o.flags |= Notes;
        if (o.id == 0 && parentId == -1) {
            o.flags |= RootRow;
            m_rootRow = qint32(m_old.size());
        }
        m_maxId = std::max(m_maxId, o.id);
        m_old.push_back(o);
        parentIds.push_back(parentId);
    }
    if (m_db.lastError())
        return false;

    // Parents by ID: items under the root have ParentID 0 (the root's row, when there is one).
    std::vector<std::pair<qint32, qint32>> byId(m_old.size());
    for (size_t i = 0; i < m_old.size(); ++i)
        byId[i] = {m_old[i].id, qint32(i)};
    std::sort(byId.begin(), byId.end());
    for (size_t i = 0; i < m_old.size(); ++i) {
        OldItem& o = m_old[i];
        if (o.flags & RootRow)
            continue;
        if (parentIds[i] == 0) {
            o.parent = kRootSlot;
            continue;
        }
        const auto it =
            std::lower_bound(byId.begin(), byId.end(), std::pair<qint32, qint32>{parentIds[i], -1});
        if (it != byId.end() && it->first == parentIds[i] &&
            (m_old[size_t(it->second)].flags & Folder))
            o.parent = it->second;
    }
    byId = {};
    parentIds = {};

    size_t tableSize = 16;
    while (tableSize < m_old.size() + m_old.size() / 2)
        tableSize *= 2;
    m_table.assign(tableSize, -1);
    for (size_t i = 0; i < m_old.size(); ++i) {
        const OldItem& o = m_old[i];
        if (o.parent == kNoSlot)
            continue;
        size_t s = slotHash(o.parent, oldName(qint32(i)), o.flags & Folder) & (tableSize - 1);
        while (m_table[s] >= 0)
            s = (s + 1) & (tableSize - 1);
        m_table[s] = qint32(i);
    }
    return true;
}

qint32 ImageUpdate::find(qint32 parentSlot, std::string_view name, bool folder) const {
    if (parentSlot == kNoSlot || m_table.empty())
        return -1;
    const size_t mask = m_table.size() - 1;
    for (size_t s = slotHash(parentSlot, name, folder) & mask; m_table[s] >= 0;
         s = (s + 1) & mask) {
        const qint32 i = m_table[s];
        const OldItem& o = m_old[size_t(i)];
        // Two rows of one name (an index can hold them) are matched one after the other.
        if (o.parent == parentSlot && bool(o.flags & Folder) == folder && !(o.flags & Matched) &&
            oldName(i) == name)
            return i;
    }
    return -1;
}

ImageUpdate::Values ImageUpdate::valuesOf(const std::string& arena, const Record& r, qint64 size) {
    Values v;
    v.attrib = r.attrib;
    v.size = size;
    // What a scan with these options writes: no short name and no times when they are off.
    if (options.scanMSDOSName) {
        v.msdosNull = false;
        v.msdosOffset = quint32(r.msdosOffset);
        v.msdosSize = quint16(r.msdosSize);
    }
    if (options.scanTime) {
        const char* t = arena.data() + r.timesOffset;
        for (int k = 0; k < 3; ++k) {
            if (r.timesPresent & (1u << k)) {
                v.times[k] = packTime(std::string_view(t, size_t(kTimeTextSize)));
                t += kTimeTextSize;
            }
        }
    }
    return v;
}

void ImageUpdate::folderListed(Frame& f, const Frame* parent) {
    if (!parent) {
        f.tag = kRootSlot;
        return;
    }
    const Record& r = parent->subfolders[size_t(f.parentRecord)];
    const std::string_view name = nameOf(parent->arena, r);
    const qint32 slot = isOldSlot(parent->tag) ? qint32(parent->tag) : kNoSlot;
    const qint32 i = find(slot, name, true);
    if (i >= 0) {
        m_old[size_t(i)].flags |= Matched;
        f.tag = i;
        return;
    }
    Added a;
    a.folder = true;
    if (isOldSlot(parent->tag))
        a.parentOld = qint32(parent->tag);
    else
        a.parentAdded = qint32(-3 - parent->tag);
    a.nameOffset = quint32(m_addedNames.size());
    a.nameSize = quint32(name.size());
    m_addedNames.append(name);
    a.values = valuesOf(parent->arena, r, 0);
    if (!a.values.msdosNull) {
        const quint32 at = quint32(m_msdos.size());
        m_msdos.append(parent->arena, r.msdosOffset, r.msdosSize);
        a.values.msdosOffset = at;
    }
    m_added.push_back(a);
    f.tag = -3 - qint64(m_added.size() - 1);
}

bool ImageUpdate::insertFiles(Frame& f, qint64 first, qint64 count, qint64) {
    const qint32 slot = isOldSlot(f.tag) ? qint32(f.tag) : kNoSlot;
    for (qint64 k = 0; k < count; ++k) {
        const Record& r = m_files[size_t(first + k)];
        f.size += r.size;
        const std::string_view name = nameOf(m_fileArena, r);
        Values v = valuesOf(m_fileArena, r, r.size);
        const std::string_view msdos = v.msdosNull ? std::string_view() : shortName(m_fileArena, r);
        const qint32 i = find(slot, name, false);
        auto keepMsdos = [&] {
            if (!v.msdosNull) {
                v.msdosOffset = quint32(m_msdos.size());
                m_msdos.append(msdos);
            }
        };
        if (i >= 0) {
            OldItem& o = m_old[size_t(i)];
            o.flags |= Matched;
            const bool changed = o.size != v.size || (o.timeM != kNoTime && v.times[2] != kNoTime &&
                                                      o.timeM != v.times[2]);
            if (changed)
                m_changed.push_back(i);
            if (changed || o.refresh != refreshHashOf(v.msdosNull, msdos, v.attrib, v.times)) {
                keepMsdos();
                m_refreshed.push_back({i, v});
            }
            continue;
        }
        Added a;
        if (slot != kNoSlot)
            a.parentOld = slot;
        else
            a.parentAdded = qint32(-3 - f.tag);
        a.nameOffset = quint32(m_addedNames.size());
        a.nameSize = quint32(name.size());
        m_addedNames.append(name);
        keepMsdos();
        a.values = v;
        m_added.push_back(a);
    }
    return true;
}

bool ImageUpdate::writeFolderRow(const Frame& f, const Frame& parent) {
    if (f.tag >= 0) {
        const OldItem& o = m_old[size_t(f.tag)];
        const Record& r = parent.subfolders[size_t(f.parentRecord)];
        Values v = valuesOf(parent.arena, r, f.size);
        const std::string_view msdos =
            v.msdosNull ? std::string_view() : shortName(parent.arena, r);
        if (o.size != v.size || o.refresh != refreshHashOf(v.msdosNull, msdos, v.attrib, v.times)) {
            if (!v.msdosNull) {
                v.msdosOffset = quint32(m_msdos.size());
                m_msdos.append(msdos);
            }
            m_refreshed.push_back({qint32(f.tag), v});
        }
    } else if (f.tag <= -3) {
        m_added[size_t(-3 - f.tag)].values.size = f.size;
    }
    return true;
}

bool ImageUpdate::rootDone(const Frame& root) {
    m_rootSize = root.size;
    return true;
}

bool ImageUpdate::prepareRows() {
    return true;
}

void ImageUpdate::settle() {
    // Moves: a removed and an added item alike in kind, name, size and (when both sides have
    // times) modification time, each the only one of its likeness on its side.
    struct Key {
        quint64 hash;
        qint32 index;
        bool operator<(const Key& o) const {
            return hash != o.hash ? hash < o.hash : index < o.index;
        }
    };
    auto keyOf = [this](bool folder, std::string_view name, qint64 size, qint64 timeM) {
        Fnv f;
        f.add(quint8(folder));
        f.add(name.data(), name.size());
        f.add(size);
        f.add(options.scanTime ? timeM : kNoTime);
        return f.h;
    };
    std::vector<Key> removed, added;
    for (size_t i = 0; i < m_old.size(); ++i) {
        const OldItem& o = m_old[i];
        if (!(o.flags & (Matched | RootRow)))
            removed.push_back(
                {keyOf(o.flags & Folder, oldName(qint32(i)), o.size, o.timeM), qint32(i)});
    }
    for (size_t k = 0; k < m_added.size(); ++k) {
        const Added& a = m_added[k];
        added.push_back(
            {keyOf(a.folder, addedName(qint32(k)), a.values.size, a.values.times[2]), qint32(k)});
    }
    std::sort(removed.begin(), removed.end());
    std::sort(added.begin(), added.end());
    auto groupEnd = [](const std::vector<Key>& v, size_t from) {
        size_t to = from + 1;
        while (to < v.size() && v[to].hash == v[from].hash)
            ++to;
        return to;
    };
    for (size_t r = 0, a = 0; r < removed.size() && a < added.size();) {
        if (removed[r].hash < added[a].hash) {
            r = groupEnd(removed, r);
            continue;
        }
        if (added[a].hash < removed[r].hash) {
            a = groupEnd(added, a);
            continue;
        }
        const size_t rEnd = groupEnd(removed, r), aEnd = groupEnd(added, a);
        if (rEnd - r == 1 && aEnd - a == 1) {
            const OldItem& o = m_old[size_t(removed[r].index)];
            Added& n = m_added[size_t(added[a].index)];
            const bool alike = bool(o.flags & Folder) == n.folder && o.size == n.values.size &&
                               oldName(removed[r].index) == addedName(added[a].index) &&
                               (!options.scanTime || o.timeM == n.values.times[2]);
            if (alike) {
                n.movedFrom = removed[r].index;
                m_old[size_t(removed[r].index)].flags |= MovedAway;
            }
        }
        r = rEnd;
        a = aEnd;
    }

    m_differences.clear();
    for (size_t k = 0; k < m_added.size(); ++k) {
        if (m_added[k].movedFrom < 0) {
            m_differences.push_back({Kind::Added, qint32(k)});
            ++m_counts.added;
        }
    }
    qint64 matched = 0;
    for (size_t i = 0; i < m_old.size(); ++i) {
        const quint8 flags = m_old[i].flags;
        if (flags & RootRow)
            continue;
        if (flags & Matched) {
            ++matched;
        } else if (!(flags & MovedAway)) {
            m_differences.push_back({Kind::Removed, qint32(i)});
            ++m_counts.removed;
            if (flags & Notes)
                ++m_lostNotes;
        }
    }
    for (qint32 i : m_changed)
        m_differences.push_back({Kind::Changed, i});
    m_counts.changed = qint64(m_changed.size());
    for (size_t k = 0; k < m_added.size(); ++k) {
        if (m_added[k].movedFrom >= 0) {
            m_differences.push_back({Kind::Moved, qint32(k)});
            ++m_counts.moved;
        }
    }
    m_counts.kept = matched - m_counts.changed;
}

bool ImageUpdate::hasWrites() const {
    if (!m_read)
        return false;
    const bool rootResized = m_rootRow >= 0 && m_old[size_t(m_rootRow)].size != m_rootSize;
    return !m_added.empty() || m_counts.removed != 0 || !m_refreshed.empty() || rootResized ||
           cutText(Facts.label, kLabelChars) != m_oldLabel ||
           cutText(Facts.fileSystem, kFileSystemChars) != m_oldFileSystem;
}

std::string ImageUpdate::oldPath(qint32 oldIndex) const {
    std::vector<qint32> chain;
    for (qint32 i = oldIndex; i >= 0; i = m_old[size_t(i)].parent)
        chain.push_back(i);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += '/';
        path.append(oldName(*it));
    }
    return path;
}

std::string ImageUpdate::addedPath(qint32 addedIndex) const {
    std::vector<qint32> chain;
    qint32 k = addedIndex;
    for (; k >= 0; k = m_added[size_t(k)].parentAdded)
        chain.push_back(k);
    const qint32 base = m_added[size_t(chain.back())].parentOld;
    std::string path = base >= 0 ? oldPath(base) : std::string();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += '/';
        path.append(addedName(*it));
    }
    return path;
}

std::string ImageUpdate::pathOf(const Difference& d) const {
    return d.kind == Kind::Added || d.kind == Kind::Moved ? addedPath(d.index) : oldPath(d.index);
}

std::string ImageUpdate::movedFrom(const Difference& d) const {
    return d.kind == Kind::Moved ? oldPath(m_added[size_t(d.index)].movedFrom) : std::string();
}

QString ImageUpdate::lostNotesText() const {
    if (m_lostNotes == 0)
        return QString();
    return m_lostNotes == 1
               ? QStringLiteral("1 removed item has keywords or comments")
               : QStringLiteral("%1 removed items have keywords or comments").arg(m_lostNotes);
}

void ImageUpdate::bindValues(Statement& st, int& i, const Values& v) const {
    if (v.msdosNull)
        st.bindNull(i++);
    else
        st.bindUtf8(i++, m_msdos.data() + v.msdosOffset, int(v.msdosSize));
    st.bindInt64(i++, v.attrib);
    st.bindInt64(i++, v.size);
    for (int k = 0; k < 3; ++k) {
        if (v.times[k] == kNoTime) {
            st.bindNull(i++);
        } else {
            char text[32];
            unpackTime(v.times[k], text);
            st.bindUtf8(i++, text, kTimeTextSize);
        }
    }
}

DiskScan::Result ImageUpdate::Apply(const Hook& afterRows) {
    if (!m_read)
        return Result::Failed;
    if (!hasWrites())
        return Result::Done;
    auto fail = [this](const EngineError& e) {
        m_ui.message(DatabaseErrorText(e.number, e.description), Ui::Buttons::Ok,
                     Ui::Icon::Critical);
        return Result::Failed;
    };
    m_ui.setBusy(true);
    struct Unbusy {
        Ui& ui;
        ~Unbusy() { ui.setBusy(false); }
    } unbusy{m_ui};
    Transaction transaction(m_db);
    if (!transaction.isActive())
        return fail(m_db.lastError());
    if (!m_db.Execute(QStringLiteral("UPDATE Images SET Date=?, Label=?, FileSystem=? WHERE ID=?"),
                      {DateTimeToText(QDateTime::currentDateTime()),
                       cutText(Facts.label, kLabelChars),
                       cutText(Facts.fileSystem, kFileSystemChars), m_imageId}))
        return fail(m_db.lastError());

    Statement remove = m_db.prepare(QStringLiteral("DELETE FROM Items WHERE ImageID=? AND ID=?"));
    Statement move = m_db.prepare(QStringLiteral(
        "UPDATE Items SET ID=?, ParentID=?, Type=?, Name=?, MSDOSName=?, Attrib=?, Size=?, "
        "TimeC=?, TimeA=?, TimeM=? WHERE ImageID=? AND ID=?"));
    Statement insert = m_db.prepare(QStringLiteral(
        "INSERT INTO Items (ID, ImageID, ParentID, Type, Name, MSDOSName, Attrib, Size, TimeC, "
        "TimeA, TimeM) VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
    Statement refresh = m_db.prepare(
        QStringLiteral("UPDATE Items SET MSDOSName=?, Attrib=?, Size=?, TimeC=?, TimeA=?, "
                       "TimeM=? WHERE ImageID=? AND ID=?"));
    if (!remove.isValid() || !move.isValid() || !insert.isValid() || !refresh.isValid())
        return fail(m_db.lastError());

    for (size_t i = 0; i < m_old.size(); ++i) {
        if (m_old[i].flags & (Matched | RootRow | MovedAway))
            continue;
        remove.bindInt64(1, m_imageId);
        remove.bindInt64(2, m_old[i].id);
        if (!remove.execute())
            return fail(remove.error());
    }
    // New items are numbered above the image's highest ID, in walk order; a moved item's row
    // takes its new number and place, and keeps everything the user wrote on it.
    auto newId = [this](qint32 k) { return qint64(m_maxId) + 1 + k; };
    for (size_t k = 0; k < m_added.size(); ++k) {
        const Added& a = m_added[k];
        const qint64 parentId = a.parentAdded >= 0 ? newId(a.parentAdded)
                                : a.parentOld >= 0 ? m_old[size_t(a.parentOld)].id
                                                   : 0;
        const std::string_view name = addedName(qint32(k));
        Statement& st = a.movedFrom >= 0 ? move : insert;
        int i = 1;
        if (a.movedFrom >= 0) {
            st.bindInt64(i++, newId(qint32(k)));
        } else {
            st.bindInt64(i++, newId(qint32(k)));
            st.bindInt64(i++, m_imageId);
        }
        st.bindInt64(i++, parentId);
        st.bindInt64(i++, a.folder ? 0 : 1);
        st.bindUtf8(i++, name.data(), int(name.size()));
        bindValues(st, i, a.values);
        if (a.movedFrom >= 0) {
            st.bindInt64(i++, m_imageId);
            st.bindInt64(i++, m_old[size_t(a.movedFrom)].id);
        }
        if (!st.execute())
            return fail(st.error());
    }
    for (const Refresh& r : m_refreshed) {
        int i = 1;
        bindValues(refresh, i, r.values);
        refresh.bindInt64(i++, m_imageId);
        refresh.bindInt64(i++, m_old[size_t(r.oldIndex)].id);
        if (!refresh.execute())
            return fail(refresh.error());
    }
    if (m_rootRow >= 0 &&
        !m_db.Execute(QStringLiteral("UPDATE Items SET Size=? WHERE ImageID=? AND ID=0 AND "
                                     "ParentID=-1"),
                      {m_rootSize, m_imageId}))
        return fail(m_db.lastError());
    m_db.clearError();
    // The image's name index entries are made again in the same transaction as its rows.
    if (!DropNameIndexEntries(m_db, m_imageId) ||
        (ImageWrittenHook() && !ImageWrittenHook()(m_db, m_imageId, nullptr)))
        return fail(m_db.lastError());
    if (afterRows && !afterRows(m_db, m_imageId))
        return fail(m_db.lastError() ? m_db.lastError()
                                     : EngineError{EngineErr::Generic,
                                                   QStringLiteral("The name index could not be "
                                                                  "written.")});
    if (!transaction.commit())
        return fail(m_db.lastError());
    return Result::Done;
}
