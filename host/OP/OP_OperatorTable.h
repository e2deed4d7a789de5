#pragma once
#include <memory>
#include <vector>
#include "OP_Operator.h"

/// The operator types a host knows, in the order they were added. The table
/// owns every operator handed to it.
class OP_OperatorTable {
public:
    OP_OperatorTable();
    ~OP_OperatorTable();
    OP_OperatorTable(const OP_OperatorTable &) = delete;
    OP_OperatorTable &operator=(const OP_OperatorTable &) = delete;

    /// Adds op (allocated with new) and takes ownership of it. Returns false
    /// when op is null or an operator of its name is already known; a
    /// refused operator is still kept alive (not listed) until the table
    /// goes, so the caller's pointer never dangles.
    bool addOperator(OP_Operator *op);
    /// The operator named name, or null.
    OP_Operator *getOperator(const char *name) const;
    int getNumOperators() const { return static_cast<int>(myOperators.size()); }
    /// Operator i in the order added, or null.
    OP_Operator *getOperator(int i) const;
    /// Every listed operator in the order added.
    std::vector<OP_Operator *> operators() const;

private:
    std::vector<std::unique_ptr<OP_Operator>> myOperators;
    std::vector<std::unique_ptr<OP_Operator>> myRefused;
};
