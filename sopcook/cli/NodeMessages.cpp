#include "NodeMessages.h"

void printMessages(std::ostream &out, const OP_Parameters &node) {
    for (const OP_Message &m : node.messages()) {
        const char *kind = m.severity >= UT_ERROR_ABORT ? "Error" : m.severity >= UT_ERROR_WARNING ? "Warning" : "Message";
        out << kind << ": " << m.formatted() << "\n";
    }
}
