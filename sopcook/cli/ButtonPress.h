#pragma once
#include <string>
#include <vector>
#include "CommandLine.h"
#include "OP/OP_Parameters.h"

/// Checks that name is a button of node; throws UsageError otherwise.
void requireButton(const OP_Parameters &node, const std::string &name);

/// Presses button name at time t and returns the parameters whose value
/// at t changed (or that appeared), each with its new value as a -p
/// setting takes it, in parameter order.
std::vector<ParmSetting> pressAndDiff(OP_Parameters &node, const std::string &name, float t);
