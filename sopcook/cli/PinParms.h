#pragma once
#include <vector>
#include "OP/OP_Parameters.h"
#include "image/UvImage.h"

/// The pins of node at time t: every "pin#" instance (primitive, vertex)
/// whose "enable#" toggle of the same instance is on (or absent).
std::vector<UvPin> enabledPins(const OP_Parameters &node, float t);
