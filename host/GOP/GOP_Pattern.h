#pragma once
#include <string>
#include <vector>

/// Pieces shared by the group-pattern parsers (see GOP_Manager).
namespace GOP_Pattern {

/// The white-space separated tokens of pattern (null gives none).
std::vector<std::string> splitTokens(const char *pattern);

/// Whether name matches pattern, where * matches any run of characters,
/// ? one character and [abc] / [a-c] one character of the set.
bool matchWildcard(const char *pattern, const char *name);
/// Whether text holds a wildcard character (* ? or [).
bool hasWildcard(const std::string &text);

/// A number, a range a-b or a stepped range a-b:s of element numbers.
struct Range {
    long long from = 0;
    long long to = 0;
    long long step = 1;
};
/// How a token reads as numbers.
enum NumberForm { NOT_NUMERIC, NUMERIC, MALFORMED };
/// Reads text as n, a-b or a-b:s (decimal, s > 0). A text that does not
/// start with a digit is NOT_NUMERIC; one that does but is not one of the
/// forms is MALFORMED.
NumberForm parseRange(const std::string &text, Range &range);

/// Calls visit(n) for every number of range, plus offset, that lies in
/// 0 .. count-1, in the range's order (from towards to). Numbers outside
/// are skipped without being walked one by one.
template <typename F> void forEachInRange(const Range &range, long long offset, long long count, F visit) {
    long long a = range.from + offset, b = range.to + offset, s = range.step;
    long long lo = a < b ? a : b, hi = a < b ? b : a;
    long long wlo = lo > 0 ? lo : 0, whi = hi < count - 1 ? hi : count - 1;
    if (wlo > whi) return;
    if (a <= b) {
        long long v = a < wlo ? a + ((wlo - a + s - 1) / s) * s : a;
        for (; v <= whi; v += s) visit(static_cast<int>(v));
    } else {
        long long v = a > whi ? a - ((a - whi + s - 1) / s) * s : a;
        for (; v >= wlo; v -= s) visit(static_cast<int>(v));
    }
}

/// A token's prefixes: ^ (remove what follows from the result so far) and
/// then ! (everything the rest does not name).
struct Prefixed {
    bool remove = false;
    bool complement = false;
    std::string body;  ///< the token without its prefixes; empty is malformed
};
Prefixed splitPrefixes(const std::string &token);

}  // namespace GOP_Pattern
