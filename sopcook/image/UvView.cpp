#include "UvView.h"
#include <algorithm>
#include <cmath>

UvView fitUvView(const GU_Detail &gdp, const TupleSource &uv, int size, double band) {
    double lo[2] = {0, 0}, hi[2] = {1, 1};
    if (uv.valid())
        for (const auto &prim : gdp.primitives())
            for (const GEO_Vertex &v : prim->vertices())
                for (int c = 0; c < 2; ++c) {
                    double x = cornerValue(uv, v, c);
                    if (!std::isfinite(x)) continue;
                    lo[c] = std::min(lo[c], x);
                    hi[c] = std::max(hi[c], x);
                }
    UvView view;
    view.side = std::max(1.0, size - band);
    view.left = (size - view.side) / 2;
    view.top = 0;
    double extent = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    double margin = 0.05 * extent;
    view.extent = extent + 2 * margin;
    view.u0 = (lo[0] + hi[0]) / 2 - view.extent / 2;
    view.v0 = (lo[1] + hi[1]) / 2 - view.extent / 2;
    return view;
}
