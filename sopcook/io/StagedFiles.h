#pragma once
#include <string>
#include <vector>

/// Output files that are replaced together or not at all.
///
/// stage() writes each file's complete contents to a temporary file beside
/// its target and flushes it to disk; nothing the user sees changes yet.
/// commit() then renames every temporary over its target. When one of
/// those renames fails, the targets already replaced are put back as they
/// were (their old contents are kept under a second name until the commit
/// is through), so a failed commit leaves every target untouched.
///
/// Temporaries that were not committed - a failed stage(), an exception,
/// an interruption before commit() - are removed when the object goes.
/// Every failure throws GeoFileError naming the file.
class StagedFiles {
public:
    StagedFiles() = default;
    ~StagedFiles();
    StagedFiles(const StagedFiles &) = delete;
    StagedFiles &operator=(const StagedFiles &) = delete;

    /// Writes data to a temporary file in path's folder.
    void stage(const std::string &path, const std::string &data);
    /// Moves every staged file onto its target, all or none.
    void commit();
    /// Removes the temporaries without touching any target.
    void discard();

private:
    struct Entry {
        std::string path;   ///< the target
        std::string temp;   ///< the staged contents
        std::string backup; ///< the target's old contents during commit()
        bool existed = false;
    };
    void rollBack(std::size_t replaced);
    std::vector<Entry> myEntries;
};
