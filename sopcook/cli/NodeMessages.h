#pragma once
#include <ostream>
#include "OP/OP_Parameters.h"

/// Prints each of node's messages on its own line as "Error: …",
/// "Warning: …" or "Message: …" in the catalogue's wording.
void printMessages(std::ostream &out, const OP_Parameters &node);
