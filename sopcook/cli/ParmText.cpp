#include "ParmText.h"
#include <cctype>
#include <cmath>
#include "UsageError.h"
#include "io/NumberText.h"
#include "io/TextScanner.h"

namespace {

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

/// Reads the quoted component that starts at value[i] (the quote); a
/// backslash makes the next quote or backslash literal. Leaves i past the
/// closing quote.
std::string quotedComponent(const std::string &value, size_t &i) {
    const char q = value[i++];
    std::string c;
    while (i < value.size() && value[i] != q) {
        if (value[i] == '\\' && i + 1 < value.size() && (value[i + 1] == q || value[i + 1] == '\\')) ++i;
        c += value[i++];
    }
    if (i >= value.size()) throw UsageError(std::string("unterminated ") + q + " quote in '" + value + "'");
    ++i;
    if (i < value.size() && !isSpace(value[i]))
        throw UsageError("expected a space after the closing " + std::string(1, q) + " quote in '" + value + "'");
    return c;
}

/// component as splitComponents reads it back: bare when it can stand
/// alone, else in double quotes with \ before quotes and backslashes.
std::string quoteComponent(const std::string &component) {
    bool bare = !component.empty() && component[0] != '"' && component[0] != '\'';
    for (char c : component)
        if (isSpace(c)) bare = false;
    if (bare) return component;
    std::string out = "\"";
    for (char c : component) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

}  // namespace

std::vector<std::string> splitComponents(const std::string &value) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && isSpace(value[i])) ++i;
        if (i >= value.size()) break;
        if (value[i] == '"' || value[i] == '\'') {
            out.push_back(quotedComponent(value, i));
            continue;
        }
        std::string c;
        while (i < value.size() && !isSpace(value[i])) c += value[i++];
        out.push_back(c);
    }
    return out;
}

const char *kindName(PRM_Type t) {
    switch (t) {
        case PRM_FLT:
        case PRM_FLT_J:
        case PRM_FLT_MINMAX:
            return "float";
        case PRM_ANGLE:
        case PRM_ANGLE_J:
        case PRM_ANGLE_MINMAX_J:
            return "angle";
        case PRM_INT:
        case PRM_INT_J:
            return "int";
        case PRM_TOGGLE:
            return "toggle";
        case PRM_ORD:
            return "menu";
        case PRM_STRING:
            return "string";
        case PRM_CALLBACK:
            return "button";
        case PRM_SEPARATOR:
            return "separator";
        case PRM_MULTI:
            return "multi";
        default:
            return "none";
    }
}

static std::string where(const PRM_Parm &parm, int vi) {
    std::string s = "parameter '" + parm.getName() + "'";
    if (parm.getVectorSize() > 1) s += " component " + std::to_string(vi + 1);
    return s;
}

float parseComponent(const PRM_Parm &parm, int vi, const std::string &text) {
    const PRM_Type t = parm.getType();
    double d;
    if (PRMisFloatType(t)) {
        if (!parseNumber(text, d) || !std::isfinite(d))
            throw UsageError(where(parm, vi) + ": '" + text + "' is not a number");
        // Values are stored as 32-bit floats: one beyond their range would
        // be kept as infinity.
        const float f = static_cast<float>(d);
        if (!std::isfinite(f)) throw UsageError(where(parm, vi) + ": '" + text + "' is too large for a number");
        return f;
    }
    if (t == PRM_TOGGLE) {
        if (text == "on" || text == "1" || text == "true" || text == "yes") return 1;
        if (text == "off" || text == "0" || text == "false" || text == "no") return 0;
        throw UsageError(where(parm, vi) + ": '" + text + "' is not on/off or 1/0");
    }
    long long n;
    const PRM_ChoiceList *menu = parm.getTemplate()->getChoiceListPtr();
    if (t == PRM_ORD && menu && menu->getItemCount() > 0) {
        int item = menu->findItem(text.c_str());
        if (item >= 0) return static_cast<float>(item);
        if (parseInteger(text, n) && n >= 0 && n < menu->getItemCount()) return static_cast<float>(n);
        std::string items;
        for (int i = 0; i < menu->getItemCount(); ++i)
            items += std::string(i ? ", " : "") + menu->getItem(i)->getToken();
        throw UsageError(where(parm, vi) + ": '" + text + "' is not one of its items (" + items +
                         ") or an index from 0 to " + std::to_string(menu->getItemCount() - 1));
    }
    if (!parseInteger(text, n) || n < -2147483647LL || n > 2147483647LL)
        throw UsageError(where(parm, vi) + ": '" + text + "' is not a whole number");
    if (t == PRM_MULTI && n < 0) throw UsageError(where(parm, vi) + ": an instance count cannot be negative");
    // Every instance is a set of parameters made at once: a count in the
    // millions would stall the run and fill the memory before anything is
    // cooked.
    if (t == PRM_MULTI && n > kMaxInstances)
        throw UsageError(where(parm, vi) + ": " + text + " instances are more than the " +
                         std::to_string(kMaxInstances) + " a list can hold");
    return static_cast<float>(n);
}

std::string componentText(const PRM_Parm &parm, int vi, float t) {
    const PRM_Type type = parm.getType();
    if (PRMisStringType(type)) return parm.value(vi).getString();
    const float v = parm.value(vi).eval(t);
    std::string out;
    if (PRMisFloatType(type)) {
        appendFloat(out, v);
        return out;
    }
    const long long n = std::llround(v);
    const PRM_ChoiceList *menu = parm.getTemplate()->getChoiceListPtr();
    if (type == PRM_ORD && menu && menu->getItem(static_cast<int>(n)))
        return menu->getItem(static_cast<int>(n))->getToken();
    if (type == PRM_TOGGLE) return n ? "on" : "off";
    appendInt(out, n);
    return out;
}

std::string valueText(const PRM_Parm &parm, float t) {
    // A one-component string is taken as it stands; the components of a
    // longer string are split again, so they are quoted where needed.
    const bool quote = PRMisStringType(parm.getType()) && parm.getVectorSize() > 1;
    std::string out;
    for (int vi = 0; vi < parm.getVectorSize(); ++vi) {
        if (vi) out += ' ';
        out += quote ? quoteComponent(componentText(parm, vi, t)) : componentText(parm, vi, t);
    }
    return out;
}

std::string shellQuote(const std::string &text) {
    bool plain = !text.empty();
    for (char c : text)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || std::string("-_.,/+:@%").find(c) != std::string::npos))
            plain = false;
    if (plain) return text;
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string rangeText(const PRM_Range *r) {
    if (!r) return "";
    auto end = [](float v, PRM_RangeFlag f) {
        std::string s;
        appendFloat(s, v);
        if (PRM_Range::isRestricting(f))
            s += " (restricted)";
        else if (f == PRM_RANGE_UI)
            s += " (ui)";
        return s;
    };
    return end(r->getMin(), r->getMinFlag()) + " to " + end(r->getMax(), r->getMaxFlag());
}
