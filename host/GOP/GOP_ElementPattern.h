#pragma once
#include <vector>
#include "GB/GB_Group.h"

/// Reads a point or primitive pattern (syntax: GOP_Manager) against count
/// elements and the named groups of groups. On success returns true and
/// sets members to count flags, one per element; returns false when a
/// plain name names no group or a token is malformed (numbers are malformed
/// when allow_numeric is false). offset is added to every number.
bool GOPparseElementPattern(const char *pattern, int count, const GB_GroupList &groups, bool allow_numeric, int offset,
                            std::vector<char> &members);
