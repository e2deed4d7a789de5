// The UV picture drawn in-process: the same bytes every time, the asked
// size, and the pixels where the fill, the strokes and the legend must be.
#include <cairo.h>
#include <gtest/gtest.h>
#include <array>
#include <cstring>
#include "image/StretchLegend.h"
#include "image/UvImage.h"
#include "image/UvView.h"

namespace {

/// A picture decoded from PNG bytes.
struct Picture {
    cairo_surface_t *surface = nullptr;
    explicit Picture(const std::string &png) {
        struct Reader {
            const std::string *bytes;
            size_t at = 0;
        } reader{&png};
        surface = cairo_image_surface_create_from_png_stream(
            [](void *closure, unsigned char *data, unsigned int length) {
                auto *r = static_cast<Reader *>(closure);
                if (r->at + length > r->bytes->size()) return CAIRO_STATUS_READ_ERROR;
                std::memcpy(data, r->bytes->data() + r->at, length);
                r->at += length;
                return CAIRO_STATUS_SUCCESS;
            },
            &reader);
    }
    ~Picture() { cairo_surface_destroy(surface); }
    int width() const { return cairo_image_surface_get_width(surface); }
    int height() const { return cairo_image_surface_get_height(surface); }
    /// 8-bit red, green, blue at pixel (x, y).
    std::array<int, 3> at(double x, double y) const {
        cairo_surface_flush(surface);
        const unsigned char *row =
            cairo_image_surface_get_data(surface) + static_cast<int>(y) * cairo_image_surface_get_stride(surface);
        uint32_t p;
        std::memcpy(&p, row + 4 * static_cast<int>(x), 4);
        return {int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255)};
    }
};

void setUv(int uv, GEO_Primitive &prim, unsigned corner, float u, float v) {
    prim.getVertex(corner).setValue<float>(uv, u, 0);
    prim.getVertex(corner).setValue<float>(uv, v, 1);
}

/// Triangles a (points 0 1 2) and b (0 2 3) of a unit square, cut along
/// their shared diagonal: b is laid out moved by (-0.3, 0.3). Triangle c
/// (1 4 2) joins a along 1-2 without a cut. All three are green-grey.
void makeCutSquare(GU_Detail &g) {
    for (auto p :
         {UT_Vector4(0, 0, 0), UT_Vector4(1, 0, 0), UT_Vector4(1, 1, 0), UT_Vector4(0, 1, 0), UT_Vector4(2, 0, 0)})
        g.appendPoint(p);
    const float zero[3] = {0, 0, 0};
    const int uv = g.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, zero);
    const int cd = g.addPrimAttrib("Cd", 12, GB_ATTRIB_FLOAT, zero);
    const int a[] = {0, 1, 2}, b[] = {0, 2, 3}, c[] = {1, 4, 2};
    const float uvs[3][6] = {{0, 0, 1, 0, 1, 1}, {-0.3f, 0.3f, 0.7f, 1.3f, -0.3f, 1.3f}, {1, 0, 2, 0, 1, 1}};
    const int *tris[] = {a, b, c};
    for (int t = 0; t < 3; ++t) {
        GEO_PrimPoly *p = g.appendPoly(tris[t], 3);
        for (unsigned k = 0; k < 3; ++k) setUv(uv, *p, k, uvs[t][2 * k], uvs[t][2 * k + 1]);
        const float rgb[3] = {0.2f, 0.6f, 0.4f};
        for (int k = 0; k < 3; ++k) p->setValue<float>(cd, rgb[k], k);
    }
}

/// n by n quads, each split into two triangles, covering the unit square
/// of UV space; no "Cd".
void makeGrid(GU_Detail &g, int n) {
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) g.appendPoint(UT_Vector4(float(i) / n, float(j) / n, 0));
    const float zero[3] = {0, 0, 0};
    const int uv = g.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, zero);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int q = j * (n + 1) + i;
            const int t[2][3] = {{q, q + 1, q + n + 2}, {q, q + n + 2, q + n + 1}};
            for (const auto &tri : t) {
                GEO_PrimPoly *p = g.appendPoly(tri, 3);
                for (unsigned k = 0; k < 3; ++k) {
                    const UT_Vector4 pos = p->getVertex(k).getPt()->getPos();
                    setUv(uv, *p, k, pos.x(), pos.y());
                }
            }
        }
}

UvView viewOf(const GU_Detail &g, const UvImageOptions &o) {
    return fitUvView(g, findCornerTuple(g, "uv", 2), o.size, o.stretchLegend ? stretchLegendBand(o.size) : 0);
}

}  // namespace

TEST(UvImage, SameBytesEveryTimeAndTheAskedSize) {
    GU_Detail g;
    makeCutSquare(g);
    for (int size : {200, 333}) {
        UvImageOptions o;
        o.size = size;
        o.stretchLegend = true;
        o.pins = {{0, 0}};
        for (bool svg : {false, true}) {
            const std::string a = drawUvImage(g, o, svg), b = drawUvImage(g, o, svg);
            EXPECT_TRUE(a == b) << size << (svg ? " svg" : " png");
            if (svg) {
                const std::string n = std::to_string(size), dims = "width=\"" + n + "pt\" height=\"" + n + "pt\"";
                EXPECT_NE(a.find(dims), std::string::npos) << a.substr(0, 300);
            } else {
                Picture pic(a);
                EXPECT_EQ(pic.width(), size);
                EXPECT_EQ(pic.height(), size);
            }
        }
    }
}

TEST(UvImage, FillInsideSeamsOnTheCutAndInnerEdgesOfBigTriangles) {
    GU_Detail g;
    makeCutSquare(g);
    UvImageOptions o;
    o.size = 512;
    const UvView view = viewOf(g, o);
    Picture pic(drawUvImage(g, o, false));
    // Inside a: the fill, exactly.
    EXPECT_EQ(pic.at(view.x(0.7), view.y(0.2)), (std::array<int, 3>{51, 153, 102}));
    // Both sides of the cut, and the surface's edge: the seam colour.
    for (auto [u, v] : {std::pair{0.5, 0.5}, {0.2, 0.8}, {0.5, 0.0}, {1.5, 0.0}}) {
        const auto p = pic.at(view.x(u), view.y(v));
        EXPECT_TRUE(p[0] > 150 && p[1] < 60 && p[2] > 150)
            << u << " " << v << ": " << p[0] << " " << p[1] << " " << p[2];
    }
    // The uncut edge between a and c, long on the picture: a dark stroke
    // (half a pixel wide at this size, so darker than the fill, not black).
    const auto inner = pic.at(view.x(1.0), view.y(0.5));
    EXPECT_LT(inner[0] + inner[1] + inner[2], 0.75 * (51 + 153 + 102))
        << inner[0] << " " << inner[1] << " " << inner[2];
}

TEST(UvImage, DenseLayoutShowsItsFillWithoutEdges) {
    // Quads of about one pixel: no inner edge is long enough to be drawn,
    // and the fills tile without seams showing the page.
    GU_Detail g;
    makeGrid(g, 200);
    UvImageOptions o;
    o.size = 256;
    const UvView view = viewOf(g, o);
    Picture pic(drawUvImage(g, o, false));
    int off = 0;
    for (double u = 0.3; u < 0.7; u += 0.01)
        for (double v = 0.3; v < 0.7; v += 0.013)
            off += pic.at(view.x(u), view.y(v)) != std::array<int, 3>{191, 191, 191};
    EXPECT_EQ(off, 0) << "pixels inside the grid that are not its grey fill";
}

TEST(UvImage, LegendStripRunsFromBlueToRedUnderTheLayout) {
    GU_Detail g;
    makeCutSquare(g);
    UvImageOptions o;
    o.size = 400;
    o.stretchLegend = true;
    const LegendStrip s = stretchLegendStrip(o.size);
    Picture pic(drawUvImage(g, o, false));
    const double mid = s.top + s.height / 2;
    const auto left = pic.at(s.left + 1, mid), right = pic.at(s.left + s.width - 2, mid);
    EXPECT_TRUE(left[0] < 10 && left[1] < 10 && left[2] > 245) << left[0] << " " << left[1] << " " << left[2];
    EXPECT_TRUE(right[0] > 245 && right[1] < 10 && right[2] < 10) << right[0] << " " << right[1] << " " << right[2];
    o.stretchLegend = false;
    Picture plain(drawUvImage(g, o, false));
    EXPECT_EQ(plain.at(s.left + 1, mid), (std::array<int, 3>{255, 255, 255}));
}
