#pragma once

#include <QApplication>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>
#include <memory>

#include "HtmlEditor.h"

// main() of a GUI test program: the web engine needs its process set up
// before the application object exists, which QTEST_MAIN does not do.
#define WORDLARK_GUI_TEST_MAIN(TestClass)    \
  int main(int argc, char** argv) {          \
    wordlark::PrepareWebEngineEnvironment(); \
    QApplication app(argc, argv);            \
    app.setAttribute(Qt::AA_Use96Dpi, true); \
    TestClass test;                          \
    QTEST_SET_MAIN_SOURCE_PATH               \
    return QTest::qExec(&test, argc, argv);  \
  }

namespace wordlark::test {

using wordlark::HtmlEditor;

// How long a test waits for the page behind an editor to answer.
inline constexpr int kPageTimeoutMs = 30000;

inline QWebEngineView* ViewOf(HtmlEditor& editor) {
  return editor.findChild<QWebEngineView*>();
}

// Runs `script` in the page in a script world of the test's own and returns
// its result (the DOM is shared between worlds).
inline QVariant Eval(HtmlEditor& editor, const QString& script) {
  struct Result {
    bool done = false;
    QVariant value;
  };
  auto result = std::make_shared<Result>();
  ViewOf(editor)->page()->runJavaScript(script, QWebEngineScript::UserWorld,
                                        [result](const QVariant& value) {
                                          result->value = value;
                                          result->done = true;
                                        });
  if (!QTest::qWaitFor([&] { return result->done; }, kPageTimeoutMs)) {
    qWarning("script did not answer: %s", qPrintable(script));
  }
  return result->value;
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
