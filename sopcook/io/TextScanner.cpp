#include "TextScanner.h"
#include <charconv>
#include <cmath>
#include "GeoFileError.h"

bool parseNumber(std::string_view s, double &out) {
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool parseInteger(std::string_view s, long long &out) {
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool fitsFloat(double v) {
    // Doubles below 2^128 - 2^103 round to at most the largest float;
    // from there on they round to infinity.
    return std::isfinite(v) && std::fabs(v) < 0x1.ffffffp+127;
}

std::string finiteExpected(const char *what) { return std::string(what) + " (a finite number within float range)"; }

TextScanner::TextScanner(std::string_view text, std::string file, std::string delimiters, char comment)
    : myText(text), myFile(std::move(file)), myDelims(std::move(delimiters)), myComment(comment) {
    for (char c : {' ', '\t', '\n', '\r', '\f', '\v'}) myClass[static_cast<unsigned char>(c)] = kEndsToken;
    for (char c : myDelims) myClass[static_cast<unsigned char>(c)] = kEndsToken | kDelimiter;
    if (myComment) myClass[static_cast<unsigned char>(myComment)] |= kEndsToken;
}

void TextScanner::skipSpace(bool cross_lines) {
    while (myPos < myText.size()) {
        char c = myText[myPos];
        if (c == '\n') {
            if (!cross_lines) return;
            ++myLine;
            ++myPos;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++myPos;
        } else if (myComment && c == myComment) {
            while (myPos < myText.size() && myText[myPos] != '\n') ++myPos;
        } else {
            return;
        }
    }
}

std::string_view TextScanner::next() {
    skipSpace(true);
    // At the end, errors name the line of the last token.
    if (myPos >= myText.size()) return {};
    myTokenLine = myLine;
    std::size_t start = myPos;
    if (myClass[static_cast<unsigned char>(myText[myPos])] & kDelimiter) return myText.substr(myPos++, 1);
    while (myPos < myText.size() && !(myClass[static_cast<unsigned char>(myText[myPos])] & kEndsToken)) ++myPos;
    return myText.substr(start, myPos - start);
}

std::string_view TextScanner::peek() {
    std::size_t pos = myPos;
    int line = myLine, tline = myTokenLine;
    std::string_view t = next();
    myPos = pos;
    myLine = line;
    myTokenLine = tline;
    return t;
}

bool TextScanner::atLineEnd() {
    skipSpace(false);
    return myPos >= myText.size() || myText[myPos] == '\n';
}

bool TextScanner::atEnd() {
    skipSpace(true);
    return myPos >= myText.size();
}

void TextScanner::skipLine() {
    while (myPos < myText.size() && myText[myPos] != '\n') ++myPos;
    if (myPos < myText.size()) {
        ++myPos;
        ++myLine;
    }
}

std::string_view TextScanner::restOfLine() const {
    std::size_t end = myText.find('\n', myPos);
    if (end == std::string_view::npos) end = myText.size();
    return myText.substr(myPos, end - myPos);
}

char TextScanner::peekCharOnLine() {
    skipSpace(false);
    return myPos < myText.size() ? myText[myPos] : '\0';
}

void TextScanner::advanceChar() {
    if (myPos >= myText.size()) return;
    if (myText[myPos] == '\n') ++myLine;
    ++myPos;
}

void TextScanner::fail(const std::string &expected, std::string_view found) const {
    std::string msg = "expected " + expected;
    if (found.empty())
        msg += ", found the end of the file";
    else
        msg += ", found '" + std::string(found.substr(0, 40)) + "'";
    throw GeoFileError::atLine(myFile, myTokenLine, msg);
}

void TextScanner::failHere(const std::string &message) const {
    throw GeoFileError::atLine(myFile, myTokenLine, message);
}

double TextScanner::number(const char *what) {
    std::string_view t = next();
    double v;
    if (!parseNumber(t, v)) fail(what, t);
    return v;
}

float TextScanner::floatNumber(const char *what) {
    std::string_view t = next();
    double v;
    if (!parseNumber(t, v)) fail(what, t);
    if (!fitsFloat(v)) fail(finiteExpected(what), t);
    return static_cast<float>(v);
}

long long TextScanner::integer(const char *what) {
    std::string_view t = next();
    long long v;
    if (!parseInteger(t, v)) fail(what, t);
    return v;
}

long long TextScanner::integer(const char *what, long long lo, long long hi) {
    std::string_view t = next();
    long long v;
    if (!parseInteger(t, v) || v < lo || v > hi)
        fail(std::string(what) + " (" + std::to_string(lo) + " to " + std::to_string(hi) + ")", t);
    return v;
}

long long TextScanner::count(const char *what) {
    std::string_view t = next();
    long long v;
    if (!parseInteger(t, v) || v < 0) fail(std::string(what) + " (a count of 0 or more)", t);
    if (static_cast<unsigned long long>(v) > remaining())
        failHere(std::string(what) + " " + std::to_string(v) + " is more than the rest of the file can hold");
    return v;
}

void TextScanner::expect(std::string_view word) {
    std::string_view t = next();
    if (t != word) fail("'" + std::string(word) + "'", t);
}

std::string TextScanner::quoted(const char *what) {
    skipSpace(true);
    myTokenLine = myLine;
    if (myPos >= myText.size()) fail(what, {});
    if (myText[myPos] != '"') return std::string(next());
    std::string out;
    ++myPos;
    while (myPos < myText.size() && myText[myPos] != '"') {
        char c = myText[myPos++];
        if (c == '\n') failHere(std::string("unterminated string, expected ") + what);
        if (c == '\\' && myPos < myText.size()) c = myText[myPos++];
        out += c;
    }
    if (myPos >= myText.size()) failHere(std::string("unterminated string, expected ") + what);
    ++myPos;
    return out;
}
