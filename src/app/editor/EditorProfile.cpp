#include "EditorProfile.h"

#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeDatabase>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTimer>
#include <QWebEngineContextMenuRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <cstdio>

#include "HtmlEditor.h"

namespace wordlark {

namespace {

void AppendChromiumFlag(QByteArray& flags, const QByteArray& flag) {
  if (flags.split(' ').contains(flag)) {
    return;
  }
  if (!flags.isEmpty()) {
    flags += ' ';
  }
  flags += flag;
}

// The application's environment as it was before the engine's set-up
// changed it for the application object's construction.
bool g_restore_gl_integration = false;
QtMessageHandler g_previous_message_handler = nullptr;

// While the application object is built without OpenGL, Qt says once that it
// could not make the engine's OpenGL context; that is intended here.
void QuietWithoutOpenGl(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg &&
      text.contains(QLatin1String("Cannot create platform OpenGL context"))) {
    return;
  }
  if (g_previous_message_handler != nullptr) {
    g_previous_message_handler(type, context, text);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
  }
}

// Runs once the application object is built and its event loop turns: the
// environment goes back to what the user had, so that programs started from
// here (a browser, the updater) do not inherit the set-up.
void RestoreEnvironment() {
  if (g_restore_gl_integration) {
    qunsetenv("QT_XCB_GL_INTEGRATION");
  }
  // Only when nothing (a test harness) has put in a handler of its own since.
  const QtMessageHandler current = qInstallMessageHandler(g_previous_message_handler);
  if (current != QuietWithoutOpenGl) {
    qInstallMessageHandler(current);
  }
}

void AfterApplicationCreated() {
  QTimer::singleShot(0, QCoreApplication::instance(), RestoreEnvironment);
}

// When the engine draws in software, the views only show the bitmaps it
// hands over: Qt Quick draws them in software too, and OpenGL (a driver and
// its compiler, tens of milliseconds and megabytes at start) is not loaded.
void DrawWithoutOpenGl() {
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) {
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    g_restore_gl_integration = true;
  }
  g_previous_message_handler = qInstallMessageHandler(QuietWithoutOpenGl);
  qAddPreRoutine(AfterApplicationCreated);
}

// One off-the-record profile serves every editor while any exists.
QWebEngineProfile* g_profile = nullptr;
int g_profile_users = 0;
bool g_spell_checking = true;
std::function<void(bool)> g_spell_checking_listener;

// The largest picture a page of the program loads from disk.
constexpr qint64 kMaxPictureBytes = 64 * 1024 * 1024;

class EditorSchemeHandler : public QWebEngineUrlSchemeHandler {
 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QUrl url = job->requestUrl();
    if (job->requestMethod() != "GET" || url.host() != u"editor") {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    // A picture given by its file's path ("/home/.../photo.png") resolves
    // against the editor's page to this path.
    ReplyWithPicture(job, url.path(QUrl::FullyDecoded));
  }
};

}  // namespace

void ReplyWithPicture(QWebEngineUrlRequestJob* job, const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile() || info.size() > kMaxPictureBytes) {
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    return;
  }
  auto* file = new QFile(path, job);
  if (!file->open(QIODevice::ReadOnly)) {
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    return;
  }
  const QMimeType type = QMimeDatabase().mimeTypeForFileNameAndData(path, file->peek(512));
  if (!type.name().startsWith(u"image/")) {
    job->fail(QWebEngineUrlRequestJob::RequestDenied);
    return;
  }
  job->reply(type.name().toLatin1(), file);
}

void ShowEditorContextMenu(QWebEngineView* view, const QPoint& at) {
  QMenu* menu = view->createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const QWebEngineContextMenuRequest* request = view->lastContextMenuRequest();
  if (request != nullptr && request->isContentEditable()) {
    QAction* first = menu->actions().value(0);
    const QStringList suggestions = request->spellCheckerSuggestions();
    for (const QString& word : suggestions) {
      auto* replace = new QAction(word, menu);
      QObject::connect(replace, &QAction::triggered, view,
                       [view, word] { view->page()->replaceMisspelledWord(word); });
      menu->insertAction(first, replace);
    }
    if (!suggestions.isEmpty() && first != nullptr) {
      menu->insertSeparator(first);
    }
    menu->addSeparator();
    QAction* check = menu->addAction(QCoreApplication::translate("HtmlEditor", "Check Spelling"));
    check->setObjectName(QStringLiteral("actCheckSpelling"));
    check->setCheckable(true);
    check->setChecked(g_spell_checking);
    QObject::connect(check, &QAction::toggled, menu, [](bool on) {
      SetSpellChecking(on);
      if (g_spell_checking_listener) {
        g_spell_checking_listener(on);
      }
    });
  }
  menu->popup(view->mapToGlobal(at));
}

QWebEngineProfile* AcquireWebProfile() {
  if (g_profile == nullptr) {
    g_profile = new QWebEngineProfile();
    g_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    g_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    g_profile->setSpellCheckLanguages({QStringLiteral("en-US")});
    g_profile->setSpellCheckEnabled(g_spell_checking);
    QWebEngineSettings* settings = g_profile->settings();
    // The documents' own scripts never run; the editor's script lives in a
    // world of its own, which this switch does not affect.
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    g_profile->installUrlSchemeHandler(kEditorScheme, new EditorSchemeHandler(g_profile));
  }
  ++g_profile_users;
  return g_profile;
}

void ReleaseWebProfile() {
  if (--g_profile_users == 0) {
    delete g_profile;
    g_profile = nullptr;
  }
}

bool SpellChecking() {
  return g_spell_checking;
}

void SetSpellChecking(bool on) {
  g_spell_checking = on;
  if (g_profile != nullptr) {
    g_profile->setSpellCheckEnabled(on);
  }
}

void SetSpellCheckingListener(std::function<void(bool)> listener) {
  g_spell_checking_listener = std::move(listener);
}

void PrepareWebEngineEnvironment() {
  // The renderer's sandbox refuses to start for root.
  if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  }
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  const bool sandboxed = !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") &&
                         !flags.split(' ').contains("--no-sandbox");
  AppendChromiumFlag(flags, "--renderer-process-limit=1");
  // Without a display there is no GPU to use; software drawing avoids the
  // failing GPU process start-up. Without the sandbox the zygote process,
  // which exists to sandbox the renderers, only delays the first page, and
  // the editors' few pages draw as fast in software as with a GPU process.
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  const bool software =
      !sandboxed || platform.startsWith("offscreen") || platform.startsWith("minimal");
  if (software) {
    AppendChromiumFlag(flags, "--disable-gpu");
  }
  if (!sandboxed) {
    AppendChromiumFlag(flags, "--no-zygote");
  }
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
  if (software) {
    DrawWithoutOpenGl();
  } else {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  }
  // The editors' and the preview's pages and pictures come from the program
  // itself.
  for (const char* name : {kEditorScheme, kPreviewScheme}) {
    QWebEngineUrlScheme scheme(name);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(scheme);
  }
}

}  // namespace wordlark
