#pragma once

// Watches the thread that creates it (the user-interface thread) from a
// thread of its own, and tells how long, at a stretch, that thread was away
// from its event loop's wait: working, or blocked anywhere but in the wait.
//
// A plain tick timer measures this too, but it also counts the time the
// system takes to wake a thread that is waiting, which on a loaded or
// virtual machine can be a hundred milliseconds (a virtual processor that is
// not running takes its timers with it). The probe asks the kernel instead:
// every millisecond it reads which system call the watched thread is in, and
// only time outside the event loop's poll counts.

#include <fcntl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace wordlark::test {

// The longest the event loop may stand still while the window works in the
// background (a request, a preview). A build with the sanitizers runs
// everything through checks many times slower, so there the loop only has to
// keep answering at all.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr long long kMaxStandStillMs = 1000;
#else
inline constexpr long long kMaxStandStillMs = 100;
#endif

// Runs an event loop until `done` holds (looked at every 10 ms) or `timeoutMs`
// passed; true when it holds. QTRY_VERIFY sleeps between its looks, which
// the probe would count as standing still.
template <typename Done>
inline bool WaitInEventLoop(Done done, int timeoutMs) {
  QEventLoop loop;
  QTimer look;
  look.setInterval(10);
  QObject::connect(&look, &QTimer::timeout, &loop, [&] {
    if (done()) {
      loop.quit();
    }
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  look.start();
  if (!done()) {
    loop.exec();
  }
  return done();
}

class LoopProbe {
 public:
  LoopProbe() : tid_(static_cast<long>(::syscall(SYS_gettid))) {
    const std::string file = "/proc/self/task/" + std::to_string(tid_) + "/syscall";
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0) {
      sampler_ = std::thread([this] { Sample(); });
    }
  }
  ~LoopProbe() { Stop(); }
  LoopProbe(const LoopProbe&) = delete;
  LoopProbe& operator=(const LoopProbe&) = delete;

  // False where the system does not show a thread's system call.
  bool Works() const { return fd_ >= 0; }

  // The monotonic clock of QElapsedTimer::msecsSinceReference().
  static long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
  }

  // Ends the sampling; the results below are complete only after it.
  void Stop() {
    if (sampler_.joinable()) {
      stop_ = true;
      sampler_.join();
    }
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }

  // The longest stretch within [from, to] (NowMs() times) during which the
  // thread was not waiting in its event loop.
  long long LongestAwayMs(long long from, long long to) const {
    long long longest = 0;
    long long awaySince = -1;
    for (const auto& [at, waiting] : changes_) {
      if (!waiting && awaySince < 0) {
        awaySince = at;
      } else if (waiting && awaySince >= 0) {
        longest = std::max(longest, Overlap(awaySince, at, from, to));
        awaySince = -1;
      }
    }
    if (awaySince >= 0) {
      longest = std::max(longest, Overlap(awaySince, to, from, to));
    }
    return longest;
  }

 private:
  static long long Overlap(long long a, long long b, long long from, long long to) {
    return std::max(0LL, std::min(b, to) - std::max(a, from));
  }

  // Whether the watched thread waits in poll or ppoll, where every event loop
  // of the application blocks.
  bool Waiting() const {
    char text[64] = {};
    const ssize_t n = ::pread(fd_, text, sizeof text - 1, 0);
    if (n <= 0 || text[0] < '0' || text[0] > '9') {
      return false;  // "running": on a processor or ready for one
    }
    const long call = std::strtol(text, nullptr, 10);
    return call == SYS_poll || call == SYS_ppoll;
  }

  void Sample() {
    bool last = false;
    bool first = true;
    while (!stop_) {
      const bool waiting = Waiting();
      if (first || waiting != last) {
        changes_.emplace_back(NowMs(), waiting);
        last = waiting;
        first = false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  long tid_;
  int fd_ = -1;
  std::atomic<bool> stop_{false};
  std::vector<std::pair<long long, bool>> changes_;  // written by the sampler only
  std::thread sampler_;
};

}  // namespace wordlark::test
