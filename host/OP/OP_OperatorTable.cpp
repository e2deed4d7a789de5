#include "OP_OperatorTable.h"
#include <cstring>

OP_OperatorTable::OP_OperatorTable() = default;
OP_OperatorTable::~OP_OperatorTable() = default;

bool OP_OperatorTable::addOperator(OP_Operator *op) {
    if (!op) return false;
    for (auto *list : {&myOperators, &myRefused})
        for (auto &held : *list)
            if (held.get() == op) return false;  // already owned: keep one owner
    if (getOperator(op->getName())) {
        myRefused.emplace_back(op);
        return false;
    }
    myOperators.emplace_back(op);
    return true;
}

OP_Operator *OP_OperatorTable::getOperator(const char *name) const {
    if (!name) return nullptr;
    for (auto &op : myOperators)
        if (std::strcmp(op->getName(), name) == 0) return op.get();
    return nullptr;
}

OP_Operator *OP_OperatorTable::getOperator(int i) const {
    return (i >= 0 && i < getNumOperators()) ? myOperators[i].get() : nullptr;
}

std::vector<OP_Operator *> OP_OperatorTable::operators() const {
    std::vector<OP_Operator *> out;
    for (auto &op : myOperators) out.push_back(op.get());
    return out;
}
