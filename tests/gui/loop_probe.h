#pragma once

// Watches the thread that creates it (the user-interface thread) from a
// thread of its own, and tells how long, at a stretch, that thread was away
// from its event loop's wait: working, or blocked anywhere but in the wait.
//
// A plain tick timer measures this too, but it also counts the time the
// system takes to wake a thread that is waiting, which on a loaded or
// virtual machine can be a hundred milliseconds (a virtual processor that is
// not running takes its timers with it). The probe asks the kernel instead:
// every millisecond it reads which system call the watched thread is in.
// While it is in the event loop's poll, nothing counts. While it runs, what
// counts is the processor time it got (from its schedstat), so the time it
// stood ready while other programs had the processors is not taken for the
// window's own work; and the probe's own late look at the thread adds
// nothing. While it is blocked in another system call (a lock, a file, a
// wait for another thread), the time between looks that both find it there
// counts as it passes.

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
    const std::string task = "/proc/self/task/" + std::to_string(tid_);
    fd_ = ::open((task + "/syscall").c_str(), O_RDONLY | O_CLOEXEC);
    schedFd_ = ::open((task + "/schedstat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0 && schedFd_ >= 0) {
      sampler_ = std::thread([this] { Sampling(); });
    }
  }
  ~LoopProbe() { Stop(); }
  LoopProbe(const LoopProbe&) = delete;
  LoopProbe& operator=(const LoopProbe&) = delete;

  // False where the system does not show a thread's system call and
  // processor time.
  bool Works() const { return fd_ >= 0 && schedFd_ >= 0; }

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
    for (int* fd : {&fd_, &schedFd_}) {
      if (*fd >= 0) {
        ::close(*fd);
        *fd = -1;
      }
    }
  }

  // The longest stretch within [from, to] (NowMs() times) during which the
  // thread was away from its event loop: the processor time it used and the
  // time it was blocked elsewhere, added up over the stretch.
  long long LongestAwayMs(long long from, long long to) const {
    long long longest = 0;
    long long awayNs = 0;
    bool away = false;
    for (std::size_t i = 0; i + 1 < samples_.size(); ++i) {
      const Sample& now = samples_[i];
      const Sample& next = samples_[i + 1];
      if (now.state == State::kWaiting) {
        if (away) {
          longest = std::max(longest, awayNs / 1000000);
        }
        away = false;
        awayNs = 0;
        continue;
      }
      away = true;
      if (next.at < from || now.at > to) {
        continue;  // outside the stretch asked about
      }
      if (now.state == State::kRunning) {
        awayNs += next.cpuNs - now.cpuNs;
      } else if (next.state == State::kBlocked) {
        // Blocked at both looks: blocked all the while.
        awayNs += (std::min(next.at, to) - std::max(now.at, from)) * 1000000;
      } else {
        // Left the call at some moment the probe did not see; a look a
        // millisecond later would have.
        awayNs += std::min<long long>(next.at - now.at, 1) * 1000000;
      }
    }
    if (away) {
      longest = std::max(longest, awayNs / 1000000);
    }
    return longest;
  }

 private:
  enum class State { kWaiting, kRunning, kBlocked };
  struct Sample {
    long long at;  // NowMs()
    State state;
    long long cpuNs;  // the thread's processor time so far
  };

  // In poll or ppoll, where every event loop of the application blocks; in
  // another system call; or running (on a processor or ready for one).
  State Look() const {
    char text[64] = {};
    const ssize_t n = ::pread(fd_, text, sizeof text - 1, 0);
    if (n <= 0 || text[0] < '0' || text[0] > '9') {
      return State::kRunning;
    }
    const long call = std::strtol(text, nullptr, 10);
    return call == SYS_poll || call == SYS_ppoll ? State::kWaiting : State::kBlocked;
  }

  long long ProcessorNs() const {
    char text[128] = {};
    const ssize_t n = ::pread(schedFd_, text, sizeof text - 1, 0);
    return n > 0 ? std::strtoll(text, nullptr, 10) : 0;
  }

  void Sampling() {
    while (!stop_) {
      const State state = Look();
      // Every change, and every look while away, so processor time and
      // blocked time are known piece by piece.
      if (samples_.empty() || state != State::kWaiting || samples_.back().state != state) {
        samples_.push_back({NowMs(), state, ProcessorNs()});
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    samples_.push_back({NowMs(), Look(), ProcessorNs()});
  }

  long tid_;
  int fd_ = -1;
  int schedFd_ = -1;
  std::atomic<bool> stop_{false};
  std::vector<Sample> samples_;  // written by the sampler only
  std::thread sampler_;
};

}  // namespace wordlark::test
