// Start-up of the desktop application as a whole process: from spawning it to
// the wizard shown with every editor holding its document, under a virtual
// display, and the memory of the whole process tree at that moment (PSS,
// renderer processes included). The application reports readiness itself
// when WORDLARK_STARTUP_PROBE is set.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A virtual display for the whole run.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    for (int n = 90; n < 120 && pid_ < 0; ++n) {
      if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n))) {
        continue;
      }
      display_ = ":" + std::to_string(n);
      pid_ = fork();
      if (pid_ == 0) {
        execlp("Xvfb", "Xvfb", display_.c_str(), "-screen", "0", "1100x820x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
      }
      for (int i = 0; i < 100 && !std::filesystem::exists("/tmp/.X11-unix/X" + display_.substr(1));
           ++i) {
        usleep(50000);
      }
    }
  }
  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& name() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Starts the application of `program_folder` again and again until it reports
// readiness.
void MeasureStartup(benchmark::State& state, const std::filesystem::path& program_folder) {
  static VirtualDisplay display;
  const std::filesystem::path app = program_folder / "wordlark";
  if (!std::filesystem::exists(app)) {
    state.SkipWithError("the application is not built");
    return;
  }
  const std::string command = "env DISPLAY=" + display.name() +
                              " QTWEBENGINE_DISABLE_SANDBOX=1 WORDLARK_STARTUP_PROBE=1 '" +
                              app.string() + "' 2>/dev/null";
  long pss_kib = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    FILE* out = popen(command.c_str(), "r");
    std::array<char, 256> line{};
    bool ready = false;
    while (out != nullptr && std::fgets(line.data(), line.size(), out) != nullptr) {
      if (std::sscanf(line.data(), "ready pss_kib=%ld", &pss_kib) == 1) {
        ready = true;
        break;
      }
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (out != nullptr) {
      pclose(out);
    }
    if (!ready) {
      state.SkipWithError("the application did not report readiness");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
  }
  state.counters["pss_MiB"] = static_cast<double>(pss_kib) / 1024.0;
}

void BM_StartupToWizardReady(benchmark::State& state) {
  MeasureStartup(state, WORDLARK_BIN_DIR);
}

// The same program folder with the example brand: settings, two banners, a
// skin. The difference to the plain start is what the brand costs.
void BM_StartupBranded(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path folder =
      fs::temp_directory_path() / ("wordlark-branded-" + std::to_string(getpid()));
  const std::string make =
      "bash '" + std::string(WORDLARK_SOURCE_DIR) + "/scripts/brand-example.sh' '" +
      fs::path(WORDLARK_BIN_DIR).parent_path().string() + "' '" + folder.string() + "' >/dev/null";
  if (std::system(make.c_str()) != 0) {
    state.SkipWithError("cannot make the branded program folder");
    return;
  }
  MeasureStartup(state, folder);
  std::error_code ec;
  fs::remove_all(folder, ec);
}

BENCHMARK(BM_StartupToWizardReady)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_StartupBranded)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
