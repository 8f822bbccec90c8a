#include "tests/support/FaultyVfs.h"

#include <sqlite3.h>

#include <cstring>
#include <string>

namespace faulty {
namespace {

sqlite3_vfs* real = nullptr;
sqlite3_vfs wrapper;
sqlite3_io_methods methods;
int64_t seen = 0;
int64_t failingAt = 0; // 0: nothing fails
int failure = SQLITE_IOERR;
bool hasFired = false;
std::string syncsFailIn; // a part of the paths whose syncs fail

struct File {
    sqlite3_file base;
    sqlite3_file* inner; // SQLite's own file, right after this struct
    bool syncFails;
};

sqlite3_file* inner(sqlite3_file* f) { return reinterpret_cast<File*>(f)->inner; }

// Counts one write, sync or truncate; true when it must fail.
bool mustFail() {
    ++seen;
    if (failingAt > 0 && seen >= failingAt) {
        hasFired = true;
        return true;
    }
    return false;
}

int xClose(sqlite3_file* f) { return inner(f)->pMethods->xClose(inner(f)); }
int xRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return inner(f)->pMethods->xRead(inner(f), b, n, o); }
int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
    return mustFail() ? failure : inner(f)->pMethods->xWrite(inner(f), b, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return mustFail() ? failure : inner(f)->pMethods->xTruncate(inner(f), size);
}
int xSync(sqlite3_file* f, int flags) {
    if (reinterpret_cast<File*>(f)->syncFails) {
        hasFired = true;
        return SQLITE_IOERR_FSYNC;
    }
    return mustFail() ? (failure == SQLITE_FULL ? SQLITE_IOERR_FSYNC : failure)
                      : inner(f)->pMethods->xSync(inner(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* s) { return inner(f)->pMethods->xFileSize(inner(f), s); }
int xLock(sqlite3_file* f, int l) { return inner(f)->pMethods->xLock(inner(f), l); }
int xUnlock(sqlite3_file* f, int l) { return inner(f)->pMethods->xUnlock(inner(f), l); }
int xCheckReservedLock(sqlite3_file* f, int* r) { return inner(f)->pMethods->xCheckReservedLock(inner(f), r); }
int xFileControl(sqlite3_file* f, int op, void* a) { return inner(f)->pMethods->xFileControl(inner(f), op, a); }
int xSectorSize(sqlite3_file* f) { return inner(f)->pMethods->xSectorSize(inner(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return inner(f)->pMethods->xDeviceCharacteristics(inner(f)); }
int xShmMap(sqlite3_file* f, int i, int s, int e, void volatile** p) {
    return inner(f)->pMethods->xShmMap(inner(f), i, s, e, p);
}
int xShmLock(sqlite3_file* f, int o, int n, int fl) { return inner(f)->pMethods->xShmLock(inner(f), o, n, fl); }
void xShmBarrier(sqlite3_file* f) { inner(f)->pMethods->xShmBarrier(inner(f)); }
int xShmUnmap(sqlite3_file* f, int d) { return inner(f)->pMethods->xShmUnmap(inner(f), d); }
int xFetch(sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return inner(f)->pMethods->xFetch(inner(f), o, n, p); }
int xUnfetch(sqlite3_file* f, sqlite3_int64 o, void* p) { return inner(f)->pMethods->xUnfetch(inner(f), o, p); }

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->inner = reinterpret_cast<sqlite3_file*>(file + 1);
    file->syncFails = !syncsFailIn.empty() && name && std::strstr(name, syncsFailIn.c_str());
    const int rc = real->xOpen(real, name, file->inner, flags, outFlags);
    // SQLite calls xClose only on files whose methods are set.
    file->base.pMethods = rc == SQLITE_OK && file->inner->pMethods ? &methods : nullptr;
    return rc;
}

} // namespace

void install() {
    if (real)
        return;
    real = sqlite3_vfs_find(nullptr);
    wrapper = *real;
    wrapper.zName = "faulty";
    wrapper.szOsFile = static_cast<int>(sizeof(File)) + real->szOsFile;
    wrapper.xOpen = xOpen;
    wrapper.pAppData = nullptr;
    std::memset(&methods, 0, sizeof methods);
    methods = {3,
               xClose,
               xRead,
               xWrite,
               xTruncate,
               xSync,
               xFileSize,
               xLock,
               xUnlock,
               xCheckReservedLock,
               xFileControl,
               xSectorSize,
               xDeviceCharacteristics,
               xShmMap,
               xShmLock,
               xShmBarrier,
               xShmUnmap,
               xFetch,
               xUnfetch};
    sqlite3_vfs_register(&wrapper, 1);
}

void failAt(int64_t nth, int code) {
    seen = 0;
    failingAt = nth;
    failure = code;
    hasFired = false;
}

void failSyncsOf(const char* part) {
    syncsFailIn = part;
    hasFired = false;
}

void disarm() {
    failingAt = 0;
    syncsFailIn.clear();
}

int64_t operations() { return seen; }

bool fired() { return hasFired; }

} // namespace faulty
