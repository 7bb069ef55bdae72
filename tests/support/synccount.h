#pragma once

// Counts the syncs SQLite asks of each file: a file system layer (VFS) put in front
// of the engine's default one, forwarding everything to it and counting each xSync
// by the file's name. Install() makes it the default for the connections opened
// afterwards (their attached databases included); the engine is the system's shared
// library the Qt driver uses, reached by its exported names so that the tests need
// not link it themselves. A directory sync is made inside the first sync of a new
// journal and is not counted apart.
//
// The same layer plays a full disk: while DiskFull(true) holds, every write is
// refused as the engine's default layer refuses it when the disk has no room left
// (SQLITE_FULL), and the engine fails the statement as it would then.

#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QString>

#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <sqlite3.h>

class SyncCount
{
public:
    // True when the counting layer is the default one (installed now or before).
    static bool Install()
    {
        using Find = sqlite3_vfs* (*)(const char*);
        using Register = int (*)(sqlite3_vfs*, int);
        const auto find = reinterpret_cast<Find>(dlsym(RTLD_DEFAULT, "sqlite3_vfs_find"));
        const auto reg = reinterpret_cast<Register>(dlsym(RTLD_DEFAULT, "sqlite3_vfs_register"));
        if (find == nullptr || reg == nullptr)
            return false;
        sqlite3_vfs* current = find(nullptr);
        if (current == &Vfs())
            return true;
        Real() = current;
        sqlite3_vfs& vfs = Vfs();
        std::memset(&vfs, 0, sizeof vfs);
        vfs.iVersion = 2;
        vfs.szOsFile = int(sizeof(File)) + current->szOsFile;
        vfs.mxPathname = current->mxPathname;
        vfs.zName = "amval-sync-count";
        vfs.xOpen = &Open;
        vfs.xDelete = [](sqlite3_vfs*, const char* name, int dirSync) {
            return Real()->xDelete(Real(), name, dirSync);
        };
        vfs.xAccess = [](sqlite3_vfs*, const char* name, int flags, int* out) {
            return Real()->xAccess(Real(), name, flags, out);
        };
        vfs.xFullPathname = [](sqlite3_vfs*, const char* name, int n, char* out) {
            return Real()->xFullPathname(Real(), name, n, out);
        };
        vfs.xDlOpen = [](sqlite3_vfs*, const char* name) { return Real()->xDlOpen(Real(), name); };
        vfs.xDlError = [](sqlite3_vfs*, int n, char* out) { Real()->xDlError(Real(), n, out); };
        vfs.xDlSym = [](sqlite3_vfs*, void* h, const char* s) {
            return Real()->xDlSym(Real(), h, s);
        };
        vfs.xDlClose = [](sqlite3_vfs*, void* h) { Real()->xDlClose(Real(), h); };
        vfs.xRandomness = [](sqlite3_vfs*, int n, char* out) {
            return Real()->xRandomness(Real(), n, out);
        };
        vfs.xSleep = [](sqlite3_vfs*, int us) { return Real()->xSleep(Real(), us); };
        vfs.xCurrentTime = [](sqlite3_vfs*, double* t) { return Real()->xCurrentTime(Real(), t); };
        vfs.xGetLastError = [](sqlite3_vfs*, int n, char* out) {
            return Real()->xGetLastError(Real(), n, out);
        };
        vfs.xCurrentTimeInt64 = [](sqlite3_vfs*, sqlite3_int64* t) {
            return Real()->xCurrentTimeInt64(Real(), t);
        };
        return reg(&vfs, 1) == SQLITE_OK;
    }

    // The syncs counted since the last Reset(), by file name ("<db>.sqlite",
    // "<db>.sqlite-journal"; "(temporary)" for a file without a name).
    static QMap<QString, int> Counts()
    {
        QMutexLocker lock(&Mutex());
        return Map();
    }
    static void Reset()
    {
        QMutexLocker lock(&Mutex());
        Map().clear();
    }
    static void DiskFull(bool full) { Full() = full; }

private:
    struct File
    {
        sqlite3_file base;
        sqlite3_file* real;
        char name[256];
    };

    static sqlite3_vfs*& Real()
    {
        static sqlite3_vfs* real = nullptr;
        return real;
    }
    static sqlite3_vfs& Vfs()
    {
        static sqlite3_vfs vfs;
        return vfs;
    }
    static std::atomic<bool>& Full()
    {
        static std::atomic<bool> full{false};
        return full;
    }
    static QMutex& Mutex()
    {
        static QMutex mutex;
        return mutex;
    }
    static QMap<QString, int>& Map()
    {
        static QMap<QString, int> map;
        return map;
    }
    static sqlite3_file* R(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
                    int* outFlags)
    {
        File* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        const QString shown = name != nullptr ? QFileInfo(QString::fromUtf8(name)).fileName()
                                              : QStringLiteral("(temporary)");
        std::strncpy(f->name, shown.toUtf8().constData(), sizeof f->name - 1);
        f->name[sizeof f->name - 1] = '\0';
        const int rc = Real()->xOpen(Real(), name, f->real, flags, outFlags);
        file->pMethods = f->real->pMethods != nullptr ? &Methods() : nullptr;
        return rc;
    }

    static const sqlite3_io_methods& Methods()
    {
        static const sqlite3_io_methods methods = [] {
            sqlite3_io_methods m;
            std::memset(&m, 0, sizeof m);
            m.iVersion = 3;
            m.xClose = [](sqlite3_file* f) {
                const int rc = R(f)->pMethods->xClose(R(f));
                return rc;
            };
            m.xRead = [](sqlite3_file* f, void* out, int n, sqlite3_int64 at) {
                return R(f)->pMethods->xRead(R(f), out, n, at);
            };
            m.xWrite = [](sqlite3_file* f, const void* in, int n, sqlite3_int64 at) {
                if (Full())
                    return SQLITE_FULL;
                return R(f)->pMethods->xWrite(R(f), in, n, at);
            };
            m.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
                return R(f)->pMethods->xTruncate(R(f), size);
            };
            m.xSync = [](sqlite3_file* f, int flags) {
                {
                    QMutexLocker lock(&Mutex());
                    ++Map()[QString::fromUtf8(reinterpret_cast<File*>(f)->name)];
                }
                return R(f)->pMethods->xSync(R(f), flags);
            };
            m.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
                return R(f)->pMethods->xFileSize(R(f), size);
            };
            m.xLock = [](sqlite3_file* f, int l) { return R(f)->pMethods->xLock(R(f), l); };
            m.xUnlock = [](sqlite3_file* f, int l) { return R(f)->pMethods->xUnlock(R(f), l); };
            m.xCheckReservedLock = [](sqlite3_file* f, int* out) {
                return R(f)->pMethods->xCheckReservedLock(R(f), out);
            };
            m.xFileControl = [](sqlite3_file* f, int op, void* arg) {
                return R(f)->pMethods->xFileControl(R(f), op, arg);
            };
            m.xSectorSize = [](sqlite3_file* f) { return R(f)->pMethods->xSectorSize(R(f)); };
            m.xDeviceCharacteristics = [](sqlite3_file* f) {
                return R(f)->pMethods->xDeviceCharacteristics(R(f));
            };
            m.xShmMap = [](sqlite3_file* f, int i, int size, int extend, void volatile** out) {
                return R(f)->pMethods->xShmMap(R(f), i, size, extend, out);
            };
            m.xShmLock = [](sqlite3_file* f, int at, int n, int flags) {
                return R(f)->pMethods->xShmLock(R(f), at, n, flags);
            };
            m.xShmBarrier = [](sqlite3_file* f) { R(f)->pMethods->xShmBarrier(R(f)); };
            m.xShmUnmap = [](sqlite3_file* f, int del) {
                return R(f)->pMethods->xShmUnmap(R(f), del);
            };
            m.xFetch = [](sqlite3_file* f, sqlite3_int64 at, int n, void** out) {
                return R(f)->pMethods->xFetch(R(f), at, n, out);
            };
            m.xUnfetch = [](sqlite3_file* f, sqlite3_int64 at, void* p) {
                return R(f)->pMethods->xUnfetch(R(f), at, p);
            };
            return m;
        }();
        return methods;
    }
};
