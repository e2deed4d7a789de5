// CGAL's LSCM on the same cut piece with the same two fixed vertices, with
// its default solver (Eigen's sparse LDLT).
#include "bench.h"

#include <CGAL/Polygon_mesh_processing/measure.h>
#include <CGAL/Simple_cartesian.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/Surface_mesh_parameterization/LSCM_parameterizer_3.h>
#include <CGAL/Surface_mesh_parameterization/Two_vertices_parameterizer_3.h>
#include <CGAL/Surface_mesh_parameterization/parameterize.h>

namespace bench {

CgalRun cgalLscm(const Piece &piece) {
    using Kernel = CGAL::Simple_cartesian<double>;
    using Mesh = CGAL::Surface_mesh<Kernel::Point_3>;
    using Vertex = Mesh::Vertex_index;
    namespace SMP = CGAL::Surface_mesh_parameterization;
    CgalRun run;
    if (piece.pinA < 0 || piece.pinB < 0 || piece.tris.empty()) return run;

    Mesh mesh;
    std::vector<Vertex> v;
    v.reserve(piece.pos.size());
    for (const auto &p : piece.pos) v.push_back(mesh.add_vertex(Kernel::Point_3(p[0], p[1], p[2])));
    for (const auto &t : piece.tris) {
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) continue;
        if (mesh.add_face(v[t[0]], v[t[1]], v[t[2]]) == Mesh::null_face()) return run;  // not manifold
    }
    const auto border = CGAL::Polygon_mesh_processing::longest_border(mesh).first;
    if (border == Mesh::null_halfedge()) return run;
    auto uv = mesh.add_property_map<Vertex, Kernel::Point_2>("v:uv").first;
    using Border = SMP::Two_vertices_parameterizer_3<Mesh>;
    SMP::LSCM_parameterizer_3<Mesh, Border> lscm(Border(v[piece.pinA], v[piece.pinB]));
    const double t = nowMs();
    const SMP::Error_code e = SMP::parameterize(mesh, lscm, border, uv);
    run.ms = nowMs() - t;
    run.ok = e == SMP::OK;
    return run;
}

}  // namespace bench
