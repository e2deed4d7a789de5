// The sopcook program: cooks a surface operator, or a chain of them, on a
// geometry file.
#include <iostream>
#include "cli/CookRun.h"
#include "cli/HugePageHeap.h"

int main(int argc, char **argv) {
    restartWithHugePages(argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    return runSopcook(args, std::cout, std::cerr);
}
