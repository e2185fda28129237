#include "import/mdlImportMarlovex.h"

#include "import/Windows1252.h"

#include <QFile>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>

namespace {

struct Line {
    qsizetype start;
    qsizetype size;
};

// An entry of the folder being listed: the first size bytes of a body line.
struct Entry {
    quint32 line;
    qsizetype size;
};

// How many times over its lines (and folder levels) the listings of one load may go before
// they are cut. A walk of a well-formed index goes over each line once per folder above it.
constexpr qint64 kListingBudgetFactor = 16;
constexpr qint64 kListingBudgetFloor = 4096;

struct Reader {
    QByteArray raw;
    // raw, lower-cased: prefix matching and the folder test compare these bytes.
    QByteArray folded;
    std::vector<Line> headers;
    std::vector<Line> body;
    // Body line numbers ordered by their lower-cased text: the lines that begin with a folder's
    // path lie side by side in this order, so a folder is found by a binary search.
    std::vector<quint32> byText;
    bool named = false;

    std::vector<Entry> entries;
    qsizetype position = -1;
    // The path of the folder listed last, and its bytes lower-cased: the walk asks about
    // paths that extend it, so only their tails need converting.
    QString listedPath;
    QByteArray listedFolded;
    std::unordered_set<std::string_view> folderEntries;
    bool folderEntriesBuilt = false;

    qint64 budget = 0;
    qint64 spent = 0;
    bool cut = false;
    QString cutFolder;

    // Scratch for putting a large set of line numbers back into file order.
    std::vector<quint64> bitmap;

    std::string_view rawOf(const Line& l) const {
        return {raw.constData() + l.start, static_cast<size_t>(l.size)};
    }
    std::string_view foldedOf(const Line& l) const {
        return {folded.constData() + l.start, static_cast<size_t>(l.size)};
    }

    void clear() { *this = Reader(); }
};

Reader& reader() {
    static Reader r;
    return r;
}

std::string_view trimSpaces(std::string_view v) {
    while (!v.empty() && v.front() == ' ')
        v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ')
        v.remove_suffix(1);
    return v;
}

QString decode(std::string_view v) {
    return Cp1252Decode(v.data(), static_cast<qsizetype>(v.size()));
}

// The text in the code page, lower-cased; false when a character has no byte in it (then no
// line of the index can match it).
bool foldedBytes(const QString& text, QByteArray* out) {
    if (!Cp1252Encode(text, out))
        return false;
    Cp1252LowerBytes(out->constData(), out->data(), out->size());
    return true;
}

// The same, reusing the conversion of the folder listed last when the text extends it.
bool foldedPath(const Reader& r, const QString& path, QByteArray* out) {
    if (r.listedPath.isEmpty() || !path.startsWith(r.listedPath))
        return foldedBytes(path, out);
    QByteArray tail;
    if (!foldedBytes(QStringView(path).mid(r.listedPath.size()).toString(), &tail))
        return false;
    *out = r.listedFolded + tail;
    return true;
}

// Long loads hand control to the caller's pause at about this many lines or bytes.
constexpr qsizetype kPauseLines = qsizetype(1) << 20;
constexpr qsizetype kPauseBytes = qsizetype(1) << 26;

void pauseIf(const IdxPause& pause) {
    if (pause)
        pause();
}

bool parse(Reader& r, const IdxPause& pause) {
    const char* p = r.raw.constData();
    const qsizetype n = r.raw.size();
    qint64 separators = 0;
    qsizetype s = 0;
    qsizetype sincePause = 0;
    while (s < n) {
        const void* cr = std::memchr(p + s, '\r', static_cast<size_t>(n - s));
        const qsizetype e = cr ? static_cast<const char*>(cr) - p : n;
        if (e > s && p[s] == '<') {
            r.headers.push_back({s + 1, e - s - 1});
        } else {
            if (r.body.size() >= std::numeric_limits<quint32>::max())
                return false;
            r.body.push_back({s, e - s});
            separators += std::count(p + s, p + e, '\\');
        }
        if (++sincePause == kPauseLines) {
            sincePause = 0;
            pauseIf(pause);
        }
        if (!cr)
            break;
        s = e + 1;
        if (s < n && p[s] == '\n')
            ++s;
    }

    r.folded.resize(n);
    for (qsizetype at = 0; at < n; at += kPauseBytes) {
        Cp1252LowerBytes(p + at, r.folded.data() + at, std::min(kPauseBytes, n - at));
        pauseIf(pause);
    }

    for (const Line& h : r.headers) {
        if (r.foldedOf(h).starts_with("disktype")) {
            r.named = true;
            break;
        }
    }

    // Sorted in slices, then merged slice by slice, so that the caller can pause in between.
    const auto less = [&r](quint32 x, quint32 y) {
        return r.foldedOf(r.body[x]) < r.foldedOf(r.body[y]);
    };
    auto& order = r.byText;
    order.resize(r.body.size());
    std::iota(order.begin(), order.end(), quint32(0));
    const auto total = static_cast<qsizetype>(order.size());
    const auto at = [&order, total](qsizetype i) { return order.begin() + std::min(i, total); };
    for (qsizetype from = 0; from < total; from += kPauseLines) {
        std::sort(at(from), at(from + kPauseLines), less);
        pauseIf(pause);
    }
    for (qsizetype width = kPauseLines; width < total; width *= 2) {
        for (qsizetype from = 0; from + width < total; from += 2 * width) {
            std::inplace_merge(at(from), at(from + width), at(from + 2 * width), less);
            pauseIf(pause);
        }
    }

    r.budget = kListingBudgetFactor * (static_cast<qint64>(r.body.size()) + separators) +
               kListingBudgetFloor;
    return true;
}

std::string_view headerValueBytes(qsizetype position) {
    const Reader& r = reader();
    if (position < 0 || position >= static_cast<qsizetype>(r.headers.size()))
        return {};
    const std::string_view entry = r.rawOf(r.headers[static_cast<size_t>(position)]);
    if (!r.named && position <= 3)
        return trimSpaces(entry);
    const size_t space = entry.find(' ');
    if (space == std::string_view::npos)
        return {};
    return trimSpaces(entry.substr(space + 1));
}

// Puts the line numbers of byText[lo, hi) into file order.
std::vector<quint32> inFileOrder(Reader& r, size_t lo, size_t hi) {
    std::vector<quint32> lines;
    const size_t k = hi - lo;
    lines.reserve(k);
    const size_t total = r.body.size();
    if (k > total / 256) {
        // A large share of the body: marking a bitmap and reading it back beats sorting.
        r.bitmap.assign((total + 63) / 64, 0);
        for (size_t i = lo; i < hi; ++i)
            r.bitmap[r.byText[i] / 64] |= quint64(1) << (r.byText[i] % 64);
        for (size_t w = 0; w < r.bitmap.size(); ++w) {
            quint64 bits = r.bitmap[w];
            while (bits) {
                const int b = std::countr_zero(bits);
                lines.push_back(static_cast<quint32>(w * 64 + static_cast<size_t>(b)));
                bits &= bits - 1;
            }
        }
    } else {
        lines.assign(r.byText.begin() + static_cast<std::ptrdiff_t>(lo),
                     r.byText.begin() + static_cast<std::ptrdiff_t>(hi));
        std::sort(lines.begin(), lines.end());
    }
    return lines;
}

void listFolder(Reader& r, const QString& path) {
    r.entries.clear();
    r.position = -1;
    r.folderEntries.clear();
    r.folderEntriesBuilt = false;
    QByteArray prefix;
    const bool encoded = foldedPath(r, path, &prefix);
    r.listedPath.clear();
    r.listedFolded.clear();
    if (r.cut || !encoded || prefix.size() > kIdxMaxFolderPath)
        return;
    r.listedPath = path;
    r.listedFolded = prefix;
    const std::string_view fp(prefix.constData(), static_cast<size_t>(prefix.size()));

    const auto first = std::lower_bound(
        r.byText.begin(), r.byText.end(), fp,
        [&r](quint32 line, std::string_view key) { return r.foldedOf(r.body[line]) < key; });
    const auto last = std::partition_point(first, r.byText.end(), [&r, fp](quint32 line) {
        return r.foldedOf(r.body[line]).starts_with(fp);
    });
    const size_t lo = static_cast<size_t>(first - r.byText.begin());
    const size_t hi = static_cast<size_t>(last - r.byText.begin());

    r.spent += std::max<qint64>(static_cast<qint64>(hi - lo), 1);
    if (r.spent > r.budget) {
        r.cut = true;
        r.cutFolder = path;
        r.listedPath.clear();
        r.listedFolded.clear();
        return;
    }

    const size_t n = fp.size();
    for (quint32 index : inFileOrder(r, lo, hi)) {
        const std::string_view line = r.rawOf(r.body[index]);
        qsizetype size;
        const size_t slash = line.find('\\', n);
        if (slash != std::string_view::npos) {
            size = static_cast<qsizetype>(slash + 1);
        } else {
            const size_t tail = line.find('/');
            size = static_cast<qsizetype>(tail == std::string_view::npos ? line.size() : tail);
        }
        if (!r.entries.empty()) {
            const Entry& prev = r.entries.back();
            if (prev.size == size &&
                r.rawOf(r.body[prev.line]).substr(0, static_cast<size_t>(size)) ==
                    line.substr(0, static_cast<size_t>(size)))
                continue;
        }
        r.entries.push_back({index, size});
    }
}

QString entryName(const Reader& r, const Entry& e) {
    std::string_view v = r.rawOf(r.body[e.line]).substr(0, static_cast<size_t>(e.size));
    if (v.ends_with('\\')) {
        const std::string_view inner = v.substr(0, v.size() - 1);
        const size_t before = inner.rfind('\\');
        return before == std::string_view::npos ? decode(v) : decode(inner.substr(before + 1));
    }
    const size_t last = v.rfind('\\');
    return last == std::string_view::npos ? decode(v) : decode(v.substr(last + 1));
}

} // namespace

bool IdxIsSupported(const QString& path) {
    if (path.isEmpty())
        return false;
    // Only a regular file: reading a FIFO or a device could block or never end.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    char first = 0;
    return file.read(&first, 1) == 1 && first == '<';
}

bool IdxLoad(const QString& path, const IdxPause& pause) {
    reader().clear();
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray data;
    try {
        data = file.readAll();
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (file.error() != QFileDevice::NoError)
        return false;
    return IdxLoadData(data, pause);
}

bool IdxLoadData(const QByteArray& data, const IdxPause& pause) {
    Reader& r = reader();
    r.clear();
    try {
        r.raw = data;
        if (parse(r, pause))
            return true;
    } catch (const std::bad_alloc&) {
    }
    r.clear();
    return false;
}

void IdxClear() {
    reader().clear();
}

bool IdxNamedHeaders() {
    return reader().named;
}

qsizetype IdxHeaderCount() {
    return static_cast<qsizetype>(reader().headers.size());
}

qsizetype IdxBodyCount() {
    return static_cast<qsizetype>(reader().body.size());
}

qsizetype IdxFindHeader(const QString& name, qsizetype defaultPosition) {
    const Reader& r = reader();
    if (!r.named && defaultPosition >= 0 && defaultPosition <= 3)
        return defaultPosition;
    QByteArray key;
    if (!foldedBytes(name, &key))
        return defaultPosition;
    const std::string_view k(key.constData(), static_cast<size_t>(key.size()));
    for (size_t i = 0; i < r.headers.size(); ++i) {
        if (r.foldedOf(r.headers[i]).starts_with(k))
            return static_cast<qsizetype>(i);
    }
    return defaultPosition;
}

QString IdxHeaderValue(qsizetype position) {
    return decode(headerValueBytes(position));
}

int IdxDiskType() {
    const qsizetype position = IdxFindHeader(QStringLiteral("Disktype"), 0);
    if (position >= IdxHeaderCount())
        return 1;
    const QString word = IdxHeaderValue(position).toLower();
    if (word == u"removable")
        return 2;
    if (word == u"fixed")
        return 3;
    if (word == u"remote")
        return 4;
    if (word == u"cd-rom")
        return 5;
    if (word == u"ramdisk")
        return 6;
    return 1;
}

QString IdxSerial() {
    // A serial the index doesn't hold (fewer than two entries, none named) reads as empty.
    const std::string_view value = headerValueBytes(IdxFindHeader(QStringLiteral("Serial"), 1));
    std::string digits;
    for (char c : value) {
        if (c != '-')
            digits.push_back(c);
    }
    std::string_view cut = trimSpaces(digits);
    cut = cut.substr(0, 8);
    QByteArray serial(8 - static_cast<qsizetype>(cut.size()), '0');
    serial.append(cut.data(), static_cast<qsizetype>(cut.size()));
    for (char& c : serial)
        c = static_cast<char>(Cp1252Upper(static_cast<unsigned char>(c)));
    return Cp1252Decode(serial);
}

QString IdxDiskLabel() {
    const qsizetype position = IdxFindHeader(QStringLiteral("DiskLabel"), -1);
    return position < 0 ? QString() : IdxHeaderValue(position);
}

QString IdxStartDrive() {
    const qsizetype position = IdxFindHeader(QStringLiteral("StartDir"), -1);
    const QString value = position < 0 ? QString() : IdxHeaderValue(position);
    // An empty "StartDir" names no start folder either; a root of ":\" would be no drive.
    return value.isEmpty() ? QStringLiteral("0") : value.left(1);
}

QString IdxFileSystem() {
    return {};
}

QString IdxShortName(const QString& /*path*/) {
    return {};
}

QString IdxFileSize(const QString& /*path*/) {
    return {};
}

QString IdxDir(const QString& path, int /*mask*/) {
    Reader& r = reader();
    if (!path.isEmpty())
        listFolder(r, path);
    const auto count = static_cast<qsizetype>(r.entries.size());
    while (r.position + 1 < count) {
        ++r.position;
        QString name = entryName(r, r.entries[static_cast<size_t>(r.position)]);
        if (!name.isEmpty())
            return name;
    }
    r.position = count;
    return {};
}

int IdxGetAttr(const QString& path) {
    Reader& r = reader();
    if (!r.folderEntriesBuilt) {
        for (const Entry& e : r.entries) {
            const std::string_view v =
                r.foldedOf(r.body[e.line]).substr(0, static_cast<size_t>(e.size));
            if (v.ends_with('\\'))
                r.folderEntries.insert(v);
        }
        r.folderEntriesBuilt = true;
    }
    QByteArray key;
    if (!foldedPath(r, path, &key))
        return 0;
    key.append('\\');
    const std::string_view k(key.constData(), static_cast<size_t>(key.size()));
    return r.folderEntries.contains(k) ? kIdxAttrFolder : 0;
}

bool IdxListingCut() {
    return reader().cut;
}

QString IdxListingCutFolder() {
    return reader().cutFolder;
}

void IdxStartWalk() {
    Reader& r = reader();
    r.spent = 0;
    r.cut = false;
    r.cutFolder.clear();
}
