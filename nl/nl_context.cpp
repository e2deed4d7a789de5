#include "nl_context.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <unordered_set>

namespace nl {

namespace {

std::atomic<Context *> g_current{nullptr};
// Set once "no current context" has been reported, so a caller that keeps
// calling without a context does not flood stderr; cleared whenever a
// context becomes current.
std::atomic<bool> g_no_context_reported{false};

// Live contexts, so that a stale or foreign handle is refused instead of
// being dereferenced.
std::mutex &live_mutex() {
    static std::mutex m;
    return m;
}
std::unordered_set<Context *> &live() {
    static std::unordered_set<Context *> s;
    return s;
}

Context *find_live(NLcontext handle) {
    Context *ctx = static_cast<Context *>(handle);
    return live().count(ctx) != 0 ? ctx : nullptr;
}

void set_current(Context *ctx) {
    g_current.store(ctx, std::memory_order_release);
    if (ctx != nullptr) g_no_context_reported.store(false, std::memory_order_relaxed);
}

Context *current_or_report(const char *function) {
    Context *ctx = g_current.load(std::memory_order_acquire);
    if (ctx == nullptr && !g_no_context_reported.exchange(true)) {
        misuse(nullptr, function, "no current context (call nlNewContext() first)");
    }
    return ctx;
}

// The message function and its data; read and written under the lock,
// called outside it.
std::mutex &message_mutex() {
    static std::mutex m;
    return m;
}
NLmessageFunc g_message_func = nullptr;
void *g_message_data = nullptr;

__attribute__((format(printf, 2, 0))) void vreport(const char *function, const char *format, va_list args) {
    char reason[256];
    std::vsnprintf(reason, sizeof reason, format, args);
    NLmessageFunc func;
    void *data;
    {
        std::lock_guard<std::mutex> lock(message_mutex());
        func = g_message_func;
        data = g_message_data;
    }
    if (func != nullptr)
        func(function, reason, data);
    else
        std::fprintf(stderr, "OpenNL error in %s(): %s\n", function, reason);
}

}  // namespace

const char *state_name(State s) {
    switch (s) {
        case State::Initial:
            return "INITIAL";
        case State::System:
            return "SYSTEM";
        case State::Matrix:
            return "MATRIX";
        case State::Row:
            return "ROW";
        case State::MatrixConstructed:
            return "MATRIX_CONSTRUCTED";
        case State::SystemConstructed:
            return "SYSTEM_CONSTRUCTED";
        case State::Solved:
            return "SOLVED";
        case State::Failed:
            return "FAILED";
    }
    return "?";
}

Context *create_context() {
    Context *ctx = new Context();
    {
        std::lock_guard<std::mutex> lock(live_mutex());
        try {
            live().insert(ctx);
        } catch (...) {
            delete ctx;
            throw;
        }
    }
    set_current(ctx);
    return ctx;
}

bool delete_context(NLcontext handle) {
    Context *ctx;
    {
        std::lock_guard<std::mutex> lock(live_mutex());
        ctx = find_live(handle);
        if (ctx == nullptr) return false;
        live().erase(ctx);
    }
    Context *expected = ctx;
    g_current.compare_exchange_strong(expected, nullptr);
    delete ctx;
    return true;
}

bool make_current(NLcontext handle) {
    std::lock_guard<std::mutex> lock(live_mutex());
    Context *ctx = find_live(handle);
    if (handle != nullptr && ctx == nullptr) return false;
    set_current(ctx);
    return true;
}

Context *current_context() { return g_current.load(std::memory_order_acquire); }

void set_message_function(NLmessageFunc func, void *data) {
    std::lock_guard<std::mutex> lock(message_mutex());
    g_message_func = func;
    g_message_data = data;
}

void get_message_function(NLmessageFunc *func, void **data) {
    std::lock_guard<std::mutex> lock(message_mutex());
    *func = g_message_func;
    *data = g_message_data;
}

void misuse(Context *ctx, const char *function, const char *format, ...) {
    if (ctx != nullptr) {
        if (ctx->state == State::Failed) return;
        ctx->state = State::Failed;
    }
    va_list args;
    va_start(args, format);
    vreport(function, format, args);
    va_end(args);
}

void report(const char *function, const char *format, ...) {
    va_list args;
    va_start(args, format);
    vreport(function, format, args);
    va_end(args);
}

Context *enter(const char *function) {
    Context *ctx = current_or_report(function);
    return (ctx != nullptr && ctx->state != State::Failed) ? ctx : nullptr;
}

Context *enter_read(const char *function) { return current_or_report(function); }

bool expect_state(Context *ctx, State s, const char *function) {
    if (ctx->state == s) return true;
    misuse(ctx, function, "called in state %s, legal only in %s", state_name(ctx->state), state_name(s));
    return false;
}

bool expect_variable(Context *ctx, NLuint index, const char *function) {
    if (ctx->value.empty()) {
        misuse(ctx, function, "called in state %s, before nlBegin(NL_SYSTEM)", state_name(ctx->state));
        return false;
    }
    if (index >= ctx->value.size()) {
        misuse(ctx, function, "variable index %u out of range [0, %zu)", index, ctx->value.size());
        return false;
    }
    return true;
}

}  // namespace nl
