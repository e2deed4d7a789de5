// A small persistent team of threads that runs one task split into parts:
// the calling thread runs part 0, each helper thread one other part. The
// threads live as long as the team, so a loop can dispatch many tasks
// without creating threads or allocating.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace nl {

// Threads worth using for work over n unknowns: 2 above 50000, else 1.
unsigned threads_for(unsigned n);

class Team {
public:
    // Starts parts - 1 helper threads; if the system refuses a thread the
    // team simply has fewer parts (at least 1).
    explicit Team(unsigned parts);
    ~Team();
    Team(const Team &) = delete;
    Team &operator=(const Team &) = delete;

    unsigned parts() const { return static_cast<unsigned>(helpers_.size()) + 1; }

    // Calls task(part) for every part in [0, parts()) and returns when all
    // calls have returned. task must not throw.
    template <class Task> void run(Task &task) {
        dispatch(&task, [](void *t, unsigned part) { (*static_cast<Task *>(t))(part); });
    }

private:
    using Call = void (*)(void *, unsigned);
    void dispatch(void *task, Call call);
    void serve(unsigned part);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::uint64_t round_ = 0;
    unsigned busy_ = 0;
    bool stopping_ = false;
    void *task_ = nullptr;
    Call call_ = nullptr;
    std::vector<std::thread> helpers_;
};

}  // namespace nl
