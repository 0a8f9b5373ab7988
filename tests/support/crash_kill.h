#pragma once
// Kills a writer at random moments. A child process repeats one write (for
// example the new content, then the old one again, in turn) until it is
// killed with SIGKILL at a random point; after each kill the test checks what
// the write left behind: the old or the new file, never a torn one.

#include <chrono>
#include <functional>

namespace velmo::test {

// Kill points per writer: `fallback`, or VELMO_KILL_POINTS when that is set
// and larger (longer runs for a soak test).
int killPoints(int fallback = 200);

struct KillRun {
    // In this process, before each round (sets up the old state).
    std::function<void(int round)> prepare;
    // In the child, over and over (iteration 0, 1, 2, ...) until it is killed.
    // The child never returns into the test; it ends only by the kill.
    std::function<void(int round, int iteration)> write;
    // In this process, after the child was killed.
    std::function<void(int round)> check;
};

// How long one write takes: the median of a few, each in a child process.
std::chrono::microseconds timeOneWrite(const KillRun& run);

// `rounds` kills at delays drawn uniformly from [0, window), counted from the
// moment the child starts writing. The random seed is printed when a check
// fails; VELMO_KILL_SEED repeats a run.
void killRepeatedly(int rounds, std::chrono::microseconds window, const KillRun& run);

// timeOneWrite, then killRepeatedly with a window of about two and a half
// writes, so kills land in the first or second write of a child.
void killAtRandomPoints(int rounds, const KillRun& run);

} // namespace velmo::test
