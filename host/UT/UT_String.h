#pragma once
#include <string>
#include <string_view>

/// A mutable string in the host's style: may be "not a string" (empty).
class UT_String {
public:
    UT_String() = default;
    UT_String(const char *s) : myStr(s ? s : "") {}
    UT_String(std::string s) : myStr(std::move(s)) {}

    /// True when the string holds at least one character.
    bool isstring() const { return !myStr.empty(); }
    const char *buffer() const { return myStr.c_str(); }
    operator const char *() const { return myStr.c_str(); }
    const std::string &toStdString() const { return myStr; }
    int length() const { return static_cast<int>(myStr.size()); }

    /// Replaces the contents by the decimal text of i.
    void itoa(long long i) { myStr = std::to_string(i); }
    /// Makes the string own its characters (always true here).
    void harden() {}
    void harden(const char *s) { myStr = s ? s : ""; }

    UT_String &operator+=(const char *s) {
        myStr += s ? s : "";
        return *this;
    }
    UT_String &operator+=(const UT_String &s) {
        myStr += s.myStr;
        return *this;
    }
    UT_String &operator=(const char *s) {
        myStr = s ? s : "";
        return *this;
    }
    bool operator==(const char *s) const { return myStr == (s ? s : ""); }
    bool operator==(const UT_String &s) const { return myStr == s.myStr; }

private:
    std::string myStr;
};
