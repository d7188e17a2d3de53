// The file system as a receiver sees someone else's database: only the file
// itself and an existing journal are opened, and only for reading. The
// library would otherwise create a write-ahead log and its index beside a
// file in that mode, or delete files on the way out, even on a connection
// opened read only; a file it cannot read without them fails to open.

#include "DatenbankIntern.h"

namespace pinwick {

namespace {

constexpr const char* NurLesenVfs = "pinwick-nurlesen";

int nurLesenOeffnen(sqlite3_vfs* vfs, const char* name, sqlite3_file* datei, int flags,
                    int* ausFlags) {
    auto* basis = static_cast<sqlite3_vfs*>(vfs->pAppData);
    if (flags & SQLITE_OPEN_WAL)
        return SQLITE_CANTOPEN;
    if (name && !(flags & (SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL |
                           SQLITE_OPEN_TRANSIENT_DB | SQLITE_OPEN_SUBJOURNAL))) {
        int da = 0;
        if (basis->xAccess(basis, name, SQLITE_ACCESS_EXISTS, &da) != SQLITE_OK || !da)
            return SQLITE_CANTOPEN;
        flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE |
                           SQLITE_OPEN_DELETEONCLOSE)) |
                SQLITE_OPEN_READONLY;
    }
    return basis->xOpen(basis, name, datei, flags, ausFlags);
}

int nurLesenLoeschen(sqlite3_vfs*, const char*, int) {
    return SQLITE_IOERR_DELETE;
}

} // namespace

const char* intern::nurLesenVfs() {
    static const bool angemeldet = [] {
        static sqlite3_vfs vfs = *sqlite3_vfs_find(nullptr);
        vfs.pAppData = sqlite3_vfs_find(nullptr);
        vfs.zName = NurLesenVfs;
        vfs.xOpen = nurLesenOeffnen;
        vfs.xDelete = nurLesenLoeschen;
        return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    }();
    return angemeldet ? NurLesenVfs : nullptr;
}

} // namespace pinwick
