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
        vfs.xDelete = Down<&sqlite3_vfs::xDelete>(vfs.xDelete);
        vfs.xAccess = Down<&sqlite3_vfs::xAccess>(vfs.xAccess);
        vfs.xFullPathname = Down<&sqlite3_vfs::xFullPathname>(vfs.xFullPathname);
        vfs.xDlOpen = Down<&sqlite3_vfs::xDlOpen>(vfs.xDlOpen);
        vfs.xDlError = Down<&sqlite3_vfs::xDlError>(vfs.xDlError);
        vfs.xDlSym = Down<&sqlite3_vfs::xDlSym>(vfs.xDlSym);
        vfs.xDlClose = Down<&sqlite3_vfs::xDlClose>(vfs.xDlClose);
        vfs.xRandomness = Down<&sqlite3_vfs::xRandomness>(vfs.xRandomness);
        vfs.xSleep = Down<&sqlite3_vfs::xSleep>(vfs.xSleep);
        vfs.xCurrentTime = Down<&sqlite3_vfs::xCurrentTime>(vfs.xCurrentTime);
        vfs.xGetLastError = Down<&sqlite3_vfs::xGetLastError>(vfs.xGetLastError);
        vfs.xCurrentTimeInt64 = Down<&sqlite3_vfs::xCurrentTimeInt64>(vfs.xCurrentTimeInt64);
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

    // The entry `Method` (of the layer, or of a file) that hands the call on to the same
    // entry of the default layer, or of the real file beneath; the argument only tells
    // the entry's type.
    template <auto Method, typename Result, typename... Args>
    static auto Down(Result (*)(sqlite3_vfs*, Args...)) -> Result (*)(sqlite3_vfs*, Args...)
    {
        return [](sqlite3_vfs*, Args... args) { return (Real()->*Method)(Real(), args...); };
    }
    template <auto Method, typename Result, typename... Args>
    static auto Down(Result (*)(sqlite3_file*, Args...)) -> Result (*)(sqlite3_file*, Args...)
    {
        return
            [](sqlite3_file* f, Args... args) { return (R(f)->pMethods->*Method)(R(f), args...); };
    }

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
            m.xClose = Down<&sqlite3_io_methods::xClose>(m.xClose);
            m.xRead = Down<&sqlite3_io_methods::xRead>(m.xRead);
            m.xWrite = [](sqlite3_file* f, const void* in, int n, sqlite3_int64 at) {
                if (Full())
                    return SQLITE_FULL;
                return R(f)->pMethods->xWrite(R(f), in, n, at);
            };
            m.xTruncate = Down<&sqlite3_io_methods::xTruncate>(m.xTruncate);
            m.xSync = [](sqlite3_file* f, int flags) {
                {
                    QMutexLocker lock(&Mutex());
                    ++Map()[QString::fromUtf8(reinterpret_cast<File*>(f)->name)];
                }
                return R(f)->pMethods->xSync(R(f), flags);
            };
            m.xFileSize = Down<&sqlite3_io_methods::xFileSize>(m.xFileSize);
            m.xLock = Down<&sqlite3_io_methods::xLock>(m.xLock);
            m.xUnlock = Down<&sqlite3_io_methods::xUnlock>(m.xUnlock);
            m.xCheckReservedLock =
                Down<&sqlite3_io_methods::xCheckReservedLock>(m.xCheckReservedLock);
            m.xFileControl = Down<&sqlite3_io_methods::xFileControl>(m.xFileControl);
            m.xSectorSize = Down<&sqlite3_io_methods::xSectorSize>(m.xSectorSize);
            m.xDeviceCharacteristics =
                Down<&sqlite3_io_methods::xDeviceCharacteristics>(m.xDeviceCharacteristics);
            m.xShmMap = Down<&sqlite3_io_methods::xShmMap>(m.xShmMap);
            m.xShmLock = Down<&sqlite3_io_methods::xShmLock>(m.xShmLock);
            m.xShmBarrier = Down<&sqlite3_io_methods::xShmBarrier>(m.xShmBarrier);
            m.xShmUnmap = Down<&sqlite3_io_methods::xShmUnmap>(m.xShmUnmap);
            m.xFetch = Down<&sqlite3_io_methods::xFetch>(m.xFetch);
            m.xUnfetch = Down<&sqlite3_io_methods::xUnfetch>(m.xUnfetch);
            return m;
        }();
        return methods;
    }
};
