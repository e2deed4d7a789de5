#include "CookRun.h"
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include "ButtonPress.h"
#include "CommandLine.h"
#include "CookWatch.h"
#include "NodeMessages.h"
#include "ParmListing.h"
#include "ParmSetter.h"
#include "PinParms.h"
#include "PluginLoader.h"
#include "SOP/SOP_Node.h"
#include "UsageError.h"
#include "image/UvImage.h"
#include "io/GeoFileError.h"
#include "io/GeometryFile.h"
#include "io/StagedFiles.h"

namespace {

/// The operator table, filled from the plug-ins the command line names.
void loadTable(const CommandLine &cl, OP_OperatorTable &table, std::ostream &err) {
    std::vector<std::string> files = pluginFiles(cl.dsos, std::getenv("SOPCOOK_DSO_PATH"), programDir());
    std::vector<std::string> refusals;
    loadPlugins(files, table, refusals);
    for (const std::string &r : refusals) err << "sopcook: " << r << "\n";
    if (table.getNumOperators() == 0) err << "sopcook: no operator types loaded (looked at " << files.size() << " modules)\n";
    // A refused module the user named is a failure of this run.
    if (!cl.dsos.empty() && !refusals.empty()) throw UsageError("a plug-in given with --dso was refused");
}

OP_Operator &requireOperator(const OP_OperatorTable &table, const std::string &name) {
    OP_Operator *op = table.getOperator(name.c_str());
    if (!op) throw UsageError("unknown operator '" + name + "' (sopcook --list shows the loaded ones)");
    return *op;
}

/// The output files of the run, for messages.
std::string outputNames(const CommandLine &cl) {
    return cl.uvImage.empty() ? cl.output : cl.output + " and " + cl.uvImage;
}

/// The UV picture of result as the command line asks for it.
std::string drawImage(const CommandLine &cl, SOP_Node &node, const GU_Detail &result) {
    UvImageOptions o;
    o.size = cl.imageSize;
    o.pins = enabledPins(node, cl.time);
    bool svg = cl.uvImage.size() >= 4 && cl.uvImage.substr(cl.uvImage.size() - 4) == ".svg";
    try {
        return drawUvImage(result, o, svg);
    } catch (const std::runtime_error &e) {
        throw GeoFileError::ofFile(cl.uvImage, e.what());
    }
}

/// Cooks the node the command line describes and writes its results.
int cookAndWrite(const CommandLine &cl, OP_Operator &op, std::ostream &out, std::ostream &err) {
    GU_Detail input;
    std::vector<std::string> notes;
    readGeometryFile(cl.input, input, notes);
    for (const std::string &n : notes) err << "sopcook: " << n << "\n";

    OP_Network root(nullptr, "obj", nullptr);
    OP_Node *made = root.createNode(&op, op.getName());
    auto *node = dynamic_cast<SOP_Node *>(made);
    if (!node) throw UsageError("operator '" + cl.operatorName + "' did not make a surface operator node");
    node->setInput(0, &input);
    applySettings(*node, cl.parms, cl.keys);
    for (const std::string &b : cl.presses) requireButton(*node, b);

    OP_Context context(cl.time);
    // Ctrl-C from here on stops the cook and keeps every output as it was.
    CookWatch watch(err, ::isatty(STDERR_FILENO) == 1);
    auto stopped = [&]() {
        if (watch.interrupted()) err << "sopcook: interrupted; " << outputNames(cl) << " not changed\n";
        return watch.interrupted();
    };
    OP_ERROR severity = node->cook(context);
    watch.clearBar();
    printMessages(err, *node);
    if (stopped()) return watch.exitStatus();
    if (severity >= UT_ERROR_ABORT) {
        err << "sopcook: the cook failed; " << outputNames(cl) << " not changed\n";
        return 1;
    }
    const GU_Detail *result = node->getCookedGeo();
    if (!result) throw UsageError("the node gave no geometry");
    notes.clear();
    // Every output is made and staged beside its target before any of them
    // changes; the commit then replaces them together, so a failure or
    // Ctrl-C up to that point leaves all of them as they were.
    StagedFiles files;
    try {
        files.stage(cl.output, formatGeometry(cl.output, *result, notes, WriteOptions{.sourcePath = cl.input}));
        if (!cl.uvImage.empty()) files.stage(cl.uvImage, drawImage(cl, *node, *result));
        if (stopped()) return watch.exitStatus();
        files.commit();
    } catch (const GeoFileError &e) {
        err << "sopcook: " << e.what() << "\n";
        err << "sopcook: " << outputNames(cl) << " not changed\n";
        return 2;
    }
    for (const std::string &n : notes) err << "sopcook: " << cl.output << ": " << n << "\n";
    for (const std::string &b : cl.presses)
        for (const std::string &arg : pressAndDiff(*node, b, cl.time)) out << arg << "\n";
    return 0;
}

} // namespace

int runSopcook(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
    try {
        CommandLine cl = parseCommandLine(args);
        if (cl.help) {
            out << usageText();
            return 0;
        }
        OP_OperatorTable table;
        loadTable(cl, table, err);
        if (cl.list) {
            printOperators(out, table);
            return 0;
        }
        if (!cl.describe.empty()) {
            printParameters(out, requireOperator(table, cl.describe));
            return 0;
        }
        OP_Operator &op = requireOperator(table, cl.operatorName);
        // An output of unknown format is refused before any work is done.
        if (formatForPath(cl.output) == GeoFormat::Unknown)
            throw GeoFileError::ofFile(cl.output, "unknown geometry format (use .geo, .obj, .off or .ply)");
        return cookAndWrite(cl, op, out, err);
    } catch (const UsageError &e) {
        err << "sopcook: " << e.what() << "\n";
        if (args.empty()) err << usageText();
        return 2;
    } catch (const GeoFileError &e) {
        err << "sopcook: " << e.what() << "\n";
        return 2;
    } catch (const std::exception &e) {
        err << "sopcook: " << e.what() << "\n";
        return 2;
    }
}
