#include "UvImage.h"
#include <algorithm>
#include <cairo-svg.h>
#include <cairo.h>
#include <cmath>
#include <stdexcept>
#include "StretchLegend.h"
#include "StrokeText.h"
#include "SvgIds.h"
#include "UvEdges.h"
#include "UvView.h"
#include "io/AttribAccess.h"

namespace {

/// A white page with the unit square framed.
void drawFrame(cairo_t *cr, const UvView &view) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const double px = view.side / 1024.0;  // line widths follow the image size
    cairo_rectangle(cr, view.x(0), view.y(1), view.x(1) - view.x(0), view.y(0) - view.y(1));
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.8);
    cairo_set_line_width(cr, 2 * px);
    cairo_stroke(cr);
}

bool finiteCorners(const GEO_Primitive &prim, const TupleSource &uv) {
    for (const GEO_Vertex &v : prim.vertices())
        if (!std::isfinite(cornerValue(uv, v, 0)) || !std::isfinite(cornerValue(uv, v, 1))) return false;
    return true;
}

void tracePolygon(cairo_t *cr, const GEO_Primitive &prim, const TupleSource &uv, const UvView &view) {
    bool first = true;
    for (const GEO_Vertex &v : prim.vertices()) {
        double x = view.x(cornerValue(uv, v, 0)), y = view.y(cornerValue(uv, v, 1));
        if (first)
            cairo_move_to(cr, x, y);
        else
            cairo_line_to(cr, x, y);
        first = false;
    }
    if (prim.getPrimitiveId() != GEOPRIMPOLY || static_cast<const GEO_PrimPoly &>(prim).isClosed())
        cairo_close_path(cr);
}

/// text (letters StrokeText knows, and spaces) centred on a size by size
/// picture, a third of its width wide.
void drawWords(cairo_t *cr, const std::string &text, double size) {
    const double width = strokeTextWidth(text);
    const double unit = size / 3 / width;
    cairo_new_path(cr);
    traceStrokeText(cr, text, (size - width * unit) / 2, size / 2 + 2 * unit, unit);
    cairo_set_line_width(cr, 0.7 * unit);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgb(cr, 0.6, 0.1, 0.1);
    cairo_stroke(cr);
}

/// The picture of a cook that made no layout: the frame, the outlines of
/// the UV layer there is (when uv is valid) and the words "no layout".
void drawNoLayout(cairo_t *cr, const GU_Detail &gdp, const TupleSource &uv, const UvView &view) {
    drawFrame(cr, view);
    if (uv.valid()) {
        cairo_set_line_width(cr, view.side / 1024.0);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
        for (const auto &prim : gdp.primitives()) {
            if (prim->getVertexCount() < 2) continue;
            tracePolygon(cr, *prim, uv, view);
            cairo_stroke(cr);
        }
    }
    drawWords(cr, "no layout", view.side);
}

/// Each polygon filled with its primitive "Cd", grey without one. Without
/// antialiasing, so that neighbours tile the page exactly: antialiased
/// fills let the white page show through along every shared edge, which on
/// a dense layout tints the whole fill.
void fillPolygons(cairo_t *cr, const GU_Detail &gdp, const TupleSource &uv, const UvView &view) {
    const int cd = findFloat3(gdp.primitiveAttribs(), "Cd");
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (const auto &prim : gdp.primitives()) {
        if (prim->getVertexCount() < 2 || !finiteCorners(*prim, uv)) continue;
        tracePolygon(cr, *prim, uv, view);
        if (cd >= 0)
            cairo_set_source_rgb(cr, prim->getValue<float>(cd, 0), prim->getValue<float>(cd, 1),
                                 prim->getValue<float>(cd, 2));
        else
            cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
        cairo_fill(cr);
    }
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
}

/// The opacity of an inner edge length pixels long drawn width pixels wide.
double edgeOpacity(double length, double width) {
    const double w = std::max(1.0, width);
    return std::clamp((length - kEdgeFadeFrom * w) / ((kEdgeFadeTo - kEdgeFadeFrom) * w), 0.0, 1.0);
}

/// The inner edges, faded by their length on the picture, and then the
/// seams over them.
void strokeEdges(cairo_t *cr, const std::vector<UvEdge> &edges, const UvView &view, double px) {
    // Edges of about the same opacity go into one path: far fewer strokes,
    // and crossings within a path do not darken each other.
    const int levels = 8;
    std::vector<std::vector<size_t>> byLevel(levels + 1);
    for (size_t i = 0; i < edges.size(); ++i) {
        const UvEdge &e = edges[i];
        if (e.seam) continue;
        const double length = std::hypot(e.u1 - e.u0, e.v1 - e.v0) * view.scale();
        const int level = static_cast<int>(std::lround(edgeOpacity(length, px) * levels));
        if (level > 0) byLevel[level].push_back(i);
    }
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    auto trace = [&](const UvEdge &e) {
        cairo_move_to(cr, view.x(e.u0), view.y(e.v0));
        cairo_line_to(cr, view.x(e.u1), view.y(e.v1));
    };
    cairo_set_line_width(cr, px);
    for (int level = 1; level <= levels; ++level) {
        if (byLevel[level].empty()) continue;
        for (size_t i : byLevel[level]) trace(edges[i]);
        cairo_set_source_rgba(cr, 0.1, 0.1, 0.1, static_cast<double>(level) / levels);
        cairo_stroke(cr);
    }
    for (const UvEdge &e : edges)
        if (e.seam) trace(e);
    cairo_set_line_width(cr, 2.5 * px);
    cairo_set_source_rgb(cr, kSeamColour[0], kSeamColour[1], kSeamColour[2]);
    cairo_stroke(cr);
}

void drawPins(cairo_t *cr, const GU_Detail &gdp, const TupleSource &uv, const UvView &view,
              const std::vector<UvPin> &pins, double px) {
    cairo_set_line_width(cr, px);
    for (const UvPin &pin : pins) {
        const GEO_Primitive *prim = gdp.primitives()(pin.prim);
        if (!prim || pin.vertex < 0 || pin.vertex >= static_cast<int>(prim->getVertexCount())) continue;
        const GEO_Vertex &v = prim->getVertex(static_cast<unsigned>(pin.vertex));
        const double x = view.x(cornerValue(uv, v, 0)), y = view.y(cornerValue(uv, v, 1));
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        cairo_new_sub_path(cr);
        cairo_arc(cr, x, y, 5 * px, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.9, 0.1, 0.1);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_stroke(cr);
    }
}

void drawLayout(cairo_t *cr, const GU_Detail &gdp, const TupleSource &uv, const UvView &view, const UvImageOptions &o) {
    drawFrame(cr, view);
    const double px = o.size / 1024.0;
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    fillPolygons(cr, gdp, uv, view);
    strokeEdges(cr, uvEdges(gdp, uv), view, px);
    drawPins(cr, gdp, uv, view, o.pins, px);
    if (o.stretchLegend) drawStretchLegend(cr, o.size);
}

cairo_status_t collect(void *closure, const unsigned char *data, unsigned int length) {
    static_cast<std::string *>(closure)->append(reinterpret_cast<const char *>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string drawUvImage(const GU_Detail &gdp, const UvImageOptions &options, bool svg) {
    const std::string name = currentUvName(gdp);
    TupleSource uv = findCornerTuple(gdp, name.c_str(), 2);
    const bool layout = uv.valid() && !options.noLayout;
    const double band = layout && options.stretchLegend ? stretchLegendBand(options.size) : 0;
    const UvView view = fitUvView(gdp, uv, options.size, band);
    std::string bytes;
    cairo_surface_t *surface = svg ? cairo_svg_surface_create_for_stream(collect, &bytes, options.size, options.size)
                                   : cairo_image_surface_create(CAIRO_FORMAT_RGB24, options.size, options.size);
    cairo_t *cr = cairo_create(surface);
    if (layout)
        drawLayout(cr, gdp, uv, view, options);
    else
        drawNoLayout(cr, gdp, uv, view);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (!svg && status == CAIRO_STATUS_SUCCESS) status = cairo_surface_write_to_png_stream(surface, collect, &bytes);
    cairo_surface_finish(surface);  // flushes the SVG stream
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(std::string("cannot draw: ") + cairo_status_to_string(status));
    if (svg) {
        renumberSurfaceIds(bytes);
        const size_t open = bytes.find("<svg");
        const size_t end = open == std::string::npos ? open : bytes.find('>', open);
        // Cairo writes fills as paths styled "stroke:none; ...": viewers are
        // told to draw them without antialiasing, as the PNG is, so that a
        // dense layout does not show the page through its shared edges.
        if (end != std::string::npos)
            bytes.insert(end + 1, "\n<style>path[style*=\"stroke:none\"]{shape-rendering:crispEdges}</style>");
        // The words are strokes; a title says them to readers of the file.
        if (!layout && end != std::string::npos) bytes.insert(end + 1, "\n<title>no layout</title>");
    }
    return bytes;
}
