#include "NodeMessages.h"

void printMessages(std::ostream &out, const OP_Parameters &node, const std::string &prefix) {
    for (const OP_Message &m : node.messages()) {
        const char *kind = m.severity >= UT_ERROR_ABORT     ? "Error"
                           : m.severity >= UT_ERROR_WARNING ? "Warning"
                                                            : "Message";
        out << prefix << kind << ": " << m.formatted() << "\n";
    }
}

bool warnedNoLayout(const OP_Parameters &node) {
    // The start of each warning: some go on with numbers or names.
    static const char *const kNoLayout[] = {
        "No solution for unwrapper",
        "Nothing to unwrap",
        "The piece is not a disk",
        "The seam pattern names no edge",
    };
    for (const OP_Message &m : node.messages()) {
        if (m.severity < UT_ERROR_WARNING) continue;
        const std::string text = m.formatted();
        for (const char *start : kNoLayout)
            if (text.rfind(start, 0) == 0) return true;
    }
    return false;
}
