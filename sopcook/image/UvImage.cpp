#include "UvImage.h"
#include <algorithm>
#include <cairo-svg.h>
#include <cairo.h>
#include <cmath>
#include <stdexcept>
#include "SvgIds.h"
#include "io/AttribAccess.h"

namespace {

/// The square region of UV space shown, and its mapping to pixels.
struct View {
    double u0 = 0, v0 = 0, extent = 1, size = 1024;
    double x(double u) const { return (u - u0) / extent * size; }
    double y(double v) const { return size - (v - v0) / extent * size; } // v grows upwards
};

View fitView(const GU_Detail &gdp, const TupleSource &uv, int size) {
    double lo[2] = {0, 0}, hi[2] = {1, 1};
    for (const auto &prim : gdp.primitives())
        for (const GEO_Vertex &v : prim->vertices())
            for (int c = 0; c < 2; ++c) {
                double x = cornerValue(uv, v, c);
                if (!std::isfinite(x)) continue;
                lo[c] = std::min(lo[c], x);
                hi[c] = std::max(hi[c], x);
            }
    View view;
    view.size = size;
    double extent = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    double margin = 0.05 * extent;
    view.extent = extent + 2 * margin;
    view.u0 = (lo[0] + hi[0]) / 2 - view.extent / 2;
    view.v0 = (lo[1] + hi[1]) / 2 - view.extent / 2;
    return view;
}

void tracePolygon(cairo_t *cr, const GEO_Primitive &prim, const TupleSource &uv, const View &view) {
    bool first = true;
    for (const GEO_Vertex &v : prim.vertices()) {
        double x = view.x(cornerValue(uv, v, 0)), y = view.y(cornerValue(uv, v, 1));
        if (first) cairo_move_to(cr, x, y);
        else cairo_line_to(cr, x, y);
        first = false;
    }
    if (prim.getPrimitiveId() != GEOPRIMPOLY || static_cast<const GEO_PrimPoly &>(prim).isClosed()) cairo_close_path(cr);
}

void drawLayout(cairo_t *cr, const GU_Detail &gdp, const TupleSource &uv, const View &view, const UvImageOptions &o) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const double px = view.size / 1024.0; // line widths follow the image size
    cairo_rectangle(cr, view.x(0), view.y(1), view.x(1) - view.x(0), view.y(0) - view.y(1));
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.8);
    cairo_set_line_width(cr, 2 * px);
    cairo_stroke(cr);
    const int cd = findFloat3(gdp.primitiveAttribs(), "Cd");
    cairo_set_line_width(cr, 1 * px);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (const auto &prim : gdp.primitives()) {
        if (prim->getVertexCount() < 2) continue;
        tracePolygon(cr, *prim, uv, view);
        if (cd >= 0) cairo_set_source_rgb(cr, prim->getValue<float>(cd, 0), prim->getValue<float>(cd, 1), prim->getValue<float>(cd, 2));
        else cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        cairo_stroke(cr);
    }
    for (const UvPin &pin : o.pins) {
        const GEO_Primitive *prim = gdp.primitives()(pin.prim);
        if (!prim || pin.vertex < 0 || pin.vertex >= static_cast<int>(prim->getVertexCount())) continue;
        const GEO_Vertex &v = prim->getVertex(static_cast<unsigned>(pin.vertex));
        cairo_arc(cr, view.x(cornerValue(uv, v, 0)), view.y(cornerValue(uv, v, 1)), 5 * px, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.9, 0.1, 0.1);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_stroke(cr);
    }
}

cairo_status_t collect(void *closure, const unsigned char *data, unsigned int length) {
    static_cast<std::string *>(closure)->append(reinterpret_cast<const char *>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

std::string drawUvImage(const GU_Detail &gdp, const UvImageOptions &options, bool svg) {
    const std::string name = currentUvName(gdp);
    TupleSource uv = findCornerTuple(gdp, name.c_str(), 2);
    if (!uv.valid()) throw std::runtime_error("the output has no UV attribute '" + name + "' to draw");
    View view = fitView(gdp, uv, options.size);
    std::string bytes;
    cairo_surface_t *surface = svg ? cairo_svg_surface_create_for_stream(collect, &bytes, options.size, options.size)
                                   : cairo_image_surface_create(CAIRO_FORMAT_RGB24, options.size, options.size);
    cairo_t *cr = cairo_create(surface);
    drawLayout(cr, gdp, uv, view, options);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (!svg && status == CAIRO_STATUS_SUCCESS) status = cairo_surface_write_to_png_stream(surface, collect, &bytes);
    cairo_surface_finish(surface); // flushes the SVG stream
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error(std::string("cannot draw: ") + cairo_status_to_string(status));
    if (svg) renumberSurfaceIds(bytes);
    return bytes;
}
