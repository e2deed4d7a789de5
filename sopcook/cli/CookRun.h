#pragma once
#include <ostream>
#include <string>
#include <vector>

/// Runs sopcook with the arguments after the program name and returns its
/// exit status: 0 when the cook's severity is below ABORT, 1 when it is
/// ABORT or worse (no output is written), 2 for usage, plug-in, parameter,
/// file and parse errors. Diagnostics and node messages go to err; the
/// listings and --press settings go to out.
int runSopcook(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);
