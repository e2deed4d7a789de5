#include "OP_Message.h"

std::string OP_Message::formatted() const {
    switch (code) {
        case 0:
        case 4:
            return text;
        case 1:
            return "Unable to read file: " + text;
        case 2:
            return "Invalid group specification: " + text;
        case 3:
            return "Invalid point group specification: " + text;
        case 5:
            return "Illegal group name: " + text;
        default:
            return "Error " + std::to_string(code) + (text.empty() ? std::string() : ": " + text);
    }
}
