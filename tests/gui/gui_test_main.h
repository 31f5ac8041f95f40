#pragma once

#include <QApplication>
#include <QtTest>

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
