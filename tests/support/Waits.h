#pragma once
// The waits of the tests, the benchmarks and the screenshots. Every wait
// has a deadline: a fault shows as a failed expectation after the deadline,
// never as a suite that hangs until something kills it.
#include <chrono>
#include <functional>

namespace qd40::test {

// Checks `done` until it holds or `timeout` has passed, calling `between`
// (which should block briefly, or let an event loop run) after each look.
// Whether `done` held at last.
bool waitWithin(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                const std::function<void()>& between);

// The same while the Qt event loop runs, so that the panel in this process
// goes on working while the test waits.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// Runs the Qt event loop for a while.
void runFor(std::chrono::milliseconds time);

}  // namespace qd40::test
