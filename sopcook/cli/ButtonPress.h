#pragma once
#include <string>
#include <vector>
#include "OP/OP_Parameters.h"

/// Checks that name is a button of node; throws UsageError otherwise.
void requireButton(const OP_Parameters &node, const std::string &name);

/// Presses button name at time t and returns the parameters whose value
/// at t changed (or that appeared), each as a `-p NAME=VALUE` argument
/// ready to paste into a shell, in parameter order.
std::vector<std::string> pressAndDiff(OP_Parameters &node, const std::string &name, float t);
