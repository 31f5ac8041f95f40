// How the window comes up: it paints before the web engine starts, the
// editors then start by themselves, and a step is entered only once its
// editors hold their documents.
#include <QApplication>
#include <QPointer>
#include <QStackedWidget>
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

 private:
  std::unique_ptr<WindowFixture> fixture_;
};

WORDLARK_GUI_TEST_MAIN(StartupTest)
#include "startup_test.moc"
