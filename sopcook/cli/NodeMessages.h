#pragma once
#include <ostream>
#include <string>
#include "OP/OP_Parameters.h"

/// Prints each of node's messages on its own line as "Error: …",
/// "Warning: …" or "Message: …" in the catalogue's wording, after prefix
/// (which names the node when several speak: "flatskin: ").
void printMessages(std::ostream &out, const OP_Parameters &node, const std::string &prefix = "");

/// Whether node warned that it wrote no layout, or that the layout it had
/// to make cannot be made: no solution, nothing to unwrap, a piece that is
/// not a disk, a seam pattern that names no edge.
bool warnedNoLayout(const OP_Parameters &node);
