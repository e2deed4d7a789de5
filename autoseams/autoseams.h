#pragma once
#include "seam_mesh.h"
#include <array>
#include <functional>
#include <vector>

/// Shortest-path distances (by SeamMesh::edgeWeight) from a growing set of
/// source vertices, over the interior edges of one component or of all.
/// Sources may be added after a run; the next run() only lowers distances.
class CutDistance {
public:
    /// mesh must outlive this object.
    explicit CutDistance(const SeamMesh &mesh);
    /// Forgets every distance; the walk keeps to the polygons of component
    /// (every component when negative).
    void reset(int component);
    /// Makes v a source (distance 0).
    void addSource(int v);
    /// Settles every vertex reachable from the sources.
    void run();
    /// Distance of v; infinite when unreached.
    double distance(int v) const { return myDist[v]; }
    /// The edge by which v was reached; -1 for a source or unreached vertex.
    int predecessor(int v) const { return myPred[v]; }
    /// The edges of the path from v back to its nearest source, v's first.
    std::vector<int> pathEdges(int v) const;

private:
    const SeamMesh &myMesh;
    std::vector<double> myDist;
    std::vector<int> myPred;
    std::vector<int> myTouched;
    std::vector<std::pair<double, int>> myHeap;
    int myComponent = -1;
};

/// Marks in cut (#E) the interior edges of a cut graph that opens every
/// component of mesh into one topological disk: the edges no edge of a
/// dual spanning tree crosses, pruned of dangling branches. The dual tree
/// avoids the edges of a shortest-path tree grown from the boundary (or a
/// root vertex), keeping out the longest loops first, so the generator
/// loops that stay are short. A closed component of genus 0 keeps no edge;
/// see openSphere.
void topologicalCut(const SeamMesh &mesh, std::vector<char> &cut);

/// Marks in cut a path of two edges that opens closed genus-0 component
/// into a disk, from the vertex of the largest angle defect (the sharpest
/// tip) onwards. False when the component has no such path.
bool openSphere(const SeamMesh &mesh, int component, const std::vector<int> &compTris, std::vector<char> &cut);

/// Least-squares conformal layout of the triangles compTris (all of one
/// component), cut along cut (#E) and along boundary and singular edges,
/// with two pins at the ends of the longest extent; with abf, from the
/// planar angles of angle-based flattening of the cut component where it
/// converges (the surface angles elsewhere). uv (#T*3) receives the
/// UV of every corner of compTris. False when the solve fails or was
/// interrupted.
bool flattenComponent(const SeamMesh &mesh, const std::vector<int> &compTris, const std::vector<char> &cut,
                      std::vector<std::array<double, 2>> &uv, bool abf = false);

/// How hard the seam search tries.
struct SeamOptions {
    double target = 2.2;    ///< L2 stretch to reach; the 5-95% area ratio must lie within [1/t^2, t^2]
    int maxCuts = 40;       ///< paths the search may add to the topological cut, per component
    int pathsPerRound = 8;  ///< paths added after one layout, to points far apart
    bool abf = true;        ///< judge layouts made from ABF++ angles (as flatskin's "abfpp"), not the surface's
};

/// What the seam search did.
struct SeamReport {
    int components = 0;
    int openedSpheres = 0;  ///< closed genus-0 components opened by a short path
    int addedPaths = 0;     ///< paths added by the distortion search, all components
    int layouts = 0;        ///< conformal solves
    int unmet = 0;          ///< components still above the target when the search ended
    int capped = 0;         ///< of those, components that ended at the cap on paths
    int failedSolves = 0;   ///< components whose layout could not be solved
};

/// Seams for every component of mesh into cut (#E): the topological cut,
/// then shortest paths from the point of worst area compression of the
/// layout to the cut, until the layout meets the target or the cap is
/// reached (Gu, Gortler and Hoppe 2002). A component that is a disk of low
/// distortion gets no cut. interrupted(percent) reports progress and
/// answers whether to stop; false is returned then.
bool findSeams(const SeamMesh &mesh, const SeamOptions &opt, std::vector<char> &cut, SeamReport &report,
               const std::function<bool(int)> &interrupted);
