// How the window comes up: it paints before the web engine starts, the
// editors then start by themselves, and a step is entered only once its
// editors hold their documents.
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QWebEngineView>

#include "HtmlEditor.h"
#include "TfrmMain.h"
#include "gui_test_main.h"
#include "window_fixture.h"

using wordlark::HtmlEditor;
using wordlark::TfrmMain;
using wordlark::test::WindowFixture;

namespace {

// Counts the web views of the window at its first paint.
class FirstPaintSpy : public QObject {
 public:
  explicit FirstPaintSpy(QWidget* window) : window_(window) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (viewsAtFirstPaint_ < 0 && event->type() == QEvent::Paint && watched->isWidgetType() &&
        (watched == window_ || window_->isAncestorOf(static_cast<QWidget*>(watched)))) {
      viewsAtFirstPaint_ = static_cast<int>(window_->findChildren<QWebEngineView*>().size());
    }
    return false;
  }
  int viewsAtFirstPaint_ = -1;

 private:
  QWidget* window_;
};

// The OpenGL libraries of a driver, as a process maps them: the vendor's GLX
// or EGL library, a Mesa driver, the shader compiler it brings.
bool MapsOpenGlDriver(const QByteArray& maps) {
  static const QRegularExpression driver(
      QStringLiteral(R"((libGLX_|libEGL_)\w+\.so|_dri\.so|libLLVM)"));
  return driver.match(QString::fromLatin1(maps)).hasMatch();
}

QList<HtmlEditor*> StepEditors(TfrmMain& w) {
  return {w.prfEditor1, w.prfEditor2, w.prfEditor3, w.prfEditor10, w.prfEditor11};
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { fixture_ = std::make_unique<WindowFixture>(); }
  void cleanup() { fixture_.reset(); }

  // Nothing of the web engine exists until the window is on screen; then
  // every editor comes up without being asked.
  void theWindowPaintsBeforeTheEditorsStart() {
    TfrmMain& w = fixture_->NewWindow();
    w.prfEditor3->SetHtml(QStringLiteral("<p>Kept while waiting</p>"));
    FirstPaintSpy spy(&w);
    qApp->installEventFilter(&spy);
    QVERIFY(fixture_->ShowWindow());
    QTRY_VERIFY(spy.viewsAtFirstPaint_ >= 0);
    qApp->removeEventFilter(&spy);
    QCOMPARE(spy.viewsAtFirstPaint_, 0);
    for (HtmlEditor* editor : StepEditors(w)) {
      QTRY_VERIFY_WITH_TIMEOUT(editor->IsReady(), wordlark::test::kPageTimeoutMs);
    }
    QCOMPARE(wordlark::test::PageBody(*w.prfEditor3), QStringLiteral("<p>Kept while waiting</p>"));
  }

  // A window that never showed starts no engine; its editors keep what they
  // were given, and entering a step brings up that step's editors first.
  void aStepIsEnteredWithItsEditorsReady() {
    TfrmMain& w = fixture_->NewWindow();
    w.prfEditor1->SetHtml(QStringLiteral("<p>Headline</p>"));
    QTest::qWait(200);
    for (HtmlEditor* editor : StepEditors(w)) {
      QVERIFY(!editor->EngineStarted());
    }
    QVERIFY(w.findChildren<QWebEngineView*>().isEmpty());
    QVERIFY(w.prfEditor1->GetHtml().contains(QStringLiteral("<p>Headline</p>")));

    w.btnNextClick();
    QCOMPARE(w.pgcMain->currentIndex(), 1);
    QVERIFY(w.prfEditor1->IsReady());
    QVERIFY(w.prfEditor2->IsReady());
    QCOMPARE(wordlark::test::PageBody(*w.prfEditor1), QStringLiteral("<p>Headline</p>"));
    QVERIFY(!w.prfEditor3->EngineStarted());
    // However a step is entered.
    w.pgcMain->setCurrentIndex(5);
    QVERIFY(w.prfEditor10->IsReady());
    QVERIFY(w.prfEditor11->IsReady());
  }

  // These tests run without the sandbox, where nothing loads OpenGL. The set-
  // up for the application object's construction is undone once the event
  // loop turns, so that programs started from the window (a browser) do not
  // inherit it, and a message handler put in since (the test harness's) stays.
  void theSetUpForSoftwareDrawingLeavesNoTrace() {
    QTRY_VERIFY(!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"));
    QTest::ignoreMessage(QtWarningMsg, "heard by the harness");
    qWarning("heard by the harness");
  }

  // The real program on a virtual X display, without the sandbox: no OpenGL
  // driver is loaded, neither for the window nor for the editors.
  void theProgramLoadsNoOpenGlDriverWithoutTheSandbox() {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty()) {
      QSKIP("xvfb-run is not installed");
    }
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WORDLARK_STARTUP_PROBE"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    // The shell says its process number, then becomes the program.
    program.start(QStringLiteral("xvfb-run"),
                  {QStringLiteral("-a"), QStringLiteral("sh"), QStringLiteral("-c"),
                   QStringLiteral("echo \"pid $$\"; exec \"$0\""),
                   QStringLiteral(WORDLARK_BIN_DIR "/wordlark")});
    QVERIFY(program.waitForStarted());
    QByteArray said;
    QString pid;
    QByteArray mapsAtPaint;
    QByteArray mapsWithEditors;
    const auto heard = [&] {
      said += program.readAllStandardOutput();
      if (pid.isEmpty() && said.contains('\n')) {
        pid = QString::fromLatin1(said.left(said.indexOf('\n'))).section(QLatin1Char(' '), 1);
      }
      QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
      if (mapsAtPaint.isEmpty() && said.contains("mark paint") && maps.open(QIODevice::ReadOnly)) {
        mapsAtPaint = maps.readAll();
      } else if (mapsWithEditors.isEmpty() && said.contains("mark editor1") &&
                 maps.open(QIODevice::ReadOnly)) {
        mapsWithEditors = maps.readAll();
      }
      return said.contains("ready pss_kib=") || program.state() == QProcess::NotRunning;
    };
    QVERIFY(QTest::qWaitFor(heard, 120000));
    program.waitForFinished(60000);
    QVERIFY2(said.contains("ready pss_kib="), said.constData());
    // The window is up before any editor; read then, it is still running.
    QVERIFY2(!mapsAtPaint.isEmpty(), said.constData());
    QVERIFY(mapsAtPaint.contains("wordlark"));
    QVERIFY(!MapsOpenGlDriver(mapsAtPaint));
    // The editors may all be ready at once, and the program then quits.
    if (!mapsWithEditors.isEmpty()) {
      QVERIFY(!MapsOpenGlDriver(mapsWithEditors));
    }
  }

 private:
  std::unique_ptr<WindowFixture> fixture_;
};

WORDLARK_GUI_TEST_MAIN(StartupTest)
#include "startup_test.moc"
