#pragma once

#include "TreeSource.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Reads a tree ahead of the walk that writes it, so that reading the disk and writing the
// catalogue overlap. A second thread walks its own source of the same tree in the order a
// writing walk takes (depth first, every subfolder in listing order) and queues the detailed
// listings; the walk then takes them from the queue. Anything else (the volume facts, a
// listing without details, a walk that leaves the expected order) goes to the front source on
// the caller's thread, which is brought to the walk's current folder first, so the answers are
// always those of the front source.
class ReadAheadSource : public TreeSource {
public:
    using Factory = std::function<std::unique_ptr<TreeSource>()>;

    // front: used on the caller's thread. makeWalker: makes the reading thread's own source of
    // the same tree. request: the detailed listing the walk will ask for; reading starts with
    // the first openRoot(), while the caller may still be counting through the front source.
    ReadAheadSource(TreeSource& front, Factory makeWalker, const ListRequest& request);
    ~ReadAheadSource() override;
    ReadAheadSource(const ReadAheadSource&) = delete;
    ReadAheadSource& operator=(const ReadAheadSource&) = delete;

    // Called about every 50 ms while the walk waits for the reading thread (a slow disk), so
    // that a window can keep painting; false gives up the wait (the walk was cancelled) and the
    // folder lists nothing.
    std::function<bool()> whileWaiting;

    bool readVolume(VolumeFacts& facts) override;
    bool openRoot() override;
    bool enter(std::string_view key) override;
    void leave() override;
    bool list(const ListRequest& request, TreeEntrySink& sink) override;
    QString currentPath() const override;
    void release() override;

    // Listings queued at most (more only when a single folder is bigger).
    static constexpr size_t kMaxQueuedBytes = 8 * 1024 * 1024;
    // A block is handed over once it holds this much, or sooner when the walk is waiting.
    static constexpr size_t kBlockBytes = 256 * 1024;

    // For tests: whether the walk is still served from the reading thread.
    bool readingAhead() const { return m_mode == Mode::Ahead; }

private:
    enum class Mode { Unknown, Front, Ahead };
    // One queued folder, as found in the current block.
    struct Folder {
        bool valid = false;
        quint32 depth = 0;
        bool enterOk = false;
        bool listOk = false;
        std::string_view key;
        QString path;
        quint32 entryCount = 0;
        size_t entriesOffset = 0;
        bool listed = false;
    };

    void start(const ListRequest& request);
    void stop();
    void produce(ListRequest request);
    void publish(std::string& block, bool last);
    bool take(Folder& folder);
    bool nextBlock();
    bool toFront();
    static bool sameRequest(const ListRequest& a, const ListRequest& b);

    TreeSource& m_front;
    Factory m_makeWalker;
    ListRequest m_request;

    // The walk's side.
    Mode m_mode = Mode::Unknown;
    bool m_taken = false;  // a folder was taken since reading started
    bool m_gaveUp = false; // the wait was given up: the walk lists nothing more
    std::vector<std::string> m_keys;
    std::vector<QString> m_paths;
    Folder m_current;
    std::string m_block;
    size_t m_blockPos = 0;

    // Shared with the reading thread.
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_queue;
    size_t m_queuedBytes = 0;
    bool m_done = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_waiting{false};
};
