#include "StagedFiles.h"
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include "GeoFileError.h"

namespace {

/// The folder part of path ("." when there is none).
std::string folderOf(const std::string &path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

[[noreturn]] void fail(const std::string &path, const std::string &doing, int err) {
    throw GeoFileError::ofFile(path, doing + ": " + std::strerror(err));
}

bool writeAll(int fd, const std::string &data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool syncFile(int fd) {
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        // Files that cannot be synced (pipes, some special file systems)
        // have nothing buffered for us to lose.
        return errno == EINVAL || errno == EROFS;
    }
    return true;
}

/// Throws unless st (of path, shown as shown) may be replaced.
void requireReplaceable(const std::string &shown, const std::string &path, const struct stat &st) {
    if (S_ISDIR(st.st_mode)) fail(shown, "cannot write", EISDIR);
    if (!S_ISREG(st.st_mode)) throw GeoFileError::ofFile(shown, "cannot write: not a regular file");
    // The super user passes every access check; the permission bits still
    // say whether the file is meant to be written.
    const bool writable =
        ::geteuid() == 0 ? (st.st_mode & 0222) != 0 : ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
    if (!writable) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        throw GeoFileError::ofFile(shown, std::string("cannot write: the file is not writable (mode ") + mode + ")");
    }
}

/// A name in folder that is not taken at the time of the call:
/// ".sopcook-" and 12 letters from the process, a counter and the clock.
std::string freshName(const std::string &folder) {
    static std::atomic<unsigned long long> counter{0};
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    unsigned long long x = (static_cast<unsigned long long>(::getpid()) << 40) ^ (counter++ << 20) ^
                           static_cast<unsigned long long>(ts.tv_nsec) ^
                           (static_cast<unsigned long long>(ts.tv_sec) << 30);
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = folder + "/.sopcook-";
    for (int i = 0; i < 12; ++i) {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        name += letters[(x >> 33) % 62];
    }
    return name;
}

/// A new empty file beside target, named .sopcook-XXXXXX, open for writing.
int createNamed(const std::string &shown, const std::string &target, std::string &name) {
    std::string tmpl = folderOf(target) + "/.sopcook-XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) fail(shown, "cannot write", errno);
    name = tmpl;
    return fd;
}

/// A new unnamed file in target's folder, open for writing, or -1 when the
/// file system has none or it could not be linked into place later.
int createUnnamed(const std::string &target) {
    // The link into place goes through /proc/self/fd, which an unprivileged
    // process needs (linkat with AT_EMPTY_PATH asks for a capability).
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    if (!procMounted) return -1;
    return ::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
}

/// Links the unnamed file fd to name (which must not exist).
int linkUnnamed(int fd, const std::string &name) {
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
}

/// A second name for the existing file path, so that it survives being
/// renamed over; empty when it cannot be linked (a file system without
/// hard links), in which case it cannot be put back.
std::string keepOld(const std::string &path) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = freshName(folderOf(path));
        if (::link(path.c_str(), name.c_str()) == 0) return name;
        if (errno != EEXIST) return {};
    }
    return {};
}

/// Flushes the folder's entry list, so that the renames survive a crash.
void syncFolder(const std::string &path) {
    int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    syncFile(fd);
    ::close(fd);
}

}  // namespace

std::string followLinks(const std::string &path) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        char buf[PATH_MAX];
        ssize_t n = ::readlink(p.c_str(), buf, sizeof buf);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof buf)) return p;
        std::string to(buf, static_cast<size_t>(n));
        p = to[0] == '/' ? to : folderOf(p) + "/" + to;
    }
    fail(path, "cannot write", ELOOP);
}

StagedFiles::StagedFiles(const StagingOptions &options) : myOptions(options) {}

StagedFiles::~StagedFiles() { discard(); }

void StagedFiles::checkReplaceable(const std::string &path) {
    const std::string target = followLinks(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) requireReplaceable(path, target, st);
}

void StagedFiles::stage(const std::string &path, const std::string &data) {
    Entry e;
    e.path = path;
    e.target = followLinks(path);
    struct stat st {};
    const bool exists = ::stat(e.target.c_str(), &st) == 0;
    if (exists) requireReplaceable(path, e.target, st);
    int fd = myOptions.unnamed ? createUnnamed(e.target) : -1;
    if (fd >= 0)
        e.fd = fd;
    else
        fd = createNamed(path, e.target, e.temp);
    if (exists) {
        // Only the super user may give a file away; others keep their own.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) (void)::fchown(fd, st.st_uid, st.st_gid);
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        // What a plain create would give.
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    bool ok = writeAll(fd, data) && syncFile(fd);
    int err = errno;
    if (e.fd < 0 && ::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        if (e.fd >= 0)
            ::close(e.fd);
        else
            ::unlink(e.temp.c_str());
        fail(path, "cannot write", err);
    }
    myEntries.push_back(std::move(e));
}

bool StagedFiles::lock(const std::function<bool()> &stop) {
    if (!myLocks.empty()) return true;
    struct Folder {
        dev_t dev;
        ino_t ino;
        int fd;
    };
    std::vector<Folder> folders;
    for (const Entry &e : myEntries) {
        int fd = ::open(folderOf(e.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat st {};
        if (fd < 0) continue;  // a folder we may not read: written without the lock
        if (::fstat(fd, &st) != 0) {
            ::close(fd);
            continue;
        }
        folders.push_back({st.st_dev, st.st_ino, fd});
    }
    // One order for every run, so that two runs never wait for each other.
    std::sort(folders.begin(), folders.end(),
              [](const Folder &a, const Folder &b) { return a.dev != b.dev ? a.dev < b.dev : a.ino < b.ino; });
    for (size_t i = 0; i < folders.size(); ++i) {
        if (i > 0 && folders[i].dev == folders[i - 1].dev && folders[i].ino == folders[i - 1].ino) {
            ::close(folders[i].fd);
            continue;
        }
        myLocks.push_back(folders[i].fd);
        while (::flock(folders[i].fd, LOCK_EX) != 0) {
            if (errno != EINTR) break;  // a file system without locks: written without the lock
            if (stop && stop()) {
                for (size_t j = i + 1; j < folders.size(); ++j) ::close(folders[j].fd);
                unlock();
                return false;
            }
        }
    }
    return true;
}

void StagedFiles::unlock() {
    for (int fd : myLocks) ::close(fd);
    myLocks.clear();
}

void StagedFiles::place(Entry &e) {
    if (e.fd >= 0) {
        // A new target takes the unnamed file's first name itself; an
        // existing one is replaced by a rename, from a name that lives for
        // the two calls in between.
        if (!e.existed && linkUnnamed(e.fd, e.target) == 0) return;
        if (!e.existed && errno != EEXIST) fail(e.path, "cannot write", errno);
        for (int attempt = 0;; ++attempt) {
            std::string name = freshName(folderOf(e.target));
            if (linkUnnamed(e.fd, name) == 0) {
                e.temp = name;
                break;
            }
            if (errno != EEXIST || attempt == 16) fail(e.path, "cannot write", errno);
        }
    }
    if (::rename(e.temp.c_str(), e.target.c_str()) != 0) {
        int err = errno;
        if (e.fd >= 0) {
            ::unlink(e.temp.c_str());
            e.temp.clear();
        }
        fail(e.path, "cannot write", err);
    }
    e.temp.clear();
}

void StagedFiles::commit() {
    lock();
    for (Entry &e : myEntries) {
        struct stat st {};
        e.existed = ::lstat(e.target.c_str(), &st) == 0;
    }
    // Only targets replaced before another one fails need putting back, so
    // the last one needs no second name.
    for (std::size_t i = 0; i + 1 < myEntries.size(); ++i)
        if (myEntries[i].existed) myEntries[i].backup = keepOld(myEntries[i].target);
    for (std::size_t i = 0; i < myEntries.size(); ++i) {
        try {
            place(myEntries[i]);
        } catch (...) {
            rollBack(i);
            unlock();
            throw;
        }
    }
    for (Entry &e : myEntries)
        if (!e.backup.empty()) ::unlink(e.backup.c_str());
    unlock();
    for (Entry &e : myEntries) {
        syncFolder(e.target);
        if (e.fd >= 0) ::close(e.fd);
    }
    myEntries.clear();
}

void StagedFiles::rollBack(std::size_t replaced) {
    for (std::size_t i = 0; i < replaced; ++i) {
        Entry &e = myEntries[i];
        if (!e.backup.empty()) ::rename(e.backup.c_str(), e.target.c_str());
        // A target that was not there before the commit goes again; one
        // that could not be given a second name keeps its new contents.
        else if (!e.existed)
            ::unlink(e.target.c_str());
        if (e.fd >= 0) ::close(e.fd);
        e.fd = -1;
        e.temp.clear();
    }
    for (std::size_t i = replaced; i < myEntries.size(); ++i)
        if (!myEntries[i].backup.empty()) ::unlink(myEntries[i].backup.c_str());
    for (Entry &e : myEntries) e.backup.clear();
}

void StagedFiles::discard() {
    for (const Entry &e : myEntries) {
        if (e.fd >= 0) ::close(e.fd);
        if (!e.temp.empty()) ::unlink(e.temp.c_str());
    }
    myEntries.clear();
    unlock();
}
