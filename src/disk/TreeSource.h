#pragma once

#include <QString>

#include <string_view>

// The facts of the volume a tree comes from, read when the scan identifies the disk.
struct VolumeFacts {
    QString label;
    QString fileSystem;
    quint32 serial = 0;
    QString serialText; // when not empty, stored instead of the number (an index's serial is text)
    int typeCode = 0;
    QString source; // the key letter and a colon, e.g. "D:"
    QString device; // the CD device to eject, empty when the volume is not on a CD drive
    // Where the tree is: the volume's mount point, or the folder when only a folder of it is
    // catalogued; empty for a tree that is no mounted file system.
    QString place;
};

// One entry of a folder listing. Every view is valid only during the callback that hands it.
struct TreeEntry {
    std::string_view name; // UTF-8, ready to store
    std::string_view key;  // what enter() takes to open this folder again (file systems: raw bytes)
    bool isFolder = false;
    // The rest is filled only when the listing asked for details.
    qint64 size = 0;
    quint32 attrib = 0;
    std::string_view msdosName; // empty when none
    const char* times[3] = {};  // creation, access, modification: 19 characters, or null
};

class TreeEntrySink {
public:
    virtual ~TreeEntrySink() = default;
    // False stops the listing (the walk was cancelled).
    virtual bool entry(const TreeEntry& e) = 0;
};

// A tree the scan walks: a file system, or a foreign index read into memory. The walk is depth
// first with one current folder: openRoot(), then list(); enter() a subfolder of the current
// folder (making it current), list() it, and so on; leave() returns to the parent. Only one
// listing is ever in progress.
class TreeSource {
public:
    struct ListRequest {
        bool details = true; // false: only name, key and isFolder are needed (the counting pass)
        bool msdosNames = false;
        bool times = false;
    };

    virtual ~TreeSource() = default;

    // Reads the volume facts afresh; false when the volume cannot be read.
    virtual bool readVolume(VolumeFacts& facts) = 0;
    // Makes the root current; false when it cannot be opened.
    virtual bool openRoot() = 0;
    // Makes the subfolder with this key current. The walk always pairs it with leave(), also
    // when it returns false (a folder that cannot be opened lists nothing).
    virtual bool enter(std::string_view key) = 0;
    virtual void leave() = 0;
    // Lists the current folder in its natural order, without "." and "..". False when it cannot
    // be listed (nothing, or only part, was handed on).
    virtual bool list(const ListRequest& request, TreeEntrySink& sink) = 0;
    // The current folder as the user knows it, for the progress display.
    virtual QString currentPath() const = 0;
    // Not empty when the walk can no longer be trusted (a listing was cut short): the scan ends
    // with this message and writes nothing.
    virtual QString walkFailure() const { return {}; }
    // Lets go of everything held open on the volume, so that it can be unmounted.
    virtual void release() {}
};
