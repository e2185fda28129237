#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

// Item attribute bits, derived from what Linux keeps.
namespace Attrib {
enum : quint32 {
    ReadOnly = 1, // the owner may not write
    Hidden = 2,   // the name begins with "."
    System = 4,   // sockets, FIFOs and device nodes
    Directory = 16,
    Link = 1024, // a symbolic link, never followed
};
}

// File names are bytes; the catalogue stores UTF-8 text. A name that is valid UTF-8 is stored
// unchanged. In any other name, each byte that is not part of a valid UTF-8 sequence is written
// as "/x" and two upper-case hex digits ("caf\xE9" is stored as "caf/xE9"). No file name can
// hold a "/", so a stored name with one always stands for such bytes and never equals the
// stored form of another name; UnescapeName gives the original bytes back.
bool IsValidUtf8(std::string_view bytes);
// Returns the name to store: raw itself, or the escaped form built in buffer.
std::string_view StoredName(std::string_view raw, std::string& buffer);
// The bytes of the file a stored name stands for: each "/xNN" decoded, the rest as UTF-8.
QByteArray UnescapeName(const QString& stored);
// The longest stored name of a file: 255 bytes, each written as "/xNN" at worst.
constexpr int kMaxNameBytes = 255;
constexpr int kMaxStoredNameChars = 4 * kMaxNameBytes;
// A stored name cut to at most maxChars characters, never inside a character.
std::string_view CutToChars(std::string_view utf8, int maxChars);

quint32 AttributesOf(std::string_view name, mode_t mode);

// True when name already is a valid upper-case 8.3 short name (what FAT would keep as is).
bool IsShortName(std::string_view name);

// "yyyy-MM-dd hh:mm:ss" in local time, written to out (19 characters, no terminator).
constexpr int kTimeTextSize = 19;
void FormatLocalTime(qint64 secondsSinceEpoch, char* out);

// The file system type of an open folder, as statfs reports it.
bool IsVfatFolder(int dirFd);

// The short names of one folder of a vfat volume, read with VFAT_IOCTL_READDIR_BOTH.
class VfatShortNames {
public:
    // Reads every entry of the folder open at dirFd (the descriptor itself is left alone).
    bool load(int dirFd);
    // The short name of the entry called longName; empty when unknown.
    std::string_view find(std::string_view longName) const;
    void clear() { m_entries.clear(); }

private:
    struct Entry {
        std::string longName;
        std::string shortName;
    };
    std::vector<Entry> m_entries;
};
