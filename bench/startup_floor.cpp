// The floors the start-up benchmark measures the application against: the
// least a Qt program of this kind can do. Built three times:
//   startup_floor_window  a bare window of the same size with a few plain
//                         widgets, the web engine linked (its libraries load
//                         and it sets up its graphics context with the
//                         application object, as in any program that uses
//                         it) but no web view: "mark paint" at its first
//                         paint, then "ready".
//   startup_floor_plain   the same window without the web engine.
//   startup_floor_views   the same window with six hidden web views, each
//                         loading a small page and answering a script:
//                         "mark paint", then "ready" once all six answered.
//                         The engine runs with its default settings.
// "ready" carries the memory of the process tree (proportional set size, KiB),
// as the application's own probe reports it.
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#if defined(WORDLARK_FLOOR_VIEWS) || defined(WORDLARK_FLOOR_ENGINE)
#include <QWebEnginePage>
#include <QWebEngineView>
#endif
#include <cstdio>

#include "util/process_memory.h"
#include "widgets/FirstPaint.h"

namespace {

void Print(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

void Ready() {
  std::printf("ready pss_kib=%ld\n", wordlark::ProcessTreePssKiB(static_cast<int>(getpid())));
  std::fflush(stdout);
  QApplication::quit();
}

}  // namespace

int main(int argc, char** argv) {
#ifdef WORDLARK_FLOOR_ENGINE
  // The engine's library must load with the program, though nothing here
  // uses it.
  volatile auto keep = &QWebEngineView::staticMetaObject;
  (void)keep;
#endif
  Print("mark main");
  QApplication app(argc, argv);
  Print("mark qapp");
  QMainWindow window;
  window.resize(900, 720);
  auto* central = new QWidget(&window);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(new QLabel(QStringLiteral("Step 1: General Settings"), central));
  auto* field = new QLineEdit(central);
  layout->addWidget(field);
  layout->addStretch(1);
  layout->addWidget(new QPushButton(QStringLiteral("Next"), central));
  window.setCentralWidget(central);

#ifdef WORDLARK_FLOOR_VIEWS
  constexpr bool views = true;
  int answered = 0;
  {
    auto* hidden = new QWidget(central);
    hidden->hide();
    for (int n = 0; n < 6; ++n) {
      auto* view = new QWebEngineView(hidden);
      QObject::connect(view, &QWebEngineView::loadFinished, view, [view, &answered](bool) {
        view->page()->runJavaScript(QStringLiteral("document.body.childElementCount"),
                                    [&answered](const QVariant&) {
                                      if (++answered == 6) {
                                        Ready();
                                      }
                                    });
      });
      view->setHtml(QStringLiteral("<html><body><p>Page %1</p></body></html>").arg(n));
    }
  }
#else
  constexpr bool views = false;
#endif
  field->setFocus();
  window.show();
  // Measured as the program measures its own first paint.
  wordlark::CallAfterFirstPaint(&window, [] {
    Print("mark paint");
    if (!views) {
      Ready();
    }
  });
  return app.exec();
}
