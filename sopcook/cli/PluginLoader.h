#pragma once
#include <string>
#include <vector>
#include "OP/OP_OperatorTable.h"

/// The plug-in modules to load: files given with --dso; else every .so in
/// the folders of search_path (colon-separated, e.g. SOPCOOK_DSO_PATH)
/// when it is set; else every .so in <program dir>/../dso and
/// <program dir>/dso. Files of a folder are taken in name order.
std::vector<std::string> pluginFiles(const std::vector<std::string> &dsos, const char *search_path,
                                     const std::string &program_dir);

/// The folder of the running program (from /proc/self/exe), or ".".
std::string programDir();

/// Loads each module and lets it register its operators in table. A module
/// that cannot be opened, lacks newSopOperator, HoudiniDSOVersion or
/// HoudiniGetTagInfo, or whose version is not "9.0" is refused: its
/// message (naming the file) goes to refusals and it is not called.
/// Loaded modules stay loaded for the life of the process.
void loadPlugins(const std::vector<std::string> &files, OP_OperatorTable &table, std::vector<std::string> &refusals);
