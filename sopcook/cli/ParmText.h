#pragma once
#include <string>
#include <vector>
#include "PRM/PRM_Parm.h"

/// The value text split into components at white space. Quotes group a
/// component with spaces ("a b" 'c d'); inside them a backslash makes the
/// next quote of the same kind or backslash literal. Throws UsageError for
/// an unterminated quote or text right after a closing quote.
std::vector<std::string> splitComponents(const std::string &value);

/// The most instances a multi-parameter list can be given.
constexpr long long kMaxInstances = 10000;

/// The number component text stands for in parameter parm, as the host's
/// opparm reads it: a number for float kinds; a whole number for integer
/// kinds; on/off, true/false, yes/no or 1/0 for toggles; an item token or
/// index for menus; an instance count from 0 to kMaxInstances for lists.
/// Throws UsageError naming parm and the component.
float parseComponent(const PRM_Parm &parm, int vi, const std::string &text);

/// The name of parm's kind for messages and listings ("float", "toggle").
const char *kindName(PRM_Type t);

/// Component vi of parm at time t as opparm would take it back: numbers,
/// menu item tokens, text.
std::string componentText(const PRM_Parm &parm, int vi, float t);

/// All of parm's components at time t as one -p value (space separated;
/// the components of a multi-component string quoted where needed, so
/// that the value reads back the same).
std::string valueText(const PRM_Parm &parm, float t);

/// text quoted for a POSIX shell when it needs quoting.
std::string shellQuote(const std::string &text);

/// "0 (restricted) to 1 (restricted)" for a range; "" for none.
std::string rangeText(const PRM_Range *r);
