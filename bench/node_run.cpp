// The cook through the host kit, as a host runs it: an operator, a network,
// a node of the flatskin type with the mesh as input 0, then cook().
#include "bench.h"

#include "node/SOP_Flatskin.h"

#include <OP/OP_Context.h>
#include <OP/OP_Network.h>
#include <OP/OP_Operator.h>

#include <algorithm>

namespace bench {

NodeRun cookNode(const GU_Detail &input, const std::string &seams, int solver, int repeats) {
    NodeRun run;
    OP_Operator op("flatskin", "Flatskin", SOP_Flatskin::myConstructor, SOP_Flatskin::myTemplateList, 1, 1);
    OP_Network net(nullptr, "obj", nullptr);
    auto *node = static_cast<SOP_Flatskin *>(net.createNode(&op, "flatskin1"));
    node->setInput(0, &input);
    node->setString("seams", 0, seams.c_str());
    node->setInt("solver", 0, solver);
    std::vector<double> times;
    for (int r = 0; r < std::max(1, repeats); ++r) {
        // A changed time makes every cook a full one.
        OP_Context ctx(static_cast<float>(r));
        const double t = nowMs();
        const OP_ERROR e = node->cook(ctx);
        times.push_back(nowMs() - t);
        run.ok = e < UT_ERROR_ABORT;
        for (const auto &m : node->messages())
            if (m.text.find("No solution") != std::string::npos) run.ok = false;
    }
    std::sort(times.begin(), times.end());
    run.ms = times[times.size() / 2];
    if (run.ok) run.quality = measureQuality(*node->getCookedGeo());
    return run;
}

}  // namespace bench
