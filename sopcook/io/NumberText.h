#pragma once
#include <string>

/// Appends the shortest decimal text that reads back as exactly v.
void appendFloat(std::string &out, float v);
/// Appends the decimal text of v.
void appendInt(std::string &out, long long v);
