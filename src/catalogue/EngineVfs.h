#pragma once

// The file layer every catalogue connection opens through: the system's own, with one change.
// Compaction renames a checked copy over the catalogue, so a connection may still hold the file
// that used to stand at the path. Such a connection must never treat the new file's journal,
// which has the same name as its own, as one left behind by a crashed writer (it would roll it
// into the old file and delete it under the live writer), and it may not begin a new read of the
// old file: it is refused with SQLITE_IOERR_LOCK, so that the caller opens the path again.
const char* CatalogueVfsName();
