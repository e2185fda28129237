#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Reader of the Marlovex cataloguer's index files (*.idx): a few header lines that describe the
// disk, then one line per path found on it. There is one reader per process; each load replaces
// its whole state. It answers the questions the disk scan puts to a drive: the disk's type,
// serial, label and root, the entries of one folder at a time, and whether an entry is a folder.
//
// Texts are 8-bit (Windows-1252). A line ends at CR LF or at a lone CR; a lone LF does not end
// a line. A line beginning with "<" is a header entry (kept without the "<"); every other line,
// an empty one included, is a body line.

// The attribute bit IdxGetAttr answers for a folder.
inline constexpr int kIdxAttrFolder = 16;

// A folder path longer than this is not listed: no disk's path can be that long, and it bounds
// the depth of a walk over a hostile line of a megabyte.
inline constexpr qsizetype kIdxMaxFolderPath = 32767;

// True when the path names a regular file that can be read and whose first byte is "<".
bool IdxIsSupported(const QString& path);

// Called now and then while a large file is loaded (about every million lines), so that the
// window stays responsive; it must not call the reader.
using IdxPause = std::function<void()>;

// Reads the file into the reader. False when it could not be read; the reader is then empty
// (no header entries, no body lines).
bool IdxLoad(const QString& path, const IdxPause& pause = {});
// The same from bytes already in memory.
bool IdxLoadData(const QByteArray& data, const IdxPause& pause = {});
// Empties the reader and frees its memory.
void IdxClear();

// The header form of the loaded file: true when some header entry begins with "disktype".
bool IdxNamedHeaders();
qsizetype IdxHeaderCount();
qsizetype IdxBodyCount();

// Position of the header entry to read for a name (a prefix, compared without regard to case),
// or the default position (-1 for none). In the positional form the defaults 0 to 3 are
// answered without searching.
qsizetype IdxFindHeader(const QString& name, qsizetype defaultPosition);
// The value text of a header entry; "" for a position that holds no entry.
QString IdxHeaderValue(qsizetype position);

// The Images.Type code: 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk, 1 anything else.
int IdxDiskType();
// Eight characters, upper case: "1a2b-3c4d" gives "1A2B3C4D", no serial "00000000".
QString IdxSerial();
// "" when the index names no label.
QString IdxDiskLabel();
// The drive letter of the indexed root; "0" when the index names no start folder.
QString IdxStartDrive();
// What the format doesn't hold: always "".
QString IdxFileSystem();
QString IdxShortName(const QString& path);
QString IdxFileSize(const QString& path);

// Lists one folder. With a folder path (ending in "\"), lists that folder from its first
// entry; with "" goes on with the listing in progress. Answers the next entry's name, or ""
// when there is none. The mask is not used: folders and files are always listed.
//
// The entries are those of the body lines, in file order, that begin with the path without
// regard to case: up to and including the next "\" after the path (a subfolder), else up to the
// first "/" of the line (a tail that is ignored), else the whole line. An entry equal to the one
// before it is merged into it, so only adjacent repeats merge. An entry whose name is empty
// (a doubled "\") is passed over, since "" ends the listing.
QString IdxDir(const QString& path, int mask);

// kIdxAttrFolder when path followed by "\" is, without regard to case, a subfolder entry of the
// folder listed last; else 0. Ask about each name before listing the next folder.
int IdxGetAttr(const QString& path);

// True when the listings of the current walk were cut short: an index whose folders repeat (out
// of order, or in several cases) makes a walk list the same lines again for every repeat, which
// grows exponentially with depth. Once the listings have gone over the index's lines many times
// more than a walk of a well-formed index would, every further folder lists as empty.
bool IdxListingCut();
// The folder whose listing was refused first; "" when none was.
QString IdxListingCutFolder();
// Starts a walk over the loaded index: each walk (the counting pass, the write pass) has the
// whole listing budget to itself.
void IdxStartWalk();
