#pragma once

/// Meanings of a default's string part.
enum PRM_DefaultMeaning {
    PRM_DEFAULT_NONE = 0,
    PRM_DEFAULT_EXPRESSION = 1,
    PRM_DEFAULT_CHANNEL = 2,
    PRM_DEFAULT_LITERAL = 3  ///< the string is the value itself
};

/// The default of one parameter component: a number and, for string
/// parameters, a text. The string is not copied; the caller keeps it alive.
class PRM_Default {
public:
    constexpr PRM_Default(float f = 0, const char *s = 0, int meaning = 0)
        : myFloat(f), myString(s), myMeaning(meaning) {}

    float getFloat() const { return myFloat; }
    /// The string part; null when none was given.
    const char *getString() const { return myString; }
    int getMeaning() const { return myMeaning; }

private:
    float myFloat;
    const char *myString;
    int myMeaning;
};
