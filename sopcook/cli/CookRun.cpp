#include "CookRun.h"
#include <chrono>
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include "ButtonPress.h"
#include "ChainParms.h"
#include "CommandLine.h"
#include "CookWatch.h"
#include "NodeMessages.h"
#include "OutputChecks.h"
#include "ParmListing.h"
#include "ParmSetter.h"
#include "ParmText.h"
#include "PinParms.h"
#include "PluginLoader.h"
#include "SOP/SOP_Node.h"
#include "SolverNote.h"
#include "StageReport.h"
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
    if (table.getNumOperators() == 0)
        err << "sopcook: no operator types loaded (looked at " << files.size() << " modules)\n";
    // A refused module the user named is a failure of this run.
    if (!cl.dsos.empty() && !refusals.empty()) throw UsageError("a plug-in given with --dso was refused");
}

/// The operators of a chain, in order; throws UsageError for an unknown one.
std::vector<const OP_Operator *> requireOperators(const OP_OperatorTable &table,
                                                  const std::vector<std::string> &names) {
    std::vector<const OP_Operator *> ops;
    for (const std::string &name : names) {
        const OP_Operator *op = table.getOperator(name.c_str());
        if (!op) throw UsageError("unknown operator '" + name + "' (sopcook --list shows the loaded ones)");
        ops.push_back(op);
    }
    return ops;
}

/// Flushes out; 0, or 2 with a message when anything written to it was
/// lost (a full disk, a closed pipe).
int finishOutput(std::ostream &out, std::ostream &err) {
    out.flush();
    if (out) return 0;
    err << "sopcook: cannot write to standard output\n";
    return 2;
}

/// The output files of the run, for messages.
std::string outputNames(const CommandLine &cl) {
    return cl.uvImage.empty() ? cl.output : cl.output + " and " + cl.uvImage;
}

/// The UV picture of result as the command line asks for it, with the pins
/// of node; a "no layout" picture when no_layout.
std::string drawImage(const CommandLine &cl, SOP_Node &node, const GU_Detail &result, bool no_layout) {
    UvImageOptions o;
    o.size = cl.imageSize;
    o.pins = enabledPins(node, cl.time);
    o.noLayout = no_layout;
    o.stretchLegend = node.findParm("vizstretch") && node.evalInt("vizstretch", 0, cl.time) != 0;
    bool svg = cl.uvImage.size() >= 4 && cl.uvImage.substr(cl.uvImage.size() - 4) == ".svg";
    try {
        return drawUvImage(result, o, svg);
    } catch (const std::runtime_error &e) {
        throw GeoFileError::ofFile(cl.uvImage, e.what());
    }
}

/// The nodes of a chain, made in one network, with their settings applied.
struct Chain {
    OP_Network root{nullptr, "obj", nullptr};
    std::vector<const OP_Operator *> ops;
    std::vector<SOP_Node *> nodes;
    /// "OPERATOR: " before what node i says when the chain has several
    /// nodes; "" for one, whose messages read as they always have.
    std::string speaker(size_t i) const { return ops.size() > 1 ? std::string(ops[i]->getName()) + ": " : ""; }
};

void makeNodes(Chain &chain, const CommandLine &cl) {
    std::vector<NodeSettings> settings = routeSettings(chain.ops, cl);
    for (size_t i = 0; i < chain.ops.size(); ++i) {
        auto *op = const_cast<OP_Operator *>(chain.ops[i]);
        auto *node = dynamic_cast<SOP_Node *>(chain.root.createNode(op, op->getName()));
        if (!node)
            throw UsageError("operator '" + std::string(op->getName()) + "' did not make a surface operator node");
        try {
            applySettings(*node, settings[i].parms, settings[i].keys);
            for (const std::string &b : settings[i].presses) requireButton(*node, b);
        } catch (const UsageError &e) {
            throw UsageError(chain.speaker(i) + e.what());
        }
        chain.nodes.push_back(node);
    }
}

/// Cooks the chain the command line describes and writes its results.
int cookAndWrite(const CommandLine &cl, Chain &chain, std::ostream &out, std::ostream &err) {
    // Installed first, so that it sees the read and every cook.
    std::unique_ptr<StageRecorder> recorder = cl.stages ? std::make_unique<StageRecorder>() : nullptr;
    GU_Detail input;
    std::vector<std::string> notes;
    {
        StageRecorder::Scope stage(recorder.get(), "read");
        readGeometryFile(cl.input, input, notes);
    }
    for (const std::string &n : notes) err << "sopcook: " << n << "\n";
    makeNodes(chain, cl);

    OP_Context context(cl.time);
    // Ctrl-C from here on stops the cook and keeps every output as it was.
    CookWatch watch(err, ::isatty(STDERR_FILENO) == 1);
    auto stopped = [&]() {
        if (watch.interrupted()) err << "sopcook: interrupted; " << outputNames(cl) << " not changed\n";
        return watch.interrupted();
    };
    // Each node cooks the output of the one before, in memory.
    const GU_Detail *geo = &input;
    bool noLayout = false, lastNoLayout = false;
    for (size_t i = 0; i < chain.nodes.size(); ++i) {
        SOP_Node &node = *chain.nodes[i];
        node.setInput(0, geo);
        const auto start = std::chrono::steady_clock::now();
        OP_ERROR severity = node.cook(context);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        watch.clearBar();
        printMessages(err, node, chain.speaker(i));
        if (stopped()) return watch.exitStatus();
        if (severity >= UT_ERROR_ABORT) {
            err << "sopcook: "
                << (chain.nodes.size() > 1 ? "the cook of " + std::string(chain.ops[i]->getName()) : "the cook")
                << " failed; " << outputNames(cl) << " not changed\n";
            return 1;
        }
        std::string note = slowSolverNote(node, cl.time, took.count(), parmAddress(chain.ops, i, "solver"));
        if (!note.empty()) err << "sopcook: " << note << "\n";
        lastNoLayout = warnedNoLayout(node);
        noLayout = noLayout || lastNoLayout;
        geo = node.getCookedGeo();
        if (!geo) throw UsageError("the node gave no geometry");
    }
    if (cl.strict && noLayout) {
        err << "sopcook: --strict: no layout was made; " << outputNames(cl) << " not changed\n";
        return 1;
    }
    notes.clear();
    // Every output is made and staged beside its target before any of them
    // changes; the commit then replaces them together, so a failure or
    // Ctrl-C up to that point leaves all of them as they were.
    StagedFiles files;
    try {
        {
            StageRecorder::Scope stage(recorder.get(), "write");
            files.stage(cl.output, formatGeometry(cl.output, *geo, notes, WriteOptions{.sourcePath = cl.input}));
        }
        if (!cl.uvImage.empty()) {
            StageRecorder::Scope stage(recorder.get(), "picture");
            files.stage(cl.uvImage, drawImage(cl, *chain.nodes.back(), *geo, lastNoLayout));
        }
        if (stopped()) return watch.exitStatus();
        // Another run writing the same folders commits first; a signal
        // ends the wait.
        const bool locked = files.lock([&]() { return watch.interrupted(); });
        if (stopped() || !locked) return watch.exitStatus();
        // The renames of the commit go through together: a signal that
        // comes meanwhile is taken once they are done.
        HeldSignals held;
        files.commit();
    } catch (const GeoFileError &e) {
        err << "sopcook: " << e.what() << "\n";
        err << "sopcook: " << outputNames(cl) << " not changed\n";
        return 2;
    }
    if (watch.interrupted()) {
        err << "sopcook: interrupted after " << outputNames(cl) << " were written\n";
        return watch.exitStatus();
    }
    for (const std::string &n : notes) err << "sopcook: " << cl.output << ": " << n << "\n";
    if (recorder) printStageTable(out, recorder->stages());
    std::string name;
    for (const std::string &b : cl.presses) {
        size_t i = routeParm(chain.ops, b, name);
        for (const ParmSetting &s : pressAndDiff(*chain.nodes[i], name, cl.time))
            out << "-p " << shellQuote(parmAddress(chain.ops, i, s.name) + "=" + s.value) << "\n";
    }
    return finishOutput(out, err);
}

}  // namespace

int runSopcook(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
    try {
        CommandLine cl = parseCommandLine(args);
        if (cl.help) {
            out << helpText();
            return finishOutput(out, err);
        }
        OP_OperatorTable table;
        loadTable(cl, table, err);
        if (cl.list) {
            printOperators(out, table);
            return finishOutput(out, err);
        }
        if (!cl.describe.empty()) {
            for (const OP_Operator *op : requireOperators(table, cl.describe)) printParameters(out, *op);
            return finishOutput(out, err);
        }
        Chain chain;
        chain.ops = requireOperators(table, cl.chain);
        // An output of unknown format is refused before any work is done.
        if (formatForPath(cl.output) == GeoFormat::Unknown)
            throw GeoFileError::ofFile(cl.output,
                                       "unknown geometry format (use .geo, .obj, .off, .ply, .gltf or .glb)");
        try {
            refuseLosingOutputs(cl);
        } catch (const GeoFileError &e) {
            err << "sopcook: " << e.what() << "\n";
            err << "sopcook: " << outputNames(cl) << " not changed\n";
            return 2;
        }
        return cookAndWrite(cl, chain, out, err);
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
