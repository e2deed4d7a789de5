#include "CommandLine.h"
#include "UsageError.h"
#include "io/TextScanner.h"

const char *usageText() {
    return "usage: sopcook OPERATOR INPUT OUTPUT [-p NAME=VALUE]... [-k NAME=TIME:VALUE]... [--time T]\n"
           "               [--press NAME]... [--uv-image FILE.png|FILE.svg [--image-size N]] [--dso FILE]...\n"
           "       sopcook --list [--dso FILE]...\n"
           "       sopcook --describe OPERATOR [--dso FILE]...\n"
           "Geometry files: .geo, .obj, .off, .ply. Plug-ins: each --dso FILE, else every .so in the\n"
           "folders of SOPCOOK_DSO_PATH (colon-separated), else the dso folder next to the program.\n"
           "Exit status: 0 cooked, 1 the cook failed, 2 usage, file or parse error.\n";
}

namespace {

/// Splits "NAME=VALUE"; throws when there is no '=' or no name.
void splitAssignment(const std::string &arg, const char *option, std::string &name, std::string &value) {
    auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0)
        throw UsageError(std::string(option) + " expects NAME=VALUE, found '" + arg + "'");
    name = arg.substr(0, eq);
    value = arg.substr(eq + 1);
}

float parseTime(const std::string &s, const std::string &context) {
    double t;
    if (!parseNumber(s, t)) throw UsageError(context + ": '" + s + "' is not a time");
    return static_cast<float>(t);
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string> &args) {
    CommandLine cl;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto operand = [&](const char *opt) -> const std::string & {
            if (i + 1 >= args.size()) throw UsageError(std::string(opt) + " needs a value");
            return args[++i];
        };
        if (a == "-p") {
            ParmSetting s;
            splitAssignment(operand("-p"), "-p", s.name, s.value);
            cl.parms.push_back(std::move(s));
        } else if (a == "-k") {
            ParmKey k;
            std::string rest;
            splitAssignment(operand("-k"), "-k", k.name, rest);
            auto colon = rest.find(':');
            if (colon == std::string::npos)
                throw UsageError("-k " + k.name + " expects TIME:VALUE, found '" + rest + "'");
            k.time = parseTime(rest.substr(0, colon), "-k " + k.name);
            k.value = rest.substr(colon + 1);
            cl.keys.push_back(std::move(k));
        } else if (a == "--time") {
            cl.time = parseTime(operand("--time"), "--time");
        } else if (a == "--dso") {
            cl.dsos.push_back(operand("--dso"));
        } else if (a == "--press") {
            cl.presses.push_back(operand("--press"));
        } else if (a == "--list") {
            cl.list = true;
        } else if (a == "--describe") {
            cl.describe = operand("--describe");
        } else if (a == "--uv-image") {
            cl.uvImage = operand("--uv-image");
        } else if (a == "--image-size") {
            const std::string &s = operand("--image-size");
            long long n;
            if (!parseInteger(s, n) || n < 16 || n > 16384)
                throw UsageError("--image-size expects a whole number from 16 to 16384, found '" + s + "'");
            cl.imageSize = static_cast<int>(n);
        } else if (a == "-h" || a == "--help") {
            cl.help = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option '" + a + "'");
        } else {
            positional.push_back(a);
        }
    }
    if (cl.help) return cl;
    if (cl.list || !cl.describe.empty()) {
        if (!positional.empty()) throw UsageError("--list and --describe take no OPERATOR INPUT OUTPUT");
        return cl;
    }
    if (positional.size() != 3)
        throw UsageError("expected OPERATOR INPUT OUTPUT, found " + std::to_string(positional.size()) + " arguments");
    cl.operatorName = positional[0];
    cl.input = positional[1];
    cl.output = positional[2];
    if (!cl.uvImage.empty()) {
        auto ext = cl.uvImage.size() >= 4 ? cl.uvImage.substr(cl.uvImage.size() - 4) : "";
        if (ext != ".png" && ext != ".svg") throw UsageError("--uv-image expects a .png or .svg file, found '" + cl.uvImage + "'");
    }
    return cl;
}
