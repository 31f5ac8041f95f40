// Typing in an editor: the time from a keystroke to the window's copy of the
// editor's HTML holding it, for letters of 1 KiB, 100 KiB and 1 MiB with the
// caret in the middle. Beside it, in the same run, the same keystrokes into a
// bare contenteditable page holding the same document, timed until the page
// reports the input (the engine's own floor). The real editor and the real
// engine, offscreen, with real key events; p50 and p95 as counters (ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "HtmlEditor.h"

namespace {

constexpr int kKeystrokes = 60;
constexpr qint64 kTimeoutMs = 30000;

// Paragraphs of letter text with some markup, `bytes` long or a little more.
QString LetterHtml(qsizetype bytes) {
  QString html;
  for (int n = 0; html.size() < bytes; ++n) {
    html += QStringLiteral(
                "<p>Paragraph %1: our <b>sourdough</b> course shows you, step by step, how to "
                "bake a <i>crackling</i> loaf at home.</p>")
                .arg(n);
  }
  return html;
}

template <typename Done>
bool SpinUntil(Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > kTimeoutMs) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

// Runs a script in `page` and waits for its answer.
QVariant Eval(QWebEnginePage* page, const QString& script) {
  std::optional<QVariant> result;
  page->runJavaScript(script, QWebEngineScript::UserWorld,
                      [&result](const QVariant& value) { result = value; });
  SpinUntil([&] { return result.has_value(); });
  return result.value_or(QVariant());
}

// Puts the caret in the middle of the middle paragraph.
void CaretInTheMiddle(QWebEnginePage* page) {
  Eval(page,
       QStringLiteral("(() => { const ps = document.body.querySelectorAll('p');"
                      " const text = ps[Math.floor(ps.length / 2)].firstChild;"
                      " const range = document.createRange();"
                      " range.setStart(text, Math.floor(text.length / 2)); range.collapse(true);"
                      " const s = window.getSelection(); s.removeAllRanges(); s.addRange(range);"
                      " return true; })()"));
}

void Report(benchmark::State& state, std::vector<double> ms) {
  if (ms.empty()) {
    return;
  }
  std::sort(ms.begin(), ms.end());
  const auto at = [&](double q) {
    return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * ms.size()))];
  };
  state.counters["p50_ms"] = at(0.50);
  state.counters["p95_ms"] = at(0.95);
  state.counters["max_ms"] = ms.back();
}

// Types a key into `keys` once an iteration and times it until `mark()`
// changes; p50, p95 and max go to the counters.
template <typename Mark>
void TimeKeystrokes(benchmark::State& state, QWidget* keys, Mark mark, const char* lost) {
  keys->setFocus();
  std::vector<double> ms;
  for (auto _ : state) {
    const auto before = mark();
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(keys, Qt::Key_X);
    if (!SpinUntil([&] { return mark() != before; })) {
      state.SkipWithError(lost);
      return;
    }
    const double elapsed = timer.nsecsElapsed() / 1e6;
    state.SetIterationTime(elapsed / 1000);
    ms.push_back(elapsed);
  }
  Report(state, std::move(ms));
}

// A window the size of the main window's editors, shown and active.
std::unique_ptr<QWidget> ShownWindow(QWidget* content) {
  auto window = std::make_unique<QWidget>();
  auto* layout = new QVBoxLayout(window.get());
  layout->addWidget(content);
  window->resize(900, 600);
  window->show();
  window->activateWindow();
  return window;
}

void EditorKeystroke(benchmark::State& state) {
  auto* editor = new wordlark::HtmlEditor;
  const auto window = ShownWindow(editor);
  editor->SetHtml(LetterHtml(state.range(0)));
  if (!SpinUntil([&] { return editor->IsReady(); })) {
    state.SkipWithError("the editor never held its document");
    return;
  }
  auto* view = editor->findChild<QWebEngineView*>();
  CaretInTheMiddle(view->page());
  // The copy is current when the editor says its content changed; reading
  // the whole document at every turn of the wait would itself delay that.
  int changes = 0;
  QObject::connect(editor, &wordlark::HtmlEditor::contentChanged, [&changes] { ++changes; });
  const qsizetype before = editor->GetHtml().size();
  TimeKeystrokes(
      state, view->focusProxy(), [&changes] { return changes; },
      "the keystroke never reached the window's copy");
  // Every keystroke is in the copy, once.
  if (editor->GetHtml().size() != before + static_cast<qsizetype>(state.iterations())) {
    state.SkipWithError("the window's copy does not hold every keystroke");
  }
}

// A page that tells of every input through its console.
class BarePage : public QWebEnginePage {
 public:
  int inputs = 0;

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                const QString&) override {
    if (message == QLatin1String("input")) {
      ++inputs;
    }
  }
};

void BareKeystroke(benchmark::State& state) {
  auto* view = new QWebEngineView;
  auto* page = new BarePage;
  page->setParent(view);
  view->setPage(page);
  const auto window = ShownWindow(view);
  bool loaded = false;
  QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool) { loaded = true; });
  page->setHtml(QStringLiteral("<html><body contenteditable>") + LetterHtml(state.range(0)) +
                QStringLiteral("</body></html>"));
  if (!SpinUntil([&] { return loaded; })) {
    state.SkipWithError("the page never loaded");
    return;
  }
  Eval(page, QStringLiteral("document.body.addEventListener('input', () => console.log('input'));"
                            " true"));
  CaretInTheMiddle(page);
  TimeKeystrokes(
      state, view->focusProxy(), [page] { return page->inputs; },
      "the page never reported the keystroke");
}

}  // namespace

BENCHMARK(EditorKeystroke)
    ->Arg(1024)
    ->Arg(100 * 1024)
    ->Arg(1024 * 1024)
    ->Iterations(kKeystrokes)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BareKeystroke)
    ->Arg(1024)
    ->Arg(100 * 1024)
    ->Arg(1024 * 1024)
    ->Iterations(kKeystrokes)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  wordlark::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
