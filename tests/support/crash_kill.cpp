#include "crash_kill.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velmo::test {

int killPoints(int fallback) {
    const char* env = std::getenv("VELMO_KILL_POINTS");
    int wanted = env ? std::atoi(env) : 0;
    return std::max(fallback, wanted);
}

namespace {

// Starts a child that writes `iterations` times (forever when negative) and
// tells the parent over a pipe when its first write begins.
pid_t startChild(const KillRun& run, int round, int iterations, int& readyFd) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t child = fork();
    if (child != 0) {
        close(fds[1]);
        readyFd = fds[0];
        return child;
    }
    close(fds[0]);
    char go = 1;
    (void)!::write(fds[1], &go, 1);
    close(fds[1]);
    try {
        for (int i = 0; iterations < 0 || i < iterations; ++i) run.write(round, i);
    } catch (...) {
        _exit(3);
    }
    _exit(0);
}

bool waitReady(int fd) {
    char c = 0;
    bool ok = ::read(fd, &c, 1) == 1;
    close(fd);
    return ok;
}

} // namespace

std::chrono::microseconds timeOneWrite(const KillRun& run) {
    using clock = std::chrono::steady_clock;
    std::vector<std::chrono::microseconds> times;
    for (int sample = 0; sample < 3; ++sample) {
        if (run.prepare) run.prepare(0);
        int ready = -1;
        pid_t child = startChild(run, 0, 2, ready);
        if (child < 0) break;
        waitReady(ready);
        auto start = clock::now();
        int status = 0;
        waitpid(child, &status, 0);
        times.push_back(std::chrono::duration_cast<std::chrono::microseconds>(clock::now() - start) / 2);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a timing run of the writer failed";
    }
    if (times.empty()) return std::chrono::milliseconds(10);
    std::sort(times.begin(), times.end());
    return std::max(times[times.size() / 2], std::chrono::microseconds(200));
}

void killRepeatedly(int rounds, std::chrono::microseconds window, const KillRun& run) {
    unsigned seed = std::random_device{}();
    if (const char* env = std::getenv("VELMO_KILL_SEED")) seed = static_cast<unsigned>(std::strtoul(env, nullptr, 10));
    SCOPED_TRACE("VELMO_KILL_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, std::max<long>(1, window.count()) - 1);
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("kill point " + std::to_string(round));
        if (run.prepare) run.prepare(round);
        int ready = -1;
        pid_t child = startChild(run, round, -1, ready);
        ASSERT_GE(child, 0) << "fork failed";
        waitReady(ready);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, exit status " << WEXITSTATUS(status);
        run.check(round);
        if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure()) return;
    }
}

void killAtRandomPoints(int rounds, const KillRun& run) {
    std::chrono::microseconds one = timeOneWrite(run);
    killRepeatedly(rounds, one * 5 / 2, run);
}

} // namespace velmo::test
