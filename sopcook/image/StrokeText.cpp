#include "StrokeText.h"
#include <cstring>

namespace {

// Letters as polylines on a grid of font units (y up, the baseline at 0).
struct Stroke {
    int count;
    float xy[20];
};
struct Glyph {
    const char *letter;  // one character, or a UTF-8 sequence
    float advance;
    int strokes;
    Stroke s[3];
};
// A dot is a very short stroke: its round caps make a disc.
#define FS_DOT(x, y)                                                                                                   \
    {                                                                                                                  \
        2, { x, y, x, (y) + 0.01f }                                                                                    \
    }
const Glyph kGlyphs[] = {
    {"a", 6, 2, {{6, {4, 2, 1, 2, 0, 1, 1, 0, 3, 0, 4, 1}}, {4, {0.5f, 4, 3, 4, 4, 3, 4, 0}}}},
    {"b", 6, 2, {{2, {0, 6, 0, 0}}, {8, {0, 3, 1, 4, 3, 4, 4, 3, 4, 1, 3, 0, 1, 0, 0, 1}}}},
    {"c", 6, 1, {{8, {4, 3.5f, 3, 4, 1, 4, 0, 3, 0, 1, 1, 0, 3, 0, 4, 0.5f}}}},
    {"d", 6, 2, {{2, {4, 6, 4, 0}}, {8, {4, 3, 3, 4, 1, 4, 0, 3, 0, 1, 1, 0, 3, 0, 4, 1}}}},
    {"e", 6, 1, {{9, {0, 2, 4, 2, 4, 3, 3, 4, 1, 4, 0, 3, 0, 1, 1, 0, 3.5f, 0}}}},
    {"f", 5, 2, {{4, {3.5f, 6, 2.5f, 6, 1.5f, 5, 1.5f, 0}}, {2, {0, 4, 3, 4}}}},
    {"h", 6, 2, {{2, {0, 6, 0, 0}}, {5, {0, 3, 1, 4, 3, 4, 4, 3, 4, 0}}}},
    {"i", 3, 2, {{2, {0.5f, 4, 0.5f, 0}}, FS_DOT(0.5f, 5.5f)}},
    {"l", 6, 2, {{3, {1, 6, 2, 6, 2, 0}}, {2, {1, 0, 3, 0}}}},
    {"n", 6, 2, {{2, {0, 0, 0, 4}}, {5, {0, 3, 1, 4, 3, 4, 4, 3, 4, 0}}}},
    {"o", 6, 1, {{9, {1, 0, 3, 0, 4, 1, 4, 3, 3, 4, 1, 4, 0, 3, 0, 1, 1, 0}}}},
    {"p", 6, 2, {{2, {0, 4, 0, -2}}, {8, {0, 3, 1, 4, 3, 4, 4, 3, 4, 1, 3, 0, 1, 0, 0, 1}}}},
    {"q", 6, 2, {{2, {4, 4, 4, -2}}, {8, {4, 3, 3, 4, 1, 4, 0, 3, 0, 1, 1, 0, 3, 0, 4, 1}}}},
    {"r", 5, 2, {{2, {0, 4, 0, 0}}, {4, {0, 2.5f, 1.5f, 4, 2.5f, 4, 3.5f, 3.5f}}}},
    {"s", 6, 1, {{10, {4, 3.5f, 3, 4, 1, 4, 0, 3, 1, 2, 3, 2, 4, 1, 3, 0, 1, 0, 0, 0.5f}}}},
    {"t", 6, 2, {{4, {1.5f, 6, 1.5f, 1, 2.5f, 0, 3.5f, 0}}, {2, {0, 4, 3.5f, 4}}}},
    {"u", 6, 2, {{5, {0, 4, 0, 1, 1, 0, 3, 0, 4, 1}}, {2, {4, 4, 4, 0}}}},
    {"w", 7, 1, {{5, {0, 4, 1.25f, 0, 2.5f, 3, 3.75f, 0, 5, 4}}}},
    {"y", 6, 2, {{2, {0, 4, 2, 0}}, {2, {4, 4, 1, -2}}}},
    {"z", 6, 1, {{4, {0, 4, 4, 4, 0, 0, 4, 0}}}},
    {":", 3, 2, {FS_DOT(0.5f, 3.5f), FS_DOT(0.5f, 0)}},
    {".", 3, 1, {FS_DOT(0.5f, 0)}},
    {"\xE2\x80\xA6", 7, 3, {FS_DOT(0.5f, 0), FS_DOT(2.5f, 0), FS_DOT(4.5f, 0)}},
};
#undef FS_DOT
const double kSpace = 4, kUnknown = 6;

/// The glyph text starts with at i, or null; len gets the bytes it covers.
const Glyph *glyphAt(const std::string &text, size_t i, size_t &len) {
    for (const Glyph &g : kGlyphs) {
        const size_t n = std::strlen(g.letter);
        if (text.compare(i, n, g.letter) == 0) {
            len = n;
            return &g;
        }
    }
    len = 1;
    return nullptr;
}

double advanceOf(const Glyph *g, char c) { return g ? g->advance : c == ' ' ? kSpace : kUnknown; }

}  // namespace

double strokeTextWidth(const std::string &text) {
    double width = 0;
    size_t len = 1;
    for (size_t i = 0; i < text.size(); i += len) width += advanceOf(glyphAt(text, i, len), text[i]);
    return width > 2 ? width - 2 : width;  // no gap after the last letter
}

void traceStrokeText(cairo_t *cr, const std::string &text, double x, double baseline, double unit) {
    size_t len = 1;
    for (size_t i = 0; i < text.size(); i += len) {
        const Glyph *g = glyphAt(text, i, len);
        if (g)
            for (int k = 0; k < g->strokes; ++k) {
                const Stroke &st = g->s[k];
                for (int j = 0; j < st.count; ++j) {
                    double px = x + st.xy[2 * j] * unit, py = baseline - st.xy[2 * j + 1] * unit;
                    if (j == 0)
                        cairo_move_to(cr, px, py);
                    else
                        cairo_line_to(cr, px, py);
                }
            }
        x += advanceOf(g, text[i]) * unit;
    }
}
