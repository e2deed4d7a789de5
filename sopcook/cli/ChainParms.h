#pragma once
#include <string>
#include <vector>
#include "CommandLine.h"
#include "OP/OP_Operator.h"

/// The -p settings, -k keys and --press buttons that go to one node of a
/// chain, named as the node knows them (without an OPERATOR. prefix).
struct NodeSettings {
    std::vector<ParmSetting> parms;
    std::vector<ParmKey> keys;
    std::vector<std::string> presses;
};

/// Whether op has a parameter called name: a template's token, or an
/// instance of a list's template ("pin2" of "pin#", each '#' standing for
/// a number).
bool operatorHasParm(const OP_Operator &op, const std::string &name);

/// The node of chain (#chain > 0) that address names, and the parameter's
/// name there. "OPERATOR.NAME" chooses the node of that operator; a bare
/// NAME goes to the one operator that has it. A chain of one operator
/// takes every address, so that its own messages name an unknown
/// parameter. Throws UsageError for a NAME that no operator of a longer
/// chain has, or that two of them have.
size_t routeParm(const std::vector<const OP_Operator *> &chain, const std::string &address, std::string &name);

/// Every setting of cl routed to its node: one NodeSettings per operator
/// of chain, in chain order. Throws UsageError as routeParm does.
std::vector<NodeSettings> routeSettings(const std::vector<const OP_Operator *> &chain, const CommandLine &cl);

/// How parameter name of node i is addressed on the command line: the bare
/// name when no other operator of chain has it, else OPERATOR.NAME.
std::string parmAddress(const std::vector<const OP_Operator *> &chain, size_t i, const std::string &name);
