#pragma once
#include <ostream>
#include "OP/OP_OperatorTable.h"

/// Prints each operator type of table: name, label and input counts.
void printOperators(std::ostream &out, const OP_OperatorTable &table);

/// Prints op's parameters in template order: name, label, kind, component
/// count, defaults, menu items, range and help text; instance templates of lists are
/// printed indented under their count.
void printParameters(std::ostream &out, const OP_Operator &op);
