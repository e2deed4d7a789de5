#pragma once

/// Message codes of surface operators (how each reads: OP_Message::formatted).
enum {
    SOP_ERR_INVALID_SRC = 0,       ///< a missing or bad input; the text is shown as given
    SOP_ERR_FILEGEO = 1,           ///< "Unable to read file: <text>"
    SOP_ERR_BADGROUP = 2,          ///< "Invalid group specification: <text>"
    SOP_ERR_BAD_POINTGROUP = 3,    ///< "Invalid point group specification: <text>"
    SOP_MESSAGE = 4,               ///< the text is shown as given
    SOP_ERR_ILLEGAL_GROUPNAME = 5  ///< "Illegal group name: <text>"
};
