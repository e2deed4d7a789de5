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

/// The view of the unit square and of uv's corners (when uv is valid).
View fitView(const GU_Detail &gdp, const TupleSource &uv, int size) {
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

/// A white page with the unit square framed.
void drawFrame(cairo_t *cr, const View &view) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const double px = view.size / 1024.0; // line widths follow the image size
    cairo_rectangle(cr, view.x(0), view.y(1), view.x(1) - view.x(0), view.y(0) - view.y(1));
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.8);
    cairo_set_line_width(cr, 2 * px);
    cairo_stroke(cr);
}

// The words "no layout" as strokes on a grid of 4 by 6 units (y up, the
// letters' bottom at 0): drawn without a font, so that the picture is the
// same wherever it is made.
struct Stroke {
    int count;
    float xy[20];
};
struct Glyph {
    char letter;
    int strokes;
    Stroke s[2];
};
const Glyph kGlyphs[] = {
    {'n', 2, {{2, {0, 0, 0, 4}}, {5, {0, 3, 1, 4, 3, 4, 4, 3, 4, 0}}}},
    {'o', 1, {{9, {1, 0, 3, 0, 4, 1, 4, 3, 3, 4, 1, 4, 0, 3, 0, 1, 1, 0}}}},
    {'l', 2, {{3, {1, 6, 2, 6, 2, 0}}, {2, {1, 0, 3, 0}}}},
    {'a', 2, {{6, {4, 2, 1, 2, 0, 1, 1, 0, 3, 0, 4, 1}}, {4, {0.5f, 4, 3, 4, 4, 3, 4, 0}}}},
    {'y', 2, {{2, {0, 4, 2, 0}}, {2, {4, 4, 1, -2}}}},
    {'u', 2, {{5, {0, 4, 0, 1, 1, 0, 3, 0, 4, 1}}, {2, {4, 4, 4, 0}}}},
    {'t', 2, {{4, {1.5f, 6, 1.5f, 1, 2.5f, 0, 3.5f, 0}}, {2, {0, 4, 3.5f, 4}}}},
};

/// text (of the letters above and spaces) centred on the picture, a
/// third of its width wide.
void drawWords(cairo_t *cr, const std::string &text, double size) {
    const double advance = 6, space = 4;
    double width = -2;
    for (char c : text) width += c == ' ' ? space : advance;
    const double unit = size / 3 / width;
    double x = (size - width * unit) / 2;
    const double base = size / 2 + 2 * unit;
    cairo_set_line_width(cr, 0.7 * unit);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgb(cr, 0.6, 0.1, 0.1);
    for (char c : text) {
        for (const Glyph &g : kGlyphs) {
            if (g.letter != c) continue;
            for (int k = 0; k < g.strokes; ++k) {
                const Stroke &st = g.s[k];
                for (int i = 0; i < st.count; ++i) {
                    double px = x + st.xy[2 * i] * unit, py = base - st.xy[2 * i + 1] * unit;
                    if (i == 0) cairo_move_to(cr, px, py);
                    else cairo_line_to(cr, px, py);
                }
            }
        }
        x += (c == ' ' ? space : advance) * unit;
    }
    cairo_stroke(cr);
}

/// The picture of a cook that made no layout: the frame, the outlines of
/// the UV layer there is (when uv is valid) and the words "no layout".
void drawNoLayout(cairo_t *cr, const GU_Detail &gdp, const TupleSource &uv, const View &view) {
    drawFrame(cr, view);
    if (uv.valid()) {
        cairo_set_line_width(cr, view.size / 1024.0);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
        for (const auto &prim : gdp.primitives()) {
            if (prim->getVertexCount() < 2) continue;
            tracePolygon(cr, *prim, uv, view);
            cairo_stroke(cr);
        }
    }
    drawWords(cr, "no layout", view.size);
}

void drawLayout(cairo_t *cr, const GU_Detail &gdp, const TupleSource &uv, const View &view, const UvImageOptions &o) {
    drawFrame(cr, view);
    const double px = view.size / 1024.0;
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
    const bool layout = uv.valid() && !options.noLayout;
    View view = fitView(gdp, uv, options.size);
    std::string bytes;
    cairo_surface_t *surface = svg ? cairo_svg_surface_create_for_stream(collect, &bytes, options.size, options.size)
                                   : cairo_image_surface_create(CAIRO_FORMAT_RGB24, options.size, options.size);
    cairo_t *cr = cairo_create(surface);
    if (layout) drawLayout(cr, gdp, uv, view, options);
    else drawNoLayout(cr, gdp, uv, view);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (!svg && status == CAIRO_STATUS_SUCCESS) status = cairo_surface_write_to_png_stream(surface, collect, &bytes);
    cairo_surface_finish(surface); // flushes the SVG stream
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error(std::string("cannot draw: ") + cairo_status_to_string(status));
    if (svg) {
        renumberSurfaceIds(bytes);
        // The words are strokes; a title says them to readers of the file.
        const size_t open = bytes.find("<svg");
        const size_t end = open == std::string::npos ? open : bytes.find('>', open);
        if (!layout && end != std::string::npos) bytes.insert(end + 1, "\n<title>no layout</title>");
    }
    return bytes;
}
