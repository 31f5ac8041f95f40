// Start-up of the desktop application as a whole process, under a virtual
// display, phase by phase: from spawning it to its first paint, to step 1
// taking typing, to each editor holding its document, and the memory of the
// whole process tree (PSS, renderer processes included) when all are ready.
// The application reports each moment itself when WORDLARK_STARTUP_PROBE is
// set; this program timestamps the lines as they arrive.
//
// Each round runs, one after the other, the floors (startup_floor_window, a
// bare window of a program linked with the web engine; startup_floor_views,
// the same with six hidden web views; and for reference
// startup_floor_plain, a bare window without the engine), the plain program
// folder and the branded one (the example brand: settings with a welcome
// page, two banners, a skin). The medians of eight rounds, and their ratios,
// are printed as a table; the ratios hold on a noisy machine because every
// program meets the same noise.
//
// The floors run the engine with its default settings, as any program would.
// Without the sandbox (as here) the application draws in software and loads
// no OpenGL driver; the bare window and the six views are also run that way
// ("5-bare-sw", "6-views-sw"), so that the table tells what the application
// gains from that mode and what from its own work.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A virtual display for the whole run.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    for (int n = 90; n < 120 && pid_ < 0; ++n) {
      if (fs::exists("/tmp/.X11-unix/X" + std::to_string(n))) {
        continue;
      }
      display_ = std::to_string(n).insert(0, 1, ':');
      pid_ = fork();
      if (pid_ == 0) {
        execlp("Xvfb", "Xvfb", display_.c_str(), "-screen", "0", "1100x820x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
      }
      for (int i = 0; i < 100 && !fs::exists("/tmp/.X11-unix/X" + display_.substr(1)); ++i) {
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

// One start: the moments reported (ms after the spawn) and the memory.
struct Start {
  std::map<std::string, double> marks;
  double pss_mib = 0;
  bool ready = false;
};

// `home` holds the programs' settings and state folders: the user's own
// (recent letters, letters kept for recovery) must not change what a start
// does, and the benchmark leaves them alone.
Start RunOnce(const std::string& display, const fs::path& home, const std::string& program) {
  const std::string command =
      "env DISPLAY=" + display + " XDG_CONFIG_HOME='" + (home / "config").string() +
      "' XDG_STATE_HOME='" + (home / "state").string() +
      "' QTWEBENGINE_DISABLE_SANDBOX=1 WORDLARK_STARTUP_PROBE=1 " + program + " 2>/dev/null";
  Start start;
  const auto spawned = std::chrono::steady_clock::now();
  FILE* out = popen(command.c_str(), "r");
  std::array<char, 512> line{};
  while (out != nullptr && std::fgets(line.data(), line.size(), out) != nullptr) {
    const double at =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - spawned)
            .count();
    std::array<char, 64> name{};
    long pss_kib = 0;
    if (std::sscanf(line.data(), "mark %63s", name.data()) == 1) {
      start.marks.emplace(name.data(), at);
    } else if (std::sscanf(line.data(), "ready pss_kib=%ld", &pss_kib) == 1) {
      start.marks.emplace("ready", at);
      start.pss_mib = static_cast<double>(pss_kib) / 1024.0;
      start.ready = true;
      break;
    }
  }
  if (out != nullptr) {
    pclose(out);
  }
  return start;
}

double Median(std::vector<double> values) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The medians of every mark of one program over the rounds.
struct Phases {
  std::map<std::string, std::vector<double>> marks;
  std::vector<double> pss;
  void Add(const Start& start) {
    for (const auto& [name, at] : start.marks) {
      marks[name].push_back(at);
    }
    pss.push_back(start.pss_mib);
  }
  double At(const std::string& name) const {
    const auto it = marks.find(name);
    return it == marks.end() ? 0 : Median(it->second);
  }
  double Pss() const { return Median(pss); }
};

// The environment in which the application draws when the engine runs
// without its sandbox: the engine without a GPU, Qt Quick in software, no
// OpenGL driver, all pages in one renderer process started without a zygote.
const std::string kSoftwareDrawing =
    "env QT_QUICK_BACKEND=software QT_XCB_GL_INTEGRATION=none "
    "QTWEBENGINE_CHROMIUM_FLAGS='--renderer-process-limit=1 --disable-gpu --no-zygote' ";

fs::path BenchFolder() {
  return fs::read_symlink("/proc/self/exe").parent_path();
}

void PrintTable(const std::map<std::string, Phases>& programs) {
  static const char* const kMarks[] = {"main",     "qapp",     "window",  "shown",   "paint",
                                       "typing",   "welcome",  "editor1", "editor2", "editor3",
                                       "editor10", "editor11", "ready"};
  std::printf("\nmedians, ms after spawn (PSS in MiB at ready)\n%-10s", "mark");
  for (const auto& [name, phases] : programs) {
    std::printf("%14s", name.c_str());
  }
  std::printf("\n");
  for (const char* mark : kMarks) {
    std::printf("%-10s", mark);
    for (const auto& [name, phases] : programs) {
      const double at = phases.At(mark);
      if (at > 0) {
        std::printf("%14.0f", at);
      } else {
        std::printf("%14s", "-");
      }
    }
    std::printf("\n");
  }
  std::printf("%-10s", "PSS");
  for (const auto& [name, phases] : programs) {
    std::printf("%14.0f", phases.Pss());
  }
  std::printf("\n\n");
}

void BM_Startup(benchmark::State& state) {
  static VirtualDisplay display;
  const fs::path app = fs::path(WORDLARK_BIN_DIR) / "wordlark";
  const fs::path floor_plain = BenchFolder() / "startup_floor_plain";
  const fs::path floor_window = BenchFolder() / "startup_floor_window";
  const fs::path floor_views = BenchFolder() / "startup_floor_views";
  if (!fs::exists(app) || !fs::exists(floor_plain) || !fs::exists(floor_window) ||
      !fs::exists(floor_views)) {
    state.SkipWithError("the application or the floor program is not built");
    return;
  }
  const fs::path branded =
      fs::temp_directory_path() / ("wordlark-branded-" + std::to_string(getpid()));
  const fs::path home = fs::temp_directory_path() / ("wordlark-home-" + std::to_string(getpid()));
  // Both folders go however the run ends.
  struct Cleanup {
    std::vector<fs::path> folders;
    ~Cleanup() {
      std::error_code ec;
      for (const fs::path& folder : folders) {
        fs::remove_all(folder, ec);
      }
    }
  } cleanup{{branded, home}};
  const std::string make =
      "bash '" + std::string(WORDLARK_SOURCE_DIR) + "/scripts/brand-example.sh' '" +
      fs::path(WORDLARK_BIN_DIR).parent_path().string() + "' '" + branded.string() + "' >/dev/null";
  if (std::system(make.c_str()) != 0) {
    state.SkipWithError("cannot make the branded program folder");
    return;
  }
  const std::vector<std::pair<std::string, std::string>> programs = {
      {"0-no-engine", "'" + floor_plain.string() + "'"},
      {"1-bare", "'" + floor_window.string() + "'"},
      {"2-six-views", "'" + floor_views.string() + "'"},
      {"3-plain", "'" + app.string() + "'"},
      {"4-branded", "'" + (branded / "wordlark").string() + "'"},
      {"5-bare-sw", kSoftwareDrawing + "'" + floor_window.string() + "'"},
      {"6-views-sw", kSoftwareDrawing + "'" + floor_views.string() + "'"},
  };
  std::map<std::string, Phases> phases;
  for (auto _ : state) {
    double plain_ready = 0;
    for (const auto& [name, command] : programs) {
      const Start start = RunOnce(display.name(), home, command);
      if (!start.ready) {
        state.SkipWithError((name + " did not report readiness").c_str());
        return;
      }
      phases[name].Add(start);
      if (name == "3-plain") {
        plain_ready = start.marks.at("ready");
      }
    }
    state.SetIterationTime(plain_ready / 1000.0);
  }

  const Phases& bare = phases["1-bare"];
  const Phases& views = phases["2-six-views"];
  const Phases& plain = phases["3-plain"];
  const Phases& brand = phases["4-branded"];
  state.counters["paint_ms"] = plain.At("paint");
  state.counters["typing_ms"] = plain.At("typing");
  state.counters["editors_ms"] = plain.At("ready");
  state.counters["pss_MiB"] = plain.Pss();
  state.counters["paint_x_bare"] = plain.At("paint") / bare.At("paint");
  state.counters["editors_x_views"] = plain.At("ready") / views.At("ready");
  state.counters["pss_minus_views_MiB"] = plain.Pss() - views.Pss();
  state.counters["branded_paint_plus_ms"] = brand.At("paint") - plain.At("paint");
  state.counters["branded_ready_plus_ms"] = brand.At("ready") - plain.At("ready");
  state.counters["paint_x_bare_sw"] = plain.At("paint") / phases["5-bare-sw"].At("paint");
  state.counters["editors_x_views_sw"] = plain.At("ready") / phases["6-views-sw"].At("ready");
  PrintTable(phases);
}

BENCHMARK(BM_Startup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
