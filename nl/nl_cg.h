// Conjugate gradient on a symmetric positive (semi-)definite system M x = b,
// optionally Jacobi-preconditioned, with OpenNL's loop and stopping test.
#pragma once

#include "nl_matrix.h"

#include <vector>

namespace nl {

struct CgOptions {
    NLuint max_iterations = 100;
    double threshold = 1e-6;  // stop when |r|^2 <= threshold^2 |b|^2
    bool jacobi = true;       // precondition with the inverse diagonal
    unsigned threads = 1;     // 1 or more; the result does not depend on it
    // Asked every few iterations whether to go on (null: always).
    NLprogressFunc progress = nullptr;
    void *progress_data = nullptr;
};

struct CgOutcome {
    bool finite = true;     // false: a non-finite value came up, x is garbage
    bool stopped = false;   // the progress function asked to stop
    NLuint iterations = 0;  // loop count
    double error = 0.0;     // |r| / |b|, or |r| when b = 0
};

// Solves M x = b starting from x (b.size() == x.size() == M.n; M holds
// both triangles, else std::invalid_argument) and leaves the last iterate
// in x. The vectors are split into fixed blocks of rows and
// every dot product adds up per-block sums in block order, so any number of
// threads gives bit-identical results.
CgOutcome conjugate_gradient(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                             const CgOptions &options);

}  // namespace nl
