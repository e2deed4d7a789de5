#include "GOP_Pattern.h"
#include <cctype>

namespace GOP_Pattern {

std::vector<std::string> splitTokens(const char *pattern) {
    std::vector<std::string> out;
    if (!pattern) return out;
    std::string cur;
    for (const char *c = pattern; *c; ++c) {
        if (std::isspace(static_cast<unsigned char>(*c))) {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += *c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

namespace {

/// Matches the set at p (just after "[") against ch; sets *end past "]".
/// An unclosed set matches "[" literally.
bool matchSet(const char *p, char ch, const char **end) {
    bool hit = false;
    const char *q = p;
    while (*q && *q != ']') {
        if (q[1] == '-' && q[2] && q[2] != ']') {
            if (ch >= q[0] && ch <= q[2]) hit = true;
            q += 3;
        } else {
            if (ch == *q) hit = true;
            ++q;
        }
    }
    if (!*q) {
        *end = nullptr;
        return false;
    }
    *end = q + 1;
    return hit;
}

}  // namespace

bool matchWildcard(const char *pattern, const char *name) {
    if (!pattern || !name) return false;
    const char *p = pattern, *n = name;
    // Backtracking over the last "*" only: enough for * ? [..] patterns.
    const char *star = nullptr, *star_n = nullptr;
    while (*n) {
        if (*p == '*') {
            star = ++p;
            star_n = n;
            continue;
        }
        if (*p == '[') {
            const char *end = nullptr;
            bool hit = matchSet(p + 1, *n, &end);
            if (end && hit) {
                p = end;
                ++n;
                continue;
            }
            if (!end && *n == '[') {
                ++p;
                ++n;
                continue;
            }
        } else if (*p && (*p == '?' || *p == *n)) {
            ++p;
            ++n;
            continue;
        }
        if (!star) return false;
        p = star;
        n = ++star_n;
    }
    while (*p == '*') ++p;
    return !*p;
}

bool hasWildcard(const std::string &text) { return text.find_first_of("*?[") != std::string::npos; }

namespace {

/// Reads decimal digits at pos; false when there are none. Values are
/// capped far beyond any element count so they cannot overflow.
bool readNumber(const std::string &s, size_t &pos, long long &out) {
    size_t start = pos;
    long long v = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
        if (v < 1000000000000LL) v = v * 10 + (s[pos] - '0');
        ++pos;
    }
    out = v;
    return pos > start;
}

}  // namespace

NumberForm parseRange(const std::string &text, Range &range) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return NOT_NUMERIC;
    size_t pos = 0;
    readNumber(text, pos, range.from);
    range.to = range.from;
    range.step = 1;
    if (pos == text.size()) return NUMERIC;
    if (text[pos] != '-') return MALFORMED;
    ++pos;
    if (!readNumber(text, pos, range.to)) return MALFORMED;
    if (pos == text.size()) return NUMERIC;
    if (text[pos] != ':') return MALFORMED;
    ++pos;
    if (!readNumber(text, pos, range.step) || pos != text.size() || range.step <= 0) return MALFORMED;
    return NUMERIC;
}

Prefixed splitPrefixes(const std::string &token) {
    Prefixed out;
    size_t pos = 0;
    if (pos < token.size() && token[pos] == '^') {
        out.remove = true;
        ++pos;
    }
    if (pos < token.size() && token[pos] == '!') {
        out.complement = true;
        ++pos;
    }
    out.body = token.substr(pos);
    return out;
}

}  // namespace GOP_Pattern
