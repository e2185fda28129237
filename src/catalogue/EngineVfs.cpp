#include "EngineVfs.h"

#include <sqlite3.h>

#include <sys/stat.h>

namespace {

sqlite3_vfs* g_system = nullptr;
sqlite3_vfs g_vfs;

// A catalogue file: our header, then the system's own file object.
struct CatalogueFile {
    sqlite3_file base;
    const char* path; // the engine keeps the name alive until the file is closed
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<CatalogueFile*>(f)->real();
}

// Another file stands at the path than the one open here. A path that names nothing (the file was
// deleted or moved away by hand) is no replacement.
bool replaced(sqlite3_file* f) {
    sqlite3_file* r = real(f);
    int moved = 0;
    if (r->pMethods->xFileControl(r, SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK || !moved)
        return false;
    struct stat st;
    return ::stat(reinterpret_cast<CatalogueFile*>(f)->path, &st) == 0;
}

int xClose(sqlite3_file* f) {
    return real(f)->pMethods->xClose(real(f));
}
int xRead(sqlite3_file* f, void* buf, int n, sqlite3_int64 off) {
    return real(f)->pMethods->xRead(real(f), buf, n, off);
}
int xWrite(sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
    return real(f)->pMethods->xWrite(real(f), buf, n, off);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags) {
    return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int level) {
    const int rc = real(f)->pMethods->xLock(real(f), level);
    // Taken first, then tested: whatever is renamed later is seen by the reserved-lock test.
    if (rc == SQLITE_OK && level == SQLITE_LOCK_SHARED && replaced(f)) {
        real(f)->pMethods->xUnlock(real(f), SQLITE_LOCK_NONE);
        return SQLITE_IOERR_LOCK;
    }
    return rc;
}
int xUnlock(sqlite3_file* f, int level) {
    return real(f)->pMethods->xUnlock(real(f), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
    const int rc = real(f)->pMethods->xCheckReservedLock(real(f), out);
    // The engine asks this before it rolls back a journal it found: the journal at our name
    // belongs to a writer of the new file, never to this one.
    if (rc == SQLITE_OK && !*out && replaced(f))
        *out = 1;
    return rc;
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int xShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** p) {
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, p);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f) {
    real(f)->pMethods->xShmBarrier(real(f));
}
int xShmUnmap(sqlite3_file* f, int deleteFlag) {
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int xFetch(sqlite3_file* f, sqlite3_int64 off, int amount, void** p) {
    return real(f)->pMethods->xFetch(real(f), off, amount, p);
}
int xUnfetch(sqlite3_file* f, sqlite3_int64 off, void* p) {
    return real(f)->pMethods->xUnfetch(real(f), off, p);
}

// One table for each version a system file may have, so the engine never calls a method the
// system file lacks. Filled once, before the first open.
sqlite3_io_methods g_methods[4];

void fillMethods() {
    for (int version = 1; version <= 3; ++version) {
        sqlite3_io_methods& m = g_methods[version];
        m = {};
        m.iVersion = version;
        m.xClose = xClose;
        m.xRead = xRead;
        m.xWrite = xWrite;
        m.xTruncate = xTruncate;
        m.xSync = xSync;
        m.xFileSize = xFileSize;
        m.xLock = xLock;
        m.xUnlock = xUnlock;
        m.xCheckReservedLock = xCheckReservedLock;
        m.xFileControl = xFileControl;
        m.xSectorSize = xSectorSize;
        m.xDeviceCharacteristics = xDeviceCharacteristics;
        if (version >= 2) {
            m.xShmMap = xShmMap;
            m.xShmLock = xShmLock;
            m.xShmBarrier = xShmBarrier;
            m.xShmUnmap = xShmUnmap;
        }
        if (version >= 3) {
            m.xFetch = xFetch;
            m.xUnfetch = xUnfetch;
        }
    }
}

const sqlite3_io_methods* methodsFor(const sqlite3_io_methods* system) {
    return &g_methods[system->iVersion < 1 ? 1 : (system->iVersion > 3 ? 3 : system->iVersion)];
}

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    // Journals and temporary files are the system's own, unwrapped.
    if (!(flags & SQLITE_OPEN_MAIN_DB) || !name)
        return g_system->xOpen(g_system, name, f, flags, outFlags);
    auto* file = reinterpret_cast<CatalogueFile*>(f);
    file->base.pMethods = nullptr;
    file->path = name;
    const int rc = g_system->xOpen(g_system, name, file->real(), flags, outFlags);
    if (rc == SQLITE_OK && file->real()->pMethods)
        file->base.pMethods = methodsFor(file->real()->pMethods);
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir) {
    return g_system->xDelete(g_system, name, syncDir);
}
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return g_system->xAccess(g_system, name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
    return g_system->xFullPathname(g_system, name, n, out);
}
void* xDlOpen(sqlite3_vfs*, const char* name) {
    return g_system->xDlOpen(g_system, name);
}
void xDlError(sqlite3_vfs*, int n, char* msg) {
    g_system->xDlError(g_system, n, msg);
}
void (*xDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
    return g_system->xDlSym(g_system, handle, symbol);
}
void xDlClose(sqlite3_vfs*, void* handle) {
    g_system->xDlClose(g_system, handle);
}
int xRandomness(sqlite3_vfs*, int n, char* out) {
    return g_system->xRandomness(g_system, n, out);
}
int xSleep(sqlite3_vfs*, int micro) {
    return g_system->xSleep(g_system, micro);
}
int xCurrentTime(sqlite3_vfs*, double* t) {
    return g_system->xCurrentTime(g_system, t);
}
int xGetLastError(sqlite3_vfs*, int n, char* out) {
    return g_system->xGetLastError(g_system, n, out);
}
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* t) {
    return g_system->xCurrentTimeInt64(g_system, t);
}

} // namespace

const char* CatalogueVfsName() {
    static const char* const name = [] {
        g_system = sqlite3_vfs_find(nullptr);
        fillMethods();
        g_vfs = {};
        g_vfs.iVersion = 2;
        g_vfs.szOsFile = int(sizeof(CatalogueFile)) + g_system->szOsFile;
        g_vfs.mxPathname = g_system->mxPathname;
        g_vfs.zName = "ledra";
        g_vfs.xOpen = xOpen;
        g_vfs.xDelete = xDelete;
        g_vfs.xAccess = xAccess;
        g_vfs.xFullPathname = xFullPathname;
        g_vfs.xDlOpen = xDlOpen;
        g_vfs.xDlError = xDlError;
        g_vfs.xDlSym = xDlSym;
        g_vfs.xDlClose = xDlClose;
        g_vfs.xRandomness = xRandomness;
        g_vfs.xSleep = xSleep;
        g_vfs.xCurrentTime = xCurrentTime;
        g_vfs.xGetLastError = xGetLastError;
        g_vfs.xCurrentTimeInt64 = g_system->iVersion >= 2 ? xCurrentTimeInt64 : nullptr;
        sqlite3_vfs_register(&g_vfs, 0);
        return g_vfs.zName;
    }();
    return name;
}
