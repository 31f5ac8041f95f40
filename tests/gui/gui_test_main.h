#pragma once

#include <QApplication>
#include <QListWidget>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <optional>

#include "HtmlEditor.h"

// main() of a GUI test program: the web engine needs its process set up
// before the application object exists, which QTEST_MAIN does not do.
// The editors' spelling dictionary is the one the build put in the program
// folder.
#define WORDLARK_GUI_TEST_MAIN(TestClass)                                       \
  int main(int argc, char** argv) {                                             \
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DICTIONARIES_PATH")) {          \
      qputenv("QTWEBENGINE_DICTIONARIES_PATH",                                  \
              QByteArrayLiteral(WORDLARK_BIN_DIR "/qtwebengine_dictionaries")); \
    }                                                                           \
    wordlark::PrepareWebEngineEnvironment();                                    \
    QApplication app(argc, argv);                                               \
    app.setAttribute(Qt::AA_Use96Dpi, true);                                    \
    TestClass test;                                                             \
    QTEST_SET_MAIN_SOURCE_PATH                                                  \
    return QTest::qExec(&test, argc, argv);                                     \
  }

namespace wordlark::test {

// How long a test waits for the page behind an editor to answer.
inline constexpr int kPageTimeoutMs = 30000;

inline QWebEngineView* ViewOf(HtmlEditor& editor) {
  return editor.findChild<QWebEngineView*>();
}

// Runs `script` in `page` and waits for its result (the DOM is shared
// between script worlds). By default it runs in a world of the test's own.
inline QVariant EvalIn(QWebEnginePage* page, const QString& script,
                       quint32 world = QWebEngineScript::UserWorld) {
  auto result = std::make_shared<std::optional<QVariant>>();
  page->runJavaScript(script, world, [result](const QVariant& value) { *result = value; });
  if (!QTest::qWaitFor([&] { return result->has_value(); }, kPageTimeoutMs)) {
    qWarning("script did not answer: %s", qPrintable(script));
    return {};
  }
  return **result;
}

inline QVariant Eval(HtmlEditor& editor, const QString& script) {
  return EvalIn(ViewOf(editor)->page(), script);
}

// The texts of a list box's entries, in order.
inline QStringList ListTexts(const QListWidget* box) {
  QStringList texts;
  for (int i = 0; i < box->count(); ++i) {
    texts << box->item(i)->text();
  }
  return texts;
}

// Shows the editor and gives it the keyboard focus, so that key events reach
// the page.
inline bool ShowFocused(HtmlEditor& editor) {
  editor.resize(400, 300);
  editor.show();
  if (!QTest::qWaitForWindowExposed(&editor)) {
    return false;
  }
  editor.activateWindow();
  editor.setFocus();
  QWidget* proxy = ViewOf(editor)->focusProxy();
  return proxy != nullptr && QTest::qWaitFor([&] { return proxy->hasFocus(); }, kPageTimeoutMs) &&
         QTest::qWaitFor(
             [&] { return Eval(editor, QStringLiteral("document.hasFocus()")).toBool(); },
             kPageTimeoutMs);
}

inline QString PageBody(HtmlEditor& editor) {
  return Eval(editor, QStringLiteral("document.body.innerHTML")).toString();
}

inline void SelectAll(HtmlEditor& editor) {
  Eval(editor,
       QStringLiteral("{ const r = document.createRange(); r.selectNodeContents(document.body);"
                      "  const s = window.getSelection(); s.removeAllRanges(); s.addRange(r); }"));
}

}  // namespace wordlark::test
