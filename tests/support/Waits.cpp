// The one wait loop, and its form on Qt's event loop.
#include "Waits.h"

#include <QCoreApplication>
#include <thread>

namespace qd40::test {

namespace {
// How long the Qt form sleeps between two turns of the loop: short beside
// every interval the panel keeps, long enough not to spin.
constexpr auto kTurn = std::chrono::microseconds(250);
}  // namespace

bool waitWithin(std::chrono::milliseconds timeout, const std::function<bool()>& done,
                const std::function<void()>& between) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (between) between();
  }
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return waitWithin(
      timeout,
      [&done] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        return done();
      },
      [] { std::this_thread::sleep_for(kTurn); });
}

void runFor(std::chrono::milliseconds time) {
  waitUntil([] { return false; }, time);
}

}  // namespace qd40::test
