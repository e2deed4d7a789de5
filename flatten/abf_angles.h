#pragma once
#include <functional>
#include <string>
#include <vector>

/// Settings of the angle optimisation.
struct AbfOptions {
    /// Converged when every constraint holds to this (triangle and vertex
    /// sums in radians, the wheel condition as a difference of sums of log
    /// sines: far below what a 32-bit angle resolves)...
    double tolerance = 1e-6;
    /// ... and the gradient of the Lagrangian, divided by the objective's
    /// second derivative, is no larger than this at any angle (radians):
    /// about how far a further step would move it (0.06 degrees).
    double stationaryTolerance = 1e-3;
    /// Newton steps before giving up; it also gives up when four steps in a
    /// row do not lower the largest residual.
    int maxIterations = 20;
    /// Closes every boundary loop but the longest with virtual triangles
    /// for the optimisation, so that the holes' outlines close in the plane.
    bool fillHoles = true;
    /// Optimal angles are clamped into [minAngle, pi - minAngle] radians
    /// (1 degree), so that no weight 1 / beta^2 blows up on a sliver.
    double minAngle = 0.017453292519943295;
    /// Asked once per step with the step's number; true stops the
    /// optimisation (not converged). Empty: never stops.
    std::function<bool(int)> interrupted;
};

/// How the optimisation ended.
struct AbfResult {
    bool converged = false;
    bool interrupted = false;
    int iterations = 0;     ///< Newton steps taken
    double residual = 0.0;  ///< largest constraint residual at the end
    std::string reason;     ///< why it did not converge; empty when it did
    /// #V points in the elimination order the optimisation's factorisation
    /// used, also when it did not converge: a fill-reducing order for other
    /// factorisations over these points. Empty when the system was too
    /// small to be ordered.
    std::vector<int> pointOrder;
};

/// Planar angles for a triangle mesh by angle-based flattening (ABF++):
/// the angles closest, in relative error, to the optimal angles (the
/// surface angles, scaled at every interior point to sum to 2 pi) such
/// that each triangle's angles sum to pi and, at each interior point, the
/// angles around it sum to 2 pi and the wheel (sine) condition holds.
/// Newton steps on the Lagrangian, with the per-angle block and then the
/// triangle constraints eliminated, so that each step factors only the
/// system of the interior points' two constraints (sparse Cholesky).
///
/// positions: #V by 3 point positions (row-major); tris: #T by 3 point
/// indices in [0, #V), row-major; surface: #T by 3 angles in radians
/// (corner i of triangle t at 3t + i, the angle at point tris[3t + i]), or
/// empty to take the angles of the triangles at positions. A
/// point is interior when its triangles (with the holes' virtual ones)
/// close a single fan around it; boundary points carry no constraints.
/// On convergence angles holds #T by 3 angles in (0, pi) and the result
/// says converged; otherwise angles is left empty. Positions or angles that
/// are not finite numbers make it not converge; a triangle of zero area
/// takes part with its optimal angles clamped.
AbfResult abfAngles(const std::vector<double> &positions, const std::vector<int> &tris,
                    const std::vector<float> &surface, std::vector<float> &angles, const AbfOptions &options = {});
