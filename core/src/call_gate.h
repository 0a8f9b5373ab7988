#pragma once
// Lets calls into an object run concurrently until the object is closed;
// closing waits for the calls still inside (other than the closing thread's
// own) and turns every later call away.

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace pdx::core {

class CallGate {
public:
    bool enter() {
        std::lock_guard g(lock_);
        if (closed_) return false;
        ++inside_;
        held().push_back(this);
        return true;
    }
    void leave() {
        auto& mine = held();
        mine.erase(std::find(mine.rbegin(), mine.rend(), this).base() - 1);
        std::lock_guard g(lock_);
        --inside_;
        idle_.notify_all();
    }
    void close() {
        const auto mine = size_t(std::count(held().begin(), held().end(), this));
        std::unique_lock g(lock_);
        closed_ = true;
        idle_.wait(g, [&] { return inside_ <= mine; });
    }
    bool closed() {
        std::lock_guard g(lock_);
        return closed_;
    }

private:
    static std::vector<const CallGate*>& held() {
        thread_local std::vector<const CallGate*> gates;
        return gates;
    }
    std::mutex lock_;
    std::condition_variable idle_;
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
