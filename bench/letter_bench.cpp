// Benchmarks of the letter core: rendering, saving and loading a large letter
// (10,000 features, 10,000 testimonials and 1 MiB of editor HTML per step of
// the range, so the second step shows how the cost grows), and the whole
// wordlark-render process on the sample letter and on a placeholder bomb.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "letter/config_file.h"
#include "letter/list_items.h"
#include "render/output.h"
#include "render/renderer.h"

extern char** environ;

namespace wordlark {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = WORDLARK_SOURCE_DIR;
const fs::path kBin = WORDLARK_BIN_DIR;
const fs::path kSampleLetter = kSource / "examples/sample-letter/letter.set";

// A scratch folder for the files the benchmarks write, removed at exit.
// WORDLARK_BENCH_DIR picks the file system it lives on.
class ScratchFolder {
 public:
  ScratchFolder() {
    const char* base = std::getenv("WORDLARK_BENCH_DIR");
    std::string pattern =
        ((base != nullptr ? fs::path(base) : fs::temp_directory_path()) / "wordlark-bench-XXXXXX")
            .string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::abort();
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

const fs::path& BenchFolder() {
  static const ScratchFolder folder;
  return folder.path();
}

// A letter `scale` times the reference size.
LetterConfiguration BigLetter(int scale) {
  LetterConfiguration l;
  l.edtPageTitle = "A big letter";
  l.edtFullName = "Ann Lee";
  l.edtCurrentDate = "May 1";
  l.edtAttention = "Read every word";
  l.edtDirectLink = "https://example.com/buy";
  l.edtClickBankName = "annlee";
  l.memPaypalCode = "<form>\r\n<input type=submit value=Pay>\r\n</form>";
  for (int i = 0; i < 10000 * scale; ++i) {
    const std::string n = std::to_string(i);
    l.FeatureList.push_back(
        MakeFeatureItem("Feature " + n, "What it does for you, in a line.\r\nAnd why it matters."));
    l.TestimonialList.push_back(MakeTestimonialItem(
        "Customer " + n, "https://example.com/c" + n,
        "I bought it last week and it has already paid for itself.\r\nThank you!"));
  }
  const std::string paragraph =
      "<div>Some <b>bold</b> words, an <i>italic</i> one and a "
      "<a href=\"https://example.com/\">link</a> in a sentence of the letter.</div>";
  std::string html;
  while (html.size() < static_cast<std::size_t>(scale) * (1u << 20) / 5) {
    html += paragraph;
  }
  for (EditorDocument* editor :
       {&l.prfEditor1, &l.prfEditor2, &l.prfEditor3, &l.prfEditor10, &l.prfEditor11}) {
    editor->SetHtml(html);
  }
  return l;
}

void BM_RenderLetter(benchmark::State& state) {
  const LetterConfiguration letter = BigLetter(static_cast<int>(state.range(0)));
  const RenderContext context{kSource / "Templates/Modern.tem", "page.html", BenchFolder()};
  std::size_t size = 0;
  for (auto _ : state) {
    const RenderedLetter r = RenderLetter(letter, context);
    size = r.page.size();
    benchmark::DoNotOptimize(r.page.data());
  }
  state.counters["page_MiB"] = static_cast<double>(size) / (1 << 20);
}
BENCHMARK(BM_RenderLetter)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_FinishLetter(benchmark::State& state) {
  const LetterConfiguration letter = BigLetter(static_cast<int>(state.range(0)));
  const fs::path tem = kSource / "Templates/Modern.tem";
  for (auto _ : state) {
    const FinishOutcome outcome = FinishLetter(letter, tem, "page.html", BenchFolder());
    if (outcome.status != FinishStatus::kSaved) {
      state.SkipWithError(outcome.detail.c_str());
      break;
    }
  }
}
void BM_PageFileBytes(benchmark::State& state) {
  const LetterConfiguration letter = BigLetter(static_cast<int>(state.range(0)));
  const std::string page =
      RenderLetter(letter, {kSource / "Templates/Modern.tem", "page.html", BenchFolder()}).page;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PageFileBytes(page).data());
  }
}
BENCHMARK(BM_PageFileBytes)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_FinishLetter)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveConfiguration(benchmark::State& state) {
  const LetterConfiguration letter = BigLetter(static_cast<int>(state.range(0)));
  const fs::path file = BenchFolder() / "save.set";
  for (auto _ : state) {
    SaveConfiguration(file, letter);
  }
  state.counters["file_MiB"] = static_cast<double>(fs::file_size(file)) / (1 << 20);
}
BENCHMARK(BM_SaveConfiguration)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadConfiguration(benchmark::State& state) {
  const fs::path file = BenchFolder() / ("load" + std::to_string(state.range(0)) + ".set");
  SaveConfiguration(file, BigLetter(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    LetterConfiguration letter;
    LoadConfiguration(file, letter);
    benchmark::DoNotOptimize(letter.FeatureList.data());
  }
}
BENCHMARK(BM_LoadConfiguration)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Runs wordlark-render on a letter (the sample letter by default); true when
// it ends with `expected_status`. `peak_kib` gets the largest resident size
// the process reached.
bool RunRenderTool(const fs::path& output, const fs::path& letter_file = kSampleLetter,
                   int expected_status = 0, long* peak_kib = nullptr) {
  const std::string tool = (kBin / "wordlark-render").string();
  const std::string templates = (kSource / "Templates").string();
  const std::string letter = letter_file.string();
  const std::string out = output.string();
  char* argv[] = {const_cast<char*>(tool.c_str()),      const_cast<char*>("--templates"),
                  const_cast<char*>(templates.c_str()), const_cast<char*>(letter.c_str()),
                  const_cast<char*>(out.c_str()),       nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int status = 0;
  rusage usage{};
  const bool ok = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv, environ) == 0 &&
                  wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) &&
                  WEXITSTATUS(status) == expected_status;
  posix_spawn_file_actions_destroy(&actions);
  if (peak_kib != nullptr) {
    *peak_kib = usage.ru_maxrss;
  }
  return ok;
}

// The command-line tool as a whole process on the sample letter (start-up,
// load, render, write), rendering again into the same folder: the pictures
// there are up to date and are not copied again.
void BM_RenderToolProcess(benchmark::State& state) {
  for (auto _ : state) {
    if (!RunRenderTool(BenchFolder() / "sample.html")) {
      state.SkipWithError("wordlark-render failed");
      break;
    }
  }
}
BENCHMARK(BM_RenderToolProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same into a new, empty folder each time, so the three pictures are
// copied (and made durable) as well.
void BM_RenderToolProcessFreshFolder(benchmark::State& state) {
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path folder = BenchFolder() / ("fresh" + std::to_string(n++));
    fs::create_directory(folder);
    state.ResumeTiming();
    if (!RunRenderTool(folder / "index.html")) {
      state.SkipWithError("wordlark-render failed");
      break;
    }
  }
}
BENCHMARK(BM_RenderToolProcessFreshFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

// A letter of 4 KB whose texts hold placeholders that multiply each other
// (the title holds %%ORDERHEADLINE%% 42 times, the headline %%FULLNAME%% 42
// times, and so on): its page would grow to gigabytes, and the tool refuses it
// as soon as a replacement would pass the page's bound.
void BM_RenderToolPlaceholderBomb(benchmark::State& state) {
  long peak_kib = 0;
  for (auto _ : state) {
    if (!RunRenderTool(BenchFolder() / "bomb.html",
                       kSource / "tests/data/render/placeholder_bomb.set", 1, &peak_kib)) {
      state.SkipWithError("wordlark-render did not refuse the letter");
      break;
    }
  }
  state.counters["peak_RSS_MiB"] = static_cast<double>(peak_kib) / 1024;
}
BENCHMARK(BM_RenderToolPlaceholderBomb)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace wordlark
