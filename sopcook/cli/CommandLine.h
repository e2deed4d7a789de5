#pragma once
#include <string>
#include <vector>

/// One -p NAME=VALUE setting.
struct ParmSetting {
    std::string name, value;
};

/// One -k NAME=TIME:VALUE key.
struct ParmKey {
    std::string name;
    float time = 0;
    std::string value;
};

/// What the command line asks for.
struct CommandLine {
    std::vector<std::string> chain;  ///< the operators to cook, each on the output of the one before
    std::string input, output;
    std::vector<ParmSetting> parms;
    std::vector<ParmKey> keys;
    std::vector<std::string> dsos;
    std::vector<std::string> presses;
    float time = 0;
    bool list = false;
    std::vector<std::string> describe;  ///< the operators --describe lists; empty for none
    std::string uvImage;
    int imageSize = 1024;
    bool strict = false;  ///< a cook that warned it wrote no layout fails the run
    bool stages = false;  ///< print the time and memory of each named stage after the run
    bool help = false;
};

/// Parses the arguments after the program name. OPERATOR may be a chain
/// "a,b,c" of distinct operator names. Throws UsageError naming the faulty
/// argument.
CommandLine parseCommandLine(const std::vector<std::string> &args);

/// The short usage text printed after a usage error with no arguments.
const char *usageText();

/// The --help text: usage, value syntax, exit statuses and environment.
const char *helpText();
