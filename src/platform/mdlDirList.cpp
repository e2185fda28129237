#include "mdlDirList.h"

#include <algorithm>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// Length of the valid UTF-8 sequence at p, or 0 when the byte there does not start one.
int utf8SequenceAt(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int n;
    unsigned min;
    unsigned cp;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (end - p < n)
        return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// Upper-case only: the escape writes no other.
int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isShortNameChar(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!#$%&'()-@^_`{}~").find(char(c)) != std::string_view::npos;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // ASCII runs are by far the common case.
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const int n = utf8SequenceAt(p, end);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

std::string_view StoredName(std::string_view raw, std::string& buffer) {
    if (IsValidUtf8(raw))
        return raw;
    static const char hex[] = "0123456789ABCDEF";
    buffer.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
    const auto* end = p + raw.size();
    while (p < end) {
        const int n = utf8SequenceAt(p, end);
        if (n == 0) {
            buffer += "/x";
            buffer += hex[*p >> 4];
            buffer += hex[*p & 15];
            ++p;
        } else {
            buffer.append(reinterpret_cast<const char*>(p), size_t(n));
            p += n;
        }
    }
    return buffer;
}

QByteArray UnescapeName(const QString& stored) {
    const QByteArray utf8 = stored.toUtf8();
    if (!utf8.contains('/'))
        return utf8;
    QByteArray out;
    out.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '/' && i + 3 < utf8.size() && utf8[i + 1] == 'x') {
            const int hi = hexValue(utf8[i + 2]);
            const int lo = hexValue(utf8[i + 3]);
            if (hi >= 0 && lo >= 0) {
                out += char(hi * 16 + lo);
                i += 3;
                continue;
            }
        }
        out += utf8[i];
    }
    return out;
}

std::string_view CutToChars(std::string_view utf8, int maxChars) {
    int chars = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        // Count lead bytes only.
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (chars == maxChars)
                return utf8.substr(0, i);
            ++chars;
        }
    }
    return utf8;
}

quint32 AttributesOf(std::string_view name, mode_t mode) {
    quint32 a = 0;
    if (S_ISDIR(mode))
        a |= Attrib::Directory;
    else if (S_ISLNK(mode))
        a |= Attrib::Link;
    else if (S_ISSOCK(mode) || S_ISFIFO(mode) || S_ISCHR(mode) || S_ISBLK(mode))
        a |= Attrib::System;
    if (!name.empty() && name[0] == '.')
        a |= Attrib::Hidden;
    if (!(mode & S_IWUSR))
        a |= Attrib::ReadOnly;
    return a;
}

bool IsShortName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    const size_t dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view ext =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3)
        return false;
    if (dot != std::string_view::npos && ext.empty())
        return false;
    for (char c : base) {
        if (!isShortNameChar(static_cast<unsigned char>(c)))
            return false;
    }
    for (char c : ext) {
        if (!isShortNameChar(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

void FormatLocalTime(qint64 secondsSinceEpoch, char* out) {
    const time_t t = time_t(secondsSinceEpoch);
    struct tm tm {};
    if (!localtime_r(&t, &tm)) {
        std::fill(out, out + kTimeTextSize, '0');
        return;
    }
    // Written by hand: strftime and QDateTime cost more than the rest of the row.
    auto two = [](char* p, int v) {
        p[0] = char('0' + (v / 10) % 10);
        p[1] = char('0' + v % 10);
    };
    const int year = tm.tm_year + 1900;
    out[0] = char('0' + (year / 1000) % 10);
    out[1] = char('0' + (year / 100) % 10);
    two(out + 2, year % 100);
    out[4] = '-';
    two(out + 5, tm.tm_mon + 1);
    out[7] = '-';
    two(out + 8, tm.tm_mday);
    out[10] = ' ';
    two(out + 11, tm.tm_hour);
    out[13] = ':';
    two(out + 14, tm.tm_min);
    out[16] = ':';
    two(out + 17, tm.tm_sec);
}

bool IsVfatFolder(int dirFd) {
    struct statfs sf {};
    if (::fstatfs(dirFd, &sf) != 0)
        return false;
    return sf.f_type == MSDOS_SUPER_MAGIC;
}

bool VfatShortNames::load(int dirFd) {
    m_entries.clear();
    // A descriptor of our own: the ioctl moves the position of the one it reads.
    const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct __fat_dirent both[2];
    while (true) {
        const int rc = ::ioctl(fd, VFAT_IOCTL_READDIR_BOTH, both);
        if (rc <= 0 || both[0].d_reclen == 0)
            break;
        std::string shortName(both[0].d_name, both[0].d_reclen);
        std::string longName =
            both[1].d_reclen ? std::string(both[1].d_name, both[1].d_reclen) : shortName;
        if (shortName == "." || shortName == "..")
            continue;
        m_entries.push_back({std::move(longName), std::move(shortName)});
    }
    ::close(fd);
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.longName < b.longName; });
    return true;
}

std::string_view VfatShortNames::find(std::string_view longName) const {
    auto it = std::lower_bound(
        m_entries.begin(), m_entries.end(), longName,
        [](const Entry& e, std::string_view name) { return std::string_view(e.longName) < name; });
    if (it == m_entries.end() || it->longName != longName)
        return {};
    return it->shortName;
}
