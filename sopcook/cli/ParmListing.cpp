#include "ParmListing.h"
#include "ParmText.h"
#include "io/NumberText.h"

void printOperators(std::ostream &out, const OP_OperatorTable &table) {
    for (const OP_Operator *op : table.operators()) {
        out << op->getName() << "\t" << op->getEnglish() << "\tinputs " << op->getMinInputs();
        if (op->getMaxInputs() != op->getMinInputs()) out << "-" << op->getMaxInputs();
        out << "\n";
    }
}

namespace {

std::string defaultText(const PRM_Template &t) {
    if (t.isMulti()) return std::to_string(t.getMultiDefaultCount()) + " instances";
    if (!PRMhasValue(t.getType())) return "";
    std::string out;
    const PRM_ChoiceList *menu = t.getChoiceListPtr();
    for (int vi = 0; vi < t.getVectorSize(); ++vi) {
        if (vi) out += ' ';
        if (PRMisStringType(t.getType())) {
            out += shellQuote(t.getDefaultString(vi));
            continue;
        }
        float v = t.getDefaultFloat(vi);
        int n = static_cast<int>(v);
        if (t.getType() == PRM_ORD && menu && menu->getItem(n))
            out += menu->getItem(n)->getToken();
        else if (t.getType() == PRM_TOGGLE)
            out += v != 0 ? "on" : "off";
        else
            appendFloat(out, v);
    }
    return out;
}

std::string menuText(const PRM_Template &t) {
    const PRM_ChoiceList *menu = t.getChoiceListPtr();
    if (!menu || menu->getItemCount() == 0) return "";
    std::string out;
    for (int i = 0; i < menu->getItemCount(); ++i) {
        if (i) out += ", ";
        out += std::to_string(i) + " " + menu->getItem(i)->getToken() + " \"" + menu->getItem(i)->getLabel() + "\"";
    }
    return out;
}

void printList(std::ostream &out, const PRM_Template *list, const std::string &indent) {
    for (const PRM_Template *t = list; t && !t->isTerminator(); ++t) {
        out << indent << t->getToken() << "\t\"" << t->getLabel() << "\"\t" << kindName(t->getType());
        if (PRMhasValue(t->getType()) && !t->isMulti()) out << "\t" << t->getVectorSize();
        std::string d = defaultText(*t);
        if (!d.empty()) out << "\tdefault " << d;
        std::string m = menuText(*t);
        if (!m.empty()) out << "\tmenu " << m;
        std::string r = rangeText(t->getRangePtr());
        if (!r.empty() && !t->isMulti()) out << "\trange " << r;
        const char *help = t->getHelpText();
        if (help && *help) out << "\thelp \"" << help << "\"";
        out << "\n";
        if (t->isMulti()) printList(out, t->getMultiParmTemplate(), indent + "    ");
    }
}

}  // namespace

void printParameters(std::ostream &out, const OP_Operator &op) {
    out << op.getName() << " \"" << op.getEnglish() << "\"\n";
    printList(out, op.getParmTemplates(), "  ");
}
