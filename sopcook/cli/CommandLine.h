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
    std::string operatorName, input, output;
    std::vector<ParmSetting> parms;
    std::vector<ParmKey> keys;
    std::vector<std::string> dsos;
    std::vector<std::string> presses;
    float time = 0;
    bool list = false;
    std::string describe;
    std::string uvImage;
    int imageSize = 1024;
    bool help = false;
};

/// Parses the arguments after the program name. Throws UsageError naming
/// the faulty argument.
CommandLine parseCommandLine(const std::vector<std::string> &args);

/// The usage text.
const char *usageText();
