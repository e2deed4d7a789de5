#pragma once
#include <string>

/// The whole contents of a file; throws GeoFileError when it cannot be
/// opened or read (or is not a regular file).
std::string readWholeFile(const std::string &path);

/// Writes data to path through a temporary file in the same folder that
/// is renamed over path only when every byte was written, so that path
/// is either the old file or the complete new one (flushed to disk before
/// the rename). Throws GeoFileError. StagedFiles does this for several
/// files that must change together.
void writeFileAtomically(const std::string &path, const std::string &data);
