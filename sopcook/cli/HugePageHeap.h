// Transparent huge pages for malloc's heap, on request (SOPCOOK_HUGE_PAGES=1).
// A cook of a million triangles allocates a few gigabytes in large blocks;
// with 4 KiB pages every first touch is a page fault. Whether 2 MiB pages
// help depends on the machine: where the kernel zeroes fresh memory slowly,
// zeroing each huge page whole costs more than the faults it saves, so
// normal pages are the default. glibc backs its heap with huge pages only
// when told so by the GLIBC_TUNABLES environment variable at start-up, so
// the program restarts itself once with it set.
#pragma once

#include <string>

// The GLIBC_TUNABLES value asking for huge pages (glibc.malloc.hugetlb=1)
// on top of current (nullptr when unset). Empty when current already says
// how malloc should use huge pages: the user's choice stands.
std::string tunablesWithHugePages(const char *current);

// With SOPCOOK_HUGE_PAGES=1, re-executes this program (/proc/self/exe, argv
// unchanged) with the tunable added, before anything else has run. Returns
// when it is not asked for, when there is nothing to add or when the
// restart fails; the program then simply runs with normal pages.
void restartWithHugePages(char **argv);
