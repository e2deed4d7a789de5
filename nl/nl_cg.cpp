// The loop, with P the preconditioner (inverse diagonal, or identity) and
// eps the threshold:
//   r = M x - b; d = P r; rh = r.d; cur = r.r; err = eps^2 (b.b)
//   while cur > err and its < max:
//     q = M d; alpha = rh / (d.q); x -= alpha d; r -= alpha q
//     h = P r; rh' = r.h; d = h + (rh'/rh) d; rh = rh'; its += 1; cur = r.r
// Every step is a pass over blocks of rows, which a Team splits into
// contiguous block ranges; all buffers are allocated before the loop.
#include "nl_cg.h"

#include "nl_team.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace nl {

namespace {

constexpr NLuint kBlockRows = 1024;
constexpr unsigned kSums = 3;          // at most three dot products per pass
constexpr NLuint kProgressEvery = 32;  // iterations between progress reports

bool finite(double v) { return std::isfinite(v); }

class CgRun {
public:
    CgRun(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x, const CgOptions &options)
        : m_(m), b_(b.data()), x_(x.data()), n_(m.n), blocks_((m.n + kBlockRows - 1) / kBlockRows), r_(n_), d_(n_),
          q_(n_), p_(n_, 1.0), sums_(std::size_t(blocks_) * kSums) {
        if (options.jacobi) invert_diagonal();
        if (options.threads > 1 && blocks_ > 1) {
            team_ = std::make_unique<Team>(std::min(options.threads, blocks_));
        }
    }

    CgOutcome solve(NLuint max_iterations, double threshold, const CgOptions &options) {
        CgOutcome out;
        pass([this](NLuint i, double *s) { start_row(i, s); });
        double rh = total(0), cur = total(1), bb = total(2);
        if (!finite(rh) || !finite(cur) || !finite(bb)) return failed(out);
        const double err = threshold * threshold * bb;
        while (cur > err && out.iterations < max_iterations) {
            pass([this](NLuint i, double *s) { product_row(i, s); });
            const double alpha = rh / total(0);
            if (!finite(alpha)) return failed(out);
            pass([this, alpha](NLuint i, double *s) { update_row(i, alpha, s); });
            const double rh_next = total(0);
            cur = total(1);
            const double beta = rh_next / rh;
            if (!finite(cur) || !finite(beta)) return failed(out);
            pass([this, beta](NLuint i, double *) { d_[i] = q_[i] + beta * d_[i]; });
            rh = rh_next;
            ++out.iterations;
            if (options.progress && out.iterations % kProgressEvery == 0 &&
                !options.progress(out.iterations, max_iterations, bb > 0.0 ? std::sqrt(cur / bb) : std::sqrt(cur),
                                  options.progress_data)) {
                out.stopped = true;
                return out;
            }
        }
        if (!std::all_of(x_, x_ + n_, finite)) return failed(out);
        out.error = bb > 0.0 ? std::sqrt(cur / bb) : std::sqrt(cur);
        return out;
    }

private:
    void invert_diagonal() {
        for (NLuint i = 0; i < n_; ++i) {
            const double a = m_.diagonal(i);
            p_[i] = a == 0.0 ? 1.0 : 1.0 / a;
        }
    }

    // r = M x - b, d = P r; sums r.d, r.r, b.b.
    void start_row(NLuint i, double *s) {
        const double r = m_.row_dot(i, x_) - b_[i];
        const double d = p_[i] * r;
        r_[i] = r;
        d_[i] = d;
        s[0] += r * d;
        s[1] += r * r;
        s[2] += b_[i] * b_[i];
    }

    // q = M d; sums d.q.
    void product_row(NLuint i, double *s) {
        const double q = m_.row_dot(i, d_.data());
        q_[i] = q;
        s[0] += d_[i] * q;
    }

    // x -= alpha d, r -= alpha q, then q takes h = P r; sums r.h, r.r.
    void update_row(NLuint i, double alpha, double *s) {
        x_[i] -= alpha * d_[i];
        const double r = r_[i] - alpha * q_[i];
        const double h = p_[i] * r;
        r_[i] = r;
        q_[i] = h;
        s[0] += r * h;
        s[1] += r * r;
    }

    // Runs row(i, block sums) over every row, block by block, on the team.
    template <class Row> void pass(Row row) {
        auto blocks = [&](NLuint first, NLuint last) {
            for (NLuint k = first; k < last; ++k) {
                double *s = &sums_[std::size_t(k) * kSums];
                s[0] = s[1] = s[2] = 0.0;
                const NLuint end = std::min(n_, (k + 1) * kBlockRows);
                for (NLuint i = k * kBlockRows; i < end; ++i) row(i, s);
            }
        };
        if (!team_) {
            blocks(0, blocks_);
            return;
        }
        const unsigned parts = team_->parts();
        auto part = [&](unsigned p) {
            blocks(static_cast<NLuint>(std::uint64_t(blocks_) * p / parts),
                   static_cast<NLuint>(std::uint64_t(blocks_) * (p + 1) / parts));
        };
        team_->run(part);
    }

    // Sum number j of the last pass, added up in block order.
    double total(unsigned j) const {
        double t = 0.0;
        for (NLuint k = 0; k < blocks_; ++k) t += sums_[std::size_t(k) * kSums + j];
        return t;
    }

    static CgOutcome failed(CgOutcome out) {
        out.finite = false;
        return out;
    }

    const CsrMatrix &m_;
    const double *b_;
    double *x_;
    NLuint n_;
    NLuint blocks_;
    std::vector<double> r_, d_, q_, p_;
    std::vector<double> sums_;
    std::unique_ptr<Team> team_;
};

}  // namespace

CgOutcome conjugate_gradient(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                             const CgOptions &options) {
    if (m.lower) throw std::invalid_argument("the conjugate gradient needs both triangles of M");
    CgRun run(m, b, x, options);
    return run.solve(options.max_iterations, options.threshold, options);
}

}  // namespace nl
