#include "PluginLoader.h"
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

namespace {

/// Every "*.so" file of folder, in name order (none when it cannot be read).
std::vector<std::string> modulesIn(const std::string &folder) {
    std::vector<std::string> out;
    DIR *d = ::opendir(folder.c_str());
    if (!d) return out;
    while (dirent *e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > 3 && n.compare(n.size() - 3, 3, ".so") == 0) out.push_back(folder + "/" + n);
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

typedef void (*NewSopOperatorFn)(OP_OperatorTable *);
typedef void (*StringInfoFn)(const char **);

}  // namespace

std::string programDir() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, static_cast<size_t>(n));
    auto slash = p.find_last_of('/');
    return slash == std::string::npos ? "." : p.substr(0, slash);
}

std::vector<std::string> pluginFiles(const std::vector<std::string> &dsos, const char *search_path,
                                     const std::string &program_dir) {
    if (!dsos.empty()) return dsos;
    std::vector<std::string> out;
    auto addFolder = [&](const std::string &f) {
        for (std::string &m : modulesIn(f)) out.push_back(std::move(m));
    };
    if (search_path && *search_path) {
        std::string path = search_path;
        size_t start = 0;
        while (start <= path.size()) {
            size_t colon = path.find(':', start);
            if (colon == std::string::npos) colon = path.size();
            if (colon > start) addFolder(path.substr(start, colon - start));
            start = colon + 1;
        }
        return out;
    }
    addFolder(program_dir + "/../dso");
    addFolder(program_dir + "/dso");
    return out;
}

void loadPlugins(const std::vector<std::string> &files, OP_OperatorTable &table, std::vector<std::string> &refusals) {
    for (const std::string &f : files) {
        // dlopen searches the library path for names without a slash.
        std::string path = f.find('/') == std::string::npos ? "./" + f : f;
        void *h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h) {
            const char *e = ::dlerror();
            refusals.push_back(f + ": cannot load plug-in: " + (e ? e : "unknown error"));
            continue;
        }
        auto reg = reinterpret_cast<NewSopOperatorFn>(::dlsym(h, "newSopOperator"));
        auto version = reinterpret_cast<StringInfoFn>(::dlsym(h, "HoudiniDSOVersion"));
        auto tag = reinterpret_cast<StringInfoFn>(::dlsym(h, "HoudiniGetTagInfo"));
        if (!reg || !version || !tag) {
            std::string missing;
            if (!reg) missing += " newSopOperator";
            if (!version) missing += " HoudiniDSOVersion";
            if (!tag) missing += " HoudiniGetTagInfo";
            refusals.push_back(f + ": not a surface operator plug-in (missing" + missing + ")");
            ::dlclose(h);
            continue;
        }
        const char *v = nullptr;
        version(&v);
        if (!v || std::strcmp(v, "9.0") != 0) {
            refusals.push_back(f + ": plug-in built for host version " + (v ? std::string(v) : "(none)") +
                               ", this host is 9.0");
            ::dlclose(h);
            continue;
        }
        reg(&table);
    }
}
