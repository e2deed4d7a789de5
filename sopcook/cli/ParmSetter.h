#pragma once
#include <vector>
#include "CommandLine.h"
#include "OP/OP_Parameters.h"

/// Sets -p values and -k keys on node as the host's opparm takes them.
/// List counts are set before anything else, so that instance parameters
/// ("pin2") exist when their settings come. Throws UsageError naming the
/// parameter for an unknown name, a button, a wrong number of components,
/// a value that is not of the parameter's kind, or a value outside a
/// restricted range end.
void applySettings(OP_Parameters &node, const std::vector<ParmSetting> &parms, const std::vector<ParmKey> &keys);

/// The parameter named name; throws UsageError when there is none.
const PRM_Parm &requireParm(const OP_Parameters &node, const std::string &name);
