#include "GOP_EdgePattern.h"
#include <cctype>
#include <unordered_map>
#include <unordered_set>
#include "GEO/GEO_Detail.h"
#include "GOP_Pattern.h"

using namespace GOP_Pattern;

namespace {

unsigned long long edgeKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return (static_cast<unsigned long long>(static_cast<unsigned>(a)) << 32) | static_cast<unsigned>(b);
}

unsigned long long keyOf(const GOP_EdgeEntry &e) { return edgeKey(e.p0->getNum(), e.p1->getNum()); }

/// Calls visit(edge) for every edge of prim, in vertex order.
template <typename F> void forEachEdgeOf(GEO_Primitive *prim, F visit) {
    if (!prim || prim->getPrimitiveId() != GEOPRIMPOLY) return;
    int n = static_cast<int>(prim->getVertexCount());
    int last = static_cast<GEO_PrimPoly *>(prim)->isClosed() ? n : n - 1;
    for (int i = 0; i < last; ++i) {
        GEO_Point *a = prim->getVertex(i).getPt();
        GEO_Point *b = prim->getVertex((i + 1) % n).getPt();
        if (a && b && a != b) visit(GOP_EdgeEntry{a, b, prim});
    }
}

/// Every edge of the detail in primitive order, each once, and where each is.
class EdgeIndex {
public:
    explicit EdgeIndex(const GEO_Detail &gdp) {
        for (auto &prim : gdp.primitives())
            forEachEdgeOf(prim.get(), [this](const GOP_EdgeEntry &e) {
                if (myWhere.emplace(keyOf(e), myEdges.size()).second) myEdges.push_back(e);
            });
    }
    const std::vector<GOP_EdgeEntry> &edges() const { return myEdges; }
    /// The first-met edge between points a and b, or null.
    const GOP_EdgeEntry *find(int a, int b) const {
        auto it = myWhere.find(edgeKey(a, b));
        return it == myWhere.end() ? nullptr : &myEdges[it->second];
    }

private:
    std::vector<GOP_EdgeEntry> myEdges;
    std::unordered_map<unsigned long long, size_t> myWhere;
};

/// An ordered set of edges.
class EdgeSet {
public:
    void add(const GOP_EdgeEntry &e) {
        if (myKeys.insert(keyOf(e)).second) myEdges.push_back(e);
    }
    bool contains(const GOP_EdgeEntry &e) const { return myKeys.count(keyOf(e)) != 0; }
    void removeAll(const EdgeSet &other) {
        std::vector<GOP_EdgeEntry> kept;
        for (const GOP_EdgeEntry &e : myEdges)
            if (!other.contains(e))
                kept.push_back(e);
            else
                myKeys.erase(keyOf(e));
        myEdges.swap(kept);
    }
    const std::vector<GOP_EdgeEntry> &edges() const { return myEdges; }

private:
    std::vector<GOP_EdgeEntry> myEdges;
    std::unordered_set<unsigned long long> myKeys;
};

class EdgeReader {
public:
    EdgeReader(const GEO_Detail &gdp, int prim_offset, int pt_offset)
        : myDetail(gdp), myIndex(gdp), myPrimOffset(prim_offset), myPtOffset(pt_offset) {}

    /// Adds to set what body names; false when malformed or naming no group.
    bool read(const std::string &body, EdgeSet &set) const {
        if (body == "*") {
            for (const GOP_EdgeEntry &e : myIndex.edges()) set.add(e);
            return true;
        }
        if (body.size() > 1 && body[0] == 'p' && std::isdigit(static_cast<unsigned char>(body[1])))
            return readChain(body.substr(1), set);
        if (std::isdigit(static_cast<unsigned char>(body[0]))) return readPrimEdges(body, set);
        return readGroups(body, set);
    }

    const EdgeIndex &index() const { return myIndex; }

private:
    /// "A-B-C...": the edges A-B, B-C, ...; pairs that are no edge are skipped.
    bool readChain(const std::string &text, EdgeSet &set) const {
        std::vector<long long> pts;
        size_t pos = 0;
        while (true) {
            size_t start = pos;
            long long v = 0;
            while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
                if (v < 1000000000000LL) v = v * 10 + (text[pos] - '0');
                ++pos;
            }
            if (pos == start) return false;
            pts.push_back(v + myPtOffset);
            if (pos == text.size()) break;
            if (text[pos++] != '-') return false;
        }
        if (pts.size() < 2) return false;
        const long long count = myDetail.points().entries();
        for (size_t i = 0; i + 1 < pts.size(); ++i) {
            long long a = pts[i], b = pts[i + 1];
            if (a < 0 || b < 0 || a >= count || b >= count) continue;
            const GOP_EdgeEntry *found = myIndex.find(static_cast<int>(a), static_cast<int>(b));
            if (!found) continue;
            // Keep the direction the pattern gives.
            set.add(GOP_EdgeEntry{myDetail.points()(static_cast<int>(a)), myDetail.points()(static_cast<int>(b)),
                                  found->prim});
        }
        return true;
    }

    /// "n", "a-b", "a-b:s" (every edge of those primitives) or "nem".
    bool readPrimEdges(const std::string &body, EdgeSet &set) const {
        const long long count = myDetail.primitives().entries();
        size_t e = body.find('e');
        if (e != std::string::npos) {
            Range prim, edge;
            if (parseRange(body.substr(0, e), prim) != NUMERIC || prim.from != prim.to) return false;
            if (parseRange(body.substr(e + 1), edge) != NUMERIC || edge.from != edge.to) return false;
            long long n = prim.from + myPrimOffset;
            if (n < 0 || n >= count) return true;
            int i = 0;
            forEachEdgeOf(myDetail.primitives()(static_cast<int>(n)), [&](const GOP_EdgeEntry &entry) {
                if (i++ == edge.from) set.add(entry);
            });
            return true;
        }
        Range range;
        if (parseRange(body, range) != NUMERIC) return false;
        forEachInRange(range, myPrimOffset, count, [&](int n) {
            forEachEdgeOf(myDetail.primitives()(n), [&](const GOP_EdgeEntry &entry) { set.add(entry); });
        });
        return true;
    }

    /// Edge-group names, with wildcards.
    bool readGroups(const std::string &body, EdgeSet &set) const {
        auto addGroup = [&](const GB_EdgeGroup &g) {
            for (const GB_Edge &e : g.edges()) {
                auto *a = myDetail.points()(e.p0Num());
                auto *b = myDetail.points()(e.p1Num());
                if (!a || !b || a != e.p0 || b != e.p1) continue;  // not this detail's points
                auto *prim = e.prim ? myDetail.primitives()(e.prim->getNum()) : nullptr;
                set.add(GOP_EdgeEntry{a, b, prim == e.prim ? prim : nullptr});
            }
        };
        if (hasWildcard(body)) {
            for (auto &g : myDetail.edgeGroups().groups())
                if (!g->getInternal() && matchWildcard(body.c_str(), g->getName())) addGroup(*g);
            return true;
        }
        const GB_EdgeGroup *g = myDetail.edgeGroups().find(body.c_str());
        if (!g) return false;
        addGroup(*g);
        return true;
    }

    const GEO_Detail &myDetail;
    EdgeIndex myIndex;
    int myPrimOffset, myPtOffset;
};

}  // namespace

bool GOPparseEdgePattern(const char *pattern, const GEO_Detail &gdp, int prim_offset, int pt_offset,
                         std::vector<GOP_EdgeEntry> &edges) {
    edges.clear();
    if (!pattern) return false;
    EdgeReader reader(gdp, prim_offset, pt_offset);
    EdgeSet result;
    for (const std::string &token : splitTokens(pattern)) {
        Prefixed p = splitPrefixes(token);
        if (p.body.empty()) return false;
        EdgeSet named;
        if (!reader.read(p.body, named)) return false;
        EdgeSet hit;
        if (p.complement) {
            for (const GOP_EdgeEntry &e : reader.index().edges())
                if (!named.contains(e)) hit.add(e);
        } else {
            hit = named;
        }
        if (p.remove)
            result.removeAll(hit);
        else
            for (const GOP_EdgeEntry &e : hit.edges()) result.add(e);
    }
    edges = result.edges();
    return true;
}
