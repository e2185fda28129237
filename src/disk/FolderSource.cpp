#include "FolderSource.h"

#include "mdlDriveLetters.h"

#include "platform/mdlDirList.h"
#include "platform/mdlEject.h"
#include "platform/mdlVolume.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;

bool isDotOrDotDot(const char* n) {
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

} // namespace

FolderSource::FolderSource(const QString& rootPath) : m_root(QFile::encodeName(rootPath)) {
    if (m_root.size() > 1 && m_root.endsWith('/'))
        m_root.chop(1);
    m_direntBuffer.resize(64 * 1024);
}

FolderSource::~FolderSource() {
    closeAll();
}

void FolderSource::closeAll() {
    for (Level& l : m_levels) {
        if (l.fd >= 0)
            ::close(l.fd);
    }
    m_levels.clear();
    m_names.clear();
    m_open = 0;
}

bool FolderSource::readVolume(VolumeFacts& facts) {
    if (volumeReader)
        return volumeReader(facts);
    const QString root = QFile::decodeName(m_root);
    const std::optional<VolumeInfo> v = KeyedVolumeOfPath(root);
    if (!v)
        return false;
    facts.fileSystem = v->fileSystem;
    facts.serial = v->serial;
    facts.typeCode = v->typeCode;
    facts.source = QString(v->key) + QLatin1Char(':');
    facts.device = IsCdType(v->typeCode) ? v->device : QString();
    // A folder inside a volume is known by its own name.
    const QString canonical = QFileInfo(root).canonicalFilePath();
    facts.label = canonical == v->mountPoint ? v->label : QFileInfo(canonical).fileName();
    facts.place = canonical;
    return true;
}

bool FolderSource::openRoot() {
    closeAll();
    Level root;
    root.fd = ::open(m_root.constData(), kOpenFlags & ~O_NOFOLLOW);
    m_path.assign(m_root.constData(), size_t(m_root.size()));
    if (m_path.empty() || m_path.back() != '/')
        m_path += '/';
    root.pathSize = m_path.size();
    struct stat st {};
    if (root.fd >= 0 && ::fstat(root.fd, &st) == 0) {
        root.ok = true;
        root.dev = st.st_dev;
        root.ino = st.st_ino;
        m_rootDev = st.st_dev;
        m_vfat = IsVfatFolder(root.fd);
        ++m_open;
    }
    m_levels.push_back(root);
    return root.ok;
}

int FolderSource::reopen(size_t index) {
    Level& l = m_levels[index];
    if (l.fd >= 0 || !l.ok)
        return l.fd;
    // The nearest ancestor still open, or the root by its path.
    size_t from = index;
    while (from > 0 && m_levels[from].fd < 0)
        --from;
    int fd = m_levels[from].fd;
    bool owned = false;
    if (fd < 0) {
        fd = ::open(m_root.constData(), kOpenFlags & ~O_NOFOLLOW);
        owned = true;
        from = 0;
        if (fd < 0)
            return -1;
        if (index == 0) {
            l.fd = fd;
            ++m_open;
            return fd;
        }
    }
    for (size_t i = from + 1; i <= index && fd >= 0; ++i) {
        const Level& step = m_levels[i];
        const std::string name = m_names.substr(step.nameOffset, step.nameSize);
        const int next = ::openat(fd, name.c_str(), kOpenFlags);
        if (owned)
            ::close(fd);
        fd = next;
        owned = true;
    }
    struct stat st {};
    // A folder moved away meanwhile is not the one we were walking.
    if (fd >= 0 && (::fstat(fd, &st) != 0 || st.st_dev != l.dev || st.st_ino != l.ino)) {
        ::close(fd);
        fd = -1;
    }
    if (fd >= 0) {
        l.fd = fd;
        ++m_open;
    }
    return fd;
}

void FolderSource::limitOpen() {
    if (m_open <= kMaxOpenFolders)
        return;
    for (Level& l : m_levels) {
        if (l.fd >= 0) {
            ::close(l.fd);
            l.fd = -1;
            --m_open;
            return;
        }
    }
}

bool FolderSource::enter(std::string_view key) {
    const size_t parentIndex = m_levels.size() - 1;
    Level level;
    level.nameOffset = m_names.size();
    level.nameSize = key.size();
    m_names.append(key);
    m_path.resize(m_levels.back().pathSize);
    m_path.append(key);
    m_path += '/';
    level.pathSize = m_path.size();

    const int parentFd = m_levels[parentIndex].ok ? reopen(parentIndex) : -1;
    if (parentFd >= 0) {
        const std::string name(key);
        level.fd = ::openat(parentFd, name.c_str(), kOpenFlags);
        struct stat st {};
        if (level.fd >= 0 && ::fstat(level.fd, &st) == 0 && st.st_dev == m_rootDev) {
            level.ok = true;
            level.dev = st.st_dev;
            level.ino = st.st_ino;
            ++m_open;
        } else if (level.fd >= 0) {
            // Another file system mounted here: the walk stays on its own volume.
            ::close(level.fd);
            level.fd = -1;
        }
    }
    m_levels.push_back(level);
    limitOpen();
    return level.ok;
}

void FolderSource::leave() {
    if (m_levels.size() <= 1)
        return;
    Level top = m_levels.back();
    const size_t parentIndex = m_levels.size() - 2;
    Level& parent = m_levels[parentIndex];
    if (parent.ok && parent.fd < 0 && top.fd >= 0) {
        // Back up through ".." while the child is still open: one step, whatever the depth.
        const int fd = ::openat(top.fd, "..", kOpenFlags);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == parent.dev &&
            st.st_ino == parent.ino) {
            parent.fd = fd;
            ++m_open;
        } else if (fd >= 0) {
            ::close(fd);
        }
    }
    if (top.fd >= 0) {
        ::close(top.fd);
        --m_open;
    }
    m_names.resize(top.nameOffset);
    m_levels.pop_back();
    m_path.resize(m_levels.back().pathSize);
    // Whatever is still closed is reopened when it is needed.
    limitOpen();
}

bool FolderSource::list(const ListRequest& request, TreeEntrySink& sink) {
    if (m_levels.empty() || !m_levels.back().ok)
        return false;
    const int fd = reopen(m_levels.size() - 1);
    if (fd < 0)
        return false;
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return false;

    VfatShortNames vfatNames;
    const bool vfatShort = request.details && request.msdosNames && m_vfat;
    if (vfatShort)
        vfatNames.load(fd);

    unsigned statMask = STATX_TYPE | STATX_MODE | STATX_SIZE;
    if (request.times)
        statMask |= STATX_BTIME | STATX_ATIME | STATX_MTIME;
    char timeText[3][kTimeTextSize + 1] = {};

    TreeEntry e;
    while (true) {
        const ssize_t n = ::getdents64(fd, m_direntBuffer.data(), m_direntBuffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        for (ssize_t off = 0; off < n;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(m_direntBuffer.data() + off);
            off += d->d_reclen;
            const char* rawName = d->d_name;
            if (isDotOrDotDot(rawName))
                continue;
            const std::string_view raw(rawName, std::strlen(rawName));
            e = TreeEntry();
            e.key = raw;
            e.name = StoredName(raw, m_nameBuffer);

            if (!request.details) {
                // The counting pass takes the kind from the entry itself, without a stat.
                if (d->d_type == DT_UNKNOWN) {
                    struct stat st {};
                    if (::fstatat(fd, rawName, &st, AT_SYMLINK_NOFOLLOW) != 0)
                        continue;
                    e.isFolder = S_ISDIR(st.st_mode);
                } else {
                    e.isFolder = d->d_type == DT_DIR;
                }
                if (!sink.entry(e))
                    return true;
                continue;
            }

            struct statx sx {};
            if (::statx(fd, rawName, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, statMask, &sx) !=
                0) {
                // Gone since the listing: passed over.
                if (errno == ENOENT)
                    continue;
                sx.stx_mode = d->d_type == DT_DIR ? S_IFDIR : S_IFREG;
                sx.stx_size = 0;
                sx.stx_mask = 0;
            }
            e.isFolder = S_ISDIR(sx.stx_mode);
            e.attrib = AttributesOf(raw, sx.stx_mode);
            e.size = e.isFolder ? 0 : qint64(sx.stx_size);
            if (request.msdosNames)
                e.msdosName = vfatShort ? vfatNames.find(raw) : (IsShortName(raw) ? raw : "");
            // Folders keep no times, as in catalogues written before.
            if (request.times && !e.isFolder) {
                if (sx.stx_mask & STATX_BTIME) {
                    FormatLocalTime(sx.stx_btime.tv_sec, timeText[0]);
                    e.times[0] = timeText[0];
                }
                if (sx.stx_mask & STATX_ATIME) {
                    FormatLocalTime(sx.stx_atime.tv_sec, timeText[1]);
                    e.times[1] = timeText[1];
                }
                if (sx.stx_mask & STATX_MTIME) {
                    FormatLocalTime(sx.stx_mtime.tv_sec, timeText[2]);
                    e.times[2] = timeText[2];
                }
            }
            if (!sink.entry(e))
                return true;
        }
    }
    return true;
}

QString FolderSource::currentPath() const {
    return QFile::decodeName(QByteArray(m_path.data(), qsizetype(m_path.size())));
}
