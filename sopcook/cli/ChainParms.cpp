#include "ChainParms.h"
#include <cctype>
#include "PRM/PRM_Template.h"
#include "UsageError.h"

namespace {

/// Whether name is token with each '#' replaced by a number.
bool matchesToken(const char *token, const std::string &name) {
    size_t i = 0;
    for (const char *t = token; *t; ++t) {
        if (*t != '#') {
            if (i >= name.size() || name[i] != *t) return false;
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) ++i;
        if (i == start) return false;
    }
    return i == name.size();
}

bool listHas(const PRM_Template *list, const std::string &name) {
    for (const PRM_Template *t = list; t && !t->isTerminator(); ++t) {
        if (matchesToken(t->getToken(), name)) return true;
        if (t->isMulti() && listHas(t->getMultiParmTemplate(), name)) return true;
    }
    return false;
}

std::string chainText(const std::vector<const OP_Operator *> &chain) {
    std::string s;
    for (const OP_Operator *op : chain) s += (s.empty() ? "" : ",") + std::string(op->getName());
    return s;
}

}  // namespace

bool operatorHasParm(const OP_Operator &op, const std::string &name) { return listHas(op.getParmTemplates(), name); }

size_t routeParm(const std::vector<const OP_Operator *> &chain, const std::string &address, std::string &name) {
    const size_t dot = address.find('.');
    if (dot != std::string::npos)
        for (size_t i = 0; i < chain.size(); ++i)
            if (address.compare(0, dot, chain[i]->getName()) == 0 && dot == std::string(chain[i]->getName()).size()) {
                name = address.substr(dot + 1);
                return i;
            }
    name = address;
    if (chain.size() == 1) return 0;
    std::vector<size_t> having;
    for (size_t i = 0; i < chain.size(); ++i)
        if (operatorHasParm(*chain[i], name)) having.push_back(i);
    if (having.empty())
        throw UsageError("unknown parameter '" + name + "': no operator of " + chainText(chain) +
                         " has it (sopcook --describe " + chainText(chain) + " lists them)");
    if (having.size() > 1) {
        std::string choices;
        for (size_t k = 0; k < having.size(); ++k)
            choices += std::string(k == 0                   ? ""
                                   : k + 1 == having.size() ? " or "
                                                            : ", ") +
                       chain[having[k]]->getName() + "." + name;
        throw UsageError("parameter '" + name + "' is in more than one operator of " + chainText(chain) + "; say " +
                         choices);
    }
    return having[0];
}

std::vector<NodeSettings> routeSettings(const std::vector<const OP_Operator *> &chain, const CommandLine &cl) {
    std::vector<NodeSettings> out(chain.size());
    std::string name;
    for (const ParmSetting &s : cl.parms) {
        size_t i = routeParm(chain, s.name, name);
        out[i].parms.push_back({name, s.value});
    }
    for (const ParmKey &k : cl.keys) {
        size_t i = routeParm(chain, k.name, name);
        out[i].keys.push_back({name, k.time, k.value});
    }
    for (const std::string &b : cl.presses) {
        size_t i = routeParm(chain, b, name);
        out[i].presses.push_back(name);
    }
    return out;
}

std::string parmAddress(const std::vector<const OP_Operator *> &chain, size_t i, const std::string &name) {
    for (size_t j = 0; j < chain.size(); ++j)
        if (j != i && operatorHasParm(*chain[j], name)) return std::string(chain[i]->getName()) + "." + name;
    return name;
}
