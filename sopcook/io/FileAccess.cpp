#include "FileAccess.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include "GeoFileError.h"
#include "StagedFiles.h"

std::string readWholeFile(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw GeoFileError::ofFile(path, std::string("cannot open: ") + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw GeoFileError::ofFile(path, "not a regular file");
    }
    std::string data;
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int e = errno;
            ::close(fd);
            throw GeoFileError::ofFile(path, std::string("cannot read: ") + std::strerror(e));
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

void writeFileAtomically(const std::string &path, const std::string &data) {
    StagedFiles files;
    files.stage(path, data);
    files.commit();
}
