#include "OutputChecks.h"
#include <sys/stat.h>
#include "io/GeoFileError.h"
#include "io/StagedFiles.h"

namespace {

/// Which file path stands for: its device and inode, or for a file not
/// there yet its folder's and its name. Empty name and zero ids when not
/// even the folder is there.
struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    std::string leaf;
    bool known = false;
    bool operator==(const FileId &o) const {
        return known && o.known && dev == o.dev && ino == o.ino && leaf == o.leaf;
    }
};

FileId idOf(const std::string &path) {
    const std::string target = followLinks(path);
    FileId id;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.known = true;
        return id;
    }
    auto slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    if (::stat(folder.c_str(), &st) != 0) return id;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.leaf = slash == std::string::npos ? target : target.substr(slash + 1);
    id.known = true;
    return id;
}

}  // namespace

void refuseLosingOutputs(const CommandLine &cl) {
    const FileId input = idOf(cl.input), output = idOf(cl.output);
    if (output == input) throw GeoFileError::ofFile(cl.output, "is the same file as the input " + cl.input + "");
    if (!cl.uvImage.empty()) {
        const FileId picture = idOf(cl.uvImage);
        if (picture == input) throw GeoFileError::ofFile(cl.uvImage, "is the same file as the input " + cl.input + "");
        if (picture == output)
            throw GeoFileError::ofFile(cl.uvImage, "is the same file as the output " + cl.output + "");
        StagedFiles::checkReplaceable(cl.uvImage);
    }
    StagedFiles::checkReplaceable(cl.output);
}
