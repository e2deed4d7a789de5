#pragma once
#include <string>
#include "OP/OP_Parameters.h"

/// Cooks that iterate longer than this many seconds get the note below.
constexpr double kSlowSolveSeconds = 10;

/// The note for a cook of node that took seconds: when its "solver" menu
/// was on "cg" at time t, the cook ran longer than kSlowSolveSeconds and
/// the menu has a "direct" item, the advice to set it (address is how the
/// command line names the parameter, "solver" or "flatskin.solver");
/// otherwise "".
std::string slowSolverNote(const OP_Parameters &node, float t, double seconds, const std::string &address);
