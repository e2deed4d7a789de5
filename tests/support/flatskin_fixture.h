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

namespace fs_test {

/// A grid of nx by ny quads over [x0, x0 + sx] x [y0, y0 + sy], z = f(x, y).
inline void makeGrid(GU_Detail &g, int nx, int ny, float sx = 1, float sy = 1,
                     std::function<float(float, float)> f = nullptr, float x0 = 0, float y0 = 0) {
    int base = g.points().entries();
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            float x = x0 + sx * i / nx, y = y0 + sy * j / ny;
            g.appendPoint(UT_Vector4(x, y, f ? f(x, y) : 0.0f, 1));
        }
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            int a = base + j * (nx + 1) + i;
            int q[4] = {a, a + 1, a + nx + 2, a + nx + 1};
            g.appendPoly(q, 4);
        }
}

/// An open tube of quads: n around (radius r), m along z (length len).
/// Point (i, j) is number j * n + i; quad (i, j) is primitive j * n + i.
inline void makeTube(GU_Detail &g, int n, int m, float r = 1, float len = 2) {
    for (int j = 0; j <= m; ++j)
        for (int i = 0; i < n; ++i) {
            float a = 2.0f * float(M_PI) * i / n;
            g.appendPoint(UT_Vector4(r * std::cos(a), r * std::sin(a), len * j / m, 1));
        }
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
            int q[4] = {j * n + i, j * n + (i + 1) % n, (j + 1) * n + (i + 1) % n, (j + 1) * n + i};
            g.appendPoly(q, 4);
        }
}

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

} // namespace fs_test
