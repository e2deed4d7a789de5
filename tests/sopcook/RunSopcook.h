#pragma once
// Runs the sopcook program as a user would, for the command-line tests.
#include <array>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/wait.h>
#include "TestGeometry.h"
#include "io/FileAccess.h"

struct RunResult {
    int status = -1;
    std::string out, err;
};

/// Runs sopcook in dir with args (already shell-quoted where needed),
/// loading the plug-in module dso when it is not empty; collects stdout,
/// stderr and the exit status (-1 when it did not exit normally).
inline RunResult runSopcook(const TempDir &dir, const std::string &args, const std::string &dso) {
    std::string errfile = dir.file("stderr.txt");
    std::string cmd = "cd '" + dir.path() + "' && '" + SOPCOOK_PROGRAM + "' " +
                      (dso.empty() ? std::string() : "--dso '" + dso + "' ") + args + " 2>'" + errfile + "'";
    RunResult r;
    FILE *p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.err = readWholeFile(errfile);
    return r;
}

inline bool contains(const std::string &s, const std::string &part) { return s.find(part) != std::string::npos; }

/// Whether folder holds no staged file of sopcook (".sopcook-" names).
inline bool noStagedFiles(const std::string &folder) {
    DIR *d = ::opendir(folder.c_str());
    if (!d) return false;
    bool none = true;
    while (dirent *e = ::readdir(d))
        if (std::string(e->d_name).rfind(".sopcook-", 0) == 0) none = false;
    ::closedir(d);
    return none;
}
