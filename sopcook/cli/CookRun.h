#pragma once
#include <ostream>
#include <string>
#include <vector>

/// Runs sopcook with the arguments after the program name and returns its
/// exit status: 0 when every node of the chain cooked below ABORT, 1 when
/// one cooked at ABORT or worse or, with --strict, warned that it made no
/// layout (no output is written), 2 for usage, plug-in, parameter, file
/// and parse errors, outputs that are the input, and failed writes (also
/// to out), 128 + N when signal N stopped the run. Diagnostics and node
/// messages go to err (each line of a node after "OPERATOR: " in a chain
/// of several); the listings and --press settings go to out.
int runSopcook(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);
