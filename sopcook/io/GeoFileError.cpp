#include "GeoFileError.h"

GeoFileError GeoFileError::atLine(const std::string &file, int line, const std::string &what) {
    if (line <= 0) return ofFile(file, what);
    return GeoFileError(file, line, file + ":" + std::to_string(line) + ": " + what);
}

GeoFileError GeoFileError::atByte(const std::string &file, std::size_t offset, const std::string &what) {
    return GeoFileError(file, 0, file + ": byte " + std::to_string(offset) + ": " + what);
}

GeoFileError GeoFileError::ofFile(const std::string &file, const std::string &what) {
    return GeoFileError(file, 0, file + ": " + what);
}
