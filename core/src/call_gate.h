#pragma once
// Lets calls into an object run concurrently until the object is closed;
// closing waits for the calls still inside (other than the closing thread's
// own) and turns every later call away.

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace pdx::core {

class CallGate {
public:
    bool enter() {
        std::lock_guard g(lock_);
        if (closed_) return false;
        ++callsOf(std::this_thread::get_id());
        ++inside_;
        return true;
    }
    void leave() {
        std::lock_guard g(lock_);
        const auto me = std::this_thread::get_id();
        if (--callsOf(me) == 0)
            threads_.erase(std::find_if(threads_.begin(), threads_.end(), [&](const auto& t) { return t.first == me; }));
        --inside_;
        idle_.notify_all();
    }
    void close() {
        std::unique_lock g(lock_);
        size_t mine = 0; // the closing thread's own calls, which it cannot wait for
        for (const auto& t : threads_)
            if (t.first == std::this_thread::get_id()) mine = t.second;
        closed_ = true;
        idle_.wait(g, [&] { return inside_ <= mine; });
    }
    bool closed() {
        std::lock_guard g(lock_);
        return closed_;
    }

private:
    // The calls each thread has inside, kept with the gate rather than in
    // thread-local storage: a library loaded at run time gets its thread-local
    // blocks from the heap, where the test builds' leak checker can misread them.
    size_t& callsOf(std::thread::id thread) {
        for (auto& t : threads_)
            if (t.first == thread) return t.second;
        return threads_.emplace_back(thread, 0).second;
    }
    std::mutex lock_;
    std::condition_variable idle_;
    std::vector<std::pair<std::thread::id, size_t>> threads_;
    size_t inside_ = 0;
    bool closed_ = false;
};

// One call through the gate; false when the gate is closed.
class GateCall {
public:
    explicit GateCall(CallGate& gate) : gate_(gate), inside_(gate.enter()) {}
    ~GateCall() {
        if (inside_) gate_.leave();
    }
    GateCall(const GateCall&) = delete;
    GateCall& operator=(const GateCall&) = delete;
    explicit operator bool() const { return inside_; }

private:
    CallGate& gate_;
    bool inside_;
};

} // namespace pdx::core
