#pragma once
#include <string>
#include "OP_Error.h"

/// One message a node recorded: its severity, its code in the surface
/// operators' catalogue (SOP_Error.h) and the text it was given.
struct OP_Message {
    OP_ERROR severity = UT_ERROR_NONE;
    int code = 0;
    std::string text;

    /// How the message reads when shown: code 0 (invalid source) and 4
    /// (plain message) show the text as given; 1 "Unable to read file:
    /// <text>"; 2 "Invalid group specification: <text>"; 3 "Invalid point
    /// group specification: <text>"; 5 "Illegal group name: <text>". Other
    /// codes show "Error <code>: <text>" (": <text>" only when there is text).
    std::string formatted() const;
};
