#pragma once
#include <functional>
#include <string>
#include <vector>

/// path with every symbolic link along its last part followed to the file
/// it points at (a link to a missing file gives that file's path); path
/// itself when it is no link. Throws GeoFileError for a loop of links.
std::string followLinks(const std::string &path);

/// How StagedFiles stages.
struct StagingOptions {
    /// Stage each file as an unnamed file of the target's folder (O_TMPFILE)
    /// where the folder's file system takes one, so that no name exists
    /// before the commit; false, or a file system without them, stages in
    /// named ".sopcook-XXXXXX" files beside the targets.
    bool unnamed = true;
};

/// Output files that are replaced together or not at all.
///
/// stage() writes each file's complete contents to a temporary file in its
/// target's folder and flushes it to disk; nothing the user sees changes
/// yet. A target that is a symbolic link is written through to the file it
/// points at (the link stays); an existing target's permission bits (and,
/// where the process may set them, its owner and group) carry over to the
/// new file. commit() then puts every staged file in place of its target.
/// When one of those steps fails, the targets already replaced are put
/// back as they were (their old contents are kept under a second name
/// until the commit is through), so a failed commit leaves every target
/// untouched.
///
/// commit() first takes an exclusive advisory lock (flock) on each folder
/// that holds a target, in a fixed order, so that two runs replacing the
/// same files one after the other never leave one run's file beside the
/// other's. The lock is not on the targets themselves: a lock on a file
/// that is then renamed over stays with the old file, which a later run
/// no longer finds under the name.
///
/// Staged files that were not committed - a failed stage(), an exception,
/// an interruption before commit() - are removed when the object goes.
/// Every failure throws GeoFileError naming the file as given.
class StagedFiles {
public:
    explicit StagedFiles(const StagingOptions &options = {});
    ~StagedFiles();
    StagedFiles(const StagedFiles &) = delete;
    StagedFiles &operator=(const StagedFiles &) = delete;

    /// Throws GeoFileError unless path (followed through symbolic links)
    /// is absent or a regular file the process may write. For the super
    /// user, who may write any file, a file with no write permission bit at
    /// all counts as not to be written, as it does for rm and editors.
    static void checkReplaceable(const std::string &path);

    /// Writes data to a temporary file in the folder of path's target,
    /// after checkReplaceable(path).
    void stage(const std::string &path, const std::string &data);
    /// Takes the folders' locks, waiting for another run to release them;
    /// a signal that stop() (when given) answers true for gives up the
    /// wait: false then, and no lock is held. commit() takes the locks
    /// itself when this was not called.
    bool lock(const std::function<bool()> &stop = {});
    /// Moves every staged file onto its target, all or none, and releases
    /// the locks.
    void commit();
    /// Removes the staged files without touching any target.
    void discard();

private:
    struct Entry {
        std::string path;    ///< the target as given, for messages
        std::string target;  ///< path followed through symbolic links
        int fd = -1;         ///< the unnamed staged file, open until commit()
        std::string temp;    ///< the named staged file (or the unnamed one's name during commit())
        std::string backup;  ///< the target's old contents during commit()
        bool existed = false;
    };
    void place(Entry &e);
    void rollBack(std::size_t replaced);
    void unlock();
    StagingOptions myOptions;
    std::vector<Entry> myEntries;
    std::vector<int> myLocks;
};
