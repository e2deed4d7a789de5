#pragma once
// Builds meshes, runs the node through the host kit, and reads results.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <OP/OP_Context.h>
#include <OP/OP_Network.h>
#include <OP/OP_Operator.h>
#include "node/SOP_Flatskin.h"
#include "support/test_meshes.h"

namespace fs_test {

using test_meshes::addPoly;
using test_meshes::makeGrid;
using test_meshes::makeTube;

/// A node of the flatskin type inside a network, with `input` as input 0.
struct Unwrap {
    OP_Operator op{"flatskin", "Flatskin", SOP_Flatskin::myConstructor, SOP_Flatskin::myTemplateList, 1, 1};
    OP_Network net{nullptr, "obj", nullptr};
    SOP_Flatskin *node = nullptr;
    GU_Detail input;

    Unwrap() {
        node = static_cast<SOP_Flatskin *>(net.createNode(&op, "flatskin1"));
        node->setInput(0, &input);
    }
    OP_ERROR cook(float t = 0) {
        OP_Context ctx(t);
        return node->cook(ctx);
    }
    GU_Detail &out() { return *node->getCookedGeo(); }

    /// Adds a pin instance on vertex q of primitive p at (u, v).
    void addPin(int p, int q, float u, float v, bool enabled = true) {
        int j = node->evalInt("npins", 0, 0) + 1;
        node->setInt("npins", 0, j);
        std::string s = std::to_string(j);
        node->setInt(("enable" + s).c_str(), 0, enabled);
        node->setInt(("pin" + s).c_str(), 0, p);
        node->setInt(("pin" + s).c_str(), 1, q);
        node->setFloat(("pinuv" + s).c_str(), 0, u);
        node->setFloat(("pinuv" + s).c_str(), 1, v);
    }
    /// Whether a message with this text was recorded in the last cook.
    bool said(const std::string &text, int code = -1) const {
        for (const auto &m : node->messages())
            if (m.text == text && (code < 0 || m.code == code)) return true;
        return false;
    }
    /// The output's uv (u, v) at vertex q of primitive p; NaN when absent.
    std::pair<double, double> uv(int p, int q, const char *name = "uv") {
        int off = out().vertexAttribs().getOffset(name, 12, GB_ATTRIB_FLOAT);
        if (off < 0) return {NAN, NAN};
        const GEO_Vertex &v = out().primitives()(p)->getVertex(q);
        return {v.getValue<float>(off, 0), v.getValue<float>(off, 1)};
    }
};

/// The complex ratio (c - a) / (b - a) of three planar points.
inline std::pair<double, double> ratio(double ax, double ay, double bx, double by, double cx, double cy) {
    double ux = bx - ax, uy = by - ay, wx = cx - ax, wy = cy - ay;
    double d = ux * ux + uy * uy;
    return {(wx * ux + wy * uy) / d, (wy * ux - wx * uy) / d};
}

/// Signed area of a UV triangle.
inline double signedArea(std::pair<double, double> a, std::pair<double, double> b, std::pair<double, double> c) {
    return 0.5 * ((b.first - a.first) * (c.second - a.second) - (c.first - a.first) * (b.second - a.second));
}

}  // namespace fs_test
