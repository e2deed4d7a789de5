#include "nl_team.h"

#include <system_error>

namespace nl {

unsigned threads_for(unsigned n) {
    constexpr unsigned kParallelUnknowns = 50000;
    if (n <= kParallelUnknowns) return 1;
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

Team::Team(unsigned parts) {
    if (parts < 2) return;
    helpers_.reserve(parts - 1);
    for (unsigned p = 1; p < parts; ++p) {
        try {
            helpers_.emplace_back([this, p] { serve(p); });
        } catch (const std::system_error &) {
            break;
        }
    }
}

Team::~Team() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread &t : helpers_) t.join();
}

void Team::dispatch(void *task, Call call) {
    if (!helpers_.empty()) {
        std::lock_guard<std::mutex> lock(mutex_);
        task_ = task;
        call_ = call;
        busy_ = static_cast<unsigned>(helpers_.size());
        ++round_;
    }
    wake_.notify_all();
    call(task, 0);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return busy_ == 0; });
}

void Team::serve(unsigned part) {
    std::uint64_t seen = 0;
    for (;;) {
        void *task;
        Call call;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || round_ != seen; });
            if (stopping_) return;
            seen = round_;
            task = task_;
            call = call_;
        }
        call(task, part);
        std::lock_guard<std::mutex> lock(mutex_);
        if (--busy_ == 0) done_.notify_one();
    }
}

}  // namespace nl
