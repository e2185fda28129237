#pragma once

#include "disk/TreeSource.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The index loaded last, as a tree the disk scan walks. The root is the start drive followed by
// ":\"; folders are listed with IdxDir and told from files with IdxGetAttr. What the format
// doesn't hold is answered the way the import writes it: no MS-DOS names, size 0, attributes
// 16 for a folder and 0 for a file, and no times (the NULL of MarlovexGetFileTimes).
class IdxTreeSource : public TreeSource {
public:
    // The indexed root, e.g. "C:\", or "0:\" when the index names no start folder.
    static QString rootPath();

    bool readVolume(VolumeFacts& facts) override;
    bool openRoot() override;
    bool enter(std::string_view key) override;
    void leave() override;
    bool list(const ListRequest& request, TreeEntrySink& sink) override;
    QString currentPath() const override { return m_path; }
    // A listing cut short (IdxListingCut) fails the import: a partial tree is no image of it.
    QString walkFailure() const override;

private:
    QString m_path;
    std::vector<qsizetype> m_parents; // length of m_path in each enclosing folder
    QByteArray m_name;
};
