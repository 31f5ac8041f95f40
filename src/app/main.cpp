// Program entry: prepares the HTML engine, creates the main window and runs
// the event loop until it closes.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

#include "HtmlEditor.h"
#include "StartupProbe.h"
#include "TfrmMain.h"

namespace {

// Qt aborts when no display can be reached; say so plainly instead.
bool DisplayAvailable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0') {
    return true;
  }
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "wordlark: no display found; run it under a desktop session, or as "
                 "'xvfb-run -a %s'.\n",
                 argv[0]);
    return 1;
  }
  wordlark::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Wordlark"));
  QApplication::setApplicationDisplayName(QStringLiteral("Wordlark"));
  QApplication::setDesktopFileName(QStringLiteral("wordlark"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/wordlark.png")));
  wordlark::TfrmMain window;
  window.show();
  wordlark::ArmStartupProbe(&window);
  return app.exec();
}
