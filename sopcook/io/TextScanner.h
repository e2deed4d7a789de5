#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

/// Reads a text file token by token and knows the line of each token, so
/// that parse errors can name the place. Tokens are runs of non-space
/// characters; each of the configured delimiter characters is a token of
/// its own. A comment character, when set, hides the rest of its line.
class TextScanner {
public:
    /// text must outlive the scanner. delimiters and comment may be empty / 0.
    TextScanner(std::string_view text, std::string file, std::string delimiters = "", char comment = 0);

    /// The next token, crossing lines; empty at the end of the text.
    std::string_view next();
    /// The next token without consuming it.
    std::string_view peek();
    /// True when nothing but spaces and comments remain on the current line.
    bool atLineEnd();
    /// True when nothing but spaces and comments remain.
    bool atEnd();
    /// Moves past the end of the current line.
    void skipLine();
    /// The raw text up to the end of the current line (not consumed).
    std::string_view restOfLine() const;
    /// The character at the scan position after skipping spaces on this
    /// line only; '\n' at a line end, 0 at the end of the text.
    char peekCharOnLine();
    /// Consumes one raw character.
    void advanceChar();

    /// Numbers lines from first on, for text cut out of a larger file.
    void startAtLine(int first) { myLine = myTokenLine = first; }

    /// Line (1-based) of the last token read, or of the scan position
    /// before any token has been read.
    int line() const { return myTokenLine; }
    /// Bytes not yet consumed; a cheap upper bound on how many elements
    /// the rest of the file can still hold.
    std::size_t remaining() const { return myText.size() - myPos; }
    const std::string &file() const { return myFile; }

    // Typed reads: each throws GeoFileError naming what was expected.
    double number(const char *what);
    /// A number a float holds: finite and within float range.
    float floatNumber(const char *what);
    long long integer(const char *what);
    /// An integer in [lo, hi].
    long long integer(const char *what, long long lo, long long hi);
    /// A count of elements that each take at least one byte of the rest
    /// of the file; rejects counts the file cannot hold before anyone
    /// allocates for them.
    long long count(const char *what);
    void expect(std::string_view word);
    /// A token in double quotes (\" and \\ escapes) or a bare token.
    std::string quoted(const char *what);

    /// Throws GeoFileError "expected WHAT, found 'TOKEN'" at the current line.
    [[noreturn]] void fail(const std::string &expected, std::string_view found) const;
    [[noreturn]] void failHere(const std::string &message) const;

private:
    void skipSpace(bool cross_lines);

    std::string_view myText;
    std::string myFile;
    std::string myDelims;
    char myComment;
    /// Per byte: kEndsToken for white space, delimiters and the comment
    /// character, kDelimiter for delimiters; one lookup per character.
    static constexpr unsigned char kEndsToken = 1, kDelimiter = 2;
    std::array<unsigned char, 256> myClass{};
    std::size_t myPos = 0;
    int myLine = 1;
    int myTokenLine = 1;
};

/// Parses the whole of s as a number (accepting a leading '+'); false
/// when s is not one.
bool parseNumber(std::string_view s, double &out);
bool parseInteger(std::string_view s, long long &out);

/// Whether v is finite and rounds to a finite float (not beyond float
/// range). Readers refuse other values rather than keep infinities or NaNs.
bool fitsFloat(double v);

/// "expected WHAT (a finite number within float range)": the wording every
/// reader uses when it refuses a value that fitsFloat() rejects.
std::string finiteExpected(const char *what);
