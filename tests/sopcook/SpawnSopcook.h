#pragma once
// Starts the sopcook program as a child process that the test can limit,
// signal and wait for, for the tests of what a failed or stopped run
// leaves on disk.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <dirent.h>

/// A running sopcook; stderr goes to a file, stdout to /dev/null.
class SopcookChild {
public:
    /// Starts sopcook in dir with the plug-in module dso (flatskin unless
    /// told) and args. A file size limit above zero is applied to the child
    /// (with SIGXFSZ ignored, so that a write past it fails with EFBIG as on
    /// a full disk).
    SopcookChild(const std::string &dir, const std::vector<std::string> &args, const std::string &errfile,
                 rlim_t file_limit = 0, const std::string &dso = FLATSKIN_DSO)
        : myErr(errfile) {
        std::vector<std::string> all = {SOPCOOK_PROGRAM, "--dso", dso};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (std::string &a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        myPid = ::fork();
        if (myPid != 0) return;
        // The child: only async-signal-safe calls until exec.
        int err = ::open(errfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int null = ::open("/dev/null", O_WRONLY);
        if (err < 0 || null < 0 || ::chdir(dir.c_str()) != 0) ::_exit(120);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        if (file_limit > 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            struct rlimit rl = {file_limit, file_limit};
            if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) ::_exit(121);
        }
        ::execv(argv[0], argv.data());
        ::_exit(122);
    }
    ~SopcookChild() {
        if (myPid > 0 && !myReaped) {
            ::kill(myPid, SIGKILL);
            ::waitpid(myPid, nullptr, 0);
        }
    }
    SopcookChild(const SopcookChild &) = delete;
    SopcookChild &operator=(const SopcookChild &) = delete;

    pid_t pid() const { return myPid; }

    /// Waits up to seconds for the child to end; its exit status, 128 plus
    /// the signal that ended it, or -1 when it is still running (it is
    /// killed then).
    int wait(double seconds) {
        auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (true) {
            int st = 0;
            pid_t r = ::waitpid(myPid, &st, WNOHANG);
            if (r == myPid) {
                myReaped = true;
                return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            }
            if (r < 0 || std::chrono::steady_clock::now() > until) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    /// Whether the child is still running and has a handler for sig
    /// (read from /proc: the SigCgt mask).
    bool catches(int sig) const {
        std::ifstream f("/proc/" + std::to_string(myPid) + "/status");
        for (std::string line; std::getline(f, line);)
            if (line.rfind("SigCgt:", 0) == 0) {
                unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
                return (mask >> (sig - 1)) & 1;
            }
        return false;
    }
    /// Whether the child has ended (without reaping it).
    bool ended() const {
        siginfo_t info{};
        return ::waitid(P_PID, static_cast<id_t>(myPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == myPid;
    }

    std::string err() const {
        std::ifstream f(myErr, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }

private:
    std::string myErr;
    pid_t myPid = -1;
    bool myReaped = false;
};

/// The names in a folder, without "." and "..".
inline std::set<std::string> folderNames(const std::string &dir) {
    std::set<std::string> names;
    if (DIR *d = ::opendir(dir.c_str())) {
        while (dirent *e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.insert(n);
        }
        ::closedir(d);
    }
    return names;
}
