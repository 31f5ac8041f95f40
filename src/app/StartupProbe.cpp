#include "StartupProbe.h"

#include <unistd.h>

#include <QApplication>
#include <QStackedWidget>
#include <QTimer>
#include <cstdio>

#include "HtmlEditor.h"
#include "TfrmMain.h"
#include "util/process_memory.h"
#include "widgets/FirstPaint.h"
#include "wizard/WizardPage.h"

namespace wordlark {
namespace {

// The first step takes typing once its field (or, on the welcome page, the
// welcome button) has the focus and the event loop turns.
void MarkWhenTyping(TfrmMain* window) {
  QWidget* focus = window->focusWidget();
  const auto* page = qobject_cast<WizardPage*>(window->pgcMain->currentWidget());
  const bool onWelcome = window->pgcPrinc->currentWidget() != window->stsMain;
  if (focus != nullptr && (onWelcome || (page != nullptr && focus == page->FirstField()))) {
    StartupMark("typing");
    return;
  }
  QTimer::singleShot(1, window, [window] { MarkWhenTyping(window); });
}

}  // namespace

bool StartupProbeArmed() {
  return !qEnvironmentVariableIsEmpty("WORDLARK_STARTUP_PROBE");
}

void StartupMark(const char* name) {
  if (StartupProbeArmed()) {
    std::printf("mark %s\n", name);
    std::fflush(stdout);
  }
}

void ArmStartupProbe(TfrmMain* window) {
  if (!StartupProbeArmed()) {
    return;
  }
  CallAfterFirstPaint(window, [window] {
    StartupMark("paint");
    QTimer::singleShot(0, window, [window] { MarkWhenTyping(window); });
  });
  auto* poll = new QTimer(window);
  poll->setInterval(2);
  auto reported = std::make_shared<QList<int>>();
  QObject::connect(poll, &QTimer::timeout, window, [window, poll, reported] {
    if (!window->isVisible()) {
      return;
    }
    bool all = true;
    for (int tag : {1, 2, 3, 10, 11}) {
      if (!window->EditorForTag(tag)->IsReady()) {
        all = false;
      } else if (!reported->contains(tag)) {
        reported->append(tag);
        StartupMark(qPrintable(QStringLiteral("editor%1").arg(tag)));
      }
    }
    if (window->prfWelcome != nullptr && !window->prfWelcome->IsReady()) {
      all = false;
    } else if (window->prfWelcome != nullptr && !reported->contains(0)) {
      reported->append(0);
      StartupMark("welcome");
    }
    if (!all) {
      return;
    }
    poll->stop();
    // The title tells which letter the window opened, and whether it is
    // changed.
    std::printf("ready pss_kib=%ld modified=%d title=%s\n",
                ProcessTreePssKiB(static_cast<int>(getpid())), window->isWindowModified() ? 1 : 0,
                window->windowTitle().toUtf8().constData());
    std::fflush(stdout);
    QApplication::quit();
  });
  poll->start();
}

}  // namespace wordlark
