#include "CommandLine.h"
#include <cmath>
#include "UsageError.h"
#include "io/TextScanner.h"

const char *usageText() {
    return "usage: sopcook OPERATOR[,OPERATOR]... INPUT OUTPUT [-p [OPERATOR.]NAME=VALUE]...\n"
           "               [-k [OPERATOR.]NAME=TIME:VALUE]... [--time T] [--press [OPERATOR.]NAME]... [--strict]\n"
           "               [--uv-image FILE.png|FILE.svg [--image-size N]] [--stages] [--dso FILE]...\n"
           "       sopcook --list [--dso FILE]...\n"
           "       sopcook --describe OPERATOR[,OPERATOR]... [--dso FILE]...\n"
           "       sopcook --help\n";
}

const char *helpText() {
    return "usage: sopcook OPERATOR[,OPERATOR]... INPUT OUTPUT [-p [OPERATOR.]NAME=VALUE]...\n"
           "               [-k [OPERATOR.]NAME=TIME:VALUE]... [--time T] [--press [OPERATOR.]NAME]... [--strict]\n"
           "               [--uv-image FILE.png|FILE.svg [--image-size N]] [--stages] [--dso FILE]...\n"
           "       sopcook --list [--dso FILE]...\n"
           "       sopcook --describe OPERATOR[,OPERATOR]... [--dso FILE]...\n"
           "\n"
           "Cooks OPERATOR on the geometry in INPUT and writes the result to OUTPUT. A chain\n"
           "a,b cooks b on the output of a, in memory. Geometry files: .geo, .obj, .off, .ply,\n"
           ".gltf, .glb.\n"
           "\n"
           "Options:\n"
           "  -p NAME=VALUE         set a parameter (sopcook --describe OPERATOR lists them)\n"
           "  -k NAME=TIME:VALUE    key a number parameter at a time; keys are linear in between\n"
           "  --time T              the time to cook at (default 0)\n"
           "  --press NAME          press a button after the cook; prints the -p settings it changed\n"
           "  --strict              fail (status 1) when a node warns that it wrote no layout\n"
           "  --uv-image FILE       also draw the UV layout of the last node as PNG or SVG\n"
           "  --image-size N        the picture's width and height, 16 to 16384 (default 1024)\n"
           "  --stages              after writing, print each stage the cooks name (nested ones\n"
           "                        indented) on standard output: wall time, heap in use at its end\n"
           "                        and at its sampled peak, and the resident high-water mark\n"
           "  --dso FILE            load this plug-in (repeatable) instead of searching\n"
           "  --list                list the loaded operators\n"
           "  --describe OPERATOR   list an operator's parameters, kinds, defaults and ranges\n"
           "\n"
           "Values:\n"
           "  numbers               -p rotate=90          -p hintprim=12\n"
           "  on/off toggles        -p userange=off       (also 1/0, true/false, yes/no)\n"
           "  menu tokens           -p solver=direct      (or the item's index: -p solver=1)\n"
           "  vectors               -p urange=\"0 1\"       (components split at spaces)\n"
           "  strings               -p seams=\"p0-5 p9-14\" (one-component strings taken as they stand)\n"
           "  list instances        -p npins=2 -p pin2=\"40 2\" -p pinuv2=\"1 0\"\n"
           "  keys                  -k rotate=0:0 -k rotate=2:180 --time 1\n"
           "In a chain a NAME goes to the one operator that has it; when two have it,\n"
           "OPERATOR.NAME chooses (-p flatskin.urange=\"0 1\").\n"
           "\n"
           "Exit status:\n"
           "  0        cooked and written (warnings included)\n"
           "  1        a node's cook failed, or --strict and a node wrote no layout; nothing written\n"
           "  2        usage, plug-in, parameter, file or parse error, OUTPUT the same file as INPUT,\n"
           "           an output that may not be replaced, a failed write (also of standard\n"
           "           output); nothing written\n"
           "  128+N    stopped by signal N: 129 SIGHUP, 130 Ctrl-C, 131 SIGQUIT, 141 SIGPIPE,\n"
           "           143 SIGTERM, ...; nothing written. SIGKILL (137) leaves nothing either where\n"
           "           the file system takes unnamed temporary files (ext4, xfs, btrfs, tmpfs)\n"
           "\n"
           "Environment:\n"
           "  SOPCOOK_DSO_PATH      colon-separated folders whose .so files are loaded when no --dso\n"
           "                        is given (default: the dso folder next to the program)\n"
           "  SOPCOOK_HUGE_PAGES    1 restarts the program once with its heap on transparent huge pages\n"
           "  GLIBC_TUNABLES        a glibc.malloc.hugetlb value set here is kept as it is\n";
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
    // A time the cook's float cannot hold would evaluate every key to NaN.
    if (!parseNumber(s, t)) throw UsageError(context + ": '" + s + "' is not a time");
    if (!std::isfinite(static_cast<float>(t))) throw UsageError(context + ": '" + s + "' is not a finite time");
    return static_cast<float>(t);
}

/// The operator names of a chain "a,b,c"; throws for an empty name or one
/// given twice.
std::vector<std::string> splitChain(const std::string &text) {
    std::vector<std::string> names;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (name.empty()) throw UsageError("the chain '" + text + "' has an empty operator name");
        for (const std::string &n : names)
            // A parameter OPERATOR.NAME could not tell two nodes of one type apart.
            if (n == name) throw UsageError("operator '" + name + "' comes twice in the chain '" + text + "'");
        names.push_back(name);
        if (comma == std::string::npos) return names;
        start = comma + 1;
    }
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string> &args) {
    CommandLine cl;
    std::vector<std::string> positional;
    bool imageSizeGiven = false;
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
            cl.describe = splitChain(operand("--describe"));
        } else if (a == "--uv-image") {
            cl.uvImage = operand("--uv-image");
        } else if (a == "--image-size") {
            const std::string &s = operand("--image-size");
            long long n;
            if (!parseInteger(s, n) || n < 16 || n > 16384)
                throw UsageError("--image-size expects a whole number from 16 to 16384, found '" + s + "'");
            cl.imageSize = static_cast<int>(n);
            imageSizeGiven = true;
        } else if (a == "--strict") {
            cl.strict = true;
        } else if (a == "--stages") {
            cl.stages = true;
        } else if (a == "-h" || a == "--help") {
            cl.help = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option '" + a + "'");
        } else {
            positional.push_back(a);
        }
    }
    if (cl.help) return cl;
    if (imageSizeGiven && cl.uvImage.empty()) throw UsageError("--image-size needs --uv-image");
    if (cl.list || !cl.describe.empty()) {
        if (!positional.empty()) throw UsageError("--list and --describe take no OPERATOR INPUT OUTPUT");
        return cl;
    }
    if (positional.size() != 3)
        throw UsageError("expected OPERATOR INPUT OUTPUT, found " + std::to_string(positional.size()) + " arguments");
    cl.chain = splitChain(positional[0]);
    cl.input = positional[1];
    cl.output = positional[2];
    if (!cl.uvImage.empty()) {
        auto ext = cl.uvImage.size() >= 4 ? cl.uvImage.substr(cl.uvImage.size() - 4) : "";
        if (ext != ".png" && ext != ".svg")
            throw UsageError("--uv-image expects a .png or .svg file, found '" + cl.uvImage + "'");
    }
    return cl;
}
