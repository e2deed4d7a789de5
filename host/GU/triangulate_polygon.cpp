// Triangulation of one polygon in the plane of its Newell normal: fans for
// convex polygons, ear clipping for the rest (see the header).
#include "triangulate_polygon.h"
#include <algorithm>
#include <cmath>
#include <deque>
#include <numbers>

namespace {

struct Vec2 {
    double x, y;
};
struct Vec3 {
    double x, y, z;
};
using Triangle = std::array<int, 3>;  // indices of polygon vertices

Vec3 cross(const Vec3 &a, const Vec3 &b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Vec3 &a, const Vec3 &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

/// Twice the signed area of the triangle a, b, c (positive when it turns
/// counter-clockwise).
double orient(const Vec2 &a, const Vec2 &b, const Vec2 &c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

/// The corner positions relative to their centroid, in double precision so
/// that nearly flat corners are judged reliably.
void centredPositions(const double *points, int n, std::vector<Vec3> &pos) {
    pos.resize(static_cast<size_t>(n));
    Vec3 c{0, 0, 0};
    for (int i = 0; i < n; ++i) {
        pos[i] = {points[3 * i], points[3 * i + 1], points[3 * i + 2]};
        c = {c.x + pos[i].x, c.y + pos[i].y, c.z + pos[i].z};
    }
    for (Vec3 &p : pos) p = {p.x - c.x / n, p.y - c.y / n, p.z - c.z / n};
}

/// Newell's normal: its direction is the best-fit plane's normal, oriented
/// so that the polygon turns counter-clockwise seen from its tip; its length
/// is twice the area of the planar projection.
Vec3 newellNormal(const std::vector<Vec3> &pos) {
    Vec3 nrm{0, 0, 0};
    for (size_t i = 0, n = pos.size(); i < n; ++i) {
        const Vec3 &a = pos[i], &b = pos[(i + 1) % n];
        nrm.x += (a.y - b.y) * (a.z + b.z);
        nrm.y += (a.z - b.z) * (a.x + b.x);
        nrm.z += (a.x - b.x) * (a.y + b.y);
    }
    return nrm;
}

/// Coordinates of pos in the plane normal to nrm (which must be non-zero),
/// on axes t1, t2 with t1 x t2 along nrm so the polygon stays
/// counter-clockwise.
void projectToPlane(const std::vector<Vec3> &pos, const Vec3 &nrm, std::vector<Vec2> &out) {
    // Start the in-plane axes from the coordinate axis least aligned with
    // the normal, so the cross product is well conditioned.
    const double ax = std::fabs(nrm.x), ay = std::fabs(nrm.y), az = std::fabs(nrm.z);
    const Vec3 seed = (ax <= ay && ax <= az) ? Vec3{1, 0, 0} : (ay <= az ? Vec3{0, 1, 0} : Vec3{0, 0, 1});
    const double len = std::sqrt(dot(nrm, nrm));
    const Vec3 n{nrm.x / len, nrm.y / len, nrm.z / len};
    Vec3 t1 = cross(seed, n);
    const double l1 = std::sqrt(dot(t1, t1));
    t1 = {t1.x / l1, t1.y / l1, t1.z / l1};
    const Vec3 t2 = cross(n, t1);
    out.resize(pos.size());
    for (size_t i = 0; i < pos.size(); ++i) out[i] = {dot(pos[i], t1), dot(pos[i], t2)};
}

/// A tolerance for twice-areas, relative to the polygon's size, below which
/// a corner counts as straight.
double areaTolerance(const std::vector<Vec2> &p) {
    double r = 0;
    for (const Vec2 &q : p) r = std::fmax(r, std::fmax(std::fabs(q.x), std::fabs(q.y)));
    return 1e-12 * r * r;
}

/// Whether the counter-clockwise polygon p is convex: no corner turns
/// clockwise and the boundary winds around exactly once (which rules out
/// star shapes whose every corner turns the same way).
bool isConvex(const std::vector<Vec2> &p, double eps) {
    const size_t n = p.size();
    double turning = 0;
    for (size_t i = 0; i < n; ++i) {
        const Vec2 &a = p[(i + n - 1) % n], &b = p[i], &c = p[(i + 1) % n];
        const Vec2 u{b.x - a.x, b.y - a.y}, v{c.x - b.x, c.y - b.y};
        const double turn = u.x * v.y - u.y * v.x;
        if (turn < -eps) return false;
        turning += std::atan2(turn, u.x * v.x + u.y * v.y);
    }
    // One full turn; a fold back on itself or a second winding shows as a
    // difference of at least half a turn.
    return std::fabs(turning - 2 * std::numbers::pi) < 1.0;
}

/// Fan from vertex 0: (0, 1, 2), (0, 2, 3), ...
void fanTriangles(int n, std::vector<Triangle> &out) {
    for (int i = 1; i + 1 < n; ++i) out.push_back({0, i, i + 1});
}

/// Whether q lies inside or on the counter-clockwise triangle a, b, c.
bool inTriangle(const Vec2 &q, const Vec2 &a, const Vec2 &b, const Vec2 &c, double eps) {
    return orient(a, b, q) >= -eps && orient(b, c, q) >= -eps && orient(c, a, q) >= -eps;
}

bool samePlace(const Vec2 &a, const Vec2 &b) { return a.x == b.x && a.y == b.y; }

/// The reflex corners (those that do not turn left) of the polygon being
/// clipped, in a uniform grid over its bounding box, so that an ear test
/// looks only at the corners near the candidate triangle instead of at
/// every corner: ear clipping of a polygon of many thousands of corners
/// stays near linear for outlines whose ears are small, and a rest without
/// reflex corners costs nothing per test.
class ReflexGrid {
    struct Entry {
        int v, stamp;
    };

public:
    explicit ReflexGrid(const std::vector<Vec2> &p) : myP(p), myIn(p.size(), 0), myStamp(p.size(), 0) {
        double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
        for (const Vec2 &q : p) {
            x0 = std::fmin(x0, q.x);
            x1 = std::fmax(x1, q.x);
            y0 = std::fmin(y0, q.y);
            y1 = std::fmax(y1, q.y);
        }
        // About one cell per corner, in the shape of the box.
        const double w = std::fmax(x1 - x0, 1e-300), h = std::fmax(y1 - y0, 1e-300);
        const double cells = static_cast<double>(p.size());
        myNx = static_cast<int>(std::clamp(std::sqrt(cells * w / h), 1.0, cells));
        myNy = static_cast<int>(std::clamp(cells / myNx, 1.0, cells));
        myX0 = x0;
        myY0 = y0;
        mySx = myNx / w;
        mySy = myNy / h;
        myCells.resize(static_cast<size_t>(myNx) * myNy);
    }
    void insert(int v) {
        if (myIn[v]) return;
        myIn[v] = 1;
        ++myLive;
        const Entry e{v, ++myStamp[v]};
        myCells[cellOf(myP[v])].push_back(e);
        myAll.push_back(e);
    }
    /// Removal is lazy: entries are skipped by their flag and dropped when
    /// a cell or the list is walked.
    void erase(int v) {
        if (!myIn[v]) return;
        myIn[v] = 0;
        --myLive;
    }
    /// Calls f(v) for every reflex corner that may lie in the box of a, b,
    /// c (and maybe others), until f returns true; answers whether it did.
    template <typename F> bool any(const Vec2 &a, const Vec2 &b, const Vec2 &c, F f) {
        if (myLive == 0) return false;
        const int i0 = col(std::fmin(a.x, std::fmin(b.x, c.x))), i1 = col(std::fmax(a.x, std::fmax(b.x, c.x)));
        const int j0 = row(std::fmin(a.y, std::fmin(b.y, c.y))), j1 = row(std::fmax(a.y, std::fmax(b.y, c.y)));
        const long span = static_cast<long>(i1 - i0 + 1) * (j1 - j0 + 1);
        if (span > static_cast<long>(myLive)) return scan(myAll, f);
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i)
                if (scan(myCells[static_cast<size_t>(j) * myNx + i], f)) return true;
        return false;
    }

private:
    /// Walks one list, dropping entries that were erased or that a later
    /// insertion of the same corner replaced.
    template <typename F> bool scan(std::vector<Entry> &list, F f) {
        size_t kept = 0;
        bool hit = false;
        for (const Entry &e : list) {
            if (!myIn[e.v] || myStamp[e.v] != e.stamp) continue;
            list[kept++] = e;
            if (!hit && f(e.v)) hit = true;
        }
        list.resize(kept);
        return hit;
    }
    int col(double x) const { return std::clamp(static_cast<int>((x - myX0) * mySx), 0, myNx - 1); }
    int row(double y) const { return std::clamp(static_cast<int>((y - myY0) * mySy), 0, myNy - 1); }
    size_t cellOf(const Vec2 &q) const { return static_cast<size_t>(row(q.y)) * myNx + col(q.x); }

    const std::vector<Vec2> &myP;
    std::vector<char> myIn;
    std::vector<int> myStamp;
    std::vector<std::vector<Entry>> myCells;
    std::vector<Entry> myAll;
    int myLive = 0, myNx = 1, myNy = 1;
    double myX0 = 0, myY0 = 0, mySx = 1, mySy = 1;
};

/// Polygons of more corners than this test their ears from a queue.
constexpr int kQueueCorners = 64;

/// Ear clipping of the counter-clockwise polygon p. Always emits n - 2
/// triangles: when no ear is left (a degenerate or self-overlapping rest),
/// the most convex corner is cut off anyway, so the loop always ends.
void earClipTriangles(const std::vector<Vec2> &p, double eps, std::vector<Triangle> &out) {
    const int n = static_cast<int>(p.size());
    std::vector<int> prev(n), next(n);
    for (int i = 0; i < n; ++i) {
        prev[i] = (i + n - 1) % n;
        next[i] = (i + 1) % n;
    }
    auto turn = [&](int i) { return orient(p[prev[i]], p[i], p[next[i]]); };
    // Only corners that do not turn left can be the first to poke into a
    // left-turning corner's triangle, so only they are kept for the tests.
    ReflexGrid reflex(p);
    auto classify = [&](int v) {
        if (turn(v) <= eps)
            reflex.insert(v);
        else
            reflex.erase(v);
    };
    for (int i = 0; i < n; ++i) classify(i);
    auto isEar = [&](int i) {
        const int a = prev[i], c = next[i];
        if (turn(i) <= eps) return false;
        return !reflex.any(p[a], p[i], p[c], [&](int v) {
            if (v == a || v == i || v == c) return false;
            if (samePlace(p[v], p[a]) || samePlace(p[v], p[i]) || samePlace(p[v], p[c])) return false;
            return inTriangle(p[v], p[a], p[i], p[c], eps);
        });
    };
    auto mostConvex = [&](int start) {
        int best = start;
        for (int v = next[start]; v != start; v = next[v])
            if (turn(v) > turn(best)) best = v;
        return best;
    };
    int left = n, cur = 0;
    auto clip = [&](int i) {
        out.push_back({prev[i], i, next[i]});
        const int a = prev[i], c = next[i];
        next[a] = c;
        prev[c] = a;
        reflex.erase(i);
        classify(a);
        classify(c);
        --left;
        return std::pair{a, c};
    };
    if (n <= kQueueCorners) {
        // Small polygons walk the outline: after an ear, go on from its far
        // neighbour.
        int misses = 0;
        while (left > 3) {
            if (misses >= left)
                cur = mostConvex(cur);
            else if (!isEar(cur)) {
                cur = next[cur];
                ++misses;
                continue;
            }
            cur = clip(cur).second;
            misses = 0;
        }
    } else {
        // Large polygons keep a queue of corners to test. Cutting an ear
        // changes only its two neighbours' triangles and turns (a triangle
        // that holds a corner of a simple polygon holds a reflex one), so a
        // corner that fails waits until a neighbour goes. First in, first
        // out clips every other corner round by round: triangles stay short
        // and the tests local, where walking on would cut a long fan.
        // Entries carry a stamp; a corner queued again moves to the back and
        // its older entry is skipped, so the neighbours of an ear wait for
        // the next round rather than being clipped straight after it.
        std::vector<int> stamp(static_cast<size_t>(n), 0);
        std::vector<char> gone(static_cast<size_t>(n), 0);
        std::deque<std::pair<int, int>> queue;
        for (int v = 0; v < n; ++v) queue.emplace_back(v, 0);
        auto requeue = [&](int v) { queue.emplace_back(v, ++stamp[v]); };
        while (left > 3) {
            int i;
            if (!queue.empty()) {
                const auto [v, st] = queue.front();
                queue.pop_front();
                i = v;
                if (gone[i] || st != stamp[i] || !isEar(i)) continue;
            } else {
                // No ear left (a degenerate or self-overlapping rest).
                i = mostConvex(cur);
            }
            gone[i] = 1;
            const auto [a, c] = clip(i);
            requeue(a);
            requeue(c);
            cur = c;
        }
    }
    out.push_back({prev[cur], cur, next[cur]});
}

}  // namespace

void triangulatePolygon(const double *points, int n, std::vector<Triangle> &out) {
    out.clear();
    // Scratch kept between calls: a mesh of quads would otherwise allocate
    // twice per polygon.
    thread_local std::vector<Vec3> pos;
    thread_local std::vector<Vec2> flat;
    centredPositions(points, n, pos);
    const Vec3 nrm = newellNormal(pos);
    double scale = 0;
    for (const Vec3 &q : pos) scale = std::fmax(scale, dot(q, q));
    // No usable plane (collinear or coincident corners): any fan is as good
    // as another, and it is valid.
    if (!(dot(nrm, nrm) > 1e-24 * scale * scale)) return fanTriangles(n, out);
    projectToPlane(pos, nrm, flat);
    const double eps = areaTolerance(flat);
    if (isConvex(flat, eps)) return fanTriangles(n, out);
    earClipTriangles(flat, eps, out);
}
