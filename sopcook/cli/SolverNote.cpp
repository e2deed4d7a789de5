#include "SolverNote.h"
#include "ParmText.h"

std::string slowSolverNote(const OP_Parameters &node, float t, double seconds, const std::string &address) {
    if (seconds <= kSlowSolveSeconds) return "";
    const PRM_Parm *solver = node.findParm("solver");
    if (!solver || solver->getType() != PRM_ORD || componentText(*solver, 0, t) != "cg") return "";
    const PRM_ChoiceList *menu = solver->getTemplate()->getChoiceListPtr();
    if (!menu || menu->findItem("direct") < 0) return "";
    return "Note: the cook took " + std::to_string(static_cast<long long>(seconds)) +
           " s with the conjugate gradient; -p " + address + "=direct gives the same layout much faster";
}
