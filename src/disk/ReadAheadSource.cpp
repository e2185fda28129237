#include "ReadAheadSource.h"

#include "platform/mdlDirList.h"

#include <chrono>
#include <cstring>
#include <system_error>

// The queue holds folders one after another, in walk order. A folder:
//   u64 its size in bytes, u32 depth, u8 enter() result, u8 list() result,
//   u32 + bytes key, u32 + UTF-16 path, u32 entry count, the entries.
// An entry:
//   u8 flags, u32 attributes, i64 size, u32 + bytes name, [u32 + bytes key],
//   u32 + bytes short name, 19 bytes for each time present.
namespace {

constexpr quint8 kIsFolder = 1;
constexpr quint8 kKeyIsName = 2;
constexpr quint8 kTimeFlag = 4; // << 0, 1, 2 for the three times

template <typename T> void put(std::string& b, T value) {
    b.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putBytes(std::string& b, std::string_view bytes) {
    put(b, quint32(bytes.size()));
    b.append(bytes);
}

template <typename T> void patch(std::string& b, size_t at, T value) {
    std::memcpy(b.data() + at, &value, sizeof value);
}

// Reads from a block the writer filled; the block is trusted, it never leaves the process.
struct Reader {
    const std::string& b;
    size_t pos;
    template <typename T> T get() {
        T value;
        std::memcpy(&value, b.data() + pos, sizeof value);
        pos += sizeof value;
        return value;
    }
    std::string_view bytes() {
        const quint32 n = get<quint32>();
        const std::string_view v(b.data() + pos, n);
        pos += n;
        return v;
    }
};

// Writes the listing of the reading thread's current folder into the block, and keeps the
// keys of its subfolders for the walk.
class Recorder : public TreeEntrySink {
public:
    Recorder(std::string& block, std::vector<std::string>& subfolders,
             const std::atomic<bool>& stop)
        : m_block(block), m_subfolders(subfolders), m_stop(stop) {}
    quint32 count = 0;

    bool entry(const TreeEntry& e) override {
        if (m_stop.load(std::memory_order_relaxed))
            return false;
        const bool keyIsName = e.key == e.name;
        quint8 flags = 0;
        if (e.isFolder)
            flags |= kIsFolder;
        if (keyIsName)
            flags |= kKeyIsName;
        for (int i = 0; i < 3; ++i) {
            if (e.times[i])
                flags |= quint8(kTimeFlag << i);
        }
        put(m_block, flags);
        put(m_block, quint32(e.attrib));
        put(m_block, qint64(e.size));
        putBytes(m_block, e.name);
        if (!keyIsName)
            putBytes(m_block, e.key);
        putBytes(m_block, e.msdosName);
        for (int i = 0; i < 3; ++i) {
            if (e.times[i])
                m_block.append(e.times[i], size_t(kTimeTextSize));
        }
        if (e.isFolder)
            m_subfolders.emplace_back(e.key);
        ++count;
        return true;
    }

private:
    std::string& m_block;
    std::vector<std::string>& m_subfolders;
    const std::atomic<bool>& m_stop;
};

} // namespace

ReadAheadSource::ReadAheadSource(TreeSource& front, Factory makeWalker, const ListRequest& request)
    : m_front(front), m_makeWalker(std::move(makeWalker)), m_request(request) {}

ReadAheadSource::~ReadAheadSource() {
    stop();
}

void ReadAheadSource::release() {
    stop();
    m_front.release();
}

bool ReadAheadSource::sameRequest(const ListRequest& a, const ListRequest& b) {
    return a.details == b.details && a.msdosNames == b.msdosNames && a.times == b.times;
}

void ReadAheadSource::start(const ListRequest& request) {
    stop();
    m_request = request;
    m_stop = false;
    m_done = false;
    m_taken = false;
    m_block.clear();
    m_blockPos = 0;
    try {
        m_thread = std::thread([this, request] { produce(request); });
    } catch (const std::system_error&) {
        // No thread to be had: the walk is served by the front source.
        m_done = true;
    }
}

void ReadAheadSource::stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_changed.notify_all();
        }
        m_thread.join();
    }
    m_queue.clear();
    m_queuedBytes = 0;
    m_done = true;
    m_current = Folder();
}

void ReadAheadSource::publish(std::string& block, bool last) {
    std::unique_lock<std::mutex> lock(m_mutex);
    // Wait for room; a block bigger than the limit still goes once the queue is empty.
    m_changed.wait(lock, [this, &block] {
        return m_stop || m_queue.empty() || m_queuedBytes + block.size() <= kMaxQueuedBytes;
    });
    if (!block.empty() && !m_stop) {
        m_queuedBytes += block.size();
        m_queue.push_back(std::move(block));
    }
    block = std::string();
    block.reserve(kBlockBytes + kBlockBytes / 4);
    if (last)
        m_done = true;
    m_changed.notify_all();
}

void ReadAheadSource::produce(ListRequest request) {
    std::unique_ptr<TreeSource> source = m_makeWalker();
    std::string block;
    block.reserve(kBlockBytes + kBlockBytes / 4);
    struct Level {
        std::vector<std::string> subfolders;
        size_t next = 0;
    };
    std::vector<Level> levels;

    // Lists the reading thread's current folder into the block, as the walk will list it.
    auto record = [&](quint32 depth, std::string_view key, bool enterOk, Level& level) {
        const size_t start = block.size();
        put(block, quint64(0));
        put(block, depth);
        put(block, quint8(enterOk));
        const size_t listOkAt = block.size();
        put(block, quint8(0));
        putBytes(block, key);
        const QString path = source->currentPath();
        put(block, quint32(path.size()));
        block.append(reinterpret_cast<const char*>(path.utf16()),
                     size_t(path.size()) * sizeof(char16_t));
        const size_t countAt = block.size();
        put(block, quint32(0));
        Recorder recorder(block, level.subfolders, m_stop);
        const bool listOk = source->list(request, recorder);
        patch(block, start, quint64(block.size() - start));
        patch(block, listOkAt, quint8(listOk));
        patch(block, countAt, recorder.count);
        if (block.size() >= kBlockBytes || m_waiting.load(std::memory_order_relaxed))
            publish(block, false);
    };

    const bool rootOk = source->openRoot();
    levels.emplace_back();
    record(0, {}, rootOk, levels.back());
    while (!levels.empty() && !m_stop) {
        Level& level = levels.back();
        if (level.next < level.subfolders.size()) {
            const std::string key = std::move(level.subfolders[level.next++]);
            const bool ok = source->enter(key);
            Level child;
            record(quint32(levels.size()), key, ok, child);
            levels.push_back(std::move(child));
            continue;
        }
        levels.pop_back();
        if (!levels.empty())
            source->leave();
    }
    publish(block, true);
}

bool ReadAheadSource::nextBlock() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_queue.empty() && !m_done) {
        m_waiting = true;
        // Have the reading thread hand over what it has at its next folder.
        m_changed.notify_all();
        if (m_changed.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout &&
            m_queue.empty() && whileWaiting) {
            lock.unlock();
            const bool goOn = whileWaiting();
            lock.lock();
            if (!goOn) {
                m_waiting = false;
                m_gaveUp = true;
                return false;
            }
        }
    }
    m_waiting = false;
    if (m_queue.empty())
        return false;
    m_block = std::move(m_queue.front());
    m_queue.pop_front();
    m_queuedBytes -= m_block.size();
    m_blockPos = 0;
    m_changed.notify_all();
    return true;
}

bool ReadAheadSource::take(Folder& folder) {
    folder = Folder();
    if (m_blockPos >= m_block.size() && !nextBlock())
        return false;
    Reader r{m_block, m_blockPos};
    const quint64 size = r.get<quint64>();
    folder.depth = r.get<quint32>();
    folder.enterOk = r.get<quint8>() != 0;
    folder.listOk = r.get<quint8>() != 0;
    folder.key = r.bytes();
    const quint32 pathSize = r.get<quint32>();
    // Copied bytewise: the text need not be aligned in the block.
    folder.path.resize(qsizetype(pathSize));
    std::memcpy(folder.path.data(), m_block.data() + r.pos, size_t(pathSize) * sizeof(char16_t));
    r.pos += size_t(pathSize) * sizeof(char16_t);
    folder.entryCount = r.get<quint32>();
    folder.entriesOffset = r.pos;
    folder.valid = true;
    m_blockPos += size;
    m_taken = true;
    return true;
}

// Leaves the queue for good and brings the front source to the walk's current folder.
bool ReadAheadSource::toFront() {
    stop();
    m_mode = Mode::Front;
    bool ok = m_front.openRoot();
    for (const std::string& key : m_keys)
        ok = m_front.enter(key);
    return ok;
}

bool ReadAheadSource::readVolume(VolumeFacts& facts) {
    return m_front.readVolume(facts);
}

bool ReadAheadSource::openRoot() {
    m_gaveUp = false;
    m_keys.clear();
    m_paths.clear();
    m_current = Folder();
    // A walk that already started cannot use a queue it has partly taken.
    if (m_mode == Mode::Ahead || !m_thread.joinable())
        start(m_request);
    m_mode = Mode::Unknown;
    return m_front.openRoot();
}

bool ReadAheadSource::enter(std::string_view key) {
    if (m_mode != Mode::Ahead) {
        m_mode = Mode::Front;
        return m_front.enter(key);
    }
    m_keys.emplace_back(key);
    m_paths.push_back(m_paths.empty() ? QString() : m_paths.back());
    if (m_gaveUp)
        return false;
    Folder next;
    const bool taken = take(next);
    if (m_gaveUp)
        return false;
    if (!taken || next.depth != m_keys.size() || next.key != key)
        return toFront();
    m_current = next;
    m_paths.back() = m_current.path;
    return m_current.enterOk;
}

void ReadAheadSource::leave() {
    if (m_mode != Mode::Ahead) {
        m_front.leave();
        return;
    }
    if (!m_keys.empty()) {
        m_keys.pop_back();
        m_paths.pop_back();
    }
    // The parent's listing is gone; listing it again goes to the front source.
    m_current = Folder();
}

bool ReadAheadSource::list(const ListRequest& request, TreeEntrySink& sink) {
    if (m_mode == Mode::Unknown) {
        if (!request.details) {
            m_mode = Mode::Front;
        } else {
            if (m_taken || !sameRequest(request, m_request))
                start(request);
            m_mode = Mode::Ahead;
            Folder root;
            const bool taken = take(root);
            if (m_gaveUp)
                return false;
            if (!taken || root.depth != 0) {
                toFront();
            } else {
                m_current = root;
                m_paths.push_back(root.path);
            }
        }
    }
    if (m_gaveUp)
        return false;
    if (m_mode == Mode::Ahead &&
        (!m_current.valid || m_current.listed || !sameRequest(request, m_request)))
        toFront();
    if (m_mode == Mode::Front)
        return m_front.list(request, sink);

    m_current.listed = true;
    Reader r{m_block, m_current.entriesOffset};
    TreeEntry e;
    for (quint32 i = 0; i < m_current.entryCount; ++i) {
        e = TreeEntry();
        const quint8 flags = r.get<quint8>();
        e.isFolder = flags & kIsFolder;
        e.attrib = r.get<quint32>();
        e.size = r.get<qint64>();
        e.name = r.bytes();
        e.key = (flags & kKeyIsName) ? e.name : r.bytes();
        e.msdosName = r.bytes();
        for (int t = 0; t < 3; ++t) {
            if (flags & (kTimeFlag << t)) {
                e.times[t] = m_block.data() + r.pos;
                r.pos += size_t(kTimeTextSize);
            }
        }
        if (!sink.entry(e))
            return true;
    }
    return m_current.listOk;
}

QString ReadAheadSource::currentPath() const {
    if (m_mode == Mode::Ahead && !m_paths.empty())
        return m_paths.back();
    return m_front.currentPath();
}
