#pragma once

#include "TreeSource.h"

#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

// The real file system under a folder. Symbolic links are listed as files and never followed;
// a folder on another file system (a mount point inside the tree) lists nothing. Folders are
// opened relative to their parent's descriptor, so depth is not limited by the path length,
// and at most a fixed number of descriptors stay open however deep the tree goes.
class FolderSource : public TreeSource {
public:
    explicit FolderSource(const QString& rootPath);
    ~FolderSource() override;
    FolderSource(const FolderSource&) = delete;
    FolderSource& operator=(const FolderSource&) = delete;

    // Reads the facts of the volume; the default looks the root up among the mounted volumes.
    std::function<bool(VolumeFacts&)> volumeReader;

    bool readVolume(VolumeFacts& facts) override;
    bool openRoot() override;
    bool enter(std::string_view key) override;
    void leave() override;
    bool list(const ListRequest& request, TreeEntrySink& sink) override;
    QString currentPath() const override;
    void release() override { closeAll(); }

    // Descriptors kept open along the current branch; the rest are reopened on the way back.
    static constexpr int kMaxOpenFolders = 64;

private:
    struct Level {
        int fd = -1;
        bool ok = false;
        dev_t dev = 0;
        ino_t ino = 0;
        size_t pathSize = 0; // of m_path after this level's name
        size_t nameOffset = 0;
        size_t nameSize = 0;
    };
    void closeAll();
    void limitOpen();
    int reopen(size_t index);

    QByteArray m_root;
    std::string m_path;  // the current folder's path, shown in the progress
    std::string m_names; // the raw names of the current branch
    std::vector<Level> m_levels;
    int m_open = 0;
    dev_t m_rootDev = 0;
    bool m_vfat = false;
    std::string m_nameBuffer;
    std::vector<char> m_direntBuffer;
};
