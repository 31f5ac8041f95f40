// The surroundings of one GUI test of the application: every seam reset, a
// fresh program folder, and the main window over it when the test wants one.
#pragma once

#include <QApplication>
#include <QIcon>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "HtmlEditor.h"
#include "LinkDialog.h"
#include "TfrmMain.h"
#include "online/NewsBalloon.h"
#include "seams/Desktop.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "test_support.h"

namespace wordlark::test {

// Made in a test's init() and dropped in its cleanup(). While it lives:
// message boxes are answered with OK and recorded, file dialogs and the
// colour picker have no queued answers, web addresses and program starts are
// recorded instead of reaching the desktop, the program folder is an empty
// temporary folder with an empty Templates folder, and the user's settings
// and state folders (XDG_CONFIG_HOME, XDG_STATE_HOME) are empty temporary
// folders of their own, with a documents folder in the home. Dropping it closes
// the window and any news balloon, puts back the application's look (a brand
// may have changed its style sheet, icon and name) and removes the folder.
class WindowFixture {
 public:
  WindowFixture()
      : styleSheet_(qApp->styleSheet()),
        windowIcon_(QApplication::windowIcon()),
        displayName_(QApplication::applicationDisplayName()) {
    MessageBox::SetAutoAnswer(MessageBox::Button::Ok);
    MessageBox::ClearHistory();
    FileDialog::Reset();
    ColorPicker::Reset();
    LinkDialog::Reset();
    SetUrlOpenerForTesting([this](const QUrl& url) {
      openedUrls_ << url.toString();
      return true;
    });
    SetProgramStarterForTesting([this](const QString& program, const QStringList& arguments) {
      startedPrograms_ << program << arguments;
      return true;
    });
    std::filesystem::create_directories(folder_.path() / "Templates");
    std::filesystem::create_directories(Documents());
    std::filesystem::create_directories(home_ / "config");
    WriteBytes(home_ / "config" / "user-dirs.dirs",
               "XDG_DOCUMENTS_DIR=\"" + Documents().string() + "\"\n");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home_ / "config").string()));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString((home_ / "state").string()));
  }

  ~WindowFixture() {
    if (NewsBalloon::Current() != nullptr) {
      NewsBalloon::Current()->close();
    }
    window_.reset();
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_STATE_HOME");
    SetUrlOpenerForTesting({});
    SetProgramStarterForTesting({});
    FileDialog::Reset();
    ColorPicker::Reset();
    LinkDialog::Reset();
    qApp->setStyleSheet(styleSheet_);
    QApplication::setWindowIcon(windowIcon_);
    QApplication::setApplicationDisplayName(displayName_);
  }

  WindowFixture(const WindowFixture&) = delete;
  WindowFixture& operator=(const WindowFixture&) = delete;

  const std::filesystem::path& Folder() const { return folder_.path(); }
  std::filesystem::path operator/(std::string_view name) const { return folder_ / name; }
  // The user's folders while the fixture lives: the documents folder, the
  // folder of the recovery files.
  std::filesystem::path Documents() const { return home_ / "Documents"; }
  std::filesystem::path RecoveryFolder() const { return home_ / "state" / "wordlark" / "recovery"; }

  // A new main window over the program folder, not shown yet; the one made
  // before goes first. The brand's random choices come from `random`.
  TfrmMain& NewWindow(RandomIndex random = SystemRandomIndex()) {
    window_.reset();
    window_ = std::make_unique<TfrmMain>(folder_.path(), std::move(random));
    return *window_;
  }

  // Shows the window (a new one when there is none) and waits until it is on
  // screen; false when it never got there.
  [[nodiscard]] bool ShowWindow() {
    if (window_ == nullptr) {
      NewWindow();
    }
    window_->show();
    return QTest::qWaitForWindowExposed(window_.get());
  }

  TfrmMain& Window() { return *window_; }

  // Starts the editors of `window` (a window starts them itself only after
  // its first paint) and waits until each holds the document it was given
  // last (they settle asynchronously); false when one never does.
  [[nodiscard]] static bool WaitForEditors(TfrmMain& window) {
    window.StartEditors();
    for (int tag : {1, 2, 3, 10, 11}) {
      if (!QTest::qWaitFor([&] { return window.EditorForTag(tag)->IsReady(); }, 60000)) {
        return false;
      }
    }
    return true;
  }
  bool HasWindow() const { return window_ != nullptr; }

  // The addresses handed to the desktop, and each program started with its
  // arguments after it, in order.
  const QStringList& OpenedUrls() const { return openedUrls_; }
  const QStringList& StartedPrograms() const { return startedPrograms_; }
  void ClearRecords() {
    openedUrls_.clear();
    startedPrograms_.clear();
  }

 private:
  TempDir folder_;
  TempDir home_;
  std::unique_ptr<TfrmMain> window_;
  QStringList openedUrls_;
  QStringList startedPrograms_;
  QString styleSheet_;
  QIcon windowIcon_;
  QString displayName_;
};

}  // namespace wordlark::test
