#include "HugePageHeap.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {
// Set across the restart, so that the restarted program never tries again
// (glibc drops GLIBC_TUNABLES for set-user-ID programs, for one).
const char kRestarted[] = "SOPCOOK_HUGE_PAGES_RESTARTED";
}  // namespace

std::string tunablesWithHugePages(const char *current) {
    static const char kTunable[] = "glibc.malloc.hugetlb";
    if (current == nullptr || *current == '\0') return std::string(kTunable) + "=1";
    // Tunables are name=value items separated by colons.
    for (const char *item = current; item != nullptr; item = std::strchr(item, ':')) {
        if (*item == ':') ++item;
        if (std::strncmp(item, kTunable, sizeof kTunable - 1) == 0 && item[sizeof kTunable - 1] == '=')
            return std::string();
    }
    return std::string(current) + ":" + kTunable + "=1";
}

void restartWithHugePages(char **argv) {
    if (std::getenv(kRestarted) != nullptr) {
        unsetenv(kRestarted);
        return;
    }
    const char *on = std::getenv("SOPCOOK_HUGE_PAGES");
    if (on == nullptr || std::strcmp(on, "1") != 0) return;
    const char *current = std::getenv("GLIBC_TUNABLES");
    const std::string before = current ? current : "";
    const std::string tunables = tunablesWithHugePages(current);
    if (tunables.empty()) return;
    if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0 || setenv(kRestarted, "1", 1) != 0) return;
    execv("/proc/self/exe", argv);
    // Still here: no restart. Put the environment back as it was found.
    unsetenv(kRestarted);
    if (current != nullptr) {
        setenv("GLIBC_TUNABLES", before.c_str(), 1);
    } else {
        unsetenv("GLIBC_TUNABLES");
    }
}
