#pragma once
#include <cstddef>
#include <stdexcept>
#include <string>

/// A geometry file that cannot be read or written. what() reads
/// "FILE:LINE: expected WHAT" for text, "FILE: byte N: ..." for binary
/// data, or "FILE: ..." when no place applies.
class GeoFileError : public std::runtime_error {
public:
    /// An error at a line (1-based) of a text file; line 0 means no line.
    static GeoFileError atLine(const std::string &file, int line, const std::string &what);
    /// An error at a byte offset of binary data.
    static GeoFileError atByte(const std::string &file, std::size_t offset, const std::string &what);
    /// An error about the whole file (opening, writing, unknown extension).
    static GeoFileError ofFile(const std::string &file, const std::string &what);

    const std::string &file() const { return myFile; }
    int line() const { return myLine; }

private:
    GeoFileError(std::string file, int line, const std::string &message)
        : std::runtime_error(message), myFile(std::move(file)), myLine(line) {}
    std::string myFile;
    int myLine = 0;
};
