// Program entry: prepares the HTML engine, creates the main window and runs
// the event loop until it closes.
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "HtmlEditor.h"
#include "StartupProbe.h"
#include "TfrmMain.h"
#include "brand/brand_settings.h"

namespace {

constexpr const char* kUsage =
    "Usage: wordlark [OPTION]... [LETTER]\n"
    "Writes a web sales letter step by step: an eight-step wizard collects the\n"
    "headline, introduction, product features, testimonials, closing words and\n"
    "order options, and saves the letter as a standalone web page with its\n"
    "pictures beside it. Work in progress is kept in letter files (*.set);\n"
    "LETTER, when given, is opened at start.\n"
    "\n"
    "Options:\n"
    "  -h, --help     shows this text\n"
    "      --version  prints the version\n"
    "\n"
    "Files:\n"
    "The page templates (*.tem) are read from the Templates folder of the\n"
    "program folder, the folder that holds the wordlark executable. A reseller's\n"
    "files are read from the program folder too: dbsettings.dat, banner1.dat to\n"
    "banner16.dat, mainskin.dat and main.ico.\n"
    "\n"
    "The folders of the file dialogs, the recent letters and the page made of\n"
    "each letter are remembered in $XDG_CONFIG_HOME/wordlark/wordlark.conf\n"
    "(~/.config by default). Changes not yet saved are kept for recovery in\n"
    "$XDG_STATE_HOME/wordlark/recovery (~/.local/state by default) and offered\n"
    "again at the next start when the program ended without saving them.\n"
    "\n"
    "Environment:\n"
    "The window needs a display (DISPLAY or WAYLAND_DISPLAY); without one, run\n"
    "it as 'xvfb-run -a wordlark'.\n";

// --help and --version are answered before anything graphical starts, so
// they work without a display. Returns true when the run ends there.
bool AnswerInformationOption(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      return false;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts(std::string(wordlark::ApplicationVersion).c_str());
      return true;
    }
  }
  return false;
}

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
  if (AnswerInformationOption(argc, argv)) {
    return 0;
  }
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "wordlark: no display found; run it under a desktop session, or as "
                 "'xvfb-run -a %s'.\n",
                 argv[0]);
    return 1;
  }
  wordlark::StartupMark("main");
  wordlark::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  wordlark::StartupMark("qapp");
  QApplication::setApplicationName(QStringLiteral("Wordlark"));
  QApplication::setDesktopFileName(QStringLiteral("wordlark"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/wordlark.png")));
  wordlark::TfrmMain window;
  wordlark::StartupMark("window");
  // The first argument that is no option names a letter to open.
  bool optionsEnded = false;
  for (const QString& argument : QCoreApplication::arguments().mid(1)) {
    if (!optionsEnded && argument == QLatin1String("--")) {
      optionsEnded = true;
    } else if (optionsEnded || !argument.startsWith(QLatin1Char('-'))) {
      window.OpenAtStart(QFileInfo(argument).absoluteFilePath());
      break;
    }
  }
  window.show();
  wordlark::StartupMark("shown");
  wordlark::ArmStartupProbe(&window);
  return app.exec();
}
