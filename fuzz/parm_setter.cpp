// Fuzzes the -p / -k value parser: each input line is one -p NAME=VALUE
// (or, after "-k ", one -k NAME=TIME:VALUE) given to a node with a
// parameter of every kind. Whatever is accepted must list back as -p text
// that a fresh node accepts and lists the same way.
#include <string>
#include <vector>
#include "FuzzCheck.h"
#include "OP/OP_Parameters.h"
#include "PRM/PRM_Include.h"
#include "support/sample_parms.h"
#include "cli/CommandLine.h"
#include "cli/ParmSetter.h"
#include "cli/ParmText.h"
#include "cli/UsageError.h"

namespace {

using test_parms::sampleTemplates;

/// The input's lines as sopcook arguments.
std::vector<std::string> argumentsOf(const uint8_t *data, size_t size) {
    std::vector<std::string> args = {"flatskin", "in.geo", "out.geo"};
    std::string text(reinterpret_cast<const char *>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        bool key = line.rfind("-k ", 0) == 0;
        args.push_back(key ? "-k" : "-p");
        args.push_back(key ? line.substr(3) : line);
    }
    return args;
}

/// Every valued parameter of node as the -p settings that recreate it.
std::vector<ParmSetting> listing(const OP_Parameters &node) {
    std::vector<ParmSetting> out;
    for (const PRM_Parm *p : node.allParms())
        if (PRMhasValue(p->getType())) out.push_back({p->getName(), valueText(*p, 0)});
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    OP_Parameters node(sampleTemplates);
    try {
        CommandLine cl = parseCommandLine(argumentsOf(data, size));
        applySettings(node, cl.parms, cl.keys);
    } catch (const UsageError &) {
        return 0;
    }
    std::vector<ParmSetting> first = listing(node);
    OP_Parameters again(sampleTemplates);
    try {
        applySettings(again, first, {});
    } catch (const UsageError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzzRequire(false, "listed values are accepted again");
    }
    std::vector<ParmSetting> second = listing(again);
    fuzzRequire(first.size() == second.size(), "the same parameters list back");
    for (size_t i = 0; i < first.size(); ++i) {
        if (first[i].value == second[i].value) continue;
        std::fprintf(stderr, "%s: '%s' then '%s'\n", first[i].name.c_str(), first[i].value.c_str(),
                     second[i].value.c_str());
        fuzzRequire(false, "listed values list back the same");
    }
    return 0;
}
