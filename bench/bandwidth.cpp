// The memory bandwidth floor: a streaming copy of buffers far larger than
// the caches, on as many threads as the solver uses.
#include "bench.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace bench {

double streamBandwidth() {
    const std::size_t n = std::size_t(1) << 25;  // 256 MiB per buffer
    std::vector<double> a(n, 1.0), b(n, 0.0);
    const unsigned threads = std::max(1u, std::min(2u, std::thread::hardware_concurrency()));
    double best = 1e300;
    for (int pass = 0; pass < 5; ++pass) {
        const double t = nowMs();
        std::vector<std::thread> team;
        for (unsigned p = 0; p < threads; ++p)
            team.emplace_back([&, p] {
                const std::size_t lo = n * p / threads, hi = n * (p + 1) / threads;
                std::copy(a.begin() + std::ptrdiff_t(lo), a.begin() + std::ptrdiff_t(hi),
                          b.begin() + std::ptrdiff_t(lo));
            });
        for (auto &th : team) th.join();
        best = std::min(best, nowMs() - t);
        a[pass] = b[n - 1 - std::size_t(pass)];  // keep the copies observable
    }
    return 2.0 * double(n * sizeof(double)) / (best / 1000.0);
}

}  // namespace bench
