#pragma once

// Counts the syncs SQLite asks of each file: a file system layer (VFS) put in front
// of the engine's default one, which opens and serves every file itself while this
// one counts each sync by the file's name. Install() makes it the default for the connections
// opened afterwards (their attached databases included); the engine is the system's shared library
// the Qt driver uses, reached by its exported names so that the tests need not link it themselves.
// A directory sync is made inside the first sync of a new journal and is not counted apart.
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
#include <map>
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
        if (current == &s_vfs)
            return true;
        s_real = current;
        // The default layer's entries but for the open: the default layer's own take the
        // layer they are called through as unused.
        s_vfs = *current;
        s_vfs.pNext = nullptr;
        // The real file first, as the default layer lays it out; after it, the part
        // this layer keeps of it.
        s_tailAt =
            (current->szOsFile + int(alignof(Tail)) - 1) / int(alignof(Tail)) * int(alignof(Tail));
        s_vfs.szOsFile = s_tailAt + int(sizeof(Tail));
        s_vfs.zName = "amval-sync-count";
        s_vfs.xOpen = &Open;
        return reg(&s_vfs, 1) == SQLITE_OK;
    }

    // The syncs counted since the last Reset(), by file name ("<db>.sqlite",
    // "<db>.sqlite-journal"; "(temporary)" for a file without a name).
    static QMap<QString, int> Counts()
    {
        QMutexLocker lock(&s_mutex);
        return s_counts;
    }
    static void Reset()
    {
        QMutexLocker lock(&s_mutex);
        s_counts.clear();
    }
    static void DiskFull(bool full) { s_full = full; }

private:
    // What the layer keeps of an open file: the default layer's methods for it and its name.
    struct Tail
    {
        const sqlite3_io_methods* real;
        char name[256];
    };

    static inline sqlite3_vfs* s_real = nullptr;
    static inline sqlite3_vfs s_vfs{};
    static inline int s_tailAt = 0;
    static inline std::atomic<bool> s_full{false};
    static inline QMutex s_mutex;
    static inline QMap<QString, int> s_counts;
    // The default layer's methods with the write and the sync put in front of them, one
    // copy for each set of methods it gives its files.
    static inline std::map<const sqlite3_io_methods*, sqlite3_io_methods> s_methods;

    static Tail* TailOf(sqlite3_file* f)
    {
        return reinterpret_cast<Tail*>(reinterpret_cast<char*>(f) + s_tailAt);
    }

    // The default layer opens the file in place; its methods are then the ones it gave,
    // but for the write and the sync.
    static int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
                    int* outFlags)
    {
        const int rc = s_real->xOpen(s_real, name, file, flags, outFlags);
        if (file->pMethods == nullptr)
            return rc;
        Tail* tail = TailOf(file);
        tail->real = file->pMethods;
        const QString shown = name != nullptr ? QFileInfo(QString::fromUtf8(name)).fileName()
                                              : QStringLiteral("(temporary)");
        std::strncpy(tail->name, shown.toUtf8().constData(), sizeof tail->name - 1);
        tail->name[sizeof tail->name - 1] = '\0';
        QMutexLocker lock(&s_mutex);
        auto [at, added] = s_methods.try_emplace(tail->real, *tail->real);
        if (added) {
            at->second.xWrite = [](sqlite3_file* f, const void* in, int n, sqlite3_int64 offset) {
                return s_full ? SQLITE_FULL : TailOf(f)->real->xWrite(f, in, n, offset);
            };
            at->second.xSync = [](sqlite3_file* f, int flags) {
                {
                    QMutexLocker lock(&s_mutex);
                    ++s_counts[QString::fromUtf8(TailOf(f)->name)];
                }
                return TailOf(f)->real->xSync(f, flags);
            };
        }
        file->pMethods = &at->second;
        return rc;
    }
};
