#include "StagedFiles.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

[[noreturn]] void fail(const std::string &path, const char *doing, int err) {
    throw GeoFileError::ofFile(path, std::string(doing) + ": " + std::strerror(err));
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

/// A new empty file beside path, named .sopcook-XXXXXX, open for writing.
int createTemp(const std::string &path, std::string &name) {
    std::string tmpl = folderOf(path) + "/.sopcook-XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) fail(path, "cannot write", errno);
    name = tmpl;
    // mkstemp makes the file private; give it the mode a plain create would.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return fd;
}

/// A second name for the existing file path, so that it survives being
/// renamed over; empty when path does not exist or cannot be linked (a file
/// system without hard links), in which case it cannot be put back.
std::string keepOld(const std::string &path) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string tmpl = folderOf(path) + "/.sopcook-XXXXXX";
        int fd = ::mkstemp(tmpl.data());
        if (fd < 0) return {};
        ::close(fd);
        ::unlink(tmpl.c_str());
        if (::link(path.c_str(), tmpl.c_str()) == 0) return tmpl;
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

} // namespace

StagedFiles::~StagedFiles() { discard(); }

void StagedFiles::stage(const std::string &path, const std::string &data) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) fail(path, "cannot write", EISDIR);
    Entry e;
    e.path = path;
    int fd = createTemp(path, e.temp);
    bool ok = writeAll(fd, data) && syncFile(fd);
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(e.temp.c_str());
        fail(path, "cannot write", err);
    }
    myEntries.push_back(std::move(e));
}

void StagedFiles::commit() {
    for (Entry &e : myEntries) {
        struct stat st {};
        e.existed = ::lstat(e.path.c_str(), &st) == 0;
        e.backup = e.existed ? keepOld(e.path) : std::string();
    }
    for (std::size_t i = 0; i < myEntries.size(); ++i) {
        if (::rename(myEntries[i].temp.c_str(), myEntries[i].path.c_str()) == 0) continue;
        int err = errno;
        rollBack(i);
        fail(myEntries[i].path, "cannot write", err);
    }
    for (Entry &e : myEntries) {
        if (!e.backup.empty()) ::unlink(e.backup.c_str());
        syncFolder(e.path);
    }
    myEntries.clear();
}

void StagedFiles::rollBack(std::size_t replaced) {
    for (std::size_t i = 0; i < replaced; ++i) {
        const Entry &e = myEntries[i];
        if (!e.backup.empty()) ::rename(e.backup.c_str(), e.path.c_str());
        // A target that was not there before the commit goes again; one
        // that could not be given a second name keeps its new contents.
        else if (!e.existed) ::unlink(e.path.c_str());
    }
    for (std::size_t i = replaced; i < myEntries.size(); ++i)
        if (!myEntries[i].backup.empty()) ::unlink(myEntries[i].backup.c_str());
    for (std::size_t i = 0; i < replaced; ++i) myEntries[i].temp.clear();
    for (Entry &e : myEntries) e.backup.clear();
}

void StagedFiles::discard() {
    for (const Entry &e : myEntries)
        if (!e.temp.empty()) ::unlink(e.temp.c_str());
    myEntries.clear();
}
