// One case in a forked child: its peak memory is its own, and a crash or
// an exhausted machine ends the case, not the benchmark.
#include "bench.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace bench {

bool forked(const std::function<void(void *out)> &work, void *result, std::size_t size, long &peakKb) {
    peakKb = 0;
    int fd[2];
    if (pipe(fd) != 0) return false;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        close(fd[0]);
        std::vector<char> buf(size);
        work(buf.data());
        std::size_t done = 0;
        while (done < size) {
            const ssize_t w = write(fd[1], buf.data() + done, size - done);
            if (w <= 0) _exit(2);
            done += std::size_t(w);
        }
        _exit(0);
    }
    close(fd[1]);
    std::vector<char> buf(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t r = read(fd[0], buf.data() + got, size - got);
        if (r <= 0) break;
        got += std::size_t(r);
    }
    close(fd[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    peakKb = usage.ru_maxrss;
    if (got != size || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    std::memcpy(result, buf.data(), size);
    return true;
}

}  // namespace bench
